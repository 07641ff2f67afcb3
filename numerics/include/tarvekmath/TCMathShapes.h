#pragma once
#include <array>
#include <vector>

#include <general/TCGenPoint.h>
#include <tarvekmath/MathExport.h>

/// Areas and centroids of polygons (vertex lists, closed implicitly) and ray
/// intersection tests.
class TARVEKMATH_EXPORT TCMathShapes
{
public:
  /// Unsigned area; 0 for fewer than 3 points.
  static double GetPolygonArea(const std::vector<TCGenPoint<double>>& points);
  /// Unsigned area and area centroid (either winding). Fewer than 3 points or
  /// a zero area (collinear points) give area 0 and the centroid (DBL_MAX,
  /// DBL_MAX). Null outputs are skipped.
  static void GetPolygonAreaAndCOG(const std::vector<TCGenPoint<double>>& points, double* area,
                                   TCGenPoint<double>* cog);
  /// The centroid of GetPolygonAreaAndCOG.
  static TCGenPoint<double> GetPolygonCOG(const std::vector<TCGenPoint<double>>& points);
  /// Shoelace area of the quadrangle p0 p1 p2 p3 (0 for a symmetric bow-tie).
  static double GetQuadrangleArea(const std::array<TCGenPoint<double>, 4>& p);
  /// True when the ray from origin along direction meets the circle (a
  /// tangent counts; an origin inside the circle always hits).
  static bool RayIntersectsCircle(const TCGenPoint<double>& centre, double radius, const TCGenPoint<double>& origin,
                                  const TCGenPoint<double>& direction);
  /// True when the ray from origin along direction meets the segment a–b
  /// (end points included).
  static bool RayIntersectsSegment(const TCGenPoint<double>& origin, const TCGenPoint<double>& direction,
                                   const TCGenPoint<double>& a, const TCGenPoint<double>& b);
};
