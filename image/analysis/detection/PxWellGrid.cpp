#include "PxWellGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "PxCircleSupport.h"
#include "PxParallel.h"

namespace pxdetect
{
namespace
{
bool SameSize(const TCPxImageBase& a, const TCPxImageBase& b)
{
  return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight();
}

/// Mirrors an image top to bottom now and again when it goes out of scope.
class MirrorGuard
{
public:
  explicit MirrorGuard(TCPx8bitImage* image) : m_image(image) { m_image->Mirror(true); }
  ~MirrorGuard() { m_image->Mirror(true); }
  MirrorGuard(const MirrorGuard&) = delete;
  MirrorGuard& operator=(const MirrorGuard&) = delete;

private:
  TCPx8bitImage* m_image;
};

/// Position of the grid's first well (left or top), as the border tests round it.
int FirstWell(double centre, int count, double pitch)
{
  return TCGenMathUtils::Round(centre - (count - 1) * pitch / 2);
}

/// Distance of `value` from the nearest of `count` positions `pitch` apart about `centre`.
double OffGrid(double value, double centre, double pitch, int count)
{
  const double first = centre - (count - 1) * pitch / 2;
  const double index = std::clamp(std::round((value - first) / pitch), 0.0, count - 1.0);
  return std::abs(value - (first + index * pitch));
}

/// Circles of one radius band after selection.
struct Band
{
  int minRadius = 0;
  int maxRadius = 0;
  std::vector<TCPxCircle> circles;
};
}  // namespace

void ApplyCORFFilter(const TCPxFilterCORF& corf, const TCPx8bitImage& image, TCPx8bitImage* out,
                     TCPxFloatImage* outFloat)
{
  if (!out || !SameSize(*out, image) || (outFloat && !SameSize(*outFloat, image)))
    throw std::invalid_argument("ApplyCORFFilter: the outputs must have the input's size");
  std::unique_ptr<TCPxFloatImage> ownFloat;
  if (!outFloat)
  {
    ownFloat = std::make_unique<TCPxFloatImage>(image.GetWidth(), image.GetHeight());
    outFloat = ownFloat.get();
  }
  outFloat->SetFullROI();

  TCPx8bitImage smoothed(image);
  smoothed.SetFullROI();
  {
    std::unique_ptr<TCPxImageFilter> snn(TCPxFilterFactory::Instance()->Create(Px::SNN, 5));
    if (!snn)
      throw std::logic_error("ApplyCORFFilter: the smoothing filter is not registered");
    snn->ProcessImage(&smoothed, nullptr);
  }
  TCPxFloatImage mirrored(image.GetWidth(), image.GetHeight());
  TCPxConversion::Byte2Float(smoothed, &mirrored);
  *outFloat = mirrored;
  mirrored.Mirror(true);
  // The two looks are independent: run them side by side, which also keeps
  // both cores busy during the operator's serial steps.
  _impl::ForEachIndex(2, [&](std::size_t look) { corf.ProcessImage(look == 0 ? outFloat : &mirrored, nullptr); });
  mirrored.Mirror(true);

  *outFloat += mirrored;
  outFloat->Normalize();
  *outFloat *= 255.0f;
  out->SetFullROI();
  TCPxConversion::Float2Byte(*outFloat, out);
}

std::pair<double, double> FitLinspace(const Math::Vector& values, int count, int perBin, double tolerance)
{
  const std::size_t n = values.size();
  if (n == 0)
    return {0.0, 0.0};
  double lo = values(0);
  double hi = values(0);
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i)
  {
    lo = std::min(lo, values(i));
    hi = std::max(hi, values(i));
    sum += values(i);
  }
  const double mean = sum / static_cast<double>(n);
  const std::pair<double, double> failure(mean, -1.0);
  if (count < 2)
    return failure;

  // The outer positions: the values within the tolerance of either extreme.
  double lowSum = 0, highSum = 0;
  std::size_t lowCount = 0, highCount = 0;
  for (std::size_t i = 0; i < n; ++i)
  {
    if (values(i) - lo < tolerance)
    {
      lowSum += values(i);
      ++lowCount;
    }
    if (hi - values(i) < tolerance)
    {
      highSum += values(i);
      ++highCount;
    }
  }
  if (lowCount == 0 || highCount == 0)
    return failure;
  const double pitch = (highSum / highCount - lowSum / lowCount) / (count - 1);
  if (!std::isfinite(pitch) || pitch <= 0)
    return failure;

  std::vector<int> binCount(count, 0);
  std::vector<double> binSum(count, 0.0);
  double weighted = 0;  // sum of bin index times value
  for (std::size_t i = 0; i < n; ++i)
  {
    const int u = TCGenMathUtils::Round((values(i) - mean) / pitch + (count - 1) / 2.0);
    if (u < 0 || u > count - 1)
      return failure;
    ++binCount[u];
    binSum[u] += values(i);
    weighted += u * values(i);
  }

  // An empty position leaves the values unevenly spread over the positions,
  // which the slope below assumes; no fill-up can mend it either.
  if (std::find(binCount.begin(), binCount.end(), 0) != binCount.end())
    return failure;
  // Positions holding fewer than perBin values are filled up with their mean,
  // so that every position weighs the same in the fit.
  std::vector<double> filled(values.begin(), values.end());
  for (int u = 0; u < count; ++u)
    if (binCount[u] < perBin)
      filled.insert(filled.end(), static_cast<std::size_t>(perBin - binCount[u]), binSum[u] / binCount[u]);
  if (filled.size() == n)
  {
    // Least-squares slope of value against bin index, the bins spread evenly over 0 .. count - 1.
    const double k1 = count - 1;
    const double nn = static_cast<double>(n);
    return {mean, -(k1 * nn * 6 * mean - 12 * weighted) / (k1 * nn * (count + 1))};
  }
  if (static_cast<long long>(filled.size()) == static_cast<long long>(perBin) * count)
  {
    Math::Vector w(filled.size());
    std::copy(filled.begin(), filled.end(), w.begin());
    return FitLinspace(w, count, perBin, tolerance);
  }
  return failure;
}

std::vector<TCPxCircle> GetCircles(const TCPx8bitImage& corfImage, int minRadius, int maxRadius, int maxCount)
{
  const cv::Mat& pixels = *corfImage.GetFullMatPtr();
  std::vector<cv::Vec3f> found;
  cv::HoughCircles(pixels, found, cv::HOUGH_GRADIENT, 1, 2.0 * minRadius, 100, 18, minRadius, maxRadius);
  if (static_cast<int>(found.size()) < maxCount / 2)
  {
    found.clear();
    cv::HoughCircles(pixels, found, cv::HOUGH_GRADIENT, 1, 2.0 * minRadius, 10, 18, minRadius, maxRadius);
  }
  const std::size_t keep = std::min(found.size(), static_cast<std::size_t>(std::max(0, maxCount)));
  std::vector<TCPxCircle> circles;
  circles.reserve(keep);
  for (std::size_t i = 0; i < keep; ++i)
    circles.emplace_back(TCGenPoint<double>(std::rint(found[i][0]), std::rint(found[i][1])), std::rint(found[i][2]),
                         0.0);
  return circles;
}

void SelectCircles(std::vector<TCPxCircle>* circles, int rows, int cols)
{
  if (!circles || circles->empty())
    return;
  double radii = 0;
  for (const TCPxCircle& c : *circles)
    radii += c.radius;
  const double tol = radii / (3.0 * static_cast<double>(circles->size()));
  const int needSameX = std::max(cols < 5 ? 1 : 2, cols / 3);
  const int needSameY = std::max(rows < 5 ? 1 : 2, rows / 3);

  const std::vector<TCPxCircle> all = *circles;
  circles->clear();
  for (const TCPxCircle& q : all)
  {
    int sameX = 0, sameY = 0;
    for (const TCPxCircle& o : all)
    {
      const double ddx = o.centre.GetX() - q.centre.GetX();
      const double ddy = o.centre.GetY() - q.centre.GetY();
      if (ddx == 0 && ddy == 0)
        continue;
      if (std::abs(ddx) <= tol)
        ++sameX;
      if (std::abs(ddy) <= tol)
        ++sameY;
    }
    if (sameX >= needSameX && sameY >= needSameY)
      circles->push_back(q);
  }
}

bool GridFitsImage(const TCPxAquavistGridInfoCircle& grid, int margin, int width, int height)
{
  const int left = FirstWell(grid.centre.GetX(), grid.cols, grid.dx);
  const int top = FirstWell(grid.centre.GetY(), grid.rows, grid.dy);
  return left >= margin && left + (grid.cols - 1) * grid.dx < width - margin && top >= margin &&
         top + (grid.rows - 1) * grid.dy < height - margin;
}

double OutlineResponse(const TCPx8bitImage& corfImage, const TCPxAquavistGridInfoCircle& grid, int radius)
{
  const cv::Mat& edges = *corfImage.GetFullMatPtr();
  std::vector<cv::Point> centres;
  centres.reserve(static_cast<std::size_t>(grid.rows) * grid.cols);
  int x0 = std::numeric_limits<int>::max(), y0 = x0;
  int x1 = std::numeric_limits<int>::min(), y1 = x1;
  for (int j = 0; j < grid.rows; ++j)
    for (int i = 0; i < grid.cols; ++i)
    {
      // The centre rounded half to even, as the image's circle drawing does.
      const TCGenPoint<int> c = TCPxConversion::RoundPoint(
          TCGenPoint<double>(grid.centre.GetX() + (i - (grid.cols - 1) / 2.0) * grid.dx,
                             grid.centre.GetY() + (j - (grid.rows - 1) / 2.0) * grid.dy));
      centres.emplace_back(c.GetX(), c.GetY());
      x0 = std::min(x0, c.GetX());
      y0 = std::min(y0, c.GetY());
      x1 = std::max(x1, c.GetX());
      y1 = std::max(y1, c.GetY());
    }
  if (centres.empty() || radius < 0)
    return 0;
  // The outlines' bounding box, one pixel extra, clipped to the image.
  const cv::Rect box = cv::Rect(x0 - radius - 1, y0 - radius - 1, x1 - x0 + 2 * radius + 3, y1 - y0 + 2 * radius + 3) &
                       cv::Rect(0, 0, edges.cols, edges.rows);
  if (box.empty())
    return 0;
  cv::Mat outlines(box.size(), CV_8U, cv::Scalar(0));
  for (const cv::Point& c : centres)
    cv::circle(outlines, c - box.tl(), radius, cv::Scalar(255), 1, cv::LINE_8, 0);
  double total = 0;
  for (int y = 0; y < box.height; ++y)
  {
    const unsigned char* mask = outlines.ptr<unsigned char>(y);
    const unsigned char* edge = edges.ptr<unsigned char>(box.y + y) + box.x;
    std::uint64_t row = 0;
    for (int x = 0; x < box.width; ++x)
      row += edge[x] & mask[x];
    total += static_cast<double>(row);
  }
  return total;
}

TCPxAquavistGridInfoCircle PostFitCircleGrid(const TCPx8bitImage& corfImage, TCPxAquavistGridInfoCircle grid)
{
  // Offsets that round to one integer radius collect the same response: each
  // radius is measured once.
  double best = std::numeric_limits<double>::lowest();
  double bestRadius = 0;
  int measured = std::numeric_limits<int>::min();
  double response = 0;
  for (double c = -2.0; c <= 2.0; c += 0.1)
  {
    const int radius = TCGenMathUtils::Round(grid.radius + c);
    if (radius != measured)
    {
      response = OutlineResponse(corfImage, grid, radius);
      measured = radius;
    }
    if (response > best)
    {
      best = response;
      bestRadius = grid.radius + c;
    }
  }
  if (2 * bestRadius <= grid.dx && 2 * bestRadius <= grid.dy &&
      GridFitsImage(grid, TCGenMathUtils::Round(bestRadius), corfImage.GetWidth(), corfImage.GetHeight()))
    grid.radius = bestRadius;
  return grid;
}

TCPxAquavistGridInfoCircle DetectCirclesInGrid(TCPx8bitImage* corfImage, int rows, int cols, double minimumPlateSpan)
{
  const TCPxAquavistGridInfoCircle none;
  if (!corfImage || rows < 1 || cols < 1)
    return none;
  const int width = corfImage->GetWidth();
  const int height = corfImage->GetHeight();
  // Half a pitch, for a plate that fills the frame less 20 pixels on each side.
  const int maxR = static_cast<int>(std::max(std::floor((height - 40) / static_cast<double>(rows) * 0.5),
                                             std::floor((width - 40) / static_cast<double>(cols) * 0.5)));
  // The Hough transform needs a positive minimum distance, so radius 1 at least.
  if (maxR / 2 < 1)
    return none;
  const long long wells = static_cast<long long>(rows) * cols;
  if (wells > std::numeric_limits<int>::max())
    return none;
  const int n = static_cast<int>(wells);

  // The first band, and with a minimum span below 1 the halved ones down to
  // the smallest radius such a plate has; the most aligned circles win, the
  // larger radii on a tie.
  Band chosen;
  const double smallest = minimumPlateSpan * maxR / 2;
  for (int hi = maxR, lo = maxR / 2; lo >= 1; hi = lo, lo = hi / 2)
  {
    Band band{lo, hi, GetCircles(*corfImage, lo, hi, n)};
    SelectCircles(&band.circles, rows, cols);
    if (band.circles.size() > chosen.circles.size() || chosen.maxRadius == 0)
      chosen = std::move(band);
    if (lo <= smallest || minimumPlateSpan >= 1.0)
      break;
  }
  std::vector<TCPxCircle>& circles = chosen.circles;
  if (circles.empty() || static_cast<double>(circles.size()) < n / 1.4)
    return none;

  // Second look on the mirrored image, whose row y is row H - 1 - y here.
  {
    MirrorGuard mirrored(corfImage);
    std::vector<TCPxCircle> second = GetCircles(*corfImage, chosen.minRadius, chosen.maxRadius, n);
    SelectCircles(&second, rows, cols);
    if (static_cast<int>(second.size()) >= n / 2)
      for (const TCPxCircle& c : second)
        circles.emplace_back(TCGenPoint<double>(c.centre.GetX(), height - 1 - c.centre.GetY()), c.radius, 0.0);
  }

  const double radius = MakeSameRadius(&circles);
  Math::Vector xs(circles.size()), ys(circles.size());
  for (std::size_t i = 0; i < circles.size(); ++i)
  {
    xs(i) = circles[i].centre.GetX();
    ys(i) = circles[i].centre.GetY();
  }
  const auto [cx, dx] = FitLinspace(xs, cols, 2 * rows, radius);
  const auto [cy, dy] = FitLinspace(ys, rows, 2 * cols, radius);
  if (dx < 0 || dy < 0 || dx < 2 * radius || dy < 2 * radius)
    return none;
  // Every circle must sit on a well of the fitted grid. Without this test a
  // plate with one more column (or row) than asked, one of them missing from
  // the circles, passes as a grid of uneven pitch: the fit only bins values.
  for (const TCPxCircle& c : circles)
    if (OffGrid(c.centre.GetX(), cx, dx, cols) > radius / 2 || OffGrid(c.centre.GetY(), cy, dy, rows) > radius / 2)
      return none;

  TCPxAquavistGridInfoCircle grid;
  grid.centre = TCGenPoint<double>(cx, cy);
  grid.dx = dx;
  grid.dy = dy;
  grid.rows = rows;
  grid.cols = cols;
  grid.radius = radius;
  if (!GridFitsImage(grid, TCGenMathUtils::Round(radius), width, height))
    return none;
  return PostFitCircleGrid(*corfImage, grid);
}
}  // namespace pxdetect
