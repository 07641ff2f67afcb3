// Equal-weight running mean, variance and covariance.
#include <tarvekmath/TCMathIterativeStatistic.h>

#include <algorithm>

namespace
{
void Zero(Math::Vector& v) { std::fill(v.begin(), v.end(), 0.0); }
} // namespace

void TCMathIterativeStatistic::Reset() { m_nrSamples = 0; }

bool TCMathIterativeMean::UpdateMean(const Math::Vector& x)
{
  // After a Reset (count 0) the next sample simply becomes the mean.
  if (m_mean.size() == 0 || m_nrSamples == 0)
  {
    m_mean = x;
    m_nrSamples = 1;
    return true;
  }
  if (x.size() != m_mean.size())
    return false;
  const double m = static_cast<double>(m_nrSamples);
  for (size_t i = 0; i < x.size(); ++i)
    m_mean(i) = (m_mean(i) * m + x(i)) / (m + 1.0);
  ++m_nrSamples;
  return true;
}

void TCMathIterativeMean::Update(const Math::Vector& x) { UpdateMean(x); }

void TCMathIterativeMean::Reset()
{
  Zero(m_mean);
  TCMathIterativeStatistic::Reset();
}

void TCMathIterativeVariance::Update(const Math::Vector& x)
{
  // A sample whose length differs from the first stored one is ignored.
  if (m_firstSample.size() != 0 && x.size() != m_firstSample.size())
    return;
  const Math::Vector muOld = m_mean;
  if (!UpdateMean(x))
    return;
  const Math::Vector& mu = m_mean;
  const size_t d = x.size();
  if (m_firstSample.size() == 0 && !m_valid)
  {
    m_firstSample = x;
    return;
  }
  if (!m_valid)
  {
    m_variance.resize(d, false);
    for (size_t i = 0; i < d; ++i)
    {
      const double a = m_firstSample(i) - mu(i), b = x(i) - mu(i);
      m_variance(i) = a * a + b * b;
    }
    m_valid = true;
    return;
  }
  const double n = static_cast<double>(m_nrSamples);
  for (size_t i = 0; i < d; ++i)
  {
    const double dx = x(i) - mu(i), dm = mu(i) - muOld(i);
    m_variance(i) = m_variance(i) * (n - 2.0) / (n - 1.0) + dx * dx / (n - 1.0) + dm * dm;
  }
}

void TCMathIterativeVariance::Reset()
{
  TCMathIterativeMean::Reset();
  Zero(m_variance);
  m_valid = false;
  m_firstSample.resize(0, false);
}

void TCMathIterativeCovariance::Update(const Math::Vector& x)
{
  if (m_firstSample.size() != 0 && x.size() != m_firstSample.size())
    return;
  const Math::Vector muOld = m_mean;
  if (!UpdateMean(x))
    return;
  const Math::Vector& mu = m_mean;
  const size_t d = x.size();
  if (m_firstSample.size() == 0 && !m_valid)
  {
    m_firstSample = x;
    return;
  }
  if (!m_valid)
  {
    m_covariance.resize(d, d, false);
    for (size_t i = 0; i < d; ++i)
      for (size_t j = i; j < d; ++j)
      {
        const double c = (m_firstSample(i) - mu(i)) * (m_firstSample(j) - mu(j)) + (x(i) - mu(i)) * (x(j) - mu(j));
        m_covariance(i, j) = c;
        m_covariance(j, i) = c;
      }
    m_valid = true;
    return;
  }
  const double n = static_cast<double>(m_nrSamples);
  const double wOld = (n - 2.0) / (n - 1.0), wNew = 1.0 / (n - 1.0);
  for (size_t i = 0; i < d; ++i)
  {
    const double dxi = x(i) - mu(i), dmi = mu(i) - muOld(i);
    for (size_t j = i; j < d; ++j)
    {
      const double c = dxi * (x(j) - mu(j)) * wNew + m_covariance(i, j) * wOld + dmi * (mu(j) - muOld(j));
      m_covariance(i, j) = c;
      m_covariance(j, i) = c;
    }
  }
}

void TCMathIterativeCovariance::Reset()
{
  TCMathIterativeMean::Reset();
  m_covariance.resize(0, 0, false);
  m_valid = false;
  m_firstSample.resize(0, false);
}
