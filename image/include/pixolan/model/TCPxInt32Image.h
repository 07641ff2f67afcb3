#pragma once
#include <memory>

#include <general/TCGenPoint.h>
#include <general/TCGenRect.h>
#include <pixolan/PxExport.h>
#include <pixolan/model/TCPxImageBase.h>

class TCPxContour;

/// One-channel image of 32-bit signed integers: labels and counters.
///
/// Owns its buffer (rows padded to 32 bytes, contents zero after construction).
/// Pixel size 4, one channel, so GetROIOffset() counts elements. Arithmetic
/// saturates at INT_MIN and INT_MAX instead of wrapping around.
class PIXOLAN_EXPORT TCPxInt32Image : public TCPxImageBase
{
public:
  /// width x height image, ROI whole image. Throws std::invalid_argument for
  /// non-positive sizes and std::length_error for sizes whose buffer would not
  /// fit a 32-bit size.
  TCPxInt32Image(int width, int height);
  /// Deep copy of every pixel; the copy's ROI is the whole image.
  TCPxInt32Image(const TCPxInt32Image& source);
  ~TCPxInt32Image() override;

  using TCPxImageBase::Create;
  /// New integer image of the given size; the caller owns it.
  TCPxImageBase* Create(int width, int height) const override;
  /// New deep copy; the caller owns it.
  TCPxImageBase* Clone() const override;
  /// 4 bytes.
  int GetPixelSize() const override;
  /// In place over the whole image: `vertical` reverses the rows (top and
  /// bottom exchanged), otherwise the columns.
  void Mirror(bool vertical) override;

  /// Every pixel of the source copied into this image's own buffer and the
  /// source's ROI taken over; both images keep their own buffers, so later
  /// changes of one do not reach the other. Throws std::invalid_argument for
  /// a source of another size (an image's size is fixed for life).
  TCPxInt32Image& operator=(const TCPxInt32Image& source);

  /// Saturating sum of the ROIs (equal ROI sizes; cv::Exception otherwise).
  TCPxInt32Image& operator+=(const TCPxInt32Image& other);
  /// Saturating add of a constant over the ROI.
  TCPxInt32Image& operator+=(int k);
  /// Saturating multiply by a constant over the ROI.
  TCPxInt32Image& operator*=(int k);
  /// Every ROI pixel := value.
  void Fill(int value);

  /// ROI-relative read; throws std::range_error "x,y should lie in the ROI".
  int GetPixel(int x, int y) const;
  /// ROI-relative write; points outside the ROI are ignored.
  void SetPixel(int x, int y, int value);

  // ---- drawing (into the ROI, ROI-relative coordinates) ---------------------------------------
  void Circle(TCGenPoint<int> centre, int radius, int value, int thickness, bool filled);
  /// Centre rounded to nearest (halves to even) first.
  void Circle(TCGenPoint<double> centre, int radius, int value, int thickness, bool filled);
  /// Corners (left, top) and (right, bottom), both included; thickness -1 fills.
  void Rectangle(const TCGenRect<int>& rect, int value, int thickness);
  /// The contour's points as stored, as one closed outline (filled when
  /// `filled`). Nothing for an empty pointer.
  void DrawContour(std::shared_ptr<TCPxContour> contour, int value, bool filled, int thickness);

private:
  void Allocate();
  int* Row(int y) const;

  int* m_pData = nullptr;
};
