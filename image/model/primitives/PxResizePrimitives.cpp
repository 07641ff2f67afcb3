#include "PxResizePrimitives.h"

#include <cmath>
#include <cstring>

namespace PxPrim
{
double NearestCentreFactor(int dstLen, int srcLen)
{
  return static_cast<double>(static_cast<float>(dstLen) / static_cast<float>(srcLen));
}

int NearestCentreIndex(int d, double factor, int srcLen)
{
  const double s = (d + 0.5) / factor - 0.5;
  const double r = std::nearbyint(s); // halves to even
  if (!(r > 0.0))
    return 0;
  if (r >= srcLen - 1)
    return srcLen - 1;
  return static_cast<int>(r);
}

void NearestCentreTable(int dstLen, int srcLen, int scale, int* table)
{
  const double factor = NearestCentreFactor(dstLen, srcLen);
  for (int d = 0; d < dstLen; ++d)
    table[d] = NearestCentreIndex(d, factor, srcLen) * scale;
}

int WordPixels3(const int* xOfs, int dstWidth, int srcWidth)
{
  const long long srcRowBytes = 3LL * srcWidth;
  int n = 0;
  while (n < dstWidth - 1 && xOfs[n] + 4LL <= srcRowBytes)
    ++n;
  return n;
}

namespace
{
// The three row loops: one typed load and store per pixel, no per-pixel branch.
void Row1(const std::uint8_t* s, std::uint8_t* d, int width, const int* xOfs)
{
  for (int x = 0; x < width; ++x)
    d[x] = s[xOfs[x]];
}

void Row4(const std::uint8_t* s, std::uint8_t* d, int width, const int* xOfs)
{
  for (int x = 0; x < width; ++x)
  {
    std::uint32_t v;
    std::memcpy(&v, s + xOfs[x], 4);
    std::memcpy(d + 4 * static_cast<std::ptrdiff_t>(x), &v, 4);
  }
}

// 3-byte pixels as overlapping 4-byte words: each word's fourth byte is
// overwritten by the next pixel. The tail moves byte by byte.
void Row3(const std::uint8_t* s, std::uint8_t* d, int width, const int* xOfs, int wordPixels)
{
  int x = 0;
  for (; x < wordPixels; ++x)
  {
    std::uint32_t v;
    std::memcpy(&v, s + xOfs[x], 4);
    std::memcpy(d + 3 * static_cast<std::ptrdiff_t>(x), &v, 4);
  }
  for (; x < width; ++x)
  {
    const std::uint8_t* p = s + xOfs[x];
    std::uint8_t* q = d + 3 * static_cast<std::ptrdiff_t>(x);
    q[0] = p[0];
    q[1] = p[1];
    q[2] = p[2];
  }
}
} // namespace

void ResizeNearestRows(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst,
                       std::ptrdiff_t dstStride, int dstWidth, int rowBegin, int rowEnd, int pixelBytes,
                       const int* xOfs, const int* yIdx, int wordPixels3)
{
  const std::size_t rowBytes = static_cast<std::size_t>(dstWidth) * pixelBytes;
  for (int dy = rowBegin; dy < rowEnd; ++dy)
  {
    std::uint8_t* d = dst + dy * dstStride;
    if (dy > rowBegin && yIdx[dy] == yIdx[dy - 1])
    {
      // Same source row as the previous destination row: copy the finished row.
      std::memcpy(d, d - dstStride, rowBytes);
      continue;
    }
    const std::uint8_t* s = src + yIdx[dy] * srcStride;
    switch (pixelBytes)
    {
    case 1: Row1(s, d, dstWidth, xOfs); break;
    case 3: Row3(s, d, dstWidth, xOfs, wordPixels3); break;
    case 4: Row4(s, d, dstWidth, xOfs); break;
    default: break;
    }
  }
}
} // namespace PxPrim
