#pragma once
#include <pixolan/model/TCPxByteImage.h>

class TCPx8bitImage;

/// Colour image of four bytes per pixel, stored blue, green, red, alpha (the
/// byte order of RGBQUAD).
class PIXOLAN_EXPORT TCPx32bitImage : public TCPxByteImage
{
public:
  TCPx32bitImage(int width, int height);
  /// Deep copy of the source's ROI (set first); pixels outside it stay zero.
  TCPx32bitImage(const TCPx32bitImage& source);
  ~TCPx32bitImage() override;

  using TCPxImageBase::Create;
  TCPxImageBase* Create(int width, int height) const override;
  TCPxImageBase* Clone() const override;
  void ScaleNearestNeighbour(const TCPxImageBase& source) override;
  void Mirror(bool vertical) override;
  /// Raw import of 4-byte rows `sourceStride` apart (0: this image's stride)
  /// into the whole current buffer; a null source or a length that does not
  /// cover the rows read changes nothing.
  void CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride) override;
  void FillDibHeader() override;
  using TCPxImageBase::CopyBuffer;

  /// ROI-relative read; throws std::range_error "x,y should lie in the ROI".
  RGBQUAD GetPixel(int x, int y) const;
  /// ROI-relative write; ignored outside the ROI.
  void SetPixel(int x, int y, RGBQUAD value);
  void Fill(RGBQUAD value);
  void Or(const TCPx32bitImage& other);
  /// ORs `alpha` into the alpha byte of the ROI pixels where the mask is set (all when null).
  void SetAlphaChannel(unsigned char alpha, TCPx8bitImage* mask);
  /// Source ROI into this ROI, through the mask's ROI when given.
  void Copy(const TCPx32bitImage& source, TCPx8bitImage* mask);
  /// Grey to colour through the ROI views, alpha 255; this ROI is not changed.
  void CopyBuffer(const TCPx8bitImage& grey);
};
