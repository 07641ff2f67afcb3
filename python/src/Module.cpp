// The pixolan Python extension: images with the buffer protocol, file I/O,
// contours and the exception mapping. Filters and detectors are bound in
// their own files to keep each translation unit small.
#include <any>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <typeinfo>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxInt32Image.h>

#include "Bindings.h"

namespace py = pybind11;

namespace
{
// The image's current buffer. SetExternalBuffer is not bound, so this is the
// image's own buffer for its whole life: views into it stay valid as long as
// the Python image object lives, which every view keeps alive.
template <class Img>
void* PixelBuffer(Img& image)
{
  return const_cast<void*>(static_cast<const void*>(image.GetBuffer()));
}

template <class T, int C>
std::vector<py::ssize_t> Shape(int height, int width)
{
  if (C == 1)
    return {height, width};
  return {height, width, C};
}

template <class T, int C>
std::vector<py::ssize_t> Strides(int stride)
{
  if (C == 1)
    return {stride, static_cast<py::ssize_t>(sizeof(T))};
  return {stride, static_cast<py::ssize_t>(C * sizeof(T)), static_cast<py::ssize_t>(sizeof(T))};
}

template <class Img, class T, int C>
Img* FromArray(const py::array& a)
{
  if (!a.dtype().is(py::dtype::of<T>()))
    throw py::value_error("from_array: expected dtype " + std::string(py::str(py::dtype::of<T>())) + ", got " +
                          std::string(py::str(a.dtype())));
  const bool shapeOk = (C == 1) ? a.ndim() == 2 : (a.ndim() == 3 && a.shape(2) == C);
  if (!shapeOk)
    throw py::value_error(C == 1 ? "from_array: expected a 2-D array (height, width)"
                                 : "from_array: expected a 3-D array (height, width, " + std::to_string(C) + ")");
  if (a.shape(0) < 1 || a.shape(1) < 1)
    throw py::value_error("from_array: the array is empty");
  if (a.shape(0) > (1 << 20) || a.shape(1) > (1 << 20))
    throw py::value_error("from_array: the array is too large for an image");
  // Any strides: a C-contiguous copy is made only when the input is not one.
  auto contiguous = py::array_t<T, py::array::c_style>::ensure(a);
  if (!contiguous)
    throw py::value_error("from_array: the array cannot be read");
  const int height = static_cast<int>(a.shape(0));
  const int width = static_cast<int>(a.shape(1));
  auto image = std::make_unique<Img>(width, height);
  const size_t rowBytes = static_cast<size_t>(width) * C * sizeof(T);
  auto* dst = static_cast<unsigned char*>(PixelBuffer(*image));
  const auto* src = reinterpret_cast<const unsigned char*>(contiguous.data());
  for (int y = 0; y < height; ++y)
    std::memcpy(dst + static_cast<size_t>(y) * image->GetStepSize(), src + y * rowBytes, rowBytes);
  return image.release();
}

template <class Img>
Img* NewImage(int width, int height)
{
  if (width < 1 || height < 1 || width > (1 << 20) || height > (1 << 20))
    throw py::value_error("image size must be between 1 and 1048576 in each direction");
  return new Img(width, height);
}

template <class Img, class T, int C>
py::class_<Img, TCPxImageBase> BindImage(py::module_& m, const char* name, const char* doc)
{
  py::class_<Img, TCPxImageBase> c(m, name, py::buffer_protocol(), doc);
  c.def(py::init(&NewImage<Img>), py::arg("width"), py::arg("height"),
        "New image of width x height pixels (rows padded to 32 bytes).")
      .def_buffer([](Img& image) {
        return py::buffer_info(PixelBuffer(image), sizeof(T), py::format_descriptor<T>::format(), C == 1 ? 2 : 3,
                               Shape<T, C>(image.GetHeight(), image.GetWidth()), Strides<T, C>(image.GetStepSize()));
      })
      .def_static("from_array", &FromArray<Img, T, C>, py::arg("array"),
                  "New image holding a copy of `array` (any strides). ValueError for a wrong dtype, a wrong "
                  "shape or an empty array.")
      .def(
          "roi_array",
          [](py::object self) {
            Img& image = self.cast<Img&>();
            const TCGenRect<int> roi = image.GetROI();
            auto* start = static_cast<unsigned char*>(PixelBuffer(image)) +
                          static_cast<size_t>(roi.GetTop()) * image.GetStepSize() +
                          static_cast<size_t>(roi.GetLeft()) * C * sizeof(T);
            // The array's base is the image: it stays alive while the view does.
            return py::array(py::dtype::of<T>(), Shape<T, C>(roi.GetHeight(), roi.GetWidth()),
                             Strides<T, C>(image.GetStepSize()), start, self);
          },
          "NumPy view of the region of interest (shares the image's memory and keeps the image alive).");
  return c;
}

py::tuple RectTuple(const TCGenRect<int>& r)
{
  return py::make_tuple(r.GetLeft(), r.GetTop(), r.GetWidth(), r.GetHeight());
}
} // namespace

PYBIND11_MODULE(_pixolan, m)
{
  m.doc() = "Image analysis: images shared with NumPy, filters, contours and file I/O.";

  py::register_exception_translator([](std::exception_ptr p) {
    try
    {
      if (p)
        std::rethrow_exception(p);
    }
    catch (const std::range_error& e)
    {
      PyErr_SetString(PyExc_IndexError, e.what());
    }
    catch (const std::bad_any_cast& e)
    {
      PyErr_SetString(PyExc_TypeError, e.what());
    }
  });

  py::class_<TCPxImageBase>(m, "ImageBase", "Common base of every image class.")
      .def_property_readonly("width", &TCPxImageBase::GetWidth, "Width in pixels.")
      .def_property_readonly("height", &TCPxImageBase::GetHeight, "Height in pixels.")
      .def_property_readonly("stride", &TCPxImageBase::GetStepSize, "Bytes from one row to the next (a multiple of 32).")
      .def_property_readonly("channels", &TCPxImageBase::GetNrChannels, "Channels per pixel.")
      .def_property_readonly("pixel_size", &TCPxImageBase::GetPixelSize, "Bytes per pixel.")
      .def_property_readonly("size", [](const TCPxImageBase& i) { return py::make_tuple(i.GetWidth(), i.GetHeight()); },
                             "(width, height).")
      .def_property(
          "roi", [](const TCPxImageBase& i) { return RectTuple(i.GetROI()); },
          [](TCPxImageBase& i, py::tuple r) {
            if (r.size() != 4)
              throw py::value_error("roi is (x, y, width, height)");
            const int x = r[0].cast<int>(), y = r[1].cast<int>(), w = r[2].cast<int>(), h = r[3].cast<int>();
            if (x < 0 || y < 0 || w < 1 || h < 1 || x > i.GetWidth() - w || y > i.GetHeight() - h)
              throw py::value_error("roi must lie within the image");
            i.SetROI(TCGenRect<int>(TCGenPoint<int>(x, y), w, h));
          },
          "Region of interest as (x, y, width, height); ValueError when it does not lie within the image.")
      .def("reset_roi", &TCPxImageBase::SetFullROI, "Sets the ROI to the whole image.")
      .def("clone", [](const TCPxImageBase& i) { return i.Clone(); }, "Copy of the image (same class).")
      .def("count_non_zero", &TCPxImageBase::CountNonZero, "Non-zero pixels in the ROI (one-channel images).");

  BindImage<TCPx8bitImage, unsigned char, 1>(m, "Image8", "8-bit grey image; NumPy sees it as (height, width) uint8.")
      .def("fill", &TCPx8bitImage::Fill, py::arg("value"), "Sets every pixel of the ROI to value.")
      .def("get_pixel", &TCPx8bitImage::GetPixel, py::arg("x"), py::arg("y"),
           "The pixel at (x, y) relative to the ROI; IndexError outside the ROI.")
      .def("sum", &TCPx8bitImage::Sum, "Sum of the ROI's pixels.")
      .def("min", py::overload_cast<>(&TCPx8bitImage::GetMinimumValue, py::const_), "Smallest pixel of the ROI.")
      .def("max", py::overload_cast<>(&TCPx8bitImage::GetMaximumValue, py::const_), "Largest pixel of the ROI.")
      .def("otsu_threshold", py::overload_cast<>(&TCPx8bitImage::GetOtsuThreshold, py::const_),
           "Otsu threshold of the ROI; the image is not changed.");
  BindImage<TCPx24bitImage, unsigned char, 3>(
      m, "Image24", "24-bit colour image; NumPy sees it as (height, width, 3) uint8 in B, G, R order.")
      .def("fill", &TCPx24bitImage::Fill, py::arg("colour"), "Sets every pixel of the ROI to the packed colour.");
  BindImage<TCPx32bitImage, unsigned char, 4>(
      m, "Image32", "32-bit colour image; NumPy sees it as (height, width, 4) uint8 in B, G, R, A order.")
      .def(
          "fill",
          [](TCPx32bitImage& i, int b, int g, int r, int a) {
            RGBQUAD q{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), static_cast<BYTE>(a)};
            i.Fill(q);
          },
          py::arg("b"), py::arg("g"), py::arg("r"), py::arg("a") = 0, "Sets every pixel of the ROI to (b, g, r, a).");
  BindImage<TCPxFloatImage, float, 1>(m, "ImageFloat", "Float image; NumPy sees it as (height, width) float32.")
      .def("fill", &TCPxFloatImage::Fill, py::arg("value"), "Sets every pixel of the ROI to value.")
      .def("sum", py::overload_cast<>(&TCPxFloatImage::Sum, py::const_), "Sum of the ROI's pixels.")
      .def("mean", &TCPxFloatImage::Mean, "Mean of the ROI's pixels.")
      .def(
          "mean_std",
          [](const TCPxFloatImage& i) {
            double mean = 0, std = 0;
            i.MeanStd(&mean, &std);
            return py::make_tuple(mean, std);
          },
          "(mean, population standard deviation) of the ROI.");
  BindImage<TCPxInt32Image, int, 1>(m, "ImageInt32", "32-bit integer image; NumPy sees it as (height, width) int32.")
      .def("fill", &TCPxInt32Image::Fill, py::arg("value"), "Sets every pixel of the ROI to value.");

  m.def(
      "load",
      [](const std::string& path) {
        TCPxImageBase* image = nullptr;
        {
          py::gil_scoped_release release;
          image = TCPxIO::CreateImageFromFile(std::filesystem::path(path));
        }
        if (!image)
          throw py::value_error("cannot read an image from '" + path + "'");
        return image;
      },
      py::arg("path"), "New image read from a file (its class follows the file). ValueError when unreadable.");
  m.def(
      "save",
      [](const TCPxImageBase& image, const std::string& path) {
        bool ok = false;
        {
          py::gil_scoped_release release;
          ok = TCPxIO::SaveImage(image, std::filesystem::path(path));
        }
        if (!ok)
          throw std::runtime_error("cannot save the image to '" + path + "'");
      },
      py::arg("image"), py::arg("path"), "Writes the image to a file (format from the extension); RuntimeError on failure.");

  py::class_<TCPxContour, std::shared_ptr<TCPxContour>>(m, "Contour", "Outline of an object found in a mask.")
      .def_property_readonly("area", &TCPxContour::GetArea, "Enclosed area in pixels.")
      .def_property_readonly("perimeter", &TCPxContour::GetPerimeter, "Length of the closed outline in pixels.")
      .def_property_readonly(
          "centre",
          [](const TCPxContour& c) {
            const TCGenPoint<double> p = c.GetCOG();
            return py::make_tuple(p.GetX(), p.GetY());
          },
          "Centre of gravity (x, y).")
      .def_property_readonly("bounding_box", [](const TCPxContour& c) { return RectTuple(c.GetBoundingRect()); },
                             "(x, y, width, height) of the bounding rectangle.")
      .def_property_readonly(
          "points",
          [](const TCPxContour& c) {
            const auto& pts = c.GetPoints();
            py::array_t<std::int32_t> a({static_cast<py::ssize_t>(pts.size()), py::ssize_t(2)});
            auto w = a.mutable_unchecked<2>();
            for (size_t i = 0; i < pts.size(); ++i)
            {
              w(i, 0) = pts[i].x;
              w(i, 1) = pts[i].y;
            }
            return a;
          },
          "The outline's points as an (N, 2) int32 array of (x, y), relative to the ROI (a copy).")
      .def("__len__", &TCPxContour::GetSize);

  m.def(
      "find_contours",
      [](const TCPx8bitImage& mask, const std::string& mode, bool largestOnly) {
        Px::EFindContourFlags flags;
        if (mode == "external")
          flags = Px::FindContoursExternal;
        else if (mode == "list")
          flags = Px::FindContoursList;
        else
          throw py::value_error("mode is 'external' or 'list'");
        std::list<TCPxContour*> found;
        {
          py::gil_scoped_release release;
          mask.FindContours(found, flags, largestOnly);
        }
        std::vector<std::shared_ptr<TCPxContour>> out;
        for (TCPxContour* c : found)
          out.emplace_back(c);
        return out;
      },
      py::arg("mask"), py::arg("mode") = "external", py::arg("largest_only") = false,
      "Contours of the non-zero pixels of the mask's ROI: 'external' (outer boundaries) or 'list' (holes too).");

  BindFilters(m);
  BindDetectors(m);
}
