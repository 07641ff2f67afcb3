#pragma once
// A video format description as the pipeline hands it over: major type,
// subtype, format type and the format block (borrowed, not owned), plus the
// frame geometry read from the block's bitmap header.
#include <tarvek/dshow/VideoInfo.h>

/// View of a media type; the format block stays owned by the caller.
struct TCTfTrfVideoFormat
{
  GUID majortype = GUID_NULL;
  GUID subtype = GUID_NULL;
  GUID formattype = GUID_NULL;
  const BYTE* pbFormat = nullptr;
  ULONG cbFormat = 0;
};

/// Frame layout of a checked format: sample rows are DIB rows (4-byte aligned).
struct TCTfTrfFrameGeometry
{
  int width = 0;        ///< |biWidth|, > 0
  int height = 0;       ///< |biHeight|, > 0
  bool bottomUp = true; ///< biHeight > 0
  int pixelSize = 0;    ///< bytes per pixel: 1, 3 or 4
  int stride = 0;       ///< ((biBitCount * width + 31) / 32) * 4
  int frameBytes = 0;   ///< stride * height, at most INT32_MAX
};
