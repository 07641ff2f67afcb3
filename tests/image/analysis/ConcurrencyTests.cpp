// Separate images, filters, contours and objects on four threads at once give
// what one thread gives. Run under ThreadSanitizer by scripts/run-tsan.sh.
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <thread>
#include <vector>

#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxObjectFinder.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/model/TCPx8bitImage.h>

namespace
{
struct Result
{
  double sum = 0;
  std::size_t contours = 0;
  double area = 0;
  std::size_t objects = 0;
};

Result Work(unsigned seed)
{
  TCPx8bitImage image(160, 120);
  cv::Mat& m = *image.GetFullMatPtr();
  cv::RNG(seed).fill(m, cv::RNG::UNIFORM, 0, 40);
  for (int i = 0; i < 6; ++i)
    cv::circle(m, {20 + 24 * i, 30 + 10 * (i % 3)}, 6 + i, 200, cv::FILLED);
  // A filter built from the factory's stored parameters, used by this thread only.
  std::unique_ptr<TCPxImageFilter> median(TCPxFilterFactory::Instance()->Create(Px::Median));
  median->ProcessImage(&image, nullptr);
  Result r;
  r.sum = image.Sum();
  std::list<TCPxContour*> found;
  TCPx8bitImage mask(image);
  cv::threshold(*mask.GetFullMatPtr(), *mask.GetFullMatPtr(), 100, 255, cv::THRESH_BINARY);
  mask.FindContours(found, Px::FindContoursExternal, false);
  r.contours = found.size();
  for (TCPxContour* c : found)
  {
    r.area += c->GetArea();
    delete c;
  }
  r.objects = TCPxObjectFinder::FindObjects(image, TCPxObjectSettings()).objects.size();
  return r;
}
}  // namespace

TEST(Concurrency, SeparateImagesFiltersContoursAndObjectsOnFourThreads)
{
  std::vector<Result> reference;
  for (unsigned t = 0; t < 4; ++t)
    reference.push_back(Work(t));
  std::vector<Result> results(4);
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i)
        results[t] = Work(t);
    });
  for (auto& th : threads)
    th.join();
  for (unsigned t = 0; t < 4; ++t)
  {
    EXPECT_EQ(results[t].sum, reference[t].sum);
    EXPECT_EQ(results[t].contours, 6u);
    EXPECT_EQ(results[t].contours, reference[t].contours);
    EXPECT_EQ(results[t].area, reference[t].area);
    EXPECT_EQ(results[t].objects, reference[t].objects);
  }
}
