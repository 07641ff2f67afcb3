// pixolan detect-wells: locate a multi-well plate of known counts in images.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <pixolan/analysis/TCPxAquavistWellDetector.h>
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
  int rows = 0;
  int cols = 0;
  std::string shape = "circle";
  double minSpan = 0.5;
  bool json = false;
  std::string annotate;
};

constexpr double kPi = 3.14159265358979323846;

std::vector<std::pair<double, double>> WellCentres(const TCPxAquavistGridInfoCircle& g)
{
  std::vector<std::pair<double, double>> centres;
  for (int j = 0; j < g.rows; ++j)
    for (int i = 0; i < g.cols; ++i)
      centres.emplace_back(g.centre.GetX() + (i - (g.cols - 1) / 2.0) * g.dx,
                           g.centre.GetY() + (j - (g.rows - 1) / 2.0) * g.dy);
  return centres;
}

/// Every well's outline and a cross at the grid centre.
std::vector<Annotation> AnnotationsOf(const TCPxAquavistGridInfoCircle& g)
{
  std::vector<Annotation> annotations;
  if (g.cols == 0)
    return annotations;
  const int points = std::max(16, static_cast<int>(std::ceil(g.radius)) * 2);
  for (const auto& [x, y] : WellCentres(g))
  {
    Annotation a;
    for (int k = 0; k < points; ++k)
    {
      const double t = 2 * kPi * k / points;
      a.outline.emplace_back(static_cast<int>(std::lround(x + g.radius * std::cos(t))),
                             static_cast<int>(std::lround(y + g.radius * std::sin(t))));
    }
    a.labelX = x;
    a.labelY = y;
    annotations.push_back(std::move(a));
  }
  const int cx = static_cast<int>(std::lround(g.centre.GetX()));
  const int cy = static_cast<int>(std::lround(g.centre.GetY()));
  const int arm = std::max(4, static_cast<int>(std::lround(g.radius / 2)));
  Annotation cross;
  cross.outline = {{cx - arm, cy}, {cx + arm, cy}, {cx, cy}, {cx, cy - arm}, {cx, cy + arm}, {cx, cy}};
  cross.labelX = cx;
  cross.labelY = cy;
  annotations.push_back(std::move(cross));
  return annotations;
}

ImageReport Analyse(const Options& options, const std::string& path, bool several)
{
  const auto image = ReadImage(path);
  const auto grey = ToGrey(*image);
  // One detector per image: a detector serves one thread at a time.
  TCPxAquavistWellDetector detector;
  detector.SetMinimumPlateSpan(options.minSpan);
  const auto start = std::chrono::steady_clock::now();
  const TCPxAquavistGridInfoCircle grid = detector.DetectCirclesInGrid(*grey, options.rows, options.cols);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const bool found = grid.cols > 0;
  const std::string annotated = AnnotationPath(options.annotate, path, several);
  if (!annotated.empty())
    WriteAnnotated(*grey, AnnotationsOf(grid), annotated);

  ImageReport report;
  if (options.json)
  {
    Json wells = Json::array();
    const auto centres = WellCentres(grid);
    for (std::size_t k = 0; k < centres.size(); ++k)
      wells.push_back({{"row", static_cast<int>(k) / grid.cols},
                       {"col", static_cast<int>(k) % grid.cols},
                       {"centre", Point(centres[k].first, centres[k].second)}});
    report.json = {{"file", path},
                   {"width", grey->GetWidth()},
                   {"height", grey->GetHeight()},
                   {"rows", options.rows},
                   {"cols", options.cols},
                   {"found", found},
                   {"model", found ? "circle" : "none"}};
    report.json["grid"] = found ? Json{{"centre", Point(grid.centre.GetX(), grid.centre.GetY())},
                                       {"pitch", Point(grid.dx, grid.dy)},
                                       {"radius", Number(grid.radius)}}
                                : Json(nullptr);
    report.json["wells"] = wells;
    report.json["time_ms"] = Number(ms);
    return report;
  }
  std::ostringstream out;
  out << path << ": " << grey->GetWidth() << " x " << grey->GetHeight() << ", ";
  if (found)
    out << "plate of " << grid.rows << " x " << grid.cols << " circular wells: centre ("
        << Fixed(grid.centre.GetX(), 2) << ", " << Fixed(grid.centre.GetY(), 2) << "), pitch "
        << Fixed(grid.dx, 2) << " x " << Fixed(grid.dy, 2) << ", radius " << Fixed(grid.radius, 2) << "\n";
  else
    out << "no plate of " << options.rows << " x " << options.cols << " wells found\n";
  if (!annotated.empty())
    out << "annotated picture: " << annotated << "\n";
  report.text = out.str();
  return report;
}

Action Declare(CLI::App& app)
{
  auto options = std::make_shared<Options>();
  app.footer("Finds a plate of ROWS x COLS wells (ROWS stacked vertically, COLS side by side) in grey images\n"
             "and prints the grid: its centre, the pitch in x and y and the well radius, in pixels; with\n"
             "--json also every well's centre, row by row from the top left. A plate that is not found is\n"
             "reported (\"found\": false, model \"none\") and is no error: the exit code stays 0.\n"
             "--min-span F: the smallest plate searched for, as a fraction of the frame (default 0.5, a\n"
             "plate over about half the frame); 1 searches only plates that fill most of the frame, the\n"
             "fastest. Several images (or folders) give one report each; with --json one JSON object per line.");
  app.add_option("IMAGE", options->images, "image files or folders of them")->required();
  app.add_option("--rows", options->rows, "wells stacked vertically, 1 to 1000")->required()->check(CLI::Range(1, 1000));
  app.add_option("--cols", options->cols, "wells side by side, 1 to 1000")->required()->check(CLI::Range(1, 1000));
  app.add_option("--shape", options->shape, "well shape: circle (the default)")->check(CLI::IsMember({"circle"}));
  app.add_option("--min-span", options->minSpan, "smallest plate as a fraction of the frame, 0.05 to 1 (default 0.5)")
      ->check(CLI::Range(0.05, 1.0));
  app.add_flag("--json", options->json, "JSON instead of text");
  app.add_option("--annotate", options->annotate,
                 "also write the image with every well outlined and the grid centre marked (with several "
                 "images: a folder)");
  return [options] {
    return ForEachImage(options->images, options->json, options->annotate,
                        [options](const std::string& path, bool several) { return Analyse(*options, path, several); });
  };
}
} // namespace

const Command kDetectWells = {"detect-wells", "locate a plate of circular wells of known counts", Declare};
} // namespace cli
