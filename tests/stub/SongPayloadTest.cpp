// The trailer a generated player checks at start: every way a file can be damaged is refused
// with its own state, and an intact one gives back the song's place and the settings.
#include "tools/stub/SongPayload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr size_t StubBytes = 100, SongBytes = 300;

struct Player {
    std::vector<uint8_t> file;
    TSongSettings settings;
};

// A fake stub, a song and its trailer.
Player MakePlayer(const TSongSettings& settings = {}) {
    Player p;
    p.settings = settings;
    for (size_t i = 0; i < StubBytes + SongBytes; ++i) p.file.push_back(uint8_t(i * 7 + 3));
    uint8_t trailer[SongTrailerBytes];
    BuildSongTrailer(p.file.data() + StubBytes, SongBytes, settings, trailer);
    p.file.insert(p.file.end(), trailer, trailer + SongTrailerBytes);
    return p;
}

TSongPayload Read(const std::vector<uint8_t>& file) {
    uint8_t trailer[SongTrailerBytes] = {};
    const size_t tail = std::min(file.size(), SongTrailerBytes);
    std::memcpy(trailer, file.data() + file.size() - tail, tail);
    TSongPayload payload = ReadSongTrailer(trailer, tail, file.size());
    CheckSongPayload(payload, file.data() + payload.SongOffset, trailer);
    return payload;
}

size_t FromEnd(const std::vector<uint8_t>& file, size_t back) {
    return file.size() - back;
}

struct DamageCase {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    TPayloadState expected;
};

class PayloadDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(PayloadDamage, IsRefusedWithItsState) {
    Player p = MakePlayer();
    GetParam().damage(p.file);
    EXPECT_EQ(Read(p.file).State, GetParam().expected);
    EXPECT_STRNE(PayloadStateText(GetParam().expected), "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, PayloadDamage,
    ::testing::Values(
        DamageCase{"OneByteCutFromTheEnd", [](auto& f) { f.pop_back(); }, TPayloadState::NoSong},
        DamageCase{"TrailerOnly", [](auto& f) { f.erase(f.begin(), f.end() - 24); },
                   TPayloadState::Truncated},
        DamageCase{"MoreCutThanTheStubHolds",
                   [](auto& f) { f.erase(f.begin() + 50, f.begin() + 200); },
                   TPayloadState::Truncated},
        // The song lies before the trailer whatever comes before it.
        DamageCase{"StubPartCutKeepsTheSong",
                   [](auto& f) { f.erase(f.begin() + 10, f.begin() + 20); }, TPayloadState::Found},
        DamageCase{"SongByteChanged", [](auto& f) { f[StubBytes + 10] ^= 1; },
                   TPayloadState::Damaged},
        DamageCase{"LastSongByteChanged", [](auto& f) { f[FromEnd(f, 25)] ^= 0x80; },
                   TPayloadState::Damaged},
        DamageCase{"VolumeChanged", [](auto& f) { f[FromEnd(f, 20)] ^= 1; },
                   TPayloadState::Damaged},
        DamageCase{"InterpolationChanged", [](auto& f) { f[FromEnd(f, 16)] ^= 1; },
                   TPayloadState::Damaged},
        DamageCase{"SongFormChanged", [](auto& f) { f[FromEnd(f, 13)] = 1; },
                   TPayloadState::Damaged},
        DamageCase{"UnknownSongForm", [](auto& f) { f[FromEnd(f, 13)] = 2; },
                   TPayloadState::Damaged},
        DamageCase{"ChecksumChanged", [](auto& f) { f[FromEnd(f, 10)] ^= 1; },
                   TPayloadState::Damaged},
        DamageCase{"MagicChanged", [](auto& f) { f.back() ^= 1; }, TPayloadState::NoSong},
        DamageCase{"SongLengthGrown", [](auto& f) { f[FromEnd(f, 24)] += 1; },
                   TPayloadState::Damaged},
        DamageCase{"SongLengthBeyondTheFile", [](auto& f) { f[FromEnd(f, 22)] = 0x10; },
                   TPayloadState::Truncated},
        DamageCase{"Empty", [](auto& f) { f.clear(); }, TPayloadState::NoSong},
        DamageCase{"ShorterThanATrailer", [](auto& f) { f.resize(10); }, TPayloadState::NoSong}),
    [](const auto& info) { return std::string(info.param.name); });

struct SettingsCase {
    const char* name;
    TSongSettings settings;
    TPayloadState expected;
};

class PayloadSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(PayloadSettings, RoundTripOrAreRefused) {
    const Player p = MakePlayer(GetParam().settings);
    const TSongPayload payload = Read(p.file);
    ASSERT_EQ(payload.State, GetParam().expected);
    if (payload.State != TPayloadState::Found) return;
    EXPECT_EQ(payload.SongOffset, StubBytes);
    EXPECT_EQ(payload.SongSize, SongBytes);
    EXPECT_EQ(payload.Settings.MasterVolume, GetParam().settings.MasterVolume);
    EXPECT_EQ(payload.Settings.Interpolation, GetParam().settings.Interpolation);
    EXPECT_EQ(payload.Settings.StereoSeparation, GetParam().settings.StereoSeparation);
    EXPECT_EQ(payload.Settings.Loops, GetParam().settings.Loops);
    EXPECT_EQ(payload.Settings.Packed, GetParam().settings.Packed);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PayloadSettings,
    ::testing::Values(
        SettingsCase{"Defaults", {}, TPayloadState::Found},
        SettingsCase{"Highest", {256, 2, 200, 1000}, TPayloadState::Found},
        SettingsCase{"Lowest", {0, 0, 0, 0}, TPayloadState::Found},
        SettingsCase{"Linear", {230, 1, 37, 3}, TPayloadState::Found},
        SettingsCase{"VolumeTooHigh", {257, 2, 100, 1}, TPayloadState::BadSettings},
        SettingsCase{"UnknownInterpolation", {128, 3, 100, 1}, TPayloadState::BadSettings},
        SettingsCase{"SeparationTooWide", {128, 2, 201, 1}, TPayloadState::BadSettings},
        SettingsCase{"TooManyLoops", {128, 2, 100, 1001}, TPayloadState::BadSettings}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Crc32, MatchesTheCheckValueOfZlib) {
    const char* text = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
    // In two pieces, continued.
    const uint32_t first = Crc32(reinterpret_cast<const uint8_t*>(text), 4);
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(text) + 4, 5, first), 0xCBF43926u);
}

} // namespace
