// Summary statistics and distances between multivariate normals.
#include <tarvekmath/TCMathStatUtils.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <tarvekmath/TCMathPbMvGaussian.h>
#include <tarvekmath/TCMathUblasUtils.h>

const double TCMathStatUtils::ms_dError = std::numeric_limits<double>::quiet_NaN();

double TCMathStatUtils::CalculateMean(int64_t n, double sum)
{
  return n <= 0 ? ms_dError : sum / static_cast<double>(n);
}

double TCMathStatUtils::CalculateVariance(int64_t n, double mean, double sumOfSquares)
{
  if (n < 2)
    return ms_dError;
  const double dn = static_cast<double>(n);
  const double v = (sumOfSquares - dn * mean * mean) / (dn - 1.0);
  return v < 0.0 ? 0.0 : v;
}

double TCMathStatUtils::CalculateStandardDeviation(double variance)
{
  return variance >= 0.0 ? std::sqrt(variance) : ms_dError;
}

double TCMathStatUtils::CalculateStandardError(int64_t n, double sd)
{
  return n <= 0 ? ms_dError : sd / std::sqrt(static_cast<double>(n));
}

TCGenPoint<double> TCMathStatUtils::CalculateMean(const std::vector<TCGenPoint<double>>& points)
{
  if (points.empty())
    return TCGenPoint<double>(ms_dError, ms_dError);
  double sx = 0.0, sy = 0.0;
  for (const auto& p : points)
  {
    sx += p.GetX();
    sy += p.GetY();
  }
  const double n = static_cast<double>(points.size());
  return TCGenPoint<double>(sx / n, sy / n);
}

double TCMathStatUtils::CalculateCircularMean(int64_t n, const std::complex<double>& sum)
{
  return n <= 0 ? ms_dError : std::atan2(sum.imag(), sum.real());
}

double TCMathStatUtils::CalculateCircularVariance(int64_t n, const std::complex<double>& sum)
{
  if (n <= 0)
    return ms_dError;
  return std::clamp(1.0 - std::abs(sum) / static_cast<double>(n), 0.0, 1.0);
}

double TCMathStatUtils::CalculateCircularDeviation(double circularVariance)
{
  if (!(circularVariance >= 0.0 && circularVariance < 1.0))
    return ms_dError;
  return std::sqrt(-2.0 * std::log(1.0 - circularVariance));
}

namespace
{
// Δ = μ1 − μ2 and S = (Σ1 + Σ2)/2, with the dimensions checked.
void MeanDiffAndAverage(const TCMathPbMvGaussian& g1, const TCMathPbMvGaussian& g2, Math::Vector* delta,
                        Math::Matrix* s)
{
  const Math::Vector m1 = g1.GetMean(), m2 = g2.GetMean();
  const Math::Matrix c1 = g1.GetCovariance(), c2 = g2.GetCovariance();
  const size_t d = m1.size();
  if (m2.size() != d || c1.size1() != d || c1.size2() != d || c2.size1() != d || c2.size2() != d)
    throw std::invalid_argument("multivariate normals of different dimensions");
  *delta = m1 - m2;
  *s = 0.5 * (c1 + c2);
}

double Quadratic(const Math::Vector& v, const Math::Matrix& m)
{
  double q = 0.0;
  for (size_t i = 0; i < v.size(); ++i)
    for (size_t j = 0; j < v.size(); ++j)
      q += v(i) * m(i, j) * v(j);
  return q;
}
} // namespace

double TCMathStatUtils::CalculateMahalanobisDistance(const TCMathPbMvGaussian& g1, const TCMathPbMvGaussian& g2)
{
  Math::Vector delta;
  Math::Matrix s;
  MeanDiffAndAverage(g1, g2, &delta, &s);
  Math::Matrix inv(s.size1(), s.size2());
  Math::invert_dbl(s, &inv);
  return Quadratic(delta, inv);
}

double TCMathStatUtils::CalculateBhattacharyyaDistance(const TCMathPbMvGaussian& g1, const TCMathPbMvGaussian& g2)
{
  try
  {
    Math::Vector delta;
    Math::Matrix s;
    MeanDiffAndAverage(g1, g2, &delta, &s);
    const TCMathPbMvGaussian avg(delta, s);
    const double detS = avg.GetCovarianceDeterminant();
    return 0.125 * Quadratic(delta, avg.GetInverseCovariance()) +
           0.5 * (std::log(detS) - std::log(std::sqrt(g1.GetCovarianceDeterminant())) -
                  std::log(std::sqrt(g2.GetCovarianceDeterminant())));
  }
  catch (...)
  {
    return ms_dError;
  }
}
