#pragma once
#include <pixolan/filters/TCPxFilterFactory.h>

/// Gaussian smoothing of the ROI (8-bit images through a float copy). The
/// reflect-101 border is used when the ROI lies at least k / 2 inside the
/// image, otherwise the border handling (wrap acts as reflect). Kernel sizes
/// that are not odd and positive do nothing.
class PIXOLAN_EXPORT TCPxFilterGauss : public TCPxKernelFilter
{
public:
  TCPxFilterGauss(int kernelSize, double sigma);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  void SetKernelSize(int kernelSize) override;
  void SetBorderHandling(Px::EBorderHandling border) { m_eBorder = border; }
  Px::EBorderHandling GetBorderHandling() const { return m_eBorder; }
  double GetSigma() const { return m_dSigma; }

private:
  double m_dSigma;
  Px::EBorderHandling m_eBorder = Px::BorderConstant;
  PX_FILTER_REGISTRAR
};

/// Difference of two Gaussians (kernel K(sigma1) - K(sigma2)) over the whole
/// image; 8-bit results are normalised to 0..255.
class PIXOLAN_EXPORT TCPxFilterDoG : public TCPxKernelFilter
{
public:
  TCPxFilterDoG(int kernelSize, double sigma1, double sigma2);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  /// Each setter replaces its sigma only while that sigma is greater than 0.
  void SetSigma1(double sigma);
  void SetSigma2(double sigma);
  void SetSigmas(double sigma1, double sigma2);
  double GetSigma1() const { return m_dSigma1; }
  double GetSigma2() const { return m_dSigma2; }
  void SetBorderHandling(Px::EBorderHandling border) { m_eBorder = border; }
  Px::EBorderHandling GetBorderHandling() const { return m_eBorder; }

private:
  double m_dSigma1;
  double m_dSigma2;
  Px::EBorderHandling m_eBorder = Px::BorderConstant;
  PX_FILTER_REGISTRAR
};
