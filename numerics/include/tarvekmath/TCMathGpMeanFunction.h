#pragma once
#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Prior mean of a Gaussian process. Inputs are matrices with one point per
/// row (n×d); CalcValues returns one mean value per row.
class TARVEKMATH_EXPORT TCMathGpMeanFunction
{
public:
  virtual ~TCMathGpMeanFunction() = default;
  virtual Math::Vector CalcValues(const Math::Matrix& x) const = 0;

  int GetDimension() const { return m_dimension; }
  int GetNumberOfHyperparameters() const { return m_numberOfHyperparameters; }

protected:
  TCMathGpMeanFunction(int dimension, int numberOfHyperparameters)
    : m_dimension(dimension), m_numberOfHyperparameters(numberOfHyperparameters)
  {
  }
  TCMathGpMeanFunction(const TCMathGpMeanFunction&) = default;
  TCMathGpMeanFunction& operator=(const TCMathGpMeanFunction&) = default;

  int m_dimension;
  int m_numberOfHyperparameters;
};

/// Constant prior mean c.
class TARVEKMATH_EXPORT TCMathGpMfConst : public TCMathGpMeanFunction
{
public:
  TCMathGpMfConst(int dimension, double c) : TCMathGpMeanFunction(dimension, 1), m_c(c) {}
  ~TCMathGpMfConst() override = default;
  /// rows(x) copies of c.
  Math::Vector CalcValues(const Math::Matrix& x) const override;

  double GetConstant() const { return m_c; }

private:
  double m_c;
};

/// Zero prior mean.
class TARVEKMATH_EXPORT TCMathGpMfZero : public TCMathGpMeanFunction
{
public:
  explicit TCMathGpMfZero(int dimension) : TCMathGpMeanFunction(dimension, 1) {}
  ~TCMathGpMfZero() override = default;
  /// rows(x) zeros.
  Math::Vector CalcValues(const Math::Matrix& x) const override;
};
