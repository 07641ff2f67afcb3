#include <gtest/gtest.h>

#include <random>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/model/TCPxConversion.h>

namespace
{
unsigned long Rgb(int r, int g, int b)
{
  return static_cast<unsigned long>(r) | (static_cast<unsigned long>(g) << 8) | (static_cast<unsigned long>(b) << 16);
}
int Byte(unsigned long v, int i)
{
  return static_cast<int>((v >> (8 * i)) & 0xFF);
}
} // namespace

TEST(Conversion, HsvOfPrimaryColours)
{
  const unsigned long red = TCPxConversion::Rgb2Hsv(255);
  EXPECT_EQ(Byte(red, 0), 0);
  EXPECT_EQ(Byte(red, 1), 255);
  EXPECT_EQ(Byte(red, 2), 255);
  EXPECT_EQ(TCPxConversion::Hsv2Rgb(red), 255u);
  EXPECT_EQ(Byte(TCPxConversion::Bgr2Hsv(255), 0), 120); // BGR 255 is pure blue
  EXPECT_EQ(Byte(TCPxConversion::Rgb2Hsv(Rgb(0, 255, 0)), 0), 60);
  EXPECT_EQ(Byte(TCPxConversion::Rgb2Hsv(Rgb(255, 255, 0)), 0), 30);
  EXPECT_EQ(Byte(TCPxConversion::Rgb2Hsv(Rgb(0, 255, 255)), 0), 90);
  EXPECT_EQ(Byte(TCPxConversion::Rgb2Hsv(Rgb(255, 0, 255)), 0), 150);
  EXPECT_EQ(TCPxConversion::Rgb2Hsv(Rgb(255, 255, 255)) >> 24, 0u);
}

TEST(Conversion, HsvRoundTripsGreyExactlyAndColoursClosely)
{
  for (int g = 0; g < 256; ++g)
  {
    const unsigned long grey = Rgb(g, g, g);
    EXPECT_EQ(TCPxConversion::Hsv2Rgb(TCPxConversion::Rgb2Hsv(grey)), grey);
  }
  // Primaries come back exactly; secondaries lie between hue steps of the
  // 0..180 scale, so they come back within the quantisation of one step.
  for (unsigned long c : {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)})
    EXPECT_EQ(TCPxConversion::Hsv2Rgb(TCPxConversion::Rgb2Hsv(c)), c);
  for (unsigned long c : {Rgb(255, 255, 0), Rgb(0, 255, 255), Rgb(255, 0, 255), Rgb(128, 0, 0), Rgb(0, 64, 0)})
  {
    const unsigned long back = TCPxConversion::Hsv2Rgb(TCPxConversion::Rgb2Hsv(c));
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(Byte(back, i), Byte(c, i), 4) << std::hex << c;
    EXPECT_EQ(back >> 24, 0u);
  }
  EXPECT_EQ(TCPxConversion::Hsv2Bgr(TCPxConversion::Rgb2Hsv(Rgb(10, 200, 30))),
            TCPxConversion::Hsv2Rgb(TCPxConversion::Rgb2Hsv(Rgb(10, 200, 30))));
}

TEST(Conversion, HsvAgreesWithOpenCvWithinOneStep)
{
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i)
  {
    const int r = rng() & 0xFF, g = rng() & 0xFF, b = rng() & 0xFF;
    cv::Mat px(1, 1, CV_8UC3, cv::Scalar(r, g, b));
    cv::Mat hsv;
    cv::cvtColor(px, hsv, cv::COLOR_RGB2HSV);
    const cv::Vec3b ref = hsv.at<cv::Vec3b>(0, 0);
    const unsigned long ours = TCPxConversion::Rgb2Hsv(Rgb(r, g, b));
    int dh = std::abs(Byte(ours, 0) - ref[0]);
    dh = std::min(dh, 180 - dh);
    ASSERT_LE(dh, 1) << r << " " << g << " " << b;
    ASSERT_LE(std::abs(Byte(ours, 1) - ref[1]), 1);
    ASSERT_EQ(Byte(ours, 2), ref[2]);
  }
}

TEST(Conversion, GreyAndPoints)
{
  EXPECT_EQ(TCPxConversion::Rgb2Gray(Rgb(255, 255, 255)), 255);
  EXPECT_EQ(TCPxConversion::Rgb2Gray(0), 0);
  EXPECT_EQ(TCPxConversion::Rgb2Gray(Rgb(255, 0, 0)), 76);  // 0.299 x 255
  EXPECT_EQ(TCPxConversion::Rgb2Gray(Rgb(0, 0, 255)), 29);  // 0.114 x 255
  EXPECT_EQ(TCPxConversion::RoundPoint(TCGenPoint<double>(1.5, -1.5)), TCGenPoint<int>(2, -2));
  EXPECT_EQ(TCPxConversion::RoundPoint(TCGenPoint<double>(2.5, 0.49)), TCGenPoint<int>(2, 0));
  EXPECT_EQ(TCPxConversion::MakeDblPoint(TCGenPoint<int>(-3, 7)), TCGenPoint<double>(-3.0, 7.0));
}
