#pragma once
#include <memory>

#include <general/TCGenRect.h>
#include <pixolan/filters/TCPxFilterFactory.h>

class TCPx8bitImage;

/// Band threshold over the ROI: values in [lower, higher] become 255 (1.0 for
/// float images), all others 0. 8-bit with lower 0: every value <= higher
/// becomes 255, zero included. Colour images are thresholded per channel (a
/// channel value 0 stays 0); the fourth byte of 32-bit pixels is untouched.
/// Float: in-band values <= 0 keep their value. For byte images the rounded
/// thresholds are clamped to 0..255.
class PIXOLAN_EXPORT TCPxFilterDoubleThreshold : public TCPxImageFilter
{
public:
  TCPxFilterDoubleThreshold(double lower, double higher);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  /// The 8-bit threshold in place on `rect` (whole-image coordinates, clipped to the image).
  void Process8bitImageROI(std::shared_ptr<TCPx8bitImage> image, TCGenRect<int> rect) const;
  void UpdateLower(double lower);
  void UpdateHigher(double higher);
  void UpdateThresholds(double lower, double higher);
  double GetLower() const { return m_dLower; }
  double GetHigher() const { return m_dHigher; }
  int GetLowerRounded() const { return m_iLower; }
  int GetHigherRounded() const { return m_iHigher; }

private:
  double m_dLower;
  double m_dHigher;
  int m_iLower;
  int m_iHigher;
  PX_FILTER_REGISTRAR
};
