#pragma once
#include <functional>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// General minimisers (static functions only).
class TARVEKMATH_EXPORT TCMathOptimizers
{
public:
  /// Minimises f by conjugate gradients with Polak–Ribière directions and
  /// line searches under the Wolfe–Powell conditions (sufficient decrease
  /// with ρ = 0.05, curvature with σ = 0.1): cubic extrapolation up to 3× the
  /// current step, quadratic or cubic interpolation kept 10 % of the bracket
  /// away from its ends, 20 evaluations per line search, at most 100 line
  /// searches; two failed searches in a row end the run. Returns the lowest
  /// point evaluated. x0 itself comes back when the gradient there is exactly
  /// zero, f or grad is empty, the start value or gradient is not finite, or
  /// grad returns a vector of another length. Trial points where f or its
  /// gradient is not finite are retried halfway back along the line.
  static Math::Vector ConjugateGradientMinimize(std::function<double(const Math::Vector&)> f,
                                                std::function<Math::Vector(const Math::Vector&)> grad,
                                                const Math::Vector& x0);
  /// The same for a function of one variable.
  static double ConjugateGradientMinimize(std::function<double(double)> f, std::function<double(double)> df,
                                          double x0);

private:
  TCMathOptimizers() = default;
};
