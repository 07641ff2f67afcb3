// Decompositions, solvers, covariance and least-squares transforms over
// LAPACKE and CBLAS. Every LAPACKE call uses the row-major layout, so the
// leading dimension of a matrix is its column count.
#include <tarvekmath/TCMathUblasUtils.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <cblas.h>
#include <lapacke.h>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

lapack_int LapackSize(size_t n)
{
  if (n > static_cast<size_t>(std::numeric_limits<lapack_int>::max()))
    throw std::length_error("matrix too large for LAPACK");
  return static_cast<lapack_int>(n);
}

// Row-major storage pointer of a matrix (valid also for empty matrices, as
// LAPACK never touches the data then).
double* Data(Math::Matrix& m) { return m.data().begin(); }
const double* Data(const Math::Matrix& m) { return m.data().begin(); }

Math::Matrix NaNMatrix(size_t rows, size_t cols)
{
  Math::Matrix out(rows, cols);
  std::fill(out.data().begin(), out.data().end(), kNaN);
  return out;
}

// C = op(A)·B with C resized to fit.
void Gemm(const Math::Matrix& a, bool transA, const Math::Matrix& b, Math::Matrix* c)
{
  const size_t m = transA ? a.size2() : a.size1();
  const size_t k = transA ? a.size1() : a.size2();
  const size_t n = b.size2();
  c->resize(m, n, false);
  if (m == 0 || n == 0)
    return;
  if (k == 0)
  {
    std::fill(c->data().begin(), c->data().end(), 0.0);
    return;
  }
  cblas_dgemm(CblasRowMajor, transA ? CblasTrans : CblasNoTrans, CblasNoTrans, LapackSize(m), LapackSize(n),
              LapackSize(k), 1.0, Data(a), LapackSize(std::max<size_t>(a.size2(), 1)), Data(b),
              LapackSize(std::max<size_t>(n, 1)), 0.0, Data(*c), LapackSize(std::max<size_t>(n, 1)));
}

// Inverts a square matrix by the rule used throughout the library: closed
// forms for 2×2 and 3×3, LU otherwise.
void InvertBySize(const Math::Matrix& m, Math::Matrix* out)
{
  if (m.size1() == 2)
    Math::invert_dbl2x2(m, out);
  else if (m.size1() == 3)
    Math::invert_dbl3x3(m, out);
  else
    Math::invert_dbl(m, out);
}

// Sample variance of n values by the corrected two-pass form.
template <typename At>
double SampleVariance(size_t n, At at)
{
  if (n < 2)
    return kNaN;
  double mean = 0.0;
  for (size_t i = 0; i < n; ++i)
    mean += at(i);
  mean /= static_cast<double>(n);
  double sd = 0.0, sd2 = 0.0;
  for (size_t i = 0; i < n; ++i)
  {
    const double d = at(i) - mean;
    sd += d;
    sd2 += d * d;
  }
  return (sd2 - sd * sd / static_cast<double>(n)) / static_cast<double>(n - 1);
}
} // namespace

double TCMathUblasUtils::Det(const Math::Matrix& m)
{
  if (m.size1() != m.size2())
    return kNaN;
  const size_t n = m.size1();
  if (n == 0)
    return 1.0;
  Math::Matrix lu(m);
  std::vector<lapack_int> ipiv(n, 0);
  const lapack_int ln = LapackSize(n);
  const lapack_int info = LAPACKE_dgetrf(LAPACK_ROW_MAJOR, ln, ln, Data(lu), ln, ipiv.data());
  if (info < 0)
    return kNaN; // NaN entries are rejected by LAPACKE's input check
  // info > 0 marks an exact zero pivot: the product below is then 0.
  double det = 1.0;
  for (size_t i = 0; i < n; ++i)
  {
    det *= lu(i, i);
    if (ipiv[i] != static_cast<lapack_int>(i + 1))
      det = -det;
  }
  return det;
}

Math::Matrix TCMathUblasUtils::CholeskyDecompose(const Math::SymmetricMatrix& a)
{
  const size_t n = a.size1();
  if (n == 0)
    return Math::Matrix(0, 0);
  // Expand to dense: row i of the packed lower triangle (row major) holds
  // elements (i, 0..i) contiguously, starting at i·(i+1)/2.
  Math::Matrix l(n, n);
  const double* packed = &a.data()[0];
  for (size_t i = 0; i < n; ++i)
  {
    double* row = Data(l) + i * n;
    std::copy(packed + i * (i + 1) / 2, packed + i * (i + 1) / 2 + i + 1, row);
    std::fill(row + i + 1, row + n, 0.0);
  }
  const lapack_int ln = LapackSize(n);
  // The row-major lower triangle is, read column-major, the upper triangle of
  // the same symmetric matrix: factorising it as A = UᵀU in column-major
  // layout leaves L = Uᵀ in place. This skips LAPACKE's row-major transposition
  // into a scratch copy whose unused triangle is uninitialised heap memory.
  const lapack_int info = LAPACKE_dpotrf(LAPACK_COL_MAJOR, 'U', ln, Data(l), ln);
  if (info != 0)
    return NaNMatrix(n, n);
  // LAPACK leaves the strict upper triangle untouched; callers expect zeros.
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      l(i, j) = 0.0;
  return l;
}

Math::Vector TCMathUblasUtils::CholeskySolve(const Math::Matrix& l, const Math::Vector& b)
{
  const size_t n = l.size1();
  if (l.size2() != n || b.size() != n)
    return Math::Vector(0);
  Math::Vector x(b);
  if (n == 0)
    return x;
  const lapack_int ln = LapackSize(n);
  // Forward substitution L·y = b, then back substitution Lᵀ·x = y.
  cblas_dtrsv(CblasRowMajor, CblasLower, CblasNoTrans, CblasNonUnit, ln, Data(l), ln, &x(0), 1);
  cblas_dtrsv(CblasRowMajor, CblasLower, CblasTrans, CblasNonUnit, ln, Data(l), ln, &x(0), 1);
  return x;
}

void TCMathUblasUtils::CalcEigenValuesSymmetric(const Math::Matrix& m, std::vector<double>* out)
{
  if (out == nullptr)
    return;
  const size_t n = m.size1();
  if (n == 0)
    return;
  if (m.size2() != n)
  {
    out->insert(out->end(), n, 0.0);
    return;
  }
  Math::Matrix a(m);
  std::vector<double> w(n, 0.0);
  const lapack_int ln = LapackSize(n);
  const lapack_int info = LAPACKE_dsyev(LAPACK_ROW_MAJOR, 'N', 'U', ln, Data(a), ln, w.data());
  if (info != 0)
  {
    out->insert(out->end(), n, 0.0);
    return;
  }
  out->insert(out->end(), w.rbegin(), w.rend()); // descending
}

std::pair<Math::Matrix, Math::Vector> TCMathUblasUtils::CalcEigenVecsValsSymmetric(const Math::Matrix& m)
{
  Math::Matrix vecs(m);
  Math::Vector vals = CalcEigenVecsValsSymmetric(&vecs);
  if (m.size1() != m.size2())
    return {Math::Matrix(0, 0), Math::Vector(0)};
  return {std::move(vecs), std::move(vals)};
}

Math::Vector TCMathUblasUtils::CalcEigenVecsValsSymmetric(Math::Matrix* m)
{
  if (m == nullptr || m->size1() != m->size2())
    return Math::Vector(0);
  const size_t n = m->size1();
  Math::Vector w(n);
  if (n == 0)
    return w;
  const lapack_int ln = LapackSize(n);
  const lapack_int info = LAPACKE_dsyev(LAPACK_ROW_MAJOR, 'V', 'U', ln, Data(*m), ln, &w(0));
  if (info != 0)
  {
    std::fill(m->data().begin(), m->data().end(), kNaN);
    std::fill(w.begin(), w.end(), kNaN);
    return w;
  }
  // LAPACK delivers ascending order: reverse the eigenvector columns and the values.
  for (size_t j = 0; j < n / 2; ++j)
  {
    std::swap(w(j), w(n - 1 - j));
    for (size_t i = 0; i < n; ++i)
      std::swap((*m)(i, j), (*m)(i, n - 1 - j));
  }
  return w;
}

void TCMathUblasUtils::SVD(const Math::Matrix& a, Math::Matrix* u, Math::Matrix* s, Math::Matrix* vt)
{
  Math::Matrix copy(a);
  SVD(&copy, u, s, vt);
}

void TCMathUblasUtils::SVD(Math::Matrix* a, Math::Matrix* u, Math::Matrix* s, Math::Matrix* vt)
{
  if (a == nullptr)
    return;
  const size_t m = a->size1();
  const size_t n = a->size2();
  const size_t k = std::min(m, n);
  if (u != nullptr && (u->size1() != m || u->size2() != m))
    u->resize(m, m, false);
  if (vt != nullptr && (vt->size1() != n || vt->size2() != n))
    vt->resize(n, n, false);
  Math::Matrix sLocal;
  Math::Matrix* sv = s != nullptr ? s : &sLocal;
  if (sv->data().size() < k)
    sv->resize(k, 1, false);
  if (k == 0)
  {
    // Nothing to decompose: the orthogonal factors are identities.
    if (u != nullptr)
      *u = Math::ublas::identity_matrix<double>(m);
    if (vt != nullptr)
      *vt = Math::ublas::identity_matrix<double>(n);
    return;
  }
  std::vector<double> superb(k, 0.0);
  double dummy = 0.0;
  const lapack_int lm = LapackSize(m), lnn = LapackSize(n);
  const lapack_int info = LAPACKE_dgesvd(LAPACK_ROW_MAJOR, u != nullptr ? 'A' : 'N', vt != nullptr ? 'A' : 'N', lm,
                                         lnn, Data(*a), lnn, Data(*sv), u != nullptr ? Data(*u) : &dummy,
                                         u != nullptr ? lm : 1, vt != nullptr ? Data(*vt) : &dummy,
                                         vt != nullptr ? lnn : 1, superb.data());
  if (info != 0)
  {
    std::fill(Data(*sv), Data(*sv) + k, kNaN);
    if (u != nullptr)
      std::fill(u->data().begin(), u->data().end(), kNaN);
    if (vt != nullptr)
      std::fill(vt->data().begin(), vt->data().end(), kNaN);
  }
}

Math::Matrix TCMathUblasUtils::PseudoInvert(const Math::Matrix& a, double* pseudoDet)
{
  const size_t m = a.size1();
  const size_t n = a.size2();
  const size_t k = std::min(m, n);
  Math::Matrix u, s(k, 1), vt;
  SVD(a, &u, &s, &vt);
  const double* sv = Data(s);
  if (std::any_of(sv, sv + k, [](double v) { return std::isnan(v); }))
  {
    // NaN input (or a failed decomposition) has no pseudo-inverse.
    if (pseudoDet != nullptr)
      *pseudoDet = kNaN;
    return NaNMatrix(n, m);
  }
  const double smax = k > 0 ? *std::max_element(sv, sv + k) : 0.0;
  // Singular values below the rounding level of the largest one are noise.
  const double tau = static_cast<double>(std::max(m, n)) * std::numeric_limits<double>::epsilon() * smax;
  // pinv = V·D⁺·Uᵀ: scale column i of V by 1/s[i] for every kept value,
  // then multiply by Uᵀ restricted to the first k columns of U.
  Math::Matrix vd(n, k);
  double det = 1.0;
  bool kept = false;
  for (size_t i = 0; i < k; ++i)
  {
    const bool keep = sv[i] > 0.0 && !(sv[i] < tau);
    if (keep)
    {
      det *= sv[i];
      kept = true;
    }
    const double r = keep ? 1.0 / sv[i] : 0.0;
    for (size_t row = 0; row < n; ++row)
      vd(row, i) = vt(i, row) * r;
  }
  Math::Matrix uk(m, k); // first k columns of U, transposed in the product
  for (size_t row = 0; row < m; ++row)
    for (size_t i = 0; i < k; ++i)
      uk(row, i) = u(row, i);
  Math::Matrix result(n, m);
  if (k > 0)
  {
    cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasTrans, LapackSize(n), LapackSize(m), LapackSize(k), 1.0, Data(vd),
                LapackSize(k), Data(uk), LapackSize(k), 0.0, Data(result), LapackSize(m));
  }
  else
  {
    std::fill(result.data().begin(), result.data().end(), 0.0);
  }
  if (pseudoDet != nullptr)
    *pseudoDet = kept ? det : 0.0;
  return result;
}

Math::Matrix TCMathUblasUtils::SolveLeastSquareQR(const Math::Matrix& a, const Math::Matrix& b)
{
  const size_t m = a.size1(), n = a.size2(), k = b.size2();
  if (m < n || b.size1() != m)
    return Math::Matrix(0, 0);
  if (n == 0 || k == 0)
  {
    Math::Matrix x(n, k);
    std::fill(x.data().begin(), x.data().end(), 0.0);
    return x;
  }
  Math::Matrix ac(a), bc(b);
  const lapack_int info = LAPACKE_dgels(LAPACK_ROW_MAJOR, 'N', LapackSize(m), LapackSize(n), LapackSize(k), Data(ac),
                                        LapackSize(n), Data(bc), LapackSize(k));
  if (info != 0) // exactly rank-deficient A (or NaN input): no solution to report
    return Math::Matrix(0, 0);
  // The upper triangle of ac now holds R. A diagonal element at rounding level
  // means A is numerically rank-deficient and the solution would be noise.
  double rmax = 0.0;
  for (size_t i = 0; i < n; ++i)
    rmax = std::max(rmax, std::abs(ac(i, i)));
  const double tol = static_cast<double>(m) * std::numeric_limits<double>::epsilon() * rmax;
  for (size_t i = 0; i < n; ++i)
    if (!(std::abs(ac(i, i)) > tol))
      return Math::Matrix(0, 0);
  Math::Matrix x(n, k);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < k; ++j)
      x(i, j) = bc(i, j);
  return x;
}

Math::Matrix TCMathUblasUtils::SolveSymmetric(const Math::Matrix& a, const Math::Matrix& b)
{
  const size_t n = a.size1(), k = b.size2();
  if (a.size2() != n || b.size1() != n)
    return Math::Matrix(0, 0);
  if (n == 0 || k == 0)
  {
    Math::Matrix x(n, k);
    std::fill(x.data().begin(), x.data().end(), 0.0);
    return x;
  }
  Math::Matrix ac(a), bc(b);
  std::vector<lapack_int> ipiv(n, 0);
  const lapack_int ln = LapackSize(n), lk = LapackSize(k);
  if (LAPACKE_dsytrf(LAPACK_ROW_MAJOR, 'U', ln, Data(ac), ln, ipiv.data()) != 0)
    return Math::Matrix(0, 0);
  if (LAPACKE_dsytrs(LAPACK_ROW_MAJOR, 'U', ln, lk, Data(ac), ln, ipiv.data(), Data(bc), lk) != 0)
    return Math::Matrix(0, 0);
  return bc;
}

Math::Matrix TCMathUblasUtils::CalculateCovariance(const Math::Matrix& x)
{
  Math::Matrix copy(x);
  return CalculateCovariance(&copy);
}

Math::Matrix TCMathUblasUtils::CalculateCovariance(Math::Matrix* x)
{
  if (x == nullptr || x->size1() == 0 || x->size2() == 0)
    return Math::Matrix(0, 0);
  const size_t rows = x->size1(), cols = x->size2();
  Math::Matrix c(1, 1);
  if (rows == 1)
  {
    c(0, 0) = SampleVariance(cols, [&](size_t j) { return (*x)(0, j); });
    return c;
  }
  if (cols == 1)
  {
    c(0, 0) = SampleVariance(rows, [&](size_t i) { return (*x)(i, 0); });
    return c;
  }
  const Math::Vector mean = CalculateMean(*x);
  for (size_t i = 0; i < rows; ++i)
    for (size_t j = 0; j < cols; ++j)
      (*x)(i, j) -= mean(j);
  Gemm(*x, true, *x, &c);
  const double div = static_cast<double>(rows - 1);
  for (double& v : c.data())
    v /= div;
  return c;
}

std::pair<Math::Matrix, Math::Vector> TCMathUblasUtils::CalcBestFittingTransform(const Math::Matrix& a,
                                                                                 const Math::Matrix& b)
{
  const size_t d = a.size1(), N = a.size2();
  Math::Matrix r(d, d);
  Math::Vector t(d);
  std::fill(r.data().begin(), r.data().end(), 0.0);
  std::fill(t.begin(), t.end(), 0.0);
  if (b.size1() != d || b.size2() != N || N <= d)
    return {r, t};
  try
  {
    // Normal matrix M = Σ [a;1][a;1]ᵀ and P = Σ [a;1]·bᵀ.
    Math::Matrix mm(d + 1, d + 1), p(d + 1, d);
    std::fill(mm.data().begin(), mm.data().end(), 0.0);
    std::fill(p.data().begin(), p.data().end(), 0.0);
    for (size_t j = 0; j < N; ++j)
    {
      for (size_t u = 0; u <= d; ++u)
      {
        const double au = u < d ? a(u, j) : 1.0;
        for (size_t v = 0; v <= d; ++v)
          mm(u, v) += au * (v < d ? a(v, j) : 1.0);
        for (size_t v = 0; v < d; ++v)
          p(u, v) += au * b(v, j);
      }
    }
    Math::Matrix inv(d + 1, d + 1);
    InvertBySize(mm, &inv);
    Math::Matrix c;
    Gemm(inv, false, p, &c);
    for (size_t u = 0; u < d; ++u)
      for (size_t v = 0; v < d; ++v)
        r(u, v) = c(v, u);
    for (size_t v = 0; v < d; ++v)
      t(v) = c(d, v);
  }
  catch (...)
  {
    std::fill(r.data().begin(), r.data().end(), 0.0);
    std::fill(t.begin(), t.end(), 0.0);
  }
  return {r, t};
}

std::pair<Math::Matrix, Math::Vector>
TCMathUblasUtils::CalcBestFittingTransform(const std::vector<TCGenPoint<double>>& a,
                                           const std::vector<TCGenPoint<double>>& b)
{
  if (a.size() != b.size())
  {
    Math::Matrix r(2, 2);
    Math::Vector t(2);
    std::fill(r.data().begin(), r.data().end(), 0.0);
    std::fill(t.begin(), t.end(), 0.0);
    return {r, t};
  }
  Math::Matrix ma(2, a.size()), mb(2, b.size());
  for (size_t j = 0; j < a.size(); ++j)
  {
    ma(0, j) = a[j].GetX();
    ma(1, j) = a[j].GetY();
    mb(0, j) = b[j].GetX();
    mb(1, j) = b[j].GetY();
  }
  return CalcBestFittingTransform(ma, mb);
}

namespace Math
{
void invert_dbl(const Matrix& m, Matrix* out)
{
  if (out == nullptr)
    throw std::invalid_argument("invert_dbl: null output matrix");
  if (m.size1() != m.size2())
    throw std::invalid_argument("invert_dbl: matrix is not square");
  const size_t n = m.size1();
  Matrix work(m);
  if (n > 0)
  {
    std::vector<lapack_int> ipiv(n, 0);
    const lapack_int ln = LapackSize(n);
    if (LAPACKE_dgetrf(LAPACK_ROW_MAJOR, ln, ln, Data(work), ln, ipiv.data()) != 0)
      throw ublas::singular("singular");
    if (LAPACKE_dgetri(LAPACK_ROW_MAJOR, ln, Data(work), ln, ipiv.data()) != 0)
      throw ublas::singular("singular");
  }
  *out = std::move(work);
}
} // namespace Math
