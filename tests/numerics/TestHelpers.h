#pragma once
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
