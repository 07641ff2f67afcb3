#include <pixolan/model/TCPxInt32Image.h>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPxConversion.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxImageViews.h"
#include "primitives/PxFloatPrimitives.h"
#include "primitives/PxPrimitives.h"

namespace
{
using _impl::RoiView;

std::int32_t* RoiStart(const TCPxImageBase& image)
{
  const TCGenRect<int> roi = image.GetROI();
  auto* base = static_cast<unsigned char*>(const_cast<void*>(image.GetBuffer()));
  return reinterpret_cast<std::int32_t*>(base + static_cast<std::ptrdiff_t>(roi.GetTop()) * image.GetStepSize()) +
         roi.GetLeft();
}
} // namespace

TCPxInt32Image::TCPxInt32Image(int width, int height)
    : TCPxImageBase(ImageTypeInt32, width, height, 1, TCGenRect<int>())
{
  Allocate();
}

TCPxInt32Image::TCPxInt32Image(const TCPxInt32Image& source)
    : TCPxImageBase(ImageTypeInt32, source.GetWidth(), source.GetHeight(), 1, TCGenRect<int>())
{
  Allocate();
  PxPrim::CopyRows(static_cast<const std::uint8_t*>(source.GetBuffer()), source.GetStepSize(),
                   reinterpret_cast<std::uint8_t*>(m_pData), GetStepSize(),
                   static_cast<std::size_t>(GetWidth()) * sizeof(std::int32_t), GetHeight());
}

TCPxInt32Image::~TCPxInt32Image()
{
  ReleasePixels(m_pData);
}

void TCPxInt32Image::Allocate()
{
  m_pData = static_cast<int*>(AllocatePixels(sizeof(std::int32_t)));
}

int* TCPxInt32Image::Row(int y) const
{
  return reinterpret_cast<int*>(reinterpret_cast<unsigned char*>(m_pData) +
                                static_cast<std::ptrdiff_t>(y) * GetStepSize());
}

TCPxImageBase* TCPxInt32Image::Create(int width, int height) const
{
  return new TCPxInt32Image(width, height);
}

TCPxImageBase* TCPxInt32Image::Clone() const
{
  return new TCPxInt32Image(*this);
}

int TCPxInt32Image::GetPixelSize() const
{
  return static_cast<int>(sizeof(std::int32_t));
}

void TCPxInt32Image::Mirror(bool vertical)
{
  // A 32-bit integer moves like any 4-byte pixel.
  auto* bytes = reinterpret_cast<std::uint8_t*>(m_pData);
  if (vertical)
    PxPrim::MirrorRows(bytes, GetStepSize(), GetWidth(), GetHeight(), 4);
  else
    PxPrim::MirrorColumns(bytes, GetStepSize(), GetWidth(), GetHeight(), 4);
}

TCPxInt32Image& TCPxInt32Image::operator=(const TCPxInt32Image& source)
{
  if (this == &source)
    return *this;
  if (source.GetWidth() != GetWidth() || source.GetHeight() != GetHeight())
    throw std::invalid_argument("operator=: the integer images differ in size");
  PxPrim::CopyRows(static_cast<const std::uint8_t*>(source.GetBuffer()), source.GetStepSize(),
                   reinterpret_cast<std::uint8_t*>(m_pData), GetStepSize(),
                   static_cast<std::size_t>(GetWidth()) * sizeof(std::int32_t), GetHeight());
  SetROI(source.GetROI());
  return *this;
}

TCPxInt32Image& TCPxInt32Image::operator+=(const TCPxInt32Image& other)
{
  const TCGenRect<int> roi = GetROI();
  const TCGenRect<int> oroi = other.GetROI();
  if (roi.GetWidth() != oroi.GetWidth() || roi.GetHeight() != oroi.GetHeight())
    CV_Error(cv::Error::StsUnmatchedSizes, "operator+=: the ROIs differ in size");
  if (!roi.IsEmpty())
    PxFloatPrim::AddSaturate32sRows(RoiStart(other), other.GetStepSize(), RoiStart(*this), GetStepSize(),
                                    roi.GetWidth(), roi.GetHeight());
  return *this;
}

TCPxInt32Image& TCPxInt32Image::operator+=(int k)
{
  const TCGenRect<int> roi = GetROI();
  if (!roi.IsEmpty())
    PxFloatPrim::AddConstSaturate32sRows(k, RoiStart(*this), GetStepSize(), roi.GetWidth(), roi.GetHeight());
  return *this;
}

TCPxInt32Image& TCPxInt32Image::operator*=(int k)
{
  const TCGenRect<int> roi = GetROI();
  if (!roi.IsEmpty())
    PxFloatPrim::MulConstSaturate32sRows(k, RoiStart(*this), GetStepSize(), roi.GetWidth(), roi.GetHeight());
  return *this;
}

void TCPxInt32Image::Fill(int value)
{
  const TCGenRect<int> roi = GetROI();
  if (!roi.IsEmpty())
    PxFloatPrim::Set32sRows(value, RoiStart(*this), GetStepSize(), roi.GetWidth(), roi.GetHeight());
}

int TCPxInt32Image::GetPixel(int x, int y) const
{
  const TCGenRect<int> roi = GetROI();
  if (x < 0 || y < 0 || x >= roi.GetWidth() || y >= roi.GetHeight())
    throw std::range_error("x,y should lie in the ROI");
  return Row(roi.GetTop() + y)[roi.GetLeft() + x];
}

void TCPxInt32Image::SetPixel(int x, int y, int value)
{
  const TCGenRect<int> roi = GetROI();
  if (x < 0 || y < 0 || x >= roi.GetWidth() || y >= roi.GetHeight())
    return;
  Row(roi.GetTop() + y)[roi.GetLeft() + x] = value;
}

void TCPxInt32Image::Circle(TCGenPoint<int> centre, int radius, int value, int thickness, bool filled)
{
  if (radius < 0)
    return; // OpenCV rejects a negative radius; there is nothing to draw
  cv::Mat roi = RoiView(*this);
  cv::circle(roi, cv::Point(centre.GetX(), centre.GetY()), radius, cv::Scalar(value), filled ? cv::FILLED : thickness,
             cv::LINE_8, 0);
}

void TCPxInt32Image::Circle(TCGenPoint<double> centre, int radius, int value, int thickness, bool filled)
{
  Circle(TCPxConversion::RoundPoint(centre), radius, value, thickness, filled);
}

void TCPxInt32Image::Rectangle(const TCGenRect<int>& rect, int value, int thickness)
{
  cv::Mat roi = RoiView(*this);
  cv::rectangle(roi, cv::Point(rect.GetLeft(), rect.GetTop()), cv::Point(rect.GetRight(), rect.GetBottom()),
                cv::Scalar(value), thickness, cv::LINE_8, 0);
}

void TCPxInt32Image::DrawContour(std::shared_ptr<TCPxContour> contour, int value, bool filled, int thickness)
{
  if (!contour || contour->GetPoints().empty())
    return;
  cv::Mat roi = RoiView(*this);
  const std::vector<std::vector<cv::Point>> contours{contour->GetPoints()};
  cv::drawContours(roi, contours, 0, cv::Scalar(value), filled ? cv::FILLED : thickness, cv::LINE_8, cv::noArray(),
                   INT_MAX, cv::Point(0, 0));
}
