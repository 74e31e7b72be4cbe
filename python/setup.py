"""Builds the kavoxm wheel with its own copy of KavoXM's shared library.

The library comes from, in this order: the file named by $KAVOXM_LIBRARY; the CMake build
directory named by $KAVOXM_BUILD_DIR (its kavoxm_shared target is brought up to date); or a
Release build of the checkout this folder belongs to, made with CMake in build/python-wheel.
$KAVOXM_SOURCE_DIR names the checkout when this folder is a copy. Everything happens offline:
`pip install --no-build-isolation ./python`."""

import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.environ.get("KAVOXM_SOURCE_DIR") or os.path.dirname(HERE)
HEADER = os.path.join(ROOT, "KavoXM", "capi", "kavoxm.h")
# The name the package's loader looks for first (kavoxm/_capi.py, LIBRARY_NAMES).
if sys.platform == "win32":
    TARGET_NAME, BUILT = "kavoxm.dll", ["kavoxm.dll", "libkavoxm.dll"]
elif sys.platform == "darwin":
    TARGET_NAME, BUILT = "libkavoxm.0.dylib", ["libkavoxm.0.dylib"]
else:
    TARGET_NAME, BUILT = "libkavoxm.so.0", ["libkavoxm.so.0"]


def version():
    """MAJOR.MINOR.PATCH from the C header, when the checkout is there."""
    if not os.path.isfile(HEADER):
        return os.environ.get("KAVOXM_VERSION", "0.0.0")
    with open(HEADER, encoding="utf-8") as header:
        parts = dict(re.findall(r"#define KAVOXM_VERSION_(MAJOR|MINOR|PATCH) (\d+)", header.read()))
    return f"{parts['MAJOR']}.{parts['MINOR']}.{parts['PATCH']}"


def run(command):
    print("kavoxm:", " ".join(command), flush=True)
    subprocess.run(command, check=True)


def build_library(build_dir, configure):
    """Builds kavoxm_shared in `build_dir` (configuring a Release build first if asked)."""
    if configure:
        if not os.path.isfile(os.path.join(ROOT, "CMakeLists.txt")):
            sys.exit("kavoxm: no KavoXM checkout around this folder: set KAVOXM_LIBRARY to "
                     "libkavoxm's path or KAVOXM_BUILD_DIR to a CMake build directory")
        run(["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
             "-DKAVOXM_BUILD_TESTS=OFF", "-DKAVOXM_BUILD_BENCH=OFF", "-DKAVOXM_BUILD_TOOLS=OFF"])
    jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
    run(["cmake", "--build", build_dir, "--target", "kavoxm_shared", "-j", jobs])
    for name in BUILT:
        found = glob.glob(os.path.join(build_dir, "**", name), recursive=True)
        if found:
            return found[0]
    sys.exit(f"kavoxm: the build in {build_dir} made no {BUILT[0]}")


def find_library():
    if os.environ.get("KAVOXM_LIBRARY"):
        path = os.environ["KAVOXM_LIBRARY"]
        if not os.path.isfile(path):
            sys.exit(f"kavoxm: KAVOXM_LIBRARY names no file: {path}")
        return path
    if os.environ.get("KAVOXM_BUILD_DIR"):
        return build_library(os.path.abspath(os.environ["KAVOXM_BUILD_DIR"]), configure=False)
    return build_library(os.path.join(ROOT, "build", "python-wheel"), configure=True)


class BuildWithLibrary(build_py):
    """The package's Python files, and the shared library beside them."""

    def run(self):
        super().run()
        source = os.path.realpath(find_library())
        target = os.path.join(self.build_lib, "kavoxm", TARGET_NAME)
        self.mkpath(os.path.dirname(target))
        shutil.copyfile(source, target)
        print(f"kavoxm: {source} -> {target}", flush=True)


class BinaryDistribution(Distribution):
    """A wheel for one platform: it carries a native library."""

    def has_ext_modules(self):
        return True


setup(version=version(), cmdclass={"build_py": BuildWithLibrary}, distclass=BinaryDistribution)
