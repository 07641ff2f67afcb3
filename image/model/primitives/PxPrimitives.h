#pragma once
// Pixel kernels of the image library. They trust their arguments: the public
// methods check sizes, pointers and regions once and then call these.
// Strides are in bytes and may exceed the row length (padded rows).
#include <cstddef>
#include <cstdint>

namespace PxPrim
{
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
/// Source index for destination index d when the axis is scaled by `factor`:
/// the destination pixel centre mapped back, (d + 0.5) / factor - 0.5, rounded
/// to nearest with halves to even and clamped to [0, srcLen - 1].
int NearestCentreIndex(int d, double factor, int srcLen);
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

// ---- HSV -------------------------------------------------------------------------
/// RGB to HSV with hue on a 0..255 scale (360 degrees = 255), saturation and
/// value 0..255: V = max, S = (V - min) / V, hue by sector from the maximum.
void RgbToHsv(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t* h, std::uint8_t* s, std::uint8_t* v);
/// Inverse of RgbToHsv on the same scales.
void HsvToRgb(std::uint8_t h, std::uint8_t s, std::uint8_t v, std::uint8_t* r, std::uint8_t* g, std::uint8_t* b);
} // namespace PxPrim
