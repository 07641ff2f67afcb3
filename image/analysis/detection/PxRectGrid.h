#pragma once
// Steps of the well-plate detector's rectangular model (internal): the row and
// column edge profiles and their valleys, the choice of well centres among the
// valleys, the local refinement of the grid on the edge image, and the choice
// between the circle and the rectangle model.
#include <cstdint>
#include <vector>

#include <pixolan/analysis/TCPxAquavistWellDetector.h>
#include <tarvekmath/MathTypes.h>

class TCPx8bitImage;
class TCPxFloatImage;

namespace pxdetect
{
/// The k-element subsets of {start, ..., n - 1}, each an ascending list, one
/// at a time in lexicographic order. None when k < 1 or fewer than k
/// elements are left.
class SelectionEnumerator
{
public:
  SelectionEnumerator(int n, int k, int start);
  /// Moves to the next subset (the first one on the first call); false when
  /// there is none left.
  bool Next();
  const std::vector<int>& Current() const { return m_current; }

private:
  int m_n;
  int m_k;
  int m_start;
  bool m_started = false;
  bool m_done = false;
  std::vector<int> m_current;
};

/// Every subset of SelectionEnumerator(n, k, start), materialised.
std::vector<std::vector<int>> GenerateSelections(int n, int k, int start);

/// The k peaks that best form an evenly spaced row of pitch `pitch` centred
/// in [0, length): the first subset, in lexicographic order, with the least
/// sum of |gap - pitch| plus |length / 2 - mean| (integer halving), its
/// peaks rounded. With k >= the number of peaks, the peaks unchanged.
Math::Vector CalcMaxCentersFromDist(const Math::Vector& peaks, int k, double pitch, int length);

/// The k peaks within [margin, length - margin] nearest the middle
/// length / 2, farthest from it first (equal distances in input order); empty
/// when fewer than k peaks lie in the range.
Math::Vector CalcMaxCentersFromPeaks(const Math::Vector& peaks, int k, int length, int margin);

/// Row and column sums of the whole edge image: entry y of `rowProfile`
/// (length H) is the sum of row y for margin <= y < H - margin, 0 elsewhere;
/// `colProfile` (length W) likewise over columns.
void EdgeProfiles(const TCPx8bitImage& corfImage, int margin, Math::Vector* rowProfile, Math::Vector* colProfile);

/// The valleys of the smoothed profiles: well middles.
struct ProfileValleys
{
  bool found = false;  ///< few enough valleys at some sigma
  double sigma = 0;    ///< the Gaussian's sigma that gave them
  double fy = 0;       ///< dominant frequency of the smoothed row profile, cycles per pixel
  double fx = 0;       ///< the same for the column profile
  Math::Vector rowPeaks;
  Math::Vector colPeaks;
};

/// Smooths both raw profiles with Gaussians of sigma 5, 6, ... (each time
/// from the raw profiles) until at most rows + 6 row and cols + 6 column
/// valleys remain; the first and last `margin` entries are raised to the raw
/// profile's maximum after the dominant frequency is taken, so that the
/// border never reads as a well. Not found once sigma exceeds half the
/// longer profile.
ProfileValleys FindProfileValleys(const Math::Vector& rowProfile, const Math::Vector& colProfile, int margin,
                                  int rows, int cols);

/// Sum of an edge image under the one-pixel outlines of every well of a
/// rectangle grid (well rectangles from the rounded corners, both corners
/// included), a pixel shared by several outlines counted once, outlines
/// clipped to the image: the sum of the image ANDed with the outlines drawn
/// on a blank frame. Each horizontal and vertical run is read from prefix
/// sums in constant time.
class RectOutlineScorer
{
public:
  explicit RectOutlineScorer(const TCPx8bitImage& corfImage);

  /// Reusable buffers of one caller (one per thread).
  struct Workspace
  {
    std::vector<std::pair<int, int>> xRuns, yRuns;
    std::vector<int> xLines, yLines;
  };

  double Score(const TCPxAquavistGridInfoRect& grid, Workspace* workspace) const;
  double Score(const TCPxAquavistGridInfoRect& grid) const;

private:
  int m_width;
  int m_height;
  std::vector<std::int32_t> m_rowPrefix;  ///< H rows of W + 1 running sums along the row
  std::vector<std::int32_t> m_colPrefix;  ///< H + 1 rows of W running sums down the columns
};

/// Local search for the rectangle grid whose outlines collect the most edge
/// response: twelve pitch steps in x (one task each, run in parallel) times
/// twelve in y, centre offsets of one pixel and half sizes shrunk by 0 or 1,
/// pass after pass while the score grows. The best of a pass is the one that
/// running its candidates in order would find (the first strict maximum), so
/// the result does not depend on thread timing. The result's pitch is 0.4 %
/// below the best fit; a grid that ends outside the image gives the input.
TCPxAquavistGridInfoRect PostFitRectGrid(const TCPx8bitImage& corfImage, TCPxAquavistGridInfoRect grid);

/// True when every well of the grid lies inside the image, each by at least
/// its half size (first well left and top not rounded).
bool RectGridFitsImage(const TCPxAquavistGridInfoRect& grid, int width, int height);

/// The rectangle grid on an edge image (not changed); the all-zero record
/// when none is found and for fewer than two rows or columns.
TCPxAquavistGridInfoRect DetectSquaresInGrid(TCPx8bitImage* corfImage, int rows, int cols);

/// Mean of the float edge image under the outlines of every well of a grid
/// (one-pixel circles of the rounded radius, or rectangles clipped to the
/// image). The grid must have wells.
double MeanUnderOutlines(const TCPxFloatImage& corfFloat, const TCPxAquavistGridInfoCircle& grid);
double MeanUnderOutlines(const TCPxFloatImage& corfFloat, const TCPxAquavistGridInfoRect& grid);

/// The better of the two models (either may be the all-zero record): the one
/// found, or when both are, the circles only when their outlines' mean
/// response is strictly higher. The mean of each model found goes into
/// *circleScore and *rectScore (0 for a model not found; null pointers are
/// skipped).
TCPxAquavistGridInfoWells ChooseWellModel(const TCPxFloatImage& corfFloat, const TCPxAquavistGridInfoCircle& circle,
                                          const TCPxAquavistGridInfoRect& rect, double* circleScore,
                                          double* rectScore);
}  // namespace pxdetect
