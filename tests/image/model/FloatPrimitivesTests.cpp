#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "primitives/PxFloatPrimitives.h"
#include "primitives/PxUtilPrimitives.h"

namespace
{
cv::Mat RandomInts(int rows, int cols, unsigned seed)
{
  std::mt19937 rng(seed);
  cv::Mat m(rows, cols, CV_32SC1);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < cols; ++x)
      m.at<int>(y, x) = static_cast<int>(rng());
  return m;
}
} // namespace

TEST(FloatPrimitives, CircShiftMatchesAnIndexFormulaForEveryShift)
{
  // Row shifts with and without common divisors of the height, odd widths,
  // and a padded stride whose padding must stay untouched.
  for (int h : {1, 2, 6, 7})
    for (int w : {1, 5, 8})
    {
      const cv::Mat padded = RandomInts(h, w + 3, static_cast<unsigned>(h * 31 + w));
      for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
        {
          cv::Mat m = padded.clone();
          PxFloatPrim::CircShift32(m.data, static_cast<int>(m.step[0]), w, h, r, c);
          for (int y = 0; y < h; ++y)
          {
            for (int x = 0; x < w; ++x)
              ASSERT_EQ(m.at<int>((y + r) % h, (x + c) % w), padded.at<int>(y, x)) << w << "x" << h;
            for (int x = w; x < w + 3; ++x)
              ASSERT_EQ(m.at<int>(y, x), padded.at<int>(y, x));
          }
        }
    }
}

TEST(FloatPrimitives, SaturatingIntegerAddMatchesWideArithmetic)
{
  const int edges[] = {INT_MIN, INT_MIN + 1, -2, -1, 0, 1, 2, INT_MAX - 1, INT_MAX};
  std::vector<std::int32_t> a, b;
  for (int p : edges)
    for (int q : edges)
    {
      a.push_back(p);
      b.push_back(q);
    }
  std::mt19937 rng(7);
  for (int i = 0; i < 1000; ++i)
  {
    a.push_back(static_cast<std::int32_t>(rng()));
    b.push_back(static_cast<std::int32_t>(rng()));
  }
  const int n = static_cast<int>(a.size());
  std::vector<std::int32_t> sum = a;
  PxFloatPrim::AddSaturate32sRows(b.data(), n * 4, sum.data(), n * 4, n, 1);
  for (int i = 0; i < n; ++i)
  {
    const long long wide = static_cast<long long>(a[i]) + b[i];
    ASSERT_EQ(sum[i], std::clamp<long long>(wide, INT_MIN, INT_MAX)) << a[i] << " + " << b[i];
  }
  std::vector<std::int32_t> k = a;
  PxFloatPrim::AddConstSaturate32sRows(-5, k.data(), n * 4, n, 1);
  for (int i = 0; i < n; ++i)
    ASSERT_EQ(k[i], std::max<long long>(static_cast<long long>(a[i]) - 5, INT_MIN));
}

TEST(FloatPrimitives, ThresholdsAreStrictAndKeepNaN)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  float row[] = {1.0f, 2.0f, 3.0f, nan};
  PxFloatPrim::ThresholdRows(row, sizeof(row), 4, 1, 2.0f, -1.0f, true);
  EXPECT_EQ(row[1], 2.0f);
  EXPECT_EQ(row[2], -1.0f);
  EXPECT_TRUE(std::isnan(row[3]));
  PxFloatPrim::ThresholdRows(row, sizeof(row), 4, 1, 1.0f, 8.0f, false);
  EXPECT_EQ(row[0], 1.0f);
  EXPECT_EQ(row[2], 8.0f);
  EXPECT_TRUE(std::isnan(row[3]));
}

TEST(FloatPrimitives, ConversionsAreExact)
{
  const std::uint16_t words[] = {0, 1, 32768, 65535};
  const std::uint8_t bytes[] = {0, 1, 128, 255};
  float out[4];
  PxFloatPrim::Convert16uRows(words, 8, out, 16, 4, 1);
  EXPECT_EQ(out[2], 32768.0f);
  EXPECT_EQ(out[3], 65535.0f);
  PxPrim::U8ToF32Rows(bytes, 4, out, 16, 4, 1);
  EXPECT_EQ(out[3], 255.0f);
  EXPECT_EQ(out[1], 1.0f);
}

TEST(FloatPrimitives, AffineQuadWarpAgreesWithOpenCvInsideTheQuadrangle)
{
  cv::Mat src(20, 20, CV_32FC1);
  cv::randu(src, 0.0, 1.0);
  // Rotation with scaling; the quadrangles are the source square and its image.
  const double a = 0.8, b = -0.3, c = 6.0, d = 0.3, e = 0.8, f = 2.0;
  const double sq[8] = {2, 2, 16, 2, 16, 16, 2, 16};
  double tq[8];
  for (int i = 0; i < 4; ++i)
  {
    tq[2 * i] = a * sq[2 * i] + b * sq[2 * i + 1] + c;
    tq[2 * i + 1] = d * sq[2 * i] + e * sq[2 * i + 1] + f;
  }
  tq[6] += 50.0; // an inconsistent fourth corner is replaced by the image of the source's
  cv::Mat dst(24, 24, CV_32FC1, cv::Scalar(-1.0));
  ASSERT_TRUE(PxFloatPrim::WarpAffineQuadLinear(src, dst, sq, tq));
  tq[6] -= 50.0;
  const cv::Mat forward = (cv::Mat_<double>(2, 3) << a, b, c, d, e, f);
  cv::Mat reference;
  cv::warpAffine(src, reference, forward, dst.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(-1.0));
  int inside = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x)
    {
      // Source position of this pixel.
      const double det = a * e - b * d;
      const double u = (e * (x - c) - b * (y - f)) / det, v = (-d * (x - c) + a * (y - f)) / det;
      const bool clearlyInside = u > 2.01 && u < 15.99 && v > 2.01 && v < 15.99;
      const bool clearlyOutside = u < 1.99 || u > 16.01 || v < 1.99 || v > 16.01;
      if (clearlyInside)
      {
        ++inside;
        // OpenCV interpolates with 5-bit fixed-point weights.
        EXPECT_NEAR(dst.at<float>(y, x), reference.at<float>(y, x), 0.04) << x << "," << y;
      }
      else if (clearlyOutside)
      {
        EXPECT_EQ(dst.at<float>(y, x), -1.0f) << x << "," << y;
      }
    }
  EXPECT_GT(inside, 100);

  const double line[8] = {0, 0, 1, 1, 2, 2, 3, 5};
  EXPECT_FALSE(PxFloatPrim::WarpAffineQuadLinear(src, dst, line, tq));
  EXPECT_FALSE(PxFloatPrim::WarpAffineQuadLinear(src, dst, sq, line));
}

TEST(FloatPrimitives, AddCircularRowReadsTheSourceShiftedWithWrapAround)
{
  const int width = 37; // not a multiple of any vector width
  std::vector<float> source(width);
  for (int x = 0; x < width; ++x)
    source[x] = static_cast<float>(x + 1);
  for (int shift : {0, 5, -5, width, width + 3, -2 * width - 1})
  {
    std::vector<float> a(width, 2.0f);
    PxFloatPrim::AddCircularRow(a.data(), source.data(), width, shift);
    for (int x = 0; x < width; ++x)
    {
      const int from = ((x - shift) % width + width) % width;
      ASSERT_EQ(a[x], 2.0f + source[from]) << "shift " << shift << " at " << x;
    }
  }
}
