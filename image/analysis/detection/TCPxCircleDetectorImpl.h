#pragma once
// The circle detector's implementation (internal). Its steps are public so
// that the tests linking this target can check them one by one; callers of
// the library only see the TCPxCircleDetector handle.
#include <functional>
#include <list>
#include <memory>
#include <vector>

#include <general/TCGenPoint.h>
#include <general/TCGenRect.h>
#include <pixolan/analysis/TCPxCircle.h>
#include <pixolan/filters/TCPxFilterMorphology.h>
#include <tarvekmath/TCMathIterativeStatistic.h>

class TCPxContour;
class TCPxFilterCORF;
class TCPxFilterDoubleThreshold;
class TCPxImageBase;
class TCPx8bitImage;
class TCPxFloatImage;

namespace _impl
{
/// Edge-based circle detection: the CORF edge map's closed contours vote for
/// centres with the circumcircles of point triples, the smoothed vote map is
/// cut into blobs, the blobs give candidates, and candidates are kept by
/// radius and overlap. Passes over the contours the accepted circles do not
/// explain repeat until nothing new is found; a template-matching sweep adds
/// circles whose edges were too weak to vote. All circles end with one radius.
///
/// Images are kept between calls and reallocated only when the input size
/// changes. Not for use from two threads at once; separate detectors are
/// independent.
class TCPxCircleDetectorImpl
{
public:
  /// Owned contours; ClearContours deletes them.
  using ContourList = std::list<TCPxContour*>;
  using Sink = std::function<void(TCGenPoint<double>, double)>;

  TCPxCircleDetectorImpl();
  ~TCPxCircleDetectorImpl();
  TCPxCircleDetectorImpl(const TCPxCircleDetectorImpl&) = delete;
  TCPxCircleDetectorImpl& operator=(const TCPxCircleDetectorImpl&) = delete;

  /// Replaces `*circles` by the circles found. A flat edge response (blank
  /// image) or an image too small to search returns with `*circles` as it
  /// was; a null pointer does nothing.
  void ProcessImage(const TCPx8bitImage& image, std::vector<TCPxCircle>* circles);

  // ---- steps --------------------------------------------------------------------------
  void ApplyCorfFilter();
  /// Lower bound `lower` (upper 255) in place on `image`, or on the working image when null.
  void ApplyThresholdFilter(double lower, TCPxImageBase* image);
  void ApplyMorphologyFilter(Px::EMorphologyTypes type, int steps, TCPxImageBase* image);
  /// (Re)creates the images at the working image's size when it changed, then
  /// zeroes the four float images.
  void InitAccumulatorsAndImages();
  /// CORF, threshold estimation, thresholding and a two-step opening of the
  /// working image; false when the response is flat.
  bool PreProcessImage();
  /// Threshold from the tail of the CORF response histogram; NaN for a flat response.
  double CalculateCORFImageThreshold();
  /// One eighth of the contour (or of the stretch between deep convexity
  /// defects), -1 for a contour too dented to be a circle.
  int CalculateInitialStepSize(const TCPxContour& contour) const;
  /// Circumcircles of the triples (i - step, i, i + step): sink(centre, radius)
  /// for each whose rounded centre lies inside the contour.
  void ProcessContour3PointCircles(const TCPxContour& contour, double step, const Sink& sink) const;
  /// The vote of one contour into the accumulators, with or without a new step
  /// estimate; a contour that votes is copied into `used`.
  void VoteContour(const TCPxContour& contour, bool estimateStep, ContourList& used);
  /// Every contour votes with step estimation; then the vote map is normalised to 0..255.
  void FillAccumulators(const ContourList& contours, ContourList& used);
  /// The vote map's blobs: bytes, threshold 44, closing with 12 steps, outlines.
  void GetAccumulatorContours(ContourList* blobs);
  /// One candidate per blob with votes and a vote-weighted radius above 12.
  void FindCandidateCircles(const ContourList& blobs, std::vector<TCPxCircle>* candidates) const;
  /// Appends to `selected` the candidates within 20 % of the mean candidate
  /// radius that overlap neither a stronger candidate nor a previous circle.
  void SelectCircles(const std::vector<TCPxCircle>& candidates, const std::vector<TCPxCircle>& previous,
                     std::vector<TCPxCircle>* selected);
  void MakeSameRadius(std::vector<TCPxCircle>* circles) const;
  void SetStep(const std::vector<TCPxCircle>* circles);
  /// Outlines of the used contours' edges that the circles do not explain.
  void FindLeftOverContours(const TCPx8bitImage& image, const std::vector<TCPxCircle>& circles,
                            const ContourList& used, ContourList* leftOver);
  /// Adds circles where the image matches the mean appearance of the known ones.
  void DoTemplateMatching(const TCPx8bitImage& image, std::vector<TCPxCircle>* circles);
  /// Sets the common radius to where the edge response peaks: the median, over
  /// 64 rays from every centre, of the distance (0.75 to 1.25 radii) at which
  /// the CORF response is largest. The thresholded ring's outer contour lies
  /// about half the ring's width outside the edge; the response's ridge does not.
  void RefineRadius(std::vector<TCPxCircle>* circles) const;
  /// The share of 64 rays from the centre along which the CORF response
  /// between 0.8 and 1.2 radii reaches the edge threshold and is more than 1.5
  /// times its peak between 0.2 and 0.6 radii (an edge, not texture or noise).
  double EdgeSupport(const TCPxCircle& circle) const;

  static void ClearContours(ContourList* contours);

  // ---- state, for the tests ------------------------------------------------------------
  int GetStep() const { return m_iStep; }
  void SetStepValue(int step) { m_iStep = step; }
  double GetCorfThreshold() const { return m_dCorfThreshold; }
  std::shared_ptr<TCPx8bitImage> GetWorkingImage() const { return m_pWork; }
  void SetWorkingImage(std::shared_ptr<TCPx8bitImage> image) { m_pWork = std::move(image); }
  std::shared_ptr<TCPxFloatImage> GetVoteAccumulator() const { return m_pVotes; }
  std::shared_ptr<TCPxFloatImage> GetRadiusAccumulator() const { return m_pRadii; }
  /// Smooths a contour's vote image over the box of its votes (inclusive
  /// corners) widened by the kernel's half-width: the same values as smoothing
  /// the whole frame, since the image is zero elsewhere. Returns the box smoothed.
  static TCGenRect<int> SmoothVotes(TCPxFloatImage* votes, const TCGenRect<int>& voteBox);

private:
  std::unique_ptr<TCPxFilterCORF> m_pCorf;
  std::unique_ptr<TCPxFilterDoubleThreshold> m_pThreshold;
  std::unique_ptr<TCPxFilterMorphology> m_pMorphology;
  std::shared_ptr<TCPx8bitImage> m_pWork;
  std::shared_ptr<TCPx8bitImage> m_pMask;
  std::shared_ptr<TCPx8bitImage> m_pScratch;
  std::shared_ptr<TCPxFloatImage> m_pVotes;
  std::shared_ptr<TCPxFloatImage> m_pRadii;
  std::shared_ptr<TCPxFloatImage> m_pContourVotes;
  std::shared_ptr<TCPxFloatImage> m_pContourRadii;
  std::shared_ptr<TCPx8bitImage> m_pEdges;
  std::shared_ptr<TCPx8bitImage> m_pResponse; ///< the CORF response before thresholding
  double m_dCorfThreshold = 0;
  TCMathIterativeVariance m_radiusStatistics;
  int m_iStep = -1;
};
}  // namespace _impl
