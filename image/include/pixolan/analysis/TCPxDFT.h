#pragma once
#include <complex>
#include <vector>

#include <general/TCGenPoint.h>
#include <pixolan/PxExport.h>

class TCPxContour;

/// Fourier descriptors of contours.
class PIXOLAN_EXPORT TCPxDFT
{
public:
  TCPxDFT() = delete;
  using TCoefs = std::vector<std::complex<float>>;

  /// Normalised descriptors of the outline in image coordinates: `ref` (image
  /// coordinates) chooses the start point (see TCPxContour::CalcNormalizedDftCoefs).
  static void CalcNormalizedDftCoefs(const TCPxContour& c, const TCGenPoint<double>& ref, TCoefs* X, TCoefs* Y);
  /// Low-pass copy keeping harmonics 0 ... `harmonics` (the caller owns it).
  static TCPxContour* CreateContourDFT(const TCPxContour& c, int harmonics);
  /// The same by value.
  static TCPxContour MakeContourDFT(const TCPxContour& c, int harmonics);
  /// Outline of `n` points from coefficients (the caller owns it). X and Y are
  /// the first half of a spectrum (indices 0 ... N/2); every coefficient
  /// after the first counts twice, for its conjugate partner. A full spectrum
  /// gives the outline doubled about its centroid.
  static TCPxContour* CreateContourFromDftCoefs(int n, const TCoefs& X, const TCoefs& Y);
};
