#pragma once
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include <general/TCGenPoint.h>
#include <pixolan/PxExport.h>
#include <pixolan/model/PxTypes.h>

namespace cv
{
template <typename T>
class Point_;
typedef Point_<int> Point2i;
typedef Point2i Point;
} // namespace cv

class TCPxImageBase;
class TCPx8bitImage;
class TCPx24bitImage;
class TCPxFloatImage;
class TCPxContour;

namespace Px
{
/// Bits of the mask returned by TCPxUtil::GetCpuFeatures. Bit numbers follow
/// the common layout of image-primitive libraries, so existing masks keep
/// their meaning.
enum ECpuFeature : unsigned long long
{
  CpuFeatureMmx = 1ull << 0,
  CpuFeatureSse = 1ull << 1,
  CpuFeatureSse2 = 1ull << 2,
  CpuFeatureSse3 = 1ull << 3,
  CpuFeatureSsse3 = 1ull << 4,
  CpuFeatureMovbe = 1ull << 5,
  CpuFeatureSse41 = 1ull << 6,
  CpuFeatureSse42 = 1ull << 7,
  CpuFeatureAvx = 1ull << 8,
  CpuFeatureAvxEnabledByOs = 1ull << 9, ///< the OS saves the AVX registers (XGETBV)
  CpuFeatureAes = 1ull << 10,
  CpuFeatureClmul = 1ull << 11,
  CpuFeatureRdrand = 1ull << 13,
  CpuFeatureF16c = 1ull << 14,
  CpuFeatureAvx2 = 1ull << 15,
  CpuFeatureAdcox = 1ull << 16, ///< ADX (ADCX/ADOX)
  CpuFeatureRdseed = 1ull << 17,
  CpuFeaturePrefetchw = 1ull << 18,
  CpuFeatureSha = 1ull << 19,
  CpuFeatureAvx512f = 1ull << 20,
  CpuFeatureAvx512cd = 1ull << 21,
  CpuFeatureAvx512er = 1ull << 22,
  CpuFeatureAvx512pf = 1ull << 23,
  CpuFeatureAvx512bw = 1ull << 24,
  CpuFeatureAvx512dq = 1ull << 25,
  CpuFeatureAvx512vl = 1ull << 26,
  CpuFeatureAvx512vbmi = 1ull << 27,
  CpuFeatureAvx512EnabledByOs = 1ull << 29, ///< the OS saves the AVX-512 state (XGETBV)
};
} // namespace Px

/// Image utilities: the image factory, buffer copies, channel split and merge,
/// border padding, distance transform, inpainting, flood fill, peak finding,
/// Hough detectors, point arrays and control of the library's worker threads.
///
/// Images passed by pointer are written, by reference read. All operations
/// work on the images' ROIs unless stated otherwise; OpenCV errors
/// (cv::Exception) pass to the caller.
class PIXOLAN_EXPORT TCPxUtil
{
public:
  /// New image of the class for `type` and the given size; null for a type
  /// that has no image class here. The caller owns it.
  static TCPxImageBase* CreateImage(NPxImageTypes type, int width, int height);

  /// Copies a width x height pixel rectangle row by row between two strides
  /// (bytes). Channels 1, 3 and 4; any other count, a null pointer, a
  /// non-positive size or a stride shorter than a row copies nothing.
  static void CopyAlignedBuffer(const unsigned char* source, int sourceStride, unsigned char* target,
                                int targetStride, int width, int height, int channels);
  /// The same for one float channel; strides in bytes.
  static void CopyAlignedBuffer(const float* source, int sourceStride, float* target, int targetStride, int width,
                                int height);

  // ---- channels and borders --------------------------------------------------------
  /// Splits the source ROI into the ROIs of three grey planes (plane 0 blue,
  /// 1 green, 2 red). Throws std::invalid_argument for a null array or plane;
  /// nothing changes when a plane's ROI size differs from the source's.
  static void Split(TCPx24bitImage& source, TCPx8bitImage** planes);
  /// Merges the ROIs of three grey planes (blue, green, red) into the target
  /// ROI. Throws std::invalid_argument for a null array, plane or target;
  /// nothing changes when the ROI sizes differ.
  static void Merge(TCPx8bitImage** planes, TCPx24bitImage* target);
  /// Pads the source ROI into the target ROI by replicating its edge pixels:
  /// (target height - source height) / 2 rows above and below and
  /// (target width - source width) / 2 columns left and right, whole-image
  /// sizes, integer halves. Nothing changes for a null target, element types
  /// that differ, a target smaller than the source or a target ROI that is not
  /// exactly the padded size.
  static void CopyMakeBorder(const TCPxImageBase& source, TCPxImageBase* target);

  // ---- maps --------------------------------------------------------------------------
  /// Exact Euclidean distance of every non-zero source pixel to the nearest
  /// zero pixel, ROI to ROI. Nothing changes for a null target or ROIs of
  /// different sizes.
  static void CalcDistTransform(TCPx8bitImage& source, TCPxFloatImage* target);
  /// Transpose of the Moore-Penrose pseudo-inverse of the matrix held in the
  /// ROI (rows = ROI height, columns = ROI width), written into the target ROI,
  /// which must have the same size. Singular values below
  /// max(rows, columns) x single-precision epsilon x the largest one count as
  /// zero, so rank-deficient matrices are handled. Nothing changes for a null
  /// target or a target ROI of another size.
  static void CalcTransPseudoInverse(TCPxFloatImage& matrix, TCPxFloatImage* target);
  /// Fills the source pixels under the mask's non-zero pixels from their
  /// surroundings (Navier-Stokes method, radius 4) and writes the result into
  /// the target ROI. All three ROIs must have one size and source and target
  /// one element type; otherwise nothing changes. Element types OpenCV cannot
  /// inpaint throw cv::Exception.
  static void InPaint(const TCPxImageBase& source, TCPxImageBase* target, const TCPx8bitImage& mask);
  /// 4-connected flood fill of the image ROI from `seed` (ROI-relative) with
  /// the RGB `colour` (red in bits 0-7; grey images take the blue byte),
  /// accepting neighbours within `lowerDifference` below and `upperDifference`
  /// above. The mask ROI must be 2 pixels wider and higher than the image ROI;
  /// its non-zero pixels stop the fill and filled pixels are set to 1 in it.
  /// With `maskOnly` the image is not changed. Throws std::invalid_argument for
  /// a null image or mask and cv::Exception for a mask of the wrong size or a
  /// seed outside the ROI.
  static void FloodFill(std::shared_ptr<TCPxImageBase> image, std::shared_ptr<TCPx8bitImage> mask,
                        TCGenPoint<int> seed, unsigned long colour, double lowerDifference, double upperDifference,
                        bool maskOnly);

  // ---- detection -----------------------------------------------------------------------
  /// Local maxima of the ROI: pixels greater than `threshold` and not less
  /// than any of their 8 neighbours inside the ROI (pixels on the ROI's edge
  /// are compared with the neighbours they have). At most `maxPeaks` points in
  /// row-major order, ROI-relative. Empty for `maxPeaks` <= 0 or an empty ROI.
  static std::vector<TCGenPoint<int>> FindPeaks(const TCPxFloatImage& image, double threshold, int maxPeaks);

  /// Dense optical flow from `previous` to `next` on the library's one
  /// Lucas–Kanade calculator (default settings; guarded by a lock, so safe
  /// from several threads): flowX the x, flowY the y component. The integer
  /// argument is not used.
  static void CalculateOpticalFlow(const TCPx8bitImage& previous, const TCPx8bitImage& next, int,
                                   TCPxFloatImage* flowX, TCPxFloatImage* flowY);
  /// Finds circles of radius 12 to 48 at least 80 pixels apart (Hough
  /// gradient method) and draws each of the first 96 into the ROI with value
  /// 255: a small ring of radius 3 at the centre and its outline. Nothing is
  /// returned; a null image does nothing.
  static void DetectCircles(TCPx8bitImage* image);
  /// Straight lines through the non-zero pixels of the ROI by the standard
  /// Hough transform: 1-pixel distance and 1-degree angle steps, lines with at
  /// least a quarter of the ROI's shorter side (at least 1) of votes. Each line
  /// is (rho, theta): distance in pixels from the ROI's top-left pixel and
  /// angle of its normal in radians, 0 <= theta < pi. Empty for a null image.
  static std::vector<std::pair<double, double>> DetectLines(TCPx8bitImage* image);

  // ---- point arrays ----------------------------------------------------------------------
  /// New array of the points rounded to nearest (halves to even); release it
  /// with DeleteCvPointArray. Null for an empty vector.
  static cv::Point* CreateCvPointArray(const std::vector<TCGenPoint<double>>& points);
  /// Releases *array (array delete); the caller's pointer is not reset. A null
  /// `array` does nothing.
  static void DeleteCvPointArray(cv::Point** array);
  /// target[i] := (int(ox + scale (x cos a - y sin a)), int(oy + scale (y cos a
  /// + x sin a))), truncated toward zero (saturated to the int range, NaN 0);
  /// angle in radians. Null arrays or count <= 0 do nothing; source and target
  /// may be the same array.
  static void TransformCvPointArray(const cv::Point* source, cv::Point* target, int count, double scale,
                                    double angle, const TCGenPoint<double>& offset);
  /// Both coordinates >= 0 (the (-1, -1) sentinel and NaN are invalid).
  static bool IsValidPoint(const TCGenPoint<int>& point);
  static bool IsValidPoint(const TCGenPoint<double>& point);

  // ---- contours -------------------------------------------------------------------------------
  /// Fills the target's ROI with -1, then, where the mask (same position) is
  /// non-zero, with the pixel's distance outside the contour (0 inside or on it).
  static void FillDistImage(TCPxFloatImage* target, const TCPxFloatImage& mask, const TCPxContour& contour);
  /// New contour (default ROI) holding the points in order; the caller owns it.
  static TCPxContour* CreateContourFromPoints(const std::vector<TCGenPoint<int>>& points);
  /// The same with both coordinates rounded to nearest, halves to even.
  static TCPxContour* CreateContourFromPoints(const std::vector<TCGenPoint<double>>& points);
  /// Convex hull of all points of all contours; a copy for one contour, null for none.
  static TCPxContour* CreateConvexHullContour(const std::list<TCPxContour*>& contours);
  /// One outline around both contours, their closest points joined by a line;
  /// empty when nothing can be traced.
  static std::shared_ptr<TCPxContour> CreateUnionContour(std::shared_ptr<TCPxContour> a,
                                                         std::shared_ptr<TCPxContour> b);
  /// Unites the first contour with the one whose centre is nearest, repeatedly,
  /// until one outline remains; a copy for one contour, empty for none.
  static std::shared_ptr<TCPxContour> CreateUnionContour(const std::vector<std::shared_ptr<TCPxContour>>& contours);
  /// True when the point lies inside the polygon or on its edge.
  static bool PointInPolygon(const std::vector<TCGenPoint<double>>& polygon, TCGenPoint<double> point);

  // ---- processor and threads ---------------------------------------------------------------
  /// Instruction-set features of this processor as a mask of Px::ECpuFeature
  /// bits, read with CPUID (and XGETBV for the OS-enabled bits); 0 on
  /// processors without CPUID.
  static unsigned long long GetCpuFeatures();
  /// Number of worker threads the library's parallel pixel work may use, for
  /// the whole process (it sets OpenCV's thread count, which the library's
  /// row-parallel loops share): 1 runs everything on the calling thread, 0 or
  /// a negative value restores the default (one per processor).
  static void SetIppNumThreads(int threads);
};
