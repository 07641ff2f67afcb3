#pragma once
#include <pixolan/filters/TCPxFilterFactory.h>

/// Keeps the colours of 24-bit pixels whose hue lies in [low, high] degrees and
/// turns all others black; kept pixels take their HSV round-trip colour.
class PIXOLAN_EXPORT TCPxFilterHueRange : public TCPxImageFilter
{
public:
  TCPxFilterHueRange(int low, int high);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

private:
  int m_iLow;
  int m_iHigh;
  PX_FILTER_REGISTRAR
};
