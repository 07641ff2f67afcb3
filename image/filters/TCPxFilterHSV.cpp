#include <pixolan/filters/TCPxFilterHSV.h>

#include <tuple>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPxConversion.h>

#include "PxFilterSupport.h"

using HSVCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterHSV, int, int>;
PX_REGISTER_FILTER(TCPxFilterHSV, HSV, HSVCreator,
                   "keeps the colours inside an HSV box (hue may wrap through 0), blackens the others",
                   PxFilterTable::Accepts({ImageType24bit}),
                   PxFilterTable::Integer("hueLow", "lowest hue kept, degrees", 0, 0, 719),
                   PxFilterTable::Integer("hueHigh", "highest hue kept, degrees (above 359: through 0)", 60, 0, 719))

using RGB2HSVCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterRGB2HSV>;
PX_REGISTER_FILTER(TCPxFilterRGB2HSV, RGB2HSV, RGB2HSVCreator,
                   "colour pixels to hue (0..180), saturation and value", PxFilterTable::Accepts({ImageType24bit}))

using MixerCreator = of_internal::TCGenOfCreator3<TCPxImageFilter, TCPxFilterRGBChannelMixer, double, double, double>;
PX_REGISTER_FILTER(TCPxFilterRGBChannelMixer, RGBChannelMixer, MixerCreator,
                   "scales the red, green and blue channels by factors 0..1", PxFilterTable::Accepts({ImageType24bit}),
                   PxFilterTable::Real("red", "red gain", 1.0, 0.0, 1.0),
                   PxFilterTable::Real("green", "green gain", 1.0, 0.0, 1.0),
                   PxFilterTable::Real("blue", "blue gain", 1.0, 0.0, 1.0))

using PyrSegmentationCreator =
    of_internal::TCGenOfCreator3<TCPxImageFilter, TCPxFilterPyrSegmentation, int, int, int>;
PX_REGISTER_FILTER(TCPxFilterPyrSegmentation, PyrSegmentation, PyrSegmentationCreator,
                   "carries pyramid-segmentation parameters and a result contour; changes no pixels",
                   PxFilterTable::Accepts({ImageType8bit, ImageType24bit}),
                   PxFilterTable::Integer("level", "pyramid levels", 4, 1, 16),
                   PxFilterTable::Integer("threshold1", "linking threshold", 255, 0, 255),
                   PxFilterTable::Integer("threshold2", "clustering threshold", 30, 0, 255))

// ---- HSV keying ------------------------------------------------------------------------------
TCPxFilterHSV::TCPxFilterHSV(int hueLow, int hueHigh) : m_iHueLow(hueLow), m_iHueHigh(hueHigh)
{
}

void TCPxFilterHSV::SetHueInterval(int low, int high)
{
  m_iHueLow = low;
  m_iHueHigh = high;
}

void TCPxFilterHSV::SetSaturationInterval(int low, int high)
{
  m_iSatLow = low;
  m_iSatHigh = high;
}

void TCPxFilterHSV::SetValueInterval(int low, int high)
{
  m_iValLow = low;
  m_iValHigh = high;
}

void TCPxFilterHSV::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType24bit || !_impl::DestinationFits(*source, destination))
    return;
  cv::Mat output = _impl::WholeView(*_impl::Target(source, destination));
  // In place the input must survive the copy below: work from a copy.
  const cv::Mat input = destination ? _impl::WholeView(*source) : output.clone();
  if (m_mask.size() != input.size())
  {
    m_hsv.create(input.size(), CV_8UC3);
    m_mask.create(input.size(), CV_8U);
    m_maskB.create(input.size(), CV_8U);
  }
  const cv::Mat* hsv = &input;
  if (!m_bInputHsv)
  {
    cv::cvtColor(input, m_hsv, cv::COLOR_BGR2HSV);
    hsv = &m_hsv;
  }
  if (destination)
    input.copyTo(output);

  const int low = m_iHueLow / 2;
  if (m_iHueHigh <= 359)
  {
    cv::inRange(*hsv, cv::Scalar(low, m_iSatLow, m_iValLow), cv::Scalar(m_iHueHigh / 2, m_iSatHigh, m_iValHigh),
                m_mask);
    cv::bitwise_not(m_mask, m_mask);
  }
  else
  {
    // Outside both [low, 255] and [0, (high - 360) / 2] in hue.
    cv::inRange(*hsv, cv::Scalar(low, m_iSatLow, m_iValLow), cv::Scalar(255, m_iSatHigh, m_iValHigh), m_mask);
    cv::bitwise_not(m_mask, m_mask);
    cv::inRange(*hsv, cv::Scalar(0, m_iSatLow, m_iValLow),
                cv::Scalar((m_iHueHigh - 360) / 2, m_iSatHigh, m_iValHigh), m_maskB);
    cv::bitwise_not(m_maskB, m_maskB);
    cv::bitwise_and(m_mask, m_maskB, m_mask);
  }
  output.setTo(cv::Scalar::all(0), m_mask);
}

// ---- RGB to HSV --------------------------------------------------------------------------------
TCPxFilterRGB2HSV::TCPxFilterRGB2HSV() = default;

void TCPxFilterRGB2HSV::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType24bit || !_impl::DestinationFits(*source, destination))
    return;
  auto* target = static_cast<TCPx24bitImage*>(_impl::Target(source, destination));
  if (destination)
    _impl::WholeView(*source).copyTo(_impl::WholeView(*destination));
  TCPxConversion::Rgb2Hsv(target);
}

// ---- channel mixer -----------------------------------------------------------------------------
TCPxFilterRGBChannelMixer::TCPxFilterRGBChannelMixer(double red, double green, double blue)
    : m_dRed(red), m_dGreen(green), m_dBlue(blue)
{
}

void TCPxFilterRGBChannelMixer::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType24bit || !_impl::DestinationFits(*source, destination))
    return;
  auto* target = static_cast<TCPx24bitImage*>(_impl::Target(source, destination));
  if (destination)
    _impl::WholeView(*source).copyTo(_impl::WholeView(*destination));
  // The first factor scales the blue byte.
  *target *= std::make_tuple(m_dBlue, m_dGreen, m_dRed);
}

// ---- pyramid segmentation --------------------------------------------------------------------
TCPxFilterPyrSegmentation::TCPxFilterPyrSegmentation(int level, int threshold1, int threshold2)
    : m_iLevel(level), m_iThreshold1(threshold1), m_iThreshold2(threshold2)
{
}

void TCPxFilterPyrSegmentation::ProcessImage(TCPxImageBase*, TCPxImageBase*) const
{
}
