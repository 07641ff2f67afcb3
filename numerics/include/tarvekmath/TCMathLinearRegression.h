#pragma once
#include <cstdint>

#include <tarvekmath/MathExport.h>

/// Simple linear regression y = intercept + slope·x from running sums, with
/// the standard errors of both coefficients.
class TARVEKMATH_EXPORT TCMathLinearRegression
{
public:
  TCMathLinearRegression() = default;

  void AddXY(double x, double y);
  /// Fits the line. False with nothing changed for fewer than 3 points; false
  /// with slope, intercept and both errors 0 when the x values do not vary.
  bool Calculate();
  double GetSlope() const { return m_slope; }
  double GetIntercept() const { return m_intercept; }
  double GetStdErrSlope() const { return m_stdErrSlope; }
  double GetStdErrIntercept() const { return m_stdErrIntercept; }
  uint32_t NrPoints() const { return m_nrPoints; }
  /// Back to the state after construction (everything 0).
  void Reset();

private:
  uint32_t m_nrPoints = 0;
  double m_sumX = 0.0;
  double m_sumY = 0.0;
  double m_sumXX = 0.0;
  double m_sumYY = 0.0;
  double m_sumXY = 0.0;
  double m_slope = 0.0;
  double m_intercept = 0.0;
  double m_stdErrIntercept = 0.0;
  double m_stdErrSlope = 0.0;
};
