// pixolan objects: threshold, clean, trace and measure the objects of images.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxObjectFinder.h>
#include <pixolan/model/TCPx8bitImage.h>

#include "CliSupport.h"
#include "Commands.h"

namespace cli
{
namespace
{
struct Options
{
  std::vector<std::string> images;
  double threshold = 0;
  bool thresholdGiven = false;
  bool otsu = false;
  bool dark = false;
  double minArea = 20;
  bool json = false;
  std::string annotate;
};

std::vector<Annotation> AnnotationsOf(const TCPxObjectList& found)
{
  std::vector<Annotation> annotations;
  for (std::size_t i = 0; i < found.objects.size(); ++i)
  {
    const TCPxObjectMeasures& o = found.objects[i];
    const TCGenPoint<int> offset = o.contour->GetROIRect().GetTopLeft();
    Annotation a;
    for (const auto& p : o.contour->GetPoints())
      a.outline.emplace_back(p.x + offset.GetX(), p.y + offset.GetY());
    a.labelX = o.centre.GetX();
    a.labelY = o.centre.GetY();
    a.label = std::to_string(i + 1);
    annotations.push_back(std::move(a));
  }
  return annotations;
}

/// Where the annotated picture of `path` goes: the given file for one image,
/// else <folder>/<image name>.png inside the given folder.
ImageReport Analyse(const Options& options, const std::string& path, bool several)
{
  const auto image = ReadImage(path);
  TCPxObjectSettings settings;
  settings.otsu = !options.thresholdGiven;
  settings.threshold = options.threshold;
  settings.dark = options.dark;
  settings.minArea = options.minArea;
  const TCPxObjectList found = TCPxObjectFinder::FindObjects(*image, settings);
  const std::string annotated = AnnotationPath(options.annotate, path, several);
  if (!annotated.empty())
    WriteAnnotated(*ToGrey(*image), AnnotationsOf(found), annotated);

  ImageReport report;
  if (options.json)
  {
    Json objects = Json::array();
    for (std::size_t i = 0; i < found.objects.size(); ++i)
    {
      const TCPxObjectMeasures& o = found.objects[i];
      objects.push_back({{"id", i + 1},
                         {"area", Number(o.area)},
                         {"perimeter", Number(o.perimeter)},
                         {"centre", Point(o.centre.GetX(), o.centre.GetY())},
                         {"bounding_box",
                          {{"left", o.box.GetLeft()},
                           {"top", o.box.GetTop()},
                           {"width", o.box.GetWidth()},
                           {"height", o.box.GetHeight()}}},
                         {"elongation", Number(o.elongation)}});
    }
    report.json = {{"file", path},
                   {"width", found.width},
                   {"height", found.height},
                   {"threshold", Number(found.threshold)},
                   {"threshold_method", settings.otsu ? "otsu" : "fixed"},
                   {"dark_objects", options.dark},
                   {"min_area", Number(options.minArea)},
                   {"annotated", annotated.empty() ? Json(nullptr) : Json(annotated)},
                   {"count", found.objects.size()},
                   {"objects", objects}};
    return report;
  }
  std::ostringstream out;
  const std::size_t n = found.objects.size();
  out << path << ": " << found.width << " x " << found.height << ", threshold " << Fixed(found.threshold, 1)
      << (settings.otsu ? " (Otsu)" : "") << ", " << n << " object" << (n == 1 ? "" : "s") << " of at least "
      << Fixed(options.minArea, 0) << " pixels\n";
  if (n > 0)
  {
    char line[160];
    std::snprintf(line, sizeof(line), "%4s %9s %10s %17s %22s %10s\n", "id", "area", "perimeter", "centre (x, y)",
                  "box (left top w h)", "elongation");
    out << line;
  }
  for (std::size_t i = 0; i < n; ++i)
  {
    const TCPxObjectMeasures& o = found.objects[i];
    const std::string centre = Fixed(o.centre.GetX(), 1) + ", " + Fixed(o.centre.GetY(), 1);
    const std::string box = std::to_string(o.box.GetLeft()) + " " + std::to_string(o.box.GetTop()) + " " +
                            std::to_string(o.box.GetWidth()) + " " + std::to_string(o.box.GetHeight());
    char line[200];
    std::snprintf(line, sizeof(line), "%4zu %9s %10s %17s %22s %10s\n", i + 1, Fixed(o.area, 1).c_str(),
                  Fixed(o.perimeter, 1).c_str(), centre.c_str(), box.c_str(), Fixed(o.elongation, 3).c_str());
    out << line;
  }
  if (!annotated.empty())
    out << "annotated picture: " << annotated << "\n";
  report.text = out.str();
  return report;
}

Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Finds the objects of images: pixels brighter than the threshold (darker with --dark) form a\n"
                  "mask, a 3 x 3 opening removes specks, and every outer outline of at least A pixels is one\n"
                  "object. Prints per object its area (pixels), perimeter, centre of gravity, bounding box and\n"
                  "elongation (0 for round shapes up to 1 for lines), numbered from the top left.\n"
                  "Several images (or folders) give one report each; with --json one JSON object per line.");
  app.add_option("IMAGE", options->images, "image files or folders of them")->required();
  auto* threshold =
      app.add_option("--threshold", options->threshold, "grey level 0 to 255")->check(CLI::Range(0.0, 255.0));
  app.add_flag("--otsu", options->otsu, "choose the threshold by Otsu's method (the default)")->excludes(threshold);
  app.add_flag("--dark", options->dark, "objects darker than the background");
  app.add_option("--min-area", options->minArea, "smallest object area in pixels (default 20)")
      ->check(CLI::Range(0.0, 1e12));
  app.add_flag("--json", options->json, "JSON instead of text");
  app.add_option("--annotate", options->annotate,
                 "also write the image with outlined, numbered objects (with several images: a folder)");
  return [options, threshold] {
    options->thresholdGiven = threshold->count() > 0;
    return ForEachImage(options->images, options->json, options->annotate,
                        [options](const std::string& path, bool several) { return Analyse(*options, path, several); });
  };
}
} // namespace

const Command kObjects = {"objects", "find, measure and outline the objects of images", Declare};
} // namespace cli
