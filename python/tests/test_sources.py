"""A song from a path, bytes or a file object; load errors with their reason; the context
manager and what a closed module says."""

import io
import os
import pathlib

import numpy as np
import pytest

import kavoxm


def _sources(path, image):
    return {
        "str path": lambda: path,
        "pathlib path": lambda: pathlib.Path(path),
        "bytes": lambda: image,
        "bytearray": lambda: bytearray(image),
        "memoryview": lambda: memoryview(image),
        "open binary file": lambda: open(path, "rb"),
        "BytesIO": lambda: io.BytesIO(image),
        "BytesIO after a prefix": lambda: _skip_prefix(b"JUNK" * 100, image),
        "reader without readinto": lambda: _ReadOnly(image),
    }


def _skip_prefix(prefix, image):
    stream = io.BytesIO(prefix + image)
    stream.seek(len(prefix))
    return stream


class _ReadOnly:
    """A file-like object with read() only, giving at most 1000 bytes per call."""

    def __init__(self, data):
        self.data, self.at = data, 0

    def read(self, size):
        chunk = self.data[self.at:self.at + min(size, 1000)]
        self.at += len(chunk)
        return chunk


SOURCE_KINDS = list(_sources("", b""))


@pytest.mark.parametrize("kind", SOURCE_KINDS)
def test_every_kind_of_source_loads_the_same_song(kind, song_path, image):
    reference = kavoxm.Module(image).render(seconds=1, dtype="int16")
    source = _sources(song_path, image)[kind]()
    with kavoxm.Module(source) as song:
        assert song.title == "Sombrevallis"
        assert np.array_equal(song.render(seconds=1, dtype="int16"), reference)
    if hasattr(source, "close"):
        source.close()


LOAD_FAILURES = {
    # name: (source maker, error code, words of the reason)
    "missing file": (lambda d, img: os.path.join(d, "absent.xm"), kavoxm.ERROR_READ,
                     "No such file or directory"),
    "directory": (lambda d, img: d, kavoxm.ERROR_READ, "Is a directory"),
    "empty bytes": (lambda d, img: b"", kavoxm.ERROR_NOT_XM, "too short"),
    "not an XM image": (lambda d, img: b"MThd" + bytes(400), kavoxm.ERROR_NOT_XM, ""),
    "cut in its patterns": (lambda d, img: img[:len(img) // 8], kavoxm.ERROR_TRUNCATED,
                            "ends"),
    "file object cut": (lambda d, img: io.BytesIO(img[:len(img) // 8]),
                        kavoxm.ERROR_TRUNCATED, "ends"),
}


@pytest.mark.parametrize("name", list(LOAD_FAILURES))
def test_load_errors_carry_the_reason(name, image, tmp_path):
    make, code, words = LOAD_FAILURES[name]
    with pytest.raises(kavoxm.LoadError) as failure:
        kavoxm.Module(make(str(tmp_path), image))
    assert failure.value.code == code
    assert words in failure.value.reason and words in str(failure.value)
    assert isinstance(failure.value, kavoxm.KavoXMError)


def test_a_failing_reader_raises_its_own_error_as_the_cause(image):
    class Broken(io.RawIOBase):
        def readable(self):
            return True

        def readinto(self, buffer):
            raise OSError(5, "disk on fire")

    with pytest.raises(kavoxm.LoadError) as failure:
        kavoxm.Module(Broken())
    assert failure.value.code == kavoxm.ERROR_READ
    assert "disk on fire" in str(failure.value)
    assert isinstance(failure.value.__cause__, OSError)


@pytest.mark.parametrize("source, error", [
    (io.StringIO("text"), TypeError),
    (12345, TypeError),
    ("song\0.xm", ValueError),
], ids=["text file", "an integer", "NUL in the path"])
def test_sources_that_are_no_song_are_refused(source, error):
    with pytest.raises(error):
        kavoxm.Module(source)


CLOSED_CALLS = {
    "render": lambda m: m.render(1),
    "state": lambda m: m.state,
    "duration": lambda m: m.duration,
    "seek": lambda m: m.seek(1),
    "repeat": lambda m: setattr(m, "repeat", 1),
    "cell": lambda m: m.cell(0, 0, 0),
    "title": lambda m: m.title,
    "play": lambda m: m.play(),
}


@pytest.mark.parametrize("call", list(CLOSED_CALLS))
def test_a_closed_module_says_so(call, image):
    with kavoxm.Module(image) as song:
        pass
    assert song.closed
    with pytest.raises(kavoxm.ClosedError, match="closed"):
        CLOSED_CALLS[call](song)
    song.close()  # closing again is allowed
