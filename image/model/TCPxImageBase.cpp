#include <pixolan/model/TCPxImageBase.h>
#include <pixolan/model/TCPxUtil.h>

#include <cstring>
#include <stdexcept>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/GenConvert.h>

#include "primitives/PxPrimitives.h"

namespace
{
// OpenCV element type of the views; -1 for types without views.
int ViewType(NPxImageTypes type)
{
  switch (type)
  {
  case ImageType8bit: return CV_8UC1;
  case ImageType24bit: return CV_8UC3;
  case ImageType32bit: return CV_8UC4;
  case ImageTypeFloat: return CV_32FC1;
  case ImageTypeInt32: return CV_32SC1;
  default: return -1;
  }
}

int InterpolationFlag(Px::EInterpolationType kind)
{
  switch (kind)
  {
  case Px::InterpolationNearestNeighbour: return cv::INTER_NEAREST;
  case Px::InterpolationLinear: return cv::INTER_LINEAR;
  case Px::InterpolationArea: return cv::INTER_AREA;
  case Px::InterpolationCubic: return cv::INTER_CUBIC;
  default: return -1;
  }
}

cv::Rect ToCvRect(const TCGenRect<int>& r)
{
  return cv::Rect(r.GetLeft(), r.GetTop(), r.GetWidth(), r.GetHeight());
}
} // namespace

TCPxImageBase::TCPxImageBase(NPxImageTypes type, int width, int height, int channels, TCGenRect<int> roi)
    : m_iWidth(width), m_iHeight(height), m_iChannels(channels), m_eImageType(type), m_roi(roi)
{
  if (width <= 0 || height <= 0)
    throw std::invalid_argument("image width and height must be positive");
  if (roi.GetWidth() == 0)
    m_roi = TCGenRect<int>(0, 0, width, height);
  m_pRoiRect = std::make_shared<cv::Rect>(ToCvRect(m_roi));
}

TCPxImageBase::~TCPxImageBase() = default;

int TCPxImageBase::GetBufferSize() const
{
  return m_iBufferSize;
}

int TCPxImageBase::GetIntensityHistogram(int, std::vector<int>*) const
{
  return -1;
}

void TCPxImageBase::Scale(const TCPxImageBase& source, Px::EInterpolationType kind)
{
  const int flag = InterpolationFlag(kind);
  if (flag < 0 || !m_pRoiMat || !source.m_pRoiMat || m_pRoiMat->empty() || source.m_pRoiMat->empty())
    return;
  if (source.m_pRoiMat->type() != m_pRoiMat->type())
    return; // OpenCV would write into a fresh matrix: nothing would reach this image
  cv::Mat target = *m_pRoiMat;
  cv::resize(*source.m_pRoiMat, target, cv::Size(m_roi.GetWidth(), m_roi.GetHeight()), 0, 0, flag);
}

void TCPxImageBase::ScaleNearestNeighbour(const TCPxImageBase& source)
{
  Scale(source, Px::InterpolationNearestNeighbour);
}

void TCPxImageBase::Mirror(bool)
{
}

bool TCPxImageBase::operator==(const TCPxImageBase& other) const
{
  if (m_iWidth != other.m_iWidth || m_iHeight != other.m_iHeight || GetPixelSize() != other.GetPixelSize())
    return false;
  const auto* a = static_cast<const unsigned char*>(m_pBuffer);
  const auto* b = static_cast<const unsigned char*>(other.m_pBuffer);
  if (a == b)
    return true;
  if (!a || !b)
    return false;
  const std::size_t rowBytes = static_cast<std::size_t>(m_iWidth) * static_cast<std::size_t>(GetPixelSize());
  for (int y = 0; y < m_iHeight; ++y)
  {
    if (std::memcmp(a + static_cast<std::ptrdiff_t>(y) * m_iStride,
                    b + static_cast<std::ptrdiff_t>(y) * other.m_iStride, rowBytes) != 0)
      return false;
  }
  return true;
}

#define PX_ELEMENTWISE(op, call)                                                                                   \
  void TCPxImageBase::op(const TCPxImageBase& other)                                                               \
  {                                                                                                                \
    if (!m_pRoiMat || !other.m_pRoiMat)                                                                            \
      return;                                                                                                      \
    cv::Mat target = *m_pRoiMat;                                                                                   \
    call;                                                                                                          \
  }

PX_ELEMENTWISE(operator+=, cv::add(target, *other.m_pRoiMat, target, cv::noArray(), -1))
PX_ELEMENTWISE(operator-=, cv::subtract(target, *other.m_pRoiMat, target, cv::noArray(), -1))
PX_ELEMENTWISE(operator*=, cv::multiply(target, *other.m_pRoiMat, target, 1.0, -1))
PX_ELEMENTWISE(operator/=, cv::divide(target, *other.m_pRoiMat, target, 1.0, -1))
#undef PX_ELEMENTWISE

bool TCPxImageBase::AreCoordinatesValid(int x, int y) const
{
  return x >= 0 && x < m_iWidth && y >= 0 && y < m_iHeight;
}

void TCPxImageBase::CopyBuffer(const TCPxImageBase& source)
{
  if (!m_pRoiMat || !source.m_pRoiMat)
    return;
  if (source.m_pRoiMat->size() != m_pRoiMat->size() || source.m_pRoiMat->type() != m_pRoiMat->type())
    return;
  cv::Mat target = *m_pRoiMat;
  source.m_pRoiMat->copyTo(target);
}

void TCPxImageBase::CopyROI(TCPxImageBase* target) const
{
  if (target)
    target->CopyBuffer(*this);
}

void TCPxImageBase::CopyROI(TCPxImageBase* target, TCGenRect<int> rect) const
{
  if (!target || !m_pFullMat || !target->m_pRoiMat)
    return;
  const cv::Mat part(*m_pFullMat, ToCvRect(rect)); // throws cv::Exception outside the image
  if (part.size() != target->m_pRoiMat->size() || part.type() != target->m_pRoiMat->type())
    return;
  cv::Mat dst = *target->m_pRoiMat;
  part.copyTo(dst);
}

int TCPxImageBase::CountNonZero() const
{
  if (!m_pRoiMat || m_pRoiMat->empty())
    return 0;
  return cv::countNonZero(*m_pRoiMat);
}

void* TCPxImageBase::AllocatePixels(int pixelBytes)
{
  int stride = 0;
  void* buffer = PxPrim::AllocImage(m_iWidth, m_iHeight, pixelBytes, &stride);
  SetStride(stride);
  SetImageBuffer(buffer);
  try
  {
    Create();
  }
  catch (...)
  {
    // A throwing subclass constructor never runs its destructor: release here.
    SetImageBuffer(nullptr);
    PxPrim::FreeImage(buffer);
    throw;
  }
  return buffer;
}

void TCPxImageBase::ReleasePixels(void* buffer)
{
  PxPrim::FreeImage(buffer);
}

void TCPxImageBase::Create()
{
  const int type = ViewType(m_eImageType);
  m_iBufferSize = static_cast<int>(static_cast<long long>(m_iHeight) * m_iStride);
  if (type < 0)
  {
    m_pFullMat.reset();
    m_pRoiMat.reset();
    return;
  }
  auto full = std::make_shared<cv::Mat>(m_iHeight, m_iWidth, type, m_pBuffer, static_cast<std::size_t>(m_iStride));
  auto roi = std::make_shared<cv::Mat>(*full, ToCvRect(m_roi));
  m_pFullMat = std::move(full);
  m_pRoiMat = std::move(roi);
}

TCPxImageBase* TCPxImageBase::CreateImageOfROI() const
{
  if (m_roi.IsEmpty() || !m_pRoiMat)
    return nullptr;
  TCPxImageBase* image = TCPxUtil::CreateImage(m_eImageType, m_roi.GetWidth(), m_roi.GetHeight());
  if (image)
    image->CopyBuffer(*this);
  return image;
}

int TCPxImageBase::GetROIOffset() const
{
  const int pixelSize = GetPixelSize();
  if (pixelSize == m_iChannels)
    return m_roi.GetLeft() * m_iChannels + m_roi.GetTop() * m_iStride;
  return (m_roi.GetTop() * m_iStride / pixelSize + m_roi.GetLeft()) * m_iChannels;
}

void TCPxImageBase::PutText(const std::wstring& text, const TCGenPoint<int>& origin, double)
{
  if (!m_pRoiMat || m_pRoiMat->empty())
    return;
  cv::Mat target = *m_pRoiMat;
  cv::putText(target, Gen::convert(text), cv::Point(origin.GetX(), origin.GetY()), cv::FONT_HERSHEY_SIMPLEX, 1.0,
              cv::Scalar(255, 0, 0, 0), 1, cv::LINE_8, false);
}

void TCPxImageBase::SetROI(const TCGenRect<int>& roi)
{
  // Validate before anything changes: a bad rectangle must not leave a ROI
  // that later pixel access would follow out of the buffer.
  if (roi.GetLeft() < 0 || roi.GetTop() < 0 || roi.GetRight() > m_iWidth || roi.GetBottom() > m_iHeight ||
      roi.GetRight() < roi.GetLeft() || roi.GetBottom() < roi.GetTop())
  {
    CV_Error(cv::Error::StsOutOfRange, "the ROI must lie within the image");
  }
  std::shared_ptr<cv::Mat> view;
  if (m_pFullMat)
    view = std::make_shared<cv::Mat>(*m_pFullMat, ToCvRect(roi));
  m_roi = roi;
  *m_pRoiRect = ToCvRect(roi);
  if (view)
    m_pRoiMat = std::move(view);
}

void TCPxImageBase::SetFullROI()
{
  SetROI(TCGenRect<int>(0, 0, m_iWidth, m_iHeight));
}
