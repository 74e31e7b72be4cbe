"""The game controls from Python: a queued jump lands where the events say and as the tool's
trace of the song predicts, effects and fades sound and report their ends."""

import numpy as np
import pytest

import kavoxm

RATE = 44100


def test_a_jump_at_the_pattern_end_lands_after_its_last_row(image):
    song = kavoxm.Module(image)
    song.repeat = -1
    song.queue_jump(2, when="pattern_end")
    assert song.pending_jump == {"order": 2, "row": 0, "when": "pattern_end"}
    song.render(seconds=30)
    events = song.events()
    taken = [e for e in events if e["kind"] == "jump_taken"]
    assert len(taken) == 1 and taken[0]["order"] == 2 and taken[0]["row"] == 0
    rows = [e for e in events if e["kind"] == "row"]
    landing = next(i for i, e in enumerate(rows) if e["frame"] == taken[0]["frame"])
    before = rows[landing - 1]
    assert rows[landing]["order"] == 2 and rows[landing]["row"] == 0
    assert before["row"] == max(e["row"] for e in rows if e["pattern"] == before["pattern"])
    assert song.pending_jump is None
    assert song.events_lost == 0


def test_effects_sound_over_silence_and_fades_report_their_end(image):
    plain = kavoxm.Module(image).render(seconds=2)
    song = kavoxm.Module(image)
    effect = song.play_effect(instrument=1, note=49, volume=64)
    assert effect > 0
    song.fade_master(0, seconds=1.0)
    with_effect = song.render(seconds=2)
    assert not np.array_equal(plain, with_effect)
    ends = [e for e in song.events() if e["kind"] == "fade_end"]
    assert ends == [{"kind": "fade_end", "frame": ends[0]["frame"], "offset": ends[0]["offset"],
                     "channel": -1, "volume": 0}]
    assert np.abs(with_effect[ends[0]["frame"] + 1024:]).max() == 0
    song.release_effect(effect)
    with pytest.raises(ValueError):
        song.play_effect(instrument=1, note=0)
    with pytest.raises(kavoxm.PositionError):
        song.play_effect(instrument=255, note=49)
    with pytest.raises(ValueError):
        song.queue_jump(0, when="soon")
