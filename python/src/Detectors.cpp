// Detector bindings: the circle detector and the well-plate detector. Each
// call releases the GIL, so separate detector objects run in parallel on
// Python threads (one object serves one thread at a time).
#include "Bindings.h"

#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <pixolan/analysis/TCPxAquavistWellDetector.h>
#include <pixolan/analysis/TCPxCircleDetector.h>
#include <pixolan/model/TCPx8bitImage.h>

namespace py = pybind11;

namespace
{
py::tuple Point(const TCGenPoint<double>& p)
{
  return py::make_tuple(p.GetX(), p.GetY());
}

// Well centres of a grid (circle or rectangle record), row by row from the
// top left, as an (N, 2) array.
template <class Grid>
py::array_t<double> WellCentres(const Grid& g)
{
  py::array_t<double> out({static_cast<py::ssize_t>(g.rows) * g.cols, py::ssize_t(2)});
  auto a = out.mutable_unchecked<2>();
  py::ssize_t k = 0;
  for (int j = 0; j < g.rows; ++j)
    for (int i = 0; i < g.cols; ++i, ++k)
    {
      a(k, 0) = g.centre.GetX() + (i - (g.cols - 1) / 2.0) * g.dx;
      a(k, 1) = g.centre.GetY() + (j - (g.rows - 1) / 2.0) * g.dy;
    }
  return out;
}
}  // namespace

void BindDetectors(py::module_& m)
{
  py::class_<TCPxCircle>(m, "Circle", "A detected circle (TCPxCircle): centre (x, y), radius and score in pixels.")
      .def_property_readonly("centre", [](const TCPxCircle& c) { return Point(c.centre); })
      .def_readonly("radius", &TCPxCircle::radius)
      .def_readonly("score", &TCPxCircle::score)
      .def("__repr__", [](const TCPxCircle& c) {
        return "Circle(centre=(" + std::to_string(c.centre.GetX()) + ", " + std::to_string(c.centre.GetY()) +
               "), radius=" + std::to_string(c.radius) + ", score=" + std::to_string(c.score) + ")";
      });

  py::class_<TCPxCircleDetector>(m, "CircleDetector",
                                 "Finds a set of equally sized circles in a grey image (TCPxCircleDetector).")
      .def(py::init<>())
      .def(
          "detect",
          [](TCPxCircleDetector& d, const TCPx8bitImage& image) {
            std::vector<TCPxCircle> circles;
            {
              py::gil_scoped_release release;
              d.ProcessImage(image, &circles);
            }
            return circles;
          },
          py::arg("image"),
          "The circles of an 8-bit image (empty for a blank image): one common radius, in detection order.");

  py::class_<TCPxAquavistGridInfoCircle>(m, "CircleGrid",
                                         "A plate of circular wells (TCPxAquavistGridInfoCircle); all zero when none "
                                         "was found.")
      .def_property_readonly("centre", [](const TCPxAquavistGridInfoCircle& g) { return Point(g.centre); })
      .def_readonly("dx", &TCPxAquavistGridInfoCircle::dx)
      .def_readonly("dy", &TCPxAquavistGridInfoCircle::dy)
      .def_readonly("rows", &TCPxAquavistGridInfoCircle::rows)
      .def_readonly("cols", &TCPxAquavistGridInfoCircle::cols)
      .def_readonly("radius", &TCPxAquavistGridInfoCircle::radius)
      .def_property_readonly("found", [](const TCPxAquavistGridInfoCircle& g) { return g.cols > 0; })
      .def("well_centres", &WellCentres<TCPxAquavistGridInfoCircle>,
           "Well centres row by row from the top left, an (N, 2) float64 array.");

  py::class_<TCPxAquavistGridInfoRect>(m, "RectGrid",
                                       "A plate of rectangular wells (TCPxAquavistGridInfoRect); all zero when none "
                                       "was found.")
      .def_property_readonly("centre", [](const TCPxAquavistGridInfoRect& g) { return Point(g.centre); })
      .def_readonly("dx", &TCPxAquavistGridInfoRect::dx)
      .def_readonly("dy", &TCPxAquavistGridInfoRect::dy)
      .def_readonly("rows", &TCPxAquavistGridInfoRect::rows)
      .def_readonly("cols", &TCPxAquavistGridInfoRect::cols)
      .def_readonly("half_width", &TCPxAquavistGridInfoRect::halfWidth)
      .def_readonly("half_height", &TCPxAquavistGridInfoRect::halfHeight)
      .def_property_readonly("found", [](const TCPxAquavistGridInfoRect& g) { return g.cols > 0; })
      .def("well_centres", &WellCentres<TCPxAquavistGridInfoRect>,
           "Well centres row by row from the top left, an (N, 2) float64 array.");

  py::class_<TCPxAquavistGridInfoWells>(m, "WellGrid",
                                        "The plate model that fits better (TCPxAquavistGridInfoWells): at most one of "
                                        "is_circle and is_rect is set, the other grid is all zero.")
      .def_readonly("circle", &TCPxAquavistGridInfoWells::circle)
      .def_readonly("rect", &TCPxAquavistGridInfoWells::rect)
      .def_readonly("is_circle", &TCPxAquavistGridInfoWells::isCircle)
      .def_readonly("is_rect", &TCPxAquavistGridInfoWells::isRect)
      .def_property_readonly("found", [](const TCPxAquavistGridInfoWells& g) { return g.isCircle || g.isRect; })
      .def(
          "well_centres",
          [](const TCPxAquavistGridInfoWells& g) {
            return g.isRect ? WellCentres(g.rect) : WellCentres(g.circle);
          },
          "Well centres of the chosen model row by row from the top left, an (N, 2) float64 array (empty when "
          "none was found).");

  py::class_<TCPxAquavistWellDetector>(m, "WellDetector",
                                       "Locates a plate of rows x cols wells in a grey image "
                                       "(TCPxAquavistWellDetector).")
      .def(py::init<>())
      .def_property("minimum_plate_span", &TCPxAquavistWellDetector::GetMinimumPlateSpan,
                    &TCPxAquavistWellDetector::SetMinimumPlateSpan,
                    "Smallest plate searched for, as a share of the frame (1.0: the plate fills it).")
      .def(
          "detect_circles_in_grid",
          [](TCPxAquavistWellDetector& d, const TCPx8bitImage& image, int rows, int cols) {
            py::gil_scoped_release release;
            return d.DetectCirclesInGrid(image, rows, cols);
          },
          py::arg("image"), py::arg("rows"), py::arg("cols"),
          "A grid of circular wells in an 8-bit image; check .found.")
      .def(
          "detect_squares_in_grid",
          [](TCPxAquavistWellDetector& d, const TCPx8bitImage& image, int rows, int cols) {
            py::gil_scoped_release release;
            return d.DetectSquaresInGrid(image, rows, cols);
          },
          py::arg("image"), py::arg("rows"), py::arg("cols"),
          "A grid of rectangular wells in an 8-bit image; check .found.")
      .def(
          "detect_wells",
          [](TCPxAquavistWellDetector& d, const TCPx8bitImage& image, int rows, int cols) {
            py::gil_scoped_release release;
            return d.DetectWellsInGrid(image, rows, cols);
          },
          py::arg("image"), py::arg("rows"), py::arg("cols"),
          "Both plate models, the one with the stronger edges under its outlines chosen (a WellGrid); "
          "last_model_scores() tells how clearly.")
      .def(
          "last_model_scores",
          [](const TCPxAquavistWellDetector& d) {
            double circle = 0, rect = 0;
            d.GetLastModelScores(&circle, &rect);
            return py::make_tuple(circle, rect);
          },
          "(circle, square): the mean edge response under each model's outlines in the last detect_wells; 0 for "
          "a model not found.")
      .def_static(
          "fit_linspace",
          [](const std::vector<double>& values, int count, int perBin, double tolerance) {
            Math::Vector v(values.size());
            for (std::size_t i = 0; i < values.size(); ++i)
              v(i) = values[i];
            return TCPxAquavistWellDetector::FitLinspace(v, count, perBin, tolerance);
          },
          py::arg("values"), py::arg("count"), py::arg("per_bin"), py::arg("tolerance"),
          "(centre, spacing) of count evenly spaced positions fitted to the values; a negative spacing means failure.");
}
