#!/usr/bin/python3
"""Differential comparison of kavoxm against openmpt123 and xmp.

usage: differential.py [options] DIR_OR_FILE [...]

Renders every XM file with the three players (44100 Hz, 16-bit stereo WAV, 4-point cubic
interpolation, full stereo separation, one pass through the song) and prints per song the three
lengths, and the loudness-contour correlation, chroma similarity, spectral similarity (per 50 ms)
and side-signal (left minus right, relative to the loudness) correlation of ours against each
reference and of the two references against each other, and the worst 20 ms window: where our
loudness is furthest from the nearer reference. A song is flagged where the references agree
(loudness correlation >= 0.97 and chroma >= 0.95 between them) and we stand apart: loudness
correlation < 0.97 or chroma < 0.95 against either while further from each reference than the
references are from each other (LOUDNESS, PITCH), a spectral similarity more than 0.02 below theirs
against both (SPECTRUM), a side correlation < 0.97 where theirs is >= 0.97 (SIDE), a 20 ms window
more than 12 dB from both where they agree within 3 dB (BLIP), or a length more than one row (and
more than 0.2 s) away from both.

Beside the pairs, the "nearer" columns give ours against the nearer reference minus the
references against each other, for the loudness correlation and the spectral similarity: 0 or
more where we are as close to one of them as they are to each other. Where the references agree,
a value below -0.01 is flagged (NEARER-LOUDNESS, NEARER-SPECTRUM), and the summary counts the
songs where we are as close on both.

--frequency measures the frequency of a long note instead, by the zero crossings of each
player's render over --span (seconds, "0.5:6" by default), and flags FREQUENCY where ours is
further from both references than they are from each other (plus 0.002 Hz): a pitch error too
small for the windows above, such as a rate cut to whole hertz.

--solo renders each channel alone (the other channels keep only their song-wide effects, in a
temporary copy of the file) with all three players and names, per channel, how far we are
from the references and the time, order and row where we differ most, with that channel's
cells around it.

--window sets the analysis window (0.5 s; shorter finds short differences in small test
modules, at coarser pitch resolution).

Renders are reduced to features at once and cached by file hash, player and player build in
/tmp/kavoxm-differential (--cache), so reruns only render what changed. A player that fails or
times out on a file is reported in the table, not fatal.
"""
import argparse
import concurrent.futures
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_features  # noqa: E402
import differential_pitch  # noqa: E402
import xmfile  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_KAVOXM = os.path.join(HERE, "..", "build", "release", "tools", "kavoxm", "kavoxm")
PLAYERS = ("ours", "openmpt", "xmp")
AGREE_CORR = 0.97
AGREE_CHROMA = 0.95
SPECTRUM_MARGIN = 0.02
BLIP_DB = 12.0
BLIP_AGREE_DB = 3.0
NEARER_MARGIN = 0.01
MAX_SECONDS = 900
FEATURES_VERSION = 2  # part of the cache key: bump when the features change


def render_command(player, kavoxm, song, out, workdir):
    """The command that renders `song` to `out`, and the file the player actually writes."""
    if player == "ours":
        return [kavoxm, "render", song, "-o", out, "--interpolation", "spline",
                "--seconds", str(MAX_SECONDS)], out
    if player == "openmpt":
        # --render writes SONG.wav next to its input: render a copy inside workdir.
        copy = os.path.join(workdir, "song.xm")
        shutil.copyfile(song, copy)
        # --subsong 0: the song from its start only, not every subsong one after another.
        return ["openmpt123", "--quiet", "--render", "--force", "--subsong", "0", "--filter",
                "4", "--stereo",
                "100", "--samplerate", "44100", "--no-float", "--output-type", "wav",
                copy], copy + ".wav"
    return ["xmp", "-q", "-i", "spline", "-f", "44100", "-P", "100", "-o", out, song], out


def player_identity(player, kavoxm):
    """Distinguishes builds and versions of a player in the cache key."""
    if player == "ours":
        with open(kavoxm, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest()[:16]
    command = ["openmpt123", "--version"] if player == "openmpt" else ["xmp", "--version"]
    try:
        return subprocess.run(command, capture_output=True, text=True, timeout=20).stdout[:80]
    except (OSError, subprocess.SubprocessError):
        return "missing"


def render_features(job):
    """Renders one song with one player and returns its features (or an error), cached."""
    player, kavoxm, song, cache_path, timeout, window = job
    if os.path.exists(cache_path):
        with open(cache_path) as f:
            return json.load(f)
    with tempfile.TemporaryDirectory(prefix="kavoxm-diff-") as workdir:
        out = os.path.join(workdir, "out.wav")
        command, written = render_command(player, kavoxm, song, out, workdir)
        result, cache = None, True
        try:
            run = subprocess.run(command, capture_output=True, timeout=timeout, cwd=workdir)
            if run.returncode != 0 or not os.path.exists(written):
                message = run.stderr.decode(errors="replace").strip().splitlines()
                result = {"error": f"exit {run.returncode}" + (f": {message[-1][:60]}"
                                                              if message else "")}
            else:
                result = audio_features.features(written, window)
        except subprocess.TimeoutExpired:
            result, cache = {"error": f"timeout {timeout}s"}, False
        except (OSError, ValueError, EOFError) as e:
            result = {"error": f"{type(e).__name__}: {str(e)[:60]}"}
    if cache:
        tmp = cache_path + ".tmp"
        with open(tmp, "w") as f:
            json.dump(result, f)
        os.replace(tmp, cache_path)
    return result


class Renderer:
    """Renders songs with the three players in a pool of worker processes, with a cache."""

    def __init__(self, args):
        self.args = args
        self.kavoxm = os.path.abspath(args.kavoxm)
        os.makedirs(args.cache, exist_ok=True)
        self.identity = {p: player_identity(p, self.kavoxm) for p in PLAYERS}
        self.pool = concurrent.futures.ProcessPoolExecutor(max_workers=args.jobs)

    def submit(self, song, data):
        """Starts the three renders of `song` (whose bytes are `data`); returns the futures."""
        song = os.path.abspath(song)
        digest = hashlib.sha256(data).hexdigest()[:24]
        futures = {}
        for player in PLAYERS:
            key = hashlib.sha256(
            f"{digest}|{player}|{self.identity[player]}|{self.args.window}|"
            f"{FEATURES_VERSION}".encode())
            cache_path = os.path.join(self.args.cache, key.hexdigest()[:32] + ".json")
            job = (player, self.kavoxm, song, cache_path, self.args.timeout, self.args.window)
            futures[player] = self.pool.submit(render_features, job)
        return futures


def fmt(value, width=6, digits=3):
    return f"{value:{width}.{digits}f}" if value is not None else f"{'-':>{width}}"


def assess(features, row_seconds):
    """Pairwise comparisons of the three renders and the flags of the song."""
    ok = {p: f for p, f in features.items() if "error" not in f}
    pairs = {}
    for a, b in (("ours", "openmpt"), ("ours", "xmp"), ("openmpt", "xmp")):
        if a in ok and b in ok:
            pairs[a, b] = audio_features.compare(ok[a], ok[b])
    flags = []
    mx = pairs.get(("openmpt", "xmp"))
    agree = mx is not None and mx["corr"] >= AGREE_CORR and mx["chroma"] >= AGREE_CHROMA
    if agree and "ours" in ok:
        # We stand apart when below the threshold against one reference and further from
        # each than the references are from each other.
        for key, threshold, flag in (("corr", AGREE_CORR, "LOUDNESS"),
                                     ("chroma", AGREE_CHROMA, "PITCH")):
            ours = [pairs["ours", r][key] for r in ("openmpt", "xmp")]
            if min(ours) < threshold and max(ours) < mx[key]:
                flags.append(flag)
    if "ours" in ok and ("openmpt", "xmp") in pairs:
        flags += fine_flags(pairs)
    if agree and "ours" in ok:
        flags += [f"NEARER-{name}" for name, gap in nearer_gaps(pairs).items()
                  if gap is not None and gap < -NEARER_MARGIN]
    if len(ok) == 3 and row_seconds:
        lm, lx, lo = ok["openmpt"]["length"], ok["xmp"]["length"], ok["ours"]["length"]
        # The references' own lengths differ by about 0.1 s (how they end the last tick).
        tolerance = max(row_seconds, 0.2)
        if abs(lm - lx) <= tolerance and min(abs(lo - lm), abs(lo - lx)) > tolerance:
            flags.append("LENGTH")
    if "ours" not in ok:
        flags.append("OURS-FAILED")
    elif mx is not None and not agree:
        flags.append("(references differ)")
    return pairs, flags


def nearer_gaps(pairs):
    """{LOUDNESS, SPECTRUM}: ours against the nearer reference minus the references against
    each other (None without all three renders); negative where we are further off."""
    gaps = {}
    for name, key in (("LOUDNESS", "corr"), ("SPECTRUM", "spectrum")):
        values = [pairs.get(pair, {}).get(key) for pair in
                  (("ours", "openmpt"), ("ours", "xmp"), ("openmpt", "xmp"))]
        gaps[name] = None if None in values else max(values[0], values[1]) - values[2]
    return gaps


def fine_flags(pairs):
    """SPECTRUM, SIDE and BLIP: differences that whole-song loudness and chroma hide."""
    flags = []
    om, ox, mx = pairs["ours", "openmpt"], pairs["ours", "xmp"], pairs["openmpt", "xmp"]
    if max(om["spectrum"], ox["spectrum"]) < mx["spectrum"] - SPECTRUM_MARGIN:
        flags.append("SPECTRUM")
    if mx["side"] >= AGREE_CORR and min(om["side"], ox["side"]) < AGREE_CORR and max(
            om["side"], ox["side"]) < mx["side"]:
        flags.append("SIDE")
    worst = worst_fine_window(pairs, BLIP_AGREE_DB)
    if worst and worst[0] > BLIP_DB:
        flags.append("BLIP")
    return flags


def worst_fine_window(pairs, agree_db=None):
    """(dB, index) of the 20 ms window where our loudness is furthest from the nearer
    reference, among the windows where the references are within `agree_db` of each other
    (all windows for None); None when there is none."""
    diffs = {}
    for ref in ("openmpt", "xmp"):
        for i, d in pairs.get(("ours", ref), {}).get("fine_diff", []):
            diffs.setdefault(i, {})[ref] = d
    refs = dict(pairs.get(("openmpt", "xmp"), {}).get("fine_diff", []))
    candidates = [(min(v.values()), i) for i, v in diffs.items() if len(v) == 2 and (
        agree_db is None or refs.get(i, 0.0) <= agree_db)]
    return max(candidates) if candidates else None


def header_line(first):
    return (f"{first:<34} {'ours_s':>7} {'mpt_s':>7} {'xmp_s':>7} | {'cor o/m':>7} {'o/x':>6} "
            f"{'m/x':>6} | {'chr o/m':>7} {'o/x':>6} {'m/x':>6} | {'spc o/m':>7} {'o/x':>6} "
            f"{'m/x':>6} | {'sid o/m':>7} {'o/x':>6} {'m/x':>6} | {'nearer cor':>10} {'spc':>6} | "
            f"{'worst 20 ms':>15} | flags")


def row_line(name, features, pairs, flags):
    lengths = []
    for p in PLAYERS:
        f = features[p]
        lengths.append(f"{f['length']:7.1f}" if "error" not in f else f"{'FAIL':>7}")
    cells = []
    for key in ("corr", "chroma", "spectrum", "side"):
        values = [pairs.get(pair, {}).get(key) for pair in
                  (("ours", "openmpt"), ("ours", "xmp"), ("openmpt", "xmp"))]
        cells.append(f"{fmt(values[0], 7)} {fmt(values[1])} {fmt(values[2])}")
    gaps = nearer_gaps(pairs)
    cells.append(f"{fmt(gaps['LOUDNESS'], 10)} {fmt(gaps['SPECTRUM'])}")
    worst = worst_fine_window(pairs)
    cells.append(f"{worst[1] * audio_features.FINE_WINDOW:7.2f}s {worst[0]:5.1f}dB"
                 if worst else f"{'-':>15}")
    errors = [f"{p}: {features[p]['error']}" for p in PLAYERS if "error" in features[p]]
    return f"{name:<34} {' '.join(lengths)} | {' | '.join(cells)} | {' '.join(flags + errors)}"


def songs_in(paths):
    groups = []
    for path in paths:
        if os.path.isdir(path):
            files = sorted(os.path.join(path, f) for f in os.listdir(path)
                           if f.lower().endswith(".xm"))
            groups.append((path, files))
        else:
            groups.append((os.path.dirname(path) or ".", [path]))
    return groups


def compare_songs(renderer, paths):
    flagged = []
    agreeing = as_close = 0
    for directory, files in songs_in(paths):
        pending = []
        for song in files:
            with open(song, "rb") as f:
                data = f.read()
            pending.append((song, data, renderer.submit(song, data)))
        print(f"\n{directory}")
        print(header_line("song"))
        for song, data, futures in pending:
            features = {p: futures[p].result() for p in PLAYERS}
            try:
                row_seconds = xmfile.XmFile(data).row_seconds()
            except (xmfile.XmError, Exception):
                row_seconds = 0.0
            pairs, flags = assess(features, row_seconds)
            print(row_line(os.path.basename(song), features, pairs, flags), flush=True)
            if any(f.isupper() and not f.startswith("(") for f in flags):
                flagged.append(song)
            gaps = nearer_gaps(pairs)
            if "(references differ)" not in flags and None not in gaps.values():
                agreeing += 1
                as_close += all(g >= -NEARER_MARGIN for g in gaps.values())
    print(f"\nwhere the references agree: ours as close to one of them as they are to each "
          f"other (loudness and spectrum, within {NEARER_MARGIN}) in {as_close} of {agreeing}")
    return flagged


def trace_rows(kavoxm, song):
    """(seconds, order, pattern, row) of every row our sequencer reads, from `kavoxm trace`."""
    run = subprocess.run([kavoxm, "trace", song, "--seconds", str(MAX_SECONDS)],
                         capture_output=True, text=True, timeout=120)
    rows = []
    for line in run.stdout.splitlines()[1:]:
        parts = line.split()
        if len(parts) >= 5 and all(p.lstrip("-").isdigit() for p in parts[2:5]):
            rows.append((float(parts[1]), int(parts[2]), int(parts[3]), int(parts[4])))
    return rows


def locate(rows, seconds):
    found = None
    for row in rows:
        if row[0] > seconds:
            break
        found = row
    return found


def worst_window(pairs):
    """Window where we differ most from both references: largest of the smaller loudness
    deviation (dB) and of the smaller chroma dissimilarity (x 20, so 0.25 counts as 5 dB)."""
    score = {}
    for ref in ("openmpt", "xmp"):
        p = pairs.get(("ours", ref))
        if p is None:
            return None
        for i, d in p["loud_diff"]:
            score.setdefault(i, {})[ref] = d
        for i, d in p["chroma_diff"]:
            score[i][ref] = max(score[i][ref], 20 * d)
    candidates = [(min(v.values()), i) for i, v in score.items() if len(v) == 2]
    return max(candidates) if candidates else None


def solo(renderer, song, channels, context, window):
    with open(song, "rb") as f:
        data = f.read()
    xm = xmfile.XmFile(data)
    channels = channels if channels else range(xm.channels)
    rows = trace_rows(renderer.kavoxm, song)
    workdir = tempfile.mkdtemp(prefix="kavoxm-solo-")
    try:
        pending = []
        for c in channels:
            path = os.path.join(workdir, f"{os.path.basename(song)}.ch{c:02d}.xm")
            solo_data = xm.solo(c)
            with open(path, "wb") as f:
                f.write(solo_data)
            pending.append((c, renderer.submit(path, solo_data)))
        print(f"\n{song}: each channel alone")
        print(header_line("channel"))
        for c, futures in pending:
            features = {p: futures[p].result() for p in PLAYERS}
            pairs, flags = assess(features, xm.row_seconds())
            print(row_line(f"ch {c:2d}", features, pairs, flags), flush=True)
            worst = worst_window(pairs)
            if worst is None or all(f.startswith("(") for f in flags):
                continue
            score, index = worst
            seconds = index * window
            where = locate(rows, seconds)
            text = f"    differs most at {seconds:.1f} s (score {score:.1f})"
            if where:
                _, order, pattern, row = where
                text += f": order {order}, pattern {pattern}, row {row}"
            print(text)
            if where and context >= 0 and where[2] < xm.pattern_count:
                grid = xm.cells(where[2])
                for r in range(max(0, where[3] - context), min(len(grid), where[3] + 2)):
                    print(f"      {r:3d} | {xmfile.format_cell(grid[r][c])}")
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


PITCH_NAMES = ["A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"]


def timeline(renderer, song):
    """Prints per window the loudness and strongest pitch class of each player's render."""
    with open(song, "rb") as f:
        features = {p: fut.result() for p, fut in renderer.submit(song, f.read()).items()}
    print(f"\n{song}")
    print(f"{'time':>6}  " + "  ".join(f"{p:>12}" for p in PLAYERS))
    count = max(len(f.get("loudness", [])) for f in features.values())
    for i in range(count):
        cells = []
        for p in PLAYERS:
            f = features[p]
            if "error" in f or i >= len(f["loudness"]):
                cells.append(f"{'-':>12}")
                continue
            chroma = f["chroma"][i]
            top = max(range(12), key=chroma.__getitem__)
            pitch = PITCH_NAMES[top] if chroma[top] > 0 else "-"
            cells.append(f"{f['loudness'][i]:7.1f} {pitch:<4}")
        print(f"{i * renderer.args.window:6.2f}  " + "  ".join(cells))


def frequencies(args):
    """--frequency: the table of zero-crossing frequencies, uncached (the cases are short)."""
    begin, end = (float(v) for v in args.span.split(":"))
    kavoxm = os.path.abspath(args.kavoxm)
    flagged = []
    for directory, files in songs_in(args.paths):
        print(f"\n{directory}")
        print(differential_pitch.frequency_header())
        for song in files:
            hz = differential_pitch.measure(render_command, PLAYERS, kavoxm,
                                            os.path.abspath(song), (begin, end), args.timeout)
            line = differential_pitch.frequency_line(os.path.basename(song), hz)
            print(line, flush=True)
            if "FREQUENCY" in line:
                flagged.append(song)
    print(f"\nflagged: {len(flagged)}" + "".join(f"\n  {s}" for s in flagged))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("paths", nargs="+", help="XM files or directories of them")
    parser.add_argument("--solo", action="store_true", help="compare each channel alone")
    parser.add_argument("--timeline", action="store_true",
                        help="print loudness (dB) and strongest pitch class per window")
    parser.add_argument("--frequency", action="store_true",
                        help="zero-crossing frequency of a long note in each render")
    parser.add_argument("--span", default="0.5:6",
                        help="with --frequency: seconds measured, BEGIN:END (0.5:6)")
    parser.add_argument("--channels", help="with --solo: comma-separated channel numbers")
    parser.add_argument("--context", type=int, default=4,
                        help="with --solo: rows of cells shown before the worst row")
    parser.add_argument("--kavoxm", default=DEFAULT_KAVOXM, help="kavoxm binary")
    parser.add_argument("--cache", default="/tmp/kavoxm-differential", help="render cache")
    parser.add_argument("-j", "--jobs", type=int, default=2, help="parallel renders (2)")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per render")
    parser.add_argument("--window", type=float, default=audio_features.WINDOW,
                        help="analysis window in seconds (0.5; 0.1 resolves single rows)")
    args = parser.parse_args()
    if not os.path.exists(args.kavoxm):
        sys.exit(f"kavoxm binary not found: {args.kavoxm} (build the release preset)")
    for tool in ("openmpt123", "xmp"):
        if shutil.which(tool) is None:
            print(f"warning: {tool} not found; its column will show FAIL", file=sys.stderr)
    if args.frequency:
        frequencies(args)
        return
    renderer = Renderer(args)
    try:
        if args.timeline:
            for _, files in songs_in(args.paths):
                for song in files:
                    timeline(renderer, song)
        elif args.solo:
            channels = [int(c) for c in args.channels.split(",")] if args.channels else None
            for _, files in songs_in(args.paths):
                for song in files:
                    try:
                        solo(renderer, song, channels, args.context, args.window)
                    except xmfile.XmError as e:
                        print(f"\n{song}: cannot rewrite: {e}")
        else:
            flagged = compare_songs(renderer, args.paths)
            print(f"\nflagged: {len(flagged)}" + "".join(f"\n  {s}" for s in flagged))
    finally:
        renderer.pool.shutdown(cancel_futures=True)


if __name__ == "__main__":
    main()
