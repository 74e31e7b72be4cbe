"""Writes small FastTracker-2-style XM files for reducing a playback difference to a minimal case.

    from minixm import Cell, Instrument, write_xm, tone
    rows = [[Cell(49, 1, 0, 0x4, 0x47)], [Cell()], ...]           # one list of cells per row
    write_xm("case.xm", rows, [Instrument(tone())], speed=6, tempo=125)

Files carry the tracker name "FastTracker v2.00", names padded with spaces, format 0x0104 and
the linear frequency table (unless amiga=True), so that other players treat them as FT2 files.
"""
import math
import struct
from dataclasses import dataclass, field


@dataclass
class Cell:
    note: int = 0
    instrument: int = 0
    volume: int = 0
    effect: int = 0
    parameter: int = 0


@dataclass
class Instrument:
    data: list  # 8-bit sample values -128..127
    loop: bool = True  # forward loop over the whole sample
    volume: int = 64
    finetune: int = 0
    relative_note: int = 0
    panning: int = 128
    fadeout: int = 0
    volume_envelope: list = field(default_factory=list)  # [(tick, value)], sustain/loop off
    vibrato: tuple = (0, 0, 0, 0)  # type, sweep, depth, rate


def tone(period=32, count=32 * 64, shape="saw"):
    """A periodic 8-bit wave: with relative note 0 the note C-4 sounds at 8363/period Hz."""
    out = []
    for i in range(count):
        phase = (i % period) / period
        if shape == "saw":
            out.append(int(round(-100 + 200 * phase)))
        else:
            out.append(int(round(100 * math.sin(2 * math.pi * phase))))
    return out


def _text(s, n):
    return s.encode("ascii")[:n].ljust(n, b" ")


def _pattern(rows, channels):
    body = bytearray()
    for row in rows:
        cells = list(row) + [Cell()] * (channels - len(row))
        for c in cells:
            values = [c.note, c.instrument, c.volume, c.effect, c.parameter]
            mask = sum(1 << i for i, v in enumerate(values) if v)
            if mask == 0x1F:
                body += bytes(values)
            else:
                body.append(0x80 | mask)
                body += bytes(v for v in values if v)
    return struct.pack("<IBHH", 9, 0, len(rows), len(body)) + body


def _instrument(ins, index):
    samples = ins.data
    header = bytearray()
    header += _text(f"instrument {index}", 22) + bytes([0]) + struct.pack("<H", 1)
    header += struct.pack("<I", 40) + bytes(96)
    points = ins.volume_envelope[:12]
    env = bytearray()
    for tick, value in points:
        env += struct.pack("<HH", tick, value)
    header += env.ljust(48, b"\0") + bytes(48)
    header += bytes([len(points), 0, 0, 0, 0, 0, 0, 0, 1 if points else 0, 0])
    header += bytes(ins.vibrato) + struct.pack("<H", ins.fadeout)
    header = struct.pack("<I", 4 + len(header) + 22) + header + bytes(22)
    length = len(samples)
    sample = struct.pack("<III", length, 0, length if ins.loop else 0)
    sample += struct.pack("<BbBBbB", ins.volume, ins.finetune, 1 if ins.loop else 0,
                          ins.panning, ins.relative_note, 0)
    sample += _text(f"sample {index}", 22)
    deltas, last = bytearray(), 0
    for v in samples:
        deltas.append((v - last) & 0xFF)
        last = v
    return bytes(header) + sample + bytes(deltas)


def write_xm(path, patterns, instruments, speed=6, tempo=125, channels=None, orders=None,
             amiga=False, name="minimal case", tracker="FastTracker v2.00"):
    """Writes an XM file. `patterns` is a list of patterns (each a list of rows of Cells) or a
    single pattern. `tracker` is the tracker name in the header, which some players read to
    choose between the playback rules of different trackers: text is padded with spaces as
    FastTracker 2 does, bytes with NULs as most other trackers do."""
    if patterns and isinstance(patterns[0], list) and patterns[0] and isinstance(
            patterns[0][0], Cell):
        patterns = [patterns]
    channels = channels or max(2, max(len(r) for p in patterns for r in p))
    channels += channels % 2
    orders = orders if orders is not None else list(range(len(patterns)))
    out = bytearray(b"Extended Module: " + _text(name, 20) + b"\x1a" +
                    (tracker[:20].ljust(20, b"\0") if isinstance(tracker, bytes) else _text(tracker, 20)) + struct.pack("<H", 0x0104))
    out += struct.pack("<I", 276)
    out += struct.pack("<8H", len(orders), 0, channels, len(patterns), len(instruments),
                       0 if amiga else 1, speed, tempo)
    out += bytes(orders).ljust(256, b"\0")
    for p in patterns:
        out += _pattern(p, channels)
    for i, ins in enumerate(instruments, 1):
        out += _instrument(ins, i)
    with open(path, "wb") as f:
        f.write(out)
