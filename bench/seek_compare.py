#!/usr/bin/env python3
"""Seek times by song time: KavoXM's kavoxm_seek_seconds against libopenmpt's
openmpt_module_set_position_seconds (Debian's libopenmpt.so.0, called as a black box through
its public C API), at 10, 50 and 99 % of a song. For each point: the first seek on a fresh
handle (KavoXM measures the song and takes its snapshots then) and the median of repeated
seeks on a warm handle, wall time.
Usage: bench/seek_compare.py LIBKAVOXM SONG [REPEATS]"""
import ctypes
import statistics
import sys
import time


def kavoxm(lib_path):
    lib = ctypes.CDLL(lib_path)
    lib.kavoxm_load_memory.argtypes = [ctypes.c_char_p, ctypes.c_size_t,
                                       ctypes.POINTER(ctypes.c_void_p), ctypes.c_void_p]
    lib.kavoxm_seek_seconds.argtypes = [ctypes.c_void_p, ctypes.c_double]
    lib.kavoxm_duration.argtypes = [ctypes.c_void_p]
    lib.kavoxm_duration.restype = ctypes.c_double
    lib.kavoxm_destroy.argtypes = [ctypes.c_void_p]

    def load(data):
        handle = ctypes.c_void_p()
        if lib.kavoxm_load_memory(data, len(data), ctypes.byref(handle), None) != 0:
            raise RuntimeError("KavoXM cannot load the song")
        return handle
    return load, lambda h, t: lib.kavoxm_seek_seconds(h, t), lib.kavoxm_duration, lib.kavoxm_destroy


def openmpt():
    lib = ctypes.CDLL("libopenmpt.so.0")
    lib.openmpt_module_create_from_memory2.restype = ctypes.c_void_p
    lib.openmpt_module_create_from_memory2.argtypes = [ctypes.c_char_p, ctypes.c_size_t] + [ctypes.c_void_p] * 7
    lib.openmpt_module_set_position_seconds.argtypes = [ctypes.c_void_p, ctypes.c_double]
    lib.openmpt_module_set_position_seconds.restype = ctypes.c_double
    lib.openmpt_module_get_duration_seconds.argtypes = [ctypes.c_void_p]
    lib.openmpt_module_get_duration_seconds.restype = ctypes.c_double
    lib.openmpt_module_destroy.argtypes = [ctypes.c_void_p]

    def load(data):
        handle = lib.openmpt_module_create_from_memory2(data, len(data), *([None] * 7))
        if not handle:
            raise RuntimeError("libopenmpt cannot load the song")
        return handle
    return (load, lib.openmpt_module_set_position_seconds, lib.openmpt_module_get_duration_seconds,
            lib.openmpt_module_destroy)


def measure(name, api, data, repeats):
    load, seek, duration, destroy = api
    probe = load(data)
    length = duration(probe)
    destroy(probe)
    for share in (0.10, 0.50, 0.99):
        target = length * share
        handle = load(data)
        began = time.perf_counter()
        seek(handle, target)
        first = time.perf_counter() - began
        warm = []
        for _ in range(repeats):
            began = time.perf_counter()
            seek(handle, target)
            warm.append(time.perf_counter() - began)
        destroy(handle)
        print(f"{name:9} {share:4.0%} of {length:7.2f} s: first {first * 1e3:8.3f} ms, "
              f"warm median {statistics.median(warm) * 1e3:7.3f} ms, worst {max(warm) * 1e3:7.3f} ms")


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    data = open(sys.argv[2], "rb").read()
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 21
    measure("KavoXM", kavoxm(sys.argv[1]), data, repeats)
    measure("libopenmpt", openmpt(), data, repeats)
    return 0


if __name__ == "__main__":
    sys.exit(main())
