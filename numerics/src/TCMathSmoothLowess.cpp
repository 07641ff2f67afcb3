// Robust local quadratic smoothing (tricube weights, windowed-median scale).
#include <tarvekmath/TCMathSmoothLowess.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include <boost/numeric/ublas/exception.hpp>

#include <tarvekmath/TCMathUblasUtils.h>

namespace _impl
{
class TCMathSmoothLowessImp
{
public:
  explicit TCMathSmoothLowessImp(int halfWindow);

  bool Valid() const { return m_valid; }
  int Half() const { return m_half; }
  int Length() const { return m_length; }
  // Tricube weight of window sample i for a fit evaluated at position p.
  double Weight(int p, int i) const { return m_weights[static_cast<size_t>(p * m_length + i)]; }
  // Precomputed tricube fit at position p of the L values from y.
  double Project(int p, const double* y) const;
  // Quadratic fit of the L values from y with weights w, evaluated at p; the
  // linear coefficient goes to *linear. a and inv are 3×3 scratch matrices.
  // Throws ublas::singular.
  static double Fit(const double* y, const double* w, int length, int p, double* linear, Math::Matrix& a,
                    Math::Matrix& inv);

private:
  int m_degree = 2; // quadratic model
  int m_count = 2;
  int m_half = 0;
  int m_length = 0;
  bool m_valid = false;
  std::vector<double> m_weights;     // L rows of L tricube weights, row p for position p
  std::vector<double> m_projections; // L rows: the fitted value at p as a weighted sum of the window
};

TCMathSmoothLowessImp::TCMathSmoothLowessImp(int halfWindow)
{
  const long long length = 2LL * halfWindow + 1;
  if (halfWindow < 1 || length >= TCMathSmoothLowess::s_iMaxWindowSize)
    return;
  m_half = halfWindow;
  m_length = static_cast<int>(length);
  const int l = m_length;
  m_weights.resize(static_cast<size_t>(l * l));
  for (int p = 0; p < l; ++p)
    for (int i = 0; i < l; ++i)
    {
      const double d = std::abs(static_cast<double>(p - i) / l);
      const double c = 1.0 - d * d * d;
      m_weights[static_cast<size_t>(p * l + i)] = c * c * c;
    }
  // Row p of the projection: [1, p, p²]·(XᵀW_pX)⁻¹·XᵀW_p, with X = [1, x, x²]
  // over the window positions x = 0..L−1.
  m_projections.resize(static_cast<size_t>(l * l));
  try
  {
    for (int p = 0; p < l; ++p)
    {
      const double* w = &m_weights[static_cast<size_t>(p * l)];
      Math::Matrix a(3, 3, 0.0), inv(3, 3);
      for (int i = 0; i < l; ++i)
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c)
            a(r, c) += w[i] * std::pow(i, r + c);
      Math::invert_dbl3x3(a, &inv);
      for (int i = 0; i < l; ++i)
      {
        double s = 0.0;
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c)
            s += std::pow(p, r) * inv(r, c) * std::pow(i, c);
        m_projections[static_cast<size_t>(p * l + i)] = s * w[i];
      }
    }
  }
  catch (const boost::numeric::ublas::singular&)
  {
    return;
  }
  m_valid = true;
}

double TCMathSmoothLowessImp::Project(int p, const double* y) const
{
  const double* row = &m_projections[static_cast<size_t>(p * m_length)];
  double s = 0.0;
  for (int i = 0; i < m_length; ++i)
    s += row[i] * y[i];
  return s;
}

double TCMathSmoothLowessImp::Fit(const double* y, const double* w, int length, int p, double* linear,
                                  Math::Matrix& a, Math::Matrix& inv)
{
  // Normal equations (XᵀWX)·β = XᵀWy of the quadratic in the window position.
  double m[5] = {0, 0, 0, 0, 0}; // Σ w·x^k, k = 0..4
  double v[3] = {0, 0, 0};       // Σ w·y·x^k, k = 0..2
  for (int i = 0; i < length; ++i)
  {
    const double x = i;
    const double wx[5] = {w[i], w[i] * x, w[i] * x * x, w[i] * x * x * x, w[i] * x * x * x * x};
    for (int k = 0; k < 5; ++k)
      m[k] += wx[k];
    for (int k = 0; k < 3; ++k)
      v[k] += wx[k] * y[i];
  }
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      a(r, c) = m[r + c];
  Math::invert_dbl3x3(a, &inv);
  double beta[3];
  for (int r = 0; r < 3; ++r)
    beta[r] = inv(r, 0) * v[0] + inv(r, 1) * v[1] + inv(r, 2) * v[2];
  if (linear != nullptr)
    *linear = beta[1];
  return beta[0] + beta[1] * p + beta[2] * p * p;
}
} // namespace _impl

namespace
{
constexpr double kOutlierWeight = 0.0001;

// Start of the window of sample i: centred where possible, else the first or
// the last window of the series.
size_t WindowStart(size_t i, size_t half, size_t n, size_t length)
{
  return std::min(i > half ? i - half : 0, n - length);
}
} // namespace

TCMathSmoothLowess::TCMathSmoothLowess(int halfWindow)
    : m_imp(std::make_unique<_impl::TCMathSmoothLowessImp>(halfWindow))
{
}

TCMathSmoothLowess::~TCMathSmoothLowess() = default;

double TCMathSmoothLowess::WeightedLeastSquares(const Math::Vector& window) const
{
  if (!m_imp->Valid() || window.size() < static_cast<size_t>(m_imp->Length()))
    return std::numeric_limits<double>::quiet_NaN();
  return m_imp->Project(m_imp->Half(), &window(0));
}

void TCMathSmoothLowess::Smooth(const Math::Vector& input, Math::Vector* out, double* linear,
                                std::vector<int>* outliers) const
{
  // Smoothing in place (out == &input) works on a copy of the input.
  const Math::Vector copy = (out == &input) ? input : Math::Vector();
  const Math::Vector& in = (out == &input) ? copy : input;
  const size_t n = in.size();
  if (out == nullptr || outliers == nullptr || !m_imp->Valid() || n == 0 ||
      n > static_cast<size_t>(s_iMaxRangeSize))
    return;
  const size_t half = static_cast<size_t>(m_imp->Half());
  const size_t length = static_cast<size_t>(m_imp->Length());
  if (n < length)
  {
    *out = in;
    return;
  }
  out->resize(n, false);
  outliers->clear();
  const double* y = &in(0);

  for (size_t i = 0; i < n; ++i)
  {
    const size_t start = WindowStart(i, half, n, length);
    (*out)(i) = m_imp->Project(static_cast<int>(i - start), y + start);
  }

  std::vector<double> residual(n), robust(n), sorted(length), weights(length);
  Math::Vector refit(n);
  Math::Matrix normal(3, 3), inverse(3, 3);
  for (int pass = 0; pass < 2; ++pass)
  {
    for (size_t i = 0; i < n; ++i)
    {
      const double r = std::abs(y[i] - (*out)(i));
      // A non-finite residual sorts last and makes its sample an outlier.
      residual[i] = std::isnan(r) ? std::numeric_limits<double>::infinity() : (r <= 1e-8 ? 0.0 : r);
    }
    // The scale of each sample is the median residual of its window, kept in
    // a sorted copy of the window that slides with the window start.
    std::copy(residual.begin(), residual.begin() + static_cast<std::ptrdiff_t>(length), sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    size_t current = 0;
    for (size_t i = 0; i < n; ++i)
    {
      const size_t start = WindowStart(i, half, n, length);
      for (; current < start; ++current)
      {
        sorted.erase(std::lower_bound(sorted.begin(), sorted.end(), residual[current]));
        sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), residual[current + length]),
                      residual[current + length]);
      }
      const double scale = sorted[half];
      const double r = residual[i];
      if (r == 0.0)
        robust[i] = 1.0;
      else if (r < 5.97 * scale)
      {
        const double u = r / (6.0 * scale);
        robust[i] = (1.0 - u * u) * (1.0 - u * u);
      }
      else
        robust[i] = kOutlierWeight;
      if (pass == 0 && robust[i] == kOutlierWeight && i >= half && i < n - half)
        outliers->push_back(static_cast<int>(i));
    }
    for (size_t i = 0; i < n; ++i)
    {
      const size_t start = WindowStart(i, half, n, length);
      const int p = static_cast<int>(i - start);
      for (size_t j = 0; j < length; ++j)
        weights[j] = m_imp->Weight(p, static_cast<int>(j)) * robust[start + j];
      try
      {
        double slope = 0.0;
        refit(i) = _impl::TCMathSmoothLowessImp::Fit(y + start, weights.data(), static_cast<int>(length), p,
                                                     i < half ? &slope : nullptr, normal, inverse);
        if (i < half && linear != nullptr)
          *linear = slope;
      }
      catch (const boost::numeric::ublas::singular&)
      {
        refit(i) = (*out)(i); // this sample keeps the previous pass's value
      }
    }
    out->swap(refit);
  }
}
