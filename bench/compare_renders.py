#!/usr/bin/python3
"""Compares two renders of the same song: length, loudness contour and pitch content.

usage: compare_renders.py OURS.wav THEIRS.wav [WINDOW_SECONDS]

Loudness contour: RMS in dB per window (0.5 s by default); reports the correlation of the two
contours and the mean offset (renderers differ in overall gain). Pitch content: a 12-bin chroma
vector per window (energy folded into pitch classes); reports the mean cosine similarity of the
two chroma sequences, and the same with the second render shifted by one semitone as a baseline
that a wrong pitch would score like. Pure Python (see audio_features.py).
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_features  # noqa: E402


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__.split("\n\n")[1])
    window = float(sys.argv[3]) if len(sys.argv) == 4 else audio_features.WINDOW
    a = audio_features.features(sys.argv[1], window)
    b = audio_features.features(sys.argv[2], window)
    print(f"length: {a['length']:.2f} s vs {b['length']:.2f} s")
    c = audio_features.compare(a, b)
    print(f"loudness contour: correlation {c['corr']:.3f}, mean offset {c['offset']:+.2f} dB")
    print(f"pitch content: chroma similarity {c['chroma']:.3f} "
          f"(one semitone off: {c['shifted']:.3f})")


if __name__ == "__main__":
    main()
