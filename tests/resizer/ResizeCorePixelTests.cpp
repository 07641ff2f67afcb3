// The resize core in its own terms: the size rules, the caps-range mapping,
// the plug-in's conversion of media types into pixel terms, and the strided
// frame transform against the pixel-centre reference.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include <tarvek/resizer/TCTfTrfFormatRules.h>
#include <tarvek/resizer/TCTfTrfSizeRules.h>
#include <tarvek/resizer/TCTfTrfStridedFrameTransform.h>

#include "ResizerTestSupport.h"

using namespace resizer_test;

namespace
{
int Rounded(int w)
{
  return (w + 7) / 8 * 8;
}
} // namespace

TEST(ResizeSizeRules, OutputSizeKeepsTheInputForAZeroSideAndRoundsTheWidthUp)
{
  int w = 0;
  int h = 0;
  ASSERT_TRUE(TCTfTrfSizeRules::OutputSize(0, 0, 641, 480, &w, &h));
  EXPECT_EQ(w, 648);
  EXPECT_EQ(h, 480);
  ASSERT_TRUE(TCTfTrfSizeRules::OutputSize(320, 0, 640, 480, &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  ASSERT_TRUE(TCTfTrfSizeRules::OutputSize(101, 50, 640, 480, &w, &h));
  EXPECT_EQ(w, 104);
  EXPECT_EQ(h, 50);
  ASSERT_TRUE(TCTfTrfSizeRules::OutputSize(640, 360, 1, 1, &w, &h));
  EXPECT_EQ(w, 640);
  // The largest width that still rounds into an int, and the first that does not.
  ASSERT_TRUE(TCTfTrfSizeRules::OutputSize(TCTfTrfSizeRules::kMaxOutputWidth - 7, 1, 0, 0, &w, &h));
  EXPECT_EQ(w, INT_MAX - 7);
  EXPECT_FALSE(TCTfTrfSizeRules::OutputSize(TCTfTrfSizeRules::kMaxOutputWidth + 1, 1, 0, 0, &w, &h));
  // Input sizes beyond an int, as |INT_MIN| from a header, and empty inputs.
  EXPECT_FALSE(TCTfTrfSizeRules::OutputSize(0, 0, 640, 2147483648LL, &w, &h));
  EXPECT_FALSE(TCTfTrfSizeRules::OutputSize(0, 0, 0, 480, &w, &h));
  EXPECT_FALSE(TCTfTrfSizeRules::OutputSize(0, 0, 640, 0, &w, &h));
}

TEST(ResizeSizeRules, WidthRangesMapExactlyTheWidthsTheRoundingReaches)
{
  // Every small range against an enumeration of the rounding itself.
  for (int lo = -1; lo <= 40; ++lo)
    for (int hi = lo; hi <= 40; ++hi)
    {
      int outLo = INT_MAX, outHi = 0, inLo = INT_MAX, inHi = 0;
      for (int w = std::max(lo, 1); w <= hi; ++w)
      {
        outLo = std::min(outLo, Rounded(w));
        outHi = std::max(outHi, Rounded(w));
      }
      for (int w = 1; w <= 48; ++w)
        if (Rounded(w) >= lo && Rounded(w) <= hi)
        {
          inLo = std::min(inLo, w);
          inHi = std::max(inHi, w);
        }
      TCTfTrfSizeRange r;
      ASSERT_EQ(TCTfTrfSizeRules::OutputWidths({lo, hi}, &r), outHi > 0) << lo << ".." << hi;
      if (outHi > 0)
      {
        EXPECT_TRUE(r.min == outLo && r.max == outHi) << lo << ".." << hi << " -> " << r.min << ".." << r.max;
      }
      ASSERT_EQ(TCTfTrfSizeRules::InputWidths({lo, hi}, &r), inHi > 0) << lo << ".." << hi;
      if (inHi > 0)
      {
        EXPECT_TRUE(r.min == inLo && r.max == inHi) << lo << ".." << hi << " <- " << r.min << ".." << r.max;
      }
    }
  // The top of the int range: widths past the largest rounded one map to it
  // and come from none.
  TCTfTrfSizeRange r;
  ASSERT_TRUE(TCTfTrfSizeRules::OutputWidths({1, INT_MAX}, &r));
  EXPECT_EQ(r.min, 8);
  EXPECT_EQ(r.max, TCTfTrfSizeRules::kMaxOutputWidth);
  EXPECT_FALSE(TCTfTrfSizeRules::OutputWidths({TCTfTrfSizeRules::kMaxOutputWidth + 1, INT_MAX}, &r));
  ASSERT_TRUE(TCTfTrfSizeRules::InputWidths({1, INT_MAX}, &r));
  EXPECT_EQ(r.min, 1);
  EXPECT_EQ(r.max, TCTfTrfSizeRules::kMaxOutputWidth);
  EXPECT_FALSE(TCTfTrfSizeRules::InputWidths({TCTfTrfSizeRules::kMaxOutputWidth + 1, INT_MAX}, &r));
}

TEST(ResizePixelTerms, MediaTypesBecomeLayoutSizeAlignedStrideAndRowOrder)
{
  struct Case
  {
    GUID subtype;
    int width, height;
    TCTfTrfPixelLayout layout;
    long long stride;
  };
  for (const Case& c : {Case{MEDIASUBTYPE_RGB32, 641, 480, TCTfTrfPixelLayout::Bgrx32, 2564},
                        Case{MEDIASUBTYPE_RGB24, 641, -480, TCTfTrfPixelLayout::Bgr24, 1924},
                        Case{MEDIASUBTYPE_Y800, 641, 480, TCTfTrfPixelLayout::Grey8, 644}})
  {
    TCTfTrfVideoFormat v;
    v.majortype = MEDIATYPE_Video;
    v.subtype = c.subtype;
    v.formattype = FORMAT_VideoInfo;
    const std::vector<BYTE> block = VideoInfoBlock(c.subtype, c.width, c.height);
    v.pbFormat = block.data();
    v.cbFormat = static_cast<ULONG>(block.size());
    TCTfTrfFrameFormat f;
    ASSERT_TRUE(TCTfTrfFormatRules::GetFrameFormat(v, &f));
    EXPECT_EQ(f.layout, c.layout);
    EXPECT_EQ(f.width, 641);
    EXPECT_EQ(f.height, 480);
    EXPECT_EQ(f.stride, c.stride);
    EXPECT_EQ(f.stride, TCTfTrfSizeRules::AlignedStride(c.layout, 641));
    EXPECT_EQ(f.order, c.height > 0 ? TCTfTrfRowOrder::BottomUp : TCTfTrfRowOrder::TopDown);
  }
  TCTfTrfPixelLayout layout;
  EXPECT_FALSE(TCTfTrfFormatRules::LayoutOfSubtype(MEDIASUBTYPE_YUY2, &layout));
  // The frame limit of the core: aligned rows, 31 bits in all.
  EXPECT_TRUE(TCTfTrfSizeRules::FitsFrame(TCTfTrfPixelLayout::Grey8, 4, INT_MAX / 4));
  EXPECT_FALSE(TCTfTrfSizeRules::FitsFrame(TCTfTrfPixelLayout::Grey8, 1, INT_MAX / 4 + 1));
  EXPECT_FALSE(TCTfTrfSizeRules::FitsFrame(TCTfTrfPixelLayout::Bgrx32, INT_MAX / 4 + 1, 1));
  EXPECT_FALSE(TCTfTrfSizeRules::FitsFrame(TCTfTrfPixelLayout::Bgr24, 0, 1));
}

// ---- strided frames ---------------------------------------------------------------------

namespace
{
struct StridedCase
{
  TCTfTrfPixelLayout layout;
  int inWidth, inHeight, outWidth, outHeight;
  int inPadding, outPadding; ///< bytes after each row
  bool flip;
};

class ResizeStridedFrame : public ::testing::TestWithParam<StridedCase>
{
};

/// A frame of `stride`-byte rows holding the pattern, padding 0xEE.
std::vector<std::uint8_t> StridedPattern(int px, int width, int height, long long stride)
{
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(stride * height), 0xEE);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < px; ++c)
        frame[static_cast<std::size_t>(y * stride) + x * px + c] = PatternByte(x, y, c, 1);
  return frame;
}
} // namespace

TEST_P(ResizeStridedFrame, EveryPixelComesFromItsCentreSourceAndNothingElseIsWritten)
{
  const StridedCase c = GetParam();
  const int px = TCTfTrfFrameFormat::PixelBytes(c.layout);
  const TCTfTrfFrameFormat in{c.layout, c.inWidth, c.inHeight, static_cast<long long>(c.inWidth) * px + c.inPadding,
                              TCTfTrfRowOrder::TopDown};
  const TCTfTrfFrameFormat out{c.layout, c.outWidth, c.outHeight,
                               static_cast<long long>(c.outWidth) * px + c.outPadding,
                               c.flip ? TCTfTrfRowOrder::BottomUp : TCTfTrfRowOrder::TopDown};
  TCTfTrfStridedFrameTransform t;
  ASSERT_EQ(t.Configure(c.layout, c.inWidth, c.inHeight, c.outWidth, c.outHeight),
            TCTfTrfStridedFrameTransform::Status::Ready);
  const std::vector<std::uint8_t> source = StridedPattern(px, c.inWidth, c.inHeight, in.stride);
  std::vector<std::uint8_t> output(static_cast<std::size_t>(out.stride * out.height), 0xCD);
  // The last row's padding is not part of either frame.
  const long long inLength = static_cast<long long>(source.size()) - c.inPadding;
  const long long outLength = static_cast<long long>(output.size()) - c.outPadding;
  for (int round = 0; round < 2; ++round)
  {
    ASSERT_TRUE(t.Transform(in, source.data(), inLength, out, output.data(), outLength));
    int mismatches = 0;
    for (int y = 0; y < c.outHeight && mismatches < 5; ++y)
    {
      const int sy0 = CentreSource(y, c.inHeight, c.outHeight);
      const int sy = c.flip ? c.inHeight - 1 - sy0 : sy0;
      for (int x = 0; x < c.outWidth * px + c.outPadding && mismatches < 5; ++x)
      {
        const std::uint8_t got = output[static_cast<std::size_t>(y * out.stride) + x];
        const std::uint8_t want =
          x < c.outWidth * px ? PatternByte(CentreSource(x / px, c.inWidth, c.outWidth), sy, x % px, 1) : 0xCD;
        if (got != want)
        {
          ADD_FAILURE() << "row " << y << " byte " << x << ": got " << int(got) << ", want " << int(want);
          ++mismatches;
        }
      }
    }
  }
}

// Odd source sizes put no output centre on a tie between two source pixels.
INSTANTIATE_TEST_SUITE_P(
  Paths, ResizeStridedFrame,
  ::testing::Values(
    // copies and flips at equal sizes, with padded rows on either side
    StridedCase{TCTfTrfPixelLayout::Bgr24, 13, 5, 13, 5, 3, 0, false},
    StridedCase{TCTfTrfPixelLayout::Grey8, 7, 9, 7, 9, 0, 5, true},
    // down and up, each layout, with and without a flip
    StridedCase{TCTfTrfPixelLayout::Bgrx32, 25, 19, 8, 6, 4, 0, false},
    StridedCase{TCTfTrfPixelLayout::Bgr24, 15, 9, 8, 3, 1, 2, true},
    StridedCase{TCTfTrfPixelLayout::Bgr24, 5, 3, 16, 7, 0, 0, false},
    StridedCase{TCTfTrfPixelLayout::Grey8, 5, 3, 8, 7, 0, 3, true},
    // rows moved in shuffled 16-byte blocks: loads clamped to a short source
    // row, several loads per block, and too many for a block (plain loops)
    StridedCase{TCTfTrfPixelLayout::Grey8, 17, 5, 40, 9, 0, 0, false},
    StridedCase{TCTfTrfPixelLayout::Grey8, 333, 7, 120, 5, 2, 1, true},
    StridedCase{TCTfTrfPixelLayout::Bgr24, 99, 3, 37, 3, 0, 0, false},
    StridedCase{TCTfTrfPixelLayout::Grey8, 301, 3, 48, 2, 0, 0, false},
    // frames large enough to be worked in bands
    StridedCase{TCTfTrfPixelLayout::Bgr24, 1001, 561, 1000, 700, 0, 0, true},
    StridedCase{TCTfTrfPixelLayout::Bgrx32, 1279, 719, 640, 360, 0, 0, false}));

TEST(ResizeStridedFrameRefusal, FramesOtherThanTheConfiguredOnesAreNotWritten)
{
  TCTfTrfStridedFrameTransform t;
  const TCTfTrfFrameFormat in{TCTfTrfPixelLayout::Bgr24, 13, 5, 40, TCTfTrfRowOrder::TopDown};
  const TCTfTrfFrameFormat out{TCTfTrfPixelLayout::Bgr24, 8, 3, 24, TCTfTrfRowOrder::TopDown};
  std::vector<std::uint8_t> input(40 * 5, 1);
  std::vector<std::uint8_t> output(24 * 3, 0xCD);
  const std::vector<std::uint8_t> untouched = output;
  EXPECT_FALSE(t.Transform(in, input.data(), 200, out, output.data(), 72)) << "not configured";
  EXPECT_EQ(t.Configure(TCTfTrfPixelLayout::Bgr24, 13, 0, 8, 3), TCTfTrfStridedFrameTransform::Status::Refused);
  EXPECT_EQ(t.Configure(TCTfTrfPixelLayout::Bgrx32, INT_MAX / 4 + 1, 1, 8, 3),
            TCTfTrfStridedFrameTransform::Status::Refused);
  ASSERT_EQ(t.Configure(TCTfTrfPixelLayout::Bgr24, 13, 5, 8, 3), TCTfTrfStridedFrameTransform::Status::Ready);
  TCTfTrfFrameFormat other = in;
  other.layout = TCTfTrfPixelLayout::Bgrx32;
  EXPECT_FALSE(t.Transform(other, input.data(), 200, out, output.data(), 72));
  other = out;
  other.height = 4;
  EXPECT_FALSE(t.Transform(in, input.data(), 200, other, output.data(), 72));
  other = in;
  other.stride = 38; // shorter than a row
  EXPECT_FALSE(t.Transform(other, input.data(), 200, out, output.data(), 72));
  EXPECT_FALSE(t.Transform(in, input.data(), 4 * 40 + 38, out, output.data(), 72));
  EXPECT_FALSE(t.Transform(in, input.data(), 200, out, output.data(), 71));
  EXPECT_FALSE(t.Transform(in, nullptr, 200, out, output.data(), 72));
  EXPECT_EQ(output, untouched);
  EXPECT_TRUE(t.Transform(in, input.data(), 4 * 40 + 39, out, output.data(), 72));
  t.Reset();
  EXPECT_FALSE(t.Transform(in, input.data(), 200, out, output.data(), 72));
}
