// Posterior of a Gaussian process: exact inference for Gaussian noise by one
// Cholesky factorisation of K/σ² + I, predictions by one matrix-vector
// product (means) and one triangular solve over all test points (variances).
#include <tarvekmath/TCMathGpInferenceMethod.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include <cblas.h>

#include <tarvekmath/TCMathUblasUtils.h>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int BlasSize(size_t n)
{
  if (n > static_cast<size_t>(std::numeric_limits<int>::max()))
    throw std::length_error("matrix too large for BLAS");
  return static_cast<int>(n);
}

bool AllFinite(const double* p, size_t n)
{
  for (size_t i = 0; i < n; ++i)
    if (!std::isfinite(p[i]))
      return false;
  return true;
}
} // namespace

// ---- shared posterior formulas ----

void TCMathGpInferenceMethod::Init(std::shared_ptr<TCMathGpMeanFunction> mean,
                                   std::shared_ptr<TCMathGpCovarianceFunction> cov,
                                   std::shared_ptr<TCMathGpLikelihoodFunction> lik)
{
  m_mean = std::move(mean);
  m_cov = std::move(cov);
  m_lik = std::move(lik);
  m_L = Math::Matrix(0, 0);
  m_alpha = Math::Vector(0);
  m_sW = Math::Vector(0);
  m_X = Math::Matrix(0, 0);
}

bool TCMathGpInferenceMethod::CanEvaluate(const Math::Matrix& xs) const
{
  return m_mean && m_cov && m_X.size1() > 0 && m_alpha.size() == m_X.size1() && xs.size2() == m_X.size2();
}

Math::Vector TCMathGpInferenceMethod::EvaluateMeans(const Math::Matrix& xs) const
{
  if (!CanEvaluate(xs))
    return Math::Vector(0);
  const size_t n = m_X.size1(), m = xs.size1();
  const Math::Matrix ks = m_cov->CalcCrossCovariance(m_X, xs);
  Math::Vector mean = m_mean->CalcValues(xs);
  if (ks.size1() != n || ks.size2() != m || mean.size() != m)
    return Math::Vector(0);
  if (m == 0)
    return mean;
  // mean = ms + Ksᵀ·α
  cblas_dgemv(CblasRowMajor, CblasTrans, BlasSize(n), BlasSize(m), 1.0, ks.data().begin(), BlasSize(m),
              m_alpha.data().begin(), 1, 1.0, mean.data().begin(), 1);
  return mean;
}

std::vector<std::shared_ptr<TCMathPbGaussian>>
TCMathGpInferenceMethod::EvaluateDistributions(const Math::Matrix& xs) const
{
  std::vector<std::shared_ptr<TCMathPbGaussian>> out;
  // The factor is lower triangular exactly when training has happened.
  if (!m_lik || !CanEvaluate(xs) || m_sW.size() != m_X.size1() || m_L.size1() != m_X.size1() ||
      !TCMathUblasUtils::IsLowerTriangular(m_L))
    return out;
  const size_t n = m_X.size1(), m = xs.size1();
  Math::Matrix v = m_cov->CalcCrossCovariance(m_X, xs);
  const Math::Vector kss = m_cov->CalcSelfVariance(xs);
  Math::Vector mean = m_mean->CalcValues(xs);
  if (v.size1() != n || v.size2() != m || kss.size() != m || mean.size() != m || m == 0)
    return out;
  const int bn = BlasSize(n), bm = BlasSize(m);
  // mean = ms + Ksᵀ·α, before Ks is overwritten.
  cblas_dgemv(CblasRowMajor, CblasTrans, bn, bm, 1.0, v.data().begin(), bm, m_alpha.data().begin(), 1, 1.0,
              mean.data().begin(), 1);
  // V = L⁻¹·(sW ∘ Ks), all test points in one triangular solve.
  double* pv = v.data().begin();
  for (size_t i = 0; i < n; ++i)
  {
    const double s = m_sW(i);
    for (size_t j = 0; j < m; ++j)
      pv[i * m + j] *= s;
  }
  cblas_dtrsm(CblasRowMajor, CblasLeft, CblasLower, CblasNoTrans, CblasNonUnit, bn, bm, 1.0, m_L.data().begin(), bn,
              pv, bm);
  std::vector<double> explained(m, 0.0);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < m; ++j)
      explained[j] += pv[i * m + j] * pv[i * m + j];
  const double noise = m_lik->GetVariance();
  out.reserve(m);
  for (size_t j = 0; j < m; ++j)
    out.push_back(std::make_shared<TCMathPbGaussian>(mean(j), noise + (kss(j) - explained[j])));
  return out;
}

// ---- exact inference ----

void TCMathGpImExact::Init(std::shared_ptr<TCMathGpMeanFunction> mean, std::shared_ptr<TCMathGpCovarianceFunction> cov,
                           std::shared_ptr<TCMathGpLikelihoodFunction> lik)
{
  m_gaussLik = std::dynamic_pointer_cast<TCMathGpLfGauss>(lik);
  TCMathGpInferenceMethod::Init(std::move(mean), std::move(cov), std::move(lik));
}

double TCMathGpImExact::Train(const Math::Matrix& x, const Math::Vector& y)
{
  const size_t n = x.size1();
  if (!m_gaussLik || !m_mean || !m_cov || n == 0 || y.size() != n)
    return kNaN;
  Math::SymmetricMatrix k = m_cov->CalcKernel(x);
  const Math::Vector m = m_mean->CalcValues(x);
  if (k.size1() != n || m.size() != n)
    return kNaN;
  const double noise = m_gaussLik->GetVariance();
  // K/σ² + I in place on the packed lower triangle; row i ends at its diagonal.
  double* pk = k.data().begin();
  const size_t packed = n * (n + 1) / 2;
  for (size_t e = 0; e < packed; ++e)
    pk[e] /= noise;
  for (size_t i = 0; i < n; ++i)
    pk[i * (i + 1) / 2 + i] += 1.0;
  // A matrix that is not positive definite (NaN or infinite inputs, σ² <= 0)
  // comes back as NaN.
  Math::Matrix l = TCMathUblasUtils::CholeskyDecompose(k);
  if (!AllFinite(l.data().begin(), n * n))
    return kNaN;
  Math::Vector alpha = TCMathUblasUtils::CholeskySolve(l, y - m);
  if (alpha.size() != n)
    return kNaN;
  alpha /= noise;
  if (!AllFinite(alpha.data().begin(), n))
    return kNaN;
  m_L = std::move(l);
  m_alpha = std::move(alpha);
  m_sW = Math::Vector(n, 1.0 / std::sqrt(noise));
  m_X = x;
  return 0.0;
}

Math::Vector TCMathGpImExact::EvaluateMeans(const Math::Matrix& xs) const
{
  if (!m_gaussLik)
    return Math::Vector(0);
  return TCMathGpInferenceMethod::EvaluateMeans(xs);
}

std::vector<std::shared_ptr<TCMathPbGaussian>> TCMathGpImExact::EvaluateDistributions(const Math::Matrix& xs) const
{
  if (!m_gaussLik)
    return {};
  return TCMathGpInferenceMethod::EvaluateDistributions(xs);
}
