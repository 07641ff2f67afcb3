#pragma once
#include <memory>

#include <pixolan/filters/TCPxFilterFactory.h>

class TCPxFilterConvolution;

/// Oriented band-pass filter with a spatial Gabor kernel: an N x N cosine
/// wave of wavelength lambda (pixels) along orientation theta (radians) under
/// a Gaussian envelope whose width follows from the bandwidth (octaves) and
/// whose aspect ratio is gamma; the positive and negative lobes are balanced
/// so that the kernel sums to zero. Float images are correlated with the
/// kernel (reflect-101 borders); 8-bit images through a float copy that is
/// then normalised to 0..1 and stored as bytes (0 or 1).
class PIXOLAN_EXPORT TCPxFilterGabor2D : public TCPxImageFilter
{
public:
  /// N = 100, lambda = 8, theta = pi/2, psi = 0, gamma = 0.5, bandwidth 1 octave.
  TCPxFilterGabor2D();
  TCPxFilterGabor2D(const TCPxFilterGabor2D& other);
  TCPxFilterGabor2D& operator=(const TCPxFilterGabor2D& other);
  ~TCPxFilterGabor2D() override;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

  // Each setter stores the value and rebuilds the kernel. A value that would
  // give an empty or undefined kernel (size < 1 or > 2048, wavelength or
  // bandwidth <= 0, or not finite) is ignored.
  void SetFilterSize(int size);
  void SetWaveLength(double lambda);
  void SetOrientation(double theta);
  void SetPhaseOffset(double psi);
  void SetAspectRatio(double gamma);
  void SetBandWidth(double octaves);
  double GetBandWidth() const { return m_dBandWidth; }
  /// The current kernel (float, N x N).
  const TCPxImageBase* GetKernel() const;
  /// Rebuilds the kernel from the parameters.
  void CalculateKernel();

private:
  std::unique_ptr<TCPxFilterConvolution> m_pConvolution;
  int m_iFilterSize = 100;
  double m_dWaveLength = 8.0;
  double m_dOrientation;
  double m_dPhaseOffset = 0.0;
  double m_dAspectRatio = 0.5;
  double m_dBandWidth = 1.0;
  PX_FILTER_REGISTRAR
};

/// Oriented band-pass filter with a log-Gabor kernel built in the frequency
/// domain: a radial log-Gaussian around 1/lambda (bandwidth ratio sigmaOnf)
/// times an angular Gaussian around theta0 (spread sigmaTheta), brought to the
/// spatial domain by an inverse DFT with its centre at pixel (N/2, N/2).
/// Filtering as TCPxFilterGabor2D.
class PIXOLAN_EXPORT TCPxFilterLogGabor2D : public TCPxImageFilter
{
public:
  /// N = 16, lambda = 5, theta0 = pi/2, sigmaTheta = 0.4363, sigmaOnf = 0.55.
  TCPxFilterLogGabor2D();
  TCPxFilterLogGabor2D(const TCPxFilterLogGabor2D& other);
  TCPxFilterLogGabor2D& operator=(const TCPxFilterLogGabor2D& other);
  ~TCPxFilterLogGabor2D() override;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

  // Each setter stores the value and rebuilds the kernel. A value that would
  // give an empty or undefined kernel (size < 1 or > 2048, wavelength <= 0,
  // sigmaTheta = 0, sigmaOnf <= 0 or = 1, or not finite) is ignored.
  void SetFilterSize(int size);
  void SetWaveLength(double lambda);
  void SetOrientation(double theta0);
  void SetSigmaTheta(double sigmaTheta);
  void SetSigmaOnf(double sigmaOnf);
  double GetWaveLength() const { return m_dWaveLength; }
  double GetOrientation() const { return m_dOrientation; }
  double GetSigmaTheta() const { return m_dSigmaTheta; }
  double GetSigmaOnf() const { return m_dSigmaOnf; }
  /// Copy of the current kernel (N x N); the caller owns it.
  TCPxFloatImage* GetKernel() const;
  /// Rebuilds the kernel from the parameters.
  void CalculateKernel();

private:
  std::unique_ptr<TCPxFilterConvolution> m_pConvolution;
  int m_iFilterSize = 16;
  double m_dWaveLength = 5.0;
  double m_dOrientation;
  double m_dSigmaTheta = 0.4363;
  double m_dSigmaOnf = 0.55;
  PX_FILTER_REGISTRAR
};
