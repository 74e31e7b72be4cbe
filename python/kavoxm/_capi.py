"""The C library's declarations for ctypes: structures, constants and function signatures,
mirroring KavoXM/capi/kavoxm.h, and the search for the shared library."""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
from ctypes import (CFUNCTYPE, POINTER, Structure, c_char, c_char_p, c_double, c_float, c_int,
                    c_int32, c_int64, c_size_t, c_uint8, c_uint32, c_void_p)
from typing import Any, Dict, Iterator, Optional

OK = 0
ERROR_INVALID_ARGUMENT = -1
ERROR_OUT_OF_MEMORY = -2
ERROR_READ = -3
ERROR_NOT_XM = -4
ERROR_TRUNCATED = -5
ERROR_TOO_LARGE = -6
ERROR_POSITION = -7
ERROR_NO_DEVICE = -8
ERROR_INTERNAL = -9
ERROR_BUSY = -10

MAX_FILE_BYTES = 512 << 20
MIN_RATE, MAX_RATE = 8000, 192000
INT32_MIN, INT32_MAX = -(1 << 31), (1 << 31) - 1

TEXT_TITLE, TEXT_TRACKER, TEXT_MESSAGE, TEXT_INSTRUMENT, TEXT_SAMPLE, TEXT_CHANNEL = range(6)
TEXT_RAW, TEXT_UTF8 = 0, 1
INTERPOLATION_NEAREST, INTERPOLATION_LINEAR, INTERPOLATION_SPLINE = range(3)


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


class ChannelState(Structure):
    _fields_ = [("note", c_int32), ("instrument", c_int32), ("volume", c_int32),
                ("panning", c_int32), ("level", c_float)]


class Cell(Structure):
    _fields_ = [("note", c_uint8), ("instrument", c_uint8), ("volume", c_uint8),
                ("effect", c_uint8), ("parameter", c_uint8)]


class Info(Structure):
    _fields_ = [("format_version", c_int32), ("channels", c_int32), ("patterns", c_int32),
                ("instruments", c_int32), ("samples", c_int32), ("orders", c_int32),
                ("restart_order", c_int32), ("linear_frequencies", c_int32),
                ("initial_speed", c_int32), ("initial_tempo", c_int32)]


ReadFunction = CFUNCTYPE(c_int64, c_void_p, c_void_p, c_size_t)
SeekFunction = CFUNCTYPE(c_int, c_void_p, c_int64, c_int)
SizeFunction = CFUNCTYPE(c_int64, c_void_p)


class Io(Structure):
    _fields_ = [("read", ReadFunction), ("seek", SeekFunction), ("size", SizeFunction)]


def as_dict(structure: Structure) -> Dict[str, Any]:
    """The structure's fields by name."""
    return {name: getattr(structure, name) for name, *_ in structure._fields_}


class Jump(Structure):
    _fields_ = [("pending", c_int32), ("order", c_int32), ("row", c_int32), ("when", c_int32),
                ("rows", c_int32)]


class Event(Structure):
    _fields_ = [("type", c_int32), ("a", c_int32), ("b", c_int32), ("c", c_int32),
                ("frame", c_int64), ("offset", c_int64)]


_HANDLE = c_void_p
_SIGNATURES = {
    "kavoxm_version": (c_uint32, []),
    "kavoxm_version_string": (c_char_p, []),
    "kavoxm_error_string": (c_char_p, [c_int]),
    "kavoxm_load_memory": (c_int, [c_void_p, c_size_t, POINTER(_HANDLE), POINTER(LoadReport)]),
    "kavoxm_load_file": (c_int, [c_char_p, POINTER(_HANDLE), POINTER(LoadReport)]),
    "kavoxm_load_callbacks": (c_int, [POINTER(Io), c_void_p, POINTER(_HANDLE),
                                      POINTER(LoadReport)]),
    "kavoxm_destroy": (None, [_HANDLE]),
    "kavoxm_render_s16": (c_int64, [_HANDLE, c_int32, c_int32, c_void_p, c_size_t]),
    "kavoxm_render_float": (c_int64, [_HANDLE, c_int32, c_int32, c_void_p, c_size_t]),
    "kavoxm_render_mix": (c_int64, [_HANDLE, c_int32, c_int32, c_void_p, c_size_t]),
    "kavoxm_set_repeat": (c_int, [_HANDLE, c_int32]),
    "kavoxm_set_interpolation": (c_int, [_HANDLE, c_int32]),
    "kavoxm_set_master_volume": (c_int, [_HANDLE, c_int32]),
    "kavoxm_set_stereo_separation": (c_int, [_HANDLE, c_int32]),
    "kavoxm_set_gain_db": (c_int, [_HANDLE, c_double]),
    "kavoxm_set_clip": (c_int, [_HANDLE, c_int32]),
    "kavoxm_subsong_count": (c_int32, [_HANDLE]),
    "kavoxm_get_subsong": (c_int, [_HANDLE, c_int32, POINTER(Subsong)]),
    "kavoxm_select_subsong": (c_int, [_HANDLE, c_int32]),
    "kavoxm_duration": (c_double, [_HANDLE]),
    "kavoxm_duration_frames": (c_int64, [_HANDLE, c_int32]),
    "kavoxm_seek_order": (c_int, [_HANDLE, c_int32, c_int32]),
    "kavoxm_seek_seconds": (c_int, [_HANDLE, c_double]),
    "kavoxm_get_state": (c_int, [_HANDLE, POINTER(State)]),
    "kavoxm_get_channel_states": (c_int32, [_HANDLE, POINTER(ChannelState), c_int32]),
    "kavoxm_pattern_rows": (c_int32, [_HANDLE, c_int32]),
    "kavoxm_get_cell": (c_int, [_HANDLE, c_int32, c_int32, c_int32, POINTER(Cell)]),
    "kavoxm_order_pattern": (c_int32, [_HANDLE, c_int32]),
    "kavoxm_set_channel_mute": (c_int, [_HANDLE, c_int32, c_int32]),
    "kavoxm_set_channel_volume": (c_int, [_HANDLE, c_int32, c_int32]),
    "kavoxm_get_info": (c_int, [_HANDLE, POINTER(Info)]),
    "kavoxm_get_text": (c_int64, [_HANDLE, c_int32, c_int32, c_int32, c_char_p, c_size_t]),
    "kavoxm_play": (c_int, [_HANDLE]),
    "kavoxm_is_playing": (c_int32, [_HANDLE]),
    "kavoxm_stop": (c_int, [_HANDLE]),
    "kavoxm_pause": (c_int, [_HANDLE]),
    "kavoxm_resume": (c_int, [_HANDLE]),
    "kavoxm_is_paused": (c_int32, [_HANDLE]),
    "kavoxm_set_device_format": (c_int, [_HANDLE, c_int32, c_int32, c_int32]),
    "kavoxm_latency_frames": (c_int64, [_HANDLE]),
    "kavoxm_heard_frame": (c_int64, [_HANDLE]),
    "kavoxm_get_mixer_state": (c_int, [_HANDLE, POINTER(State)]),
    "kavoxm_get_channel_levels": (c_int32, [_HANDLE, POINTER(c_float), POINTER(c_float),
                                            c_int32]),
    "kavoxm_set_tempo_factor": (c_int, [_HANDLE, c_double]),
    "kavoxm_set_pitch_factor": (c_int, [_HANDLE, c_double]),
    "kavoxm_queue_jump": (c_int, [_HANDLE, c_int32, c_int32, c_int32, c_int32]),
    "kavoxm_cancel_jump": (c_int, [_HANDLE]),
    "kavoxm_get_jump": (c_int, [_HANDLE, POINTER(Jump)]),
    "kavoxm_read_events": (c_int32, [_HANDLE, POINTER(Event), c_int32]),
    "kavoxm_events_lost": (c_int64, [_HANDLE]),
    "kavoxm_set_event_mask": (c_int, [_HANDLE, c_uint32]),
    "kavoxm_effect_play": (c_int32, [_HANDLE, c_int32, c_int32, c_int32, c_int32]),
    "kavoxm_effect_release": (c_int, [_HANDLE, c_int32]),
    "kavoxm_effect_stop": (c_int, [_HANDLE, c_int32]),
    "kavoxm_fade_channel": (c_int, [_HANDLE, c_int32, c_int32, c_double]),
    "kavoxm_fade_master": (c_int, [_HANDLE, c_int32, c_double]),
}

# The names the library has on each platform; the package carries its own copy under the first.
if sys.platform == "win32":
    LIBRARY_NAMES = ("kavoxm.dll", "libkavoxm.dll")
elif sys.platform == "darwin":
    LIBRARY_NAMES = ("libkavoxm.0.dylib", "libkavoxm.dylib")
else:
    LIBRARY_NAMES = ("libkavoxm.so.0",)

_library: Optional[ctypes.CDLL] = None
_library_path: str = ""


def _candidates() -> Iterator[str]:
    if os.environ.get("KAVOXM_LIBRARY"):
        yield os.environ["KAVOXM_LIBRARY"]
    here = os.path.dirname(os.path.abspath(__file__))
    # The package's own copy, then the library folder of a CMake installation (PREFIX/lib, with
    # the package in PREFIX/lib/python3/dist-packages/kavoxm).
    installed = os.path.normpath(os.path.join(here, "..", "..", ".."))
    for folder in (here, installed):
        for name in LIBRARY_NAMES:
            yield os.path.join(folder, name)
    found = ctypes.util.find_library("kavoxm")
    if found:
        yield found
    yield from LIBRARY_NAMES


def _declare(loaded: ctypes.CDLL) -> None:
    for name, (result, arguments) in _SIGNATURES.items():
        function = getattr(loaded, name)
        function.restype, function.argtypes = result, arguments


def lib() -> ctypes.CDLL:
    """The shared library, loaded once, with its function signatures declared: the one named by
    $KAVOXM_LIBRARY, else the package's own copy, else an installation's, else the system's."""
    global _library, _library_path
    if _library is None:
        errors = []
        for path in _candidates():
            try:
                loaded = ctypes.CDLL(path)
                _declare(loaded)
            except (OSError, AttributeError) as error:
                errors.append(f"{path}: {error}")
                continue
            _library, _library_path = loaded, path
            break
        else:
            raise OSError("KavoXM's shared library was not found (set KAVOXM_LIBRARY): "
                          + "; ".join(errors))
    return _library


def library_path() -> str:
    """Where the library in use was loaded from."""
    lib()
    return _library_path
