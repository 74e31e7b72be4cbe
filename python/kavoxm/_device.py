"""Playback through the platform's default audio device, from the library's own thread."""

from __future__ import annotations

from ._errors import check
from ._handle import Handle, locked


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
        """True while device playback has not reached the song's end."""
        return bool(self._call("kavoxm_is_playing"))

    @locked
    def stop(self) -> None:
        """Stops device playback (nothing when it does not play)."""
        check(self._call("kavoxm_stop"))
