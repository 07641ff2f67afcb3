#pragma once
// Format rules of the resizer: which video types it takes, which output types
// it pairs with them, what it proposes downstream and how large the output
// buffers are. Pure functions over format descriptions; results are the
// pipeline's result codes.
#include <vector>

#include <tarvek/resizer/TCTfTrfPixelFormat.h>
#include <tarvek/resizer/TCTfTrfVideoFormat.h>

class TCTfTrfFormatRules
{
public:
  /// Size of the smallest block accepted for a format type: 88 for
  /// FORMAT_VideoInfo, 112 for FORMAT_VideoInfo2, 0 for any other type.
  static ULONG MinimumFormatSize(const GUID& formatType);
  /// True for FORMAT_VideoInfo / FORMAT_VideoInfo2 with a block of at least
  /// their size.
  static bool HasVideoFormatBlock(const TCTfTrfVideoFormat& format);
  /// True when `format` is FORMAT_VideoInfo (at least 88 bytes) only.
  static bool HasVideoInfoBlock(const TCTfTrfVideoFormat& format);
  /// Copies the bitmap header out of either format form; false when the block
  /// is missing or shorter than its form.
  static bool ReadBitmapHeader(const TCTfTrfVideoFormat& format, BITMAPINFOHEADER* header);
  /// Copies rcSource and rcTarget (same place in both forms); false as above.
  static bool ReadRectangles(const TCTfTrfVideoFormat& format, RECT* source, RECT* target);
  /// 4, 3, 1 for RGB32, RGB24, Y800; 0 for any other subtype.
  static int PixelSizeOfSubtype(const GUID& subtype);
  static bool IsAcceptedSubtype(const GUID& subtype) { return PixelSizeOfSubtype(subtype) != 0; }
  /// The resize core's layout of an accepted subtype (RGB32: BGRx 32, RGB24:
  /// BGR 24, Y800: grey 8); false for any other subtype.
  static bool LayoutOfSubtype(const GUID& subtype, TCTfTrfPixelLayout* layout);

  /// A video type in the resize core's terms: the subtype's layout, |biWidth|
  /// x |biHeight| pixels in DIB rows (4-byte aligned), bottom-up for a
  /// positive biHeight. False for the types GetFrameGeometry refuses.
  static bool GetFrameFormat(const TCTfTrfVideoFormat& format, TCTfTrfFrameFormat* frame);

  /// Frame layout of a video type: a readable header, an accepted subtype
  /// whose bit count matches biBitCount, biWidth > 0, biHeight != 0 and a
  /// frame (DIB stride * |biHeight|) that fits 31 bits. False otherwise.
  static bool GetFrameGeometry(const TCTfTrfVideoFormat& format, TCTfTrfFrameGeometry* geometry);

  /// Input pin check. E_POINTER for null; VFW_E_INVALID_MEDIA_TYPE unless the
  /// type is video of the required subtype (or of an accepted one when
  /// `requiredSubtype` is GUID_NULL) with a video format block describing a
  /// usable frame.
  static HRESULT CheckInputType(const TCTfTrfVideoFormat* input, const GUID& requiredSubtype);
  /// Pairing of an input type with an output type: VFW_E_TYPE_NOT_ACCEPTED or
  /// VFW_E_INVALIDMEDIATYPE on a mismatch, S_OK otherwise.
  static HRESULT CheckTransform(const TCTfTrfVideoFormat* input, const TCTfTrfVideoFormat* output);
  /// Dynamic format change offered downstream against the current output
  /// connection type: S_OK for the same subtype and the same absolute frame
  /// size, VFW_E_INVALID_MEDIA_TYPE otherwise or when not `connected`.
  static HRESULT QueryAccept(const TCTfTrfVideoFormat* offered, const TCTfTrfVideoFormat& current, bool connected);

  /// The output frame size for a requested size: the input's absolute size
  /// when either request is 0, else the request; the width is then rounded up
  /// to a multiple of 8. False when the input header is unreadable or the
  /// result does not fit an int.
  static bool OutputSize(int requestedWidth, int requestedHeight, const TCTfTrfVideoFormat& input, int* width,
                         int* height);
  /// The format block proposed downstream for `input`: a FORMAT_VideoInfo
  /// block (VideoInfo2 converted to an 88-byte VideoInfo block, a VideoInfo
  /// block kept with any bytes that follow it) sized by OutputSize, bottom-up,
  /// rcSource the full frame, rcTarget empty, biSizeImage the packed frame
  /// size. S_FALSE (block untouched) when the input has no usable video
  /// format block or the output frame would not fit 31 bits.
  static HRESULT MakeOutputFormat(const TCTfTrfVideoFormat& input, int requestedWidth, int requestedHeight,
                                  std::vector<BYTE>* block);
  /// Output buffer size: DIB stride * |biHeight|; false for a type without a
  /// usable frame.
  static bool FrameBufferSize(const TCTfTrfVideoFormat& output, int* bytes);
};
