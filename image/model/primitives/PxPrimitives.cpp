#include "PxPrimitives.h"
#include "PxHotKernel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace PxPrim
{
// ---- allocation ---------------------------------------------------------------
int AlignedStride(int width, int pixelBytes)
{
  if (width <= 0 || pixelBytes <= 0)
    return -1;
  const long long row = static_cast<long long>(width) * pixelBytes;
  const long long stride = (row + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  return stride > INT_MAX ? -1 : static_cast<int>(stride);
}

std::uint8_t* AllocImage(int width, int height, int pixelBytes, int* stride)
{
  if (width <= 0 || height <= 0 || pixelBytes <= 0)
    throw std::invalid_argument("image width and height must be positive");
  const int s = AlignedStride(width, pixelBytes);
  const long long total = s < 0 ? LLONG_MAX : static_cast<long long>(s) * height;
  if (s < 0 || total > INT_MAX)
    throw std::length_error("image too large: height * stride exceeds the 32-bit buffer size");
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t bytes = static_cast<std::size_t>((total + kBufferAlignment - 1) / kBufferAlignment) *
                            static_cast<std::size_t>(kBufferAlignment);
  void* p = std::aligned_alloc(kBufferAlignment, bytes);
  if (!p)
    throw std::bad_alloc();
  // Zeroed so that a fresh image reads the same on every run.
  std::memset(p, 0, bytes);
  *stride = s;
  return static_cast<std::uint8_t*>(p);
}

void FreeImage(void* buffer)
{
  std::free(buffer);
}

// ---- copies --------------------------------------------------------------------
void CopyRows(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
              std::size_t rowBytes, int height)
{
  if (height <= 0 || rowBytes == 0)
    return;
  if (srcStride == dstStride && static_cast<std::size_t>(srcStride) == rowBytes)
  {
    std::memmove(dst, src, rowBytes * static_cast<std::size_t>(height));
    return;
  }
  for (int y = 0; y < height; ++y)
    std::memmove(dst + y * dstStride, src + y * srcStride, rowBytes);
}

// ---- mirror ----------------------------------------------------------------------
namespace
{
int CvType8u(int pixelBytes)
{
  return CV_MAKETYPE(CV_8U, pixelBytes);
}
} // namespace

void MirrorRows(std::uint8_t* buf, int stride, int width, int height, int pixelBytes)
{
  // cv::flip swaps mirrored rows pairwise, so it works in place.
  cv::Mat m(height, width, CvType8u(pixelBytes), buf, static_cast<std::size_t>(stride));
  cv::flip(m, m, 0);
}

void MirrorColumns(std::uint8_t* buf, int stride, int width, int height, int pixelBytes)
{
  // cv::flip exchanges mirrored pixels pairwise within a row: safe in place.
  cv::Mat m(height, width, CvType8u(pixelBytes), buf, static_cast<std::size_t>(stride));
  cv::flip(m, m, 1);
}

// ---- nearest-neighbour resize -----------------------------------------------------
void ResizeNearestCentre(const std::uint8_t* src, int srcWidth, int srcHeight, int srcStride, std::uint8_t* dst,
                         int dstWidth, int dstHeight, int dstStride, int pixelBytes, double xFactor,
                         double yFactor)
{
  std::vector<int> xOfs(static_cast<std::size_t>(dstWidth));
  std::vector<int> yIdx(static_cast<std::size_t>(dstHeight));
  for (int dx = 0; dx < dstWidth; ++dx)
    xOfs[dx] = NearestCentreIndex(dx, xFactor, srcWidth) * pixelBytes;
  for (int dy = 0; dy < dstHeight; ++dy)
    yIdx[dy] = NearestCentreIndex(dy, yFactor, srcHeight);
  const int wordPixels3 = pixelBytes == 3 ? WordPixels3(xOfs.data(), dstWidth, srcWidth) : 0;
  auto rows = [&](int begin, int end) {
    ResizeNearestRows(src, srcStride, dst, dstStride, dstWidth, begin, end, pixelBytes, xOfs.data(), yIdx.data(),
                      wordPixels3);
  };
  // Row bands on OpenCV's worker pool for frame-sized targets; each band writes only its own rows.
  const long long pixels = static_cast<long long>(dstWidth) * dstHeight;
  if (pixels < (1 << 16) || dstHeight < 8)
  {
    rows(0, dstHeight);
    return;
  }
  cv::parallel_for_(cv::Range(0, dstHeight), [&](const cv::Range& r) { rows(r.start, r.end); },
                    static_cast<double>(std::min(dstHeight / 4, 16)));
}

// ---- histogram ---------------------------------------------------------------------
int EvenLevel(int k, int levels, int lower, int upper)
{
  const long long span = static_cast<long long>(upper) - lower;
  return static_cast<int>(lower + static_cast<long long>(k) * span / (levels - 1));
}

void Histogram256(const std::uint8_t* src, int stride, int width, int height, std::uint32_t* counts)
{
  // Four interleaved tables break the store-to-load dependency on runs of equal values.
  std::uint32_t t[4][256] = {};
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* row = src + static_cast<std::ptrdiff_t>(y) * stride;
    int x = 0;
    for (; x + 4 <= width; x += 4)
    {
      ++t[0][row[x]];
      ++t[1][row[x + 1]];
      ++t[2][row[x + 2]];
      ++t[3][row[x + 3]];
    }
    for (; x < width; ++x)
      ++t[0][row[x]];
  }
  for (int v = 0; v < 256; ++v)
    counts[v] = t[0][v] + t[1][v] + t[2][v] + t[3][v];
}

void HistogramEven8u(const std::uint8_t* src, int stride, int width, int height, int bins, int lower, int upper,
                     int* counts)
{
  std::uint32_t values[256];
  Histogram256(src, stride, width, height, values);
  const int levels = bins + 1;
  for (int k = 0; k < bins; ++k)
  {
    const int lo = std::max(EvenLevel(k, levels, lower, upper), 0);
    const int hi = std::min(EvenLevel(k + 1, levels, lower, upper), 256);
    long long sum = 0;
    for (int v = lo; v < hi; ++v)
      sum += values[v];
    counts[k] = static_cast<int>(std::min<long long>(sum, INT_MAX));
  }
}

// ---- grey conversions ----------------------------------------------------------------
void RgbRowsToGray(const std::uint8_t* src, int srcStride, int pixelBytes, std::uint8_t* dst, int dstStride,
                   int width, int height)
{
  // The same fixed-point weights as RgbToGray, so a row conversion and a single
  // value agree exactly (OpenCV's vector path rounds some values differently).
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    if (pixelBytes == 4)
      for (int x = 0; x < width; ++x)
        d[x] = RgbToGray(s[4 * x], s[4 * x + 1], s[4 * x + 2]);
    else
      for (int x = 0; x < width; ++x)
        d[x] = RgbToGray(s[3 * x], s[3 * x + 1], s[3 * x + 2]);
  }
}

void Scale16uTo8uRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                      int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x)
    {
      // Bytes assembled explicitly: the source rows need not be 2-byte aligned.
      const unsigned v = static_cast<unsigned>(s[2 * x]) | (static_cast<unsigned>(s[2 * x + 1]) << 8);
      d[x] = static_cast<std::uint8_t>((v + 128u) / 257u);
    }
  }
}

// ---- HSV -----------------------------------------------------------------------------
namespace
{
std::uint8_t RoundByte(double v)
{
  const double r = std::nearbyint(v);
  return static_cast<std::uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : r));
}
} // namespace

void RgbToHsv(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t* h, std::uint8_t* s, std::uint8_t* v)
{
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  const int c = mx - mn;
  *v = static_cast<std::uint8_t>(mx);
  if (mx == 0 || c == 0)
  {
    *s = 0;
    *h = 0;
    return;
  }
  *s = RoundByte(255.0 * c / mx);
  double sector;
  if (r == mx)
    sector = static_cast<double>(g - b) / c;
  else if (g == mx)
    sector = 2.0 + static_cast<double>(b - r) / c;
  else
    sector = 4.0 + static_cast<double>(r - g) / c;
  double degrees = sector * 60.0;
  if (degrees < 0)
    degrees += 360.0;
  *h = RoundByte(degrees * 255.0 / 360.0);
}

void HsvToRgb(std::uint8_t h, std::uint8_t s, std::uint8_t v, std::uint8_t* r, std::uint8_t* g, std::uint8_t* b)
{
  if (s == 0)
  {
    *r = *g = *b = v;
    return;
  }
  const double sector = h * 6.0 / 255.0; // 0..6
  const int i = static_cast<int>(std::floor(sector));
  const double f = sector - i;
  const double sat = s / 255.0;
  const double val = v;
  const std::uint8_t p = RoundByte(val * (1.0 - sat));
  const std::uint8_t q = RoundByte(val * (1.0 - sat * f));
  const std::uint8_t t = RoundByte(val * (1.0 - sat * (1.0 - f)));
  switch (i % 6)
  {
  case 0: *r = v; *g = t; *b = p; break;
  case 1: *r = q; *g = v; *b = p; break;
  case 2: *r = p; *g = v; *b = t; break;
  case 3: *r = p; *g = q; *b = v; break;
  case 4: *r = t; *g = p; *b = v; break;
  default: *r = v; *g = p; *b = q; break;
  }
}
} // namespace PxPrim

namespace PxPrim
{
// ---- grey arithmetic ----------------------------------------------------------------

PX_HOT_KERNEL
void ThresholdRows(std::uint8_t* dst, int stride, int width, int height, std::uint8_t threshold, std::uint8_t value,
                   bool greater)
{
  for (int y = 0; y < height; ++y)
  {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * stride;
    if (greater)
      for (int x = 0; x < width; ++x)
        d[x] = d[x] > threshold ? value : d[x];
    else
      for (int x = 0; x < width; ++x)
        d[x] = d[x] < threshold ? value : d[x];
  }
}

PX_HOT_KERNEL
void MultiplyHalfRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                      int height)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x)
    {
      // 16-bit lanes suffice (255 x 255 < 65536) and let the loop vectorise.
      const std::uint16_t p = static_cast<std::uint16_t>(d[x] * s[x]);
      const std::uint16_t half = static_cast<std::uint16_t>(p >> 1);
      // An odd product ends in .5: round to the even neighbour.
      const std::uint16_t r = static_cast<std::uint16_t>(half + (p & half & 1u));
      d[x] = static_cast<std::uint8_t>(r > 255u ? 255u : r);
    }
  }
}

std::pair<std::uint8_t, std::uint8_t> MaskedMinMax(const std::uint8_t* src, int srcStride, const std::uint8_t* mask,
                                                   int maskStride, int width, int height)
{
  std::uint8_t lo = 255, hi = 0;
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(y) * maskStride;
    std::uint8_t rowLo = 255, rowHi = 0;
    for (int x = 0; x < width; ++x)
    {
      // Branch-free so the loop vectorises: unmasked pixels contribute the neutral values.
      const std::uint8_t set = m[x] ? 0xFF : 0x00;
      rowLo = std::min<std::uint8_t>(rowLo, static_cast<std::uint8_t>(s[x] | ~set));
      rowHi = std::max<std::uint8_t>(rowHi, static_cast<std::uint8_t>(s[x] & set));
    }
    lo = std::min(lo, rowLo);
    hi = std::max(hi, rowHi);
  }
  return {lo, hi};
}

long long MaskedHistogram256(const std::uint8_t* src, int srcStride, const std::uint8_t* mask, int maskStride,
                             int width, int height, std::uint32_t* counts)
{
  // Branch-free counting (a masked-out pixel adds 0) into two interleaved tables:
  // camera masks are irregular, and a branch per pixel would mispredict.
  std::uint32_t t[2][256] = {};
  long long n = 0;
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(y) * maskStride;
    unsigned rowN = 0;
    int x = 0;
    for (; x + 2 <= width; x += 2)
    {
      const unsigned i0 = m[x] != 0, i1 = m[x + 1] != 0;
      t[0][s[x]] += i0;
      t[1][s[x + 1]] += i1;
      rowN += i0 + i1;
    }
    for (; x < width; ++x)
    {
      const unsigned i0 = m[x] != 0;
      t[0][s[x]] += i0;
      rowN += i0;
    }
    n += rowN;
  }
  for (int v = 0; v < 256; ++v)
    counts[v] = t[0][v] + t[1][v];
  return n;
}

double OtsuFromHistogram(const std::uint32_t* counts, long long n)
{
  const double scale = 1.0 / static_cast<double>(n);
  double muT = 0.0;
  for (int k = 0; k < 256; ++k)
    muT += k * static_cast<double>(counts[k]);
  muT *= scale;
  const double epsilon = 1.1920928955078125e-7;   // single-precision epsilon
  const double nearOne = 0.9999998807907104;      // 1 - 2^-23
  double omega = 0.0, mu = 0.0, best = 0.0;
  int bestK = 0;
  for (int k = 0; k < 256; ++k)
  {
    const double p = counts[k] * scale;
    mu *= omega;
    omega += p;
    if (std::min(omega, 1.0 - omega) < epsilon || std::max(omega, 1.0 - omega) > nearOne)
      continue;
    mu = (k * p + mu) / omega;
    const double mu1 = (muT - omega * mu) / (1.0 - omega);
    const double sigma = (1.0 - omega) * omega * (mu - mu1) * (mu - mu1);
    if (sigma > best)
    {
      best = sigma;
      bestK = k;
    }
  }
  return bestK;
}

// ---- geometric warps -------------------------------------------------------------------
namespace
{
constexpr float kOutside = -1.0e6f;
} // namespace

bool AffineInverseMaps(const double forward[6], int targetWidth, int targetHeight, cv::Mat& mapX, cv::Mat& mapY)
{
  const double det = forward[0] * forward[4] - forward[1] * forward[3];
  if (!(std::abs(det) > 1e-12))
    return false;
  // Inverse of [a b; d e] and of the translation.
  const double ia = forward[4] / det, ib = -forward[1] / det;
  const double id = -forward[3] / det, ie = forward[0] / det;
  const double ic = -(ia * forward[2] + ib * forward[5]);
  const double iff = -(id * forward[2] + ie * forward[5]);
  mapX.create(targetHeight, targetWidth, CV_32FC1);
  mapY.create(targetHeight, targetWidth, CV_32FC1);
  for (int y = 0; y < targetHeight; ++y)
  {
    float* mx = mapX.ptr<float>(y);
    float* my = mapY.ptr<float>(y);
    const double bx = ib * y + ic;
    const double by = ie * y + iff;
    for (int x = 0; x < targetWidth; ++x)
    {
      mx[x] = static_cast<float>(ia * x + bx);
      my[x] = static_cast<float>(id * x + by);
    }
  }
  return true;
}

namespace
{
// Solves the 4 x 4 system [x y, x, y, 1] c = value for the quadrangle corners.
bool SolveBilinear(const double quad[8], const double values[4], double c[4])
{
  cv::Matx44d a;
  cv::Vec4d b;
  for (int i = 0; i < 4; ++i)
  {
    const double x = quad[2 * i], y = quad[2 * i + 1];
    a(i, 0) = x * y;
    a(i, 1) = x;
    a(i, 2) = y;
    a(i, 3) = 1.0;
    b[i] = values[i];
  }
  cv::Vec4d r;
  if (!cv::solve(a, b, r, cv::DECOMP_LU))
    return false;
  for (int i = 0; i < 4; ++i)
    c[i] = r[i];
  return true;
}

// Inside or on the border of a (possibly non-convex) quadrangle, by the crossing rule.
bool InsideQuad(const double q[8], double px, double py)
{
  bool inside = false;
  for (int i = 0, j = 3; i < 4; j = i++)
  {
    const double xi = q[2 * i], yi = q[2 * i + 1], xj = q[2 * j], yj = q[2 * j + 1];
    // On the edge counts as inside.
    const double cross = (xj - xi) * (py - yi) - (yj - yi) * (px - xi);
    if (std::abs(cross) < 1e-9 && px >= std::min(xi, xj) - 1e-9 && px <= std::max(xi, xj) + 1e-9 &&
        py >= std::min(yi, yj) - 1e-9 && py <= std::max(yi, yj) + 1e-9)
      return true;
    if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
      inside = !inside;
  }
  return inside;
}
} // namespace

bool BilinearQuadInverseMaps(const double sourceQuad[8], const double targetQuad[8], int targetWidth,
                             int targetHeight, cv::Mat& mapX, cv::Mat& mapY)
{
  const double tu[4] = {targetQuad[0], targetQuad[2], targetQuad[4], targetQuad[6]};
  const double tv[4] = {targetQuad[1], targetQuad[3], targetQuad[5], targetQuad[7]};
  double cu[4], cv_[4];
  if (!SolveBilinear(sourceQuad, tu, cu) || !SolveBilinear(sourceQuad, tv, cv_))
    return false;
  double sx0 = 0, sy0 = 0;
  for (int i = 0; i < 4; ++i)
  {
    sx0 += sourceQuad[2 * i] / 4;
    sy0 += sourceQuad[2 * i + 1] / 4;
  }
  mapX.create(targetHeight, targetWidth, CV_32FC1);
  mapY.create(targetHeight, targetWidth, CV_32FC1);
  for (int y = 0; y < targetHeight; ++y)
  {
    float* mx = mapX.ptr<float>(y);
    float* my = mapY.ptr<float>(y);
    double gx = sx0, gy = sy0; // Newton start: the previous pixel's solution, else the quad centre
    for (int x = 0; x < targetWidth; ++x)
    {
      mx[x] = kOutside;
      my[x] = kOutside;
      if (!InsideQuad(targetQuad, x, y))
        continue;
      // Newton's method on f(s) = forward(s) - (x, y).
      bool converged = false;
      for (int it = 0; it < 30; ++it)
      {
        const double fu = cu[0] * gx * gy + cu[1] * gx + cu[2] * gy + cu[3] - x;
        const double fv = cv_[0] * gx * gy + cv_[1] * gx + cv_[2] * gy + cv_[3] - y;
        if (std::abs(fu) < 1e-7 && std::abs(fv) < 1e-7)
        {
          converged = true;
          break;
        }
        const double j00 = cu[0] * gy + cu[1], j01 = cu[0] * gx + cu[2];
        const double j10 = cv_[0] * gy + cv_[1], j11 = cv_[0] * gx + cv_[2];
        const double det = j00 * j11 - j01 * j10;
        if (!(std::abs(det) > 1e-15))
          break;
        gx -= (j11 * fu - j01 * fv) / det;
        gy -= (-j10 * fu + j00 * fv) / det;
        if (!std::isfinite(gx) || !std::isfinite(gy))
          break;
      }
      if (!converged)
      {
        gx = sx0;
        gy = sy0;
        continue;
      }
      mx[x] = static_cast<float>(gx);
      my[x] = static_cast<float>(gy);
    }
  }
  return true;
}

void RemapCubicInside(const cv::Mat& src, cv::Mat& dst, const cv::Mat& mapX, const cv::Mat& mapY)
{
  cv::Mat sampled;
  // remap never writes its source, and `sampled` is a fresh matrix, so shared
  // pixels between src and dst are read before the masked copy writes them.
  cv::remap(src, sampled, mapX, mapY, cv::INTER_CUBIC, cv::BORDER_REPLICATE);
  cv::Mat inside(dst.size(), CV_8UC1);
  const float maxX = static_cast<float>(src.cols) - 0.5f;
  const float maxY = static_cast<float>(src.rows) - 0.5f;
  for (int y = 0; y < dst.rows; ++y)
  {
    const float* mx = mapX.ptr<float>(y);
    const float* my = mapY.ptr<float>(y);
    unsigned char* m = inside.ptr<unsigned char>(y);
    for (int x = 0; x < dst.cols; ++x)
      m[x] = (mx[x] >= -0.5f && mx[x] < maxX && my[x] >= -0.5f && my[x] < maxY) ? 255 : 0;
  }
  sampled.copyTo(dst, inside);
}
} // namespace PxPrim

namespace PxPrim
{
void WarpAffineCubicInside(const cv::Mat& src, cv::Mat& dst, const double forward[6])
{
  cv::Mat mapX, mapY;
  if (AffineInverseMaps(forward, dst.cols, dst.rows, mapX, mapY))
    RemapCubicInside(src, dst, mapX, mapY);
}
} // namespace PxPrim

namespace PxPrim
{
// ---- colour rows ----------------------------------------------------------------------
void DropFourthByteRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width,
                        int height)
{
  // OpenCV's BGRA -> BGR conversion copies bytes 0..2 of every pixel unchanged.
  const cv::Mat s(height, width, CV_8UC4, const_cast<std::uint8_t*>(src), static_cast<std::size_t>(srcStride));
  cv::Mat d(height, width, CV_8UC3, dst, static_cast<std::size_t>(dstStride));
  cv::cvtColor(s, d, cv::COLOR_BGRA2BGR);
}

void GreyToColourRows(const std::uint8_t* src, int srcStride, std::uint8_t* dst, int dstStride, int width, int height,
                      int channels)
{
  for (int y = 0; y < height; ++y)
  {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        d[channels * x + c] = s[x];
  }
}

void ScaleChannelsRows(std::uint8_t* dst, int stride, int width, int height, int channels,
                       const std::uint8_t* factors)
{
  // One table per channel: pixel * factor / 255 never lies exactly halfway
  // between integers, so rounding to nearest is unambiguous.
  std::uint8_t lut[4][256];
  for (int c = 0; c < channels; ++c)
    for (int v = 0; v < 256; ++v)
      lut[c][v] = static_cast<std::uint8_t>((v * factors[c] + 127) / 255);
  for (int y = 0; y < height; ++y)
  {
    std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        d[channels * x + c] = lut[c][d[channels * x + c]];
  }
}

namespace
{
// Coefficients in 16-bit fixed point.
constexpr int kRv = 74711;  // 1.140
constexpr int kGu = 25821;  // 0.394
constexpr int kGv = 38076;  // 0.581
constexpr int kBu = 133169; // 2.032
constexpr int kHalf = 1 << 15;

// Chroma terms of one chroma row, each written for the two pixels it covers
// (the arrays hold one slack element for an odd width).
PX_HOT_KERNEL
void ChromaTerms(const std::uint8_t* __restrict__ u, const std::uint8_t* __restrict__ v, int chromaWidth,
                 int* __restrict__ rt, int* __restrict__ gt, int* __restrict__ bt)
{
  for (int c = 0; c < chromaWidth; ++c)
  {
    const int uu = u[c] - 128;
    const int vv = v[c] - 128;
    const int r = kRv * vv + kHalf;
    const int g = kHalf - kGu * uu - kGv * vv;
    const int b = kBu * uu + kHalf;
    rt[2 * c] = r;
    rt[2 * c + 1] = r;
    gt[2 * c] = g;
    gt[2 * c + 1] = g;
    bt[2 * c] = b;
    bt[2 * c + 1] = b;
  }
}

// One luma row with its chroma terms into three planar byte rows; the add of a
// half before the floor shift rounds to nearest, the clamp saturates.
PX_HOT_KERNEL
void LumaRow(const std::uint8_t* __restrict__ y, const int* __restrict__ rt, const int* __restrict__ gt,
             const int* __restrict__ bt, int width, std::uint8_t* __restrict__ r, std::uint8_t* __restrict__ g,
             std::uint8_t* __restrict__ b)
{
  for (int x = 0; x < width; ++x)
  {
    const int luma = y[x] << 16;
    const int rv = (luma + rt[x]) >> 16;
    const int gv = (luma + gt[x]) >> 16;
    const int bv = (luma + bt[x]) >> 16;
    r[x] = static_cast<std::uint8_t>(rv < 0 ? 0 : (rv > 255 ? 255 : rv));
    g[x] = static_cast<std::uint8_t>(gv < 0 ? 0 : (gv > 255 ? 255 : gv));
    b[x] = static_cast<std::uint8_t>(bv < 0 ? 0 : (bv > 255 ? 255 : bv));
  }
}
} // namespace

long long Yuv420FrameBytes(int width, int height)
{
  const long long luma = static_cast<long long>(width) * height;
  const long long pairs = (height + 1) / 2;
  // The third plane's last chroma row read, (width + 1) / 2 bytes long.
  return luma + luma / 4 + (pairs - 1) * (width / 2) + (width + 1) / 2;
}

void Yuv420ToRgbRows(const std::uint8_t* yPlane, const std::uint8_t* uPlane, const std::uint8_t* vPlane, int width,
                     int height, std::uint8_t* dst, int dstStride)
{
  const int chromaStride = width / 2;
  const int pairs = (height + 1) / 2;
  auto work = [&](const cv::Range& range) {
    // Pixel x uses chroma x / 2: an odd width reads one chroma byte more per
    // row, which lies inside the plane (the next row's first byte, or the next plane).
    const int chromaWidth = (width + 1) / 2;
    const int span = 2 * chromaWidth;
    std::vector<int> terms(static_cast<std::size_t>(span) * 3);
    cv::Mat planes(3, width, CV_8UC1);
    for (int pair = range.start; pair < range.end; ++pair)
    {
      ChromaTerms(uPlane + static_cast<std::ptrdiff_t>(pair) * chromaStride,
                  vPlane + static_cast<std::ptrdiff_t>(pair) * chromaStride, chromaWidth, terms.data(),
                  terms.data() + span, terms.data() + 2 * span);
      for (int y = 2 * pair; y < std::min(2 * pair + 2, height); ++y)
      {
        LumaRow(yPlane + static_cast<std::ptrdiff_t>(y) * width, terms.data(), terms.data() + span,
                terms.data() + 2 * span, width, planes.ptr(0), planes.ptr(1), planes.ptr(2));
        // Interleave R, G, B into the pixel bytes in that order.
        const cv::Mat channels[3] = {planes.row(0), planes.row(1), planes.row(2)};
        cv::Mat out(1, width, CV_8UC3, dst + static_cast<std::ptrdiff_t>(y) * dstStride);
        cv::merge(channels, 3, out);
      }
    }
  };
  if (static_cast<long long>(width) * height < (1 << 16))
    work(cv::Range(0, pairs));
  else
    cv::parallel_for_(cv::Range(0, pairs), work, std::min(pairs, 16));
}
} // namespace PxPrim

namespace PxPrim
{
void DrawOutline(cv::Mat& target, const std::vector<cv::Point>& points, const cv::Scalar& colour, bool filled,
                 int thickness)
{
  if (points.empty() || target.empty())
    return;
  const std::vector<std::vector<cv::Point>> contours(1, points);
  cv::drawContours(target, contours, 0, colour, filled ? -1 : thickness, cv::LINE_8, cv::noArray(), INT_MAX,
                   cv::Point(0, 0));
}
} // namespace PxPrim
