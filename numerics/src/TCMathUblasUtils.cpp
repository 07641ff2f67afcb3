// Conversions, reductions, 1-D signal helpers, small inversions and the
// element-wise vector functions.
#include <tarvekmath/TCMathUblasUtils.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSmallestNormal = 2.2250738585072014e-308;

// Index of the first extreme of n values read through at(i); a later value
// replaces the candidate only when strictly better.
template <typename At, typename Better>
size_t FirstExtremeIndex(size_t n, At at, Better better)
{
  size_t best = 0;
  for (size_t i = 1; i < n; ++i)
  {
    if (better(at(i), at(best)))
      best = i;
  }
  return best;
}

template <typename Better>
Math::Vector ExtremeOfCols(const Math::Matrix& m, Better better, bool index)
{
  Math::Vector out(m.size2());
  for (size_t j = 0; j < m.size2(); ++j)
  {
    if (m.size1() == 0)
    {
      out(j) = index ? 0.0 : kNaN;
      continue;
    }
    const size_t i = FirstExtremeIndex(m.size1(), [&](size_t r) { return m(r, j); }, better);
    out(j) = index ? static_cast<double>(i) : m(i, j);
  }
  return out;
}

template <typename Better>
Math::Vector ExtremeOfRows(const Math::Matrix& m, Better better, bool index)
{
  Math::Vector out(m.size1());
  for (size_t i = 0; i < m.size1(); ++i)
  {
    if (m.size2() == 0)
    {
      out(i) = index ? 0.0 : kNaN;
      continue;
    }
    const size_t j = FirstExtremeIndex(m.size2(), [&](size_t c) { return m(i, c); }, better);
    out(i) = index ? static_cast<double>(j) : m(i, j);
  }
  return out;
}

const auto kGreater = [](double a, double b) { return a > b; };
const auto kLess = [](double a, double b) { return a < b; };

template <typename F>
Math::Vector Map(const Math::Vector& v, F f)
{
  Math::Vector out(v.size());
  for (size_t i = 0; i < v.size(); ++i)
    out(i) = f(v(i));
  return out;
}

void CheckSquareOutput(const Math::Matrix& m, Math::Matrix* out, size_t n, const char* what)
{
  if (out == nullptr)
    throw std::invalid_argument(std::string(what) + ": null output matrix");
  if (m.size1() != n || m.size2() != n)
    throw std::invalid_argument(std::string(what) + ": wrong matrix size");
  if (out->size1() != n || out->size2() != n)
    out->resize(n, n, false);
}
} // namespace

// ---- conversions ----
Math::Vector TCMathUblasUtils::Dblvec2Mathvec(const std::vector<double>& v)
{
  Math::Vector out(v.size());
  std::copy(v.begin(), v.end(), out.begin());
  return out;
}

std::vector<double> TCMathUblasUtils::Mathvec2Dblvec(const Math::Vector& v)
{
  return std::vector<double>(v.begin(), v.end());
}

Math::Matrix TCMathUblasUtils::DoubleVec2Matrix(const std::vector<double>& v)
{
  Math::Matrix out(v.size(), 1);
  for (size_t i = 0; i < v.size(); ++i)
    out(i, 0) = v[i];
  return out;
}

std::vector<double> TCMathUblasUtils::Matrix2DoubleVec(const Math::Matrix& m)
{
  std::vector<double> out;
  if (m.size2() == 0)
    return out;
  out.resize(m.size1());
  for (size_t i = 0; i < m.size1(); ++i)
    out[i] = m(i, 0);
  return out;
}

// ---- reductions ----
double TCMathUblasUtils::Sum(const Math::Vector& v)
{
  double s = 0.0;
  for (size_t i = 0; i < v.size(); ++i)
    s += v(i);
  return s;
}

Math::Vector TCMathUblasUtils::Diag(const Math::Matrix& m)
{
  const size_t n = std::min(m.size1(), m.size2());
  Math::Vector out(n);
  for (size_t i = 0; i < n; ++i)
    out(i) = m(i, i);
  return out;
}

double TCMathUblasUtils::Trace(const Math::Matrix& m)
{
  return Sum(Diag(m));
}

Math::Vector TCMathUblasUtils::SumOfCols(const Math::Matrix& m)
{
  Math::Vector out(m.size2());
  std::fill(out.begin(), out.end(), 0.0);
  for (size_t i = 0; i < m.size1(); ++i)
    for (size_t j = 0; j < m.size2(); ++j)
      out(j) += m(i, j);
  return out;
}

Math::Vector TCMathUblasUtils::SumOfRows(const Math::Matrix& m)
{
  Math::Vector out(m.size1());
  for (size_t i = 0; i < m.size1(); ++i)
  {
    double s = 0.0;
    for (size_t j = 0; j < m.size2(); ++j)
      s += m(i, j);
    out(i) = s;
  }
  return out;
}

Math::Vector TCMathUblasUtils::MaxOfCols(const Math::Matrix& m) { return ExtremeOfCols(m, kGreater, false); }
Math::Vector TCMathUblasUtils::MinOfCols(const Math::Matrix& m) { return ExtremeOfCols(m, kLess, false); }
Math::Vector TCMathUblasUtils::MaxOfRows(const Math::Matrix& m) { return ExtremeOfRows(m, kGreater, false); }
Math::Vector TCMathUblasUtils::MinOfRows(const Math::Matrix& m) { return ExtremeOfRows(m, kLess, false); }
Math::Vector TCMathUblasUtils::MaxIndexOfRows(const Math::Matrix& m) { return ExtremeOfRows(m, kGreater, true); }
Math::Vector TCMathUblasUtils::MaxIndexOfCols(const Math::Matrix& m) { return ExtremeOfCols(m, kGreater, true); }

int TCMathUblasUtils::MaxIndex(const Math::Vector& v)
{
  if (v.size() == 0)
    return 0;
  return static_cast<int>(FirstExtremeIndex(v.size(), [&](size_t i) { return v(i); }, kGreater));
}

Math::Vector TCMathUblasUtils::Linspace(double a, double b, int n)
{
  if (n <= 0)
    return Math::Vector(0);
  Math::Vector out(static_cast<size_t>(n));
  if (n == 1)
  {
    out(0) = a;
    return out;
  }
  const double step = (b - a) / (n - 1);
  for (int i = 0; i < n; ++i)
    out(i) = a + i * step;
  return out;
}

Math::Vector TCMathUblasUtils::CalculateMean(const Math::Matrix& m)
{
  Math::Vector out = SumOfCols(m);
  const double rows = static_cast<double>(m.size1());
  for (size_t j = 0; j < out.size(); ++j)
    out(j) /= rows;
  return out;
}

void TCMathUblasUtils::NormalizeMatrixRows(Math::Matrix* m)
{
  if (m == nullptr)
    return;
  for (size_t i = 0; i < m->size1(); ++i)
  {
    double s = 0.0;
    for (size_t j = 0; j < m->size2(); ++j)
      s += (*m)(i, j);
    if (s == 0.0)
      continue;
    for (size_t j = 0; j < m->size2(); ++j)
      (*m)(i, j) /= s;
  }
}

bool TCMathUblasUtils::IsLowerTriangular(const Math::Matrix& m)
{
  if (m.size1() != m.size2() || m.size1() == 0)
    return false;
  for (size_t i = 0; i < m.size1(); ++i)
    for (size_t j = i + 1; j < m.size2(); ++j)
      if (m(i, j) != 0.0)
        return false;
  return true;
}

bool TCMathUblasUtils::IsUpperTriangular(const Math::Matrix& m)
{
  if (m.size1() != m.size2() || m.size1() == 0)
    return false;
  for (size_t i = 1; i < m.size1(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (m(i, j) != 0.0)
        return false;
  return true;
}

// ---- signals ----
Math::Vector TCMathUblasUtils::Convolve(const Math::Vector& a, const Math::Vector& b)
{
  const size_t la = a.size();
  const size_t lb = b.size();
  if (la == 0 || lb == 0)
    return Math::Vector(0);
  // result[i] = full[i + h] = Σ_j a[i + h − j]·b[j] over the j that keep
  // the index of a inside 0..la−1.
  const size_t h = lb / 2;
  Math::Vector out(la);
  std::fill(out.begin(), out.end(), 0.0);
  const double* pa = &a(0);
  double* po = &out(0);
  for (size_t j = 0; j < lb; ++j)
  {
    const double w = b(j);
    // i + h − j in [0, la)  <=>  i in [j − h, la + j − h)
    const long long lo = std::max<long long>(0, static_cast<long long>(j) - static_cast<long long>(h));
    const long long hi =
        std::min<long long>(static_cast<long long>(la), static_cast<long long>(la + j) - static_cast<long long>(h));
    const long long shift = static_cast<long long>(h) - static_cast<long long>(j);
    for (long long i = lo; i < hi; ++i)
      po[i] += w * pa[i + shift];
  }
  return out;
}

Math::Vector TCMathUblasUtils::CreateGaussian1D(double sigma)
{
  // Non-positive or NaN sigma has no kernel; a half width beyond 2^26 samples
  // would not fit any sensible memory budget.
  if (!(sigma > 0.0) || !(3.0 * sigma < 67108864.0))
    return Math::Vector(0);
  const int h = static_cast<int>(3.0 * sigma);
  const size_t n = 2 * static_cast<size_t>(h) + 1;
  Math::Vector g(n);
  const double norm = std::sqrt(6.283185307179586 * sigma * sigma);
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i)
  {
    const double x = static_cast<double>(static_cast<long long>(i) - h) / sigma;
    g(i) = std::exp(-0.5 * x * x) / norm;
    sum += g(i);
  }
  for (size_t i = 0; i < n; ++i)
    g(i) /= sum;
  return g;
}

std::vector<double> TCMathUblasUtils::FindPeakCenters(const Math::Vector& v)
{
  const size_t L = v.size();
  std::vector<double> centres;
  if (L == 0)
    return centres;
  if (L == 1)
    return {0.0};
  if (L == 2)
  {
    if (v(0) > v(1))
      return {0.0};
    if (v(0) == v(1))
      return {0.5};
    return {1.0};
  }
  std::vector<size_t> candidates;
  if (v(0) >= v(1))
    candidates.push_back(0);
  for (size_t i = 1; i + 1 < L; ++i)
    if (v(i) > v(i - 1) && v(i) >= v(i + 1))
      candidates.push_back(i);
  if (v(L - 1) > v(L - 2))
    candidates.push_back(L - 1);

  for (size_t s : candidates)
  {
    size_t e = s + 1;
    while (e < L && v(e) == v(s))
      ++e;
    if (e == L)
      centres.push_back(static_cast<double>(s + L - 1) / 2.0);
    else if (v(s) > v(e))
      centres.push_back(static_cast<double>(s + e - 1) / 2.0);
  }
  return centres;
}

// ---- small inversions ----
namespace Math
{
void invert_dbl2x2(const Matrix& m, Matrix* out)
{
  CheckSquareOutput(m, out, 2, "invert_dbl2x2");
  const double det = m(0, 0) * m(1, 1) - m(0, 1) * m(1, 0);
  if (!(std::abs(det) >= 1e-6))
    throw ublas::singular("singular");
  const double a = m(0, 0), b = m(0, 1), c = m(1, 0), d = m(1, 1);
  (*out)(0, 0) = d / det;
  (*out)(0, 1) = -b / det;
  (*out)(1, 0) = -c / det;
  (*out)(1, 1) = a / det;
}

void invert_dbl3x3(const Matrix& m, Matrix* out)
{
  CheckSquareOutput(m, out, 3, "invert_dbl3x3");
  // Cofactors C(i, j); the adjugate is their transpose.
  const double c00 = m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1);
  const double c01 = -(m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0));
  const double c02 = m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0);
  const double c10 = -(m(0, 1) * m(2, 2) - m(0, 2) * m(2, 1));
  const double c11 = m(0, 0) * m(2, 2) - m(0, 2) * m(2, 0);
  const double c12 = -(m(0, 0) * m(2, 1) - m(0, 1) * m(2, 0));
  const double c20 = m(0, 1) * m(1, 2) - m(0, 2) * m(1, 1);
  const double c21 = -(m(0, 0) * m(1, 2) - m(0, 2) * m(1, 0));
  const double c22 = m(0, 0) * m(1, 1) - m(0, 1) * m(1, 0);
  // Expansion along the first column.
  const double det = m(0, 0) * c00 + m(1, 0) * c10 + m(2, 0) * c20;
  if (!(std::abs(det) >= 1e-6))
    throw ublas::singular("singular");
  Matrix& o = *out;
  o(0, 0) = c00 / det;
  o(0, 1) = c10 / det;
  o(0, 2) = c20 / det;
  o(1, 0) = c01 / det;
  o(1, 1) = c11 / det;
  o(1, 2) = c21 / det;
  o(2, 0) = c02 / det;
  o(2, 1) = c12 / det;
  o(2, 2) = c22 / det;
}
} // namespace Math

// ---- element-wise functions ----
Math::Vector operator-(Math::Vector& v, double x)
{
  for (size_t i = 0; i < v.size(); ++i)
    v(i) -= x;
  return v;
}

Math::Vector operator+(Math::Vector& v, double x)
{
  for (size_t i = 0; i < v.size(); ++i)
    v(i) += x;
  return v;
}

Math::Vector Abs(const std::vector<std::complex<double>>& v)
{
  Math::Vector out(v.size());
  for (size_t i = 0; i < v.size(); ++i)
    out(i) = std::sqrt(v[i].real() * v[i].real() + v[i].imag() * v[i].imag());
  return out;
}

Math::Vector pow(const Math::Vector& v, double p) { return Map(v, [p](double x) { return std::pow(x, p); }); }
Math::Vector sigm(const Math::Vector& v) { return Map(v, [](double x) { return 1.0 / (std::exp(-x) + 1.0); }); }
Math::Vector sin(const Math::Vector& v) { return Map(v, [](double x) { return std::sin(x); }); }
Math::Vector vecexp(const Math::Vector& v) { return Map(v, [](double x) { return std::exp(x); }); }
Math::Vector veclog(const Math::Vector& v)
{
  return Map(v, [](double x) { return std::log(x + kSmallestNormal); });
}
