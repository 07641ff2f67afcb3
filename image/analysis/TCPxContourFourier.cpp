// The contour's Fourier description: coefficients, low-pass smoothing, spectra.
#include <pixolan/analysis/TCPxContour.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/model/TCPxConversion.h>

#include "PxContourSupport.h"
#include "PxMomentRules.h"

namespace
{
using namespace pxcontour;

// Multiplies harmonic k (k = 1 ... size - 1) by e^(-i k omega).
void PhaseShift(TCPxContour::TDftCoefs* coefs, double omega)
{
  for (std::size_t k = 1; k < coefs->size(); ++k)
  {
    const double a = -static_cast<double>(k) * omega;
    (*coefs)[k] *= std::complex<float>(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)));
  }
}

// Start point of the outline described by X (its x coordinate): the partial
// sum Re X0 + 2 sum(k = 1 ... N/2 - 2) Re Xk over N.
int StartCoordinate(const TCPxContour::TDftCoefs& X)
{
  const int n = static_cast<int>(X.size());
  double sum = X[0].real();
  for (int k = 1; k <= n / 2 - 2; ++k)
    sum += 2.0 * X[static_cast<std::size_t>(k)].real();
  return TCGenMathUtils::Round(sum / n);
}

// Fills a 2 x N float matrix with the x coordinates in row 0 and the y
// coordinates in row 1.
cv::Mat CoordinateRows(const std::vector<cv::Point>& points)
{
  const int n = static_cast<int>(points.size());
  cv::Mat m(2, n, CV_32F);
  float* xs = m.ptr<float>(0);
  float* ys = m.ptr<float>(1);
  for (int j = 0; j < n; ++j)
  {
    xs[j] = static_cast<float>(points[static_cast<std::size_t>(j)].x);
    ys[j] = static_cast<float>(points[static_cast<std::size_t>(j)].y);
  }
  return m;
}

// Low-pass filtered coordinates: row 0 x, row 1 y.
cv::Mat LowPass(const std::vector<cv::Point>& points, int harmonics)
{
  cv::Mat m = CoordinateRows(points);
  cv::Mat spectrum;
  cv::dft(m, spectrum, 0);
  const std::int64_t first = std::max<std::int64_t>(0, 2 * static_cast<std::int64_t>(harmonics) + 1);
  if (first < spectrum.cols)
    spectrum.colRange(static_cast<int>(first), spectrum.cols).setTo(0);
  cv::dft(spectrum, m, cv::DFT_INVERSE | cv::DFT_SCALE);
  return m;
}
} // namespace

// ---- Fourier description -------------------------------------------------------------

void TCPxContour::GetDftCoefs(cv::Mat* samples, cv::Mat* spectrum, TDftCoefs* out)
{
  const int n = samples->cols;
  if (n <= 0)
    return;
  cv::dft(*samples, *spectrum, 0);
  const float* s = spectrum->ptr<float>(0);
  const std::size_t base = out->size();
  out->resize(base + static_cast<std::size_t>(n));
  std::complex<float>* c = out->data() + base;
  // Packed layout: Re0, Re1, Im1, Re2, Im2, ... (Re N/2 last for even N).
  c[0] = std::complex<float>(s[0], 0.0f);
  const int half = (n + 1) / 2; // ceil(N / 2)
  for (int k = 1; k < half; ++k)
    c[k] = std::complex<float>(s[2 * k - 1], s[2 * k]);
  if (n % 2 == 0)
    c[n / 2] = std::complex<float>(s[n - 1], 0.0f);
  for (int k = n / 2 + 1; k < n; ++k)
    c[k] = std::conj(c[n - k]);
}

void TCPxContour::GetXYDftCoefs(TDftCoefs* X, TDftCoefs* Y) const
{
  if (m_points.empty())
    return;
  cv::Mat rows = CoordinateRows(m_points);
  cv::Mat spectrum;
  if (X)
  {
    cv::Mat xs = rows.row(0);
    GetDftCoefs(&xs, &spectrum, X);
  }
  if (Y)
  {
    cv::Mat ys = rows.row(1);
    GetDftCoefs(&ys, &spectrum, Y);
  }
}

void TCPxContour::CalcNormalizedDftCoefs(const TCGenPoint<double>& ref, TDftCoefs* X, TDftCoefs* Y) const
{
  if (!X || !Y)
    return;
  TDftCoefs x, y;
  GetXYDftCoefs(&x, &y);
  if (x.size() < 2)
  {
    *X = std::move(x);
    *Y = std::move(y);
    return;
  }
  const TCGenPoint<double> cog = GetCOG();
  const double rx = ref.GetX() - cog.GetX();
  const double ry = ref.GetY() - cog.GetY();

  // Phase of the first-harmonic ellipse's axes.
  const std::complex<double> a(x[1]);
  const std::complex<double> b(y[1]);
  const double psi = std::atan2(2.0 * (b.real() * b.imag() + a.real() * a.imag()),
                                b.real() * b.real() + a.real() * a.real() - a.imag() * a.imag() - b.imag() * b.imag());

  // The four axis ends as candidate start points.
  TDftCoefs sx[4], sy[4];
  double px[4], py[4];
  for (int j = 0; j < 4; ++j)
  {
    const double omega = j * kPi / 2.0 + psi / 2.0;
    sx[j] = x;
    sy[j] = y;
    PhaseShift(&sx[j], omega);
    PhaseShift(&sy[j], omega);
    // Start points relative to the centre of gravity, the frame of r.
    px[j] = StartCoordinate(sx[j]) - cog.GetX();
    py[j] = StartCoordinate(sy[j]) - cog.GetY();
  }
  const auto d2 = [&](int i, int j) {
    return (px[i] - px[j]) * (px[i] - px[j]) + (py[i] - py[j]) * (py[i] - py[j]);
  };
  const auto toRef = [&](int i) { return (px[i] - rx) * (px[i] - rx) + (py[i] - ry) * (py[i] - ry); };
  const int first = d2(0, 2) > d2(1, 3) ? 0 : 1;
  const int second = first + 2;
  const int chosen = toRef(first) < toRef(second) ? first : second;
  x = std::move(sx[chosen]);
  y = std::move(sy[chosen]);

  // Rotation so that the first harmonic's start lies on the x axis.
  const float phi = std::atan2(y[1].real(), x[1].real());
  const float c = std::cos(phi);
  const float s = std::sin(phi);
  const std::size_t count = std::min(x.size(), y.size());
  for (std::size_t k = 0; k < count; ++k)
  {
    const std::complex<float> xk = x[k];
    const std::complex<float> yk = y[k];
    x[k] = xk * c + yk * s;
    y[k] = yk * c - xk * s;
  }
  *X = std::move(x);
  *Y = std::move(y);
}

void TCPxContour::Shift2MaxCurvPoint(TDftCoefs* X, TDftCoefs* Y) const
{
  if (!X || !Y || X->empty())
    return;
  const int m = IndexOf(GetMaxCurvPoint());
  if (m < 0)
    return;
  // Starting at vertex m means x'_j = x_(j+m), i.e. harmonic k times
  // e^(+i k 2 pi m / M) for spectra of OpenCV's forward transform.
  const double phi = m * 2.0 * kPi / static_cast<double>(X->size());
  PhaseShift(X, -phi);
  PhaseShift(Y, -phi);
}

void TCPxContour::DFT(TCPxContour* out, int harmonics) const
{
  if (!out)
    return;
  const int n = GetSize();
  if (n == 0)
  {
    out->m_points.clear();
    out->m_roi = m_roi;
    out->RefreshMoments();
    return;
  }
  const cv::Mat m = LowPass(m_points, harmonics);
  const float* xs = m.ptr<float>(0);
  const float* ys = m.ptr<float>(1);
  out->m_points.resize(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    out->m_points[static_cast<std::size_t>(j)] = cv::Point(TruncToInt(std::roundf(xs[j])), TruncToInt(std::roundf(ys[j])));
  out->m_roi = m_roi;
  out->RefreshMoments();
}

void TCPxContour::DFT(std::list<TCGenPoint<double>>* out, int harmonics) const
{
  if (!out || m_points.empty())
    return;
  const cv::Mat m = LowPass(m_points, harmonics);
  const float* xs = m.ptr<float>(0);
  const float* ys = m.ptr<float>(1);
  for (int j = 0; j < m.cols; ++j)
    out->push_back(TCGenPoint<double>(xs[j], ys[j]));
}

void TCPxContour::ConstructFromDFTCoefs(int count, int n, const TDftCoefs& X, const TDftCoefs& Y)
{
  m_points.clear();
  if (n >= 1)
  {
    const int terms = std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(std::min(X.size(), Y.size())));
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < n; ++i)
    {
      double x = 0.0, y = 0.0;
      for (int j = 0; j < terms; ++j)
      {
        // angle_j = 2 pi i j / n, reduced mod n first to keep the product exact.
        const double angle = 2.0 * kPi * static_cast<double>((static_cast<std::int64_t>(i) * j) % n) / n;
        const std::complex<double> e(std::cos(angle), std::sin(angle));
        const double w = j == 0 ? 1.0 : 2.0;
        x += w * (std::complex<double>(X[static_cast<std::size_t>(j)]) * e).real();
        y += w * (std::complex<double>(Y[static_cast<std::size_t>(j)]) * e).real();
      }
      const cv::Point p(TCGenMathUtils::Round(x / n), TCGenMathUtils::Round(y / n));
      if (seen.insert(std::make_pair(p.x, p.y)).second)
        m_points.push_back(p);
    }
  }
  RefreshMoments();
}

namespace
{
// Writes the first ceil(N/2) coefficients into a 1 x N row in OpenCV's packed
// real-spectrum layout; the Nyquist slot of an even N stays 0.
cv::Mat PackSpectrum(const TCPxContour::TDftCoefs& c)
{
  const int n = static_cast<int>(c.size());
  cv::Mat row = cv::Mat::zeros(1, n, CV_32F);
  float* r = row.ptr<float>(0);
  r[0] = c[0].real();
  const int used = n / 2 + (n % 2);
  for (int k = 1; k < used; ++k)
  {
    r[2 * k - 1] = c[static_cast<std::size_t>(k)].real();
    r[2 * k] = c[static_cast<std::size_t>(k)].imag();
  }
  return row;
}
} // namespace

void TCPxContour::ReconstructFromXYDftCoefs(const TDftCoefs& X, const TDftCoefs& Y)
{
  if (X.empty() || X.size() != Y.size())
    return;
  const int n = static_cast<int>(X.size());
  cv::Mat xs, ys;
  cv::dft(PackSpectrum(X), xs, cv::DFT_INVERSE | cv::DFT_SCALE);
  cv::dft(PackSpectrum(Y), ys, cv::DFT_INVERSE | cv::DFT_SCALE);
  const float* px = xs.ptr<float>(0);
  const float* py = ys.ptr<float>(0);
  m_points.reserve(m_points.size() + static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    m_points.emplace_back(TCGenMathUtils::Round(px[j]), TCGenMathUtils::Round(py[j]));
  RefreshMoments();
}
