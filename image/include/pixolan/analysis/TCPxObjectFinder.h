#pragma once
#include <memory>
#include <vector>

#include <general/TCGenPoint.h>
#include <general/TCGenRect.h>
#include <pixolan/PxExport.h>

class TCPxContour;
class TCPxImageBase;
class TCPx8bitImage;

/// How TCPxObjectFinder separates objects from the background.
struct TCPxObjectSettings
{
  bool otsu = true;      ///< choose the threshold by Otsu's method; false: use `threshold`
  double threshold = 0;  ///< grey level 0 to 255 when `otsu` is false
  bool dark = false;     ///< objects darker than the background
  double minArea = 20;   ///< smallest object area in pixels (the contour area convention)
};

/// One object: its outline and measures, in image coordinates.
struct TCPxObjectMeasures
{
  std::shared_ptr<TCPxContour> contour; ///< outer outline, relative to its ROI rectangle (GetROIRect)
  double area = 0;                      ///< pixels
  double perimeter = 0;                 ///< pixels
  TCGenPoint<double> centre;            ///< centre of gravity, corrected for the outline pixels
  TCGenRect<int> box;                   ///< bounding box; right and bottom exclusive
  double elongation = 0;                ///< 0 for round shapes up to 1 for lines
};

/// The objects of an image and the threshold that separated them.
struct TCPxObjectList
{
  double threshold = 0;
  int width = 0;
  int height = 0;
  std::vector<TCPxObjectMeasures> objects; ///< reading order: rows from the top, each row from the left
};

/// Finds and measures the objects of an image: pixels brighter than the
/// threshold (darker with `dark`) form a mask, a 3 x 3 opening removes specks,
/// and every outer outline of at least `minArea` pixels is one object.
/// Objects are numbered in reading order: an object joins the current row
/// when its centre lies above the bottom of the row's first box.
class PIXOLAN_EXPORT TCPxObjectFinder
{
public:
  /// Any image class; colour by luminance, float and integer values saturated to 0..255.
  /// Safe to call from several threads on different images.
  static TCPxObjectList FindObjects(const TCPxImageBase& image, const TCPxObjectSettings& settings);

  /// New grey copy of any image (the caller owns it): colour by luminance,
  /// float and integer values rounded and saturated to 0..255.
  static TCPx8bitImage* CreateGreyImage(const TCPxImageBase& image);
};
