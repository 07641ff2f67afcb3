#include <tarvek/dshow/BaseClasses.h>

#include <new>

// ---- base pin -------------------------------------------------------------------------

CBasePin::CBasePin(const WCHAR* objectName, CBaseFilter* filter, const WCHAR* pinName, PIN_DIRECTION direction)
  : CUnknown(objectName), m_pFilter(filter), m_pinName(pinName ? pinName : L""), m_dir(direction)
{
}

CBasePin::~CBasePin()
{
  if (m_Connected)
    m_Connected->Release();
}

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (riid == IID_IUnknown || riid == IID_IPin)
    return GetInterface(static_cast<IPin*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG CBasePin::NonDelegatingAddRef()
{
  return m_pFilter ? m_pFilter->AddRef() : CUnknown::NonDelegatingAddRef();
}

ULONG CBasePin::NonDelegatingRelease()
{
  return m_pFilter ? m_pFilter->Release() : CUnknown::NonDelegatingRelease();
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType& type)
{
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr))
  {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(&type);
  if (hr != S_OK)
  {
    BreakConnect();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
  }
  m_Connected = receivePin;
  m_Connected->AddRef();
  hr = SetMediaType(&type);
  if (SUCCEEDED(hr))
    hr = receivePin->ReceiveConnection(this, &type);
  if (SUCCEEDED(hr))
  {
    hr = CompleteConnect(receivePin);
    if (SUCCEEDED(hr))
      return S_OK;
    receivePin->Disconnect();
  }
  ClearConnection();
  BreakConnect();
  return hr;
}

void CBasePin::ClearConnection()
{
  if (m_Connected)
  {
    IPin* peer = m_Connected;
    m_Connected = nullptr;
    peer->Release();
  }
  m_mt.InitMediaType();
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
  if (!receivePin)
    return E_POINTER;
  if (m_Connected)
    return VFW_E_ALREADY_CONNECTED;
  if (m_pFilter && !m_pFilter->IsStopped())
    return MakeHResult(0x80040224u); // VFW_E_NOT_STOPPED
  if (type && type->majortype != GUID_NULL && type->subtype != GUID_NULL && type->formattype != GUID_NULL)
    return AttemptConnection(receivePin, CMediaType(*type));
  HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int i = 0;; ++i)
  {
    CMediaType proposal;
    const HRESULT hr = GetMediaType(i, &proposal);
    if (hr != S_OK)
      break;
    if (type && type->majortype != GUID_NULL && type->majortype != proposal.majortype)
      continue;
    const HRESULT attempt = AttemptConnection(receivePin, proposal);
    if (SUCCEEDED(attempt))
      return S_OK;
    last = attempt;
  }
  return last == VFW_E_NO_ACCEPTABLE_TYPES || last == VFW_E_TYPE_NOT_ACCEPTED ? VFW_E_NO_ACCEPTABLE_TYPES : last;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
  if (!connector || !type)
    return E_POINTER;
  if (m_Connected)
    return VFW_E_ALREADY_CONNECTED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr))
  {
    BreakConnect();
    return hr;
  }
  const CMediaType mt(*type);
  hr = CheckMediaType(&mt);
  if (hr != S_OK)
  {
    BreakConnect();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  m_Connected = connector;
  m_Connected->AddRef();
  hr = SetMediaType(&mt);
  if (SUCCEEDED(hr))
    hr = CompleteConnect(connector);
  if (FAILED(hr))
  {
    ClearConnection();
    BreakConnect();
  }
  return hr;
}

HRESULT CBasePin::Disconnect()
{
  if (!m_Connected)
    return S_FALSE;
  BreakConnect();
  ClearConnection();
  return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin)
{
  if (!pin)
    return E_POINTER;
  *pin = m_Connected;
  if (!m_Connected)
    return VFW_E_NOT_CONNECTED;
  m_Connected->AddRef();
  return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
  if (!type)
    return E_POINTER;
  if (!m_Connected)
  {
    std::memset(type, 0, sizeof(*type));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(type, &m_mt);
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction)
{
  if (!direction)
    return E_POINTER;
  *direction = m_dir;
  return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id)
{
  if (!id)
    return E_POINTER;
  const std::size_t bytes = (m_pinName.size() + 1) * sizeof(WCHAR);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*id)
    return E_OUTOFMEMORY;
  std::memcpy(*id, m_pinName.c_str(), bytes);
  return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* type)
{
  if (!type)
    return E_POINTER;
  const CMediaType mt(*type);
  const HRESULT hr = CheckMediaType(&mt);
  return FAILED(hr) ? S_FALSE : hr;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type)
{
  if (!type)
    return E_POINTER;
  m_mt = *type;
  return S_OK;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*)
{
  return E_UNEXPECTED;
}

HRESULT CBasePin::CheckConnect(IPin* peer)
{
  PIN_DIRECTION other;
  const HRESULT hr = peer->QueryDirection(&other);
  if (FAILED(hr))
    return hr;
  return other == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect()
{
  return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*)
{
  return S_OK;
}

HRESULT CBasePin::Active()
{
  m_bActive = true;
  return S_OK;
}

HRESULT CBasePin::Inactive()
{
  m_bActive = false;
  return S_OK;
}

// ---- output pin -------------------------------------------------------------------------

CBaseOutputPin::CBaseOutputPin(const WCHAR* objectName, CBaseFilter* filter, const WCHAR* pinName)
  : CBasePin(objectName, filter, pinName, PINDIR_OUTPUT)
{
}

CBaseOutputPin::~CBaseOutputPin()
{
  CBaseOutputPin::BreakConnect();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* peer)
{
  HRESULT hr = CBasePin::CheckConnect(peer);
  if (FAILED(hr))
    return hr;
  hr = peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_pInputPin));
  return FAILED(hr) ? E_NOINTERFACE : S_OK;
}

HRESULT CBaseOutputPin::BreakConnect()
{
  if (m_pAllocator)
  {
    m_pAllocator->Decommit();
    m_pAllocator->Release();
    m_pAllocator = nullptr;
  }
  if (m_pInputPin)
  {
    m_pInputPin->Release();
    m_pInputPin = nullptr;
  }
  return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*)
{
  return DecideAllocator(m_pInputPin, &m_pAllocator);
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator)
{
  if (!pin || !allocator)
    return E_POINTER;
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES props{0, 0, 0, 0};
  pin->GetAllocatorRequirements(&props);
  HRESULT hr = pin->GetAllocator(allocator);
  if (SUCCEEDED(hr))
  {
    hr = DecideBufferSize(*allocator, &props);
    if (SUCCEEDED(hr))
      hr = pin->NotifyAllocator(*allocator, FALSE);
    if (SUCCEEDED(hr))
      return S_OK;
    (*allocator)->Release();
    *allocator = nullptr;
  }
  auto* own = new (std::nothrow) CMemAllocator();
  if (!own)
    return E_OUTOFMEMORY;
  own->NonDelegatingAddRef();
  *allocator = own;
  props = ALLOCATOR_PROPERTIES{0, 0, 0, 0};
  pin->GetAllocatorRequirements(&props);
  hr = DecideBufferSize(own, &props);
  if (SUCCEEDED(hr))
    hr = pin->NotifyAllocator(own, FALSE);
  if (FAILED(hr))
  {
    own->Release();
    *allocator = nullptr;
  }
  return hr;
}

HRESULT CBaseOutputPin::Active()
{
  CBasePin::Active();
  return m_pAllocator ? m_pAllocator->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::Inactive()
{
  CBasePin::Inactive();
  return m_pAllocator ? m_pAllocator->Decommit() : S_OK;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample)
{
  if (!sample)
    return E_POINTER;
  *sample = nullptr;
  if (!m_pAllocator)
    return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->GetBuffer(sample, nullptr, nullptr, 0);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample)
{
  if (!m_pInputPin)
    return VFW_E_NOT_CONNECTED;
  return m_pInputPin->Receive(sample);
}

// ---- input pin ----------------------------------------------------------------------------

CBaseInputPin::CBaseInputPin(const WCHAR* objectName, CBaseFilter* filter, const WCHAR* pinName)
  : CBasePin(objectName, filter, pinName, PINDIR_INPUT)
{
}

CBaseInputPin::~CBaseInputPin()
{
  if (m_pAllocator)
    m_pAllocator->Release();
}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (riid == IID_IMemInputPin)
    return GetInterface(static_cast<IMemInputPin*>(this), ppv);
  return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator)
{
  if (!allocator)
    return E_POINTER;
  if (!m_pAllocator)
  {
    auto* own = new (std::nothrow) CMemAllocator();
    if (!own)
      return E_OUTOFMEMORY;
    own->NonDelegatingAddRef();
    m_pAllocator = own;
  }
  *allocator = m_pAllocator;
  m_pAllocator->AddRef();
  return S_OK;
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
  if (!allocator)
    return E_POINTER;
  allocator->AddRef();
  if (m_pAllocator)
    m_pAllocator->Release();
  m_pAllocator = allocator;
  m_bReadOnly = readOnly != FALSE;
  return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*)
{
  return E_NOTIMPL;
}

HRESULT CBaseInputPin::CheckStreaming() const
{
  if (!IsConnected())
    return VFW_E_NOT_CONNECTED;
  if (!m_bActive)
    return VFW_E_WRONG_STATE;
  return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample)
{
  if (!sample)
    return E_POINTER;
  return CheckStreaming();
}

HRESULT CBaseInputPin::BreakConnect()
{
  if (m_pAllocator)
  {
    m_pAllocator->Release();
    m_pAllocator = nullptr;
  }
  return S_OK;
}
