#include <pixolan/analysis/TCPxComUtils.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include <opencv2/core.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxByteImage.h>
#include <pixolan/model/TCPxUtil.h>

namespace
{
template <typename Interface, typename Object>
HRESULT QueryOf(Object* object, REFIID iid, REFIID riid, void** ppv)
{
  if (!ppv)
    return E_POINTER;
  if (riid == IID_IUnknown || riid == iid)
  {
    *ppv = static_cast<Interface*>(object);
    object->AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

/// The ITCPxImage kind of an image type: 2 for type 3 and 3 for type 4 are the
/// type minus one; an image type 2 (none exists) would give 1.
int KindOf(NPxImageTypes type)
{
  switch (static_cast<int>(type))
  {
  case ImageType8bit:
    return 0;
  case 2:
    return 1;
  case ImageType24bit:
    return 2;
  case ImageType32bit:
    return 3;
  default:
    return -1;
  }
}
} // namespace

// ---- TCPxComContour ----------------------------------------------------------------------

TCPxComContour::TCPxComContour() = default;
TCPxComContour::~TCPxComContour() = default;

TCPxComContour* TCPxComContour::CreateInstance()
{
  return new (std::nothrow) TCPxComContour;
}

void TCPxComContour::SetContour(std::shared_ptr<const TCPxContour> contour)
{
  m_contour = std::move(contour);
}

HRESULT TCPxComContour::QueryInterface(REFIID riid, void** ppv)
{
  return QueryOf<ITCPxContour>(this, IID_ITCPxContour, riid, ppv);
}

ULONG TCPxComContour::AddRef()
{
  return ++m_cRef;
}

ULONG TCPxComContour::Release()
{
  const ULONG count = --m_cRef;
  if (count == 0)
    delete this;
  return count;
}

HRESULT TCPxComContour::GetPointCount(int* count)
{
  if (!count)
    return E_POINTER;
  *count = m_contour ? static_cast<int>(m_contour->GetPoints().size()) : 0;
  return S_OK;
}

HRESULT TCPxComContour::GetPoint(int index, POINT* point)
{
  if (!point)
    return E_POINTER;
  if (!m_contour || index < 0 || static_cast<std::size_t>(index) >= m_contour->GetPoints().size())
    return E_FAIL;
  const cv::Point& p = m_contour->GetPoints()[static_cast<std::size_t>(index)];
  point->x = p.x;
  point->y = p.y;
  return S_OK;
}

HRESULT TCPxComContour::GetROI(RECT* rect)
{
  if (!rect)
    return E_POINTER;
  *rect = RECT{0, 0, 0, 0};
  if (m_contour)
  {
    const TCGenRect<int>& roi = m_contour->GetROIRect();
    *rect = RECT{roi.GetLeft(), roi.GetTop(), roi.GetRight(), roi.GetBottom()};
  }
  return S_OK;
}

// ---- TCPxComImage ------------------------------------------------------------------------

TCPxComImage::TCPxComImage() = default;
TCPxComImage::~TCPxComImage() = default;

TCPxComImage* TCPxComImage::CreateInstance()
{
  return new (std::nothrow) TCPxComImage;
}

void TCPxComImage::SetImage(std::shared_ptr<const TCPxByteImage> image)
{
  m_image = std::move(image);
}

HRESULT TCPxComImage::QueryInterface(REFIID riid, void** ppv)
{
  return QueryOf<ITCPxImage>(this, IID_ITCPxImage, riid, ppv);
}

ULONG TCPxComImage::AddRef()
{
  return ++m_cRef;
}

ULONG TCPxComImage::Release()
{
  const ULONG count = --m_cRef;
  if (count == 0)
    delete this;
  return count;
}

HRESULT TCPxComImage::GetKind(int* kind)
{
  if (!kind)
    return E_POINTER;
  if (!m_image)
    return E_FAIL;
  *kind = KindOf(m_image->GetImageType());
  return S_OK;
}

HRESULT TCPxComImage::GetWidth(int* width)
{
  if (!width)
    return E_POINTER;
  if (!m_image)
    return E_FAIL;
  *width = m_image->GetWidth();
  return S_OK;
}

HRESULT TCPxComImage::GetHeight(int* height)
{
  if (!height)
    return E_POINTER;
  if (!m_image)
    return E_FAIL;
  *height = m_image->GetHeight();
  return S_OK;
}

HRESULT TCPxComImage::GetBuffer(int* bufferSize, int* stride, BYTE** buffer)
{
  if (!bufferSize || !stride || !buffer)
    return E_POINTER;
  if (!m_image)
    return E_FAIL;
  *bufferSize = m_image->GetBufferSize();
  *stride = m_image->GetStepSize();
  // The interface hands out the image's own buffer; callers must not write
  // through it while the image is shared as constant.
  *buffer = const_cast<BYTE*>(m_image->GetBuffer());
  return S_OK;
}

// ---- conversions -------------------------------------------------------------------------

std::shared_ptr<TCPxContour> TCPxComUtils::ConvertC2NContour(const tagTCIdtPxContour& record)
{
  if (record.count <= 0 || !record.points)
    return nullptr;
  std::vector<TCGenPoint<int>> points;
  points.reserve(static_cast<std::size_t>(record.count));
  for (int i = 0; i < record.count; ++i)
    points.emplace_back(record.points[i].x, record.points[i].y);
  std::shared_ptr<TCPxContour> contour(TCPxUtil::CreateContourFromPoints(points));
  contour->SetROIRect(TCGenRect<int>(record.left, record.top, record.right, record.bottom));
  contour->CreateMoments();
  return contour;
}

void TCPxComUtils::ConvertN2CContour(std::shared_ptr<TCPxContour> contour, tagTCIdtPxContour* out,
                                     std::vector<POINT>* storage)
{
  if (!out)
    return;
  *out = tagTCIdtPxContour{0, nullptr, 0, 0, 0, 0};
  if (!contour || !storage)
    return;
  const std::vector<cv::Point>& points = contour->GetPoints();
  storage->resize(points.size());
  std::transform(points.begin(), points.end(), storage->begin(), [](const cv::Point& p) { return POINT{p.x, p.y}; });
  const TCGenRect<int>& roi = contour->GetROIRect();
  *out = tagTCIdtPxContour{static_cast<int>(points.size()), storage->empty() ? nullptr : storage->data(),
                           roi.GetLeft(), roi.GetTop(), roi.GetRight(), roi.GetBottom()};
}

std::shared_ptr<TCPx8bitImage> TCPxComUtils::ConvertC2NImage8bit(const tagTCIdtPxImage& record)
{
  if (!record.buffer || record.kind != 0 || record.width <= 0 || record.height <= 0 || record.stride < record.width)
    return nullptr;
  const long long needed = static_cast<long long>(record.height - 1) * record.stride + record.width;
  if (record.bufferSize < needed)
    return nullptr;
  std::shared_ptr<TCPx8bitImage> image;
  try
  {
    image = std::make_shared<TCPx8bitImage>(record.width, record.height);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
  catch (const std::length_error&)
  {
    return nullptr;
  }
  // Rows at the record's own stride: a peer's rows may be padded more widely
  // than this image's, which says nothing about the bytes per pixel.
  TCPxUtil::CopyAlignedBuffer(record.buffer, record.stride, const_cast<unsigned char*>(image->GetBuffer()),
                              image->GetStepSize(), record.width, record.height, 1);
  return image;
}

void TCPxComUtils::ConvertN2CImage8bit(const TCPx8bitImage& image, tagTCIdtPxImage* out)
{
  if (!out)
    return;
  *out = tagTCIdtPxImage{0, image.GetWidth(), image.GetHeight(), const_cast<BYTE*>(image.GetBuffer()),
                         image.GetBufferSize(), image.GetStepSize()};
}

CComPtr<ITCPxContour> TCPxComUtils::MakeComContour(const std::shared_ptr<const TCPxContour>& contour)
{
  CComPtr<ITCPxContour> result;
  TCPxComContour* object = TCPxComContour::CreateInstance();
  if (!object)
    return result;
  ITCPxContour* itf = nullptr;
  if (FAILED(object->QueryInterface(IID_ITCPxContour, reinterpret_cast<void**>(&itf))))
  {
    object->AddRef();
    object->Release();
    return result;
  }
  object->SetContour(contour);
  result.Attach(itf);
  return result;
}

CComPtr<ITCPxImage> TCPxComUtils::MakeComImage(const std::shared_ptr<const TCPxByteImage>& image)
{
  CComPtr<ITCPxImage> result;
  TCPxComImage* object = TCPxComImage::CreateInstance();
  if (!object)
    return result;
  ITCPxImage* itf = nullptr;
  if (FAILED(object->QueryInterface(IID_ITCPxImage, reinterpret_cast<void**>(&itf))))
  {
    object->AddRef();
    object->Release();
    return result;
  }
  object->SetImage(image);
  result.Attach(itf);
  return result;
}

std::shared_ptr<TCPxContour> TCPxComUtils::MakePxContour(const CComPtr<ITCPxContour>& contour)
{
  if (!contour)
    return nullptr;
  int count = 0;
  if (FAILED(contour->GetPointCount(&count)) || count < 0)
    return nullptr;
  std::vector<TCGenPoint<int>> points;
  // A peer's count is not trusted for the allocation: the points come one by one.
  points.reserve(static_cast<std::size_t>(std::min(count, 1 << 16)));
  for (int i = 0; i < count; ++i)
  {
    POINT p{0, 0};
    if (FAILED(contour->GetPoint(i, &p)))
      return nullptr;
    points.emplace_back(p.x, p.y);
  }
  std::shared_ptr<TCPxContour> result(TCPxUtil::CreateContourFromPoints(points));
  RECT roi{0, 0, 0, 0};
  if (SUCCEEDED(contour->GetROI(&roi)))
    result->SetROIRect(TCGenRect<int>(roi.left, roi.top, roi.right, roi.bottom));
  return result;
}
