// Image-model kernels on a 1920 x 1080 frame, each beside its nearest reference
// (memcpy of the same bytes, or the OpenCV call for the same job).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

namespace
{
constexpr int kW = 1920;
constexpr int kH = 1080;

void FillNoise(TCPx8bitImage& image)
{
  std::mt19937 rng(1);
  auto* p = const_cast<unsigned char*>(image.GetBuffer());
  for (int i = 0; i < image.GetBufferSize(); ++i)
    p[i] = static_cast<unsigned char>(rng());
}

void SetBytes(benchmark::State& state, std::size_t bytesPerIteration)
{
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytesPerIteration));
}

// ---- copy between strides --------------------------------------------------------
void BM_CopyAlignedBuffer(benchmark::State& state)
{
  const int srcStride = kW * 4 + 64;
  const int dstStride = kW * 4;
  std::vector<unsigned char> src(static_cast<std::size_t>(srcStride) * kH, 1), dst(static_cast<std::size_t>(dstStride) * kH);
  for (auto _ : state)
  {
    TCPxUtil::CopyAlignedBuffer(src.data(), srcStride, dst.data(), dstStride, kW, kH, 4);
    benchmark::DoNotOptimize(dst.data());
  }
  SetBytes(state, static_cast<std::size_t>(kW) * 4 * kH);
}
BENCHMARK(BM_CopyAlignedBuffer);

void BM_CopyAlignedBuffer_RefMemcpy(benchmark::State& state)
{
  const std::size_t bytes = static_cast<std::size_t>(kW) * 4 * kH;
  std::vector<unsigned char> src(bytes, 1), dst(bytes);
  for (auto _ : state)
  {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_CopyAlignedBuffer_RefMemcpy);

// ---- mirror ------------------------------------------------------------------------
void BM_Mirror(benchmark::State& state)
{
  TCPx8bitImage image(kW, kH);
  FillNoise(image);
  const bool vertical = state.range(0) != 0;
  for (auto _ : state)
  {
    image.Mirror(vertical);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<std::size_t>(kW) * kH);
}
BENCHMARK(BM_Mirror)->Arg(0)->Arg(1);

void BM_Mirror_RefOpenCv(benchmark::State& state)
{
  cv::Mat src(kH, kW, CV_8UC1), dst(kH, kW, CV_8UC1);
  cv::randu(src, 0, 255);
  const int code = state.range(0) != 0 ? 0 : 1;
  for (auto _ : state)
  {
    cv::flip(src, dst, code);
    benchmark::ClobberMemory();
  }
  SetBytes(state, static_cast<std::size_t>(kW) * kH);
}
BENCHMARK(BM_Mirror_RefOpenCv)->Arg(0)->Arg(1);

// ---- nearest-neighbour resize --------------------------------------------------------
void BM_ScaleNearestNeighbour(benchmark::State& state)
{
  TCPx8bitImage source(kW, kH), target(640, 360);
  FillNoise(source);
  for (auto _ : state)
  {
    target.ScaleNearestNeighbour(source);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ScaleNearestNeighbour);

void BM_ScaleNearestNeighbour_RefOpenCv(benchmark::State& state)
{
  cv::Mat src(kH, kW, CV_8UC1), dst(360, 640, CV_8UC1);
  cv::randu(src, 0, 255);
  for (auto _ : state)
  {
    cv::resize(src, dst, dst.size(), 0, 0, cv::INTER_NEAREST);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ScaleNearestNeighbour_RefOpenCv);

// ---- histogram -------------------------------------------------------------------------
void BM_IntensityHistogram(benchmark::State& state)
{
  TCPx8bitImage image(kW, kH);
  FillNoise(image);
  std::vector<int> histogram;
  histogram.reserve(256);
  for (auto _ : state)
  {
    histogram.clear();
    benchmark::DoNotOptimize(image.GetIntensityHistogram(256, &histogram));
  }
  SetBytes(state, static_cast<std::size_t>(kW) * kH);
}
BENCHMARK(BM_IntensityHistogram);

void BM_IntensityHistogram_RefOpenCv(benchmark::State& state)
{
  cv::Mat src(kH, kW, CV_8UC1);
  cv::randu(src, 0, 255);
  cv::Mat hist;
  const int histSize = 256;
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  for (auto _ : state)
  {
    cv::calcHist(&src, 1, nullptr, cv::Mat(), hist, 1, &histSize, ranges);
    benchmark::DoNotOptimize(hist.data);
  }
  SetBytes(state, static_cast<std::size_t>(kW) * kH);
}
BENCHMARK(BM_IntensityHistogram_RefOpenCv);
} // namespace
