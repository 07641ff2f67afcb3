// Allocation, copies between strides, mirroring, nearest-neighbour resize and histograms.
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
// ---- allocation ---------------------------------------------------------------
int AlignedStride(int width, int pixelBytes)
{
  if (width <= 0 || pixelBytes <= 0)
    return -1;
  const long long row = static_cast<long long>(width) * pixelBytes;
  const long long stride = (row + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  return stride > INT_MAX ? -1 : static_cast<int>(stride);
}

std::uint8_t* AllocImage(int width, int height, int pixelBytes, int* stride)
{
  if (width <= 0 || height <= 0 || pixelBytes <= 0)
    throw std::invalid_argument("image width and height must be positive");
  const int s = AlignedStride(width, pixelBytes);
  const long long total = s < 0 ? LLONG_MAX : static_cast<long long>(s) * height;
  if (s < 0 || total > INT_MAX)
    throw std::length_error("image too large: height * stride exceeds the 32-bit buffer size");
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t bytes = static_cast<std::size_t>((total + kBufferAlignment - 1) / kBufferAlignment) *
                            static_cast<std::size_t>(kBufferAlignment);
  void* p = std::aligned_alloc(kBufferAlignment, bytes);
  if (!p)
    throw std::bad_alloc();
  // Zeroed so that a fresh image reads the same on every run.
  std::memset(p, 0, bytes);
  *stride = s;
  return static_cast<std::uint8_t*>(p);
}

void FreeImage(void* buffer)
{
  std::free(buffer);
}

// ---- copies --------------------------------------------------------------------
void CopyRows(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
              std::size_t rowBytes, int height)
{
  if (height <= 0 || rowBytes == 0)
    return;
  if (srcStride == dstStride && static_cast<std::size_t>(srcStride) == rowBytes)
  {
    std::memmove(dst, src, rowBytes * static_cast<std::size_t>(height));
    return;
  }
  for (int y = 0; y < height; ++y)
    std::memmove(dst + y * dstStride, src + y * srcStride, rowBytes);
}

// ---- mirror ----------------------------------------------------------------------
namespace
{
int CvType8u(int pixelBytes)
{
  return CV_MAKETYPE(CV_8U, pixelBytes);
}
} // namespace

void MirrorRows(std::uint8_t* buf, int stride, int width, int height, int pixelBytes)
{
  // cv::flip swaps mirrored rows pairwise, so it works in place.
  cv::Mat m(height, width, CvType8u(pixelBytes), buf, static_cast<std::size_t>(stride));
  cv::flip(m, m, 0);
}

void MirrorColumns(std::uint8_t* buf, int stride, int width, int height, int pixelBytes)
{
  // cv::flip exchanges mirrored pixels pairwise within a row: safe in place.
  cv::Mat m(height, width, CvType8u(pixelBytes), buf, static_cast<std::size_t>(stride));
  cv::flip(m, m, 1);
}

// ---- nearest-neighbour resize -----------------------------------------------------
void ResizeNearestCentre(const std::uint8_t* src, int srcWidth, int srcHeight, int srcStride, std::uint8_t* dst,
                         int dstWidth, int dstHeight, int dstStride, int pixelBytes, double xFactor,
                         double yFactor)
{
  std::vector<int> xOfs(static_cast<std::size_t>(dstWidth));
  std::vector<int> yIdx(static_cast<std::size_t>(dstHeight));
  for (int dx = 0; dx < dstWidth; ++dx)
    xOfs[dx] = NearestCentreIndex(dx, xFactor, srcWidth) * pixelBytes;
  for (int dy = 0; dy < dstHeight; ++dy)
    yIdx[dy] = NearestCentreIndex(dy, yFactor, srcHeight);
  const int wordPixels3 = pixelBytes == 3 ? WordPixels3(xOfs.data(), dstWidth, srcWidth) : 0;
  auto rows = [&](int begin, int end) {
    ResizeNearestRows(src, srcStride, dst, dstStride, dstWidth, begin, end, pixelBytes, xOfs.data(), yIdx.data(),
                      wordPixels3);
  };
  // Row bands on OpenCV's worker pool for frame-sized targets; each band writes only its own rows.
  const long long pixels = static_cast<long long>(dstWidth) * dstHeight;
  if (pixels < (1 << 16) || dstHeight < 8)
  {
    rows(0, dstHeight);
    return;
  }
  cv::parallel_for_(cv::Range(0, dstHeight), [&](const cv::Range& r) { rows(r.start, r.end); },
                    static_cast<double>(std::min(dstHeight / 4, 16)));
}

// ---- histogram ---------------------------------------------------------------------
int EvenLevel(int k, int levels, int lower, int upper)
{
  const long long span = static_cast<long long>(upper) - lower;
  return static_cast<int>(lower + static_cast<long long>(k) * span / (levels - 1));
}

void Histogram256(const std::uint8_t* src, int stride, int width, int height, std::uint32_t* counts)
{
  // Four interleaved tables break the store-to-load dependency on runs of equal values.
  std::uint32_t t[4][256] = {};
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* row = src + static_cast<std::ptrdiff_t>(y) * stride;
    int x = 0;
    for (; x + 4 <= width; x += 4)
    {
      ++t[0][row[x]];
      ++t[1][row[x + 1]];
      ++t[2][row[x + 2]];
      ++t[3][row[x + 3]];
    }
    for (; x < width; ++x)
      ++t[0][row[x]];
  }
  for (int v = 0; v < 256; ++v)
    counts[v] = t[0][v] + t[1][v] + t[2][v] + t[3][v];
}

void HistogramEven8u(const std::uint8_t* src, int stride, int width, int height, int bins, int lower, int upper,
                     int* counts)
{
  std::uint32_t values[256];
  Histogram256(src, stride, width, height, values);
  const int levels = bins + 1;
  for (int k = 0; k < bins; ++k)
  {
    const int lo = std::max(EvenLevel(k, levels, lower, upper), 0);
    const int hi = std::min(EvenLevel(k + 1, levels, lower, upper), 256);
    long long sum = 0;
    for (int v = lo; v < hi; ++v)
      sum += values[v];
    counts[k] = static_cast<int>(std::min<long long>(sum, INT_MAX));
  }
}
} // namespace PxPrim
