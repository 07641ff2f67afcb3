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
/// `dst` is a one-channel 8-bit image of the source's size and may be the source.
void RangeFilter(const cv::Mat& src, cv::Mat& dst, int h);

/// Frame-sized scratch matrix `slot` (0 to 3) of the calling thread, reused
/// between calls when size and type stay the same.
cv::Mat& Scratch(int slot, cv::Size size, int type);

/// dst := round(response / divisor) (halves to even) saturated to -128..127,
/// plus 128; `response` holds 16-bit signed sums.
void ShiftedSignedBytes(const cv::Mat& response, float divisor, cv::Mat& dst);
/// The first `channels` bytes of every pixel: 255 when lo <= v <= hi, else 0.
void BandMaskRows(cv::Mat& region, int channels, std::uint8_t lo, std::uint8_t hi);

/// One 3 x 3 erosion (or dilation) pass with `mask` (3 x 3, 8-bit, non-zero =
/// member, anchor at the centre): dst(dstRect) from the neighbourhoods of
/// src(srcRect); both rectangles have one size and lie at least 1 pixel inside
/// their images, which are whole-image headers and may be the same image.
void MorphologyPass3x3(const cv::Mat& src, const cv::Rect& srcRect, cv::Mat& dst, const cv::Rect& dstRect,
                       const cv::Mat& mask, bool dilate);
/// `passes` in-place passes of MorphologyPass3x3 with the full 3 x 3 square
/// over image(rect) (1 pixel inside the image), in one pass: the pixels around
/// the rectangle never change, so after n passes a pixel holds the extremum
/// over its (2n + 1)-square window clipped to the rectangle grown by one pixel.
void MorphologySquarePasses(cv::Mat& image, const cv::Rect& rect, int passes, bool dilate);
/// Symmetric nearest neighbour over an 8-bit image: for every pixel (x, y)
/// with r <= x < width - r and r <= y < height - r, of each pair of offsets
/// (i, j) and (-i, -j) (i in -r..-1 with j in -r..r-1, then i = 0 with j in
/// -r..0; i along x, j along y) the member closer to the centre value (the
/// (-i, -j) one on ties) is summed; `out` ((width - 2r) x (height - 2r)) takes
/// sum / (2r^2 + r + 1), integer division.
void SymmetricNearestNeighbour(const cv::Mat& src, cv::Mat& out, int r);

/// 3 x 3 local binary pattern of an 8-bit region (`dst` of the same size, not
/// overlapping `src`), the region's edge pixels replicated outward: bit k is
/// set when neighbour k >= the centre, neighbours clockwise from the top-left
/// (0 top-left, 1 top, 2 top-right, 3 right, 4 bottom-right, 5 bottom,
/// 6 bottom-left, 7 left).
void LocalBinaryPattern3x3(const cv::Mat& src, cv::Mat& dst);
} // namespace PxPrim
