#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/filters/TCPxImageFilter.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include <algorithm>
#include <memory>

// ---- TCPxImageFilter -------------------------------------------------------------------
TCPxImageFilter::~TCPxImageFilter() = default;

void TCPxImageFilter::ProcessImage(const TCPxImageBase& source, TCPxImageBase* destination) const
{
  ProcessImage(const_cast<TCPxImageBase*>(&source), destination);
}

namespace
{
unsigned char* Bytes(const TCPxImageBase* image)
{
  return static_cast<unsigned char*>(const_cast<void*>(image->GetBuffer()));
}
} // namespace

unsigned char* TCPxImageFilter::Get8bitImageBuffer(TCPx8bitImage* image) const
{
  return Bytes(image);
}
unsigned char* TCPxImageFilter::Get24bitImageBuffer(TCPx24bitImage* image) const
{
  return Bytes(image);
}
unsigned char* TCPxImageFilter::Get32bitImageBuffer(TCPx32bitImage* image) const
{
  return Bytes(image);
}
unsigned char* TCPxImageFilter::Get8bitImageBufferROI(TCPx8bitImage* image) const
{
  return Bytes(image) + image->GetROIOffset();
}
unsigned char* TCPxImageFilter::Get24bitImageBufferROI(TCPx24bitImage* image) const
{
  return Bytes(image) + image->GetROIOffset();
}
unsigned char* TCPxImageFilter::Get32bitImageBufferROI(TCPx32bitImage* image) const
{
  return Bytes(image) + image->GetROIOffset();
}
float* TCPxImageFilter::GetFloatImageBuffer(TCPxFloatImage* image) const
{
  return reinterpret_cast<float*>(Bytes(image));
}
float* TCPxImageFilter::GetFloatImageBufferROI(TCPxFloatImage* image) const
{
  return GetFloatImageBuffer(image) + image->GetROIOffset();
}

// ---- TCPxKernelFilter --------------------------------------------------------------------
TCPxKernelFilter::TCPxKernelFilter(int kernelSize) : m_iKernelSize(kernelSize)
{
}

void TCPxKernelFilter::SetKernelSize(int kernelSize)
{
  m_iKernelSize = kernelSize;
}

int TCPxKernelFilter::CalculateBufferOffset(int a, int b) const
{
  return (a + b) * (m_iKernelSize / 2);
}

TCGenRect<int> TCPxKernelFilter::CalculateValidROI(const TCPxImageBase& image) const
{
  const TCGenRect<int> roi = image.GetROI();
  const int h = m_iKernelSize / 2;
  int left = roi.GetLeft(), top = roi.GetTop(), right = roi.GetRight(), bottom = roi.GetBottom();
  if (image.GetWidth() < h + right)
    right = image.GetWidth() - h;
  if (left < h)
    left = h;
  if (right >= left)
  {
    if (top < h)
      top = h;
    if (image.GetHeight() < h + bottom)
      bottom = image.GetHeight() - h;
    if (bottom >= top)
    {
      const TCGenRect<int> valid(left, top, right, bottom);
      if (valid.GetWidth() > 0 && valid.GetHeight() > 0)
        return valid;
    }
  }
  return TCGenRect<int>(-1, -1, -1, -1);
}

// ---- TCPxFilterFactory -----------------------------------------------------------------------
TCPxFilterFactory::TCPxFilterFactory() = default;
TCPxFilterFactory::~TCPxFilterFactory() = default;

TCPxFilterFactory::TCPxFilterFactory(const TCPxFilterFactory& other)
    : TCGenObjectFactory<TCPxImageFilter, Px::EFilterTypes>(other), m_descriptions(other.m_descriptions)
{
}

TCPxFilterFactory& TCPxFilterFactory::operator=(const TCPxFilterFactory& other)
{
  if (this != &other)
  {
    TCGenObjectFactory<TCPxImageFilter, Px::EFilterTypes>::operator=(other);
    m_descriptions = other.m_descriptions;
  }
  return *this;
}

TCPxImageFilter* TCPxFilterFactory::CreateLocked(Px::EFilterTypes type, const std::vector<std::any>& arguments)
{
  std::lock_guard<std::mutex> lock(m_createMutex);
  for (std::size_t i = 0; i < arguments.size(); ++i)
    SetParameter(static_cast<int>(i) + 1, type, arguments[i]);
  return Create(type);
}

TCPxFilterFactory* TCPxFilterFactory::Instance()
{
  static TCPxFilterFactory factory;
  return &factory;
}

void TCPxFilterFactory::ApplyFilter(Px::EFilterTypes type, TCPxImageBase* image)
{
  ApplyFilter2Dest(type, image, nullptr);
}

void TCPxFilterFactory::ApplyFilter2Dest(Px::EFilterTypes type, TCPxImageBase* source, TCPxImageBase* destination)
{
  std::unique_ptr<TCPxImageFilter> filter(Create(type));
  if (filter && source)
    filter->ProcessImage(source, destination);
}

void TCPxFilterFactory::RegisterFilter(Creator* creator, TCPxFilterDescription description)
{
  Register(description.type, creator);
  auto same = [&](const TCPxFilterDescription& d) { return d.type == description.type; };
  m_descriptions.erase(std::remove_if(m_descriptions.begin(), m_descriptions.end(), same), m_descriptions.end());
  const auto at = std::find_if(m_descriptions.begin(), m_descriptions.end(),
                               [&](const TCPxFilterDescription& d) { return d.type > description.type; });
  m_descriptions.insert(at, std::move(description));
}

std::vector<TCPxFilterDescription> TCPxFilterFactory::GetDescriptions() const
{
  return m_descriptions;
}
