#pragma once
#include <tarvekmath/MathExport.h>

/// Observation model of a Gaussian process.
class TARVEKMATH_EXPORT TCMathGpLikelihoodFunction
{
public:
  virtual ~TCMathGpLikelihoodFunction() = default;
  /// Variance of the observation noise.
  virtual double GetVariance() const = 0;

protected:
  TCMathGpLikelihoodFunction() = default;
  TCMathGpLikelihoodFunction(const TCMathGpLikelihoodFunction&) = default;
  TCMathGpLikelihoodFunction& operator=(const TCMathGpLikelihoodFunction&) = default;
};

/// Additive Gaussian observation noise of variance σ².
class TARVEKMATH_EXPORT TCMathGpLfGauss : public TCMathGpLikelihoodFunction
{
public:
  explicit TCMathGpLfGauss(double noiseVariance) : m_noiseVariance(noiseVariance) {}
  ~TCMathGpLfGauss() override = default;
  /// σ², as given to the constructor.
  double GetVariance() const override { return m_noiseVariance; }

private:
  double m_noiseVariance;
};
