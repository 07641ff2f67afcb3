#include "TCTfTrfResizerFilter.h"

#include <cstdlib>
#include <new>

#include <tarvek/resizer/TCTfTrfFormatRules.h>

namespace
{
constexpr const WCHAR* kFilterName = L"TarvekResizerFilter 13.1.2";

TCTfTrfVideoFormat FormatOf(const AM_MEDIA_TYPE& mt)
{
  TCTfTrfVideoFormat f;
  f.majortype = mt.majortype;
  f.subtype = mt.subtype;
  f.formattype = mt.formattype;
  f.pbFormat = mt.pbFormat;
  f.cbFormat = mt.pbFormat ? mt.cbFormat : 0;
  return f;
}

// Replaces `stored` by a media type attached to `sample`, if any.
void TakeAttachedType(IMediaSample* sample, CMediaType* stored)
{
  AM_MEDIA_TYPE* attached = nullptr;
  if (sample->GetMediaType(&attached) == S_OK && attached)
    *stored = *attached;
  DeleteMediaType(attached);
}

int AbsoluteInt(LONG value)
{
  const long long magnitude = std::llabs(static_cast<long long>(value));
  return magnitude > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(magnitude);
}
} // namespace

// ---- output pin ----------------------------------------------------------------------------

TCTfTrfOutputPin::TCTfTrfOutputPin(CTransformFilter* filter, HRESULT* phr)
  : CTransformOutputPin(L"resizer output pin", filter, phr, L"Out")
{
}

HRESULT TCTfTrfOutputPin::QueryId(LPWSTR* id)
{
  if (!id)
    return E_POINTER;
  static const WCHAR name[] = L"Out";
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(name)));
  if (!*id)
    return E_OUTOFMEMORY;
  std::memcpy(*id, name, sizeof(name));
  return S_OK;
}

HRESULT TCTfTrfOutputPin::QueryAccept(const AM_MEDIA_TYPE* type)
{
  if (!type)
    return E_POINTER;
  const TCTfTrfVideoFormat offered = FormatOf(*type);
  return TCTfTrfFormatRules::QueryAccept(&offered, FormatOf(m_mt), IsConnected());
}

// ---- filter --------------------------------------------------------------------------------

TCTfTrfResizerFilter::TCTfTrfResizerFilter(HRESULT* phr)
  : CTransformFilter(kFilterName, nullptr, CLSID_TarvekResizerFilter)
{
  HRESULT hr = S_OK;
  m_pOutput = new (std::nothrow) TCTfTrfOutputPin(this, &hr);
  if (m_pOutput)
    m_pInput = new (std::nothrow) CTransformInputPin(L"resizer input pin", this, &hr, L"In");
  if ((!m_pOutput || !m_pInput) && phr)
    *phr = E_OUTOFMEMORY;
}

TCTfTrfResizerFilter::~TCTfTrfResizerFilter() = default;

CUnknown* TCTfTrfResizerFilter::CreateInstance(IUnknown*, HRESULT* phr)
{
  auto* filter = new (std::nothrow) TCTfTrfResizerFilter(phr);
  if (!filter && phr)
    *phr = E_OUTOFMEMORY;
  return filter;
}

HRESULT TCTfTrfResizerFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (riid == IID_ITarvekResizer13)
    return GetInterface(static_cast<ITarvekResizer13*>(this), ppv);
  if (riid == IID_ISpecifyPropertyPages)
    return GetInterface(static_cast<ISpecifyPropertyPages*>(this), ppv);
  return CTransformFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT TCTfTrfResizerFilter::Transform(IMediaSample* input, IMediaSample* output)
{
  if (!input)
    return E_POINTER;
  if (m_iCurrentWidth <= 0 || m_iCurrentHeight <= 0 || !m_frames.HasWorkImages())
    return S_FALSE;
  if (!output)
    return E_POINTER;
  TakeAttachedType(input, &m_mtInput);
  TakeAttachedType(output, &m_mtOutput);

  BYTE* in = nullptr;
  BYTE* out = nullptr;
  input->GetPointer(&in);
  const HRESULT hr = output->GetPointer(&out);
  if (FAILED(hr))
    return hr;
  const TCTfTrfVideoFormat inFormat = FormatOf(m_mtInput);
  const TCTfTrfVideoFormat outFormat = FormatOf(m_mtOutput);
  const HRESULT done = m_frames.Transform(inFormat, in, input->GetSize(), outFormat, out, output->GetSize());
  if (done != S_OK)
    return done;
  int frameBytes = 0;
  if (TCTfTrfFormatRules::FrameBufferSize(outFormat, &frameBytes))
    output->SetActualDataLength(frameBytes);
  return hr;
}

HRESULT TCTfTrfResizerFilter::CheckInputType(const CMediaType* type)
{
  if (!type)
    return E_POINTER;
  const TCTfTrfVideoFormat format = FormatOf(*type);
  return TCTfTrfFormatRules::CheckInputType(&format, m_requiredSubtype);
}

HRESULT TCTfTrfResizerFilter::CheckTransform(const CMediaType* input, const CMediaType* output)
{
  if (!input || !output)
    return E_POINTER;
  const TCTfTrfVideoFormat in = FormatOf(*input);
  const TCTfTrfVideoFormat out = FormatOf(*output);
  return TCTfTrfFormatRules::CheckTransform(&in, &out);
}

HRESULT TCTfTrfResizerFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
  if (!allocator || !props)
    return E_POINTER;
  const TCTfTrfVideoFormat outFormat = FormatOf(m_pOutput->CurrentMediaType());
  const TCTfTrfVideoFormat inFormat = FormatOf(m_pInput->CurrentMediaType());
  TCTfTrfFrameGeometry out;
  TCTfTrfFrameGeometry in;
  if (!TCTfTrfFormatRules::GetFrameGeometry(outFormat, &out) || !TCTfTrfFormatRules::GetFrameGeometry(inFormat, &in))
    return E_FAIL;
  props->cbBuffer = out.frameBytes;
  if (props->cBuffers == 0)
    props->cBuffers = 1;
  if (props->cbAlign == 0)
    props->cbAlign = 1;
  m_iCurrentWidth = out.width;
  m_iCurrentHeight = out.height;

  const HRESULT created = m_frames.CreateWorkImages(outFormat.subtype, in.width, in.height, out.width, out.height);
  if (FAILED(created))
    return created;

  ALLOCATOR_PROPERTIES actual{0, 0, 0, 0};
  const HRESULT hr = allocator->SetProperties(props, &actual);
  if (FAILED(hr))
    return hr;
  if (actual.cbBuffer < props->cbBuffer || m_iCurrentWidth < 1 || m_iCurrentHeight < 1)
    return E_FAIL;
  return S_OK;
}

HRESULT TCTfTrfResizerFilter::GetMediaType(int position, CMediaType* type)
{
  if (position < 0)
    return E_INVALIDARG;
  if (position > 0)
    return VFW_S_NO_MORE_ITEMS;
  if (!type)
    return E_POINTER;
  if (!m_pInput || !m_pInput->IsConnected())
    return E_UNEXPECTED;
  const CMediaType& input = m_pInput->CurrentMediaType();
  std::vector<BYTE> block;
  const HRESULT hr =
    TCTfTrfFormatRules::MakeOutputFormat(FormatOf(input), m_iRequestedWidth, m_iRequestedHeight, &block);
  if (hr != S_OK)
    return hr;
  *type = input;
  type->SetFormatType(&FORMAT_VideoInfo);
  if (!type->SetFormat(block.data(), static_cast<ULONG>(block.size())))
    return E_OUTOFMEMORY;
  return S_OK;
}

HRESULT TCTfTrfResizerFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
  if (!type)
    return E_POINTER;
  if (direction == PINDIR_INPUT)
    m_mtInput = *type;
  else
    m_mtOutput = *type;
  return S_OK;
}

HRESULT TCTfTrfResizerFilter::SetSubtype(const GUID* subtype)
{
  if (!subtype)
  {
    m_requiredSubtype = GUID_NULL;
    return S_OK;
  }
  if (!TCTfTrfFormatRules::IsAcceptedSubtype(*subtype))
    return VFW_E_TYPE_NOT_ACCEPTED;
  m_requiredSubtype = *subtype;
  return S_OK;
}

HRESULT TCTfTrfResizerFilter::SetOutputSize(int width, int height)
{
  if (m_pOutput && m_pOutput->IsConnected())
    return S_FALSE;
  if (width >= 0 && height >= 0)
  {
    m_iRequestedWidth = width;
    m_iRequestedHeight = height;
    m_iCurrentWidth = -1;
    m_iCurrentHeight = -1;
  }
  return S_OK;
}

HRESULT TCTfTrfResizerFilter::GetOutputSize(int* width, int* height)
{
  if (!width || !height)
    return E_POINTER;
  if (m_iRequestedWidth > 0 && m_iRequestedHeight > 0)
  {
    *width = m_iRequestedWidth;
    *height = m_iRequestedHeight;
    return S_OK;
  }
  if (m_pInput && m_pInput->IsConnected())
  {
    const CMediaType& mt = m_pInput->CurrentMediaType();
    if (mt.formattype == FORMAT_VideoInfo2 && mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER2))
    {
      VIDEOINFOHEADER2 v2;
      std::memcpy(&v2, mt.pbFormat, sizeof(v2));
      *width = static_cast<int>(v2.dwPictAspectRatioX);
      *height = static_cast<int>(v2.dwPictAspectRatioY);
      return S_OK;
    }
  }
  *width = 0;
  *height = 0;
  return S_FALSE;
}

HRESULT TCTfTrfResizerFilter::GetCurrentSize(int* width, int* height)
{
  if (!width || !height)
    return E_POINTER;
  const CBasePin* pin = nullptr;
  if (m_pOutput && m_pOutput->IsConnected())
    pin = m_pOutput;
  else if (m_pInput && m_pInput->IsConnected())
    pin = m_pInput;
  if (!pin)
    return E_FAIL;
  BITMAPINFOHEADER header;
  if (!TCTfTrfFormatRules::ReadBitmapHeader(FormatOf(pin->CurrentMediaType()), &header))
    return E_FAIL;
  *width = AbsoluteInt(header.biWidth);
  *height = AbsoluteInt(header.biHeight);
  return S_OK;
}

HRESULT TCTfTrfResizerFilter::GetPages(CAUUID* pages)
{
  if (!pages)
    return E_POINTER;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (!pages->pElems)
  {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->cElems = 1;
  pages->pElems[0] = CLSID_TarvekResizerPropertyPage;
  return S_OK;
}
