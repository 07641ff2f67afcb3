#pragma once
#include <pixolan/model/TCPxByteImage.h>

/// One-channel image of unsigned bytes: grey frames, masks and label images.
class PIXOLAN_EXPORT TCPx8bitImage : public TCPxByteImage
{
public:
  /// Allocates a width x height image (rows padded, contents zero), ROI whole image.
  TCPx8bitImage(int width, int height);
  /// Deep copy: the whole source buffer (its current buffer) is imported, then
  /// the source's ROI is set.
  TCPx8bitImage(const TCPx8bitImage& source);
  ~TCPx8bitImage() override;

  using TCPxImageBase::Create;
  TCPxImageBase* Create(int width, int height) const override;
  TCPxImageBase* Clone() const override;
  /// Histogram of the whole current buffer over `bins` even levels from 0 to
  /// 255 (bin k counts level k <= v < level k+1, so 255 falls in no bin).
  int GetIntensityHistogram(int bins, std::vector<int>* histogram) const override;
  /// Nearest-neighbour resize of the whole source buffer into the whole
  /// current buffer, sampling at pixel centres. Both ROIs are ignored; a source
  /// of another pixel layout changes nothing.
  void ScaleNearestNeighbour(const TCPxImageBase& source) override;
  /// In place over the whole current buffer: `vertical` reverses the rows
  /// (top and bottom exchanged), otherwise the columns.
  void Mirror(bool vertical) override;
  /// Raw import into the whole current buffer. When `sourceLength` fits this
  /// buffer the rows are copied; a longer source carries more bytes per pixel
  /// (stride / width): 2 scales 16-bit grey to 8 bits, 3 and 4 convert
  /// R, G, B(, x) in memory order to grey; other counts change nothing.
  void CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride) override;
  void FillDibHeader() override;
  using TCPxByteImage::CopyBuffer;
};
