// Pattern headers by version, packed and unpacked cells, row-count bounds.
#include "XMTestSupport.h"

#include <gtest/gtest.h>
#include <string>

using namespace xmbuilder;
using xmtest::Load;
using xmtest::MinimalSong;
using xmtest::NewModule;

namespace {

const TKavoXMPatternNote kFull{49, 2, 0x30, 0x0A, 0x21};
const TKavoXMPatternNote kPartial{97, 0, 0, 0x0F, 0};

// A song with two patterns and one sampled instrument, so that every section of a layout
// is present.
XMSong LayoutSong(uint16_t version, XMPacking packing) {
    XMSong song = MinimalSong();
    song.Version = version;
    song.Channels = 3;
    song.Patterns.resize(2);
    for (auto& p : song.Patterns) p.Packing = packing;
    song.Patterns[0].Rows = 4;
    song.Patterns[0].Put(0, 0, {49, 2, 0x30, 0x0A, 0x21}).Put(3, 2, {97, 0, 0, 0x0F, 0});
    song.Patterns[1].Rows = 2;
    song.Patterns[1].Put(1, 1, {49, 2, 0x30, 0x0A, 0x21});
    for (int k = 0; k < 2; ++k) {
        XMInstrument ins;
        ins.Name = k == 0 ? "first" : "second";
        XMSample s;
        s.Left = {k + 1, -3, 7};
        ins.Samples = {s, s};
        ins.Samples[1].Left = {10 * (k + 1)};
        song.Instruments.push_back(ins);
    }
    return song;
}

} // namespace

struct LayoutCase {
    uint16_t version;
    XMPacking packing;
};

class XMLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(XMLayouts, EveryLayoutGivesTheSameSong) {
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(LayoutSong(GetParam().version, GetParam().packing))));
    const TKavoXMPattern& p0 = *module->Patterns[0];
    EXPECT_EQ(p0.RowCount, 4);
    EXPECT_EQ(p0.GetNote(0, 0), kFull);
    EXPECT_EQ(p0.GetNote(3, 2), kPartial);
    EXPECT_EQ(p0.GetNote(1, 1), TKavoXMPatternNote{});
    EXPECT_EQ(module->Patterns[1]->RowCount, 2);
    EXPECT_EQ(module->Patterns[1]->GetNote(1, 1), kFull);
    for (int32_t i = 1; i <= 2; ++i) {
        const TKavoXMSample* a = xmtest::SampleOf(*module, i, 0);
        const TKavoXMSample* b = xmtest::SampleOf(*module, i, 1);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(xmtest::Values(*a, 0, 3), (std::vector<int32_t>{i * 256, -3 * 256, 7 * 256}));
        EXPECT_EQ(xmtest::Values(*b, 0, 1), (std::vector<int32_t>{10 * i * 256}));
    }
    EXPECT_EQ(module->Instruments[2]->Name, "second");
}

INSTANTIATE_TEST_SUITE_P(Versions, XMLayouts,
                         ::testing::Values(LayoutCase{0x0102, XMPacking::Packed},
                                           LayoutCase{0x0103, XMPacking::Packed},
                                           LayoutCase{0x0104, XMPacking::Packed},
                                           LayoutCase{0x0102, XMPacking::Unpacked},
                                           LayoutCase{0x0104, XMPacking::Unpacked}),
                         [](const auto& info) {
                             return "v" + std::to_string(info.param.version) +
                                    (info.param.packing == XMPacking::Packed ? "_packed"
                                                                             : "_unpacked");
                         });

TEST(XMPatterns, OldFormStoresRowsMinusOne) {
    XMSong song = MinimalSong();
    song.Version = 0x0102;
    song.Patterns[0].Rows = 64; // stored as 63
    song.Patterns[0].Put(63, 3, {1, 0, 0, 0, 0});
    song.Patterns.push_back(XMPattern{});
    song.Patterns[1].Rows = 256; // stored as 255
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Patterns[0]->RowCount, 64);
    EXPECT_EQ(module->Patterns[0]->GetNote(63, 3).Note, 1);
    EXPECT_EQ(module->Patterns[1]->RowCount, 256);
}

TEST(XMPatterns, MaskBytesSelectTheFieldsThatFollow) {
    XMSong song = MinimalSong();
    song.Channels = 1;
    song.Patterns[0].Rows = 6;
    song.Patterns[0].RawData = std::vector<uint8_t>{
        0x80,                      // empty cell, one byte
        0x9F, 0x81, 5,    6, 7, 8, // all five fields after a mask (note above 0x7F)
        0x82, 255,                 // instrument 255 means none
        0x98, 0x0E, 0xC5,          // effect and parameter only
        0xE1, 12,                  // bits 5 and 6 are ignored
        20,   255,  0x10, 1, 2,    // a plain five-byte cell with instrument 255
    };
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    const TKavoXMPattern& p = *module->Patterns[0];
    EXPECT_EQ(p.GetNote(0, 0), TKavoXMPatternNote{});
    EXPECT_EQ(p.GetNote(1, 0), (TKavoXMPatternNote{0x81, 5, 6, 7, 8}));
    EXPECT_EQ(p.GetNote(2, 0), TKavoXMPatternNote{});
    EXPECT_EQ(p.GetNote(3, 0), (TKavoXMPatternNote{0, 0, 0, 0x0E, 0xC5}));
    EXPECT_EQ(p.GetNote(4, 0), (TKavoXMPatternNote{12, 0, 0, 0, 0}));
    EXPECT_EQ(p.GetNote(5, 0), (TKavoXMPatternNote{20, 0, 0x10, 1, 2}));
}

// A longer pattern header is skipped: the cells start after it.
TEST(XMPatterns, PatternHeaderLengthIsSkippedAndPackedSizeMovesOn) {
    XMSong song = MinimalSong();
    song.Channels = 1;
    song.Patterns.resize(2);
    song.Patterns[0].HeaderLength = 272;
    song.Patterns[0].Rows = 1;
    // Two bytes more than one cell uses: the next header still starts at the packed size.
    song.Patterns[0].RawData = std::vector<uint8_t>{0x81, 33, 0xAA, 0xBB};
    song.Patterns[1].Rows = 2;
    song.Patterns[1].Put(1, 0, {44, 0, 0, 0, 0});
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Patterns[0]->GetNote(0, 0).Note, 33);
    EXPECT_EQ(module->Patterns[1]->RowCount, 2);
    EXPECT_EQ(module->Patterns[1]->GetNote(1, 0).Note, 44);
}

// A header length below the fields, or one that would run past the image, is not skipped: the
// cells follow the fields.
class XMPatternHeaderLength : public testing::TestWithParam<uint32_t> {};

TEST_P(XMPatternHeaderLength, ThatCannotBeSkippedIsIgnored) {
    XMSong song = MinimalSong();
    song.Channels = 1;
    song.Patterns[0].HeaderLength = GetParam();
    song.Patterns[0].Rows = 1;
    song.Patterns[0].Put(0, 0, {33, 0, 0, 0, 0});
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Patterns[0]->GetNote(0, 0).Note, 33);
}

INSTANTIATE_TEST_SUITE_P(XMPatterns, XMPatternHeaderLength,
                         testing::Values(0u, 5u, 9u, 0x00100000u, 0xFFFFFFFFu),
                         [](const auto& info) { return "Length" + std::to_string(info.param); });

TEST(XMPatterns, CellsPastThePackedSizeAreEmpty) {
    XMSong song = MinimalSong();
    song.Channels = 1;
    song.Patterns.resize(2);
    song.Patterns[0].Rows = 3;
    // The packed size ends inside the second cell: its missing field reads 0, and the third
    // cell is not decoded from the next pattern's header.
    song.Patterns[0].RawData = std::vector<uint8_t>{0x81, 7, 0x83, 8};
    song.Patterns[0].PackedSizeOverride = 3;
    song.Patterns[1].Rows = 1;
    song.Patterns[1].Put(0, 0, {50, 0, 0, 0, 0});
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    const TKavoXMPattern& p = *module->Patterns[0];
    EXPECT_EQ(p.GetNote(0, 0).Note, 7);
    EXPECT_EQ(p.GetNote(1, 0), TKavoXMPatternNote{});
    EXPECT_EQ(p.GetNote(2, 0), TKavoXMPatternNote{});
    EXPECT_LE(p.Notes.size(), size_t(3)); // no more cells than bytes of packed data
    // The next header is found 3 bytes on, where the packed size says.
    EXPECT_EQ(module->Patterns[1]->GetNote(0, 0).Note, 0);
}

TEST(XMPatterns, PackedSizeZeroGivesEmptyRowsWithoutStoredCells) {
    XMSong song = MinimalSong();
    song.Patterns[0].Rows = 64;
    song.Patterns[0].RawData = std::vector<uint8_t>{};
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    const TKavoXMPattern& p = *module->Patterns[0];
    EXPECT_EQ(p.RowCount, 64);
    EXPECT_EQ(p.ChannelCount, 4);
    EXPECT_TRUE(p.Notes.empty());
    for (int32_t r = 0; r <= 64; ++r) EXPECT_EQ(p.GetNote(r, 3), TKavoXMPatternNote{});
}

class XMPatternRowBound : public ::testing::TestWithParam<uint16_t> {};

TEST_P(XMPatternRowBound, KeepsTheRowCountButStoresNoCells) {
    XMSong song = MinimalSong();
    song.Patterns.resize(2);
    song.Patterns[0].Rows = GetParam();
    song.Patterns[0].RawData = std::vector<uint8_t>(40, 0x81); // skipped as a whole
    song.Patterns[1].Rows = 1;
    song.Patterns[1].Put(0, 2, {60, 0, 0, 0, 0});
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Patterns[0]->RowCount, GetParam());
    EXPECT_EQ(module->Patterns[0]->ChannelCount, 4);
    EXPECT_TRUE(module->Patterns[0]->Notes.empty());
    EXPECT_EQ(module->Patterns[0]->GetNote(0, 0), TKavoXMPatternNote{});
    EXPECT_EQ(module->Patterns[1]->GetNote(0, 2).Note, 60);
}

INSTANTIATE_TEST_SUITE_P(Rows, XMPatternRowBound, ::testing::Values(0, 257, 1000, 65535),
                         [](const auto& info) { return std::to_string(info.param) + "Rows"; });

TEST(XMPatterns, RowCountsUpTo256AreStored) {
    XMSong song = MinimalSong();
    song.Channels = 2;
    song.Patterns[0].Rows = 256;
    song.Patterns[0].Put(255, 1, {3, 0, 0, 0, 0});
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Patterns[0]->Notes.size(), size_t(256 * 2));
    EXPECT_EQ(module->Patterns[0]->GetNote(255, 1).Note, 3);
}

TEST(XMPatterns, ImageEndingInsidePackedData) {
    XMSong song = MinimalSong();
    song.Channels = 1;
    song.Patterns[0].Rows = 4;
    song.Patterns[0].Packing = XMPacking::Unpacked;
    song.Patterns[0].Put(0, 0, {10, 0, 0, 0, 0}).Put(3, 0, {11, 0, 0, 0, 0});
    auto image = BuildXM(song);
    image.resize(image.size() - 7); // cuts into the fourth cell, drops nothing of the first
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, image));
    EXPECT_EQ(module->Patterns[0]->GetNote(0, 0).Note, 10);
    EXPECT_EQ(module->Patterns[0]->GetNote(3, 0), TKavoXMPatternNote{});
}
