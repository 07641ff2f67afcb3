"""Image analysis with images shared with NumPy.

Every filter kind of the filter table is also a function here, named in
snake_case after the kind (``pixolan.median(image, kernelSize=5)``), taking
the kind's parameters as keyword arguments.
"""
import re as _re

from ._pixolan import *  # noqa: F401,F403
from ._pixolan import apply_filter, filters


def _snake(name):
    return _re.sub(r"(?<=[a-z0-9])(?=[A-Z])", "_", name).lower()


def _make_filter(description):
    name = description["name"]

    def run(image, destination=None, **parameters):
        return apply_filter(name, image, destination, **parameters)

    lines = [description["summary"], "", "Parameters (keyword arguments):"]
    for p in description["parameters"]:
        extra = ""
        if p["enumerators"]:
            extra = " one of " + ", ".join(p["enumerators"])
        elif p["minimum"] is not None or p["maximum"] is not None:
            extra = " in [%s, %s]" % (p["minimum"], p["maximum"])
        lines.append("  %s (%s, default %r)%s: %s" % (p["name"], p["kind"], p["default"], extra, p["description"]))
    run.__name__ = _snake(name)
    run.__doc__ = "\n".join(lines)
    return run


for _d in filters():
    globals()[_snake(_d["name"])] = _make_filter(_d)
del _d
