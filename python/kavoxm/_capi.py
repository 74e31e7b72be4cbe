"""The C library's declarations for ctypes: structures, constants and function signatures,
mirroring KavoXM/capi/kavoxm.h."""

import ctypes
import ctypes.util
import os

from ctypes import (POINTER, Structure, c_char, c_char_p, c_double, c_float, c_int, c_int16,
                    c_int32, c_int64, c_size_t, c_uint32, c_void_p)

TEXT_TITLE, TEXT_TRACKER, TEXT_MESSAGE, TEXT_INSTRUMENT, TEXT_SAMPLE, TEXT_CHANNEL = range(6)
TEXT_RAW, TEXT_UTF8 = 0, 1


class LoadReport(Structure):
    _fields_ = [("format_version", c_int32), ("patterns", c_int32), ("instruments", c_int32),
                ("sample_headers", c_int32), ("missing_instruments", c_int32),
                ("reason", c_char * 128)]


class Subsong(Structure):
    _fields_ = [("start_order", c_int32), ("ends", c_int32), ("seconds", c_double)]


class State(Structure):
    _fields_ = [("order", c_int32), ("pattern", c_int32), ("row", c_int32), ("rows", c_int32),
                ("speed", c_int32), ("tempo", c_int32), ("global_volume", c_int32),
                ("pass", c_int32), ("channels", c_int32), ("ended", c_int32),
                ("seconds", c_double)]


class Info(Structure):
    _fields_ = [("format_version", c_int32), ("channels", c_int32), ("patterns", c_int32),
                ("instruments", c_int32), ("samples", c_int32), ("orders", c_int32),
                ("restart_order", c_int32), ("linear_frequencies", c_int32),
                ("initial_speed", c_int32), ("initial_tempo", c_int32)]


def as_dict(structure):
    return {name: getattr(structure, name) for name, _ in structure._fields_}


_SIGNATURES = {
    "kavoxm_version": (c_uint32, []),
    "kavoxm_version_string": (c_char_p, []),
    "kavoxm_error_string": (c_char_p, [c_int]),
    "kavoxm_load_memory": (c_int, [c_char_p, c_size_t, POINTER(c_void_p), POINTER(LoadReport)]),
    "kavoxm_destroy": (None, [c_void_p]),
    "kavoxm_render_s16": (c_int64, [c_void_p, c_int32, c_int32, POINTER(c_int16), c_size_t]),
    "kavoxm_render_float": (c_int64, [c_void_p, c_int32, c_int32, POINTER(c_float), c_size_t]),
    "kavoxm_set_repeat": (c_int, [c_void_p, c_int32]),
    "kavoxm_subsong_count": (c_int32, [c_void_p]),
    "kavoxm_get_subsong": (c_int, [c_void_p, c_int32, POINTER(Subsong)]),
    "kavoxm_select_subsong": (c_int, [c_void_p, c_int32]),
    "kavoxm_duration": (c_double, [c_void_p]),
    "kavoxm_seek_order": (c_int, [c_void_p, c_int32, c_int32]),
    "kavoxm_seek_seconds": (c_int, [c_void_p, c_double]),
    "kavoxm_get_state": (c_int, [c_void_p, POINTER(State)]),
    "kavoxm_get_info": (c_int, [c_void_p, POINTER(Info)]),
    "kavoxm_get_text": (c_int64, [c_void_p, c_int32, c_int32, c_int32, c_char_p, c_size_t]),
}

_library = None


def _candidates():
    if os.environ.get("KAVOXM_LIBRARY"):
        yield os.environ["KAVOXM_LIBRARY"]
    here = os.path.dirname(os.path.abspath(__file__))
    # Beside the package, or in the library folder of an installation (PREFIX/lib, with the
    # package in PREFIX/lib/python3/dist-packages/kavoxm).
    installed = os.path.normpath(os.path.join(here, "..", "..", ".."))
    for folder in (here, installed):
        for name in ("libkavoxm.so.0", "libkavoxm.dylib", "libkavoxm.dll", "kavoxm.dll"):
            yield os.path.join(folder, name)
    found = ctypes.util.find_library("kavoxm")
    if found:
        yield found
    yield "libkavoxm.so.0"


def lib():
    """The shared library, loaded once, with its function signatures declared."""
    global _library
    if _library is None:
        errors = []
        for path in _candidates():
            try:
                loaded = ctypes.CDLL(path)
                break
            except OSError as error:
                errors.append(str(error))
        else:
            raise OSError("KavoXM's shared library was not found (set KAVOXM_LIBRARY): "
                          + "; ".join(errors))
        for name, (result, arguments) in _SIGNATURES.items():
            function = getattr(loaded, name)
            function.restype, function.argtypes = result, arguments
        _library = loaded
    return _library
