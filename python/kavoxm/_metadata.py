"""What the song file holds: counts, texts (names and the message) and pattern cells."""

from __future__ import annotations

import ctypes
from typing import List, cast

from . import _args, _capi
from ._errors import check
from ._handle import Handle, locked
from ._types import CellDict, InfoDict

# Text kinds by name, for text().
TEXT_KINDS = {"title": _capi.TEXT_TITLE, "tracker": _capi.TEXT_TRACKER,
              "message": _capi.TEXT_MESSAGE, "instrument": _capi.TEXT_INSTRUMENT,
              "sample": _capi.TEXT_SAMPLE, "channel": _capi.TEXT_CHANNEL}
MAX_INSTRUMENTS, MAX_SAMPLES = 255, 16


class Metadata(Handle):
    """Metadata calls of Module."""

    def _info(self) -> _capi.Info:
        info = _capi.Info()
        check(self._call("kavoxm_get_info", ctypes.byref(info)))
        return info

    def _text(self, kind: int, index: int, flags: int) -> bytes:
        length = check(self._call("kavoxm_get_text", kind, index, flags, None, 0))
        buffer = ctypes.create_string_buffer(length + 1)
        check(self._call("kavoxm_get_text", kind, index, flags, buffer, length + 1))
        return buffer.raw[:length]

    @locked
    def text(self, kind: str, index: int = 0, raw: bool = False) -> "str | bytes":
        """A text of the song: kind "title", "tracker", "message", "instrument" (index: its
        number 1..255), "sample" (index: instrument x 256 + sample 0..15) or "channel" (index
        0..). As UTF-8 str (control characters removed; bytes that are not UTF-8 read as
        Windows-1252), or with raw=True the bytes as the file has them. PositionError when the
        song has no such instrument, sample or channel."""
        if kind not in TEXT_KINDS:
            raise ValueError(f"kind must be one of {sorted(TEXT_KINDS)}")
        index = _args.integer("index", index, 0, None)
        if raw:
            return self._text(TEXT_KINDS[kind], index, _capi.TEXT_RAW)
        return self._text(TEXT_KINDS[kind], index, _capi.TEXT_UTF8).decode("utf-8")

    def _utf8(self, kind: int, index: int = 0) -> str:
        return self._text(kind, index, _capi.TEXT_UTF8).decode("utf-8")

    @property
    @locked
    def info(self) -> InfoDict:
        """What the file holds: counts, speeds, the title, tracker, message and the instrument
        names (UTF-8, control characters removed)."""
        info = self._info()
        result = _capi.as_dict(info)
        result["title"] = self._utf8(_capi.TEXT_TITLE)
        result["tracker"] = self._utf8(_capi.TEXT_TRACKER)
        result["message"] = self._utf8(_capi.TEXT_MESSAGE)
        result["instrument_names"] = self._names(_capi.TEXT_INSTRUMENT,
                                                 range(1, info.instruments + 1))
        return cast(InfoDict, result)

    def _names(self, kind: int, indices: "range | List[int]") -> List[str]:
        names = []
        for index in indices:
            length = self._call("kavoxm_get_text", kind, index, _capi.TEXT_UTF8, None, 0)
            if length == _capi.ERROR_POSITION:
                names.append("")  # an instrument number the song leaves unused
                continue
            names.append(self._utf8(kind, index))
        return names

    @property
    @locked
    def title(self) -> str:
        """The song's name (UTF-8)."""
        return self._utf8(_capi.TEXT_TITLE)

    @property
    @locked
    def message(self) -> str:
        """The song's message, lines separated by '\\n' (UTF-8)."""
        return self._utf8(_capi.TEXT_MESSAGE)

    @locked
    def sample_names(self, instrument: int) -> List[str]:
        """The names of instrument `instrument`'s samples (1..255); PositionError when the song
        has no such instrument."""
        instrument = _args.integer("instrument", instrument, 1, MAX_INSTRUMENTS)
        check(self._call("kavoxm_get_text", _capi.TEXT_INSTRUMENT, instrument,
                         _capi.TEXT_RAW, None, 0))
        names = []
        for sample in range(MAX_SAMPLES):
            index = instrument * 256 + sample
            if self._call("kavoxm_get_text", _capi.TEXT_SAMPLE, index, 0, None, 0) < 0:
                break
            names.append(self._utf8(_capi.TEXT_SAMPLE, index))
        return names

    @property
    @locked
    def channel_names(self) -> List[str]:
        """A name per pattern channel (empty where the file names none)."""
        return self._names(_capi.TEXT_CHANNEL, range(self._info().channels))

    @property
    @locked
    def orders(self) -> List[int]:
        """The order list: the pattern number of each entry."""
        return [check(self._call("kavoxm_order_pattern", order))
                for order in range(self._info().orders)]

    @locked
    def order_pattern(self, order: int) -> int:
        """The pattern at order entry `order`; PositionError past the order list."""
        order = _args.integer("order", order, 0, None)
        return int(check(self._call("kavoxm_order_pattern", order)))

    @locked
    def pattern_rows(self, pattern: int) -> int:
        """The number of rows of pattern `pattern`; PositionError for a pattern the file does
        not hold."""
        pattern = _args.integer("pattern", pattern, 0, None)
        return int(check(self._call("kavoxm_pattern_rows", pattern)))

    @locked
    def cell(self, pattern: int, row: int, channel: int) -> CellDict:
        """One pattern cell as stored: note (0 none, 1..96, 97 key off), instrument, volume
        column, effect and parameter; PositionError outside the song's patterns."""
        pattern = _args.integer("pattern", pattern, 0, None)
        row = _args.integer("row", row, 0, None)
        channel = _args.integer("channel", channel, 0, None)
        cell = _capi.Cell()
        check(self._call("kavoxm_get_cell", pattern, row, channel, ctypes.byref(cell)))
        return cast(CellDict, _capi.as_dict(cell))
