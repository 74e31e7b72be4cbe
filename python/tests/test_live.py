"""The live controls reached from Python: they act on what renders, and refuse as the C API
does (BusyError where the device does not play, ValueError outside the ranges)."""

import numpy as np
import pytest

import kavoxm


def test_factors_shorten_and_keep_unit_renders(image):
    with kavoxm.Module(image) as plain, kavoxm.Module(image) as unit, \
            kavoxm.Module(image) as fast:
        unit.set_tempo_factor(1.0)
        unit.set_pitch_factor(1.0)
        fast.set_tempo_factor(2.0)
        a, b = plain.render(seconds=4), unit.render(seconds=4)
        assert np.array_equal(a, b)
        assert not np.array_equal(fast.render(seconds=4), a)
        for bad in (0.2, 4.5, float("nan")):
            with pytest.raises(ValueError):
                fast.set_pitch_factor(bad)


def test_levels_and_states_without_a_device(image):
    with kavoxm.Module(image) as song:
        song.render(seconds=2)
        levels = song.channel_levels
        assert len(levels) == len(song.channel_states)
        assert max(max(pair) for pair in levels) > 0
        assert song.mixer_state["seconds"] == song.state["seconds"]
        assert song.latency_frames == 4096
        assert not song.is_paused
        with pytest.raises(kavoxm.BusyError):
            song.pause()
        with pytest.raises(kavoxm.InvalidArgumentError):
            song.set_device_format(rate=4000)
        song.set_device_format(rate=48000, block_frames=512, blocks=3)
        assert song.latency_frames == 1536
