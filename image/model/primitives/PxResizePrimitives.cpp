#include "PxResizePrimitives.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PX_RESIZE_SHUFFLES 1
#endif

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
constexpr int kBlock = 16;
constexpr int kMaxLoads = 4;

bool HasByteShuffles()
{
#ifdef PX_RESIZE_SHUFFLES
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
#else
  return false;
#endif
}
} // namespace

void BuildNearestRowShuffles(const int* xOfs, int dstWidth, int srcWidth, int pixelBytes,
                             NearestRowShuffles* shuffles)
{
  *shuffles = NearestRowShuffles();
  const long long srcRowBytes = static_cast<long long>(srcWidth) * pixelBytes;
  const long long dstRowBytes = static_cast<long long>(dstWidth) * pixelBytes;
  const int blocks = static_cast<int>(dstRowBytes / kBlock);
  if (!HasByteShuffles() || srcRowBytes < kBlock || blocks == 0)
    return;
  // Source byte of destination byte o: byte o % pixelBytes of its pixel's source.
  const auto sourceByte = [&](long long o) { return xOfs[o / pixelBytes] + o % pixelBytes; };
  int loads = 1;
  for (int b = 0; b < blocks; ++b)
  {
    long long lo = sourceByte(b * kBlock);
    long long hi = lo;
    for (int i = 1; i < kBlock; ++i)
    {
      lo = std::min(lo, sourceByte(b * kBlock + i));
      hi = std::max(hi, sourceByte(b * kBlock + i));
    }
    loads = std::max(loads, static_cast<int>((hi - lo) / kBlock + 1));
    if (loads > kMaxLoads)
      return;
  }
  shuffles->offsets.resize(static_cast<std::size_t>(blocks) * loads);
  shuffles->masks.assign(static_cast<std::size_t>(blocks) * loads * kBlock, 0x80);
  for (int b = 0; b < blocks; ++b)
  {
    long long lo = sourceByte(b * kBlock);
    for (int i = 1; i < kBlock; ++i)
      lo = std::min(lo, sourceByte(b * kBlock + i));
    for (int j = 0; j < loads; ++j)
    {
      // Consecutive loads from the block's first source byte, kept inside the row.
      const long long at = std::min(lo + static_cast<long long>(j) * kBlock, srcRowBytes - kBlock);
      shuffles->offsets[static_cast<std::size_t>(b) * loads + j] = static_cast<int>(at);
    }
    for (int i = 0; i < kBlock; ++i)
    {
      const long long source = sourceByte(b * kBlock + i);
      for (int j = 0; j < loads; ++j)
      {
        const long long at = shuffles->offsets[static_cast<std::size_t>(b) * loads + j];
        if (source >= at && source < at + kBlock)
        {
          shuffles->masks[(static_cast<std::size_t>(b) * loads + j) * kBlock + i] =
            static_cast<std::uint8_t>(source - at);
          break;
        }
      }
    }
  }
  shuffles->blocks = blocks;
  shuffles->loads = loads;
  shuffles->tailPixel = static_cast<int>(static_cast<long long>(blocks) * kBlock / pixelBytes);
}

namespace
{
#ifdef PX_RESIZE_SHUFFLES
template <int Loads>
__attribute__((target("ssse3"))) void ShuffleBlocks(const std::uint8_t* s, std::uint8_t* d,
                                                    const NearestRowShuffles& p)
{
  const int* offsets = p.offsets.data();
  const std::uint8_t* masks = p.masks.data();
  for (int b = 0; b < p.blocks; ++b, offsets += Loads, masks += Loads * kBlock)
  {
    __m128i v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + offsets[0])),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks)));
    for (int j = 1; j < Loads; ++j)
      v = _mm_or_si128(v, _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + offsets[j])),
                                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks + j * kBlock))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + b * kBlock), v);
  }
}

void Shuffle(const std::uint8_t* s, std::uint8_t* d, const NearestRowShuffles& p)
{
  switch (p.loads)
  {
  case 1: ShuffleBlocks<1>(s, d, p); break;
  case 2: ShuffleBlocks<2>(s, d, p); break;
  case 3: ShuffleBlocks<3>(s, d, p); break;
  case 4: ShuffleBlocks<4>(s, d, p); break;
  default: break;
  }
}
#endif

// The three row loops: one typed load and store per pixel, no per-pixel branch.
void Row1(const std::uint8_t* s, std::uint8_t* d, int width, const int* xOfs, int x = 0)
{
  for (; x < width; ++x)
    d[x] = s[xOfs[x]];
}

void Row4(const std::uint8_t* s, std::uint8_t* d, int width, const int* xOfs, int x = 0)
{
  for (; x < width; ++x)
  {
    std::uint32_t v;
    std::memcpy(&v, s + xOfs[x], 4);
    std::memcpy(d + 4 * static_cast<std::ptrdiff_t>(x), &v, 4);
  }
}

// 3-byte pixels as overlapping 4-byte words: each word's fourth byte is
// overwritten by the next pixel. The tail moves byte by byte.
void Row3(const std::uint8_t* s, std::uint8_t* d, int width, const int* xOfs, int wordPixels, int x = 0)
{
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
                       const int* xOfs, const int* yIdx, int wordPixels3, const NearestRowShuffles* shuffles)
{
  const bool shuffled = shuffles && shuffles->blocks > 0;
  // The plain loops take the pixels after the shuffled blocks.
  const int first = shuffled ? shuffles->tailPixel : 0;
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
#ifdef PX_RESIZE_SHUFFLES
    if (shuffled)
      Shuffle(s, d, *shuffles);
#endif
    switch (pixelBytes)
    {
    case 1: Row1(s, d, dstWidth, xOfs, first); break;
    case 3: Row3(s, d, dstWidth, xOfs, wordPixels3, first); break;
    case 4: Row4(s, d, dstWidth, xOfs, first); break;
    default: break;
    }
  }
}
} // namespace PxPrim
