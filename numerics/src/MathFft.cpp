#include "MathFft.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace _impl
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
// Each thread keeps up to 8 recent plans within 32 MB, and scratch of up to
// 2^20 values (16 MB); longer transforms make theirs per call.
constexpr size_t kCachedPlans = 8;
constexpr size_t kCachedPlanBytes = size_t(32) << 20;
constexpr size_t kMaxCachedScratch = size_t(1) << 20;

bool IsPowerOfTwo(size_t n) { return n != 0 && (n & (n - 1)) == 0; }

size_t PowerOfTwoAtLeast(size_t n)
{
  size_t p = 1;
  while (p < n)
  {
    if (p > (std::numeric_limits<size_t>::max() >> 1))
      throw std::length_error("FFT length too large");
    p <<= 1;
  }
  return p;
}

// Complex products written out: std::complex's operator* guards against
// NaN/infinity with a library call on every product, which blocks
// vectorisation and is not needed for finite twiddles.
inline void MulInPlace(double& re, double& im, double wr, double wi)
{
  const double r = re * wr - im * wi;
  im = re * wi + im * wr;
  re = r;
}

void Conjugate(std::complex<double>* a, size_t n)
{
  double* d = reinterpret_cast<double*>(a);
  for (size_t k = 0; k < n; ++k)
    d[2 * k + 1] = -d[2 * k + 1];
}
} // namespace

FftPlan::FftPlan(size_t n) : m_n(n)
{
  if (n == 0)
    throw std::length_error("FFT of no points");
  m_m = IsPowerOfTwo(n) ? n : PowerOfTwoAtLeast(2 * n - 1);
  if (m_m > (size_t(1) << 32))
    throw std::length_error("FFT length too large");

  // Stage twiddles, each from its own angle. A stage of length len uses
  // e^(−2πi·j/len) for j < len/2, stored contiguously for that stage.
  m_stage.resize(m_m > 1 ? m_m - 1 : 0);
  for (size_t len = 2; len <= m_m; len <<= 1)
  {
    const size_t half = len / 2;
    for (size_t j = 0; j < half; ++j)
    {
      const double angle = -2.0 * kPi * static_cast<double>(j) / static_cast<double>(len);
      m_stage[half - 1 + j] = {std::cos(angle), std::sin(angle)};
    }
  }
  m_bitrev.resize(m_m);
  unsigned bits = 0;
  while ((size_t(1) << bits) < m_m)
    ++bits;
  for (size_t i = 0; i < m_m; ++i)
  {
    size_t r = 0;
    for (unsigned b = 0; b < bits; ++b)
      r |= ((i >> b) & 1u) << (bits - 1 - b);
    m_bitrev[i] = static_cast<uint32_t>(r);
  }

  if (m_m == n)
    return;
  // Bluestein: jk = (k² + j² − (k − j)²)/2, so X[k] = c[k]·Σj (x[j]·c[j])·conj(c[k − j])
  // with c[k] = e^(−πi·k²/n), a convolution done by the radix-2 transform.
  // k² is reduced modulo 2n in integers before the angle is formed, so
  // large k lose no accuracy.
  m_chirp.resize(n);
  for (size_t k = 0; k < n; ++k)
  {
    const unsigned __int128 k2 = static_cast<unsigned __int128>(k) * k;
    const size_t r = static_cast<size_t>(k2 % (2 * static_cast<unsigned __int128>(n)));
    const double angle = -kPi * static_cast<double>(r) / static_cast<double>(n);
    m_chirp[k] = {std::cos(angle), std::sin(angle)};
  }
  m_filter.assign(m_m, {0.0, 0.0});
  m_filter[0] = std::conj(m_chirp[0]);
  for (size_t k = 1; k < n; ++k)
    m_filter[k] = m_filter[m_m - k] = std::conj(m_chirp[k]);
  Radix2(m_filter.data());
  // The 1/m of the inverse convolution transform is folded into the filter.
  const double scale = 1.0 / static_cast<double>(m_m);
  for (auto& f : m_filter)
    f *= scale;
}

size_t FftPlan::Bytes() const
{
  return (m_stage.size() + m_chirp.size() + m_filter.size()) * sizeof(std::complex<double>) +
         m_bitrev.size() * sizeof(uint32_t);
}

void FftPlan::Radix2(std::complex<double>* a) const
{
  const size_t m = m_m;
  for (size_t i = 0; i < m; ++i)
  {
    const size_t r = m_bitrev[i];
    if (i < r)
      std::swap(a[i], a[r]);
  }
  double* d = reinterpret_cast<double*>(a);
  const double* tw = reinterpret_cast<const double*>(m_stage.data());
  if (m >= 2)
  {
    // First stage: the only twiddle is 1.
    for (size_t i = 0; i < m; i += 2)
    {
      double* p = d + 2 * i;
      const double ur = p[0], ui = p[1], vr = p[2], vi = p[3];
      p[0] = ur + vr;
      p[1] = ui + vi;
      p[2] = ur - vr;
      p[3] = ui - vi;
    }
  }
  for (size_t len = 4; len <= m; len <<= 1)
  {
    const size_t half = len / 2;
    const double* w = tw + 2 * (half - 1);
    for (size_t i = 0; i < m; i += len)
    {
      double* p = d + 2 * i;
      double* q = p + 2 * half;
      for (size_t j = 0; j < half; ++j)
      {
        const double wr = w[2 * j], wi = w[2 * j + 1];
        const double xr = q[2 * j], xi = q[2 * j + 1];
        const double vr = xr * wr - xi * wi;
        const double vi = xr * wi + xi * wr;
        const double ur = p[2 * j], ui = p[2 * j + 1];
        p[2 * j] = ur + vr;
        p[2 * j + 1] = ui + vi;
        q[2 * j] = ur - vr;
        q[2 * j + 1] = ui - vi;
      }
    }
  }
}

void FftPlan::Forward(std::complex<double>* data, std::complex<double>* work) const
{
  if (m_chirp.empty())
  {
    Radix2(data);
    return;
  }
  const size_t n = m_n;
  double* wd = reinterpret_cast<double*>(work);
  const double* cd = reinterpret_cast<const double*>(m_chirp.data());
  const double* xd = reinterpret_cast<const double*>(data);
  for (size_t k = 0; k < n; ++k)
  {
    double re = xd[2 * k], im = xd[2 * k + 1];
    MulInPlace(re, im, cd[2 * k], cd[2 * k + 1]);
    wd[2 * k] = re;
    wd[2 * k + 1] = im;
  }
  std::fill(work + n, work + m_m, std::complex<double>(0.0, 0.0));
  Radix2(work);
  // Multiply by the filter's spectrum and transform back (conjugate, forward,
  // conjugate: the inverse without its scale, which the filter carries).
  const double* fd = reinterpret_cast<const double*>(m_filter.data());
  for (size_t k = 0; k < m_m; ++k)
  {
    MulInPlace(wd[2 * k], wd[2 * k + 1], fd[2 * k], fd[2 * k + 1]);
    wd[2 * k + 1] = -wd[2 * k + 1];
  }
  Radix2(work);
  double* od = reinterpret_cast<double*>(data);
  for (size_t k = 0; k < n; ++k)
  {
    double re = wd[2 * k], im = -wd[2 * k + 1];
    MulInPlace(re, im, cd[2 * k], cd[2 * k + 1]);
    od[2 * k] = re;
    od[2 * k + 1] = im;
  }
}

void FftPlan::Inverse(std::complex<double>* data, std::complex<double>* work) const
{
  // conj(F(conj(X))) is the unscaled inverse transform.
  Conjugate(data, m_n);
  Forward(data, work);
  const double scale = 1.0 / static_cast<double>(m_n);
  double* d = reinterpret_cast<double*>(data);
  for (size_t k = 0; k < m_n; ++k)
  {
    d[2 * k] *= scale;
    d[2 * k + 1] *= -scale;
  }
}

RealFftPlan::RealFftPlan(size_t n) : m_n(n), m_plan(n % 2 == 0 ? n / 2 : n)
{
  if (n % 2 != 0)
    return;
  m_split.resize(n / 2);
  for (size_t k = 0; k < n / 2; ++k)
  {
    const double angle = -2.0 * kPi * static_cast<double>(k) / static_cast<double>(n);
    m_split[k] = {std::cos(angle), std::sin(angle)};
  }
}

size_t RealFftPlan::WorkSize() const { return m_plan.WorkSize(); }
size_t RealFftPlan::Bytes() const { return m_plan.Bytes() + m_split.size() * sizeof(std::complex<double>); }

void RealFftPlan::Forward(const double* x, std::complex<double>* out, std::complex<double>* work) const
{
  const size_t n = m_n;
  if (n % 2 != 0)
  {
    for (size_t k = 0; k < n; ++k)
      out[k] = {x[k], 0.0};
    m_plan.Forward(out, work);
    return;
  }
  // z[j] = x[2j] + i·x[2j+1] transformed in the first half of out; with
  // E, O the spectra of the even and odd samples,
  //   E[k] = (Z[k] + conj(Z[h−k]))/2,  O[k] = (Z[k] − conj(Z[h−k]))/(2i),
  //   X[k] = E[k] + e^(−2πi·k/n)·O[k],  X[n−k] = conj(X[k]).
  const size_t h = n / 2;
  double* d = reinterpret_cast<double*>(out);
  for (size_t j = 0; j < n; ++j)
    d[j] = x[j];
  m_plan.Forward(out, work);
  const double* w = reinterpret_cast<const double*>(m_split.data());
  // Bins k and h − k read each other's Z: compute both before writing.
  const double z0r = d[0], z0i = d[1];
  for (size_t k = 1; 2 * k <= h; ++k)
  {
    const size_t q = h - k;
    const double ar = d[2 * k], ai = d[2 * k + 1]; // Z[k]
    const double br = d[2 * q], bi = d[2 * q + 1]; // Z[h − k]
    // k:    E = (Z[k] + conj Z[q])/2, O = (Z[k] − conj Z[q])/(2i)
    const double ekr = 0.5 * (ar + br), eki = 0.5 * (ai - bi);
    const double okr = 0.5 * (ai + bi), oki = -0.5 * (ar - br);
    // q:    E = (Z[q] + conj Z[k])/2, O = (Z[q] − conj Z[k])/(2i)
    const double eqr = ekr, eqi = -eki;
    const double oqr = okr, oqi = -oki;
    const double wkr = w[2 * k], wki = w[2 * k + 1];
    const double wqr = w[2 * q], wqi = w[2 * q + 1];
    const double xkr = ekr + (okr * wkr - oki * wki), xki = eki + (okr * wki + oki * wkr);
    const double xqr = eqr + (oqr * wqr - oqi * wqi), xqi = eqi + (oqr * wqi + oqi * wqr);
    d[2 * k] = xkr;
    d[2 * k + 1] = xki;
    d[2 * q] = xqr;
    d[2 * q + 1] = xqi;
  }
  out[0] = {z0r + z0i, 0.0};
  out[h] = {z0r - z0i, 0.0};
  for (size_t k = 1; k < h; ++k)
    out[n - k] = std::conj(out[k]);
}

namespace
{
// A few recently used plans per thread, most recent first.
template <typename Plan>
std::shared_ptr<const Plan> CachedPlan(size_t n)
{
  thread_local std::vector<std::shared_ptr<const Plan>> cache;
  for (size_t i = 0; i < cache.size(); ++i)
  {
    if (cache[i]->Size() == n)
    {
      std::rotate(cache.begin(), cache.begin() + static_cast<std::ptrdiff_t>(i),
                  cache.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return cache.front();
    }
  }
  auto plan = std::make_shared<const Plan>(n);
  if (plan->Bytes() > kCachedPlanBytes)
    return plan;
  cache.insert(cache.begin(), plan);
  size_t bytes = 0;
  for (const auto& p : cache)
    bytes += p->Bytes();
  while (cache.size() > kCachedPlans || bytes > kCachedPlanBytes)
  {
    bytes -= cache.back()->Bytes();
    cache.pop_back();
  }
  return plan;
}
} // namespace

std::shared_ptr<const FftPlan> GetFftPlan(size_t n) { return CachedPlan<FftPlan>(n); }
std::shared_ptr<const RealFftPlan> GetRealFftPlan(size_t n) { return CachedPlan<RealFftPlan>(n); }

namespace
{
// Scratch for one transform: a per-thread buffer reused across calls, or
// *local for transforms too long to keep scratch for.
std::complex<double>* Scratch(size_t size, std::vector<std::complex<double>>* local)
{
  thread_local std::vector<std::complex<double>> work;
  std::vector<std::complex<double>>& buffer = size <= kMaxCachedScratch ? work : *local;
  if (buffer.size() < size)
    buffer.resize(size);
  return buffer.data();
}
} // namespace

void RealForwardDft(const double* x, size_t n, std::complex<double>* out)
{
  const auto plan = GetRealFftPlan(n);
  std::vector<std::complex<double>> local;
  plan->Forward(x, out, Scratch(plan->WorkSize(), &local));
}

void ComplexInverseDft(std::complex<double>* data, size_t n)
{
  const auto plan = GetFftPlan(n);
  std::vector<std::complex<double>> local;
  plan->Inverse(data, Scratch(plan->WorkSize(), &local));
}
} // namespace _impl
