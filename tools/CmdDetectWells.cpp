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
  std::string shape = "auto";
  double minSpan = 0.5;
  bool json = false;
  std::string annotate;
};

constexpr double kPi = 3.14159265358979323846;

/// The plate found by the model(s) asked for: at most one of the two grids has wells.
struct Plate
{
  TCPxAquavistGridInfoCircle circle;
  TCPxAquavistGridInfoRect rect;
  bool IsCircle() const { return circle.cols > 0; }
  bool IsRect() const { return rect.cols > 0; }
};

template <class Grid>
std::vector<std::pair<double, double>> WellCentres(const Grid& g)
{
  std::vector<std::pair<double, double>> centres;
  for (int j = 0; j < g.rows; ++j)
    for (int i = 0; i < g.cols; ++i)
      centres.emplace_back(g.centre.GetX() + (i - (g.cols - 1) / 2.0) * g.dx,
                           g.centre.GetY() + (j - (g.rows - 1) / 2.0) * g.dy);
  return centres;
}

/// A cross at the grid centre with arms of `arm` pixels (4 at least).
Annotation CentreCross(double x, double y, double arm)
{
  const int cx = static_cast<int>(std::lround(x));
  const int cy = static_cast<int>(std::lround(y));
  const int a = std::max(4, static_cast<int>(std::lround(arm)));
  Annotation cross;
  cross.outline = {{cx - a, cy}, {cx + a, cy}, {cx, cy}, {cx, cy - a}, {cx, cy + a}, {cx, cy}};
  cross.labelX = cx;
  cross.labelY = cy;
  return cross;
}

/// Every well's outline and a cross at the grid centre.
std::vector<Annotation> AnnotationsOf(const Plate& plate)
{
  std::vector<Annotation> annotations;
  if (plate.IsCircle())
  {
    const TCPxAquavistGridInfoCircle& g = plate.circle;
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
    annotations.push_back(CentreCross(g.centre.GetX(), g.centre.GetY(), g.radius / 2));
  }
  else if (plate.IsRect())
  {
    const TCPxAquavistGridInfoRect& g = plate.rect;
    for (const auto& [x, y] : WellCentres(g))
    {
      const int l = static_cast<int>(std::lround(x - g.halfWidth));
      const int r = static_cast<int>(std::lround(x + g.halfWidth));
      const int t = static_cast<int>(std::lround(y - g.halfHeight));
      const int b = static_cast<int>(std::lround(y + g.halfHeight));
      Annotation a;
      a.outline = {{l, t}, {r, t}, {r, b}, {l, b}};
      a.labelX = x;
      a.labelY = y;
      annotations.push_back(std::move(a));
    }
    annotations.push_back(CentreCross(g.centre.GetX(), g.centre.GetY(), std::min(g.halfWidth, g.halfHeight) / 2));
  }
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
  Plate plate;
  bool scored = false;
  double circleScore = 0, squareScore = 0;
  if (options.shape == "circle")
    plate.circle = detector.DetectCirclesInGrid(*grey, options.rows, options.cols);
  else if (options.shape == "square")
    plate.rect = detector.DetectSquaresInGrid(*grey, options.rows, options.cols);
  else
  {
    const TCPxAquavistGridInfoWells wells = detector.DetectWellsInGrid(*grey, options.rows, options.cols);
    if (wells.isCircle)
      plate.circle = wells.circle;
    else if (wells.isRect)
      plate.rect = wells.rect;
    detector.GetLastModelScores(&circleScore, &squareScore);
    scored = true;
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const bool found = plate.IsCircle() || plate.IsRect();
  const std::string annotated = AnnotationPath(options.annotate, path, several);
  if (!annotated.empty())
    WriteAnnotated(*grey, AnnotationsOf(plate), annotated);

  ImageReport report;
  if (options.json)
  {
    const auto centres = plate.IsCircle() ? WellCentres(plate.circle) : WellCentres(plate.rect);
    const int cols = std::max(1, plate.IsCircle() ? plate.circle.cols : plate.rect.cols);
    Json wells = Json::array();
    for (std::size_t k = 0; k < centres.size(); ++k)
      wells.push_back({{"row", static_cast<int>(k) / cols},
                       {"col", static_cast<int>(k) % cols},
                       {"centre", Point(centres[k].first, centres[k].second)}});
    report.json = {{"file", path},
                   {"width", grey->GetWidth()},
                   {"height", grey->GetHeight()},
                   {"rows", options.rows},
                   {"cols", options.cols},
                   {"found", found},
                   {"model", plate.IsCircle() ? "circle" : plate.IsRect() ? "square" : "none"}};
    if (plate.IsCircle())
      report.json["grid"] = Json{{"centre", Point(plate.circle.centre.GetX(), plate.circle.centre.GetY())},
                                 {"pitch", Point(plate.circle.dx, plate.circle.dy)},
                                 {"radius", Number(plate.circle.radius)}};
    else if (plate.IsRect())
      report.json["grid"] = Json{{"centre", Point(plate.rect.centre.GetX(), plate.rect.centre.GetY())},
                                 {"pitch", Point(plate.rect.dx, plate.rect.dy)},
                                 {"half_size", Point(plate.rect.halfWidth, plate.rect.halfHeight)}};
    else
      report.json["grid"] = nullptr;
    if (scored)
      report.json["scores"] = Json{{"circle", Number(circleScore)}, {"square", Number(squareScore)}};
    report.json["wells"] = wells;
    report.json["time_ms"] = Number(ms);
    return report;
  }
  std::ostringstream out;
  out << path << ": " << grey->GetWidth() << " x " << grey->GetHeight() << ", ";
  if (plate.IsCircle())
    out << "plate of " << plate.circle.rows << " x " << plate.circle.cols << " circular wells: centre ("
        << Fixed(plate.circle.centre.GetX(), 2) << ", " << Fixed(plate.circle.centre.GetY(), 2) << "), pitch "
        << Fixed(plate.circle.dx, 2) << " x " << Fixed(plate.circle.dy, 2) << ", radius "
        << Fixed(plate.circle.radius, 2);
  else if (plate.IsRect())
    out << "plate of " << plate.rect.rows << " x " << plate.rect.cols << " square wells: centre ("
        << Fixed(plate.rect.centre.GetX(), 2) << ", " << Fixed(plate.rect.centre.GetY(), 2) << "), pitch "
        << Fixed(plate.rect.dx, 2) << " x " << Fixed(plate.rect.dy, 2) << ", half size "
        << Fixed(plate.rect.halfWidth, 2) << " x " << Fixed(plate.rect.halfHeight, 2);
  if (found && scored)
    out << " (edge scores: circles " << Fixed(circleScore, 1) << ", squares " << Fixed(squareScore, 1) << ")";
  if (found)
    out << "\n";
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
             "and prints the grid: its centre, the pitch in x and y and the well radius (circles) or half\n"
             "width and height (squares), in pixels; with --json also every well's centre, row by row from\n"
             "the top left. --shape auto (the default) fits both models and keeps the one whose well\n"
             "outlines lie on stronger edges; the mean edge response (0 to 255) under each model's outlines\n"
             "is reported as \"scores\" (0 for a model not found), a wide gap meaning a clear choice.\n"
             "A plate that is not found is reported (\"found\": false, model \"none\") and is no error:\n"
             "the exit code stays 0. Square wells need at least 2 rows and 2 columns.\n"
             "--min-span F (circular wells): the smallest plate searched for, as a fraction of the frame (default 0.5, a\n"
             "plate over about half the frame); 1 searches only plates that fill most of the frame, the\n"
             "fastest. Several images (or folders) give one report each; with --json one JSON object per line.");
  app.add_option("IMAGE", options->images, "image files or folders of them")->required();
  app.add_option("--rows", options->rows, "wells stacked vertically, 1 to 1000")->required()->check(CLI::Range(1, 1000));
  app.add_option("--cols", options->cols, "wells side by side, 1 to 1000")->required()->check(CLI::Range(1, 1000));
  app.add_option("--shape", options->shape, "well shape: auto (the default: the better of both), circle or square")
      ->check(CLI::IsMember({"auto", "circle", "square"}));
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

const Command kDetectWells = {"detect-wells", "locate a plate of circular or square wells of known counts", Declare};
} // namespace cli
