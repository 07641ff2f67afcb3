#pragma once
#include <memory>
#include <vector>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

namespace _impl
{
class TCMathSmoothLowessImp;
}

/// Robust local quadratic smoother over a sliding window of L = 2h + 1
/// samples with tricube weights, followed by two refits whose robustness
/// weights come from each sample's residual against the median residual of
/// its window. Windows must be shorter than s_iMaxWindowSize and series at
/// most s_iMaxRangeSize long. A half-window below 1 (nothing to fit) or
/// giving L >= s_iMaxWindowSize makes an object that does nothing.
class TARVEKMATH_EXPORT TCMathSmoothLowess
{
public:
  static constexpr int s_iMaxWindowSize = 30;
  static constexpr int s_iMaxRangeSize = 10000;

  explicit TCMathSmoothLowess(int halfWindow);
  TCMathSmoothLowess(const TCMathSmoothLowess&) = delete;
  TCMathSmoothLowess& operator=(const TCMathSmoothLowess&) = delete;
  virtual ~TCMathSmoothLowess();

  /// Smooths in into *out (resized to n) and lists in *outliers the interior
  /// samples (h <= i < n − h) that the first robustness pass weighs down as
  /// outliers. *linear, when not null, receives the linear coefficient of the
  /// local quadratic fitted for sample h − 1 in the last pass, with x the
  /// position in the window (first sample at 0, unit spacing), i.e. the slope
  /// in units per sample. A series shorter than L is copied to out unchanged.
  /// Does nothing (out and the list untouched) when out or outliers is null,
  /// the object does nothing, or n is 0 or above s_iMaxRangeSize. out may be &in.
  void Smooth(const Math::Vector& in, Math::Vector* out, double* linear, std::vector<int>* outliers) const;
  /// The tricube-weighted quadratic fit of the first L values, evaluated at
  /// the centre position h. NaN for a shorter window or an object that does
  /// nothing.
  double WeightedLeastSquares(const Math::Vector& window) const;

private:
  std::unique_ptr<_impl::TCMathSmoothLowessImp> m_imp;
};
