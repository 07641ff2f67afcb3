// Circle detection on rendered 1280 x 960 plates of 12 and 96 wells, beside
// the edge filter alone (the floor of the detector's cost) and the CORF
// threshold's 31 counts as one histogram against 31 thresholded copies.
#include <benchmark/benchmark.h>

#include <vector>

#include <Scenes.h>
#include <pixolan/analysis/TCPxCircleDetector.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/model/TCPx8bitImage.h>

#include "TCPxCircleDetectorImpl.h"

namespace
{
TCPx8bitImage Frame(int wells)
{
  scenes::Scene s;
  s.width = 1280;
  s.height = 960;
  s.background = 170;
  s.gradient = 30;
  s.blurSigma = 1.5;
  s.noiseSigma = 1;
  scenes::Plate p;
  p.cx = 640;
  p.cy = 480;
  p.wellLevel = 60;
  if (wells == 12)
  {
    p.rows = 3;
    p.cols = 4;
    p.dx = p.dy = 280;
    p.radius = 90;
  }
  else
  {
    p.rows = 8;
    p.cols = 12;
    p.dx = p.dy = 100;
    p.radius = 36;
  }
  scenes::AddPlate(p, &s);
  return scenes::Render(s);
}

void BM_CircleDetector_ProcessImage(benchmark::State& state)
{
  const TCPx8bitImage frame = Frame(static_cast<int>(state.range(0)));
  TCPxCircleDetector detector;
  std::vector<TCPxCircle> circles;
  for (auto _ : state)
  {
    circles.clear();
    detector.ProcessImage(frame, &circles);
  }
  state.counters["found"] = static_cast<double>(circles.size());
}
BENCHMARK(BM_CircleDetector_ProcessImage)->Arg(12)->Arg(96)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CORF_EdgeMapOnly(benchmark::State& state)
{
  const TCPx8bitImage frame = Frame(96);
  TCPxFilterCORF corf;
  for (auto _ : state)
  {
    TCPx8bitImage work(frame);
    corf.ProcessImage(&work, nullptr);
  }
}
BENCHMARK(BM_CORF_EdgeMapOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

TCPx8bitImage CorfResponse()
{
  TCPx8bitImage work = Frame(96);
  TCPxFilterCORF().ProcessImage(&work, nullptr);
  return work;
}

void BM_CorfThreshold(benchmark::State& state)
{
  _impl::TCPxCircleDetectorImpl impl;
  impl.SetWorkingImage(std::make_shared<TCPx8bitImage>(CorfResponse()));
  for (auto _ : state)
    benchmark::DoNotOptimize(impl.CalculateCORFImageThreshold());
}
BENCHMARK(BM_CorfThreshold)->Unit(benchmark::kMillisecond);

void BM_CorfThreshold_Ref31Copies(benchmark::State& state)
{
  const TCPx8bitImage response = CorfResponse();
  TCPxFilterDoubleThreshold threshold(0, 255);
  for (auto _ : state)
  {
    long long total = 0;
    for (int i = 1; i <= 31; ++i)
    {
      TCPx8bitImage copy(response);
      threshold.UpdateLower(i);
      threshold.ProcessImage(&copy, nullptr);
      total += copy.CountNonZero();
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_CorfThreshold_Ref31Copies)->Unit(benchmark::kMillisecond);
}  // namespace
