#pragma once
#include <pixolan/filters/TCPxFilterFactory.h>

/// Fixed-kernel derivative and smoothing filters over the whole image with a
/// replicated border. Kernel size 5 selects the 5 x 5 kernel, any other value
/// the 3 x 3 one (Scharr is always 3 x 3). On 8-bit images the derivative
/// kernels store round(response / divisor), saturated to -128..127, plus 128,
/// so that zero response reads 128; Lowpass and Sharpen store plain bytes
/// (Sharpen leaves the one-pixel frame unwritten). Float images receive the
/// unscaled response; Sharpen does not apply to them.
class PIXOLAN_EXPORT TCPxFilterFixed : public TCPxKernelFilter
{
public:
  TCPxFilterFixed(Px::EFixedFilters type, int kernelSize);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  Px::EFixedFilters GetType() const { return m_eType; }

private:
  void ProcessImage8(TCPxImageBase* source, TCPxImageBase* destination) const;
  void ProcessImage32f(TCPxImageBase* source, TCPxImageBase* destination) const;

  Px::EFixedFilters m_eType;
  PX_FILTER_REGISTRAR
};
