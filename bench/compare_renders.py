#!/usr/bin/python3
"""Compares two renders of the same song: length, loudness contour and pitch content.

usage: compare_renders.py OURS.wav THEIRS.wav

Loudness contour: RMS in dB over 0.5 s windows; reports the correlation of the two contours
and the mean offset (renderers differ in overall gain). Pitch content: a 12-bin chroma vector
per window (energy folded into pitch classes); reports the mean cosine similarity of the two
chroma sequences, and the same with the second render shifted by one semitone as a baseline
that a wrong pitch would score like. Needs numpy (Debian: python3-numpy).
"""
import sys
import wave

import numpy as np

WINDOW = 0.5


def read(path):
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        data = w.readframes(w.getnframes())
    if width == 2:
        x = np.frombuffer(data, dtype="<i2").astype(np.float64) / 32768.0
    elif width == 1:
        x = (np.frombuffer(data, dtype=np.uint8).astype(np.float64) - 128.0) / 128.0
    else:
        x = np.frombuffer(data, dtype="<i4").astype(np.float64) / 2147483648.0
    return rate, x.reshape(-1, channels).mean(axis=1)


def windows(rate, x):
    n = int(rate * WINDOW)
    count = len(x) // n
    return x[: count * n].reshape(count, n)


def loudness(frames):
    rms = np.sqrt(np.mean(frames**2, axis=1)) + 1e-9
    return 20 * np.log10(rms)


def chroma(rate, frames):
    n = frames.shape[1]
    spectrum = np.abs(np.fft.rfft(frames * np.hanning(n), axis=1)) ** 2
    freqs = np.fft.rfftfreq(n, 1.0 / rate)
    band = (freqs >= 55) & (freqs <= 4000)
    pitch_class = np.round(12 * np.log2(freqs[band] / 440.0)).astype(int) % 12
    out = np.zeros((frames.shape[0], 12))
    for pc in range(12):
        out[:, pc] = spectrum[:, band][:, pitch_class == pc].sum(axis=1)
    return out / (np.linalg.norm(out, axis=1, keepdims=True) + 1e-12)


def main():
    ra, a = read(sys.argv[1])
    rb, b = read(sys.argv[2])
    print(f"length: {len(a) / ra:.2f} s vs {len(b) / rb:.2f} s")
    wa, wb = windows(ra, a), windows(rb, b)
    count = min(len(wa), len(wb))
    wa, wb = wa[:count], wb[:count]
    la, lb = loudness(wa), loudness(wb)
    loud = la > -60
    corr = np.corrcoef(la[loud], lb[loud])[0, 1]
    print(f"loudness contour: correlation {corr:.3f}, mean offset {np.mean(la[loud] - lb[loud]):+.2f} dB")
    ca, cb = chroma(ra, wa), chroma(rb, wb)
    same = np.mean(np.sum(ca * cb, axis=1)[loud])
    shifted = np.mean(np.sum(ca * np.roll(cb, 1, axis=1), axis=1)[loud])
    print(f"pitch content: chroma similarity {same:.3f} (one semitone off: {shifted:.3f})")


if __name__ == "__main__":
    main()
