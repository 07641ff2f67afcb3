#pragma once
#include <cmath>
#include <complex>
#include <initializer_list>
#include <vector>

#include <tarvekmath/MathTypes.h>

namespace test
{
inline Math::Vector Vec(std::initializer_list<double> values)
{
  Math::Vector v(values.size());
  size_t i = 0;
  for (double x : values)
    v(i++) = x;
  return v;
}

inline Math::Matrix Mat(std::initializer_list<std::initializer_list<double>> rows)
{
  const size_t r = rows.size();
  const size_t c = r > 0 ? rows.begin()->size() : 0;
  Math::Matrix m(r, c);
  size_t i = 0;
  for (const auto& row : rows)
  {
    size_t j = 0;
    for (double x : row)
      m(i, j++) = x;
    ++i;
  }
  return m;
}

inline std::vector<double> Std(const Math::Vector& v) { return std::vector<double>(v.begin(), v.end()); }

// Plain triple-loop product, independent of BLAS.
inline Math::Matrix Mul(const Math::Matrix& a, const Math::Matrix& b)
{
  Math::Matrix c(a.size1(), b.size2());
  for (size_t i = 0; i < a.size1(); ++i)
    for (size_t j = 0; j < b.size2(); ++j)
    {
      double s = 0.0;
      for (size_t k = 0; k < a.size2(); ++k)
        s += a(i, k) * b(k, j);
      c(i, j) = s;
    }
  return c;
}

inline double MaxAbsDiff(const Math::Matrix& a, const Math::Matrix& b)
{
  double d = 0.0;
  for (size_t i = 0; i < a.size1(); ++i)
    for (size_t j = 0; j < a.size2(); ++j)
      d = std::max(d, std::abs(a(i, j) - b(i, j)));
  return d;
}

using LC = std::complex<long double>;
inline const long double kPiL = 3.141592653589793238462643383279502884L;

// Direct O(n²) transform in long double; sign −1 forward, +1 inverse (unscaled).
inline std::vector<LC> DirectDft(const std::vector<LC>& x, int sign)
{
  const size_t n = x.size();
  std::vector<LC> root(n);
  for (size_t m = 0; m < n; ++m)
  {
    const long double a = sign * 2.0L * kPiL * static_cast<long double>(m) / static_cast<long double>(n);
    root[m] = {std::cos(a), std::sin(a)};
  }
  std::vector<LC> out(n);
  for (size_t k = 0; k < n; ++k)
  {
    LC s = 0;
    for (size_t j = 0; j < n; ++j)
      s += x[j] * root[(j * k) % n];
    out[k] = s;
  }
  return out;
}

// Deterministic pseudo-random values in [−1, 1).
struct Lcg
{
  unsigned long long state = 12345;
  double Next()
  {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
  }
};
} // namespace test
