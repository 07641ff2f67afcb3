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

void BM_CORF(benchmark::State& state)
{
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(state.range(0)));
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterCORF corf;
  for (auto _ : state)
    corf.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(BM_CORF)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CORF_RefStepByStep(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFilterCORF corf;
  for (auto _ : state)
    benchmark::DoNotOptimize(pixolan_test::LiteralCORF(corf, source));
}
BENCHMARK(BM_CORF_RefStepByStep)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Gabor(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterGabor2D gabor;
  for (auto _ : state)
    gabor.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(BM_Gabor)->Unit(benchmark::kMillisecond);

void BM_Gabor_RefOpenCvFilter2D(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFilterGabor2D gabor;
  const cv::Mat kernel = *gabor.GetKernel()->GetFullMatPtr();
  cv::Mat out;
  for (auto _ : state)
    cv::filter2D(*source.GetFullMatPtr(), out, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
}
BENCHMARK(BM_Gabor_RefOpenCvFilter2D)->Unit(benchmark::kMillisecond);

void BM_LogGabor(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterLogGabor2D logGabor;
  for (auto _ : state)
    logGabor.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(BM_LogGabor)->Unit(benchmark::kMillisecond);

void BM_LogGabor_RefOpenCvFilter2D(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFilterLogGabor2D logGabor;
  std::unique_ptr<TCPxFloatImage> kernel(logGabor.GetKernel());
  cv::Mat out;
  for (auto _ : state)
    cv::filter2D(*source.GetFullMatPtr(), out, -1, *kernel->GetFullMatPtr(), cv::Point(-1, -1), 0,
                 cv::BORDER_REFLECT_101);
}
BENCHMARK(BM_LogGabor_RefOpenCvFilter2D)->Unit(benchmark::kMillisecond);

void BM_Angularity(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  TCPxFloatImage out(kW, kH);
  TCPxFilterAngularity angularity;
  for (auto _ : state)
    angularity.ProcessImage(const_cast<TCPxFloatImage*>(&source), &out);
}
BENCHMARK(BM_Angularity)->Unit(benchmark::kMillisecond);

void BM_Angularity_RefOpenCvCornerMinEigenVal(benchmark::State& state)
{
  const TCPxFloatImage source = Scene();
  cv::Mat out;
  for (auto _ : state)
    cv::cornerMinEigenVal(*source.GetFullMatPtr(), out, 11, 3, cv::BORDER_REFLECT_101);
}
BENCHMARK(BM_Angularity_RefOpenCvCornerMinEigenVal)->Unit(benchmark::kMillisecond);

void BM_Hurst(benchmark::State& state)
{
  TCPx8bitImage source(kW, kH), out(kW, kH);
  cv::randu(*source.GetFullMatPtr(), 0, 256);
  TCPxFilterHurst hurst(7);
  for (auto _ : state)
    hurst.ProcessImage(&source, &out);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_Hurst)->Unit(benchmark::kMillisecond);
} // namespace
