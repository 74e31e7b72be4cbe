"""KavoXM for Python: FastTracker 2 XM songs rendered into NumPy arrays.

    import kavoxm
    song = kavoxm.Module(open("song.xm", "rb").read())
    pcm = song.render()            # float32, frames x 2, once through the song at 44100 Hz
    print(song.duration, song.info["title"])

The module calls the shared C library (libkavoxm.so.0, kavoxm.dll) through ctypes: nothing to
compile, and it follows the library's C interface rather than a C++ ABI. It looks for the
library in $KAVOXM_LIBRARY, beside this package, then where the system finds libraries.
"""

import ctypes

import numpy as np

from . import _capi, _game

_capi._SIGNATURES.update(_game.SIGNATURES)

__all__ = ["Module", "KavoXMError", "version"]


class KavoXMError(Exception):
    """A failed library call: `code` is the library's (negative) error code."""

    def __init__(self, code, detail=""):
        self.code = code
        text = _capi.lib().kavoxm_error_string(code).decode()
        super().__init__(f"{text}: {detail}" if detail else text)


def _check(result, detail=""):
    if result < 0:
        raise KavoXMError(int(result), detail)
    return result


def version():
    """The library's version as "MAJOR.MINOR.PATCH"."""
    return _capi.lib().kavoxm_version_string().decode()


_DTYPES = {"float32": (np.float32, "kavoxm_render_float", ctypes.c_float),
           "int16": (np.int16, "kavoxm_render_s16", ctypes.c_int16)}
_BLOCK_SECONDS = 10


class Module(_game.GameControls):
    """A loaded song with its playback position. `data`: the XM file's bytes. Games steer it
    with queue_jump, events, play_effect and fade_channel (see GameControls)."""

    _check = staticmethod(_check)

    def __init__(self, data):
        self._lib = _capi.lib()
        self._handle = ctypes.c_void_p()
        report = _capi.LoadReport()
        image = bytes(data)
        code = self._lib.kavoxm_load_memory(image, len(image), ctypes.byref(self._handle),
                                            ctypes.byref(report))
        _check(code, report.reason.decode("utf-8", "replace"))

    def close(self):
        """Frees the song; the object is unusable afterwards."""
        if getattr(self, "_handle", None):
            self._lib.kavoxm_destroy(self._handle)
            self._handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        self.close()

    def render(self, seconds=None, rate=44100, dtype="float32", channels=2):
        """The next `seconds` of the song (None: up to its end) as an array of frames x
        `channels`: float32 (full scale 1.0, not clipped) or int16. Shorter at the song's end."""
        if dtype not in _DTYPES:
            raise ValueError(f"dtype must be one of {sorted(_DTYPES)}")
        if seconds is None and self.repeat < 0:
            raise ValueError("a song repeated forever needs a length in seconds")
        np_type, function, c_type = _DTYPES[dtype]
        render = getattr(self._lib, function)
        want = None if seconds is None else int(round(seconds * rate))
        blocks = []
        while want is None or want > 0:
            frames = _BLOCK_SECONDS * rate if want is None else min(want, _BLOCK_SECONDS * rate)
            block = np.empty((frames, channels), dtype=np_type)
            got = _check(render(self._handle, rate, channels,
                                block.ctypes.data_as(ctypes.POINTER(c_type)), frames))
            blocks.append(block[:got])
            if want is not None:
                want -= got
            if got < frames:
                break
        return np.concatenate(blocks) if blocks else np.empty((0, channels), dtype=np_type)

    @property
    def repeat(self):
        """Passes after the first: 0 (the default) stops at the song's end, -1 never."""
        return getattr(self, "_repeat", 0)

    @repeat.setter
    def repeat(self, count):
        _check(self._lib.kavoxm_set_repeat(self._handle, int(count)))
        self._repeat = int(count)

    @property
    def duration(self):
        """Seconds of one pass of the selected subsong."""
        return _check(self._lib.kavoxm_duration(self._handle))

    @property
    def subsongs(self):
        """The subsongs: dicts of start_order, seconds and ends (False: no end within the cap)."""
        result = []
        for index in range(_check(self._lib.kavoxm_subsong_count(self._handle))):
            entry = _capi.Subsong()
            _check(self._lib.kavoxm_get_subsong(self._handle, index, ctypes.byref(entry)))
            result.append({"start_order": entry.start_order, "seconds": entry.seconds,
                           "ends": bool(entry.ends)})
        return result

    def select_subsong(self, index):
        """Starts subsong `index` (0-based) from its beginning."""
        _check(self._lib.kavoxm_select_subsong(self._handle, int(index)))

    def seek(self, seconds):
        """Moves to song time `seconds` of the selected subsong."""
        _check(self._lib.kavoxm_seek_seconds(self._handle, float(seconds)))

    def seek_order(self, order, row=0):
        """Starts the song afresh at order entry `order`, row `row`."""
        _check(self._lib.kavoxm_seek_order(self._handle, int(order), int(row)))

    @property
    def state(self):
        """Where the song is: order, pattern, row, speed, tempo, pass, seconds..."""
        state = _capi.State()
        _check(self._lib.kavoxm_get_state(self._handle, ctypes.byref(state)))
        return _capi.as_dict(state)

    @property
    def info(self):
        """What the file holds: counts, speeds, the title, tracker, message and the instrument
        names (UTF-8, control characters removed)."""
        info = _capi.Info()
        _check(self._lib.kavoxm_get_info(self._handle, ctypes.byref(info)))
        result = _capi.as_dict(info)
        result["title"] = self._text(_capi.TEXT_TITLE)
        result["tracker"] = self._text(_capi.TEXT_TRACKER)
        result["message"] = self._text(_capi.TEXT_MESSAGE)
        result["instrument_names"] = [self._text(_capi.TEXT_INSTRUMENT, n)
                                      for n in range(1, info.instruments + 1)]
        return result

    def _text(self, kind, index=0):
        length = _check(self._lib.kavoxm_get_text(self._handle, kind, index, _capi.TEXT_UTF8,
                                                  None, 0))
        buffer = ctypes.create_string_buffer(length + 1)
        _check(self._lib.kavoxm_get_text(self._handle, kind, index, _capi.TEXT_UTF8, buffer,
                                         length + 1))
        return buffer.value.decode("utf-8")
