// Painting onto the memory-surface device context: row order, palettes, DIB
// strides, stretching, and the answers for a missing device.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxGUI.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>

namespace
{
struct SurfaceDeleter
{
  void operator()(TCPxMemorySurface* hdc) const { DestroyMemorySurface(hdc); }
};
using Surface = std::unique_ptr<TCPxMemorySurface, SurfaceDeleter>;

Surface MakeSurface(int width, int height)
{
  return Surface(CreateMemorySurface(width, height));
}

/// The surface as a 4-channel matrix (a copy).
cv::Mat Pixels(HDC hdc)
{
  return cv::Mat(GetMemorySurfaceHeight(hdc), GetMemorySurfaceWidth(hdc), CV_8UC4,
                 const_cast<BYTE*>(GetMemorySurfacePixels(hdc)))
      .clone();
}

cv::Vec4b At(HDC hdc, int x, int y)
{
  return Pixels(hdc).at<cv::Vec4b>(y, x);
}

bool Equal(const cv::Mat& a, const cv::Mat& b)
{
  return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0.0;
}

/// A DIB block (header and 256 palette entries) written by hand.
struct Dib
{
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

Dib MakeDib(int width, int height, int bits)
{
  Dib dib;
  std::memset(&dib, 0, sizeof(dib));
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biWidth = width;
  dib.header.biHeight = height;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = static_cast<WORD>(bits);
  dib.header.biCompression = BI_RGB;
  return dib;
}

const BITMAPINFO* Info(const Dib& dib)
{
  return reinterpret_cast<const BITMAPINFO*>(&dib);
}
} // namespace

TEST(Drawing, GreyImagePaintsBottomUpThenTopDownThroughItsPalette)
{
  TCPx8bitImage image(4, 2); // rows of 32 bytes: the DIB is 32 pixels wide
  const unsigned char rows[2][4] = {{10, 20, 30, 40}, {50, 60, 70, 80}};
  for (int y = 0; y < 2; ++y)
    std::memcpy(image.GetFullMatPtr()->ptr(y), rows[y], 4);

  Surface hdc = MakeSurface(6, 4);
  ASSERT_TRUE(hdc);
  ASSERT_TRUE(TCPxGUI::DrawImageAt(hdc.get(), image, 1, 1));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
    {
      // A positive DIB height: buffer row 0 is the lower one on the device.
      const unsigned char v = rows[1 - y][x];
      EXPECT_EQ(At(hdc.get(), 1 + x, 1 + y), cv::Vec4b(v, v, v, 0)) << x << "," << y;
    }
  // Only the image's width is painted, not its row padding.
  EXPECT_EQ(At(hdc.get(), 5, 1), cv::Vec4b(0, 0, 0, 0));
  EXPECT_EQ(At(hdc.get(), 0, 0), cv::Vec4b(0, 0, 0, 0));
  EXPECT_EQ(At(hdc.get(), 1, 3), cv::Vec4b(0, 0, 0, 0));

  image.SetSignDibHeight(true);
  TCPxGUI::DrawImage(hdc.get(), image);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
    {
      const unsigned char v = rows[y][x];
      EXPECT_EQ(At(hdc.get(), x, y), cv::Vec4b(v, v, v, 0)) << x << "," << y;
    }

  // Partly off the device: clipped, still every row drawn.
  EXPECT_TRUE(TCPxGUI::DrawImageAt(hdc.get(), image, 4, -1));
  EXPECT_EQ(At(hdc.get(), 5, 0), cv::Vec4b(60, 60, 60, 0));

  EXPECT_FALSE(TCPxGUI::DrawImageAt(nullptr, image, 0, 0));
  EXPECT_FALSE(TCPxGUI::DrawImageInRect(nullptr, image, 0, 0, 8, 4));
  TCPxGUI::DrawImage(nullptr, image); // nothing to paint on: no effect
}

TEST(Drawing, DibPaletteStrideBandsAndBadArguments)
{
  // 8 bits through a coloured palette, 3 x 2 pixels in rows of 4 bytes.
  Dib grey = MakeDib(3, -2, 8);
  for (int i = 0; i < 256; ++i)
    grey.colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 99};
  const BYTE indexBits[8] = {0, 1, 2, 0xEE, 3, 4, 5, 0xEE};
  Surface hdc = MakeSurface(3, 2);
  EXPECT_EQ(SetDIBitsToDevice(hdc.get(), 0, 0, 3, 2, 0, 0, 0, 2, indexBits, Info(grey), DIB_RGB_COLORS), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
    {
      const BYTE i = static_cast<BYTE>(3 * y + x);
      EXPECT_EQ(At(hdc.get(), x, y), cv::Vec4b(i, 255 - i, 7, 0));
    }

  // 24 bits, 3 pixels wide: rows of 9 bytes padded to 12; bottom-up.
  const Dib colour = MakeDib(3, 2, 24);
  BYTE bits[24] = {};
  for (int row = 0; row < 2; ++row)
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 3; ++c)
        bits[row * 12 + 3 * x + c] = static_cast<BYTE>(100 * row + 10 * x + c);
  Surface colourHdc = MakeSurface(3, 2);
  EXPECT_EQ(SetDIBitsToDevice(colourHdc.get(), 0, 0, 3, 2, 0, 0, 0, 2, bits, Info(colour), DIB_RGB_COLORS), 2);
  for (int x = 0; x < 3; ++x)
  {
    EXPECT_EQ(At(colourHdc.get(), x, 1), cv::Vec4b(10 * x, 10 * x + 1, 10 * x + 2, 0)); // scan line 0: bottom
    EXPECT_EQ(At(colourHdc.get(), x, 0), cv::Vec4b(100 + 10 * x, 101 + 10 * x, 102 + 10 * x, 0));
  }

  // A band holding only scan line 1 paints only the top row; cLines beyond
  // the DIB is limited to it.
  Surface band = MakeSurface(3, 2);
  EXPECT_EQ(SetDIBitsToDevice(band.get(), 0, 0, 3, 2, 0, 0, 1, 5, bits + 12, Info(colour), DIB_RGB_COLORS), 1);
  EXPECT_EQ(At(band.get(), 0, 0), cv::Vec4b(100, 101, 102, 0));
  EXPECT_EQ(At(band.get(), 0, 1), cv::Vec4b(0, 0, 0, 0));

  EXPECT_EQ(SetDIBitsToDevice(nullptr, 0, 0, 3, 2, 0, 0, 0, 2, bits, Info(colour), DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(hdc.get(), 0, 0, 3, 2, 0, 0, 0, 2, nullptr, Info(colour), DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBitsToDevice(hdc.get(), 0, 0, 3, 2, 0, 0, 0, 2, bits, Info(colour), DIB_PAL_COLORS), 0);
  EXPECT_EQ(StretchDIBits(hdc.get(), 0, 0, 3, 2, 0, 0, 3, 2, nullptr, Info(colour), DIB_RGB_COLORS, SRCCOPY), 0);
  EXPECT_EQ(StretchDIBits(hdc.get(), 0, 0, -3, 2, 0, 0, 3, 2, bits, Info(colour), DIB_RGB_COLORS, SRCCOPY), 0);
  EXPECT_EQ(CreateMemorySurface(0, 5), nullptr);
  EXPECT_EQ(CreateMemorySurface(1 << 16, 1 << 16), nullptr);
}

// 24- and 32-bit images against an independent rendering: the buffer flipped
// upside down (positive DIB height) and widened to 4 bytes with X = 0;
// stretched, OpenCV's nearest-neighbour resize of that.
TEST(Drawing, ColourImagesMatchFlippedAndResizedReference)
{
  TCPx24bitImage rgb(61, 30); // 183-byte rows padded to 192: not a whole number of pixels
  TCPx32bitImage rgbx(61, 30);
  cv::randu(*rgb.GetFullMatPtr(), 0, 256);
  cv::randu(*rgbx.GetFullMatPtr(), 0, 256);
  for (TCPxByteImage* image : {static_cast<TCPxByteImage*>(&rgb), static_cast<TCPxByteImage*>(&rgbx)})
  {
    cv::Mat reference;
    cv::flip(*image->GetFullMatPtr(), reference, 0);
    if (reference.channels() == 3)
      cv::cvtColor(reference, reference, cv::COLOR_BGR2BGRA);
    reference.reshape(1, reference.rows * reference.cols).col(3).setTo(0);

    Surface hdc = MakeSurface(61, 30);
    ASSERT_TRUE(TCPxGUI::DrawImageAt(hdc.get(), *image, 0, 0));
    EXPECT_TRUE(Equal(Pixels(hdc.get()), reference)) << image->GetNrChannels() << " channels";

    for (const cv::Size size : {cv::Size(122, 60), cv::Size(61 * 3, 30 * 2)})
    {
      cv::Mat stretched;
      cv::resize(reference, stretched, size, 0, 0, cv::INTER_NEAREST);
      Surface big = MakeSurface(size.width + 2, size.height + 1);
      ASSERT_TRUE(TCPxGUI::DrawImageInRect(big.get(), *image, 2, 1, size.width, size.height));
      EXPECT_TRUE(Equal(Pixels(big.get())(cv::Rect(2, 1, size.width, size.height)), stretched)) << size;
      EXPECT_EQ(Pixels(big.get()).at<cv::Vec4b>(0, 0), cv::Vec4b(0, 0, 0, 0));
    }
    // Shrinking by 3 picks every third column and row from the top left.
    Surface small = MakeSurface(20, 10);
    TCPx24bitImage wide(60, 30);
    cv::randu(*wide.GetFullMatPtr(), 0, 256);
    ASSERT_TRUE(TCPxGUI::DrawImageInRect(small.get(), wide, 0, 0, 20, 10));
    cv::Mat wideRef, picked;
    cv::flip(*wide.GetFullMatPtr(), wideRef, 0);
    cv::resize(wideRef, picked, cv::Size(20, 10), 0, 0, cv::INTER_NEAREST);
    cv::cvtColor(picked, picked, cv::COLOR_BGR2BGRA);
    picked.reshape(1, 200).col(3).setTo(0);
    EXPECT_TRUE(Equal(Pixels(small.get()), picked));
  }
}
