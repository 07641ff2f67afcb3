#include "PxFloatPrimitives.h"
#include "PxHotKernel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numeric>
#include <type_traits>
#include <vector>


namespace PxFloatPrim
{
namespace
{
template <typename T>
inline T* RowOf(T* base, int stride, int y)
{
  using Byte = std::conditional_t<std::is_const_v<T>, const std::uint8_t, std::uint8_t>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<std::ptrdiff_t>(y) * stride);
}

template <typename F>
inline void Binary(const float* a, int aStride, const float* b, int bStride, float* dst, int dstStride, int width,
                   int height, F f)
{
  for (int y = 0; y < height; ++y)
  {
    const float* ra = RowOf(a, aStride, y);
    const float* rb = RowOf(b, bStride, y);
    float* rd = RowOf(dst, dstStride, y);
    for (int x = 0; x < width; ++x)
      rd[x] = f(ra[x], rb[x]);
  }
}

template <typename F>
inline void Map(float* dst, int stride, int width, int height, F f)
{
  for (int y = 0; y < height; ++y)
  {
    float* rd = RowOf(dst, stride, y);
    for (int x = 0; x < width; ++x)
      rd[x] = f(rd[x]);
  }
}
} // namespace

// ---- element-wise float arithmetic --------------------------------------------------
PX_HOT_KERNEL
void BinaryRows(EBinary op, const float* a, int aStride, const float* b, int bStride, float* dst, int dstStride,
                int width, int height)
{
  switch (op)
  {
  case EBinary::Add:
    Binary(a, aStride, b, bStride, dst, dstStride, width, height, [](float p, float q) { return p + q; });
    break;
  case EBinary::Sub:
    Binary(a, aStride, b, bStride, dst, dstStride, width, height, [](float p, float q) { return p - q; });
    break;
  case EBinary::Mul:
    Binary(a, aStride, b, bStride, dst, dstStride, width, height, [](float p, float q) { return p * q; });
    break;
  case EBinary::Div:
    Binary(a, aStride, b, bStride, dst, dstStride, width, height, [](float p, float q) { return p / q; });
    break;
  case EBinary::Max:
    Binary(a, aStride, b, bStride, dst, dstStride, width, height, [](float p, float q) { return p < q ? q : p; });
    break;
  }
}

PX_HOT_KERNEL
void ScalarRows(EScalar op, float c, float* dst, int stride, int width, int height)
{
  if (op == EScalar::Add)
    Map(dst, stride, width, height, [c](float v) { return v + c; });
  else
    Map(dst, stride, width, height, [c](float v) { return v * c; });
}

void UnaryRows(EUnary op, float* dst, int stride, int width, int height)
{
  switch (op)
  {
  case EUnary::Abs: Map(dst, stride, width, height, [](float v) { return std::fabs(v); }); break;
  case EUnary::Sqr: Map(dst, stride, width, height, [](float v) { return v * v; }); break;
  case EUnary::Sqrt: Map(dst, stride, width, height, [](float v) { return std::sqrt(v); }); break;
  case EUnary::Exp: Map(dst, stride, width, height, [](float v) { return std::exp(v); }); break;
  case EUnary::Ln: Map(dst, stride, width, height, [](float v) { return std::log(v); }); break;
  case EUnary::Tan: Map(dst, stride, width, height, [](float v) { return std::tan(v); }); break;
  }
}

PX_HOT_KERNEL
void AddCircularRow(float* __restrict__ a, const float* __restrict__ source, int width, int shift)
{
  int c = shift % width;
  if (c < 0)
    c += width;
  // Two straight runs: a[0, c) meets source[width - c, width), a[c, width) meets source[0, width - c).
  const float* wrapped = source + (width - c);
  for (int x = 0; x < c; ++x)
    a[x] += wrapped[x];
  float* rest = a + c;
  const int n = width - c;
  for (int x = 0; x < n; ++x)
    rest[x] += source[x];
}

// ---- set and clamp -------------------------------------------------------------------------
PX_HOT_KERNEL
void SetRows(float value, float* dst, int stride, int width, int height)
{
  Map(dst, stride, width, height, [value](float) { return value; });
}

PX_HOT_KERNEL
void SetMaskedRows(float value, const std::uint8_t* mask, int maskStride, float* dst, int stride, int width,
                   int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(y) * maskStride;
    float* d = RowOf(dst, stride, y);
    for (int x = 0; x < width; ++x)
      d[x] = m[x] ? value : d[x];
  }
}

PX_HOT_KERNEL
void ThresholdRows(float* dst, int stride, int width, int height, float threshold, float value, bool greater)
{
  if (greater)
    Map(dst, stride, width, height, [=](float v) { return v > threshold ? value : v; });
  else
    Map(dst, stride, width, height, [=](float v) { return v < threshold ? value : v; });
}

// ---- conversions -------------------------------------------------------------------------------
PX_HOT_KERNEL
void Convert16uRows(const std::uint16_t* src, int srcStride, float* dst, int dstStride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint16_t* s = RowOf(src, srcStride, y);
    float* d = RowOf(dst, dstStride, y);
    for (int x = 0; x < width; ++x)
      d[x] = static_cast<float>(s[x]);
  }
}

// ---- geometry on 4-byte pixels -----------------------------------------------------------------------
void CircShift32(void* buffer, int stride, int width, int height, int rowShift, int columnShift)
{
  if (rowShift == 0 && columnShift == 0)
    return;
  auto* base = static_cast<std::uint8_t*>(buffer);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  const std::size_t head = static_cast<std::size_t>(columnShift) * 4;
  std::vector<std::uint8_t> spare(rowBytes);
  auto row = [&](int y) { return base + static_cast<std::ptrdiff_t>(y) * stride; };
  // Writes source row s (not overlapping d) into d with its columns rotated.
  auto put = [&](std::uint8_t* d, const std::uint8_t* s) {
    std::memcpy(d + head, s, rowBytes - head);
    if (head != 0)
      std::memcpy(d, s + rowBytes - head, head);
  };
  if (rowShift == 0)
  {
    for (int y = 0; y < height; ++y)
    {
      std::memcpy(spare.data(), row(y), rowBytes);
      put(row(y), spare.data());
    }
    return;
  }
  // Destination row d receives source row d - rowShift. The row permutation
  // splits into gcd(rowShift, height) cycles; walking each cycle backwards
  // needs only the cycle's first row saved.
  const int cycles = std::gcd(rowShift, height);
  for (int start = 0; start < cycles; ++start)
  {
    std::memcpy(spare.data(), row(start), rowBytes);
    int d = start;
    for (;;)
    {
      int s = d - rowShift;
      if (s < 0)
        s += height;
      if (s == start)
      {
        put(row(d), spare.data());
        break;
      }
      put(row(d), row(s));
      d = s;
    }
  }
}

// ---- 32-bit signed integer arithmetic ----------------------------------------------------------------
namespace
{
// Two's-complement add that clamps instead of wrapping; written on 32-bit
// lanes so that the row loops vectorise.
inline std::int32_t AddSat(std::int32_t a, std::int32_t b)
{
  const std::uint32_t s = static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b);
  const std::uint32_t limit = (static_cast<std::uint32_t>(a) >> 31) + static_cast<std::uint32_t>(INT_MAX);
  // Overflow when both operands have the sign opposite to the wrapped sum.
  const bool overflow = static_cast<std::int32_t>((static_cast<std::uint32_t>(a) ^ s) &
                                                  (static_cast<std::uint32_t>(b) ^ s)) < 0;
  return static_cast<std::int32_t>(overflow ? limit : s);
}
} // namespace

PX_HOT_KERNEL
void AddSaturate32sRows(const std::int32_t* src, int srcStride, std::int32_t* dst, int dstStride, int width,
                        int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::int32_t* s = RowOf(src, srcStride, y);
    std::int32_t* d = RowOf(dst, dstStride, y);
    for (int x = 0; x < width; ++x)
      d[x] = AddSat(d[x], s[x]);
  }
}

PX_HOT_KERNEL
void AddConstSaturate32sRows(std::int32_t k, std::int32_t* dst, int stride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    std::int32_t* d = RowOf(dst, stride, y);
    for (int x = 0; x < width; ++x)
      d[x] = AddSat(d[x], k);
  }
}

void MulConstSaturate32sRows(std::int32_t k, std::int32_t* dst, int stride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    std::int32_t* d = RowOf(dst, stride, y);
    for (int x = 0; x < width; ++x)
    {
      const long long p = static_cast<long long>(d[x]) * k; // exact: |p| <= 2^62
      d[x] = static_cast<std::int32_t>(std::clamp<long long>(p, INT_MIN, INT_MAX));
    }
  }
}

PX_HOT_KERNEL
void Set32sRows(std::int32_t value, std::int32_t* dst, int stride, int width, int height)
{
  for (int y = 0; y < height; ++y)
  {
    std::int32_t* d = RowOf(dst, stride, y);
    for (int x = 0; x < width; ++x)
      d[x] = value;
  }
}

// ---- warp -------------------------------------------------------------------------------------------
namespace
{
struct Affine
{
  // u = a x + b y + c, v = d x + e y + f
  double a, b, c, d, e, f;
  void Apply(double x, double y, double* u, double* v) const
  {
    *u = a * x + b * y + c;
    *v = d * x + e * y + f;
  }
};

// The affine map taking triangle p onto triangle q (three (x, y) pairs each);
// false when either triangle is degenerate.
bool TriangleMap(const double p[6], const double q[6], Affine* m)
{
  const double p1x = p[2] - p[0], p1y = p[3] - p[1], p2x = p[4] - p[0], p2y = p[5] - p[1];
  const double q1x = q[2] - q[0], q1y = q[3] - q[1], q2x = q[4] - q[0], q2y = q[5] - q[1];
  const double detP = p1x * p2y - p2x * p1y;
  const double detQ = q1x * q2y - q2x * q1y;
  const double scaleP = std::max({std::fabs(p1x), std::fabs(p1y), std::fabs(p2x), std::fabs(p2y), 1.0});
  const double scaleQ = std::max({std::fabs(q1x), std::fabs(q1y), std::fabs(q2x), std::fabs(q2y), 1.0});
  if (!(std::fabs(detP) > 1e-12 * scaleP * scaleP) || !(std::fabs(detQ) > 1e-12 * scaleQ * scaleQ))
    return false;
  // M = Q * P^-1 on the edge vectors, then the translation that maps p0 to q0.
  const double i00 = p2y / detP, i01 = -p2x / detP, i10 = -p1y / detP, i11 = p1x / detP;
  m->a = q1x * i00 + q2x * i10;
  m->b = q1x * i01 + q2x * i11;
  m->d = q1y * i00 + q2y * i10;
  m->e = q1y * i01 + q2y * i11;
  m->c = q[0] - m->a * p[0] - m->b * p[1];
  m->f = q[1] - m->d * p[0] - m->e * p[1];
  return true;
}

// Point inside or on the boundary of a (possibly non-convex) quadrangle.
bool InsideQuad(const double q[8], double x, double y)
{
  bool inside = false;
  for (int i = 0, j = 3; i < 4; j = i++)
  {
    const double xi = q[2 * i], yi = q[2 * i + 1], xj = q[2 * j], yj = q[2 * j + 1];
    // On the edge (within a small tolerance): counts as inside.
    const double ex = xj - xi, ey = yj - yi;
    const double len2 = ex * ex + ey * ey;
    const double cross = (x - xi) * ey - (y - yi) * ex;
    const double dot = (x - xi) * ex + (y - yi) * ey;
    if (std::fabs(cross) <= 1e-9 * std::max(1.0, std::sqrt(len2)) && dot >= -1e-9 && dot <= len2 + 1e-9)
      return true;
    if ((yi > y) != (yj > y) && x < xi + (y - yi) * (xj - xi) / (yj - yi))
      inside = !inside;
  }
  return inside;
}
} // namespace

bool WarpAffineQuadLinear(const cv::Mat& src, cv::Mat& dst, const double sourceQuad[8], const double targetQuad[8])
{
  for (int i = 0; i < 8; ++i)
    if (!std::isfinite(sourceQuad[i]) || !std::isfinite(targetQuad[i]))
      return false;
  Affine inverse{}, forward{};
  if (!TriangleMap(targetQuad, sourceQuad, &inverse) || !TriangleMap(sourceQuad, targetQuad, &forward))
    return false;
  double quad[8];
  std::copy(targetQuad, targetQuad + 6, quad);
  forward.Apply(sourceQuad[6], sourceQuad[7], &quad[6], &quad[7]);

  double minX = quad[0], maxX = quad[0], minY = quad[1], maxY = quad[1];
  for (int i = 1; i < 4; ++i)
  {
    minX = std::min(minX, quad[2 * i]);
    maxX = std::max(maxX, quad[2 * i]);
    minY = std::min(minY, quad[2 * i + 1]);
    maxY = std::max(maxY, quad[2 * i + 1]);
  }
  if (!std::isfinite(minX) || !std::isfinite(maxX) || !std::isfinite(minY) || !std::isfinite(maxY))
    return false;
  // Bounding box of the quadrangle clipped to the target (no int overflow for far-away corners).
  const int x0 = static_cast<int>(std::clamp(std::ceil(minX), 0.0, static_cast<double>(dst.cols)));
  const int x1 = static_cast<int>(std::clamp(std::floor(maxX), -1.0, static_cast<double>(dst.cols - 1)));
  const int y0 = static_cast<int>(std::clamp(std::ceil(minY), 0.0, static_cast<double>(dst.rows)));
  const int y1 = static_cast<int>(std::clamp(std::floor(maxY), -1.0, static_cast<double>(dst.rows - 1)));
  const double lastX = src.cols - 1, lastY = src.rows - 1;
  for (int y = y0; y <= y1; ++y)
  {
    float* d = dst.ptr<float>(y);
    for (int x = x0; x <= x1; ++x)
    {
      if (!InsideQuad(quad, x, y))
        continue;
      double u, v;
      inverse.Apply(x, y, &u, &v);
      if (!(u >= 0.0 && u <= lastX && v >= 0.0 && v <= lastY))
        continue;
      const int iu = std::min(static_cast<int>(u), std::max(src.cols - 2, 0));
      const int iv = std::min(static_cast<int>(v), std::max(src.rows - 2, 0));
      const int ju = std::min(iu + 1, src.cols - 1);
      const int jv = std::min(iv + 1, src.rows - 1);
      const double fu = u - iu, fv = v - iv;
      const float* r0 = src.ptr<float>(iv);
      const float* r1 = src.ptr<float>(jv);
      const double top = r0[iu] + fu * (r0[ju] - r0[iu]);
      const double bottom = r1[iu] + fu * (r1[ju] - r1[iu]);
      d[x] = static_cast<float>(top + fv * (bottom - top));
    }
  }
  return true;
}
} // namespace PxFloatPrim
