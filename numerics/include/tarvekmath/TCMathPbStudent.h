#pragma once
#include <tarvekmath/MathExport.h>

struct TCMathPbStudentTestPeer;

/// Student t distribution with df degrees of freedom, on its own
/// special-function routines. NaN for df <= 0 or NaN t.
class TARVEKMATH_EXPORT TCMathPbStudent
{
public:
  virtual ~TCMathPbStudent() = default;
  static double Student_pdf(long df, double t);
  static double Student_cdf(long df, double t);

private:
  friend struct TCMathPbStudentTestPeer;
  /// ln Γ(x) by the Lanczos form, x > 0.
  static double Ln_Gamma(double x);
  static double Ln_Beta(double a, double b);
  /// Regularised incomplete beta I_x(a, b).
  static double Incomplete_Beta(double a, double b, double x);
  /// Regularised lower incomplete gamma P(a, x).
  static double Incomplete_Gamma(double a, double x);
};
