#pragma once
#include <complex>
#include <vector>

#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Discrete Fourier transforms of any length (O(n log n) for every n) and the
/// amplitude spectrum of a real signal with its dominant frequency.
class TARVEKMATH_EXPORT TCMathDFT
{
public:
  virtual ~TCMathDFT();

  /// X[k] = Σj x[j]·e^(−2πi·jk/n), unscaled, as the full conjugate-symmetric
  /// spectrum of n values. Empty input gives an empty result.
  static std::vector<std::complex<double>> DFTFwd(const std::vector<double>& v);
  static std::vector<std::complex<double>> DFTFwd(const Math::Vector& v);
  /// Real parts of x[j] = (1/n)·Σk X[k]·e^(+2πi·jk/n). Empty input: empty result.
  static std::vector<double> DFTInv(const std::vector<std::complex<double>>& spectrum);
  /// As above into *out, resized to n. Empty input sets out's elements to 0
  /// (its length stays); a null out does nothing.
  static void DFTInv(const std::vector<std::complex<double>>& spectrum, Math::Vector* out);

  /// Single-sided amplitude spectrum of the mean-free, 3-tap smoothed signal,
  /// zero-padded (centred) to the power of two P >= n: an H×2 matrix with
  /// H = P/2 + 1, row k = (frequency k·fs/P, amplitude 2·|X[k]|/n). Empty
  /// input gives 0×0.
  static Math::Matrix CalcPowerSpectrum(const Math::Vector& v, double fs);
  /// Frequency of the largest amplitude of CalcPowerSpectrum (the lowest one
  /// on ties); with fs = 1 in cycles per sample, in [0, 0.5]. NaN for an empty
  /// input or a signal with non-finite samples.
  static double CalcMaxFrequency(const Math::Vector& v, double fs);

private:
  TCMathDFT() = default;
};
