// Colour rows and outline drawing.
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
// ---- colour rows ----------------------------------------------------------------------
void DropFourthByteRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                        int height)
{
  // OpenCV's BGRA -> BGR conversion copies bytes 0..2 of every pixel unchanged.
  const cv::Mat s(height, width, CV_8UC4, const_cast<std::uint8_t*>(src), static_cast<std::size_t>(srcStride));
  cv::Mat d(height, width, CV_8UC3, dst, static_cast<std::size_t>(dstStride));
  cv::cvtColor(s, d, cv::COLOR_BGRA2BGR);
}

void GreyToColourRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width, int height,
                      int channels)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        d[channels * x + c] = s[x];
  }
}

void ScaleChannelsRows(std::uint8_t* dst, int stride, int width, int height, int channels,
                       const std::uint8_t* factors)
{
  // One table per channel: pixel * factor / 255 never lies exactly halfway
  // between integers, so rounding to nearest is unambiguous.
  std::uint8_t lut[4][256];
  for (int c = 0; c < channels; ++c)
    for (int v = 0; v < 256; ++v)
      lut[c][v] = static_cast<std::uint8_t>((v * factors[c] + 127) / 255);
  for (int y = 0; y < height; ++y)
  {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        d[channels * x + c] = lut[c][d[channels * x + c]];
  }
}

namespace
{
// Coefficients in 16-bit fixed point.
constexpr int kRv = 74711;  // 1.140
constexpr int kGu = 25821;  // 0.394
constexpr int kGv = 38076;  // 0.581
constexpr int kBu = 133169; // 2.032
constexpr int kHalf = 1 << 15;

// Chroma terms of one chroma row, each written for the two pixels it covers
// (the arrays hold one slack element for an odd width).
PX_HOT_KERNEL
void ChromaTerms(const std::uint8_t* __restrict__ u, const std::uint8_t* __restrict__ v, int chromaWidth,
                 int* __restrict__ rt, int* __restrict__ gt, int* __restrict__ bt)
{
  for (int c = 0; c < chromaWidth; ++c)
  {
    const int uu = u[c] - 128;
    const int vv = v[c] - 128;
    const int r = kRv * vv + kHalf;
    const int g = kHalf - kGu * uu - kGv * vv;
    const int b = kBu * uu + kHalf;
    rt[2 * c] = r;
    rt[2 * c + 1] = r;
    gt[2 * c] = g;
    gt[2 * c + 1] = g;
    bt[2 * c] = b;
    bt[2 * c + 1] = b;
  }
}

// One luma row with its chroma terms into three planar byte rows; the add of a
// half before the floor shift rounds to nearest, the clamp saturates.
PX_HOT_KERNEL
void LumaRow(const std::uint8_t* __restrict__ y, const int* __restrict__ rt, const int* __restrict__ gt,
             const int* __restrict__ bt, int width, std::uint8_t* __restrict__ r, std::uint8_t* __restrict__ g,
             std::uint8_t* __restrict__ b)
{
  for (int x = 0; x < width; ++x)
  {
    const int luma = y[x] << 16;
    const int rv = (luma + rt[x]) >> 16;
    const int gv = (luma + gt[x]) >> 16;
    const int bv = (luma + bt[x]) >> 16;
    r[x] = static_cast<std::uint8_t>(rv < 0 ? 0 : (rv > 255 ? 255 : rv));
    g[x] = static_cast<std::uint8_t>(gv < 0 ? 0 : (gv > 255 ? 255 : gv));
    b[x] = static_cast<std::uint8_t>(bv < 0 ? 0 : (bv > 255 ? 255 : bv));
  }
}
} // namespace

long long Yuv420FrameBytes(int width, int height)
{
  const long long luma = static_cast<long long>(width) * height;
  const long long pairs = (height + 1) / 2;
  // The third plane's last chroma row read, (width + 1) / 2 bytes long.
  return luma + luma / 4 + (pairs - 1) * (width / 2) + (width + 1) / 2;
}

void Yuv420ToRgbRows(const std::uint8_t* yPlane, const std::uint8_t* uPlane, const std::uint8_t* vPlane, int width,
                     int height, std::uint8_t* dst, int dstStride)
{
  const int chromaStride = width / 2;
  const int pairs = (height + 1) / 2;
  auto work = [&](const cv::Range& range) {
    // Pixel x uses chroma x / 2: an odd width reads one chroma byte more per
    // row, which lies inside the plane (the next row's first byte, or the next plane).
    const int chromaWidth = (width + 1) / 2;
    const int span = 2 * chromaWidth;
    std::vector<int> terms(static_cast<std::size_t>(span) * 3);
    cv::Mat planes(3, width, CV_8UC1);
    for (int pair = range.start; pair < range.end; ++pair)
    {
      ChromaTerms(uPlane + static_cast<std::ptrdiff_t>(pair) * chromaStride,
                  vPlane + static_cast<std::ptrdiff_t>(pair) * chromaStride, chromaWidth, terms.data(),
                  terms.data() + span, terms.data() + 2 * span);
      for (int y = 2 * pair; y < std::min(2 * pair + 2, height); ++y)
      {
        LumaRow(yPlane + static_cast<std::ptrdiff_t>(y) * width, terms.data(), terms.data() + span,
                terms.data() + 2 * span, width, planes.ptr(0), planes.ptr(1), planes.ptr(2));
        // Interleave R, G, B into the pixel bytes in that order.
        const cv::Mat channels[3] = {planes.row(0), planes.row(1), planes.row(2)};
        cv::Mat out(1, width, CV_8UC3, dst + static_cast<std::ptrdiff_t>(y) * dstStride);
        cv::merge(channels, 3, out);
      }
    }
  };
  if (static_cast<long long>(width) * height < (1 << 16))
    work(cv::Range(0, pairs));
  else
    cv::parallel_for_(cv::Range(0, pairs), work, std::min(pairs, 16));
}
} // namespace PxPrim

namespace PxPrim
{
void DrawOutline(cv::Mat& target, const std::vector<cv::Point>& points, const cv::Scalar& colour, bool filled,
                 int thickness)
{
  if (points.empty() || target.empty())
    return;
  const std::vector<std::vector<cv::Point>> contours(1, points);
  cv::drawContours(target, contours, 0, colour, filled ? -1 : thickness, cv::LINE_8, cv::noArray(), INT_MAX,
                   cv::Point(0, 0));
}
} // namespace PxPrim
