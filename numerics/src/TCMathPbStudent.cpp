// Student t density and CDF on their own special functions: a Lanczos
// ln Γ, the incomplete beta by continued fraction and the incomplete gamma
// by series or continued fraction.
#include <tarvekmath/TCMathPbStudent.h>

#include <cmath>
#include <limits>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTol = 1e-10;
// Guards the iterations against inputs (NaN, extreme parameters) for which
// the stopping test would never succeed; convergence normally takes < 100.
constexpr int kMaxIterations = 10000;
constexpr double kTiny = 1e-300;
} // namespace

double TCMathPbStudent::Ln_Gamma(double x)
{
  const double s = 1.000000000178 + 76.180091729406 / x - 86.505320327112 / (x + 1.0) + 24.01409822223 / (x + 2.0) -
                   1.23173951614 / (x + 3.0) + 0.00120858003 / (x + 4.0) - 5.36382e-6 / (x + 5.0);
  return std::log(2.506628274631 * s) + (x - 0.5) * std::log(x + 4.5) - (x + 4.5);
}

double TCMathPbStudent::Ln_Beta(double a, double b) { return Ln_Gamma(a) + Ln_Gamma(b) - Ln_Gamma(a + b); }

double TCMathPbStudent::Incomplete_Beta(double a, double b, double x)
{
  if (std::isnan(x) || std::isnan(a) || std::isnan(b))
    return kNaN;
  if (x <= 0.0)
    return 0.0;
  if (x >= 1.0)
    return 1.0;
  if (x > (a + 1.0) / (a + b + 1.0))
    return 1.0 - Incomplete_Beta(b, a, 1.0 - x);

  const double front = std::exp(b * std::log(1.0 - x) + a * std::log(x) - Ln_Beta(a, b)) / a;
  // Continued fraction 1/(1 + d1/(1 + d2/(1 + ...))) by the modified Lentz
  // method; stop when two successive approximants differ by less than kTol.
  double f = 1.0, c = 1.0, d = 0.0;
  double previous = std::numeric_limits<double>::infinity();
  for (int i = 0; i <= kMaxIterations; ++i)
  {
    double numerator;
    if (i == 0)
      numerator = 1.0;
    else
    {
      const int m = i / 2;
      if (i % 2 == 0)
        numerator = m * (b - m) * x / ((a + 2.0 * m - 1.0) * (a + 2.0 * m));
      else
        numerator = -((a + m) * (a + b + m) * x) / ((a + 2.0 * m) * (a + 2.0 * m + 1.0));
    }
    d = 1.0 + numerator * d;
    if (std::abs(d) < kTiny)
      d = kTiny;
    d = 1.0 / d;
    c = 1.0 + numerator / c;
    if (std::abs(c) < kTiny)
      c = kTiny;
    f *= c * d;
    const double approximant = front * (f - 1.0);
    if (std::abs(approximant - previous) < kTol)
      return approximant;
    previous = approximant;
  }
  return front * (f - 1.0);
}

double TCMathPbStudent::Incomplete_Gamma(double a, double x)
{
  if (std::isnan(a) || std::isnan(x) || !(a > 0.0))
    return kNaN;
  if (x <= 0.0)
    return 0.0;
  if (std::isinf(x))
    return 1.0;
  const double front = std::exp(a * std::log(x) - x - Ln_Gamma(a));
  if (x < a + 1.0)
  {
    // Series 1/a + x/(a(a+1)) + ...
    double term = 1.0 / a, sum = term, ap = a;
    for (int i = 0; i < kMaxIterations; ++i)
    {
      ap += 1.0;
      term *= x / ap;
      sum += term;
      if (std::abs(term) < std::abs(sum) * kTol)
        break;
    }
    return sum * front;
  }
  // Continued fraction for Q(a, x) by the modified Lentz method.
  double b = x + 1.0 - a;
  double c = 1.0 / kTiny, d = 1.0 / b, h = d;
  for (int i = 1; i <= kMaxIterations; ++i)
  {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::abs(d) < kTiny)
      d = kTiny;
    c = b + an / c;
    if (std::abs(c) < kTiny)
      c = kTiny;
    d = 1.0 / d;
    const double delta = d * c;
    const double previous = h;
    h *= delta;
    if (std::abs(h - previous) < kTol)
      break;
  }
  return 1.0 - h * front;
}

double TCMathPbStudent::Student_cdf(long df, double t)
{
  if (df <= 0 || std::isnan(t))
    return kNaN;
  const double t2 = t * t;
  const double dfd = static_cast<double>(df);
  const double x = std::isinf(t2) ? 1.0 : t2 / (dfd + t2);
  const double i = Incomplete_Beta(0.5, dfd / 2.0, x);
  return t >= 0.0 ? (1.0 + i) / 2.0 : (1.0 - i) / 2.0;
}

double TCMathPbStudent::Student_pdf(long df, double t)
{
  if (df <= 0 || std::isnan(t))
    return kNaN;
  const double dfd = static_cast<double>(df);
  return std::exp(-(dfd + 1.0) / 2.0 * std::log1p(t * t / dfd) - Ln_Beta(dfd / 2.0, 0.5)) / std::sqrt(dfd);
}
