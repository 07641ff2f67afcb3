#pragma once
// Kernels behind the analysis services: float comparisons into byte masks and
// marker-based region growing. Like the other kernels they trust their
// arguments (the callers clip regions first); strides are in bytes.
#include <cstdint>

namespace PxAnalysisPrim
{
enum class ECompare
{
  Less,
  Greater,
};
/// dst := 255 where a op b, else 0 (NaN compares false).
void CompareRows(ECompare op, const float* a, int aStride, const float* b, int bStride, std::uint8_t* dst,
                 int dstStride, int width, int height);
/// dst := 255 where |a − value| <= eps, else 0.
void CompareEqualEpsRows(const float* a, int aStride, float value, float eps, std::uint8_t* dst, int dstStride,
                         int width, int height);

/// Grows the non-zero labels of `markers` over the zero pixels, 8-connected:
/// the unlabelled pixel joined next is always the one with the smallest grey
/// difference |image(p) − image(q)| to an already labelled neighbour q, whose
/// label it takes; on equal differences the earlier candidate goes first.
/// Afterwards every pixel connected to a seed carries a seed's label; regions
/// without a seed stay 0. No border marking.
void SegmentGradient8u(const std::uint8_t* image, int imageStride, std::uint8_t* markers, int markerStride, int width,
                       int height);
}  // namespace PxAnalysisPrim
