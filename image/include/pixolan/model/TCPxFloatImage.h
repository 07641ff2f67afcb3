#pragma once
#include <cstdint>
#include <iosfwd>
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include <general/TCGenPoint.h>
#include <general/TCGenRect.h>
#include <pixolan/PxExport.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxImageBase.h>

class TCPxContour;

/// One-channel image of 32-bit floats: the working format of filters and
/// numeric analysis (convolution results, gradients, distance maps, averages).
///
/// Owns its buffer (rows padded to 32 bytes, contents zero after construction).
/// Pixel size 4, one channel, so GetROIOffset() counts elements.
///
/// Coordinates: "ROI-relative" (0, 0) is the ROI's top-left pixel, "whole
/// image" (0, 0) the buffer's first pixel. A mask is a TCPx8bitImage whose
/// non-zero pixels are set. Comparisons with 0 treat NaN as non-zero.
/// Operations that would read or write an operand image or mask beyond its
/// buffer throw std::invalid_argument instead; OpenCV errors pass through.
class PIXOLAN_EXPORT TCPxFloatImage : public TCPxImageBase
{
public:
  /// width x height image, ROI whole image. Throws std::invalid_argument for
  /// non-positive sizes and std::length_error for sizes whose buffer would not
  /// fit a 32-bit size.
  TCPxFloatImage(int width, int height);
  /// Deep copy of the whole buffer; takes the source's ROI.
  TCPxFloatImage(const TCPxFloatImage& source);
  /// The whole grey image (its current buffer) converted to float; takes the source's ROI.
  explicit TCPxFloatImage(const TCPx8bitImage& source);
  ~TCPxFloatImage() override;

  using TCPxImageBase::Create;
  /// New float image of the given size; the caller owns it.
  TCPxImageBase* Create(int width, int height) const override;
  /// New deep copy (a float image); the caller owns it.
  TCPxImageBase* Clone() const override;
  /// 4 bytes.
  int GetPixelSize() const override;
  /// Mirrors the ROI in place: `vertical` reverses the rows, otherwise the columns.
  void Mirror(bool vertical) override;

  /// Copies the source's ROI into this ROI (the ROI itself is kept). Nothing
  /// changes when the ROI sizes differ.
  TCPxFloatImage& operator=(const TCPxFloatImage& source);
  /// The grey image's ROI converted to float and written from this image's
  /// first pixel on (this ROI is not applied). Throws std::invalid_argument
  /// when the grey ROI is larger than this image.
  TCPxFloatImage& operator=(const TCPx8bitImage& source);
  /// Unsigned 16-bit values converted into this ROI: ROI height rows of ROI
  /// width values, rows `sourceStride` bytes apart. Reads exactly
  /// (ROI height - 1) * sourceStride + 2 * ROI width bytes. A null source or a
  /// stride shorter than a row changes nothing.
  void Copy16uBuffer(const unsigned short* source, int sourceStride);
  /// As above, but nothing changes either when the rows read would not fit in
  /// the `sourceLength` bytes the caller describes.
  void Copy16uBuffer(const unsigned short* source, int sourceStride, long long sourceLength);

  // ---- arithmetic (in place) ------------------------------------------------------------
  /// this op other over this ROI, the other image read from its ROI's top-left pixel.
  TCPxFloatImage& operator+=(const TCPxFloatImage& other);
  /// this - other.
  TCPxFloatImage& operator-=(const TCPxFloatImage& other);
  TCPxFloatImage& operator*=(const TCPxFloatImage& other);
  /// this / other over the whole image (IEEE division: x / 0 is infinite, 0 / 0 NaN).
  TCPxFloatImage& operator/=(const TCPxFloatImage& other);
  /// Constant forms over this ROI.
  TCPxFloatImage& operator+=(float value);
  TCPxFloatImage& operator*=(float value);
  /// operator+=(-value).
  TCPxFloatImage& operator-=(float value);
  /// operator*= with 1 / value computed in double and rounded to single.
  TCPxFloatImage& operator/=(float value);
  /// Bitwise or of the float bit patterns of the ROI views (equal ROI sizes).
  TCPxFloatImage& operator|=(const TCPxFloatImage& other);

  /// this := a + b over the whole image; a and b must be at least this size
  /// and are read from their first pixel with their own strides.
  void Sum(const TCPxFloatImage& a, const TCPxFloatImage& b);
  /// this := a - b (whole images, as Sum).
  void Sub(const TCPxFloatImage& a, const TCPxFloatImage& b);
  /// this := a * b (whole images, as Sum).
  void Prod(const TCPxFloatImage& a, const TCPxFloatImage& b);
  /// this := a / b (whole images, as Sum).
  void Div(const TCPxFloatImage& a, const TCPxFloatImage& b);
  /// this := max(this, other) over this ROI, other from its ROI's top-left pixel.
  void Max(const TCPxFloatImage& other);
  /// Element-wise functions over this ROI (natural logarithm for Log; square
  /// root and logarithm give NaN for negative values, the logarithm -inf for 0).
  void Abs();
  void Sqr();
  void Sqrt();
  void Exp();
  void Log();
  /// Single-precision tangent of each ROI value.
  void Tan();
  /// exp(p * ln v) over this ROI (NaN for negative v, 0 for v = 0 and p > 0).
  void Pow(double p);
  /// Maps the ROI's range [minimum, maximum] onto [0, 1]; a constant ROI is left unchanged.
  void Normalize();

  // ---- set, clamp and pixel access ------------------------------------------------------------
  /// Every ROI pixel := value.
  void Fill(float value);
  /// value where the mask is set, over the whole image; the mask is read from
  /// its first pixel and must be at least this size.
  void Set(float value, const TCPx8bitImage& mask);
  /// Whole image: values greater than v become v.
  void SetMaximumValue(float v);
  /// Whole image: values greater than `threshold` become `value`.
  void SetMaximumValue(float threshold, float value);
  /// Whole image: values less than v become v.
  void SetMinimumValue(float v);
  /// Whole image: values less than `threshold` become `value`.
  void SetMinimumValue(float threshold, float value);
  /// ROI-relative read; throws std::range_error "x,y should lie in the ROI".
  float GetPixel(int x, int y) const;
  /// Whole-image read and write without range test.
  float GetPixelFast(int x, int y) const;
  void SetPixelFast(int x, int y, float value);
  /// ROI-relative write; points outside the ROI are ignored.
  void SetPixel(int x, int y, float value);
  /// Bilinear sample of the ROI (replicated border) at the ROI-relative centre
  /// (x, y): fills the patch's ROI with the patch-sized neighbourhood around
  /// the centre and returns its first value (the value at (x, y) for a 1 x 1
  /// patch). NaN for a null patch.
  float GetSubPixel(double x, double y, TCPxFloatImage* patch) const;

  // ---- drawing (into the ROI, ROI-relative coordinates, 8-connected lines) ----------------------
  void Line(int x1, int y1, int x2, int y2, float value, int thickness);
  void Line(const TCGenPoint<int>& p1, const TCGenPoint<int>& p2, float value, int thickness);
  /// Points rounded to nearest (halves to even) first.
  void Line(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2, float value, int thickness);
  /// Corners (left, top) and (right, bottom), both included; thickness -1 fills.
  void Rectangle(const TCGenRect<int>& rect, float value, int thickness);
  /// Coordinates truncated toward zero, then filled as a convex polygon.
  void FillConvexPoly(const std::vector<TCGenPoint<double>>& points, float value);
  /// The contour's points as stored, as one closed outline (filled when
  /// `filled`). Nothing for null.
  void DrawContour(const TCPxContour* contour, float value, bool filled, int thickness);
  /// DrawContour for each element in list order.
  void DrawContours(const std::list<std::shared_ptr<TCPxContour>>& contours, float value, bool filled,
                    int thickness);

  // ---- geometry (whole images) ------------------------------------------------------------------------
  /// Maps the source quadrangle of this image onto the target quadrangle of
  /// `target` by the affine transform of their first three corners, bilinear
  /// interpolation. Only target pixels inside the target quadrangle whose
  /// source lies inside this image change. Nothing happens for a null target,
  /// fewer than four corners or degenerate corners.
  void WarpAffineQuad(const std::vector<TCGenPoint<double>>& sourceQuad,
                      const std::vector<TCGenPoint<double>>& targetQuad, TCPxFloatImage* target);
  /// Cyclic shift of the whole image (ROI ignored): pixel (x, y) moves to
  /// ((x + columnShift) mod width, (y + rowShift) mod height). Negative shifts
  /// move up and left.
  void CircShift(int rowShift, int columnShift);

  // ---- statistics (over the ROI) -----------------------------------------------------------------------
  double Sum() const;
  double Mean() const;
  /// Mean and population standard deviation.
  void MeanStd(double* mean, double* std) const;
  /// The same over the pixels where the mask's ROI view (same size as this ROI) is set.
  void MeanStd(double* mean, double* std, const TCPx8bitImage& mask) const;
  float GetMaximumValue() const;
  float GetMinimumValue() const;
  /// Extreme value and its ROI-relative position (first in row-major order).
  std::pair<float, TCGenPoint<int>> GetMaximumValueAndPos() const;
  std::pair<float, TCGenPoint<int>> GetMinimumValueAndPos() const;
  /// (minimum, maximum) over the ROI pixels (x, y), taken as whole-image
  /// coordinates, where mask.GetPixel(x, y) is non-zero; (3.4028235e38,
  /// -3.4028235e38) when none qualifies. Throws std::range_error "x,y should
  /// lie in the ROI" when the ROI reaches beyond the mask's ROI size.
  std::pair<float, float> GetMinMaxValue(const TCPx8bitImage& mask) const;
  /// Mean of the absolute values of the non-NaN ROI values; NaN when there is none.
  double NaNMeanAbs() const;
  /// Mean and sample standard deviation of the non-NaN ROI values (`std` may
  /// be null). Both NaN when there is no value; the deviation NaN for one value.
  void NaNMeanStd(double* mean, double* std) const;
  /// First (last) ROI row, in whole-image coordinates, holding a non-zero value
  /// within the ROI's columns; kNoRow (4294967295) when there is none.
  std::uint64_t FindFirstNonZeroRow() const;
  std::uint64_t FindLastNonZeroRow() const;
  /// Bounding box of the non-zero ROI values in whole-image coordinates with
  /// right and bottom inclusive (the last non-zero column and row); all four
  /// fields 2147483647 when there is none.
  TCGenRect<int> FindNonZeroRect() const;

  static constexpr std::uint64_t kNoRow = 4294967295ULL;

protected:
  /// Typed buffer (row 0 of the whole image); rows are GetStepSize() bytes apart.
  float* Data() const { return m_pData; }
  float* Row(int y) const;

private:
  void Allocate();

  float* m_pData = nullptr;
};

/// Every row of the whole image as numbers with 8 significant digits separated
/// by "," and ended by std::endl. The stream's precision is restored afterwards.
PIXOLAN_EXPORT std::ostream& operator<<(std::ostream& stream, const TCPxFloatImage& image);
