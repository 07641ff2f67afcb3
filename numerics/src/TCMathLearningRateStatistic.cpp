// Running mean, variance and covariance with a 101-sample equal-weight
// warm-up followed by exponential forgetting.
#include <tarvekmath/TCMathLearningRateStatistic.h>

#include "RunningMoments.h"

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
  if (_impl::StartVariance(m_variance, m_firstSample, m_valid, x, m_mean))
    return;
  if (m_nrSamples <= m_warmUpLimit)
  {
    _impl::ExactVarianceStep(m_variance, x, m_mean, muOld, static_cast<double>(m_nrSamples));
    return;
  }
  // After the warm-up: the exponential rule (1 - a) v + a dx^2.
  const double a = m_learningRate;
  for (size_t i = 0; i < x.size(); ++i)
  {
    const double dx = x(i) - m_mean(i);
    m_variance(i) = (1.0 - a) * m_variance(i) + a * dx * dx;
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
  if (!_impl::StartCovariance(m_covariance, m_firstSample, m_valid, x, m_mean))
    _impl::CovarianceStep(m_covariance, x, m_mean, muOld, static_cast<double>(m_nrSamples),
                          m_nrSamples > m_warmUpLimit, m_learningRate);
}

void TCMathLearningRateCovariance::Reset()
{
  m_covariance.resize(0, 0, false);
  m_firstSample.resize(0, false);
  m_valid = false;
  TCMathLearningRateMean::Reset();
}
