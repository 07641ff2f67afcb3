#pragma once
#include <functional>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Quasi-Newton (BFGS) minimiser of a smooth function of n variables. Each
/// iteration tries a step of the current length along the search direction
/// (doubling the length when it lowers f), otherwise shrinks it by quadratic
/// interpolation until f decreases and then minimises along the line. The
/// direction restarts as the gradient every n iterations. The run ends when
/// ‖∇f‖₂ < 0.001 or after the maximum number of iterations.
class TARVEKMATH_EXPORT TCMathMultiMinBfgs
{
public:
  /// The function to minimise. f and df are required; fdf, when set, gives
  /// both at once at the starting point.
  struct MMFunctions
  {
    std::function<double(const Math::Vector&)> f;
    std::function<Math::Vector(const Math::Vector&)> df;
    std::function<void(const Math::Vector&, double*, Math::Vector*)> fdf;
  };

  /// tolerance: accuracy of each line minimisation, which ends once the
  /// gradient is nearly orthogonal to the line, |cos ∠(p, ∇f)| < tolerance
  /// (0.1 is coarse and cheap, 1e-4 accurate).
  TCMathMultiMinBfgs(double tolerance, int maxIterations);

  /// Minimises from *x; on return *x and *fx hold the final point and value,
  /// *converged whether ‖∇f‖₂ < 0.001 there and *iterations the number of
  /// iterations made. Null fx, converged or iterations are skipped. false
  /// (with *converged = false and *iterations = 0) when x is null or empty, a
  /// required callable is missing, or the gradient has another length than x.
  bool Minimize(MMFunctions* functions, Math::Vector* x, double* fx, bool* converged, int* iterations) const;

  double GetTolerance() const { return m_tolerance; }
  int GetMaxIterations() const { return m_maxIterations; }

private:
  double m_tolerance;
  int m_maxIterations;
};
