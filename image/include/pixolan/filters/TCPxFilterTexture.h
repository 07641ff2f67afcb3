#pragma once
#include <pixolan/filters/TCPxFilterFactory.h>

/// Corner strength: the smaller eigenvalue of the gradients' covariance over
/// 11 x 11 blocks (3 x 3 Sobel, reflect-101 borders), normalised to 0..255 over
/// the ROI. Float images keep the float map; 8-bit images receive it as bytes.
class PIXOLAN_EXPORT TCPxFilterAngularity : public TCPxImageFilter
{
public:
  TCPxFilterAngularity() = default;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Local Hurst exponent (8-bit): for each pixel at least k/2 from the border,
/// the log of the grey-level range over seven rings of distance 1 to sqrt(10)
/// is fitted against the log of the distance; the slope times 63.75 is stored,
/// truncated and saturated to 0..255. The band k/2 wide along the border
/// becomes 0. Kernel sizes below 7 (the rings reach 3 pixels) do nothing.
class PIXOLAN_EXPORT TCPxFilterHurst : public TCPxKernelFilter
{
public:
  explicit TCPxFilterHurst(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};
