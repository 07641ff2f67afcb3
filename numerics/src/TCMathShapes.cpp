// Polygon areas and centroids, ray intersection tests.
#include <tarvekmath/TCMathShapes.h>

#include <cmath>
#include <limits>

#include "PolygonSums.h"

namespace
{
constexpr double kLargest = std::numeric_limits<double>::max();

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }
} // namespace

double TCMathShapes::GetPolygonArea(const std::vector<TCGenPoint<double>>& points)
{
  if (points.size() < 3)
    return 0.0;
  return std::abs(_impl::PolygonShoelaceSums(points).cross) / 2.0;
}

void TCMathShapes::GetPolygonAreaAndCOG(const std::vector<TCGenPoint<double>>& points, double* area,
                                        TCGenPoint<double>* cog)
{
  double a = 0.0;
  TCGenPoint<double> c(kLargest, kLargest);
  if (points.size() >= 3)
  {
    const _impl::ShoelaceSums s = _impl::PolygonShoelaceSums(points);
    // Collinear vertices enclose no area: no centroid to divide out.
    if (s.cross != 0.0)
    {
      const double signedArea = s.cross / 2.0;
      a = std::abs(signedArea);
      c = TCGenPoint<double>(s.x / (6.0 * signedArea), s.y / (6.0 * signedArea));
    }
  }
  if (area != nullptr)
    *area = a;
  if (cog != nullptr)
    *cog = c;
}

TCGenPoint<double> TCMathShapes::GetPolygonCOG(const std::vector<TCGenPoint<double>>& points)
{
  TCGenPoint<double> c;
  GetPolygonAreaAndCOG(points, nullptr, &c);
  return c;
}

double TCMathShapes::GetQuadrangleArea(const std::array<TCGenPoint<double>, 4>& p)
{
  const double x0 = p[0].GetX(), y0 = p[0].GetY(), x1 = p[1].GetX(), y1 = p[1].GetY();
  const double x2 = p[2].GetX(), y2 = p[2].GetY(), x3 = p[3].GetX(), y3 = p[3].GetY();
  return std::abs((x0 * y1 + x1 * y2 + x2 * y3 + x3 * y0) - (y0 * x1 + y1 * x2 + y2 * x3 + y3 * x0)) / 2.0;
}

bool TCMathShapes::RayIntersectsCircle(const TCGenPoint<double>& centre, double radius,
                                       const TCGenPoint<double>& origin, const TCGenPoint<double>& direction)
{
  const double vx = centre.GetX() - origin.GetX(), vy = centre.GetY() - origin.GetY();
  if (vx * vx + vy * vy <= radius * radius)
    return true;
  const double dx = direction.GetX(), dy = direction.GetY();
  if (vx * dx + vy * dy < 0.0)
    return false;
  const double len = std::sqrt(dx * dx + dy * dy);
  if (len == 0.0) // no direction: the ray is its origin, outside the circle
    return false;
  return radius >= std::abs(dx * vy - dy * vx) / len;
}

bool TCMathShapes::RayIntersectsSegment(const TCGenPoint<double>& origin, const TCGenPoint<double>& direction,
                                        const TCGenPoint<double>& a, const TCGenPoint<double>& b)
{
  const double dx = direction.GetX(), dy = direction.GetY();
  const double vax = a.GetX() - origin.GetX(), vay = a.GetY() - origin.GetY();
  const double vbx = b.GetX() - origin.GetX(), vby = b.GetY() - origin.GetY();
  // Both ends strictly on one side of the ray's line.
  if (Cross(dx, dy, vax, vay) * Cross(dx, dy, vbx, vby) > 0.0)
    return false;
  const double sx = b.GetX() - a.GetX(), sy = b.GetY() - a.GetY();
  const double s2 = sx * sx + sy * sy;
  const double dDotVa = dx * vax + dy * vay;
  if (s2 == 0.0)
    return dDotVa >= 0.0;
  // Perpendicular from the segment's line to the origin.
  const double wx = origin.GetX() - a.GetX(), wy = origin.GetY() - a.GetY();
  const double k = (sx * wx + sy * wy) / s2;
  const double ex = wx - sx * k, ey = wy - sy * k;
  if (ex * ex + ey * ey != 0.0)
    return dx * ex + dy * ey < 0.0;
  // The origin lies on the segment's line: false only when both ends are behind.
  const double dDotVb = dx * vbx + dy * vby;
  return !(dDotVa < 0.0 && dDotVb < 0.0);
}
