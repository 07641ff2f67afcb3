// The well-plate detector on a rendered 1280 x 960 frame of 96 wells, beside
// its parts (the edge image, the circle transform OpenCV runs), the radius
// refinement beside its full-frame form, the model choice on one and two
// threads beside its edge image, and the rectangle outline scoring beside
// drawing the outlines on a full frame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include <tbb/global_control.h>

#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/analysis/TCPxAquavistWellDetector.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "PxRectGrid.h"
#include "PxWellGrid.h"
#include "Scenes.h"

namespace
{
scenes::Plate Plate96(double angle = 0, double share = 1.0)
{
  scenes::Plate p;
  p.rows = 8;
  p.cols = 12;
  p.cx = 641;
  p.cy = 479;
  p.dx = p.dy = 96 * share;
  p.radius = 36 * share;
  p.wellLevel = 70;
  p.angle = angle;
  return p;
}

/// 96 square wells of the same pitch, walls 3 pixels wide, rounded corners.
scenes::Plate SquarePlate96()
{
  scenes::Plate p = Plate96();
  p.square = true;
  p.halfWidth = p.halfHeight = 46.5;
  p.cornerRadius = 6;
  return p;
}

TCPx8bitImage Frame(const scenes::Plate& p, double noise = 3, double gradient = 40)
{
  scenes::Scene s;
  s.width = 1280;
  s.height = 960;
  s.background = 150;
  s.gradient = gradient;
  s.blurSigma = 1;
  s.noiseSigma = noise;
  s.seed = 9;
  scenes::AddPlate(p, &s);
  return scenes::Render(s);
}

const TCPx8bitImage& Frame96()
{
  static const TCPx8bitImage frame = Frame(Plate96());
  return frame;
}

const TCPx8bitImage& Edges96()
{
  static const TCPx8bitImage edges = [] {
    TCPx8bitImage e(Frame96());
    TCPxFilterCORF corf;
    pxdetect::ApplyCORFFilter(corf, Frame96(), &e, nullptr);
    return e;
  }();
  return edges;
}

void BM_Wells_DetectCirclesInGrid(benchmark::State& state)
{
  TCPxAquavistWellDetector detector;
  detector.SetMinimumPlateSpan(state.range(0) / 100.0);
  for (auto _ : state)
    benchmark::DoNotOptimize(detector.DetectCirclesInGrid(Frame96(), 8, 12));
}
BENCHMARK(BM_Wells_DetectCirclesInGrid)->Arg(100)->Arg(50)->Arg(25)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Wells_EdgeImage(benchmark::State& state)
{
  TCPxFilterCORF corf;
  TCPx8bitImage out(Frame96());
  for (auto _ : state)
    pxdetect::ApplyCORFFilter(corf, Frame96(), &out, nullptr);
}
BENCHMARK(BM_Wells_EdgeImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Wells_OpenCVHoughCircles(benchmark::State& state)
{
  std::vector<cv::Vec3f> found;
  Edges96();  // built once, outside the timing
  for (auto _ : state)
    cv::HoughCircles(*Edges96().GetFullMatPtr(), found, cv::HOUGH_GRADIENT, 1, 2.0 * 28, 100, 18, 28, 57);
}
BENCHMARK(BM_Wells_OpenCVHoughCircles)->Unit(benchmark::kMillisecond)->UseRealTime();

const TCPx8bitImage& SquareFrame96()
{
  static const TCPx8bitImage frame = Frame(SquarePlate96(), 2, 0);
  return frame;
}

const TCPx8bitImage& SquareEdges96()
{
  static const TCPx8bitImage edges = [] {
    TCPx8bitImage e(SquareFrame96());
    TCPxFilterCORF corf;
    pxdetect::ApplyCORFFilter(corf, SquareFrame96(), &e, nullptr);
    return e;
  }();
  return edges;
}

// Both models and the choice; range(0): 0 the circular plate, 1 the square
// one; range(1): worker threads.
void BM_DetectWellsInGrid(benchmark::State& state)
{
  tbb::global_control workers(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(state.range(1)));
  const TCPx8bitImage& frame = state.range(0) == 0 ? Frame96() : SquareFrame96();
  TCPxAquavistWellDetector detector;
  for (auto _ : state)
    benchmark::DoNotOptimize(detector.DetectWellsInGrid(frame, 8, 12));
  const auto wells = detector.DetectWellsInGrid(frame, 8, 12);
  state.SetLabel(wells.isCircle ? "circle found" : wells.isRect ? "rect found" : "none");
}
BENCHMARK(BM_DetectWellsInGrid)->ArgsProduct({{0, 1}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the edge image that both models share.
void BM_DetectWellsInGrid_RefEdgeImage(benchmark::State& state)
{
  tbb::global_control workers(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(state.range(0)));
  TCPxFilterCORF corf;
  TCPx8bitImage out(Frame96());
  TCPxFloatImage outFloat(Frame96().GetWidth(), Frame96().GetHeight());
  for (auto _ : state)
    pxdetect::ApplyCORFFilter(corf, Frame96(), &out, &outFloat);
}
BENCHMARK(BM_DetectWellsInGrid_RefEdgeImage)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

TCPxAquavistGridInfoRect RectGrid96()
{
  TCPxAquavistGridInfoRect g;
  g.centre = TCGenPoint<double>(641, 479);
  g.dx = g.dy = 96;
  g.rows = 8;
  g.cols = 12;
  g.halfWidth = g.halfHeight = 47;
  return g;
}

/// The 432 candidates of one search task about the grid (pitch step in y,
/// centre offsets, half-size offsets), scored by `score`.
template <class Score>
double ScoreOneTask(const TCPxAquavistGridInfoRect& g, Score score)
{
  double best = std::numeric_limits<double>::lowest();
  TCPxAquavistGridInfoRect c = g;
  for (int i = 0; i < 12; ++i)
    for (int ox = -1; ox <= 1; ++ox)
      for (int oy = -1; oy <= 1; ++oy)
        for (int w = -1; w <= 0; ++w)
          for (int h = -1; h <= 0; ++h)
          {
            c.dy = g.dy + i * 0.5 / 6 - 0.5;
            c.centre = TCGenPoint<double>(g.centre.GetX() + ox, g.centre.GetY() + oy);
            c.halfWidth = g.halfWidth + w;
            c.halfHeight = g.halfHeight + h;
            best = std::max(best, score(c));
          }
  return best;
}

void BM_ScoreRectTask(benchmark::State& state)
{
  const pxdetect::RectOutlineScorer scorer(SquareEdges96());
  pxdetect::RectOutlineScorer::Workspace workspace;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        ScoreOneTask(RectGrid96(), [&](const TCPxAquavistGridInfoRect& c) { return scorer.Score(c, &workspace); }));
}
BENCHMARK(BM_ScoreRectTask)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same candidates drawn on a cleared full frame, ANDed with the edges and summed.
void BM_ScoreRectTask_RefFullFrame(benchmark::State& state)
{
  TCPx8bitImage scratch(1280, 960);
  const auto literal = [&](const TCPxAquavistGridInfoRect& c) {
    scratch.Fill(0);
    for (int i = 0; i < c.cols; ++i)
      for (int j = 0; j < c.rows; ++j)
      {
        const double x = c.centre.GetX() + (i - (c.cols - 1) / 2.0) * c.dx;
        const double y = c.centre.GetY() + (j - (c.rows - 1) / 2.0) * c.dy;
        scratch.Rectangle(TCGenRect<int>(TCGenMathUtils::Round(x - c.halfWidth), TCGenMathUtils::Round(y - c.halfHeight),
                                         TCGenMathUtils::Round(x + c.halfWidth), TCGenMathUtils::Round(y + c.halfHeight)),
                          255, 1);
      }
    scratch.And(SquareEdges96());
    return scratch.Sum();
  };
  for (auto _ : state)
    benchmark::DoNotOptimize(ScoreOneTask(RectGrid96(), literal));
}
BENCHMARK(BM_ScoreRectTask_RefFullFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Not a timing: the square path's worst errors against the sensor noise (and
// the lighting gradient), printed once. A plate counts as good when found
// with its centre within 1.5 px and its pitch within 1.5 %.
void BM_Wells_SquareNoiseSweep(benchmark::State& state)
{
  for (auto _ : state)
  {
    TCPxAquavistWellDetector detector;
    for (const double share : {1.0, 0.5})
      for (const double gradient : {0.0, 40.0})
        for (const double noise : {0.0, 4.0, 8.0, 12.0, 16.0, 24.0, 32.0, 48.0, 64.0})
        {
          double pitchError = 0, centreError = 0, halfError = 0;
          int found = 0, good = 0;
          const int seeds = 3;
          for (int seed = 0; seed < seeds; ++seed)
          {
            scenes::Plate p = SquarePlate96();
            p.dx = p.dy = 96 * share * (1 - 0.01 * seed);
            p.halfWidth = p.halfHeight = p.dx / 2 - 1.5;
            p.cornerRadius = 6 * share;
            scenes::Scene s;
            s.width = share < 1 ? 640 : 1280;
            s.height = share < 1 ? 480 : 960;
            p.cx = s.width / 2.0 + 0.6 + 0.37 * seed;
            p.cy = s.height / 2.0 - 0.7 - 0.29 * seed;
            s.background = 150;
            s.gradient = gradient;
            s.blurSigma = 1;
            s.noiseSigma = noise;
            s.seed = 11 + seed;
            scenes::AddPlate(p, &s);
            const auto g = detector.DetectSquaresInGrid(scenes::Render(s), 8, 12);
            if (g.cols != 12)
              continue;
            ++found;
            const double pe = std::max(std::abs(g.dx / p.dx - 1), std::abs(g.dy / p.dy - 1));
            const double ce = std::max(std::abs(g.centre.GetX() - p.cx), std::abs(g.centre.GetY() - p.cy));
            good += pe <= 0.015 && ce <= 1.5;
            pitchError = std::max(pitchError, pe);
            centreError = std::max(centreError, ce);
            halfError = std::max({halfError, std::abs(g.halfWidth - p.halfWidth), std::abs(g.halfHeight - p.halfHeight)});
          }
          std::printf("pitch %3.0f, gradient %2.0f, noise %4.1f: found %d, good %d of %d; worst pitch error %5.2f %%, "
                      "centre %5.2f px, half size %5.2f px\n",
                      96 * share, gradient, noise, found, good, seeds, 100 * pitchError, centreError, halfError);
        }
  }
}
BENCHMARK(BM_Wells_SquareNoiseSweep)->Iterations(1)->Unit(benchmark::kMillisecond);

TCPxAquavistGridInfoCircle Grid96()
{
  TCPxAquavistGridInfoCircle g;
  g.centre = TCGenPoint<double>(641, 479);
  g.dx = g.dy = 96;
  g.rows = 8;
  g.cols = 12;
  g.radius = 35.2;
  return g;
}

void BM_Wells_PostFit(benchmark::State& state)
{
  Edges96();
  for (auto _ : state)
    benchmark::DoNotOptimize(pxdetect::PostFitCircleGrid(Edges96(), Grid96()));
}
BENCHMARK(BM_Wells_PostFit)->Unit(benchmark::kMillisecond)->UseRealTime();

// The refinement drawn, ANDed and summed over the whole frame for each of the 40 offsets.
void BM_Wells_PostFitFullFrame(benchmark::State& state)
{
  const TCPxAquavistGridInfoCircle g = Grid96();
  TCPx8bitImage scratch(1280, 960);
  for (auto _ : state)
  {
    double best = std::numeric_limits<double>::lowest();
    for (double c = -2.0; c <= 2.0; c += 0.1)
    {
      scratch.Fill(0);
      for (int i = 0; i < g.cols; ++i)
        for (int j = 0; j < g.rows; ++j)
          scratch.Circle(TCGenPoint<double>(g.centre.GetX() + (i - 5.5) * g.dx, g.centre.GetY() + (j - 3.5) * g.dy),
                         TCGenMathUtils::Round(g.radius + c), 255, 1, false);
      scratch.And(Edges96());
      best = std::max(best, scratch.Sum());
    }
    benchmark::DoNotOptimize(best);
  }
}
BENCHMARK(BM_Wells_PostFitFullFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Not a timing: the largest well error against the plate's turn, and the
// smallest plate the widened search finds, printed once.
void BM_Wells_AccuracySweep(benchmark::State& state)
{
  for (auto _ : state)
  {
    TCPxAquavistWellDetector detector;
    for (const double angle : {0.0, 0.25, 0.5, 0.75, 1.0, 1.5, 2.0, 3.0})
    {
      const scenes::Plate p = Plate96(angle);
      const auto g = detector.DetectCirclesInGrid(Frame(p), 8, 12);
      double worst = -1;
      if (g.cols == 12)
      {
        const auto truth = scenes::WellCentres(p);
        worst = 0;
        for (int j = 0; j < 8; ++j)
          for (int i = 0; i < 12; ++i)
            worst = std::max(worst, std::hypot(g.centre.GetX() + (i - 5.5) * g.dx - truth[j * 12 + i].GetX(),
                                               g.centre.GetY() + (j - 3.5) * g.dy - truth[j * 12 + i].GetY()));
      }
      std::printf("turn %.2f deg: largest well error %.2f px (pitch 96; -1: not found)\n", angle, worst);
    }
    for (const double span : {1.0, 0.5, 0.25})
    {
      detector.SetMinimumPlateSpan(span);
      for (const double share : {0.75, 0.6, 0.5, 0.4, 0.3, 0.25, 0.2})
      {
        const auto g = detector.DetectCirclesInGrid(Frame(Plate96(0, share)), 8, 12);
        std::printf("min span %.2f, plate at %.2f of the frame: %s\n", span, share * 1152 / 1280,
                    g.cols == 12 ? "found" : "not found");
      }
    }
  }
}
BENCHMARK(BM_Wells_AccuracySweep)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace
