// Contour extraction and thinning on a 1920 x 1080 mask with about 200 blobs.
#include <benchmark/benchmark.h>

#include <climits>
#include <list>
#include <random>
#include <vector>

#include <opencv2/core.hpp>
#include <tbb/global_control.h>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

namespace
{
TCPx8bitImage& Mask()
{
  static TCPx8bitImage mask = [] {
    TCPx8bitImage m(1920, 1080);
    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i)
      m.Ellipse(TCGenPoint<int>(20 + rng() % 1880, 20 + rng() % 1040), 5 + rng() % 15, 5 + rng() % 15,
                static_cast<double>(rng() % 180), 255, 1, true);
    return m;
  }();
  return mask;
}

void BM_FindContours(benchmark::State& state)
{
  const TCPx8bitImage& mask = Mask();
  for (auto _ : state)
  {
    std::list<TCPxContour*> contours;
    mask.FindContours(contours, Px::FindContoursExternal, false);
    for (TCPxContour* c : contours)
      delete c;
  }
}
BENCHMARK(BM_FindContours);

void BM_FindContours_RefOpenCv(benchmark::State& state)
{
  const cv::Mat mask = Mask().GetFullMatPtr()->clone();
  for (auto _ : state)
  {
    std::vector<std::vector<cv::Point>> outlines;
    cv::findContours(mask, outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    benchmark::DoNotOptimize(outlines.data());
  }
}
BENCHMARK(BM_FindContours_RefOpenCv);

void BM_Thin(benchmark::State& state)
{
  // The thinning bands run on the standard parallel algorithms (TBB workers).
  tbb::global_control workers(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state)
  {
    state.PauseTiming();
    TCPx8bitImage work(Mask());
    state.ResumeTiming();
    work.Thin(false, INT_MAX);
  }
}
BENCHMARK(BM_Thin)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_GetEndPoints(benchmark::State& state)
{
  const TCPx8bitImage& mask = Mask();
  for (auto _ : state)
    benchmark::DoNotOptimize(mask.GetEndPoints());
}
BENCHMARK(BM_GetEndPoints)->Unit(benchmark::kMillisecond);
} // namespace
