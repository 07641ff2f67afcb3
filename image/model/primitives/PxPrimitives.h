#pragma once
// Pixel kernels of the image library. They trust their arguments: the public
// methods check sizes, pointers and regions once and then call these.
// Strides are in bytes and may exceed the row length (padded rows).
#include <climits>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "PxResizePrimitives.h"

namespace PxPrim
{
/// Truncation toward zero saturated to the int range; NaN gives 0.
inline int TruncToInt(double v)
{
  if (!(v == v))
    return 0;
  if (v >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (v <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(v);
}

// ---- allocation ------------------------------------------------------------
/// Row alignment of image buffers in bytes and alignment of the buffer start.
constexpr int kRowAlignment = 32;
constexpr int kBufferAlignment = 64;

/// Stride for `width` pixels of `pixelBytes` bytes: the row length rounded up
/// to a multiple of kRowAlignment. Returns -1 when width or pixelBytes is not
/// positive or the stride does not fit an int.
int AlignedStride(int width, int pixelBytes);
/// Allocates height rows of AlignedStride(width, pixelBytes) bytes, start
/// aligned to kBufferAlignment, contents zero; writes the stride to *stride.
/// Throws std::invalid_argument for non-positive sizes, std::length_error when
/// height * stride does not fit a 32-bit signed size, std::bad_alloc when the
/// memory cannot be had.
std::uint8_t* AllocImage(int width, int height, int pixelBytes, int* stride);
void FreeImage(void* buffer);

// ---- copies ------------------------------------------------------------------
/// Copies `height` rows of `rowBytes` bytes between two strides.
void CopyRows(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
              std::size_t rowBytes, int height);

// ---- mirror --------------------------------------------------------------------
/// In place: row i exchanged with row height-1-i (top and bottom exchanged).
void MirrorRows(std::uint8_t* buf, int stride, int width, int height, int pixelBytes);
/// In place: pixel x exchanged with pixel width-1-x in every row. Pixel sizes 1, 3, 4.
void MirrorColumns(std::uint8_t* buf, int stride, int width, int height, int pixelBytes);

// ---- nearest-neighbour resize --------------------------------------------------
/// Resizes a whole image by sampling at pixel centres with the given factors
/// (destination / source). Pixel sizes 1, 3 and 4.
void ResizeNearestCentre(const std::uint8_t* src, int srcWidth, int srcHeight, int srcStride, std::uint8_t* dst,
                         int dstWidth, int dstHeight, int dstStride, int pixelBytes, double xFactor,
                         double yFactor);

// ---- histogram -----------------------------------------------------------------
/// Level k of `levels` = lower + k * (upper - lower) / (levels - 1), integer division.
int EvenLevel(int k, int levels, int lower, int upper);
/// Counts of 8-bit values: counts[k] = number of v with level k <= v < level k+1
/// for k = 0..bins-1 (levels = bins + 1, evenly spaced from lower to upper).
void HistogramEven8u(const std::uint8_t* src, int stride, int width, int height, int bins, int lower, int upper,
                     int* counts);
/// Plain 256-entry value histogram of an 8-bit region.
void Histogram256(const std::uint8_t* src, int stride, int width, int height, std::uint32_t* counts);

// ---- grey conversions ------------------------------------------------------------
/// 0.299 R + 0.587 G + 0.114 B in 14-bit fixed point, rounded to nearest.
inline std::uint8_t RgbToGray(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  return static_cast<std::uint8_t>((r * 4899 + g * 9617 + b * 1868 + (1 << 13)) >> 14);
}
/// Rows of pixels holding R, G, B (pixelBytes 3) or R, G, B, x (pixelBytes 4)
/// in memory order to grey.
void RgbRowsToGray(const std::uint8_t* src, int srcStride, int pixelBytes, std::uint8_t* dst, int dstStride,
                   int width, int height);
/// Rows of little-endian 16-bit values scaled linearly from 0..65535 to 0..255,
/// rounded to nearest (v / 257).
void Scale16uTo8uRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                      int height);

// ---- drawing -----------------------------------------------------------------------
/// One closed outline through `points` (or its filled interior when `filled`),
/// 8-connected, as OpenCV draws a single contour with no hierarchy.
void DrawOutline(cv::Mat& target, const std::vector<cv::Point>& points, const cv::Scalar& colour, bool filled,
                 int thickness);

// ---- colour rows -------------------------------------------------------------------
/// Rows of 4-byte pixels to 3-byte pixels, the fourth byte dropped.
void DropFourthByteRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                        int height);
/// Rows of grey bytes to pixels of `channels` (3 or 4) equal bytes.
void GreyToColourRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width, int height,
                      int channels);
/// Each channel c of every pixel becomes round(pixel * factors[c] / 255).
void ScaleChannelsRows(std::uint8_t* dst, int stride, int width, int height, int channels,
                       const std::uint8_t* factors);
/// Planar 4:2:0 to packed rows of R, G, B bytes: R = Y + 1.140 V', G = Y - 0.394 U'
/// - 0.581 V', B = Y + 2.032 U' (U', V' = chroma - 128), rounded and saturated.
/// Chroma planes have rows of width / 2 bytes; pixel (x, y) uses chroma (x / 2, y / 2).
/// Bytes a planar 4:2:0 frame of this size must hold for Yuv420ToRgbRows over
/// planes at offsets 0, w * h and w * h + w * h / 4 (w * h * 3 / 2 for even sizes).
long long Yuv420FrameBytes(int width, int height);
void Yuv420ToRgbRows(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v, int width, int height,
                     std::uint8_t* dst, int dstStride);

// ---- HSV -------------------------------------------------------------------------
/// RGB to HSV with hue on a 0..255 scale (360 degrees = 255), saturation and
/// value 0..255: V = max, S = (V - min) / V, hue by sector from the maximum.
void RgbToHsv(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t* h, std::uint8_t* s, std::uint8_t* v);
/// Inverse of RgbToHsv on the same scales.
void HsvToRgb(std::uint8_t h, std::uint8_t s, std::uint8_t v, std::uint8_t* r, std::uint8_t* g, std::uint8_t* b);
// ---- grey arithmetic ---------------------------------------------------------------
/// dst := saturate(round_half_even(dst * src / 2)), the integer multiply with
/// scale factor 1: 10 x 10 -> 50, 200 x 200 -> 255, 3 x 1 -> 2, 5 x 1 -> 2.
void MultiplyHalfRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                      int height);
/// d[x] := f(d[x]) over the rows of a region; f is inlined so simple maps vectorise.
template <typename F>
inline void MapRows(std::uint8_t* dst, int stride, int width, int height, F f)
{
  for (int y = 0; y < height; ++y)
  {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x)
      d[x] = f(d[x]);
  }
}
/// Whole-row clamps: greater ? v > threshold : v < threshold, such pixels become `value`.
void ThresholdRows(std::uint8_t* dst, int stride, int width, int height, std::uint8_t threshold, std::uint8_t value,
                   bool greater);
/// v / d rounded to nearest with halves to even (d > 0).
inline std::uint8_t DivideRoundHalfEven(int v, int d)
{
  int q = v / d;
  const int twice = 2 * (v % d);
  if (twice > d || (twice == d && (q & 1)))
    ++q;
  return static_cast<std::uint8_t>(q > 255 ? 255 : q);
}
/// (minimum, maximum) of the pixels whose mask byte is non-zero; (255, 0) when none.
std::pair<std::uint8_t, std::uint8_t> MaskedMinMax(const std::uint8_t* src, int srcStride, const std::uint8_t* mask,
                                                   int maskStride, int width, int height);
/// 256-entry histogram of the pixels whose mask byte is non-zero; returns their number.
long long MaskedHistogram256(const std::uint8_t* src, int srcStride, const std::uint8_t* mask, int maskStride,
                             int width, int height, std::uint32_t* counts);
/// Otsu's threshold of a 256-entry histogram of n > 0 values: the level k that
/// maximises the between-class variance of {<= k} and {> k}, lowest k on ties;
/// bins whose class weight is within single-precision epsilon of 0 or 1 are skipped.
double OtsuFromHistogram(const std::uint32_t* counts, long long n);

// ---- geometric warps --------------------------------------------------------------
/// Maps (CV_32F) from every target pixel to its source position under the
/// inverse of the forward affine map [a b c; d e f] (source -> target).
/// Returns false when the map is singular.
bool AffineInverseMaps(const double forward[6], int targetWidth, int targetHeight, cv::Mat& mapX, cv::Mat& mapY);
/// Maps for the bilinear transform that takes the source quadrangle (x0, y0,
/// ..., x3, y3) onto the target quadrangle: x' = a xy + b x + c y + d and
/// likewise y'. Target pixels outside the target quadrangle get positions
/// outside every image. Returns false for quadrangles that define no transform.
bool BilinearQuadInverseMaps(const double sourceQuad[8], const double targetQuad[8], int targetWidth,
                             int targetHeight, cv::Mat& mapX, cv::Mat& mapY);
/// Cubic resampling of `src` at the mapped positions; only target pixels whose
/// position lies inside the source ([-0.5, size - 0.5) on each axis) change.
/// `src` and `dst` may share their pixels (the source is then read from a snapshot).
void RemapCubicInside(const cv::Mat& src, cv::Mat& dst, const cv::Mat& mapX, const cv::Mat& mapY);
/// Warps `src` into `dst` by the forward affine map [a b c; d e f] (source ->
/// target) with cubic interpolation; target pixels outside the source keep their values.
void WarpAffineCubicInside(const cv::Mat& src, cv::Mat& dst, const double forward[6]);
} // namespace PxPrim
