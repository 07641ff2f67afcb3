// The raw image format: layout, round trips and every way a file can lie.
#include <climits>
#include <cstdint>
#include <random>

#include <opencv2/core.hpp>

#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "IoTestSupport.h"

using namespace io_test;

class RawFileFormat : public ScratchDirTest
{
};

TEST_F(RawFileFormat, FloatImageFileIsHeaderPlusBufferAndReadsBackBitIdentical)
{
  TCPxFloatImage image(640, 480);
  FillRandom(&image, 1);
  ASSERT_TRUE(TCPxIO::SaveImage(image, WAt("frame.rwf")));
  EXPECT_EQ(fs::file_size(At("frame.rwf")), 8u + static_cast<std::uintmax_t>(image.GetStepSize()) * 480u);

  std::ifstream file(At("frame.rwf"), std::ios::binary);
  std::int32_t header[2] = {0, 0};
  file.read(reinterpret_cast<char*>(header), 8);
  EXPECT_EQ(header[0], 640);
  EXPECT_EQ(header[1], 480);

  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(WAt("frame.rwf")));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetImageType(), ImageTypeFloat);
  ASSERT_EQ(back->GetWidth(), 640);
  ASSERT_EQ(back->GetHeight(), 480);
  EXPECT_TRUE(SameBuffer(image, *back));
}

TEST_F(RawFileFormat, PaddedRowsAreStoredWithTheirPadding)
{
  // 13 floats are 52 bytes, padded to 64: the padding travels with the rows.
  TCPxFloatImage image(13, 5);
  FillRandom(&image, 2);
  ASSERT_TRUE(TCPxIO::SaveImage(image, At("odd.rwf")));
  EXPECT_EQ(fs::file_size(At("odd.rwf")), 8u + FloatStride(13) * 5u);
  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(At("odd.rwf")));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(SameBuffer(image, *back));
}

TEST_F(RawFileFormat, LoadImageFillsAnImageOfTheSameSize)
{
  TCPx8bitImage written(40, 30);
  FillRandom(&written, 3);
  ASSERT_TRUE(TCPxIO::SaveImage(written, WAt("grey.rwf")));
  EXPECT_EQ(fs::file_size(At("grey.rwf")), 8u + static_cast<std::uintmax_t>(written.GetStepSize()) * 30u);

  TCPx8bitImage read(40, 30);
  read.SetROI(TCGenRect<int>(5, 5, 10, 10));
  ASSERT_TRUE(TCPxIO::LoadImage(&read, WAt("grey.rwf")));
  EXPECT_TRUE(SameBuffer(written, read));
  EXPECT_EQ(read.GetROI().GetLeft(), 5); // the ROI is the image's, not the file's
}

TEST_F(RawFileFormat, LoadImageOfAnotherSizeFailsAndLeavesTheImageUnchanged)
{
  TCPxFloatImage small(320, 240);
  ASSERT_TRUE(TCPxIO::SaveImage(small, WAt("small.rwf")));
  TCPxFloatImage image(640, 480);
  FillRandom(&image, 4);
  const TCPxFloatImage before(image);
  EXPECT_FALSE(TCPxIO::LoadImage(&image, WAt("small.rwf")));
  EXPECT_TRUE(SameBuffer(before, image));
}

TEST_F(RawFileFormat, ShortFileIsRefusedByBothReadersWithTheImageUnchanged)
{
  const std::size_t full = FloatStride(16) * 16;
  WriteBytes(At("short.rwf"), RawFile(16, 16, full - 1));
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("short.rwf")), nullptr);

  TCPxFloatImage image(16, 16);
  FillRandom(&image, 5);
  const TCPxFloatImage before(image);
  EXPECT_FALSE(TCPxIO::LoadImage(&image, WAt("short.rwf")));
  EXPECT_TRUE(SameBuffer(before, image));

  WriteBytes(At("headerOnly.rwf"), {1, 0, 0});
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("headerOnly.rwf")), nullptr);
  EXPECT_FALSE(TCPxIO::LoadImage(&image, WAt("headerOnly.rwf")));
}

TEST_F(RawFileFormat, HeadersWithoutAPositiveSaneSizeAreRefused)
{
  const std::pair<std::int32_t, std::int32_t> sizes[] = {
      {0, 10}, {10, 0}, {-1, 10}, {10, -5}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MAX, 1}, {1 << 15, 1 << 15}};
  for (const auto& [w, h] : sizes)
  {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    WriteBytes(At("bad.rwf"), RawFile(w, h, 256));
    EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("bad.rwf")), nullptr);
  }
}

TEST_F(RawFileFormat, LongerFileReadsTheBufferAndIgnoresTheRest)
{
  WriteBytes(At("long.rwf"), RawFile(8, 2, FloatStride(8) * 2 + 100, 0));
  std::unique_ptr<TCPxImageBase> image(TCPxIO::CreateImageFromFile(WAt("long.rwf")));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetWidth(), 8);
  EXPECT_EQ(image->GetHeight(), 2);
}

TEST_F(RawFileFormat, MissingFileGivesNullAndFalse)
{
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("missing.rwf")), nullptr);
  TCPxFloatImage image(4, 4);
  EXPECT_FALSE(TCPxIO::LoadImage(&image, WAt("missing.rwf")));
  EXPECT_FALSE(TCPxIO::LoadImage(nullptr, WAt("missing.rwf")));
}

TEST_F(RawFileFormat, ExtensionIsCaseSensitive)
{
  // A valid raw file named in capitals is handed to the codecs, which know no such format.
  TCPxFloatImage image(8, 8);
  ASSERT_TRUE(TCPxIO::SaveImage(image, WAt("frame.rwf")));
  fs::copy_file(At("frame.rwf"), At("frame.RWF"));
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("frame.RWF")), nullptr);
  EXPECT_THROW(TCPxIO::SaveImage(image, WAt("other.RWF")), cv::Exception);
}

TEST_F(RawFileFormat, UnwritablePathReportsFailure)
{
  WriteBytes(At("plainfile"), {1});
  TCPxFloatImage image(4, 4);
  EXPECT_FALSE(TCPxIO::SaveImage(image, WAt("plainfile/inside.rwf")));
}

// Random and mutated files under the sanitizers: the readers must never read
// past a buffer, allocate from an unchecked header or accept a lying file.
TEST_F(RawFileFormat, FuzzedFilesAreEitherRefusedOrReadConsistently)
{
  std::mt19937 rng(20240613);
  const std::int32_t interesting[] = {0, 1, 2, 3, 7, 8, 9, 16, 33, -1, -2, INT_MIN, INT_MAX, 1 << 16, 1 << 28};
  auto pick = [&]() -> std::int32_t {
    switch (rng() % 3)
    {
    case 0: return interesting[rng() % (sizeof(interesting) / sizeof(interesting[0]))];
    case 1: return static_cast<std::int32_t>(rng() % 40);
    default: return static_cast<std::int32_t>(rng());
    }
  };

  TCPxFloatImage valid(9, 7);
  FillRandom(&valid, 6);
  ASSERT_TRUE(TCPxIO::SaveImage(valid, WAt("valid.rwf")));
  std::vector<char> validBytes(fs::file_size(At("valid.rwf")));
  std::ifstream(At("valid.rwf"), std::ios::binary).read(validBytes.data(), static_cast<std::streamsize>(validBytes.size()));

  const fs::path path = At("fuzz.rwf");
  int accepted = 0;
  for (int round = 0; round < 400; ++round)
  {
    std::vector<char> bytes;
    switch (round % 4)
    {
    case 0: // random header, body of random length around what it would need
    {
      const std::int32_t w = pick();
      const std::int32_t h = pick();
      const std::size_t need = (w > 0 && h > 0 && w < 64 && h < 64) ? FloatStride(w) * static_cast<std::size_t>(h) : 64;
      bytes = RawFile(w, h, need - std::min<std::size_t>(need, rng() % 8) + rng() % 2, static_cast<char>(rng()));
      break;
    }
    case 1: // truncated valid file
      bytes.assign(validBytes.begin(), validBytes.begin() + static_cast<long>(rng() % validBytes.size()));
      break;
    case 2: // valid file with mutated bytes, mostly in the header
      bytes = validBytes;
      for (int k = 0; k < 3; ++k)
        bytes[rng() % (k == 0 ? bytes.size() : 8)] = static_cast<char>(rng());
      break;
    default: // pure noise
      bytes.resize(rng() % 600);
      for (char& c : bytes)
        c = static_cast<char>(rng());
    }
    WriteBytes(path, bytes);

    std::int32_t w = 0;
    std::int32_t h = 0;
    if (bytes.size() >= 8)
    {
      std::memcpy(&w, bytes.data(), 4);
      std::memcpy(&h, bytes.data() + 4, 4);
    }
    std::unique_ptr<TCPxImageBase> image(TCPxIO::CreateImageFromFile(path));
    if (image)
    {
      ++accepted;
      ASSERT_EQ(image->GetWidth(), w);
      ASSERT_EQ(image->GetHeight(), h);
      ASSERT_LE(8u + static_cast<std::size_t>(image->GetBufferSize()), bytes.size());
      ASSERT_EQ(std::memcmp(image->GetBuffer(), bytes.data() + 8, static_cast<std::size_t>(image->GetBufferSize())), 0);
    }

    TCPxFloatImage target(9, 7);
    const bool loaded = TCPxIO::LoadImage(&target, path);
    const bool fits = bytes.size() >= 8 + FloatStride(9) * 7 && w == 9 && h == 7;
    ASSERT_EQ(loaded, fits) << "round " << round;
  }
  EXPECT_GT(accepted, 0); // the fuzzer reached the accepting path too
}
