// Log-Gabor filtering in the frequency domain with the analytic-signal envelope.
#include <tarvekmath/TCMathLogGabor.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "MathFft.h"

namespace _impl
{
struct TCMathLogGaborWork
{
  explicit TCMathLogGaborWork(size_t n) : plan(n), spectrum(n), scratch(plan.WorkSize()) {}
  FftPlan plan;
  std::vector<std::complex<double>> spectrum; // the signal's spectrum, then z
  std::vector<std::complex<double>> scratch;  // the transform's own work space
};
} // namespace _impl

TCMathLogGabor::TCMathLogGabor(int N, double wavelength, double sigmaOnF, int cutoff)
    : m_n(std::max(N, 0)), m_wavelength(wavelength), m_sigmaOnF(sigmaOnF), m_cutoff(cutoff)
{
  if (m_n > 0)
    m_work = std::make_unique<_impl::TCMathLogGaborWork>(static_cast<size_t>(m_n));
  CalculateKernel();
}

TCMathLogGabor::TCMathLogGabor(const TCMathLogGabor& other)
    : m_n(other.m_n), m_wavelength(other.m_wavelength), m_sigmaOnF(other.m_sigmaOnF), m_cutoff(other.m_cutoff),
      m_gains(other.m_gains),
      m_work(other.m_work ? std::make_unique<_impl::TCMathLogGaborWork>(*other.m_work) : nullptr)
{
}

TCMathLogGabor& TCMathLogGabor::operator=(const TCMathLogGabor& other)
{
  if (this != &other)
  {
    TCMathLogGabor copy(other);
    std::swap(m_n, copy.m_n);
    std::swap(m_wavelength, copy.m_wavelength);
    std::swap(m_sigmaOnF, copy.m_sigmaOnF);
    std::swap(m_cutoff, copy.m_cutoff);
    std::swap(m_gains, copy.m_gains);
    std::swap(m_work, copy.m_work);
  }
  return *this;
}

TCMathLogGabor::~TCMathLogGabor() = default;

void TCMathLogGabor::CalculateKernel()
{
  m_gains.assign(static_cast<size_t>(m_n), 0.0);
  const double logBandwidth = std::log(m_sigmaOnF);
  const double denominator = 2.0 * logBandwidth * logBandwidth;
  for (int i = 1; i <= m_n / 2; ++i)
  {
    const double l = std::log(static_cast<double>(i) / m_n * m_wavelength);
    m_gains[static_cast<size_t>(i)] = std::exp(-(l * l) / denominator);
  }
}

bool TCMathLogGabor::Transform(const std::vector<double>& signal)
{
  if (m_n == 0 || signal.size() != static_cast<size_t>(m_n))
    return false;
  const size_t n = static_cast<size_t>(m_n);
  std::complex<double>* z = m_work->spectrum.data();
  for (size_t j = 0; j < n; ++j)
    z[j] = {signal[j], 0.0};
  m_work->plan.Forward(z, m_work->scratch.data());
  // Keep the positive frequencies 1..N/2 at or above the cut-off, weighted by
  // their gains; DC, the lowest `cutoff` bins and the negative frequencies go.
  const size_t positive = n / 2;
  const size_t firstKept = std::max<size_t>(1, m_cutoff > 0 ? static_cast<size_t>(m_cutoff) : 0);
  for (size_t k = 0; k < n; ++k)
    z[k] = (k >= firstKept && k <= positive) ? z[k] * m_gains[k] : std::complex<double>(0.0, 0.0);
  m_work->plan.Inverse(z, m_work->scratch.data());
  return true;
}

std::vector<double> TCMathLogGabor::CalculateResponse(const std::vector<double>& signal)
{
  if (!Transform(signal))
    return {};
  std::vector<double> out(static_cast<size_t>(m_n));
  const std::complex<double>* z = m_work->spectrum.data();
  for (size_t j = 0; j < out.size(); ++j)
    out[j] = std::sqrt(z[j].real() * z[j].real() + z[j].imag() * z[j].imag());
  return out;
}

double TCMathLogGabor::CalculateResponseAt(const std::vector<double>& signal, int index)
{
  if (index < 0 || index >= m_n || !Transform(signal))
    return 0.0;
  const std::complex<double> z = m_work->spectrum[static_cast<size_t>(index)];
  return std::sqrt(z.real() * z.real() + z.imag() * z.imag());
}
