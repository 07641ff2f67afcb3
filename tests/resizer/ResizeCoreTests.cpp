// The resize core: format rules and the per-frame paths, without a pipeline.
#include <climits>

#include <gtest/gtest.h>

#include <pixolan/model/TCPxByteImage.h>
#include <tarvek/resizer/TCTfTrfFormatRules.h>
#include <tarvek/resizer/TCTfTrfFrameTransform.h>

#include "ResizerTestSupport.h"

using namespace resizer_test;

namespace
{
/// A media type description that owns its block.
struct Format
{
  GUID major = MEDIATYPE_Video;
  GUID subtype = MEDIASUBTYPE_RGB32;
  GUID formatType = FORMAT_VideoInfo;
  std::vector<BYTE> block;

  TCTfTrfVideoFormat View() const
  {
    TCTfTrfVideoFormat f;
    f.majortype = major;
    f.subtype = subtype;
    f.formattype = formatType;
    f.pbFormat = block.empty() ? nullptr : block.data();
    f.cbFormat = static_cast<ULONG>(block.size());
    return f;
  }
  BITMAPINFOHEADER& Header()
  {
    const std::size_t offset =
      formatType == FORMAT_VideoInfo2 ? offsetof(VIDEOINFOHEADER2, bmiHeader) : offsetof(VIDEOINFOHEADER, bmiHeader);
    return *reinterpret_cast<BITMAPINFOHEADER*>(block.data() + offset);
  }
  RECT& Source() { return *reinterpret_cast<RECT*>(block.data()); }
  RECT& Target() { return *reinterpret_cast<RECT*>(block.data() + sizeof(RECT)); }
};

Format Video(const GUID& subtype, int width, int height)
{
  Format f;
  f.subtype = subtype;
  f.block = VideoInfoBlock(subtype, width, height);
  return f;
}

Format Video2(const GUID& subtype, int width, int height, DWORD ax = 16, DWORD ay = 9)
{
  Format f;
  f.subtype = subtype;
  f.formatType = FORMAT_VideoInfo2;
  f.block = VideoInfo2Block(subtype, width, height, ax, ay);
  return f;
}

HRESULT CheckInput(const Format& f, const GUID& required = GUID_NULL)
{
  const TCTfTrfVideoFormat v = f.View();
  return TCTfTrfFormatRules::CheckInputType(&v, required);
}

HRESULT CheckPair(const Format& in, const Format& out)
{
  const TCTfTrfVideoFormat a = in.View();
  const TCTfTrfVideoFormat b = out.View();
  return TCTfTrfFormatRules::CheckTransform(&a, &b);
}

HRESULT Accept(const Format& offered, const Format& current, bool connected = true)
{
  const TCTfTrfVideoFormat a = offered.View();
  return TCTfTrfFormatRules::QueryAccept(&a, current.View(), connected);
}

VIDEOINFOHEADER Proposed(const Format& in, int requestedWidth, int requestedHeight, std::size_t* blockSize = nullptr)
{
  std::vector<BYTE> block;
  EXPECT_EQ(TCTfTrfFormatRules::MakeOutputFormat(in.View(), requestedWidth, requestedHeight, &block), S_OK);
  VIDEOINFOHEADER v{};
  if (block.size() >= sizeof(v))
    std::memcpy(&v, block.data(), sizeof(v));
  if (blockSize)
    *blockSize = block.size();
  return v;
}
} // namespace

// ---- input types ----------------------------------------------------------------------------

TEST(ResizerInputType, AcceptsTheThreeSubtypesInEitherFormatForm)
{
  for (const GUID& s : {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_Y800})
  {
    EXPECT_EQ(CheckInput(Video(s, 640, 480)), S_OK);
    EXPECT_EQ(CheckInput(Video(s, 641, -480)), S_OK);
    EXPECT_EQ(CheckInput(Video2(s, 320, 240)), S_OK);
  }
}

TEST(ResizerInputType, RefusesOtherMajorTypesSubtypesAndFormats)
{
  EXPECT_EQ(TCTfTrfFormatRules::CheckInputType(nullptr, GUID_NULL), E_POINTER);
  Format f = Video(MEDIASUBTYPE_RGB32, 64, 48);
  f.major = MEDIATYPE_Audio;
  EXPECT_EQ(CheckInput(f), VFW_E_INVALID_MEDIA_TYPE);
  f = Video(MEDIASUBTYPE_RGB32, 64, 48);
  f.subtype = MEDIASUBTYPE_YUY2;
  EXPECT_EQ(CheckInput(f), VFW_E_INVALID_MEDIA_TYPE);
  f = Video(MEDIASUBTYPE_RGB32, 64, 48);
  f.formatType = GUID_NULL;
  EXPECT_EQ(CheckInput(f), VFW_E_INVALID_MEDIA_TYPE);
}

TEST(ResizerInputType, RefusesFormatBlocksShorterThanTheirForm)
{
  Format f = Video(MEDIASUBTYPE_RGB24, 64, 48);
  f.block.resize(87);
  EXPECT_EQ(CheckInput(f), VFW_E_INVALID_MEDIA_TYPE);
  f.block.clear();
  EXPECT_EQ(CheckInput(f), VFW_E_INVALID_MEDIA_TYPE);
  Format g = Video2(MEDIASUBTYPE_RGB24, 64, 48);
  g.block.resize(111);
  EXPECT_EQ(CheckInput(g), VFW_E_INVALID_MEDIA_TYPE);
  // A VideoInfo block claimed as VideoInfo2 is too short for that form.
  Format h = Video(MEDIASUBTYPE_RGB24, 64, 48);
  h.formatType = FORMAT_VideoInfo2;
  EXPECT_EQ(CheckInput(h), VFW_E_INVALID_MEDIA_TYPE);
}

TEST(ResizerInputType, RequiredSubtypeIsTheOnlyOneAccepted)
{
  EXPECT_EQ(CheckInput(Video(MEDIASUBTYPE_RGB32, 64, 48), MEDIASUBTYPE_RGB24), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(CheckInput(Video(MEDIASUBTYPE_RGB24, 64, 48), MEDIASUBTYPE_RGB24), S_OK);
  EXPECT_EQ(CheckInput(Video(MEDIASUBTYPE_Y800, 64, 48), MEDIASUBTYPE_RGB24), VFW_E_INVALID_MEDIA_TYPE);
}

TEST(ResizerInputType, RefusesHeadersThatDescribeNoUsableFrame)
{
  const auto with = [](void (*edit)(BITMAPINFOHEADER&)) {
    Format f = Video(MEDIASUBTYPE_RGB24, 64, 48);
    edit(f.Header());
    return CheckInput(f);
  };
  EXPECT_EQ(with([](BITMAPINFOHEADER& h) { h.biBitCount = 32; }), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(with([](BITMAPINFOHEADER& h) { h.biWidth = 0; }), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(with([](BITMAPINFOHEADER& h) { h.biWidth = -64; }), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(with([](BITMAPINFOHEADER& h) { h.biHeight = 0; }), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(with([](BITMAPINFOHEADER& h) { h.biHeight = INT_MIN; }), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(with([](BITMAPINFOHEADER& h) { h.biHeight = INT_MAX; }), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(with([](BITMAPINFOHEADER& h) {
              h.biWidth = INT_MAX;
              h.biHeight = 1;
            }),
            VFW_E_INVALID_MEDIA_TYPE);
}

// ---- transform pairing --------------------------------------------------------------------

TEST(ResizerTransformPair, AcceptsSameSubtypeAndHeaderAtAnySize)
{
  EXPECT_EQ(CheckPair(Video(MEDIASUBTYPE_RGB32, 640, 480), Video(MEDIASUBTYPE_RGB32, 320, 240)), S_OK);
  EXPECT_EQ(CheckPair(Video2(MEDIASUBTYPE_Y800, 641, -480), Video(MEDIASUBTYPE_Y800, 648, 480)), S_OK);
  EXPECT_EQ(TCTfTrfFormatRules::CheckTransform(nullptr, nullptr), E_POINTER);
}

TEST(ResizerTransformPair, RefusesMismatchedOutputs)
{
  const Format in = Video(MEDIASUBTYPE_RGB24, 64, 48);
  Format out = Video(MEDIASUBTYPE_RGB24, 64, 48);
  out.major = MEDIATYPE_Audio;
  EXPECT_EQ(CheckPair(in, out), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(CheckPair(in, Video(MEDIASUBTYPE_RGB32, 64, 48)), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(CheckPair(in, Video2(MEDIASUBTYPE_RGB24, 64, 48)), VFW_E_TYPE_NOT_ACCEPTED);
  out = Video(MEDIASUBTYPE_RGB24, 64, 48);
  out.block.resize(87);
  EXPECT_EQ(CheckPair(in, out), VFW_E_TYPE_NOT_ACCEPTED);
  out = Video(MEDIASUBTYPE_RGB24, 64, 48);
  out.Header().biPlanes = 2;
  EXPECT_EQ(CheckPair(in, out), VFW_E_TYPE_NOT_ACCEPTED);
  out = Video(MEDIASUBTYPE_RGB24, 64, 48);
  out.Header().biCompression = 3;
  EXPECT_EQ(CheckPair(in, out), VFW_E_TYPE_NOT_ACCEPTED);
  out = Video(MEDIASUBTYPE_RGB24, 64, 48);
  out.Header().biClrUsed = 256;
  EXPECT_EQ(CheckPair(in, out), VFW_E_TYPE_NOT_ACCEPTED);
  out = Video(MEDIASUBTYPE_RGB24, 0, 48);
  EXPECT_EQ(CheckPair(in, out), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(ResizerTransformPair, SourceAndTargetRectanglesMustBeEmptyOrTheWholeInput)
{
  Format in = Video(MEDIASUBTYPE_RGB32, 64, 48);
  Format out = Video(MEDIASUBTYPE_RGB32, 32, 24);
  in.Source() = RECT{0, 0, 64, 48};
  out.Target() = RECT{0, 0, 64, 48};
  EXPECT_EQ(CheckPair(in, out), S_OK);
  in.Source() = RECT{0, 0, 32, 48};
  EXPECT_EQ(CheckPair(in, out), VFW_E_INVALIDMEDIATYPE);
  in.Source() = RECT{0, 0, 0, 0};
  out.Target() = RECT{0, 0, 32, 24};
  EXPECT_EQ(CheckPair(in, out), VFW_E_INVALIDMEDIATYPE);
}

TEST(ResizerTransformPair, TopDownInputMayNameItsWholeFrameAsSource)
{
  Format in = Video(MEDIASUBTYPE_RGB32, 64, -48);
  in.Source() = RECT{0, 0, 64, 48};
  EXPECT_EQ(CheckPair(in, Video(MEDIASUBTYPE_RGB32, 64, 48)), S_OK);
}

// ---- dynamic format changes ---------------------------------------------------------------

TEST(ResizerQueryAccept, AcceptsOnlyTheConnectionsSubtypeAndAbsoluteSize)
{
  const Format current = Video(MEDIASUBTYPE_RGB24, 648, 480);
  EXPECT_EQ(Accept(Video(MEDIASUBTYPE_RGB24, 648, -480), current), S_OK);
  EXPECT_EQ(Accept(Video2(MEDIASUBTYPE_RGB24, 648, 480), current), S_OK);
  EXPECT_EQ(Accept(Video(MEDIASUBTYPE_RGB24, 640, 480), current), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(Accept(Video(MEDIASUBTYPE_RGB32, 648, 480), current), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(Accept(Video(MEDIASUBTYPE_RGB24, 648, 480), current, false), VFW_E_INVALID_MEDIA_TYPE);
  Format shortBlock = Video(MEDIASUBTYPE_RGB24, 648, 480);
  shortBlock.block.resize(80);
  EXPECT_EQ(Accept(shortBlock, current), VFW_E_INVALID_MEDIA_TYPE);
  EXPECT_EQ(TCTfTrfFormatRules::QueryAccept(nullptr, current.View(), true), E_POINTER);
}

// ---- proposed output type -------------------------------------------------------------------

TEST(ResizerOutputType, InputSizeIsUsedWithWidthRoundedUpToEight)
{
  std::size_t size = 0;
  const VIDEOINFOHEADER v = Proposed(Video(MEDIASUBTYPE_RGB24, 641, 480), 0, 0, &size);
  EXPECT_EQ(size, 88u);
  EXPECT_EQ(v.bmiHeader.biWidth, 648);
  EXPECT_EQ(v.bmiHeader.biHeight, 480);
  EXPECT_EQ(v.bmiHeader.biSizeImage, 933120u);
  EXPECT_EQ(v.rcSource.right, 648);
  EXPECT_EQ(v.rcSource.bottom, 480);
  EXPECT_EQ(v.rcTarget.right, 0);
  EXPECT_EQ(v.rcTarget.bottom, 0);
  EXPECT_EQ(v.AvgTimePerFrame, 400000);
}

TEST(ResizerOutputType, RequestWithOneZeroSideMeansInputSize)
{
  const VIDEOINFOHEADER v = Proposed(Video(MEDIASUBTYPE_RGB32, 640, -480), 320, 0);
  EXPECT_EQ(v.bmiHeader.biWidth, 640);
  EXPECT_EQ(v.bmiHeader.biHeight, 480); // always proposed bottom-up
  const VIDEOINFOHEADER r = Proposed(Video(MEDIASUBTYPE_Y800, 640, 480), 101, 50);
  EXPECT_EQ(r.bmiHeader.biWidth, 104);
  EXPECT_EQ(r.bmiHeader.biHeight, 50);
  EXPECT_EQ(r.bmiHeader.biSizeImage, 104u * 50u);
  EXPECT_EQ(r.bmiHeader.biCompression, FOURCC_Y800);
}

TEST(ResizerOutputType, VideoInfo2InputBecomesAnEightyEightByteVideoInfoBlock)
{
  std::size_t size = 0;
  const VIDEOINFOHEADER v = Proposed(Video2(MEDIASUBTYPE_RGB32, 320, 240), 0, 0, &size);
  EXPECT_EQ(size, sizeof(VIDEOINFOHEADER));
  EXPECT_EQ(v.dwBitRate, 777u);
  EXPECT_EQ(v.dwBitErrorRate, 3u);
  EXPECT_EQ(v.AvgTimePerFrame, 333667);
  EXPECT_EQ(v.bmiHeader.biBitCount, 32);
  EXPECT_EQ(v.bmiHeader.biWidth, 320);
  EXPECT_EQ(v.bmiHeader.biSizeImage, 320u * 240u * 4u);
}

TEST(ResizerOutputType, BytesAfterAVideoInfoBlockAreKept)
{
  Format in = Video(MEDIASUBTYPE_Y800, 64, 48);
  in.block.resize(88 + 1024, 0x5A);
  std::vector<BYTE> block;
  ASSERT_EQ(TCTfTrfFormatRules::MakeOutputFormat(in.View(), 0, 0, &block), S_OK);
  ASSERT_EQ(block.size(), 88u + 1024u);
  EXPECT_EQ(block[88], 0x5A);
  EXPECT_EQ(block.back(), 0x5A);
}

TEST(ResizerOutputType, NoProposalWithoutAUsableBlockOrForAnOversizedRequest)
{
  std::vector<BYTE> block;
  Format shortV2 = Video2(MEDIASUBTYPE_RGB24, 64, 48);
  shortV2.block.resize(100);
  EXPECT_EQ(TCTfTrfFormatRules::MakeOutputFormat(shortV2.View(), 0, 0, &block), S_FALSE);
  Format other = Video(MEDIASUBTYPE_RGB24, 64, 48);
  other.formatType = GUID_NULL;
  EXPECT_EQ(TCTfTrfFormatRules::MakeOutputFormat(other.View(), 0, 0, &block), S_FALSE);
  const Format in = Video(MEDIASUBTYPE_RGB32, 64, 48);
  EXPECT_EQ(TCTfTrfFormatRules::MakeOutputFormat(in.View(), INT_MAX, INT_MAX, &block), S_FALSE);
  EXPECT_EQ(TCTfTrfFormatRules::MakeOutputFormat(in.View(), INT_MAX - 2, 1, &block), S_FALSE);
  EXPECT_TRUE(block.empty());
}

TEST(ResizerOutputType, BufferSizeUsesAlignedRows)
{
  int bytes = 0;
  ASSERT_TRUE(TCTfTrfFormatRules::FrameBufferSize(Video(MEDIASUBTYPE_RGB24, 641, -480).View(), &bytes));
  EXPECT_EQ(bytes, 1924 * 480);
  ASSERT_TRUE(TCTfTrfFormatRules::FrameBufferSize(Video(MEDIASUBTYPE_Y800, 641, 480).View(), &bytes));
  EXPECT_EQ(bytes, 644 * 480);
  EXPECT_FALSE(TCTfTrfFormatRules::FrameBufferSize(Video(MEDIASUBTYPE_Y800, 0, 480).View(), &bytes));
}

// ---- per-frame work -------------------------------------------------------------------------

namespace
{
struct FrameCase
{
  GUID subtype;
  int inWidth, inHeight; // signed heights
  int outWidth, outHeight;
};

int PixelSize(const GUID& s)
{
  return BitsOf(s) / 8;
}

class ResizerFrame : public ::testing::TestWithParam<FrameCase>
{
};

/// Runs one frame through a fresh transform and checks every delivered pixel.
void RunAndCheck(const FrameCase& c, int inSlack, int outSlack)
{
  const int px = PixelSize(c.subtype);
  const int inW = c.inWidth, inH = std::abs(c.inHeight), outW = c.outWidth, outH = std::abs(c.outHeight);
  TCTfTrfFrameTransform t;
  ASSERT_EQ(t.CreateWorkImages(c.subtype, inW, inH, outW, outH), S_OK);
  const Format in = Video(c.subtype, c.inWidth, c.inHeight);
  const Format out = Video(c.subtype, c.outWidth, c.outHeight);
  const std::vector<BYTE> source = PatternFrame(px, inW, inH, 1, inSlack);
  std::vector<BYTE> input = source;
  const std::size_t outFrame = static_cast<std::size_t>(DibStride(px * 8, outW)) * outH;
  std::vector<BYTE> output(outFrame + outSlack, 0xCD);
  // Twice: the second frame must not depend on state left by the first.
  for (int round = 0; round < 2; ++round)
  {
    ASSERT_EQ(t.Transform(in.View(), input.data(), static_cast<long long>(input.size()), out.View(), output.data(),
                          static_cast<long long>(output.size())),
              S_OK);
    const bool flipped = (c.inHeight > 0) != (c.outHeight > 0);
    ExpectDelivered(output.data(), px, outW, outH, inW, inH, flipped, 1);
    EXPECT_EQ(input, source) << "the input sample must never be written";
    for (std::size_t i = outFrame; i < output.size(); ++i)
      ASSERT_EQ(output[i], 0xCD) << "written past the frame at " << i;
  }
  EXPECT_FALSE(t.GetInputImage()->HasExternalBuffer());
  EXPECT_FALSE(t.GetOutputImage()->HasExternalBuffer());
}
} // namespace

TEST_P(ResizerFrame, DeliversEveryPixelFromItsSourcePixel)
{
  RunAndCheck(GetParam(), 0, 0);
}

TEST_P(ResizerFrame, AllocatorSlackOnEitherSampleChangesNothing)
{
  RunAndCheck(GetParam(), 4096 + 13, 777);
}

INSTANTIATE_TEST_SUITE_P(
  Paths, ResizerFrame,
  ::testing::Values(
    // plain copy
    FrameCase{MEDIASUBTYPE_RGB32, 16, 12, 16, 12}, FrameCase{MEDIASUBTYPE_RGB24, 13, -5, 13, -5},
    FrameCase{MEDIASUBTYPE_Y800, 7, 9, 7, 9},
    // flip, including rows with padding (odd widths) and the 640 x 480 case
    FrameCase{MEDIASUBTYPE_RGB32, 16, -12, 16, 12}, FrameCase{MEDIASUBTYPE_RGB24, 641, 480, 641, -480},
    FrameCase{MEDIASUBTYPE_Y800, 7, -9, 7, 9}, FrameCase{MEDIASUBTYPE_RGB24, 640, -480, 640, 480},
    // resize: rows that match the work image layout and rows that do not
    FrameCase{MEDIASUBTYPE_RGB32, 24, 18, 8, 6}, FrameCase{MEDIASUBTYPE_RGB24, 15, 9, 8, 3},
    FrameCase{MEDIASUBTYPE_Y800, 5, 3, 8, 7}, FrameCase{MEDIASUBTYPE_Y800, 96, 64, 32, 64},
    // resize with flip
    FrameCase{MEDIASUBTYPE_RGB32, 24, -18, 8, 6}, FrameCase{MEDIASUBTYPE_RGB24, 15, 9, 8, -3},
    FrameCase{MEDIASUBTYPE_Y800, 5, -3, 8, 7}));

TEST(ResizerFrameRefusal, SamplesShorterThanTheirFrameAreNotDelivered)
{
  TCTfTrfFrameTransform t;
  ASSERT_EQ(t.CreateWorkImages(MEDIASUBTYPE_RGB24, 13, 5, 8, 3), S_OK);
  const Format in = Video(MEDIASUBTYPE_RGB24, 13, 5);
  const Format out = Video(MEDIASUBTYPE_RGB24, 8, 3);
  std::vector<BYTE> input = PatternFrame(3, 13, 5, 2);
  std::vector<BYTE> output(24 * 3, 0xCD);
  const std::vector<BYTE> untouched = output;
  EXPECT_EQ(t.Transform(in.View(), input.data(), 40 * 5 - 1, out.View(), output.data(), 72), S_FALSE);
  EXPECT_EQ(t.Transform(in.View(), input.data(), 40 * 5, out.View(), output.data(), 71), S_FALSE);
  EXPECT_EQ(t.Transform(in.View(), nullptr, 40 * 5, out.View(), output.data(), 72), S_FALSE);
  EXPECT_EQ(t.Transform(in.View(), input.data(), 40 * 5, out.View(), nullptr, 72), S_FALSE);
  EXPECT_EQ(output, untouched);
  EXPECT_EQ(t.Transform(in.View(), input.data(), 40 * 5, out.View(), output.data(), 72), S_OK);
}

TEST(ResizerFrameRefusal, TypesThatDoNotMatchTheWorkImagesAreNotDelivered)
{
  TCTfTrfFrameTransform t;
  std::vector<BYTE> input(64 * 48 * 4, 1);
  std::vector<BYTE> output(64 * 48 * 4, 0xCD);
  const std::vector<BYTE> untouched = output;
  const Format in = Video(MEDIASUBTYPE_RGB32, 32, 24);
  const Format out = Video(MEDIASUBTYPE_RGB32, 16, 12);
  const auto run = [&](const Format& a, const Format& b) {
    return t.Transform(a.View(), input.data(), static_cast<long long>(input.size()), b.View(), output.data(),
                       static_cast<long long>(output.size()));
  };
  EXPECT_EQ(run(in, out), S_FALSE) << "no work images yet";
  ASSERT_EQ(t.CreateWorkImages(MEDIASUBTYPE_RGB32, 32, 24, 16, 12), S_OK);
  EXPECT_EQ(run(Video(MEDIASUBTYPE_RGB32, 64, 48), out), S_FALSE);
  EXPECT_EQ(run(in, Video(MEDIASUBTYPE_RGB32, 16, 16)), S_FALSE);
  EXPECT_EQ(run(Video(MEDIASUBTYPE_RGB24, 32, 24), Video(MEDIASUBTYPE_RGB24, 16, 12)), S_FALSE);
  Format lying = Video(MEDIASUBTYPE_RGB32, 32, 24);
  lying.Header().biBitCount = 24;
  EXPECT_EQ(run(lying, out), S_FALSE);
  Format truncated = in;
  truncated.block.resize(60);
  EXPECT_EQ(run(truncated, out), S_FALSE);
  EXPECT_EQ(output, untouched);
  EXPECT_EQ(run(in, out), S_OK);
}

TEST(ResizerWorkImages, ClassFollowsTheSubtype)
{
  TCTfTrfFrameTransform t;
  ASSERT_EQ(t.CreateWorkImages(MEDIASUBTYPE_Y800, 64, 48, 32, 24), S_OK);
  EXPECT_EQ(t.GetInputImage()->GetPixelSize(), 1);
  EXPECT_EQ(t.GetOutputImage()->GetWidth(), 32);
  ASSERT_EQ(t.CreateWorkImages(MEDIASUBTYPE_RGB24, 64, 48, 32, 24), S_OK);
  EXPECT_EQ(t.GetInputImage()->GetPixelSize(), 3);
  ASSERT_EQ(t.CreateWorkImages(MEDIASUBTYPE_RGB32, 64, 48, 32, 24), S_OK);
  EXPECT_EQ(t.GetOutputImage()->GetPixelSize(), 4);
  EXPECT_EQ(t.CreateWorkImages(MEDIASUBTYPE_YUY2, 64, 48, 32, 24), S_FALSE);
  EXPECT_FALSE(t.HasWorkImages());
  EXPECT_EQ(t.CreateWorkImages(MEDIASUBTYPE_RGB32, 0, 48, 32, 24), S_FALSE);
}
