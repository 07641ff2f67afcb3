// Linear prediction of the next sample of a series.
#include <tarvekmath/TCMathInterpolation.h>

#include <cmath>
#include <limits>

#include <tarvekmath/TCMathUblasUtils.h>

double TCMathInterpolation::PredictValueFromLastM(const Math::Vector& v, size_t m)
{
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const size_t n = v.size();
  if (m == 0 || n <= m)
    return kNaN;
  const size_t d = n - m;
  // R[i][j] = Σt v[t + i]·v[t + j] and r[i] = Σt v[t + i]·v[t + m], t < d:
  // window t of m samples predicts sample t + m.
  Math::SymmetricMatrix r(m, m);
  Math::Vector rhs(m);
  for (size_t i = 0; i < m; ++i)
  {
    for (size_t j = 0; j <= i; ++j)
    {
      double s = 0.0;
      for (size_t t = 0; t < d; ++t)
        s += v(t + i) * v(t + j);
      r(i, j) = s;
    }
    double s = 0.0;
    for (size_t t = 0; t < d; ++t)
      s += v(t + i) * v(t + m);
    rhs(i) = s;
  }
  const Math::Matrix l = TCMathUblasUtils::CholeskyDecompose(r);
  if (!std::isfinite(l(0, 0)))
    return kNaN; // not positive definite (or non-finite samples)
  const Math::Vector a = TCMathUblasUtils::CholeskySolve(l, rhs);
  double prediction = 0.0;
  for (size_t i = 0; i < m; ++i)
    prediction += a(i) * v(n - m + i);
  return prediction;
}
