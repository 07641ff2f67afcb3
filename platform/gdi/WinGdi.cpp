#include <pixolan/platform/WinGdi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

/// The surface behind an HDC: B, G, R, X pixels, rows top first, no padding.
struct TCPxMemorySurface
{
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

namespace
{
constexpr long long kMaxSurfaceBytes = 1LL << 30;

/// What the painting calls need to know of a DIB, checked once.
struct DibLayout
{
  long long width = 0;
  long long height = 0; // magnitude
  bool topDown = false;
  int bytesPerPixel = 0;
  long long stride = 0;
  std::uint32_t palette[256] = {};
  /// Palette entry i is (i, i, i): 8-bit pixels widen without a table look-up.
  bool greyPalette = false;
};

/// False for a header the stand-in does not paint: not uncompressed 8, 24 or
/// 32 bits, a width that is not positive, a zero height.
bool ReadLayout(const BITMAPINFO* bmi, UINT usage, DibLayout* layout)
{
  if (!bmi || usage != DIB_RGB_COLORS)
    return false;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB)
    return false;
  if (h.biBitCount != 8 && h.biBitCount != 24 && h.biBitCount != 32)
    return false;
  if (h.biWidth <= 0 || h.biHeight == 0)
    return false;
  layout->width = h.biWidth;
  layout->height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  layout->topDown = h.biHeight < 0;
  layout->bytesPerPixel = h.biBitCount / 8;
  layout->stride = (layout->width * h.biBitCount + 31) / 32 * 4;
  if (h.biBitCount == 8)
  {
    // The palette follows the header (biSize bytes from its start).
    const auto* colours = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(bmi) + h.biSize);
    const std::uint32_t used = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
    for (std::uint32_t i = 0; i < used; ++i)
      layout->palette[i] = colours[i].rgbBlue | (std::uint32_t(colours[i].rgbGreen) << 8) |
                           (std::uint32_t(colours[i].rgbRed) << 16);
    layout->greyPalette = true;
    for (std::uint32_t i = 0; i < 256 && layout->greyPalette; ++i)
      layout->greyPalette = layout->palette[i] == i * 0x010101u;
  }
  return true;
}

/// Buffer row of DIB scan line `line` (counted from the DIB's origin) in a
/// buffer that starts at scan line `firstLine`.
const BYTE* ScanLine(const void* bits, const DibLayout& dib, long long firstLine, long long line)
{
  return static_cast<const BYTE*>(bits) + (line - firstLine) * dib.stride;
}

/// `count` consecutive source pixels from `src` to surface pixels.
void ConvertRun(const BYTE* src, const DibLayout& dib, std::uint32_t* dst, long long count)
{
  switch (dib.bytesPerPixel)
  {
  case 1:
    if (dib.greyPalette)
      for (long long i = 0; i < count; ++i)
        dst[i] = src[i] * 0x010101u;
    else
      for (long long i = 0; i < count; ++i)
        dst[i] = dib.palette[src[i]];
    break;
  case 3:
  {
    // Four pixels from three little-endian words at a time.
    long long i = 0;
    for (; i + 4 <= count; i += 4)
    {
      std::uint32_t w[3];
      std::memcpy(w, src + 3 * i, sizeof(w));
      dst[i] = w[0] & 0xFFFFFFu;
      dst[i + 1] = (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8);
      dst[i + 2] = (w[1] >> 16) | ((w[2] & 0xFFu) << 16);
      dst[i + 3] = w[2] >> 8;
    }
    for (; i < count; ++i)
      dst[i] = src[3 * i] | (std::uint32_t(src[3 * i + 1]) << 8) | (std::uint32_t(src[3 * i + 2]) << 16);
    break;
  }
  default:
    for (long long i = 0; i < count; ++i)
      dst[i] = src[4 * i] | (std::uint32_t(src[4 * i + 1]) << 8) | (std::uint32_t(src[4 * i + 2]) << 16);
    break;
  }
}

/// Source pixels at the byte offsets `offsets` of one row to surface pixels.
void GatherRun(const BYTE* row, const DibLayout& dib, const std::vector<long long>& offsets, std::uint32_t* dst)
{
  const std::size_t count = offsets.size();
  switch (dib.bytesPerPixel)
  {
  case 1:
    for (std::size_t i = 0; i < count; ++i)
      dst[i] = dib.palette[row[offsets[i]]];
    break;
  default:
    for (std::size_t i = 0; i < count; ++i)
    {
      const BYTE* p = row + offsets[i];
      dst[i] = p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    }
    break;
  }
}
} // namespace

HDC CreateMemorySurface(int width, int height)
{
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height * 4 > kMaxSurfaceBytes)
    return nullptr;
  auto* surface = new (std::nothrow) TCPxMemorySurface;
  if (!surface)
    return nullptr;
  try
  {
    surface->pixels.assign(static_cast<std::size_t>(width) * height, 0u);
  }
  catch (const std::bad_alloc&)
  {
    delete surface;
    return nullptr;
  }
  surface->width = width;
  surface->height = height;
  return surface;
}

void DestroyMemorySurface(HDC hdc)
{
  delete hdc;
}

int GetMemorySurfaceWidth(HDC hdc)
{
  return hdc ? hdc->width : 0;
}

int GetMemorySurfaceHeight(HDC hdc)
{
  return hdc ? hdc->height : 0;
}

const BYTE* GetMemorySurfacePixels(HDC hdc)
{
  return hdc ? reinterpret_cast<const BYTE*>(hdc->pixels.data()) : nullptr;
}

bool SaveSurface(HDC hdc, const char* path)
{
  if (!hdc || !path)
    return false;
  try
  {
    const cv::Mat bgrx(hdc->height, hdc->width, CV_8UC4, hdc->pixels.data());
    cv::Mat bgr;
    cv::cvtColor(bgrx, bgr, cv::COLOR_BGRA2BGR);
    return cv::imwrite(path, bgr);
  }
  catch (const cv::Exception&)
  {
    return false;
  }
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan,
                      UINT cLines, const void* bits, const BITMAPINFO* bmi, UINT colorUse)
{
  DibLayout dib;
  if (!hdc || !bits || !ReadLayout(bmi, colorUse, &dib))
    return 0;
  const long long first = startScan;
  const long long lines = first < dib.height ? std::min<long long>(cLines, dib.height - first) : 0;
  // Scan lines inside the band, the source rectangle and the DIB.
  const long long lineBegin = std::max<long long>(first, ySrc);
  const long long lineEnd = std::min<long long>(first + lines, static_cast<long long>(ySrc) + h);
  // Columns inside the source rectangle, the DIB and the surface.
  long long colBegin = std::max<long long>(xSrc, 0);
  long long colEnd = std::min<long long>(static_cast<long long>(xSrc) + w, dib.width);
  colBegin = std::max<long long>(colBegin, static_cast<long long>(xSrc) - xDest);
  colEnd = std::min<long long>(colEnd, static_cast<long long>(xSrc) - xDest + hdc->width);
  if (colBegin < colEnd)
  {
    for (long long line = lineBegin; line < lineEnd; ++line)
    {
      // The top of the source rectangle lands on yDest: for a bottom-up DIB
      // that is its highest scan line.
      const long long y = dib.topDown ? yDest + (line - ySrc) : yDest + (static_cast<long long>(ySrc) + h - 1 - line);
      if (y < 0 || y >= hdc->height)
        continue;
      const BYTE* src = ScanLine(bits, dib, first, line) + colBegin * dib.bytesPerPixel;
      std::uint32_t* dst = hdc->pixels.data() + y * hdc->width + (xDest + (colBegin - xSrc));
      ConvertRun(src, dib, dst, colEnd - colBegin);
    }
  }
  return static_cast<int>(lines);
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop)
{
  DibLayout dib;
  if (!hdc || !bits || rop != SRCCOPY || destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0 ||
      !ReadLayout(bmi, usage, &dib))
    return 0;
  // Source rectangle rows as top-down image rows: a bottom-up DIB's ySrc is
  // its lower edge, counted from the bottom.
  const long long top = dib.topDown ? ySrc : dib.height - (static_cast<long long>(ySrc) + srcHeight);
  // Destination columns on the surface whose source column lies in the DIB.
  std::vector<long long> offsets;
  long long firstColumn = -1;
  for (long long i = std::max<long long>(0, -static_cast<long long>(xDest)); i < destWidth; ++i)
  {
    const long long x = static_cast<long long>(xDest) + i;
    if (x >= hdc->width)
      break;
    const long long sx = xSrc + i * srcWidth / destWidth;
    if (sx < 0 || sx >= dib.width)
    {
      if (firstColumn >= 0)
        break; // past the DIB's right edge
      continue;
    }
    if (firstColumn < 0)
      firstColumn = x;
    offsets.push_back(sx * dib.bytesPerPixel);
  }
  if (!offsets.empty())
  {
    for (long long j = 0; j < destHeight; ++j)
    {
      const long long y = static_cast<long long>(yDest) + j;
      if (y < 0)
        continue;
      if (y >= hdc->height)
        break;
      const long long row = top + j * srcHeight / destHeight;
      if (row < 0 || row >= dib.height)
        continue;
      const long long line = dib.topDown ? row : dib.height - 1 - row;
      GatherRun(ScanLine(bits, dib, 0, line), dib, offsets, hdc->pixels.data() + y * hdc->width + firstColumn);
    }
  }
  const long long inside = std::min<long long>(top + srcHeight, dib.height) - std::max<long long>(top, 0);
  return static_cast<int>(std::max<long long>(inside, 0));
}
