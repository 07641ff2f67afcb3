// Format blocks of the resizer as a pipeline hands them over: two video
// formats decoded from the input run through every format rule and through
// the conversion into the resize core's pixel terms, the requested size
// through the core's size rules; then one frame moves between sample buffers
// whose lengths come from the input, once through the plug-in's work images
// and once through the core's strided transform, which must agree.
//
// Input: flags byte (bit 0 connected, bits 1-2 required subtype), two
// formats, requested output width and height (int16 each), two signed length
// offsets for the sample buffers; the rest fills the input sample. A format is
// three table choices (major type, subtype, format type; a choice past its
// table takes 16 raw GUID bytes from the input), a uint16 block length and
// the block bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include <tarvek/resizer/TCTfTrfFormatRules.h>
#include <tarvek/resizer/TCTfTrfFrameTransform.h>
#include <tarvek/resizer/TCTfTrfSizeRules.h>
#include <tarvek/resizer/TCTfTrfStridedFrameTransform.h>

#include "FuzzInput.h"

namespace
{
// Frames larger than this (a 128 x 128 RGB32 frame) are left out of the frame
// step: they are legal, but their buffers would only slow the run down.
constexpr int kMaxFuzzFrameBytes = 1 << 16;

const GUID kMajorTypes[] = {MEDIATYPE_Video, MEDIATYPE_Audio, GUID_NULL};
const GUID kSubtypes[] = {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_Y800, MEDIASUBTYPE_YUY2, GUID_NULL};
const GUID kFormatTypes[] = {FORMAT_VideoInfo, FORMAT_VideoInfo2, GUID_NULL};

template <std::size_t N>
GUID ChooseGuid(FuzzInput& in, const GUID (&table)[N])
{
  const std::uint8_t choice = in.Byte();
  if (choice < N)
    return table[choice];
  GUID raw;
  in.Fill(&raw, sizeof raw);
  return raw;
}

// A format whose block is a heap copy of exactly cbFormat bytes, so that any
// read past the block's end is seen by AddressSanitizer.
struct OwnedFormat
{
  TCTfTrfVideoFormat view;
  std::vector<BYTE> block;

  void Point()
  {
    view.pbFormat = block.empty() ? nullptr : block.data();
    view.cbFormat = static_cast<ULONG>(block.size());
  }
};

OwnedFormat ReadFormat(FuzzInput& in)
{
  OwnedFormat f;
  f.view.majortype = ChooseGuid(in, kMajorTypes);
  f.view.subtype = ChooseGuid(in, kSubtypes);
  f.view.formattype = ChooseGuid(in, kFormatTypes);
  f.block = in.Bytes(in.U16());
  f.block.shrink_to_fit();
  f.Point();
  return f;
}

std::int64_t SampleLength(int frameBytes, std::int8_t offset)
{
  const std::int64_t length = std::int64_t(frameBytes) + offset;
  return length < 0 ? 0 : length;
}

bool RectCoversFrame(const RECT& r, const TCTfTrfFrameGeometry& g)
{
  return r.left == 0 && r.top == 0 && r.right == g.width && r.bottom == g.height;
}

// The conversion into pixel terms agrees with the geometry of the same type.
void CheckPixelTerms(const TCTfTrfVideoFormat& format, bool hasFrame, const TCTfTrfFrameGeometry& g)
{
  TCTfTrfFrameFormat f;
  FUZZ_CHECK(TCTfTrfFormatRules::GetFrameFormat(format, &f) == hasFrame);
  if (!hasFrame)
    return;
  TCTfTrfPixelLayout layout;
  FUZZ_CHECK(TCTfTrfFormatRules::LayoutOfSubtype(format.subtype, &layout) && layout == f.layout);
  FUZZ_CHECK(f.width == g.width && f.height == g.height && f.PixelBytes() == g.pixelSize);
  FUZZ_CHECK(f.stride == g.stride && f.stride == TCTfTrfSizeRules::AlignedStride(f.layout, f.width));
  FUZZ_CHECK((f.order == TCTfTrfRowOrder::BottomUp) == g.bottomUp);
  FUZZ_CHECK(TCTfTrfSizeRules::FitsFrame(f.layout, f.width, f.height));
}

// The width ranges of the size rules over a range taken from the request.
void CheckWidthRanges(int a, int b)
{
  const TCTfTrfSizeRange range{a < b ? a : b, a < b ? b : a};
  TCTfTrfSizeRange mapped;
  if (TCTfTrfSizeRules::OutputWidths(range, &mapped))
  {
    FUZZ_CHECK(mapped.min <= mapped.max && mapped.min % 8 == 0 && mapped.max % 8 == 0);
    int first = 0;
    FUZZ_CHECK(TCTfTrfSizeRules::RoundWidth(range.min < 1 ? 1 : range.min, &first) && first == mapped.min);
  }
  if (TCTfTrfSizeRules::InputWidths(range, &mapped))
  {
    // Both ends round into the range, and the widths just outside do not.
    int lo = 0;
    int hi = 0;
    FUZZ_CHECK(mapped.min >= 1 && mapped.min <= mapped.max);
    FUZZ_CHECK(TCTfTrfSizeRules::RoundWidth(mapped.min, &lo) && TCTfTrfSizeRules::RoundWidth(mapped.max, &hi));
    FUZZ_CHECK(lo >= range.min && hi <= range.max && hi == mapped.max);
    if (mapped.min > 1)
      FUZZ_CHECK(!TCTfTrfSizeRules::RoundWidth(mapped.min - 1, &lo) || lo < range.min);
  }
}

// The core's strided transform on the pixel terms of the same two types
// writes the same rows as the plug-in's work images did.
void CompareWithCore(const OwnedFormat& input, const OwnedFormat& output, const std::vector<BYTE>& inBuf,
                     const std::vector<BYTE>& delivered)
{
  TCTfTrfFrameFormat fi;
  TCTfTrfFrameFormat fo;
  FUZZ_CHECK(TCTfTrfFormatRules::GetFrameFormat(input.view, &fi) &&
             TCTfTrfFormatRules::GetFrameFormat(output.view, &fo));
  TCTfTrfStridedFrameTransform core;
  FUZZ_CHECK(core.Configure(fi.layout, fi.width, fi.height, fo.width, fo.height) ==
             TCTfTrfStridedFrameTransform::Status::Ready);
  std::vector<BYTE> outBuf(delivered.size(), 0x5A);
  outBuf.shrink_to_fit();
  FUZZ_CHECK(core.Transform(fi, inBuf.data(), static_cast<long long>(inBuf.size()), fo, outBuf.data(),
                            static_cast<long long>(outBuf.size())));
  const std::size_t rowBytes = static_cast<std::size_t>(fo.RowBytes());
  for (int r = 0; r < fo.height; ++r)
  {
    const std::size_t at = static_cast<std::size_t>(r * fo.stride);
    FUZZ_CHECK(std::memcmp(outBuf.data() + at, delivered.data() + at, rowBytes) == 0);
    // Row padding is left alone.
    if (r + 1 < fo.height)
      for (std::size_t i = at + rowBytes; i < at + static_cast<std::size_t>(fo.stride); ++i)
        FUZZ_CHECK(outBuf[i] == 0x5A);
  }
}

void RunFrame(const OwnedFormat& input, const OwnedFormat& output, FuzzInput& in)
{
  TCTfTrfFrameGeometry gi;
  TCTfTrfFrameGeometry go;
  if (!TCTfTrfFormatRules::GetFrameGeometry(input.view, &gi) || !TCTfTrfFormatRules::GetFrameGeometry(output.view, &go))
    return;
  if (gi.frameBytes > kMaxFuzzFrameBytes || go.frameBytes > kMaxFuzzFrameBytes)
    return;
  const std::int8_t inOffset = static_cast<std::int8_t>(in.Byte());
  const std::int8_t outOffset = static_cast<std::int8_t>(in.Byte());
  std::vector<BYTE> inBuf(static_cast<std::size_t>(SampleLength(gi.frameBytes, inOffset)));
  std::vector<BYTE> outBuf(static_cast<std::size_t>(SampleLength(go.frameBytes, outOffset)));
  inBuf.shrink_to_fit();
  outBuf.shrink_to_fit();
  in.Fill(inBuf.data(), inBuf.size());

  TCTfTrfFrameTransform frames;
  const HRESULT made = frames.CreateWorkImages(input.view.subtype, gi.width, gi.height, go.width, go.height);
  FUZZ_CHECK(made == S_OK || made == E_OUTOFMEMORY);
  if (made != S_OK)
    return;
  const std::vector<BYTE> inCopy = inBuf;
  // Null pointers stand for empty buffers, as a pipeline hands them over.
  const HRESULT hr = frames.Transform(input.view, inBuf.empty() ? nullptr : inBuf.data(),
                                      static_cast<long long>(inBuf.size()), output.view,
                                      outBuf.empty() ? nullptr : outBuf.data(), static_cast<long long>(outBuf.size()));
  FUZZ_CHECK(hr == S_OK || hr == S_FALSE);
  FUZZ_CHECK(inBuf == inCopy); // the input sample is only read
  if (hr != S_OK)
    return;
  FUZZ_CHECK(static_cast<long long>(inBuf.size()) >= gi.frameBytes);
  FUZZ_CHECK(static_cast<long long>(outBuf.size()) >= go.frameBytes);
  CompareWithCore(input, output, inBuf, outBuf);
  // Equal sizes: a row copy, reversed when exactly one side is bottom-up.
  if (gi.width == go.width && gi.height == go.height)
  {
    const std::size_t rowBytes = static_cast<std::size_t>(gi.width) * gi.pixelSize;
    const bool flip = gi.bottomUp != go.bottomUp;
    for (int r = 0; r < go.height; ++r)
    {
      const int source = flip ? gi.height - 1 - r : r;
      FUZZ_CHECK(std::memcmp(outBuf.data() + std::size_t(r) * go.stride, inBuf.data() + std::size_t(source) * gi.stride,
                             rowBytes) == 0);
    }
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  FuzzInput in(data, size);
  const std::uint8_t flags = in.Byte();
  const bool connected = (flags & 1) != 0;
  const GUID required[] = {GUID_NULL, MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_Y800};
  const GUID& requiredSubtype = required[(flags >> 1) & 3];
  const OwnedFormat a = ReadFormat(in);
  const OwnedFormat b = ReadFormat(in);
  const int requestedWidth = in.I16();
  const int requestedHeight = in.I16();

  const HRESULT inputOk = TCTfTrfFormatRules::CheckInputType(&a.view, requiredSubtype);
  FUZZ_CHECK(inputOk == S_OK || inputOk == VFW_E_INVALID_MEDIA_TYPE);
  FUZZ_CHECK(TCTfTrfFormatRules::CheckInputType(nullptr, requiredSubtype) == E_POINTER);
  TCTfTrfFrameGeometry ga;
  const bool hasFrameA = TCTfTrfFormatRules::GetFrameGeometry(a.view, &ga);
  if (inputOk == S_OK)
    FUZZ_CHECK(hasFrameA);
  CheckPixelTerms(a.view, hasFrameA, ga);
  TCTfTrfFrameGeometry gb;
  CheckPixelTerms(b.view, TCTfTrfFormatRules::GetFrameGeometry(b.view, &gb), gb);
  CheckWidthRanges(requestedWidth, requestedHeight);
  if (hasFrameA)
  {
    FUZZ_CHECK(ga.width > 0 && ga.height > 0 && ga.stride >= ga.width * ga.pixelSize);
    FUZZ_CHECK(std::int64_t(ga.stride) * ga.height == ga.frameBytes && ga.stride % 4 == 0);
    int bytes = -1;
    FUZZ_CHECK(TCTfTrfFormatRules::FrameBufferSize(a.view, &bytes) && bytes == ga.frameBytes);
  }

  const HRESULT pairOk = TCTfTrfFormatRules::CheckTransform(&a.view, &b.view);
  FUZZ_CHECK(pairOk == S_OK || pairOk == VFW_E_TYPE_NOT_ACCEPTED || pairOk == VFW_E_INVALIDMEDIATYPE);
  const HRESULT offerOk = TCTfTrfFormatRules::QueryAccept(&b.view, a.view, connected);
  FUZZ_CHECK(offerOk == S_OK || offerOk == VFW_E_INVALID_MEDIA_TYPE);
  int bytesB = 0;
  TCTfTrfFormatRules::FrameBufferSize(b.view, &bytesB);

  // The block proposed downstream (GetMediaType(0)) describes a frame the
  // rules accept as the output of this input.
  std::vector<BYTE> proposed = {0xEE};
  const HRESULT madeOk = TCTfTrfFormatRules::MakeOutputFormat(a.view, requestedWidth, requestedHeight, &proposed);
  FUZZ_CHECK(madeOk == S_OK || madeOk == S_FALSE);
  if (madeOk == S_FALSE)
    FUZZ_CHECK(proposed.size() == 1 && proposed[0] == 0xEE);
  if (madeOk == S_OK)
  {
    FUZZ_CHECK(proposed.size() >= sizeof(VIDEOINFOHEADER));
    OwnedFormat out;
    out.view = a.view;
    out.view.formattype = FORMAT_VideoInfo;
    out.block = proposed;
    out.Point();
    RECT source;
    TCTfTrfFormatRules::ReadRectangles(a.view, &source, nullptr);
    if (inputOk == S_OK && (RectCoversFrame(source, ga) || source.right <= source.left || source.bottom <= source.top))
    {
      TCTfTrfFrameGeometry g;
      FUZZ_CHECK(TCTfTrfFormatRules::GetFrameGeometry(out.view, &g));
      FUZZ_CHECK(g.width % 8 == 0 && g.bottomUp);
      // The proposal's size is the core's output size for the request.
      int ow = 0;
      int oh = 0;
      FUZZ_CHECK(TCTfTrfSizeRules::OutputSize(requestedWidth, requestedHeight, ga.width, ga.height, &ow, &oh));
      FUZZ_CHECK(ow == g.width && oh == g.height);
      BITMAPINFOHEADER h;
      TCTfTrfFormatRules::ReadBitmapHeader(out.view, &h);
      FUZZ_CHECK(std::int64_t(h.biSizeImage) == g.frameBytes);
      FUZZ_CHECK(TCTfTrfFormatRules::CheckTransform(&a.view, &out.view) == S_OK);
    }
    RunFrame(a, out, in);
  }
  if (pairOk == S_OK)
    RunFrame(a, b, in);
  return 0;
}
