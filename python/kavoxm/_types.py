"""The shapes of the dictionaries the module returns, for type checkers."""

from __future__ import annotations

from typing import List, TypedDict


class SubsongDict(TypedDict):
    """One subsong: the order entry it starts at, its length in seconds and whether it ends
    (False: it plays past the one-hour cap or could not be measured; `seconds` is how far the
    measurement got)."""
    start_order: int
    seconds: float
    ends: bool


# "pass" is a Python keyword, hence the functional form.
StateDict = TypedDict("StateDict", {
    "order": int, "pattern": int, "row": int, "rows": int, "speed": int, "tempo": int,
    "global_volume": int, "pass": int, "channels": int, "ended": int, "seconds": float})
StateDict.__doc__ = """Where the song stands (see kavoxm_get_state): order, pattern, row and its
pattern's rows, speed, tempo, global volume, completed passes ("pass"), channels, ended (1 once
the render reached the end) and seconds (song time at the last frame rendered)."""


class ChannelStateDict(TypedDict):
    """What one channel plays: note 1..96 and instrument 1..255 of the sounding voice (0 when
    silent), volume 0..64, panning 0..255 and the level 0..1 of the last render call."""
    note: int
    instrument: int
    volume: int
    panning: int
    level: float


class CellDict(TypedDict):
    """A pattern cell as stored: note (0 none, 1..96, 97 key off), instrument (0 none), the
    volume column byte, effect and parameter."""
    note: int
    instrument: int
    volume: int
    effect: int
    parameter: int


class InfoDict(TypedDict):
    """What the file holds: counts and settings, and its texts as UTF-8."""
    format_version: int
    channels: int
    patterns: int
    instruments: int
    samples: int
    orders: int
    restart_order: int
    linear_frequencies: int
    initial_speed: int
    initial_tempo: int
    title: str
    tracker: str
    message: str
    instrument_names: List[str]
