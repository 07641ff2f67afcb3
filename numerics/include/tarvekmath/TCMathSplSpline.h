#pragma once
#include <cstddef>
#include <vector>

#include <tarvekmath/MathExport.h>

/// A closed spline of scalar control values: the control indices wrap
/// around, so the spline is periodic in its parameter with period n (the
/// number of control values).
class TARVEKMATH_EXPORT TCMathSplSpline
{
public:
  virtual ~TCMathSplSpline();
  /// Removes every control value.
  virtual void ClearControlPoints();
  /// Value at parameter t (any real t; the spline has period n).
  virtual double Evaluate(double t) const = 0;
  /// First derivative with respect to t.
  virtual double EvaluateDerative(double t) const = 0;
  /// Prepares whatever evaluation needs for span `span`.
  virtual void GenerateSpanMatrix(int span) = 0;

  /// Appends a control value and prepares its span.
  void AddControlPoint(double value);
  /// Replaces control value i; out of range does nothing.
  void SetControlPoint(size_t i, double value);
  const std::vector<double>& GetControlPoints() const { return m_controlPoints; }
  size_t GetNrControlPoints() const { return m_controlPoints.size(); }

protected:
  std::vector<double> m_controlPoints;
};

/// Closed uniform cubic B-spline. Span i (i <= t < i + 1) is the cubic
/// polynomial in the global parameter t given by the 4×4 span matrix M_i
/// (rows: coefficients of t⁰..t³; columns: control values P_i..P_i+3, indices
/// modulo n). Its value at t = i is (P_i + 4·P_i+1 + P_i+2)/6. Evaluation
/// uses M_0 at the local parameter t − i, the same polynomial, so that
/// precision does not degrade with the span index.
class TARVEKMATH_EXPORT TCMathSplBSplineCubic : public TCMathSplSpline
{
public:
  TCMathSplBSplineCubic() = default;
  ~TCMathSplBSplineCubic() override;
  /// Removes the control values and the span matrices.
  void ClearControlPoints() override;
  /// t is first reduced into [0, n); 0 without control values, NaN for a
  /// non-finite t.
  double Evaluate(double t) const override;
  /// As Evaluate, for dS/dt.
  double EvaluateDerative(double t) const override;
  /// Appends M_span (16 values, row major).
  void GenerateSpanMatrix(int span) override;

private:
  double EvaluateBasis(double t, bool derivative) const;

  std::vector<std::vector<double>> m_spanMatrices;
};
