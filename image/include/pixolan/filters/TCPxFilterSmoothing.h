#pragma once
#include <vector>

#include <pixolan/filters/TCPxFilterFactory.h>

/// Edge-preserving bilateral smoothing over the valid rectangle: 8-bit images,
/// and 24-bit images in Lab space channel by channel (value sigma 150,
/// position sigma 3).
class PIXOLAN_EXPORT TCPxFilterBilateral : public TCPxKernelFilter
{
public:
  explicit TCPxFilterBilateral(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Kuwahara filter (8-bit): each pixel takes the mean of the (b + 1)^2 quadrant
/// of its window (b = k / 2) with the least variance; ties prefer top-left,
/// then top-right, bottom-left, bottom-right.
class PIXOLAN_EXPORT TCPxFilterKuwahara : public TCPxKernelFilter
{
public:
  explicit TCPxFilterKuwahara(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Symmetric nearest neighbour (8-bit): of every pair of pixels opposite about
/// the centre of the (2r + 1)^2 window (r = k / 2 + 1), the one closer to the
/// centre value (the second on ties); output the integer mean of the 2r^2 + r + 1 choices.
class PIXOLAN_EXPORT TCPxFilterSNN : public TCPxKernelFilter
{
public:
  explicit TCPxFilterSNN(int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};

/// Perona-Malik diffusion (8-bit): 100 iterations with flux g * exp(-0.025 |g|).
class PIXOLAN_EXPORT TCPxFilterPMDiffusion : public TCPxImageFilter
{
public:
  TCPxFilterPMDiffusion() = default;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  PX_FILTER_REGISTRAR
};
