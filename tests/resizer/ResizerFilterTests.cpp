// Filter slots that a host only reaches through the framework: called
// directly on a filter object.
#include <gtest/gtest.h>

#include "ResizerTestPins.h"
#include "TCTfTrfResizerFilter.h"

using namespace resizer_test;

namespace
{
/// A filter held by one reference, with a source and a sink that the test
/// connects as needed.
struct DirectFilter
{
  DirectFilter()
  {
    HRESULT hr = S_OK;
    filter = static_cast<TCTfTrfResizerFilter*>(TCTfTrfResizerFilter::CreateInstance(nullptr, &hr));
    EXPECT_EQ(hr, S_OK);
    filter->AddRef();
    sink = new TestSink();
    sink->AddRef();
  }
  ~DirectFilter()
  {
    if (source)
    {
      source->Disconnect();
      source->Release();
    }
    sink->Disconnect();
    filter->GetPin(0)->Disconnect();
    filter->GetPin(1)->Disconnect();
    sink->Release();
    filter->Release();
  }
  HRESULT ConnectInput(const GUID& subtype, int width, int height)
  {
    source = new TestSource(VideoType(subtype, VideoInfoBlock(subtype, width, height)));
    source->AddRef();
    return source->Connect(filter->GetPin(0), nullptr);
  }
  HRESULT ConnectOutput() { return filter->GetPin(1)->Connect(sink, nullptr); }

  TCTfTrfResizerFilter* filter = nullptr;
  TestSource* source = nullptr;
  TestSink* sink = nullptr;
};
} // namespace

TEST(ResizerFilterSlots, GetMediaTypeOffersOneTypeOnly)
{
  DirectFilter d;
  CMediaType mt;
  EXPECT_EQ(d.filter->GetMediaType(-1, &mt), E_INVALIDARG);
  EXPECT_EQ(d.filter->GetMediaType(1, &mt), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(d.filter->GetMediaType(0, &mt), E_UNEXPECTED) << "no input connection to copy";
  ASSERT_EQ(d.ConnectInput(MEDIASUBTYPE_RGB24, 641, 480), S_OK);
  ASSERT_EQ(d.filter->GetMediaType(0, &mt), S_OK);
  EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
  ASSERT_EQ(mt.cbFormat, 88u);
  VIDEOINFOHEADER v;
  std::memcpy(&v, mt.pbFormat, sizeof(v));
  EXPECT_EQ(v.bmiHeader.biWidth, 648);
  EXPECT_EQ(v.bmiHeader.biSizeImage, 933120u);
}

TEST(ResizerFilterSlots, DecideBufferSizeAsksForOneFrameAndRefusesAShortGrant)
{
  DirectFilter d;
  ASSERT_EQ(d.filter->SetOutputSize(16, 12), S_OK);
  ASSERT_EQ(d.ConnectInput(MEDIASUBTYPE_RGB24, 45, 27), S_OK);
  ASSERT_EQ(d.ConnectOutput(), S_OK);

  auto* allocator = new CMemAllocator();
  allocator->AddRef();
  ALLOCATOR_PROPERTIES props{0, 0, 0, 0};
  ASSERT_EQ(d.filter->DecideBufferSize(allocator, &props), S_OK);
  EXPECT_EQ(props.cbBuffer, 48 * 12);
  EXPECT_EQ(props.cBuffers, 1);
  EXPECT_EQ(props.cbAlign, 1);
  int w = 0, h = 0;
  ASSERT_EQ(d.filter->GetCurrentSize(&w, &h), S_OK);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 12);

  allocator->SetGrantLimit(48 * 12 - 1);
  props = ALLOCATOR_PROPERTIES{3, 0, 16, 0};
  EXPECT_EQ(d.filter->DecideBufferSize(allocator, &props), E_FAIL);
  EXPECT_EQ(props.cBuffers, 3);
  props = ALLOCATOR_PROPERTIES{1, 0, 3, 0}; // an alignment the allocator refuses
  EXPECT_EQ(d.filter->DecideBufferSize(allocator, &props), VFW_E_BADALIGN);
  allocator->Release();
  EXPECT_EQ(d.filter->DecideBufferSize(nullptr, &props), E_POINTER);
}

TEST(ResizerFilterSlots, TransformNeedsAnInputSampleAndDecidedBuffers)
{
  DirectFilter d;
  std::vector<BYTE> buffer(64);
  auto* sample = new CMediaSample(L"s", nullptr, buffer.data(), 64);
  sample->AddRef();
  EXPECT_EQ(d.filter->Transform(nullptr, sample), E_POINTER);
  EXPECT_EQ(d.filter->Transform(sample, sample), S_FALSE);
  sample->Release();
  EXPECT_EQ(d.filter->SetMediaType(PINDIR_INPUT, nullptr), E_POINTER);
  EXPECT_EQ(d.filter->CheckInputType(nullptr), E_POINTER);
}

TEST(ResizerFilterSlots, ConstructorNamesThePinsAndOffersNoSetupData)
{
  DirectFilter d;
  EXPECT_EQ(d.filter->GetSetupData(), nullptr);
  EXPECT_EQ(d.filter->GetPin(0)->PinName(), L"In");
  EXPECT_EQ(d.filter->GetPin(1)->PinName(), L"Out");
  EXPECT_EQ(d.filter->GetPin(2), nullptr);
  EXPECT_EQ(std::wstring(d.filter->Name()), L"TarvekResizerFilter 13.1.2");
}
