"""Music that follows a game: queued jumps, events with frames, sound effects from the song's
instruments and volume fades."""

from __future__ import annotations

import ctypes
from typing import Any, Dict, Iterable, List, Optional

from . import _args, _capi
from ._errors import check
from ._handle import Handle, locked

JUMP_WHEN = {"next_row": 0, "rows": 1, "pattern_end": 2, "song_end": 3}
EVENT_KINDS = {1: "row", 2: "order", 3: "loop_jump", 4: "jump_taken", 5: "song_end", 6: "note",
               7: "fade_end", 8: "effect_end"}
# What a, b and c of each kind mean (None: unused).
_FIELDS = {"row": ("order", "pattern", "row"), "order": ("order", "pattern", None),
           "loop_jump": ("order", "pattern", "row"), "jump_taken": ("order", "pattern", "row"),
           "song_end": ("passes", None, None), "note": ("channel", "note", "instrument"),
           "fade_end": ("channel", "volume", None), "effect_end": ("effect", None, None)}
EFFECT_VOICES = 32
_EVENT_BLOCK = 256


def _event_dict(event: _capi.Event) -> Dict[str, Any]:
    kind = EVENT_KINDS.get(event.type, str(event.type))
    result: Dict[str, Any] = {"kind": kind, "frame": event.frame, "offset": event.offset}
    for name, value in zip(_FIELDS.get(kind, ("a", "b", "c")), (event.a, event.b, event.c)):
        if name is not None:
            result[name] = value
    return result


class Game(Handle):
    """Calls of Module for games."""

    @locked
    def queue_jump(self, order: int, row: int = 0, when: str = "pattern_end",
                   rows: int = 16) -> None:
        """Jumps to `order`, `row` at the end of the row playing ("next_row"), of a group of
        `rows` rows from the pattern's row 0 ("rows"), of the pattern ("pattern_end") or where
        the song would end ("song_end"), as a position jump and pattern break written in that
        row would. Replaces a queued jump; seeks clear it. PositionError: no such order/row."""
        if when not in JUMP_WHEN:
            raise ValueError("when must be one of " + ", ".join(JUMP_WHEN))
        check(self._call("kavoxm_queue_jump", _args.integer("order", order),
                         _args.integer("row", row), JUMP_WHEN[when],
                         _args.integer("rows", rows, 1, 256)))

    @locked
    def cancel_jump(self) -> None:
        """Drops the queued jump (nothing when none is queued)."""
        check(self._call("kavoxm_cancel_jump"))

    @property
    @locked
    def pending_jump(self) -> Optional[Dict[str, Any]]:
        """The queued jump as a dict (order, row, when, and rows for "rows"), or None."""
        jump = _capi.Jump()
        check(self._call("kavoxm_get_jump", ctypes.byref(jump)))
        if not jump.pending:
            return None
        when = {v: k for k, v in JUMP_WHEN.items()}[jump.when]
        result: Dict[str, Any] = {"order": jump.order, "row": jump.row, "when": when}
        if when == "rows":
            result["rows"] = jump.rows
        return result

    @locked
    def events(self) -> List[Dict[str, Any]]:
        """What began in the frames rendered so far, oldest first, as dicts: kind ("row",
        "order", "loop_jump", "jump_taken", "song_end", "note", "fade_end", "effect_end"),
        frame (of the rendered stream, from 0 at loading), offset (in the last render call)
        and the kind's fields (order, pattern, row; channel, note, instrument; ...)."""
        buffer = (_capi.Event * _EVENT_BLOCK)()
        result: List[Dict[str, Any]] = []
        while True:
            count = check(self._call("kavoxm_read_events", buffer, _EVENT_BLOCK))
            result.extend(_event_dict(buffer[i]) for i in range(count))
            if count < _EVENT_BLOCK:
                return result

    @property
    @locked
    def events_lost(self) -> int:
        """Events dropped because the queue (4,096) was full."""
        return int(check(self._call("kavoxm_events_lost")))

    @locked
    def record_events(self, kinds: Optional[Iterable[str]] = None) -> None:
        """Records only the kinds named (None: all of them; an empty list: none)."""
        mask = 0xFFFFFFFF
        if kinds is not None:
            numbers = {v: k for k, v in EVENT_KINDS.items()}
            mask = 0
            for kind in kinds:
                if kind not in numbers:
                    raise ValueError(f"no event kind {kind!r}")
                mask |= 1 << (numbers[kind] - 1)
        check(self._call("kavoxm_set_event_mask", mask))

    @locked
    def play_effect(self, instrument: int, note: int, volume: int = -1,
                    panning: int = -1) -> int:
        """Plays `note` (1..96) of the song's `instrument` (1..255) over the music on a voice
        of its own, with `volume` 0..64 and `panning` 0..255 (-1: the sample's); returns its
        id. PositionError when the song has no such instrument."""
        return int(check(self._call(
            "kavoxm_effect_play", _args.integer("instrument", instrument, 1, 255),
            _args.integer("note", note, 1, 96), _args.integer("volume", volume, -1, 64),
            _args.integer("panning", panning, -1, 255))))

    @locked
    def release_effect(self, effect: int) -> None:
        """Releases an effect's note (key-off). PositionError when it no longer sounds."""
        check(self._call("kavoxm_effect_release", _args.integer("effect", effect)))

    @locked
    def stop_effect(self, effect: int) -> None:
        """Stops an effect with a short fade. PositionError when it no longer sounds."""
        check(self._call("kavoxm_effect_stop", _args.integer("effect", effect)))

    @locked
    def fade_channel(self, channel: int, volume: int, seconds: float) -> None:
        """Ramps a channel's volume (0..256, as set_channel_volume) to `volume` over
        `seconds` (0..3600); its end comes as a "fade_end" event."""
        check(self._call("kavoxm_fade_channel", _args.integer("channel", channel),
                         _args.integer("volume", volume, 0, 256),
                         _args.real("seconds", seconds, 0.0, 3600.0)))

    @locked
    def fade_master(self, volume: int, seconds: float) -> None:
        """Ramps the master volume (0..256) to `volume` over `seconds` (0..3600)."""
        check(self._call("kavoxm_fade_master", _args.integer("volume", volume, 0, 256),
                         _args.real("seconds", seconds, 0.0, 3600.0)))
