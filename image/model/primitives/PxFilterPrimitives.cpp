#include "PxFilterPrimitives.h"

#include <algorithm>
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

void RankFilter(const cv::Mat& src, cv::Mat& dst, int k, RankOp op)
{
  const int h = k / 2;
  const cv::Rect area(h, h, src.cols - k, src.rows - k);
  cv::Mat out;
  switch (op)
  {
  case RankOp::Min:
  case RankOp::Max:
  {
    // The windows of the processed area lie inside the image, so the border
    // mode OpenCV uses outside it never reaches the pixels we keep.
    const cv::Mat kernel = cv::Mat::ones(k, k, CV_8UC1);
    if (op == RankOp::Min)
      cv::erode(src, out, kernel, cv::Point(h, h), 1, cv::BORDER_REPLICATE);
    else
      cv::dilate(src, out, kernel, cv::Point(h, h), 1, cv::BORDER_REPLICATE);
    break;
  }
  case RankOp::Median:
    if (k % 2 == 1 && (k <= 5 || src.depth() == CV_8U))
      cv::medianBlur(src, out, k);
    else
    {
      out.create(src.size(), src.type());
      MedianAnyWindow(src, out, k);
    }
    break;
  }
  out(area).copyTo(dst(area));
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
  dst = cv::Mat::zeros(src.size(), CV_8UC1);
  if (src.cols <= 2 * h || src.rows <= 2 * h)
    return;
  const cv::Mat kernel = cv::Mat::ones(2 * h + 1, 2 * h + 1, CV_8UC1);
  cv::Mat lo, hi;
  cv::erode(src, lo, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  cv::dilate(src, hi, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
  const cv::Rect inner(h, h, src.cols - 2 * h, src.rows - 2 * h);
  cv::Mat target = dst(inner);
  cv::subtract(hi(inner), lo(inner), target);
}

void MorphologyPass3x3(const cv::Mat& src, cv::Mat& dst, const cv::Rect& rect, const cv::Mat& mask, bool dilate)
{
  if (rect.width <= 0 || rect.height <= 0)
    return;
  // The rectangle grown by the 1-pixel neighbourhood it reads; it lies inside the image.
  const cv::Rect grown(rect.x - 1, rect.y - 1, rect.width + 2, rect.height + 2);
  const cv::Mat input(src, grown);
  const cv::Mat isolated = input.clone(); // no reads beyond `grown`, and src may be dst
  cv::Mat out;
  if (dilate)
    cv::dilate(isolated, out, mask, cv::Point(1, 1), 1, cv::BORDER_REPLICATE);
  else
    cv::erode(isolated, out, mask, cv::Point(1, 1), 1, cv::BORDER_REPLICATE);
  cv::Mat target = dst(rect);
  out(cv::Rect(1, 1, rect.width, rect.height)).copyTo(target);
}
} // namespace PxPrim
