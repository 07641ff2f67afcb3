// Equal-weight running mean, variance and covariance.
#include <tarvekmath/TCMathIterativeStatistic.h>

#include <algorithm>

#include "RunningMoments.h"

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
  if (!_impl::StartVariance(m_variance, m_firstSample, m_valid, x, m_mean))
    _impl::ExactVarianceStep(m_variance, x, m_mean, muOld, static_cast<double>(m_nrSamples));
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
  if (!_impl::StartCovariance(m_covariance, m_firstSample, m_valid, x, m_mean))
    _impl::CovarianceStep(m_covariance, x, m_mean, muOld, static_cast<double>(m_nrSamples));
}

void TCMathIterativeCovariance::Reset()
{
  TCMathIterativeMean::Reset();
  m_covariance.resize(0, 0, false);
  m_valid = false;
  m_firstSample.resize(0, false);
}
