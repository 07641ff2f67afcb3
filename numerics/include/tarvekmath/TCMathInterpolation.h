#pragma once
#include <cstddef>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Prediction of samples of a series.
class TARVEKMATH_EXPORT TCMathInterpolation
{
public:
  /// Fills the missing samples of *v (NaN, and every element equal to
  /// `missing` when that is not NaN) with the means of a Gaussian process
  /// over the sample index: constant mean at the mean of the present
  /// samples, squared-exponential kernel of length scale 1 and signal
  /// variance their sample variance, noise variance 1e-6. A single present
  /// sample fills every gap with its value. Without present samples, or when
  /// the process cannot be fitted (infinite samples), the gaps stay NaN.
  /// Null or empty v: nothing. The work grows with the cube of the number of
  /// present samples.
  static void InterpolateMissingValues(Math::Vector* v, double missing);
  /// Least-squares (covariance-method) linear prediction of the sample after
  /// the last one from the last m samples: the coefficients a solve R·a = r
  /// over the n − m complete windows, and a[i] multiplies v[n − m + i] (oldest
  /// first). NaN when n <= m, m = 0 or R is not positive definite.
  static double PredictValueFromLastM(const Math::Vector& v, size_t m);

private:
  TCMathInterpolation() = default;
};
