// Float-image operations on a 1920 x 1080 frame beside the OpenCV call for the same job.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/model/TCPxAvrImage.h>
#include <pixolan/model/TCPxFloatImage.h>

namespace
{
constexpr int kW = 1920;
constexpr int kH = 1080;

void Noise(TCPxImageBase& image, unsigned seed, double lo, double hi)
{
  cv::Mat m = *image.GetFullMatPtr();
  cv::setRNGSeed(static_cast<int>(seed));
  cv::randu(m, lo, hi);
}

struct FloatFrames
{
  TCPxFloatImage a{kW, kH}, b{kW, kH}, c{kW, kH};
  cv::Mat ma, mb, mc;
  FloatFrames()
  {
    Noise(a, 1, -1.0, 1.0);
    Noise(b, 2, 0.5, 1.5);
    ma = a.GetFullMatPtr()->clone();
    mb = b.GetFullMatPtr()->clone();
    mc = cv::Mat(kH, kW, CV_32FC1, cv::Scalar(0));
  }
};

#define PAIR(name, ours, ...)                                                                                       \
  void BM_Float##name(benchmark::State& state)                                                                     \
  {                                                                                                                \
    FloatFrames f;                                                                                                 \
    for (auto _ : state)                                                                                           \
    {                                                                                                              \
      ours;                                                                                                        \
      benchmark::ClobberMemory();                                                                                  \
    }                                                                                                              \
  }                                                                                                                \
  BENCHMARK(BM_Float##name);                                                                                       \
  void BM_Float##name##_RefOpenCv(benchmark::State& state)                                                            \
  {                                                                                                                \
    FloatFrames f;                                                                                                 \
    for (auto _ : state)                                                                                           \
    {                                                                                                              \
      __VA_ARGS__;                                                                                                 \
      benchmark::ClobberMemory();                                                                                  \
    }                                                                                                              \
  }                                                                                                                \
  BENCHMARK(BM_Float##name##_RefOpenCv);

// In place, as the image operators work.
PAIR(AddInPlace, f.a += f.b, cv::add(f.ma, f.mb, f.ma))
PAIR(MulInPlace, f.a *= f.b, cv::multiply(f.ma, f.mb, f.ma))
PAIR(AddConstant, f.a += 0.5f, cv::add(f.ma, cv::Scalar(0.5), f.ma))
// Three operands over whole images.
PAIR(Sum, f.c.Sum(f.a, f.b), cv::add(f.ma, f.mb, f.mc))
PAIR(Prod, f.c.Prod(f.a, f.b), cv::multiply(f.ma, f.mb, f.mc))
#undef PAIR

// Cyclic shift in place beside the OpenCV way of doing it (a copy, then the
// four quadrants copied back) and beside one plain copy of the frame.
void BM_FloatCircShift(benchmark::State& state)
{
  FloatFrames f;
  for (auto _ : state)
  {
    f.a.CircShift(357, 611);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FloatCircShift);

void BM_FloatCircShift_RefOpenCv(benchmark::State& state)
{
  FloatFrames f;
  cv::Mat copy;
  const int r = 357, c = 611;
  for (auto _ : state)
  {
    f.ma.copyTo(copy);
    copy(cv::Rect(0, 0, kW - c, kH - r)).copyTo(f.ma(cv::Rect(c, r, kW - c, kH - r)));
    copy(cv::Rect(kW - c, 0, c, kH - r)).copyTo(f.ma(cv::Rect(0, r, c, kH - r)));
    copy(cv::Rect(0, kH - r, kW - c, r)).copyTo(f.ma(cv::Rect(c, 0, kW - c, r)));
    copy(cv::Rect(kW - c, kH - r, c, r)).copyTo(f.ma(cv::Rect(0, 0, c, r)));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FloatCircShift_RefOpenCv);

void BM_FloatCircShift_RefCopyOnce(benchmark::State& state)
{
  FloatFrames f;
  for (auto _ : state)
  {
    f.ma.copyTo(f.mc);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FloatCircShift_RefCopyOnce);

// Running average of grey frames.
struct AverageFrames
{
  TCPx8bitImage frame{kW, kH}, mask{kW, kH};
  TCPxAvrImage average{kW, kH};
  cv::Mat mframe, mmask, maverage;
  AverageFrames()
  {
    Noise(frame, 3, 0, 256);
    Noise(mask, 4, 0, 2);
    Noise(average, 5, 0.0, 255.0);
    mframe = frame.GetFullMatPtr()->clone();
    mmask = mask.GetFullMatPtr()->clone();
    maverage = average.GetFullMatPtr()->clone();
  }
};

void BM_RunningAvr(benchmark::State& state)
{
  AverageFrames f;
  const bool masked = state.range(0) != 0;
  for (auto _ : state)
  {
    f.average.RunningAvr(f.frame, 0.05, masked ? &f.mask : nullptr);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RunningAvr)->Arg(0)->Arg(1);

void BM_RunningAvr_RefOpenCv(benchmark::State& state)
{
  AverageFrames f;
  const bool masked = state.range(0) != 0;
  for (auto _ : state)
  {
    if (masked)
      cv::accumulateWeighted(f.mframe, f.maverage, 0.05, f.mmask);
    else
      cv::accumulateWeighted(f.mframe, f.maverage, 0.05);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RunningAvr_RefOpenCv)->Arg(0)->Arg(1);
} // namespace
