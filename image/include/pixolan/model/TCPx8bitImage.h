#pragma once
#include <functional>
#include <iosfwd>
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include <pixolan/model/TCPxByteImage.h>

namespace cv
{
template <typename T>
class Point_;
typedef Point_<int> Point2i;
typedef Point2i Point;
} // namespace cv

class TCPx24bitImage;
class TCPxContour;

namespace Px
{
/// Retrieval mode of the contour finder; other values find nothing.
enum EFindContourFlags : int
{
  FindContoursExternal = 0, ///< outer boundaries only
  FindContoursList = 1,     ///< every boundary, holes included, without hierarchy
};
} // namespace Px

/// One-channel image of unsigned bytes: grey frames, masks and label images.
///
/// Coordinates: "ROI-relative" (0, 0) is the ROI's top-left pixel; "whole
/// image" (0, 0) is the buffer's first pixel. A mask is another 8-bit image
/// whose non-zero pixels are set; unless stated otherwise it is read from its
/// own ROI's top-left pixel over this image's ROI size. Operations that read an
/// operand image or mask beyond its buffer throw std::invalid_argument.
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

  /// Copies the source's ROI pixels into this ROI (sizes must match; otherwise
  /// no pixel changes) and then takes over the source's ROI rectangle.
  TCPx8bitImage& operator=(const TCPx8bitImage& source);
  bool operator==(const TCPx8bitImage& other) const { return TCPxImageBase::operator==(other); }
  bool operator!=(const TCPx8bitImage& other) const { return !(*this == other); }

  // ---- pixel access ------------------------------------------------------------
  /// ROI-relative read; throws std::range_error "x,y should lie in the ROI".
  unsigned char GetPixel(int x, int y) const;
  /// Whole-image read without range test.
  unsigned char GetPixelFast(int x, int y) const;
  /// ROI-relative write; points outside the ROI are ignored.
  void SetPixel(int x, int y, unsigned char value);
  /// ROI-relative write without range test.
  void SetPixelFast(int x, int y, unsigned char value);

  // ---- arithmetic and logic (this image is the destination) -----------------------
  /// Saturating sum over this ROI; the other image is read from its buffer start.
  TCPx8bitImage& operator+=(const TCPx8bitImage& other);
  /// this - other, saturated at 0, over this ROI; other from its buffer start.
  TCPx8bitImage& operator-=(const TCPx8bitImage& other);
  /// this * other / 2 rounded half to even, saturated, over this ROI; other from its buffer start.
  TCPx8bitImage& operator*=(const TCPx8bitImage& other);
  /// Saturating add of a constant over the whole image (not only the ROI).
  TCPx8bitImage& operator+=(unsigned char value);
  /// Saturating subtract of a constant over the whole image.
  TCPx8bitImage& operator-=(unsigned char value);
  /// Saturating multiply by a constant over this ROI.
  TCPx8bitImage& operator*=(unsigned char value);
  /// Divide by a constant over this ROI, rounded half to even; 0 changes nothing.
  TCPx8bitImage& operator/=(unsigned char value);
  /// absolute: |a - b|; otherwise a - b saturated at 0. Over this ROI size, a and b from their ROI offsets.
  void Subtract(const TCPx8bitImage& a, const TCPx8bitImage& b, bool absolute);
  /// Bitwise and/or over this ROI with the other image from its ROI offset.
  void And(const TCPx8bitImage& other);
  void Or(const TCPx8bitImage& other);
  /// Where the mask (ROI view, same size as this ROI) is set: pixel := pixel AND value.
  void And(unsigned char value, const TCPx8bitImage& mask);
  /// Bitwise exclusive or of the whole images (equal sizes).
  void Xor(const TCPx8bitImage& other);
  /// Bitwise not over this ROI.
  void Not();

  // ---- set, copy and clamp -----------------------------------------------------------
  void Fill(unsigned char value);
  /// value where the mask is set, over this ROI.
  void Set(unsigned char value, const TCPx8bitImage& mask);
  /// value where the mask is set, over `rect` in whole-image coordinates (the
  /// mask still from its ROI offset). `rect` must lie inside the image.
  void Set(unsigned char value, const TCPx8bitImage& mask, TCGenRect<int> rect);
  /// Source pixel where the mask is set, over this ROI; source and mask from their ROI offsets.
  void Copy(const TCPx8bitImage& source, const TCPx8bitImage& mask);
  /// Colour to grey (0.299 R + 0.587 G + 0.114 B) from the colour image's ROI into this ROI;
  /// nothing happens when the ROI sizes differ.
  void CopyBuffer(const TCPx24bitImage& colour);
  /// Whole image: pixels greater than v become v.
  void SetMaximumValue(unsigned char v);
  /// Whole image: pixels greater than `threshold` become `value`.
  void SetMaximumValue(unsigned char threshold, unsigned char value);
  /// Whole image: pixels less than v become v.
  void SetMinimumValue(unsigned char v);
  /// Whole image: pixels less than `threshold` become `value`.
  void SetMinimumValue(unsigned char threshold, unsigned char value);
  /// New image `border` pixels larger on every side, this whole image in the
  /// middle and the frame filled with `value`. The caller owns it.
  TCPx8bitImage* CreateCopyMakeBorder(int border, unsigned char value) const;
  /// Histogram equalisation of the ROI.
  void EqualizeHistogram();

  // ---- statistics --------------------------------------------------------------------
  /// Sum of the ROI's pixels.
  double Sum() const;
  unsigned char GetMaximumValue() const;
  unsigned char GetMinimumValue() const;
  /// Extreme value and its ROI-relative position (first in row-major order).
  std::pair<unsigned char, TCGenPoint<int>> GetMaximumValueAndPos() const;
  std::pair<unsigned char, TCGenPoint<int>> GetMinimumValueAndPos() const;
  /// Largest ROI pixel where the mask is set; 0 when none qualifies.
  unsigned char GetMaximumValue(const TCPx8bitImage& mask) const;
  /// Smallest ROI pixel where the mask is set; 255 when none qualifies.
  unsigned char GetMinimumValue(const TCPx8bitImage& mask) const;
  /// Largest pixel of `rect` (whole-image coordinates) where the mask is set; 0 when none.
  unsigned char GetMaximumValue(const TCPx8bitImage& mask, TCGenRect<int> rect) const;
  /// (minimum, maximum) over the ROI pixels (x, y), taken as whole-image
  /// coordinates, where mask.GetPixel(x, y) is non-zero; (255, 0) when none.
  /// The mask lookup throws std::range_error for points outside the mask's ROI.
  std::pair<unsigned char, unsigned char> GetMinMaxValue(const TCPx8bitImage& mask) const;
  /// Otsu threshold of the ROI as OpenCV chooses it; the image is not changed.
  double GetOtsuThreshold() const;
  /// Otsu threshold over the ROI pixels where the mask (ROI-relative, same ROI
  /// size) is set; NaN for ROI sizes that differ or when no pixel is set.
  double GetOtsuThreshold(const TCPx8bitImage& mask) const;

  // ---- drawing (into the ROI, ROI-relative coordinates, 8-connected lines) --------------
  void Line(int x1, int y1, int x2, int y2, unsigned char value, int thickness);
  void Line(const TCGenPoint<int>& p1, const TCGenPoint<int>& p2, unsigned char value, int thickness);
  /// Points rounded to nearest (halves to even) first.
  void Line(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2, unsigned char value, int thickness);
  /// Filled; both corners (left, top) and (right, bottom) are included.
  void Rectangle(const TCGenRect<int>& rect, unsigned char value);
  void Rectangle(const TCGenRect<int>& rect, unsigned char value, int thickness);
  void Circle(TCGenPoint<int> centre, int radius, unsigned char value, int thickness, bool filled);
  void Circle(TCGenPoint<double> centre, int radius, unsigned char value, int thickness, bool filled);
  /// Full ellipse with half axes (axisX, axisY) rotated by `angle` degrees.
  void Ellipse(TCGenPoint<int> centre, int axisX, int axisY, double angle, unsigned char value, int thickness,
               bool filled);
  void Ellipse(TCGenPoint<double> centre, int axisX, int axisY, double angle, unsigned char value, int thickness,
               bool filled);
  /// Coordinates truncated toward zero, then filled as a convex polygon.
  void FillConvexPoly(const std::vector<TCGenPoint<double>>& points, unsigned char value);
  void FillConvexPoly(cv::Point* points, int count, unsigned char value);
  /// Draws the contour's points as stored (ROI-relative) as one closed outline,
  /// or fills it; nothing for null.
  void DrawContour(const TCPxContour* contour, unsigned char value, bool filled, int thickness);
  /// DrawContour for each element in list order.
  void DrawContours(const std::list<std::shared_ptr<TCPxContour>>& contours, unsigned char value, bool filled,
                    int thickness);
  /// The 4-connected region of pixels equal to the seed's value becomes `value`.
  void FloodFill(const TCGenPoint<int>& seed, unsigned char value);

  // ---- objects from masks (non-zero pixels of the ROI) ----------------------------------
  /// Appends one new contour per outline found (points ROI-relative, each
  /// recording this ROI), or only the one of largest area when `largestOnly`.
  /// The caller owns the contours. A failure of the contour finder adds nothing.
  void FindContours(std::list<TCPxContour*>& contours, Px::EFindContourFlags mode, bool largestOnly) const;
  /// Outer boundaries and, at the same index, the holes inside each. The
  /// vectors are cleared first without deleting what they held (that stays
  /// the caller's); the caller owns the new contours. With `largestOnly`, the
  /// largest outline (outer or hole) and its holes.
  void FindContours(std::vector<TCPxContour*>& outer, std::vector<std::vector<TCPxContour*>>& holes,
                    bool largestOnly) const;
  /// The external outline that `less` ranks highest among all external
  /// outlines (with an area comparison: the largest); null when none. Caller owns it.
  TCPxContour* FindLargestContour(std::function<bool(const TCPxContour*, const TCPxContour*)> less) const;
  /// Thins the non-zero regions of the ROI to one-pixel-wide lines: the ROI
  /// becomes 0 and 1. Iterates until nothing changes or `maxIterations` passes
  /// (INT_MAX: min(width, height)); maxIterations <= 0 does nothing. With
  /// `collectEndPoints`, returns the line ends (whole-image coordinates, row-major order).
  std::vector<TCGenPoint<int>> Thin(bool collectEndPoints, int maxIterations);
  /// The end points of the skeleton of the ROI's non-zero regions, in row-major
  /// order; this image is not changed.
  std::vector<TCGenPoint<int>> GetEndPoints() const;

  // ---- geometry (whole images) -----------------------------------------------------------
  /// Rotates by `angleDegrees` (counter-clockwise on screen) about the centre
  /// (width / 2, height / 2) into `target`, cubic interpolation. A larger target
  /// receives the rotated image centred; target pixels outside the rotated
  /// source keep their values.
  void Rotate(float angleDegrees, TCPx8bitImage* target);
  /// Rotates about `centre` by `angleRadians` into `target`.
  void Rotate(TCGenPoint<double> centre, float angleRadians, TCPx8bitImage* target) const;
  /// Maps the source quadrangle onto the target quadrangle by a bilinear
  /// transform (first four points of each), cubic interpolation. Only target
  /// pixels inside the target quadrangle whose source lies in this image change.
  void WarpAffineQuad(const std::vector<TCGenPoint<double>>& sourceQuad,
                      const std::vector<TCGenPoint<double>>& targetQuad, TCPx8bitImage* target);
};

/// Every row of the whole image as decimal values separated by "," and ended by std::endl.
PIXOLAN_EXPORT std::ostream& operator<<(std::ostream& stream, const TCPx8bitImage& image);
