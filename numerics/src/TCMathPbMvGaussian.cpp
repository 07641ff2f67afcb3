// Multivariate normal distribution and mixtures of them.
#include <tarvekmath/TCMathPbMvGaussian.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include <tarvekmath/TCMathUblasUtils.h>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTwoPi = 6.283185307179586;
} // namespace

TCMathPbMvGaussian::TCMathPbMvGaussian(const Math::Vector& mean, const Math::Matrix& covariance) : m_mean(mean)
{
  SetCovariance(covariance);
}

void TCMathPbMvGaussian::SetCovariance(const Math::Matrix& covariance)
{
  m_covariance = covariance;
  try
  {
    const size_t n = covariance.size1();
    if (covariance.size2() != n)
      return; // no inverse for a non-square matrix: keep the previous state
    double det = TCMathUblasUtils::Det(covariance);
    Math::Matrix inverse(n, n);
    if (det > 1e-6)
    {
      if (n == 2)
        Math::invert_dbl2x2(covariance, &inverse);
      else if (n == 3)
        Math::invert_dbl3x3(covariance, &inverse);
      else
        Math::invert_dbl(covariance, &inverse);
    }
    else
    {
      inverse = TCMathUblasUtils::PseudoInvert(covariance, &det);
    }
    const double d = static_cast<double>(m_mean.size());
    m_inverseCovariance = std::move(inverse);
    m_normaliser = 1.0 / std::sqrt(std::pow(kTwoPi, d) * det);
  }
  catch (const Math::ublas::singular&)
  {
    // The previous inverse and normaliser stay.
  }
}

double TCMathPbMvGaussian::GetCovarianceDeterminant() const
{
  const double d = static_cast<double>(m_mean.size());
  return 1.0 / (m_normaliser * m_normaliser * std::pow(kTwoPi, d));
}

double TCMathPbMvGaussian::GetPdfValue(const Math::Vector& x) const
{
  const size_t d = m_mean.size();
  if (x.size() != d || m_inverseCovariance.size1() != d || m_inverseCovariance.size2() != d)
    return kNaN;
  if (std::isinf(m_normaliser))
    return kInf;
  double q = 0.0;
  for (size_t i = 0; i < d; ++i)
  {
    const double di = x(i) - m_mean(i);
    for (size_t j = 0; j < d; ++j)
      q += di * m_inverseCovariance(i, j) * (x(j) - m_mean(j));
  }
  const double p = m_normaliser * std::exp(-0.5 * q);
  return std::isinf(p) ? std::numeric_limits<double>::max() : p;
}

// ---- mixture ----
TCMathPbMvGaussianMixture::TCMathPbMvGaussianMixture(int k, int d) : m_nrGaussians(k > 0 ? uint64_t(k) : 0)
{
  const size_t dim = d > 0 ? static_cast<size_t>(d) : 0;
  Math::Vector mean(dim);
  std::fill(mean.begin(), mean.end(), 0.0);
  const Math::Matrix identity = Math::ublas::identity_matrix<double>(dim);
  for (uint64_t i = 0; i < m_nrGaussians; ++i)
    m_gaussians.push_back(std::make_shared<TCMathPbMvGaussian>(mean, identity));
  m_weights.resize(m_nrGaussians, false);
  std::fill(m_weights.begin(), m_weights.end(), 1.0 / static_cast<double>(m_nrGaussians));
}

TCMathPbMvGaussianMixture::TCMathPbMvGaussianMixture(std::vector<std::shared_ptr<TCMathPbMvGaussian>> components)
    : m_nrGaussians(components.size()), m_gaussians(std::move(components))
{
  for (const auto& g : m_gaussians)
    if (!g)
      throw std::invalid_argument("TCMathPbMvGaussianMixture: null component");
  m_weights.resize(m_nrGaussians, false);
  std::fill(m_weights.begin(), m_weights.end(), 1.0 / static_cast<double>(m_nrGaussians));
}

const TCMathPbMvGaussian& TCMathPbMvGaussianMixture::Component(int64_t i) const
{
  if (i < 0 || static_cast<uint64_t>(i) >= m_nrGaussians)
    throw std::out_of_range("TCMathPbMvGaussianMixture: component index out of range");
  return *m_gaussians[static_cast<size_t>(i)];
}

void TCMathPbMvGaussianMixture::SetWeights(const Math::Vector& weights)
{
  if (weights.size() != m_nrGaussians)
    throw std::invalid_argument("TCMathPbMvGaussianMixture: weights of the wrong length");
  m_weights = weights;
}

Math::Vector TCMathPbMvGaussianMixture::GetMean(int i) const { return Component(i).GetMean(); }

void TCMathPbMvGaussianMixture::SetMean(int i, const Math::Vector& mean)
{
  Component(i);
  m_gaussians[static_cast<size_t>(i)]->SetMean(mean);
}

Math::Matrix TCMathPbMvGaussianMixture::GetCovariance(int i) const { return Component(i).GetCovariance(); }

void TCMathPbMvGaussianMixture::SetCovariance(int i, const Math::Matrix& covariance)
{
  Component(i);
  m_gaussians[static_cast<size_t>(i)]->SetCovariance(covariance);
}

TCMathPbMvGaussian TCMathPbMvGaussianMixture::GetGaussian(int i) const { return Component(i); }

Math::Vector TCMathPbMvGaussianMixture::GetMean() const
{
  if (m_nrGaussians == 0)
    return Math::Vector(0);
  const size_t d = m_gaussians[0]->GetMean().size();
  Math::Vector mean(d);
  std::fill(mean.begin(), mean.end(), 0.0);
  for (uint64_t i = 0; i < m_nrGaussians; ++i)
  {
    const Math::Vector mi = m_gaussians[i]->GetMean();
    if (mi.size() != d)
      throw std::invalid_argument("TCMathPbMvGaussianMixture: components of different dimensions");
    mean += m_weights(i) * mi;
  }
  return mean;
}

double TCMathPbMvGaussianMixture::GetPdfValue(const Math::Vector& x) const
{
  double p = 0.0;
  for (uint64_t i = 0; i < m_nrGaussians; ++i)
    p += m_weights(i) * m_gaussians[i]->GetPdfValue(x);
  return p;
}

double TCMathPbMvGaussianMixture::GetWeightedPdfValue(size_t i, const Math::Vector& x) const
{
  if (i >= m_nrGaussians)
    throw std::out_of_range("TCMathPbMvGaussianMixture: component index out of range");
  return m_weights(i) * m_gaussians[i]->GetPdfValue(x);
}
