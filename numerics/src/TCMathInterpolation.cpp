// Gap filling by Gaussian-process regression and linear prediction of the
// next sample of a series.
#include <tarvekmath/TCMathInterpolation.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include <tarvekmath/TCMathGaussianProcess.h>
#include <tarvekmath/TCMathUblasUtils.h>

void TCMathInterpolation::InterpolateMissingValues(Math::Vector* v, double missing)
{
  if (v == nullptr || v->size() == 0)
    return;
  Math::Vector& s = *v;
  const size_t n = s.size();
  if (!std::isnan(missing))
    for (size_t i = 0; i < n; ++i)
      if (s(i) == missing)
        s(i) = std::numeric_limits<double>::quiet_NaN();
  std::vector<size_t> present, absent;
  for (size_t i = 0; i < n; ++i)
    (std::isnan(s(i)) ? absent : present).push_back(i);
  if (present.empty() || absent.empty())
    return;
  if (present.size() == 1)
  {
    // The sample variance is undefined; for any finite variance the process
    // predicts the single value everywhere.
    for (size_t i : absent)
      s(i) = s(present[0]);
    return;
  }
  Math::Matrix x(present.size(), 1), xs(absent.size(), 1);
  Math::Vector y(present.size());
  double sum = 0.0;
  for (size_t k = 0; k < present.size(); ++k)
  {
    x(k, 0) = static_cast<double>(present[k]);
    y(k) = s(present[k]);
    sum += y(k);
  }
  const double mean = sum / static_cast<double>(present.size());
  double squares = 0.0;
  for (size_t k = 0; k < present.size(); ++k)
    squares += (y(k) - mean) * (y(k) - mean);
  const double variance = squares / static_cast<double>(present.size() - 1);
  for (size_t k = 0; k < absent.size(); ++k)
    xs(k, 0) = static_cast<double>(absent[k]);

  TCMathGaussianProcess gp(std::make_shared<TCMathGpMfConst>(1, mean), std::make_shared<TCMathGpCfRBF>(1, 1.0, variance),
                           std::make_shared<TCMathGpLfGauss>(1e-6), std::make_shared<TCMathGpImExact>());
  gp.Train(x, y);
  const Math::Vector filled = gp.EvaluateMeans(xs);
  if (filled.size() != absent.size())
    return; // not fitted: the gaps stay NaN
  for (size_t k = 0; k < absent.size(); ++k)
    s(absent[k]) = filled(k);
}

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
