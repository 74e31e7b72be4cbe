"""Playback through the platform's default audio device, from the library's own thread, and
the controls a live host uses: pause, the device format and latency, the heard and the mixer's
state, channel meters, tempo and pitch factors."""

from __future__ import annotations

import ctypes
import math
from typing import List, Tuple, cast

from . import _capi
from ._errors import check
from ._handle import Handle, locked
from ._types import StateDict


def _factor(value: float) -> float:
    value = float(value)
    if not math.isfinite(value) or not 0.25 <= value <= 4.0:
        raise ValueError(f"a factor is 0.25..4.0, not {value}")
    return value


class Playback(Handle):
    """Device playback calls of Module."""

    @locked
    def play(self) -> None:
        """Plays the song through the default audio device from where the position stands,
        from a background thread; returns at once. Raises NoDeviceError without a device."""
        check(self._call("kavoxm_play"))

    @property
    @locked
    def is_playing(self) -> bool:
        """True while device playback runs (or is paused) and has not played the song's end."""
        return bool(self._call("kavoxm_is_playing"))

    @locked
    def stop(self) -> None:
        """Stops device playback (nothing when it does not play)."""
        check(self._call("kavoxm_stop"))

    @locked
    def pause(self) -> None:
        """Holds device playback where it stands; resume() plays on from the same frame.
        Raises BusyError when the device does not play."""
        check(self._call("kavoxm_pause"))

    @locked
    def resume(self) -> None:
        """Plays on after pause(). Raises BusyError when the device does not play."""
        check(self._call("kavoxm_resume"))

    @property
    @locked
    def is_paused(self) -> bool:
        """True while device playback is paused."""
        return bool(self._call("kavoxm_is_paused"))

    @locked
    def set_device_format(self, rate: int = 0, block_frames: int = 0, blocks: int = 0) -> None:
        """Device format of the next play(): rate in Hz (0: 44100), frames per device block
        (0: 1024) and blocks queued (0: 4). Raises BusyError while the device plays."""
        check(self._call("kavoxm_set_device_format", int(rate), int(block_frames), int(blocks)))

    @property
    @locked
    def latency_frames(self) -> int:
        """Frames between the mixer and what is heard (the device's queue)."""
        return int(check(self._call("kavoxm_latency_frames")))

    @property
    @locked
    def heard_frame(self) -> int:
        """The stream frame heard now, on the count of the events' "frame": offline the frames
        rendered so far; while the device plays, up to latency_frames behind the mixer."""
        return int(check(self._call("kavoxm_heard_frame")))

    @property
    @locked
    def mixer_state(self) -> StateDict:
        """Where the mixer stands (state is what is heard while the device plays)."""
        state = _capi.State()
        check(self._call("kavoxm_get_mixer_state", ctypes.byref(state)))
        return cast(StateDict, _capi.as_dict(state))

    @property
    @locked
    def channel_levels(self) -> List[Tuple[float, float]]:
        """Each pattern channel's (left, right) peak over the last mixing block (the block
        heard while the device plays), 1.0 for full scale."""
        count = 256
        left = (ctypes.c_float * count)()
        right = (ctypes.c_float * count)()
        n = check(self._call("kavoxm_get_channel_levels", left, right, count))
        return [(float(left[i]), float(right[i])) for i in range(n)]

    @locked
    def set_tempo_factor(self, factor: float) -> None:
        """Plays ticks `factor` (0.25..4.0) times as fast from the next tick; pitch stays."""
        check(self._call("kavoxm_set_tempo_factor", _factor(factor)))

    @locked
    def set_pitch_factor(self, factor: float) -> None:
        """Raises every voice's pitch by `factor` (0.25..4.0; 2.0 an octave) from the next
        tick; tempo stays."""
        check(self._call("kavoxm_set_pitch_factor", _factor(factor)))
