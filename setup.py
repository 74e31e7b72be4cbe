"""`pip install --no-build-isolation .` from the checkout: runs python/setup.py, which builds
the shared library and puts its copy into the package."""

import os
import runpy

runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)), "python", "setup.py"),
               run_name="__main__")
