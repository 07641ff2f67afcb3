#pragma once
#include <cstddef>
#include <vector>

#include <general/TCGenPoint.h>
#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Least-squares fit of cubic B-spline control points to sample points. The
/// samples are taken at the equally spaced parameters j·nControl/nSamples;
/// the fitting matrix F = (B·Bᵀ)⁻¹·B (B: the basis values, control points ×
/// samples) turns the samples into control points. The basis of control i
/// covers [i, i + 4), three spans later than the curve's use of control i, so
/// the control points of a closed fit drive a TCMathSplSplineCurve that starts
/// three samples later. When closed, the basis wraps around the end.
///
/// Fewer than 3 control points, fewer samples than control points, or a
/// singular B·Bᵀ give an empty fitter whose FitCurve returns nothing.
class TARVEKMATH_EXPORT TCMathSplSplineCurveFitter
{
public:
  TCMathSplSplineCurveFitter(size_t nControl, size_t nSamples, bool closed);
  virtual ~TCMathSplSplineCurveFitter();

  /// Control points F·P for the nSamples points P (row k is control point k);
  /// empty when the point count differs from nSamples or the fitter is empty.
  std::vector<TCGenPoint<double>> FitCurve(const std::vector<TCGenPoint<double>>& points) const;

private:
  static double GetBaseMatrix(int i, double x);

  Math::Matrix m_F;
};
