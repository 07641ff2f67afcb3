#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxComparing.h>
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxDFT.h>
#include <pixolan/analysis/TCPxHistogram.h>
#include <pixolan/analysis/TCPxMatching.h>
#include <pixolan/analysis/TCPxOpticalFlowCalculatorLucasKanade.h>
#include <pixolan/analysis/TCPxResizing.h>
#include <pixolan/analysis/TCPxSegmentation.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxInt32Image.h>
#include <pixolan/model/TCPxUtil.h>

#include "primitives/PxAnalysisPrimitives.h"

namespace
{
const double kPi = 3.14159265358979323846;

cv::Mat& Pixels(const TCPxImageBase& image) { return *image.GetFullMatPtr(); }

TCPx8bitImage Grey(int w, int h, unsigned char value)
{
  TCPx8bitImage image(w, h);
  Pixels(image).setTo(value);
  return image;
}

// A smooth random texture (sixty plane waves of random direction, phase and
// wavelength 15 to 40 px), sampled at (x - sx, y - sy): the pattern moved by
// (sx, sy), exact at sub-pixel shifts.
TCPx8bitImage Texture(int w, int h, double sx, double sy)
{
  struct Wave
  {
    double kx, ky, phase;
  };
  static const std::vector<Wave> waves = [] {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Wave> out;
    for (int i = 0; i < 60; ++i)
    {
      const double angle = 2 * kPi * unit(rng);
      const double k = 2 * kPi / (15 + 25 * unit(rng));
      out.push_back({k * std::cos(angle), k * std::sin(angle), 2 * kPi * unit(rng)});
    }
    return out;
  }();
  TCPx8bitImage image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      double g = 128;
      for (const Wave& wave : waves)
        g += 9 * std::sin(wave.kx * (x - sx) + wave.ky * (y - sy) + wave.phase);
      Pixels(image).at<unsigned char>(y, x) = cv::saturate_cast<unsigned char>(g);
    }
  return image;
}
}  // namespace

TEST(Histogram, BinsAccumulationMaskAndDivision)
{
  TCPx8bitImage ramp(256, 2);
  for (int x = 0; x < 256; ++x)
    Pixels(ramp).col(x).setTo(x);

  TCPxHistogram h;
  h.Calculate(ramp);
  h.SetNrBins(64);
  std::vector<double> v = h.GetValues();
  ASSERT_EQ(v.size(), 64u);
  EXPECT_EQ(v[0], 8);  // levels 0..3, two rows
  EXPECT_EQ(v[63], 8); // levels 252..255
  h.SetNrBins(100);    // width 2: levels 198..255 all in the last bin
  v = h.GetValues();
  EXPECT_EQ(v[98], 4);
  EXPECT_EQ(v[99], 2 * 58);
  h.SetNrBins(0);   // ignored
  h.SetNrBins(257); // ignored
  EXPECT_EQ(h.GetNrBins(), 100);

  // A second pass doubles the counts; a mask restricts them.
  h.SetNrBins(256);
  TCPx8bitImage mask = Grey(256, 2, 0);
  Pixels(mask).colRange(0, 10).setTo(255);
  h.Calculate(ramp, mask);
  v = h.GetValues();
  EXPECT_EQ(v[5], 4);
  EXPECT_EQ(v[200], 2);
  EXPECT_EQ(h.GetMaximumValue(), 4);
  EXPECT_EQ(h.GetMinimumValue(), 2);

  // Division only where both are non-zero, and only over the shared bins.
  TCPxHistogram divisor;
  divisor.SetNrBins(8);
  TCPx8bitImage low = Grey(4, 1, 1);
  divisor.Calculate(low); // bin 0 holds 4, the others 0
  TCPxHistogram copy(h);
  copy /= divisor;
  v = copy.GetValues();
  EXPECT_EQ(v[0], 1);  // 4 / 4
  EXPECT_EQ(v[1], 4);  // divisor 0: unchanged
  EXPECT_EQ(v[200], 2); // beyond the divisor's bins

  // A mask of another size clears everything.
  TCPx8bitImage small = Grey(3, 3, 255);
  h.Calculate(ramp, small);
  for (double b : h.GetValues())
    ASSERT_EQ(b, 0);
}

TEST(Matching, OverlapOfMasksAndTemplatePosition)
{
  TCPx8bitImage a = Grey(40, 30, 0);
  cv::circle(Pixels(a), {20, 15}, 8, 255, cv::FILLED);
  const double objects = cv::countNonZero(Pixels(a));
  TCPx8bitImage b(a);
  EXPECT_EQ(TCPxMatching::MatchImages(a, b, true), objects);
  TCPx8bitImage inPlace(a);
  EXPECT_EQ(TCPxMatching::MatchImages(&inPlace, b, true), 255 * objects);
  EXPECT_NEAR(TCPxMatching::MatchImages(a, b, false), 0, 1e-12);

  // b read from its own ROI offset; too small a b changes nothing.
  TCPx8bitImage shifted = Grey(60, 50, 0);
  Pixels(a).copyTo(Pixels(shifted)(cv::Rect(10, 5, 40, 30)));
  shifted.SetROI(TCGenRect<int>(10, 5, 50, 35));
  EXPECT_EQ(TCPxMatching::MatchImages(a, shifted, true), objects);
  TCPx8bitImage tiny = Grey(10, 10, 255);
  TCPx8bitImage before(inPlace);
  EXPECT_EQ(TCPxMatching::MatchImages(&inPlace, tiny, true), -1);
  EXPECT_EQ(TCPxMatching::MatchImages(a, tiny, true), -1);
  EXPECT_TRUE(inPlace == before);

  // A crop is found where it was cut, with score 1.
  const TCPx8bitImage scene = Texture(80, 60, 0, 0);
  TCPx8bitImage crop(16, 12);
  Pixels(scene)(cv::Rect(37, 21, 16, 12)).copyTo(Pixels(crop));
  TCPxFloatImage match(80 - 16 + 1, 60 - 12 + 1);
  TCPxMatching::MatchTemplate(scene, crop, &match, 5);
  const auto best = match.GetMaximumValueAndPos();
  EXPECT_NEAR(best.first, 1.0, 1e-4);
  EXPECT_EQ(best.second.GetX(), 37);
  EXPECT_EQ(best.second.GetY(), 21);

  // A result of the wrong size is left alone (OpenCV would reallocate it).
  TCPxFloatImage wrong(10, 10);
  wrong.Fill(7);
  TCPxMatching::MatchTemplate(scene, crop, &wrong, 5);
  TCPxMatching::MatchTemplate(scene, crop, &wrong, 9);
  EXPECT_EQ(wrong.GetMinimumValue(), 7);

  // Method 6: summed flow magnitude, 0 for a still pair.
  TCPxFloatImage flowSum(1, 1);
  TCPxMatching::MatchTemplate(scene, scene, &flowSum, 6);
  EXPECT_EQ(flowSum.GetPixel(0, 0), 0);
  TCPxMatching::MatchTemplate(Texture(80, 60, 1, 0), scene, &flowSum, 6);
  EXPECT_GT(flowSum.GetPixel(0, 0), 100);
}

TEST(Comparing, MasksOverTheSharedSize)
{
  TCPxFloatImage a(6, 4), b(6, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
    {
      a.SetPixel(x, y, static_cast<float>(x));
      b.SetPixel(x, y, 2.5f);
    }
  TCPx8bitImage dst = Grey(6, 4, 7);
  TCPxComparing::CompareValue(&dst, a, 3.0f, 0.0f);
  for (int x = 0; x < 6; ++x)
    EXPECT_EQ(dst.GetPixel(x, 1), x == 3 ? 255 : 0);
  TCPxComparing::CompareGreater(&dst, a, b);
  EXPECT_EQ(dst.GetPixel(2, 0), 0);
  EXPECT_EQ(dst.GetPixel(3, 0), 255);

  // A smaller operand bounds the region; the rest of dst is untouched.
  TCPxFloatImage narrow(3, 4);
  narrow.Fill(10);
  dst = Grey(6, 4, 7);
  TCPxComparing::CompareLess(&dst, a, narrow);
  EXPECT_EQ(dst.GetPixel(2, 3), 255);
  EXPECT_EQ(dst.GetPixel(3, 3), 7);
  // Each ROI from its own offset.
  a.SetROI(TCGenRect<int>(2, 0, 6, 4));
  dst = Grey(6, 4, 7);
  dst.SetROI(TCGenRect<int>(0, 0, 4, 4));
  TCPxComparing::CompareValue(&dst, a, 3.0f, 0.5f);
  EXPECT_EQ(dst.GetPixel(1, 0), 255); // a's x = 3
  EXPECT_EQ(dst.GetPixel(0, 0), 0);
}

TEST(Segmentation, TwoRegionsFromTwoSeeds)
{
  // Left half dark, right half bright, a soft noise-free step between.
  const int w = 60, h = 40;
  TCPx8bitImage grey = Grey(w, h, 40);
  Pixels(grey).colRange(30, w).setTo(200);
  TCPx8bitImage markers = Grey(w, h, 0);
  markers.SetPixel(5, 20, 1);
  markers.SetPixel(55, 5, 2);
  TCPxSegmentation::SegmentGradient(grey, &markers);
  EXPECT_EQ(cv::countNonZero(Pixels(markers).colRange(0, 30) != 1), 0);
  EXPECT_EQ(cv::countNonZero(Pixels(markers).colRange(30, w) != 2), 0);

  TCPx24bitImage colour(w, h);
  cv::cvtColor(Pixels(grey), Pixels(colour), cv::COLOR_GRAY2BGR);
  TCPxInt32Image labels(w, h);
  Pixels(labels).setTo(0);
  labels.SetPixel(5, 20, 1);
  labels.SetPixel(55, 5, 2);
  TCPxSegmentation::SegmentWatershed(colour, &labels);
  EXPECT_EQ(labels.GetPixel(10, 10), 1);
  EXPECT_EQ(labels.GetPixel(50, 35), 2);
  const cv::Mat l = Pixels(labels)(cv::Rect(1, 1, w - 2, h - 2));
  EXPECT_EQ(cv::countNonZero(l == -1), h - 2); // one boundary column

  // GrabCut of a bright disc inside the rectangle: foreground labels inside.
  TCPx24bitImage scene(80, 60);
  Pixels(scene).setTo(cv::Scalar(30, 40, 50));
  cv::circle(Pixels(scene), {40, 30}, 14, cv::Scalar(220, 200, 180), cv::FILLED);
  TCPx8bitImage mask = Grey(80, 60, 0);
  cv::theRNG().state = 12345;
  TCPxSegmentation::SegmentGrabcut(scene, &mask, TCGenRect<int>(20, 10, 60, 50));
  EXPECT_EQ(mask.GetPixel(40, 30) & 1, 1);
  EXPECT_EQ(mask.GetPixel(2, 2), cv::GC_BGD);
  TCPx8bitImage other = Grey(10, 10, 9);
  TCPxSegmentation::SegmentGrabcut(scene, &other, TCGenRect<int>(20, 10, 60, 50));
  EXPECT_EQ(other.GetPixel(0, 0), 9);
}

TEST(Segmentation, GradientKernelTakesEqualDifferencesInArrivalOrder)
{
  // Flat row, seeds at both ends: first in, first out splits it in the middle.
  std::vector<std::uint8_t> grey(9, 50), labels(9, 0);
  labels[0] = 1;
  labels[8] = 2;
  PxAnalysisPrim::SegmentGradient8u(grey.data(), 9, labels.data(), 9, 9, 1);
  EXPECT_EQ(labels, (std::vector<std::uint8_t>{1, 1, 1, 1, 1, 2, 2, 2, 2}));
  // The smallest difference wins over distance: label 2 crosses the flat
  // stretch before label 1 can climb the step next to it.
  grey = {10, 90, 90, 90, 90, 90, 90, 90, 90};
  labels.assign(9, 0);
  labels[0] = 1;
  labels[8] = 2;
  PxAnalysisPrim::SegmentGradient8u(grey.data(), 9, labels.data(), 9, 9, 1);
  EXPECT_EQ(labels, (std::vector<std::uint8_t>{1, 2, 2, 2, 2, 2, 2, 2, 2}));
}

TEST(OpticalFlow, ShiftsAreRecoveredInTheInterior)
{
  const int w = 128, h = 112;
  const TCPx8bitImage still = Texture(w, h, 0, 0);
  // One linearisation step with the gradient of the earlier frame leaves a
  // bias of d²/2 · ΣI'I''/ΣI'² per pixel: a tenth of a pixel here for whole
  // pixel shifts, a few hundredths for sub-pixel ones. A wide window keeps it
  // that small.
  struct Case
  {
    double sx, sy, worst;
  };
  TCPxOpticalFlowCalculatorLucasKanade wide(9, 2.0, 25, 6.0, 3e-6);
  for (const Case c : {Case{1, 0, 0.25}, Case{0, -1, 0.25}, Case{0.5, 0.25, 0.05}})
  {
    SCOPED_TRACE(testing::Message() << "shift " << c.sx << ", " << c.sy);
    const TCPx8bitImage moved = Texture(w, h, c.sx, c.sy);
    TCPxFloatImage fx(w, h), fy(w, h);
    wide.CalcOpticalFlow(still, moved, &fx, &fy);
    std::vector<double> errors;
    for (int y = 18; y < h - 18; ++y)
      for (int x = 18; x < w - 18; ++x)
        errors.push_back(std::hypot(fx.GetPixel(x, y) - c.sx, fy.GetPixel(x, y) - c.sy));
    std::sort(errors.begin(), errors.end());
    EXPECT_LT(errors[errors.size() / 2], 0.05);
    EXPECT_LT(errors.back(), c.worst);
    // The border band of the pre-smoothing size is zero.
    for (int i = 0; i < w; ++i)
      ASSERT_EQ(fx.GetPixel(i, 4), 0);
    for (int j = 0; j < h; ++j)
      ASSERT_EQ(fy.GetPixel(w - 5, j), 0);
  }

  TCPxOpticalFlowCalculatorLucasKanade own(0, 0, 5, 2.0, 3e-6);
  TCPxOpticalFlowCalculatorLucasKanade copy;
  copy = own; // no pre-smoothing: border band 5
  TCPxFloatImage fx(w, h), fy(w, h);
  copy.CalcOpticalFlow(still, still, &fx, &fy);
  EXPECT_EQ(cv::countNonZero(Pixels(fx)), 0);
  EXPECT_EQ(cv::countNonZero(Pixels(fy)), 0);
  // Frames of different sizes, or flow images too small: nothing written.
  TCPxFloatImage small(10, 10);
  small.Fill(3);
  copy.CalcOpticalFlow(still, Texture(w, h - 1, 0, 0), &fx, &small);
  copy.CalcOpticalFlow(still, still, &fx, &small);
  EXPECT_EQ(small.GetMinimumValue(), 3);
}

TEST(Resizing, RampByNearestLinearAndArea)
{
  TCPxFloatImage ramp(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      ramp.SetPixel(x, y, static_cast<float>(10 * x + 40 * y));
  std::unique_ptr<TCPxFloatImage> nearest(TCPxResizing::CreateResizedImage(ramp, 2, 2, Px::InterpolationNearestNeighbour));
  std::unique_ptr<TCPxFloatImage> area(TCPxResizing::CreateResizedImage(ramp, 2, 2, Px::InterpolationArea));
  std::unique_ptr<TCPxFloatImage> up(TCPxResizing::CreateResizedImage(ramp, 8, 8, Px::InterpolationLinear));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
    {
      EXPECT_FLOAT_EQ(nearest->GetPixel(x, y), 20 * x + 80 * y);
      EXPECT_FLOAT_EQ(area->GetPixel(x, y), 20 * x + 80 * y + 25); // block means
    }
  // Linear: the ramp itself at source positions (d + 0.5) / 2 − 0.5, clamped.
  const auto source = [](int d) { return std::clamp((d + 0.5) / 2 - 0.5, 0.0, 3.0); };
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_NEAR(up->GetPixel(x, y), 10 * source(x) + 40 * source(y), 1e-4);

  TCPx8bitImage grey = Grey(4, 4, 9);
  std::unique_ptr<TCPx8bitImage> g(TCPxResizing::CreateResizedImage(grey, 3, 5, Px::InterpolationCubic));
  ASSERT_TRUE(g);
  EXPECT_EQ(g->GetWidth(), 3);
  EXPECT_EQ(g->GetPixel(1, 4), 9);
  EXPECT_EQ(TCPxResizing::CreateResizedImage(grey, 0, 5, Px::InterpolationLinear), nullptr);
  TCPx24bitImage colour(4, 4);
  EXPECT_EQ(TCPxResizing::CreateResizedImage(colour, 4, -1, Px::InterpolationArea), nullptr);
}

TEST(ContourDFT, HalfSpectrumRebuildsTheOutline)
{
  std::vector<cv::Point> ring;
  for (int i = 0; i < 64; ++i)
    ring.emplace_back(cvRound(100 + 30 * std::cos(2 * kPi * i / 64)), cvRound(80 + 30 * std::sin(2 * kPi * i / 64)));
  const TCPxContour c(ring);
  TCPxDFT::TCoefs X, Y;
  c.GetXYDftCoefs(&X, &Y);
  const TCPxDFT::TCoefs halfX(X.begin(), X.begin() + 33), halfY(Y.begin(), Y.begin() + 33);
  std::unique_ptr<TCPxContour> rebuilt(TCPxDFT::CreateContourFromDftCoefs(64, halfX, halfY));
  ASSERT_GT(rebuilt->GetSize(), 32);
  for (int i = 0; i < rebuilt->GetSize(); ++i)
  {
    const TCGenPoint<int> p = rebuilt->GetPoint(i);
    EXPECT_NEAR(std::hypot(p.GetX() - 100, p.GetY() - 80), 30, 1.5);
  }
  // The low-pass copy of a circle is the circle.
  const TCPxContour smooth = TCPxDFT::MakeContourDFT(c, 3);
  EXPECT_EQ(smooth.GetSize(), c.GetSize());
  EXPECT_NEAR(smooth.GetArea(), c.GetArea(), 0.03 * c.GetArea());
}
