// Least-squares fitting matrix from sample points to cubic B-spline control
// points.
#include <tarvekmath/TCMathSplSplineCurveFitter.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include <boost/numeric/ublas/exception.hpp>
#include <cblas.h>

#include <tarvekmath/TCMathUblasUtils.h>

namespace
{
// C = A·B for row-major matrices; C must already have its size.
void Gemm(const Math::Matrix& a, const Math::Matrix& b, Math::Matrix* c)
{
  const int m = static_cast<int>(a.size1()), k = static_cast<int>(a.size2()), n = static_cast<int>(b.size2());
  cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, m, n, k, 1.0, a.data().begin(), k, b.data().begin(), n, 0.0,
              c->data().begin(), n);
}

// B·Bᵀ of the basis matrix. Each basis row is non-zero on four spans only
// (cyclically when closed), so rows whose control indices lie four or more
// apart (cyclically) have disjoint supports and a zero product; the other
// products are sums over the rows' non-zero entries, in ascending column
// order like the dense product.
void NormalMatrix(const Math::Matrix& b, Math::Matrix* out)
{
  const size_t rows = b.size1(), cols = b.size2();
  std::vector<std::vector<std::pair<size_t, double>>> nz(rows);
  for (size_t i = 0; i < rows; ++i)
  {
    const double* r = &b(i, 0);
    for (size_t j = 0; j < cols; ++j)
      if (r[j] != 0.0)
        nz[i].emplace_back(j, r[j]);
  }
  std::fill(out->data().begin(), out->data().end(), 0.0);
  for (size_t i = 0; i < rows; ++i)
    for (size_t k = i; k < rows; ++k)
    {
      const size_t dist = std::min(k - i, rows - (k - i));
      if (dist > 3)
        continue;
      double sum = 0.0;
      auto p = nz[i].begin(), q = nz[k].begin();
      while (p != nz[i].end() && q != nz[k].end())
      {
        if (p->first < q->first)
          ++p;
        else if (q->first < p->first)
          ++q;
        else
          sum += (p++)->second * (q++)->second;
      }
      (*out)(i, k) = sum;
      (*out)(k, i) = sum;
    }
}

void InvertBySize(const Math::Matrix& m, Math::Matrix* out)
{
  if (m.size1() == 2)
    Math::invert_dbl2x2(m, out);
  else if (m.size1() == 3)
    Math::invert_dbl3x3(m, out);
  else
    Math::invert_dbl(m, out);
}
} // namespace

double TCMathSplSplineCurveFitter::GetBaseMatrix(int i, double x)
{
  const double u = x - i;
  if (u < 0.0 || u >= 4.0)
    return 0.0;
  if (u < 1.0)
    return u * u * u / 6.0;
  if (u < 2.0)
  {
    const double v = u - 1.0;
    return (3 * v * v - 3 * v * v * v + 3 * v + 1) / 6.0;
  }
  if (u < 3.0)
  {
    const double w = u - 2.0;
    return (3 * w * w * w - 6 * w * w + 4) / 6.0;
  }
  const double r = 1.0 - (u - 3.0);
  return r * r * r / 6.0;
}

TCMathSplSplineCurveFitter::TCMathSplSplineCurveFitter(size_t nControl, size_t nSamples, bool closed)
{
  // Fewer samples than control points make B·Bᵀ singular by construction
  // (rank at most nSamples), whether or not the inversion notices; fewer
  // than 3 control points have no cubic basis worth fitting and would make
  // the closed wrap run past the samples.
  if (nControl < 3 || nSamples < nControl || nSamples > static_cast<size_t>(INT_MAX))
    return;
  const double d = static_cast<double>(nControl) / static_cast<double>(nSamples);
  Math::Matrix b(nControl, nSamples);
  std::fill(b.data().begin(), b.data().end(), 0.0);
  // Only the support [i, i + 4) of each basis function is visited; outside
  // it the basis is 0.
  for (size_t i = 0; i < nControl; ++i)
  {
    const double first = std::floor(static_cast<double>(i) / d);
    for (size_t j = first > 1.0 ? static_cast<size_t>(first) - 1 : 0; j < nSamples && j * d < i + 4.0; ++j)
      b(i, j) = GetBaseMatrix(static_cast<int>(i), j * d);
  }
  if (closed)
  {
    // The last three basis functions run past the end of the parameter range
    // and continue at its start. Their wrapped part is added: for five or
    // fewer control points it overlaps their own regular support.
    const double wrapEnd = 3.0 / d + static_cast<double>(nSamples);
    for (size_t i = nControl - 3; i < nControl; ++i)
      for (size_t j = nSamples; j < wrapEnd && j - nSamples < nSamples; ++j)
        b(i, j - nSamples) += GetBaseMatrix(static_cast<int>(i), j * d);
  }
  Math::Matrix bbt(nControl, nControl);
  NormalMatrix(b, &bbt);
  Math::Matrix inv(nControl, nControl);
  try
  {
    InvertBySize(bbt, &inv);
  }
  catch (const boost::numeric::ublas::singular&)
  {
    return;
  }
  m_F.resize(nControl, nSamples, false);
  Gemm(inv, b, &m_F);
}

TCMathSplSplineCurveFitter::~TCMathSplSplineCurveFitter() = default;

std::vector<TCGenPoint<double>> TCMathSplSplineCurveFitter::FitCurve(const std::vector<TCGenPoint<double>>& points) const
{
  const size_t nControl = m_F.size1(), nSamples = m_F.size2();
  if (nControl == 0 || points.size() != nSamples)
    return {};
  std::vector<TCGenPoint<double>> control(nControl);
  for (size_t k = 0; k < nControl; ++k)
  {
    const double* f = &m_F(k, 0);
    double x = 0.0, y = 0.0;
    for (size_t j = 0; j < nSamples; ++j)
    {
      x += f[j] * points[j].GetX();
      y += f[j] * points[j].GetY();
    }
    control[k] = TCGenPoint<double>(x, y);
  }
  return control;
}
