#pragma once
// Helpers shared by the filter implementations (not installed).
#include <opencv2/core/mat.hpp>

#include <pixolan/model/TCPxImageBase.h>

#include "PxImageViews.h"

namespace _impl
{
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
