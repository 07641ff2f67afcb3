#pragma once
// Shoelace sums of a closed polygon, shared by the centroid functions.
#include <vector>

#include <general/TCGenPoint.h>

namespace _impl
{
struct ShoelaceSums
{
  double cross = 0.0; // Σ c_i, c_i = x_i·y_i+1 − x_i+1·y_i (twice the signed area)
  double x = 0.0;     // Σ (x_i + x_i+1)·c_i
  double y = 0.0;     // Σ (y_i + y_i+1)·c_i
};

inline ShoelaceSums PolygonShoelaceSums(const std::vector<TCGenPoint<double>>& points)
{
  ShoelaceSums s;
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i)
  {
    const TCGenPoint<double>& p = points[i];
    const TCGenPoint<double>& q = points[i + 1 < n ? i + 1 : 0];
    const double c = p.GetX() * q.GetY() - q.GetX() * p.GetY();
    s.cross += c;
    s.x += (p.GetX() + q.GetX()) * c;
    s.y += (p.GetY() + q.GetY()) * c;
  }
  return s;
}
} // namespace _impl
