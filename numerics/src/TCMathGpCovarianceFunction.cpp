// Squared-exponential and Matérn kernels. Both depend on the points only
// through the scaled squared distance Σc (xc − x′c)²·λc with λ the diagonal of
// Λ⁻¹ (1/ℓ²), summed in a plain loop over the d coordinates of each pair.
#include <tarvekmath/TCMathGpCovarianceFunction.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
Math::Matrix InverseLambda(int dimension, double lengthScale)
{
  const size_t d = static_cast<size_t>(std::max(dimension, 0));
  Math::Matrix m(d, d);
  std::fill(m.data().begin(), m.data().end(), 0.0);
  for (size_t c = 0; c < d; ++c)
    m(c, c) = 1.0 / (lengthScale * lengthScale);
  return m;
}

std::vector<double> Diagonal(const Math::Matrix& m)
{
  std::vector<double> out(m.size1());
  for (size_t c = 0; c < out.size(); ++c)
    out[c] = m(c, c);
  return out;
}

inline double ScaledSquaredDistance(const double* a, const double* b, const double* lambda, size_t d)
{
  double s = 0.0;
  for (size_t c = 0; c < d; ++c)
  {
    const double diff = a[c] - b[c];
    s += diff * diff * lambda[c];
  }
  return s;
}

// Fills the packed lower triangle of the kernel matrix of the rows of x:
// element (i, j), j <= i, sits at i·(i + 1)/2 + j.
template <class Kernel>
Math::SymmetricMatrix FillKernel(const Math::Matrix& x, const std::vector<double>& lambda, Kernel kernel)
{
  const size_t n = x.size1(), d = x.size2();
  Math::SymmetricMatrix k(n);
  double* out = k.data().begin();
  const double* rows = x.data().begin();
  for (size_t i = 0; i < n; ++i)
  {
    const double* xi = rows + i * d;
    double* row = out + i * (i + 1) / 2;
    for (size_t j = 0; j <= i; ++j)
      row[j] = kernel(ScaledSquaredDistance(xi, rows + j * d, lambda.data(), d));
  }
  return k;
}

template <class Kernel>
Math::Matrix FillCross(const Math::Matrix& a, const Math::Matrix& b, const std::vector<double>& lambda, Kernel kernel)
{
  const size_t na = a.size1(), nb = b.size1(), d = a.size2();
  Math::Matrix k(na, nb);
  double* out = k.data().begin();
  const double* ra = a.data().begin();
  const double* rb = b.data().begin();
  for (size_t i = 0; i < na; ++i)
    for (size_t j = 0; j < nb; ++j)
      out[i * nb + j] = kernel(ScaledSquaredDistance(ra + i * d, rb + j * d, lambda.data(), d));
  return k;
}
} // namespace

bool TCMathGpCovarianceFunction::HasDimension(const Math::Matrix& x) const
{
  return m_dimension >= 0 && x.size2() == static_cast<size_t>(m_dimension);
}

Math::Vector TCMathGpCovarianceFunction::CalcSelfVariance(const Math::Matrix& x) const
{
  const Math::SymmetricMatrix k = CalcKernel(x);
  Math::Vector out(k.size1());
  for (size_t i = 0; i < out.size(); ++i)
    out(i) = k(i, i);
  return out;
}

// ---- squared exponential ----

TCMathGpCfRBF::TCMathGpCfRBF(int dimension, double lengthScale, double signalVariance)
  : TCMathGpCovarianceFunction(dimension, 1), m_lengthScale(lengthScale), m_signalVariance(signalVariance),
    m_inverseLambda(InverseLambda(dimension, lengthScale))
{
}

Math::SymmetricMatrix TCMathGpCfRBF::CalcKernel(const Math::Matrix& x) const
{
  if (!HasDimension(x))
    return Math::SymmetricMatrix(0);
  const double s2 = m_signalVariance;
  return FillKernel(x, Diagonal(m_inverseLambda), [s2](double q) { return s2 * std::exp(-0.5 * q); });
}

Math::Vector TCMathGpCfRBF::CalcSelfVariance(const Math::Matrix& x) const
{
  return Math::Vector(x.size1(), m_signalVariance);
}

Math::Matrix TCMathGpCfRBF::CalcCrossCovariance(const Math::Matrix& a, const Math::Matrix& b) const
{
  if (!HasDimension(a) || !HasDimension(b))
    return Math::Matrix(0, 0);
  const double s2 = m_signalVariance;
  return FillCross(a, b, Diagonal(m_inverseLambda), [s2](double q) { return s2 * std::exp(-0.5 * q); });
}

// ---- Matérn ----

TCMathGpCfMatern::TCMathGpCfMatern(int dimension, int nu, double lengthScale, double signalVariance)
  : TCMathGpCovarianceFunction(dimension, 2), m_nu(nu == 1 || nu == 3 || nu == 5 ? nu : 3),
    m_lengthScale(lengthScale), m_signalVariance(signalVariance),
    m_inverseLambda(InverseLambda(dimension, lengthScale))
{
  switch (m_nu)
  {
  case 1:
    m_shape = [](double) { return 1.0; };
    break;
  case 5:
    m_shape = [](double t) { return 1.0 + t + t * t / 3.0; };
    break;
  default:
    m_shape = [](double t) { return 1.0 + t; };
    break;
  }
}

double TCMathGpCfMatern::Kernel(double scaledSquaredDistance) const
{
  // t = √ν₂·r/ℓ with r²/ℓ² the scaled squared distance.
  const double t = std::sqrt(m_nu * scaledSquaredDistance);
  return m_signalVariance * m_shape(t) * std::exp(-t);
}

Math::SymmetricMatrix TCMathGpCfMatern::CalcKernel(const Math::Matrix& x) const
{
  if (!HasDimension(x))
    return Math::SymmetricMatrix(0);
  return FillKernel(x, Diagonal(m_inverseLambda), [this](double q) { return Kernel(q); });
}

Math::Vector TCMathGpCfMatern::CalcSelfVariance(const Math::Matrix& x) const
{
  return Math::Vector(x.size1(), m_signalVariance);
}

Math::Matrix TCMathGpCfMatern::CalcCrossCovariance(const Math::Matrix& a, const Math::Matrix& b) const
{
  if (!HasDimension(a) || !HasDimension(b))
    return Math::Matrix(0, 0);
  return FillCross(a, b, Diagonal(m_inverseLambda), [this](double q) { return Kernel(q); });
}
