#pragma once
// OpenCV headers over image buffers and operand checks shared by the image
// classes and the filters (not installed).
#include <stdexcept>
#include <string>

#include <opencv2/core.hpp>

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
/// buffer included), where the direct-buffer operations work.
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

/// The ROI rectangle as OpenCV's.
inline cv::Rect RoiRect(const TCPxImageBase& image)
{
  const TCGenRect<int> r = image.GetROI();
  return cv::Rect(r.GetLeft(), r.GetTop(), r.GetWidth(), r.GetHeight());
}

/// Header over the ROI of the current buffer.
inline cv::Mat RoiRegion(const TCPxImageBase& image)
{
  return RegionView(image, RoiRect(image));
}

/// A copy of the image's shared ROI view header. OpenCV may re-point an output
/// header at fresh memory; it must never be the image's own shared view.
inline cv::Mat RoiView(const TCPxImageBase& image)
{
  return *image.GetMatPtr();
}

/// Whether (x, y) lies in (0, 0, ROI width, ROI height).
inline bool InRoi(const TCPxImageBase& image, int x, int y)
{
  const TCGenRect<int> roi = image.GetROI();
  return x >= 0 && y >= 0 && x < roi.GetWidth() && y < roi.GetHeight();
}

[[noreturn]] inline void ThrowOperandTooSmall(const char* operation, const char* operand)
{
  throw std::invalid_argument(std::string(operation) + ": the " + operand +
                              " does not cover the region processed (it would be read outside its buffer)");
}

/// An operand read from its buffer start over a width x height region.
inline cv::Mat OperandFromStart(const TCPxImageBase& operand, int width, int height, const char* operation,
                                const char* what = "operand image")
{
  if (width > operand.GetWidth() || height > operand.GetHeight())
    ThrowOperandTooSmall(operation, what);
  return RegionView(operand, cv::Rect(0, 0, width, height));
}

/// An operand (image or mask) read from its ROI's top-left pixel over a width x height region.
inline cv::Mat OperandFromRoi(const TCPxImageBase& operand, int width, int height, const char* operation,
                              const char* what = "operand image")
{
  const TCGenRect<int> roi = operand.GetROI();
  if (static_cast<long long>(roi.GetLeft()) + width > operand.GetWidth() ||
      static_cast<long long>(roi.GetTop()) + height > operand.GetHeight())
    ThrowOperandTooSmall(operation, what);
  return RegionView(operand, cv::Rect(roi.GetLeft(), roi.GetTop(), width, height));
}

/// Extremes of a matrix and their first positions; zeros for an empty one.
struct MinMax
{
  double minVal = 0, maxVal = 0;
  cv::Point minLoc, maxLoc;
};

inline MinMax MinMaxOf(const cv::Mat& m)
{
  MinMax r;
  if (!m.empty())
    cv::minMaxLoc(m, &r.minVal, &r.maxVal, &r.minLoc, &r.maxLoc);
  return r;
}
} // namespace _impl
