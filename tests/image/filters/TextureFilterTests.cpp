#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/filters/TCPxFilterGabor.h>
#include <pixolan/filters/TCPxFilterTexture.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "FilterTestSupport.h"

using filtertest::View;

// OpenCV's Gabor kernel with sigma = 0.5622 lambda (one octave) is the same
// wave and envelope; ours only rescales each lobe sign so the kernel sums to 0.
TEST(TextureFilters, GaborKernelIsOpenCvsWithBalancedLobes)
{
  TCPxFilterGabor2D gabor;
  const cv::Mat ours = View(*gabor.GetKernel());
  ASSERT_EQ(ours.rows, 100);
  EXPECT_NEAR(cv::sum(ours)[0], 0.0, 1e-4 * cv::norm(ours, cv::NORM_L1));

  const double lambda = 8.0, sigma = lambda * 0.1873906251292776 * 3.0;
  const cv::Mat reference = cv::getGaborKernel(cv::Size(100, 100), sigma, CV_PI / 2, lambda, 0.5, 0.0, CV_64F);
  double ratio[2] = {0, 0};
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
    {
      const double r = reference.at<double>(y, x), o = ours.at<float>(y, x);
      if (std::fabs(r) < 1e-3)
        continue;
      ASSERT_GT(r * o, 0) << x << ", " << y;
      double& k = ratio[r > 0];
      if (k == 0)
        k = o / r;
      EXPECT_NEAR(o / r, k, 1e-4 * k) << x << ", " << y;
    }

  // A copy filters like the original; a bandwidth of 0 is refused.
  TCPxFilterGabor2D copy(gabor);
  copy.SetBandWidth(0);
  EXPECT_EQ(copy.GetBandWidth(), 1.0);
  TCPxFloatImage a(64, 48), b(64, 48);
  filtertest::Noise(a, 5);
  b = a;
  gabor.ProcessImage(&a, nullptr);
  copy.ProcessImage(&b, nullptr);
  EXPECT_EQ(cv::norm(View(a), View(b), cv::NORM_INF), 0.0);
}

TEST(TextureFilters, LogGaborKernelIsCentredOnHalfTheSize)
{
  TCPxFilterLogGabor2D logGabor;
  for (int size : {16, 15})
  {
    logGabor.SetFilterSize(size);
    std::unique_ptr<TCPxFloatImage> kernel(logGabor.GetKernel());
    cv::Point at;
    cv::minMaxLoc(View(*kernel), nullptr, nullptr, nullptr, &at);
    EXPECT_EQ(at, cv::Point(size / 2, size / 2)) << size;
  }
  logGabor.SetSigmaOnf(1.0); // would divide by ln 1 = 0
  EXPECT_EQ(logGabor.GetSigmaOnf(), 0.55);
}

TEST(TextureFilters, AngularityIsTheNormalisedMinimumEigenvalue)
{
  TCPxFloatImage image(80, 60);
  filtertest::Noise(image, 9);
  cv::Mat expected;
  cv::cornerMinEigenVal(View(image), expected, 11, 3, cv::BORDER_REFLECT_101);
  cv::normalize(expected, expected, 0, 255, cv::NORM_MINMAX);
  TCPxFloatImage out(80, 60);
  TCPxFilterAngularity().ProcessImage(&image, &out);
  EXPECT_LT(cv::norm(View(out), expected, cv::NORM_INF), 1e-3);
}

TEST(TextureFilters, HurstOfHandWorkedNeighbourhoods)
{
  TCPx8bitImage image(20, 16);
  TCPx8bitImage before(image);
  TCPxFilterHurst(5).ProcessImage(&image, nullptr); // the rings reach 3 pixels: nothing
  EXPECT_TRUE(image == before);

  // A horizontal ramp: ring ranges 2, 2, 4, 4, 4, 6, 6 -> logs 51, 51, 74, 74, 74, 90, 90 -> slope 0.790 -> 50.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x)
      View(image).at<unsigned char>(y, x) = static_cast<unsigned char>(x);
  TCPxFilterHurst hurst(7);
  hurst.ProcessImage(&image, nullptr);
  EXPECT_EQ(View(image).at<unsigned char>(8, 10), 50);
  EXPECT_EQ(View(image).at<unsigned char>(2, 10), 0); // border band

  // One bright pixel: in the first ring of (10, 8) the log range falls with
  // distance (slope < 0, saturated to 0); in the sixth ring of (12, 8) it rises (1.89 -> 120).
  image.Fill(0);
  View(image).at<unsigned char>(8, 9) = 255;
  hurst.ProcessImage(&image, nullptr);
  EXPECT_EQ(View(image).at<unsigned char>(8, 10), 0);
  EXPECT_EQ(View(image).at<unsigned char>(8, 12), 120);
}
