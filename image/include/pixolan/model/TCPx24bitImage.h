#pragma once
#include <list>
#include <tuple>

#include <general/TCGenSize.h>
#include <pixolan/model/TCPxByteImage.h>

class TCPx8bitImage;
class TCPx32bitImage;
class TCPxContour;

/// Colour image of three bytes per pixel, stored blue, green, red.
///
/// Colour values are unsigned 32-bit values laid out like a Windows COLORREF:
/// red in bits 0-7, green in bits 8-15, blue in bits 16-23, bits 24-31 ignored.
/// Coordinates and ROI conventions are those of the grey image.
class PIXOLAN_EXPORT TCPx24bitImage : public TCPxByteImage
{
public:
  TCPx24bitImage(int width, int height);
  /// Deep copy of the source's ROI (set first); pixels outside it stay zero.
  TCPx24bitImage(const TCPx24bitImage& source);
  ~TCPx24bitImage() override;

  using TCPxImageBase::Create;
  TCPxImageBase* Create(int width, int height) const override;
  TCPxImageBase* Clone() const override;
  void ScaleNearestNeighbour(const TCPxImageBase& source) override;
  void Mirror(bool vertical) override;
  /// Raw import into the whole current buffer: a `sourceLength` larger than
  /// this buffer is taken as 4-byte pixels whose fourth byte is dropped,
  /// otherwise 3-byte rows are copied. `sourceStride` is used as given. A null
  /// source or a length that does not cover the rows read changes nothing.
  void CopyBuffer(const unsigned char* source, int sourceLength, int sourceStride) override;
  void FillDibHeader() override;
  /// Raw import of 3-byte rows laid out with this image's stride; a source
  /// shorter than (height - 1) * stride + 3 * width bytes changes nothing.
  virtual void CopyBuffer(const unsigned char* source, int sourceLength);
  using TCPxImageBase::CopyBuffer;

  // ---- pixel access -------------------------------------------------------------------
  /// ROI-relative read; throws std::range_error "x,y should lie in the ROI".
  unsigned long GetPixel(int x, int y) const;
  /// Whole-image read without range test.
  unsigned long GetPixelFast(int x, int y) const;
  /// ROI-relative write; ignored outside the ROI.
  void SetPixel(int x, int y, unsigned long colour);
  /// Whether (x, y) lies in (0, 0, ROI width, ROI height).
  bool GetInRoi(int x, int y) const;

  // ---- set, logic, channel scale --------------------------------------------------------
  void Fill(unsigned long colour);
  /// colour where the mask is set, over this ROI; the mask is read from its buffer start.
  void Set(unsigned long colour, const TCPx8bitImage& mask);
  /// Whole image: each channel multiplied by its factor (first factor for the
  /// blue byte), each factor taken as the byte int(f x 255) clamped to 0..255,
  /// result pixel x byte / 255 rounded to nearest.
  void operator*=(std::tuple<double, double, double> factors);
  void And(const TCPx24bitImage& other);
  void Or(const TCPx24bitImage& other);
  /// this ROI := a AND b where the mask is set.
  void And(const TCPx24bitImage& a, const TCPx24bitImage& b, const TCPx8bitImage& mask);

  // ---- copies and imports --------------------------------------------------------------
  /// The whole source with its top-left pixel at (x, y) of this image; a source
  /// that does not fit there throws std::invalid_argument.
  void Copy(TCPx24bitImage* source, int x, int y);
  /// ROI to ROI through the views.
  void CopyBuffer(const TCPx24bitImage& source);
  /// Takes the source's ROI, then imports the whole 32-bit source buffer,
  /// dropping the fourth byte. The source must be at least as large as this image.
  void CopyBuffer(const TCPx32bitImage& source);
  /// Takes the grey image's ROI, then grey to colour through the views.
  void CopyBuffer(const TCPx8bitImage& grey);
  /// Whole image from a grey buffer of height rows of `greyStride` bytes (at
  /// least width); each grey byte goes to all three channels.
  void CopyBufferY800(const unsigned char* grey, int greyStride);
  /// Whole image from a planar 4:2:0 frame of this image's size: a w x h luma
  /// plane, then two (w / 2)-wide chroma planes of h / 2 rows used as U and V
  /// in that order (pixel (x, y) uses chroma (x / 2, y / 2)). Reads w * h * 3 / 2
  /// bytes for even sizes, a few more for odd ones (the checked form below knows how many).
  void CopyBufferYV12(const unsigned char* frame);
  /// As above; a frame shorter than it needs changes nothing.
  void CopyBufferYV12(const unsigned char* frame, long long frameLength);

  /// Mean colour of the square of half-size `radius` around (x, y), ROI-relative,
  /// averaged in HSV with a circular hue mean; 0 when no point lies in the ROI.
  unsigned long GetColorRegionAvarage(int x, int y, int radius) const;

  // ---- drawing (into the ROI view) -----------------------------------------------------------
  void Line(int x1, int y1, int x2, int y2, unsigned long colour, int thickness);
  void Line(const TCGenPoint<int>& p1, const TCGenPoint<int>& p2, unsigned long colour, int thickness);
  void Line(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2, unsigned long colour, int thickness);
  /// Outline of thickness 1 through both corners (left, top) and (right, bottom).
  void Rectangle(const TCGenRect<int>& rect, unsigned long colour);
  void Rectangle(const TCGenRect<int>& rect, unsigned long colour, int thickness);
  void Circle(TCGenPoint<int> centre, int radius, unsigned long colour, int thickness, bool filled);
  void Circle(TCGenPoint<double> centre, int radius, unsigned long colour, int thickness, bool filled);
  /// Ellipse inscribed in the rotated rectangle of full axis lengths (width, height).
  void Ellipse(TCGenPoint<double> centre, int width, int height, double angleRadians, unsigned long colour,
               int thickness);
  /// As the grey form, with a colour value.
  void DrawContour(const TCPxContour* contour, unsigned long colour, bool filled, int thickness);
  void DrawContours(const std::list<TCPxContour*>& contours, unsigned long colour, bool filled, int thickness);
  /// Outline of the rotated rectangle (centre, size, angle in radians).
  void Box(const std::tuple<TCGenPoint<double>, TCGenSize<int>, double>& box, unsigned long colour);

  /// Rotates the whole image by `angleDegrees` (counter-clockwise on screen) so
  /// that its centre lands at the target's centre offset by the size difference
  /// ((tw - w) / 2 + w / 2, (th - h) / 2 + h / 2); cubic interpolation; target
  /// pixels outside the rotated source keep their values.
  void Rotate(float angleDegrees, TCPx24bitImage* target);
};
