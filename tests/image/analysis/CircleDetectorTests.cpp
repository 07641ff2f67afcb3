// Circle detection: whole-image runs on rendered scenes with known geometry,
// and the detector's steps one by one against independent computations.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <Scenes.h>
#include <pixolan/analysis/TCPxCircleDetector.h>
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/filters/TCPxFilterGauss.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "TCPxCircleDetectorImpl.h"

namespace
{
using Impl = _impl::TCPxCircleDetectorImpl;
using Points = std::vector<TCGenPoint<double>>;

struct Match
{
  int matched = 0;
  int invented = 0;
  double worstCentre = 0;
};

/// Pairs every true centre with the nearest circle found within half a radius.
Match Compare(const std::vector<TCPxCircle>& found, const Points& truth, double radius)
{
  Match m;
  std::vector<bool> used(found.size(), false);
  for (const auto& t : truth)
  {
    int best = -1;
    for (std::size_t i = 0; i < found.size(); ++i)
      if (!used[i] && found[i].centre.Distance(t) < radius / 2 &&
          (best < 0 || found[i].centre.Distance(t) < found[best].centre.Distance(t)))
        best = static_cast<int>(i);
    if (best < 0)
      continue;
    used[best] = true;
    ++m.matched;
    m.worstCentre = std::max(m.worstCentre, found[best].centre.Distance(t));
  }
  m.invented = static_cast<int>(std::count(used.begin(), used.end(), false));
  return m;
}

scenes::Shape Disc(double x, double y, double r, double level)
{
  scenes::Shape d;
  d.x = x;
  d.y = y;
  d.radius = r;
  d.level = level;
  return d;
}

/// Seven scattered discs of radius 30 on a 640 x 480 frame with a lighting gradient.
scenes::Scene Scattered(double level, double background, double blur, double noise, Points* truth)
{
  scenes::Scene s;
  s.background = background;
  s.gradient = 40;
  s.blurSigma = blur;
  s.noiseSigma = noise;
  s.seed = 7;
  const double xy[][2] = {{80, 90}, {250, 70}, {420, 110}, {560, 300}, {130, 350}, {330, 300}, {480, 420}};
  for (const auto& q : xy)
  {
    s.shapes.push_back(Disc(q[0], q[1], 30, level));
    truth->emplace_back(q[0], q[1]);
  }
  return s;
}

/// A dark plate of 3 x 4 wells of radius 36 on a bright frame.
scenes::Scene Plate(double blur, double noise, Points* truth, scenes::Plate* plate)
{
  scenes::Scene s;
  s.background = 170;
  s.gradient = 30;
  s.blurSigma = blur;
  s.noiseSigma = noise;
  s.seed = 3;
  plate->rows = 3;
  plate->cols = 4;
  plate->dx = plate->dy = 130;
  plate->radius = 36;
  plate->wellLevel = 60;
  scenes::AddPlate(*plate, &s);
  *truth = scenes::WellCentres(*plate);
  return s;
}

/// A closed digital circle (8-connected outline of a filled disc) as a contour.
TCPxContour DigitalCircle(int cx, int cy, int r, int size)
{
  cv::Mat m = cv::Mat::zeros(size, size, CV_8U);
  cv::circle(m, cv::Point(cx, cy), r, cv::Scalar(255), cv::FILLED);
  std::vector<std::vector<cv::Point>> c;
  cv::findContours(m, c, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  return TCPxContour(c.at(0), TCGenRect<int>(0, 0, size, size));
}
}  // namespace

// Every circle found and none invented on plates and scattered discs, bright
// and dark, blurred, with a gradient; one common radius close to the drawn one.
TEST(CircleDetector, FindsEveryCircleOfCleanScenesWithOneRadius)
{
  struct Case
  {
    const char* name;
    scenes::Scene scene;
    Points truth;
    double radius;
  };
  std::vector<Case> cases;
  {
    Case c{"dark plate", {}, {}, 36};
    scenes::Plate p;
    c.scene = Plate(1.5, 0, &c.truth, &p);
    cases.push_back(c);
  }
  {
    Case c{"bright discs", {}, {}, 30};
    c.scene = Scattered(190, 90, 1.5, 0, &c.truth);
    cases.push_back(c);
  }
  {
    Case c{"dark discs", {}, {}, 30};
    c.scene = Scattered(40, 160, 1.0, 0, &c.truth);
    cases.push_back(c);
  }
  TCPxCircleDetector detector;
  for (const Case& c : cases)
  {
    std::vector<TCPxCircle> found;
    detector.ProcessImage(scenes::Render(c.scene), &found);
    const Match m = Compare(found, c.truth, c.radius);
    std::printf("%s: %d of %zu found, %d invented, worst centre %.2f px, radius %.2f (drawn %.0f)\n", c.name,
                m.matched, c.truth.size(), m.invented, m.worstCentre, found.empty() ? 0.0 : found[0].radius,
                c.radius);
    EXPECT_EQ(m.matched, static_cast<int>(c.truth.size())) << c.name;
    EXPECT_EQ(m.invented, 0) << c.name;
    EXPECT_LE(m.worstCentre, 1.5) << c.name;
    for (const TCPxCircle& f : found)
      EXPECT_EQ(f.radius, found[0].radius) << c.name;
    ASSERT_FALSE(found.empty());
    // The common radius sits on the ridge of the edge response, at the drawn edge.
    EXPECT_NEAR(found[0].radius, c.radius, 2.0) << c.name;
  }
}

// Sensor noise makes the thresholded edge map ragged; the opening of the edge
// map keeps every ring voting. Plates of large and small wells and scattered
// discs, sharp and blurred: every circle found, none invented, centres within 3 px.
TEST(CircleDetector, FindsEveryCircleUnderNoise)
{
  struct Case
  {
    const char* name;
    int rows, cols;
    double pitch, radius, blur;
  };
  const Case plates[] = {{"3 x 4 plate", 3, 4, 130, 36, 1.5}, {"2 x 3 plate", 2, 3, 150, 40, 1.5},
                         {"sharp 2 x 3 plate", 2, 3, 150, 40, 0}, {"4 x 6 plate", 4, 6, 90, 30, 1.5}};
  TCPxCircleDetector detector;
  for (double noise : {2.0, 4.0})
  {
    for (const Case& c : plates)
    {
      scenes::Scene s;
      s.background = 170;
      s.gradient = 30;
      s.blurSigma = c.blur;
      s.noiseSigma = noise;
      s.seed = 3;
      scenes::Plate p;
      p.rows = c.rows;
      p.cols = c.cols;
      p.dx = p.dy = c.pitch;
      p.radius = c.radius;
      p.wellLevel = 60;
      p.angle = 2;
      scenes::AddPlate(p, &s);
      std::vector<TCPxCircle> found;
      detector.ProcessImage(scenes::Render(s), &found);
      const Match m = Compare(found, scenes::WellCentres(p), c.radius);
      std::printf("%s, noise %.0f: %d found, %d invented, worst centre %.2f px, radius %.2f (drawn %.0f)\n", c.name,
                  noise, m.matched, m.invented, m.worstCentre, found.empty() ? 0.0 : found[0].radius, c.radius);
      EXPECT_EQ(m.matched, c.rows * c.cols) << c.name << ", noise " << noise;
      EXPECT_EQ(m.invented, 0) << c.name << ", noise " << noise;
      EXPECT_LE(m.worstCentre, 3.0) << c.name << ", noise " << noise;
      ASSERT_FALSE(found.empty());
      EXPECT_NEAR(found[0].radius, c.radius, 2.0) << c.name << ", noise " << noise;
    }
    Points truth;
    std::vector<TCPxCircle> found;
    detector.ProcessImage(scenes::Render(Scattered(190, 90, 1.5, noise, &truth)), &found);
    const Match m = Compare(found, truth, 30);
    EXPECT_EQ(m.matched, static_cast<int>(truth.size())) << "scattered, noise " << noise;
    EXPECT_EQ(m.invented, 0) << "scattered, noise " << noise;
    EXPECT_LE(m.worstCentre, 3.0) << "scattered, noise " << noise;
  }
}

// A well of weak contrast is still found; a disc of clearly another size is not
// returned; a self-touching blob among the discs neither throws nor hides them.
TEST(CircleDetector, KeepsWeakWellRejectsOtherSizeSurvivesSelfTouchingBlob)
{
  Points truth;
  scenes::Scene s = Scattered(190, 90, 1.5, 0, &truth);
  s.shapes[3].level = 115;                                // weak contrast: 25 grey levels
  s.shapes.push_back(Disc(560, 120, 17, 190));            // another size
  scenes::Shape a;                                        // two squares touching at one corner
  a.kind = scenes::Shape::Kind::Rect;
  a.x = 230;
  a.y = 200;
  a.halfWidth = a.halfHeight = 18;
  a.level = 200;
  scenes::Shape b = a;
  b.x = a.x + 36;
  b.y = a.y + 36;
  s.shapes.push_back(a);
  s.shapes.push_back(b);
  TCPxCircleDetector detector;
  std::vector<TCPxCircle> found;
  ASSERT_NO_THROW(detector.ProcessImage(scenes::Render(s), &found));
  const Match m = Compare(found, truth, 30);
  EXPECT_EQ(m.matched, static_cast<int>(truth.size()));
  EXPECT_EQ(m.invented, 0) << "the small disc was returned";
}

// A much larger disc of the wells' brightness neither hides the wells (the
// 20 % radius test takes its reference from the majority) nor gets circles
// placed on its flat inside by the template sweep.
TEST(CircleDetector, LargerDiscHidesNothingAndGetsNoCirclesInside)
{
  for (double big : {54.0, 100.0})
    for (double noise : {0.0, 3.0})
    {
      Points truth;
      scenes::Scene s = Scattered(190, 90, 1.5, noise, &truth);
      s.shapes.erase(s.shapes.begin() + 3); // clears the lower right for the large disc
      truth.erase(truth.begin() + 3);
      s.shapes.pop_back();
      truth.pop_back();
      s.shapes.push_back(Disc(530, 340, big, 190));
      TCPxCircleDetector detector;
      std::vector<TCPxCircle> found;
      detector.ProcessImage(scenes::Render(s), &found);
      const Match m = Compare(found, truth, 30);
      EXPECT_EQ(m.matched, static_cast<int>(truth.size())) << "large disc " << big << ", noise " << noise;
      EXPECT_EQ(m.invented, 0) << "large disc " << big << ", noise " << noise;
    }
}

// Identical results for the same call twice, also after the detector has
// worked on another image size in between.
TEST(CircleDetector, RepeatableAndReusableAcrossSizes)
{
  Points truth;
  const TCPx8bitImage first = scenes::Render(Scattered(190, 90, 1.5, 2, &truth));
  scenes::Scene other;
  other.width = 300;
  other.height = 260;
  other.background = 60;
  other.blurSigma = 1;
  other.shapes = {Disc(80, 80, 25, 200), Disc(200, 170, 25, 200)};
  TCPxCircleDetector detector;
  std::vector<TCPxCircle> a, b, c;
  detector.ProcessImage(first, &a);
  detector.ProcessImage(scenes::Render(other), &b);
  detector.ProcessImage(first, &c);
  ASSERT_EQ(a.size(), c.size());
  for (std::size_t i = 0; i < a.size(); ++i)
  {
    EXPECT_EQ(a[i].centre.GetX(), c[i].centre.GetX());
    EXPECT_EQ(a[i].centre.GetY(), c[i].centre.GetY());
    EXPECT_EQ(a[i].radius, c[i].radius);
    EXPECT_EQ(a[i].score, c[i].score);
  }
  const Match m = Compare(b, {TCGenPoint<double>(80, 80), TCGenPoint<double>(200, 170)}, 25);
  EXPECT_EQ(m.matched, 2);
  EXPECT_EQ(m.invented, 0);
}

// Blank and tiny images leave the caller's vector as it was; discs too small
// to be accepted empty a pre-filled vector.
TEST(CircleDetector, BlankTinyAndTooSmallInputs)
{
  const std::vector<TCPxCircle> before = {TCPxCircle(TCGenPoint<double>(1, 2), 3, 4)};
  TCPxCircleDetector detector;
  {
    TCPx8bitImage blank(200, 150);
    blank.Fill(128);
    std::vector<TCPxCircle> out = before;
    detector.ProcessImage(blank, &out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].radius, 3);
  }
  for (const auto& size : {std::pair<int, int>(1, 1), {3, 200}, {200, 4}, {25, 25}, {26, 26}, {27, 90}, {60, 60}})
  {
    scenes::Scene s;
    s.width = size.first;
    s.height = size.second;
    s.shapes = {Disc(size.first / 2.0, size.second / 2.0, 12, 220)};
    std::vector<TCPxCircle> out = before;
    ASSERT_NO_THROW(detector.ProcessImage(scenes::Render(s), &out)) << size.first << " x " << size.second;
    ASSERT_NO_THROW(detector.ProcessImage(scenes::Render(s), nullptr));
  }
  {
    scenes::Scene s;
    s.blurSigma = 1;
    for (int i = 0; i < 6; ++i)
      s.shapes.push_back(Disc(80 + 90 * i, 200, 8, 220));
    std::vector<TCPxCircle> out = before;
    detector.ProcessImage(scenes::Render(s), &out);
    EXPECT_TRUE(out.empty());
  }
}

// The 20 % radius rule and the overlap rules on hand-made candidates.
TEST(CircleDetectorSteps, SelectCirclesRadiusAndOverlapRules)
{
  Impl impl;
  auto at = [](double x, double y, double r, double s) { return TCPxCircle(TCGenPoint<double>(x, y), r, s); };
  // Mean radius 20: 15.9 and 24.1 lie beyond 20 %; 16.5 and 23.5 within.
  const std::vector<TCPxCircle> sizes = {at(0, 0, 20, 1),   at(100, 0, 15.9, 1), at(200, 0, 24.1, 1),
                                         at(300, 0, 16.5, 1), at(400, 0, 23.5, 1), at(500, 0, 20, 1)};
  std::vector<TCPxCircle> out;
  impl.SelectCircles(sizes, {}, &out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].centre.GetX(), 0);
  EXPECT_EQ(out[1].centre.GetX(), 300);
  EXPECT_EQ(out[2].centre.GetX(), 400);
  EXPECT_EQ(out[3].centre.GetX(), 500);

  // Overlaps: the higher score stays; on equal scores the later one; a circle
  // whose radius reaches the other's centre counts too; output in candidate order.
  const std::vector<TCPxCircle> overlap = {at(0, 0, 20, 5),    at(15, 0, 20, 9),   // second stronger
                                           at(200, 0, 20, 4),  at(219, 0, 20, 4),  // equal: later stays
                                           at(400, 0, 20, 7),  at(421, 0, 20, 1),  // apart: both stay
                                           at(600, 0, 20, 8),  at(610, 0, 20, 3)}; // first stronger
  out.clear();
  impl.SelectCircles(overlap, {}, &out);
  std::vector<double> xs;
  for (const auto& c : out)
    xs.push_back(c.centre.GetX());
  EXPECT_EQ(xs, (std::vector<double>{15, 219, 400, 421, 600}));

  // Previous circles reject candidates that overlap them, whatever the scores;
  // the radius statistics of the first selection still apply.
  out = {at(0, 0, 20, 1)};
  const std::vector<TCPxCircle> previous = out;
  impl.SelectCircles({at(10, 0, 20, 100), at(100, 0, 20, 1), at(200, 0, 30, 1)}, previous, &out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].centre.GetX(), 100);

  // No candidates: nothing changes.
  impl.SelectCircles({}, {}, &out);
  EXPECT_EQ(out.size(), 2u);
}

// The threshold from one histogram equals the literal count of pixels above
// each of the 31 bounds; a flat response gives NaN.
TEST(CircleDetectorSteps, CorfThresholdFromHistogramMatchesThresholdCounts)
{
  for (double noise : {0.0, 3.0})
  {
    Points truth;
    scenes::Scene s = Scattered(190, 90, 1.5, noise, &truth);
    s.width = 320;
    s.height = 240;
    Impl impl;
    impl.SetWorkingImage(std::make_shared<TCPx8bitImage>(scenes::Render(s)));
    impl.InitAccumulatorsAndImages();
    impl.ApplyCorfFilter();
    const TCPx8bitImage corf(*impl.GetWorkingImage());

    // Reference: threshold copies and non-zero counts, then the tail rule.
    double c[32] = {};
    TCPxFilterDoubleThreshold threshold(0, 255);
    for (int i = 1; i <= 31; ++i)
    {
      TCPx8bitImage copy(corf);
      threshold.UpdateLower(i);
      threshold.ProcessImage(&copy, nullptr);
      c[i] = copy.CountNonZero();
    }
    double sj[29], peak = -1;
    for (int j = 0; j <= 28; ++j)
      peak = std::max(peak, sj[j] = c[j + 2] - c[j + 3]);
    int q = 0;
    while (sj[q] != peak)
      ++q;
    double expected = 10;
    for (int j = q; j <= 28; ++j)
      if (sj[j] / peak < 0.1)
      {
        expected = j + 3;
        break;
      }
    EXPECT_EQ(impl.CalculateCORFImageThreshold(), expected) << "noise " << noise;
  }
  Impl impl;
  impl.SetWorkingImage(std::make_shared<TCPx8bitImage>(64, 64));
  EXPECT_TRUE(std::isnan(impl.CalculateCORFImageThreshold()));
}

// Smoothing a contour's vote image over the box of its votes gives the
// whole-frame smoothing's values everywhere, at the frame's edges too.
TEST(CircleDetectorSteps, BoxSmoothingEqualsWholeFrameSmoothing)
{
  std::mt19937 rng(5);
  for (const TCGenRect<int>& votes :
       {TCGenRect<int>(20, 15, 40, 30), TCGenRect<int>(0, 0, 10, 8), TCGenRect<int>(55, 40, 79, 59)})
  {
    TCPxFloatImage box(80, 60), whole(80, 60);
    std::uniform_int_distribution<int> x(votes.GetLeft(), votes.GetRight()), y(votes.GetTop(), votes.GetBottom());
    for (int k = 0; k < 40; ++k)
    {
      const int px = x(rng), py = y(rng);
      box.SetPixelFast(px, py, box.GetPixelFast(px, py) + 1);
    }
    whole = box;
    Impl::SmoothVotes(&box, votes);
    TCPxFilterGauss(9, 4.0).ProcessImage(&whole, nullptr);
    for (int py = 0; py < 60; ++py)
      for (int px = 0; px < 80; ++px)
        ASSERT_NEAR(box.GetPixelFast(px, py), whole.GetPixelFast(px, py), 1e-6f) << px << ", " << py;
  }
}

// Three-point circles of a digital circle centre on the true centre with the
// true radius; too long a step or a blob without votes yields nothing.
TEST(CircleDetectorSteps, ThreePointCirclesCandidatesAndStep)
{
  Impl impl;
  const TCPxContour circle = DigitalCircle(60, 55, 30, 120);
  int calls = 0;
  double worst = 0, sx = 0, sy = 0, sr = 0;
  impl.ProcessContour3PointCircles(circle, 20, [&](TCGenPoint<double> c, double r) {
    ++calls;
    worst = std::max(worst, c.Distance(TCGenPoint<double>(60, 55)));
    sx += c.GetX();
    sy += c.GetY();
    sr += r;
  });
  // The digital outline scatters single triples by a few pixels; their mean is exact.
  EXPECT_EQ(calls, circle.GetSize());
  EXPECT_LE(worst, 4.0);
  EXPECT_NEAR(sx / calls, 60, 0.2);
  EXPECT_NEAR(sy / calls, 55, 0.2);
  EXPECT_NEAR(sr / calls, 30, 0.5);
  calls = 0;
  impl.ProcessContour3PointCircles(circle, circle.GetSize(), [&](TCGenPoint<double>, double) { ++calls; });
  EXPECT_EQ(calls, 0);
  // A round outline: one eighth of its points.
  EXPECT_EQ(impl.CalculateInitialStepSize(circle), static_cast<int>(circle.GetSize() * 0.125));

  // Votes of the circle: the blob of the smoothed map gives one candidate at
  // the centre; with the accumulators cleared the same blob gives none.
  impl.SetWorkingImage(std::make_shared<TCPx8bitImage>(120, 120));
  impl.InitAccumulatorsAndImages();
  Impl::ContourList contours = {new TCPxContour(circle)}, used, blobs;
  impl.FillAccumulators(contours, used);
  EXPECT_EQ(used.size(), 1u);
  EXPECT_NEAR(impl.GetStep(), std::lround(30 * 2 * M_PI / 8), 1);
  impl.GetAccumulatorContours(&blobs);
  std::vector<TCPxCircle> candidates;
  impl.FindCandidateCircles(blobs, &candidates);
  ASSERT_EQ(candidates.size(), 1u);
  EXPECT_LE(candidates[0].centre.Distance(TCGenPoint<double>(60, 55)), 1.0);
  EXPECT_NEAR(candidates[0].radius, 29, 1.5);
  impl.InitAccumulatorsAndImages();
  candidates.clear();
  impl.FindCandidateCircles(blobs, &candidates);
  EXPECT_TRUE(candidates.empty());
  Impl::ClearContours(&contours);
  Impl::ClearContours(&used);
  Impl::ClearContours(&blobs);
}

// Template matching adds nothing when no well crop fits in the image or the
// template would not be smaller than the image.
TEST(CircleDetectorSteps, TemplateMatchingNeedsCropsThatFit)
{
  scenes::Scene s;
  s.width = 200;
  s.height = 120;
  s.shapes = {Disc(50, 60, 20, 200), Disc(150, 60, 20, 200)};
  const TCPx8bitImage image = scenes::Render(s);
  Impl impl;
  impl.SetWorkingImage(std::make_shared<TCPx8bitImage>(image));
  impl.InitAccumulatorsAndImages();
  ASSERT_TRUE(impl.PreProcessImage()); // the edge response the matches are checked against
  // Radius statistics for the 20 % test.
  std::vector<TCPxCircle> seed;
  impl.SelectCircles({TCPxCircle(TCGenPoint<double>(5, 5), 20, 1)}, {}, &seed);
  std::vector<TCPxCircle> circles = {TCPxCircle(TCGenPoint<double>(5, 5), 20, 1)};  // crop leaves the image
  impl.DoTemplateMatching(image, &circles);
  EXPECT_EQ(circles.size(), 1u);
  circles = {TCPxCircle(TCGenPoint<double>(100, 60), 60, 1)};  // 2r = image height
  impl.DoTemplateMatching(image, &circles);
  EXPECT_EQ(circles.size(), 1u);
  // One known disc: the match finds the other.
  circles = {TCPxCircle(TCGenPoint<double>(50, 60), 20, 1)};
  impl.DoTemplateMatching(image, &circles);
  ASSERT_EQ(circles.size(), 2u);
  EXPECT_LE(circles[1].centre.Distance(TCGenPoint<double>(150, 60)), 1.5);
  EXPECT_EQ(circles[1].score, 0);
}

// A self-touching outline (two squares sharing a corner) votes or not, but never throws.
TEST(CircleDetectorSteps, SelfTouchingContourDoesNotThrow)
{
  const std::vector<cv::Point> eight = {{10, 10}, {30, 10}, {30, 30}, {50, 30}, {50, 50},
                                        {30, 50}, {30, 30}, {10, 30}};
  std::vector<cv::Point> dense;
  for (std::size_t i = 0; i < eight.size(); ++i)
  {
    const cv::Point a = eight[i], b = eight[(i + 1) % eight.size()];
    const int n = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    for (int k = 0; k < n; ++k)
      dense.emplace_back(a.x + (b.x - a.x) * k / n, a.y + (b.y - a.y) * k / n);
  }
  const TCPxContour contour(dense, TCGenRect<int>(0, 0, 64, 64));
  Impl impl;
  impl.SetWorkingImage(std::make_shared<TCPx8bitImage>(64, 64));
  impl.InitAccumulatorsAndImages();
  Impl::ContourList used;
  EXPECT_NO_THROW(impl.CalculateInitialStepSize(contour));
  EXPECT_NO_THROW(impl.VoteContour(contour, true, used));
  Impl::ClearContours(&used);
}
