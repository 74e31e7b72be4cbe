#include "SongPayload.h"

#include <cstring>

namespace {

// Trailer layout, little-endian: stored song size (4), master volume (2), stereo separation
// (2), interpolation (1), loops (2), song form (1: 0 as it is, 1 packed), CRC-32 of the stored
// song and the twelve bytes before it (4), magic (8).
constexpr size_t CrcAt = 12, MagicAt = 16;

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}
uint32_t Get16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uint8_t* p) {
    return Get16(p) | Get16(p + 2) << 16;
}

uint32_t TrailerCrc(const uint8_t* song, uint32_t songSize, const uint8_t* trailer) {
    return Crc32(trailer, CrcAt, Crc32(song, songSize));
}

} // namespace

bool ValidSongSettings(const TSongSettings& s) {
    return s.MasterVolume >= 0 && s.MasterVolume <= 256 && s.Interpolation >= 0 &&
           s.Interpolation <= 2 && s.StereoSeparation >= 0 && s.StereoSeparation <= 200 &&
           s.Loops >= 0 && s.Loops <= 1000;
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int32_t bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void BuildSongTrailer(const uint8_t* song, uint32_t songSize, const TSongSettings& settings,
                      uint8_t (&out)[SongTrailerBytes]) {
    std::memset(out, 0, sizeof out);
    Put32(out, songSize);
    Put16(out + 4, uint32_t(settings.MasterVolume));
    Put16(out + 6, uint32_t(settings.StereoSeparation));
    out[8] = uint8_t(settings.Interpolation);
    Put16(out + 9, uint32_t(settings.Loops));
    out[11] = settings.Packed ? 1 : 0;
    Put32(out + CrcAt, TrailerCrc(song, songSize, out));
    std::memcpy(out + MagicAt, SongTrailerMagic, 8);
}

TSongPayload ReadSongTrailer(const uint8_t* tail, size_t tailSize, uint64_t fileSize) {
    TSongPayload payload;
    if (tailSize < SongTrailerBytes || fileSize < SongTrailerBytes ||
        std::memcmp(tail + MagicAt, SongTrailerMagic, 8) != 0)
        return payload;
    payload.SongSize = Get32(tail);
    payload.Settings.MasterVolume = int32_t(Get16(tail + 4));
    payload.Settings.StereoSeparation = int32_t(Get16(tail + 6));
    payload.Settings.Interpolation = tail[8];
    payload.Settings.Loops = int32_t(Get16(tail + 9));
    payload.Settings.Packed = tail[11] == 1;
    if (payload.SongSize > SongPayloadLimit ||
        uint64_t(payload.SongSize) > fileSize - SongTrailerBytes) {
        payload.State = TPayloadState::Truncated;
        return payload;
    }
    payload.SongOffset = size_t(fileSize - SongTrailerBytes - payload.SongSize);
    payload.State = TPayloadState::Found;
    return payload;
}

void CheckSongPayload(TSongPayload& payload, const uint8_t* song,
                      const uint8_t (&trailer)[SongTrailerBytes]) {
    if (payload.State != TPayloadState::Found) return;
    if (TrailerCrc(song, payload.SongSize, trailer) != Get32(trailer + CrcAt) || trailer[11] > 1)
        payload.State = TPayloadState::Damaged;
    else if (!ValidSongSettings(payload.Settings))
        payload.State = TPayloadState::BadSettings;
}

const char* PayloadStateText(TPayloadState state) {
    switch (state) {
    case TPayloadState::Found:
        return "the song is intact";
    case TPayloadState::NoSong:
        return "no complete song is attached to this player (a bare stub, or a file cut short; "
               "`kavoxm exe SONG.xm` makes a player)";
    case TPayloadState::Truncated:
        return "the song attached to this player is incomplete (the file was cut short)";
    case TPayloadState::Damaged:
        return "the song attached to this player is damaged (its checksum does not match)";
    case TPayloadState::BadSettings:
        return "the playback settings attached to this player are out of range";
    }
    return "unknown state";
}
