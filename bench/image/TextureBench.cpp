// Texture filters on camera-sized frames beside the OpenCV calls for the same
// job; the contour operator against its step-by-step form and with 1 or 2 threads.
#include <benchmark/benchmark.h>

#include <memory>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <tbb/global_control.h>

#include <pixolan/pixolan.h>

#include "CORFReference.h"

namespace
{
constexpr int kW = 1280;
constexpr int kH = 960;

TCPxFloatImage Scene()
{
  TCPxFloatImage image(kW, kH);
  cv::Mat m = *image.GetFullMatPtr();
  cv::randu(m, 0, 40);
  cv::circle(m, cv::Point(640, 480), 300, cv::Scalar(200), 8);
  return image;
}

void CORF(benchmark::State& state)
{
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(state.range(0)));
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterCORF corf;
  for (auto _ : state)
    corf.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(CORF)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void CORFStepByStep(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFilterCORF corf;
  for (auto _ : state)
    benchmark::DoNotOptimize(pixolan_test::LiteralCORF(corf, source));
}
BENCHMARK(CORFStepByStep)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void Gabor(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterGabor2D gabor;
  for (auto _ : state)
    gabor.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(Gabor)->Unit(benchmark::kMillisecond);

void GaborFilter2D(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFilterGabor2D gabor;
  const cv::Mat kernel = *gabor.GetKernel()->GetFullMatPtr();
  cv::Mat out;
  for (auto _ : state)
    cv::filter2D(*source.GetFullMatPtr(), out, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
}
BENCHMARK(GaborFilter2D)->Unit(benchmark::kMillisecond);

void LogGabor(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterLogGabor2D logGabor;
  for (auto _ : state)
    logGabor.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(LogGabor)->Unit(benchmark::kMillisecond);

void LogGaborFilter2D(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFilterLogGabor2D logGabor;
  std::unique_ptr<TCPxFloatImage> kernel(logGabor.GetKernel());
  cv::Mat out;
  for (auto _ : state)
    cv::filter2D(*source.GetFullMatPtr(), out, -1, *kernel->GetFullMatPtr(), cv::Point(-1, -1), 0,
                 cv::BORDER_REFLECT_101);
}
BENCHMARK(LogGaborFilter2D)->Unit(benchmark::kMillisecond);

void Angularity(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterAngularity angularity;
  for (auto _ : state)
    angularity.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(Angularity)->Unit(benchmark::kMillisecond);

void CornerMinEigenVal(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  cv::Mat out;
  for (auto _ : state)
    cv::cornerMinEigenVal(*source.GetFullMatPtr(), out, 11, 3, cv::BORDER_REFLECT_101);
}
BENCHMARK(CornerMinEigenVal)->Unit(benchmark::kMillisecond);

void Hurst(benchmark::State& state)
{
  TCPx8bitImage source(kW, kH), out(kW, kH);
  cv::randu(*source.GetFullMatPtr(), 0, 256);
  TCPxFilterHurst hurst(7);
  for (auto _ : state)
    hurst.ProcessImage(&source, &out);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(Hurst)->Unit(benchmark::kMillisecond);
} // namespace
