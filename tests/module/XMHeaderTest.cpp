// The module header, order table, layouts by version and pattern decoding.
#include "XMTestSupport.h"

#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/sequencer/Channel.h"

#include <gtest/gtest.h>

using namespace xmbuilder;
using xmtest::Load;
using xmtest::MinimalSong;
using xmtest::NewModule;

TEST(XMHeader, LoadsHeaderFields) {
    XMSong song = MinimalSong();
    song.Name = "  Song Name  ";
    song.Channels = 6;
    song.SongLength = 3;
    song.RestartPosition = 1;
    song.Speed = 4;
    song.Tempo = 85;
    song.Flags = 0;
    song.Orders[0] = 0;
    song.Orders[1] = 0;
    song.Orders[200] = 7;
    auto module = NewModule();
    module->PatternChannels[3]->InitialPanning = 5;
    TKavoXMLoadInfo info;
    const auto image = BuildXM(song);
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_TRUE(module->Loaded);
    EXPECT_EQ(module->Name, "Song Name");
    EXPECT_EQ(module->ChannelCount, 6);
    EXPECT_EQ(module->SongLength, 3);
    EXPECT_EQ(module->RestartPosition, 1);
    EXPECT_EQ(module->InitialSpeed, 4);
    EXPECT_EQ(module->InitialTempo, 85);
    EXPECT_EQ(module->Speed, 4);
    EXPECT_EQ(module->Tempo, 85);
    EXPECT_FALSE(module->LinearFrequencies);
    EXPECT_EQ(module->Orders[200], 7); // all 256 order bytes are kept
    EXPECT_EQ(module->PatternChannels[3]->InitialPanning, 128);
    EXPECT_EQ(info.Version, 0x0104);
    EXPECT_EQ(info.PatternCount, 1);
    EXPECT_EQ(info.InstrumentCount, 0);
    EXPECT_EQ(module->Patterns[0]->RowCount, 64);
}

TEST(XMHeader, SpeedAndTempoUseTheLowByteAndDefaults) {
    XMSong song = MinimalSong();
    song.Speed = 0;
    song.Tempo = 300;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->InitialSpeed, 6);
    EXPECT_EQ(module->InitialTempo, 44);
    song.Speed = 256 + 3;
    song.Tempo = 0;
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->InitialSpeed, 3);
    EXPECT_EQ(module->InitialTempo, 125);
}

TEST(XMHeader, SongLengthAbove256IsStoredAs256) {
    XMSong song = MinimalSong();
    for (auto& order : song.Orders) order = 0;
    for (uint16_t length : {256, 257, 65535}) {
        song.SongLength = length;
        auto module = NewModule();
        ASSERT_TRUE(Load(*module, BuildXM(song)));
        EXPECT_EQ(module->SongLength, 256) << length;
    }
}

struct RefusalCase {
    const char* what;
    void (*change)(XMSong&);
    bool loads;
};

class XMHeaderRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(XMHeaderRefusal, RefusesOrAcceptsAndLeavesAnEmptyModuleOnRefusal) {
    XMSong song = MinimalSong();
    song.Name = "refusal";
    GetParam().change(song);
    auto module = NewModule();
    const bool loaded = Load(*module, BuildXM(song));
    EXPECT_EQ(loaded, GetParam().loads);
    EXPECT_EQ(module->Loaded, loaded);
    if (!loaded) {
        EXPECT_TRUE(module->Name.empty());
        EXPECT_EQ(module->SongLength, 0);
        EXPECT_EQ(module->InitialSpeed, 6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMHeaderRefusal,
    ::testing::Values(
        RefusalCase{"id case differs", [](XMSong& s) { s.IdText = "Extended module: "; }, false},
        RefusalCase{"id without blank", [](XMSong& s) { s.IdText = "Extended Module:"; }, false},
        RefusalCase{"255 channels", [](XMSong& s) { s.Channels = 255; }, true},
        RefusalCase{"256 channels", [](XMSong& s) { s.Channels = 256; }, false},
        RefusalCase{"255 instruments",
                    [](XMSong& s) {
                        s.Instruments.resize(255);
                        for (auto& i : s.Instruments) i.HeaderSize = 29;
                    },
                    true},
        RefusalCase{"256 instruments", [](XMSong& s) { s.InstrumentCountOverride = 256; }, false},
        RefusalCase{"256 patterns", [](XMSong& s) { s.Patterns.resize(256); }, true},
        RefusalCase{"257 patterns", [](XMSong& s) { s.Patterns.resize(257); }, false},
        RefusalCase{"pattern header cut", [](XMSong& s) { s.PatternCountOverride = 2; }, false},
        RefusalCase{"instrument header missing", [](XMSong& s) { s.InstrumentCountOverride = 1; },
                    true}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (auto& c : name) c = std::isalnum(uint8_t(c)) ? c : '_';
        return name;
    });

TEST(XMHeader, ImageShorterThanTheHeaderIsRefused) {
    const auto image = BuildXM(MinimalSong());
    auto module = NewModule();
    EXPECT_FALSE(module->LoadFromMemory(image.data(), 335));
    EXPECT_FALSE(module->LoadFromMemory(nullptr, 0));
    EXPECT_FALSE(module->Loaded);
}

TEST(XMHeader, HeaderSizePositionsThePatterns) {
    XMSong song = MinimalSong();
    song.HeaderSize = 276 + 20; // 20 unknown bytes after the order table
    song.Patterns[0].Rows = 3;
    song.Patterns[0].Put(2, 1, XMCell{49, 1, 0x40, 0x0F, 3});
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Patterns[0]->RowCount, 3);
    EXPECT_EQ(module->Patterns[0]->GetNote(2, 1), (TKavoXMPatternNote{49, 1, 0x40, 0x0F, 3}));
}

struct PositionCase {
    const char* what;
    uint32_t headerSize;
    uint32_t instrumentHeaderSize;
    size_t patterns, instruments;
    bool loads;
};

class XMExtremePositions : public ::testing::TestWithParam<PositionCase> {};

// Header and instrument sizes take any 32-bit value without the position wrapping around.
TEST_P(XMExtremePositions, PositionsNeverWrap) {
    const PositionCase& c = GetParam();
    XMSong song;
    song.Patterns.resize(c.patterns);
    song.Instruments.resize(c.instruments);
    for (auto& ins : song.Instruments) ins.HeaderSize = 29;
    auto image = BuildXM(song); // normal header size, then the field is patched
    image[60] = uint8_t(c.headerSize);
    image[61] = uint8_t(c.headerSize >> 8);
    image[62] = uint8_t(c.headerSize >> 16);
    image[63] = uint8_t(c.headerSize >> 24);
    if (c.instrumentHeaderSize != 29 && c.instruments > 0) {
        const size_t at = 336 + c.patterns * (9 + 256); // first instrument (4 empty channels)
        image[at] = uint8_t(c.instrumentHeaderSize);
        image[at + 1] = uint8_t(c.instrumentHeaderSize >> 8);
        image[at + 2] = uint8_t(c.instrumentHeaderSize >> 16);
        image[at + 3] = uint8_t(c.instrumentHeaderSize >> 24);
    }
    auto module = NewModule();
    EXPECT_EQ(Load(*module, image), c.loads);
    EXPECT_EQ(module->Loaded, c.loads);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMExtremePositions,
    ::testing::Values(PositionCase{"header_size_max", 0x7FFFFFFF, 29, 1, 0, false},
                      PositionCase{"header_size_max_nothing_to_read", 0x7FFFFFFF, 29, 0, 0, true},
                      PositionCase{"header_size_negative", 0x80000000, 29, 1, 0, false},
                      PositionCase{"header_size_all_ones", 0xFFFFFFFF, 29, 0, 0, true},
                      // The second instrument lies past the image end; the first is kept.
                      PositionCase{"instrument_size_max", 276, 0x7FFFFFFF, 1, 2, true},
                      // Taken as the 29 bytes the header occupies.
                      PositionCase{"instrument_size_negative", 276, 0x80000000, 1, 2, true},
                      PositionCase{"instrument_size_last", 276, 0xFFFFFFFF, 1, 1, true}),
    [](const auto& info) { return std::string(info.param.what); });
