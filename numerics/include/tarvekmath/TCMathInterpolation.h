#pragma once
#include <cstddef>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Prediction of samples of a series.
class TARVEKMATH_EXPORT TCMathInterpolation
{
public:
  /// Least-squares (covariance-method) linear prediction of the sample after
  /// the last one from the last m samples: the coefficients a solve R·a = r
  /// over the n − m complete windows, and a[i] multiplies v[n − m + i] (oldest
  /// first). NaN when n <= m, m = 0 or R is not positive definite.
  static double PredictValueFromLastM(const Math::Vector& v, size_t m);

private:
  TCMathInterpolation() = default;
};
