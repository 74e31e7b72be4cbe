"""Loading a song from what a Python user has at hand: a path, bytes, or a binary file object
(read through the library's reader callbacks, without a copy in Python)."""

from __future__ import annotations

import ctypes
import io
import os
from typing import IO, Any, List, Optional, Union

from . import _capi
from ._errors import LoadError

Source = Union[str, "os.PathLike[str]", "os.PathLike[bytes]", bytes, bytearray, memoryview,
               IO[bytes]]


def _raise_for(code: int, report: _capi.LoadReport) -> None:
    reason = report.reason.decode("utf-8", "replace")
    details = _capi.as_dict(report)
    del details["reason"]
    raise LoadError(code, reason, details)


def _from_path(path: Any, handle: ctypes.c_void_p, report: _capi.LoadReport) -> int:
    encoded = os.fsencode(path)
    if b"\0" in encoded:
        raise ValueError("the path contains a NUL character")
    return _capi.lib().kavoxm_load_file(encoded, ctypes.byref(handle), ctypes.byref(report))


def _from_bytes(data: Any, handle: ctypes.c_void_p, report: _capi.LoadReport) -> int:
    image = data if isinstance(data, bytes) else memoryview(data).tobytes()
    return _capi.lib().kavoxm_load_memory(image, len(image), ctypes.byref(handle),
                                          ctypes.byref(report))


class _Reader:
    """The callbacks over a file object; the first exception it raises is kept for the caller."""

    def __init__(self, file: Any) -> None:
        self.file = file
        self.failure: Optional[BaseException] = None
        self.io = _capi.Io(_capi.ReadFunction(self.read), _capi.SeekFunction(),
                           _capi.SizeFunction(self.size))

    def read(self, _user: Any, buffer: int, size: int) -> int:
        try:
            target = (ctypes.c_char * size).from_address(buffer)
            if hasattr(self.file, "readinto"):
                got = self.file.readinto(memoryview(target).cast("B"))
                return -1 if got is None else int(got)  # None: a non-blocking stream is empty
            data = self.file.read(size)
            if not isinstance(data, (bytes, bytearray)):
                raise TypeError(f"read() gave {type(data).__name__}, not bytes")
            ctypes.memmove(target, bytes(data), len(data))
            return len(data)
        except BaseException as error:  # noqa: B036 -- nothing may cross the C boundary
            self.failure = self.failure or error
            return -1

    def size(self, _user: Any) -> int:
        try:
            if not self.file.seekable():
                return -1
            here = self.file.tell()
            end = self.file.seek(0, io.SEEK_END)
            self.file.seek(here)
            return max(-1, end - here)
        except BaseException:  # noqa: B036 -- the size is optional
            return -1


def _from_file(file: Any, handle: ctypes.c_void_p, report: _capi.LoadReport) -> int:
    if isinstance(file, io.TextIOBase):
        raise TypeError("a binary file object is needed (open the file with 'rb')")
    reader = _Reader(file)
    code = _capi.lib().kavoxm_load_callbacks(ctypes.byref(reader.io), None,
                                              ctypes.byref(handle), ctypes.byref(report))
    if reader.failure is not None:
        if isinstance(reader.failure, (KeyboardInterrupt, SystemExit)):
            raise reader.failure
        raise LoadError(_capi.ERROR_READ, f"reading the file object failed: {reader.failure}",
                        {}) from reader.failure
    return code


def load(source: Source) -> ctypes.c_void_p:
    """A new library handle for `source`, or LoadError with the reason."""
    handle = ctypes.c_void_p()
    report = _capi.LoadReport()
    if isinstance(source, (str, os.PathLike)):
        code = _from_path(source, handle, report)
    elif isinstance(source, (bytes, bytearray, memoryview)):
        code = _from_bytes(source, handle, report)
    elif hasattr(source, "read"):
        code = _from_file(source, handle, report)
    else:
        raise TypeError("a song is a path, bytes or a binary file object, not "
                        + type(source).__name__)
    if code < 0:
        if code == _capi.ERROR_OUT_OF_MEMORY:
            raise MemoryError("out of memory loading the song")
        _raise_for(code, report)
    return handle


__all__: List[str] = ["Source", "load"]
