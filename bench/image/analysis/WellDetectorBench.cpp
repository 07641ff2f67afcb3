// The well-plate detector on a rendered 1280 x 960 frame of 96 wells, beside
// its parts (the edge image, the circle transform OpenCV runs) and the radius
// refinement beside its full-frame form.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <limits>

#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/analysis/TCPxAquavistWellDetector.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/model/TCPx8bitImage.h>

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

TCPx8bitImage Frame(const scenes::Plate& p)
{
  scenes::Scene s;
  s.width = 1280;
  s.height = 960;
  s.background = 150;
  s.gradient = 40;
  s.blurSigma = 1;
  s.noiseSigma = 3;
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
