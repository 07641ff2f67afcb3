// pixolan detect-circles: find a set of equally sized circles in grey images.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <pixolan/analysis/TCPxCircleDetector.h>
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
  bool json = false;
  std::string annotate;
};

/// Each circle as a closed polygon of 72 points, numbered from 1 at its centre.
std::vector<Annotation> AnnotationsOf(const std::vector<TCPxCircle>& circles)
{
  std::vector<Annotation> annotations;
  for (std::size_t i = 0; i < circles.size(); ++i)
  {
    const TCPxCircle& c = circles[i];
    Annotation a;
    for (int k = 0; k < 72; ++k)
    {
      const double t = k * 2 * M_PI / 72;
      a.outline.emplace_back(static_cast<int>(std::lround(c.centre.GetX() + c.radius * std::cos(t))),
                             static_cast<int>(std::lround(c.centre.GetY() + c.radius * std::sin(t))));
    }
    a.labelX = c.centre.GetX();
    a.labelY = c.centre.GetY();
    a.label = std::to_string(i + 1);
    annotations.push_back(std::move(a));
  }
  return annotations;
}

ImageReport Analyse(const Options& options, const std::string& path, bool several)
{
  const auto image = ReadImage(path);
  const auto grey = ToGrey(*image);
  // One detector per image: the tasks of a several-image run work in parallel.
  TCPxCircleDetector detector;
  std::vector<TCPxCircle> circles;
  const auto start = std::chrono::steady_clock::now();
  detector.ProcessImage(*grey, &circles);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const std::string annotated = AnnotationPath(options.annotate, path, several);
  if (!annotated.empty())
    WriteAnnotated(*grey, AnnotationsOf(circles), annotated);

  ImageReport report;
  if (options.json)
  {
    Json list = Json::array();
    for (std::size_t i = 0; i < circles.size(); ++i)
    {
      const TCPxCircle& c = circles[i];
      list.push_back({{"id", i + 1},
                      {"centre", Point(c.centre.GetX(), c.centre.GetY())},
                      {"radius", Number(c.radius)},
                      {"score", Number(c.score)}});
    }
    report.json = {{"file", path},
                   {"width", grey->GetWidth()},
                   {"height", grey->GetHeight()},
                   {"count", circles.size()},
                   {"circles", list},
                   {"time_ms", Number(ms)}};
    return report;
  }
  std::ostringstream out;
  const std::size_t n = circles.size();
  out << path << ": " << grey->GetWidth() << " x " << grey->GetHeight() << ", " << n << " circle"
      << (n == 1 ? "" : "s") << " in " << Fixed(ms, 1) << " ms\n";
  if (n > 0)
  {
    char line[120];
    std::snprintf(line, sizeof(line), "%4s %19s %9s %12s\n", "id", "centre (x, y)", "radius", "score");
    out << line;
  }
  for (std::size_t i = 0; i < n; ++i)
  {
    const TCPxCircle& c = circles[i];
    const std::string centre = Fixed(c.centre.GetX(), 2) + ", " + Fixed(c.centre.GetY(), 2);
    char line[160];
    std::snprintf(line, sizeof(line), "%4zu %19s %9s %12s\n", i + 1, centre.c_str(), Fixed(c.radius, 2).c_str(),
                  Fixed(c.score, 1).c_str());
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
  app.footer("Finds a set of equally sized circles (wells, dishes, discs) in grey images, brighter or\n"
             "darker than their surroundings: edge contours vote for centres, circles within 20 % of the\n"
             "mean size that overlap no stronger one are kept, and a template match of their mean\n"
             "appearance adds weak ones. All circles get one radius (at least 12 pixels). Prints per\n"
             "circle its centre, radius and score (the votes it got; 0 when found by the template\n"
             "match) and the detection time. Colour images are converted to grey first.\n"
             "Several images (or folders) give one report each; with --json one JSON object per line.");
  app.add_option("IMAGE", options->images, "image files or folders of them")->required();
  app.add_flag("--json", options->json, "JSON instead of text");
  app.add_option("--annotate", options->annotate,
                 "also write the image with the circles drawn and numbered (with several images: a folder)");
  return [options] {
    return ForEachImage(options->images, options->json, options->annotate,
                        [options](const std::string& path, bool several) { return Analyse(*options, path, several); });
  };
}
} // namespace

const Command kDetectCircles = {"detect-circles", "find a set of equally sized circles in images", Declare};
} // namespace cli
