"""Music that follows a game: queued jumps, events with frames, sound effects from the song's
instruments and volume fades (the C API's kavoxm_queue_jump ... kavoxm_fade_master)."""

import ctypes

from ctypes import POINTER, Structure, c_double, c_int, c_int32, c_int64, c_uint32, c_void_p

JUMP_NEXT_ROW, JUMP_ROWS, JUMP_PATTERN_END, JUMP_SONG_END = range(4)
_WHEN = {"next_row": JUMP_NEXT_ROW, "rows": JUMP_ROWS, "pattern_end": JUMP_PATTERN_END,
         "song_end": JUMP_SONG_END}
EVENT_KINDS = {1: "row", 2: "order", 3: "loop_jump", 4: "jump_taken", 5: "song_end", 6: "note",
               7: "fade_end", 8: "effect_end"}
# What a, b and c of each kind mean.
_FIELDS = {"row": ("order", "pattern", "row"), "order": ("order", "pattern", None),
           "loop_jump": ("order", "pattern", "row"), "jump_taken": ("order", "pattern", "row"),
           "song_end": ("passes", None, None), "note": ("channel", "note", "instrument"),
           "fade_end": ("channel", "volume", None), "effect_end": ("effect", None, None)}
EFFECT_VOICES = 32


class Jump(Structure):
    _fields_ = [("pending", c_int32), ("order", c_int32), ("row", c_int32), ("when", c_int32),
                ("rows", c_int32)]


class Event(Structure):
    _fields_ = [("type", c_int32), ("a", c_int32), ("b", c_int32), ("c", c_int32),
                ("frame", c_int64), ("offset", c_int64)]


SIGNATURES = {
    "kavoxm_queue_jump": (c_int, [c_void_p, c_int32, c_int32, c_int32, c_int32]),
    "kavoxm_cancel_jump": (c_int, [c_void_p]),
    "kavoxm_get_jump": (c_int, [c_void_p, POINTER(Jump)]),
    "kavoxm_read_events": (c_int32, [c_void_p, POINTER(Event), c_int32]),
    "kavoxm_events_lost": (c_int64, [c_void_p]),
    "kavoxm_set_event_mask": (c_int, [c_void_p, c_uint32]),
    "kavoxm_effect_play": (c_int32, [c_void_p, c_int32, c_int32, c_int32, c_int32]),
    "kavoxm_effect_release": (c_int, [c_void_p, c_int32]),
    "kavoxm_effect_stop": (c_int, [c_void_p, c_int32]),
    "kavoxm_fade_channel": (c_int, [c_void_p, c_int32, c_int32, c_double]),
    "kavoxm_fade_master": (c_int, [c_void_p, c_int32, c_double]),
}


def event_dict(event):
    """An event as a dict: kind, frame, offset and its fields by name."""
    kind = EVENT_KINDS.get(event.type, str(event.type))
    result = {"kind": kind, "frame": event.frame, "offset": event.offset}
    for name, value in zip(_FIELDS.get(kind, ("a", "b", "c")), (event.a, event.b, event.c)):
        if name is not None:
            result[name] = value
    return result


class GameControls:
    """Methods of Module for games; they need `self._lib`, `self._handle` and `self._check`."""

    def queue_jump(self, order, row=0, when="pattern_end", rows=16):
        """Jumps to `order`, `row` at the end of the row playing ("next_row"), of a group of
        `rows` rows ("rows"), of the pattern ("pattern_end") or of the song ("song_end"), as a
        position jump and pattern break written at that row would."""
        if when not in _WHEN:
            raise ValueError("when must be one of " + ", ".join(_WHEN))
        self._check(self._lib.kavoxm_queue_jump(self._handle, int(order), int(row), _WHEN[when],
                                                int(rows)))

    def cancel_jump(self):
        self._check(self._lib.kavoxm_cancel_jump(self._handle))

    @property
    def pending_jump(self):
        """The queued jump as a dict (order, row, when, and rows for "rows"), or None."""
        jump = Jump()
        self._check(self._lib.kavoxm_get_jump(self._handle, ctypes.byref(jump)))
        if not jump.pending:
            return None
        when = {v: k for k, v in _WHEN.items()}[jump.when]
        result = {"order": jump.order, "row": jump.row, "when": when}
        if when == "rows":
            result["rows"] = jump.rows
        return result

    def events(self):
        """The events of the frames rendered so far, oldest first, as dicts."""
        buffer = (Event * 256)()
        result = []
        while True:
            count = self._check(self._lib.kavoxm_read_events(self._handle, buffer, 256))
            result.extend(event_dict(buffer[i]) for i in range(count))
            if count < 256:
                return result

    @property
    def events_lost(self):
        """Events dropped because nobody read the queue in time."""
        return self._check(self._lib.kavoxm_events_lost(self._handle))

    def record_events(self, kinds=None):
        """Records only the kinds named (None: all; an empty list: none)."""
        mask = 0xFFFFFFFF
        if kinds is not None:
            numbers = {v: k for k, v in EVENT_KINDS.items()}
            mask = 0
            for kind in kinds:
                mask |= 1 << (numbers[kind] - 1)
        self._check(self._lib.kavoxm_set_event_mask(self._handle, mask))

    def play_effect(self, instrument, note, volume=-1, panning=-1):
        """Plays `note` (1..96) of the song's `instrument` over the music; returns its id."""
        return self._check(self._lib.kavoxm_effect_play(self._handle, int(instrument), int(note),
                                                        int(volume), int(panning)))

    def release_effect(self, effect):
        self._check(self._lib.kavoxm_effect_release(self._handle, int(effect)))

    def stop_effect(self, effect):
        self._check(self._lib.kavoxm_effect_stop(self._handle, int(effect)))

    def fade_channel(self, channel, volume, seconds):
        """Ramps a channel's volume (0..256) to `volume` over `seconds`."""
        self._check(self._lib.kavoxm_fade_channel(self._handle, int(channel), int(volume),
                                                  float(seconds)))

    def fade_master(self, volume, seconds):
        """Ramps the master volume (0..256) to `volume` over `seconds`."""
        self._check(self._lib.kavoxm_fade_master(self._handle, int(volume), float(seconds)))
