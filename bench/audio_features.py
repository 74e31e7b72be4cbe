"""Features of a rendered song for comparing renders of different players, in pure Python.

A render is reduced to one feature row per 0.5 s window:
- loudness: RMS of both channels in dB (floor -90 dB);
- side: RMS of the side signal (left minus right, halved) in dB, which shows panning;
- chroma: a 12-bin vector (spectral energy from 55 Hz to 4 kHz folded into pitch classes),
  unit length, from an FFT of the window's mono mix decimated to 8820 Hz (4096 points for
  0.5 s windows; shorter windows, down to 0.05 s, give finer time and coarser pitch).
and, at finer resolution whatever the window:
- loud20: loudness per 20 ms, for finding short differences (a blip, a missing note);
- spectrum: per 50 ms, the energy in 16 bands a third of an octave to an octave wide from
  70 Hz to 4.4 kHz (256-point FFT of the decimated mix), unit length; unlike chroma it keeps
  the octave and the timbre.

Renderers differ in overall gain, so loudness contours are compared by correlation and a
mean offset. Chroma vectors are compared by cosine similarity; a wrong pitch scores like the
same render shifted by a semitone.
"""
import cmath
import math
import wave
from array import array
from operator import add, mul

WINDOW = 0.5
FINE_WINDOW = 0.02
SPECTRUM_WINDOW = 0.05
SPECTRUM_BANDS = 16
DECIMATION = 5  # 44100 Hz -> 8820 Hz for the chroma and spectrum analysis
FLOOR_DB = -90.0
SILENT_DB = -60.0
CENTRED_DB = -40.0  # side level relative to the loudness below which a mix counts as centred


def read_wav(path):
    """Returns (rate, interleaved 16-bit samples, channels) of a 16-bit PCM WAV file."""
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        data = w.readframes(w.getnframes())
    if width == 2:
        samples = array("h")
        samples.frombytes(data)
    elif width == 1:
        samples = array("h", ((b - 128) << 8 for b in data))
    else:
        raise ValueError(f"{path}: {width * 8}-bit samples are not supported")
    return rate, samples, channels


class Fft:
    """Radix-2 complex FFT of one fixed size with precomputed twiddles and bit reversal."""

    def __init__(self, size):
        self.size = size
        bits = size.bit_length() - 1
        self.reverse = [int(f"{i:0{bits}b}"[::-1], 2) for i in range(size)]
        self.twiddles = [cmath.exp(-2j * math.pi * k / size) for k in range(size // 2)]

    def __call__(self, values):
        n = self.size
        x = [values[r] for r in self.reverse]
        half = 1
        while half < n:
            stride = n // (2 * half)
            tw = self.twiddles[::stride][:half]
            for start in range(0, n, 2 * half):
                for k in range(half):
                    i = start + k
                    t = tw[k] * x[i + half]
                    x[i + half] = x[i] - t
                    x[i] = x[i] + t
            half *= 2
        return x


def _chroma_setup(rate, size):
    """FFT of `size` points, its Hann window and the (bin, pitch class) pairs in range."""
    hann = [0.5 - 0.5 * math.cos(2 * math.pi * i / size) for i in range(size)]
    bins = []
    for k in range(1, size // 2):
        freq = k * rate / size
        if 55 <= freq <= 4000:
            bins.append((k, round(12 * math.log2(freq / 440.0)) % 12))
    return Fft(size), hann, bins


def _mono_decimated(samples, channels):
    """Sums the channels and averages DECIMATION frames at a time (a crude low-pass)."""
    step = channels * DECIMATION
    count = len(samples) // step
    total = None
    for offset in range(step):
        part = samples[offset : offset + count * step : step]
        total = part if total is None else list(map(add, total, part))
    return [v / step for v in total] if total else []


def _db(part):
    energy = sum(map(mul, part, part)) / len(part) if part else 0.0
    rms = math.sqrt(energy) / 32768.0
    return max(FLOOR_DB, 20 * math.log10(rms)) if rms > 0 else FLOOR_DB


def _loudness(samples, channels, frames_per_window):
    per_window = frames_per_window * channels
    return [_db(samples[start : start + per_window])
            for start in range(0, len(samples) - per_window + 1, per_window)]


def _side(samples, channels, frames_per_window):
    """Side-signal loudness per window; a mono render has none."""
    if channels < 2:
        return [FLOOR_DB] * (len(samples) // max(1, frames_per_window))
    left, right = samples[0::channels], samples[1::channels]
    side = [(a - b) / 2 for a, b in zip(left, right)]
    return [_db(side[start : start + frames_per_window])
            for start in range(0, len(side) - frames_per_window + 1, frames_per_window)]


def _spectrum(mono, low_rate, loud20):
    """Unit band-energy vectors per SPECTRUM_WINDOW of the decimated mono mix (zeros where
    silent)."""
    step = int(low_rate * SPECTRUM_WINDOW)
    size = 256
    fft = Fft(size)
    hann = [0.5 - 0.5 * math.cos(2 * math.pi * i / size) for i in range(size)]
    # Band edges spaced evenly on a log scale from 70 Hz to the decimated Nyquist frequency.
    low, high = 70.0, low_rate / 2
    edges = [low * (high / low) ** (b / SPECTRUM_BANDS) for b in range(SPECTRUM_BANDS + 1)]
    band_of = []
    for k in range(1, size // 2):
        freq = k * low_rate / size
        band = next((b for b in range(SPECTRUM_BANDS) if edges[b] <= freq < edges[b + 1]), None)
        if band is not None:
            band_of.append((k, band))
    per_fine = round(SPECTRUM_WINDOW / FINE_WINDOW)
    result = []
    for w in range(len(mono) // step):
        fine = loud20[int(w * SPECTRUM_WINDOW / FINE_WINDOW):][:per_fine]
        part = mono[w * step : w * step + size]
        if len(part) < size or not fine or max(fine) <= SILENT_DB:
            result.append([0.0] * SPECTRUM_BANDS)
            continue
        spectrum = fft(list(map(mul, part, hann)))
        vector = [0.0] * SPECTRUM_BANDS
        for k, band in band_of:
            c = spectrum[k]
            vector[band] += c.real * c.real + c.imag * c.imag
        # Square roots of band energies: loud bands dominate less than with energies.
        vector = [math.sqrt(v) for v in vector]
        norm = math.sqrt(sum(v * v for v in vector))
        result.append([round(v / norm, 4) for v in vector] if norm > 0 else vector)
    return result


def features(path, window=WINDOW):
    """Returns {"length": seconds, "loudness", "side": [dB per window], "chroma": [[12] per
    window], "loud20": [dB per 20 ms], "spectrum": [[bands] per 50 ms]}."""
    rate, samples, channels = read_wav(path)
    frames = len(samples) // channels
    loud = _loudness(samples, channels, int(rate * window))
    loud20 = _loudness(samples, channels, int(rate * FINE_WINDOW))
    side = _side(samples, channels, int(rate * window))
    low_rate = rate / DECIMATION
    low_window = int(low_rate * window)
    size = 1 << max(8, (low_window - 1).bit_length() - 1)  # largest power of 2 <= window
    fft, hann, bins = _chroma_setup(low_rate, size)
    mono = _mono_decimated(samples, channels)
    chroma = []
    for w in range(len(loud)):
        part = mono[w * low_window : w * low_window + size]
        if loud[w] <= FLOOR_DB or len(part) < size:
            chroma.append([0.0] * 12)
            continue
        spectrum = fft(list(map(mul, part, hann)))
        vector = [0.0] * 12
        for k, pc in bins:
            c = spectrum[k]
            vector[pc] += c.real * c.real + c.imag * c.imag
        norm = math.sqrt(sum(v * v for v in vector))
        chroma.append([v / norm for v in vector] if norm > 0 else vector)
    return {"length": frames / rate, "loudness": loud, "side": side, "chroma": chroma,
            "loud20": [round(v, 2) for v in loud20],
            "spectrum": _spectrum(mono, low_rate, loud20)}


def correlation(a, b):
    """Pearson correlation of two equally long sequences; 1.0 when both are constant."""
    n = len(a)
    if n < 2:
        return 1.0
    ma, mb = sum(a) / n, sum(b) / n
    da = [x - ma for x in a]
    db = [y - mb for y in b]
    saa, sbb = sum(map(mul, da, da)), sum(map(mul, db, db))
    if saa == 0 or sbb == 0:
        return 1.0 if saa == sbb else 0.0
    return sum(map(mul, da, db)) / math.sqrt(saa * sbb)


def compare(fa, fb):
    """Compares two feature sets over their common windows where either is audible.

    Returns correlation of the loudness contours, their mean offset in dB (a minus b), the
    mean chroma similarity, the same with b a semitone off (a baseline for wrong pitch), and
    per-window differences for locating where the renders part."""
    count = min(len(fa["loudness"]), len(fb["loudness"]))
    idx = [i for i in range(count) if max(fa["loudness"][i], fb["loudness"][i]) > SILENT_DB]
    if not idx:
        result = {"corr": 1.0, "offset": 0.0, "chroma": 1.0, "shifted": 0.0, "windows": 0,
                  "loud_diff": [], "chroma_diff": []}
        result.update(compare_fine(fa, fb, 0.0))
        return result
    la = [fa["loudness"][i] for i in idx]
    lb = [fb["loudness"][i] for i in idx]
    offset = sum(la) / len(la) - sum(lb) / len(lb)
    sims, shifted = [], []
    for i in idx:
        ca, cb = fa["chroma"][i], fb["chroma"][i]
        sims.append(sum(map(mul, ca, cb)))
        shifted.append(sum(map(mul, ca, cb[-1:] + cb[:-1])))
    result = {
        "corr": correlation(la, lb),
        "offset": offset,
        "chroma": sum(sims) / len(sims),
        "shifted": sum(shifted) / len(shifted),
        "windows": len(idx),
        "loud_diff": [(i, abs(x - offset - y)) for i, x, y in zip(idx, la, lb)],
        "chroma_diff": [(i, 1.0 - s) for i, s in zip(idx, sims)],
    }
    result.update(compare_fine(fa, fb, offset))
    return result


def _relative_side(f):
    """The side signal's level relative to the window's loudness, floored at CENTRED_DB: a
    side more than 40 dB under the sound is a centred mix (a player's centre gains may differ
    by a fraction of a dB), not panning, and counts as exactly centred."""
    return [max(CENTRED_DB, s - l) for s, l in zip(f["side"], f["loudness"])]


def compare_fine(fa, fb, offset):
    """The finer comparisons: side-signal loudness correlation, mean spectral similarity per
    50 ms, and the per-20-ms loudness deviations (dB, after removing the overall offset)."""
    result = {"side": 1.0, "spectrum": 1.0, "spectrum_diff": [], "fine_diff": []}
    if "loud20" not in fa or "loud20" not in fb:
        return result
    ra, rb = _relative_side(fa), _relative_side(fb)
    count = min(len(ra), len(rb))
    idx = [i for i in range(count) if max(fa["side"][i], fb["side"][i]) > SILENT_DB]
    if idx:
        result["side"] = correlation([ra[i] for i in idx], [rb[i] for i in idx])
    sa, sb = fa["spectrum"], fb["spectrum"]
    sims = []
    for i in range(min(len(sa), len(sb))):
        if any(sa[i]) or any(sb[i]):
            sim = sum(map(mul, sa[i], sb[i]))
            sims.append(sim)
            result["spectrum_diff"].append((i, 1.0 - sim))
    if sims:
        result["spectrum"] = sum(sims) / len(sims)
    la, lb = fa["loud20"], fb["loud20"]
    result["fine_diff"] = [(i, abs(la[i] - offset - lb[i])) for i in range(min(len(la), len(lb)))
                           if max(la[i], lb[i]) > SILENT_DB]
    return result
