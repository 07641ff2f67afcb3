#pragma once
#include <pixolan/filters/TCPxFilterFactory.h>

/// Rank filters over a k x k window. They write the (width - k) x (height - k)
/// pixels from (k / 2, k / 2), whose windows lie inside the image; the band
/// around them keeps its contents. A kernel size below 1 or an image not larger
/// than the kernel changes nothing.

/// Minimum (8-bit images).
class PIXOLAN_EXPORT TCPxFilterMin : public TCPxKernelFilter
{
public:
  explicit TCPxFilterMin(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Maximum (8-bit images).
class PIXOLAN_EXPORT TCPxFilterMax : public TCPxKernelFilter
{
public:
  explicit TCPxFilterMax(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Median: 8-bit images; 24-bit images by the colour vector median for kernel
/// sizes 3 and 5 and channel by channel otherwise.
class PIXOLAN_EXPORT TCPxFilterMedian : public TCPxKernelFilter
{
public:
  explicit TCPxFilterMedian(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Local range, maximum - minimum over the window centred on each pixel
/// (8-bit images); the band of k / 2 pixels around the edge becomes 0.
class PIXOLAN_EXPORT TCPxFilterRange : public TCPxKernelFilter
{
public:
  explicit TCPxFilterRange(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};
