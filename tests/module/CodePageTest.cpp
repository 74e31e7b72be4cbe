// The code page of a song's names: chosen by the tracker name, and each byte's character.
#include "KavoXM/module/CodePage.h"
#include "KavoXM/capi/TextUtf8.h"
#include "KavoXM/capi/kavoxm.h"
#include "xmbuilder/XMBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TrackerCase {
    const char* name;
    const char* tracker;
    TKavoXMCodePage page;
};

class CodePageOfTrackerName : public testing::TestWithParam<TrackerCase> {};

TEST_P(CodePageOfTrackerName, Chosen) {
    EXPECT_EQ(CodePageOfTracker(GetParam().tracker), GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, CodePageOfTrackerName,
    testing::Values(TrackerCase{"FastTracker", "FastTracker v2.00   ", TKavoXMCodePage::Dos437},
                    TrackerCase{"MilkyTracker", "MilkyTracker 1.05.01", TKavoXMCodePage::Dos437},
                    TrackerCase{"Empty", "", TKavoXMCodePage::Dos437},
                    TrackerCase{"OpenMPT", "OpenMPT 1.31.06.00", TKavoXMCodePage::Windows1252},
                    TrackerCase{"ModPlug", "ModPlug Tracker 1.16", TKavoXMCodePage::Windows1252},
                    TrackerCase{"AnyCase", "openMPT", TKavoXMCodePage::Windows1252},
                    TrackerCase{"NotQuiteOpenMPT", "XpenMPT 1.20.00.39", TKavoXMCodePage::Dos437},
                    TrackerCase{"Cut", "OpenMP", TKavoXMCodePage::Dos437}),
    [](const auto& info) { return std::string(info.param.name); });

struct ByteCase {
    const char* name;
    TKavoXMCodePage page;
    unsigned byte;
    uint32_t codePoint;
};

class HighByte : public testing::TestWithParam<ByteCase> {};

TEST_P(HighByte, CodePoint) {
    EXPECT_EQ(HighCodePoint(GetParam().page, uint8_t(GetParam().byte)), GetParam().codePoint);
}

constexpr auto Dos = TKavoXMCodePage::Dos437;
constexpr auto Win = TKavoXMCodePage::Windows1252;

INSTANTIATE_TEST_SUITE_P(
    CodePage, HighByte,
    testing::Values(
        ByteCase{"DosCCedilla", Dos, 0x80, 0x00C7}, ByteCase{"DosARing", Dos, 0x86, 0x00E5},
        ByteCase{"DosPeseta", Dos, 0x9E, 0x20A7}, ByteCase{"DosLightShade", Dos, 0xB0, 0x2591},
        ByteCase{"DosBoxCorner", Dos, 0xDA, 0x250C}, ByteCase{"DosSharpS", Dos, 0xE1, 0x00DF},
        ByteCase{"DosNoBreakSpace", Dos, 0xFF, 0x00A0}, ByteCase{"WinEuro", Win, 0x80, 0x20AC},
        ByteCase{"WinDagger", Win, 0x86, 0x2020}, ByteCase{"WinUndefined", Win, 0x81, 0},
        ByteCase{"WinLatin1", Win, 0xE5, 0x00E5}, ByteCase{"AsciiIsNoHighByte", Dos, 0x41, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The title of a FastTracker 2 song with byte 0x86: "å" in code page 437, "†" in Windows-1252.
TEST(CodePage, TheSameBytesInBothPages) {
    const std::string title = "Gummib\x86t til salgs 2";
    EXPECT_EQ(TextUtf8(title, Dos), "Gummib\xC3\xA5t til salgs 2");
    EXPECT_EQ(TextUtf8(title, Win), "Gummib\xE2\x80\xA0t til salgs 2");
    EXPECT_EQ(TextUtf8("\x01\xB3\x7F\xC4\x1B", Dos), "\xE2\x94\x82\xE2\x94\x80"); // │─, no controls
}

struct SongTextCase {
    const char* name;
    const char* tracker;
    const char* title; // UTF-8, as the C API gives it
};

class SongTitle : public testing::TestWithParam<SongTextCase> {};

// The C API (and so Python and the web page) reads the title in the page the tracker chose.
TEST_P(SongTitle, ThroughTheCApi) {
    xmbuilder::XMSong song;
    song.Channels = 1;
    song.Patterns.push_back({});
    song.Name = "Gummib\x86t \xE9";
    song.TrackerName = GetParam().tracker;
    const std::vector<uint8_t> image = xmbuilder::BuildXM(song);
    kavoxm_module* module = nullptr;
    ASSERT_EQ(kavoxm_load_memory(image.data(), image.size(), &module, nullptr), KAVOXM_OK);
    char title[64] = {};
    const int64_t length =
        kavoxm_get_text(module, KAVOXM_TEXT_TITLE, 0, KAVOXM_TEXT_UTF8, title, sizeof title);
    kavoxm_destroy(module);
    EXPECT_EQ(length, int64_t(std::string(GetParam().title).size()));
    EXPECT_EQ(std::string(title), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, SongTitle,
    testing::Values(SongTextCase{"FastTracker", "FastTracker v2.00", "Gummib\xC3\xA5t \xCE\x98"},
                    SongTextCase{"MilkyTracker", "MilkyTracker 1.05.01",
                                 "Gummib\xC3\xA5t \xCE\x98"},
                    SongTextCase{"OpenMPT", "OpenMPT 1.31.06.00", "Gummib\xE2\x80\xA0t \xC3\xA9"},
                    SongTextCase{"ModPlug", "ModPlug Tracker", "Gummib\xE2\x80\xA0t \xC3\xA9"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
