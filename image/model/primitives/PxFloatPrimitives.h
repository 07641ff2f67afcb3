#pragma once
// Pixel kernels of the float and 32-bit integer images. Like the byte kernels
// they trust their arguments: the public methods check sizes, pointers and
// regions once and then call these. Strides are in bytes and may exceed the
// row length (padded rows). In-place forms may be given the same buffer as
// operand and destination.
#include <cstdint>

#include <opencv2/core/mat.hpp>

namespace PxFloatPrim
{
// ---- element-wise float arithmetic --------------------------------------------------
enum class EBinary
{
  Add, ///< a + b
  Sub, ///< a - b
  Mul, ///< a * b
  Div, ///< a / b, IEEE results (x / 0 = +-inf, 0 / 0 = NaN)
  Max, ///< a < b ? b : a
};
/// dst := a op b over width x height values; dst may be a (or b).
void BinaryRows(EBinary op, const float* a, int aStride, const float* b, int bStride, float* dst, int dstStride,
                int width, int height);

enum class EScalar
{
  Add, ///< v + c
  Mul, ///< v * c
};
/// dst := dst op c.
void ScalarRows(EScalar op, float c, float* dst, int stride, int width, int height);

enum class EUnary
{
  Abs,  ///< |v|
  Sqr,  ///< v * v
  Sqrt, ///< single-precision square root; NaN for negative values
  Exp,  ///< single-precision e^v
  Ln,   ///< single-precision natural logarithm; -inf for 0, NaN for negative values
  Tan,  ///< single-precision tangent
};
/// dst := f(dst).
void UnaryRows(EUnary op, float* dst, int stride, int width, int height);

/// a[x] += source[(x - shift) mod width] for x < width: `source` read as if
/// circularly shifted right by `shift` (any sign). a and source must not overlap.
void AddCircularRow(float* a, const float* source, int width, int shift);

// ---- set and clamp -----------------------------------------------------------------------
/// Every value := value.
void SetRows(float value, float* dst, int stride, int width, int height);
/// value where the mask byte is non-zero; other values unchanged.
void SetMaskedRows(float value, const std::uint8_t* mask, int maskStride, float* dst, int stride, int width,
                   int height);
/// greater ? v > threshold : v < threshold, such values become `value`. NaN
/// compares false and stays.
void ThresholdRows(float* dst, int stride, int width, int height, float threshold, float value, bool greater);

// ---- conversions ---------------------------------------------------------------------------
/// Unsigned 16-bit values (native byte order) to floats (exact).
void Convert16uRows(const std::uint16_t* src, int srcStride, float* dst, int dstStride, int width, int height);

// ---- geometry on 4-byte pixels ------------------------------------------------------------------
/// In place: the pixel at (x, y) moves to ((x + columnShift) mod width,
/// (y + rowShift) mod height). Shifts must lie in [0, width) and [0, height).
/// Every row is read and written once (rows follow the cycles of the row
/// permutation), with one spare row as scratch.
void CircShift32(void* buffer, int stride, int width, int height, int rowShift, int columnShift);

// ---- 32-bit signed integer arithmetic (saturating at INT_MIN / INT_MAX) ---------------------------------
/// dst := saturate(dst + src).
void AddSaturate32sRows(const std::int32_t* src, int srcStride, std::int32_t* dst, int dstStride, int width,
                        int height);
/// dst := saturate(dst + k).
void AddConstSaturate32sRows(std::int32_t k, std::int32_t* dst, int stride, int width, int height);
/// dst := saturate(dst * k).
void MulConstSaturate32sRows(std::int32_t k, std::int32_t* dst, int stride, int width, int height);
/// Every value := value.
void Set32sRows(std::int32_t value, std::int32_t* dst, int stride, int width, int height);

// ---- warp ------------------------------------------------------------------------------------------
/// Affine warp of a quadrangle (x0, y0, ..., x3, y3 in pixel-centre
/// coordinates). The affine map is the one that takes the first three source
/// corners onto the first three target corners; the fourth target corner is
/// replaced by the image of the fourth source corner. Every pixel of `dst`
/// (CV_32FC1) whose centre lies inside or on that target quadrangle, and whose
/// source position lies inside `src` ([0, w - 1] x [0, h - 1]), receives the
/// bilinearly interpolated source value; all other pixels keep their values.
/// `src` and `dst` must not share memory. Returns false (nothing written) when
/// either triangle of the first three corners is degenerate.
bool WarpAffineQuadLinear(const cv::Mat& src, cv::Mat& dst, const double sourceQuad[8], const double targetQuad[8]);
} // namespace PxFloatPrim
