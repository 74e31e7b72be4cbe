"""Module: one loaded song with its playback position, over one library handle.

The calls are grouped by concern: the handle's life time and lock (_handle), texts and
patterns (_metadata), device playback (_device), rendering, settings and positions here."""

from __future__ import annotations

import ctypes
import operator
from typing import Any, List, Optional, Union, cast

import numpy as np

from . import _args, _capi, _source
from ._device import Playback
from ._errors import check
from ._game import Game
from ._handle import locked as _locked
from ._metadata import Metadata
from ._types import ChannelStateDict, StateDict, SubsongDict


# The render function for each sample type.
_RENDERERS = {np.dtype(np.float32): "kavoxm_render_float",
              np.dtype(np.int16): "kavoxm_render_s16",
              np.dtype(np.int32): "kavoxm_render_mix"}
_INTERPOLATIONS = {"nearest": _capi.INTERPOLATION_NEAREST, "linear": _capi.INTERPOLATION_LINEAR,
                   "spline": _capi.INTERPOLATION_SPLINE}
_BLOCK_SECONDS = 10
_DTypeLike = Union[str, type, "np.dtype[Any]"]


def _sample_type(dtype: _DTypeLike) -> "np.dtype[Any]":
    try:
        result = np.dtype(dtype)
    except TypeError:
        result = None
    if result not in _RENDERERS:
        raise ValueError(f"dtype must be float32, int16 or int32, not {dtype!r}")
    return result


class Module(Metadata, Playback, Game):
    """A loaded XM song and its playback position.

    `source` is a path (str or os.PathLike), the file's bytes (bytes, bytearray, memoryview) or
    a binary file object (read from its current position to its end). A file that cannot be
    loaded raises LoadError with the reason ("file ends inside pattern 3 of 12", "No such file
    or directory"). Use it as a context manager, or call close(), to free it at once."""

    def __init__(self, source: _source.Source) -> None:
        super().__init__()
        self._handle = _source.load(source)
        self._repeat = 0
        self._interpolation = "spline"
        self._master_volume = 128
        self._stereo_separation = 100
        self._gain_db = 0.0
        self._clip = True

    # ---- Rendering -------------------------------------------------------------------------

    @_locked
    def render(self, seconds: Optional[float] = None, rate: int = 44100,
               dtype: _DTypeLike = "float32", channels: int = 2,
               frames: Optional[int] = None) -> "np.ndarray[Any, Any]":
        """The next `seconds` (or `frames`) of the song, None for both: up to its end, as an
        array of frames x `channels` (1 mono, 2 left and right) at `rate` (8000..192000):
        float32 (full scale 1.0, the mix itself, never clipped), int16, or int32 (the engine's
        mix: 16-bit full scale x 4096). Shorter at the song's end, empty after it."""
        sample_type = _sample_type(dtype)
        rate = _args.integer("rate", rate, _capi.MIN_RATE, _capi.MAX_RATE)
        channels = _args.integer("channels", channels, 1, 2)
        if seconds is not None and frames is not None:
            raise ValueError("give seconds or frames, not both")
        want: Optional[int] = None
        if frames is not None:
            want = self._frames(frames)
        elif seconds is not None:
            want = int(round(_args.real("seconds", seconds, 0.0) * rate))
        elif self._repeat < 0:
            raise ValueError("a song repeated forever needs a length in seconds or frames")
        render = getattr(self._lib, _RENDERERS[sample_type])
        blocks = []
        while want is None or want > 0:
            size = _BLOCK_SECONDS * rate if want is None else min(want, _BLOCK_SECONDS * rate)
            block = np.empty((size, channels), dtype=sample_type)
            got = check(render(self._handle, rate, channels, block.ctypes.data, size))
            blocks.append(block[:got])
            if want is not None:
                want -= got
            if got < size:
                break
        if len(blocks) == 1:
            return blocks[0]
        return np.concatenate(blocks) if blocks else np.empty((0, channels), sample_type)

    @staticmethod
    def _frames(frames: Any) -> int:
        if isinstance(frames, (bool, float)):
            raise TypeError("frames must be an integer")
        count = operator.index(frames)
        if count < 0:
            raise ValueError(f"frames {count} is negative")
        return count

    @_locked
    def render_into(self, out: "np.ndarray[Any, Any]", rate: int = 44100) -> int:
        """Renders into `out`, a writable C-ordered array of frames x channels (1 or 2) of
        float32, int16 or int32 (see render()), without allocating; returns the frames written
        (fewer than len(out) at the song's end)."""
        if not isinstance(out, np.ndarray) or out.ndim != 2 or out.shape[1] not in (1, 2):
            raise ValueError("out must be a numpy array of frames x 1 or 2 channels")
        if not out.flags.c_contiguous or not out.flags.writeable:
            raise ValueError("out must be C-contiguous and writable")
        render = getattr(self._lib, _RENDERERS[_sample_type(out.dtype)])
        rate = _args.integer("rate", rate, _capi.MIN_RATE, _capi.MAX_RATE)
        return int(check(render(self._handle, rate, out.shape[1], out.ctypes.data, len(out))))

    # ---- Settings (each takes effect from the next tick or frame) ----------------------------

    @property
    def repeat(self) -> int:
        """Passes after the first: 0 (the default) stops at the song's end, n plays n more, -1
        forever."""
        return self._repeat

    @repeat.setter
    @_locked
    def repeat(self, count: int) -> None:
        count = _args.integer("repeat", count, -1, None)
        check(self._call("kavoxm_set_repeat", count))
        self._repeat = count

    @property
    def interpolation(self) -> str:
        """"nearest", "linear" or "spline" (four-point cubic, the default)."""
        return self._interpolation

    @interpolation.setter
    @_locked
    def interpolation(self, kind: str) -> None:
        if kind not in _INTERPOLATIONS:
            raise ValueError(f"interpolation must be one of {sorted(_INTERPOLATIONS)}")
        check(self._call("kavoxm_set_interpolation", _INTERPOLATIONS[kind]))
        self._interpolation = kind

    @property
    def master_volume(self) -> int:
        """Master volume 0..256, 128 the default."""
        return self._master_volume

    @master_volume.setter
    @_locked
    def master_volume(self, volume: int) -> None:
        volume = _args.integer("master_volume", volume, 0, 256)
        check(self._call("kavoxm_set_master_volume", volume))
        self._master_volume = volume

    @property
    def stereo_separation(self) -> int:
        """Percent of the side signal, 0 (mono) ..200; 100 (the default) the song's panning."""
        return self._stereo_separation

    @stereo_separation.setter
    @_locked
    def stereo_separation(self, percent: int) -> None:
        percent = _args.integer("stereo_separation", percent, 0, 200)
        check(self._call("kavoxm_set_stereo_separation", percent))
        self._stereo_separation = percent

    @property
    def gain_db(self) -> float:
        """Gain after mixing in dB, -60..24, 0 the default."""
        return self._gain_db

    @gain_db.setter
    @_locked
    def gain_db(self, decibels: float) -> None:
        decibels = _args.real("gain_db", decibels, -60.0, 24.0)
        check(self._call("kavoxm_set_gain_db", decibels))
        self._gain_db = decibels

    @property
    def clip(self) -> bool:
        """16-bit output saturates (True, the default) or wraps (False)."""
        return self._clip

    @clip.setter
    @_locked
    def clip(self, saturate: bool) -> None:
        if not isinstance(saturate, bool):
            raise TypeError("clip must be True or False")
        check(self._call("kavoxm_set_clip", int(saturate)))
        self._clip = saturate

    @_locked
    def set_channel_mute(self, channel: int, mute: bool = True) -> None:
        """Mutes (or with mute=False unmutes) pattern channel `channel` (0-based) from its next
        tick; its effects on the song (speed, jumps) still act."""
        channel = _args.integer("channel", channel, 0, None)
        check(self._call("kavoxm_set_channel_mute", channel, 1 if mute else 0))

    @_locked
    def set_channel_volume(self, channel: int, volume: int) -> None:
        """Scales channel `channel`'s volume from its next tick: 0..256, 256 unchanged."""
        channel = _args.integer("channel", channel, 0, None)
        volume = _args.integer("volume", volume, 0, 256)
        check(self._call("kavoxm_set_channel_volume", channel, volume))

    # ---- Song services ---------------------------------------------------------------------

    @property
    @_locked
    def subsongs(self) -> List[SubsongDict]:
        """The subsongs (tunes sharing the order list), measured once, the first at order 0."""
        result: List[SubsongDict] = []
        for index in range(check(self._call("kavoxm_subsong_count"))):
            entry = _capi.Subsong()
            check(self._call("kavoxm_get_subsong", index, ctypes.byref(entry)))
            result.append({"start_order": entry.start_order, "seconds": entry.seconds,
                           "ends": bool(entry.ends)})
        return result

    @_locked
    def select_subsong(self, index: int) -> None:
        """Starts subsong `index` (0-based) from its beginning."""
        index = _args.integer("index", index, 0, None)
        check(self._call("kavoxm_select_subsong", index))

    @property
    @_locked
    def duration(self) -> float:
        """Seconds of one pass of the selected subsong (how far the measurement got when it
        does not end within an hour), measured at 44100 Hz."""
        return float(check(self._call("kavoxm_duration")))

    @_locked
    def seek(self, seconds: float) -> None:
        """Moves to song time `seconds` (not negative) of the selected subsong; past its end:
        to the end."""
        check(self._call("kavoxm_seek_seconds", _args.real("seconds", seconds, 0.0)))

    @_locked
    def seek_order(self, order: int, row: int = 0) -> None:
        """Starts the song afresh at order entry `order`, row `row`; the subsong that reaches
        that order first becomes the selected one."""
        order = _args.integer("order", order, 0, None)
        row = _args.integer("row", row, 0, None)
        check(self._call("kavoxm_seek_order", order, row))

    # ---- State for displays ----------------------------------------------------------------

    @property
    @_locked
    def state(self) -> StateDict:
        """Where the song stands: order, pattern, row, rows, speed, tempo, global_volume, pass,
        channels, ended and seconds (song time at the last frame rendered)."""
        state = _capi.State()
        check(self._call("kavoxm_get_state", ctypes.byref(state)))
        return cast(StateDict, _capi.as_dict(state))

    @property
    @_locked
    def channel_states(self) -> List[ChannelStateDict]:
        """What each pattern channel plays: note, instrument, volume, panning and level."""
        info = _capi.Info()
        check(self._call("kavoxm_get_info", ctypes.byref(info)))
        entries = (_capi.ChannelState * max(1, info.channels))()
        count = check(self._call("kavoxm_get_channel_states", entries, info.channels))
        return [cast(ChannelStateDict, _capi.as_dict(entries[i])) for i in range(count)]
