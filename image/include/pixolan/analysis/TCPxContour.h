#pragma once
#include <complex>
#include <iosfwd>
#include <limits>
#include <list>
#include <memory>
#include <tuple>
#include <vector>

#include <opencv2/core/types.hpp>

#include <general/TCGenPoint.h>
#include <general/TCGenRect.h>
#include <general/TCGenSize.h>
#include <pixolan/PxExport.h>

namespace cv
{
class Mat;
}

/// Closed polygon of integer points: the outline of one object.
///
/// The points are relative to the top-left corner of the ROI rectangle the
/// contour was traced in; the last point joins the first. Every index-taking
/// operation wraps its index: i >= 0 means i mod N, i < 0 counts back from the
/// end (-1 is the last point), wrapping as often as needed.
///
/// Geometry is delegated to OpenCV; the class adds a lazily created moments
/// cache (recomputed by every transformation while it exists), the pixel-area
/// convention, a discrete curvature scheme and elliptic Fourier descriptors.
///
/// Failures are reported by sentinels: (-1, -1) points, -1 indices, NaN
/// values. An empty contour never reaches an OpenCV call.
///
/// Not synchronised: the moments cache is created by const queries
/// (`GetCOG`, `GetElongation`, ...), so concurrent use of one contour needs
/// the cache created first or external locking.
class PIXOLAN_EXPORT TCPxContour
{
public:
  /// Vector of complex Fourier coefficients (harmonic k at index k).
  using TDftCoefs = std::vector<std::complex<float>>;
  /// Centre, size (truncated toward zero) and angle in radians of a rotated rectangle or ellipse.
  using TRotatedBox = std::tuple<TCGenPoint<double>, TCGenSize<int>, double>;

  /// Largest coefficient count the text form accepts per coordinate.
  static constexpr int ms_maxTextCoefs = 1000000;

  /// No points, ROI (0, 0, 0, 0), no moments.
  TCPxContour();
  /// Copies the points and keeps `roi` as the rectangle they are relative to.
  explicit TCPxContour(const std::vector<cv::Point>& points, const TCGenRect<int>& roi = TCGenRect<int>());
  /// Takes over the points without copying them.
  explicit TCPxContour(std::vector<cv::Point>&& points, const TCGenRect<int>& roi = TCGenRect<int>());
  /// Deep copy of points, ROI and, when present, the moments.
  TCPxContour(const TCPxContour& other);
  /// Takes over points, ROI and moments; the source keeps no points, no
  /// moments and ROI (0, 0, 1, 1).
  TCPxContour(TCPxContour&& other) noexcept;
  ~TCPxContour();

  /// Deep copy; self-assignment does nothing.
  TCPxContour& operator=(const TCPxContour& other);
  /// Takes over points, ROI and moments; the source ends with no points,
  /// no moments and ROI (0, 0, 0, 0).
  TCPxContour& operator=(TCPxContour&& other) noexcept;

  /// Equal ROI top-left corners and equal points in the same order (ROI
  /// right and bottom are not compared).
  bool operator==(const TCPxContour& other) const;
  bool operator!=(const TCPxContour& other) const { return !(*this == other); }

  // ---- access ---------------------------------------------------------------------
  int GetSize() const;
  /// Point at the wrapped index; (-1, -1) for an empty contour.
  TCGenPoint<int> GetPoint(int i) const;
  /// Index of the first point equal to `p`, -1 if there is none.
  int IndexOf(const TCGenPoint<int>& p) const;
  const TCGenRect<int>& GetROIRect() const { return m_roi; }
  void SetROIRect(const TCGenRect<int>& roi) { m_roi = roi; }
  /// The point list in tracing order (for drawing and OpenCV calls).
  const std::vector<cv::Point>& GetPoints() const { return m_points; }

  // ---- measurements ---------------------------------------------------------------
  /// Pixel area: |contour area| + N/2 + 1, so the boundary pixels count in
  /// (a single point has area 1.5). An empty contour has area 0.
  double GetArea() const;
  /// Length of the closed outline; 0 for an empty contour.
  double GetPerimeter() const;
  /// Smallest upright rectangle holding all points (right and bottom
  /// exclusive); (0, 0, 0, 0) for an empty contour.
  TCGenRect<int> GetBoundingRect() const;
  /// Every point, in order, that lies on an edge of the bounding rectangle.
  std::vector<TCGenPoint<int>> GetPointsOnBoundingRect() const;

  /// Replaces the moments cache by the moments of the polygon (all zero
  /// for an empty contour).
  void CreateMoments() const;
  /// True while the moments cache exists.
  bool HasMoments() const { return static_cast<bool>(m_moments); }
  /// The cached moments, created first if absent.
  cv::Moments GetMoments() const;

  /// Centre of gravity m10/m00, m01/m00 (moments created if absent); the
  /// mean of the points when m00 is 0; (-1, -1) for an empty contour.
  TCGenPoint<double> GetCOG() const;
  /// `GetCOG` plus the ROI's top-left corner: the centre in image
  /// coordinates; (-1, -1) for an empty contour.
  TCGenPoint<double> GetCorrectedCOG() const;
  /// sqrt(4 mu11^2 + (mu20 - mu02)^2) / (mu20 + mu02) in [0, 1]; -1 when
  /// mu20 + mu02 is 0 (empty or degenerate outline).
  double GetElongation() const;
  /// Angle of the major axis in radians, 0.5 atan2(2 mu11, mu20 - mu02).
  double GetLengthAxisAngle() const;
  /// Scale-normalised Hu invariants [s, h1/s^4, h2/s^6, h3/s^6, h4/s^12,
  /// h5/s^8, h6/s^12] with s = sqrt(nu20 + nu02); seven NaN when s is 0.
  std::vector<double> GetDudaniMoments() const;

  /// Fitted ellipse: centre, full axes (width, height) and angle in radians.
  /// Fewer than 5 points, or an outline OpenCV cannot fit: centre (-1, -1),
  /// size (0, 0), angle 0.
  TRotatedBox FitEllipse() const;
  /// Minimum-area rotated rectangle in the same form; the same sentinel for
  /// an empty contour.
  TRotatedBox GetMinAreaRect() const;

  /// Appends the clockwise convex hull points to `hull` (nothing for null).
  void GetConvexHull(std::list<TCGenPoint<int>>* hull) const;
  /// Appends the farthest point of every convexity defect, deepest first.
  /// Contours of fewer than 4 points, and outlines OpenCV rejects (for
  /// example self-touching ones), have no defects.
  void GetConvexityDefects(std::list<TCGenPoint<int>>* defects) const;
  /// Farthest points of the defects at least `minDepth` pixels deep, in
  /// OpenCV's order.
  std::vector<TCGenPoint<int>> GetConvexityDefects(double minDepth) const;

  /// Signed distance to the outline: positive inside, negative outside, 0 on
  /// it. The point is taken in single precision. An empty contour gives
  /// -DBL_MAX (everything lies outside).
  double GetDistance(const TCGenPoint<int>& p) const;
  double GetDistance(const TCGenPoint<double>& p) const;
  /// True inside or on the outline; false for an empty contour.
  bool IsInside(const TCGenPoint<double>& p) const;
  /// Distance to the nearest vertex (query taken in single precision); NaN
  /// for an empty contour.
  double GetDistanceToNearestPoint(const TCGenPoint<double>& p) const;
  /// Nearest vertex, the earlier one on ties; (-1, -1) for an empty contour.
  TCGenPoint<int> PointNearestTo(const TCGenPoint<int>& p) const;
  TCGenPoint<double> PointNearestTo(const TCGenPoint<double>& p) const;
  /// The pixel of the bounding rectangle deepest inside the outline
  /// (exhaustive scan); (-1, -1) for an empty contour.
  TCGenPoint<int> GetMaxDistancePointInside() const;
  /// The same on a grid whose stride grows with the area (1 up to 9).
  TCGenPoint<int> ApproxMaxDistancePointInside() const;
  /// The vertex across the object from the vertex nearest (city-block) to
  /// `q`; (-1, -1) for an empty contour.
  TCGenPoint<double> GetPointOppositeOf(const TCGenPoint<double>& q) const;

  /// Offset k between the three points of the curvature scheme:
  /// max(3, Round(N / 9)).
  int GetCurvOffset() const;
  /// Signed turning angle in radians at the vertex with the wrapped index
  /// `i`, from the triangle of the vertices i - k, i, i + k; NaN when N < 2k
  /// or when two of those vertices coincide.
  double GetCurvature(int i) const;
  /// Curvature at the first vertex equal to `p`; the largest double when `p`
  /// is not a vertex.
  double GetCurvature(const TCGenPoint<int>& p) const;
  /// Mean squared curvature over the vertices whose curvature is not NaN;
  /// NaN when there is none.
  double GetBendingEnergy() const;
  /// Vertex with the smallest signed curvature (first on ties); (-1, -1) if
  /// no vertex has a curvature.
  TCGenPoint<int> GetMaxCurvPoint() const;
  /// Among the vertices strictly closer than `r` to `p`, the one with the
  /// smallest curvature; (-1, -1) if none.
  TCGenPoint<int> GetMaxCurvaturePointWithinDistance(const TCGenPoint<double>& p, double r) const;
  /// Outward tangent direction in [0, 2 pi) at the vertex `p` (or at the
  /// vertex nearest to it); NaN for an empty or too short contour.
  double GetDirection(const TCGenPoint<int>& p) const;

  // ---- transformations (each recomputes cached moments) -------------------------
  /// Subtracts `d`, rounded to integers (halves to even), from every point.
  void Translate2(const TCGenPoint<double>& d);
  /// Moves the centre of gravity to the origin.
  void Translate2COG();
  /// Moves the contour so that its centre of gravity lands on `target`.
  void MoveTo(const TCGenPoint<double>& target);
  /// Rotates every point by `angle` radians about `centre`; coordinates are
  /// truncated toward zero.
  void Rotate(const TCGenPoint<double>& centre, double angle);
  /// Rotates about the centre of gravity.
  void Rotate(double angle);
  /// Adds the ROI's top-left corner to every point and resets the ROI to
  /// (0, 0, 0, 0): afterwards the points are in image coordinates.
  void CorrectForROI();

  // ---- Fourier description --------------------------------------------------------
  /// Appends the N-entry spectra of the x and of the y coordinates (either
  /// pointer may be null).
  void GetXYDftCoefs(TDftCoefs* X, TDftCoefs* Y) const;
  /// Replaces X and Y by descriptors normalised for start point (an end of
  /// the major axis of the first-harmonic ellipse, the one nearer to `ref`)
  /// and rotation. With fewer than two points X and Y receive the plain
  /// spectra.
  void CalcNormalizedDftCoefs(const TCGenPoint<double>& ref, TDftCoefs* X, TDftCoefs* Y) const;
  /// Phase-shifts X and Y so that the outline starts at the vertex of
  /// maximum curvature; unchanged when there is no such vertex.
  void Shift2MaxCurvPoint(TDftCoefs* X, TDftCoefs* Y) const;
  /// Low-pass outline keeping harmonics 0 ... `harmonics`: `out` receives N
  /// rounded points and this contour's ROI (`out` may be this contour).
  void DFT(TCPxContour* out, int harmonics) const;
  /// The same, appending the smoothed points unrounded.
  void DFT(std::list<TCGenPoint<double>>* out, int harmonics) const;
  /// Replaces the points by the outline sampled at `n` parameter values
  /// from the first `count` coefficients (bounded by the vectors' lengths),
  /// skipping repeated points.
  void ConstructFromDFTCoefs(int count, int n, const TDftCoefs& X, const TDftCoefs& Y);
  /// Appends the N points of the inverse transform of X and Y (N = length of
  /// X; nothing when the lengths differ).
  void ReconstructFromXYDftCoefs(const TDftCoefs& X, const TDftCoefs& Y);

private:
  const cv::Point* PointAt(int i) const;
  int WrapIndex(int i) const;
  void RefreshMoments();
  static void GetDftCoefs(cv::Mat* samples, cv::Mat* spectrum, TDftCoefs* out);

  mutable std::unique_ptr<cv::Moments> m_moments;
  TCGenRect<int> m_roi;
  std::vector<cv::Point> m_points;
};

/// Text form: for X and then Y, "h;N;" followed by the real and imaginary
/// parts of the first h = (N + 1) / 2 coefficients, each ended by ';'.
PIXOLAN_EXPORT std::ostream& operator<<(std::ostream& os, const TCPxContour& contour);
/// Reads the text form and appends the reconstructed outline, then creates
/// the moments. Malformed, truncated, non-finite or oversized input (more than
/// `TCPxContour::ms_maxTextCoefs` coefficients) sets the fail state and
/// leaves the contour unchanged.
PIXOLAN_EXPORT std::istream& operator>>(std::istream& is, TCPxContour& contour);

namespace _impl
{
/// Area of a possibly null contour; null counts as smaller than any contour.
inline double ContourAreaOrLowest(const TCPxContour* c)
{
  return c ? c->GetArea() : -std::numeric_limits<double>::infinity();
}
} // namespace _impl

/// Orders contour pointers by increasing area (null first).
struct TCPxContourAreaLess
{
  bool operator()(const TCPxContour* a, const TCPxContour* b) const
  {
    return _impl::ContourAreaOrLowest(a) < _impl::ContourAreaOrLowest(b);
  }
};

/// Orders contour pointers by decreasing area (null last).
struct TCPxContourAreaGreater
{
  bool operator()(const TCPxContour* a, const TCPxContour* b) const
  {
    return _impl::ContourAreaOrLowest(a) > _impl::ContourAreaOrLowest(b);
  }
};

/// Orders shared contours by increasing area (empty pointers first).
struct TCPxContourSmartAreaLess
{
  bool operator()(const std::shared_ptr<TCPxContour>& a, const std::shared_ptr<TCPxContour>& b) const
  {
    return _impl::ContourAreaOrLowest(a.get()) < _impl::ContourAreaOrLowest(b.get());
  }
};

/// Accepts contours whose area lies in [min, max], both bounds inclusive;
/// rejects null.
struct TCPxContourAreaInRange
{
  TCPxContourAreaInRange(int minArea, int maxArea) : m_minArea(minArea), m_maxArea(maxArea) {}

  bool operator()(const std::shared_ptr<TCPxContour>& c) const { return (*this)(c.get()); }
  bool operator()(const TCPxContour* c) const
  {
    if (!c)
      return false;
    const double area = c->GetArea();
    return static_cast<double>(m_minArea) <= area && area <= static_cast<double>(m_maxArea);
  }

  int m_minArea;
  int m_maxArea;
};
