"""Every argument is checked before it reaches C: values beyond 32 bits raise OverflowError
(instead of wrapping), values outside the call's range ValueError, and a refused call leaves
the module as it was."""

import math

import numpy as np
import pytest

import kavoxm

BAD_CALLS = {
    # name: (call, exception)
    "repeat 2**32-1 would be -1 (forever)": (lambda m: setattr(m, "repeat", 2**32 - 1),
                                             OverflowError),
    "repeat 2**32 would be 0": (lambda m: setattr(m, "repeat", 2**32), OverflowError),
    "repeat below -1": (lambda m: setattr(m, "repeat", -2), ValueError),
    "repeat as a float": (lambda m: setattr(m, "repeat", 1.5), TypeError),
    "rate 2**32+44100 would be 44100": (lambda m: m.render(1, rate=2**32 + 44100),
                                        OverflowError),
    "rate 0": (lambda m: m.render(1, rate=0), ValueError),
    "negative rate": (lambda m: m.render(1, rate=-44100), ValueError),
    "rate below the minimum": (lambda m: m.render(1, rate=7999), ValueError),
    "rate above the maximum": (lambda m: m.render(1, rate=192001), ValueError),
    "three channels": (lambda m: m.render(1, channels=3), ValueError),
    "negative seconds": (lambda m: m.render(-1), ValueError),
    "seconds not a number": (lambda m: m.render(math.nan), ValueError),
    "infinite seconds": (lambda m: m.render(math.inf), OverflowError),
    "negative frames": (lambda m: m.render(frames=-1), ValueError),
    "seconds and frames": (lambda m: m.render(1, frames=10), ValueError),
    "float64 samples": (lambda m: m.render(1, dtype="float64"), ValueError),
    "render_into a list": (lambda m: m.render_into([0] * 10), ValueError),
    "render_into three channels": (lambda m: m.render_into(np.zeros((8, 3), np.int16)),
                                   ValueError),
    "render_into a read-only array": (lambda m: m.render_into(_read_only()), ValueError),
    "seek_order 2**32 would be 0": (lambda m: m.seek_order(2**32), OverflowError),
    "seek_order row 2**31": (lambda m: m.seek_order(0, 2**31), OverflowError),
    "seek_order past the order list": (lambda m: m.seek_order(200), kavoxm.PositionError),
    "negative seek_order": (lambda m: m.seek_order(-1), ValueError),
    "seek to -1 s": (lambda m: m.seek(-1), ValueError),
    "seek to a huge integer": (lambda m: m.seek(10**400), OverflowError),
    "select subsong 2**32": (lambda m: m.select_subsong(2**32), OverflowError),
    "select a subsong that is not there": (lambda m: m.select_subsong(99),
                                           kavoxm.PositionError),
    "master volume 257": (lambda m: setattr(m, "master_volume", 257), ValueError),
    "master volume 2**32+128": (lambda m: setattr(m, "master_volume", 2**32 + 128),
                                OverflowError),
    "stereo separation 201": (lambda m: setattr(m, "stereo_separation", 201), ValueError),
    "gain not a number": (lambda m: setattr(m, "gain_db", math.nan), ValueError),
    "gain 25 dB": (lambda m: setattr(m, "gain_db", 25), ValueError),
    "interpolation cubic": (lambda m: setattr(m, "interpolation", "cubic"), ValueError),
    "clip as a string": (lambda m: setattr(m, "clip", "yes"), TypeError),
    "mute channel 2**32": (lambda m: m.set_channel_mute(2**32), OverflowError),
    "mute a channel that is not there": (lambda m: m.set_channel_mute(16),
                                         kavoxm.PositionError),
    "channel volume 257": (lambda m: m.set_channel_volume(0, 257), ValueError),
    "cell row 2**32": (lambda m: m.cell(0, 2**32, 0), OverflowError),
    "pattern rows of -1": (lambda m: m.pattern_rows(-1), ValueError),
    "order pattern 2**31": (lambda m: m.order_pattern(2**31), OverflowError),
    "text kind unknown": (lambda m: m.text("composer"), ValueError),
    "instrument name 2**32+1": (lambda m: m.text("instrument", 2**32 + 1), OverflowError),
    "samples of instrument 256": (lambda m: m.sample_names(256), ValueError),
}


def _read_only():
    array = np.zeros((8, 2), np.int16)
    array.flags.writeable = False
    return array


@pytest.mark.parametrize("name", list(BAD_CALLS))
def test_a_bad_argument_raises_and_changes_nothing(name, image):
    call, error = BAD_CALLS[name]
    reference = kavoxm.Module(image).render(seconds=1.5, rate=22050, dtype="int16")
    with kavoxm.Module(image) as song:
        with pytest.raises(error):
            call(song)
        assert song.repeat == 0 and song.master_volume == 128 and song.gain_db == 0
        assert song.stereo_separation == 100 and song.interpolation == "spline"
        assert np.array_equal(song.render(seconds=1.5, rate=22050, dtype="int16"), reference)


@pytest.mark.parametrize("value", [-1, 0, 2**31 - 1])
def test_repeat_reads_back_what_was_set(value, image):
    with kavoxm.Module(image) as song:
        song.repeat = value
        assert song.repeat == value


def test_library_errors_are_also_the_builtin_kinds():
    assert issubclass(kavoxm.PositionError, IndexError)
    assert issubclass(kavoxm.InvalidArgumentError, ValueError)
    assert issubclass(kavoxm.ClosedError, ValueError)
    assert kavoxm.error_string(kavoxm.ERROR_POSITION) != kavoxm.error_string(kavoxm.ERROR_READ)
    with pytest.raises(OverflowError):
        kavoxm.error_string(2**40)
