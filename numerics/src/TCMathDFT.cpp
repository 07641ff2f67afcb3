// Fourier transforms over the library's own FFT, and the amplitude spectrum.
#include <tarvekmath/TCMathDFT.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include <tarvekmath/TCMathUblasUtils.h>
#include <tarvekmath/TCMathUtils.h>

#include "MathFft.h"

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<std::complex<double>> ForwardOf(const double* x, size_t n)
{
  std::vector<std::complex<double>> out(n);
  if (n > 0)
    _impl::RealForwardDft(x, n, out.data());
  return out;
}

std::vector<std::complex<double>> InverseOf(const std::vector<std::complex<double>>& spectrum)
{
  std::vector<std::complex<double>> z(spectrum);
  if (!z.empty())
    _impl::ComplexInverseDft(z.data(), z.size());
  return z;
}
} // namespace

TCMathDFT::~TCMathDFT() = default;

std::vector<std::complex<double>> TCMathDFT::DFTFwd(const std::vector<double>& v)
{
  return ForwardOf(v.data(), v.size());
}

std::vector<std::complex<double>> TCMathDFT::DFTFwd(const Math::Vector& v)
{
  return ForwardOf(v.size() > 0 ? &v(0) : nullptr, v.size());
}

std::vector<double> TCMathDFT::DFTInv(const std::vector<std::complex<double>>& spectrum)
{
  const std::vector<std::complex<double>> z = InverseOf(spectrum);
  std::vector<double> out(z.size());
  for (size_t j = 0; j < z.size(); ++j)
    out[j] = z[j].real();
  return out;
}

void TCMathDFT::DFTInv(const std::vector<std::complex<double>>& spectrum, Math::Vector* out)
{
  if (out == nullptr)
    return;
  if (spectrum.empty())
  {
    std::fill(out->begin(), out->end(), 0.0);
    return;
  }
  const std::vector<std::complex<double>> z = InverseOf(spectrum);
  out->resize(z.size(), false);
  for (size_t j = 0; j < z.size(); ++j)
    (*out)(j) = z[j].real();
}

Math::Matrix TCMathDFT::CalcPowerSpectrum(const Math::Vector& v, double fs)
{
  const size_t n = v.size();
  if (n == 0)
    return Math::Matrix(0, 0);
  Math::Vector centred(v);
  double mean = 0.0;
  for (size_t i = 0; i < n; ++i)
    mean += centred(i);
  mean /= static_cast<double>(n);
  for (size_t i = 0; i < n; ++i)
    centred(i) -= mean;
  Math::Vector kernel(3);
  kernel(0) = kernel(1) = kernel(2) = 1.0 / 3.0;
  const Math::Vector smoothed = TCMathUblasUtils::Convolve(centred, kernel);

  const int exponent = static_cast<int>(TCMathUtils::NextPowerOf2(static_cast<double>(n)));
  const size_t p = size_t(1) << exponent;
  std::vector<double> padded(p, 0.0);
  const size_t lead = (p - n) / 2;
  for (size_t i = 0; i < n; ++i)
    padded[lead + i] = smoothed(i);
  const std::vector<std::complex<double>> spectrum = ForwardOf(padded.data(), p);

  // Frequency k·fs/P: the same as (k/(H − 1))·fs/2 for P >= 2, and 0 for the
  // single bin of a one-sample signal (where that form would be 0/0).
  const size_t h = p / 2 + 1;
  Math::Matrix out(h, 2);
  for (size_t k = 0; k < h; ++k)
  {
    out(k, 0) = static_cast<double>(k) * fs / static_cast<double>(p);
    const double re = spectrum[k].real(), im = spectrum[k].imag();
    out(k, 1) = 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(n);
  }
  return out;
}

double TCMathDFT::CalcMaxFrequency(const Math::Vector& v, double fs)
{
  const Math::Matrix spectrum = CalcPowerSpectrum(v, fs);
  if (spectrum.size1() == 0)
    return kNaN;
  size_t best = 0;
  for (size_t k = 0; k < spectrum.size1(); ++k)
  {
    // A non-finite sample spreads over every bin: there is no dominant frequency.
    if (!std::isfinite(spectrum(k, 1)))
      return kNaN;
    if (spectrum(k, 1) > spectrum(best, 1))
      best = k;
  }
  return spectrum(best, 0);
}
