#pragma once
#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

namespace Math
{
/// Kind of a TCMathFilters::Butterworth filter.
enum EFilterTypes : int
{
  Lowpass = 0,
  Highpass = 1
};
} // namespace Math

/// Butterworth IIR filtering and a Fourier-domain band filter.
class TARVEKMATH_EXPORT TCMathFilters
{
public:
  virtual ~TCMathFilters();

  /// Causal Butterworth filtering of in into *out (resized to len(in)): one
  /// forward pass from a zero state. cutoff is a fraction of the sampling rate
  /// in (0, 0.5), order 1…12; the bilinear design has unit gain at DC
  /// (Lowpass) or at Nyquist (Highpass). Returns false, with out all zeros,
  /// for an order, cutoff or type outside those ranges or an empty input;
  /// false without writing for a null out. out may be &in.
  static bool Butterworth(int order, double cutoff, Math::EFilterTypes type, const Math::Vector& in,
                          Math::Vector* out);
  /// Band filter of a power-of-two-long signal with sampling rate fs: the
  /// spectral bins below low (when low > 0) or above high (when high > 0) are
  /// removed with their mirrors, and the mean is kept. power, when not null,
  /// receives Σ|X[k]|² over the kept bins k <= n/2 of the mean-free signal.
  /// A null out does nothing; an empty input, or one whose length is not a
  /// power of two, sets out's existing elements to 0 and leaves power alone.
  /// out may be &in.
  static void FrequencyFilter(double fs, double low, double high, const Math::Vector& in, Math::Vector* out,
                              double* power);

private:
  TCMathFilters() = default;
};
