#pragma once
// The second-moment updates shared by the iterative and the learning-rate
// running statistics (not installed). Each works on a statistic whose mean has
// already taken sample x: `mu` is the new mean, `muOld` the previous one, and
// `n` the number of samples including x.
#include <cstddef>

#include <tarvekmath/MathTypes.h>

namespace _impl
{
/// The first two samples of a running variance: the first is kept, the second
/// (with the mean of both) starts the sums of squares. Returns true when x was
/// taken up here, false when the variance already runs and the caller's rule applies.
inline bool StartVariance(Math::Vector& variance, Math::Vector& first, bool& valid, const Math::Vector& x,
                          const Math::Vector& mu)
{
  if (first.size() == 0 && !valid)
  {
    first = x;
    return true;
  }
  if (valid)
    return false;
  variance.resize(x.size(), false);
  for (std::size_t i = 0; i < x.size(); ++i)
  {
    const double a = first(i) - mu(i), b = x(i) - mu(i);
    variance(i) = a * a + b * b;
  }
  valid = true;
  return true;
}

/// The exact unbiased variance update for sample n.
inline void ExactVarianceStep(Math::Vector& variance, const Math::Vector& x, const Math::Vector& mu,
                              const Math::Vector& muOld, double n)
{
  for (std::size_t i = 0; i < x.size(); ++i)
  {
    const double dx = x(i) - mu(i), dm = mu(i) - muOld(i);
    variance(i) = variance(i) * (n - 2.0) / (n - 1.0) + dx * dx / (n - 1.0) + dm * dm;
  }
}

/// StartVariance for a covariance matrix.
inline bool StartCovariance(Math::Matrix& covariance, Math::Vector& first, bool& valid, const Math::Vector& x,
                            const Math::Vector& mu)
{
  if (first.size() == 0 && !valid)
  {
    first = x;
    return true;
  }
  if (valid)
    return false;
  const std::size_t d = x.size();
  covariance.resize(d, d, false);
  for (std::size_t i = 0; i < d; ++i)
    for (std::size_t j = i; j < d; ++j)
    {
      const double c = (first(i) - mu(i)) * (first(j) - mu(j)) + (x(i) - mu(i)) * (x(j) - mu(j));
      covariance(i, j) = c;
      covariance(j, i) = c;
    }
  valid = true;
  return true;
}

/// The covariance update for sample n: exact and unbiased, or with
/// `exponential` the rule (1 - a) C + a dx dx' for the learning rate a.
inline void CovarianceStep(Math::Matrix& covariance, const Math::Vector& x, const Math::Vector& mu,
                           const Math::Vector& muOld, double n, bool exponential = false, double learningRate = 0.0)
{
  const std::size_t d = x.size();
  const double a = learningRate;
  const double wOld = (n - 2.0) / (n - 1.0), wNew = 1.0 / (n - 1.0);
  for (std::size_t i = 0; i < d; ++i)
  {
    const double dxi = x(i) - mu(i), dmi = mu(i) - muOld(i);
    for (std::size_t j = i; j < d; ++j)
    {
      const double dxj = x(j) - mu(j);
      const double c = exponential ? a * dxi * dxj + (1.0 - a) * covariance(i, j)
                                   : dxi * dxj * wNew + covariance(i, j) * wOld + dmi * (mu(j) - muOld(j));
      covariance(i, j) = c;
      covariance(j, i) = c;
    }
  }
}
} // namespace _impl
