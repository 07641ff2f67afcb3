#include <pixolan/analysis/TCPxObjectFinder.h>

#include <algorithm>
#include <list>
#include <memory>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/filters/TCPxFilterMorphology.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxImageBase.h>

namespace
{
// Reading order: rows from the top, each row from the left. An object joins
// the current row when its centre lies within the height of the row's first box.
void SortInReadingOrder(std::vector<TCPxObjectMeasures>& objects)
{
  std::sort(objects.begin(), objects.end(), [](const TCPxObjectMeasures& a, const TCPxObjectMeasures& b) {
    return a.centre.GetY() < b.centre.GetY();
  });
  for (auto rowStart = objects.begin(); rowStart != objects.end();)
  {
    const double rowBottom = rowStart->box.GetBottom();
    auto rowEnd = std::find_if(rowStart, objects.end(),
                               [&](const TCPxObjectMeasures& o) { return o.centre.GetY() >= rowBottom; });
    if (rowEnd == rowStart)
      ++rowEnd;
    std::sort(rowStart, rowEnd, [](const TCPxObjectMeasures& a, const TCPxObjectMeasures& b) {
      return a.centre.GetX() < b.centre.GetX();
    });
    rowStart = rowEnd;
  }
}
} // namespace

TCPx8bitImage* TCPxObjectFinder::CreateGreyImage(const TCPxImageBase& image)
{
  auto grey = std::make_unique<TCPx8bitImage>(image.GetWidth(), image.GetHeight());
  const cv::Mat& source = *image.GetFullMatPtr();
  cv::Mat& target = *grey->GetFullMatPtr();
  switch (image.GetImageType())
  {
  case ImageType8bit: source.copyTo(target); break;
  case ImageType24bit: cv::cvtColor(source, target, cv::COLOR_BGR2GRAY); break;
  case ImageType32bit: cv::cvtColor(source, target, cv::COLOR_BGRA2GRAY); break;
  default: source.convertTo(target, CV_8U); break;
  }
  // Same size and type as the target view: OpenCV wrote into the image's own buffer.
  return grey.release();
}

TCPxObjectList TCPxObjectFinder::FindObjects(const TCPxImageBase& image, const TCPxObjectSettings& settings)
{
  const std::unique_ptr<TCPx8bitImage> grey(CreateGreyImage(image));
  TCPxObjectList result;
  result.width = grey->GetWidth();
  result.height = grey->GetHeight();
  result.threshold = settings.otsu ? grey->GetOtsuThreshold() : settings.threshold;

  TCPx8bitImage mask(grey->GetWidth(), grey->GetHeight());
  cv::threshold(*grey->GetFullMatPtr(), *mask.GetFullMatPtr(), result.threshold, 255,
                settings.dark ? cv::THRESH_BINARY_INV : cv::THRESH_BINARY);
  // Built directly rather than through the factory: the factory's stored
  // parameters are process-wide, and this call may run on several threads.
  const TCPxFilterMorphology open(Px::Open, 1, false);
  open.ProcessImage(&mask, nullptr);

  std::list<TCPxContour*> found;
  mask.FindContours(found, Px::FindContoursExternal, false);
  for (TCPxContour* raw : found)
  {
    TCPxObjectMeasures o;
    o.contour.reset(raw); // owned from here on, kept or not
    o.area = o.contour->GetArea();
    if (o.area < settings.minArea)
      continue;
    o.perimeter = o.contour->GetPerimeter();
    o.centre = o.contour->GetCorrectedCOG();
    const TCGenRect<int> box = o.contour->GetBoundingRect();
    const TCGenPoint<int> offset = o.contour->GetROIRect().GetTopLeft();
    o.box = TCGenRect<int>(box.GetLeft() + offset.GetX(), box.GetTop() + offset.GetY(),
                           box.GetRight() + offset.GetX(), box.GetBottom() + offset.GetY());
    o.elongation = o.contour->GetElongation();
    result.objects.push_back(std::move(o));
  }
  SortInReadingOrder(result.objects);
  return result;
}
