#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/filters/TCPxFilterHueRange.h>
#include <pixolan/model/TCPx8bitImage.h>

#include <algorithm>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>

#include "PxFilterSupport.h"

using DoubleThresholdCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterDoubleThreshold, double, double>;
PX_REGISTER_FILTER(TCPxFilterDoubleThreshold, DoubleThreshold, DoubleThresholdCreator, "double lower", "double higher")

namespace
{
std::uint8_t ClampByte(int v)
{
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// The byte band threshold as one table: v < lower or v > higher -> 0, others
// kept, then every non-zero value -> 255. With `zeroAsLowerBound` (8-bit grey
// with lower 0) every value <= higher becomes 255, zero included.
void BuildLut(std::uint8_t lower, std::uint8_t higher, bool zeroAsLowerBound, std::uint8_t* lut)
{
  for (int v = 0; v < 256; ++v)
  {
    int r;
    if (zeroAsLowerBound)
      r = v < higher ? 255 : (v > higher ? 0 : v);
    else
      r = (v < lower || v > higher) ? 0 : v;
    lut[v] = r > 0 ? 255 : 0;
  }
}

void ApplyLutRegion(cv::Mat region, const std::uint8_t* lut, int channels)
{
  const int cn = region.channels();
  for (int y = 0; y < region.rows; ++y)
  {
    std::uint8_t* p = region.ptr<std::uint8_t>(y);
    if (channels == cn)
    {
      const int n = region.cols * cn;
      for (int i = 0; i < n; ++i)
        p[i] = lut[p[i]];
      continue;
    }
    for (int x = 0; x < region.cols; ++x)
      for (int c = 0; c < channels; ++c)
        p[x * cn + c] = lut[p[x * cn + c]];
  }
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
  const std::uint8_t lower = ClampByte(m_iLower), higher = ClampByte(m_iHigher);
  std::uint8_t lut[256];
  BuildLut(lower, higher, type == ImageType8bit && lower == 0, lut);
  ApplyLutRegion(roi, lut, type == ImageType32bit ? 3 : roi.channels());
}

void TCPxFilterDoubleThreshold::Process8bitImageROI(std::shared_ptr<TCPx8bitImage> image, TCGenRect<int> rect) const
{
  if (!image)
    return;
  if (!rect.SetIntersect(TCGenRect<int>(0, 0, image->GetWidth(), image->GetHeight())))
    return;
  const std::uint8_t lower = ClampByte(m_iLower), higher = ClampByte(m_iHigher);
  std::uint8_t lut[256];
  BuildLut(lower, higher, lower == 0, lut);
  ApplyLutRegion(_impl::RegionView(*image, cv::Rect(rect.GetLeft(), rect.GetTop(), rect.GetWidth(), rect.GetHeight())),
                 lut, 1);
}

// ---- HueRange ----------------------------------------------------------------------------
using HueRangeCreator = of_internal::TCGenOfCreator2<TCPxImageFilter, TCPxFilterHueRange, int, int>;
PX_REGISTER_FILTER(TCPxFilterHueRange, HueRange, HueRangeCreator, "int low", "int high")

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
