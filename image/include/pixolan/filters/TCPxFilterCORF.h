#pragma once
#include <vector>

#include <pixolan/filters/TCPxFilterFactory.h>

/// Contour operator: at every pixel, the strongest over 16 orientations of the
/// weighted geometric mean of blurred, shifted half-wave difference-of-Gaussians
/// responses (on and off polarity) sampled on circles around the pixel. The
/// sampling positions (the tuples) come from the response to a straight edge,
/// chosen by sigma (1 to 5): radii and half-size H per band of sigma.
///
/// Float images: the response of the ROI (input scaled by 1/255) is written to
/// the destination's (or the source's) ROI; the source is not changed when a
/// destination is given. 8-bit images: the response is normalised to 0..255
/// and stored as bytes; an 8-bit source with a float destination of the same
/// size receives the float response itself (an exception to the rule that a
/// destination has the source's class). Other types do nothing.
class PIXOLAN_EXPORT TCPxFilterCORF : public TCPxImageFilter
{
public:
  /// One sampling position: polarity 0 on, 1 off; sigma; radius rho (pixels);
  /// angle phi (radians).
  struct Tuple
  {
    int polarity;
    double sigma;
    double rho;
    double phi;
  };

  /// sigma 2.5: radii (3.0515, 6.1992, 12.6488, 24.62), H = 26.
  TCPxFilterCORF();
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

  double GetSigma() const { return m_dSigma; }
  /// Only while the current sigma lies in [1, 5]: stores `sigma` and
  /// reconfigures (a new sigma outside [1, 5] keeps the radii, H and the
  /// largest radius, and later calls do nothing).
  void SetSigma(double sigma);
  /// Chooses the radii by sigma and derives the tuples from the response to a
  /// synthetic edge.
  void Configure();

  const std::vector<double>& GetRadii() const { return m_radii; }
  const std::vector<Tuple>& GetTuples() const { return m_tuples; }
  double GetMaxRadius() const { return m_dMaxRadius; }
  int GetHalfSize() const { return m_iHalfSize; }
  double GetSigmaRatio() const { return m_dSigmaRatio; }

private:
  double m_dSigma = 2.5;
  double m_dSigmaRatio = 0.5;
  std::vector<double> m_radii;
  std::vector<Tuple> m_tuples;
  double m_dMaxRadius = 0;
  int m_iHalfSize = 0;
  PX_FILTER_REGISTRAR
};
