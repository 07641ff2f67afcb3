#pragma once
// Frame size rules of the resizer: the output size for a requested size (the
// width is always a multiple of 8), the widths that can be negotiated on one
// side for a range on the other, and the largest frame it moves.
#include <climits>

#include <tarvek/resizer/TCTfTrfPixelFormat.h>

/// A closed range of sizes, min <= max.
struct TCTfTrfSizeRange
{
  int min = 1;
  int max = INT_MAX;
};

class TCTfTrfSizeRules
{
public:
  /// Output widths are rounded up to a multiple of this.
  static constexpr int kWidthMultiple = 8;
  /// The largest width the rounding produces.
  static constexpr int kMaxOutputWidth = INT_MAX - INT_MAX % kWidthMultiple;

  /// True when a request leaves the output at the input size: either side 0.
  static bool KeepsInputSize(int requestedWidth, int requestedHeight)
  {
    return requestedWidth == 0 || requestedHeight == 0;
  }
  /// `width` rounded up to a multiple of 8 (a width whose remainder r is not
  /// 0 becomes width - r + 8). False when the result is not in [1, INT_MAX].
  static bool RoundWidth(long long width, int* rounded);
  /// The output size: the input size when KeepsInputSize, else the request;
  /// then RoundWidth on the width. False when either side ends up outside
  /// [1, INT_MAX].
  static bool OutputSize(int requestedWidth, int requestedHeight, long long inputWidth, long long inputHeight,
                         int* width, int* height);

  /// Output widths reachable from the input widths `input` when the input
  /// size is kept: every width rounded up. False when none is.
  static bool OutputWidths(TCTfTrfSizeRange input, TCTfTrfSizeRange* output);
  /// Input widths that round to a width in `output`: only multiples of 8 are
  /// reachable, each from itself and the seven widths below it. False when
  /// `output` holds no multiple of 8.
  static bool InputWidths(TCTfTrfSizeRange output, TCTfTrfSizeRange* input);

  /// Row length rounded up to 4 bytes, the row layout of the frames the
  /// resizer is handed: ((bits per pixel * width + 31) / 32) * 4.
  static long long AlignedStride(TCTfTrfPixelLayout layout, long long width);
  /// True for width and height >= 1 whose frame of aligned rows fits 31 bits.
  static bool FitsFrame(TCTfTrfPixelLayout layout, long long width, long long height);
};
