"""KavoXM for Python: FastTracker 2 XM songs rendered into NumPy arrays.

    import kavoxm
    with kavoxm.Module("song.xm") as song:   # a path, bytes or a binary file object
        pcm = song.render()                   # float32, frames x 2, once through at 44100 Hz
        print(song.duration, song.title)

The module calls KavoXM's shared C library through ctypes; the package carries its own copy
(the one named by $KAVOXM_LIBRARY is used instead when that is set). Failed calls raise
KavoXMError or one of its subclasses (LoadError with the loader's reason, PositionError,
InvalidArgumentError, ClosedError, NoDeviceError, BusyError); arguments outside their range raise
ValueError, or OverflowError beyond 32 bits, before they reach the library. One Module may be
used from several threads: its calls run one after another, and close() waits for them.
"""

from __future__ import annotations

from . import _capi
from ._capi import (ERROR_BUSY, ERROR_INTERNAL, ERROR_INVALID_ARGUMENT, ERROR_NO_DEVICE, ERROR_NOT_XM,
                    ERROR_OUT_OF_MEMORY, ERROR_POSITION, ERROR_READ, ERROR_TOO_LARGE,
                    ERROR_TRUNCATED, MAX_FILE_BYTES, MAX_RATE, MIN_RATE)
from ._errors import (BusyError, ClosedError, InvalidArgumentError, KavoXMError, LoadError, NoDeviceError,
                      PositionError)
from ._module import Module
from ._types import CellDict, ChannelStateDict, InfoDict, StateDict, SubsongDict

__all__ = [
    "Module", "KavoXMError", "LoadError", "PositionError", "InvalidArgumentError",
    "ClosedError", "NoDeviceError", "BusyError", "version", "version_number", "error_string",
    "library_path", "CellDict", "ChannelStateDict", "InfoDict", "StateDict", "SubsongDict",
    "ERROR_INVALID_ARGUMENT", "ERROR_OUT_OF_MEMORY", "ERROR_READ", "ERROR_NOT_XM",
    "ERROR_TRUNCATED", "ERROR_TOO_LARGE", "ERROR_POSITION", "ERROR_NO_DEVICE",
    "ERROR_INTERNAL", "ERROR_BUSY", "MAX_FILE_BYTES", "MIN_RATE", "MAX_RATE",
]


def version() -> str:
    """The library's version as "MAJOR.MINOR.PATCH"."""
    return str(_capi.lib().kavoxm_version_string().decode())


def version_number() -> int:
    """The library's version as MAJOR * 10000 + MINOR * 100 + PATCH."""
    return int(_capi.lib().kavoxm_version())


def error_string(code: int) -> str:
    """The library's short English text for an error code."""
    from ._args import integer
    return str(_capi.lib().kavoxm_error_string(integer("code", code)).decode())


def library_path() -> str:
    """Where the shared library in use was loaded from."""
    return _capi.library_path()
