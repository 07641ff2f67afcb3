#pragma once
#include <pixolan/model/TCPxImageBase.h>
#include <pixolan/platform/WinBitmap.h>

/// Common base of the byte-per-channel images (8-bit grey, 24-bit and 32-bit
/// colour). Adds an owned pixel buffer that a caller's buffer can temporarily
/// replace, and a bitmap header with a 256-entry palette (the 1064-byte DIB
/// block) describing the buffer.
class PIXOLAN_EXPORT TCPxByteImage : public TCPxImageBase
{
public:
  /// Base constructed with the whole image as ROI; no buffer yet; DIB block zeroed.
  TCPxByteImage(NPxImageTypes type, int width, int height, int channels);
  ~TCPxByteImage() override;

  /// Bytes per pixel: the number of channels.
  int GetPixelSize() const override;

  /// Raw import of a caller's buffer of `sourceLength` bytes whose rows are
  /// `sourceStride` bytes apart (0: this image's stride). What it does with the
  /// bytes depends on the image class. A null source, a negative length or
  /// stride, or a length that does not cover the rows read changes nothing.
  virtual void CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride) = 0;
  /// Fills the bitmap header (and the grey palette of 8-bit images) for this image.
  virtual void FillDibHeader() = 0;
  using TCPxImageBase::CopyBuffer;

  /// The current buffer: the own buffer or the attached external one.
  const unsigned char* GetBuffer() const { return m_pCurrentBuffer; }
  /// Attaches a caller's buffer, which must hold height * stride bytes laid out
  /// with this image's stride, or returns to the own buffer when `buffer` is
  /// null. Direct-buffer operations (Mirror, ScaleNearestNeighbour, raw
  /// CopyBuffer, histogram, pixel accessors) then use it; the OpenCV views keep
  /// addressing the own buffer. The image never releases an attached buffer.
  void SetExternalBuffer(unsigned char* buffer);
  /// As SetExternalBuffer(buffer), but refuses (returns false, nothing changes)
  /// a non-null buffer whose length does not cover height * stride bytes.
  bool SetExternalBuffer(unsigned char* buffer, long long bufferLength);
  /// True while an external buffer is attached.
  bool HasExternalBuffer() const { return m_pCurrentBuffer != m_pOwnBuffer; }

  /// New copy of the 1064-byte DIB block (header, then 256 palette entries),
  /// allocated as an array of BITMAPINFOHEADER; release it with delete[].
  BITMAPINFOHEADER* CloneDibHeader() const;
  /// True when biHeight is negative (rows declared top-down).
  bool IsTopDown() const;
  /// Makes biHeight negative or positive; never moves pixels.
  void SetSignDibHeight(bool negative);

protected:
  void SetImageBuffer(unsigned char* buffer);
  BITMAPINFOHEADER* GetDibHeader() { return &m_dib.bmiHeader; }
  const BITMAPINFOHEADER* GetDibHeader() const { return &m_dib.bmiHeader; }
  /// Fills the header for `bitCount` bits per pixel; with `greyPalette` the
  /// palette becomes entry i = (i, i, i, 0).
  void FillDibHeaderFor(int bitCount, bool greyPalette);
  /// Allocates the own buffer (rows padded to 32 bytes, start aligned to 64,
  /// contents zeroed), makes it current, builds the views and fills the DIB
  /// block. Called once by each typed constructor. Throws std::length_error
  /// when height * stride does not fit the 32-bit buffer size.
  void AllocateOwnBuffer();
  /// Nearest-neighbour resize of the whole source buffer into the whole current
  /// buffer, sampling at pixel centres; a source of another layout changes nothing.
  void ScaleCurrentNearestNeighbour(const TCPxImageBase& source);
  /// In place over the whole current buffer: rows reversed when `vertical`, else columns.
  void MirrorCurrent(bool vertical);
  /// Mutable access to the current buffer for the typed classes.
  unsigned char* CurrentBuffer() const { return m_pCurrentBuffer; }

private:
  unsigned char* m_pCurrentBuffer = nullptr;
  unsigned char* m_pOwnBuffer = nullptr;
  TCPxDibBlock m_dib;
};
