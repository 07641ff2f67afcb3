#pragma once
#include <functional>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Covariance (kernel) function of a Gaussian process over d-dimensional
/// points, one point per matrix row. Inputs whose column count differs from
/// the function's dimension give empty results (0×0 matrices, empty vectors).
class TARVEKMATH_EXPORT TCMathGpCovarianceFunction
{
public:
  virtual ~TCMathGpCovarianceFunction() = default;
  /// The n×n kernel matrix k(xᵢ, xⱼ) of the rows of x (lower triangle stored).
  virtual Math::SymmetricMatrix CalcKernel(const Math::Matrix& x) const = 0;
  /// k(xᵢ, xᵢ) for every row; by default the diagonal of CalcKernel.
  virtual Math::Vector CalcSelfVariance(const Math::Matrix& x) const;
  /// The rows(a)×rows(b) matrix k(aᵢ, bⱼ).
  virtual Math::Matrix CalcCrossCovariance(const Math::Matrix& a, const Math::Matrix& b) const = 0;

  int GetDimension() const { return m_dimension; }
  int GetNumberOfHyperparameters() const { return m_numberOfHyperparameters; }

protected:
  TCMathGpCovarianceFunction(int dimension, int numberOfHyperparameters)
    : m_dimension(dimension), m_numberOfHyperparameters(numberOfHyperparameters)
  {
  }
  TCMathGpCovarianceFunction(const TCMathGpCovarianceFunction&) = default;
  TCMathGpCovarianceFunction& operator=(const TCMathGpCovarianceFunction&) = default;

  /// True when x has exactly GetDimension() columns.
  bool HasDimension(const Math::Matrix& x) const;

  int m_dimension;
  int m_numberOfHyperparameters;
};

/// Squared-exponential kernel k(x, x′) = s²·exp(−‖x − x′‖²/(2ℓ²)).
class TARVEKMATH_EXPORT TCMathGpCfRBF : public TCMathGpCovarianceFunction
{
public:
  TCMathGpCfRBF(int dimension, double lengthScale, double signalVariance);
  ~TCMathGpCfRBF() override = default;
  Math::SymmetricMatrix CalcKernel(const Math::Matrix& x) const override;
  /// rows(x) copies of s².
  Math::Vector CalcSelfVariance(const Math::Matrix& x) const override;
  Math::Matrix CalcCrossCovariance(const Math::Matrix& a, const Math::Matrix& b) const override;

  double GetLengthScale() const { return m_lengthScale; }
  double GetSignalVariance() const { return m_signalVariance; }

private:
  double m_lengthScale;
  double m_signalVariance;
  Math::Matrix m_inverseLambda; ///< d×d, 1/ℓ² on the diagonal
};

/// Matérn kernel with smoothness ν = ν₂/2 for ν₂ = 1, 3 or 5 (any other code
/// acts as 3): with r the Euclidean distance and t = √ν₂·r/ℓ,
/// k = s²·f(t)·exp(−t), f = 1, 1 + t or 1 + t + t²/3.
class TARVEKMATH_EXPORT TCMathGpCfMatern : public TCMathGpCovarianceFunction
{
public:
  TCMathGpCfMatern(int dimension, int nu, double lengthScale, double signalVariance);
  ~TCMathGpCfMatern() override = default;
  Math::SymmetricMatrix CalcKernel(const Math::Matrix& x) const override;
  /// rows(x) copies of s².
  Math::Vector CalcSelfVariance(const Math::Matrix& x) const override;
  Math::Matrix CalcCrossCovariance(const Math::Matrix& a, const Math::Matrix& b) const override;

  /// The smoothness code in use (1, 3 or 5).
  int GetNu() const { return m_nu; }
  double GetLengthScale() const { return m_lengthScale; }
  double GetSignalVariance() const { return m_signalVariance; }

private:
  double Kernel(double scaledSquaredDistance) const;

  int m_nu;
  double m_lengthScale;
  double m_signalVariance;
  Math::Matrix m_inverseLambda; ///< d×d, 1/ℓ² on the diagonal
  std::function<double(double)> m_shape; ///< the polynomial f(t)
};
