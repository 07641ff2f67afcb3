// The plug-in as a host sees it: loaded with dlopen, created through its class
// factory, connected between a test source and a test sink, fed frames.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <tarvek/dshow/BaseClasses.h>
#include <tarvek/dshow/Factory.h>
#include <tarvek/resizer/ITarvekResizer13.h>

#include "ResizerTestPins.h"

using namespace resizer_test;

namespace
{
typedef HRESULT (*GetClassObjectFn)(REFCLSID, REFIID, void**);
typedef HRESULT (*PlainEntryFn)();

struct Module
{
  void* handle = nullptr;
  GetClassObjectFn getClassObject = nullptr;
  PlainEntryFn canUnloadNow = nullptr;
  PlainEntryFn registerServer = nullptr;
  PlainEntryFn unregisterServer = nullptr;
};

Module& Plugin()
{
  static Module m;
  return m;
}

std::string RegistryFile()
{
  return ::testing::TempDir() + "resizer-registry-" + std::to_string(::getpid());
}

class ModuleEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    ::setenv("TARVEK_DSHOW_REGISTRY", RegistryFile().c_str(), 1);
    Module& m = Plugin();
    m.handle = ::dlopen(TARVEK_RESIZER_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m.handle, nullptr) << ::dlerror();
    m.getClassObject = reinterpret_cast<GetClassObjectFn>(::dlsym(m.handle, "DllGetClassObject"));
    m.canUnloadNow = reinterpret_cast<PlainEntryFn>(::dlsym(m.handle, "DllCanUnloadNow"));
    m.registerServer = reinterpret_cast<PlainEntryFn>(::dlsym(m.handle, "DllRegisterServer"));
    m.unregisterServer = reinterpret_cast<PlainEntryFn>(::dlsym(m.handle, "DllUnregisterServer"));
  }
  void TearDown() override { std::remove(RegistryFile().c_str()); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ModuleEnvironment);

/// A filter instance made through the module's class factory.
struct Filter
{
  Filter()
  {
    CComPtr<IClassFactory> factory;
    EXPECT_EQ(Plugin().getClassObject(CLSID_TarvekResizerFilter, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    if (!factory)
      return;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    EXPECT_EQ(filter->QueryInterface(IID_ITarvekResizer13, reinterpret_cast<void**>(&resizer)), S_OK);
    EXPECT_EQ(filter->FindPin(L"In", &in), S_OK);
    EXPECT_EQ(filter->FindPin(L"Out", &out), S_OK);
  }
  CComPtr<IBaseFilter> filter;
  CComPtr<ITarvekResizer13> resizer;
  CComPtr<IPin> in;
  CComPtr<IPin> out;
};

/// Source -> resizer -> sink, running.
struct Pipeline
{
  Pipeline(const CMediaType& sourceType, int requestedWidth, int requestedHeight, LONG sinkSlack = 0)
    : source(new TestSource(sourceType)), sink(new TestSink())
  {
    source->AddRef();
    sink->AddRef();
    sink->Allocator()->SetSlack(sinkSlack);
    EXPECT_EQ(f.resizer->SetOutputSize(requestedWidth, requestedHeight), S_OK);
    connectedIn = source->Connect(f.in.get(), nullptr);
    if (SUCCEEDED(connectedIn))
      connectedOut = f.out->Connect(sink, nullptr);
    if (SUCCEEDED(connectedIn) && SUCCEEDED(connectedOut))
    {
      sink->Active();
      EXPECT_EQ(f.filter->Run(0), S_OK);
    }
  }
  ~Pipeline()
  {
    f.filter->Stop();
    sink->Inactive();
    source->Disconnect();
    f.in->Disconnect();
    f.out->Disconnect();
    sink->Disconnect();
    source->Release();
    sink->Release();
  }
  bool Connected() const { return connectedIn == S_OK && connectedOut == S_OK; }

  Filter f;
  TestSource* source;
  TestSink* sink;
  HRESULT connectedIn = E_FAIL;
  HRESULT connectedOut = E_FAIL;
};

BITMAPINFOHEADER SinkHeader(TestSink& sink)
{
  BITMAPINFOHEADER h{};
  const CMediaType& mt = sink.CurrentMediaType();
  if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER))
    std::memcpy(&h, mt.pbFormat + offsetof(VIDEOINFOHEADER, bmiHeader), sizeof(h));
  return h;
}
} // namespace

// ---- the module and its objects ----------------------------------------------------------------

TEST(ResizerModule, ExportsItsEntryPointsAndServesOnlyItsClass)
{
  const Module& m = Plugin();
  ASSERT_TRUE(m.getClassObject && m.canUnloadNow && m.registerServer && m.unregisterServer);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(m.getClassObject(CLSID_TarvekResizerPropertyPage, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(m.getClassObject(CLSID_TarvekResizerFilter, IID_IPin, &object), E_NOINTERFACE);
  EXPECT_EQ(m.getClassObject(CLSID_TarvekResizerFilter, IID_IClassFactory, nullptr), E_POINTER);

  CComPtr<IClassFactory> factory;
  ASSERT_EQ(m.getClassObject(CLSID_TarvekResizerFilter, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  CComPtr<IUnknown> outer;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&outer)), S_OK);
  EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
}

TEST(ResizerModule, FilterAnswersItsInterfacesPinsAndPages)
{
  Filter f;
  ASSERT_TRUE(f.filter && f.resizer && f.in && f.out);
  CLSID clsid;
  ASSERT_EQ(f.filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TarvekResizerFilter);
  void* object = nullptr;
  EXPECT_EQ(f.filter->QueryInterface(IID_IMemAllocator, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  CComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(f.resizer->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)), S_OK);
  CAUUID ids{0, nullptr};
  ASSERT_EQ(pages->GetPages(&ids), S_OK);
  ASSERT_EQ(ids.cElems, 1u);
  EXPECT_EQ(ids.pElems[0], CLSID_TarvekResizerPropertyPage);
  CoTaskMemFree(ids.pElems);
  EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);

  // Every interface of the object leads back to the same identity.
  CComPtr<IUnknown> a;
  CComPtr<IUnknown> b;
  ASSERT_EQ(pages->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(f.resizer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_EQ(a.get(), b.get());

  LPWSTR id = nullptr;
  ASSERT_EQ(f.out->QueryId(&id), S_OK);
  EXPECT_EQ(std::wstring(id), L"Out");
  CoTaskMemFree(id);
  ASSERT_EQ(f.in->QueryId(&id), S_OK);
  EXPECT_EQ(std::wstring(id), L"In");
  CoTaskMemFree(id);
  PIN_DIRECTION dir;
  ASSERT_EQ(f.out->QueryDirection(&dir), S_OK);
  EXPECT_EQ(dir, PINDIR_OUTPUT);
}

TEST(ResizerModule, CanUnloadOnlyWhenNoObjectIsAlive)
{
  {
    Filter f;
    EXPECT_EQ(Plugin().canUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(Plugin().canUnloadNow(), S_OK);
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(Plugin().getClassObject(CLSID_TarvekResizerFilter, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Release();
  EXPECT_EQ(Plugin().canUnloadNow(), S_FALSE);
  ASSERT_EQ(Plugin().getClassObject(CLSID_TarvekResizerFilter, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Release();
  EXPECT_EQ(Plugin().canUnloadNow(), S_OK);
}

TEST(ResizerModule, RegistrationWritesItsEntriesAndUnregistrationRemovesOnlyThem)
{
  ASSERT_EQ(CFilterRegistry::Location(), RegistryFile());
  std::map<std::string, std::string> entries{{"CLSID\\{00000000-1111-2222-3333-444444444444}", "someone else"}};
  ASSERT_TRUE(CFilterRegistry::Save(entries));

  ASSERT_EQ(Plugin().registerServer(), S_OK);
  ASSERT_TRUE(CFilterRegistry::Load(&entries));
  const std::string clsid = "{AD9F92A1-00B6-4B3D-987D-D48E3F56A754}";
  EXPECT_EQ(entries["CLSID\\" + clsid], "TarvekResizerFilter 13.1.2");
  EXPECT_EQ(entries["CLSID\\" + clsid + "\\InprocServer32"], TARVEK_RESIZER_MODULE_PATH);
  EXPECT_EQ(entries["Filter\\" + clsid + "\\FriendlyName"], "TarvekResizerFilter 13.1.2");
  EXPECT_EQ(entries["Filter\\" + clsid + "\\Merit"], "0x00200000");
  EXPECT_EQ(entries["Filter\\" + clsid + "\\Pins"], "2");
  EXPECT_EQ(entries["Filter\\" + clsid + "\\Pin0"],
            "name=Input;rendered=0;output=0;zero=0;many=0;connectsToFilter=;connectsToPin=;mediaTypes=0");
  EXPECT_EQ(entries["Filter\\" + clsid + "\\Pin1"],
            "name=Output;rendered=0;output=1;zero=0;many=0;connectsToFilter=;connectsToPin=;mediaTypes=0");

  ASSERT_EQ(Plugin().unregisterServer(), S_OK);
  ASSERT_TRUE(CFilterRegistry::Load(&entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries.begin()->second, "someone else");
}

// ---- the custom interface -------------------------------------------------------------------

TEST(ResizerInterface, SubtypeAndSizeSettersFollowTheirRules)
{
  Filter f;
  ITarvekResizer13* r = f.resizer.get();
  EXPECT_EQ(r->SetSubtype(&MEDIASUBTYPE_YUY2), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(r->SetSubtype(&MEDIASUBTYPE_Y800), S_OK);
  EXPECT_EQ(r->SetSubtype(nullptr), S_OK);

  int w = -7, h = -7;
  EXPECT_EQ(r->GetOutputSize(&w, &h), S_FALSE);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(r->SetOutputSize(320, 240), S_OK);
  EXPECT_EQ(r->SetOutputSize(-1, 100), S_OK); // ignored
  EXPECT_EQ(r->GetOutputSize(&w, &h), S_OK);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_EQ(r->SetOutputSize(320, 0), S_OK);
  EXPECT_EQ(r->GetOutputSize(&w, &h), S_FALSE);
  EXPECT_EQ(r->GetOutputSize(nullptr, &h), E_POINTER);
  EXPECT_EQ(r->GetCurrentSize(&w, nullptr), E_POINTER);
  EXPECT_EQ(r->GetCurrentSize(&w, &h), E_FAIL);
}

// ---- connected and streaming ----------------------------------------------------------------

namespace
{
struct StreamCase
{
  const char* name;
  GUID subtype;
  int width, height;                   // input, signed height
  int requestedWidth, requestedHeight; // 0, 0: input size
  int outWidth, outHeight;             // delivered, bottom-up
};

class ResizerStream : public ::testing::TestWithParam<StreamCase>
{
};
} // namespace

TEST_P(ResizerStream, DeliversEachFrameWithEveryPixelInPlace)
{
  const StreamCase c = GetParam();
  const int px = BitsOf(c.subtype) / 8;
  Pipeline p(VideoType(c.subtype, VideoInfoBlock(c.subtype, c.width, c.height)), c.requestedWidth,
             c.requestedHeight, /*sinkSlack=*/333);
  ASSERT_TRUE(p.Connected()) << std::hex << p.connectedIn << " " << p.connectedOut;

  const BITMAPINFOHEADER out = SinkHeader(*p.sink);
  EXPECT_EQ(p.sink->CurrentMediaType().cbFormat, sizeof(VIDEOINFOHEADER));
  EXPECT_EQ(out.biWidth, c.outWidth);
  EXPECT_EQ(out.biHeight, c.outHeight);
  int w = 0, h = 0;
  ASSERT_EQ(p.f.resizer->GetCurrentSize(&w, &h), S_OK);
  EXPECT_EQ(w, c.outWidth);
  EXPECT_EQ(h, c.outHeight);

  for (int seed = 0; seed < 2; ++seed)
  {
    std::vector<BYTE> frame = PatternFrame(px, c.width, std::abs(c.height), seed);
    const std::vector<BYTE> sent = frame;
    ASSERT_EQ(p.source->Push(frame), S_OK);
    ASSERT_EQ(p.sink->frames.size(), static_cast<std::size_t>(seed + 1));
    const std::vector<BYTE>& got = p.sink->frames.back();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(FrameBytes(c.subtype, c.outWidth, c.outHeight)));
    ExpectDelivered(got.data(), px, c.outWidth, c.outHeight, c.width, std::abs(c.height), c.height < 0, seed);
    EXPECT_EQ(frame, sent) << "the upstream sample was written";
  }
}

INSTANTIATE_TEST_SUITE_P(
  AllPaths, ResizerStream,
  ::testing::Values(StreamCase{"Rgb32Copy", MEDIASUBTYPE_RGB32, 48, 36, 0, 0, 48, 36},
                    StreamCase{"Rgb32Flip", MEDIASUBTYPE_RGB32, 48, -36, 0, 0, 48, 36},
                    StreamCase{"Rgb32Resize", MEDIASUBTYPE_RGB32, 48, 36, 16, 12, 16, 12},
                    StreamCase{"Rgb24Copy", MEDIASUBTYPE_RGB24, 40, 27, 0, 0, 40, 27},
                    StreamCase{"Rgb24Flip", MEDIASUBTYPE_RGB24, 40, -27, 0, 0, 40, 27},
                    StreamCase{"Rgb24Resize", MEDIASUBTYPE_RGB24, 45, 27, 15, 9, 16, 9},
                    StreamCase{"Rgb24OddWidthPadded", MEDIASUBTYPE_RGB24, 641, -48, 0, 0, 648, 48},
                    StreamCase{"Y800Copy", MEDIASUBTYPE_Y800, 40, 30, 0, 0, 40, 30},
                    StreamCase{"Y800Flip", MEDIASUBTYPE_Y800, 40, -30, 0, 0, 40, 30},
                    StreamCase{"Y800Resize", MEDIASUBTYPE_Y800, 40, -30, 24, 10, 24, 10}),
  [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

TEST(ResizerPipeline, SizeIsFixedOnceTheOutputIsConnected)
{
  Pipeline p(VideoType(MEDIASUBTYPE_RGB32, VideoInfoBlock(MEDIASUBTYPE_RGB32, 48, 36)), 16, 12);
  ASSERT_TRUE(p.Connected());
  EXPECT_EQ(p.f.resizer->SetOutputSize(8, 8), S_FALSE);
  int w = 0, h = 0;
  ASSERT_EQ(p.f.resizer->GetOutputSize(&w, &h), S_OK);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 12);
}

TEST(ResizerPipeline, VideoInfo2InputIsOfferedDownstreamAsVideoInfo)
{
  Pipeline p(VideoType(MEDIASUBTYPE_Y800, VideoInfo2Block(MEDIASUBTYPE_Y800, 40, 30, 4, 3), FORMAT_VideoInfo2), 0,
             0);
  ASSERT_TRUE(p.Connected());
  EXPECT_EQ(p.sink->CurrentMediaType().formattype, FORMAT_VideoInfo);
  EXPECT_EQ(p.sink->CurrentMediaType().cbFormat, 88u);
  int w = 0, h = 0;
  ASSERT_EQ(p.f.resizer->GetOutputSize(&w, &h), S_OK);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 3);
  std::vector<BYTE> frame = PatternFrame(1, 40, 30, 3);
  ASSERT_EQ(p.source->Push(frame), S_OK);
  ASSERT_EQ(p.sink->frames.size(), 1u);
  ExpectDelivered(p.sink->frames[0].data(), 1, 40, 30, 40, 30, false, 3);
}

TEST(ResizerPipeline, RequiredSubtypeRefusesOtherSources)
{
  Filter f;
  ASSERT_EQ(f.resizer->SetSubtype(&MEDIASUBTYPE_RGB24), S_OK);
  auto* rgb32 = new TestSource(VideoType(MEDIASUBTYPE_RGB32, VideoInfoBlock(MEDIASUBTYPE_RGB32, 48, 36)));
  rgb32->AddRef();
  EXPECT_TRUE(FAILED(rgb32->Connect(f.in.get(), nullptr)));
  EXPECT_FALSE(rgb32->IsConnected());
  rgb32->Release();
  auto* rgb24 = new TestSource(VideoType(MEDIASUBTYPE_RGB24, VideoInfoBlock(MEDIASUBTYPE_RGB24, 48, 36)));
  rgb24->AddRef();
  EXPECT_EQ(rgb24->Connect(f.in.get(), nullptr), S_OK);
  rgb24->Disconnect();
  f.in->Disconnect();
  rgb24->Release();
}

TEST(ResizerPipeline, OutputPinAcceptsOnlyTheSameFrameInEitherRowOrder)
{
  Filter f;
  const CMediaType same = VideoType(MEDIASUBTYPE_RGB32, VideoInfoBlock(MEDIASUBTYPE_RGB32, 48, -36));
  EXPECT_EQ(f.out->QueryAccept(&same), VFW_E_INVALID_MEDIA_TYPE) << "not connected";
  Pipeline p(VideoType(MEDIASUBTYPE_RGB32, VideoInfoBlock(MEDIASUBTYPE_RGB32, 48, 36)), 0, 0);
  ASSERT_TRUE(p.Connected());
  EXPECT_EQ(p.f.out->QueryAccept(&same), S_OK);
  const CMediaType wider = VideoType(MEDIASUBTYPE_RGB32, VideoInfoBlock(MEDIASUBTYPE_RGB32, 56, 36));
  EXPECT_EQ(p.f.out->QueryAccept(&wider), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(p.f.out->QueryAccept(nullptr), E_POINTER);
}

TEST(ResizerPipeline, DownstreamRowOrderChangeFlipsFollowingFrames)
{
  Pipeline p(VideoType(MEDIASUBTYPE_RGB24, VideoInfoBlock(MEDIASUBTYPE_RGB24, 40, 27)), 0, 0);
  ASSERT_TRUE(p.Connected());
  const CMediaType topDown = VideoType(MEDIASUBTYPE_RGB24, VideoInfoBlock(MEDIASUBTYPE_RGB24, 40, -27));
  ASSERT_EQ(p.f.out->QueryAccept(&topDown), S_OK);
  p.sink->Allocator()->SetNextMediaType(&topDown);
  std::vector<BYTE> frame = PatternFrame(3, 40, 27, 5);
  ASSERT_EQ(p.source->Push(frame), S_OK);
  ASSERT_EQ(p.source->Push(frame), S_OK); // the new type stays in force
  ASSERT_EQ(p.sink->frames.size(), 2u);
  ExpectDelivered(p.sink->frames[0].data(), 3, 40, 27, 40, 27, true, 5);
  ExpectDelivered(p.sink->frames[1].data(), 3, 40, 27, 40, 27, true, 5);
}

TEST(ResizerPipeline, UpstreamTypeAttachedToASampleIsUsedForThatFrameOn)
{
  Pipeline p(VideoType(MEDIASUBTYPE_Y800, VideoInfoBlock(MEDIASUBTYPE_Y800, 40, 30)), 0, 0);
  ASSERT_TRUE(p.Connected());
  const CMediaType topDown = VideoType(MEDIASUBTYPE_Y800, VideoInfoBlock(MEDIASUBTYPE_Y800, 40, -30));
  std::vector<BYTE> frame = PatternFrame(1, 40, 30, 6);
  ASSERT_EQ(p.source->Push(frame, -1, &topDown), S_OK);
  ASSERT_EQ(p.sink->frames.size(), 1u);
  ExpectDelivered(p.sink->frames[0].data(), 1, 40, 30, 40, 30, true, 6);
}

TEST(ResizerPipeline, ShortOrMislabelledSamplesAreDroppedNotDelivered)
{
  Pipeline p(VideoType(MEDIASUBTYPE_RGB32, VideoInfoBlock(MEDIASUBTYPE_RGB32, 48, 36)), 16, 12);
  ASSERT_TRUE(p.Connected());
  std::vector<BYTE> frame = PatternFrame(4, 48, 36, 7);
  EXPECT_EQ(p.source->Push(frame, static_cast<long>(frame.size()) - 1), S_OK);
  const CMediaType other = VideoType(MEDIASUBTYPE_RGB32, VideoInfoBlock(MEDIASUBTYPE_RGB32, 96, 36));
  EXPECT_EQ(p.source->Push(frame, -1, &other), S_OK);
  EXPECT_TRUE(p.sink->frames.empty());
}
