// Gaussian-process regression over exchangeable parts.
#include <tarvekmath/TCMathGaussianProcess.h>

#include <limits>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

TCMathGaussianProcess::TCMathGaussianProcess(std::shared_ptr<TCMathGpMeanFunction> mean,
                                             std::shared_ptr<TCMathGpCovarianceFunction> cov,
                                             std::shared_ptr<TCMathGpLikelihoodFunction> lik,
                                             std::shared_ptr<TCMathGpInferenceMethod> inf)
  : m_mean(std::move(mean)), m_cov(std::move(cov)), m_lik(std::move(lik)), m_inf(std::move(inf)), m_trained(false)
{
  if (m_inf)
    m_inf->Init(m_mean, m_cov, m_lik);
}

double TCMathGaussianProcess::Train(const Math::Matrix& x, const Math::Vector& y)
{
  const double result = m_inf ? m_inf->Train(x, y) : kNaN;
  m_trained = true;
  return result;
}

Math::Vector TCMathGaussianProcess::EvaluateMeans(const Math::Matrix& xs) const
{
  if (!m_trained || !m_inf)
    return Math::Vector(0);
  return m_inf->EvaluateMeans(xs);
}

std::vector<std::shared_ptr<TCMathPbGaussian>> TCMathGaussianProcess::EvaluateDistributions(const Math::Matrix& xs) const
{
  if (!m_trained || !m_inf)
    return {std::make_shared<TCMathPbGaussian>(kNaN, kNaN)};
  return m_inf->EvaluateDistributions(xs);
}

void TCMathGaussianProcess::SetMeanFunction(std::shared_ptr<TCMathGpMeanFunction> mean)
{
  m_mean = std::move(mean);
  if (m_inf)
    m_inf->Init(m_mean, m_cov, m_lik);
  m_trained = false;
}
