#pragma once
// Video format blocks and the media-type identifiers of uncompressed video,
// with the Windows layouts and GUID values.
#include <cstddef>

#include <pixolan/platform/WinBitmap.h>
#include <tarvek/dshow/WinTypes.h>

/// Format block of FORMAT_VideoInfo: 88 bytes.
struct VIDEOINFOHEADER
{
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  BITMAPINFOHEADER bmiHeader;
};

/// Format block of FORMAT_VideoInfo2: 112 bytes.
struct VIDEOINFOHEADER2
{
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  DWORD dwInterlaceFlags;
  DWORD dwCopyProtectFlags;
  DWORD dwPictAspectRatioX;
  DWORD dwPictAspectRatioY;
  union
  {
    DWORD dwControlFlags;
    DWORD dwReserved1;
  };
  DWORD dwReserved2;
  BITMAPINFOHEADER bmiHeader;
};

static_assert(sizeof(VIDEOINFOHEADER) == 88, "VIDEOINFOHEADER must be 88 bytes");
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48, "VIDEOINFOHEADER header offset");
static_assert(sizeof(VIDEOINFOHEADER2) == 112, "VIDEOINFOHEADER2 must be 112 bytes");
static_assert(offsetof(VIDEOINFOHEADER2, dwPictAspectRatioX) == 56, "VIDEOINFOHEADER2 aspect offset");
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72, "VIDEOINFOHEADER2 header offset");

inline constexpr GUID MEDIATYPE_Video = {0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIATYPE_Audio = {0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_RGB24 = {0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB32 = {0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
/// FourCC 'Y800': 8-bit grey.
inline constexpr GUID MEDIASUBTYPE_Y800 = {0x30303859, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_YUY2 = {0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID FORMAT_VideoInfo = {0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_VideoInfo2 = {0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};

/// biCompression of a Y800 frame: the FourCC in memory order.
constexpr DWORD FOURCC_Y800 = 0x30303859u;
