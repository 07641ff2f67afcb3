#pragma once
#include <cstdint>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>
#include <tarvekmath/TCMathIterativeStatistic.h>

/// Streaming estimators that average the first 101 samples with equal weight
/// (warm-up) and then forget exponentially with the learning rate α. A sample
/// of another length than the current statistics is ignored.
class TARVEKMATH_EXPORT TCMathLearningRateStatistic
{
public:
  explicit TCMathLearningRateStatistic(double learningRate) : m_learningRate(learningRate) {}
  virtual ~TCMathLearningRateStatistic() = default;
  virtual void Update(const Math::Vector& x) = 0;

  double GetLearningRate() const { return m_learningRate; }
  /// Takes effect at the next update.
  void SetLearningRate(double learningRate) { m_learningRate = learningRate; }
  void Reset();

protected:
  double m_learningRate;
  int32_t m_warmUpLimit = 100;
  int64_t m_nrSamples = 0;
};

/// Running mean with exponential forgetting after the warm-up.
class TARVEKMATH_EXPORT TCMathLearningRateMean : public TCMathLearningRateStatistic
{
public:
  explicit TCMathLearningRateMean(double learningRate) : TCMathLearningRateStatistic(learningRate) {}
  ~TCMathLearningRateMean() override = default;
  void Update(const Math::Vector& x) override;

  const Math::Vector& GetMean() const { return m_mean; }
  /// Empties the mean and restarts the warm-up.
  void Reset();

protected:
  /// Adds x to the mean; false (nothing changed) when x's length differs.
  bool UpdateMean(const Math::Vector& x);

  Math::Vector m_mean;
  TCMathIterativeMean m_cumulativeMean;
};

/// Running per-component variance with exponential forgetting after the warm-up.
class TARVEKMATH_EXPORT TCMathLearningRateVariance : public TCMathLearningRateMean
{
public:
  explicit TCMathLearningRateVariance(double learningRate) : TCMathLearningRateMean(learningRate) {}
  ~TCMathLearningRateVariance() override = default;
  void Update(const Math::Vector& x) override;

  const Math::Vector& GetVariance() const { return m_variance; }
  bool IsValid() const { return m_valid; }
  /// Resets mean and variance; the next sample counts as the first.
  void Reset();

protected:
  Math::Vector m_variance;
  Math::Vector m_firstSample;
  bool m_valid = false;
};

/// Running covariance matrix with exponential forgetting after the warm-up.
class TARVEKMATH_EXPORT TCMathLearningRateCovariance : public TCMathLearningRateMean
{
public:
  explicit TCMathLearningRateCovariance(double learningRate) : TCMathLearningRateMean(learningRate) {}
  ~TCMathLearningRateCovariance() override = default;
  void Update(const Math::Vector& x) override;

  const Math::Matrix& GetCovariance() const { return m_covariance; }
  bool IsValid() const { return m_valid; }
  /// Resets mean and covariance; the next sample counts as the first.
  void Reset();

protected:
  Math::Matrix m_covariance;
  Math::Vector m_firstSample;
  bool m_valid = false;
};
