#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxImageViews.h"
#include "primitives/PxPrimitives.h"

TCPx8bitImage::TCPx8bitImage(int width, int height) : TCPxByteImage(ImageType8bit, width, height, 1)
{
  AllocateOwnBuffer();
}

TCPx8bitImage::TCPx8bitImage(const TCPx8bitImage& source)
    : TCPxByteImage(ImageType8bit, source.GetWidth(), source.GetHeight(), 1)
{
  AllocateOwnBuffer();
  CopyBuffer(source.GetBuffer(), source.GetBufferSize(), 0);
  SetROI(source.GetROI());
}

TCPx8bitImage::~TCPx8bitImage() = default;

TCPxImageBase* TCPx8bitImage::Create(int width, int height) const
{
  return new TCPx8bitImage(width, height);
}

TCPxImageBase* TCPx8bitImage::Clone() const
{
  return new TCPx8bitImage(*this);
}

void TCPx8bitImage::FillDibHeader()
{
  FillDibHeaderFor(8, true);
}

int TCPx8bitImage::GetIntensityHistogram(int bins, std::vector<int>* histogram) const
{
  if (bins <= 0 || !histogram || !GetBuffer())
    return -1;
  std::vector<int> counts(static_cast<std::size_t>(bins));
  PxPrim::HistogramEven8u(GetBuffer(), GetStepSize(), GetWidth(), GetHeight(), bins, 0, 255, counts.data());
  histogram->insert(histogram->end(), counts.begin(), counts.end());
  return *std::max_element(counts.begin(), counts.end());
}

void TCPx8bitImage::ScaleNearestNeighbour(const TCPxImageBase& source)
{
  ScaleCurrentNearestNeighbour(source);
}

void TCPx8bitImage::Mirror(bool vertical)
{
  MirrorCurrent(vertical);
}

void TCPx8bitImage::CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride)
{
  if (!source || sourceLength < 0 || sourceStride < 0)
    return;
  const int width = GetWidth();
  const int height = GetHeight();
  long long stride = sourceStride != 0 ? sourceStride : GetStepSize();
  // A source must cover every row read: (height - 1) strides plus one row.
  auto covers = [&](long long rowBytes) {
    return stride >= rowBytes && (height - 1) * stride + rowBytes <= sourceLength;
  };
  if (sourceLength <= GetBufferSize())
  {
    if (covers(width))
      PxPrim::CopyRows(source, static_cast<std::ptrdiff_t>(stride), CurrentBuffer(), GetStepSize(),
                       static_cast<std::size_t>(width), height);
    return;
  }
  // A longer source carries more bytes per pixel.
  const long long bytesPerPixel = stride / width;
  if (sourceLength != height * stride)
    stride = sourceLength / height;
  if (!covers(bytesPerPixel * width))
    return;
  const int s = static_cast<int>(stride);
  switch (bytesPerPixel)
  {
  case 1:
    PxPrim::CopyRows(source, s, CurrentBuffer(), GetStepSize(), static_cast<std::size_t>(width), height);
    break;
  case 2:
    PxPrim::Scale16uTo8uRows(source, s, CurrentBuffer(), GetStepSize(), width, height);
    break;
  case 3:
  case 4:
    PxPrim::RgbRowsToGray(source, s, static_cast<int>(bytesPerPixel), CurrentBuffer(), GetStepSize(), width,
                          height);
    break;
  default:
    break;
  }
}

// ======================================================================================
// Pixel access, arithmetic, logic, statistics, drawing and geometry.
// ======================================================================================

namespace
{
using _impl::MinMax;
using _impl::MinMaxOf;
using _impl::OperandFromRoi;
using _impl::OperandFromStart;
using _impl::RoiRegion;
using _impl::RoiView;

cv::Mat Region(const TCPx8bitImage& image, int left, int top, int width, int height)
{
  return _impl::RegionView(image, cv::Rect(left, top, width, height));
}

cv::Mat WholeRegion(const TCPx8bitImage& image)
{
  return _impl::WholeView(image);
}

template <typename F>
void MapRegion(cv::Mat region, F f)
{
  if (!region.empty())
    PxPrim::MapRows(region.data, static_cast<int>(region.step[0]), region.cols, region.rows, f);
}

template <typename F>
void ApplyLut(cv::Mat region, F f)
{
  std::uint8_t lut[256];
  for (int v = 0; v < 256; ++v)
    lut[v] = f(v);
  MapRegion(region, [&lut](std::uint8_t v) { return lut[v]; });
}

} // namespace

TCPx8bitImage& TCPx8bitImage::operator=(const TCPx8bitImage& source)
{
  if (this == &source)
    return *this;
  TCPxImageBase::CopyBuffer(source);
  SetROI(source.GetROI());
  return *this;
}

std::ostream& operator<<(std::ostream& stream, const TCPx8bitImage& image)
{
  for (int y = 0; y < image.GetHeight(); ++y)
  {
    for (int x = 0; x < image.GetWidth(); ++x)
    {
      if (x > 0)
        stream << ",";
      stream << static_cast<int>(image.GetPixelFast(x, y));
    }
    stream << std::endl;
  }
  return stream;
}

// ---- pixel access ----------------------------------------------------------------------
unsigned char TCPx8bitImage::GetPixel(int x, int y) const
{
  const TCGenRect<int> roi = GetROI();
  if (x < 0 || y < 0 || x >= roi.GetWidth() || y >= roi.GetHeight())
    throw std::range_error("x,y should lie in the ROI");
  return GetBuffer()[static_cast<std::ptrdiff_t>(roi.GetTop() + y) * GetStepSize() + roi.GetLeft() + x];
}

unsigned char TCPx8bitImage::GetPixelFast(int x, int y) const
{
  return GetBuffer()[static_cast<std::ptrdiff_t>(y) * GetStepSize() + x];
}

void TCPx8bitImage::SetPixel(int x, int y, unsigned char value)
{
  const TCGenRect<int> roi = GetROI();
  if (x < 0 || y < 0 || x >= roi.GetWidth() || y >= roi.GetHeight())
    return;
  SetPixelFast(x, y, value);
}

void TCPx8bitImage::SetPixelFast(int x, int y, unsigned char value)
{
  const TCGenRect<int> roi = GetROI();
  CurrentBuffer()[static_cast<std::ptrdiff_t>(roi.GetTop() + y) * GetStepSize() + roi.GetLeft() + x] = value;
}

// ---- arithmetic and logic ----------------------------------------------------------------
TCPx8bitImage& TCPx8bitImage::operator+=(const TCPx8bitImage& other)
{
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat src = OperandFromStart(other, dst.cols, dst.rows, "operator+=");
  if (!dst.empty())
    cv::add(dst, src, dst);
  return *this;
}

TCPx8bitImage& TCPx8bitImage::operator-=(const TCPx8bitImage& other)
{
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat src = OperandFromStart(other, dst.cols, dst.rows, "operator-=");
  if (!dst.empty())
    cv::subtract(dst, src, dst);
  return *this;
}

TCPx8bitImage& TCPx8bitImage::operator*=(const TCPx8bitImage& other)
{
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat src = OperandFromStart(other, dst.cols, dst.rows, "operator*=");
  if (!dst.empty())
    PxPrim::MultiplyHalfRows(src.data, static_cast<int>(src.step[0]), dst.data, static_cast<int>(dst.step[0]),
                             dst.cols, dst.rows);
  return *this;
}

TCPx8bitImage& TCPx8bitImage::operator+=(unsigned char value)
{
  MapRegion(WholeRegion(*this), [value](std::uint8_t v) {
    const unsigned r = static_cast<unsigned>(v) + value;
    return static_cast<std::uint8_t>(r > 255u ? 255u : r);
  });
  return *this;
}

TCPx8bitImage& TCPx8bitImage::operator-=(unsigned char value)
{
  MapRegion(WholeRegion(*this), [value](std::uint8_t v) { return static_cast<std::uint8_t>(v > value ? v - value : 0); });
  return *this;
}

TCPx8bitImage& TCPx8bitImage::operator*=(unsigned char value)
{
  MapRegion(RoiRegion(*this), [value](std::uint8_t v) {
    const std::uint16_t r = static_cast<std::uint16_t>(v * value);
    return static_cast<std::uint8_t>(r > 255u ? 255u : r);
  });
  return *this;
}

TCPx8bitImage& TCPx8bitImage::operator/=(unsigned char value)
{
  if (value == 0)
    return *this; // no quotient exists; the pixels stay as they are
  ApplyLut(RoiRegion(*this), [value](int v) { return PxPrim::DivideRoundHalfEven(v, value); });
  return *this;
}

void TCPx8bitImage::Subtract(const TCPx8bitImage& a, const TCPx8bitImage& b, bool absolute)
{
  if (absolute)
  {
    cv::Mat dst = RoiView(*this);
    cv::absdiff(*a.GetMatPtr(), *b.GetMatPtr(), dst);
    return;
  }
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat ra = OperandFromRoi(a, dst.cols, dst.rows, "Subtract");
  const cv::Mat rb = OperandFromRoi(b, dst.cols, dst.rows, "Subtract");
  if (!dst.empty())
    cv::subtract(ra, rb, dst);
}

void TCPx8bitImage::And(const TCPx8bitImage& other)
{
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat src = OperandFromRoi(other, dst.cols, dst.rows, "And");
  if (!dst.empty())
    cv::bitwise_and(dst, src, dst);
}

void TCPx8bitImage::Or(const TCPx8bitImage& other)
{
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat src = OperandFromRoi(other, dst.cols, dst.rows, "Or");
  if (!dst.empty())
    cv::bitwise_or(dst, src, dst);
}

void TCPx8bitImage::And(unsigned char value, const TCPx8bitImage& mask)
{
  cv::Mat dst = RoiView(*this);
  cv::bitwise_and(dst, cv::Scalar(value), dst, *mask.GetMatPtr());
}

void TCPx8bitImage::Xor(const TCPx8bitImage& other)
{
  cv::Mat dst = *GetFullMatPtr();
  cv::bitwise_xor(dst, *other.GetFullMatPtr(), dst);
}

void TCPx8bitImage::Not()
{
  cv::Mat dst = RoiRegion(*this);
  if (!dst.empty())
    cv::bitwise_not(dst, dst);
}

// ---- set, copy and clamp -------------------------------------------------------------------
void TCPx8bitImage::Fill(unsigned char value)
{
  cv::Mat dst = RoiRegion(*this);
  if (!dst.empty())
    dst.setTo(cv::Scalar(value));
}

void TCPx8bitImage::Set(unsigned char value, const TCPx8bitImage& mask)
{
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat m = OperandFromRoi(mask, dst.cols, dst.rows, "Set", "mask");
  if (!dst.empty())
    dst.setTo(cv::Scalar(value), m);
}

void TCPx8bitImage::Set(unsigned char value, const TCPx8bitImage& mask, TCGenRect<int> rect)
{
  if (rect.GetLeft() < 0 || rect.GetTop() < 0 || rect.GetRight() > GetWidth() || rect.GetBottom() > GetHeight() ||
      rect.GetWidth() < 0 || rect.GetHeight() < 0)
    throw std::invalid_argument("Set: the rectangle must lie inside the image");
  cv::Mat dst = Region(*this, rect.GetLeft(), rect.GetTop(), rect.GetWidth(), rect.GetHeight());
  const cv::Mat m = OperandFromRoi(mask, dst.cols, dst.rows, "Set", "mask");
  if (!dst.empty())
    dst.setTo(cv::Scalar(value), m);
}

void TCPx8bitImage::Copy(const TCPx8bitImage& source, const TCPx8bitImage& mask)
{
  cv::Mat dst = RoiRegion(*this);
  const cv::Mat src = OperandFromRoi(source, dst.cols, dst.rows, "Copy");
  const cv::Mat m = OperandFromRoi(mask, dst.cols, dst.rows, "Copy", "mask");
  if (!dst.empty())
    src.copyTo(dst, m);
}

void TCPx8bitImage::CopyBuffer(const TCPx24bitImage& colour)
{
  cv::Mat dst = RoiView(*this);
  cv::cvtColor(*colour.GetMatPtr(), dst, cv::COLOR_BGR2GRAY);
}

void TCPx8bitImage::SetMaximumValue(unsigned char v)
{
  SetMaximumValue(v, v);
}

void TCPx8bitImage::SetMaximumValue(unsigned char threshold, unsigned char value)
{
  cv::Mat all = WholeRegion(*this);
  PxPrim::ThresholdRows(all.data, GetStepSize(), all.cols, all.rows, threshold, value, true);
}

void TCPx8bitImage::SetMinimumValue(unsigned char v)
{
  SetMinimumValue(v, v);
}

void TCPx8bitImage::SetMinimumValue(unsigned char threshold, unsigned char value)
{
  cv::Mat all = WholeRegion(*this);
  PxPrim::ThresholdRows(all.data, GetStepSize(), all.cols, all.rows, threshold, value, false);
}

TCPx8bitImage* TCPx8bitImage::CreateCopyMakeBorder(int border, unsigned char value) const
{
  if (border < 0)
    throw std::invalid_argument("CreateCopyMakeBorder: the border must not be negative");
  const long long w = GetWidth() + 2LL * border;
  const long long h = GetHeight() + 2LL * border;
  if (w > INT_MAX || h > INT_MAX)
    throw std::length_error("CreateCopyMakeBorder: the bordered image is too large");
  auto result = std::make_unique<TCPx8bitImage>(static_cast<int>(w), static_cast<int>(h));
  cv::Mat dst = *result->GetFullMatPtr();
  cv::copyMakeBorder(*GetFullMatPtr(), dst, border, border, border, border, cv::BORDER_CONSTANT, cv::Scalar(value));
  return result.release();
}

void TCPx8bitImage::EqualizeHistogram()
{
  cv::Mat roi = RoiView(*this);
  if (!roi.empty())
    cv::equalizeHist(roi, roi);
}

// ---- statistics ---------------------------------------------------------------------------
double TCPx8bitImage::Sum() const
{
  return cv::sum(*GetMatPtr())[0];
}

unsigned char TCPx8bitImage::GetMaximumValue() const
{
  return static_cast<unsigned char>(MinMaxOf(*GetMatPtr()).maxVal);
}

unsigned char TCPx8bitImage::GetMinimumValue() const
{
  return static_cast<unsigned char>(MinMaxOf(*GetMatPtr()).minVal);
}

std::pair<unsigned char, TCGenPoint<int>> TCPx8bitImage::GetMaximumValueAndPos() const
{
  const MinMax r = MinMaxOf(*GetMatPtr());
  return {static_cast<unsigned char>(r.maxVal), TCGenPoint<int>(r.maxLoc.x, r.maxLoc.y)};
}

std::pair<unsigned char, TCGenPoint<int>> TCPx8bitImage::GetMinimumValueAndPos() const
{
  const MinMax r = MinMaxOf(*GetMatPtr());
  return {static_cast<unsigned char>(r.minVal), TCGenPoint<int>(r.minLoc.x, r.minLoc.y)};
}

unsigned char TCPx8bitImage::GetMaximumValue(const TCPx8bitImage& mask) const
{
  const cv::Mat src = RoiRegion(*this);
  const cv::Mat m = OperandFromRoi(mask, src.cols, src.rows, "GetMaximumValue", "mask");
  return PxPrim::MaskedMinMax(src.data, static_cast<int>(src.step[0]), m.data, static_cast<int>(m.step[0]), src.cols,
                              src.rows)
      .second;
}

unsigned char TCPx8bitImage::GetMinimumValue(const TCPx8bitImage& mask) const
{
  const cv::Mat src = RoiRegion(*this);
  const cv::Mat m = OperandFromRoi(mask, src.cols, src.rows, "GetMinimumValue", "mask");
  return PxPrim::MaskedMinMax(src.data, static_cast<int>(src.step[0]), m.data, static_cast<int>(m.step[0]), src.cols,
                              src.rows)
      .first;
}

unsigned char TCPx8bitImage::GetMaximumValue(const TCPx8bitImage& mask, TCGenRect<int> rect) const
{
  if (rect.GetLeft() < 0 || rect.GetTop() < 0 || rect.GetRight() > GetWidth() || rect.GetBottom() > GetHeight() ||
      rect.GetWidth() < 0 || rect.GetHeight() < 0)
    throw std::invalid_argument("GetMaximumValue: the rectangle must lie inside the image");
  const cv::Mat src = Region(*this, rect.GetLeft(), rect.GetTop(), rect.GetWidth(), rect.GetHeight());
  const cv::Mat m = OperandFromRoi(mask, src.cols, src.rows, "GetMaximumValue", "mask");
  return PxPrim::MaskedMinMax(src.data, static_cast<int>(src.step[0]), m.data, static_cast<int>(m.step[0]), src.cols,
                              src.rows)
      .second;
}

std::pair<unsigned char, unsigned char> TCPx8bitImage::GetMinMaxValue(const TCPx8bitImage& mask) const
{
  unsigned char lo = 255, hi = 0;
  const TCGenRect<int> roi = GetROI();
  for (int y = roi.GetTop(); y < roi.GetBottom(); ++y)
    for (int x = roi.GetLeft(); x < roi.GetRight(); ++x)
    {
      if (mask.GetPixel(x, y) == 0)
        continue;
      const unsigned char v = GetPixelFast(x, y);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  return {lo, hi};
}

double TCPx8bitImage::GetOtsuThreshold() const
{
  const cv::Mat roi = *GetMatPtr();
  if (roi.empty())
    return 0.0;
  cv::Mat scratch(roi.size(), CV_8UC1);
  return cv::threshold(roi, scratch, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
}

double TCPx8bitImage::GetOtsuThreshold(const TCPx8bitImage& mask) const
{
  const TCGenRect<int> roi = GetROI();
  const TCGenRect<int> mroi = mask.GetROI();
  if (roi.GetWidth() != mroi.GetWidth() || roi.GetHeight() != mroi.GetHeight())
    return std::numeric_limits<double>::quiet_NaN();
  const cv::Mat src = RoiRegion(*this);
  const cv::Mat m = OperandFromRoi(mask, src.cols, src.rows, "GetOtsuThreshold", "mask");
  std::uint32_t counts[256];
  const long long n = PxPrim::MaskedHistogram256(src.data, static_cast<int>(src.step[0]), m.data,
                                                 static_cast<int>(m.step[0]), src.cols, src.rows, counts);
  if (src.rows == 0 || n == 0)
    return std::numeric_limits<double>::quiet_NaN();
  return PxPrim::OtsuFromHistogram(counts, n);
}

// ---- drawing --------------------------------------------------------------------------------
void TCPx8bitImage::Line(int x1, int y1, int x2, int y2, unsigned char value, int thickness)
{
  cv::Mat roi = RoiView(*this);
  cv::line(roi, cv::Point(x1, y1), cv::Point(x2, y2), cv::Scalar(value), thickness, cv::LINE_8, 0);
}

void TCPx8bitImage::Line(const TCGenPoint<int>& p1, const TCGenPoint<int>& p2, unsigned char value, int thickness)
{
  Line(p1.GetX(), p1.GetY(), p2.GetX(), p2.GetY(), value, thickness);
}

void TCPx8bitImage::Line(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2, unsigned char value,
                         int thickness)
{
  Line(TCPxConversion::RoundPoint(p1), TCPxConversion::RoundPoint(p2), value, thickness);
}

void TCPx8bitImage::Rectangle(const TCGenRect<int>& rect, unsigned char value)
{
  Rectangle(rect, value, -1);
}

void TCPx8bitImage::Rectangle(const TCGenRect<int>& rect, unsigned char value, int thickness)
{
  cv::Mat roi = RoiView(*this);
  cv::rectangle(roi, cv::Point(rect.GetLeft(), rect.GetTop()), cv::Point(rect.GetRight(), rect.GetBottom()),
                cv::Scalar(value), thickness, cv::LINE_8, 0);
}

void TCPx8bitImage::Circle(TCGenPoint<int> centre, int radius, unsigned char value, int thickness, bool filled)
{
  if (radius < 0)
    return; // OpenCV rejects a negative radius; there is nothing to draw
  cv::Mat roi = RoiView(*this);
  cv::circle(roi, cv::Point(centre.GetX(), centre.GetY()), radius, cv::Scalar(value), filled ? -1 : thickness,
             cv::LINE_8, 0);
}

void TCPx8bitImage::Circle(TCGenPoint<double> centre, int radius, unsigned char value, int thickness, bool filled)
{
  Circle(TCPxConversion::RoundPoint(centre), radius, value, thickness, filled);
}

void TCPx8bitImage::Ellipse(TCGenPoint<int> centre, int axisX, int axisY, double angle, unsigned char value,
                            int thickness, bool filled)
{
  if (axisX < 0 || axisY < 0)
    return; // no ellipse has negative axes
  cv::Mat roi = RoiView(*this);
  cv::ellipse(roi, cv::Point(centre.GetX(), centre.GetY()), cv::Size(axisX, axisY), angle, 0, 360.0,
              cv::Scalar(value), filled ? -1 : thickness, cv::LINE_8, 0);
}

void TCPx8bitImage::Ellipse(TCGenPoint<double> centre, int axisX, int axisY, double angle, unsigned char value,
                            int thickness, bool filled)
{
  Ellipse(TCPxConversion::RoundPoint(centre), axisX, axisY, angle, value, thickness, filled);
}

void TCPx8bitImage::FillConvexPoly(const std::vector<TCGenPoint<double>>& points, unsigned char value)
{
  std::vector<cv::Point> pts;
  pts.reserve(points.size());
  for (const auto& p : points)
    pts.emplace_back(static_cast<int>(p.GetX()), static_cast<int>(p.GetY()));
  if (!pts.empty())
    FillConvexPoly(pts.data(), static_cast<int>(pts.size()), value);
}

void TCPx8bitImage::FillConvexPoly(cv::Point* points, int count, unsigned char value)
{
  if (!points || count <= 0)
    return;
  cv::Mat roi = RoiView(*this);
  cv::fillConvexPoly(roi, points, count, cv::Scalar(value), cv::LINE_8, 0);
}

void TCPx8bitImage::DrawContour(const TCPxContour* contour, unsigned char value, bool filled, int thickness)
{
  if (!contour)
    return;
  cv::Mat roi = RoiView(*this);
  PxPrim::DrawOutline(roi, contour->GetPoints(), cv::Scalar(value), filled, thickness);
}

void TCPx8bitImage::DrawContours(const std::list<std::shared_ptr<TCPxContour>>& contours, unsigned char value,
                                 bool filled, int thickness)
{
  for (const auto& contour : contours)
    DrawContour(contour.get(), value, filled, thickness);
}

void TCPx8bitImage::FloodFill(const TCGenPoint<int>& seed, unsigned char value)
{
  cv::Mat roi = RoiView(*this);
  cv::floodFill(roi, cv::Point(seed.GetX(), seed.GetY()), cv::Scalar(value), nullptr, cv::Scalar(0), cv::Scalar(0),
                4);
}

// ---- geometry ---------------------------------------------------------------------------------
namespace
{
void WarpAffineWhole(const TCPx8bitImage& source, TCPx8bitImage* target, const cv::Mat& forward)
{
  cv::Mat dst = WholeRegion(*target);
  PxPrim::WarpAffineCubicInside(WholeRegion(source), dst, forward.ptr<double>());
}
} // namespace

void TCPx8bitImage::Rotate(float angleDegrees, TCPx8bitImage* target)
{
  if (!target)
    return;
  const int w = GetWidth(), h = GetHeight();
  // Rotation about the source centre (integer halves), counter-clockwise on screen for positive angles.
  cv::Mat forward = cv::getRotationMatrix2D(cv::Point2f(static_cast<float>(w / 2), static_cast<float>(h / 2)),
                                            static_cast<double>(angleDegrees), 1.0);
  // A larger target receives the rotated image centred; a smaller one is not re-centred.
  const int dx = (target->GetWidth() - w) / 2;
  const int dy = (target->GetHeight() - h) / 2;
  if (dx > 0)
    forward.at<double>(0, 2) += dx;
  if (dy > 0)
    forward.at<double>(1, 2) += dy;
  WarpAffineWhole(*this, target, forward);
}

void TCPx8bitImage::Rotate(TCGenPoint<double> centre, float angleRadians, TCPx8bitImage* target) const
{
  if (!target)
    return;
  const float degrees = static_cast<float>(angleRadians * 180.0f / 3.1415927f);
  const cv::Mat forward = cv::getRotationMatrix2D(
      cv::Point2f(static_cast<float>(centre.GetX()), static_cast<float>(centre.GetY())), degrees, 1.0);
  WarpAffineWhole(*this, target, forward);
}

void TCPx8bitImage::WarpAffineQuad(const std::vector<TCGenPoint<double>>& sourceQuad,
                                   const std::vector<TCGenPoint<double>>& targetQuad, TCPx8bitImage* target)
{
  if (!target || sourceQuad.size() < 4 || targetQuad.size() < 4)
    return;
  double src[8], dst[8];
  for (int i = 0; i < 4; ++i)
  {
    src[2 * i] = sourceQuad[i].GetX();
    src[2 * i + 1] = sourceQuad[i].GetY();
    dst[2 * i] = targetQuad[i].GetX();
    dst[2 * i + 1] = targetQuad[i].GetY();
  }
  cv::Mat mapX, mapY;
  if (!PxPrim::BilinearQuadInverseMaps(src, dst, target->GetWidth(), target->GetHeight(),
                                       mapX, mapY))
    return; // degenerate quadrangles define no transform
  cv::Mat out = WholeRegion(*target);
  PxPrim::RemapCubicInside(WholeRegion(*this), out, mapX, mapY);
}
