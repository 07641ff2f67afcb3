#include <tarvek/dshow/MediaType.h>
#include <tarvek/dshow/Unknown.h>

#include <new>

std::atomic<long> CBaseObject::ms_cObjects{0};

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID, void** ppv)
{
  if (!ppv)
    return E_POINTER;
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingRelease()
{
  const ULONG count = --m_cRef;
  if (count == 0)
    delete this;
  return count;
}

// ---- media types ------------------------------------------------------------------

void FreeMediaType(AM_MEDIA_TYPE& mt)
{
  if (mt.pbFormat)
    CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (mt.pUnk)
  {
    mt.pUnk->Release();
    mt.pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt)
{
  if (!pmt)
    return;
  FreeMediaType(*pmt);
  CoTaskMemFree(pmt);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source)
{
  if (!target || !source)
    return E_POINTER;
  *target = *source;
  target->pbFormat = nullptr;
  target->cbFormat = 0;
  if (source->cbFormat != 0 && source->pbFormat)
  {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (!target->pbFormat)
    {
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    target->cbFormat = source->cbFormat;
  }
  if (target->pUnk)
    target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source)
{
  auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!pmt)
    return nullptr;
  if (!source || FAILED(CopyMediaType(pmt, source)))
  {
    CoTaskMemFree(pmt);
    return nullptr;
  }
  return pmt;
}

CMediaType::CMediaType()
{
  std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : CMediaType()
{
  *this = other;
}

CMediaType::CMediaType(const CMediaType& other) : CMediaType()
{
  *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType& CMediaType::operator=(const CMediaType& other)
{
  return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other)
{
  if (&other == static_cast<AM_MEDIA_TYPE*>(this))
    return *this;
  FreeMediaType(*this);
  if (FAILED(CopyMediaType(this, &other)))
  {
    // Keep the identifiers, lose the block: the type reads as having none.
    pbFormat = nullptr;
    cbFormat = 0;
  }
  return *this;
}

CMediaType::~CMediaType()
{
  FreeMediaType(*this);
}

void CMediaType::InitMediaType()
{
  FreeMediaType(*this);
  std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
}

bool CMediaType::IsValid() const
{
  return majortype != GUID_NULL;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length)
{
  ResetFormatBuffer();
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (!block)
    return nullptr;
  std::memset(block, 0, length);
  pbFormat = block;
  cbFormat = length;
  return block;
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length)
{
  if (!format && length != 0)
    return false;
  if (!AllocFormatBuffer(length))
    return false;
  if (length != 0)
    std::memcpy(pbFormat, format, length);
  return true;
}

void CMediaType::ResetFormatBuffer()
{
  if (pbFormat)
    CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}
