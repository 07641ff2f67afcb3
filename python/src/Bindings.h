#pragma once
// Parts of the pixolan Python extension, one per translation unit.
#include <pybind11/pybind11.h>

/// pixolan.filters() and pixolan.apply_filter().
void BindFilters(pybind11::module_& m);
/// The detector classes.
void BindDetectors(pybind11::module_& m);
