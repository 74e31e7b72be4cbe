"""Features of a rendered song for comparing renders of different players, in pure Python.

A render is reduced to one feature row per 0.5 s window:
- loudness: RMS of both channels in dB (floor -90 dB);
- chroma: a 12-bin vector (spectral energy from 55 Hz to 4 kHz folded into pitch classes),
  unit length, from an FFT of the window's mono mix decimated to 8820 Hz (4096 points for
  0.5 s windows; shorter windows, down to 0.05 s, give finer time and coarser pitch).

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
DECIMATION = 5  # 44100 Hz -> 8820 Hz for the chroma analysis
FLOOR_DB = -90.0
SILENT_DB = -60.0


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


def features(path, window=WINDOW):
    """Returns {"length": seconds, "loudness": [dB per window], "chroma": [[12] per window]}."""
    rate, samples, channels = read_wav(path)
    frames = len(samples) // channels
    per_window = int(rate * window) * channels
    loud = []
    for start in range(0, frames * channels - per_window + 1, per_window):
        part = samples[start : start + per_window]
        energy = sum(map(mul, part, part)) / len(part)
        rms = math.sqrt(energy) / 32768.0
        loud.append(max(FLOOR_DB, 20 * math.log10(rms)) if rms > 0 else FLOOR_DB)
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
    return {"length": frames / rate, "loudness": loud, "chroma": chroma}


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
        return {"corr": 1.0, "offset": 0.0, "chroma": 1.0, "shifted": 0.0, "windows": 0,
                "loud_diff": [], "chroma_diff": []}
    la = [fa["loudness"][i] for i in idx]
    lb = [fb["loudness"][i] for i in idx]
    offset = sum(la) / len(la) - sum(lb) / len(lb)
    sims, shifted = [], []
    for i in idx:
        ca, cb = fa["chroma"][i], fb["chroma"][i]
        sims.append(sum(map(mul, ca, cb)))
        shifted.append(sum(map(mul, ca, cb[-1:] + cb[:-1])))
    return {
        "corr": correlation(la, lb),
        "offset": offset,
        "chroma": sum(sims) / len(sims),
        "shifted": sum(shifted) / len(shifted),
        "windows": len(idx),
        "loud_diff": [(i, abs(x - offset - y)) for i, x, y in zip(idx, la, lb)],
        "chroma_diff": [(i, 1.0 - s) for i, s in zip(idx, sims)],
    }
