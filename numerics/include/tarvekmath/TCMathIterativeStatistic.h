#pragma once
#include <cstdint>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Streaming estimators that weight all samples equally and give the exact
/// unbiased sample statistics after every update. Every sample must have the
/// length of the first one; a sample of another length is ignored.
class TARVEKMATH_EXPORT TCMathIterativeStatistic
{
public:
  virtual ~TCMathIterativeStatistic() = default;
  virtual void Update(const Math::Vector& x) = 0;

  int64_t GetNrSamples() const { return m_nrSamples; }
  void Reset();

protected:
  int64_t m_nrSamples = 0;
};

/// Running mean.
class TARVEKMATH_EXPORT TCMathIterativeMean : public TCMathIterativeStatistic
{
public:
  TCMathIterativeMean() = default;
  ~TCMathIterativeMean() override = default;
  void Update(const Math::Vector& x) override;

  const Math::Vector& GetMean() const { return m_mean; }
  /// Zeroes the mean (its length stays) and the count; the next sample
  /// becomes the mean and may have any length.
  void Reset();

protected:
  /// Adds x to the mean; false (nothing changed) when x's length differs.
  bool UpdateMean(const Math::Vector& x);

  Math::Vector m_mean;
};

/// Running per-component unbiased variance (divisor n − 1).
class TARVEKMATH_EXPORT TCMathIterativeVariance : public TCMathIterativeMean
{
public:
  TCMathIterativeVariance() = default;
  ~TCMathIterativeVariance() override = default;
  void Update(const Math::Vector& x) override;

  const Math::Vector& GetVariance() const { return m_variance; }
  /// True once two samples have been seen.
  bool IsValid() const { return m_valid; }
  /// Resets mean and variance; the next sample counts as the first.
  void Reset();

protected:
  Math::Vector m_variance;
  Math::Vector m_firstSample;
  bool m_valid = false;
};

/// Running unbiased covariance matrix.
class TARVEKMATH_EXPORT TCMathIterativeCovariance : public TCMathIterativeMean
{
public:
  TCMathIterativeCovariance() = default;
  ~TCMathIterativeCovariance() override = default;
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
