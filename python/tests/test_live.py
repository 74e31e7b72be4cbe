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
        assert song.heard_frame == 2 * 44100
        assert not song.is_paused
        with pytest.raises(kavoxm.BusyError):
            song.pause()
        with pytest.raises(kavoxm.InvalidArgumentError):
            song.set_device_format(rate=4000)
        song.set_device_format(rate=48000, block_frames=512, blocks=3)
        assert song.latency_frames == 1536


# Device playback into a sink that discards at once (ALSA's file plugin into /dev/null), in a
# child process whose HOME names it as the default device (ALSA reads its configuration once per
# process). It plays as fast as the sink takes.
_LIVE_SCRIPT = r"""
import sys, time, kavoxm
song = kavoxm.Module(sys.argv[1])
song.set_device_format(rate=48000, block_frames=1024, blocks=4)
song.play()
assert song.is_playing
assert 0 <= song.latency_frames <= 4096
song.set_tempo_factor(1.5)            # every control acts while it plays
song.set_pitch_factor(2 ** (2 / 12))
song.seek(1.0)
song.pause()
assert song.is_paused
held, frame = song.state["seconds"], song.heard_frame
time.sleep(0.2)
assert song.state["seconds"] == held, "a paused device stands still"
assert song.heard_frame == frame > 0
assert song.mixer_state["seconds"] >= held
assert len(song.channel_levels) == song.info["channels"]
song.resume()
end = time.monotonic() + 60
while song.is_playing and time.monotonic() < end:
    time.sleep(0.01)
state = song.state
assert not song.is_playing and state["ended"] == 1, state
print(state["seconds"], song.duration_frames(48000) / 48000)
"""


def test_device_playback_pauses_resumes_and_ends(tmp_path, song_path):
    import os
    import subprocess
    import sys
    (tmp_path / ".asoundrc").write_text(
        'pcm.!default { type file slave.pcm "null" file "/dev/null" format "raw" }\n')
    run = subprocess.run([sys.executable, "-c", _LIVE_SCRIPT, song_path],
                         env={**os.environ, "HOME": str(tmp_path)},
                         capture_output=True, text=True, timeout=120, check=False)
    if "NoDeviceError" in run.stderr:
        pytest.skip("no ALSA null device here")
    assert run.returncode == 0, run.stderr
    heard, length = (float(x) for x in run.stdout.split())
    # Seeking to 1 s and playing the rest at 1.5 times the tempo ends at the song's length
    # (song time counts frames; the tempo factor shortens it) -- within a tick.
    assert 1.0 < heard < length
