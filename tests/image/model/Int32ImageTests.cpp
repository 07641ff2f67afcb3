#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <stdexcept>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPxInt32Image.h>

#include "ImageTestSupport.h"

using pxtest::Full;
using pxtest::FillRandom;
using pxtest::Same;

namespace
{
int Clamp(long long v)
{
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}
} // namespace

TEST(Int32Image, ConstructionAndAccessors)
{
  TCPxInt32Image image(64, 3);
  EXPECT_EQ(image.GetImageType(), ImageTypeInt32);
  EXPECT_EQ(image.GetPixelSize(), 4);
  EXPECT_EQ(image.GetStepSize(), 256);
  image.SetROI(TCGenRect<int>(3, 2, 10, 3));
  EXPECT_EQ(image.GetROIOffset(), 131);
  EXPECT_THROW(TCPxInt32Image(0, 1), std::invalid_argument);
  EXPECT_THROW(TCPxInt32Image(INT_MAX, 1), std::length_error);

  try
  {
    image.GetPixel(7, 0);
    FAIL();
  }
  catch (const std::range_error& e)
  {
    EXPECT_STREQ(e.what(), "x,y should lie in the ROI");
  }
  image.SetPixel(0, 1, 5); // outside the ROI: ignored
  EXPECT_EQ(image.CountNonZero(), 0);
  image.SetPixel(6, 0, -5);
  EXPECT_EQ(Full(image).at<int>(2, 9), -5);
  EXPECT_EQ(image.GetPixel(6, 0), -5);
  EXPECT_EQ(image.CreateImageOfROI(), nullptr); // the image factory makes no integer images
}

TEST(Int32Image, CopyConstructorCopiesEveryPixelWhateverTheSourceRoi)
{
  TCPxInt32Image source(7, 5);
  FillRandom(source, 1);
  source.SetROI(TCGenRect<int>(1, 1, 3, 3));
  TCPxInt32Image copy(source);
  EXPECT_TRUE(Same(Full(copy), Full(source)));
  EXPECT_EQ(copy.GetROI().GetWidth(), 7); // the copy's ROI is the whole image
  EXPECT_NE(copy.GetBuffer(), source.GetBuffer());
  std::unique_ptr<TCPxImageBase> clone(source.Clone());
  ASSERT_NE(dynamic_cast<TCPxInt32Image*>(clone.get()), nullptr);
  EXPECT_TRUE(*clone == source);
  std::unique_ptr<TCPxImageBase> fresh(source.Create(2, 3));
  EXPECT_EQ(fresh->GetImageType(), ImageTypeInt32);
}

TEST(Int32Image, AssignmentCopiesPixelsAndRoiIntoItsOwnBuffer)
{
  auto source = std::make_unique<TCPxInt32Image>(6, 4);
  FillRandom(*source, 2);
  source->SetROI(TCGenRect<int>(1, 1, 4, 3));
  TCPxInt32Image target(6, 4);
  target = *source;
  EXPECT_TRUE(target == *source);
  EXPECT_EQ(target.GetROI().GetLeft(), 1);
  EXPECT_EQ(target.GetROI().GetBottom(), 3);
  EXPECT_NE(target.GetBuffer(), source->GetBuffer());
  const cv::Mat kept = Full(*source).clone();
  target.Fill(0);
  EXPECT_TRUE(Same(Full(*source), kept));
  source.reset(); // the target must not depend on the source's buffer
  target.SetPixel(0, 0, 42);
  EXPECT_EQ(target.GetPixel(0, 0), 42);

  target = target; // self-assignment changes nothing
  EXPECT_EQ(target.GetPixel(0, 0), 42);
  TCPxInt32Image other(5, 4);
  EXPECT_THROW(target = other, std::invalid_argument);
}

TEST(Int32Image, ArithmeticSaturatesInsteadOfWrapping)
{
  TCPxInt32Image a(4, 1), b(4, 1);
  const int av[] = {INT_MAX, INT_MIN, 5, -7};
  const int bv[] = {1, -1, INT_MAX, INT_MIN};
  for (int x = 0; x < 4; ++x)
  {
    a.SetPixel(x, 0, av[x]);
    b.SetPixel(x, 0, bv[x]);
  }
  a += b;
  EXPECT_EQ(a.GetPixel(0, 0), INT_MAX);
  EXPECT_EQ(a.GetPixel(1, 0), INT_MIN);
  EXPECT_EQ(a.GetPixel(2, 0), INT_MAX);
  EXPECT_EQ(a.GetPixel(3, 0), INT_MIN);

  TCPxInt32Image c(3, 1);
  c.SetPixel(0, 0, INT_MIN);
  c.SetPixel(1, 0, 1000000);
  c.SetPixel(2, 0, -3);
  c *= -1;
  EXPECT_EQ(c.GetPixel(0, 0), INT_MAX);
  c *= 5000;
  EXPECT_EQ(c.GetPixel(1, 0), INT_MIN);
  EXPECT_EQ(c.GetPixel(2, 0), 15000);
  c += INT_MAX;
  EXPECT_EQ(c.GetPixel(0, 0), INT_MAX);
  EXPECT_EQ(c.GetPixel(1, 0), -1);
  c += INT_MIN;
  EXPECT_EQ(c.GetPixel(1, 0), INT_MIN);
}

TEST(Int32Image, ArithmeticCoversTheRoiOnly)
{
  TCPxInt32Image a(9, 6), b(7, 7);
  FillRandom(a, 3);
  FillRandom(b, 4);
  a.SetROI(TCGenRect<int>(2, 1, 7, 5));
  b.SetROI(TCGenRect<int>(0, 3, 5, 7));
  const cv::Mat before = Full(a).clone();
  a += b;
  a += 17;
  a *= 3;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x)
    {
      long long v = before.at<int>(y, x);
      if (x >= 2 && x < 7 && y >= 1 && y < 5)
      {
        v = Clamp(v + Full(b).at<int>(y + 2, x - 2));
        v = Clamp(v + 17);
        v = Clamp(v * 3);
      }
      ASSERT_EQ(Full(a).at<int>(y, x), v) << x << "," << y;
    }
  TCPxInt32Image small(3, 3);
  EXPECT_THROW(a += small, cv::Exception);
}

TEST(Int32Image, MirrorIgnoresTheRoi)
{
  TCPxInt32Image image(5, 3);
  FillRandom(image, 5);
  const cv::Mat before = Full(image).clone();
  image.SetROI(TCGenRect<int>(1, 1, 2, 2));
  image.Mirror(true);
  cv::Mat expected;
  cv::flip(before, expected, 0);
  EXPECT_TRUE(Same(Full(image), expected));
  image.Mirror(false);
  cv::flip(before, expected, -1);
  EXPECT_TRUE(Same(Full(image), expected));
}

TEST(Int32Image, FillAndDrawingStayInTheRoi)
{
  TCPxInt32Image image(16, 12);
  image.SetROI(TCGenRect<int>(2, 1, 14, 11));
  cv::Mat expected = Full(image).clone();
  cv::Mat roi = expected(cv::Rect(2, 1, 12, 10));
  image.Fill(-2);
  roi.setTo(-2);
  image.Circle(TCGenPoint<double>(4.5, 3.5), 2, 7, 1, true); // centre rounds to (4, 4)
  cv::circle(roi, cv::Point(4, 4), 2, cv::Scalar(7), cv::FILLED, cv::LINE_8);
  image.Circle(TCGenPoint<int>(8, 5), 3, 70000, 1, false);
  cv::circle(roi, cv::Point(8, 5), 3, cv::Scalar(70000), 1, cv::LINE_8);
  image.Rectangle(TCGenRect<int>(0, 7, 3, 9), 9, -1);
  cv::rectangle(roi, cv::Point(0, 7), cv::Point(3, 9), cv::Scalar(9), -1, cv::LINE_8);
  const std::vector<cv::Point> outline{{6, 7}, {10, 7}, {10, 9}};
  image.DrawContour(std::make_shared<TCPxContour>(outline), 3, false, 1);
  cv::drawContours(roi, std::vector<std::vector<cv::Point>>{outline}, 0, cv::Scalar(3), 1, cv::LINE_8);
  image.DrawContour(nullptr, 5, true, 1);
  EXPECT_TRUE(Same(Full(image), expected));
  EXPECT_EQ(Full(image).at<int>(0, 0), 0);
}
