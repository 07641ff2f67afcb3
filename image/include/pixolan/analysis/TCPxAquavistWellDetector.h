#pragma once
#include <utility>

#include <general/TCGenPoint.h>
#include <pixolan/PxExport.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <tarvekmath/MathTypes.h>

class TCPx8bitImage;

/// A plate of circular wells: grid centre (the midpoint of all well centres),
/// pitch in x and y, counts and the common well radius, all in pixels. The
/// well in column i and row j sits at
/// (cx + (i - (cols - 1) / 2) dx, cy + (j - (rows - 1) / 2) dy).
/// All members zero: no plate found.
struct TCPxAquavistGridInfoCircle
{
  TCGenPoint<double> centre;
  double dx = 0;
  double dy = 0;
  int rows = 0;
  int cols = 0;
  double radius = 0;
};

/// A plate of rectangular wells: as the circle grid, with half the width and
/// half the height of one well instead of a radius. All zero: not found.
struct TCPxAquavistGridInfoRect
{
  TCGenPoint<double> centre;
  double dx = 0;
  double dy = 0;
  int rows = 0;
  int cols = 0;
  double halfWidth = 0;
  double halfHeight = 0;
};

/// The plate model that fits better: at most one flag is set, and the grid of
/// the other model is all zero.
struct TCPxAquavistGridInfoWells
{
  TCPxAquavistGridInfoCircle circle;
  TCPxAquavistGridInfoRect rect;
  bool isCircle = false;
  bool isRect = false;
};

/// Finds a multi-well plate (rows x cols wells on a regular grid) in an 8-bit
/// grey camera image, given its counts. The search works on a contour-enhanced
/// copy of the image (smoothing, then the contour operator on the image and on
/// its top-to-bottom mirror); the caller's image is never changed and its ROI
/// is ignored (the whole image is searched). "rows" is the number of wells
/// stacked vertically, "cols" the number side by side.
///
/// The detector keeps no state between calls other than its contour filter's
/// parameters, the minimum plate span and the model scores of its last
/// DetectWellsInGrid. One object serves one thread at a time (the rectangle
/// search inside one call runs on several); copies are independent.
class PIXOLAN_EXPORT TCPxAquavistWellDetector
{
public:
  TCPxAquavistWellDetector() = default;
  TCPxAquavistWellDetector(const TCPxAquavistWellDetector&) = default;
  TCPxAquavistWellDetector& operator=(const TCPxAquavistWellDetector&) = default;
  ~TCPxAquavistWellDetector() = default;

  /// A grid of circular wells. Returns the all-zero record when no plate with
  /// these counts is found, for rows or cols below 2, and when the image is
  /// too small for wells of at least one pixel radius. Every well lies inside
  /// the image by at least its radius.
  TCPxAquavistGridInfoCircle DetectCirclesInGrid(const TCPx8bitImage& image, int rows, int cols);

  /// A grid of rectangular wells, from the valleys of the edge image's row
  /// and column sums refined by a local search that lays the well outlines
  /// on the edges. The pitch returned is 0.4 % below the best fit, and each
  /// half size at most half its pitch. Returns the all-zero record when no
  /// plate with these counts is found and for rows or cols below 2.
  TCPxAquavistGridInfoRect DetectSquaresInGrid(const TCPx8bitImage& image, int rows, int cols);

  /// Both models on one edge image; the one whose well outlines lie on
  /// stronger edges (mean edge response under them) is returned with its
  /// flag, the rectangles on a tie. Both flags false when neither is found.
  TCPxAquavistGridInfoWells DetectWellsInGrid(const TCPx8bitImage& image, int rows, int cols);

  /// Addition beyond the detector's original interface, exported on purpose:
  /// the plate's confidence. The mean edge response (0 .. 255) under the
  /// outlines of each model that the last DetectWellsInGrid found, computed
  /// even when only one model was found; 0 for a model not found, and both 0
  /// before the first DetectWellsInGrid. A clear choice shows as a wide gap.
  /// Null pointers are skipped.
  void GetLastModelScores(double* circle, double* rect) const;

  /// Fits `count` evenly spaced positions to `values` (coordinates of well
  /// centres along one axis, each position expected to collect up to
  /// `perBin` of them; values closer than `tolerance` belong to one
  /// position). Returns (centre, spacing): the centre is the mean of the
  /// values; a negative spacing means failure: a value beyond the outer
  /// positions, a position with too few values that cannot be filled up to
  /// perBin x count values, count below 2, or a tolerance that leaves the
  /// outer positions empty or no positive spacing. No values give (0, 0).
  static std::pair<double, double> FitLinspace(const Math::Vector& values, int count, int perBin, double tolerance);

  /// Addition beyond the detector's original interface, exported on purpose:
  /// the smallest plate, as a fraction f of the frame, that DetectCirclesInGrid
  /// looks for. The well radius is searched first in the band [maxR / 2, maxR]
  /// derived from the frame as if the plate filled it (less a 20-pixel border
  /// on each side); with f < 1 also in the bands [maxR / 4, maxR / 2],
  /// [maxR / 8, maxR / 4], ... until one reaches f maxR / 2, and the band
  /// whose radii give the most aligned circles is used. The default 1.0
  /// searches the first band alone. Values above 1 are stored as 1; values
  /// that are not positive (or NaN) throw std::invalid_argument.
  void SetMinimumPlateSpan(double fraction);
  double GetMinimumPlateSpan() const { return m_dMinimumPlateSpan; }

private:
  TCPxFilterCORF m_corf;
  double m_dMinimumPlateSpan = 1.0;
  double m_dLastCircleScore = 0;
  double m_dLastRectScore = 0;
};
