#pragma once
#include <tarvekmath/MathExport.h>

/// Logarithmic mapping of the input range [inMin, inMax] onto the output
/// range: y = outMin + (outMax − outMin)·k·ln((e^(1/k) − 1)·s + 1) with s the
/// clamped input's position in its range and k = 1/(1 − curvature) − 1, so
/// inMin ↦ outMin and inMax ↦ outMax. A curvature in (0, 1) gives a concave
/// curve that straightens as the curvature nears 1; a negative one a convex
/// curve. Curvatures 0 and 1 are degenerate (the mapping is NaN).
class TARVEKMATH_EXPORT TCMathLogScale
{
public:
  TCMathLogScale(double inMin, double inMax, double outMin, double outMax, double curvature);

  /// The input clamped to [inMin, inMax], mapped to the output range.
  double operator()(double x) const;
  /// The output value clamped to the output range (either order of its
  /// ends), mapped back to the input range.
  double Inverse(double y) const;

private:
  double m_inMin;
  double m_inMax;
  double m_outMin;
  double m_outMax;
  double m_k;
};
