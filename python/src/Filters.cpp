// Filters by name, with keyword arguments read from the filter table.
#include <cmath>
#include <cstring>
#include <memory>
#include <sstream>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/filters/TCPxImageFilter.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "Bindings.h"

namespace py = pybind11;

namespace
{
const char* KindName(TCPxFilterParameter::EKind kind)
{
  switch (kind)
  {
  case TCPxFilterParameter::Integer:
    return "int";
  case TCPxFilterParameter::Real:
    return "float";
  case TCPxFilterParameter::Enumeration:
    return "enum";
  case TCPxFilterParameter::Image:
    return "image";
  }
  return "";
}

py::object Bound(double v)
{
  return std::isinf(v) ? py::object(py::none()) : py::object(py::float_(v));
}

py::list Table()
{
  py::list out;
  for (const TCPxFilterDescription& d : TCPxFilterFactory::Instance()->GetDescriptions())
  {
    py::list params;
    for (const TCPxFilterParameter& p : d.parameters)
    {
      py::dict e;
      e["name"] = p.name;
      e["type"] = p.type;
      e["kind"] = KindName(p.kind);
      e["description"] = p.description;
      e["default"] = p.defaultValue;
      e["minimum"] = Bound(p.minimum);
      e["maximum"] = Bound(p.maximum);
      e["odd_only"] = p.oddOnly;
      py::list names;
      for (const auto& en : p.enumerators)
        names.append(en.first);
      e["enumerators"] = names;
      params.append(e);
    }
    py::list accepted;
    for (NPxImageTypes t : d.acceptedTypes)
      accepted.append(static_cast<int>(t));
    py::dict f;
    f["name"] = d.name;
    f["type"] = static_cast<int>(d.type);
    f["summary"] = d.summary;
    f["accepted_types"] = accepted;
    f["parameters"] = params;
    out.append(f);
  }
  return out;
}

// A float kernel image holding a copy of a 2-D array.
std::unique_ptr<TCPxFloatImage> KernelFrom(const py::handle& value, const std::string& name)
{
  auto a = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(value);
  if (!a || a.ndim() != 2 || a.shape(0) < 1 || a.shape(1) < 1 || a.shape(0) > 4096 || a.shape(1) > 4096)
    throw py::value_error("parameter '" + name + "' must be a non-empty 2-D numeric array");
  auto kernel = std::make_unique<TCPxFloatImage>(static_cast<int>(a.shape(1)), static_cast<int>(a.shape(0)));
  auto* dst = static_cast<unsigned char*>(const_cast<void*>(kernel->GetBuffer()));
  for (py::ssize_t y = 0; y < a.shape(0); ++y)
    std::memcpy(dst + y * kernel->GetStepSize(), a.data(y, 0), static_cast<size_t>(a.shape(1)) * sizeof(float));
  return kernel;
}

std::string AsText(const py::handle& v)
{
  if (py::isinstance<py::bool_>(v))
    throw py::type_error("a filter parameter is a number or an enumerator name, not a bool");
  if (py::isinstance<py::str>(v))
    return v.cast<std::string>();
  if (py::isinstance<py::int_>(v))
    return std::to_string(v.cast<long long>());
  if (py::isinstance<py::float_>(v))
  {
    std::ostringstream s;
    s.precision(17);
    s << v.cast<double>();
    return s.str();
  }
  throw py::type_error("a filter parameter is a number or an enumerator name");
}

void Apply(const std::string& name, TCPxImageBase& image, TCPxImageBase* destination, const py::kwargs& kwargs)
{
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  TCPxFilterDescription d;
  if (!factory->FindDescription(name, &d))
    throw py::value_error("unknown filter '" + name + "'");
  TCPxFilterFactory::TextParameters text;
  std::vector<std::pair<size_t, std::unique_ptr<TCPxFloatImage>>> images;
  for (const auto& item : kwargs)
  {
    const std::string key = item.first.cast<std::string>();
    const TCPxFilterParameter* p = d.FindParameter(key);
    if (p && p->kind == TCPxFilterParameter::Image)
      images.emplace_back(static_cast<size_t>(p - d.parameters.data()), KernelFrom(item.second, key));
    else
      text.emplace_back(key, AsText(item.second)); // unknown names are refused by the parser
  }
  for (size_t i = 0; i < d.parameters.size(); ++i)
    if (d.parameters[i].kind == TCPxFilterParameter::Image)
    {
      bool given = false;
      for (const auto& im : images)
        given = given || im.first == i;
      if (!given)
        throw py::value_error("filter '" + name + "' needs parameter '" + d.parameters[i].name + "' (a 2-D array)");
    }
  std::vector<std::any> args = factory->ParseParameters(d.type, text);
  for (const auto& im : images)
    args[im.first] = std::any(static_cast<const TCPxImageBase*>(im.second.get()));
  std::unique_ptr<TCPxImageFilter> filter(factory->CreateWithArguments(d.type, args));
  if (!filter)
    throw std::runtime_error("filter '" + name + "' cannot be built from these arguments");
  if (destination && (destination->GetImageType() != image.GetImageType() ||
                      destination->GetWidth() != image.GetWidth() || destination->GetHeight() != image.GetHeight()))
    throw py::value_error("the destination must be of the source's class and size");
  py::gil_scoped_release release;
  filter->ProcessImage(&image, destination);
}
} // namespace

void BindFilters(py::module_& m)
{
  m.def("filters", &Table,
        "The filter table: one dict per filter kind with 'name', 'type', 'summary', 'accepted_types' and "
        "'parameters' (each with 'name', 'type', 'kind', 'description', 'default', 'minimum', 'maximum', "
        "'odd_only', 'enumerators').");
  m.def(
      "apply_filter",
      [](const std::string& name, TCPxImageBase& image, TCPxImageBase* destination, const py::kwargs& kwargs) {
        Apply(name, image, destination, kwargs);
      },
      py::arg("name"), py::arg("image"), py::arg("destination") = py::none(),
      "Applies the filter kind `name` (see filters()) to `image`, in place or into `destination` (same class and "
      "size). Keyword arguments are the kind's parameters: numbers, enumerator names, and 2-D arrays for image "
      "parameters (the convolution kernel). Omitted ones take their defaults; ValueError for an unknown or "
      "out-of-range one. Image types the filter does not accept are left unchanged.");
}
