#pragma once
#include <memory>
#include <vector>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>
#include <tarvekmath/TCMathGpCovarianceFunction.h>
#include <tarvekmath/TCMathGpInferenceMethod.h>
#include <tarvekmath/TCMathGpLikelihoodFunction.h>
#include <tarvekmath/TCMathGpMeanFunction.h>
#include <tarvekmath/TCMathPbDistribution.h>

/// Gaussian-process regression assembled from a mean, a covariance, a
/// likelihood and an inference method. Copies share the four parts. One
/// process serves one thread at a time.
class TARVEKMATH_EXPORT TCMathGaussianProcess
{
public:
  /// Stores the parts and initialises the inference method with the first
  /// three; the process starts untrained.
  TCMathGaussianProcess(std::shared_ptr<TCMathGpMeanFunction> mean, std::shared_ptr<TCMathGpCovarianceFunction> cov,
                        std::shared_ptr<TCMathGpLikelihoodFunction> lik, std::shared_ptr<TCMathGpInferenceMethod> inf);

  /// The inference method's Train (0 on success, NaN on failure, NaN without
  /// an inference method). The process counts as trained afterwards whatever
  /// the result; after a failure the method keeps its previous training.
  double Train(const Math::Matrix& x, const Math::Vector& y);
  /// Posterior means at the rows of xs; empty before Train.
  Math::Vector EvaluateMeans(const Math::Matrix& xs) const;
  /// Predictive distributions of noisy observations at the rows of xs.
  /// Before Train: a list with one TCMathPbGaussian(NaN, NaN).
  std::vector<std::shared_ptr<TCMathPbGaussian>> EvaluateDistributions(const Math::Matrix& xs) const;
  /// Replaces the mean function here and in the inference method; the
  /// process becomes untrained.
  void SetMeanFunction(std::shared_ptr<TCMathGpMeanFunction> mean);
  bool IsTrained() const { return m_trained; }

private:
  std::shared_ptr<TCMathGpMeanFunction> m_mean;
  std::shared_ptr<TCMathGpCovarianceFunction> m_cov;
  std::shared_ptr<TCMathGpLikelihoodFunction> m_lik;
  std::shared_ptr<TCMathGpInferenceMethod> m_inf;
  bool m_trained;
};
