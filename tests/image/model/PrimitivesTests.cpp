#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "ImageTestSupport.h"
#include "primitives/PxPrimitives.h"

using pxtest::RandomBytes;

TEST(Primitives, AllocationPadsRowsAlignsStartAndZeroes)
{
  for (int pixelBytes : {1, 3, 4})
    for (int width : {1, 31, 32, 33, 641})
    {
      int stride = 0;
      std::uint8_t* p = PxPrim::AllocImage(width, 3, pixelBytes, &stride);
      EXPECT_EQ(stride % 32, 0);
      EXPECT_GE(stride, width * pixelBytes);
      EXPECT_LT(stride, width * pixelBytes + 32);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u);
      for (int i = 0; i < 3 * stride; ++i)
        ASSERT_EQ(p[i], 0);
      PxPrim::FreeImage(p);
    }
}

TEST(Primitives, AllocationRefusesBadSizesBeforeAllocating)
{
  int stride = -7;
  EXPECT_THROW(PxPrim::AllocImage(0, 10, 1, &stride), std::invalid_argument);
  EXPECT_THROW(PxPrim::AllocImage(10, -1, 1, &stride), std::invalid_argument);
  // 50000 x 50000 x 4 bytes overflows a 32-bit size.
  EXPECT_THROW(PxPrim::AllocImage(50000, 50000, 4, &stride), std::length_error);
  EXPECT_THROW(PxPrim::AllocImage(INT32_MAX, 1, 4, &stride), std::length_error);
  EXPECT_EQ(stride, -7);
}

TEST(Primitives, CopyRowsHonoursBothStrides)
{
  const auto src = RandomBytes(5 * 40, 1);
  std::vector<std::uint8_t> dst(5 * 64, 0xEE);
  PxPrim::CopyRows(src.data(), 40, dst.data(), 64, 37, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 64; ++x)
      ASSERT_EQ(dst[y * 64 + x], x < 37 ? src[y * 40 + x] : 0xEE) << x << "," << y;
}

TEST(Primitives, MirrorMatchesReferenceAndKeepsPadding)
{
  for (int pixelBytes : {1, 3, 4})
    for (int width : {1, 2, 7, 64})
      for (int height : {1, 2, 5})
      {
        const int stride = PxPrim::AlignedStride(width, pixelBytes) + 32;
        const auto original = RandomBytes(static_cast<std::size_t>(stride) * height, width * 7 + height);
        auto rows = original;
        auto cols = original;
        PxPrim::MirrorRows(rows.data(), stride, width, height, pixelBytes);
        PxPrim::MirrorColumns(cols.data(), stride, width, height, pixelBytes);
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < stride; ++x)
          {
            const bool pixel = x < width * pixelBytes;
            const int px = x / pixelBytes;
            const int c = x % pixelBytes;
            ASSERT_EQ(rows[y * stride + x], pixel ? original[(height - 1 - y) * stride + x] : original[y * stride + x]);
            ASSERT_EQ(cols[y * stride + x],
                      pixel ? original[y * stride + (width - 1 - px) * pixelBytes + c] : original[y * stride + x]);
          }
      }
}

TEST(Primitives, NearestCentreIndexSamplesPixelCentresWithHalvesToEven)
{
  // 4 -> 2: centres map to 0.5 and 2.5, rounded to even: 0 and 2.
  EXPECT_EQ(PxPrim::NearestCentreIndex(0, 0.5, 4), 0);
  EXPECT_EQ(PxPrim::NearestCentreIndex(1, 0.5, 4), 2);
  // 2 -> 4: -0.25, 0.25, 0.75, 1.25.
  EXPECT_EQ(PxPrim::NearestCentreIndex(0, 2.0, 2), 0);
  EXPECT_EQ(PxPrim::NearestCentreIndex(1, 2.0, 2), 0);
  EXPECT_EQ(PxPrim::NearestCentreIndex(2, 2.0, 2), 1);
  EXPECT_EQ(PxPrim::NearestCentreIndex(3, 2.0, 2), 1);
  // 3 -> 2: 0.25 and 1.75.
  EXPECT_EQ(PxPrim::NearestCentreIndex(0, 2.0 / 3.0, 3), 0);
  EXPECT_EQ(PxPrim::NearestCentreIndex(1, 2.0 / 3.0, 3), 2);
  // Never outside the source.
  EXPECT_EQ(PxPrim::NearestCentreIndex(9, 0.1, 5), 4);
}

TEST(Primitives, ResizeNearestCentreMatchesPerPixelFormula)
{
  struct Case
  {
    int sw, sh, dw, dh;
  };
  for (const Case c : {Case{4, 4, 2, 2}, Case{7, 5, 13, 11}, Case{64, 48, 21, 16}, Case{3, 9, 3, 2}})
    for (int pb : {1, 3, 4})
    {
      const int ss = PxPrim::AlignedStride(c.sw, pb);
      const int ds = PxPrim::AlignedStride(c.dw, pb);
      const auto src = RandomBytes(static_cast<std::size_t>(ss) * c.sh, c.sw + pb);
      std::vector<std::uint8_t> dst(static_cast<std::size_t>(ds) * c.dh, 0);
      const double fx = static_cast<float>(c.dw) / static_cast<float>(c.sw);
      const double fy = static_cast<float>(c.dh) / static_cast<float>(c.sh);
      PxPrim::ResizeNearestCentre(src.data(), c.sw, c.sh, ss, dst.data(), c.dw, c.dh, ds, pb, fx, fy);
      for (int y = 0; y < c.dh; ++y)
        for (int x = 0; x < c.dw; ++x)
        {
          const int sx = std::min(std::max(static_cast<int>(std::nearbyint((x + 0.5) / fx - 0.5)), 0), c.sw - 1);
          const int sy = std::min(std::max(static_cast<int>(std::nearbyint((y + 0.5) / fy - 0.5)), 0), c.sh - 1);
          for (int k = 0; k < pb; ++k)
            ASSERT_EQ(dst[y * ds + x * pb + k], src[sy * ss + sx * pb + k]);
        }
    }
}

TEST(Primitives, Histogram256MatchesCalcHist)
{
  const int w = 97, h = 31, stride = 128;
  const auto data = RandomBytes(static_cast<std::size_t>(stride) * h, 3);
  std::uint32_t counts[256];
  PxPrim::Histogram256(data.data(), stride, w, h, counts);
  cv::Mat m(h, w, CV_8UC1, const_cast<std::uint8_t*>(data.data()), stride);
  cv::Mat hist;
  const int histSize = 256;
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  cv::calcHist(&m, 1, nullptr, cv::Mat(), hist, 1, &histSize, ranges);
  for (int v = 0; v < 256; ++v)
    ASSERT_EQ(counts[v], static_cast<std::uint32_t>(hist.at<float>(v)));
}

TEST(Primitives, HistogramEvenBinsFollowIntegerLevels)
{
  // Levels of 4 bins over 0..255: 0, 63, 127, 191, 255.
  EXPECT_EQ(PxPrim::EvenLevel(1, 5, 0, 255), 63);
  EXPECT_EQ(PxPrim::EvenLevel(4, 5, 0, 255), 255);
  const std::uint8_t values[] = {0, 62, 63, 126, 127, 190, 191, 254, 255, 255};
  int counts[4];
  PxPrim::HistogramEven8u(values, 10, 10, 1, 4, 0, 255, counts);
  EXPECT_EQ(counts[0], 2);
  EXPECT_EQ(counts[1], 2);
  EXPECT_EQ(counts[2], 2);
  EXPECT_EQ(counts[3], 2); // 255 is in no bin
}
