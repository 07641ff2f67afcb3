// Butterworth design by the bilinear transform, its transposed direct-form II
// filter, and the Fourier-domain band filter.
#include <tarvekmath/TCMathFilters.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <utility>
#include <vector>

#include <tarvekmath/TCMathDFT.h>

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxOrder = 12;

// (b, a) of the digital Butterworth filter of the given order, a[0] = 1.
// The analogue prototype's poles e^(iπ(2k + N + 1)/(2N)), k = 0..N−1, are
// scaled by the pre-warped cutoff tan(π·cutoff) and mapped by the bilinear
// transform z = (1 + s)/(1 − s). Low- and high-pass share these poles (the
// Butterworth pole set is its own reciprocal conjugate); the low-pass has its
// N zeros at z = −1, the high-pass at z = 1. The gain makes |H| = 1 at DC or
// at Nyquist.
void DesignButterworth(int order, double cutoff, bool highpass, std::vector<double>* b, std::vector<double>* a)
{
  const double warped = std::tan(kPi * cutoff);
  std::vector<std::complex<double>> poly(1, 1.0); // Π (1 − z_k·z⁻¹), in powers of z⁻¹
  for (int k = 0; k < order; ++k)
  {
    const double theta = kPi * (2.0 * k + order + 1) / (2.0 * order);
    const std::complex<double> s = warped * std::complex<double>(std::cos(theta), std::sin(theta));
    const std::complex<double> z = (1.0 + s) / (1.0 - s);
    poly.push_back(0.0);
    for (size_t i = poly.size() - 1; i > 0; --i)
      poly[i] -= z * poly[i - 1];
  }
  a->resize(order + 1);
  for (int i = 0; i <= order; ++i)
    (*a)[i] = poly[i].real(); // conjugate pairs: imaginary parts vanish
  // Numerator (1 ± z⁻¹)^N by binomial coefficients.
  b->assign(order + 1, 0.0);
  double c = 1.0;
  for (int i = 0; i <= order; ++i)
  {
    (*b)[i] = (highpass && (i % 2 == 1)) ? -c : c;
    c = c * (order - i) / (i + 1);
  }
  // Gain at z = 1 (DC) or z = −1 (Nyquist): Σ b / Σ a with alternating signs
  // for Nyquist. |Σ b| there is 2^N.
  double sumA = 0.0;
  for (int i = 0; i <= order; ++i)
    sumA += (highpass && (i % 2 == 1)) ? -(*a)[i] : (*a)[i];
  const double gain = sumA / std::ldexp(1.0, order);
  for (double& x : *b)
    x *= gain;
}
// Transposed direct form II from a zero state:
//   y = b0·x + s0;  s_i = b_{i+1}·x − a_{i+1}·y + s_{i+1},  s_N = 0.
// The order is a template argument so that the state lives in registers.
template <int N>
void FilterOfOrder(const double* b, const double* a, const double* x, double* y, size_t n)
{
  double bb[N + 1], aa[N + 1], s[N + 1] = {};
  for (int i = 0; i <= N; ++i)
  {
    bb[i] = b[i];
    aa[i] = a[i];
  }
  for (size_t t = 0; t < n; ++t)
  {
    const double xt = x[t];
    const double yt = bb[0] * xt + s[0];
    for (int i = 0; i < N; ++i)
      s[i] = bb[i + 1] * xt - aa[i + 1] * yt + s[i + 1];
    y[t] = yt;
  }
}

template <int... N>
void FilterDispatch(int order, const double* b, const double* a, const double* x, double* y, size_t n,
                    std::integer_sequence<int, N...>)
{
  ((order == N + 1 ? FilterOfOrder<N + 1>(b, a, x, y, n) : void()), ...);
}

void Filter(int order, const double* b, const double* a, const double* x, double* y, size_t n)
{
  FilterDispatch(order, b, a, x, y, n, std::make_integer_sequence<int, kMaxOrder>());
}
} // namespace

TCMathFilters::~TCMathFilters() = default;

bool TCMathFilters::Butterworth(int order, double cutoff, Math::EFilterTypes type, const Math::Vector& in,
                                Math::Vector* out)
{
  if (out == nullptr)
    return false;
  // Filtering in place (out == &in) works on a copy of the input.
  const Math::Vector copy = (out == &in) ? in : Math::Vector();
  const Math::Vector& source = (out == &in) ? copy : in;
  const size_t n = source.size();
  out->resize(n, false);
  std::fill(out->begin(), out->end(), 0.0);
  const bool highpass = type == Math::Highpass;
  if (order < 1 || order > kMaxOrder || !(cutoff > 0.0 && cutoff < 0.5) ||
      (type != Math::Lowpass && type != Math::Highpass) || n == 0)
    return false;
  std::vector<double> b, a;
  DesignButterworth(order, cutoff, highpass, &b, &a);

  Filter(order, b.data(), a.data(), &source(0), &(*out)(0), n);
  return true;
}

void TCMathFilters::FrequencyFilter(double fs, double low, double high, const Math::Vector& in, Math::Vector* out,
                                    double* power)
{
  if (out == nullptr)
    return;
  const size_t n = in.size();
  if (n == 0 || (n & (n - 1)) != 0)
  {
    std::fill(out->begin(), out->end(), 0.0);
    return;
  }
  double mean = 0.0;
  for (size_t i = 0; i < n; ++i)
    mean += in(i);
  mean /= static_cast<double>(n);
  Math::Vector centred(in);
  for (size_t i = 0; i < n; ++i)
    centred(i) -= mean;
  std::vector<std::complex<double>> spectrum = TCMathDFT::DFTFwd(centred);

  const size_t h = n / 2 + 1;
  double total = 0.0;
  for (size_t k = 0; k < h; ++k)
  {
    const double freq = static_cast<double>(k) * fs / static_cast<double>(n);
    if ((low > 0.0 && freq < low) || (high > 0.0 && freq > high))
    {
      spectrum[k] = 0.0;
      spectrum[(n - k) % n] = 0.0;
      continue;
    }
    const double re = spectrum[k].real(), im = spectrum[k].imag();
    total += re * re + im * im;
  }
  if (power != nullptr)
    *power = total;
  TCMathDFT::DFTInv(spectrum, out);
  for (size_t i = 0; i < n; ++i)
    (*out)(i) += mean;
}
