"""Exceptions: every failed library call raises a KavoXMError carrying the library's code; the
subclasses also derive from the built-in exception a Python user would catch."""

from __future__ import annotations

from typing import Any, Dict, Optional, Type

from . import _capi


class KavoXMError(Exception):
    """A failed library call. `code` is the library's negative error code (see the ERROR_*
    constants) and `detail` what the call adds to the library's text for it."""

    def __init__(self, code: int, detail: str = "") -> None:
        self.code = code
        self.detail = detail
        text = _capi.lib().kavoxm_error_string(code).decode()
        super().__init__(f"{text}: {detail}" if detail else text)


class InvalidArgumentError(KavoXMError, ValueError):
    """The library refused an argument or the call in the module's present state."""


class PositionError(KavoXMError, IndexError):
    """No such order, row, pattern, subsong, channel, instrument or sample."""


class NoDeviceError(KavoXMError, OSError):
    """No audio output device could be opened."""


class BusyError(KavoXMError, RuntimeError):
    """Not now: the call cannot act while the module plays on the device (or, for pause and
    resume, while it does not)."""


class LoadError(KavoXMError):
    """The song could not be loaded. `reason` is the loader's (or the system's) explanation,
    `report` what the loader found before it stopped (format_version, patterns, instruments,
    sample_headers, missing_instruments)."""

    def __init__(self, code: int, reason: str, report: Optional[Dict[str, Any]] = None) -> None:
        self.reason = reason
        self.report = dict(report or {})
        super().__init__(code, reason)


class ClosedError(KavoXMError, ValueError):
    """A call on a Module after close()."""

    def __init__(self) -> None:
        super().__init__(_capi.ERROR_INVALID_ARGUMENT, "the module is closed")


# The exception raised for each code that has its own (others raise KavoXMError).
ERROR_CLASSES: Dict[int, Type[KavoXMError]] = {
    _capi.ERROR_INVALID_ARGUMENT: InvalidArgumentError,
    _capi.ERROR_POSITION: PositionError,
    _capi.ERROR_NO_DEVICE: NoDeviceError,
    _capi.ERROR_BUSY: BusyError,
}


def check(result: Any, detail: str = "") -> Any:
    """Returns `result` when it is not negative, else raises the error it codes for (an
    out-of-memory code raises MemoryError)."""
    if result < 0:
        code = int(result)
        if code == _capi.ERROR_OUT_OF_MEMORY:
            raise MemoryError(_capi.lib().kavoxm_error_string(code).decode())
        raise ERROR_CLASSES.get(code, KavoXMError)(code, detail)
    return result
