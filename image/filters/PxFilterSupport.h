#pragma once
// Helpers shared by the filter implementations (not installed).
#include <opencv2/core/mat.hpp>

#include <pixolan/model/TCPxImageBase.h>

namespace _impl
{
/// OpenCV element type of an image's pixels; -1 when it has none.
inline int PixelType(const TCPxImageBase& image)
{
  switch (image.GetImageType())
  {
  case ImageType8bit: return CV_8UC1;
  case ImageType24bit: return CV_8UC3;
  case ImageType32bit: return CV_8UC4;
  case ImageTypeFloat: return CV_32FC1;
  case ImageTypeInt32: return CV_32SC1;
  default: return -1;
  }
}

/// Header over the whole current buffer of an image (an attached external
/// buffer included), so that filters work where the direct-buffer operations do.
inline cv::Mat WholeView(const TCPxImageBase& image)
{
  return cv::Mat(image.GetHeight(), image.GetWidth(), PixelType(image), const_cast<void*>(image.GetBuffer()),
                 static_cast<std::size_t>(image.GetStepSize()));
}

/// Header over a rectangle (whole-image coordinates) of the current buffer.
inline cv::Mat RegionView(const TCPxImageBase& image, const cv::Rect& rect)
{
  return cv::Mat(WholeView(image), rect);
}

/// A destination is usable when absent (in place) or of the source's class and size.
inline bool DestinationFits(const TCPxImageBase& source, const TCPxImageBase* destination)
{
  return !destination ||
         (destination->GetImageType() == source.GetImageType() && destination->GetWidth() == source.GetWidth() &&
          destination->GetHeight() == source.GetHeight());
}

/// The image a filter writes: the destination, or the source when in place.
inline TCPxImageBase* Target(TCPxImageBase* source, TCPxImageBase* destination)
{
  return destination ? destination : source;
}

/// The ROI rectangle as OpenCV's.
inline cv::Rect RoiRect(const TCPxImageBase& image)
{
  const TCGenRect<int> r = image.GetROI();
  return cv::Rect(r.GetLeft(), r.GetTop(), r.GetWidth(), r.GetHeight());
}
} // namespace _impl

namespace _impl
{
/// Float copy of the whole current buffer of an 8-bit image.
inline cv::Mat FloatCopy(const TCPxImageBase& image)
{
  cv::Mat f;
  WholeView(image).convertTo(f, CV_32F);
  return f;
}

/// Stores floats into the whole current buffer of an 8-bit image, rounded to
/// nearest (halves to even) and saturated; NaN becomes 0.
inline void StoreBytes(const cv::Mat& floats, TCPxImageBase& image)
{
  cv::Mat target = WholeView(image);
  floats.convertTo(target, CV_8U);
}

/// OpenCV border type for a border handling value: wrap, which the smoothing
/// functions refuse, acts as reflect; -1 for values that name no border.
inline int BorderType(int handling)
{
  if (handling == 3)
    return 2;
  return handling >= 0 && handling <= 4 ? handling : -1;
}
} // namespace _impl
