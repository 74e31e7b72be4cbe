"""Precise frequency of a long note, for the differential harness's --frequency mode.

Windows of 20 ms (or the chroma's 0.5 s) cannot see a pitch that is off by a fraction of a
cent, which is enough to make two channels beat. Over seconds of one steady note the upward
zero crossings of the mono mix, each placed between its two frames by linear interpolation,
give the frequency to about a thousandth of a hertz.
"""
import os
import subprocess
import tempfile

import audio_features

# Ours is flagged when further from both references than this (Hz) beyond their own distance.
FREQUENCY_MARGIN = 0.002


def zero_crossing_hz(samples, channels, rate, begin, end):
    """Frequency from the upward zero crossings of the mono mix in [begin, end) seconds;
    None when fewer than two crossings."""
    first = last = None
    count = 0
    previous = None
    start, stop = int(begin * rate), min(int(end * rate), len(samples) // channels)
    for frame in range(start, stop):
        value = sum(samples[frame * channels:(frame + 1) * channels])
        if previous is not None and previous < 0 <= value and value != previous:
            at = frame - 1 + (-previous) / (value - previous)
            first = at if first is None else first
            last = at
            count += 1
        previous = value
    if count < 2 or last == first:
        return None
    return (count - 1) * rate / (last - first)


def measure(render_command, players, kavoxm, song, span, timeout):
    """{player: Hz or error text} over `span` (begin, end) seconds of each player's render."""
    result = {}
    for player in players:
        with tempfile.TemporaryDirectory(prefix="kavoxm-freq-") as workdir:
            out = os.path.join(workdir, "out.wav")
            command, written = render_command(player, kavoxm, song, out, workdir)
            try:
                run = subprocess.run(command, capture_output=True, timeout=timeout, cwd=workdir)
            except (OSError, subprocess.SubprocessError) as e:
                result[player] = f"{type(e).__name__}"
                continue
            if run.returncode != 0 or not os.path.exists(written):
                result[player] = f"exit {run.returncode}"
                continue
            rate, samples, channels = audio_features.read_wav(written)
            hz = zero_crossing_hz(samples, channels, rate, span[0], span[1])
            result[player] = hz if hz is not None else "no note"
    return result


def frequency_line(name, hz):
    """One table row: the three frequencies, ours against the nearer reference, a flag."""
    cells = [f"{v:11.4f}" if isinstance(v, float) else f"{v:>11}" for v in hz.values()]
    ours, mpt, xmp = hz.get("ours"), hz.get("openmpt"), hz.get("xmp")
    flag, off = "", "-"
    if all(isinstance(v, float) for v in (ours, mpt, xmp)):
        nearer = mpt if abs(ours - mpt) <= abs(ours - xmp) else xmp
        off = f"{ours - nearer:+.4f}"
        if abs(ours - nearer) > abs(mpt - xmp) + FREQUENCY_MARGIN:
            flag = "FREQUENCY"
    elif mpt == xmp == "no note" and isinstance(ours, float):
        flag = "FREQUENCY (a note where both have none)"
    elif isinstance(mpt, float) and isinstance(xmp, float) and ours == "no note":
        flag = "FREQUENCY (no note where both have one)"
    return f"{name:<34} {' '.join(cells)} | {off:>9} | {flag}"


def frequency_header():
    return (f"{'song':<34} {'ours Hz':>11} {'mpt Hz':>11} {'xmp Hz':>11} | "
            f"{'o-nearer':>9} | flag")
