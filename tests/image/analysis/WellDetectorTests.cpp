// The well-plate detector on rendered plates, and its steps one by one.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <general/TCGenMathUtils.h>

#include <pixolan/analysis/TCPxAquavistWellDetector.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "PxWellGrid.h"
#include "Scenes.h"

namespace
{
Math::Vector Values(const std::vector<double>& v)
{
  Math::Vector out(v.size());
  std::copy(v.begin(), v.end(), out.begin());
  return out;
}

struct Case
{
  std::string name;
  scenes::Scene scene;
  scenes::Plate plate;
};

Case MakeCase(const std::string& name, int width, int height, scenes::Plate plate, double background = 100,
              double gradient = 0, double blur = 0, double noise = 0, std::uint32_t seed = 1)
{
  Case c{name, {}, plate};
  c.scene.width = width;
  c.scene.height = height;
  c.scene.background = background;
  c.scene.gradient = gradient;
  c.scene.blurSigma = blur;
  c.scene.noiseSigma = noise;
  c.scene.seed = seed;
  scenes::AddPlate(plate, &c.scene);
  return c;
}

scenes::Plate MakePlate(int rows, int cols, double cx, double cy, double pitch, double radius, double level,
                        double angle = 0)
{
  scenes::Plate p;
  p.rows = rows;
  p.cols = cols;
  p.cx = cx;
  p.cy = cy;
  p.dx = p.dy = pitch;
  p.radius = radius;
  p.wellLevel = level;
  p.angle = angle;
  return p;
}

/// Largest distance from a rendered well centre to the detected one, or -1
/// when the grid has other counts.
double WellError(const TCPxAquavistGridInfoCircle& g, const scenes::Plate& p)
{
  if (g.rows != p.rows || g.cols != p.cols)
    return -1;
  const auto truth = scenes::WellCentres(p);
  double worst = 0;
  for (int j = 0; j < p.rows; ++j)
    for (int i = 0; i < p.cols; ++i)
    {
      const auto& t = truth[static_cast<std::size_t>(j * p.cols + i)];
      const double x = g.centre.GetX() + (i - (g.cols - 1) / 2.0) * g.dx;
      const double y = g.centre.GetY() + (j - (g.rows - 1) / 2.0) * g.dy;
      worst = std::max(worst, std::hypot(x - t.GetX(), y - t.GetY()));
    }
  return worst;
}

/// The plate found to within a tenth of the pitch per well, 1.5 px for the
/// grid centre, `pitchShare` of the pitch (0.5 %) and 1.5 px or 5 % of the radius.
void ExpectFound(const TCPxAquavistGridInfoCircle& g, const Case& c, double pitchShare = 0.005)
{
  SCOPED_TRACE(c.name);
  const scenes::Plate& p = c.plate;
  ASSERT_EQ(g.rows, p.rows);
  ASSERT_EQ(g.cols, p.cols);
  EXPECT_LE(WellError(g, p), p.dx / 10);
  EXPECT_NEAR(g.centre.GetX(), p.cx, 1.5);
  EXPECT_NEAR(g.centre.GetY(), p.cy, 1.5);
  EXPECT_NEAR(g.dx, p.dx, pitchShare * p.dx);
  EXPECT_NEAR(g.dy, p.dy, pitchShare * p.dy);
  EXPECT_NEAR(g.radius, p.radius, std::max(1.5, 0.05 * p.radius));
}

void ExpectNone(const TCPxAquavistGridInfoCircle& g)
{
  EXPECT_EQ(g.rows, 0);
  EXPECT_EQ(g.cols, 0);
  EXPECT_EQ(g.dx, 0);
  EXPECT_EQ(g.dy, 0);
  EXPECT_EQ(g.radius, 0);
  EXPECT_EQ(g.centre.GetX(), 0);
  EXPECT_EQ(g.centre.GetY(), 0);
}

/// The radius refinement as first stated: every offset draws all outlines on a
/// full-frame scratch image, ANDs it with the edge image and sums the frame.
TCPxAquavistGridInfoCircle LiteralPostFit(const TCPx8bitImage& edges, TCPxAquavistGridInfoCircle grid)
{
  TCPx8bitImage scratch(edges.GetWidth(), edges.GetHeight());
  double best = std::numeric_limits<double>::lowest(), bestRadius = 0;
  for (double c = -2.0; c <= 2.0; c += 0.1)
  {
    scratch.Fill(0);
    for (int i = 0; i < grid.cols; ++i)
      for (int j = 0; j < grid.rows; ++j)
        scratch.Circle(TCGenPoint<double>(grid.centre.GetX() + (i - (grid.cols - 1) / 2.0) * grid.dx,
                                          grid.centre.GetY() + (j - (grid.rows - 1) / 2.0) * grid.dy),
                       TCGenMathUtils::Round(grid.radius + c), 255, 1, false);
    scratch.And(edges);
    const double s = scratch.Sum();
    if (s > best)
    {
      best = s;
      bestRadius = grid.radius + c;
    }
  }
  if (2 * bestRadius <= grid.dx && 2 * bestRadius <= grid.dy &&
      pxdetect::GridFitsImage(grid, TCGenMathUtils::Round(bestRadius), edges.GetWidth(), edges.GetHeight()))
    grid.radius = bestRadius;
  return grid;
}
}  // namespace

TEST(WellDetector, FitLinspaceFindsEvenSpacingsAndReportsFailure)
{
  using D = TCPxAquavistWellDetector;
  auto fit = [](const std::vector<double>& v, int count, int perBin, double tol) {
    return D::FitLinspace(Values(v), count, perBin, tol);
  };
  EXPECT_EQ(fit({10, 20, 30}, 3, 1, 5), std::make_pair(20.0, 10.0));
  EXPECT_LT(fit({0, 1, 2, 3, 100}, 3, 1, 5).second, 0);  // 100 falls beyond the last position
  EXPECT_EQ(fit({}, 3, 1, 5), std::make_pair(0.0, 0.0));
  // Two values per position, unordered, with jitter: the least-squares slope.
  {
    const auto r = fit({31, 9, 19.5, 10, 30, 20.5}, 3, 2, 5);
    EXPECT_DOUBLE_EQ(r.first, 20);
    // Independent slope: sum((u - 1)(v - mean)) / sum((u - 1)^2) over the six pairs.
    EXPECT_DOUBLE_EQ(r.second, ((31 + 30) - (9 + 10)) / 4.0);
  }
  // A position with fewer values than perBin is filled up with its mean, so the
  // centre is that of the positions, not the mean of the uneven values.
  {
    const auto r = fit({0, 0, 10, 20, 20}, 3, 2, 3);
    EXPECT_DOUBLE_EQ(r.first, 10);
    EXPECT_DOUBLE_EQ(r.second, 10);
  }
  EXPECT_EQ(fit({0, 0, 20, 20}, 3, 2, 3), std::make_pair(10.0, -1.0));  // an empty position: no even spread
  EXPECT_EQ(fit({0, 0, 0, 20, 20}, 3, 2, 3), std::make_pair(8.0, -1.0));
  const auto same = fit({5, 5.2, 4.9}, 3, 1, 1);  // all within the tolerance: spacing 0
  EXPECT_DOUBLE_EQ(same.first, (5 + 5.2 + 4.9) / 3);  // the mean
  EXPECT_EQ(same.second, -1);
  EXPECT_EQ(fit({10, 20, 30}, 3, 1, 0), std::make_pair(20.0, -1.0));   // no value within tolerance 0
  EXPECT_EQ(fit({10, 20, 30}, 3, 1, -2), std::make_pair(20.0, -1.0));
  EXPECT_EQ(fit({10, 20, 30}, 1, 1, 5), std::make_pair(20.0, -1.0));   // one position: no spacing
  EXPECT_EQ(fit({10, 20, 30}, 0, 1, 5), std::make_pair(20.0, -1.0));
}

TEST(WellDetector, SelectionKeepsCirclesAlignedWithEnoughOthers)
{
  // A 3 x 3 block of radius-6 circles and two strays; needs 1 neighbour in x and in y.
  std::vector<TCPxCircle> circles;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i)
      circles.emplace_back(TCGenPoint<double>(20 + 30 * i + (i == 1 ? 1 : 0), 20 + 30 * j), 6, 0);
  circles.emplace_back(TCGenPoint<double>(22, 200), 6, 0);   // in column 0, on no row
  circles.emplace_back(TCGenPoint<double>(200, 200), 6, 0);  // on the stray's row, in no column
  circles.emplace_back(TCGenPoint<double>(20, 20), 6, 0);    // a duplicate is no neighbour of itself
  std::vector<TCPxCircle> kept = circles;
  pxdetect::SelectCircles(&kept, 3, 3);
  // The first stray has column 0 (within 2 = 6/3) and row-mate (200, 200), which has a row-mate but no
  // column-mate: only the latter goes.
  ASSERT_EQ(kept.size(), circles.size() - 1);
  for (std::size_t i = 0; i < kept.size(); ++i)
    EXPECT_EQ(kept[i].centre.GetX() == 200, false);
  // Five columns need two neighbours in x: the one-row plate of five keeps nothing.
  std::vector<TCPxCircle> row;
  for (int i = 0; i < 5; ++i)
    row.emplace_back(TCGenPoint<double>(20 + 30 * i, 20), 6, 0);
  pxdetect::SelectCircles(&row, 1, 5);
  EXPECT_TRUE(row.empty());
}

TEST(WellDetector, RadiusRefinementMatchesTheFullFrameForm)
{
  // A small noisy edge image with rings of radius 9 and 10 and a grid that
  // reaches the border, so that clipping and shared outline pixels count.
  scenes::Scene scene;
  scene.width = 160;
  scene.height = 120;
  scene.noiseSigma = 30;
  scene.background = 60;
  scene.seed = 7;
  scenes::Plate p = MakePlate(3, 4, 80, 60, 22, 10, 220);
  p.rimWidth = 2;
  p.rimLevel = 250;
  scenes::AddPlate(p, &scene);
  const TCPx8bitImage edges = scenes::Render(scene);
  for (const double r : {7.3, 9.0, 9.46, 10.5, 11.2})
    for (const double pitch : {22.0, 21.4, 37.0})
    {
      TCPxAquavistGridInfoCircle grid;
      grid.centre = TCGenPoint<double>(80.5, 59.5);
      grid.dx = pitch;
      grid.dy = 21.7;
      grid.rows = 3;
      grid.cols = 4;
      grid.radius = r;
      const auto fast = pxdetect::PostFitCircleGrid(edges, grid);
      const auto literal = LiteralPostFit(edges, grid);
      EXPECT_EQ(fast.radius, literal.radius) << r << " " << pitch;
      EXPECT_EQ(fast.dx, grid.dx);
    }
}

TEST(WellDetector, EdgeImageIsSymmetricInY)
{
  scenes::Scene scene;
  scene.width = 96;
  scene.height = 80;
  scene.noiseSigma = 5;
  scene.gradient = 30;
  scenes::AddPlate(MakePlate(2, 2, 45, 38, 36, 12, 200), &scene);
  TCPx8bitImage image = scenes::Render(scene);
  const TCPx8bitImage original(image);
  TCPxFilterCORF corf;
  TCPx8bitImage out(image.GetWidth(), image.GetHeight()), outMirrored(out);
  TCPxFloatImage floats(image.GetWidth(), image.GetHeight());
  pxdetect::ApplyCORFFilter(corf, image, &out, &floats);
  EXPECT_TRUE(image == original);
  EXPECT_NEAR(floats.GetMaximumValue(), 255.0, 1e-3);
  EXPECT_NEAR(floats.GetMinimumValue(), 0.0, 1e-3);
  image.Mirror(true);
  pxdetect::ApplyCORFFilter(corf, image, &outMirrored, nullptr);
  outMirrored.Mirror(true);
  // The smoothing breaks ties one way, so the two differ slightly.
  cv::Mat diff;
  cv::absdiff(*out.GetFullMatPtr(), *outMirrored.GetFullMatPtr(), diff);
  double worst = 0;
  cv::minMaxLoc(diff, nullptr, &worst);
  EXPECT_LT(cv::mean(diff)[0], 2.0);
  EXPECT_LT(cv::countNonZero(diff > 8), static_cast<int>(diff.total() / 100));
  TCPx8bitImage wrongSize(10, 10);
  EXPECT_THROW(pxdetect::ApplyCORFFilter(corf, image, &wrongSize, nullptr), std::invalid_argument);
}
TEST(WellDetector, FindsRenderedPlatesOfEverySizeAndLook)
{
  std::vector<Case> cases;
  cases.push_back(MakeCase("2x3 dark, blur", 320, 240, MakePlate(2, 3, 161, 119, 90, 35, 60), 130, 20, 0.8, 4));
  cases.push_back(MakeCase("4x6 bright, gradient", 480, 360, MakePlate(4, 6, 240, 180.5, 70, 26, 180), 90, 30, 1, 5));
  cases.push_back(MakeCase("8x12 dark, noise", 640, 480, MakePlate(8, 12, 320, 240, 48, 18, 60), 120, 0, 0, 3));
  cases.push_back(MakeCase("8x12 bright, all three", 640, 480, MakePlate(8, 12, 318.5, 243.2, 47.3, 17, 190), 90, 40,
                           1.2, 6, 5));
  cases.push_back(MakeCase("8x12 turned 0.5 degrees", 640, 480, MakePlate(8, 12, 320, 240, 48, 18, 60, 0.5), 120, 20,
                           1, 4));
  cases.push_back(MakeCase("16x24 dark", 640, 480, MakePlate(16, 24, 320, 240, 24, 9, 60), 130, 20, 0.8, 4));
  TCPxAquavistWellDetector detector;
  for (const Case& c : cases)
  {
    TCPx8bitImage image = scenes::Render(c.scene);
    image.SetROI(TCGenRect<int>(5, 5, 50, 40));  // the whole image is searched all the same
    const TCPx8bitImage before(image);
    // Six wells average out little of the transform's whole-pixel centres:
    // the pitch of a 2 x 3 plate is good to about half a pixel (0.6 % here).
    ExpectFound(detector.DetectCirclesInGrid(image, c.plate.rows, c.plate.cols), c,
                c.plate.rows * c.plate.cols < 10 ? 0.01 : 0.005);
    EXPECT_TRUE(image == before);
    EXPECT_EQ(image.GetROI().GetLeft(), 5);
    EXPECT_EQ(image.GetROI().GetWidth(), before.GetROI().GetWidth());
  }
}

TEST(WellDetector, ReturnsNothingForWrongCountsABorderCrossingPlateAndBlankFrames)
{
  TCPxAquavistWellDetector detector;
  // The transform's capped list misses a whole column of this plate: asked
  // for 4 x 5, the five columns left must not pass as a plate of uneven pitch.
  const Case plate = MakeCase("4x6", 480, 360, MakePlate(4, 6, 240, 180, 68, 25.84, 70), 150, 40, 1, 3, 4);
  const TCPx8bitImage image = scenes::Render(plate.scene);
  for (const auto& [rows, cols] : std::vector<std::pair<int, int>>{{4, 5}, {3, 6}, {5, 7}, {1, 6}, {4, 1}, {0, 6}, {4, -2}})
  {
    SCOPED_TRACE(std::to_string(rows) + " x " + std::to_string(cols));
    ExpectNone(detector.DetectCirclesInGrid(image, rows, cols));
  }
  // Half a well beyond the left border.
  const Case crossing = MakeCase("crossing", 480, 360, MakePlate(4, 6, 190, 180, 70, 26, 180), 90, 30, 1, 5);
  ExpectNone(detector.DetectCirclesInGrid(scenes::Render(crossing.scene), 4, 6));
  scenes::Scene blank;
  blank.width = 320;
  blank.height = 240;
  blank.noiseSigma = 6;
  blank.gradient = 30;
  ExpectNone(detector.DetectCirclesInGrid(scenes::Render(blank), 2, 3));
  // Wells under a pixel: nothing to search (and no exception from the transform).
  ExpectNone(detector.DetectCirclesInGrid(TCPx8bitImage(48, 44), 2, 3));
  ExpectNone(detector.DetectCirclesInGrid(image, 1000, 1000));
  ExpectNone(detector.DetectCirclesInGrid(image, 1 << 30, 1 << 30));
}

TEST(WellDetector, SecondLookOnTheMirrorRestoresTheEdgeImage)
{
  // An edge image of sharp rings: both looks find every ring (the transform's
  // centres scatter by a pixel or two either way; the grid averages them).
  TCPx8bitImage edges(400, 300);
  const int rows = 3, cols = 4;
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i)
      edges.Circle(TCGenPoint<int>(80 + 80 * i, 70 + 80 * j), 28, 255, 2, false);
  const TCPx8bitImage before(edges);
  const TCPxAquavistGridInfoCircle g = pxdetect::DetectCirclesInGrid(&edges, rows, cols);
  EXPECT_TRUE(edges == before);
  ASSERT_EQ(g.rows, rows);
  EXPECT_NEAR(g.centre.GetX(), 200, 1.0);
  EXPECT_NEAR(g.centre.GetY(), 150, 1.0);
  EXPECT_NEAR(g.dy, 80, 0.1);
  EXPECT_NEAR(g.radius, 28, 1.5);
}

TEST(WellDetector, WidenedRadiusSearchFindsSmallerPlatesAndKeepsFullOnes)
{
  TCPxAquavistWellDetector detector;
  EXPECT_EQ(detector.GetMinimumPlateSpan(), 1.0);
  TCPxAquavistWellDetector widened = detector;
  widened.SetMinimumPlateSpan(0.5);
  EXPECT_EQ(widened.GetMinimumPlateSpan(), 0.5);
  EXPECT_EQ(detector.GetMinimumPlateSpan(), 1.0);
  EXPECT_THROW(widened.SetMinimumPlateSpan(0), std::invalid_argument);
  EXPECT_THROW(widened.SetMinimumPlateSpan(std::nan("")), std::invalid_argument);
  EXPECT_EQ(widened.GetMinimumPlateSpan(), 0.5);

  // A plate over about half the frame's width: outside the first radius band.
  const Case half = MakeCase("half", 640, 480, MakePlate(8, 12, 330, 230, 26, 10, 60), 120, 20, 1, 4);
  const TCPx8bitImage small = scenes::Render(half.scene);
  ExpectNone(detector.DetectCirclesInGrid(small, 8, 12));
  ExpectFound(widened.DetectCirclesInGrid(small, 8, 12), half);

  // A plate filling the frame: the first band wins, the result is the default's.
  const Case full = MakeCase("full", 640, 480, MakePlate(8, 12, 321, 239, 47, 18, 190), 90, 30, 1, 5);
  const TCPx8bitImage large = scenes::Render(full.scene);
  const auto a = detector.DetectCirclesInGrid(large, 8, 12);
  const auto b = widened.DetectCirclesInGrid(large, 8, 12);
  ExpectFound(a, full);
  EXPECT_EQ(a.centre.GetX(), b.centre.GetX());
  EXPECT_EQ(a.centre.GetY(), b.centre.GetY());
  EXPECT_EQ(a.dx, b.dx);
  EXPECT_EQ(a.dy, b.dy);
  EXPECT_EQ(a.radius, b.radius);
}
