// Grey conversions and HSV rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "ImageTestSupport.h"
#include "primitives/PxPrimitives.h"

using pxtest::RandomBytes;

TEST(GreyPrimitives, GreyFromRgbRowsMatchesWeightedSum)
{
  EXPECT_EQ(PxPrim::RgbToGray(255, 255, 255), 255);
  EXPECT_EQ(PxPrim::RgbToGray(0, 0, 0), 0);
  for (int pb : {3, 4})
  {
    const int w = 53, h = 7, ss = w * pb + 5;
    const auto src = RandomBytes(static_cast<std::size_t>(ss) * h, pb);
    std::vector<std::uint8_t> dst(64 * h);
    PxPrim::RgbRowsToGray(src.data(), ss, pb, dst.data(), 64, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
      {
        const std::uint8_t* p = &src[y * ss + x * pb];
        ASSERT_EQ(dst[y * 64 + x], PxPrim::RgbToGray(p[0], p[1], p[2]));
        ASSERT_NEAR(dst[y * 64 + x], 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2], 0.51);
      }
  }
}

TEST(GreyPrimitives, Scale16uTo8uRoundsLinearly)
{
  // Odd start address: the source need not be aligned for 16-bit reads.
  std::vector<std::uint8_t> raw(1 + 2 * 6);
  const unsigned values[] = {0, 128, 129, 65535, 257 * 100, 257 * 100 + 128};
  for (int i = 0; i < 6; ++i)
  {
    raw[1 + 2 * i] = static_cast<std::uint8_t>(values[i] & 0xFF);
    raw[2 + 2 * i] = static_cast<std::uint8_t>(values[i] >> 8);
  }
  std::uint8_t out[6];
  PxPrim::Scale16uTo8uRows(raw.data() + 1, 12, out, 6, 6, 1);
  const std::uint8_t expected[] = {0, 0, 1, 255, 100, 100};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(out[i], expected[i]) << values[i];
}

TEST(GreyPrimitives, HsvOfPrimariesAndGrey)
{
  std::uint8_t h, s, v;
  PxPrim::RgbToHsv(255, 0, 0, &h, &s, &v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 255);
  EXPECT_EQ(v, 255);
  PxPrim::RgbToHsv(0, 255, 0, &h, &s, &v);
  EXPECT_EQ(h, 85);
  PxPrim::RgbToHsv(0, 0, 255, &h, &s, &v);
  EXPECT_EQ(h, 170);
  PxPrim::RgbToHsv(77, 77, 77, &h, &s, &v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(v, 77);
  std::uint8_t r, g, b;
  PxPrim::HsvToRgb(170, 255, 255, &r, &g, &b);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 255);
}
