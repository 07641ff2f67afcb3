#pragma once
// Windows device-independent-bitmap records with the Windows field order,
// sizes and values, so that a header block filled here crosses unchanged to
// code that expects the Windows layout (media pipelines, bitmap files).
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;

/// BITMAPINFOHEADER: 40 bytes.
typedef struct tagBITMAPINFOHEADER
{
  DWORD biSize;
  LONG biWidth;
  LONG biHeight; ///< negative: rows stored top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER;

/// One palette entry: 4 bytes, blue first.
typedef struct tagRGBQUAD
{
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

/// Header followed by a palette of declared length 1, as on Windows.
typedef struct tagBITMAPINFO
{
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO;

#ifndef BI_RGB
#define BI_RGB 0L
#endif
#endif

/// A bitmap header with a full 256-entry palette behind it: the 1064-byte
/// block that describes an 8-, 24- or 32-bit image buffer.
struct TCPxDibBlock
{
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER must be 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD must be 4 bytes");
static_assert(sizeof(TCPxDibBlock) == 1064, "a DIB block with 256 palette entries must be 1064 bytes");
