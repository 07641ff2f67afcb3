#include "PxUtilPrimitives.h"
#include "PxHotKernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PX_HAVE_AVX2_PATH 1
#endif

#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include <opencv2/core/hal/intrin.hpp>

#include "PxPrimitives.h"


namespace PxPrim
{
namespace
{
template <typename T>
T* RowAt(T* base, int stride, int y)
{
  using Byte = typename std::conditional<std::is_const<T>::value, const std::uint8_t, std::uint8_t>::type;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<std::ptrdiff_t>(y) * stride);
}

// max(a, b) that ignores a NaN in `a` (compiles to one max instruction).
inline float MaxIgnoringNan(float a, float b)
{
  return a > b ? a : b;
}
} // namespace

PX_HOT_KERNEL
void U8ToF32Rows(const std::uint8_t* src, int srcStride, float* dst, int dstStride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* __restrict__ s = RowAt(src, srcStride, y);
    float* __restrict__ d = RowAt(dst, dstStride, y);
    for (int x = 0; x < width; ++x)
      d[x] = static_cast<float>(s[x]);
  }
}

#if PX_HAVE_AVX2_PATH
namespace
{
// The 256-bit form of the row loop below: max/min put 0 for NaN (they return
// their second operand when the first is NaN) and clamp infinities, the
// conversion rounds halves to even.
__attribute__((target("avx2"))) int F32ToU8RowAvx2(const float* s, std::uint8_t* d, int width)
{
  const __m256 zero = _mm256_setzero_ps(), top = _mm256_set1_ps(255.0f);
  int x = 0;
  for (; x + 32 <= width; x += 32)
  {
    __m256i v[4];
    for (int k = 0; k < 4; ++k)
      v[k] = _mm256_cvtps_epi32(_mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(s + x + 8 * k), zero), top));
    // Packs work within 128-bit lanes: restore the element order afterwards.
    const __m256i words01 = _mm256_packus_epi32(v[0], v[1]);
    const __m256i words23 = _mm256_packus_epi32(v[2], v[3]);
    const __m256i bytes = _mm256_packus_epi16(words01, words23);
    const __m256i ordered = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), ordered);
  }
  return x;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
} // namespace
#endif

void F32ToU8Rows(const float* src, int srcStride, std::uint8_t* dst, int dstStride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    const float* s = RowAt(src, srcStride, y);
    std::uint8_t* d = RowAt(dst, dstStride, y);
#if PX_HAVE_AVX2_PATH
    int x = kHasAvx2 ? F32ToU8RowAvx2(s, d, width) : 0;
#else
    int x = 0;
#endif
#if CV_SIMD128
    // Vector max/min return their second operand when the first is NaN, so NaN
    // clamps to 0; the conversion rounds in the default mode (halves to even).
    const cv::v_float32x4 zero = cv::v_setzero_f32(), top = cv::v_setall_f32(255.0f);
    for (; x + 16 <= width; x += 16)
    {
      const cv::v_int32x4 a = cv::v_round(cv::v_min(cv::v_max(cv::v_load(s + x), zero), top));
      const cv::v_int32x4 b = cv::v_round(cv::v_min(cv::v_max(cv::v_load(s + x + 4), zero), top));
      const cv::v_int32x4 c = cv::v_round(cv::v_min(cv::v_max(cv::v_load(s + x + 8), zero), top));
      const cv::v_int32x4 e = cv::v_round(cv::v_min(cv::v_max(cv::v_load(s + x + 12), zero), top));
      cv::v_store(d + x, cv::v_pack_u(cv::v_pack(a, b), cv::v_pack(c, e)));
    }
#endif
    for (; x < width; ++x)
    {
      const float a = s[x];
      float v = a > 0.0f ? a : 0.0f; // NaN fails the test and becomes 0
      v = v < 255.0f ? v : 255.0f;
      d[x] = static_cast<std::uint8_t>(std::lrint(v));
    }
  }
}

void Rgb3ToGrayF32Rows(const std::uint8_t* src, int srcStride, float* dst, int dstStride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = RowAt(src, srcStride, y);
    float* d = RowAt(dst, dstStride, y);
    for (int x = 0; x < width; ++x)
      d[x] = static_cast<float>(RgbToGray(s[3 * x], s[3 * x + 1], s[3 * x + 2]));
  }
}

void SwapOuterBytes3Rows(std::uint8_t* buf, int stride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    std::uint8_t* p = RowAt(buf, stride, y);
    for (int x = 0; x < width; ++x)
    {
      const std::uint8_t t = p[3 * x];
      p[3 * x] = p[3 * x + 2];
      p[3 * x + 2] = t;
    }
  }
}

void BgrToHsv180Rows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                     int height)
{
  std::uint8_t hue180[256];
  for (int h = 0; h < 256; ++h)
    hue180[h] = static_cast<std::uint8_t>(std::nearbyint(h * 180.0 / 255.0));
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = RowAt(src, srcStride, y);
    std::uint8_t* d = RowAt(dst, dstStride, y);
    for (int x = 0; x < width; ++x)
    {
      std::uint8_t h, sat, v;
      RgbToHsv(s[3 * x + 2], s[3 * x + 1], s[3 * x], &h, &sat, &v);
      d[3 * x] = hue180[h];
      d[3 * x + 1] = sat;
      d[3 * x + 2] = v;
    }
  }
}

namespace
{
// vmax[x] := max of the three rows at x, NaNs ignored (-inf when all are NaN).
PX_HOT_KERNEL
void ColumnMax3(const float* __restrict__ up, const float* __restrict__ mid, const float* __restrict__ down,
                float* __restrict__ vmax, int width)
{
  for (int x = 0; x < width; ++x)
  {
    float m = -INFINITY;
    m = MaxIgnoringNan(up[x], m);
    m = MaxIgnoringNan(mid[x], m);
    m = MaxIgnoringNan(down[x], m);
    vmax[x] = m;
  }
}

// flag[x] := row[x] > threshold and row[x] >= the largest of vmax[x-1..x+1]
// inside the row.
PX_HOT_KERNEL
void PeakFlags(const float* __restrict__ row, const float* __restrict__ vmax, float threshold,
               std::uint8_t* __restrict__ flag, int width)
{
  if (width == 1)
  {
    flag[0] = row[0] > threshold && row[0] >= vmax[0];
    return;
  }
  {
    const float m = MaxIgnoringNan(vmax[1], vmax[0]);
    flag[0] = row[0] > threshold && row[0] >= m;
  }
  for (int x = 1; x < width - 1; ++x)
  {
    const float m = MaxIgnoringNan(vmax[x + 1], MaxIgnoringNan(vmax[x - 1], vmax[x]));
    flag[x] = static_cast<std::uint8_t>((row[x] > threshold) & (row[x] >= m));
  }
  {
    const float m = MaxIgnoringNan(vmax[width - 2], vmax[width - 1]);
    flag[width - 1] = row[width - 1] > threshold && row[width - 1] >= m;
  }
}
} // namespace

void FindPeaks3x3(const float* src, int stride, int width, int height, float threshold, int maxPeaks,
                  std::vector<cv::Point>* peaks)
{
  if (width <= 0 || height <= 0 || maxPeaks <= 0)
    return;
  std::vector<float> vmax(static_cast<std::size_t>(width));
  // Padded to whole 8-byte words so that the scan can test 8 flags at once.
  const std::size_t words = (static_cast<std::size_t>(width) + 7) / 8;
  std::vector<std::uint8_t> flags(words * 8, 0);
  int found = 0;
  for (int y = 0; y < height && found < maxPeaks; ++y)
  {
    const float* mid = RowAt(src, stride, y);
    const float* up = y > 0 ? RowAt(src, stride, y - 1) : mid;
    const float* down = y + 1 < height ? RowAt(src, stride, y + 1) : mid;
    ColumnMax3(up, mid, down, vmax.data(), width);
    PeakFlags(mid, vmax.data(), threshold, flags.data(), width);
    for (std::size_t w = 0; w < words && found < maxPeaks; ++w)
    {
      std::uint64_t word;
      std::memcpy(&word, flags.data() + 8 * w, sizeof word);
      if (word == 0)
        continue;
      for (int k = 0; k < 8 && found < maxPeaks; ++k)
        if (flags[8 * w + k])
        {
          peaks->emplace_back(static_cast<int>(8 * w) + k, y);
          ++found;
        }
    }
  }
}
} // namespace PxPrim
