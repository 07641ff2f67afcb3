#pragma once
#include <memory>

#include <pixolan/filters/TCPxFilterFactory.h>

namespace cv
{
class Mat;
}

/// Convolution with a kernel image (8-bit or float). Full: the true
/// convolution into a destination of (w + kw - 1) x (h + kh - 1); same: the
/// correlation (kernel not flipped) of the source's size with reflect-101
/// borders; valid: nothing.
class PIXOLAN_EXPORT TCPxFilterConvolution : public TCPxImageFilter
{
public:
  /// Keeps its own copy of `kernel`; a null kernel makes the filter do nothing.
  TCPxFilterConvolution(const TCPxImageBase* kernel, Px::EConvolutionType type);
  TCPxFilterConvolution(const TCPxFilterConvolution& other);
  TCPxFilterConvolution& operator=(const TCPxFilterConvolution& other);
  ~TCPxFilterConvolution() override;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  /// The filter's copy of the kernel (null when built without one).
  const TCPxImageBase* GetKernel() const { return m_pKernel.get(); }

private:
  std::unique_ptr<TCPxImageBase> m_pKernel;
  std::shared_ptr<cv::Mat> m_pFloatKernel;
  Px::EConvolutionType m_eType;
  PX_FILTER_REGISTRAR
};

/// Spectrum view (8-bit): every pixel becomes 255 - |X(a, b)| (saturated), with
/// X the 2-D DFT of the image.
class PIXOLAN_EXPORT TCPxFilterFourier : public TCPxImageFilter
{
public:
  TCPxFilterFourier() = default;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Histogram equalisation of the ROI (8-bit).
class PIXOLAN_EXPORT TCPxFilterEqualizeHistogram : public TCPxImageFilter
{
public:
  TCPxFilterEqualizeHistogram() = default;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Adds Gaussian noise of the given mean and variance to the ROI (8-, 24- and
/// 32-bit images with saturation, float images unclamped). The generator is
/// process-wide, seeded once from the clock at load time unless
/// SetSeed fixes it, and safe to use from several threads.
class PIXOLAN_EXPORT TCPxFilterAddGaussianNoise : public TCPxImageFilter
{
public:
  TCPxFilterAddGaussianNoise(int mean, int variance);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  void SetMean(int mean) { m_iMean = mean; }
  void SetVariance(int variance) { m_iVariance = variance; }
  /// Restarts the shared generator from `seed` so that later noise repeats.
  static void SetSeed(unsigned int seed);

private:
  int m_iMean;
  int m_iVariance;
  PX_FILTER_REGISTRAR
};
