"""Reads the header and patterns of an XM file and writes copies with channels blanked.

Only what the differential harness needs: speed, tempo and channel count, a cell dump, and
a solo copy in which every channel but one keeps only its song-wide effects (position jump,
pattern break, pattern loop and delay, speed and tempo, global volume), so that the song keeps
its timing and volume while only one channel sounds.
"""
import struct

# Effects that act on the whole song, kept in blanked channels: Bxx, Dxx, Fxx, Gxx, Hxy,
# and of the Exy group E6y (pattern loop) and EEy (pattern delay).
SONG_EFFECTS = {0x0B, 0x0D, 0x0F, 0x10, 0x11}
SONG_EXTENDED = {0x6, 0xE}


class XmError(Exception):
    pass


class XmFile:
    def __init__(self, data):
        if len(data) < 80 or data[:17] != b"Extended Module: ":
            raise XmError("not an XM file")
        self.data = bytes(data)
        self.version = struct.unpack_from("<H", data, 58)[0]
        self.header_size = struct.unpack_from("<I", data, 60)[0]
        (self.song_length, self.restart, self.channels, self.pattern_count,
         self.instrument_count, self.flags, self.speed, self.tempo) = struct.unpack_from(
            "<8H", data, 64)
        self.orders = list(data[80 : 80 + min(self.song_length, 256)])
        if self.version != 0x0104:
            raise XmError(f"format version {self.version:#06x}: only 0x0104 is rewritten")
        self.patterns = []  # (offset of header, header length, rows, packed data)
        pos = 60 + self.header_size
        for _ in range(self.pattern_count):
            if pos + 9 > len(data):
                raise XmError("truncated pattern header")
            length, _packing, rows, size = struct.unpack_from("<IBHH", data, pos)
            body = data[pos + length : pos + length + size]
            self.patterns.append((pos, length, rows, body))
            pos += length + size
        self.tail = pos  # instruments follow

    def row_seconds(self):
        """Length of a row at the initial speed and tempo."""
        return self.speed * 2.5 / self.tempo if self.tempo else 0.0

    def cells(self, pattern):
        """Decodes a pattern into rows of [note, instrument, volume, effect, parameter]."""
        _, _, rows, body = self.patterns[pattern]
        out, pos = [], 0
        for _ in range(rows):
            row = []
            for _ in range(self.channels):
                cell = [0, 0, 0, 0, 0]
                if pos < len(body):
                    b = body[pos]
                    pos += 1
                    if b & 0x80:
                        for field in range(5):
                            if b & (1 << field):
                                cell[field] = body[pos] if pos < len(body) else 0
                                pos += 1
                    else:
                        cell[0] = b
                        for field in range(1, 5):
                            cell[field] = body[pos] if pos < len(body) else 0
                            pos += 1
                row.append(cell)
            out.append(row)
        return out

    @staticmethod
    def pack(rows):
        out = bytearray()
        for row in rows:
            for cell in row:
                mask = sum(1 << f for f in range(5) if cell[f])
                if mask == 0x1F:
                    out += bytes(cell)
                else:
                    out.append(0x80 | mask)
                    out += bytes(v for v in cell if v)
        return bytes(out)

    def solo(self, channel):
        """Returns the file's bytes with every channel but `channel` reduced to its song-wide
        effects."""
        out = bytearray(self.data[: 60 + self.header_size])
        for index, (pos, length, rows, _body) in enumerate(self.patterns):
            grid = self.cells(index)
            for row in grid:
                for c, cell in enumerate(row):
                    if c != channel:
                        keep = cell[3] in SONG_EFFECTS or (
                            cell[3] == 0x0E and cell[4] >> 4 in SONG_EXTENDED)
                        row[c] = [0, 0, 0, cell[3], cell[4]] if keep else [0, 0, 0, 0, 0]
            body = self.pack(grid) if rows else b""
            header = bytearray(self.data[pos : pos + length])
            struct.pack_into("<H", header, 7, len(body))
            out += header + body
        out += self.data[self.tail :]
        return bytes(out)


NOTE_NAMES = ["C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"]


def format_cell(cell):
    note, instrument, volume, effect, parameter = cell
    if note == 97:
        n = "==="
    elif 1 <= note <= 96:
        n = f"{NOTE_NAMES[(note - 1) % 12]}{(note - 1) // 12}"
    else:
        n = "..."
    i = f"{instrument:2X}" if instrument else " ."
    v = f"{volume:02X}" if volume else ".."
    e = f"{'0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ'[effect]}{parameter:02X}" if (
        effect or parameter) and effect < 36 else "..."
    return f"{n} {i} {v} {e}"


def main():
    """Prints the order list and every pattern of the XM files named on the command line."""
    import sys

    for path in sys.argv[1:]:
        with open(path, "rb") as f:
            xm = XmFile(f.read())
        print(f"{path}: {xm.channels} channels, speed {xm.speed}, tempo {xm.tempo}, "
              f"{'linear' if xm.flags & 1 else 'Amiga'} periods, orders {xm.orders}")
        for p in range(xm.pattern_count):
            print(f"pattern {p}")
            for r, row in enumerate(xm.cells(p)):
                print(f"{r:3d} | " + " | ".join(format_cell(c) for c in row))


if __name__ == "__main__":
    main()
