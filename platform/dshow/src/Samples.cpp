#include <tarvek/dshow/BaseClasses.h>

#include <new>

CMediaSample::CMediaSample(const WCHAR* name, CMemAllocator* allocator, BYTE* buffer, LONG length)
  : CUnknown(name), m_pAllocator(allocator), m_pBuffer(buffer), m_cbBuffer(buffer && length > 0 ? length : 0)
{
}

CMediaSample::~CMediaSample() = default;

HRESULT CMediaSample::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (riid == IID_IUnknown || riid == IID_IMediaSample)
    return GetInterface(static_cast<IMediaSample*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG CMediaSample::NonDelegatingRelease()
{
  const ULONG count = --m_cRef;
  if (count == 0)
  {
    if (m_pAllocator)
      m_pAllocator->ReleaseBuffer(this);
    else
      delete this;
  }
  return count;
}

HRESULT CMediaSample::GetPointer(BYTE** buffer)
{
  if (!buffer)
    return E_POINTER;
  *buffer = m_pBuffer;
  return S_OK;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end)
{
  if (!start || !end)
    return E_POINTER;
  if (!m_bTimeValid)
    return MakeHResult(0x80040249u); // VFW_E_SAMPLE_TIME_NOT_SET
  *start = m_tStart;
  *end = m_tEnd;
  return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end)
{
  if (!start)
  {
    m_bTimeValid = false;
    return S_OK;
  }
  m_tStart = *start;
  m_tEnd = end ? *end : *start + 1;
  m_bTimeValid = true;
  return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(LONG length)
{
  if (length < 0 || length > m_cbBuffer)
    return VFW_E_BUFFER_OVERFLOW;
  m_lActual = length;
  return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** type)
{
  if (!type)
    return E_POINTER;
  *type = nullptr;
  if (!m_pMediaType)
    return S_FALSE;
  *type = CreateMediaType(m_pMediaType.get());
  return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* type)
{
  if (!type)
  {
    m_pMediaType.reset();
    return S_OK;
  }
  auto copy = std::unique_ptr<CMediaType>(new (std::nothrow) CMediaType(*type));
  if (!copy || (type->cbFormat != 0 && !copy->pbFormat))
    return E_OUTOFMEMORY;
  m_pMediaType = std::move(copy);
  return S_OK;
}

// ---- allocator -----------------------------------------------------------------------

CMemAllocator::CMemAllocator() : CUnknown(L"memory allocator") {}

CMemAllocator::~CMemAllocator()
{
  for (CMediaSample* s : m_samples)
    delete s;
}

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (riid == IID_IUnknown || riid == IID_IMemAllocator)
    return GetInterface(static_cast<IMemAllocator*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual)
{
  if (!request || !actual)
    return E_POINTER;
  if (m_bCommitted)
    return VFW_E_ALREADY_COMMITTED;
  if (request->cbAlign <= 0 || (request->cbAlign & (request->cbAlign - 1)) != 0)
    return VFW_E_BADALIGN;
  if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0)
    return E_INVALIDARG;
  ALLOCATOR_PROPERTIES granted = *request;
  if (granted.cBuffers == 0)
    granted.cBuffers = 1;
  long long size = static_cast<long long>(granted.cbBuffer) + m_lSlack;
  if (m_lGrantLimit > 0 && size > m_lGrantLimit)
    size = m_lGrantLimit;
  if (size > 0x7FFFFFFF)
    return E_OUTOFMEMORY;
  granted.cbBuffer = static_cast<LONG>(size);
  m_props = granted;
  *actual = granted;
  return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* props)
{
  if (!props)
    return E_POINTER;
  *props = m_props;
  return S_OK;
}

HRESULT CMemAllocator::Commit()
{
  if (m_bCommitted)
    return S_OK;
  if (m_props.cbBuffer <= 0)
    return VFW_E_SIZENOTSET;
  for (const CMediaSample* s : m_samples)
    if (s->m_bInUse)
      return MakeHResult(0x80040210u); // VFW_E_BUFFERS_OUTSTANDING
  for (CMediaSample* s : m_samples)
    delete s;
  m_samples.clear();
  m_buffers.clear();
  try
  {
    for (LONG i = 0; i < m_props.cBuffers; ++i)
    {
      m_buffers.emplace_back(new BYTE[static_cast<std::size_t>(m_props.cbBuffer)]());
      m_samples.push_back(new CMediaSample(L"allocator sample", this, m_buffers.back().get(), m_props.cbBuffer));
    }
  }
  catch (const std::bad_alloc&)
  {
    return E_OUTOFMEMORY;
  }
  m_bCommitted = true;
  return S_OK;
}

HRESULT CMemAllocator::Decommit()
{
  m_bCommitted = false;
  return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD)
{
  if (!sample)
    return E_POINTER;
  *sample = nullptr;
  if (!m_bCommitted)
    return VFW_E_NOT_COMMITTED;
  for (CMediaSample* s : m_samples)
  {
    if (s->m_bInUse)
      continue;
    s->m_bInUse = true;
    s->m_lActual = 0;
    s->m_bTimeValid = false;
    s->m_pMediaType.reset();
    if (m_pNextType)
      s->m_pMediaType = std::move(m_pNextType);
    NonDelegatingAddRef(); // each sample out holds the allocator
    s->NonDelegatingAddRef();
    *sample = s;
    return S_OK;
  }
  return VFW_E_TIMEOUT;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample)
{
  for (CMediaSample* s : m_samples)
  {
    if (static_cast<IMediaSample*>(s) == sample && s->m_bInUse)
    {
      s->m_bInUse = false;
      s->m_pMediaType.reset();
      NonDelegatingRelease();
      return S_OK;
    }
  }
  return E_INVALIDARG;
}

void CMemAllocator::SetNextMediaType(const AM_MEDIA_TYPE* type)
{
  m_pNextType.reset(type ? new CMediaType(*type) : nullptr);
}
