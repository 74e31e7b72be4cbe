#pragma once
// What `kavoxm exe` appends to a player stub: the song, then a fixed-size trailer at the very
// end of the file with the playback settings, the song's length, a CRC-32 of both and a magic
// value. The stub reads the trailer from the end of its own file and checks all of it before
// it trusts the song.
#include <cstddef>
#include <cstdint>

struct TSongSettings {
    int32_t MasterVolume = 128;     // 0..256
    int32_t Interpolation = 2;      // 0 nearest, 1 linear, 2 spline (the player's modes)
    int32_t StereoSeparation = 100; // 0..200 percent
    int32_t Loops = 1;              // passes through the song; 0 plays until stopped
    bool Packed = false;            // the song is stored in the packed form of Ostrel/SongPack.h
};

constexpr size_t SongTrailerBytes = 24;
// The last eight bytes of a generated player.
constexpr char SongTrailerMagic[9] = "KXMSONG1";
// The largest song a player carries.
constexpr uint32_t SongPayloadLimit = 512u << 20;

// Whether the settings are in range (the stub refuses others).
bool ValidSongSettings(const TSongSettings& settings);

// CRC-32 (the polynomial of zlib and PNG) of `size` bytes, continuing from `crc` (0 to start).
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

// The trailer for `song` of `songSize` bytes and `settings`.
void BuildSongTrailer(const uint8_t* song, uint32_t songSize, const TSongSettings& settings,
                      uint8_t (&out)[SongTrailerBytes]);

enum class TPayloadState {
    Found,       // the song and settings are intact
    NoSong,      // no trailer: a bare stub, or another file
    Truncated,   // the trailer names more bytes than the file holds
    Damaged,     // the checksum does not match, or the packed song does not unpack
    BadSettings, // intact, but the settings are out of range
};

struct TSongPayload {
    TPayloadState State = TPayloadState::NoSong;
    size_t SongOffset = 0; // where the song starts in the file
    uint32_t SongSize = 0;
    TSongSettings Settings;
};

// Reads the trailer at the end of a file of `fileSize` bytes whose last SongTrailerBytes
// (or fewer, for a smaller file) are `tail`. The song's place is known then; CheckSongPayload
// verifies it.
TSongPayload ReadSongTrailer(const uint8_t* tail, size_t tailSize, uint64_t fileSize);
// Checks the song bytes against the trailer's checksum (State Found becomes Damaged or
// BadSettings when they fail) given the trailer itself.
void CheckSongPayload(TSongPayload& payload, const uint8_t* song,
                      const uint8_t (&trailer)[SongTrailerBytes]);
// A message for each state but Found.
const char* PayloadStateText(TPayloadState state);
