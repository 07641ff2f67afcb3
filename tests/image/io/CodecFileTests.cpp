// Codec image files: round trips, channel rules, LoadImage's checks, paths.
#include <string>
#include <tuple>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <general/GenConvert.h>
#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxUtil.h>

#include "IoTestSupport.h"

using namespace io_test;

namespace
{
std::unique_ptr<TCPxImageBase> MakeImage(NPxImageTypes type, int width, int height)
{
  return std::unique_ptr<TCPxImageBase>(TCPxUtil::CreateImage(type, width, height));
}

std::string Name(NPxImageTypes type)
{
  return type == ImageType8bit ? "8bit" : type == ImageType24bit ? "24bit" : "32bit";
}
} // namespace

// ---- lossless round trips ------------------------------------------------------------

class LosslessRoundTrip : public ScratchDirTest,
                          public ::testing::WithParamInterface<std::tuple<NPxImageTypes, const char*>>
{
};

TEST_P(LosslessRoundTrip, ReadsBackTheSameClassAndPixels)
{
  const auto [type, extension] = GetParam();
  auto image = MakeImage(type, 37, 21); // odd width: padded rows on both sides
  FillRandom(image.get(), 7);
  const std::wstring path = WAt(std::string("picture.") + extension);
  ASSERT_TRUE(TCPxIO::SaveImage(*image, path));

  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(path));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetImageType(), type);
  EXPECT_TRUE(*back == *image);

  auto loaded = MakeImage(type, 37, 21);
  ASSERT_TRUE(TCPxIO::LoadImage(loaded.get(), path));
  EXPECT_TRUE(*loaded == *image);
}

INSTANTIATE_TEST_SUITE_P(
    CodecFiles, LosslessRoundTrip,
    ::testing::Values(std::make_tuple(ImageType8bit, "png"), std::make_tuple(ImageType24bit, "png"),
                      std::make_tuple(ImageType32bit, "png"), std::make_tuple(ImageType8bit, "tiff"),
                      std::make_tuple(ImageType24bit, "tiff"), std::make_tuple(ImageType32bit, "tiff"),
                      std::make_tuple(ImageType8bit, "bmp"), std::make_tuple(ImageType24bit, "bmp")),
    [](const auto& info) { return Name(std::get<0>(info.param)) + "_" + std::get<1>(info.param); });

class JpegRoundTrip : public ScratchDirTest, public ::testing::WithParamInterface<NPxImageTypes>
{
};

TEST_P(JpegRoundTrip, StaysCloseToTheOriginal)
{
  auto image = MakeImage(GetParam(), 64, 48);
  FillSmooth(image.get());
  ASSERT_TRUE(TCPxIO::SaveImage(*image, WAt("photo.jpg")));
  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(WAt("photo.jpg")));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetImageType(), GetParam());
  EXPECT_LT(cv::norm(*back->GetFullMatPtr(), *image->GetFullMatPtr(), cv::NORM_L1) / (64.0 * 48 * back->GetNrChannels()),
            4.0);
}

INSTANTIATE_TEST_SUITE_P(CodecFiles, JpegRoundTrip, ::testing::Values(ImageType8bit, ImageType24bit),
                         [](const auto& info) { return Name(info.param); });

// ---- channel and depth rules ----------------------------------------------------------

class CodecChannelRules : public ScratchDirTest
{
};

TEST_F(CodecChannelRules, TwoChannelFileGivesNull)
{
  // Grey plus alpha in a portable arbitrary map, which decodes to two channels.
  const std::string header = "P7\nWIDTH 4\nHEIGHT 3\nDEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n";
  std::vector<char> bytes(header.begin(), header.end());
  bytes.resize(bytes.size() + 4 * 3 * 2, 100);
  WriteBytes(At("two.pam"), bytes);
  ASSERT_EQ(cv::imread(At("two.pam").string(), cv::IMREAD_UNCHANGED).channels(), 2);
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("two.pam")), nullptr);
}

TEST_F(CodecChannelRules, BitmapFilesKeepColourButNotAlpha)
{
  // OpenCV's bitmap decoder gives three channels for 32-bit bitmaps.
  TCPx32bitImage image(10, 6);
  FillRandom(&image, 15);
  ASSERT_TRUE(TCPxIO::SaveImage(image, WAt("alpha.bmp")));
  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(WAt("alpha.bmp")));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->GetImageType(), ImageType24bit);
  cv::Mat expected;
  cv::cvtColor(*image.GetFullMatPtr(), expected, cv::COLOR_BGRA2BGR);
  EXPECT_EQ(cv::norm(*back->GetFullMatPtr(), expected, cv::NORM_INF), 0.0);
}

TEST_F(CodecChannelRules, SixteenBitFileIsReducedToEightBits)
{
  cv::Mat deep(4, 6, CV_16UC1, cv::Scalar(0x1234));
  ASSERT_TRUE(cv::imwrite(At("deep.png").string(), deep));
  std::unique_ptr<TCPxImageBase> image(TCPxIO::CreateImageFromFile(WAt("deep.png")));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetImageType(), ImageType8bit);
  EXPECT_EQ(static_cast<TCPx8bitImage*>(image.get())->GetPixel(3, 2), 0x12);
}

TEST_F(CodecChannelRules, MissingAndCorruptFilesGiveNull)
{
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("missing.png")), nullptr);
  WriteBytes(At("noise.png"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("noise.png")), nullptr);
  TCPx8bitImage image(4, 4);
  EXPECT_FALSE(TCPxIO::LoadImage(&image, WAt("noise.png")));
  EXPECT_FALSE(TCPxIO::LoadImage(&image, WAt("missing.png")));
}

TEST_F(CodecChannelRules, LoadImageIntoGreyImageConvertsColourToGrey)
{
  TCPx24bitImage colour(16, 8);
  FillRandom(&colour, 8);
  ASSERT_TRUE(TCPxIO::SaveImage(colour, WAt("colour.png")));
  TCPx8bitImage grey(16, 8);
  ASSERT_TRUE(TCPxIO::LoadImage(&grey, WAt("colour.png")));
  cv::Mat expected;
  cv::cvtColor(*colour.GetFullMatPtr(), expected, cv::COLOR_BGR2GRAY);
  EXPECT_LE(cv::norm(*grey.GetFullMatPtr(), expected, cv::NORM_INF), 1.0);
}

TEST_F(CodecChannelRules, LoadImageRefusesWhatTheImageCannotHoldAndLeavesItUnchanged)
{
  cv::Mat deep(8, 8, CV_16UC1, cv::Scalar(40000));
  ASSERT_TRUE(cv::imwrite(At("deep.png").string(), deep));
  TCPx8bitImage grey(8, 8);
  FillRandom(&grey, 9);
  const TCPx8bitImage greyBefore(grey);
  EXPECT_FALSE(TCPxIO::LoadImage(&grey, WAt("deep.png"))); // 16-bit samples in an 8-bit image
  EXPECT_TRUE(grey == greyBefore);

  TCPxFloatImage floats(8, 8);
  TCPx8bitImage source(8, 8);
  ASSERT_TRUE(TCPxIO::SaveImage(source, WAt("grey.png")));
  FillRandom(&floats, 10);
  const TCPxFloatImage floatsBefore(floats);
  EXPECT_FALSE(TCPxIO::LoadImage(&floats, WAt("grey.png"))); // 8-bit samples in a float image
  EXPECT_TRUE(SameBuffer(floats, floatsBefore));

  TCPx24bitImage colour(8, 8);
  FillRandom(&colour, 11);
  const TCPx24bitImage colourBefore(colour);
  EXPECT_FALSE(TCPxIO::LoadImage(&colour, WAt("grey.png"))); // one channel in a three-channel image
  EXPECT_TRUE(colour == colourBefore);

  TCPx8bitImage larger(9, 8);
  EXPECT_FALSE(TCPxIO::LoadImage(&larger, WAt("grey.png"))); // another size
}

// ---- paths and the current directory ----------------------------------------------------

class CodecPaths : public ScratchDirTest
{
};

TEST_F(CodecPaths, NonAsciiNamesWorkThroughWideStringsAndPaths)
{
  TCPx8bitImage image(12, 10);
  FillRandom(&image, 12);
  const std::wstring wide = m_dir.wstring() + L"/Ordner \u00e9\u00e8/Bild \u00e4\u00f6\u00fc \u753b\u50cf.png";
  ASSERT_TRUE(TCPxIO::SaveImage(image, wide));
  EXPECT_TRUE(fs::exists(fs::u8path(Gen::convert(wide))));

  const fs::path asPath = fs::u8path(Gen::convert(wide));
  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(asPath));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(*back == image);

  TCPxFloatImage floats(12, 10);
  FillRandom(&floats, 13);
  const fs::path rawPath = asPath.parent_path() / fs::u8path("\xc3\xa9t\xc3\xa9.rwf");
  ASSERT_TRUE(TCPxIO::SaveImage(floats, rawPath));
  TCPxFloatImage loaded(12, 10);
  ASSERT_TRUE(TCPxIO::LoadImage(&loaded, rawPath));
  EXPECT_TRUE(SameBuffer(floats, loaded));
}

TEST_F(CodecPaths, SaveImageCreatesMissingDirectories)
{
  TCPx8bitImage image(4, 4);
  ASSERT_TRUE(TCPxIO::SaveImage(image, WAt("a/b/c/picture.png")));
  ASSERT_TRUE(TCPxIO::SaveImage(image, WAt("d/e/raw.rwf")));
  EXPECT_TRUE(fs::is_regular_file(At("a/b/c/picture.png")));
  EXPECT_TRUE(fs::is_regular_file(At("d/e/raw.rwf")));
}

TEST_F(CodecPaths, CurrentDirectoryIsRestoredOnSuccessFailureAndException)
{
  const fs::path start = fs::current_path();
  TCPx8bitImage image(4, 4);
  EXPECT_TRUE(TCPxIO::SaveImage(image, WAt("sub/ok.png")));
  EXPECT_EQ(fs::current_path(), start);
  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(WAt("sub/ok.png")));
  EXPECT_NE(back, nullptr);
  EXPECT_EQ(fs::current_path(), start);
  EXPECT_TRUE(TCPxIO::LoadImage(&image, WAt("sub/ok.png")));
  EXPECT_EQ(fs::current_path(), start);
  EXPECT_EQ(TCPxIO::CreateImageFromFile(WAt("sub/missing.png")), nullptr);
  EXPECT_EQ(fs::current_path(), start);
  EXPECT_THROW(TCPxIO::SaveImage(image, WAt("sub/unknown.nosuchcodec")), cv::Exception);
  EXPECT_EQ(fs::current_path(), start);
}

TEST_F(CodecPaths, RelativePathsResolveAgainstTheCurrentDirectory)
{
  const fs::path start = fs::current_path();
  fs::current_path(m_dir);
  TCPx24bitImage image(6, 5);
  FillRandom(&image, 14);
  const bool saved = TCPxIO::SaveImage(image, L"rel/picture.png");
  const bool savedHere = TCPxIO::SaveImage(image, L"here.bmp");
  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(L"rel/picture.png"));
  std::unique_ptr<TCPxImageBase> here(TCPxIO::CreateImageFromFile(L"here.bmp"));
  const fs::path during = fs::current_path();
  fs::current_path(start);

  EXPECT_TRUE(saved);
  EXPECT_TRUE(savedHere);
  EXPECT_EQ(during, m_dir);
  ASSERT_NE(back, nullptr);
  ASSERT_NE(here, nullptr);
  EXPECT_TRUE(*back == image);
  EXPECT_TRUE(*here == image);
  EXPECT_TRUE(fs::is_regular_file(m_dir / "rel" / "picture.png"));
}
