"""Builds kexif._kexif from the library's sources in the parent folder.

The extension compiles the library (every subsystem folder), the name
table, tree walk and value parser of the kexif tool, and src/module.cpp
into one module, so nothing beyond the standard library is linked and the
library's internal C++ API stays private to the module.
"""

import glob
import os

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension
from setuptools import setup

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SUBSYSTEMS = ["stream", "model", "parse", "edit", "save", "payload", "reader", "platform", "api", "tools"]


def library_sources():
    sources = []
    for folder in SUBSYSTEMS:
        sources += sorted(glob.glob(os.path.join(ROOT, folder, "*.cpp")))
    # The tool's entry point is not part of what the module uses.
    sources = [s for s in sources if s != os.path.join(ROOT, "tools", "main.cpp")]
    if not sources:
        raise SystemExit("kexif: the library sources were not found beside python/; build from a clone")
    # setuptools takes paths relative to this folder only.
    return [os.path.relpath(s, HERE) for s in sources]


# KEXIF_BUILD_JOBS=N compiles N files at once (default: one per CPU).
ParallelCompile("KEXIF_BUILD_JOBS").install()

extension = Pybind11Extension(
    "kexif._kexif",
    ["src/module.cpp", "src/value_objects.cpp"] + library_sources(),
    include_dirs=[ROOT, os.path.join(ROOT, "include")],
    define_macros=[("KEXIF_BUILDING_LIBRARY", "1")],
    cxx_std=20,
)
extension.extra_compile_args += ["-O2", "-Wall", "-Wextra"]

setup(ext_modules=[extension])
