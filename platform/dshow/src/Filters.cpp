#include <tarvek/dshow/BaseClasses.h>

#include <new>

// ---- filter base ------------------------------------------------------------------------------

CBaseFilter::CBaseFilter(const WCHAR* name, IUnknown*, REFCLSID clsid) : CUnknown(name), m_clsid(clsid) {}

CBaseFilter::~CBaseFilter() = default;

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
    return GetInterface(static_cast<IBaseFilter*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid)
{
  if (!clsid)
    return E_POINTER;
  *clsid = m_clsid;
  return S_OK;
}

HRESULT CBaseFilter::Stop()
{
  HRESULT result = S_OK;
  if (m_State != State_Stopped)
  {
    for (int i = 0; i < GetPinCount(); ++i)
    {
      CBasePin* pin = GetPin(i);
      if (pin && pin->IsConnected())
      {
        const HRESULT hr = pin->Inactive();
        if (FAILED(hr) && SUCCEEDED(result))
          result = hr;
      }
    }
  }
  m_State = State_Stopped;
  return result;
}

HRESULT CBaseFilter::Pause()
{
  if (m_State == State_Stopped)
  {
    for (int i = 0; i < GetPinCount(); ++i)
    {
      CBasePin* pin = GetPin(i);
      if (pin && pin->IsConnected())
      {
        const HRESULT hr = pin->Active();
        if (FAILED(hr))
          return hr;
      }
    }
  }
  m_State = State_Paused;
  return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME)
{
  if (m_State == State_Stopped)
  {
    const HRESULT hr = Pause();
    if (FAILED(hr))
      return hr;
  }
  m_State = State_Running;
  return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* state)
{
  if (!state)
    return E_POINTER;
  *state = m_State;
  return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCWSTR id, IPin** pin)
{
  if (!id || !pin)
    return E_POINTER;
  *pin = nullptr;
  for (int i = 0; i < GetPinCount(); ++i)
  {
    CBasePin* p = GetPin(i);
    if (p && p->PinName() == id)
    {
      *pin = p;
      p->AddRef();
      return S_OK;
    }
  }
  return MakeHResult(0x80040216u); // VFW_E_NOT_FOUND
}

// ---- transform filter -----------------------------------------------------------------------

CTransformFilter::CTransformFilter(const WCHAR* name, IUnknown* outer, REFCLSID clsid)
  : CBaseFilter(name, outer, clsid)
{
}

CTransformFilter::~CTransformFilter()
{
  delete m_pInput;
  delete m_pOutput;
}

CBasePin* CTransformFilter::GetPin(int n)
{
  if (!m_pInput)
  {
    HRESULT hr = S_OK;
    m_pInput = new (std::nothrow) CTransformInputPin(L"transform input pin", this, &hr, L"XForm In");
    if (!m_pInput)
      return nullptr;
    m_pOutput = new (std::nothrow) CTransformOutputPin(L"transform output pin", this, &hr, L"XForm Out");
    if (!m_pOutput)
    {
      delete m_pInput;
      m_pInput = nullptr;
      return nullptr;
    }
  }
  if (n == 0)
    return m_pInput;
  if (n == 1)
    return m_pOutput;
  return nullptr;
}

HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION, const CMediaType*)
{
  return S_OK;
}

HRESULT CTransformFilter::StartStreaming()
{
  return S_OK;
}

HRESULT CTransformFilter::StopStreaming()
{
  return S_OK;
}

HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION, IPin*)
{
  return S_OK;
}

HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION)
{
  return S_OK;
}

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION, IPin*)
{
  return S_OK;
}

HRESULT CTransformFilter::Stop()
{
  if (m_State != State_Stopped)
    StopStreaming();
  return CBaseFilter::Stop();
}

HRESULT CTransformFilter::Pause()
{
  if (m_State == State_Stopped)
  {
    if (!m_pInput || !m_pInput->IsConnected() || !m_pOutput || !m_pOutput->IsConnected())
    {
      m_State = State_Paused;
      return S_OK;
    }
    const HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr))
      return hr;
    const HRESULT started = StartStreaming();
    if (FAILED(started))
    {
      CBaseFilter::Stop();
      return started;
    }
    return S_OK;
  }
  m_State = State_Paused;
  return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* sample)
{
  if (!sample)
    return E_POINTER;
  if (!m_pOutput || !m_pOutput->IsConnected())
    return VFW_E_NOT_CONNECTED;
  IMediaSample* out = nullptr;
  HRESULT hr = m_pOutput->GetDeliveryBuffer(&out);
  if (FAILED(hr))
    return hr;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME end = 0;
  if (sample->GetTime(&start, &end) == S_OK)
    out->SetTime(&start, &end);
  hr = Transform(sample, out);
  if (hr == S_OK)
    hr = m_pOutput->Deliver(out);
  else if (hr == S_FALSE)
    hr = S_OK; // frame dropped by the transform
  out->Release();
  return hr;
}

// ---- transform pins -------------------------------------------------------------------------

CTransformInputPin::CTransformInputPin(const WCHAR* objectName, CTransformFilter* filter, HRESULT*,
                                       const WCHAR* pinName)
  : CBaseInputPin(objectName, filter, pinName), m_pTransformFilter(filter)
{
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type)
{
  return m_pTransformFilter->CheckInputType(type);
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type)
{
  const HRESULT hr = CBasePin::SetMediaType(type);
  return FAILED(hr) ? hr : m_pTransformFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::CheckConnect(IPin* peer)
{
  const HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, peer);
  return FAILED(hr) ? hr : CBaseInputPin::CheckConnect(peer);
}

HRESULT CTransformInputPin::BreakConnect()
{
  m_pTransformFilter->BreakConnect(PINDIR_INPUT);
  return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* peer)
{
  const HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, peer);
  return FAILED(hr) ? hr : CBaseInputPin::CompleteConnect(peer);
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample)
{
  const HRESULT hr = CBaseInputPin::Receive(sample);
  return hr == S_OK ? m_pTransformFilter->Receive(sample) : hr;
}

CTransformOutputPin::CTransformOutputPin(const WCHAR* objectName, CTransformFilter* filter, HRESULT*,
                                         const WCHAR* pinName)
  : CBaseOutputPin(objectName, filter, pinName), m_pTransformFilter(filter)
{
}

namespace
{
CBasePin* InputPinOf(CTransformFilter* filter)
{
  return filter->GetPin(0);
}
} // namespace

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type)
{
  CBasePin* input = InputPinOf(m_pTransformFilter);
  if (!input || !input->IsConnected())
    return E_INVALIDARG;
  return m_pTransformFilter->CheckTransform(&input->CurrentMediaType(), type);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type)
{
  const HRESULT hr = CBasePin::SetMediaType(type);
  return FAILED(hr) ? hr : m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type)
{
  CBasePin* input = InputPinOf(m_pTransformFilter);
  if (!input || !input->IsConnected())
    return E_UNEXPECTED;
  return m_pTransformFilter->GetMediaType(position, type);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* peer)
{
  CBasePin* input = InputPinOf(m_pTransformFilter);
  if (!input || !input->IsConnected())
    return E_UNEXPECTED;
  const HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, peer);
  return FAILED(hr) ? hr : CBaseOutputPin::CheckConnect(peer);
}

HRESULT CTransformOutputPin::BreakConnect()
{
  m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
  return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* peer)
{
  const HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, peer);
  return FAILED(hr) ? hr : CBaseOutputPin::CompleteConnect(peer);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
  return m_pTransformFilter->DecideBufferSize(allocator, props);
}
