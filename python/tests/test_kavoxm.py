"""The Python module over the shared library: arrays of the right shape and type, the song's end,
seeking, and what it reports about a song, checked against the kavoxm tool."""

import json
import os
import subprocess

import numpy as np
import pytest

import kavoxm

SONG = os.environ.get("KAVOXM_SONG", "")
TOOL = os.environ.get("KAVOXM_TOOL", "")
CORPUS = os.environ.get("KAVOXM_CORPUS_DIR", "")
RATE = 44100


@pytest.fixture(scope="module")
def image():
    if not os.path.isfile(SONG):
        pytest.skip(f"song {SONG!r} not found (KAVOXM_SONG)")
    with open(SONG, "rb") as file:
        return file.read()


def tool_info(path):
    if not os.path.isfile(TOOL):
        pytest.skip("the kavoxm tool is not there (KAVOXM_TOOL)")
    result = subprocess.run([TOOL, "info", path, "--json"], check=True, capture_output=True)
    return json.loads(result.stdout)


def test_float_is_the_mix_and_int16_its_clipped_conversion(image):
    floats = kavoxm.Module(image).render(seconds=4)
    ints = kavoxm.Module(image).render(seconds=4, dtype="int16")
    assert floats.dtype == np.float32 and ints.dtype == np.int16
    assert floats.shape == ints.shape == (4 * RATE, 2)
    assert np.abs(floats).max() > 0.01, "the song's first seconds are not silent"
    # The engine converts by dividing toward zero and saturating; float32 keeps 24 bits, so a
    # value may fall one step off.
    expected = np.clip(np.trunc(floats.astype(np.float64) * 32768), -32768, 32767)
    difference = np.abs(expected - ints)
    assert difference.max() <= 1
    assert (difference == 0).mean() > 0.99
    # The float render is not the 16-bit one divided: most values lie between its steps.
    steps = floats.astype(np.float64) * 32768
    assert (steps != np.round(steps)).mean() > 0.5


def test_channels_are_the_columns(image):
    stereo = kavoxm.Module(image).render(seconds=2, dtype="int16")
    mono = kavoxm.Module(image).render(seconds=2, dtype="int16", channels=1)
    assert mono.shape == (2 * RATE, 1)
    assert not np.array_equal(stereo[:, 0], stereo[:, 1]), "the song has stereo panning"
    # Frames read with the wrong layout would not follow the mono render frame by frame.
    both = stereo.astype(np.float64).sum(axis=1)
    assert np.corrcoef(both, mono[:, 0])[0, 1] > 0.99


def test_a_render_to_the_end_has_the_songs_duration_then_nothing(image):
    song = kavoxm.Module(image)
    duration = song.duration
    whole = song.render()
    assert abs(len(whole) - duration * RATE) <= 1
    assert len(song.render(seconds=1)) == 0
    assert song.state["ended"] == 1


def test_repeat_plays_further_passes(image):
    song = kavoxm.Module(image)
    once = len(song.render(rate=8000))
    song = kavoxm.Module(image)
    song.repeat = 1
    assert abs(len(song.render(rate=8000)) - 2 * once) <= 1
    song.repeat = -1
    with pytest.raises(ValueError):
        song.render()
    with pytest.raises(ValueError):
        song.repeat = -2


def test_seek_continues_as_the_render_from_the_start(image):
    target, seconds = 7.3, 2
    whole = kavoxm.Module(image).render(seconds=target + seconds, dtype="int16")
    song = kavoxm.Module(image)
    song.seek(target)
    part = song.render(seconds=seconds, dtype="int16")
    # The seek lands on the tick holding the target time; within the first 20 ms the click
    # removal may differ, after that the render must equal the one from the start.
    settle = int(0.02 * RATE)
    window = part[settle:settle + RATE // 2]
    at = int(target * RATE)
    longest_tick = RATE * 5 // 2 // 32 + 1  # tempo 32
    for start in range(at, at - longest_tick, -1):
        if np.array_equal(whole[start + settle:start + settle + len(window)], window):
            break
    else:
        pytest.fail("the render after seek is not the render from the start near the target")
    assert abs(song.state["seconds"] - (start + len(part)) / RATE) < 0.001


def test_info_and_subsongs_agree_with_the_tool(image):
    song = kavoxm.Module(image)
    info, tool = song.info, tool_info(SONG)
    assert info["title"] == tool["name"]
    assert info["tracker"] == tool["tracker"]
    for ours, theirs in [("channels", "channels"), ("orders", "song_length"),
                         ("restart_order", "restart_position"), ("patterns", "patterns"),
                         ("initial_speed", "initial_speed"), ("initial_tempo", "initial_tempo")]:
        assert info[ours] == tool[theirs], ours
    assert bool(info["linear_frequencies"]) == tool["linear_frequencies"]
    assert [s["start_order"] for s in song.subsongs] == \
        [s["start_order"] for s in tool["subsongs"]]
    assert song.duration == pytest.approx(tool["duration_seconds"], abs=0.0006)
    assert song.subsongs[0]["seconds"] == song.duration


def test_subsongs_of_a_corpus_song_can_be_selected():
    path = os.path.join(CORPUS, "songs", "game_doom2d_best.xm")
    if not os.path.isfile(path):
        pytest.skip(f"corpus song {path} not found")
    with open(path, "rb") as file:
        song = kavoxm.Module(file.read())
    subsongs = song.subsongs
    assert [s["start_order"] for s in subsongs] == \
        [s["start_order"] for s in tool_info(path)["subsongs"]]
    last = len(subsongs) - 1
    song.select_subsong(last)
    assert song.state["order"] == subsongs[last]["start_order"]
    assert song.duration == pytest.approx(subsongs[last]["seconds"])
    with pytest.raises(kavoxm.KavoXMError):
        song.select_subsong(len(subsongs))


def test_bad_images_and_arguments_raise(image):
    with pytest.raises(kavoxm.KavoXMError) as empty:
        kavoxm.Module(b"")
    with pytest.raises(kavoxm.KavoXMError) as not_xm:
        kavoxm.Module(b"MThd" + bytes(400))
    with pytest.raises(kavoxm.KavoXMError) as truncated:
        kavoxm.Module(image[:len(image) // 8])
    assert not_xm.value.code == -4
    assert truncated.value.code == -5 and "ends" in str(truncated.value)
    assert empty.value.code < 0
    song = kavoxm.Module(image)
    with pytest.raises(ValueError):
        song.render(1, dtype="float64")
    with pytest.raises(ValueError):
        song.render(1, rate=7999)
    with pytest.raises(ValueError):
        song.seek(-1)
    assert len(song.render(1)) == RATE, "a failed call leaves the song usable"
    assert kavoxm.version().count(".") == 2
