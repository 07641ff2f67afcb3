// Per-frame paths of the resizer against their nearest references, run side
// by side: memcpy of the same bytes (copy), cv::flip (flip) and cv::resize
// with INTER_NEAREST (resize), all over the same sample buffers.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <tarvek/resizer/TCTfTrfFrameTransform.h>

#include "ResizerTestSupport.h"

using namespace resizer_test;

namespace
{
struct Frames
{
  Frames(const GUID& subtype, int inW, int inH, int outW, int outH)
    : px(BitsOf(subtype) / 8), inW(inW), inH(std::abs(inH)), outW(outW), outH(std::abs(outH)),
      inBlock(VideoInfoBlock(subtype, inW, inH)), outBlock(VideoInfoBlock(subtype, outW, outH)),
      input(PatternFrame(px, inW, std::abs(inH), 1)),
      output(static_cast<std::size_t>(DibStride(px * 8, outW)) * std::abs(outH))
  {
    in.majortype = out.majortype = MEDIATYPE_Video;
    in.subtype = out.subtype = subtype;
    in.formattype = out.formattype = FORMAT_VideoInfo;
    in.pbFormat = inBlock.data();
    in.cbFormat = static_cast<ULONG>(inBlock.size());
    out.pbFormat = outBlock.data();
    out.cbFormat = static_cast<ULONG>(outBlock.size());
    transform.CreateWorkImages(subtype, this->inW, this->inH, this->outW, this->outH);
  }
  HRESULT Run()
  {
    return transform.Transform(in, input.data(), static_cast<long long>(input.size()), out, output.data(),
                               static_cast<long long>(output.size()));
  }
  cv::Mat InMat() { return cv::Mat(inH, inW, CV_8UC(px), input.data(), DibStride(px * 8, inW)); }
  cv::Mat OutMat() { return cv::Mat(outH, outW, CV_8UC(px), output.data(), DibStride(px * 8, outW)); }

  int px, inW, inH, outW, outH;
  std::vector<BYTE> inBlock, outBlock, input, output;
  TCTfTrfVideoFormat in, out;
  TCTfTrfFrameTransform transform;
};

void Report(benchmark::State& state, std::size_t bytes)
{
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(bytes));
}

const GUID& SubtypeOf(int px)
{
  return px == 4 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_Y800;
}

// Args: pixel size, input width, input height (output size where it differs).
void BM_Copy(benchmark::State& state)
{
  Frames f(SubtypeOf(state.range(0)), state.range(1), state.range(2), state.range(1), state.range(2));
  for (auto _ : state)
  {
    if (f.Run() != S_OK)
      state.SkipWithError("frame not delivered");
    benchmark::DoNotOptimize(f.output.data());
    benchmark::ClobberMemory();
  }
  Report(state, f.output.size());
}

void BM_Copy_RefMemcpy(benchmark::State& state)
{
  Frames f(SubtypeOf(state.range(0)), state.range(1), state.range(2), state.range(1), state.range(2));
  for (auto _ : state)
  {
    std::memcpy(f.output.data(), f.input.data(), f.output.size());
    benchmark::DoNotOptimize(f.output.data());
    benchmark::ClobberMemory();
  }
  Report(state, f.output.size());
}

void BM_Flip(benchmark::State& state)
{
  Frames f(SubtypeOf(state.range(0)), state.range(1), -state.range(2), state.range(1), state.range(2));
  for (auto _ : state)
  {
    if (f.Run() != S_OK)
      state.SkipWithError("frame not delivered");
    benchmark::DoNotOptimize(f.output.data());
    benchmark::ClobberMemory();
  }
  Report(state, f.output.size());
}

void BM_Flip_RefOpenCv(benchmark::State& state)
{
  Frames f(SubtypeOf(state.range(0)), state.range(1), state.range(2), state.range(1), state.range(2));
  cv::Mat src = f.InMat();
  cv::Mat dst = f.OutMat();
  for (auto _ : state)
  {
    cv::flip(src, dst, 0);
    benchmark::DoNotOptimize(f.output.data());
    benchmark::ClobberMemory();
  }
  Report(state, f.output.size());
}

void BM_Resize(benchmark::State& state)
{
  Frames f(SubtypeOf(state.range(0)), state.range(1), state.range(2), state.range(3), state.range(4));
  for (auto _ : state)
  {
    if (f.Run() != S_OK)
      state.SkipWithError("frame not delivered");
    benchmark::DoNotOptimize(f.output.data());
    benchmark::ClobberMemory();
  }
  Report(state, f.output.size());
}

void BM_Resize_RefOpenCvNearest(benchmark::State& state)
{
  Frames f(SubtypeOf(state.range(0)), state.range(1), state.range(2), state.range(3), state.range(4));
  cv::Mat src = f.InMat();
  cv::Mat dst = f.OutMat();
  for (auto _ : state)
  {
    cv::resize(src, dst, dst.size(), 0, 0, cv::INTER_NEAREST);
    benchmark::DoNotOptimize(f.output.data());
    benchmark::ClobberMemory();
  }
  Report(state, f.output.size());
}
} // namespace

BENCHMARK(BM_Copy)->Args({4, 1920, 1080})->Args({1, 640, 480})->UseRealTime();
BENCHMARK(BM_Copy_RefMemcpy)->Args({4, 1920, 1080})->Args({1, 640, 480})->UseRealTime();
BENCHMARK(BM_Flip)->Args({4, 1920, 1080})->Args({1, 640, 480})->UseRealTime();
BENCHMARK(BM_Flip_RefOpenCv)->Args({4, 1920, 1080})->Args({1, 640, 480})->UseRealTime();
BENCHMARK(BM_Resize)
  ->Args({4, 1920, 1080, 640, 360})
  ->Args({1, 1920, 1080, 640, 360})
  ->Args({1, 640, 480, 320, 240})
  ->UseRealTime();
BENCHMARK(BM_Resize_RefOpenCvNearest)
  ->Args({4, 1920, 1080, 640, 360})
  ->Args({1, 1920, 1080, 640, 360})
  ->Args({1, 640, 480, 320, 240})
  ->UseRealTime();
