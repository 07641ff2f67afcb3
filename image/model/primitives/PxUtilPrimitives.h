#pragma once
// Kernels of the image conversions and utilities. They trust their arguments:
// the public functions check pointers, sizes and regions first. Strides are in
// bytes.
#include <cstdint>
#include <vector>

#include <opencv2/core/types.hpp>

namespace PxPrim
{
/// dst := src for every byte of `height` rows of `width` bytes.
void U8ToF32Rows(const std::uint8_t* src, int srcStride, float* dst, int dstStride, int width, int height);
/// dst := src rounded to nearest with halves to even, saturated to 0..255;
/// NaN gives 0.
void F32ToU8Rows(const float* src, int srcStride, std::uint8_t* dst, int dstStride, int width, int height);
/// Rows of 3-byte pixels to float grey levels: RgbToGray of the bytes in memory
/// order (first byte weighted as red), the whole level as a float.
void Rgb3ToGrayF32Rows(const std::uint8_t* src, int srcStride, float* dst, int dstStride, int width, int height);
/// In place: bytes 0 and 2 of every 3-byte pixel exchanged.
void SwapOuterBytes3Rows(std::uint8_t* buf, int stride, int width, int height);
/// Rows of B, G, R pixels to H, S, V pixels: RgbToHsv of (R, G, B) with the
/// hue rescaled from 0..255 to 0..180 (rounded, halves to even). `src` and
/// `dst` may be the same rows.
void BgrToHsv180Rows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                     int height);
/// Appends to *peaks, in row-major order and at most `maxPeaks` in all, the
/// pixels v of a float region with v > threshold and v >= each of its 8
/// neighbours that lie inside the region (NaN neighbours are ignored, NaN
/// pixels are never peaks). Coordinates are relative to the region.
void FindPeaks3x3(const float* src, int stride, int width, int height, float threshold, int maxPeaks,
                  std::vector<cv::Point>* peaks);
} // namespace PxPrim
