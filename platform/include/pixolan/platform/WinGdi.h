#pragma once
// A device context stand-in: an HDC is a memory surface of our own (width x
// height pixels of 32-bit B, G, R, X, rows top first), and the two bitmap
// painting calls of the Windows GDI draw into it with the documented Windows
// semantics. Users and tests create a surface, hand its HDC to the display
// functions and read back what was painted. Implemented in libpixolan.
#include <pixolan/PxExport.h>
#include <pixolan/platform/WinBitmap.h>

typedef std::uint32_t UINT;

/// Handle of a memory surface; null is no device.
typedef struct TCPxMemorySurface* HDC;

#ifndef DIB_RGB_COLORS
/// The palette holds literal RGB values (the only usage supported).
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#endif
#ifndef SRCCOPY
/// Raster operation: copy the source (the only one supported).
#define SRCCOPY 0x00CC0020u
#endif

/// New surface of width x height pixels, all (0, 0, 0, 0); null when a size is
/// not positive or the surface would exceed 1 GiB. Release it with
/// DestroyMemorySurface.
PIXOLAN_EXPORT HDC CreateMemorySurface(int width, int height);
/// Releases a surface; null is ignored.
PIXOLAN_EXPORT void DestroyMemorySurface(HDC hdc);
/// Surface size in pixels; 0 for a null handle.
PIXOLAN_EXPORT int GetMemorySurfaceWidth(HDC hdc);
PIXOLAN_EXPORT int GetMemorySurfaceHeight(HDC hdc);
/// First pixel row (B, G, R, X per pixel, rows width * 4 bytes apart, top
/// row first); null for a null handle. Valid until the surface is destroyed.
PIXOLAN_EXPORT const BYTE* GetMemorySurfacePixels(HDC hdc);
/// Writes the surface as a 3-channel image file whose codec follows the
/// extension (PNG for ".png"); false for a null handle or a failed write.
PIXOLAN_EXPORT bool SaveSurface(HDC hdc, const char* path);

/// Paints the rectangle of w x h DIB pixels whose lower-left corner is
/// (xSrc, ySrc) (upper-left for a top-down DIB) at (xDest, yDest), the
/// destination's upper-left corner, without scaling. `bits` holds `cLines`
/// scan lines starting at scan line `startScan`, counted from the DIB's
/// origin: the bottom row when biHeight > 0 (buffer row 0 painted lowest), the
/// top row when biHeight < 0. Scan lines are ((biWidth * biBitCount + 31) / 32)
/// * 4 bytes apart; 8-bit pixels index the palette behind the header
/// (biClrUsed entries, 256 when 0). Uncompressed 8-, 24- and 32-bit DIBs with
/// DIB_RGB_COLORS only. Pixels outside the surface are clipped.
/// Returns the number of scan lines set (cLines, limited to the DIB's height
/// above startScan); 0 for a null handle, null bits or header, or a DIB or
/// usage not supported.
PIXOLAN_EXPORT int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                                     UINT startScan, UINT cLines, const void* bits, const BITMAPINFO* bmi,
                                     UINT colorUse);
/// Paints the DIB rectangle srcWidth x srcHeight at (xSrc, ySrc) (its
/// lower-left corner for a bottom-up DIB, upper-left for a top-down one) into
/// the destination rectangle destWidth x destHeight at (xDest, yDest), by
/// nearest neighbour: destination column i takes source column
/// xSrc + i * srcWidth / destWidth (integer division), rows likewise from the
/// top of the source rectangle. `bits` holds the whole DIB, laid out as for
/// SetDIBitsToDevice. Source pixels outside the DIB and destination pixels
/// outside the surface are not painted; negative sizes (mirroring) are not
/// supported. Returns the number of source scan lines (srcHeight, limited to
/// those inside the DIB); 0 for a null handle, null bits or header, a size
/// that is not positive, an unsupported DIB, usage or raster operation.
PIXOLAN_EXPORT int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                                 int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* bmi, UINT usage,
                                 DWORD rop);
