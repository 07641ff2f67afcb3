#include "PxRectGrid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <mutex>

#include <opencv2/core.hpp>

#include <general/TCGenMathUtils.h>
#include <general/TCGenRect.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <tarvekmath/TCMathDFT.h>
#include <tarvekmath/TCMathUblasUtils.h>

#include "PxParallel.h"
#include "PxWellGrid.h"

namespace pxdetect
{
namespace
{
/// Position of well `index` of `count` along one axis (the grid convention).
double WellPosition(double centre, int index, int count, double pitch)
{
  return centre + (index - (count - 1) / 2.0) * pitch;
}

/// Sorts the runs, clips them to [0, limit) and merges the overlapping and
/// touching ones.
void MergeRuns(std::vector<std::pair<int, int>>* runs, int limit)
{
  std::sort(runs->begin(), runs->end());
  std::size_t kept = 0;
  for (std::size_t r = 0; r < runs->size(); ++r)
  {
    const int lo = std::max((*runs)[r].first, 0);
    const int hi = std::min((*runs)[r].second, limit - 1);
    if (lo > hi)
      continue;
    if (kept > 0 && lo <= (*runs)[kept - 1].second + 1)
      (*runs)[kept - 1].second = std::max((*runs)[kept - 1].second, hi);
    else
      (*runs)[kept++] = {lo, hi};
  }
  runs->resize(kept);
}

/// Keeps the distinct lines inside [0, limit), ascending.
void UniqueLines(std::vector<int>* lines, int limit)
{
  lines->erase(std::remove_if(lines->begin(), lines->end(), [limit](int v) { return v < 0 || v >= limit; }),
               lines->end());
  std::sort(lines->begin(), lines->end());
  lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
}

/// The well rectangles' extents along one axis: one run per well index
/// (rounded ends, in either order) and both ends as outline lines.
void AxisExtents(double centre, int count, double pitch, double half, std::vector<std::pair<int, int>>* runs,
                 std::vector<int>* lines)
{
  runs->clear();
  lines->clear();
  for (int i = 0; i < count; ++i)
  {
    const double p = WellPosition(centre, i, count, pitch);
    const int a = TCGenMathUtils::Round(p - half);
    const int b = TCGenMathUtils::Round(p + half);
    runs->emplace_back(std::min(a, b), std::max(a, b));
    lines->push_back(a);
    lines->push_back(b);
  }
}

/// The period of `count` wells is trusted when the plate it predicts spans
/// between half of `span` and `span`.
bool PeriodTrusted(int count, double frequency, int span)
{
  const double predicted = count / frequency;
  return predicted <= span && !(predicted < span / 2);
}

double MeanUnderMask(const TCPxFloatImage& corfFloat, const TCPx8bitImage& mask)
{
  double mean = 0;
  corfFloat.MeanStd(&mean, nullptr, mask);
  return mean;
}

Math::Vector ToVector(const std::vector<double>& v)
{
  Math::Vector out(v.size());
  std::copy(v.begin(), v.end(), out.begin());
  return out;
}
}  // namespace

SelectionEnumerator::SelectionEnumerator(int n, int k, int start) : m_n(n), m_k(k), m_start(std::max(0, start))
{
  m_done = k < 1 || static_cast<long long>(m_start) + k > n;
}

bool SelectionEnumerator::Next()
{
  if (m_done)
    return false;
  if (!m_started)
  {
    m_started = true;
    m_current.resize(static_cast<std::size_t>(m_k));
    for (int j = 0; j < m_k; ++j)
      m_current[static_cast<std::size_t>(j)] = m_start + j;
    return true;
  }
  // The last member that can still move right moves one step; those after it
  // follow it closely.
  int j = m_k - 1;
  while (j >= 0 && m_current[static_cast<std::size_t>(j)] == m_n - m_k + j)
    --j;
  if (j < 0)
  {
    m_done = true;
    return false;
  }
  ++m_current[static_cast<std::size_t>(j)];
  for (int t = j + 1; t < m_k; ++t)
    m_current[static_cast<std::size_t>(t)] = m_current[static_cast<std::size_t>(t - 1)] + 1;
  return true;
}

std::vector<std::vector<int>> GenerateSelections(int n, int k, int start)
{
  std::vector<std::vector<int>> all;
  SelectionEnumerator selections(n, k, start);
  while (selections.Next())
    all.push_back(selections.Current());
  return all;
}

Math::Vector CalcMaxCentersFromDist(const Math::Vector& peaks, int k, double pitch, int length)
{
  const int n = static_cast<int>(peaks.size());
  if (k >= n)
    return peaks;
  if (k < 1)
    return Math::Vector(0);
  const double middle = length / 2;
  double bestCost = std::numeric_limits<double>::infinity();
  std::vector<int> best;
  SelectionEnumerator selections(n, k, 0);
  while (selections.Next())
  {
    const std::vector<int>& s = selections.Current();
    double cost = 0;
    double sum = peaks(static_cast<std::size_t>(s[0]));
    for (int j = 0; j + 1 < k; ++j)
    {
      const double next = peaks(static_cast<std::size_t>(s[static_cast<std::size_t>(j + 1)]));
      cost += std::abs(next - peaks(static_cast<std::size_t>(s[static_cast<std::size_t>(j)])) - pitch);
      sum += next;
    }
    cost += std::abs(middle - sum / k);
    if (cost < bestCost || best.empty())
    {
      bestCost = cost;
      best = s;
    }
  }
  Math::Vector chosen(best.size());
  for (std::size_t j = 0; j < best.size(); ++j)
    chosen(j) = TCGenMathUtils::Round(peaks(static_cast<std::size_t>(best[j])));
  return chosen;
}

Math::Vector CalcMaxCentersFromPeaks(const Math::Vector& peaks, int k, int length, int margin)
{
  if (k < 1)
    return Math::Vector(0);
  // (distance from the middle, position), by descending distance; equal
  // distances keep the order they came in.
  std::vector<std::pair<double, double>> kept;
  const auto farther = [](const std::pair<double, double>& a, const std::pair<double, double>& b) {
    return a.first > b.first;
  };
  for (std::size_t i = 0; i < peaks.size(); ++i)
  {
    const double x = peaks(i);
    if (!(x >= margin && x <= length - margin))
      continue;
    const std::pair<double, double> entry(std::abs(x - length * 0.5), x);
    if (static_cast<int>(kept.size()) == k)
    {
      if (!(entry.first < kept.front().first))
        continue;
      kept.erase(kept.begin());
    }
    kept.insert(std::upper_bound(kept.begin(), kept.end(), entry, farther), entry);
  }
  if (static_cast<int>(kept.size()) < k)
    return Math::Vector(0);
  Math::Vector out(kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i)
    out(i) = kept[i].second;
  return out;
}

void EdgeProfiles(const TCPx8bitImage& corfImage, int margin, Math::Vector* rowProfile, Math::Vector* colProfile)
{
  const cv::Mat& pixels = *corfImage.GetFullMatPtr();
  const int width = pixels.cols;
  const int height = pixels.rows;
  rowProfile->resize(static_cast<std::size_t>(std::max(0, height)), false);
  colProfile->resize(static_cast<std::size_t>(std::max(0, width)), false);
  std::fill(rowProfile->begin(), rowProfile->end(), 0.0);
  std::fill(colProfile->begin(), colProfile->end(), 0.0);
  std::vector<std::uint64_t> columns(static_cast<std::size_t>(std::max(0, width)), 0);
  for (int y = 0; y < height; ++y)
  {
    const unsigned char* row = pixels.ptr<unsigned char>(y);
    std::uint64_t sum = 0;
    for (int x = 0; x < width; ++x)
    {
      sum += row[x];
      columns[static_cast<std::size_t>(x)] += row[x];
    }
    if (y >= margin && y < height - margin)
      (*rowProfile)(static_cast<std::size_t>(y)) = static_cast<double>(sum);
  }
  for (int x = std::max(0, margin); x < width - margin; ++x)
    (*colProfile)(static_cast<std::size_t>(x)) = static_cast<double>(columns[static_cast<std::size_t>(x)]);
}

ProfileValleys FindProfileValleys(const Math::Vector& rowProfile, const Math::Vector& colProfile, int margin,
                                  int rows, int cols)
{
  ProfileValleys valleys;
  const double maxRow = rowProfile.empty() ? 0.0 : *std::max_element(rowProfile.begin(), rowProfile.end());
  const double maxCol = colProfile.empty() ? 0.0 : *std::max_element(colProfile.begin(), colProfile.end());
  const std::size_t rowLimit = static_cast<std::size_t>(std::max(0, rows)) + 6;
  const std::size_t colLimit = static_cast<std::size_t>(std::max(0, cols)) + 6;
  // Wider smoothing than half the frame leaves no structure to find: stop.
  const double sigmaLimit = static_cast<double>(std::max(rowProfile.size(), colProfile.size()) / 2);
  const auto raiseBorder = [margin](Math::Vector* p, double level) {
    const std::size_t m = std::min(p->size(), static_cast<std::size_t>(std::max(0, margin)));
    std::fill(p->begin(), p->begin() + static_cast<std::ptrdiff_t>(m), level);
    std::fill(p->end() - static_cast<std::ptrdiff_t>(m), p->end(), level);
  };
  for (double sigma = 5; sigma <= sigmaLimit; sigma += 1)
  {
    const Math::Vector kernel = TCMathUblasUtils::CreateGaussian1D(sigma);
    Math::Vector py = TCMathUblasUtils::Convolve(rowProfile, kernel);
    Math::Vector px = TCMathUblasUtils::Convolve(colProfile, kernel);
    valleys.fy = TCMathDFT::CalcMaxFrequency(py, 1);
    valleys.fx = TCMathDFT::CalcMaxFrequency(px, 1);
    raiseBorder(&py, maxRow);
    raiseBorder(&px, maxCol);
    const std::vector<double> rowPeaks = TCMathUblasUtils::FindPeakCenters(-py);
    const std::vector<double> colPeaks = TCMathUblasUtils::FindPeakCenters(-px);
    if (rowPeaks.size() <= rowLimit && colPeaks.size() <= colLimit)
    {
      valleys.found = true;
      valleys.sigma = sigma;
      valleys.rowPeaks = ToVector(rowPeaks);
      valleys.colPeaks = ToVector(colPeaks);
      return valleys;
    }
  }
  return ProfileValleys();
}

RectOutlineScorer::RectOutlineScorer(const TCPx8bitImage& corfImage)
{
  const cv::Mat& pixels = *corfImage.GetFullMatPtr();
  m_width = pixels.cols;
  m_height = pixels.rows;
  const std::size_t w = static_cast<std::size_t>(std::max(0, m_width));
  const std::size_t h = static_cast<std::size_t>(std::max(0, m_height));
  m_rowPrefix.assign(h * (w + 1), 0);
  m_colPrefix.assign((h + 1) * w, 0);
  for (std::size_t y = 0; y < h; ++y)
  {
    const unsigned char* row = pixels.ptr<unsigned char>(static_cast<int>(y));
    std::int32_t* along = &m_rowPrefix[y * (w + 1)];
    const std::int32_t* above = &m_colPrefix[y * w];
    std::int32_t* down = &m_colPrefix[(y + 1) * w];
    for (std::size_t x = 0; x < w; ++x)
    {
      along[x + 1] = along[x] + row[x];
      down[x] = above[x] + row[x];
    }
  }
}

double RectOutlineScorer::Score(const TCPxAquavistGridInfoRect& grid) const
{
  Workspace workspace;
  return Score(grid, &workspace);
}

double RectOutlineScorer::Score(const TCPxAquavistGridInfoRect& grid, Workspace* ws) const
{
  if (grid.rows < 1 || grid.cols < 1 || m_width < 1 || m_height < 1)
    return 0;
  // The outlines are the product sets (union of the wells' x runs) x (their
  // top and bottom rows) and (their left and right columns) x (union of the
  // y runs); the pixels in both are the line crossings, counted once.
  AxisExtents(grid.centre.GetX(), grid.cols, grid.dx, grid.halfWidth, &ws->xRuns, &ws->xLines);
  AxisExtents(grid.centre.GetY(), grid.rows, grid.dy, grid.halfHeight, &ws->yRuns, &ws->yLines);
  MergeRuns(&ws->xRuns, m_width);
  MergeRuns(&ws->yRuns, m_height);
  UniqueLines(&ws->xLines, m_width);
  UniqueLines(&ws->yLines, m_height);
  const std::size_t w = static_cast<std::size_t>(m_width);
  std::int64_t total = 0;
  for (const int y : ws->yLines)
  {
    const std::int32_t* along = &m_rowPrefix[static_cast<std::size_t>(y) * (w + 1)];
    for (const auto& [lo, hi] : ws->xRuns)
      total += along[hi + 1] - along[lo];
    for (const int x : ws->xLines)
      total -= along[x + 1] - along[x];
  }
  for (const auto& [lo, hi] : ws->yRuns)
  {
    const std::int32_t* top = &m_colPrefix[static_cast<std::size_t>(lo) * w];
    const std::int32_t* bottom = &m_colPrefix[static_cast<std::size_t>(hi + 1) * w];
    for (const int x : ws->xLines)
      total += bottom[x] - top[x];
  }
  return static_cast<double>(total);
}

bool RectGridFitsImage(const TCPxAquavistGridInfoRect& grid, int width, int height)
{
  const double left = grid.centre.GetX() - (grid.cols - 1) * grid.dx / 2;
  const double top = grid.centre.GetY() - (grid.rows - 1) * grid.dy / 2;
  return grid.halfWidth <= left && left + (grid.cols - 1) * grid.dx < width - grid.halfWidth &&
         grid.halfHeight <= top && top + (grid.rows - 1) * grid.dy < height - grid.halfHeight;
}

TCPxAquavistGridInfoRect PostFitRectGrid(const TCPx8bitImage& corfImage, TCPxAquavistGridInfoRect grid)
{
  const TCPxAquavistGridInfoRect input = grid;
  if (grid.rows < 1 || grid.cols < 1)
    return input;
  const RectOutlineScorer scorer(corfImage);
  constexpr int kTasks = 12;
  const double lowest = std::numeric_limits<double>::lowest();
  TCPxAquavistGridInfoRect current = grid;
  TCPxAquavistGridInfoRect best = grid;
  double bestScore = lowest;
  double previousBest = lowest;
  // Step sizes and the pass limit come from the input grid.
  const double ax = grid.dx * 0.5 / grid.cols;
  const double ay = grid.dy * 0.5 / grid.rows;
  const double passLimit = std::floor(std::max(grid.dx, grid.dy) * 0.5) + 1;
  const long long maxPasses = passLimit >= 1 ? static_cast<long long>(std::min(passLimit, 1e6)) : 1;

  for (long long passes = 1;; ++passes)
  {
    // Each task keeps its first strict maximum above the pass's starting
    // score; the merge keeps the highest, the smaller task index on a tie:
    // the winner of running the twelve tasks in order.
    const double start = bestScore;
    const TCPxAquavistGridInfoRect g = current;
    std::mutex guard;
    int winner = -1;
    double winnerScore = start;
    TCPxAquavistGridInfoRect winnerGrid = g;
    _impl::ForEachIndex(kTasks, [&](std::size_t k) {
      RectOutlineScorer::Workspace workspace;
      double taskBest = start;
      bool improved = false;
      TCPxAquavistGridInfoRect taskGrid = g;
      TCPxAquavistGridInfoRect candidate = g;
      candidate.dx = g.dx + static_cast<double>(k) * ax / 6 - ax;
      for (int i = 0; i < kTasks; ++i)
      {
        candidate.dy = g.dy + i * ay / 6 - ay;
        for (int ox = -1; ox <= 1; ++ox)
          for (int oy = -1; oy <= 1; ++oy)
          {
            candidate.centre = TCGenPoint<double>(g.centre.GetX() + ox, g.centre.GetY() + oy);
            for (int w = -1; w <= 0; ++w)
              for (int h = -1; h <= 0; ++h)
              {
                candidate.halfWidth = g.halfWidth + w;
                candidate.halfHeight = g.halfHeight + h;
                if (!(candidate.dx >= 2 * candidate.halfWidth && candidate.dy >= 2 * candidate.halfHeight))
                  continue;
                const double score = scorer.Score(candidate, &workspace);
                if (score > taskBest)
                {
                  taskBest = score;
                  taskGrid = candidate;
                  improved = true;
                }
              }
          }
      }
      if (!improved)
        return;
      const int task = static_cast<int>(k);
      const std::lock_guard<std::mutex> lock(guard);
      if (winner < 0 || taskBest > winnerScore || (taskBest == winnerScore && task < winner))
      {
        winner = task;
        winnerScore = taskBest;
        winnerGrid = taskGrid;
      }
    });
    if (winner >= 0)
    {
      bestScore = winnerScore;
      best = winnerGrid;
    }

    if (!(bestScore > previousBest))
      break;
    if (best.centre.GetX() == current.centre.GetX() && best.centre.GetY() == current.centre.GetY() &&
        best.dx == current.dx && best.dy == current.dy && best.halfWidth == current.halfWidth &&
        best.halfHeight == current.halfHeight)
      break;
    current = best;
    if (passes >= maxPasses)
      break;
    previousBest = bestScore;
  }

  if (current.dx < 2 * current.halfWidth)
    current.halfWidth = current.dx / 2;
  if (current.dy < 2 * current.halfHeight)
    current.halfHeight = current.dy / 2;
  if (!RectGridFitsImage(current, corfImage.GetWidth(), corfImage.GetHeight()))
    return input;
  current.dx *= 0.996;
  current.dy *= 0.996;
  if (current.dx < 2 * current.halfWidth)
    current.halfWidth = current.dx / 2;
  if (current.dy < 2 * current.halfHeight)
    current.halfHeight = current.dy / 2;
  return current;
}

TCPxAquavistGridInfoRect DetectSquaresInGrid(TCPx8bitImage* corfImage, int rows, int cols)
{
  const TCPxAquavistGridInfoRect none;
  // One row or one column has no pitch to measure along it.
  if (!corfImage || rows < 2 || cols < 2)
    return none;
  const int width = corfImage->GetWidth();
  const int height = corfImage->GetHeight();
  const int margin = width / 32;  // for both axes

  Math::Vector rowProfile, colProfile;
  EdgeProfiles(*corfImage, margin, &rowProfile, &colProfile);
  const ProfileValleys valleys = FindProfileValleys(rowProfile, colProfile, margin, rows, cols);
  if (!valleys.found || static_cast<long long>(valleys.rowPeaks.size()) < rows ||
      static_cast<long long>(valleys.colPeaks.size()) < cols)
    return none;

  // The valleys that form the plate: spaced by the dominant period when it
  // predicts a plate of plausible size, else those nearest the middle.
  const Math::Vector rowCentres =
      PeriodTrusted(rows, valleys.fy, height - margin)
          ? CalcMaxCentersFromDist(valleys.rowPeaks, rows, 1 / valleys.fy, height)
          : CalcMaxCentersFromPeaks(valleys.rowPeaks, rows, height, margin);
  const Math::Vector colCentres =
      PeriodTrusted(cols, valleys.fx, width - margin)
          ? CalcMaxCentersFromDist(valleys.colPeaks, cols, 1 / valleys.fx, width)
          : CalcMaxCentersFromPeaks(valleys.colPeaks, cols, width, margin);
  if (rowCentres.empty() || colCentres.empty())
    return none;

  // Half a pitch: the outlines start on the walls' centre lines.
  const auto [colMin, colMax] = std::minmax_element(colCentres.begin(), colCentres.end());
  const auto [rowMin, rowMax] = std::minmax_element(rowCentres.begin(), rowCentres.end());
  double hx = (*colMax - *colMin) / (cols - 1) * 0.5;
  double hy = (*rowMax - *rowMin) / (rows - 1) * 0.5;
  const auto [cx, dx] = FitLinspace(colCentres, cols, 1, hx);
  const auto [cy, dy] = FitLinspace(rowCentres, rows, 1, hy);
  if (dx < 0 || dy < 0)
    return none;
  if (dx < 2 * hx)
    hx = dx / 2;
  if (dy < 2 * hy)
    hy = dy / 2;

  TCPxAquavistGridInfoRect grid;
  grid.centre = TCGenPoint<double>(cx, cy);
  grid.dx = dx;
  grid.dy = dy;
  grid.rows = rows;
  grid.cols = cols;
  grid.halfWidth = hx;
  grid.halfHeight = hy;
  if (!RectGridFitsImage(grid, width, height))
    return none;
  return PostFitRectGrid(*corfImage, grid);
}

double MeanUnderOutlines(const TCPxFloatImage& corfFloat, const TCPxAquavistGridInfoCircle& grid)
{
  TCPx8bitImage mask(corfFloat.GetWidth(), corfFloat.GetHeight());
  mask.Fill(0);
  const int radius = TCGenMathUtils::Round(grid.radius);
  for (int i = 0; i < grid.cols; ++i)
    for (int j = 0; j < grid.rows; ++j)
      mask.Circle(TCGenPoint<double>(WellPosition(grid.centre.GetX(), i, grid.cols, grid.dx),
                                     WellPosition(grid.centre.GetY(), j, grid.rows, grid.dy)),
                  radius, 255, 1, false);
  return MeanUnderMask(corfFloat, mask);
}

double MeanUnderOutlines(const TCPxFloatImage& corfFloat, const TCPxAquavistGridInfoRect& grid)
{
  const int width = corfFloat.GetWidth();
  const int height = corfFloat.GetHeight();
  TCPx8bitImage mask(width, height);
  mask.Fill(0);
  for (int i = 0; i < grid.cols; ++i)
    for (int j = 0; j < grid.rows; ++j)
    {
      const double x = WellPosition(grid.centre.GetX(), i, grid.cols, grid.dx);
      const double y = WellPosition(grid.centre.GetY(), j, grid.rows, grid.dy);
      // Both corners are drawn; the rectangle is first cut to (0, 0, W, H).
      const int left = std::max(0, TCGenMathUtils::Round(x - grid.halfWidth));
      const int top = std::max(0, TCGenMathUtils::Round(y - grid.halfHeight));
      const int right = std::min(width, TCGenMathUtils::Round(x + grid.halfWidth));
      const int bottom = std::min(height, TCGenMathUtils::Round(y + grid.halfHeight));
      if (left <= right && top <= bottom)
        mask.Rectangle(TCGenRect<int>(left, top, right, bottom), 255, 1);
    }
  return MeanUnderMask(corfFloat, mask);
}

TCPxAquavistGridInfoWells ChooseWellModel(const TCPxFloatImage& corfFloat, const TCPxAquavistGridInfoCircle& circle,
                                          const TCPxAquavistGridInfoRect& rect, double* circleScore,
                                          double* rectScore)
{
  const bool haveCircle = circle.cols > 0;
  const bool haveRect = rect.cols > 0;
  const double meanC = haveCircle ? MeanUnderOutlines(corfFloat, circle) : 0.0;
  const double meanR = haveRect ? MeanUnderOutlines(corfFloat, rect) : 0.0;
  if (circleScore)
    *circleScore = meanC;
  if (rectScore)
    *rectScore = meanR;
  TCPxAquavistGridInfoWells wells;
  // Ties go to the rectangles.
  if (haveCircle && (!haveRect || meanC > meanR))
  {
    wells.circle = circle;
    wells.isCircle = true;
  }
  else if (haveRect)
  {
    wells.rect = rect;
    wells.isRect = true;
  }
  return wells;
}
}  // namespace pxdetect
