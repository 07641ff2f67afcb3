#pragma once
// Neighbourhood kernels of the filter library. Images are passed as cv::Mat
// headers over whole image buffers; the kernels trust their arguments.
#include <cstdint>

#include <opencv2/core/mat.hpp>

namespace PxPrim
{
enum class RankOp
{
  Min,
  Max,
  Median,
};

/// Rank filter with a k x k window anchored at (k / 2, k / 2) over the
/// processed area: the (width - k) x (height - k) pixels from (k / 2, k / 2),
/// whose windows lie inside the image. Only that area of `dst` is written; the
/// border band keeps its contents. `src` and `dst` may be the same image.
/// Requires k >= 1 and an image larger than k in both directions.
void RankFilter(const cv::Mat& src, cv::Mat& dst, int k, RankOp op);
/// Vector median over a k x k window of 3-channel pixels: the window pixel with
/// the least sum of L1 distances to all others (first in scan order on ties),
/// over the same processed area as RankFilter.
void VectorMedianFilter(const cv::Mat& src, cv::Mat& dst, int k);

/// Local range (maximum - minimum) over the (2h + 1)^2 window centred on every
/// pixel with h <= x < width - h and h <= y < height - h; the band around it is 0.
/// `dst` is a fresh one-channel 8-bit image of the source's size.
void RangeFilter(const cv::Mat& src, cv::Mat& dst, int h);

/// One 3 x 3 erosion (or dilation) pass with `mask` (3 x 3, 8-bit, non-zero =
/// member, anchor at the centre) over `rect` of `dst`, reading the 1-pixel
/// neighbourhood from `src`; rect must lie at least 1 pixel inside the image.
/// `src` and `dst` may be the same image.
void MorphologyPass3x3(const cv::Mat& src, cv::Mat& dst, const cv::Rect& rect, const cv::Mat& mask, bool dilate);
} // namespace PxPrim
