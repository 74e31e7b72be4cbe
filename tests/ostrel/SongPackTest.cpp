// The LZ packing of carried songs: every input comes back unchanged, and no packed input,
// however damaged, unpacks into anything but the whole original or a refusal.
#include "Ostrel/SongPack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return bytes;
}

std::vector<uint8_t> Sombrevallis() {
    std::ifstream in(std::filesystem::path(KAVOXM_SOURCE_DIR) / "Ostrel" / "Sombrevallis.xm",
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct PackCase {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
};

class SongPackRoundTrip : public ::testing::TestWithParam<PackCase> {};

TEST_P(SongPackRoundTrip, UnpacksToTheOriginal) {
    const std::vector<uint8_t> original = GetParam().make();
    const std::vector<uint8_t> packed = PackSong(original.data(), original.size());
    std::vector<uint8_t> unpacked;
    ASSERT_TRUE(UnpackSong(packed.data(), packed.size(), unpacked));
    EXPECT_TRUE(unpacked == original) << original.size() << " bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SongPackRoundTrip,
    ::testing::Values(
        PackCase{"Empty", [] { return std::vector<uint8_t>(); }},
        PackCase{"OneByte", [] { return std::vector<uint8_t>{42}; }},
        PackCase{"ShorterThanAMatch",
                 [] {
                     return std::vector<uint8_t>{1, 1};
                 }},
        // Literal counts of exactly 15 and 15 + 255 end their continuation differently.
        PackCase{"Noise15", [] { return Noise(15, 1); }},
        PackCase{"Noise270", [] { return Noise(270, 2); }},
        PackCase{"Noise525", [] { return Noise(525, 3); }},
        PackCase{"NoiseLarge", [] { return Noise(200000, 4); }},
        PackCase{"RunOf18", [] { return std::vector<uint8_t>(18, 7); }},
        PackCase{"RunOf274", [] { return std::vector<uint8_t>(274, 7); }},
        PackCase{"LongRun", [] { return std::vector<uint8_t>(100000, 0); }},
        PackCase{"RepeatBeyondTheWindow",
                 [] {
                     std::vector<uint8_t> block = Noise(70000, 5), twice = block;
                     twice.insert(twice.end(), block.begin(), block.end());
                     return twice;
                 }},
        PackCase{"Sombrevallis", Sombrevallis}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SongPack, PacksSombrevallisToAThird) {
    const std::vector<uint8_t> song = Sombrevallis();
    ASSERT_GT(song.size(), 20000u);
    EXPECT_LT(PackSong(song.data(), song.size()).size(), song.size() / 3);
}

TEST(SongPack, EveryCutOfAPackedSongIsRefused) {
    const std::vector<uint8_t> song = Sombrevallis();
    const std::vector<uint8_t> packed = PackSong(song.data(), song.size());
    std::vector<uint8_t> out;
    for (size_t size = 0; size < packed.size(); size += 1 + size / 64) {
        EXPECT_FALSE(UnpackSong(packed.data(), size, out)) << "cut at " << size;
        EXPECT_TRUE(out.empty());
    }
}

struct DamageCase {
    const char* name;
    std::vector<uint8_t> packed;
};

class SongPackDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(SongPackDamage, IsRefused) {
    std::vector<uint8_t> out{1, 2, 3};
    EXPECT_FALSE(UnpackSong(GetParam().packed.data(), GetParam().packed.size(), out, 1 << 20));
    EXPECT_TRUE(out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SongPackDamage,
    ::testing::Values(DamageCase{"NoLength", {1, 0}},
                      DamageCase{"LongerThanTheLimit", {0, 0, 0x20, 0, 0x00}},
                      DamageCase{"LiteralsMissing", {3, 0, 0, 0, 0x30, 'a'}},
                      DamageCase{"ZeroDistance", {6, 0, 0, 0, 0x10, 'a', 0, 0, 0x00}},
                      DamageCase{"DistanceBeforeTheStart", {6, 0, 0, 0, 0x10, 'a', 2, 0, 0x00}},
                      DamageCase{"MatchPastTheLength", {3, 0, 0, 0, 0x11, 'a', 1, 0, 0x00}},
                      DamageCase{"ShortOfTheLength", {5, 0, 0, 0, 0x20, 'a', 'b'}},
                      DamageCase{"BytesAfterTheEnd", {2, 0, 0, 0, 0x20, 'a', 'b', 0x00, 0x00}},
                      DamageCase{"CountNeverEnds", {40, 0, 0, 0, 0xF0, 255, 255}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
