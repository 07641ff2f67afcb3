#pragma once
#include <string>

#include <pixolan/PxExport.h>
#include <pixolan/platform/WinGdi.h>

class TCPxByteImage;
class TCPxContour;
class TCPxFloatImage;
class TCPxImageBase;
class TCPx8bitImage;

/// Display of images, contours and histograms in OpenCV's windows, and
/// painting of byte images onto a device context.
///
/// The window functions need a display and belong on one thread; window names
/// are converted to narrow (UTF-8) strings. Each Show call creates the window
/// when needed, shows the picture and processes window events for 1 ms; it
/// never waits for a key.
///
/// The drawing functions paint the whole buffer of an image with its DIB
/// header: a positive biHeight (the default) paints the buffer's row 0 at the
/// bottom, SetSignDibHeight(true) makes it the top row.
class PIXOLAN_EXPORT TCPxGUI
{
public:
  /// Shows the whole image in the window `name` (created with automatic size).
  static void ShowImage(const TCPxImageBase& image, const std::wstring& name);
  /// Shows a copy of the float image shifted by -min and scaled by
  /// 1 / (max - min), so that it spans 0 ... 1; a constant image shows as 0.
  static void ShowScaledImage(const TCPxFloatImage& image, const std::wstring& name);
  /// Shows a new black width x height picture with the contour, if any, drawn
  /// with value 255, thickness 1, not filled. Throws std::invalid_argument for
  /// a size that is not positive.
  static void ShowContour(const TCPxContour* contour, int width, int height, const std::wstring& name);
  /// Shows the 256-bin histogram of the image ROI (of the pixels under the
  /// non-zero mask pixels when a mask is given) as black bars on a white
  /// 256 x 256 picture, scaled so that the largest bin reaches the top; an
  /// all-zero histogram shows no bars.
  static void ShowHistogram(const TCPx8bitImage& image, const std::wstring& name,
                            const TCPx8bitImage* mask = nullptr);
  static void DestroyWindow(const std::wstring& name);
  static void DestroyAllWindows();

  /// DrawImageAt(hdc, image, 0, 0); nothing for a null device.
  static void DrawImage(HDC hdc, const TCPxByteImage& image);
  /// Paints the image unscaled with its upper-left corner at (x, y). True when
  /// every row was painted (clipping at the device's edges aside); false for
  /// a null device.
  static bool DrawImageAt(HDC hdc, const TCPxByteImage& image, int x, int y);
  /// Paints the image stretched by nearest neighbour into the rectangle
  /// w x h at (x, y). True when every source row was used; false for a null
  /// device or a rectangle that is not positive.
  static bool DrawImageInRect(HDC hdc, const TCPxByteImage& image, int x, int y, int w, int h);
};
