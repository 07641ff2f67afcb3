#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Multivariate normal distribution with its inverse covariance and normaliser.
class TARVEKMATH_EXPORT TCMathPbMvGaussian
{
public:
  virtual ~TCMathPbMvGaussian() = default;
  /// Density at x; +∞ when the normaliser is infinite, at most the largest
  /// double otherwise; NaN when x's length or the covariance's size differs
  /// from the mean's length.
  virtual double GetPdfValue(const Math::Vector& x) const;

  TCMathPbMvGaussian(const Math::Vector& mean, const Math::Matrix& covariance);
  /// Stores the covariance and computes its inverse (the pseudo-inverse and
  /// pseudo-determinant when det <= 1e-6) and the normaliser. Never throws:
  /// on failure the previous inverse and normaliser stay.
  void SetCovariance(const Math::Matrix& covariance);
  void SetMean(const Math::Vector& mean) { m_mean = mean; }
  Math::Vector GetMean() const { return m_mean; }
  Math::Matrix GetCovariance() const { return m_covariance; }
  Math::Matrix GetInverseCovariance() const { return m_inverseCovariance; }
  /// Determinant (or pseudo-determinant) found by the last SetCovariance.
  double GetCovarianceDeterminant() const;

private:
  Math::Vector m_mean;
  Math::Matrix m_covariance;
  Math::Matrix m_inverseCovariance;
  double m_normaliser = 0.0;
};

/// Weighted mixture of multivariate normals. Component indices outside
/// 0..k−1 throw std::out_of_range.
class TARVEKMATH_EXPORT TCMathPbMvGaussianMixture
{
public:
  virtual ~TCMathPbMvGaussianMixture() = default;

  /// k components with zero mean (length d) and identity covariance, weights 1/k.
  TCMathPbMvGaussianMixture(int k, int d);
  /// Takes over the components (null entries throw std::invalid_argument); weights 1/k.
  explicit TCMathPbMvGaussianMixture(std::vector<std::shared_ptr<TCMathPbMvGaussian>> components);

  uint64_t GetNrGaussians() const { return m_nrGaussians; }
  Math::Vector GetWeights() const { return m_weights; }
  /// Stored as given (not normalised); std::invalid_argument unless of length k.
  void SetWeights(const Math::Vector& weights);
  Math::Vector GetMean(int i) const;
  void SetMean(int i, const Math::Vector& mean);
  Math::Matrix GetCovariance(int i) const;
  void SetCovariance(int i, const Math::Matrix& covariance);
  /// A copy of component i.
  TCMathPbMvGaussian GetGaussian(int i) const;
  /// Σ weight[i]·mean_i.
  Math::Vector GetMean() const;
  double GetPdfValue(const Math::Vector& x) const;
  double GetWeightedPdfValue(size_t i, const Math::Vector& x) const;

private:
  const TCMathPbMvGaussian& Component(int64_t i) const;

  uint64_t m_nrGaussians;
  std::vector<std::shared_ptr<TCMathPbMvGaussian>> m_gaussians;
  Math::Vector m_weights;
};
