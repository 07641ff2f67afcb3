// Grey conversions, HSV and grey arithmetic rows.
#include "PxPrimitives.h"
#include "PxHotKernel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace PxPrim
{
// ---- grey conversions ----------------------------------------------------------------
void RgbRowsToGray(const std::uint8_t* src, int srcStride, int pixelBytes, std::uint8_t* dst, int dstStride,
                   int width, int height)
{
  // The same fixed-point weights as RgbToGray, so a row conversion and a single
  // value agree exactly (OpenCV's vector path rounds some values differently).
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    if (pixelBytes == 4)
      for (int x = 0; x < width; ++x)
        d[x] = RgbToGray(s[4 * x], s[4 * x + 1], s[4 * x + 2]);
    else
      for (int x = 0; x < width; ++x)
        d[x] = RgbToGray(s[3 * x], s[3 * x + 1], s[3 * x + 2]);
  }
}

void Scale16uTo8uRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                      int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x)
    {
      // Bytes assembled explicitly: the source rows need not be 2-byte aligned.
      const unsigned v = static_cast<unsigned>(s[2 * x]) | (static_cast<unsigned>(s[2 * x + 1]) << 8);
      d[x] = static_cast<std::uint8_t>((v + 128u) / 257u);
    }
  }
}

// ---- HSV -----------------------------------------------------------------------------
namespace
{
std::uint8_t RoundByte(double v)
{
  const double r = std::nearbyint(v);
  return static_cast<std::uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : r));
}
} // namespace

void RgbToHsv(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t* h, std::uint8_t* s, std::uint8_t* v)
{
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  const int c = mx - mn;
  *v = static_cast<std::uint8_t>(mx);
  if (mx == 0 || c == 0)
  {
    *s = 0;
    *h = 0;
    return;
  }
  *s = RoundByte(255.0 * c / mx);
  double sector;
  if (r == mx)
    sector = static_cast<double>(g - b) / c;
  else if (g == mx)
    sector = 2.0 + static_cast<double>(b - r) / c;
  else
    sector = 4.0 + static_cast<double>(r - g) / c;
  double degrees = sector * 60.0;
  if (degrees < 0)
    degrees += 360.0;
  *h = RoundByte(degrees * 255.0 / 360.0);
}

void HsvToRgb(std::uint8_t h, std::uint8_t s, std::uint8_t v, std::uint8_t* r, std::uint8_t* g, std::uint8_t* b)
{
  if (s == 0)
  {
    *r = *g = *b = v;
    return;
  }
  const double sector = h * 6.0 / 255.0; // 0..6
  const int i = static_cast<int>(std::floor(sector));
  const double f = sector - i;
  const double sat = s / 255.0;
  const double val = v;
  const std::uint8_t p = RoundByte(val * (1.0 - sat));
  const std::uint8_t q = RoundByte(val * (1.0 - sat * f));
  const std::uint8_t t = RoundByte(val * (1.0 - sat * (1.0 - f)));
  switch (i % 6)
  {
  case 0: *r = v; *g = t; *b = p; break;
  case 1: *r = q; *g = v; *b = p; break;
  case 2: *r = p; *g = v; *b = t; break;
  case 3: *r = p; *g = q; *b = v; break;
  case 4: *r = t; *g = p; *b = v; break;
  default: *r = v; *g = p; *b = q; break;
  }
}
} // namespace PxPrim

namespace PxPrim
{
// ---- grey arithmetic ----------------------------------------------------------------

PX_HOT_KERNEL
void ThresholdRows(std::uint8_t* dst, int stride, int width, int height, std::uint8_t threshold, std::uint8_t value,
                   bool greater)
{
  for (int y = 0; y < height; ++y)
  {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * stride;
    if (greater)
      for (int x = 0; x < width; ++x)
        d[x] = d[x] > threshold ? value : d[x];
    else
      for (int x = 0; x < width; ++x)
        d[x] = d[x] < threshold ? value : d[x];
  }
}

PX_HOT_KERNEL
void MultiplyHalfRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                      int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x)
    {
      // 16-bit lanes suffice (255 x 255 < 65536) and let the loop vectorise.
      const std::uint16_t p = static_cast<std::uint16_t>(d[x] * s[x]);
      const std::uint16_t half = static_cast<std::uint16_t>(p >> 1);
      // An odd product ends in .5: round to the even neighbour.
      const std::uint16_t r = static_cast<std::uint16_t>(half + (p & half & 1u));
      d[x] = static_cast<std::uint8_t>(r > 255u ? 255u : r);
    }
  }
}

std::pair<std::uint8_t, std::uint8_t> MaskedMinMax(const std::uint8_t* src, int srcStride, const std::uint8_t* mask,
                                                   int maskStride, int width, int height)
{
  std::uint8_t lo = 255, hi = 0;
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(y) * maskStride;
    std::uint8_t rowLo = 255, rowHi = 0;
    for (int x = 0; x < width; ++x)
    {
      // Branch-free so the loop vectorises: unmasked pixels contribute the neutral values.
      const std::uint8_t set = m[x] ? 0xFF : 0x00;
      rowLo = std::min<std::uint8_t>(rowLo, static_cast<std::uint8_t>(s[x] | ~set));
      rowHi = std::max<std::uint8_t>(rowHi, static_cast<std::uint8_t>(s[x] & set));
    }
    lo = std::min(lo, rowLo);
    hi = std::max(hi, rowHi);
  }
  return {lo, hi};
}

long long MaskedHistogram256(const std::uint8_t* src, int srcStride, const std::uint8_t* mask, int maskStride,
                             int width, int height, std::uint32_t* counts)
{
  // Branch-free counting (a masked-out pixel adds 0) into two interleaved tables:
  // camera masks are irregular, and a branch per pixel would mispredict.
  std::uint32_t t[2][256] = {};
  long long n = 0;
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(y) * maskStride;
    unsigned rowN = 0;
    int x = 0;
    for (; x + 2 <= width; x += 2)
    {
      const unsigned i0 = m[x] != 0, i1 = m[x + 1] != 0;
      t[0][s[x]] += i0;
      t[1][s[x + 1]] += i1;
      rowN += i0 + i1;
    }
    for (; x < width; ++x)
    {
      const unsigned i0 = m[x] != 0;
      t[0][s[x]] += i0;
      rowN += i0;
    }
    n += rowN;
  }
  for (int v = 0; v < 256; ++v)
    counts[v] = t[0][v] + t[1][v];
  return n;
}

double OtsuFromHistogram(const std::uint32_t* counts, long long n)
{
  const double scale = 1.0 / static_cast<double>(n);
  double muT = 0.0;
  for (int k = 0; k < 256; ++k)
    muT += k * static_cast<double>(counts[k]);
  muT *= scale;
  const double epsilon = 1.1920928955078125e-7;   // single-precision epsilon
  const double nearOne = 0.9999998807907104;      // 1 - 2^-23
  double omega = 0.0, mu = 0.0, best = 0.0;
  int bestK = 0;
  for (int k = 0; k < 256; ++k)
  {
    const double p = counts[k] * scale;
    mu *= omega;
    omega += p;
    if (std::min(omega, 1.0 - omega) < epsilon || std::max(omega, 1.0 - omega) > nearOne)
      continue;
    mu = (k * p + mu) / omega;
    const double mu1 = (muT - omega * mu) / (1.0 - omega);
    const double sigma = (1.0 - omega) * omega * (mu - mu1) * (mu - mu1);
    if (sigma > best)
    {
      best = sigma;
      bestK = k;
    }
  }
  return bestK;
}
} // namespace PxPrim
