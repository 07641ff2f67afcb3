#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/filters/TCPxFilterHueRange.h>
#include <pixolan/model/TCPx8bitImage.h>

#include <algorithm>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>

#include "PxFilterSupport.h"
#include "primitives/PxFilterPrimitives.h"

using DoubleThresholdCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterDoubleThreshold, double, double>;
PX_REGISTER_FILTER(TCPxFilterDoubleThreshold, DoubleThreshold, DoubleThresholdCreator,
                   "pixels of the ROI inside [lower, higher] become 255 (1 for float), the others 0",
                   PxFilterTable::Accepts({ImageType8bit, ImageType24bit, ImageType32bit, ImageTypeFloat}),
                   PxFilterTable::Real("lower", "lowest value kept", 128),
                   PxFilterTable::Real("higher", "highest value kept", 255))

namespace
{
std::uint8_t ClampByte(int v)
{
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// The byte band threshold: v < lower or v > higher -> 0, others kept, then
// every non-zero value -> 255; that is 255 exactly for lo <= v <= hi with the
// band returned here (empty when lo > hi). Grey images with lower 0 treat every
// value <= higher as in band, zero included, as long as higher > 0.
std::pair<std::uint8_t, std::uint8_t> ByteBand(std::uint8_t lower, std::uint8_t higher, bool zeroAsLowerBound)
{
  if (zeroAsLowerBound && lower == 0)
    return higher > 0 ? std::make_pair(std::uint8_t(0), higher) : std::make_pair(std::uint8_t(1), std::uint8_t(0));
  return {std::max<std::uint8_t>(lower, 1), higher};
}
} // namespace

TCPxFilterDoubleThreshold::TCPxFilterDoubleThreshold(double lower, double higher)
{
  UpdateThresholds(lower, higher);
}

void TCPxFilterDoubleThreshold::UpdateLower(double lower)
{
  m_dLower = lower;
  m_iLower = TCGenMathUtils::Round(lower);
}

void TCPxFilterDoubleThreshold::UpdateHigher(double higher)
{
  m_dHigher = higher;
  m_iHigher = TCGenMathUtils::Round(higher);
}

void TCPxFilterDoubleThreshold::UpdateThresholds(double lower, double higher)
{
  UpdateLower(lower);
  UpdateHigher(higher);
}

void TCPxFilterDoubleThreshold::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  const NPxImageTypes type = source->GetImageType();
  if (type != ImageType8bit && type != ImageType24bit && type != ImageType32bit && type != ImageTypeFloat)
    return;
  TCPxImageBase* target = source;
  if (destination)
  {
    cv::Mat to = _impl::WholeView(*destination);
    _impl::WholeView(*source).copyTo(to);
    target = destination;
  }
  cv::Mat roi = _impl::RegionView(*target, _impl::RoiRect(*target));
  if (roi.empty())
    return;
  if (type == ImageTypeFloat)
  {
    const float lo = static_cast<float>(m_dLower), hi = static_cast<float>(m_dHigher);
    for (int y = 0; y < roi.rows; ++y)
    {
      float* p = roi.ptr<float>(y);
      for (int x = 0; x < roi.cols; ++x)
      {
        float v = (p[x] < lo || p[x] > hi) ? 0.0f : p[x];
        p[x] = v > 0.0f ? 1.0f : v;
      }
    }
    return;
  }
  const auto band = ByteBand(ClampByte(m_iLower), ClampByte(m_iHigher), type == ImageType8bit);
  PxPrim::BandMaskRows(roi, type == ImageType32bit ? 3 : roi.channels(), band.first, band.second);
}

void TCPxFilterDoubleThreshold::Process8bitImageROI(std::shared_ptr<TCPx8bitImage> image, TCGenRect<int> rect) const
{
  if (!image)
    return;
  if (!rect.SetIntersect(TCGenRect<int>(0, 0, image->GetWidth(), image->GetHeight())))
    return;
  const auto band = ByteBand(ClampByte(m_iLower), ClampByte(m_iHigher), true);
  cv::Mat region = _impl::RegionView(*image, cv::Rect(rect.GetLeft(), rect.GetTop(), rect.GetWidth(), rect.GetHeight()));
  PxPrim::BandMaskRows(region, 1, band.first, band.second);
}

// ---- HueRange ----------------------------------------------------------------------------
using HueRangeCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterHueRange, int, int>;
PX_REGISTER_FILTER(TCPxFilterHueRange, HueRange, HueRangeCreator,
                   "keeps the pixels whose hue lies in [low, high] degrees, blackens the others",
                   PxFilterTable::Accepts({ImageType24bit}),
                   PxFilterTable::Integer("low", "lowest hue kept, degrees", 0, 0, 360),
                   PxFilterTable::Integer("high", "highest hue kept, degrees", 60, 0, 360))

TCPxFilterHueRange::TCPxFilterHueRange(int low, int high) : m_iLow(low), m_iHigh(high)
{
}

void TCPxFilterHueRange::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType24bit || !_impl::DestinationFits(*source, destination))
    return;
  cv::Mat image = _impl::WholeView(*_impl::Target(source, destination));
  if (destination)
    _impl::WholeView(*source).copyTo(image);
  cv::Mat hsv;
  cv::cvtColor(image, hsv, cv::COLOR_BGR2HSV);
  const int low = m_iLow / 2, high = m_iHigh / 2;
  for (int y = 0; y < hsv.rows; ++y)
  {
    cv::Vec3b* p = hsv.ptr<cv::Vec3b>(y);
    for (int x = 0; x < hsv.cols; ++x)
      if (p[x][0] < low || p[x][0] > high)
        p[x] = cv::Vec3b(0, 0, 0);
  }
  cv::cvtColor(hsv, image, cv::COLOR_HSV2BGR);
}
