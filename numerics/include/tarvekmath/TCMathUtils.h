#pragma once
#include <vector>

#include <general/TCGenPoint.h>
#include <tarvekmath/MathExport.h>

/// Angle helpers and operations on 2-D point lists.
class TARVEKMATH_EXPORT TCMathUtils
{
public:
  /// Unsigned angle in [0, π] between two directions (radians).
  static double AngleDiff(double a, double b);
  /// x shifted by whole multiples of (hi − lo) into [lo, hi]; NaN when
  /// hi − lo <= 0 or x is not finite.
  static double TranslateToInterval(double lo, double hi, double x);
  /// Base-2 exponent of the smallest power of two not below |x| (8 -> 3, 9 -> 4).
  static double NextPowerOf2(double x);
  static TCGenPoint<double> Rotate(const TCGenPoint<double>& p, const TCGenPoint<double>& centre, double angle);
  /// Rotates every point about the origin; null does nothing.
  static void Rotate(std::vector<TCGenPoint<double>>* points, double angle);
  /// Adds offset to every point; null does nothing.
  static void Translate(std::vector<TCGenPoint<double>>* points, const TCGenPoint<double>& offset);
  /// n points evenly spaced on the circle, starting at angle 0 (n <= 0: empty).
  static void GetPointsOnCircle(const TCGenPoint<double>& centre, double radius, int n,
                                std::vector<TCGenPoint<double>>* out);
  /// Rasterised line between the rounded end points, from p1 to p2.
  static void GetPointsOnLine(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2,
                              std::vector<TCGenPoint<int>>* out);
  /// Area centroid of the closed polygon; (NaN, NaN) when empty.
  static TCGenPoint<double> CalcPolygonCentroid(const std::vector<TCGenPoint<double>>& points);
  static TCGenPoint<double> CalcPolygonCentroid(const std::vector<TCGenPoint<int>>& points);
  /// Unit normal at every vertex of the closed polygon.
  static std::vector<TCGenPoint<double>> GetNormals(const std::vector<TCGenPoint<double>>& points);
  /// Applies the affine motion from previous to current once more to current.
  static std::vector<TCGenPoint<double>> PredictPoints(const std::vector<TCGenPoint<double>>& previous,
                                                       const std::vector<TCGenPoint<double>>& current);
  /// n points of the closed cubic spline curve that interpolates the points
  /// (a least-squares fit with one control point per point). The curve starts
  /// at points[3 mod count]: out[i·count/n] is points[(i + 3) mod count].
  /// Empty for fewer than 3 points or n <= 0.
  static std::vector<TCGenPoint<double>> GetSplinePoints(const std::vector<TCGenPoint<double>>& points, int n);
};
