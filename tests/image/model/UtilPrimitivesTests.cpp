#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <opencv2/core.hpp>

#include "primitives/PxUtilPrimitives.h"

TEST(UtilPrimitives, FloatToByteRowsMatchConvertToIncludingEveryHalf)
{
  // Every half from -1.5 to 256.5 plus random values, padded rows.
  cv::Mat src(4, 520, CV_32F);
  for (int x = 0; x < 520; ++x)
    src.at<float>(0, x) = -1.5f + 0.5f * x;
  cv::randu(src.rowRange(1, 4), -50.0, 300.0);
  cv::Mat dst(4, 544, CV_8U, cv::Scalar(7));
  PxPrim::F32ToU8Rows(src.ptr<float>(), static_cast<int>(src.step), dst.ptr(), static_cast<int>(dst.step), 520, 4);
  cv::Mat expected;
  src.convertTo(expected, CV_8U);
  EXPECT_EQ(cv::norm(dst.colRange(0, 520), expected, cv::NORM_INF), 0.0);
  EXPECT_EQ(dst.at<unsigned char>(2, 530), 7); // padding untouched
}

TEST(UtilPrimitives, PeaksOfDegenerateRegionsAndTheCountLimit)
{
  const float single = 3.0f;
  std::vector<cv::Point> peaks;
  PxPrim::FindPeaks3x3(&single, 4, 1, 1, 2.0f, 5, &peaks);
  ASSERT_EQ(peaks.size(), 1u);
  EXPECT_EQ(peaks[0], cv::Point(0, 0));

  // A column of one pixel per row: 1 2 1 5 5 → peaks at rows 1, 3 and 4 (plateau).
  const float column[5] = {1, 2, 1, 5, 5};
  peaks.clear();
  PxPrim::FindPeaks3x3(column, 4, 1, 5, 0.0f, 10, &peaks);
  ASSERT_EQ(peaks.size(), 3u);
  EXPECT_EQ(peaks[2], cv::Point(0, 4));

  // Flat row above threshold: every pixel qualifies, the limit keeps the first ones.
  const std::vector<float> flat(70, 1.0f);
  peaks.clear();
  PxPrim::FindPeaks3x3(flat.data(), 70 * 4, 70, 1, 0.5f, 9, &peaks);
  ASSERT_EQ(peaks.size(), 9u);
  EXPECT_EQ(peaks[8], cv::Point(8, 0));
}
