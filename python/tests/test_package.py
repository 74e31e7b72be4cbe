"""The package as installed: every function of the C header has its declaration and a caller,
the library it loads is its own copy, and it is typed."""

import os
import re

import pytest

import kavoxm
from kavoxm import _capi

HEADER = os.environ.get("KAVOXM_HEADER", "")
PACKAGE = os.path.dirname(kavoxm.__file__)


def _package_source():
    text = ""
    for name in os.listdir(PACKAGE):
        if name.endswith(".py") and name != "_capi.py":
            with open(os.path.join(PACKAGE, name), encoding="utf-8") as file:
                text += file.read()
    return text


def test_every_function_of_the_header_is_declared_and_called():
    if not os.path.isfile(HEADER):
        pytest.skip("the C header is not there (KAVOXM_HEADER)")
    with open(HEADER, encoding="utf-8") as file:
        exported = set(re.findall(r"KAVOXM_API[^;]*?\b(kavoxm_\w+)\s*\(", file.read()))
    assert len(exported) > 30
    assert exported == set(_capi._SIGNATURES)
    source = _package_source()
    assert [name for name in sorted(exported) if f'"{name}"' not in source
            and f".{name}(" not in source] == []


def test_the_installed_package_uses_its_own_library():
    if not os.environ.get("KAVOXM_EXPECT_INSTALLED"):
        pytest.skip("not the installed package (KAVOXM_EXPECT_INSTALLED)")
    assert "site-packages" in PACKAGE
    assert os.path.dirname(os.path.realpath(kavoxm.library_path())) == os.path.realpath(PACKAGE)
    assert os.path.isfile(os.path.join(PACKAGE, "py.typed"))


def test_version_and_public_names():
    major, minor, patch = (int(p) for p in kavoxm.version().split("."))
    assert kavoxm.version_number() == major * 10000 + minor * 100 + patch
    for name in kavoxm.__all__:
        assert getattr(kavoxm, name) is not None
        if callable(getattr(kavoxm, name)):
            assert getattr(kavoxm, name).__doc__, name
    public = [n for n in dir(kavoxm.Module) if not n.startswith("_")]
    assert [n for n in public if not getattr(kavoxm.Module, n).__doc__] == []
