#pragma once
#include <memory>
#include <vector>

#include <boost/math/distributions/fwd.hpp>
#include <boost/math/policies/policy.hpp>

#include <tarvekmath/MathExport.h>

/// Base of the univariate distributions: expectation, variance and standard
/// deviation, with densities, CDFs, quantiles and sampling as virtual
/// operations. Undefined values are NaN. Sampling draws from the C runtime's
/// rand() (process-wide state; seed it with srand in the host if needed).
class TARVEKMATH_EXPORT TCMathPbDistribution
{
public:
  virtual ~TCMathPbDistribution() = default;
  virtual double GetPdfValue(double x) const;
  virtual double GetCdfValue(double x) const;
  /// log(GetPdfValue(x)).
  virtual double GetLogPdfValue(double x) const;
  /// log(GetCdfValue(x)).
  virtual double GetLogCdfValue(double x) const;
  /// Quantile at probability p.
  virtual double GetInvCdfValue(double p) const;
  virtual double GetPdfValueFast(double x) const;
  virtual double GetCdfValueFast(double x) const;
  virtual double GetLogPdfValueFast(double x) const;
  virtual double GetLogCdfValueFast(double x) const;
  /// GetInvCdfValue at a uniform variate in (0, 1).
  virtual double GetSample() const;

  TCMathPbDistribution();
  TCMathPbDistribution(double expectation, double variance);
  TCMathPbDistribution(const TCMathPbDistribution&) = default;
  TCMathPbDistribution& operator=(const TCMathPbDistribution&) = default;

  double GetExpectation() const { return m_expectation; }
  void SetExpectation(double expectation) { m_expectation = expectation; }
  double GetVariance() const { return m_variance; }
  /// Also sets the standard deviation to the square root.
  void SetVariance(double variance);
  double GetStdDev() const { return m_stdDev; }
  /// |x − expectation| / standard deviation.
  double GetNormalizedDistance(double x) const;
  /// n samples (empty for n <= 0).
  std::vector<double> GetSamples(int n) const;

protected:
  /// Uniform variate in (0, 1) from rand(), scaled by RAND_MAX + 1.
  static double UniformVariate();

  double m_expectation;
  double m_variance;
  double m_stdDev;
};

/// Normal distribution N(mean, variance); the second argument is the variance.
class TARVEKMATH_EXPORT TCMathPbGaussian : public TCMathPbDistribution
{
public:
  ~TCMathPbGaussian() override = default;
  /// exp(−(x − μ)²/(2σ²))/sqrt(2πσ²); +∞ everywhere when the variance is 0.
  double GetPdfValue(double x) const override;
  /// Boost.Math normal CDF; its domain errors (σ <= 0, NaN x) are thrown.
  double GetCdfValue(double x) const override;
  /// NaN unless 0 < p < 1.
  double GetInvCdfValue(double p) const override;
  /// Table lookup with a resolution of 1/1250 σ, exactly 0 beyond ±4σ.
  double GetPdfValueFast(double x) const override;

  TCMathPbGaussian() : TCMathPbDistribution(0.0, 1.0) {}
  TCMathPbGaussian(double mean, double variance) : TCMathPbDistribution(mean, variance) {}
  void SetMean(double mean) { SetExpectation(mean); }
};

/// Log-normal distribution: ln X ~ N(location, scale), scale the variance of ln X.
class TARVEKMATH_EXPORT TCMathPbLogNormal : public TCMathPbDistribution
{
public:
  ~TCMathPbLogNormal() override = default;
  double GetPdfValue(double x) const override;
  double GetCdfValue(double x) const override;
  double GetPdfValueFast(double x) const override;

  TCMathPbLogNormal(double location, double scale);
  void SetLocation(double location);
  void SetScale(double scale);

private:
  void UpdateMeanAndVar();

  double m_location;
  double m_scale;
  TCMathPbGaussian m_normal;
};

/// Gamma distribution (shape, scale) over Boost.Math. Its moments stay NaN.
class TARVEKMATH_EXPORT TCMathPbGamma : public TCMathPbDistribution
{
public:
  ~TCMathPbGamma() override;
  double GetPdfValue(double x) const override;
  double GetCdfValue(double x) const override;

  /// Throws Boost.Math's domain error unless shape and scale are positive and finite.
  TCMathPbGamma(double shape, double scale);
  TCMathPbGamma(const TCMathPbGamma& other);
  TCMathPbGamma& operator=(const TCMathPbGamma& other);

private:
  // Declared here without its definition to keep this header light.
  using Distribution = boost::math::gamma_distribution<double, boost::math::policies::policy<>>;
  std::unique_ptr<Distribution> m_distribution;
};

/// Uniform distribution on (a, b).
class TARVEKMATH_EXPORT TCMathPbUniform : public TCMathPbDistribution
{
public:
  ~TCMathPbUniform() override = default;
  double GetPdfValue(double x) const override;
  double GetCdfValue(double x) const override;
  double GetSample() const override;

  TCMathPbUniform() : TCMathPbUniform(0.0, 1.0) {}
  TCMathPbUniform(double a, double b);
  /// Replaces the bounds only; expectation and variance keep their values.
  void SetMinMax(double a, double b);

private:
  double m_min;
  double m_max;
};

/// Two components with rate w: densities of the mixture w·first + (1 − w)·second,
/// moments of the weighted sum of two independent variables.
class TARVEKMATH_EXPORT TCMathPbWeightedSum : public TCMathPbDistribution
{
public:
  ~TCMathPbWeightedSum() override = default;
  double GetPdfValue(double x) const override;
  double GetCdfValue(double x) const override;
  double GetPdfValueFast(double x) const override;
  double GetCdfValueFast(double x) const override;

  /// Throws std::invalid_argument when a component is null.
  TCMathPbWeightedSum(std::shared_ptr<TCMathPbDistribution> first, std::shared_ptr<TCMathPbDistribution> second,
                      double w);
  /// Recomputes the moments from the components' current moments.
  void Update();
  /// Changes only the rate; call Update() to refresh the moments.
  void SetRate(double w) { m_rate = w; }
  double GetRate() const { return m_rate; }

private:
  std::shared_ptr<TCMathPbDistribution> m_first;
  std::shared_ptr<TCMathPbDistribution> m_second;
  double m_rate;
};
