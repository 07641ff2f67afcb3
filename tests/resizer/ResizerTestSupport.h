#pragma once
// Frames and format blocks for the resizer tests, and the independent
// reference for what a delivered frame must hold.
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <tarvek/dshow/VideoInfo.h>

namespace resizer_test
{
inline int BitsOf(const GUID& subtype)
{
  if (subtype == MEDIASUBTYPE_RGB32)
    return 32;
  if (subtype == MEDIASUBTYPE_RGB24)
    return 24;
  return 8;
}

inline int DibStride(int bits, int width)
{
  return ((bits * width + 31) / 32) * 4;
}

/// A VIDEOINFOHEADER block for `subtype` of width x height (signed height).
inline std::vector<BYTE> VideoInfoBlock(const GUID& subtype, int width, int height)
{
  VIDEOINFOHEADER v{};
  v.AvgTimePerFrame = 400000;
  v.dwBitRate = 1234;
  v.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  v.bmiHeader.biWidth = width;
  v.bmiHeader.biHeight = height;
  v.bmiHeader.biPlanes = 1;
  v.bmiHeader.biBitCount = static_cast<WORD>(BitsOf(subtype));
  v.bmiHeader.biCompression = subtype == MEDIASUBTYPE_Y800 ? FOURCC_Y800 : BI_RGB;
  v.bmiHeader.biSizeImage = static_cast<DWORD>(DibStride(BitsOf(subtype), width) * (height < 0 ? -height : height));
  std::vector<BYTE> block(sizeof(v));
  std::memcpy(block.data(), &v, sizeof(v));
  return block;
}

/// A VIDEOINFOHEADER2 block with the picture aspect ratio `ax`:`ay`.
inline std::vector<BYTE> VideoInfo2Block(const GUID& subtype, int width, int height, DWORD ax, DWORD ay)
{
  VIDEOINFOHEADER v1;
  const std::vector<BYTE> b1 = VideoInfoBlock(subtype, width, height);
  std::memcpy(&v1, b1.data(), sizeof(v1));
  VIDEOINFOHEADER2 v{};
  v.rcSource = v1.rcSource;
  v.rcTarget = v1.rcTarget;
  v.dwBitRate = 777;
  v.dwBitErrorRate = 3;
  v.AvgTimePerFrame = 333667;
  v.dwPictAspectRatioX = ax;
  v.dwPictAspectRatioY = ay;
  v.bmiHeader = v1.bmiHeader;
  std::vector<BYTE> block(sizeof(v));
  std::memcpy(block.data(), &v, sizeof(v));
  return block;
}

inline BITMAPINFOHEADER& HeaderOf(std::vector<BYTE>& videoInfoBlock)
{
  return *reinterpret_cast<BITMAPINFOHEADER*>(videoInfoBlock.data() + offsetof(VIDEOINFOHEADER, bmiHeader));
}

/// Byte c of pixel (x, memory row y) of test frame `seed`.
inline BYTE PatternByte(int x, int y, int c, int seed)
{
  return static_cast<BYTE>(x * 7 + y * 31 + c * 85 + seed * 17 + (x / 37) * 3);
}

/// A frame of DIB rows holding the pattern, row padding set to 0xEE, and
/// `slack` further bytes of 0xEE after the frame.
inline std::vector<BYTE> PatternFrame(int pixelSize, int width, int height, int seed, int slack = 0)
{
  const int stride = DibStride(pixelSize * 8, width);
  std::vector<BYTE> frame(static_cast<std::size_t>(stride) * height + slack, 0xEE);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < pixelSize; ++c)
        frame[static_cast<std::size_t>(y) * stride + x * pixelSize + c] = PatternByte(x, y, c, seed);
  return frame;
}

/// Source index of destination index d under nearest-neighbour sampling at
/// pixel centres (sizes chosen so that no centre falls on a tie).
inline int CentreSource(int d, int sourceLength, int targetLength)
{
  return static_cast<int>((2LL * d + 1) * sourceLength / (2LL * targetLength));
}

/// Checks every pixel of a delivered frame of DIB rows: target memory row y
/// comes from source memory row CentreSource(y) (counted from the other end
/// when `flipped`), column x from CentreSource(x).
inline void ExpectDelivered(const BYTE* out, int pixelSize, int outWidth, int outHeight, int inWidth, int inHeight,
                            bool flipped, int seed)
{
  const int stride = DibStride(pixelSize * 8, outWidth);
  int mismatches = 0;
  for (int y = 0; y < outHeight && mismatches < 5; ++y)
  {
    const int sy0 = CentreSource(y, inHeight, outHeight);
    const int sy = flipped ? inHeight - 1 - sy0 : sy0;
    for (int x = 0; x < outWidth && mismatches < 5; ++x)
    {
      const int sx = CentreSource(x, inWidth, outWidth);
      for (int c = 0; c < pixelSize; ++c)
      {
        const BYTE got = out[static_cast<std::size_t>(y) * stride + x * pixelSize + c];
        const BYTE want = PatternByte(sx, sy, c, seed);
        if (got != want)
        {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": got " << int(got) << ", want "
                        << int(want);
          ++mismatches;
        }
      }
    }
  }
}
} // namespace resizer_test
