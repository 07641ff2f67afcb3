#include <gtest/gtest.h>

#include <memory>

#include <opencv2/imgproc.hpp>

#include "FilterTestSupport.h"

using filtertest::View;

namespace
{
TCPx8bitImage Frame(int w, int h, bool square)
{
  TCPx8bitImage f(w, h);
  View(f).setTo(40);
  if (square)
    View(f)(cv::Rect(4, 4, 6, 6)).setTo(200);
  return f;
}

int Lit(const TCPx8bitImage& image)
{
  return cv::countNonZero(View(image));
}
}  // namespace

TEST(MotionHistory, WindowStepAndThresholdTimeline)
{
  // Step 2, duration 3: differences on calls 3, 5, 7 ...; a mask stays in
  // the window until two further masks have been added.
  TCPxFilterMotionHistory history;
  history.SetStep(2);
  history.SetDuration(3);
  TCPx8bitImage out(20, 20);
  View(out).setTo(77);
  const auto run = [&](bool square) {
    TCPx8bitImage f = Frame(20, 20, square);
    history.ProcessImageFast(&f, &out);
  };
  run(false);
  EXPECT_EQ(View(out).at<unsigned char>(0, 0), 77); // first call: no output
  run(false);
  EXPECT_EQ(Lit(out), 0);
  run(true); // compared with call 1: the square changed
  EXPECT_EQ(Lit(out), 36);
  EXPECT_EQ(View(out).at<unsigned char>(5, 5), 255);
  history.SetThreshold(250); // fixed at the first difference: no effect
  run(true);
  run(true); // compared with call 3: nothing; window {square, none}
  EXPECT_EQ(Lit(out), 36);
  run(true);
  run(true); // third mask: the square's mask leaves
  EXPECT_EQ(Lit(out), 0);

  // The factory's generic path does nothing for this kind.
  TCPx8bitImage f = Frame(20, 20, true);
  TCPxFilterFactory::Instance()->ApplyFilter(Px::MotionHistory, &f);
  EXPECT_EQ(View(f).at<unsigned char>(5, 5), 200);
}

TEST(MotionHistory, ObjectsAreIndependentAndOddInputsAreSafe)
{
  TCPxFilterMotionHistory a, b;
  a.SetStep(1);
  b.SetStep(0); // counts as 1
  TCPx8bitImage outA(20, 20), outB(30, 10);
  for (int i = 0; i < 4; ++i)
  {
    TCPx8bitImage fa = Frame(20, 20, i % 2 == 1);
    TCPx8bitImage fb(30, 10);
    View(fb).setTo(90); // b sees a still scene of another size
    a.ProcessImageFast(&fa, &outA);
    b.ProcessImageFast(&fb, &outB);
  }
  EXPECT_EQ(Lit(outA), 36);
  EXPECT_EQ(Lit(outB), 0);
  // A frame of another size restarts a's history (no output on that call).
  TCPx8bitImage big(40, 30);
  View(big).setTo(10);
  TCPx8bitImage outBig(40, 30);
  View(outBig).setTo(5);
  a.ProcessImageFast(&big, &outBig);
  EXPECT_EQ(View(outBig).at<unsigned char>(0, 0), 5);
  a.ProcessImageFast(&big, &outBig);
  EXPECT_EQ(Lit(outBig), 0);
}

TEST(ForegroundGauss, PatternCodesAndLearntBackground)
{
  // Local binary pattern: bit k set where neighbour k (clockwise from the
  // top-left) is at least the centre.
  TCPx8bitImage grey(3, 3);
  const cv::Mat pattern = (cv::Mat_<unsigned char>(3, 3) << 9, 1, 9, 1, 5, 5, 1, 9, 1);
  pattern.copyTo(View(grey));
  TCPx8bitImage code(3, 3);
  TCPxFilterForegroundGauss filter;
  filter.ProcessImage(&grey, &code);
  EXPECT_EQ(View(code).at<unsigned char>(1, 1), 0b00101101); // top-left, top-right, right, bottom
  // Replicated edges: a flat image gives all bits everywhere.
  View(grey).setTo(3);
  filter.ProcessImage(&grey, nullptr);
  EXPECT_EQ(cv::countNonZero(View(grey) != 255), 0);

  // A static noisy scene learnt for a while, then a bright square appears.
  cv::RNG rng(3);
  TCPx24bitImage frame(64, 48);
  TCPx8bitImage mask(64, 48);
  for (int i = 0; i < 40; ++i)
  {
    View(frame).setTo(cv::Scalar(60, 80, 100));
    cv::Mat noise(48, 64, CV_8UC3);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 4);
    View(frame) += noise;
    filter.ProcessImage(&frame, &mask);
  }
  EXPECT_LT(Lit(mask), 10);
  cv::rectangle(View(frame), cv::Rect(20, 10, 16, 16), cv::Scalar(250, 250, 250), cv::FILLED);
  filter.ProcessImage(&frame, &mask);
  EXPECT_EQ(cv::countNonZero(View(mask)(cv::Rect(20, 10, 16, 16))), 256);
  EXPECT_LT(Lit(mask) - 256, 10);
  ASSERT_NE(filter.GetBackgroundImage(), nullptr);

  // Without a grey destination nothing happens; a copy starts afresh.
  TCPxFilterForegroundGauss copy(filter);
  EXPECT_EQ(copy.GetBackgroundImage(), nullptr);
  TCPx24bitImage before(frame);
  copy.ProcessImage(&frame, nullptr);
  EXPECT_TRUE(frame == before);
}

TEST(ColourFilters, HsvKeyingWrapsThroughZeroAndConversionsAgree)
{
  // One pixel per OpenCV hue 0..179, saturated and bright.
  cv::Mat hsv(1, 180, CV_8UC3);
  for (int h = 0; h < 180; ++h)
    hsv.at<cv::Vec3b>(0, h) = cv::Vec3b(static_cast<unsigned char>(h), 255, 255);
  TCPx24bitImage image(180, 1);
  cv::cvtColor(hsv, View(image), cv::COLOR_HSV2BGR);

  TCPx24bitImage keyed(180, 1);
  TCPxFilterHSV key(350, 370);
  key.ProcessImage(&image, &keyed);
  cv::Mat back;
  cv::cvtColor(View(image), back, cv::COLOR_BGR2HSV); // the hues the filter sees
  for (int x = 0; x < 180; ++x)
  {
    const int h = back.at<cv::Vec3b>(0, x)[0];
    const bool kept = h >= 175 || h <= 5;
    EXPECT_EQ(View(keyed).at<cv::Vec3b>(0, x) == View(image).at<cv::Vec3b>(0, x), kept) << h;
    if (!kept)
    {
      EXPECT_EQ(View(keyed).at<cv::Vec3b>(0, x), cv::Vec3b(0, 0, 0));
    }
  }
  // The plain form against cv::inRange, in place, with a value bound.
  TCPx24bitImage plain(image);
  TCPxFilterHSV band(60, 120);
  band.SetValueInterval(0, 200); // every pixel has value 255: nothing kept
  band.ProcessImage(&plain, nullptr);
  EXPECT_EQ(cv::countNonZero(View(plain).reshape(1)), 0);
  TCPxFilterHSV copied(band);
  copied.SetValueInterval(0, 256);
  View(image).copyTo(View(plain));
  copied.ProcessImage(&plain, nullptr);
  cv::Mat inside;
  cv::inRange(back, cv::Scalar(30, 0, 0), cv::Scalar(60, 256, 256), inside);
  for (int x = 0; x < 180; ++x)
    EXPECT_EQ(View(plain).at<cv::Vec3b>(0, x) != cv::Vec3b(0, 0, 0), inside.at<unsigned char>(0, x) != 0);

  // RGB2HSV equals the library conversion of the same pixels.
  TCPx24bitImage converted(180, 1), reference(image);
  TCPxFilterRGB2HSV().ProcessImage(&image, &converted);
  TCPxConversion::Rgb2Hsv(&reference);
  EXPECT_TRUE(converted == reference);

  // Mixer: unit gains change nothing, gains above 1 act as 1.
  TCPx24bitImage unit(180, 1), over(180, 1);
  TCPxFilterRGBChannelMixer(1, 1, 1).ProcessImage(&image, &unit);
  TCPxFilterRGBChannelMixer(1.2, 1, 1).ProcessImage(&image, &over);
  EXPECT_TRUE(unit == image);
  EXPECT_TRUE(over == image);
  TCPx24bitImage half(image);
  TCPxFilterRGBChannelMixer(0.5, 1, 0).ProcessImage(&half, nullptr);
  const cv::Vec3b p = View(half).at<cv::Vec3b>(0, 0), q = View(image).at<cv::Vec3b>(0, 0);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[1], q[1]);
  EXPECT_NEAR(p[2], q[2] * 127 / 255.0, 1);

  // Pyramid segmentation only carries its parameters and contour.
  TCPxFilterPyrSegmentation pyr(3, 200, 40);
  TCPxContour contour;
  pyr.SetContour(&contour);
  TCPx24bitImage same(image);
  pyr.ProcessImage(&same, nullptr);
  EXPECT_TRUE(same == image);
  EXPECT_EQ(pyr.GetContour(), &contour);
  EXPECT_EQ(pyr.GetLevel(), 3);
}
