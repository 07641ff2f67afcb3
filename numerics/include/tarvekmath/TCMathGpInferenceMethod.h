#pragma once
#include <memory>
#include <vector>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>
#include <tarvekmath/TCMathGpCovarianceFunction.h>
#include <tarvekmath/TCMathGpLikelihoodFunction.h>
#include <tarvekmath/TCMathGpMeanFunction.h>
#include <tarvekmath/TCMathPbDistribution.h>

/// Posterior computation of a Gaussian process from its mean, covariance and
/// likelihood (shared with the process that owns the method). Train stores
/// the lower Cholesky factor L, the weights α, sW and the training inputs;
/// the evaluations use them:
///   mean     = m(Xs) + Ksᵀ·α,
///   variance = k(xs, xs) − ‖L⁻¹·(sW ∘ ks)‖² + σ² (a noisy observation),
/// with Ks the cross covariance of the training and test inputs and σ² the
/// likelihood's variance. Before a successful Train, and for test points of
/// another dimension than the training inputs, the results are empty.
class TARVEKMATH_EXPORT TCMathGpInferenceMethod
{
public:
  virtual ~TCMathGpInferenceMethod() = default;
  /// Stores the three parts and forgets any earlier training (its weights
  /// belong to the previous parts).
  virtual void Init(std::shared_ptr<TCMathGpMeanFunction> mean, std::shared_ptr<TCMathGpCovarianceFunction> cov,
                    std::shared_ptr<TCMathGpLikelihoodFunction> lik);
  /// Fits the process to targets y at the rows of x; 0 on success, NaN on failure.
  virtual double Train(const Math::Matrix& x, const Math::Vector& y) = 0;
  /// Posterior means at the rows of xs.
  virtual Math::Vector EvaluateMeans(const Math::Matrix& xs) const;
  /// One predictive normal distribution (mean, variance) per row of xs.
  virtual std::vector<std::shared_ptr<TCMathPbGaussian>> EvaluateDistributions(const Math::Matrix& xs) const;

protected:
  TCMathGpInferenceMethod() = default;
  TCMathGpInferenceMethod(const TCMathGpInferenceMethod&) = default;
  TCMathGpInferenceMethod& operator=(const TCMathGpInferenceMethod&) = default;

  /// True when training results are stored and xs has the training inputs' dimension.
  bool CanEvaluate(const Math::Matrix& xs) const;

  std::shared_ptr<TCMathGpMeanFunction> m_mean;
  std::shared_ptr<TCMathGpCovarianceFunction> m_cov;
  std::shared_ptr<TCMathGpLikelihoodFunction> m_lik;
  Math::Matrix m_L;     ///< lower Cholesky factor of the scaled kernel matrix
  Math::Vector m_alpha; ///< weights of the cross covariances in the mean
  Math::Vector m_sW;    ///< scale of the cross covariances in the variance
  Math::Matrix m_X;     ///< training inputs, one per row
};

/// Exact inference for Gaussian noise: L = chol(K/σ² + I),
/// α = L⁻ᵀL⁻¹(y − m)/σ² = (K + σ²I)⁻¹(y − m), sW = 1/σ. Works only with a
/// TCMathGpLfGauss likelihood; with any other, Train returns NaN and the
/// evaluations are empty.
class TARVEKMATH_EXPORT TCMathGpImExact : public TCMathGpInferenceMethod
{
public:
  TCMathGpImExact() = default;
  TCMathGpImExact(const TCMathGpImExact&) = default;
  TCMathGpImExact& operator=(const TCMathGpImExact&) = default;
  ~TCMathGpImExact() override = default;

  void Init(std::shared_ptr<TCMathGpMeanFunction> mean, std::shared_ptr<TCMathGpCovarianceFunction> cov,
            std::shared_ptr<TCMathGpLikelihoodFunction> lik) override;
  /// 0 on success. NaN, with the previous training kept, when the likelihood
  /// is not Gaussian, a part is missing, x has no rows, y's length differs
  /// from rows(x), x's column count differs from the covariance's dimension,
  /// or K/σ² + I is not positive definite (non-finite inputs or parameters,
  /// σ² <= 0) so that the factor or α is not finite.
  double Train(const Math::Matrix& x, const Math::Vector& y) override;
  Math::Vector EvaluateMeans(const Math::Matrix& xs) const override;
  std::vector<std::shared_ptr<TCMathPbGaussian>> EvaluateDistributions(const Math::Matrix& xs) const override;

private:
  std::shared_ptr<TCMathGpLfGauss> m_gaussLik; ///< the likelihood when it is Gaussian, else null
};
