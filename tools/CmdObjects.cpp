// pixolan objects: threshold, clean, trace and measure the objects of an image.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <list>
#include <memory>
#include <sstream>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
const char* const kUsage =
    "usage: pixolan objects IMAGE [--threshold T | --otsu] [--dark] [--min-area A]\n"
    "                             [--json] [--annotate OUT]\n"
    "\n"
    "Finds the objects of an image: pixels brighter than the threshold (darker\n"
    "with --dark) form a mask, a 3 x 3 opening removes specks, and every outer\n"
    "outline of at least A pixels is one object. Prints per object its area\n"
    "(pixels), perimeter, centre of gravity, bounding box and elongation (0 for\n"
    "round shapes up to 1 for lines), numbered from the top left.\n"
    "\n"
    "  --threshold T   grey level 0 to 255\n"
    "  --otsu          choose the threshold by Otsu's method (the default)\n"
    "  --dark          objects darker than the background\n"
    "  --min-area A    smallest object area in pixels (default 20)\n"
    "  --json          one JSON object instead of text\n"
    "  --annotate OUT  also write the image with outlined, numbered objects\n";

struct Object
{
  std::unique_ptr<TCPxContour> contour;
  double area = 0;
  double perimeter = 0;
  TCGenPoint<double> centre;
  TCGenRect<int> box; ///< image coordinates, right and bottom exclusive
  double elongation = 0;
};

std::vector<Object> FindObjects(const TCPx8bitImage& mask, double minArea)
{
  std::list<TCPxContour*> found;
  mask.FindContours(found, Px::FindContoursExternal, false);
  std::vector<Object> objects;
  for (TCPxContour* raw : found)
  {
    Object o;
    o.contour.reset(raw); // owned from here on, kept or not
    o.area = o.contour->GetArea();
    if (o.area < minArea)
      continue;
    o.perimeter = o.contour->GetPerimeter();
    o.centre = o.contour->GetCorrectedCOG();
    const TCGenRect<int> box = o.contour->GetBoundingRect();
    const TCGenPoint<int> offset = o.contour->GetROIRect().GetTopLeft();
    o.box = TCGenRect<int>(box.GetLeft() + offset.GetX(), box.GetTop() + offset.GetY(),
                           box.GetRight() + offset.GetX(), box.GetBottom() + offset.GetY());
    o.elongation = o.contour->GetElongation();
    objects.push_back(std::move(o));
  }
  // Reading order: rows from the top, each row from the left. An object joins
  // the current row when its centre lies within the height of the row's first box.
  std::sort(objects.begin(), objects.end(),
            [](const Object& a, const Object& b) { return a.centre.GetY() < b.centre.GetY(); });
  for (auto rowStart = objects.begin(); rowStart != objects.end();)
  {
    const double rowBottom = rowStart->box.GetBottom();
    auto rowEnd = std::find_if(rowStart, objects.end(), [&](const Object& o) { return o.centre.GetY() >= rowBottom; });
    if (rowEnd == rowStart)
      ++rowEnd;
    std::sort(rowStart, rowEnd, [](const Object& a, const Object& b) { return a.centre.GetX() < b.centre.GetX(); });
    rowStart = rowEnd;
  }
  return objects;
}

void Annotate(const TCPx8bitImage& grey, const std::vector<Object>& objects, const std::string& path)
{
  TCPx24bitImage picture(grey.GetWidth(), grey.GetHeight());
  cv::Mat& view = *picture.GetFullMatPtr();
  cv::cvtColor(*grey.GetFullMatPtr(), view, cv::COLOR_GRAY2BGR); // same size and type: drawn in place
  const double scale = std::clamp(std::min(view.cols, view.rows) / 600.0, 0.35, 1.5);
  const int thickness = std::max(1, static_cast<int>(std::lround(scale * 2)));
  for (std::size_t i = 0; i < objects.size(); ++i)
  {
    const TCPxContour& c = *objects[i].contour;
    const TCGenPoint<int> offset = c.GetROIRect().GetTopLeft();
    std::vector<std::vector<cv::Point>> outline{c.GetPoints()};
    cv::drawContours(view, outline, 0, cv::Scalar(0, 220, 255), thickness, cv::LINE_8, cv::noArray(), INT_MAX,
                     cv::Point(offset.GetX(), offset.GetY()));
  }
  for (std::size_t i = 0; i < objects.size(); ++i)
  {
    const std::string label = std::to_string(i + 1);
    int baseline = 0;
    const cv::Size size = cv::getTextSize(label, cv::FONT_HERSHEY_SIMPLEX, scale, thickness, &baseline);
    const cv::Point origin(static_cast<int>(std::lround(objects[i].centre.GetX())) - size.width / 2,
                           static_cast<int>(std::lround(objects[i].centre.GetY())) + size.height / 2);
    cv::putText(view, label, origin, cv::FONT_HERSHEY_SIMPLEX, scale, cv::Scalar(0, 0, 0), thickness + 2,
                cv::LINE_AA);
    cv::putText(view, label, origin, cv::FONT_HERSHEY_SIMPLEX, scale, cv::Scalar(60, 60, 255), thickness,
                cv::LINE_AA);
  }
  WriteImage(picture, path);
}

std::string Fixed(double value, int decimals)
{
  if (!std::isfinite(value))
    return "-";
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.*f", decimals, value);
  return buffer;
}

int Run(int argc, char** argv)
{
  const Args args =
      ParseArgs(argc, argv, {"--otsu", "--dark", "--json"}, {"--threshold", "--min-area", "--annotate"});
  if (args.help)
  {
    std::cout << kUsage;
    return 0;
  }
  RequirePositional(args, 1, "IMAGE");
  if (args.Has("--otsu") && args.Has("--threshold"))
    throw UsageError("give either --threshold or --otsu, not both");
  const bool fixedThreshold = args.Has("--threshold");
  const double requested = fixedThreshold ? ParseReal(*args.Value("--threshold"), 0, 255, "--threshold") : 0;
  const double minArea = args.Value("--min-area") ? ParseReal(*args.Value("--min-area"), 0, 1e12, "--min-area") : 20;
  const bool dark = args.Has("--dark");
  const std::string* annotate = args.Value("--annotate");

  const std::string& path = args.positional[0];
  const auto image = ReadImage(path);
  const auto grey = ToGrey(*image);
  const double threshold = fixedThreshold ? requested : grey->GetOtsuThreshold();

  TCPx8bitImage mask(grey->GetWidth(), grey->GetHeight());
  cv::threshold(*grey->GetFullMatPtr(), *mask.GetFullMatPtr(), threshold, 255,
                dark ? cv::THRESH_BINARY_INV : cv::THRESH_BINARY);
  std::unique_ptr<TCPxImageFilter> open(TCPxFilterFactory::Instance()->Create(Px::Morphology, Px::Open, 1));
  if (open)
    open->ProcessImage(&mask, nullptr);
  const std::vector<Object> objects = FindObjects(mask, minArea);
  if (annotate)
    Annotate(*grey, objects, *annotate);

  std::ostringstream out;
  if (args.Has("--json"))
  {
    out << "{\"file\": " << JsonString(path) << ", \"width\": " << grey->GetWidth()
        << ", \"height\": " << grey->GetHeight() << ", \"threshold\": " << JsonNumber(threshold)
        << ", \"threshold_method\": " << JsonString(fixedThreshold ? "fixed" : "otsu")
        << ", \"dark_objects\": " << (dark ? "true" : "false") << ", \"min_area\": " << JsonNumber(minArea)
        << ", \"annotated\": " << (annotate ? JsonString(*annotate) : "null") << ", \"count\": " << objects.size()
        << ", \"objects\": [";
    for (std::size_t i = 0; i < objects.size(); ++i)
    {
      const Object& o = objects[i];
      out << (i ? ", " : "") << "{\"id\": " << i + 1 << ", \"area\": " << JsonNumber(o.area)
          << ", \"perimeter\": " << JsonNumber(o.perimeter) << ", \"centre\": [" << JsonNumber(o.centre.GetX())
          << ", " << JsonNumber(o.centre.GetY()) << "], \"bounding_box\": {\"left\": " << o.box.GetLeft()
          << ", \"top\": " << o.box.GetTop() << ", \"width\": " << o.box.GetWidth()
          << ", \"height\": " << o.box.GetHeight() << "}, \"elongation\": " << JsonNumber(o.elongation) << "}";
    }
    out << "]}\n";
  }
  else
  {
    out << path << ": " << grey->GetWidth() << " x " << grey->GetHeight() << ", threshold "
        << Fixed(threshold, 1) << (fixedThreshold ? "" : " (Otsu)") << ", " << objects.size() << " object"
        << (objects.size() == 1 ? "" : "s") << " of at least " << Fixed(minArea, 0) << " pixels\n";
    if (!objects.empty())
    {
      char line[160];
      std::snprintf(line, sizeof(line), "%4s %9s %10s %17s %22s %10s\n", "id", "area", "perimeter",
                    "centre (x, y)", "box (left top w h)", "elongation");
      out << line;
    }
    for (std::size_t i = 0; i < objects.size(); ++i)
    {
      const Object& o = objects[i];
      const std::string centre = Fixed(o.centre.GetX(), 1) + ", " + Fixed(o.centre.GetY(), 1);
      const std::string box = std::to_string(o.box.GetLeft()) + " " + std::to_string(o.box.GetTop()) + " " +
                              std::to_string(o.box.GetWidth()) + " " + std::to_string(o.box.GetHeight());
      char line[200];
      std::snprintf(line, sizeof(line), "%4zu %9s %10s %17s %22s %10s\n", i + 1, Fixed(o.area, 1).c_str(),
                    Fixed(o.perimeter, 1).c_str(), centre.c_str(), box.c_str(), Fixed(o.elongation, 3).c_str());
      out << line;
    }
    if (annotate)
      out << "annotated picture: " << *annotate << "\n";
  }
  std::cout << out.str();
  return 0;
}
} // namespace

const Command kObjects = {"objects", "find, measure and outline the objects of an image", kUsage, Run};
} // namespace cli
