// The 24-bit and 32-bit colour images.
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>

#include "PxImageViews.h"
#include "primitives/PxPrimitives.h"

namespace
{
using _impl::InRoi;
using _impl::RoiRegion;
using _impl::RoiView;

cv::Mat Region(const TCPxByteImage& image, int left, int top, int width, int height)
{
  return _impl::RegionView(image, cv::Rect(left, top, width, height));
}

// Whether a raw source of `length` bytes holds `height` rows of `rowBytes` bytes `stride` apart.
bool Covers(long long length, long long stride, long long rowBytes, int height)
{
  return stride >= 0 && height > 0 && (height - 1) * stride + rowBytes <= length;
}

cv::Scalar ColourScalar(unsigned long c)
{
  return cv::Scalar((c >> 16) & 255, (c >> 8) & 255, c & 255, 0);
}

unsigned char* RoiPixel(const TCPxByteImage& image, int x, int y)
{
  const TCGenRect<int> roi = image.GetROI();
  return const_cast<unsigned char*>(image.GetBuffer()) +
         static_cast<std::ptrdiff_t>(roi.GetTop() + y) * image.GetStepSize() +
         static_cast<std::ptrdiff_t>(roi.GetLeft() + x) * image.GetNrChannels();
}
} // namespace

// =====================================================================================
// TCPx24bitImage
// =====================================================================================
TCPx24bitImage::TCPx24bitImage(int width, int height) : TCPxByteImage(ImageType24bit, width, height, 3)
{
  AllocateOwnBuffer();
}

TCPx24bitImage::TCPx24bitImage(const TCPx24bitImage& source)
    : TCPxByteImage(ImageType24bit, source.GetWidth(), source.GetHeight(), 3)
{
  AllocateOwnBuffer();
  SetROI(source.GetROI());
  TCPxImageBase::CopyBuffer(source);
}

TCPx24bitImage::~TCPx24bitImage() = default;

TCPxImageBase* TCPx24bitImage::Create(int width, int height) const
{
  return new TCPx24bitImage(width, height);
}

TCPxImageBase* TCPx24bitImage::Clone() const
{
  return new TCPx24bitImage(*this);
}

void TCPx24bitImage::ScaleNearestNeighbour(const TCPxImageBase& source)
{
  ScaleCurrentNearestNeighbour(source);
}

void TCPx24bitImage::Mirror(bool vertical)
{
  MirrorCurrent(vertical);
}

void TCPx24bitImage::FillDibHeader()
{
  FillDibHeaderFor(24, false);
}

void TCPx24bitImage::CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride)
{
  if (!source)
    return;
  const int w = GetWidth(), h = GetHeight();
  if (sourceLength > GetBufferSize())
  {
    // Longer than this buffer: 4-byte pixels, the fourth byte dropped.
    if (!Covers(sourceLength, sourceStride, 4LL * w, h))
      return;
    PxPrim::DropFourthByteRows(source, sourceStride, CurrentBuffer(), GetStepSize(), w, h);
    return;
  }
  if (!Covers(sourceLength, sourceStride, 3LL * w, h))
    return;
  PxPrim::CopyRows(source, sourceStride, CurrentBuffer(), GetStepSize(), static_cast<std::size_t>(w) * 3, h);
}

void TCPx24bitImage::CopyBuffer(const unsigned char* source, int sourceLength)
{
  if (!source || !Covers(sourceLength, GetStepSize(), 3LL * GetWidth(), GetHeight()))
    return;
  PxPrim::CopyRows(source, GetStepSize(), CurrentBuffer(), GetStepSize(), static_cast<std::size_t>(GetWidth()) * 3,
                   GetHeight());
}

unsigned long TCPx24bitImage::GetPixel(int x, int y) const
{
  if (!InRoi(*this, x, y))
    throw std::range_error("x,y should lie in the ROI");
  const unsigned char* p = RoiPixel(*this, x, y);
  return (static_cast<unsigned long>(p[0]) << 16) | (static_cast<unsigned long>(p[1]) << 8) | p[2];
}

unsigned long TCPx24bitImage::GetPixelFast(int x, int y) const
{
  const unsigned char* p = GetBuffer() + static_cast<std::ptrdiff_t>(y) * GetStepSize() + 3 * x;
  return (static_cast<unsigned long>(p[0]) << 16) | (static_cast<unsigned long>(p[1]) << 8) | p[2];
}

void TCPx24bitImage::SetPixel(int x, int y, unsigned long colour)
{
  if (!InRoi(*this, x, y))
    return;
  unsigned char* p = RoiPixel(*this, x, y);
  p[0] = static_cast<unsigned char>(colour >> 16);
  p[1] = static_cast<unsigned char>(colour >> 8);
  p[2] = static_cast<unsigned char>(colour);
}

bool TCPx24bitImage::GetInRoi(int x, int y) const
{
  return InRoi(*this, x, y);
}

void TCPx24bitImage::Fill(unsigned long colour)
{
  cv::Mat roi = RoiRegion(*this);
  if (!roi.empty())
    roi.setTo(ColourScalar(colour));
}

void TCPx24bitImage::Set(unsigned long colour, const TCPx8bitImage& mask)
{
  cv::Mat roi = RoiRegion(*this);
  if (roi.cols > mask.GetWidth() || roi.rows > mask.GetHeight())
    throw std::invalid_argument("Set: the mask does not cover this image's ROI");
  const cv::Mat m(roi.rows, roi.cols, CV_8UC1, const_cast<unsigned char*>(mask.GetBuffer()),
                  static_cast<std::size_t>(mask.GetStepSize()));
  if (!roi.empty())
    roi.setTo(ColourScalar(colour), m);
}

void TCPx24bitImage::operator*=(std::tuple<double, double, double> factors)
{
  auto toByte = [](double f) {
    // int(f x 255), clamped to a byte: a factor above 1 saturates instead of wrapping.
    const double v = f * 255.0;
    if (!(v > 0.0))
      return std::uint8_t(0);
    return v >= 255.0 ? std::uint8_t(255) : static_cast<std::uint8_t>(static_cast<int>(v));
  };
  const std::uint8_t bytes[3] = {toByte(std::get<0>(factors)), toByte(std::get<1>(factors)),
                                 toByte(std::get<2>(factors))};
  PxPrim::ScaleChannelsRows(CurrentBuffer(), GetStepSize(), GetWidth(), GetHeight(), 3, bytes);
}

void TCPx24bitImage::And(const TCPx24bitImage& other)
{
  cv::Mat dst = RoiView(*this);
  cv::bitwise_and(dst, *other.GetMatPtr(), dst);
}

void TCPx24bitImage::Or(const TCPx24bitImage& other)
{
  cv::Mat dst = RoiView(*this);
  cv::bitwise_or(dst, *other.GetMatPtr(), dst);
}

void TCPx24bitImage::And(const TCPx24bitImage& a, const TCPx24bitImage& b, const TCPx8bitImage& mask)
{
  cv::Mat dst = RoiView(*this);
  cv::bitwise_and(*a.GetMatPtr(), *b.GetMatPtr(), dst, *mask.GetMatPtr());
}

void TCPx24bitImage::Copy(TCPx24bitImage* source, int x, int y)
{
  if (!source)
    return;
  if (x < 0 || y < 0 || static_cast<long long>(x) + source->GetWidth() > GetWidth() ||
      static_cast<long long>(y) + source->GetHeight() > GetHeight())
    throw std::invalid_argument("Copy: the source does not fit into this image at the given position");
  PxPrim::CopyRows(source->GetBuffer(), source->GetStepSize(),
                   CurrentBuffer() + static_cast<std::ptrdiff_t>(y) * GetStepSize() + 3 * x, GetStepSize(),
                   static_cast<std::size_t>(source->GetWidth()) * 3, source->GetHeight());
}

void TCPx24bitImage::CopyBuffer(const TCPx24bitImage& source)
{
  TCPxImageBase::CopyBuffer(source);
}

void TCPx24bitImage::CopyBuffer(const TCPx32bitImage& source)
{
  // Converted by the source's type, not guessed from a length: with padded rows
  // a 32-bit buffer can be as long as a 24-bit one.
  if (source.GetWidth() < GetWidth() || source.GetHeight() < GetHeight())
    throw std::invalid_argument("CopyBuffer: the 32-bit source is smaller than this image");
  SetROI(source.GetROI());
  PxPrim::DropFourthByteRows(source.GetBuffer(), source.GetStepSize(), CurrentBuffer(), GetStepSize(), GetWidth(),
                             GetHeight());
}

void TCPx24bitImage::CopyBuffer(const TCPx8bitImage& grey)
{
  SetROI(grey.GetROI());
  cv::Mat dst = RoiView(*this);
  cv::cvtColor(*grey.GetMatPtr(), dst, cv::COLOR_GRAY2BGR);
}

void TCPx24bitImage::CopyBufferY800(const unsigned char* grey, int greyStride)
{
  if (!grey || greyStride < GetWidth())
    return;
  PxPrim::GreyToColourRows(grey, greyStride, CurrentBuffer(), GetStepSize(), GetWidth(), GetHeight(), 3);
}

void TCPx24bitImage::CopyBufferYV12(const unsigned char* frame)
{
  if (!frame)
    return;
  const int w = GetWidth(), h = GetHeight();
  const long long lumaSize = static_cast<long long>(w) * h;
  PxPrim::Yuv420ToRgbRows(frame, frame + lumaSize, frame + lumaSize + lumaSize / 4, w, h, CurrentBuffer(),
                          GetStepSize());
}

void TCPx24bitImage::CopyBufferYV12(const unsigned char* frame, long long frameLength)
{
  if (frameLength < PxPrim::Yuv420FrameBytes(GetWidth(), GetHeight()))
    return;
  CopyBufferYV12(frame);
}

unsigned long TCPx24bitImage::GetColorRegionAvarage(int x, int y, int radius) const
{
  double sumCos = 0.0, sumSin = 0.0;
  long long sumS = 0, sumV = 0, n = 0;
  for (long long i = static_cast<long long>(x) - radius; i <= static_cast<long long>(x) + radius; ++i)
    for (long long k = static_cast<long long>(y) - radius; k <= static_cast<long long>(y) + radius; ++k)
    {
      if (i < INT_MIN || i > INT_MAX || k < INT_MIN || k > INT_MAX || !GetInRoi(static_cast<int>(i), static_cast<int>(k)))
        continue;
      const unsigned long hsv = TCPxConversion::Rgb2Hsv(GetPixel(static_cast<int>(i), static_cast<int>(k)));
      const double angle = static_cast<double>(hsv & 255) * 0.03490658503988659; // pi / 90
      sumCos += std::cos(angle);
      sumSin += std::sin(angle);
      sumS += (hsv >> 8) & 255;
      sumV += (hsv >> 16) & 255;
      ++n;
    }
  if (n == 0)
    return 0;
  double angle;
  const double pi = 3.14159265358979323846;
  if (sumCos < 0)
    angle = std::atan(sumSin / sumCos) + pi;
  else if (sumCos > 0)
  {
    angle = std::atan(sumSin / sumCos);
    if (sumSin < 0)
      angle += 2 * pi;
  }
  else // the mean direction lies on the vertical axis
    angle = sumSin > 0 ? pi / 2 : (sumSin < 0 ? 3 * pi / 2 : 0.0);
  const unsigned long hue = static_cast<unsigned long>(static_cast<long long>(angle * 28.64788975654116) % 180);
  const unsigned long s = static_cast<unsigned long>(sumS / n);
  const unsigned long v = static_cast<unsigned long>(sumV / n);
  return TCPxConversion::Hsv2Rgb(hue | (s << 8) | (v << 16));
}

void TCPx24bitImage::Line(int x1, int y1, int x2, int y2, unsigned long colour, int thickness)
{
  cv::Mat roi = RoiView(*this);
  cv::line(roi, cv::Point(x1, y1), cv::Point(x2, y2), ColourScalar(colour), thickness, cv::LINE_8, 0);
}

void TCPx24bitImage::Line(const TCGenPoint<int>& p1, const TCGenPoint<int>& p2, unsigned long colour, int thickness)
{
  Line(p1.GetX(), p1.GetY(), p2.GetX(), p2.GetY(), colour, thickness);
}

void TCPx24bitImage::Line(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2, unsigned long colour,
                          int thickness)
{
  Line(TCPxConversion::RoundPoint(p1), TCPxConversion::RoundPoint(p2), colour, thickness);
}

void TCPx24bitImage::Rectangle(const TCGenRect<int>& rect, unsigned long colour)
{
  Rectangle(rect, colour, 1);
}

void TCPx24bitImage::Rectangle(const TCGenRect<int>& rect, unsigned long colour, int thickness)
{
  cv::Mat roi = RoiView(*this);
  cv::rectangle(roi, cv::Point(rect.GetLeft(), rect.GetTop()), cv::Point(rect.GetRight(), rect.GetBottom()),
                ColourScalar(colour), thickness, cv::LINE_8, 0);
}

void TCPx24bitImage::Circle(TCGenPoint<int> centre, int radius, unsigned long colour, int thickness, bool filled)
{
  if (radius < 0)
    return;
  cv::Mat roi = RoiView(*this);
  cv::circle(roi, cv::Point(centre.GetX(), centre.GetY()), radius, ColourScalar(colour), filled ? -1 : thickness,
             cv::LINE_8, 0);
}

void TCPx24bitImage::Circle(TCGenPoint<double> centre, int radius, unsigned long colour, int thickness, bool filled)
{
  Circle(TCPxConversion::RoundPoint(centre), radius, colour, thickness, filled);
}

void TCPx24bitImage::Ellipse(TCGenPoint<double> centre, int width, int height, double angleRadians,
                             unsigned long colour, int thickness)
{
  if (width < 0 || height < 0)
    return;
  cv::Mat roi = RoiView(*this);
  const cv::RotatedRect box(cv::Point2f(static_cast<float>(centre.GetX()), static_cast<float>(centre.GetY())),
                            cv::Size2f(static_cast<float>(width), static_cast<float>(height)),
                            static_cast<float>(angleRadians * 180.0 / 3.14159265358979323846));
  cv::ellipse(roi, box, ColourScalar(colour), thickness, cv::LINE_8);
}

void TCPx24bitImage::DrawContour(const TCPxContour* contour, unsigned long colour, bool filled, int thickness)
{
  if (!contour)
    return;
  cv::Mat roi = RoiView(*this);
  PxPrim::DrawOutline(roi, contour->GetPoints(), ColourScalar(colour), filled, thickness);
}

void TCPx24bitImage::DrawContours(const std::list<TCPxContour*>& contours, unsigned long colour, bool filled,
                                  int thickness)
{
  for (const TCPxContour* contour : contours)
    DrawContour(contour, colour, filled, thickness);
}

void TCPx24bitImage::Box(const std::tuple<TCGenPoint<double>, TCGenSize<int>, double>& box, unsigned long colour)
{
  const double cx = std::get<0>(box).GetX(), cy = std::get<0>(box).GetY();
  const double w = std::get<1>(box).GetWidth(), h = std::get<1>(box).GetHeight();
  const double s = std::sin(std::get<2>(box)), c = std::cos(std::get<2>(box));
  auto corner = [](double x, double y) { return cv::Point(TCGenMathUtils::Round(x), TCGenMathUtils::Round(y)); };
  const cv::Point p0 = corner(cx + w * c / 2 - h * s / 2, cy + w * s / 2 + h * c / 2);
  const cv::Point p1 = corner(cx + w * c / 2 + h * s / 2, cy + w * s / 2 - h * c / 2);
  const cv::Point p2 = corner(cx - w * c / 2 - h * s / 2, cy - w * s / 2 + h * c / 2);
  const cv::Point p3 = corner(cx - w * c / 2 + h * s / 2, cy - w * s / 2 - h * c / 2);
  cv::Mat roi = RoiView(*this);
  const cv::Scalar colourScalar = ColourScalar(colour);
  cv::line(roi, p0, p1, colourScalar, 1, cv::LINE_8);
  cv::line(roi, p1, p3, colourScalar, 1, cv::LINE_8);
  cv::line(roi, p3, p2, colourScalar, 1, cv::LINE_8);
  cv::line(roi, p2, p0, colourScalar, 1, cv::LINE_8);
}

void TCPx24bitImage::Rotate(float angleDegrees, TCPx24bitImage* target)
{
  if (!target)
    return;
  const int w = GetWidth(), h = GetHeight();
  cv::Mat forward = cv::getRotationMatrix2D(cv::Point2f(static_cast<float>(w / 2), static_cast<float>(h / 2)),
                                            static_cast<double>(angleDegrees), 1.0);
  // The source centre lands at the target centre for larger and smaller targets alike.
  forward.at<double>(0, 2) += (target->GetWidth() - w) / 2;
  forward.at<double>(1, 2) += (target->GetHeight() - h) / 2;
  cv::Mat dst = Region(*target, 0, 0, target->GetWidth(), target->GetHeight());
  PxPrim::WarpAffineCubicInside(Region(*this, 0, 0, w, h), dst, forward.ptr<double>());
}

// =====================================================================================
// TCPx32bitImage
// =====================================================================================
TCPx32bitImage::TCPx32bitImage(int width, int height) : TCPxByteImage(ImageType32bit, width, height, 4)
{
  AllocateOwnBuffer();
}

TCPx32bitImage::TCPx32bitImage(const TCPx32bitImage& source)
    : TCPxByteImage(ImageType32bit, source.GetWidth(), source.GetHeight(), 4)
{
  AllocateOwnBuffer();
  SetROI(source.GetROI());
  TCPxImageBase::CopyBuffer(source);
}

TCPx32bitImage::~TCPx32bitImage() = default;

TCPxImageBase* TCPx32bitImage::Create(int width, int height) const
{
  return new TCPx32bitImage(width, height);
}

TCPxImageBase* TCPx32bitImage::Clone() const
{
  return new TCPx32bitImage(*this);
}

void TCPx32bitImage::ScaleNearestNeighbour(const TCPxImageBase& source)
{
  ScaleCurrentNearestNeighbour(source);
}

void TCPx32bitImage::Mirror(bool vertical)
{
  MirrorCurrent(vertical);
}

void TCPx32bitImage::FillDibHeader()
{
  FillDibHeaderFor(32, false);
}

void TCPx32bitImage::CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride)
{
  const int stride = sourceStride != 0 ? sourceStride : GetStepSize();
  if (!source || !Covers(sourceLength, stride, 4LL * GetWidth(), GetHeight()))
    return;
  PxPrim::CopyRows(source, stride, CurrentBuffer(), GetStepSize(), static_cast<std::size_t>(GetWidth()) * 4,
                   GetHeight());
}

RGBQUAD TCPx32bitImage::GetPixel(int x, int y) const
{
  if (!InRoi(*this, x, y))
    throw std::range_error("x,y should lie in the ROI");
  RGBQUAD q;
  std::memcpy(&q, RoiPixel(*this, x, y), sizeof(q));
  return q;
}

void TCPx32bitImage::SetPixel(int x, int y, RGBQUAD value)
{
  if (InRoi(*this, x, y))
    std::memcpy(RoiPixel(*this, x, y), &value, sizeof(value));
}

void TCPx32bitImage::Fill(RGBQUAD value)
{
  cv::Mat roi = RoiRegion(*this);
  if (!roi.empty())
    roi.setTo(cv::Scalar(value.rgbBlue, value.rgbGreen, value.rgbRed, value.rgbReserved));
}

void TCPx32bitImage::Or(const TCPx32bitImage& other)
{
  cv::Mat dst = RoiView(*this);
  cv::bitwise_or(dst, *other.GetMatPtr(), dst);
}

void TCPx32bitImage::SetAlphaChannel(unsigned char alpha, TCPx8bitImage* mask)
{
  cv::Mat dst = RoiView(*this);
  if (mask)
    cv::bitwise_or(dst, cv::Scalar(0, 0, 0, alpha), dst, *mask->GetMatPtr());
  else
    cv::bitwise_or(dst, cv::Scalar(0, 0, 0, alpha), dst);
}

void TCPx32bitImage::Copy(const TCPx32bitImage& source, TCPx8bitImage* mask)
{
  cv::Mat dst = RoiView(*this);
  if (source.GetMatPtr()->size() != dst.size())
    return; // copyTo would write into a fresh matrix, not this image
  if (mask)
    source.GetMatPtr()->copyTo(dst, *mask->GetMatPtr());
  else
    source.GetMatPtr()->copyTo(dst);
}

void TCPx32bitImage::CopyBuffer(const TCPx8bitImage& grey)
{
  cv::Mat dst = RoiView(*this);
  cv::cvtColor(*grey.GetMatPtr(), dst, cv::COLOR_GRAY2BGRA);
}
