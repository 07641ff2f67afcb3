#pragma once
#include <cstddef>
#include <list>
#include <vector>

#include <general/TCGenPoint.h>
#include <tarvekmath/MathExport.h>
#include <tarvekmath/TCMathSplSpline.h>

/// Closed planar curve made of two cubic B-splines, one for x and one for y,
/// over the same control points. The parameter runs over [0, n) once round
/// the curve (n control points). A centre, initially (0, 0), is the fixed
/// point of Scale and Rotate.
class TARVEKMATH_EXPORT TCMathSplSplineCurve
{
public:
  TCMathSplSplineCurve() = default;
  virtual ~TCMathSplSplineCurve();

  void AddControlPoint(const TCGenPoint<double>& p);
  /// Replaces all control points.
  void SetControlPoints(const std::vector<TCGenPoint<double>>& points);
  /// Control point i; throws std::out_of_range when i >= GetNrControlPoints().
  const TCGenPoint<double>& GetControlPoint(size_t i) const;
  const std::vector<TCGenPoint<double>>& GetControlPoints() const { return m_controlPoints; }
  size_t GetNrControlPoints() const { return m_controlPoints.size(); }

  /// count points once round the curve, point i at t = i·n/count. Without
  /// control points, or with a null out, out is untouched; count <= 0 gives
  /// an empty out.
  void EvaluatePoints(int count, std::vector<TCGenPoint<double>>* out) const;
  /// Unit normals (dy, −dx)/|(dx, dy)| at the same parameters as
  /// EvaluatePoints. Needs at least 3 control points (else out is untouched);
  /// where the derivative vanishes the entry of out keeps its value ((0, 0)
  /// for an entry added by the resize); count <= 0 gives an empty out.
  void EvaluateNormals(int count, std::vector<TCGenPoint<double>>* out) const;

  const TCGenPoint<double>& GetCenter() const { return m_center; }
  void SetCenter(const TCGenPoint<double>& p) { m_center = p; }
  /// Moves the centre and every control point by offset.
  void Translate(const TCGenPoint<double>& offset);
  /// Translates so that the centre lands on p.
  void Translate2Center(const TCGenPoint<double>& p);
  void Scale(double f);
  /// Scales every control point about the centre.
  void Scale(double fx, double fy);
  /// Rotates every control point about the centre (radians, counter-clockwise
  /// in y-up axes).
  void Rotate(double angle);
  /// Rotates the listed control points only; indices out of range are skipped.
  void Rotate(const std::list<int>& indices, double angle);

private:
  void UpdateSplines(size_t i);

  TCMathSplBSplineCubic m_xSpline;
  TCMathSplBSplineCubic m_ySpline;
  std::vector<TCGenPoint<double>> m_controlPoints;
  TCGenPoint<double> m_center{0.0, 0.0};
};
