// Conjugate-gradient minimisation with Wolfe–Powell line searches.
#include <tarvekmath/TCMathOptimizers.h>

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kRho = 0.05;   // sufficient-decrease constant
constexpr double kSig = 0.1;    // curvature constant
constexpr double kInt = 0.1;    // least distance from a bracket end, as a fraction of the bracket
constexpr double kExt = 3.0;    // largest extrapolation, times the current step
constexpr double kRatio = 10.0; // largest growth of the step between line searches
constexpr double kRealMin = 2.2250738585072014e-308;
constexpr int kEvaluationsPerSearch = 20;
constexpr int kMaxSearches = 100;

bool AllFinite(const Math::Vector& v)
{
  return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}
} // namespace

Math::Vector TCMathOptimizers::ConjugateGradientMinimize(std::function<double(const Math::Vector&)> f,
                                                         std::function<Math::Vector(const Math::Vector&)> grad,
                                                         const Math::Vector& x0)
{
  using Math::ublas::inner_prod;
  if (!f || !grad)
    return x0;
  const size_t n = x0.size();
  Math::Vector x = x0;
  double f0 = f(x);
  Math::Vector df0 = grad(x);
  if (df0.size() != n || !std::isfinite(f0) || !AllFinite(df0))
    return x0;

  Math::Vector best = x;
  double fBest = f0;
  Math::Vector s = -df0;
  double d0 = -inner_prod(s, s); // slope along s
  double z3 = 1.0 / (1.0 - d0);  // first step
  double f3 = f0, d3 = d0;
  Math::Vector df3 = df0;
  bool sizeFault = false;
  // Evaluates f and its gradient at x + z·s into f3 and df3 and keeps the
  // lowest point; false when either is not finite or the gradient's length is wrong.
  auto evaluate = [&](double z) {
    const Math::Vector xt = x + z * s;
    f3 = f(xt);
    df3 = grad(xt);
    if (df3.size() != n)
    {
      sizeFault = true;
      return false;
    }
    if (!std::isfinite(f3) || !AllFinite(df3))
      return false;
    if (f3 < fBest)
    {
      fBest = f3;
      best = xt;
    }
    return true;
  };

  bool failedBefore = false;
  for (int search = 0; search < kMaxSearches; ++search)
  {
    // At an exact stationary point every step is null and the next direction
    // update would divide 0 by 0.
    if (inner_prod(df0, df0) == 0.0)
      break;
    // Best point of this line search, restored when the search fails.
    Math::Vector xLocal = x, dfLocal = df0;
    double fLocal = f0;
    int budget = kEvaluationsPerSearch;
    double z1 = 0.0, f1 = f0, d1 = d0;
    double z2 = 0.0, f2 = f0, d2 = d0;
    double z4 = 0.0, f4 = f0, d4 = d0;
    bool evaluated = false;

    // Extrapolation: move out while the slope stays steep and f decreases enough.
    for (;;)
    {
      evaluated = false;
      while (!evaluated && budget > 0 && !sizeFault)
      {
        --budget;
        evaluated = evaluate(z3);
        if (!evaluated)
          z3 = 0.5 * (z2 + z3); // step back towards the last good point
      }
      if (!evaluated)
        break;
      if (f3 < fLocal)
      {
        xLocal = x + z3 * s;
        fLocal = f3;
        dfLocal = df3;
      }
      d3 = inner_prod(df3, s);
      if (d3 > kSig * d0 || f3 > f0 + z3 * kRho * d0 || budget == 0)
        break;
      z1 = z2;
      f1 = f2;
      d1 = d2;
      z2 = z3;
      f2 = f3;
      d2 = d3;
      // Minimum of the cubic through points 1 and 2.
      const double w = z2 - z1;
      const double a = 6.0 * (f1 - f2) + 3.0 * (d2 + d1) * w;
      const double b = 3.0 * (f2 - f1) - (2.0 * d1 + d2) * w;
      const double disc = b * b - a * d1 * w;
      z3 = disc >= 0.0 ? z1 - d1 * w * w / (b + std::sqrt(disc)) : -1.0;
      if (!std::isfinite(z3) || z3 < 0.0 || z3 > z2 * kExt)
        z3 = z2 * kExt;
      else if (z3 < z2 + kInt * w)
        z3 = z2 + kInt * w;
    }

    // Interpolation inside the bracket [z2, z4] until both conditions hold.
    while (evaluated && (std::abs(d3) > -kSig * d0 || f3 > f0 + z3 * kRho * d0) && budget > 0)
    {
      if (d3 > 0.0 || f3 > f0 + z3 * kRho * d0)
      {
        z4 = z3;
        f4 = f3;
        d4 = d3;
      }
      else
      {
        z2 = z3;
        f2 = f3;
        d2 = d3;
      }
      const double w = z4 - z2;
      if (f4 > f0)
        z3 = z2 - (0.5 * d2 * w * w) / (f4 - f2 - d2 * w); // quadratic fit
      else
      {
        const double a = 6.0 * (f2 - f4) / w + 3.0 * (d4 + d2); // cubic fit
        const double b = 3.0 * (f4 - f2) - (2.0 * d2 + d4) * w;
        z3 = z2 + (std::sqrt(b * b - a * d2 * w * w) - b) / a;
      }
      if (!std::isfinite(z3))
        z3 = 0.5 * (z2 + z4);
      z3 = std::max(std::min(z3, z4 - kInt * w), z2 + kInt * w);
      --budget;
      evaluated = evaluate(z3);
      if (!evaluated)
        break;
      if (f3 < fLocal)
      {
        xLocal = x + z3 * s;
        fLocal = f3;
        dfLocal = df3;
      }
      d3 = inner_prod(df3, s);
    }
    if (sizeFault)
      break;

    if (evaluated && std::abs(d3) <= -kSig * d0 && f3 <= f0 + z3 * kRho * d0)
    {
      // Accepted: Polak–Ribière direction, steepest descent when it does not descend.
      x += z3 * s;
      f0 = f3;
      const double beta = (inner_prod(df3, df3) - inner_prod(df0, df3)) / inner_prod(df0, df0);
      s = beta * s - df3;
      df0 = df3;
      const double previousSlope = d0;
      d0 = inner_prod(df0, s);
      if (d0 >= 0.0)
      {
        s = -df0;
        d0 = -inner_prod(s, s);
      }
      z3 *= std::min(kRatio, previousSlope / (d0 - kRealMin));
      failedBefore = false;
    }
    else
    {
      // Failed: restart along the steepest descent from the best point of the search.
      x = xLocal;
      f0 = fLocal;
      df0 = dfLocal;
      if (failedBefore)
        break;
      s = -df0;
      d0 = -inner_prod(s, s);
      z3 = 1.0 / (1.0 - d0);
      failedBefore = true;
    }
  }
  return best;
}

double TCMathOptimizers::ConjugateGradientMinimize(std::function<double(double)> f, std::function<double(double)> df,
                                                   double x0)
{
  if (!f || !df)
    return x0;
  Math::Vector start(1, x0);
  const Math::Vector result = ConjugateGradientMinimize(
    [&f](const Math::Vector& v) { return f(v(0)); },
    [&df](const Math::Vector& v) { return Math::Vector(1, df(v(0))); }, start);
  return result(0);
}
