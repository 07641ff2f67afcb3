#pragma once
#include <pixolan/filters/TCPxFilterFactory.h>

/// Canny edges (8-bit; float images through a normalised 8-bit copy of the ROI).
class PIXOLAN_EXPORT TCPxFilterCanny : public TCPxImageFilter
{
public:
  /// Thresholds 127 and 255.
  TCPxFilterCanny();
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  void UpdateThresholds(int first, int second);

private:
  int m_iFirst = 127;
  int m_iSecond = 255;
  PX_FILTER_REGISTRAR
};

/// Central differences (I(x+1) - I(x-1)) / 2 along rows or columns with
/// one-sided differences at the edges, or the magnitude of the 3 x 3 Sobel
/// pair (8-bit images through a float copy).
class PIXOLAN_EXPORT TCPxFilterGradient : public TCPxKernelFilter
{
public:
  TCPxFilterGradient(int kernelSize, Px::EGradient type);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  Px::EGradient GetType() const { return m_eType; }
  void SetType(Px::EGradient type) { m_eType = type; }

private:
  Px::EGradient m_eType;
  PX_FILTER_REGISTRAR
};

/// Magnitude of the 3 x 3 Sobel pair. An 8-bit source with a float destination
/// gives the float magnitude.
class PIXOLAN_EXPORT TCPxFilterGradientMagnitude : public TCPxKernelFilter
{
public:
  explicit TCPxFilterGradientMagnitude(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Fixed 3 x 3 (or 5 x 5 for k = 5) masks on 8-bit images with the rank
/// filters' geometry: Laplace (-1 ... 8 / 24 ...), low-pass (box mean) and
/// high-pass (centre 8 / 24, others -1).
class PIXOLAN_EXPORT TCPxFilterLaplace : public TCPxKernelFilter
{
public:
  explicit TCPxFilterLaplace(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

class PIXOLAN_EXPORT TCPxFilterLowpass : public TCPxKernelFilter
{
public:
  explicit TCPxFilterLowpass(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

class PIXOLAN_EXPORT TCPxFilterHighpass : public TCPxKernelFilter
{
public:
  explicit TCPxFilterHighpass(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// A fixed 9 x 9 contrast-enhancing kernel over the valid rectangle (8-bit).
class PIXOLAN_EXPORT TCPxFilterContrast : public TCPxKernelFilter
{
public:
  /// Kernel size 9; other sizes do nothing.
  TCPxFilterContrast();
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  /// Element (row, column) of the 9 x 9 kernel.
  static float KernelValue(int row, int column);
  PX_FILTER_REGISTRAR
};
