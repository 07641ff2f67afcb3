#pragma once
// Steps of the well-plate detector (internal): the contour-enhanced image, the
// one-dimensional grid fit, the circle search and selection, and the radius
// refinement of a circle grid.
#include <utility>
#include <vector>

#include <pixolan/analysis/TCPxAquavistWellDetector.h>
#include <pixolan/analysis/TCPxCircle.h>
#include <tarvekmath/MathTypes.h>

class TCPx8bitImage;
class TCPxFloatImage;
class TCPxFilterCORF;

namespace pxdetect
{
/// Edge image symmetric in y: the image smoothed by the symmetric
/// nearest-neighbour filter (kernel 5), the contour filter's response to it
/// plus the mirrored-back response to its top-to-bottom mirror, normalised to
/// 0..1 and scaled by 255 into `outFloat` (when given) and as bytes into
/// `out`. Works on whole images; `out` and `outFloat` must have the input's
/// size (std::invalid_argument otherwise).
void ApplyCORFFilter(const TCPxFilterCORF& corf, const TCPx8bitImage& image, TCPx8bitImage* out,
                     TCPxFloatImage* outFloat);

/// Evenly spaced positions fitted to one axis's values (see
/// TCPxAquavistWellDetector::FitLinspace).
std::pair<double, double> FitLinspace(const Math::Vector& values, int count, int perBin, double tolerance);

/// Circles of radius minRadius..maxRadius found by the gradient Hough
/// transform (a second, more permissive edge threshold when fewer than
/// maxCount / 2 turn up), at most maxCount in the transform's order, centres
/// and radii rounded half to even, score 0. minRadius must be at least 1.
std::vector<TCPxCircle> GetCircles(const TCPx8bitImage& corfImage, int minRadius, int maxRadius, int maxCount);

/// Keeps the circles that line up with enough others in x and in y (within a
/// third of the mean radius), in their order.
void SelectCircles(std::vector<TCPxCircle>* circles, int rows, int cols);

/// Refines the grid's radius: among the offsets -2.0, -1.9, ... 1.9 the one
/// whose well outlines collect the most edge response, kept only when the
/// wells still fit the pitch and the image.
TCPxAquavistGridInfoCircle PostFitCircleGrid(const TCPx8bitImage& corfImage, TCPxAquavistGridInfoCircle grid);

/// Sum of the edge image under the outlines of all wells of the grid, each
/// drawn with radius `radius` (one-pixel outlines; a pixel shared by two
/// outlines counts once). Only the grid's bounding box is visited.
double OutlineResponse(const TCPx8bitImage& corfImage, const TCPxAquavistGridInfoCircle& grid, int radius);

/// True when every well lies inside the image with `margin` pixels to spare.
bool GridFitsImage(const TCPxAquavistGridInfoCircle& grid, int margin, int width, int height);

/// The circle grid on an edge image (it is mirrored for a second look and
/// restored before returning, also when an exception leaves). With
/// minimumPlateSpan < 1 smaller radius bands are searched too.
TCPxAquavistGridInfoCircle DetectCirclesInGrid(TCPx8bitImage* corfImage, int rows, int cols,
                                               double minimumPlateSpan = 1.0);
}  // namespace pxdetect
