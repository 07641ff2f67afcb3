#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <opencv2/core.hpp>

#include <pixolan/pixolan.h>

namespace
{
const unsigned char* PixelAt(const TCPxByteImage& image, int x, int y)
{
  return image.GetBuffer() + y * image.GetStepSize() + x * image.GetNrChannels();
}

RGBQUAD Quad(int b, int g, int r, int a)
{
  RGBQUAD q;
  q.rgbBlue = static_cast<BYTE>(b);
  q.rgbGreen = static_cast<BYTE>(g);
  q.rgbRed = static_cast<BYTE>(r);
  q.rgbReserved = static_cast<BYTE>(a);
  return q;
}
} // namespace

TEST(ColourImage, ColourValuesAreStoredBlueGreenRed)
{
  TCPx24bitImage image(4, 3);
  const unsigned long c = 1 + 2 * 256 + 3 * 65536; // red 1, green 2, blue 3
  image.SetPixel(0, 0, c);
  EXPECT_EQ(PixelAt(image, 0, 0)[0], 3);
  EXPECT_EQ(PixelAt(image, 0, 0)[1], 2);
  EXPECT_EQ(PixelAt(image, 0, 0)[2], 1);
  EXPECT_EQ(image.GetPixel(0, 0), c);
  EXPECT_EQ(image.GetPixelFast(0, 0), c);
  image.SetROI(TCGenRect<int>(1, 1, 4, 3));
  EXPECT_THROW(image.GetPixel(3, 0), std::range_error);
  image.SetPixel(3, 0, c); // ignored
  EXPECT_FALSE(image.GetInRoi(3, 0));
  EXPECT_TRUE(image.GetInRoi(2, 1));
  image.Fill(0x0000FFul); // red
  EXPECT_EQ(PixelAt(image, 3, 2)[2], 255);
  EXPECT_EQ(PixelAt(image, 0, 2)[2], 0);
  EXPECT_EQ(image.GetMatPtr()->at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 255));
}

TEST(ColourImage, RawImportTakesFourBytePixelsOnlyWhenLongerThanTheBuffer)
{
  TCPx24bitImage image(20, 2); // stride 64, buffer 128
  std::vector<unsigned char> quad(80 * 2);
  for (std::size_t i = 0; i < quad.size(); ++i)
    quad[i] = static_cast<unsigned char>(i);
  image.CopyBuffer(quad.data(), static_cast<int>(quad.size()), 80);
  EXPECT_EQ(PixelAt(image, 1, 0)[0], 4);
  EXPECT_EQ(PixelAt(image, 1, 0)[2], 6);
  EXPECT_EQ(PixelAt(image, 19, 1)[2], 80 + 78);

  std::vector<unsigned char> rows(60 * 2, 9);
  image.CopyBuffer(rows.data(), static_cast<int>(rows.size()), 60);
  EXPECT_EQ(PixelAt(image, 19, 1)[2], 9);
  std::vector<unsigned char> rows7(64 * 2, 7);
  image.CopyBuffer(rows7.data(), static_cast<int>(rows7.size()));
  EXPECT_EQ(PixelAt(image, 0, 1)[0], 7);

  TCPx24bitImage before(image);
  image.CopyBuffer(rows.data(), 119, 60);       // one byte short of two rows
  image.CopyBuffer(rows.data(), 120, -60);      // bottom-up strides are not raw imports
  image.CopyBuffer(nullptr, 120, 60);
  image.CopyBuffer(rows7.data(), 64 + 59);      // short of this stride's rows
  EXPECT_TRUE(image == before);
}

TEST(ColourImage, TypedThirtyTwoBitSourceIsConvertedByItsType)
{
  // Width 5: both colour images have 32-byte rows, so their buffers are equally long.
  TCPx32bitImage source(5, 2);
  source.Fill(Quad(10, 20, 30, 40));
  source.SetROI(TCGenRect<int>(1, 0, 4, 2));
  TCPx24bitImage target(5, 2);
  EXPECT_EQ(target.GetBufferSize(), source.GetBufferSize());
  target.CopyBuffer(source);
  EXPECT_EQ(target.GetROI(), source.GetROI());
  EXPECT_EQ(PixelAt(target, 1, 1)[0], 10);
  EXPECT_EQ(PixelAt(target, 1, 1)[1], 20);
  EXPECT_EQ(PixelAt(target, 1, 1)[2], 30);
  TCPx24bitImage big(6, 2);
  EXPECT_THROW(big.CopyBuffer(source), std::invalid_argument);
}

TEST(ColourImage, Yv12ImportUsesThePlanesAsYUV)
{
  const int w = 4, h = 2;
  std::vector<unsigned char> frame(w * h + 2 * (w * h / 4), 128);
  for (int i = 0; i < w * h; ++i)
    frame[i] = static_cast<unsigned char>(100 + i);
  TCPx24bitImage image(w, h);
  image.CopyBufferYV12(frame.data());
  for (int i = 0; i < w * h; ++i)
    for (int c = 0; c < 3; ++c)
      ASSERT_EQ(PixelAt(image, i % w, i / w)[c], 100 + i); // neutral chroma: grey equal to luma

  // Second plane (U) +50, third plane (V) -20 for the left 2 x 2 block.
  frame[w * h] = 178;
  frame[w * h + w * h / 4] = 108;
  image.CopyBufferYV12(frame.data(), static_cast<long long>(frame.size()));
  const double y = 100, u = 50, v = -20;
  EXPECT_EQ(PixelAt(image, 0, 0)[0], std::lround(y + 1.140 * v));             // R in byte 0
  EXPECT_EQ(PixelAt(image, 0, 0)[1], std::lround(y - 0.394 * u - 0.581 * v));
  EXPECT_EQ(PixelAt(image, 0, 0)[2], std::min(255L, std::lround(y + 2.032 * u)));
  EXPECT_EQ(PixelAt(image, 2, 0)[0], 102); // next chroma sample is neutral

  // Odd sizes: the checked form accepts a frame of exactly the bytes it reads
  // (the sanitizer build would report any read past it).
  TCPx24bitImage odd(5, 3);
  std::vector<unsigned char> oddFrame(23, 128);
  odd.CopyBufferYV12(oddFrame.data(), static_cast<long long>(oddFrame.size()));
  EXPECT_EQ(odd.GetPixelFast(4, 2), 0x808080ul);
  TCPx24bitImage oddShort(5, 3);
  oddShort.CopyBufferYV12(oddFrame.data(), 22);
  EXPECT_EQ(oddShort.GetPixelFast(4, 2), 0u);

  TCPx24bitImage untouched(w, h);
  untouched.CopyBufferYV12(frame.data(), static_cast<long long>(frame.size()) - 1);
  EXPECT_EQ(cv::countNonZero(untouched.GetFullMatPtr()->reshape(1)), 0);
}

TEST(ColourImage, ChannelScaleClampsFactors)
{
  TCPx24bitImage image(3, 1);
  image.Fill(0xC8C8C8ul); // 200 in every channel
  image.SetROI(TCGenRect<int>(0, 0, 1, 1)); // whole image regardless
  image *= std::make_tuple(1.0, 0.5, 0.0);
  EXPECT_EQ(PixelAt(image, 2, 0)[0], 200);
  EXPECT_EQ(PixelAt(image, 2, 0)[1], 100); // 200 x 127 / 255 = 99.6
  EXPECT_EQ(PixelAt(image, 2, 0)[2], 0);
  image *= std::make_tuple(1.2, -1.0, std::nan(""));
  EXPECT_EQ(PixelAt(image, 0, 0)[0], 200); // above 1 saturates at the byte 255 instead of wrapping
  EXPECT_EQ(PixelAt(image, 0, 0)[1], 0);
}

TEST(ColourImage, DrawingUsesColourScalarsAndOutlines)
{
  TCPx24bitImage image(10, 10);
  image.Rectangle(TCGenRect<int>(2, 2, 5, 5), 0xFF0000ul); // blue
  EXPECT_EQ(cv::countNonZero(image.GetFullMatPtr()->reshape(1)), 12); // 12 outline pixels, blue byte only
  EXPECT_EQ(PixelAt(image, 2, 2)[0], 255);
  EXPECT_EQ(PixelAt(image, 3, 3)[0], 0);

  TCPx24bitImage box(21, 21);
  box.Box(std::make_tuple(TCGenPoint<double>(10, 10), TCGenSize<int>(10, 4), 0.0), 0x00FF00ul);
  EXPECT_EQ(PixelAt(box, 15, 12)[1], 255); // corner (cx + W/2, cy + H/2)
  EXPECT_EQ(PixelAt(box, 5, 8)[1], 255);
  EXPECT_EQ(PixelAt(box, 10, 10)[1], 0);

  TCPx24bitImage ellipse(21, 21);
  ellipse.Ellipse(TCGenPoint<double>(10, 10), 16, 6, M_PI / 2, 0xFFFFFFul, 1);
  EXPECT_EQ(PixelAt(ellipse, 10, 2)[0], 255); // long axis vertical after a quarter turn
  EXPECT_EQ(PixelAt(ellipse, 2, 10)[0], 0);
}

TEST(ColourImage, RegionAverageUsesCircularHue)
{
  TCPx24bitImage image(10, 10);
  image.Fill(0x3050C0ul);
  // A uniform region gives its own colour up to the HSV round trip (hue steps of two degrees).
  const unsigned long mean = TCPxConversion::Rgb2Hsv(image.GetColorRegionAvarage(5, 5, 2));
  const unsigned long own = TCPxConversion::Rgb2Hsv(0x3050C0ul);
  EXPECT_NEAR(static_cast<int>(mean & 255), static_cast<int>(own & 255), 1);
  EXPECT_EQ(mean >> 8, own >> 8);
  EXPECT_EQ(image.GetColorRegionAvarage(50, 50, 2), 0u);

  // Reds on both sides of hue 0 average to red, not to cyan.
  TCPx24bitImage reds(2, 1);
  reds.SetPixel(0, 0, TCPxConversion::Hsv2Rgb(178 | (255 << 8) | (255u << 16)));
  reds.SetPixel(1, 0, TCPxConversion::Hsv2Rgb(2 | (255 << 8) | (255u << 16)));
  const unsigned long hsv = TCPxConversion::Rgb2Hsv(reds.GetColorRegionAvarage(0, 0, 1));
  const int hue = static_cast<int>(hsv & 255);
  EXPECT_TRUE(hue <= 1 || hue >= 179) << hue;
}

TEST(ColourImage, CopiesImportsAndMaskedSet)
{
  TCPx24bitImage small(2, 2);
  small.Fill(0x010203ul);
  TCPx24bitImage image(5, 5);
  image.Copy(&small, 3, 3);
  EXPECT_EQ(image.GetPixelFast(4, 4), 0x010203ul);
  EXPECT_EQ(image.GetPixelFast(2, 2), 0u);
  EXPECT_THROW(image.Copy(&small, 4, 3), std::invalid_argument);
  EXPECT_THROW(image.Copy(&small, -1, 0), std::invalid_argument);

  TCPx8bitImage mask(5, 5);
  mask.SetPixelFast(1, 0, 1);
  mask.SetROI(TCGenRect<int>(1, 1, 5, 5)); // ignored: read from the buffer start
  image.Set(0xFFFFFFul, mask);
  EXPECT_EQ(image.GetPixelFast(1, 0), 0xFFFFFFul);
  EXPECT_THROW(image.Set(1, TCPx8bitImage(4, 5)), std::invalid_argument);

  TCPx8bitImage grey(5, 5);
  grey.Fill(77);
  grey.SetROI(TCGenRect<int>(0, 0, 2, 2));
  TCPx24bitImage fromGrey(5, 5);
  fromGrey.CopyBuffer(grey);
  EXPECT_EQ(fromGrey.GetROI(), grey.GetROI());
  EXPECT_EQ(fromGrey.GetPixelFast(1, 1), 0x4D4D4Dul);
  EXPECT_EQ(fromGrey.GetPixelFast(2, 2), 0u);

  std::vector<unsigned char> y800(5 * 7, 0);
  y800[7 * 4 + 4] = 200;
  fromGrey.CopyBufferY800(y800.data(), 7);
  EXPECT_EQ(fromGrey.GetPixelFast(4, 4), 0xC8C8C8ul);
  EXPECT_EQ(fromGrey.GetPixelFast(1, 1), 0u);

  // Grey from colour uses 0.299 R + 0.587 G + 0.114 B.
  TCPx24bitImage red(3, 3);
  red.Fill(0x0000FFul);
  TCPx8bitImage fromRed(3, 3);
  fromRed.CopyBuffer(red);
  EXPECT_EQ(fromRed.GetPixelFast(2, 2), 76);

  // Copies hold the ROI only.
  image.SetPixel(0, 0, 5);
  image.SetROI(TCGenRect<int>(3, 3, 5, 5));
  TCPx24bitImage copy(image);
  EXPECT_EQ(copy.GetROI(), image.GetROI());
  EXPECT_EQ(copy.GetPixelFast(4, 4), 0x010203ul);
  EXPECT_EQ(copy.GetPixelFast(0, 0), 0u);
  std::unique_ptr<TCPxImageBase> made(TCPxUtil::CreateImage(ImageType24bit, 2, 3));
  EXPECT_EQ(made->GetNrChannels(), 3);
}

TEST(ColourImage, RotateCentresInSmallerAndLargerTargets)
{
  TCPx24bitImage image(21, 21);
  image.Line(10, 10, 18, 10, 0xFFFFFFul, 1); // points right
  TCPx24bitImage smaller(11, 11);
  image.Rotate(90.0f, &smaller);
  // Centre (10, 10) lands at (10 + (11 - 21) / 2, ...) = (5, 5); the arrow points up.
  EXPECT_EQ(smaller.GetPixelFast(5, 2), 0xFFFFFFul);
  EXPECT_EQ(smaller.GetPixelFast(8, 5), 0u);
  TCPx24bitImage larger(31, 31);
  image.Rotate(-90.0f, &larger);
  EXPECT_EQ(larger.GetPixelFast(15, 23), 0xFFFFFFul);
}

TEST(ColourImage, ThirtyTwoBitPixelsAlphaAndCopies)
{
  TCPx32bitImage image(4, 4);
  image.SetROI(TCGenRect<int>(1, 1, 4, 4));
  image.SetPixel(0, 0, Quad(1, 2, 3, 4));
  EXPECT_EQ(PixelAt(image, 1, 1)[3], 4);
  EXPECT_EQ(image.GetPixel(0, 0).rgbRed, 3);
  EXPECT_THROW(image.GetPixel(3, 0), std::range_error);
  image.SetAlphaChannel(1, nullptr);
  EXPECT_EQ(PixelAt(image, 1, 1)[3], 5);
  EXPECT_EQ(PixelAt(image, 2, 2)[3], 1);
  EXPECT_EQ(PixelAt(image, 0, 0)[3], 0); // outside the ROI
  image.SetAlphaChannel(255, nullptr);
  EXPECT_EQ(PixelAt(image, 3, 3)[3], 255);

  TCPx8bitImage grey(4, 4);
  grey.Fill(9);
  TCPx32bitImage fromGrey(4, 4);
  fromGrey.SetROI(TCGenRect<int>(0, 0, 2, 2));
  grey.SetROI(TCGenRect<int>(2, 2, 4, 4));
  fromGrey.CopyBuffer(grey);
  EXPECT_EQ(fromGrey.GetROI(), TCGenRect<int>(0, 0, 2, 2));
  EXPECT_EQ(PixelAt(fromGrey, 1, 1)[0], 9);
  EXPECT_EQ(PixelAt(fromGrey, 1, 1)[3], 255);
  EXPECT_EQ(PixelAt(fromGrey, 2, 2)[3], 0);

  TCPx32bitImage target(4, 4);
  TCPx8bitImage mask(4, 4);
  mask.SetPixelFast(0, 0, 1);
  fromGrey.SetFullROI();
  target.Copy(fromGrey, &mask);
  EXPECT_EQ(PixelAt(target, 0, 0)[0], 9);
  EXPECT_EQ(PixelAt(target, 1, 0)[0], 0);

  std::vector<unsigned char> raw(static_cast<std::size_t>(target.GetBufferSize()), 6);
  target.CopyBuffer(raw.data(), static_cast<int>(raw.size()), 0);
  EXPECT_EQ(PixelAt(target, 3, 3)[3], 6);
  TCPx32bitImage before(target);
  target.CopyBuffer(raw.data(), static_cast<int>(raw.size()) - 1, 0);
  EXPECT_TRUE(target == before);
}
