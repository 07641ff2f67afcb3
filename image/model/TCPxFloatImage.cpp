#include <pixolan/model/TCPxFloatImage.h>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPxConversion.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxImageViews.h"
#include "primitives/PxFloatPrimitives.h"
#include "primitives/PxPrimitives.h"
#include "primitives/PxUtilPrimitives.h"

namespace
{
using PxFloatPrim::EBinary;
using PxFloatPrim::EScalar;
using PxFloatPrim::EUnary;

// A typed rectangle of an image's buffer: what the row kernels work on.
struct Block
{
  float* data;
  int stride;
  int width;
  int height;
};

Block Region(const TCPxFloatImage& image, int left, int top, int width, int height)
{
  auto* base = static_cast<unsigned char*>(const_cast<void*>(image.GetBuffer()));
  auto* p = reinterpret_cast<float*>(base + static_cast<std::ptrdiff_t>(top) * image.GetStepSize()) + left;
  return {p, image.GetStepSize(), width, height};
}

Block RoiRegion(const TCPxFloatImage& image)
{
  const TCGenRect<int> roi = image.GetROI();
  return Region(image, roi.GetLeft(), roi.GetTop(), roi.GetWidth(), roi.GetHeight());
}

Block WholeRegion(const TCPxFloatImage& image)
{
  return Region(image, 0, 0, image.GetWidth(), image.GetHeight());
}

using _impl::MinMax;
using _impl::MinMaxOf;
using _impl::RoiView;
using _impl::ThrowOperandTooSmall;

// Operand read from its ROI's top-left pixel over a width x height region.
Block OperandFromRoi(const TCPxFloatImage& operand, int width, int height, const char* operation)
{
  const TCGenRect<int> roi = operand.GetROI();
  if (static_cast<long long>(roi.GetLeft()) + width > operand.GetWidth() ||
      static_cast<long long>(roi.GetTop()) + height > operand.GetHeight())
    ThrowOperandTooSmall(operation, "operand image");
  return Region(operand, roi.GetLeft(), roi.GetTop(), width, height);
}

// Operand read from its first pixel over a width x height region.
Block OperandFromStart(const TCPxFloatImage& operand, int width, int height, const char* operation)
{
  if (width > operand.GetWidth() || height > operand.GetHeight())
    ThrowOperandTooSmall(operation, "operand image");
  return Region(operand, 0, 0, width, height);
}

void Binary(EBinary op, const Block& a, const Block& b, const Block& dst)
{
  if (dst.width > 0 && dst.height > 0)
    PxFloatPrim::BinaryRows(op, a.data, a.stride, b.data, b.stride, dst.data, dst.stride, dst.width, dst.height);
}

void Unary(EUnary op, const Block& dst)
{
  if (dst.width > 0 && dst.height > 0)
    PxFloatPrim::UnaryRows(op, dst.data, dst.stride, dst.width, dst.height);
}

void Scalar(EScalar op, float c, const Block& dst)
{
  if (dst.width > 0 && dst.height > 0)
    PxFloatPrim::ScalarRows(op, c, dst.data, dst.stride, dst.width, dst.height);
}



// Index of the first (last) value of a row that compares unequal to 0 (NaN
// counts as non-zero); -1 when there is none.
int FirstNonZero(const float* row, int width)
{
  for (int x = 0; x < width; ++x)
    if (row[x] != 0.0f)
      return x;
  return -1;
}

int LastNonZero(const float* row, int width)
{
  for (int x = width - 1; x >= 0; --x)
    if (row[x] != 0.0f)
      return x;
  return -1;
}
} // namespace

// ---- construction ----------------------------------------------------------------------
TCPxFloatImage::TCPxFloatImage(int width, int height)
    : TCPxImageBase(ImageTypeFloat, width, height, 1, TCGenRect<int>())
{
  Allocate();
}

TCPxFloatImage::TCPxFloatImage(const TCPxFloatImage& source)
    : TCPxImageBase(ImageTypeFloat, source.GetWidth(), source.GetHeight(), 1, TCGenRect<int>())
{
  Allocate();
  PxPrim::CopyRows(static_cast<const std::uint8_t*>(source.GetBuffer()), source.GetStepSize(),
                   reinterpret_cast<std::uint8_t*>(m_pData), GetStepSize(),
                   static_cast<std::size_t>(GetWidth()) * sizeof(float), GetHeight());
  SetROI(source.GetROI());
}

TCPxFloatImage::TCPxFloatImage(const TCPx8bitImage& source)
    : TCPxImageBase(ImageTypeFloat, source.GetWidth(), source.GetHeight(), 1, TCGenRect<int>())
{
  Allocate();
  PxPrim::U8ToF32Rows(source.GetBuffer(), source.GetStepSize(), m_pData, GetStepSize(), GetWidth(),
                             GetHeight());
  SetROI(source.GetROI());
}

TCPxFloatImage::~TCPxFloatImage()
{
  ReleasePixels(m_pData);
}

void TCPxFloatImage::Allocate()
{
  m_pData = static_cast<float*>(AllocatePixels(sizeof(float)));
}

float* TCPxFloatImage::Row(int y) const
{
  return reinterpret_cast<float*>(reinterpret_cast<unsigned char*>(m_pData) +
                                  static_cast<std::ptrdiff_t>(y) * GetStepSize());
}

TCPxImageBase* TCPxFloatImage::Create(int width, int height) const
{
  return new TCPxFloatImage(width, height);
}

TCPxImageBase* TCPxFloatImage::Clone() const
{
  return new TCPxFloatImage(*this);
}

int TCPxFloatImage::GetPixelSize() const
{
  return static_cast<int>(sizeof(float));
}

void TCPxFloatImage::Mirror(bool vertical)
{
  cv::Mat roi = RoiView(*this);
  if (!roi.empty())
    cv::flip(roi, roi, vertical ? 0 : 1);
}

// ---- copies --------------------------------------------------------------------------------
TCPxFloatImage& TCPxFloatImage::operator=(const TCPxFloatImage& source)
{
  if (this != &source)
    TCPxImageBase::CopyBuffer(source);
  return *this;
}

TCPxFloatImage& TCPxFloatImage::operator=(const TCPx8bitImage& source)
{
  const TCGenRect<int> roi = source.GetROI();
  if (roi.GetWidth() > GetWidth() || roi.GetHeight() > GetHeight())
    throw std::invalid_argument("operator=: the grey image's ROI does not fit into this image");
  if (roi.IsEmpty())
    return *this;
  const unsigned char* src = source.GetBuffer() + static_cast<std::ptrdiff_t>(roi.GetTop()) * source.GetStepSize() +
                             roi.GetLeft();
  PxPrim::U8ToF32Rows(src, source.GetStepSize(), m_pData, GetStepSize(), roi.GetWidth(), roi.GetHeight());
  return *this;
}

void TCPxFloatImage::Copy16uBuffer(const unsigned short* source, int sourceStride)
{
  const TCGenRect<int> roi = GetROI();
  if (!source || roi.IsEmpty() || sourceStride < 2LL * roi.GetWidth())
    return;
  const Block dst = RoiRegion(*this);
  PxFloatPrim::Convert16uRows(source, sourceStride, dst.data, dst.stride, dst.width, dst.height);
}

void TCPxFloatImage::Copy16uBuffer(const unsigned short* source, int sourceStride, long long sourceLength)
{
  const TCGenRect<int> roi = GetROI();
  const long long needed = (roi.GetHeight() - 1LL) * sourceStride + 2LL * roi.GetWidth();
  if (roi.IsEmpty() || sourceLength < needed)
    return;
  Copy16uBuffer(source, sourceStride);
}

std::ostream& operator<<(std::ostream& stream, const TCPxFloatImage& image)
{
  const std::streamsize saved = stream.precision(8);
  for (int y = 0; y < image.GetHeight(); ++y)
  {
    for (int x = 0; x < image.GetWidth(); ++x)
    {
      if (x > 0)
        stream << ",";
      stream << image.GetPixelFast(x, y);
    }
    stream << std::endl;
  }
  stream.precision(saved);
  return stream;
}

// ---- arithmetic -------------------------------------------------------------------------------
TCPxFloatImage& TCPxFloatImage::operator+=(const TCPxFloatImage& other)
{
  const Block dst = RoiRegion(*this);
  Binary(EBinary::Add, dst, OperandFromRoi(other, dst.width, dst.height, "operator+="), dst);
  return *this;
}

TCPxFloatImage& TCPxFloatImage::operator-=(const TCPxFloatImage& other)
{
  const Block dst = RoiRegion(*this);
  Binary(EBinary::Sub, dst, OperandFromRoi(other, dst.width, dst.height, "operator-="), dst);
  return *this;
}

TCPxFloatImage& TCPxFloatImage::operator*=(const TCPxFloatImage& other)
{
  const Block dst = RoiRegion(*this);
  Binary(EBinary::Mul, dst, OperandFromRoi(other, dst.width, dst.height, "operator*="), dst);
  return *this;
}

TCPxFloatImage& TCPxFloatImage::operator/=(const TCPxFloatImage& other)
{
  const Block dst = WholeRegion(*this);
  Binary(EBinary::Div, dst, OperandFromStart(other, dst.width, dst.height, "operator/="), dst);
  return *this;
}

TCPxFloatImage& TCPxFloatImage::operator+=(float value)
{
  Scalar(EScalar::Add, value, RoiRegion(*this));
  return *this;
}

TCPxFloatImage& TCPxFloatImage::operator*=(float value)
{
  Scalar(EScalar::Mul, value, RoiRegion(*this));
  return *this;
}

TCPxFloatImage& TCPxFloatImage::operator-=(float value)
{
  return *this += -value;
}

TCPxFloatImage& TCPxFloatImage::operator/=(float value)
{
  return *this *= static_cast<float>(1.0 / static_cast<double>(value));
}

TCPxFloatImage& TCPxFloatImage::operator|=(const TCPxFloatImage& other)
{
  cv::Mat dst = RoiView(*this);
  cv::bitwise_or(dst, *other.GetMatPtr(), dst);
  return *this;
}

void TCPxFloatImage::Sum(const TCPxFloatImage& a, const TCPxFloatImage& b)
{
  const Block dst = WholeRegion(*this);
  Binary(EBinary::Add, OperandFromStart(a, dst.width, dst.height, "Sum"),
         OperandFromStart(b, dst.width, dst.height, "Sum"), dst);
}

void TCPxFloatImage::Sub(const TCPxFloatImage& a, const TCPxFloatImage& b)
{
  const Block dst = WholeRegion(*this);
  Binary(EBinary::Sub, OperandFromStart(a, dst.width, dst.height, "Sub"),
         OperandFromStart(b, dst.width, dst.height, "Sub"), dst);
}

void TCPxFloatImage::Prod(const TCPxFloatImage& a, const TCPxFloatImage& b)
{
  const Block dst = WholeRegion(*this);
  Binary(EBinary::Mul, OperandFromStart(a, dst.width, dst.height, "Prod"),
         OperandFromStart(b, dst.width, dst.height, "Prod"), dst);
}

void TCPxFloatImage::Div(const TCPxFloatImage& a, const TCPxFloatImage& b)
{
  const Block dst = WholeRegion(*this);
  Binary(EBinary::Div, OperandFromStart(a, dst.width, dst.height, "Div"),
         OperandFromStart(b, dst.width, dst.height, "Div"), dst);
}

void TCPxFloatImage::Max(const TCPxFloatImage& other)
{
  const Block dst = RoiRegion(*this);
  Binary(EBinary::Max, dst, OperandFromRoi(other, dst.width, dst.height, "Max"), dst);
}

void TCPxFloatImage::Abs()
{
  Unary(EUnary::Abs, RoiRegion(*this));
}

void TCPxFloatImage::Sqr()
{
  Unary(EUnary::Sqr, RoiRegion(*this));
}

void TCPxFloatImage::Sqrt()
{
  Unary(EUnary::Sqrt, RoiRegion(*this));
}

void TCPxFloatImage::Exp()
{
  Unary(EUnary::Exp, RoiRegion(*this));
}

void TCPxFloatImage::Log()
{
  Unary(EUnary::Ln, RoiRegion(*this));
}

void TCPxFloatImage::Tan()
{
  Unary(EUnary::Tan, RoiRegion(*this));
}

void TCPxFloatImage::Pow(double p)
{
  Log();
  *this *= static_cast<float>(p);
  Exp();
}

void TCPxFloatImage::Normalize()
{
  const MinMax r = MinMaxOf(*GetMatPtr());
  if (r.minVal == r.maxVal)
    return;
  *this += static_cast<float>(-r.minVal);
  *this *= static_cast<float>(1.0 / (r.maxVal - r.minVal));
}

// ---- set, clamp and pixel access ------------------------------------------------------------------
void TCPxFloatImage::Fill(float value)
{
  const Block dst = RoiRegion(*this);
  if (dst.width > 0 && dst.height > 0)
    PxFloatPrim::SetRows(value, dst.data, dst.stride, dst.width, dst.height);
}

void TCPxFloatImage::Set(float value, const TCPx8bitImage& mask)
{
  if (mask.GetWidth() < GetWidth() || mask.GetHeight() < GetHeight())
    ThrowOperandTooSmall("Set", "mask");
  PxFloatPrim::SetMaskedRows(value, mask.GetBuffer(), mask.GetStepSize(), m_pData, GetStepSize(), GetWidth(),
                             GetHeight());
}

void TCPxFloatImage::SetMaximumValue(float v)
{
  SetMaximumValue(v, v);
}

void TCPxFloatImage::SetMaximumValue(float threshold, float value)
{
  PxFloatPrim::ThresholdRows(m_pData, GetStepSize(), GetWidth(), GetHeight(), threshold, value, true);
}

void TCPxFloatImage::SetMinimumValue(float v)
{
  SetMinimumValue(v, v);
}

void TCPxFloatImage::SetMinimumValue(float threshold, float value)
{
  PxFloatPrim::ThresholdRows(m_pData, GetStepSize(), GetWidth(), GetHeight(), threshold, value, false);
}

float TCPxFloatImage::GetPixel(int x, int y) const
{
  const TCGenRect<int> roi = GetROI();
  if (x < 0 || y < 0 || x >= roi.GetWidth() || y >= roi.GetHeight())
    throw std::range_error("x,y should lie in the ROI");
  return Row(roi.GetTop() + y)[roi.GetLeft() + x];
}

float TCPxFloatImage::GetPixelFast(int x, int y) const
{
  return Row(y)[x];
}

void TCPxFloatImage::SetPixelFast(int x, int y, float value)
{
  Row(y)[x] = value;
}

void TCPxFloatImage::SetPixel(int x, int y, float value)
{
  const TCGenRect<int> roi = GetROI();
  if (x < 0 || y < 0 || x >= roi.GetWidth() || y >= roi.GetHeight())
    return;
  Row(roi.GetTop() + y)[roi.GetLeft() + x] = value;
}

float TCPxFloatImage::GetSubPixel(double x, double y, TCPxFloatImage* patch) const
{
  if (!patch)
    return std::numeric_limits<float>::quiet_NaN();
  const TCGenRect<int> proi = patch->GetROI();
  if (proi.IsEmpty() || GetROI().IsEmpty())
    return std::numeric_limits<float>::quiet_NaN();
  // The patch's ROI size, so the result lands in the patch's own pixels.
  cv::Mat out = RoiView(*patch);
  cv::getRectSubPix(*GetMatPtr(), out.size(), cv::Point2f(static_cast<float>(x), static_cast<float>(y)), out, -1);
  return patch->Row(proi.GetTop())[proi.GetLeft()];
}

// ---- drawing -----------------------------------------------------------------------------------------
void TCPxFloatImage::Line(int x1, int y1, int x2, int y2, float value, int thickness)
{
  cv::Mat roi = RoiView(*this);
  cv::line(roi, cv::Point(x1, y1), cv::Point(x2, y2), cv::Scalar(value), thickness, cv::LINE_8, 0);
}

void TCPxFloatImage::Line(const TCGenPoint<int>& p1, const TCGenPoint<int>& p2, float value, int thickness)
{
  Line(p1.GetX(), p1.GetY(), p2.GetX(), p2.GetY(), value, thickness);
}

void TCPxFloatImage::Line(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2, float value, int thickness)
{
  Line(TCPxConversion::RoundPoint(p1), TCPxConversion::RoundPoint(p2), value, thickness);
}

void TCPxFloatImage::Rectangle(const TCGenRect<int>& rect, float value, int thickness)
{
  cv::Mat roi = RoiView(*this);
  cv::rectangle(roi, cv::Point(rect.GetLeft(), rect.GetTop()), cv::Point(rect.GetRight(), rect.GetBottom()),
                cv::Scalar(value), thickness, cv::LINE_8, 0);
}

void TCPxFloatImage::FillConvexPoly(const std::vector<TCGenPoint<double>>& points, float value)
{
  std::vector<cv::Point> pts;
  pts.reserve(points.size());
  for (const auto& p : points)
    pts.emplace_back(static_cast<int>(p.GetX()), static_cast<int>(p.GetY()));
  if (pts.empty())
    return;
  cv::Mat roi = RoiView(*this);
  cv::fillConvexPoly(roi, pts.data(), static_cast<int>(pts.size()), cv::Scalar(value), cv::LINE_8, 0);
}

void TCPxFloatImage::DrawContour(const TCPxContour* contour, float value, bool filled, int thickness)
{
  if (!contour || contour->GetPoints().empty())
    return;
  cv::Mat roi = RoiView(*this);
  const std::vector<std::vector<cv::Point>> contours{contour->GetPoints()};
  cv::drawContours(roi, contours, 0, cv::Scalar(value), filled ? cv::FILLED : thickness, cv::LINE_8, cv::noArray(),
                   INT_MAX, cv::Point(0, 0));
}

void TCPxFloatImage::DrawContours(const std::list<std::shared_ptr<TCPxContour>>& contours, float value, bool filled,
                                  int thickness)
{
  for (const auto& c : contours)
    DrawContour(c.get(), value, filled, thickness);
}

// ---- geometry ------------------------------------------------------------------------------------------
void TCPxFloatImage::WarpAffineQuad(const std::vector<TCGenPoint<double>>& sourceQuad,
                                    const std::vector<TCGenPoint<double>>& targetQuad, TCPxFloatImage* target)
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
  cv::Mat source = *GetFullMatPtr();
  if (target == this)
    source = source.clone(); // warping an image into itself reads from a snapshot
  cv::Mat out = *target->GetFullMatPtr();
  PxFloatPrim::WarpAffineQuadLinear(source, out, src, dst);
}

void TCPxFloatImage::CircShift(int rowShift, int columnShift)
{
  const int h = GetHeight();
  const int w = GetWidth();
  int r = rowShift % h;
  int c = columnShift % w;
  if (r < 0)
    r += h;
  if (c < 0)
    c += w;
  PxFloatPrim::CircShift32(m_pData, GetStepSize(), w, h, r, c);
}

// ---- statistics ------------------------------------------------------------------------------------------
double TCPxFloatImage::Sum() const
{
  return cv::sum(*GetMatPtr())[0];
}

double TCPxFloatImage::Mean() const
{
  return cv::mean(*GetMatPtr())[0];
}

void TCPxFloatImage::MeanStd(double* mean, double* std) const
{
  cv::Scalar m, s;
  cv::meanStdDev(*GetMatPtr(), m, s);
  if (mean)
    *mean = m[0];
  if (std)
    *std = s[0];
}

void TCPxFloatImage::MeanStd(double* mean, double* std, const TCPx8bitImage& mask) const
{
  cv::Scalar m, s;
  cv::meanStdDev(*GetMatPtr(), m, s, *mask.GetMatPtr());
  if (mean)
    *mean = m[0];
  if (std)
    *std = s[0];
}

float TCPxFloatImage::GetMaximumValue() const
{
  return static_cast<float>(MinMaxOf(*GetMatPtr()).maxVal);
}

float TCPxFloatImage::GetMinimumValue() const
{
  return static_cast<float>(MinMaxOf(*GetMatPtr()).minVal);
}

std::pair<float, TCGenPoint<int>> TCPxFloatImage::GetMaximumValueAndPos() const
{
  const MinMax r = MinMaxOf(*GetMatPtr());
  return {static_cast<float>(r.maxVal), TCGenPoint<int>(r.maxLoc.x, r.maxLoc.y)};
}

std::pair<float, TCGenPoint<int>> TCPxFloatImage::GetMinimumValueAndPos() const
{
  const MinMax r = MinMaxOf(*GetMatPtr());
  return {static_cast<float>(r.minVal), TCGenPoint<int>(r.minLoc.x, r.minLoc.y)};
}

std::pair<float, float> TCPxFloatImage::GetMinMaxValue(const TCPx8bitImage& mask) const
{
  float lo = 3.4028235e38f, hi = -3.4028235e38f;
  const TCGenRect<int> roi = GetROI();
  if (roi.IsEmpty())
    return {lo, hi};
  // The mask is looked up at this image's whole-image coordinates relative to
  // its own ROI, so the ROI must end within the mask's ROI size.
  const TCGenRect<int> mroi = mask.GetROI();
  if (roi.GetRight() > mroi.GetWidth() || roi.GetBottom() > mroi.GetHeight())
    throw std::range_error("x,y should lie in the ROI");
  for (int y = roi.GetTop(); y < roi.GetBottom(); ++y)
  {
    const float* row = Row(y);
    const unsigned char* m =
        mask.GetBuffer() + static_cast<std::ptrdiff_t>(mroi.GetTop() + y) * mask.GetStepSize() + mroi.GetLeft();
    for (int x = roi.GetLeft(); x < roi.GetRight(); ++x)
    {
      if (m[x] == 0)
        continue;
      lo = std::min(lo, row[x]);
      hi = std::max(hi, row[x]);
    }
  }
  return {lo, hi};
}

double TCPxFloatImage::NaNMeanAbs() const
{
  const Block b = RoiRegion(*this);
  long long n = 0;
  double s = 0.0;
  for (int y = 0; y < b.height; ++y)
  {
    const float* row = Row(GetROI().GetTop() + y) + GetROI().GetLeft();
    for (int x = 0; x < b.width; ++x)
    {
      if (std::isnan(row[x]))
        continue;
      ++n;
      s += static_cast<double>(std::fabs(row[x]));
    }
  }
  return n == 0 ? std::numeric_limits<double>::quiet_NaN() : s / static_cast<double>(n);
}

void TCPxFloatImage::NaNMeanStd(double* mean, double* std) const
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const TCGenRect<int> roi = GetROI();
  const int width = std::max(roi.GetWidth(), 0);
  const int height = std::max(roi.GetHeight(), 0);
  long long n = 0;
  double s = 0.0;
  for (int y = 0; y < height; ++y)
  {
    const float* row = Row(roi.GetTop() + y) + roi.GetLeft();
    for (int x = 0; x < width; ++x)
      if (!std::isnan(row[x]))
      {
        ++n;
        s += row[x];
      }
  }
  if (n == 0)
  {
    if (mean)
      *mean = nan;
    if (std)
      *std = nan;
    return;
  }
  const double m = s / static_cast<double>(n);
  if (mean)
    *mean = m;
  if (!std)
    return;
  if (n <= 1)
  {
    *std = nan;
    return;
  }
  // Corrected two-pass form: the sum of deviations compensates the rounding of the mean.
  double sumSq = 0.0, sumD = 0.0;
  for (int y = 0; y < height; ++y)
  {
    const float* row = Row(roi.GetTop() + y) + roi.GetLeft();
    for (int x = 0; x < width; ++x)
      if (!std::isnan(row[x]))
      {
        const float d = static_cast<float>(row[x] - m);
        sumSq += d * d;
        sumD += d;
      }
  }
  const double dn = static_cast<double>(n);
  *std = std::sqrt((sumSq - sumD * sumD / dn) / (dn - 1.0));
}

std::uint64_t TCPxFloatImage::FindFirstNonZeroRow() const
{
  const TCGenRect<int> roi = GetROI();
  for (int y = roi.GetTop(); y < roi.GetBottom(); ++y)
    if (FirstNonZero(Row(y) + roi.GetLeft(), roi.GetWidth()) >= 0)
      return static_cast<std::uint64_t>(y);
  return kNoRow;
}

std::uint64_t TCPxFloatImage::FindLastNonZeroRow() const
{
  const TCGenRect<int> roi = GetROI();
  for (int y = roi.GetBottom() - 1; y >= roi.GetTop(); --y)
    if (FirstNonZero(Row(y) + roi.GetLeft(), roi.GetWidth()) >= 0)
      return static_cast<std::uint64_t>(y);
  return kNoRow;
}

TCGenRect<int> TCPxFloatImage::FindNonZeroRect() const
{
  const std::uint64_t first = FindFirstNonZeroRow();
  const std::uint64_t last = FindLastNonZeroRow();
  if (first == kNoRow || last == kNoRow)
    return TCGenRect<int>(INT_MAX, INT_MAX, INT_MAX, INT_MAX);
  const TCGenRect<int> roi = GetROI();
  int left = INT_MAX, right = -1;
  for (int y = static_cast<int>(first); y <= static_cast<int>(last); ++y)
  {
    const float* row = Row(y) + roi.GetLeft();
    const int l = FirstNonZero(row, roi.GetWidth());
    if (l < 0)
      continue;
    left = std::min(left, roi.GetLeft() + l);
    right = std::max(right, roi.GetLeft() + LastNonZero(row, roi.GetWidth()));
  }
  return TCGenRect<int>(left, static_cast<int>(first), right, static_cast<int>(last));
}
