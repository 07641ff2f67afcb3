// Running mean, variance and covariance with a 101-sample equal-weight
// warm-up followed by exponential forgetting.
#include <tarvekmath/TCMathLearningRateStatistic.h>

void TCMathLearningRateStatistic::Reset() { m_nrSamples = 0; }

bool TCMathLearningRateMean::UpdateMean(const Math::Vector& x)
{
  if (m_mean.size() == 0)
  {
    m_cumulativeMean.Reset();
    m_cumulativeMean.Update(x);
    m_mean = x;
    m_nrSamples = 1;
    return true;
  }
  if (x.size() != m_mean.size())
    return false;
  if (m_cumulativeMean.GetNrSamples() <= m_warmUpLimit)
  {
    m_cumulativeMean.Update(x);
    m_mean = m_cumulativeMean.GetMean();
    ++m_nrSamples;
    return true;
  }
  const double a = m_learningRate;
  for (size_t i = 0; i < x.size(); ++i)
    m_mean(i) = (1.0 - a) * m_mean(i) + a * x(i);
  return true;
}

void TCMathLearningRateMean::Update(const Math::Vector& x) { UpdateMean(x); }

void TCMathLearningRateMean::Reset()
{
  m_mean.resize(0, false);
  m_cumulativeMean.Reset();
  TCMathLearningRateStatistic::Reset();
}

void TCMathLearningRateVariance::Update(const Math::Vector& x)
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
  if (m_nrSamples > m_warmUpLimit)
  {
    const double a = m_learningRate;
    for (size_t i = 0; i < d; ++i)
    {
      const double dx = x(i) - mu(i);
      m_variance(i) = (1.0 - a) * m_variance(i) + a * dx * dx;
    }
    return;
  }
  for (size_t i = 0; i < d; ++i)
  {
    const double dx = x(i) - mu(i), dm = mu(i) - muOld(i);
    m_variance(i) = m_variance(i) * (n - 2.0) / (n - 1.0) + dx * dx / (n - 1.0) + dm * dm;
  }
}

void TCMathLearningRateVariance::Reset()
{
  m_variance.resize(0, false);
  m_firstSample.resize(0, false);
  m_valid = false;
  TCMathLearningRateMean::Reset();
}

void TCMathLearningRateCovariance::Update(const Math::Vector& x)
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
  const bool exponential = m_nrSamples > m_warmUpLimit;
  const double a = m_learningRate;
  const double wOld = (n - 2.0) / (n - 1.0), wNew = 1.0 / (n - 1.0);
  for (size_t i = 0; i < d; ++i)
  {
    const double dxi = x(i) - mu(i), dmi = mu(i) - muOld(i);
    for (size_t j = i; j < d; ++j)
    {
      const double dxj = x(j) - mu(j);
      const double c = exponential ? a * dxi * dxj + (1.0 - a) * m_covariance(i, j)
                                   : dxi * dxj * wNew + m_covariance(i, j) * wOld + dmi * (mu(j) - muOld(j));
      m_covariance(i, j) = c;
      m_covariance(j, i) = c;
    }
  }
}

void TCMathLearningRateCovariance::Reset()
{
  m_covariance.resize(0, 0, false);
  m_firstSample.resize(0, false);
  m_valid = false;
  TCMathLearningRateMean::Reset();
}
