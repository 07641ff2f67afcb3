#include <gtest/gtest.h>

#include <memory>

#include <opencv2/imgproc.hpp>

#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/filters/TCPxFilterFixed.h>
#include <pixolan/filters/TCPxFilterHueRange.h>
#include <pixolan/filters/TCPxFilterMorphology.h>
#include <pixolan/filters/TCPxFilterRank.h>

#include "FilterTestSupport.h"

using filtertest::MaxDiff;
using filtertest::Noise;
using filtertest::View;

namespace
{
TCPx8bitImage Ramp()
{
  TCPx8bitImage image(256, 1);
  for (int v = 0; v < 256; ++v)
    image.SetPixelFast(v, 0, static_cast<unsigned char>(v));
  return image;
}
} // namespace

TEST(DoubleThreshold, GreyBandsAndTheLowerZeroCase)
{
  TCPx8bitImage a = Ramp();
  TCPxFilterDoubleThreshold(0, 100).ProcessImage(&a, nullptr);
  EXPECT_EQ(a.GetPixelFast(0, 0), 255);
  EXPECT_EQ(a.GetPixelFast(100, 0), 255);
  EXPECT_EQ(a.GetPixelFast(101, 0), 0);
  TCPx8bitImage b = Ramp(), out(256, 1);
  TCPxFilterDoubleThreshold(10, 100).ProcessImage(&b, &out);
  EXPECT_EQ(out.GetPixelFast(9, 0), 0);
  EXPECT_EQ(out.GetPixelFast(10, 0), 255);
  EXPECT_EQ(b.GetPixelFast(10, 0), 10); // source unchanged
  // Out-of-range thresholds clamp instead of wrapping to their low byte.
  TCPx8bitImage c = Ramp();
  TCPxFilterDoubleThreshold(-5, 300).ProcessImage(&c, nullptr);
  EXPECT_EQ(c.GetPixelFast(0, 0), 255);
  EXPECT_EQ(c.GetPixelFast(255, 0), 255);
  // Only the ROI is processed.
  TCPx8bitImage d = Ramp();
  d.SetROI(TCGenRect<int>(0, 0, 50, 1));
  TCPxFilterDoubleThreshold(10, 20).ProcessImage(&d, nullptr);
  EXPECT_EQ(d.GetPixelFast(60, 0), 60);
  EXPECT_EQ(d.GetPixelFast(40, 0), 0);

  TCPxFilterDoubleThreshold t(0, 0);
  t.UpdateLower(2.5);
  EXPECT_EQ(t.GetLower(), 2.5);
  EXPECT_EQ(t.GetLowerRounded(), 3);
  t.UpdateThresholds(-1.5, 7.49);
  EXPECT_EQ(t.GetLowerRounded(), -2);
  EXPECT_EQ(t.GetHigherRounded(), 7);

  // The region form is clipped to the image.
  auto shared = std::make_shared<TCPx8bitImage>(Ramp());
  TCPxFilterDoubleThreshold(100, 200).Process8bitImageROI(shared, TCGenRect<int>(240, -5, 400, 5));
  EXPECT_EQ(shared->GetPixelFast(239, 0), 239);
  EXPECT_EQ(shared->GetPixelFast(245, 0), 0);
}

TEST(DoubleThreshold, ColourChannelsAndFloat)
{
  TCPx32bitImage quad(2, 1);
  RGBQUAD q{0, 50, 150, 7};
  quad.Fill(q);
  TCPxFilterDoubleThreshold(40, 100).ProcessImage(&quad, nullptr);
  const RGBQUAD r = quad.GetPixel(0, 0);
  EXPECT_EQ(r.rgbBlue, 0);
  EXPECT_EQ(r.rgbGreen, 255);
  EXPECT_EQ(r.rgbRed, 0);
  EXPECT_EQ(r.rgbReserved, 7);
  TCPx24bitImage colour(1, 1);
  colour.Fill(0x000010ul); // red 16, green and blue 0
  TCPxFilterDoubleThreshold(0, 100).ProcessImage(&colour, nullptr);
  EXPECT_EQ(colour.GetPixel(0, 0), 0x0000FFul); // a zero channel stays zero

  TCPxFloatImage f(3, 1);
  f.SetPixel(0, 0, 0.5f);
  f.SetPixel(1, 0, -0.5f);
  f.SetPixel(2, 0, 2.0f);
  TCPxFilterDoubleThreshold(-1, 1).ProcessImage(&f, nullptr);
  EXPECT_EQ(f.GetPixel(0, 0), 1.0f);
  EXPECT_EQ(f.GetPixel(1, 0), -0.5f);
  EXPECT_EQ(f.GetPixel(2, 0), 0.0f);
}

TEST(HueRange, KeepsTheBandAndBlackensTheRest)
{
  TCPx24bitImage image(3, 1);
  image.SetPixel(0, 0, 0x0000FFul); // red, hue 0
  image.SetPixel(1, 0, 0x00FF00ul); // green, hue 120
  image.SetPixel(2, 0, 0x00FFFFul); // yellow, hue 60
  TCPx24bitImage out(3, 1);
  TCPxFilterHueRange(0, 60).ProcessImage(&image, &out);
  EXPECT_EQ(out.GetPixel(0, 0), 0x0000FFul);
  EXPECT_EQ(out.GetPixel(1, 0), 0u);
  EXPECT_EQ(out.GetPixel(2, 0), 0x00FFFFul);
  EXPECT_EQ(image.GetPixel(1, 0), 0x00FF00ul);
}

TEST(RankFilters, MatchOpenCvOnTheProcessedAreaAndKeepTheBand)
{
  TCPx8bitImage source(37, 29);
  Noise(source, 5);
  const cv::Mat src = View(source);
  for (int k : {3, 4, 5})
  {
    const int h = k / 2;
    const cv::Rect area(h, h, 37 - k, 29 - k);
    const cv::Mat kernel = cv::Mat::ones(k, k, CV_8UC1);
    cv::Mat lo, hi;
    cv::erode(src, lo, kernel, cv::Point(h, h));
    cv::dilate(src, hi, kernel, cv::Point(h, h));
    TCPx8bitImage minOut(37, 29), maxOut(37, 29);
    minOut.Fill(77);
    TCPxFilterMin(k).ProcessImage(&source, &minOut);
    TCPxFilterMax(k).ProcessImage(&source, &maxOut);
    EXPECT_EQ(MaxDiff(View(minOut), lo, area), 0.0) << k;
    EXPECT_EQ(MaxDiff(View(maxOut), hi, area), 0.0) << k;
    EXPECT_EQ(minOut.GetPixelFast(0, 0), 77);
    EXPECT_EQ(minOut.GetPixelFast(h + 37 - k, h + 29 - k), 77); // the band on the right and bottom
    EXPECT_NE(minOut.GetPixelFast(h + 36 - k, h + 28 - k), 77); // the last processed pixel
  }
  cv::Mat median;
  cv::medianBlur(src, median, 5);
  TCPx8bitImage inPlace(source);
  TCPxFilterMedian(5).ProcessImage(&inPlace, nullptr);
  EXPECT_EQ(MaxDiff(View(inPlace), median, cv::Rect(2, 2, 32, 24)), 0.0);
  EXPECT_EQ(inPlace.GetPixelFast(0, 0), source.GetPixelFast(0, 0));
}

TEST(RankFilters, ColourMedianIsVectorForSmallKernelsAndChannelWiseOtherwise)
{
  TCPx24bitImage colour(20, 20);
  Noise(colour, 6);
  const cv::Mat src = View(colour).clone();
  TCPx24bitImage out7(20, 20);
  TCPxFilterMedian(7).ProcessImage(&colour, &out7);
  cv::Mat median;
  cv::medianBlur(src, median, 7);
  EXPECT_EQ(MaxDiff(View(out7), median, cv::Rect(3, 3, 13, 13)), 0.0);

  // Vector median: every output pixel is one of its window's pixels, and a
  // lone outlier in a uniform window disappears.
  TCPx24bitImage out3(20, 20);
  TCPxFilterMedian(3).ProcessImage(&colour, &out3);
  for (int y = 1; y < 18; ++y)
    for (int x = 1; x < 18; ++x)
    {
      const cv::Vec3b v = View(out3).at<cv::Vec3b>(y, x);
      bool found = false;
      for (int j = -1; j <= 1 && !found; ++j)
        for (int i = -1; i <= 1 && !found; ++i)
          found = src.at<cv::Vec3b>(y + j, x + i) == v;
      ASSERT_TRUE(found) << x << "," << y;
    }
  TCPx24bitImage flat(9, 9);
  flat.Fill(0x102030ul);
  flat.SetPixel(4, 4, 0xFFFFFFul);
  TCPxFilterMedian(3).ProcessImage(&flat, nullptr);
  EXPECT_EQ(flat.GetPixel(4, 4), 0x102030ul);
}

TEST(RangeFilter, IsMaxMinusMinWithAZeroBand)
{
  TCPx8bitImage constant(10, 10);
  constant.Fill(90);
  TCPxFilterRange(3).ProcessImage(&constant, nullptr);
  EXPECT_EQ(cv::countNonZero(View(constant)), 0);

  TCPx8bitImage source(30, 20);
  Noise(source, 7);
  TCPx8bitImage out(30, 20);
  out.Fill(5);
  TCPxFilterRange(5).ProcessImage(&source, &out);
  const cv::Mat kernel = cv::Mat::ones(5, 5, CV_8UC1);
  cv::Mat lo, hi;
  cv::erode(View(source), lo, kernel);
  cv::dilate(View(source), hi, kernel);
  EXPECT_EQ(MaxDiff(View(out), hi - lo, cv::Rect(2, 2, 26, 16)), 0.0);
  EXPECT_EQ(out.GetPixelFast(0, 0), 0);
  EXPECT_EQ(out.GetPixelFast(29, 19), 0);
}

TEST(FixedFilter, DerivativesAreShiftedSignedBytes)
{
  TCPx8bitImage constant(12, 12);
  constant.Fill(200);
  TCPxFilterFixed(Px::EFixedFilters::SobelHoriz, 3).ProcessImage(&constant, nullptr);
  EXPECT_EQ(constant.GetMinimumValue(), 128);
  EXPECT_EQ(constant.GetMaximumValue(), 128);

  TCPx8bitImage source(16, 16);
  Noise(source, 8);
  cv::Mat src = View(source);
  struct Case
  {
    Px::EFixedFilters type;
    int k;
    cv::Mat reference; // float response with the filter's sign, unscaled
    double divisor;
  };
  cv::Mat sobelY, sobelX5, scharrX, lap;
  cv::Sobel(src, sobelY, CV_32F, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
  cv::Sobel(src, sobelX5, CV_32F, 1, 0, 5, -1, 0, cv::BORDER_REPLICATE);
  cv::Scharr(src, scharrX, CV_32F, 1, 0, 1, 0, cv::BORDER_REPLICATE);
  cv::Laplacian(src, lap, CV_32F, 3, 1, 0, cv::BORDER_REPLICATE);
  for (const Case& c : {Case{Px::EFixedFilters::SobelHoriz, 3, sobelY, 4}, Case{Px::EFixedFilters::SobelVert, 5, sobelX5, 48},
                        Case{Px::EFixedFilters::ScharrVert, 3, scharrX, 16}, Case{Px::EFixedFilters::Laplacian, 3, lap, 8}})
  {
    TCPx8bitImage out(16, 16);
    TCPxFilterFixed(c.type, c.k).ProcessImage(&source, &out);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
      {
        const double v = std::clamp(std::nearbyint(c.reference.at<float>(y, x) / c.divisor), -128.0, 127.0);
        ASSERT_EQ(out.GetPixelFast(x, y), static_cast<int>(v) + 128) << static_cast<int>(c.type) << " " << x << "," << y;
      }
  }

  TCPxFloatImage flt(16, 16);
  src.convertTo(View(flt), CV_32F);
  TCPxFilterFixed(Px::EFixedFilters::SobelHoriz, 3).ProcessImage(&flt, nullptr);
  EXPECT_EQ(cv::norm(View(flt), sobelY, cv::NORM_INF), 0.0);

  TCPx8bitImage sharpen(10, 10);
  sharpen.Fill(3);
  TCPx8bitImage sharpened(10, 10);
  TCPxFilterFixed(Px::EFixedFilters::Sharpen, 3).ProcessImage(&sharpen, &sharpened);
  EXPECT_EQ(sharpened.GetPixelFast(5, 5), 3);
  EXPECT_EQ(sharpened.GetPixelFast(0, 0), 0); // the frame is not written
  TCPx8bitImage before(source);
  TCPxFilterFixed(static_cast<Px::EFixedFilters>(4), 3).ProcessImage(&source, nullptr);
  EXPECT_TRUE(source == before);
}

TEST(Morphology, StepsDestinationsAndBorderReplication)
{
  TCPx8bitImage image(9, 9);
  image.Fill(255);
  image.SetPixelFast(4, 4, 0);
  TCPx8bitImage dst(9, 9);
  TCPxFilterMorphology(Px::Erode, 0, false).ProcessImage(&image, &dst); // one pass even with 0 steps
  EXPECT_EQ(dst.GetPixelFast(3, 3), 0);
  EXPECT_EQ(dst.GetPixelFast(2, 2), 255);
  EXPECT_EQ(dst.GetPixelFast(0, 0), 0); // outside the clipped area: not written
  TCPx8bitImage before(image);
  TCPxFilterMorphology(Px::Erode, 0, false).ProcessImage(&image, nullptr);
  EXPECT_TRUE(image == before);
  TCPx8bitImage untouched(9, 9);
  TCPxFilterMorphology(Px::Erode, 0, true).ProcessImage(&image, &untouched);
  EXPECT_EQ(untouched.CountNonZero(), 0);

  TCPxFilterMorphology cross(Px::Erode, 1, true);
  EXPECT_TRUE(cross.HasDefaultMask());
  cross.SetMask4Connectivity();
  EXPECT_FALSE(cross.HasDefaultMask());
  TCPx8bitImage crossed(image);
  cross.ProcessImage(&crossed, nullptr);
  EXPECT_EQ(crossed.GetPixelFast(3, 4), 0);
  EXPECT_EQ(crossed.GetPixelFast(3, 3), 255); // diagonal neighbour untouched by the cross
  EXPECT_EQ(crossed.GetPixelFast(0, 0), 255); // replicated border
  cross.SetMask8Connectivity();
  EXPECT_TRUE(cross.HasDefaultMask());
}

TEST(Morphology, SquareOperationsMatchOpenCvInside)
{
  TCPx8bitImage source(40, 30);
  Noise(source, 9);
  cv::Mat expected = View(source).clone();
  for (int i = 0; i < 3; ++i)
    cv::dilate(expected, expected, cv::Mat::ones(3, 3, CV_8UC1), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  TCPx8bitImage out(source);
  TCPxFilterMorphology(Px::Dilate, 3, true).ProcessImage(&out, nullptr);
  EXPECT_EQ(cv::norm(View(out), expected, cv::NORM_INF), 0.0);
  // The same with the cross, which OpenCV cannot widen into one pass.
  cv::Mat crossExpected = View(source).clone();
  const cv::Mat cross = cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3));
  for (int i = 0; i < 4; ++i)
    cv::erode(crossExpected, crossExpected, cross, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  TCPx8bitImage crossOut(source);
  TCPxFilterMorphology crossErode(Px::Erode, 4, true);
  crossErode.SetMask4Connectivity();
  crossErode.ProcessImage(&crossOut, nullptr);
  EXPECT_EQ(cv::norm(View(crossOut), crossExpected, cv::NORM_INF), 0.0);

  // Without replication the passes stay inside the ROI clipped to the interior.
  TCPx8bitImage roi(source);
  roi.SetROI(TCGenRect<int>(0, 0, 20, 30));
  TCPxFilterMorphology(Px::Erode, 1, false).ProcessImage(&roi, nullptr);
  cv::Mat eroded;
  cv::erode(View(source), eroded, cv::Mat::ones(3, 3, CV_8UC1));
  EXPECT_EQ(MaxDiff(View(roi), eroded, cv::Rect(1, 1, 19, 28)), 0.0);
  EXPECT_EQ(MaxDiff(View(roi), View(source), cv::Rect(20, 0, 20, 30)), 0.0);
  EXPECT_EQ(MaxDiff(View(roi), View(source), cv::Rect(0, 0, 40, 1)), 0.0);

  // Open removes an isolated bright pixel; colour and float run the square operations.
  TCPx8bitImage speck(9, 9);
  speck.SetPixelFast(4, 4, 255);
  TCPxFilterMorphology(Px::Open, 1, false).ProcessImage(&speck, nullptr);
  EXPECT_EQ(speck.CountNonZero(), 0);
  TCPx24bitImage colour(9, 9);
  colour.SetPixel(4, 4, 0xFFFFFFul);
  TCPxFilterMorphology(Px::Dilate, 1, false).ProcessImage(&colour, nullptr);
  EXPECT_EQ(colour.GetPixel(3, 3), 0xFFFFFFul);
  TCPx24bitImage colourBefore(colour);
  TCPxFilterMorphology(Px::DilateCircular, 1, false).ProcessImage(&colour, nullptr);
  EXPECT_TRUE(colour == colourBefore);
}

// Several steps of the square mask run as one wider pass: equal to the same
// number of single steps, for every kind, ROI, direction, in place or not.
TEST(Morphology, ManyStepsEqualRepeatedSingleSteps)
{
  const TCGenRect<int> rois[] = {TCGenRect<int>(0, 0, 23, 17), TCGenRect<int>(3, 2, 15, 16),
                                 TCGenRect<int>(0, 5, 9, 17)};
  int seed = 1;
  for (int kind = 0; kind < 3; ++kind)
    for (const TCGenRect<int>& roi : rois)
      for (int steps : {2, 3, 7})
        for (Px::EMorphologyTypes type : {Px::Erode, Px::Dilate, Px::Open, Px::Close})
          for (bool toDestination : {false, true})
          {
            std::unique_ptr<TCPxImageBase> source, literal, fast;
            if (kind == 0)
              source = std::make_unique<TCPx8bitImage>(23, 17);
            else if (kind == 1)
              source = std::make_unique<TCPx24bitImage>(23, 17);
            else
              source = std::make_unique<TCPxFloatImage>(23, 17);
            Noise(*source, static_cast<unsigned>(seed++));
            source->SetROI(roi);
            literal.reset(source->Clone());
            fast.reset(source->Clone());
            const bool opening = type == Px::Open || type == Px::Close;
            const Px::EMorphologyTypes first = type == Px::Open || type == Px::Erode ? Px::Erode : Px::Dilate;
            const Px::EMorphologyTypes second = first == Px::Erode ? Px::Dilate : Px::Erode;
            TCPxFilterMorphology one(first, 1, false), back(second, 1, false);
            if (toDestination)
            {
              one.ProcessImage(source.get(), literal.get());
              for (int i = 1; i < steps; ++i)
                one.ProcessImage(literal.get(), nullptr);
              TCPxFilterMorphology(type, steps, false).ProcessImage(source.get(), fast.get());
            }
            else
            {
              for (int i = 0; i < steps; ++i)
                one.ProcessImage(literal.get(), nullptr);
              TCPxFilterMorphology(type, steps, false).ProcessImage(fast.get(), nullptr);
            }
            if (opening)
              for (int i = 0; i < steps; ++i)
                back.ProcessImage(literal.get(), nullptr);
            ASSERT_EQ(cv::norm(View(*fast), View(*literal), cv::NORM_INF), 0.0)
                << "kind " << kind << ", roi " << roi.GetLeft() << "," << roi.GetTop() << ", steps " << steps
                << ", type " << type << (toDestination ? ", to a destination" : ", in place");
          }
}

TEST(Morphology, DiscKernelsAndCircularOperations)
{
  TCPxFilterMorphology one(Px::ErodeCircular, 1, false);
  const unsigned char cross[9] = {0, 1, 0, 1, 1, 1, 0, 1, 0};
  EXPECT_EQ(std::memcmp(one.GetCircularKernel(), cross, 9), 0);
  TCPxFilterMorphology two(Px::ErodeCircular, 2, false);
  int ones = 0;
  for (int i = 0; i < 25; ++i)
    ones += two.GetCircularKernel()[i];
  EXPECT_EQ(ones, 13);

  TCPx8bitImage dot(15, 15);
  dot.SetPixelFast(7, 7, 255);
  TCPx8bitImage disc(15, 15);
  TCPxFilterMorphology(Px::DilateCircular, 2, false).ProcessImage(&dot, &disc);
  EXPECT_EQ(disc.CountNonZero(), 13);
  EXPECT_EQ(dot.CountNonZero(), 1);
  TCPxFilterMorphology(Px::CloseCircular, 2, false).ProcessImage(&dot, nullptr);
  EXPECT_EQ(dot.GetPixelFast(7, 7), 255);
}

TEST(Morphology, CopiesKeepTheirOwnStateAndRoiDilationIsClipped)
{
  TCPxFilterMorphology original(Px::Erode, 1, true);
  TCPxFilterMorphology copy(original);
  TCPx8bitImage small(5, 5), large(50, 40);
  small.Fill(9);
  large.Fill(9);
  original.ProcessImage(&small, nullptr);
  copy.ProcessImage(&large, nullptr);
  original.ProcessImage(&small, nullptr);
  EXPECT_EQ(small.GetPixelFast(2, 2), 9);
  EXPECT_EQ(large.GetPixelFast(30, 30), 9);

  auto image = std::make_shared<TCPx8bitImage>(10, 10);
  image->SetPixelFast(0, 0, 200);
  image->SetPixelFast(5, 5, 100);
  original.Dilate8bitImageROI(image, TCGenRect<int>(-10, -10, 100, 100));
  EXPECT_EQ(image->GetPixelFast(1, 1), 200);
  EXPECT_EQ(image->GetPixelFast(0, 1), 0); // the one-pixel frame is outside the area
  EXPECT_EQ(image->GetPixelFast(6, 6), 100);
}
