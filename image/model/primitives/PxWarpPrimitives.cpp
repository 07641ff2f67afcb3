// Geometric warps: affine maps, remapping inside the source.
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
