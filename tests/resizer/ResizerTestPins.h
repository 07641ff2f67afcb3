#pragma once
// Test ends of a pipeline: a source pin that pushes frames over caller
// buffers and a sink pin that keeps what it receives.
#include <cstdlib>
#include <vector>

#include <tarvek/dshow/BaseClasses.h>

#include "ResizerTestSupport.h"

namespace resizer_test
{
inline CMediaType VideoType(const GUID& subtype, const std::vector<BYTE>& block, const GUID& formatType = FORMAT_VideoInfo)
{
  CMediaType mt;
  mt.SetType(&MEDIATYPE_Video);
  mt.SetSubtype(&subtype);
  mt.SetFormatType(&formatType);
  mt.bFixedSizeSamples = TRUE;
  mt.SetFormat(block.data(), static_cast<ULONG>(block.size()));
  return mt;
}

inline int FrameBytes(const GUID& subtype, int width, int height)
{
  return DibStride(BitsOf(subtype), width) * std::abs(height);
}

/// Upstream end: offers one type and pushes frames over caller buffers.
class TestSource : public CBaseOutputPin
{
public:
  explicit TestSource(const CMediaType& offer) : CBaseOutputPin(L"test source", nullptr, L"Source"), m_offer(offer) {}
  HRESULT CheckMediaType(const CMediaType* type) override
  {
    return type->majortype == m_offer.majortype && type->subtype == m_offer.subtype ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override
  {
    if (position != 0)
      return VFW_S_NO_MORE_ITEMS;
    *type = m_offer;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override
  {
    props->cBuffers = 1;
    props->cbBuffer = 1;
    props->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(props, &actual);
  }
  /// Sends `frame` (its first `length` bytes) downstream as one sample.
  HRESULT Push(std::vector<BYTE>& frame, long length = -1, const AM_MEDIA_TYPE* attach = nullptr)
  {
    const LONG size = static_cast<LONG>(length < 0 ? static_cast<long>(frame.size()) : length);
    auto* sample = new CMediaSample(L"test frame", nullptr, frame.data(), size);
    sample->AddRef();
    sample->SetActualDataLength(size);
    if (attach)
      sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(attach));
    const HRESULT hr = m_pInputPin ? m_pInputPin->Receive(sample) : VFW_E_NOT_CONNECTED;
    sample->Release();
    return hr;
  }

private:
  CMediaType m_offer;
};

/// Downstream end: accepts video, provides its own allocator and keeps a copy
/// of each delivered frame.
class TestSink : public CBaseInputPin
{
public:
  TestSink() : CBaseInputPin(L"test sink", nullptr, L"Sink")
  {
    m_allocator = new CMemAllocator();
    m_allocator->AddRef();
  }
  ~TestSink() override { m_allocator->Release(); }
  HRESULT CheckMediaType(const CMediaType* type) override
  {
    return type->majortype == MEDIATYPE_Video ? S_OK : S_FALSE;
  }
  HRESULT GetAllocator(IMemAllocator** allocator) override
  {
    *allocator = m_allocator;
    m_allocator->AddRef();
    return S_OK;
  }
  HRESULT Receive(IMediaSample* sample) override
  {
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
      return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    frames.emplace_back(data, data + sample->GetActualDataLength());
    return S_OK;
  }
  CMemAllocator* Allocator() { return m_allocator; }
  std::vector<std::vector<BYTE>> frames;

private:
  CMemAllocator* m_allocator;
};

} // namespace resizer_test
