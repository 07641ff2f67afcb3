#pragma once
#include <opencv2/core/mat.hpp>

#include <pixolan/filters/TCPxFilterFactory.h>

class TCPxContour;

/// HSV colour keying of 24-bit images: pixels whose hue, saturation and value
/// lie inside the box (bounds inclusive) keep their colour, all others become
/// black. Hue in degrees: the bounds are halved (integer division) onto the
/// 0 ... 179 scale of the conversion; a high bound above 359 means a range
/// through 0 (350 ... 370 keeps 350° to 10°). Saturation and value 0 ... 255.
/// With the input-is-HSV flag the pixels are taken as H, S, V as they are.
/// The HSV matrix and masks are cached per image size.
class PIXOLAN_EXPORT TCPxFilterHSV : public TCPxImageFilter
{
public:
  /// Saturation and value 0 ... 256 (everything).
  TCPxFilterHSV(int hueLow, int hueHigh);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

  int GetHueLow() const { return m_iHueLow; }
  int GetHueHigh() const { return m_iHueHigh; }
  void SetHueInterval(int low, int high);
  int GetSaturationLow() const { return m_iSatLow; }
  int GetSaturationHigh() const { return m_iSatHigh; }
  void SetSaturationInterval(int low, int high);
  int GetValueLow() const { return m_iValLow; }
  int GetValueHigh() const { return m_iValHigh; }
  void SetValueInterval(int low, int high);
  bool IsInputHsv() const { return m_bInputHsv; }
  void SetInputHsv(bool hsv) { m_bInputHsv = hsv; }

private:
  int m_iHueLow;
  int m_iHueHigh;
  int m_iSatLow = 0;
  int m_iSatHigh = 256;
  int m_iValLow = 0;
  int m_iValHigh = 256;
  // Working buffers: values owned by each object (copies get their own).
  mutable cv::Mat m_hsv;
  mutable cv::Mat m_mask;
  mutable cv::Mat m_maskB;
  bool m_bInputHsv = false;
  PX_FILTER_REGISTRAR
};

/// 24-bit pixels to hue (channel 0, 0 ... 180, two degrees per unit),
/// saturation and value, as TCPxConversion::Rgb2Hsv; a destination first
/// receives a copy of the whole source.
class PIXOLAN_EXPORT TCPxFilterRGB2HSV : public TCPxImageFilter
{
public:
  TCPxFilterRGB2HSV();
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

private:
  PX_FILTER_REGISTRAR
};

/// Per-channel gain of 24-bit images: each factor f in 0 ... 1 scales its
/// channel by int(f × 255) / 255 (factors outside are clamped to that byte).
/// A destination first receives a copy of the whole source.
class PIXOLAN_EXPORT TCPxFilterRGBChannelMixer : public TCPxImageFilter
{
public:
  TCPxFilterRGBChannelMixer(double red, double green, double blue);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

  double GetFactorRed() const { return m_dRed; }
  void SetFactorRed(double f) { m_dRed = f; }
  double GetFactorGreen() const { return m_dGreen; }
  void SetFactorGreen(double f) { m_dGreen = f; }
  double GetFactorBlue() const { return m_dBlue; }
  void SetFactorBlue(double f) { m_dBlue = f; }

private:
  double m_dRed;
  double m_dGreen;
  double m_dBlue;
  PX_FILTER_REGISTRAR
};

/// Carries the parameters of a pyramid segmentation and a result contour
/// (not owned); processing accepts 8-bit and 24-bit images and changes no
/// pixels.
class PIXOLAN_EXPORT TCPxFilterPyrSegmentation : public TCPxImageFilter
{
public:
  TCPxFilterPyrSegmentation(int level, int threshold1, int threshold2);
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

  int GetLevel() const { return m_iLevel; }
  void SetLevel(int level) { m_iLevel = level; }
  int GetThreshold1() const { return m_iThreshold1; }
  void SetThreshold1(int t) { m_iThreshold1 = t; }
  int GetThreshold2() const { return m_iThreshold2; }
  void SetThreshold2(int t) { m_iThreshold2 = t; }
  TCPxContour* GetContour() const { return m_pContour; }
  void SetContour(TCPxContour* contour) { m_pContour = contour; }

private:
  int m_iLevel;
  int m_iThreshold1;
  int m_iThreshold2;
  TCPxContour* m_pContour = nullptr;
  PX_FILTER_REGISTRAR
};
