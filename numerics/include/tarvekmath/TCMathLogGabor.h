#pragma once
#include <memory>
#include <vector>

#include <tarvekmath/MathExport.h>

namespace _impl
{
struct TCMathLogGaborWork;
}

/// One-dimensional log-Gabor filter for signals of a fixed length N with the
/// envelope of its analytic response. The transform tables and scratch
/// buffers are made once in the constructor, so repeated responses allocate
/// only the returned vector. One object serves one thread at a time; copies
/// own their buffers.
class TARVEKMATH_EXPORT TCMathLogGabor
{
public:
  /// N samples per signal, centre wavelength in samples, bandwidth ratio
  /// σ/f0, and the number of lowest frequency bins (DC included) removed
  /// before filtering (0: none). N <= 0 gives a filter that accepts no signal.
  TCMathLogGabor(int N, double wavelength, double sigmaOnF, int cutoff);
  TCMathLogGabor(const TCMathLogGabor& other);
  TCMathLogGabor& operator=(const TCMathLogGabor& other);
  virtual ~TCMathLogGabor();

  /// Recomputes the gains from the parameters: bin i = 1..N/2 gets
  /// exp(−ln²((i/N)·wavelength) / (2·ln²(σ/f0))), DC and the negative
  /// frequencies 0.
  void CalculateKernel();
  /// Envelope |z| of the filtered analytic signal z at every sample. Negative
  /// frequencies are removed without doubling the positive ones, so this is
  /// half the usual analytic-signal magnitude. Empty when the signal does not
  /// have N samples.
  std::vector<double> CalculateResponse(const std::vector<double>& signal);
  /// The envelope at one sample; 0 when the signal does not have N samples or
  /// index is outside 0…N − 1.
  double CalculateResponseAt(const std::vector<double>& signal, int index);

private:
  // Fills the work buffer with z; false when the signal is not accepted.
  bool Transform(const std::vector<double>& signal);

  int m_n;
  double m_wavelength;
  double m_sigmaOnF;
  int m_cutoff;
  std::vector<double> m_gains; // gain per frequency bin 0..N−1
  std::unique_ptr<_impl::TCMathLogGaborWork> m_work;
};
