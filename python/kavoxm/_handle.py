"""The base of Module: the library handle, its lock and its life time.

Every call takes the module's lock, so one Module may be shared by threads: their calls run one
after another (a render() as a whole), and close() waits for the call in progress. Different
Modules are independent. ctypes releases the interpreter's lock while the library works, so
other Python threads run meanwhile."""

from __future__ import annotations

import ctypes
import functools
import threading
from typing import Any, Callable, Optional, TypeVar, cast

from . import _capi
from ._errors import ClosedError

_Method = TypeVar("_Method", bound=Callable[..., Any])
_Self = TypeVar("_Self", bound="Handle")


def locked(method: _Method) -> _Method:
    """Runs the method under the module's lock, on an open handle."""

    @functools.wraps(method)
    def locked(self: "Handle", *args: Any, **kwargs: Any) -> Any:
        with self._lock:
            if self._handle is None:
                raise ClosedError()
            return method(self, *args, **kwargs)

    return cast(_Method, locked)


class Handle:
    """An open library handle with its lock (see Module)."""

    def __init__(self) -> None:
        self._lock = threading.RLock()
        self._handle: Optional[ctypes.c_void_p] = None
        self._lib = _capi.lib()

    # ---- Life time -------------------------------------------------------------------------

    def close(self) -> None:
        """Frees the song (stopping device playback); waits for a call in progress on another
        thread. Later calls raise ClosedError; closing again does nothing."""
        lock = getattr(self, "_lock", None)
        if lock is None:
            return
        with lock:
            if self._handle is not None:
                self._lib.kavoxm_destroy(self._handle)
                self._handle = None

    @property
    def closed(self) -> bool:
        """True after close()."""
        return getattr(self, "_handle", None) is None

    def __enter__(self: _Self) -> _Self:
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()

    def _call(self, name: str, *args: Any) -> Any:
        return getattr(self._lib, name)(self._handle, *args)
