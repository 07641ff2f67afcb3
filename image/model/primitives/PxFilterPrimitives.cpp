#include "PxFilterPrimitives.h"
#include "PxHotKernel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace PxPrim
{
namespace
{
// Median of every k x k window (even k included), anchored at (k / 2, k / 2),
// for one-channel images: the general path where OpenCV's median needs odd sizes.
void MedianAnyWindow(const cv::Mat& src, cv::Mat& out, int k)
{
  const int h = k / 2;
  std::vector<std::uint8_t> window(static_cast<std::size_t>(k) * k * src.channels());
  const int cn = src.channels();
  for (int y = h; y < h + src.rows - k; ++y)
    for (int x = h; x < h + src.cols - k; ++x)
      for (int c = 0; c < cn; ++c)
      {
        std::size_t n = 0;
        for (int j = 0; j < k; ++j)
        {
          const std::uint8_t* row = src.ptr<std::uint8_t>(y - h + j);
          for (int i = 0; i < k; ++i)
            window[n++] = row[(x - h + i) * cn + c];
        }
        std::nth_element(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(n / 2),
                         window.begin() + static_cast<std::ptrdiff_t>(n));
        out.ptr<std::uint8_t>(y)[x * cn + c] = window[n / 2];
      }
}
} // namespace

cv::Mat& Scratch(int slot, cv::Size size, int type)
{
  // Reused per thread: a fresh frame-sized matrix per call would cost a page
  // fault per page on every call.
  thread_local cv::Mat scratch[4];
  scratch[slot].create(size, type);
  return scratch[slot];
}

void RankFilter(const cv::Mat& src, cv::Mat& dst, int k, RankOp op)
{
  const int h = k / 2;
  const cv::Rect area(h, h, src.cols - k, src.rows - k);
  const bool inPlace = src.data == dst.data;
  cv::Mat out = inPlace ? Scratch(0, area.size(), src.type()) : dst(area);
  switch (op)
  {
  case RankOp::Min:
  case RankOp::Max:
  {
    // A sub-matrix of the whole image: OpenCV reads the window pixels around
    // the area from the image itself, and they all lie inside it.
    const cv::Mat kernel = cv::Mat::ones(k, k, CV_8UC1);
    if (op == RankOp::Min)
      cv::erode(src(area), out, kernel, cv::Point(h, h), 1, cv::BORDER_REPLICATE);
    else
      cv::dilate(src(area), out, kernel, cv::Point(h, h), 1, cv::BORDER_REPLICATE);
    break;
  }
  case RankOp::Median:
    if (k % 2 == 1 && (k <= 5 || src.depth() == CV_8U))
    {
      // The median reads only its input matrix: give it the area grown by the
      // window, which lies inside the image, and keep the centre.
      const cv::Rect grown(0, 0, area.width + 2 * h, area.height + 2 * h);
      cv::Mat& full = Scratch(1, grown.size(), src.type());
      cv::medianBlur(src(grown), full, k);
      full(cv::Rect(h, h, area.width, area.height)).copyTo(out);
    }
    else
    {
      cv::Mat& full = Scratch(1, src.size(), src.type());
      MedianAnyWindow(src, full, k);
      full(area).copyTo(out);
    }
    break;
  }
  if (inPlace)
  {
    cv::Mat target = dst(area);
    out.copyTo(target);
  }
}

void VectorMedianFilter(const cv::Mat& src, cv::Mat& dst, int k)
{
  const int h = k / 2;
  const cv::Rect area(h, h, src.cols - k, src.rows - k);
  cv::Mat out(area.size(), CV_8UC3);
  std::vector<cv::Vec3b> window(static_cast<std::size_t>(k) * k);
  for (int y = area.y; y < area.y + area.height; ++y)
    for (int x = area.x; x < area.x + area.width; ++x)
    {
      std::size_t n = 0;
      for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i)
          window[n++] = src.at<cv::Vec3b>(y - h + j, x - h + i);
      long best = -1;
      std::size_t bestIndex = 0;
      for (std::size_t a = 0; a < n; ++a)
      {
        long sum = 0;
        for (std::size_t b = 0; b < n; ++b)
          sum += std::abs(window[a][0] - window[b][0]) + std::abs(window[a][1] - window[b][1]) +
                 std::abs(window[a][2] - window[b][2]);
        if (best < 0 || sum < best)
        {
          best = sum;
          bestIndex = a;
        }
      }
      out.at<cv::Vec3b>(y - area.y, x - area.x) = window[bestIndex];
    }
  cv::Mat target = dst(area);
  out.copyTo(target);
}

void RangeFilter(const cv::Mat& src, cv::Mat& dst, int h)
{
  const bool fits = src.cols > 2 * h && src.rows > 2 * h;
  const cv::Rect inner = fits ? cv::Rect(h, h, src.cols - 2 * h, src.rows - 2 * h) : cv::Rect();
  if (fits)
  {
    // Both extremes first: dst may be the source.
    const cv::Mat kernel = cv::Mat::ones(2 * h + 1, 2 * h + 1, CV_8UC1);
    cv::Mat& lo = Scratch(0, inner.size(), CV_8UC1);
    cv::Mat& hi = Scratch(1, inner.size(), CV_8UC1);
    cv::erode(src(inner), lo, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::dilate(src(inner), hi, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::Mat target = dst(inner);
    cv::subtract(hi, lo, target);
  }
  // The band around the computed area is 0.
  for (int y = 0; y < dst.rows; ++y)
  {
    std::uint8_t* row = dst.ptr<std::uint8_t>(y);
    if (!fits || y < inner.y || y >= inner.y + inner.height)
      std::fill(row, row + dst.cols, std::uint8_t(0));
    else
    {
      std::fill(row, row + inner.x, std::uint8_t(0));
      std::fill(row + inner.x + inner.width, row + dst.cols, std::uint8_t(0));
    }
  }
}

void MorphologyPass3x3(const cv::Mat& src, const cv::Rect& srcRect, cv::Mat& dst, const cv::Rect& dstRect,
                       const cv::Mat& mask, bool dilate)
{
  if (srcRect.width <= 0 || srcRect.height <= 0 || srcRect.size() != dstRect.size())
    return;
  // src(srcRect) is a sub-matrix of the whole image: OpenCV takes the one-pixel
  // neighbourhood around it from the image (the rectangle lies 1 pixel inside it).
  const bool sameImage = src.data == dst.data;
  cv::Mat out = sameImage ? Scratch(2, srcRect.size(), src.type()) : dst(dstRect);
  if (dilate)
    cv::dilate(src(srcRect), out, mask, cv::Point(1, 1), 1, cv::BORDER_REPLICATE);
  else
    cv::erode(src(srcRect), out, mask, cv::Point(1, 1), 1, cv::BORDER_REPLICATE);
  if (sameImage)
  {
    cv::Mat target = dst(dstRect);
    out.copyTo(target);
  }
}

void MorphologySquarePasses(cv::Mat& image, const cv::Rect& rect, int passes, bool dilate)
{
  if (rect.width <= 0 || rect.height <= 0 || passes <= 0)
    return;
  const cv::Rect grown(rect.x - 1, rect.y - 1, rect.width + 2, rect.height + 2);
  const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * passes + 1, 2 * passes + 1));
  cv::Mat& out = Scratch(3, grown.size(), image.type());
  // The window stops at the grown rectangle (isolated), and OpenCV's constant
  // morphology border is neutral: outside pixels never win.
  const int border = cv::BORDER_CONSTANT | cv::BORDER_ISOLATED;
  if (dilate)
    cv::dilate(image(grown), out, kernel, cv::Point(-1, -1), 1, border, cv::morphologyDefaultBorderValue());
  else
    cv::erode(image(grown), out, kernel, cv::Point(-1, -1), 1, border, cv::morphologyDefaultBorderValue());
  cv::Mat target = image(rect);
  out(cv::Rect(1, 1, rect.width, rect.height)).copyTo(target);
}

namespace
{
// round-to-nearest-even by the float adder: adding and subtracting 1.5 * 2^23
// rounds any |v| < 2^22 to an integer, so the loop vectorises without libm.
PX_HOT_KERNEL void ShiftedSignedRow(const std::int16_t* __restrict__ s,
                                                                        std::uint8_t* __restrict__ d, int n,
                                                                        float divisor)
{
  const float magic = 12582912.0f;
  for (int x = 0; x < n; ++x)
  {
    // Responses of 8-bit images are far below 2^22, so the rounding trick holds.
    const float v = (static_cast<float>(s[x]) / divisor + magic) - magic;
    std::int32_t i = static_cast<std::int32_t>(v);
    i = std::min(std::max(i, -128), 127);
    d[x] = static_cast<std::uint8_t>(i + 128);
  }
}

// The same for a power-of-two divisor, whose reciprocal is exact, so a multiply
// gives the identical quotient.
PX_HOT_KERNEL void ShiftedSignedRowPow2(const std::int16_t* __restrict__ s,
                                                                            std::uint8_t* __restrict__ d, int n,
                                                                            float reciprocal)
{
  const float magic = 12582912.0f;
  for (int x = 0; x < n; ++x)
  {
    const float v = (static_cast<float>(s[x]) * reciprocal + magic) - magic;
    std::int32_t i = static_cast<std::int32_t>(v);
    i = std::min(std::max(i, -128), 127);
    d[x] = static_cast<std::uint8_t>(i + 128);
  }
}
} // namespace

void ShiftedSignedBytes(const cv::Mat& response, float divisor, cv::Mat& dst)
{
  int exponent = 0;
  const bool powerOfTwo = std::frexp(divisor, &exponent) == 0.5f;
  for (int y = 0; y < dst.rows; ++y)
  {
    if (powerOfTwo)
      ShiftedSignedRowPow2(response.ptr<std::int16_t>(y), dst.ptr<std::uint8_t>(y), dst.cols, 1.0f / divisor);
    else
      ShiftedSignedRow(response.ptr<std::int16_t>(y), dst.ptr<std::uint8_t>(y), dst.cols, divisor);
  }
}

void BandMaskRows(cv::Mat& region, int channels, std::uint8_t lo, std::uint8_t hi)
{
  const int cn = region.channels();
  for (int y = 0; y < region.rows; ++y)
  {
    std::uint8_t* p = region.ptr<std::uint8_t>(y);
    if (channels == cn)
    {
      const int n = region.cols * cn;
      for (int i = 0; i < n; ++i)
        p[i] = (p[i] >= lo && p[i] <= hi) ? 255 : 0;
    }
    else
      for (int x = 0; x < region.cols; ++x)
        for (int c = 0; c < channels; ++c)
          p[x * cn + c] = (p[x * cn + c] >= lo && p[x * cn + c] <= hi) ? 255 : 0;
  }
}
} // namespace PxPrim

namespace PxPrim
{
namespace
{
// Adds, for one pair of rows, the member of each pixel pair closer to the
// centre value (b on ties) into 16-bit sums; branch-free so the loop vectorises.
PX_HOT_KERNEL void SnnPairRow(const std::uint8_t* __restrict__ centre,
                                                                  const std::uint8_t* __restrict__ a,
                                                                  const std::uint8_t* __restrict__ b,
                                                                  std::uint16_t* __restrict__ sum, int n)
{
  for (int x = 0; x < n; ++x)
  {
    const int v = centre[x];
    const int da = a[x] > v ? a[x] - v : v - a[x];
    const int db = b[x] > v ? b[x] - v : v - b[x];
    sum[x] = static_cast<std::uint16_t>(sum[x] + (da < db ? a[x] : b[x]));
  }
}
} // namespace

void SymmetricNearestNeighbour(const cv::Mat& src, cv::Mat& out, int r)
{
  const int width = src.cols - 2 * r;
  const unsigned count = static_cast<unsigned>(2 * r * r + r + 1);
  // 255 x count must fit the 16-bit sums: r up to 11; larger windows take 32-bit sums.
  const bool narrow = 255u * count <= 65535u;
  // Rows are independent: bands of them run on OpenCV's worker pool.
  cv::parallel_for_(cv::Range(r, src.rows - r), [&](const cv::Range& rows) {
    std::vector<std::uint16_t> sums(static_cast<std::size_t>(width));
    std::vector<std::uint32_t> wide;
    for (int y = rows.start; y < rows.end; ++y)
    {
      std::fill(sums.begin(), sums.end(), std::uint16_t(0));
      if (!narrow)
        wide.assign(static_cast<std::size_t>(width), 0u);
      const std::uint8_t* centre = src.ptr<std::uint8_t>(y) + r;
      auto pair = [&](int i, int j) {
        const std::uint8_t* a = src.ptr<std::uint8_t>(y + j) + r + i;
        const std::uint8_t* b = src.ptr<std::uint8_t>(y - j) + r - i;
        if (narrow)
          SnnPairRow(centre, a, b, sums.data(), width);
        else
          for (int x = 0; x < width; ++x)
          {
            const int v = centre[x];
            wide[x] += std::abs(a[x] - v) < std::abs(b[x] - v) ? a[x] : b[x];
          }
      };
      for (int i = -r; i <= -1; ++i)
        for (int j = -r; j <= r - 1; ++j)
          pair(i, j);
      for (int j = -r; j <= 0; ++j)
        pair(0, j);
      std::uint8_t* o = out.ptr<std::uint8_t>(y - r);
      for (int x = 0; x < width; ++x)
        o[x] = static_cast<std::uint8_t>((narrow ? sums[x] : wide[x]) / count);
    }
  });
}
void LocalBinaryPattern3x3(const cv::Mat& src, cv::Mat& dst)
{
  cv::Mat framed;
  cv::copyMakeBorder(src, framed, 1, 1, 1, 1, cv::BORDER_REPLICATE);
  const int w = src.cols;
  for (int y = 0; y < src.rows; ++y)
  {
    const std::uint8_t* up = framed.ptr<std::uint8_t>(y) + 1;
    const std::uint8_t* mid = framed.ptr<std::uint8_t>(y + 1) + 1;
    const std::uint8_t* down = framed.ptr<std::uint8_t>(y + 2) + 1;
    std::uint8_t* out = dst.ptr<std::uint8_t>(y);
    for (int x = 0; x < w; ++x)
    {
      const std::uint8_t c = mid[x];
      out[x] = static_cast<std::uint8_t>((up[x - 1] >= c) | (up[x] >= c) << 1 | (up[x + 1] >= c) << 2 |
                                         (mid[x + 1] >= c) << 3 | (down[x + 1] >= c) << 4 | (down[x] >= c) << 5 |
                                         (down[x - 1] >= c) << 6 | (mid[x - 1] >= c) << 7);
    }
  }
}
} // namespace PxPrim
