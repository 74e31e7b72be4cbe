"""Shared fixtures: the song the tests play (KAVOXM_SONG) and the tool they compare with."""

import os

import pytest

SONG = os.environ.get("KAVOXM_SONG", "")


@pytest.fixture(scope="session")
def song_path():
    if not os.path.isfile(SONG):
        pytest.skip(f"song {SONG!r} not found (KAVOXM_SONG)")
    return SONG


@pytest.fixture(scope="session")
def image(song_path):
    with open(song_path, "rb") as file:
        return file.read()
