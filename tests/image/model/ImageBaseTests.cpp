#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

#include "primitives/PxPrimitives.h"

#include "ImageTestSupport.h"

using pxtest::FillRandom;

namespace
{
// A three-channel byte image built only from the base classes: checks that the
// base serves a layout other than grey and gives layout-mismatch cases.
class TestColourImage : public TCPxByteImage
{
public:
  TestColourImage(int w, int h) : TCPxByteImage(ImageType24bit, w, h, 3) { AllocateOwnBuffer(); }
  using TCPxImageBase::Create;
  TCPxImageBase* Create(int w, int h) const override { return new TestColourImage(w, h); }
  TCPxImageBase* Clone() const override { return nullptr; }
  void CopyBuffer(const unsigned char*, int, int) override {}
  void FillDibHeader() override { FillDibHeaderFor(24, false); }
  using TCPxByteImage::CopyBuffer;
};

unsigned char* Pixels(TCPxByteImage& image)
{
  return const_cast<unsigned char*>(image.GetBuffer());
}

unsigned char At(const TCPx8bitImage& image, int x, int y)
{
  return image.GetBuffer()[y * image.GetStepSize() + x];
}
} // namespace

TEST(ImageBase, ConstructionBuildsPaddedBufferViewsAndDibBlock)
{
  TCPx8bitImage image(33, 5);
  EXPECT_EQ(image.GetStepSize(), 64);
  EXPECT_EQ(image.GetBufferSize(), 5 * 64);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.GetBuffer()) % 64, 0u);
  EXPECT_EQ(image.GetROI(), TCGenRect<int>(0, 0, 33, 5));
  EXPECT_EQ(image.GetImageType(), ImageType8bit);
  EXPECT_TRUE(image.IsGray());
  EXPECT_EQ(image.GetPixelSize(), 1);

  const cv::Mat& full = *image.GetFullMatPtr();
  EXPECT_EQ(full.type(), CV_8UC1);
  EXPECT_EQ(full.cols, 33);
  EXPECT_EQ(full.rows, 5);
  EXPECT_EQ(full.step[0], 64u);
  EXPECT_EQ(full.data, image.GetBuffer());
  EXPECT_EQ(image.GetMatPtr()->data, image.GetBuffer());

  std::unique_ptr<BITMAPINFOHEADER[]> dib(image.CloneDibHeader());
  EXPECT_EQ(dib[0].biSize, 40u);
  EXPECT_EQ(dib[0].biWidth, 33);
  EXPECT_EQ(dib[0].biHeight, 5);
  EXPECT_EQ(dib[0].biPlanes, 1);
  EXPECT_EQ(dib[0].biBitCount, 8);
  EXPECT_EQ(dib[0].biCompression, 0u);
  EXPECT_EQ(dib[0].biSizeImage, 33u * 5u); // width x height, not height x stride
  const auto* palette = reinterpret_cast<const RGBQUAD*>(&dib[1]);
  EXPECT_EQ(palette[200].rgbBlue, 200);
  EXPECT_EQ(palette[200].rgbRed, 200);
  EXPECT_EQ(palette[255].rgbReserved, 0);

  TestColourImage colour(10, 2);
  std::unique_ptr<BITMAPINFOHEADER[]> cdib(colour.CloneDibHeader());
  EXPECT_EQ(cdib[0].biBitCount, 24);
  EXPECT_EQ(cdib[0].biSizeImage, 60u);
  EXPECT_EQ(reinterpret_cast<const RGBQUAD*>(&cdib[1])[200].rgbBlue, 0); // palette left zero
}

TEST(ImageBase, BadSizesThrowBeforeAnyAllocation)
{
  EXPECT_THROW(TCPx8bitImage(0, 10), std::invalid_argument);
  EXPECT_THROW(TCPx8bitImage(10, -3), std::invalid_argument);
  EXPECT_THROW(TCPx8bitImage(70000, 70000), std::length_error);
}

TEST(ImageBase, SetRoiMovesTheViewAndRejectsRectanglesOutsideTheImage)
{
  TCPx8bitImage image(40, 30);
  std::shared_ptr<cv::Mat> oldView = image.GetMatPtr();
  image.SetROI(TCGenRect<int>(10, 5, 30, 25));
  EXPECT_EQ(image.GetMatPtr()->cols, 20);
  EXPECT_EQ(image.GetMatPtr()->data, image.GetBuffer() + 5 * image.GetStepSize() + 10);
  EXPECT_EQ(oldView->cols, 40); // a holder of the old view keeps the old region
  EXPECT_EQ(image.GetROIOffset(), 10 + 5 * image.GetStepSize());

  for (const auto& bad : {TCGenRect<int>(-1, 0, 5, 5), TCGenRect<int>(0, 0, 41, 5), TCGenRect<int>(0, 25, 5, 31),
                          TCGenRect<int>(8, 0, 4, 5)})
  {
    EXPECT_THROW(image.SetROI(bad), cv::Exception);
    EXPECT_EQ(image.GetROI(), TCGenRect<int>(10, 5, 30, 25));
    EXPECT_EQ(image.GetMatPtr()->cols, 20);
  }
  image.SetFullROI();
  EXPECT_EQ(image.GetROI(), TCGenRect<int>(0, 0, 40, 30));
}

TEST(ImageBase, RoiOffsetOfByteImageIsInBytes)
{
  TCPx8bitImage image(64, 10); // stride 64
  image.SetROI(TCGenRect<int>(10, 5, 20, 8));
  EXPECT_EQ(image.GetROIOffset(), 330);
  TestColourImage colour(20, 10); // stride 64
  colour.SetROI(TCGenRect<int>(2, 3, 5, 5));
  EXPECT_EQ(colour.GetROIOffset(), 2 * 3 + 3 * 64);
}

TEST(ImageBase, AutoRoiGuardsRestoreInReverseOrder)
{
  auto image = std::make_shared<TCPx8bitImage>(20, 20);
  image->SetROI(TCGenRect<int>(1, 1, 19, 19));
  {
    TCPxAutoRoi outer(image.get(), TCGenRect<int>(2, 2, 10, 10));
    {
      TCPxAutoRoi inner(image, TCGenRect<int>(3, 3, 4, 4));
      EXPECT_EQ(image->GetROI(), TCGenRect<int>(3, 3, 4, 4));
      {
        TCPxAutoRoi full(image);
        EXPECT_EQ(image->GetROI(), TCGenRect<int>(0, 0, 20, 20));
      }
      EXPECT_EQ(image->GetROI(), TCGenRect<int>(3, 3, 4, 4));
    }
    EXPECT_EQ(image->GetROI(), TCGenRect<int>(2, 2, 10, 10));
  }
  EXPECT_EQ(image->GetROI(), TCGenRect<int>(1, 1, 19, 19));
  EXPECT_THROW(TCPxAutoRoi(image.get(), TCGenRect<int>(0, 0, 30, 30)), cv::Exception);
  EXPECT_EQ(image->GetROI(), TCGenRect<int>(1, 1, 19, 19));
}

TEST(ImageBase, CopiesAreDeepAndKeepTheRoi)
{
  TCPx8bitImage image(17, 9);
  FillRandom(image, 1);
  image.SetROI(TCGenRect<int>(1, 2, 5, 6));
  TCPx8bitImage copy(image);
  EXPECT_NE(copy.GetBuffer(), image.GetBuffer());
  EXPECT_TRUE(copy == image);
  EXPECT_EQ(copy.GetROI(), image.GetROI());
  Pixels(copy)[0] ^= 0xFF;
  EXPECT_FALSE(copy == image);

  std::unique_ptr<TCPxImageBase> clone(image.Clone());
  EXPECT_TRUE(*clone == image);
  std::unique_ptr<TCPxImageBase> fresh(image.Create(3, 4));
  EXPECT_EQ(fresh->GetWidth(), 3);
  EXPECT_EQ(fresh->GetImageType(), ImageType8bit);
}

TEST(ImageBase, EqualityComparesWholeImagesOfTheSameSize)
{
  TCPx8bitImage a(5, 5), b(5, 5), c(5, 6);
  FillRandom(a, 2);
  FillRandom(b, 2);
  b.SetROI(TCGenRect<int>(1, 1, 2, 2));
  EXPECT_TRUE(a == b); // ROI ignored
  EXPECT_FALSE(a == c);
  Pixels(b)[4 * b.GetStepSize() + 4] ^= 1;
  EXPECT_FALSE(a == b);
  Pixels(b)[4 * b.GetStepSize() + 4] ^= 1;
  Pixels(b)[4 * b.GetStepSize() + 5] ^= 1; // padding does not count
  EXPECT_TRUE(a == b);
  TestColourImage colour(5, 5);
  EXPECT_FALSE(static_cast<TCPxImageBase&>(a) == colour);
}

TEST(ImageBase, ElementwiseOperatorsWorkOnRoisAndNeverReallocateTheView)
{
  TCPx8bitImage a(10, 10), b(10, 10);
  std::memset(Pixels(a), 200, a.GetBufferSize());
  std::memset(Pixels(b), 100, b.GetBufferSize());
  a.SetROI(TCGenRect<int>(2, 2, 6, 6));
  b.SetROI(TCGenRect<int>(0, 0, 4, 4));
  // The base forms, through the ROI views (the grey image has its own overloads).
  TCPxImageBase& base = a;
  base += b;
  EXPECT_EQ(At(a, 2, 2), 255); // saturated
  EXPECT_EQ(At(a, 1, 1), 200); // outside the ROI
  base -= b;
  EXPECT_EQ(At(a, 3, 3), 155);
  base /= b;
  EXPECT_EQ(At(a, 3, 3), 2); // 155 / 100 rounded

  TCPx8bitImage other(3, 3);
  const unsigned char* before = a.GetMatPtr()->data;
  EXPECT_THROW(base += other, cv::Exception);
  EXPECT_EQ(a.GetMatPtr()->data, before);
  TestColourImage colour(4, 4);
  EXPECT_THROW(base *= colour, cv::Exception);
  EXPECT_EQ(a.GetMatPtr()->data, before);
}

TEST(ImageBase, ViewCopiesOfAnotherSizeOrTypeLeaveTheImageUnchanged)
{
  TCPx8bitImage a(8, 8), b(8, 8), small(3, 3);
  FillRandom(a, 3);
  FillRandom(b, 4);
  TCPx8bitImage before(a);
  a.CopyBuffer(small);
  EXPECT_TRUE(a == before);
  EXPECT_EQ(a.GetMatPtr()->data, a.GetBuffer());
  TestColourImage colour(8, 8);
  a.CopyBuffer(colour);
  EXPECT_TRUE(a == before);

  a.SetROI(TCGenRect<int>(0, 0, 3, 3));
  b.CopyROI(&a, TCGenRect<int>(5, 5, 8, 8));
  EXPECT_EQ(At(a, 0, 0), At(b, 5, 5));
  EXPECT_EQ(At(a, 2, 2), At(b, 7, 7));
  EXPECT_EQ(At(a, 3, 3), At(before, 3, 3));
  b.SetROI(TCGenRect<int>(1, 1, 4, 4));
  b.CopyROI(&a);
  EXPECT_EQ(At(a, 0, 0), At(b, 1, 1));
}

TEST(ImageBase, CreateImageOfRoiCopiesTheRegion)
{
  TCPx8bitImage image(12, 9);
  FillRandom(image, 5);
  image.SetROI(TCGenRect<int>(3, 2, 8, 7));
  std::unique_ptr<TCPxImageBase> part(image.CreateImageOfROI());
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(part->GetWidth(), 5);
  EXPECT_EQ(part->GetHeight(), 5);
  const auto& p = static_cast<const TCPx8bitImage&>(*part);
  EXPECT_EQ(At(p, 0, 0), At(image, 3, 2));
  EXPECT_EQ(At(p, 4, 4), At(image, 7, 6));
  image.SetROI(TCGenRect<int>(3, 3, 3, 3));
  EXPECT_EQ(image.CreateImageOfROI(), nullptr);
  EXPECT_EQ(image.CountNonZero(), 0);
}

TEST(ImageBase, CountNonZeroAndCoordinatesFollowTheirRegions)
{
  TCPx8bitImage image(6, 4);
  Pixels(image)[0] = 1;
  Pixels(image)[3 * image.GetStepSize() + 5] = 9;
  EXPECT_EQ(image.CountNonZero(), 2);
  image.SetROI(TCGenRect<int>(1, 0, 6, 4));
  EXPECT_EQ(image.CountNonZero(), 1);
  EXPECT_TRUE(image.AreCoordinatesValid(5, 3));
  EXPECT_FALSE(image.AreCoordinatesValid(6, 0));
  EXPECT_FALSE(image.AreCoordinatesValid(0, -1));
}

TEST(ImageBase, ScaleResamplesRoiToRoiOrDoesNothing)
{
  TCPx8bitImage source(16, 16), target(8, 8);
  FillRandom(source, 6);
  target.Scale(source, Px::InterpolationArea);
  cv::Mat expected;
  cv::resize(*source.GetMatPtr(), expected, cv::Size(8, 8), 0, 0, cv::INTER_AREA);
  EXPECT_EQ(cv::norm(expected, *target.GetMatPtr(), cv::NORM_INF), 0.0);

  TCPx8bitImage before(target);
  target.Scale(source, static_cast<Px::EInterpolationType>(4));
  EXPECT_TRUE(target == before);
  TestColourImage colour(16, 16);
  target.Scale(colour, Px::InterpolationLinear);
  EXPECT_TRUE(target == before);
  EXPECT_EQ(target.GetMatPtr()->data, target.GetBuffer());
}

TEST(ByteImage, ScaleNearestNeighbourUsesWholeImagesAndPixelCentres)
{
  TCPx8bitImage source(4, 4), target(2, 2);
  for (int i = 0; i < 16; ++i)
    Pixels(source)[(i / 4) * source.GetStepSize() + i % 4] = static_cast<unsigned char>(i);
  source.SetROI(TCGenRect<int>(1, 1, 2, 2));
  target.SetROI(TCGenRect<int>(0, 0, 1, 1));
  target.ScaleNearestNeighbour(source);
  // Factors 0.5: centres at 0.5 and 2.5 round to 0 and 2.
  EXPECT_EQ(At(target, 0, 0), 0);
  EXPECT_EQ(At(target, 1, 0), 2);
  EXPECT_EQ(At(target, 0, 1), 8);
  EXPECT_EQ(At(target, 1, 1), 10);

  TestColourImage colour(4, 4);
  TCPx8bitImage before(target);
  target.ScaleNearestNeighbour(colour);
  EXPECT_TRUE(target == before);
}

TEST(ByteImage, MirrorExchangesRowsOrColumnsOfTheCurrentBuffer)
{
  TCPx8bitImage image(3, 2);
  const unsigned char rows[2][3] = {{1, 2, 3}, {4, 5, 6}};
  for (int y = 0; y < 2; ++y)
    std::memcpy(Pixels(image) + y * image.GetStepSize(), rows[y], 3);
  image.SetROI(TCGenRect<int>(0, 0, 1, 1)); // ignored
  image.Mirror(true);
  EXPECT_EQ(At(image, 0, 0), 4);
  EXPECT_EQ(At(image, 2, 1), 3);
  image.Mirror(false);
  EXPECT_EQ(At(image, 0, 0), 6);
  EXPECT_EQ(At(image, 2, 0), 4);

  // With an external buffer attached, the external buffer is mirrored.
  std::vector<unsigned char> external(static_cast<std::size_t>(image.GetBufferSize()), 0);
  external[0] = 42;
  image.SetExternalBuffer(external.data());
  image.Mirror(true);
  EXPECT_EQ(external[image.GetStepSize()], 42);
  image.SetExternalBuffer(nullptr);
  EXPECT_EQ(At(image, 0, 0), 6);
}

TEST(ByteImage, ExternalBufferAttachDetachAndLengthCheck)
{
  TCPx8bitImage image(10, 4);
  const unsigned char* own = image.GetBuffer();
  std::vector<unsigned char> external(static_cast<std::size_t>(image.GetBufferSize()), 7);
  image.SetExternalBuffer(external.data());
  EXPECT_EQ(image.GetBuffer(), external.data());
  EXPECT_TRUE(image.HasExternalBuffer());
  EXPECT_EQ(image.GetMatPtr()->data, own); // the views stay on the own buffer
  image.SetExternalBuffer(nullptr);
  EXPECT_EQ(image.GetBuffer(), own);

  EXPECT_FALSE(image.SetExternalBuffer(external.data(), image.GetBufferSize() - 1));
  EXPECT_EQ(image.GetBuffer(), own);
  EXPECT_TRUE(image.SetExternalBuffer(external.data(), image.GetBufferSize()));
  EXPECT_EQ(image.GetBuffer(), external.data());
  EXPECT_TRUE(image.SetExternalBuffer(nullptr, 0));
  EXPECT_EQ(image.GetBuffer(), own);
}

TEST(ByteImage, DibHeightSignCarriesOrientationOnly)
{
  TCPx8bitImage image(4, 3);
  EXPECT_FALSE(image.IsTopDown());
  image.SetSignDibHeight(true);
  image.SetSignDibHeight(true);
  EXPECT_TRUE(image.IsTopDown());
  std::unique_ptr<BITMAPINFOHEADER[]> dib(image.CloneDibHeader());
  EXPECT_EQ(dib[0].biHeight, -3);
  image.SetSignDibHeight(false);
  EXPECT_FALSE(image.IsTopDown());
  image.FillDibHeader();
  EXPECT_FALSE(image.IsTopDown());
}

TEST(GreyImage, HistogramAppendsEvenBinsOfTheWholeBuffer)
{
  TCPx8bitImage image(16, 8);
  std::memset(Pixels(image), 255, image.GetBufferSize());
  std::vector<int> histogram;
  EXPECT_EQ(image.GetIntensityHistogram(256, &histogram), 0);
  EXPECT_EQ(histogram.size(), 256u);
  EXPECT_EQ(std::count(histogram.begin(), histogram.end(), 0), 256);
  image.GetIntensityHistogram(256, &histogram);
  EXPECT_EQ(histogram.size(), 512u);

  std::vector<int> empty;
  EXPECT_EQ(image.GetIntensityHistogram(0, &empty), -1);
  EXPECT_TRUE(empty.empty());

  // Values 0..127 once each: two bins of 64 values over levels 0, 127, 255.
  for (int i = 0; i < 128; ++i)
    Pixels(image)[(i / 16) * image.GetStepSize() + i % 16] = static_cast<unsigned char>(i);
  image.SetROI(TCGenRect<int>(0, 0, 1, 1)); // ignored
  std::vector<int> two;
  EXPECT_EQ(image.GetIntensityHistogram(2, &two), 127);
  EXPECT_EQ(two, (std::vector<int>{127, 1}));
}

TEST(GreyImage, RawImportCopiesOrConvertsByBytesPerPixel)
{
  const int w = 8, h = 3;
  TCPx8bitImage image(w, h);

  // Shorter than the buffer: plain copy with the given stride.
  std::vector<unsigned char> grey(static_cast<std::size_t>(w + 2) * h);
  for (std::size_t i = 0; i < grey.size(); ++i)
    grey[i] = static_cast<unsigned char>(i);
  image.CopyBuffer(grey.data(), static_cast<int>(grey.size()), w + 2);
  EXPECT_EQ(At(image, 0, 1), w + 2);
  EXPECT_EQ(At(image, 7, 2), 2 * (w + 2) + 7);

  // Stride 3 x width and a buffer longer than this one: colour to grey, bytes
  // in R, G, B order. Width 8 has stride 32: 3 rows of 24 bytes still fit.
  std::vector<unsigned char> fits(static_cast<std::size_t>(3 * w) * h, 5);
  image.CopyBuffer(fits.data(), static_cast<int>(fits.size()), 3 * w);
  EXPECT_EQ(At(image, 7, 2), 5);
  const int wc = 20; // stride 32 < 3 x 20
  TCPx8bitImage colourTarget(wc, h);
  std::vector<unsigned char> rgb(static_cast<std::size_t>(3 * wc) * h);
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<unsigned char>(i * 37);
  colourTarget.CopyBuffer(rgb.data(), static_cast<int>(rgb.size()), 3 * wc);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < wc; ++x)
    {
      const unsigned char* p = &rgb[y * 3 * wc + 3 * x];
      ASSERT_EQ(At(colourTarget, x, y), PxPrim::RgbToGray(p[0], p[1], p[2]));
    }
  // The same bytes with stride 5 x width name no pixel layout: nothing changes.
  TCPx8bitImage unchanged(colourTarget);
  std::vector<unsigned char> five(static_cast<std::size_t>(5 * wc) * h, 200);
  colourTarget.CopyBuffer(five.data(), static_cast<int>(five.size()), 5 * wc);
  EXPECT_TRUE(colourTarget == unchanged);

  // 16-bit grey: width 20 has stride 32, so rows of 40 bytes make a longer buffer.
  TCPx8bitImage wide(20, 3);
  std::vector<unsigned char> deep(40 * 3);
  for (int i = 0; i < 60; ++i)
  {
    const unsigned v = 257u * static_cast<unsigned>(i);
    deep[2 * i] = static_cast<unsigned char>(v & 0xFF);
    deep[2 * i + 1] = static_cast<unsigned char>(v >> 8);
  }
  wide.CopyBuffer(deep.data(), static_cast<int>(deep.size()), 40);
  EXPECT_EQ(At(wide, 0, 0), 0);
  EXPECT_EQ(At(wide, 19, 2), 59);

  // A length that is not height x stride redefines the stride as length / height.
  TCPx8bitImage tall(8, 40); // stride 32, buffer 1280
  std::vector<unsigned char> rows48(static_cast<std::size_t>(48) * 40, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 8; ++x)
      rows48[y * 48 + 2 * x + 1] = static_cast<unsigned char>(y * 6 + x);
  // 16 / 8 = 2 bytes per pixel; 1920 != 40 x 16, so the rows are 48 bytes apart.
  tall.CopyBuffer(rows48.data(), static_cast<int>(rows48.size()), 16);
  EXPECT_EQ(At(tall, 3, 5), 5 * 6 + 3);
}

TEST(GreyImage, RawImportRefusesSourcesThatDoNotCoverTheRowsRead)
{
  const int w = 8, h = 3;
  TCPx8bitImage image(w, h);
  std::memset(Pixels(image), 9, image.GetBufferSize());
  TCPx8bitImage before(image);
  std::vector<unsigned char> data(200, 1);
  image.CopyBuffer(nullptr, 24, 8);
  image.CopyBuffer(data.data(), -1, 8);
  image.CopyBuffer(data.data(), 23, 8);       // needs 2 x 8 + 8 = 24 bytes
  image.CopyBuffer(data.data(), 24, 4);       // stride shorter than a row
  image.CopyBuffer(data.data(), 24, -8);      // negative stride
  image.CopyBuffer(data.data(), 5 * w * h, 5 * w); // 5 bytes per pixel: not a known layout
  EXPECT_TRUE(image == before);
  image.CopyBuffer(data.data(), 24, 8);
  EXPECT_EQ(At(image, 7, 2), 1);
}

TEST(GreyImage, CopyConstructorImportsAnAttachedBuffer)
{
  TCPx8bitImage image(5, 2);
  std::vector<unsigned char> external(static_cast<std::size_t>(image.GetBufferSize()), 77);
  image.SetExternalBuffer(external.data());
  TCPx8bitImage copy(image);
  EXPECT_FALSE(copy.HasExternalBuffer());
  EXPECT_EQ(At(copy, 4, 1), 77);
}

TEST(ImageBase, PutTextDrawsInsideTheRoiOnly)
{
  TCPx8bitImage image(120, 60);
  image.SetROI(TCGenRect<int>(20, 10, 110, 50));
  image.PutText(L"Ab\u00e9", TCGenPoint<int>(2, 30), 3.0);
  const cv::Mat& full = *image.GetFullMatPtr();
  EXPECT_GT(cv::countNonZero(full(cv::Rect(20, 10, 90, 40))), 20);
  EXPECT_EQ(cv::countNonZero(full(cv::Rect(0, 0, 20, 60))), 0);
  EXPECT_EQ(cv::countNonZero(full(cv::Rect(0, 0, 120, 10))), 0);
}

TEST(Util, CopyAlignedBufferCopiesRectanglesOrNothing)
{
  std::vector<unsigned char> src(4 * 40), dst(4 * 64, 0);
  for (std::size_t i = 0; i < src.size(); ++i)
    src[i] = static_cast<unsigned char>(i + 1);
  TCPxUtil::CopyAlignedBuffer(src.data(), 40, dst.data(), 64, 10, 4, 3);
  EXPECT_EQ(dst[64 + 29], src[40 + 29]);
  EXPECT_EQ(dst[64 + 30], 0);

  std::vector<unsigned char> untouched(dst.size(), 0);
  dst.assign(dst.size(), 0);
  TCPxUtil::CopyAlignedBuffer(src.data(), 40, dst.data(), 64, 10, 4, 2);  // channel count
  TCPxUtil::CopyAlignedBuffer(nullptr, 40, dst.data(), 64, 10, 4, 1);
  TCPxUtil::CopyAlignedBuffer(src.data(), 40, dst.data(), 64, 0, 4, 1);
  TCPxUtil::CopyAlignedBuffer(src.data(), 40, dst.data(), 64, 10, -1, 1);
  TCPxUtil::CopyAlignedBuffer(src.data(), 8, dst.data(), 64, 10, 4, 1);   // overlapping source rows
  EXPECT_EQ(dst, untouched);

  // Bottom-up target: negative stride from the last row.
  TCPxUtil::CopyAlignedBuffer(src.data(), 40, dst.data() + 3 * 64, -64, 10, 4, 4);
  EXPECT_EQ(dst[3 * 64], src[0]);
  EXPECT_EQ(dst[0 + 39], src[3 * 40 + 39]);

  std::vector<float> fs(6, 1.5f), fd(8, 0.0f);
  TCPxUtil::CopyAlignedBuffer(fs.data(), 12, fd.data(), 16, 3, 2);
  EXPECT_EQ(fd, (std::vector<float>{1.5f, 1.5f, 1.5f, 0, 1.5f, 1.5f, 1.5f, 0}));

  EXPECT_EQ(TCPxUtil::CreateImage(static_cast<NPxImageTypes>(2), 4, 4), nullptr);
  EXPECT_EQ(TCPxUtil::CreateImage(ImageTypeInt32, 4, 4), nullptr);
  std::unique_ptr<TCPxImageBase> avr(TCPxUtil::CreateImage(ImageTypeAvr, 4, 4));
  ASSERT_NE(dynamic_cast<TCPxAvrImage*>(avr.get()), nullptr);
  EXPECT_EQ(avr->GetImageType(), ImageTypeFloat);
  std::unique_ptr<TCPxImageBase> flt(TCPxUtil::CreateImage(ImageTypeFloat, 4, 4));
  EXPECT_EQ(flt->GetPixelSize(), 4);
  std::unique_ptr<TCPxImageBase> grey(TCPxUtil::CreateImage(ImageType8bit, 4, 4));
  ASSERT_NE(grey, nullptr);
  EXPECT_EQ(grey->GetImageType(), ImageType8bit);
}
