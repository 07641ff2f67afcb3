// Motion history and HSV keying on 1280 x 960 beside the OpenCV calls doing
// the same work; the foreground model per 640 x 480 colour frame.
#include <benchmark/benchmark.h>

#include <deque>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/filters/TCPxFilterHSV.h>
#include <pixolan/filters/TCPxFilterMotionHistory.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>

namespace
{
cv::Mat Noise(int w, int h, int type, unsigned seed)
{
  cv::Mat m(h, w, type);
  cv::RNG(seed).fill(m, cv::RNG::UNIFORM, 0, 256);
  return m;
}

void BM_MotionHistory_PerCall(benchmark::State& state)
{
  TCPx8bitImage frames[2] = {TCPx8bitImage(1280, 960), TCPx8bitImage(1280, 960)};
  Noise(1280, 960, CV_8U, 1).copyTo(*frames[0].GetFullMatPtr());
  Noise(1280, 960, CV_8U, 2).copyTo(*frames[1].GetFullMatPtr());
  TCPxFilterMotionHistory history;
  history.SetStep(1);
  TCPx8bitImage out(1280, 960);
  int i = 0;
  for (auto _ : state)
    history.ProcessImageFast(&frames[i++ & 1], &out);
}
BENCHMARK(BM_MotionHistory_PerCall)->Unit(benchmark::kMillisecond);

void BM_MotionHistory_PerCall_RefOpenCvArithmetic(benchmark::State& state)
{
  const cv::Mat frames[2] = {Noise(1280, 960, CV_8U, 1), Noise(1280, 960, CV_8U, 2)};
  cv::Mat previous = frames[0].clone(), diff, acc = cv::Mat::zeros(960, 1280, CV_8U), out;
  std::deque<cv::Mat> window;
  int i = 0;
  for (auto _ : state)
  {
    const cv::Mat& f = frames[i++ & 1];
    cv::absdiff(f, previous, diff);
    cv::threshold(diff, diff, 9, 1, cv::THRESH_BINARY);
    cv::add(acc, diff, acc);
    window.push_back(diff.clone());
    if (window.size() >= 10)
    {
      cv::absdiff(acc, window.front(), acc);
      window.pop_front();
    }
    f.copyTo(previous);
    cv::threshold(acc, out, 0, 255, cv::THRESH_BINARY);
  }
}
BENCHMARK(BM_MotionHistory_PerCall_RefOpenCvArithmetic)->Unit(benchmark::kMillisecond);

void BM_HSV_Keying(benchmark::State& state)
{
  TCPx24bitImage image(1280, 960), out(1280, 960);
  Noise(1280, 960, CV_8UC3, 3).copyTo(*image.GetFullMatPtr());
  const TCPxFilterHSV key(20, 90);
  for (auto _ : state)
    key.ProcessImage(&image, &out);
}
BENCHMARK(BM_HSV_Keying)->Unit(benchmark::kMillisecond);

void BM_HSV_Keying_RefOpenCv(benchmark::State& state)
{
  const cv::Mat image = Noise(1280, 960, CV_8UC3, 3);
  cv::Mat hsv, mask, out;
  for (auto _ : state)
  {
    cv::cvtColor(image, hsv, cv::COLOR_BGR2HSV);
    cv::inRange(hsv, cv::Scalar(10, 0, 0), cv::Scalar(45, 256, 256), mask);
    cv::bitwise_not(mask, mask);
    image.copyTo(out);
    out.setTo(cv::Scalar::all(0), mask);
  }
}
BENCHMARK(BM_HSV_Keying_RefOpenCv)->Unit(benchmark::kMillisecond);

void BM_ForegroundGauss_PerFrame(benchmark::State& state)
{
  TCPx24bitImage frame(640, 480);
  TCPx8bitImage mask(640, 480);
  const cv::Mat base = Noise(640, 480, CV_8UC3, 4);
  TCPxFilterForegroundGauss filter;
  int i = 0;
  for (auto _ : state)
  {
    base.copyTo(*frame.GetFullMatPtr());
    cv::circle(*frame.GetFullMatPtr(), {100 + (i++ % 400), 240}, 40, cv::Scalar::all(255), cv::FILLED);
    filter.ProcessImage(&frame, &mask);
  }
}
BENCHMARK(BM_ForegroundGauss_PerFrame)->Unit(benchmark::kMillisecond);
}  // namespace
