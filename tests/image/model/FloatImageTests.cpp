#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPxAvrImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/pixolan.h>

#include "ImageTestSupport.h"

using pxtest::Full;
using pxtest::FillRandom;
using pxtest::Same;

namespace
{
const float kNaN = std::numeric_limits<float>::quiet_NaN();

const TCGenRect<int> kRoi(2, 1, 7, 5); // 5 x 4 inside a 9 x 7 image
} // namespace

// ---- construction and copies --------------------------------------------------------------------
TEST(FloatImage, ConstructionPadsRowsAndCountsRoiOffsetInElements)
{
  TCPxFloatImage image(64, 3);
  EXPECT_EQ(image.GetImageType(), ImageTypeFloat);
  EXPECT_EQ(image.GetPixelSize(), 4);
  EXPECT_EQ(image.GetNrChannels(), 1);
  EXPECT_EQ(image.GetStepSize(), 256);
  EXPECT_EQ(image.GetBufferSize(), 3 * 256);
  image.SetROI(TCGenRect<int>(3, 2, 10, 3));
  EXPECT_EQ(image.GetROIOffset(), 131);
  TCPxFloatImage odd(5, 2);
  EXPECT_EQ(odd.GetStepSize() % 32, 0);
  EXPECT_GE(odd.GetStepSize(), 20);
}

TEST(FloatImage, BadSizesThrowBeforeAllocation)
{
  EXPECT_THROW(TCPxFloatImage(0, 5), std::invalid_argument);
  EXPECT_THROW(TCPxFloatImage(5, -1), std::invalid_argument);
  EXPECT_THROW(TCPxFloatImage(INT_MAX, 2), std::length_error);
  EXPECT_THROW(TCPxFloatImage(100000, 100000), std::length_error);
  EXPECT_THROW(TCPxAvrImage(-3, 3), std::invalid_argument);
}

TEST(FloatImage, CopiesAreDeepAndKeepTheRoi)
{
  TCPxFloatImage source(9, 7);
  FillRandom(source, 1);
  source.SetROI(kRoi);
  TCPxFloatImage copy(source);
  EXPECT_EQ(copy.GetROI().GetLeft(), 2);
  EXPECT_EQ(copy.GetROI().GetBottom(), 5);
  EXPECT_TRUE(Same(Full(copy), Full(source)));
  EXPECT_NE(copy.GetBuffer(), source.GetBuffer());
  copy.Fill(0.0f);
  EXPECT_NE(source.GetPixel(0, 0), 0.0f);

  std::unique_ptr<TCPxImageBase> clone(source.Clone());
  ASSERT_NE(dynamic_cast<TCPxFloatImage*>(clone.get()), nullptr);
  EXPECT_TRUE(Same(Full(*clone), Full(source)));
  std::unique_ptr<TCPxImageBase> fresh(source.Create(3, 4));
  EXPECT_EQ(fresh->GetImageType(), ImageTypeFloat);
  EXPECT_EQ(fresh->GetWidth(), 3);
  EXPECT_EQ(fresh->CountNonZero(), 0);
}

TEST(FloatImage, GreyConstructorConvertsTheWholeImage)
{
  TCPx8bitImage grey(6, 4);
  FillRandom(grey, 2);
  grey.SetROI(TCGenRect<int>(1, 1, 3, 3));
  TCPxFloatImage image(grey);
  cv::Mat expected;
  Full(grey).convertTo(expected, CV_32F);
  EXPECT_TRUE(Same(Full(image), expected));
  EXPECT_EQ(image.GetROI().GetRight(), 3);
}

TEST(FloatImage, AssignmentCopiesRoiToRoiAndGreyToTheFirstPixel)
{
  TCPxFloatImage a(6, 6), b(8, 8);
  b.Fill(4.0f);
  b.SetROI(TCGenRect<int>(2, 2, 4, 5)); // 2 x 3
  a.SetROI(TCGenRect<int>(1, 0, 3, 3)); // 2 x 3
  a = b;
  EXPECT_EQ(a.CountNonZero(), 6);
  EXPECT_EQ(a.GetPixelFast(1, 0), 4.0f);
  EXPECT_EQ(a.GetPixelFast(0, 0), 0.0f);
  EXPECT_EQ(a.GetROI().GetLeft(), 1); // the ROI itself is kept

  TCPx8bitImage grey(4, 4);
  grey.Fill(7);
  grey.SetPixel(2, 2, 9);
  grey.SetROI(TCGenRect<int>(2, 2, 4, 4));
  TCPxFloatImage c(5, 5);
  c.SetROI(TCGenRect<int>(3, 3, 5, 5));
  c = grey;
  EXPECT_EQ(c.GetPixelFast(0, 0), 9.0f); // written from the first pixel, not at the ROI
  EXPECT_EQ(c.GetPixelFast(1, 1), 7.0f);
  EXPECT_EQ(c.GetPixelFast(3, 3), 0.0f);

  TCPx8bitImage big(9, 9);
  EXPECT_THROW(c = big, std::invalid_argument);
}

TEST(FloatImage, Copy16uBufferFillsTheRoiAndNeverReadsPastTheSource)
{
  TCPxFloatImage image(6, 5);
  image.SetROI(TCGenRect<int>(1, 1, 4, 3)); // 3 x 2
  // Rows of 4 values (8 bytes); only the first 3 of each row are read.
  const unsigned short src[] = {0, 1, 65535, 999, 10, 20, 30, 999};
  image.Copy16uBuffer(src, 8);
  EXPECT_EQ(image.GetPixel(2, 0), 65535.0f);
  EXPECT_EQ(image.GetPixel(0, 1), 10.0f);
  EXPECT_EQ(image.GetPixelFast(4, 1), 0.0f);
  EXPECT_EQ(image.GetPixelFast(0, 0), 0.0f);

  image.Fill(-1.0f);
  image.Copy16uBuffer(src, 8, 13); // needs 8 + 6 = 14 bytes
  EXPECT_EQ(image.GetPixel(0, 0), -1.0f);
  image.Copy16uBuffer(src, 8, 14);
  EXPECT_EQ(image.GetPixel(2, 1), 30.0f);
  image.Copy16uBuffer(nullptr, 8);
  image.Copy16uBuffer(src, 4); // stride shorter than a row
  EXPECT_EQ(image.GetPixel(2, 1), 30.0f);
}

TEST(FloatImage, StreamWritesEightDigitsAndRestoresPrecision)
{
  TCPxFloatImage image(2, 2);
  image.SetPixelFast(0, 0, 1.0f);
  image.SetPixelFast(1, 0, 1.0f / 3.0f);
  image.SetPixelFast(0, 1, -2.5f);
  image.SetPixelFast(1, 1, 123456789.0f);
  image.SetROI(TCGenRect<int>(1, 1, 2, 2)); // the whole image is written anyway
  std::ostringstream out;
  out.precision(3);
  out << image;
  EXPECT_EQ(out.str(), "1,0.33333334\n-2.5,1.2345679e+08\n");
  EXPECT_EQ(out.precision(), 3);
}

// ---- pixel access -----------------------------------------------------------------------------------
TEST(FloatImage, PixelAccessorsUseTheirCoordinateSystems)
{
  TCPxFloatImage image(9, 7);
  image.SetROI(kRoi);
  try
  {
    image.GetPixel(5, 0);
    FAIL();
  }
  catch (const std::range_error& e)
  {
    EXPECT_STREQ(e.what(), "x,y should lie in the ROI");
  }
  EXPECT_THROW(image.GetPixel(-1, 0), std::range_error);
  image.SetPixel(0, 4, 3.0f); // outside: ignored
  EXPECT_EQ(image.CountNonZero(), 0);
  image.SetPixel(1, 2, 3.5f);
  EXPECT_EQ(image.GetPixelFast(3, 3), 3.5f);
  image.SetPixelFast(0, 0, 1.5f); // whole-image coordinates
  EXPECT_EQ(Full(image).at<float>(0, 0), 1.5f);
}

// ---- arithmetic -------------------------------------------------------------------------------------
TEST(FloatImage, ImageOperatorsWorkOnTheRoiWithTheOperandFromItsRoi)
{
  TCPxFloatImage a(9, 7), b(8, 8);
  FillRandom(a, 3);
  FillRandom(b, 4);
  a.SetROI(kRoi);
  b.SetROI(TCGenRect<int>(3, 4, 8, 8));
  const cv::Mat before = Full(a).clone();
  const cv::Mat bRoi = *b.GetMatPtr();

  struct Case
  {
    void (*ours)(TCPxFloatImage&, const TCPxFloatImage&);
    void (*theirs)(const cv::Mat&, const cv::Mat&, cv::Mat&);
  };
  const Case cases[] = {
      {[](TCPxFloatImage& x, const TCPxFloatImage& y) { x += y; },
       [](const cv::Mat& p, const cv::Mat& q, cv::Mat& r) { cv::add(p, q, r); }},
      {[](TCPxFloatImage& x, const TCPxFloatImage& y) { x -= y; },
       [](const cv::Mat& p, const cv::Mat& q, cv::Mat& r) { cv::subtract(p, q, r); }},
      {[](TCPxFloatImage& x, const TCPxFloatImage& y) { x *= y; },
       [](const cv::Mat& p, const cv::Mat& q, cv::Mat& r) { cv::multiply(p, q, r); }},
      {[](TCPxFloatImage& x, const TCPxFloatImage& y) { x.Max(y); },
       [](const cv::Mat& p, const cv::Mat& q, cv::Mat& r) { r = cv::max(p, q); }},
  };
  for (const Case& c : cases)
  {
    TCPxFloatImage x(a);
    c.ours(x, b);
    cv::Mat expected = before.clone();
    cv::Mat part = expected(cv::Rect(2, 1, 5, 4));
    cv::Mat result;
    c.theirs(part, bRoi, result);
    result.copyTo(part);
    EXPECT_TRUE(Same(Full(x), expected));
  }
  TCPxFloatImage small(4, 4);
  EXPECT_THROW(a += small, std::invalid_argument);
  EXPECT_THROW(a.Max(small), std::invalid_argument);
}

TEST(FloatImage, WholeImageOperationsRefuseOperandsTooSmall)
{
  TCPxFloatImage a(7, 5), b(7, 5), wide(20, 6), dst(7, 5);
  FillRandom(a, 5);
  FillRandom(b, 6, 0.5f, 2.0f);
  FillRandom(wide, 7);
  dst.SetROI(TCGenRect<int>(1, 1, 2, 2)); // ignored: whole images
  cv::Mat expected;

  dst.Sum(a, b);
  cv::add(Full(a), Full(b), expected);
  EXPECT_TRUE(Same(Full(dst), expected));
  dst.Sub(a, b);
  cv::subtract(Full(a), Full(b), expected);
  EXPECT_TRUE(Same(Full(dst), expected));
  dst.Prod(a, b);
  cv::multiply(Full(a), Full(b), expected);
  EXPECT_TRUE(Same(Full(dst), expected));
  dst.Div(a, b);
  cv::divide(Full(a), Full(b), expected);
  EXPECT_TRUE(Same(Full(dst), expected));

  // A larger operand is read from its first pixel with its own stride.
  dst.Sum(wide, a);
  cv::add(Full(wide)(cv::Rect(0, 0, 7, 5)), Full(a), expected);
  EXPECT_TRUE(Same(Full(dst), expected));

  TCPxFloatImage small(7, 4);
  EXPECT_THROW(dst.Sum(a, small), std::invalid_argument);
  EXPECT_THROW(dst.Div(small, a), std::invalid_argument);
  EXPECT_THROW(dst /= small, std::invalid_argument);
}

TEST(FloatImage, DivisionIsWholeImageWithIeeeResults)
{
  TCPxFloatImage a(3, 2), b(3, 2);
  a.Fill(6.0f);
  a.SetPixelFast(1, 0, 0.0f);
  a.SetPixelFast(2, 0, -1.0f);
  b.Fill(3.0f);
  b.SetPixelFast(0, 0, 0.0f);
  b.SetPixelFast(1, 0, 0.0f);
  b.SetPixelFast(2, 0, 0.0f);
  a.SetROI(TCGenRect<int>(0, 1, 1, 2)); // ignored
  a /= b;
  EXPECT_EQ(a.GetPixelFast(0, 0), std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(a.GetPixelFast(1, 0)));
  EXPECT_EQ(a.GetPixelFast(2, 0), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(a.GetPixelFast(2, 1), 2.0f);
}

TEST(FloatImage, ConstantOperatorsStayInTheRoi)
{
  TCPxFloatImage image(5, 5);
  image.Fill(3.0f);
  image.SetROI(TCGenRect<int>(1, 1, 3, 3));
  image -= 2.5f;
  EXPECT_EQ(image.GetPixel(0, 0), 0.5f);
  EXPECT_EQ(image.GetPixelFast(0, 0), 3.0f);
  image += -0.5f;
  EXPECT_EQ(image.GetPixel(1, 1), 0.0f);
  image.Fill(3.0f);
  image /= 4.0f;
  EXPECT_EQ(image.GetPixel(1, 0), 0.75f);
  image.Fill(1.0f);
  image /= 3.0f; // multiplies by 1/3 rounded to single
  EXPECT_EQ(image.GetPixel(0, 1), static_cast<float>(1.0 / 3.0));
  image *= 6.0f;
  EXPECT_EQ(image.GetPixel(0, 1), static_cast<float>(1.0 / 3.0) * 6.0f);
  EXPECT_EQ(image.GetPixelFast(4, 4), 3.0f);
}

TEST(FloatImage, OrCombinesBitPatterns)
{
  TCPxFloatImage a(2, 1), b(2, 1);
  a.SetPixelFast(0, 0, 1.0f);  // 0x3F800000
  b.SetPixelFast(0, 0, -0.0f); // 0x80000000
  b.SetPixelFast(1, 0, 2.0f);
  a |= b;
  EXPECT_EQ(a.GetPixelFast(0, 0), -1.0f);
  EXPECT_EQ(a.GetPixelFast(1, 0), 2.0f);
}

TEST(FloatImage, ElementFunctionsMatchTheLibraryMath)
{
  TCPxFloatImage image(6, 4);
  FillRandom(image, 8, 0.1f, 1.4f);
  image.SetROI(TCGenRect<int>(1, 1, 5, 3));
  struct Case
  {
    void (TCPxFloatImage::*op)();
    float (*f)(float);
  };
  const Case cases[] = {{&TCPxFloatImage::Abs, [](float v) { return std::fabs(v); }},
                        {&TCPxFloatImage::Sqr, [](float v) { return v * v; }},
                        {&TCPxFloatImage::Sqrt, [](float v) { return std::sqrt(v); }},
                        {&TCPxFloatImage::Exp, [](float v) { return std::exp(v); }},
                        {&TCPxFloatImage::Log, [](float v) { return std::log(v); }},
                        {&TCPxFloatImage::Tan, [](float v) { return std::tan(v); }}};
  for (const Case& c : cases)
  {
    TCPxFloatImage x(image);
    (x.*c.op)();
    for (int y = 0; y < 4; ++y)
      for (int xx = 0; xx < 6; ++xx)
      {
        const bool inRoi = xx >= 1 && xx < 5 && y >= 1 && y < 3;
        const float v = image.GetPixelFast(xx, y);
        EXPECT_FLOAT_EQ(x.GetPixelFast(xx, y), inRoi ? c.f(v) : v);
      }
  }
}

TEST(FloatImage, PowIsExpOfScaledLog)
{
  TCPxFloatImage image(4, 1);
  image.SetPixelFast(0, 0, 3.0f);
  image.SetPixelFast(1, 0, 0.0f);
  image.SetPixelFast(2, 0, -2.0f);
  image.SetPixelFast(3, 0, 16.0f);
  image.Pow(2.0);
  EXPECT_NEAR(image.GetPixelFast(0, 0), 9.0f, 1e-5);
  EXPECT_EQ(image.GetPixelFast(1, 0), 0.0f);
  EXPECT_TRUE(std::isnan(image.GetPixelFast(2, 0)));
  image.Pow(0.25);
  EXPECT_NEAR(image.GetPixelFast(3, 0), 4.0f, 1e-5);
}

TEST(FloatImage, NormalizeMapsTheRangeOntoZeroToOne)
{
  TCPxFloatImage image(5, 2);
  for (int x = 0; x < 5; ++x)
    image.SetPixelFast(x, 0, 2.0f + x);
  image.SetPixelFast(0, 1, 100.0f);
  image.SetROI(TCGenRect<int>(0, 0, 5, 1));
  image.Normalize();
  for (int x = 0; x < 5; ++x)
    EXPECT_FLOAT_EQ(image.GetPixel(x, 0), 0.25f * x);
  EXPECT_EQ(image.GetPixelFast(0, 1), 100.0f);

  TCPxFloatImage flat(3, 3);
  flat.Fill(7.0f);
  flat.Normalize();
  EXPECT_EQ(flat.GetPixel(1, 1), 7.0f);
}

// ---- set and clamp ------------------------------------------------------------------------------------
TEST(FloatImage, MaskedSetCoversTheWholeImageWithTheMaskFromItsStart)
{
  TCPxFloatImage image(4, 3);
  image.SetROI(TCGenRect<int>(1, 1, 2, 2)); // ignored
  TCPx8bitImage mask(5, 3);
  mask.SetPixelFast(0, 0, 1);
  mask.SetPixelFast(3, 2, 200);
  mask.SetPixelFast(4, 2, 1); // beyond this image's width
  mask.SetROI(TCGenRect<int>(1, 1, 3, 3)); // ignored: read from the buffer start
  image.Set(5.0f, mask);
  EXPECT_EQ(image.GetPixelFast(0, 0), 5.0f);
  EXPECT_EQ(image.GetPixelFast(3, 2), 5.0f);
  EXPECT_EQ(Full(image).at<float>(1, 1), 0.0f);
  EXPECT_EQ(cv::countNonZero(Full(image)), 2);
  TCPx8bitImage small(4, 2);
  EXPECT_THROW(image.Set(1.0f, small), std::invalid_argument);
}

TEST(FloatImage, ClampsCoverTheWholeImageAndKeepNaN)
{
  TCPxFloatImage image(4, 1);
  image.SetPixelFast(0, 0, -5.0f);
  image.SetPixelFast(1, 0, 5.0f);
  image.SetPixelFast(2, 0, kNaN);
  image.SetPixelFast(3, 0, 1.0f);
  image.SetROI(TCGenRect<int>(3, 0, 4, 1));
  image.SetMaximumValue(2.0f);
  image.SetMinimumValue(-1.0f, 9.0f);
  EXPECT_EQ(image.GetPixelFast(0, 0), 9.0f);
  EXPECT_EQ(image.GetPixelFast(1, 0), 2.0f);
  EXPECT_TRUE(std::isnan(image.GetPixelFast(2, 0)));
  EXPECT_EQ(image.GetPixelFast(3, 0), 1.0f);
  image.SetMaximumValue(1.0f, 0.0f); // strictly greater only
  EXPECT_EQ(image.GetPixelFast(3, 0), 1.0f);
  EXPECT_EQ(image.GetPixelFast(1, 0), 0.0f);
  image.SetMinimumValue(0.5f);
  EXPECT_EQ(image.GetPixelFast(1, 0), 0.5f);
}

// ---- sub-pixel, drawing and geometry -------------------------------------------------------------------
TEST(FloatImage, SubPixelInterpolatesIntoThePatchRoi)
{
  TCPxFloatImage image(4, 4);
  image.SetROI(TCGenRect<int>(1, 1, 4, 4));
  image.SetPixel(0, 0, 0.0f);
  image.SetPixel(1, 0, 10.0f);
  image.SetPixel(0, 1, 20.0f);
  image.SetPixel(1, 1, 30.0f);
  TCPxFloatImage patch(1, 1);
  EXPECT_FLOAT_EQ(image.GetSubPixel(0.5, 0.0, &patch), 5.0f);
  EXPECT_FLOAT_EQ(image.GetSubPixel(0.5, 0.5, &patch), 15.0f);

  TCPxFloatImage larger(3, 3);
  larger.SetROI(TCGenRect<int>(2, 2, 3, 3));
  EXPECT_FLOAT_EQ(image.GetSubPixel(0.0, 0.5, &larger), 10.0f);
  EXPECT_FLOAT_EQ(larger.GetPixelFast(2, 2), 10.0f);
  EXPECT_EQ(larger.GetPixelFast(0, 0), 0.0f);
  EXPECT_TRUE(std::isnan(image.GetSubPixel(0.0, 0.0, nullptr)));
}

TEST(FloatImage, DrawingMatchesOpenCvInTheRoi)
{
  TCPxFloatImage image(20, 16);
  image.SetROI(TCGenRect<int>(3, 2, 18, 14));
  cv::Mat expected = Full(image).clone();
  cv::Mat roi = expected(cv::Rect(3, 2, 15, 12));

  image.Line(TCGenPoint<double>(0.5, 1.5), TCGenPoint<double>(10.4, 7.6), 2.5f, 1);
  cv::line(roi, cv::Point(0, 2), cv::Point(10, 8), cv::Scalar(2.5), 1, cv::LINE_8);
  image.Rectangle(TCGenRect<int>(1, 1, 4, 3), -1.0f, -1);
  cv::rectangle(roi, cv::Point(1, 1), cv::Point(4, 3), cv::Scalar(-1.0), -1, cv::LINE_8);
  image.FillConvexPoly({TCGenPoint<double>(8.9, 1.2), TCGenPoint<double>(12.7, 1.9), TCGenPoint<double>(10.5, 5.99)},
                       4.0f);
  const cv::Point tri[] = {{8, 1}, {12, 1}, {10, 5}};
  cv::fillConvexPoly(roi, tri, 3, cv::Scalar(4.0), cv::LINE_8);
  const std::vector<cv::Point> outline{{2, 6}, {7, 6}, {7, 10}, {2, 10}};
  auto contour = std::make_shared<TCPxContour>(outline);
  image.DrawContours({contour, nullptr}, 7.0f, true, 1);
  cv::drawContours(roi, std::vector<std::vector<cv::Point>>{outline}, 0, cv::Scalar(7.0), cv::FILLED);
  image.DrawContour(nullptr, 9.0f, false, 1);
  EXPECT_TRUE(Same(Full(image), expected));
  EXPECT_EQ(image.GetPixelFast(0, 0), 0.0f);
}

TEST(FloatImage, MirrorFlipsOnlyTheRoi)
{
  TCPxFloatImage image(5, 4);
  FillRandom(image, 9);
  const cv::Mat before = Full(image).clone();
  image.SetROI(TCGenRect<int>(1, 1, 4, 4));
  image.Mirror(true);
  cv::Mat expected = before.clone();
  cv::Mat part = expected(cv::Rect(1, 1, 3, 3));
  cv::flip(before(cv::Rect(1, 1, 3, 3)), part, 0);
  EXPECT_TRUE(Same(Full(image), expected));
  image.Mirror(false);
  cv::flip(part.clone(), part, 1);
  EXPECT_TRUE(Same(Full(image), expected));
}

TEST(FloatImage, CircShiftRotatesTheWholeImage)
{
  TCPxFloatImage rows(2, 3);
  for (int y = 0; y < 3; ++y)
    rows.SetPixelFast(0, y, static_cast<float>(y));
  rows.SetROI(TCGenRect<int>(0, 0, 1, 1)); // ignored
  rows.CircShift(1, 0);
  EXPECT_EQ(rows.GetPixelFast(0, 0), 2.0f);
  EXPECT_EQ(rows.GetPixelFast(0, 1), 0.0f);
  EXPECT_EQ(rows.GetPixelFast(0, 2), 1.0f);
  TCPxFloatImage a(rows), b(rows), c(rows);
  a.CircShift(-1, 0);
  b.CircShift(2, 0);
  EXPECT_TRUE(a == b);
  c.CircShift(3, 0);
  EXPECT_TRUE(c == rows);

  TCPxFloatImage image(7, 6);
  FillRandom(image, 10);
  const cv::Mat before = Full(image).clone();
  const int shifts[][2] = {{0, 3}, {4, 0}, {2, 5}, {-7, -9}, {13, 20}, {6, 7}};
  for (const auto& s : shifts)
  {
    TCPxFloatImage x(image);
    x.CircShift(s[0], s[1]);
    for (int y = 0; y < 6; ++y)
      for (int xx = 0; xx < 7; ++xx)
      {
        const int ty = ((y + s[0]) % 6 + 6) % 6, tx = ((xx + s[1]) % 7 + 7) % 7;
        ASSERT_EQ(x.GetPixelFast(tx, ty), before.at<float>(y, xx)) << s[0] << "," << s[1];
      }
  }
}

TEST(FloatImage, WarpAffineQuadMovesThePixelsOfTheQuadrangle)
{
  TCPxFloatImage source(6, 6);
  FillRandom(source, 11, 0.0f, 1.0f);
  TCPxFloatImage target(12, 12);
  target.Fill(-1.0f);
  using P = TCGenPoint<double>;
  // Scale by 2 and shift by (1, 2): source (x, y) lands at (2x + 1, 2y + 2).
  source.WarpAffineQuad({P(0, 0), P(4, 0), P(4, 4), P(0, 4)}, {P(1, 2), P(9, 2), P(9, 10), P(1, 10)}, &target);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
    {
      const float v = target.GetPixelFast(x, y);
      if (x < 1 || x > 9 || y < 2 || y > 10)
      {
        EXPECT_EQ(v, -1.0f) << x << "," << y;
        continue;
      }
      const double u = (x - 1) / 2.0, w = (y - 2) / 2.0;
      const int iu = static_cast<int>(u), iw = static_cast<int>(w);
      const int ju = std::min(iu + 1, 5), jw = std::min(iw + 1, 5);
      const double fu = u - iu, fw = w - iw;
      const double top = source.GetPixelFast(iu, iw) * (1 - fu) + source.GetPixelFast(ju, iw) * fu;
      const double bottom = source.GetPixelFast(iu, jw) * (1 - fu) + source.GetPixelFast(ju, jw) * fu;
      EXPECT_NEAR(v, top * (1 - fw) + bottom * fw, 1e-6) << x << "," << y;
    }
  // Degenerate or missing corners change nothing.
  TCPxFloatImage untouched(target);
  source.WarpAffineQuad({P(0, 0), P(1, 1), P(2, 2), P(0, 4)}, {P(0, 0), P(4, 0), P(4, 4), P(0, 4)}, &target);
  source.WarpAffineQuad({P(0, 0), P(1, 1)}, {P(0, 0), P(4, 0)}, &target);
  source.WarpAffineQuad({P(0, 0), P(4, 0), P(4, 4), P(0, 4)}, {P(1, 2), P(9, 2), P(9, 10), P(1, 10)}, nullptr);
  EXPECT_TRUE(target == untouched);
}

// ---- statistics ----------------------------------------------------------------------------------------
TEST(FloatImage, RoiStatisticsMatchOpenCv)
{
  TCPxFloatImage image(9, 7);
  FillRandom(image, 12);
  image.SetROI(kRoi);
  const cv::Mat roi = Full(image)(cv::Rect(2, 1, 5, 4));
  cv::Scalar m, s;
  cv::meanStdDev(roi, m, s);
  EXPECT_NEAR(image.Sum(), cv::sum(roi)[0], 1e-9);
  EXPECT_NEAR(image.Mean(), m[0], 1e-6); // OpenCV sums floats in float here
  double mean = 0, std = 0;
  image.MeanStd(&mean, &std);
  EXPECT_NEAR(std, s[0], 1e-9);

  double lo, hi;
  cv::Point loAt, hiAt;
  cv::minMaxLoc(roi, &lo, &hi, &loAt, &hiAt);
  EXPECT_EQ(image.GetMaximumValue(), static_cast<float>(hi));
  EXPECT_EQ(image.GetMinimumValue(), static_cast<float>(lo));
  const auto maxAt = image.GetMaximumValueAndPos();
  EXPECT_EQ(maxAt.second.GetX(), hiAt.x);
  EXPECT_EQ(maxAt.second.GetY(), hiAt.y);
  EXPECT_EQ(image.GetMinimumValueAndPos().second.GetX(), loAt.x);

  TCPx8bitImage mask(5, 4);
  mask.SetPixelFast(0, 0, 1);
  mask.SetPixelFast(4, 3, 1);
  image.MeanStd(&mean, &std, mask);
  const float p = image.GetPixel(0, 0), q = image.GetPixel(4, 3);
  EXPECT_NEAR(mean, (p + q) / 2.0, 1e-6);
  EXPECT_NEAR(std, std::fabs(p - q) / 2.0, 1e-6);
}

TEST(FloatImage, MaskedMinMaxLooksTheMaskUpAtWholeImageCoordinates)
{
  TCPxFloatImage image(6, 6);
  FillRandom(image, 13);
  image.SetROI(TCGenRect<int>(1, 1, 4, 4));
  TCPx8bitImage mask(6, 6);
  const auto none = image.GetMinMaxValue(mask);
  EXPECT_EQ(none.first, 3.4028235e38f);
  EXPECT_EQ(none.second, -3.4028235e38f);
  mask.SetPixelFast(2, 3, 1);
  mask.SetPixelFast(3, 1, 1);
  mask.SetPixelFast(0, 0, 1); // outside this ROI: not looked at
  const auto r = image.GetMinMaxValue(mask);
  const float a = image.GetPixelFast(2, 3), b = image.GetPixelFast(3, 1);
  EXPECT_EQ(r.first, std::min(a, b));
  EXPECT_EQ(r.second, std::max(a, b));
  mask.SetROI(TCGenRect<int>(0, 0, 3, 4));
  EXPECT_THROW(image.GetMinMaxValue(mask), std::range_error);
}

TEST(FloatImage, NaNStatisticsSkipNaN)
{
  TCPxFloatImage image(3, 2);
  image.SetPixelFast(0, 0, 1.0f);
  image.SetPixelFast(1, 0, kNaN);
  image.SetPixelFast(2, 0, 3.0f);
  image.SetPixelFast(0, 1, -100.0f);
  image.SetROI(TCGenRect<int>(0, 0, 3, 1));
  double mean = 0, std = 0;
  image.NaNMeanStd(&mean, &std);
  EXPECT_DOUBLE_EQ(mean, 2.0);
  EXPECT_NEAR(std, 1.41421356, 1e-8);
  image.NaNMeanStd(&mean, nullptr);
  EXPECT_DOUBLE_EQ(mean, 2.0);
  image.SetPixelFast(0, 0, -1.0f);
  EXPECT_DOUBLE_EQ(image.NaNMeanAbs(), 2.0);

  image.SetROI(TCGenRect<int>(1, 0, 3, 1)); // NaN and 3
  image.NaNMeanStd(&mean, &std);
  EXPECT_DOUBLE_EQ(mean, 3.0);
  EXPECT_TRUE(std::isnan(std));
  image.SetROI(TCGenRect<int>(1, 0, 2, 1)); // only NaN
  image.NaNMeanStd(&mean, &std);
  EXPECT_TRUE(std::isnan(mean));
  EXPECT_TRUE(std::isnan(std));
  EXPECT_TRUE(std::isnan(image.NaNMeanAbs()));
  image.SetROI(TCGenRect<int>(1, 0, 1, 1)); // empty
  EXPECT_TRUE(std::isnan(image.NaNMeanAbs()));
}

TEST(FloatImage, NaNStdStaysAccurateForLargeOffsets)
{
  TCPxFloatImage image(100, 10);
  std::vector<double> values;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 100; ++x)
    {
      const float v = 10000.0f + static_cast<float>((x * 7 + y * 3) % 11) * 0.125f;
      image.SetPixelFast(x, y, v);
      values.push_back(v);
    }
  double m = 0;
  for (double v : values)
    m += v;
  m /= values.size();
  double ss = 0;
  for (double v : values)
    ss += (v - m) * (v - m);
  double mean = 0, std = 0;
  image.NaNMeanStd(&mean, &std);
  EXPECT_NEAR(mean, m, 1e-9);
  EXPECT_NEAR(std, std::sqrt(ss / (values.size() - 1)), 1e-6);
}

TEST(FloatImage, NonZeroSearchesReportSentinelsAndInclusiveBounds)
{
  TCPxFloatImage image(10, 12);
  EXPECT_EQ(image.FindFirstNonZeroRow(), 4294967295ULL);
  EXPECT_EQ(image.FindLastNonZeroRow(), 4294967295ULL);
  const TCGenRect<int> none = image.FindNonZeroRect();
  EXPECT_EQ(none.GetLeft(), INT_MAX);
  EXPECT_EQ(none.GetTop(), INT_MAX);
  EXPECT_EQ(none.GetRight(), INT_MAX);
  EXPECT_EQ(none.GetBottom(), INT_MAX);

  image.SetPixelFast(4, 7, 0.5f);
  TCGenRect<int> r = image.FindNonZeroRect();
  EXPECT_EQ(r.GetLeft(), 4);
  EXPECT_EQ(r.GetTop(), 7);
  EXPECT_EQ(r.GetRight(), 4);
  EXPECT_EQ(r.GetBottom(), 7);

  image.SetPixelFast(8, 2, kNaN); // NaN counts as non-zero
  image.SetPixelFast(1, 9, -0.0f); // negative zero does not
  image.SetPixelFast(0, 10, 1.0f);
  image.SetROI(TCGenRect<int>(1, 1, 9, 12)); // column 0 lies outside
  EXPECT_EQ(image.FindFirstNonZeroRow(), 2u);
  EXPECT_EQ(image.FindLastNonZeroRow(), 7u);
  r = image.FindNonZeroRect();
  EXPECT_EQ(r.GetLeft(), 4);
  EXPECT_EQ(r.GetTop(), 2);
  EXPECT_EQ(r.GetRight(), 8);
  EXPECT_EQ(r.GetBottom(), 7);
}

// ---- running average ---------------------------------------------------------------------------------
TEST(AvrImage, RunningAverageFollowsAccumulateWeighted)
{
  TCPx8bitImage frame(8, 6), mask(8, 6);
  FillRandom(frame, 14);
  TCPxAvrImage average(frame);
  EXPECT_EQ(average.GetImageType(), ImageTypeFloat);
  EXPECT_EQ(average.GetPixelFast(3, 3), static_cast<float>(frame.GetPixelFast(3, 3)));

  TCPx8bitImage next(8, 6);
  FillRandom(next, 15);
  cv::Mat expected = Full(average).clone();
  average.RunningAvr(next, 0.25, nullptr);
  cv::accumulateWeighted(Full(next), expected, 0.25);
  EXPECT_TRUE(Same(Full(average), expected));

  TCPxAvrImage copy(average);
  copy.RunningAvr(next, 0.0, nullptr);
  EXPECT_TRUE(copy == average);
  copy.RunningAvr(next, 1.0, nullptr);
  cv::Mat nextFloat;
  Full(next).convertTo(nextFloat, CV_32F);
  EXPECT_TRUE(Same(Full(copy), nextFloat));

  // Float frames, a mask and ROIs of equal size.
  TCPxFloatImage floatFrame(10, 10);
  floatFrame.Fill(100.0f);
  floatFrame.SetROI(TCGenRect<int>(2, 2, 6, 5));
  mask.SetROI(TCGenRect<int>(0, 0, 4, 3));
  mask.SetPixel(1, 1, 255);
  average.SetROI(TCGenRect<int>(4, 3, 8, 6));
  const cv::Mat before = Full(average).clone();
  average.RunningAvr(floatFrame, 0.5, &mask);
  EXPECT_FLOAT_EQ(average.GetPixel(1, 1), 0.5f * before.at<float>(4, 5) + 50.0f);
  average.SetPixel(1, 1, before.at<float>(4, 5));
  EXPECT_TRUE(Same(Full(average), before));

  TCPxFloatImage wrongSize(3, 3);
  EXPECT_THROW(average.RunningAvr(wrongSize, 0.5, nullptr), cv::Exception);
}

TEST(AvrImage, CopiesAreFloatImages)
{
  TCPxAvrImage average(4, 4);
  average.Fill(2.0f);
  std::unique_ptr<TCPxImageBase> clone(average.Clone());
  EXPECT_EQ(dynamic_cast<TCPxAvrImage*>(clone.get()), nullptr);
  EXPECT_NE(dynamic_cast<TCPxFloatImage*>(clone.get()), nullptr);
  EXPECT_TRUE(*clone == average);
  TCPxAvrImage other(4, 4);
  other = average;
  EXPECT_EQ(other.GetPixel(3, 3), 2.0f);
  TCPxFloatImage plain(4, 4);
  plain.Fill(6.0f);
  TCPxAvrImage fromFloat(plain);
  EXPECT_EQ(fromFloat.GetPixel(0, 0), 6.0f);
}
