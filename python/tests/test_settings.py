"""The settings, mutes and displays of the C API, reached from Python: each setting renders
what the kavoxm tool renders with the same option, mutes silence what they mute, the pattern
cells are what the tool's trace shows."""

import os
import subprocess

import numpy as np
import pytest

import kavoxm

TOOL = os.environ.get("KAVOXM_TOOL", "")
SECONDS = 3

SETTINGS = {
    # name: (attribute, value, the tool's options)
    "master volume 200": ("master_volume", 200, ["--master-volume", "200"]),
    "nearest interpolation": ("interpolation", "nearest", ["--interpolation", "nearest"]),
    "linear interpolation": ("interpolation", "linear", ["--interpolation", "linear"]),
    "gain -7.5 dB": ("gain_db", -7.5, ["--gain", "-7.5"]),
    "gain +12 dB, no clipping": ("gain_db", 12.0, ["--gain", "12", "--no-clip"]),
    "stereo separation 30": ("stereo_separation", 30, ["--stereo-separation", "30"]),
}


def _tool_render(path, options):
    if not os.path.isfile(TOOL):
        pytest.skip("the kavoxm tool is not there (KAVOXM_TOOL)")
    result = subprocess.run([TOOL, "render", path, "-o", "-", "--seconds", str(SECONDS)]
                            + options, check=True, capture_output=True)
    return np.frombuffer(result.stdout, dtype="<i2").reshape(-1, 2)


@pytest.mark.parametrize("name", list(SETTINGS))
def test_each_setting_renders_as_the_tools_option(name, song_path, image):
    attribute, value, options = SETTINGS[name]
    with kavoxm.Module(image) as song:
        setattr(song, attribute, value)
        if "--no-clip" in options:
            song.clip = False
        ours = song.render(seconds=SECONDS, dtype="int16")
    plain = kavoxm.Module(image).render(seconds=SECONDS, dtype="int16")
    assert not np.array_equal(ours, plain), "the setting changes the sound"
    assert np.array_equal(ours, _tool_render(song_path, options))


def test_mutes_and_channel_volumes(image):
    def render(setup):
        with kavoxm.Module(image) as song:
            setup(song)
            return song.render(seconds=SECONDS, dtype="int16")

    plain = render(lambda s: None)
    muted = render(lambda s: [s.set_channel_mute(c) for c in range(16)])
    zero = render(lambda s: [s.set_channel_volume(c, 0) for c in range(16)])
    assert np.abs(plain).max() > 1000 and np.abs(muted).max() == 0 and np.abs(zero).max() == 0
    one_muted = render(lambda s: s.set_channel_mute(4))
    assert not np.array_equal(one_muted, plain)
    assert np.array_equal(render(lambda s: s.set_channel_volume(4, 0)), one_muted)
    unmuted = render(lambda s: (s.set_channel_mute(4), s.set_channel_mute(4, False)))
    assert np.array_equal(unmuted, plain)


def test_render_into_continues_as_render(image):
    whole = kavoxm.Module(image).render(seconds=2, dtype="int32")
    song = kavoxm.Module(image)
    buffer = np.zeros((4410, 2), np.int32)
    pieces = []
    for _ in range(20):
        assert song.render_into(buffer) == len(buffer)
        pieces.append(buffer.copy())
    assert np.array_equal(np.concatenate(pieces), whole)


def test_channel_states_show_what_plays(image):
    with kavoxm.Module(image) as song:
        silent = song.channel_states
        song.render(seconds=1)
        playing = song.channel_states
    assert len(silent) == len(playing) == 16
    assert all(c["note"] == 0 and c["level"] == 0 for c in silent)
    sounding = [c for c in playing if c["note"]]
    assert sounding and all(1 <= c["note"] <= 96 and 1 <= c["instrument"] <= 9
                            for c in sounding)
    assert max(c["level"] for c in playing) > 0


NOTE_NAMES = ["C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"]


def _note_text(note):
    if note == 0:
        return "..."
    if note == 97:
        return "==="
    return f"{NOTE_NAMES[(note - 1) % 12]}{(note - 1) // 12}"


def test_cells_are_the_notes_the_trace_shows(song_path, image):
    if not os.path.isfile(TOOL):
        pytest.skip("the kavoxm tool is not there (KAVOXM_TOOL)")
    trace = subprocess.run([TOOL, "trace", "--cells", song_path], check=True,
                           capture_output=True, text=True).stdout.splitlines()[1:200]
    song = kavoxm.Module(image)
    assert song.orders == [song.order_pattern(o) for o in range(song.info["orders"])]
    notes = 0
    for line in trace:
        fields, *cells = line.split("|")
        order, pattern, row = (int(v) for v in fields.split()[2:5])
        assert song.order_pattern(order) == pattern
        assert 0 <= row < song.pattern_rows(pattern)
        for channel, text in enumerate(c for c in cells if c.strip()):
            cell = song.cell(pattern, row, channel)
            assert text.split()[0] == _note_text(cell["note"]), (pattern, row, channel)
            notes += cell["note"] != 0
    assert notes > 20


def test_texts_raw_and_utf8(image):
    song = kavoxm.Module(image)
    assert song.text("title") == song.title == "Sombrevallis"
    assert song.text("title", raw=True).rstrip(b" \0") == b"Sombrevallis"
    assert song.text("tracker") == song.info["tracker"]
    assert song.message.splitlines()[0] == "Sombrevallis"
    assert song.sample_names(1) == [song.text("sample", 256)]
    assert song.text("instrument", 1) == song.info["instrument_names"][0]
    assert len(song.channel_names) == 16
    with pytest.raises(kavoxm.PositionError):
        song.text("instrument", 200)
