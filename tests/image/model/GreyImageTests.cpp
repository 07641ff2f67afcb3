#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

#include "ImageTestSupport.h"

using pxtest::Full;
using pxtest::FillRandom;

namespace
{
TCPx8bitImage Filled(int w, int h, unsigned char v)
{
  TCPx8bitImage image(w, h);
  image.Fill(v);
  return image;
}

} // namespace

TEST(GreyImage, PixelAccessorsUseTheirCoordinateSystems)
{
  TCPx8bitImage image(10, 8);
  image.SetROI(TCGenRect<int>(3, 2, 7, 6));
  EXPECT_THROW(image.GetPixel(4, 0), std::range_error);
  EXPECT_THROW(image.GetPixel(0, -1), std::range_error);
  try
  {
    image.GetPixel(0, 4);
    FAIL();
  }
  catch (const std::range_error& e)
  {
    EXPECT_STREQ(e.what(), "x,y should lie in the ROI");
  }
  image.SetPixel(4, 0, 9); // ignored
  EXPECT_EQ(image.CountNonZero(), 0);
  image.SetPixelFast(0, 0, 5);
  EXPECT_EQ(image.GetPixelFast(3, 2), 5); // ROI's first pixel
  EXPECT_EQ(image.GetPixelFast(0, 0), 0); // buffer's first pixel
  image.SetPixel(3, 3, 6);
  EXPECT_EQ(image.GetPixel(3, 3), 6);
  EXPECT_EQ(image.GetPixelFast(6, 5), 6);
}

TEST(GreyImage, ConstantAddCoversTheWholeImageButMultiplyOnlyTheRoi)
{
  TCPx8bitImage image = Filled(6, 6, 100);
  image.SetROI(TCGenRect<int>(1, 1, 3, 3));
  image += 200; // whole image, saturating
  EXPECT_EQ(image.GetPixelFast(5, 5), 255);
  image -= 250;
  EXPECT_EQ(image.GetPixelFast(0, 0), 5);
  image *= 3; // ROI only
  EXPECT_EQ(image.GetPixelFast(1, 1), 15);
  EXPECT_EQ(image.GetPixelFast(0, 0), 5);
  image *= 100;
  EXPECT_EQ(image.GetPixelFast(2, 2), 255);
}

TEST(GreyImage, ImageMultiplyHalvesWithRoundHalfToEven)
{
  TCPx8bitImage a(256, 256), b(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
    {
      a.SetPixelFast(x, y, static_cast<unsigned char>(x));
      b.SetPixelFast(x, y, static_cast<unsigned char>(y));
    }
  a *= b;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
    {
      const double exact = std::nearbyint(x * y / 2.0); // halves to even
      ASSERT_EQ(a.GetPixelFast(x, y), std::min(exact, 255.0)) << x << " x " << y;
    }
  EXPECT_EQ(a.GetPixelFast(3, 1), 2);
  EXPECT_EQ(a.GetPixelFast(5, 1), 2);
  EXPECT_EQ(a.GetPixelFast(10, 10), 50);
  EXPECT_EQ(a.GetPixelFast(200, 200), 255);
}

TEST(GreyImage, ConstantDivideRoundsHalfToEvenAndIgnoresZero)
{
  TCPx8bitImage image(256, 1);
  for (int v = 0; v < 256; ++v)
    image.SetPixelFast(v, 0, static_cast<unsigned char>(v));
  TCPx8bitImage before(image);
  image /= 0;
  EXPECT_TRUE(image == before);
  for (int d : {2, 3, 7, 10, 255})
  {
    TCPx8bitImage work(before);
    work /= static_cast<unsigned char>(d);
    for (int v = 0; v < 256; ++v)
      ASSERT_EQ(work.GetPixelFast(v, 0), std::nearbyint(static_cast<double>(v) / d)) << v << "/" << d;
  }
}

TEST(GreyImage, ImageOperandsAreReadFromTheirBufferStartOverThisRoi)
{
  TCPx8bitImage a = Filled(8, 8, 100);
  TCPx8bitImage b(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      b.SetPixelFast(x, y, static_cast<unsigned char>(10 * x + y));
  b.SetROI(TCGenRect<int>(2, 2, 4, 4)); // ignored by the image operators
  a.SetROI(TCGenRect<int>(4, 4, 8, 8));
  a += b;
  EXPECT_EQ(a.GetPixelFast(4, 4), 100);
  EXPECT_EQ(a.GetPixelFast(7, 6), 100 + 32);
  EXPECT_EQ(a.GetPixelFast(0, 0), 100);
  a -= b;
  a -= b;
  EXPECT_EQ(a.GetPixelFast(7, 6), 100 - 32);

  TCPx8bitImage small(3, 4);
  TCPx8bitImage before(a);
  EXPECT_THROW(a += small, std::invalid_argument);
  EXPECT_THROW(a -= small, std::invalid_argument);
  EXPECT_THROW(a *= small, std::invalid_argument);
  EXPECT_TRUE(a == before);
}

TEST(GreyImage, SubtractAndLogicUseRoiOffsets)
{
  TCPx8bitImage a(6, 6), b(6, 6), out = Filled(6, 6, 1);
  FillRandom(a, 1);
  FillRandom(b, 2);
  a.SetROI(TCGenRect<int>(1, 1, 4, 4));
  b.SetROI(TCGenRect<int>(2, 2, 5, 5));
  out.SetROI(TCGenRect<int>(0, 0, 3, 3));
  out.Subtract(a, b, false);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(out.GetPixel(x, y), std::max(0, a.GetPixel(x, y) - b.GetPixel(x, y)));
  EXPECT_EQ(out.GetPixelFast(4, 4), 1);
  out.Subtract(a, b, true);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(out.GetPixel(x, y), std::abs(a.GetPixel(x, y) - b.GetPixel(x, y)));

  TCPx8bitImage c(a);
  c.SetROI(TCGenRect<int>(0, 0, 3, 3));
  c.And(b);
  EXPECT_EQ(c.GetPixel(2, 1), a.GetPixelFast(2, 1) & b.GetPixel(2, 1));
  c.Or(b);
  c.Not();
  EXPECT_EQ(c.GetPixel(0, 0), static_cast<unsigned char>(~((a.GetPixelFast(0, 0) & b.GetPixel(0, 0)) | b.GetPixel(0, 0))));
  EXPECT_EQ(c.GetPixelFast(5, 5), a.GetPixelFast(5, 5)); // outside the ROI

  TCPx8bitImage d(6, 6);
  FillRandom(d, 3);
  TCPx8bitImage e(d);
  e.Xor(d);
  EXPECT_EQ(cv::countNonZero(Full(e)), 0);
  TCPx8bitImage tooSmall(2, 2);
  EXPECT_THROW(out.Subtract(tooSmall, b, false), std::invalid_argument);
  TCPx8bitImage shifted(6, 6);
  shifted.SetROI(TCGenRect<int>(5, 5, 6, 6)); // ROI offset leaves only one pixel
  EXPECT_THROW(c.And(shifted), std::invalid_argument);
}

TEST(GreyImage, MaskedAndSetAndCopy)
{
  TCPx8bitImage image = Filled(5, 5, 0xF0);
  TCPx8bitImage mask(5, 5);
  mask.SetPixelFast(1, 1, 1);
  mask.SetPixelFast(2, 2, 255);
  image.And(0x3C, mask);
  EXPECT_EQ(image.GetPixelFast(1, 1), 0x30);
  EXPECT_EQ(image.GetPixelFast(0, 0), 0xF0);

  TCPx8bitImage target(5, 5);
  target.Set(7, mask);
  EXPECT_EQ(target.GetPixelFast(2, 2), 7);
  EXPECT_EQ(cv::countNonZero(Full(target)), 2);

  // The rectangle form: rect in whole-image coordinates, mask from its ROI offset.
  TCPx8bitImage other(5, 5);
  mask.SetROI(TCGenRect<int>(1, 1, 5, 5));
  other.Set(9, mask, TCGenRect<int>(3, 3, 5, 5));
  EXPECT_EQ(other.GetPixelFast(3, 3), 9); // mask (1, 1)
  EXPECT_EQ(other.GetPixelFast(4, 4), 9); // mask (2, 2)
  EXPECT_EQ(cv::countNonZero(Full(other)), 2);
  EXPECT_THROW(other.Set(9, mask, TCGenRect<int>(3, 3, 6, 5)), std::invalid_argument);
  EXPECT_THROW(other.Set(9, mask, TCGenRect<int>(0, 0, 5, 5)), std::invalid_argument); // mask too small from (1, 1)

  TCPx8bitImage source = Filled(5, 5, 44);
  TCPx8bitImage copy(5, 5);
  mask.SetFullROI();
  copy.Copy(source, mask);
  EXPECT_EQ(copy.GetPixelFast(1, 1), 44);
  EXPECT_EQ(copy.GetPixelFast(1, 2), 0);
}

TEST(GreyImage, ClampingThresholdsWorkOnTheWholeImage)
{
  TCPx8bitImage image(256, 1);
  for (int v = 0; v < 256; ++v)
    image.SetPixelFast(v, 0, static_cast<unsigned char>(v));
  image.SetROI(TCGenRect<int>(0, 0, 1, 1));
  TCPx8bitImage work(image);
  work.SetMaximumValue(200);
  work.SetMinimumValue(20);
  for (int v = 0; v < 256; ++v)
    ASSERT_EQ(work.GetPixelFast(v, 0), std::clamp(v, 20, 200));
  TCPx8bitImage two(image);
  two.SetMaximumValue(100, 0);
  EXPECT_EQ(two.GetPixelFast(101, 0), 0);
  EXPECT_EQ(two.GetPixelFast(100, 0), 100);
  two.SetMinimumValue(50, 255);
  EXPECT_EQ(two.GetPixelFast(101, 0), 255);
  EXPECT_EQ(two.GetPixelFast(49, 0), 255);
  EXPECT_EQ(two.GetPixelFast(50, 0), 50);
}

TEST(GreyImage, CopyMakeBorderFramesTheWholeImage)
{
  TCPx8bitImage image = Filled(3, 2, 1);
  image.SetROI(TCGenRect<int>(1, 1, 2, 2));
  std::unique_ptr<TCPx8bitImage> bordered(image.CreateCopyMakeBorder(2, 7));
  EXPECT_EQ(bordered->GetWidth(), 7);
  EXPECT_EQ(bordered->GetHeight(), 6);
  EXPECT_EQ(bordered->GetPixelFast(0, 0), 7);
  EXPECT_EQ(bordered->GetPixelFast(6, 5), 7);
  EXPECT_EQ(bordered->GetPixelFast(2, 2), 1);
  EXPECT_EQ(bordered->GetPixelFast(4, 3), 1);
  EXPECT_EQ(cv::sum(Full(*bordered))[0], 6 * 1 + (42 - 6) * 7);
  EXPECT_THROW(image.CreateCopyMakeBorder(-1, 0), std::invalid_argument);
}

TEST(GreyImage, StatisticsOverRoiAndMask)
{
  TCPx8bitImage image(8, 6);
  FillRandom(image, 4);
  image.SetPixelFast(5, 4, 255);
  image.SetPixelFast(6, 4, 255);
  image.SetROI(TCGenRect<int>(2, 1, 8, 6));
  const cv::Mat roi = *image.GetMatPtr();
  EXPECT_EQ(image.Sum(), cv::sum(roi)[0]);
  double lo, hi;
  cv::minMaxLoc(roi, &lo, &hi);
  EXPECT_EQ(image.GetMaximumValue(), 255);
  EXPECT_EQ(image.GetMinimumValue(), lo);
  const auto maxPos = image.GetMaximumValueAndPos();
  EXPECT_EQ(maxPos.second, TCGenPoint<int>(3, 3)); // first in row-major order, ROI-relative
  const auto minPos = image.GetMinimumValueAndPos();
  EXPECT_EQ(image.GetPixel(minPos.second.GetX(), minPos.second.GetY()), minPos.first);

  TCPx8bitImage mask(6, 5);
  EXPECT_EQ(image.GetMaximumValue(mask), 0);
  EXPECT_EQ(image.GetMinimumValue(mask), 255);
  mask.SetPixelFast(0, 0, 1);
  mask.SetPixelFast(4, 3, 1);
  EXPECT_EQ(image.GetMaximumValue(mask), std::max(image.GetPixel(0, 0), image.GetPixel(4, 3)));
  EXPECT_EQ(image.GetMinimumValue(mask), std::min(image.GetPixel(0, 0), image.GetPixel(4, 3)));
  // Rectangle form: (5, 4) is the first pixel of the rectangle, matched with mask (0, 0).
  EXPECT_EQ(image.GetMaximumValue(mask, TCGenRect<int>(5, 4, 7, 6)), 255);
  EXPECT_THROW(image.GetMaximumValue(TCPx8bitImage(2, 2)), std::invalid_argument);

  TCPx8bitImage zero(8, 6);
  image.SetFullROI();
  EXPECT_EQ(image.GetMinMaxValue(zero), (std::pair<unsigned char, unsigned char>(255, 0)));
  zero.SetPixelFast(5, 4, 1);
  EXPECT_EQ(image.GetMinMaxValue(zero), (std::pair<unsigned char, unsigned char>(255, 255)));
  zero.SetROI(TCGenRect<int>(0, 0, 4, 4)); // this ROI reaches beyond the mask's ROI
  EXPECT_THROW(image.GetMinMaxValue(zero), std::range_error);
}

TEST(GreyImage, OtsuThresholds)
{
  TCPx8bitImage image(10, 10), mask(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      image.SetPixelFast(x, y, x < 5 ? 10 : 200);
  mask.Fill(1);
  EXPECT_EQ(image.GetOtsuThreshold(mask), 10.0);
  TCPx8bitImage other(4, 4);
  EXPECT_TRUE(std::isnan(image.GetOtsuThreshold(other)));
  EXPECT_TRUE(std::isnan(image.GetOtsuThreshold(TCPx8bitImage(10, 10))));

  // On a noisy bimodal image the masked form over a full mask agrees with OpenCV's Otsu.
  std::mt19937 rng(5);
  std::normal_distribution<double> dark(60, 15), bright(170, 25);
  TCPx8bitImage noisy(64, 64), full(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      noisy.SetPixelFast(x, y, static_cast<unsigned char>(std::clamp((x + y) % 3 ? dark(rng) : bright(rng), 0.0, 255.0)));
  full.Fill(255);
  TCPx8bitImage before(noisy);
  const double reference = noisy.GetOtsuThreshold();
  EXPECT_TRUE(noisy == before);
  EXPECT_GT(reference, 60);
  EXPECT_LT(reference, 170);
  EXPECT_EQ(noisy.GetOtsuThreshold(full), reference);
}

TEST(GreyImage, DrawingIsRoiRelative)
{
  TCPx8bitImage image(12, 12);
  image.Rectangle(TCGenRect<int>(2, 2, 5, 5), 9);
  EXPECT_EQ(image.CountNonZero(), 16); // both corners included
  EXPECT_EQ(image.GetPixelFast(5, 5), 9);
  EXPECT_EQ(image.GetPixelFast(6, 5), 0);

  TCPx8bitImage roiImage(12, 12);
  roiImage.SetROI(TCGenRect<int>(4, 4, 12, 12));
  roiImage.Line(TCGenPoint<double>(0.5, 1.5), TCGenPoint<double>(2.5, 1.5), 3, 1); // rounds to (0,2)-(2,2)
  EXPECT_EQ(roiImage.GetPixelFast(4, 6), 3);
  EXPECT_EQ(roiImage.GetPixelFast(6, 6), 3);
  roiImage.SetFullROI();
  EXPECT_EQ(roiImage.CountNonZero(), 3);

  TCPx8bitImage circle(21, 21);
  circle.Circle(TCGenPoint<int>(10, 10), 5, 1, 1, true);
  cv::Mat expected = cv::Mat::zeros(21, 21, CV_8UC1);
  cv::circle(expected, cv::Point(10, 10), 5, cv::Scalar(1), -1, cv::LINE_8);
  EXPECT_EQ(cv::norm(expected, Full(circle), cv::NORM_INF), 0.0);
  circle.Ellipse(TCGenPoint<double>(10.0, 10.0), 8, 3, 90.0, 2, 1, false);
  EXPECT_EQ(circle.GetPixelFast(10, 2), 2); // the long axis turned vertical

  TCPx8bitImage poly(10, 10);
  poly.FillConvexPoly(std::vector<TCGenPoint<double>>{{1.9, 1.9}, {5.9, 1.2}, {5.7, 5.99}, {1.2, 5.5}}, 4);
  EXPECT_EQ(poly.CountNonZero(), 25); // truncated to the 5 x 5 square (1,1)-(5,5)
  poly.FillConvexPoly(std::vector<TCGenPoint<double>>{}, 4); // no points: nothing drawn
  EXPECT_EQ(poly.CountNonZero(), 25);

  TCPx8bitImage fill(6, 6);
  fill.Line(0, 3, 5, 3, 1, 1);
  fill.Line(3, 0, 3, 2, 1, 1);
  fill.FloodFill(TCGenPoint<int>(0, 0), 5);
  EXPECT_EQ(fill.GetPixelFast(2, 2), 5);
  EXPECT_EQ(fill.GetPixelFast(4, 0), 0); // 4-connected: the wall blocks the fill
  EXPECT_EQ(fill.GetPixelFast(0, 5), 0);
}

TEST(GreyImage, RotateTurnsCounterClockwiseOnScreenAndCentresInLargerTargets)
{
  // An arrow pointing right from the centre.
  TCPx8bitImage image(21, 21);
  image.Line(10, 10, 18, 10, 200, 1);
  TCPx8bitImage target(31, 31);
  target.Fill(7);
  image.Rotate(90.0f, &target);
  // The rotated source occupies (5..25) x (5..25); the arrow now points up.
  EXPECT_EQ(target.GetPixelFast(15, 7), 200);
  EXPECT_EQ(target.GetPixelFast(15, 23), 0);
  EXPECT_EQ(target.GetPixelFast(23, 15), 0);
  EXPECT_EQ(target.GetPixelFast(2, 2), 7);   // outside the rotated source: kept
  EXPECT_EQ(target.GetPixelFast(5, 5), 0);   // inside: written
  EXPECT_EQ(target.GetPixelFast(25, 25), 0);

  TCPx8bitImage same(21, 21);
  image.Rotate(TCGenPoint<double>(10.0, 10.0), static_cast<float>(-M_PI / 2), &same);
  EXPECT_EQ(same.GetPixelFast(10, 18), 200); // clockwise: the arrow points down
  image.Rotate(0.0f, &image);                // into itself
  EXPECT_EQ(image.GetPixelFast(18, 10), 200);
}

TEST(GreyImage, WarpAffineQuadMapsQuadrangles)
{
  TCPx8bitImage image(40, 30);
  FillRandom(image, 6);
  TCPx8bitImage identity(40, 30);
  using P = TCGenPoint<double>;
  const std::vector<P> quad{P(0, 0), P(39, 0), P(39, 29), P(0, 29)};
  image.WarpAffineQuad(quad, quad, &identity);
  EXPECT_TRUE(identity == image);

  // Shift by (5, 3): source pixel (x, y) lands on (x + 5, y + 3); the rest keeps its value.
  TCPx8bitImage shifted(40, 30);
  shifted.Fill(1);
  const std::vector<P> src{P(0, 0), P(20, 0), P(20, 10), P(0, 10)};
  const std::vector<P> dst{P(5, 3), P(25, 3), P(25, 13), P(5, 13)};
  image.WarpAffineQuad(src, dst, &shifted);
  EXPECT_EQ(shifted.GetPixelFast(5, 3), image.GetPixelFast(0, 0));
  EXPECT_EQ(shifted.GetPixelFast(25, 13), image.GetPixelFast(20, 10));
  EXPECT_EQ(shifted.GetPixelFast(26, 13), 1);
  EXPECT_EQ(shifted.GetPixelFast(4, 3), 1);

  // A degenerate quadrangle changes nothing.
  TCPx8bitImage untouched(40, 30);
  image.WarpAffineQuad(std::vector<P>(4, P(1, 1)), dst, &untouched);
  EXPECT_EQ(untouched.CountNonZero(), 0);
}

TEST(GreyImage, AssignmentStreamAndClone)
{
  TCPx8bitImage a(3, 2), b(4, 4);
  a.SetPixelFast(0, 0, 1);
  a.SetPixelFast(2, 1, 255);
  std::ostringstream text;
  text << a;
  EXPECT_EQ(text.str(), "1,0,0\n0,0,255\n");

  TCPx8bitImage c(4, 4);
  b.SetPixelFast(1, 1, 77);
  b.SetROI(TCGenRect<int>(1, 1, 4, 3));
  c.SetROI(TCGenRect<int>(0, 0, 3, 2));
  c = b; // copies b's 3 x 2 ROI into c's ROI, then takes b's ROI
  EXPECT_EQ(c.GetPixelFast(0, 0), 77);
  EXPECT_EQ(c.GetROI(), TCGenRect<int>(1, 1, 4, 3));
  EXPECT_THROW(a = b, cv::Exception); // b's ROI does not fit a 3 x 2 image
}

TEST(GreyImage, DrawContourUsesStoredPointsRelativeToTheRoi)
{
  const std::vector<cv::Point> square{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  auto contour = std::make_shared<TCPxContour>(square);
  TCPx8bitImage image(12, 12);
  image.SetROI(TCGenRect<int>(2, 2, 12, 12));
  image.DrawContours({contour, nullptr}, 1, true, 1);
  image.SetFullROI();
  EXPECT_EQ(image.CountNonZero(), 25);
  EXPECT_EQ(image.GetPixelFast(2, 2), 1);
  EXPECT_EQ(image.GetPixelFast(6, 6), 1);
  TCPx8bitImage outline(12, 12);
  outline.DrawContour(contour.get(), 3, false, 1);
  EXPECT_EQ(outline.CountNonZero(), 16);
  outline.DrawContour(nullptr, 3, false, 1); // no contour: nothing drawn
  EXPECT_EQ(outline.CountNonZero(), 16);

  TCPx24bitImage colour(12, 12);
  colour.DrawContours({contour.get()}, 0x0000FFul, false, 1);
  EXPECT_EQ(colour.GetPixelFast(4, 0), 0x0000FFul);
  EXPECT_EQ(colour.GetPixelFast(2, 2), 0u);
}
