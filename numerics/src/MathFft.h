#pragma once
// Complex FFT of any length for the numerics library (internal, not installed).
// Powers of two run an iterative radix-2 transform; every other length runs
// Bluestein's chirp-z algorithm over a power-of-two transform of at least
// 2n − 1 points, so every length costs O(n log n). All twiddles and chirps are
// computed directly from their angle in double (no recurrence), which keeps
// the error at rounding level for every length.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace _impl
{
class FftPlan
{
public:
  /// Plan for n >= 1 points. Throws std::length_error for lengths whose
  /// transform could not be indexed.
  explicit FftPlan(size_t n);

  size_t Size() const { return m_n; }
  /// Complex values of scratch that Forward and Inverse need (0 for powers of two).
  size_t WorkSize() const { return m_chirp.empty() ? 0 : m_m; }
  /// Bytes held by the plan's tables.
  size_t Bytes() const;

  /// In place: data[k] = Σj data[j]·e^(−2πi·jk/n), unscaled. work holds at
  /// least WorkSize() values.
  void Forward(std::complex<double>* data, std::complex<double>* work) const;
  /// In place: data[j] = (1/n)·Σk data[k]·e^(+2πi·jk/n).
  void Inverse(std::complex<double>* data, std::complex<double>* work) const;

private:
  // Unscaled forward radix-2 transform of m_m points in place.
  void Radix2(std::complex<double>* a) const;

  size_t m_n = 0;
  size_t m_m = 0;                             // radix-2 length: n itself or Bluestein's
  std::vector<std::complex<double>> m_stage;  // stage twiddles: e^(−2πi·j/len) at (len/2 − 1) + j
  std::vector<uint32_t> m_bitrev;             // bit-reversed index of every position
  std::vector<std::complex<double>> m_chirp;  // Bluestein: e^(−πi·k²/n), k < n
  std::vector<std::complex<double>> m_filter; // Bluestein: transform of the conjugate chirp, / m
};

/// Forward transform of n real samples: for even n one complex transform of
/// n/2 points over the samples taken in pairs, then the split into the even
/// and odd halves' spectra; odd n run the complex transform of n points.
class RealFftPlan
{
public:
  explicit RealFftPlan(size_t n);

  size_t Size() const { return m_n; }
  /// Complex values of scratch that Forward needs.
  size_t WorkSize() const;
  size_t Bytes() const;
  /// out[k] = Σj x[j]·e^(−2πi·jk/n) for k < n (the full spectrum), unscaled.
  void Forward(const double* x, std::complex<double>* out, std::complex<double>* work) const;

private:
  size_t m_n;
  FftPlan m_plan;                            // n/2 points for even n, else n
  std::vector<std::complex<double>> m_split; // even n: e^(−2πi·k/n), k < n/2
};

/// A plan for n points from a small per-thread cache of recently used lengths,
/// so that repeated transforms of one length do not recompute their tables.
std::shared_ptr<const FftPlan> GetFftPlan(size_t n);
std::shared_ptr<const RealFftPlan> GetRealFftPlan(size_t n);

/// Unscaled forward DFT of n real samples into n complex values (the full,
/// conjugate-symmetric spectrum). n >= 1.
void RealForwardDft(const double* x, size_t n, std::complex<double>* out);
/// In place inverse DFT of n complex values, scaled by 1/n. n >= 1.
void ComplexInverseDft(std::complex<double>* data, size_t n);
} // namespace _impl
