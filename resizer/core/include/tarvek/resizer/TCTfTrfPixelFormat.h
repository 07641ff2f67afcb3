#pragma once
// The resize core's own description of a frame: how a pixel is laid out, how
// large the frame is, how far apart its rows lie and in which order they are
// stored. Hosts convert their format descriptions into these terms.

/// Byte layout of one pixel.
enum class TCTfTrfPixelLayout
{
  Grey8,  ///< one byte of grey
  Bgr24,  ///< blue, green, red
  Bgrx32, ///< blue, green, red and one unused byte
};

/// Which picture row the first row in memory holds.
enum class TCTfTrfRowOrder
{
  TopDown,  ///< the top row comes first
  BottomUp, ///< the bottom row comes first
};

/// One frame in memory: `height` rows of `width` pixels, row r starting
/// `r * stride` bytes after the first.
struct TCTfTrfFrameFormat
{
  TCTfTrfPixelLayout layout = TCTfTrfPixelLayout::Bgrx32;
  int width = 0;
  int height = 0;
  long long stride = 0; ///< bytes from one row to the next, at least RowBytes()
  TCTfTrfRowOrder order = TCTfTrfRowOrder::TopDown;

  /// 1, 3 or 4.
  static constexpr int PixelBytes(TCTfTrfPixelLayout layout)
  {
    return layout == TCTfTrfPixelLayout::Grey8 ? 1 : layout == TCTfTrfPixelLayout::Bgr24 ? 3 : 4;
  }
  int PixelBytes() const { return PixelBytes(layout); }
  /// Bytes of pixels in one row.
  long long RowBytes() const { return static_cast<long long>(width) * PixelBytes(); }
};
