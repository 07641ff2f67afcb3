#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxAvrImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxInt32Image.h>
#include <pixolan/model/TCPxUtil.h>

#include "ImageTestSupport.h"

using pxtest::Full;
using pxtest::FillRandom;
using pxtest::Same;

namespace
{
unsigned long Rgb(int r, int g, int b)
{
  return static_cast<unsigned long>(r) | (static_cast<unsigned long>(g) << 8) | (static_cast<unsigned long>(b) << 16);
}
} // namespace

// ---- byte and float conversions ------------------------------------------------------------

TEST(ImageConversion, Float2ByteRoundsHalvesToEvenSaturatesAndZeroesNan)
{
  const float inf = std::numeric_limits<float>::infinity();
  const float values[] = {-3.0f, 300.0f, 2.5f, 3.5f, 0.5f, 1.5f, 254.5f, 2.4999f, std::nanf(""), inf, -inf, 127.0f};
  const int expected[] = {0, 255, 2, 4, 0, 2, 254, 2, 0, 255, 0, 127};
  TCPxFloatImage source(12, 1);
  TCPx8bitImage target(12, 1);
  for (int x = 0; x < 12; ++x)
    Full(source).at<float>(0, x) = values[x];
  TCPxConversion::Float2Byte(source, &target);
  for (int x = 0; x < 12; ++x)
    EXPECT_EQ(target.GetPixelFast(x, 0), expected[x]) << "value " << values[x];
}

TEST(ImageConversion, Float2ByteMatchesConvertToFromRoiToRoi)
{
  TCPxFloatImage source(37, 21);
  FillRandom(source, 1, -20.0, 280.0);
  source.SetROI(TCGenRect<int>(3, 2, 33, 19));
  TCPx8bitImage target(40, 30);
  target.SetROI(TCGenRect<int>(5, 7, 6, 8)); // smaller ROI: the source ROI's size is written from its start
  TCPxConversion::Float2Byte(source, &target);
  cv::Mat expected;
  Full(source)(cv::Rect(3, 2, 30, 17)).convertTo(expected, CV_8U);
  EXPECT_TRUE(Same(Full(target)(cv::Rect(5, 7, 30, 17)), expected));
  EXPECT_EQ(cv::countNonZero(Full(target)(cv::Rect(0, 0, 40, 7))), 0);
  // One byte per pixel into a colour target, from its ROI's first byte.
  TCPx24bitImage colour(40, 30);
  colour.SetROI(TCGenRect<int>(2, 1, 40, 30));
  TCPxConversion::Float2Byte(source, std::shared_ptr<TCPxByteImage>(&colour, [](TCPxByteImage*) {}));
  const cv::Mat bytes(30, 120, CV_8U, const_cast<unsigned char*>(colour.GetBuffer()), colour.GetStepSize());
  EXPECT_TRUE(Same(bytes(cv::Rect(6, 1, 30, 17)), expected));
}

TEST(ImageConversion, Float2ByteLeavesTargetAloneWhenRegionWouldLeaveIt)
{
  TCPxFloatImage source(20, 20);
  source.Fill(9.0f);
  TCPx8bitImage target(20, 20);
  target.SetROI(TCGenRect<int>(5, 5, 20, 20));
  TCPxConversion::Float2Byte(source, &target);
  EXPECT_EQ(cv::countNonZero(Full(target)), 0);
  TCPxConversion::Float2Byte(source, static_cast<TCPxByteImage*>(nullptr));
}

TEST(ImageConversion, Byte2FloatOfGreyMatchesConvertTo)
{
  TCPx8bitImage source(33, 17);
  FillRandom(source, 2);
  source.SetROI(TCGenRect<int>(1, 2, 31, 16));
  TCPxFloatImage target(40, 20);
  target.SetROI(TCGenRect<int>(4, 3, 40, 20));
  TCPxConversion::Byte2Float(source, &target);
  cv::Mat expected;
  Full(source)(cv::Rect(1, 2, 30, 14)).convertTo(expected, CV_32F);
  EXPECT_TRUE(Same(Full(target)(cv::Rect(4, 3, 30, 14)), expected));
  EXPECT_EQ(cv::countNonZero(Full(target)(cv::Rect(0, 0, 40, 3))), 0);
}

TEST(ImageConversion, Byte2FloatOfColourWeighsBytesInMemoryOrderForEveryWidth)
{
  // Narrow images (colour and grey strides equal) must take the colour path too.
  for (int width = 1; width <= 12; ++width)
  {
    TCPx24bitImage source(width, 3);
    FillRandom(source, 10 + width);
    TCPxFloatImage target(width, 3);
    TCPxConversion::Byte2Float(source, &target);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < width; ++x)
      {
        const cv::Vec3b p = Full(source).at<cv::Vec3b>(y, x);
        const float expected = TCPxConversion::Rgb2Gray(Rgb(p[0], p[1], p[2]));
        ASSERT_EQ(Full(target).at<float>(y, x), expected) << "width " << width << " at " << x << "," << y;
      }
  }
  // The first byte weighs as red: a pure first byte gives 0.299 * 255.
  TCPx24bitImage blue(4, 4);
  blue.Fill(Rgb(0, 0, 255));
  TCPxFloatImage grey(4, 4);
  TCPxConversion::Byte2Float(blue, &grey);
  EXPECT_EQ(Full(grey).at<float>(2, 2), 76.0f);
}

TEST(ImageConversion, Byte2FloatIgnoresFourChannelsAndTargetsTooSmall)
{
  TCPx32bitImage four(8, 8);
  FillRandom(four, 3, 1, 256);
  TCPxFloatImage target(8, 8);
  TCPxConversion::Byte2Float(four, &target);
  EXPECT_EQ(cv::countNonZero(Full(target)), 0);
  TCPx8bitImage big(9, 8);
  FillRandom(big, 4, 1, 256);
  TCPxConversion::Byte2Float(big, std::shared_ptr<TCPxFloatImage>(&target, [](TCPxFloatImage*) {}));
  EXPECT_EQ(cv::countNonZero(Full(target)), 0);
}

// ---- colour spaces -------------------------------------------------------------------------------

TEST(ImageConversion, Rgb2HsvInPlaceMatchesSingleValuesOverTheRoiOnly)
{
  TCPx24bitImage image(23, 11);
  FillRandom(image, 5);
  const cv::Mat before = Full(image).clone();
  image.SetROI(TCGenRect<int>(2, 1, 20, 10));
  TCPxConversion::Rgb2Hsv(&image);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 23; ++x)
    {
      const cv::Vec3b in = before.at<cv::Vec3b>(y, x);
      const cv::Vec3b out = Full(image).at<cv::Vec3b>(y, x);
      const bool inRoi = x >= 2 && x < 20 && y >= 1 && y < 10;
      const unsigned long hsv = inRoi ? TCPxConversion::Bgr2Hsv(Rgb(in[0], in[1], in[2])) : Rgb(in[0], in[1], in[2]);
      ASSERT_EQ(Rgb(out[0], out[1], out[2]), hsv) << x << "," << y;
    }
}

TEST(ImageConversion, Rgb2HsvIntoTargetKeepsSourceAndUsesItsRectangle)
{
  TCPx24bitImage source(10, 10);
  source.Fill(Rgb(0, 0, 255)); // blue: hue 120, full saturation and value
  source.SetROI(TCGenRect<int>(3, 4, 6, 8));
  TCPx24bitImage target(10, 10);
  TCPxConversion::Rgb2Hsv(source, &target);
  EXPECT_EQ(Full(source).at<cv::Vec3b>(5, 4), cv::Vec3b(255, 0, 0));
  EXPECT_EQ(Full(target).at<cv::Vec3b>(5, 4), cv::Vec3b(120, 255, 255));
  EXPECT_EQ(cv::countNonZero(Full(target).reshape(1)), 3 * 3 * 4);
  TCPx24bitImage small(5, 5);
  TCPxConversion::Rgb2Hsv(source, &small); // rectangle leaves the target: nothing
  EXPECT_EQ(cv::countNonZero(Full(small).reshape(1)), 0);
}

TEST(ImageConversion, HsvRoundTripRestoresColours)
{
  TCPx24bitImage image(64, 16);
  FillRandom(image, 6);
  const cv::Vec3b primaries[] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255}, {77, 77, 77}, {0, 0, 0}};
  for (int i = 0; i < 6; ++i)
    Full(image).at<cv::Vec3b>(0, i) = primaries[i];
  const cv::Mat before = Full(image).clone();
  TCPxConversion::Rgb2Hsv(&image);
  TCPxConversion::Hsv2Rgb(&image);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(Full(image).at<cv::Vec3b>(0, i), primaries[i]);
  // Two-degree hue steps cost at most a few levels.
  EXPECT_LE(cv::norm(Full(image), before, cv::NORM_INF), 8.0);
}

TEST(ImageConversion, Rgb2BgrSwapsOuterBytesInsideTheRoi)
{
  TCPx24bitImage image(9, 5);
  FillRandom(image, 7);
  const cv::Mat before = Full(image).clone();
  image.SetROI(TCGenRect<int>(1, 1, 8, 4));
  TCPxConversion::Rgb2Bgr(&image);
  cv::Mat expected = before.clone();
  cv::cvtColor(before(cv::Rect(1, 1, 7, 3)), expected(cv::Rect(1, 1, 7, 3)), cv::COLOR_BGR2RGB);
  EXPECT_TRUE(Same(Full(image), expected));
}

// ---- factory, channels and borders --------------------------------------------------------------------

TEST(Util, CreateImageMakesTheClassOfEachTypeAndNullOtherwise)
{
  std::unique_ptr<TCPxImageBase> grey(TCPxUtil::CreateImage(ImageType8bit, 4, 3));
  std::unique_ptr<TCPxImageBase> avr(TCPxUtil::CreateImage(ImageTypeAvr, 4, 3));
  EXPECT_NE(dynamic_cast<TCPx8bitImage*>(grey.get()), nullptr);
  EXPECT_NE(dynamic_cast<TCPxAvrImage*>(avr.get()), nullptr);
  EXPECT_EQ(grey->GetWidth(), 4);
  EXPECT_EQ(TCPxUtil::CreateImage(ImageTypeInt32, 4, 4), nullptr);
  EXPECT_EQ(TCPxUtil::CreateImage(static_cast<NPxImageTypes>(2), 4, 4), nullptr);
}

TEST(Util, SplitAndMergeMatchOpenCvAndRoundTrip)
{
  TCPx24bitImage colour(31, 9);
  FillRandom(colour, 8);
  colour.SetROI(TCGenRect<int>(1, 1, 21, 9));
  TCPx8bitImage b(20, 8), g(22, 10), r(20, 8);
  g.SetROI(TCGenRect<int>(2, 2, 22, 10));
  TCPx8bitImage* planes[3] = {&b, &g, &r};
  TCPxUtil::Split(colour, planes);
  std::vector<cv::Mat> expected;
  cv::split(Full(colour)(cv::Rect(1, 1, 20, 8)), expected);
  EXPECT_TRUE(Same(Full(b), expected[0]));
  EXPECT_TRUE(Same(Full(g)(cv::Rect(2, 2, 20, 8)), expected[1]));
  EXPECT_TRUE(Same(Full(r), expected[2]));

  TCPx24bitImage merged(20, 8);
  TCPxUtil::Merge(planes, &merged);
  EXPECT_TRUE(Same(Full(merged), Full(colour)(cv::Rect(1, 1, 20, 8))));
}

TEST(Util, SplitAndMergeRefuseNullPlanesAndIgnoreOtherSizes)
{
  TCPx24bitImage colour(8, 8);
  TCPx8bitImage a(8, 8), small(7, 8);
  TCPx8bitImage* withNull[3] = {&a, nullptr, &a};
  EXPECT_THROW(TCPxUtil::Split(colour, withNull), std::invalid_argument);
  EXPECT_THROW(TCPxUtil::Merge(withNull, &colour), std::invalid_argument);
  EXPECT_THROW(TCPxUtil::Split(colour, nullptr), std::invalid_argument);
  a.Fill(5);
  TCPx8bitImage* mixed[3] = {&a, &small, &a};
  TCPxUtil::Merge(mixed, &colour);
  EXPECT_EQ(cv::countNonZero(Full(colour).reshape(1)), 0);
  EXPECT_THROW(TCPxUtil::Merge(mixed, nullptr), std::invalid_argument);
}

TEST(Util, CopyMakeBorderReplicatesEdgesByHalfTheSizeDifference)
{
  TCPx8bitImage source(5, 4);
  FillRandom(source, 9);
  TCPx8bitImage target(10, 9); // borders: 2 rows, 2 columns (integer halves)
  target.SetROI(TCGenRect<int>(0, 0, 9, 8));
  TCPxUtil::CopyMakeBorder(source, &target);
  cv::Mat expected;
  cv::copyMakeBorder(Full(source), expected, 2, 2, 2, 2, cv::BORDER_REPLICATE);
  EXPECT_TRUE(Same(Full(target)(cv::Rect(0, 0, 9, 8)), expected));

  TCPx8bitImage wrong(10, 9); // full ROI is not the padded size: nothing
  TCPxUtil::CopyMakeBorder(source, &wrong);
  EXPECT_EQ(cv::countNonZero(Full(wrong)), 0);
  TCPxFloatImage otherType(9, 8);
  TCPxUtil::CopyMakeBorder(source, &otherType);
  EXPECT_EQ(cv::countNonZero(Full(otherType)), 0);
  TCPxUtil::CopyMakeBorder(target, &source); // smaller target: nothing
}

// ---- maps ----------------------------------------------------------------------------------------------

TEST(Util, DistTransformGivesEuclideanDistanceToNearestZero)
{
  TCPx8bitImage source(21, 15);
  source.Fill(255);
  Full(source).at<unsigned char>(7, 10) = 0;
  TCPxFloatImage target(21, 15);
  TCPxUtil::CalcDistTransform(source, &target);
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 21; ++x)
      ASSERT_NEAR(Full(target).at<float>(y, x), std::hypot(x - 10, y - 7), 0.01) << x << "," << y;
  TCPxFloatImage wrong(20, 15);
  TCPxUtil::CalcDistTransform(source, &wrong);
  EXPECT_EQ(cv::countNonZero(Full(wrong)), 0);
}

TEST(Util, TransPseudoInverseMatchesHandWorkedMatrices)
{
  // Full rank 2 x 3: pinv(M)^T = (M M^T)^-1 M, worked by hand.
  TCPxFloatImage m(3, 2), t(3, 2);
  const float values[6] = {1, 2, 3, 4, 5, 6};
  for (int i = 0; i < 6; ++i)
    Full(m).at<float>(i / 3, i % 3) = values[i];
  TCPxUtil::CalcTransPseudoInverse(m, &t);
  const double expected[6] = {-17.0 / 18, -1.0 / 9, 13.0 / 18, 4.0 / 9, 1.0 / 9, -2.0 / 9};
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(Full(t).at<float>(i / 3, i % 3), expected[i], 1e-5) << i;

  // Rank one: pinv(M) = M^T / |M|^2, so the transpose is M / 70.
  const float rankOne[6] = {1, 2, 3, 2, 4, 6};
  for (int i = 0; i < 6; ++i)
    Full(m).at<float>(i / 3, i % 3) = rankOne[i];
  TCPxUtil::CalcTransPseudoInverse(m, &t);
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(Full(t).at<float>(i / 3, i % 3), rankOne[i] / 70.0, 1e-5) << i;

  TCPxFloatImage wrong(2, 3);
  TCPxUtil::CalcTransPseudoInverse(m, &wrong);
  EXPECT_EQ(cv::countNonZero(Full(wrong)), 0);
}

TEST(Util, InPaintFillsMaskedHoleFromItsSurroundings)
{
  TCPx8bitImage source(32, 32), mask(32, 32), target(32, 32);
  source.Fill(100);
  cv::rectangle(Full(source), cv::Rect(12, 12, 6, 6), cv::Scalar(0), cv::FILLED);
  cv::rectangle(Full(mask), cv::Rect(12, 12, 6, 6), cv::Scalar(255), cv::FILLED);
  TCPxUtil::InPaint(source, &target, mask);
  double lo, hi;
  cv::minMaxLoc(Full(target), &lo, &hi);
  EXPECT_GE(lo, 95);
  EXPECT_LE(hi, 100);
  TCPx8bitImage smallMask(31, 32);
  TCPx8bitImage untouched(32, 32);
  TCPxUtil::InPaint(source, &untouched, smallMask);
  EXPECT_EQ(cv::countNonZero(Full(untouched)), 0);
}

TEST(Util, FloodFillFillsRegionWithColourOrOnlyTheMask)
{
  auto image = std::make_shared<TCPx24bitImage>(20, 20);
  cv::rectangle(Full(*image), cv::Rect(4, 4, 10, 10), cv::Scalar(255, 255, 255), 1);
  auto mask = std::make_shared<TCPx8bitImage>(22, 22);
  TCPxUtil::FloodFill(image, mask, TCGenPoint<int>(8, 8), Rgb(200, 10, 0), 0, 0, false);
  EXPECT_EQ(image->GetPixel(8, 8), Rgb(200, 10, 0));
  EXPECT_EQ(image->GetPixel(5, 5), Rgb(200, 10, 0));
  EXPECT_EQ(image->GetPixel(1, 1), 0u); // outside the drawn square
  EXPECT_EQ(Full(*mask).at<unsigned char>(9, 9), 1); // mask is offset by one pixel

  auto grey = std::make_shared<TCPx8bitImage>(10, 10);
  grey->SetROI(TCGenRect<int>(2, 2, 10, 10));
  auto greyMask = std::make_shared<TCPx8bitImage>(10, 10);
  TCPxUtil::FloodFill(grey, greyMask, TCGenPoint<int>(0, 0), Rgb(0, 0, 77), 0, 0, true);
  EXPECT_EQ(cv::countNonZero(Full(*grey)), 0);
  EXPECT_EQ(cv::countNonZero(Full(*greyMask)(cv::Rect(1, 1, 8, 8))), 64);
  TCPxUtil::FloodFill(grey, std::make_shared<TCPx8bitImage>(10, 10), TCGenPoint<int>(0, 0), Rgb(0, 0, 77), 0, 0,
                      false);
  EXPECT_EQ(grey->GetPixel(3, 3), 77); // grey images take the blue byte
}

TEST(Util, FloodFillRejectsWrongMaskAndMissingImages)
{
  auto image = std::make_shared<TCPx8bitImage>(10, 10);
  EXPECT_THROW(TCPxUtil::FloodFill(image, std::make_shared<TCPx8bitImage>(10, 10), TCGenPoint<int>(0, 0), 1, 0, 0,
                                   false),
               cv::Exception);
  EXPECT_THROW(TCPxUtil::FloodFill(image, nullptr, TCGenPoint<int>(0, 0), 1, 0, 0, false), std::invalid_argument);
  EXPECT_THROW(TCPxUtil::FloodFill(nullptr, std::make_shared<TCPx8bitImage>(12, 12), TCGenPoint<int>(0, 0), 1, 0, 0,
                                   false),
               std::invalid_argument);
  EXPECT_THROW(TCPxUtil::FloodFill(image, std::make_shared<TCPx8bitImage>(12, 12), TCGenPoint<int>(10, 0), 1, 0, 0,
                                   false),
               cv::Exception);
}

// ---- detection ---------------------------------------------------------------------------------------------

TEST(Util, FindPeaksReturnsLocalMaximaAboveThresholdInRowOrder)
{
  TCPxFloatImage image(12, 10);
  image.SetROI(TCGenRect<int>(1, 1, 11, 9));
  cv::Mat m = Full(image);
  m.at<float>(3, 5) = 5.0f;
  m.at<float>(3, 4) = 4.0f; // neighbour of a larger value: not a peak
  m.at<float>(6, 2) = 2.0f;
  m.at<float>(1, 10) = 3.0f; // on the ROI's corner
  m.at<float>(0, 0) = 9.0f;  // outside the ROI
  const auto peaks = TCPxUtil::FindPeaks(image, 1.0, 10);
  ASSERT_EQ(peaks.size(), 3u);
  EXPECT_EQ(peaks[0], TCGenPoint<int>(9, 0));
  EXPECT_EQ(peaks[1], TCGenPoint<int>(4, 2));
  EXPECT_EQ(peaks[2], TCGenPoint<int>(1, 5));
  EXPECT_EQ(TCPxUtil::FindPeaks(image, 2.5, 10).size(), 2u);
  EXPECT_EQ(TCPxUtil::FindPeaks(image, 1.0, 2).size(), 2u);
  EXPECT_TRUE(TCPxUtil::FindPeaks(image, 1.0, 0).empty());
  EXPECT_TRUE(TCPxUtil::FindPeaks(image, 1.0, -3).empty());
}

TEST(Util, FindPeaksAgreesWithDilateAndCompare)
{
  TCPxFloatImage image(67, 41);
  FillRandom(image, 11, 0.0, 1.0);
  cv::Mat m = Full(image);
  m.at<float>(10, 10) = std::nanf(""); // NaN is never a peak and does not block its neighbours
  cv::Mat dilated, isMax;
  cv::Mat clean = m.clone();
  clean.at<float>(10, 10) = -1.0f;
  cv::dilate(clean, dilated, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  cv::Mat expected = (clean >= dilated) & (clean > 0.5f);
  std::vector<cv::Point> want;
  cv::findNonZero(expected, want);
  const auto peaks = TCPxUtil::FindPeaks(image, 0.5, 1 << 20);
  ASSERT_EQ(peaks.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) // findNonZero also scans in row order
    EXPECT_EQ(peaks[i], TCGenPoint<int>(want[i].x, want[i].y));
}

TEST(Util, DetectCirclesMarksTheCircleItFinds)
{
  TCPx8bitImage image(200, 200);
  cv::circle(Full(image), cv::Point(100, 90), 30, cv::Scalar(255), 2);
  TCPxUtil::DetectCircles(&image);
  // The centre mark is a ring of radius 3 around the found centre.
  int marked = 0;
  for (int dy = -6; dy <= 6; ++dy)
    for (int dx = -6; dx <= 6; ++dx)
      marked += Full(image).at<unsigned char>(90 + dy, 100 + dx) == 255;
  EXPECT_GE(marked, 12);
  TCPxUtil::DetectCircles(nullptr);
}

TEST(Util, DetectLinesFindsDrawnLinesInRoiCoordinates)
{
  TCPx8bitImage image(120, 110);
  image.SetROI(TCGenRect<int>(10, 10, 110, 110));
  cv::line(Full(image), cv::Point(10, 50), cv::Point(109, 50), cv::Scalar(255)); // y = 40 in the ROI
  const auto lines = TCPxUtil::DetectLines(&image);
  ASSERT_FALSE(lines.empty());
  EXPECT_NEAR(lines[0].first, 40.0, 1.0);
  EXPECT_NEAR(lines[0].second, CV_PI / 2, 0.02);
  TCPx8bitImage empty(50, 50);
  EXPECT_TRUE(TCPxUtil::DetectLines(&empty).empty());
  EXPECT_TRUE(TCPxUtil::DetectLines(nullptr).empty());
}

// ---- points, processor and threads --------------------------------------------------------------------------

TEST(Util, PointArraysRoundTransformAndTruncate)
{
  const std::vector<TCGenPoint<double>> points = {{2.5, 3.5}, {-1.5, 0.4}, {7.0, -2.6}};
  cv::Point* array = TCPxUtil::CreateCvPointArray(points);
  EXPECT_EQ(array[0], cv::Point(2, 4));
  EXPECT_EQ(array[1], cv::Point(-2, 0));
  EXPECT_EQ(array[2], cv::Point(7, -3));
  cv::Point copy[3];
  TCPxUtil::TransformCvPointArray(array, copy, 3, 1.0, 0.0, TCGenPoint<double>(0, 0));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(copy[i], array[i]);
  // A quarter turn and scale 2: (x, y) -> (-2y, 2x), then offset; fractions truncated toward zero.
  TCPxUtil::TransformCvPointArray(array, copy, 3, 2.0, CV_PI / 2, TCGenPoint<double>(0.5, -0.5));
  EXPECT_EQ(copy[0], cv::Point(-7, 3));
  EXPECT_EQ(copy[1], cv::Point(0, -4));
  EXPECT_EQ(copy[2], cv::Point(6, 13));
  TCPxUtil::DeleteCvPointArray(&array);
  EXPECT_EQ(TCPxUtil::CreateCvPointArray({}), nullptr);
  TCPxUtil::DeleteCvPointArray(nullptr);
}

TEST(Util, IsValidPointNeedsBothCoordinatesNonNegative)
{
  EXPECT_FALSE(TCPxUtil::IsValidPoint(TCGenPoint<int>(0, -1)));
  EXPECT_TRUE(TCPxUtil::IsValidPoint(TCGenPoint<int>(0, 0)));
  EXPECT_FALSE(TCPxUtil::IsValidPoint(TCGenPoint<double>(-0.5, 3.0)));
  EXPECT_FALSE(TCPxUtil::IsValidPoint(TCGenPoint<double>(std::nan(""), 3.0)));
  EXPECT_TRUE(TCPxUtil::IsValidPoint(TCGenPoint<double>(0.0, 3.0)));
}

TEST(Util, CpuFeaturesAgreeWithTheCompilersDetection)
{
#if defined(__x86_64__)
  const unsigned long long features = TCPxUtil::GetCpuFeatures();
  EXPECT_TRUE(features & Px::CpuFeatureSse2);
  EXPECT_EQ(static_cast<bool>(features & Px::CpuFeatureSse42), static_cast<bool>(__builtin_cpu_supports("sse4.2")));
  EXPECT_EQ(static_cast<bool>(features & Px::CpuFeatureAvx2), static_cast<bool>(__builtin_cpu_supports("avx2")));
  EXPECT_EQ(static_cast<bool>(features & Px::CpuFeatureAvx512f),
            static_cast<bool>(__builtin_cpu_supports("avx512f")));
#endif
}

TEST(Util, SetIppNumThreadsSetsTheWorkerCount)
{
  TCPxUtil::SetIppNumThreads(1);
  EXPECT_EQ(cv::getNumThreads(), 1);
  TCPxUtil::SetIppNumThreads(0);
  EXPECT_GE(cv::getNumThreads(), 1);
}
