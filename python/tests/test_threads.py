"""One Module shared by threads: calls run one after another, close() waits for a render in
progress, nothing crashes. (Without the module's lock the library's handle is freed under a
running render.)"""

import threading

import numpy as np
import pytest

import kavoxm

RATE = 8000


def _run_all(*targets):
    failures = []

    def guarded(target):
        try:
            target()
        except BaseException as error:  # reported below, with the thread's error
            failures.append(error)

    threads = [threading.Thread(target=guarded, args=(t,)) for t in targets]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=120)
        assert not thread.is_alive(), "a thread hangs"
    return failures


def test_two_threads_rendering_share_the_song_between_them(image):
    whole = kavoxm.Module(image).render(rate=RATE, dtype="int16")
    song = kavoxm.Module(image)
    pieces = {0: [], 1: []}
    lock = threading.Lock()

    def render(name):
        while True:
            with lock:  # the order the pieces were taken in, to put them together again
                piece = song.render(seconds=0.5, rate=RATE, dtype="int16")
                pieces[name].append((sum(len(p) for p in pieces[0] + pieces[1]), piece))
            if len(piece) == 0:
                return

    assert _run_all(lambda: render(0), lambda: render(1)) == []
    ordered = [p for _, p in sorted(pieces[0] + pieces[1], key=lambda e: e[0])]
    assert np.array_equal(np.concatenate(ordered), whole)


def test_threads_mixing_calls_never_crash(image):
    song = kavoxm.Module(image)
    song.repeat = -1
    stop = threading.Event()

    def render():
        while not stop.is_set():
            assert len(song.render(seconds=0.25, rate=RATE)) == RATE // 4

    def control():
        for step in range(200):
            song.seek(step % 50)
            song.set_channel_mute(step % 16, step % 2 == 0)
            song.master_volume = step % 256
            assert song.state["channels"] == 16
            song.channel_states
        stop.set()

    assert _run_all(render, control) == []


@pytest.mark.parametrize("delay", [0.0, 0.001, 0.01, 0.05])
def test_close_waits_for_the_render_in_progress(delay, image):
    song = kavoxm.Module(image)
    outcome = {}

    def render():
        try:
            outcome["frames"] = len(song.render(seconds=60, rate=RATE))
        except kavoxm.ClosedError:
            outcome["closed"] = True

    thread = threading.Thread(target=render)
    thread.start()
    threading.Event().wait(delay)
    song.close()
    thread.join(timeout=120)
    # Either the render ran first and is whole, or close() came first and the render says so.
    assert outcome in ({"frames": 60 * RATE}, {"closed": True})
    assert song.closed
