#pragma once
#include <complex>
#include <cstdint>
#include <vector>

#include <general/TCGenPoint.h>
#include <tarvekmath/MathExport.h>

class TCMathPbMvGaussian;

/// Summary statistics from counts and sums accumulated by the caller.
/// Undefined results are a quiet NaN.
class TARVEKMATH_EXPORT TCMathStatUtils
{
public:
  static double CalculateMean(int64_t n, double sum);
  /// (sumOfSquares − n·mean²)/(n − 1), clamped at 0; NaN for n < 2.
  static double CalculateVariance(int64_t n, double mean, double sumOfSquares);
  static double CalculateStandardDeviation(double variance);
  static double CalculateStandardError(int64_t n, double sd);
  /// (mean x, mean y); (NaN, NaN) for an empty list.
  static TCGenPoint<double> CalculateMean(const std::vector<TCGenPoint<double>>& points);
  /// Direction (radians) of the sum of n unit vectors.
  static double CalculateCircularMean(int64_t n, const std::complex<double>& sum);
  static double CalculateCircularVariance(int64_t n, const std::complex<double>& sum);
  static double CalculateCircularDeviation(double circularVariance);
  /// Squared Mahalanobis distance of the means under the averaged covariance.
  /// Throws ublas::singular for a singular average, std::invalid_argument on
  /// a dimension mismatch.
  static double CalculateMahalanobisDistance(const TCMathPbMvGaussian& g1, const TCMathPbMvGaussian& g2);
  /// Bhattacharyya distance; NaN on any failure.
  static double CalculateBhattacharyyaDistance(const TCMathPbMvGaussian& g1, const TCMathPbMvGaussian& g2);

private:
  static const double ms_dError;
};
