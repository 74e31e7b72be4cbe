// Images that end early: instruments and samples read completely stay, the rest is left
// empty and counted; an image without its whole header or patterns is refused with a reason.
#include "XMTestSupport.h"

#include "KavoXM/module/XMLoadInfo.h"

#include <gtest/gtest.h>

#include <string>

using namespace xmbuilder;
using xmtest::NewModule;
using xmtest::SampleOf;

namespace {

// One empty pattern of 64 rows and 4 channels, then three instruments: {1, 2, 3, 4};
// {5, 6} and {7}; {8}.
XMSong ThreeInstruments(uint16_t version) {
    XMSong song = xmtest::MinimalSong();
    song.Version = version;
    song.Instruments.resize(3);
    const std::vector<std::vector<std::vector<int32_t>>> values = {
        {{1, 2, 3, 4}}, {{5, 6}, {7}}, {{8}}};
    for (size_t i = 0; i < 3; ++i) {
        for (const auto& v : values[i]) {
            XMSample s;
            s.Left = v;
            song.Instruments[i].Samples.push_back(s);
        }
    }
    return song;
}

// Offsets in the images of ThreeInstruments.
constexpr size_t HeaderEnd = 336;
constexpr size_t PatternBytes = 9 + 64 * 4;
constexpr size_t InstrumentHeader = 263;
size_t NewInstrument(int i) { // 0x0104: patterns, then each instrument with its data
    const size_t sizes[] = {InstrumentHeader + 40 + 4, InstrumentHeader + 80 + 3};
    size_t at = HeaderEnd + PatternBytes;
    for (int k = 1; k < i; ++k) at += sizes[k - 1];
    return at;
}
size_t OldInstrument(int i) { // 0x0103: instruments, patterns, then all sample data
    const size_t sizes[] = {InstrumentHeader + 40, InstrumentHeader + 80};
    size_t at = HeaderEnd;
    for (int k = 1; k < i; ++k) at += sizes[k - 1];
    return at;
}
const size_t OldPatterns = OldInstrument(3) + InstrumentHeader + 40;

struct CutCase {
    const char* what;
    uint16_t version;
    size_t cut;          // image bytes kept
    int32_t missing;     // instruments left empty (-1: the image is refused)
    const char* reason;  // refusal text
    int32_t samplesKept; // samples of the last instrument kept
};

class XMCutImages : public ::testing::TestWithParam<CutCase> {};

TEST_P(XMCutImages, KeepWhatWasReadCompletely) {
    const CutCase& c = GetParam();
    auto image = BuildXM(ThreeInstruments(c.version));
    ASSERT_LT(c.cut, image.size());
    image.resize(c.cut);
    auto module = NewModule();
    TKavoXMLoadInfo info;
    const bool loaded = module->LoadFromMemory(image.data(), int32_t(image.size()), &info);
    EXPECT_EQ(module->Loaded, loaded);
    if (c.missing < 0) {
        EXPECT_FALSE(loaded);
        EXPECT_STREQ(info.RefusalReason, c.reason);
        EXPECT_EQ(module->Instruments[1], nullptr);
        EXPECT_TRUE(module->Name.empty());
        return;
    }
    ASSERT_TRUE(loaded) << info.RefusalReason;
    EXPECT_STREQ(info.RefusalReason, "");
    EXPECT_EQ(info.InstrumentCount, 3);
    EXPECT_EQ(info.MissingInstruments, c.missing);
    const int32_t kept = 3 - c.missing;
    for (int32_t i = 1; i <= 3; ++i)
        EXPECT_EQ(module->Instruments[size_t(i)] != nullptr, i <= kept) << i;
    if (kept >= 1 && c.version >= 0x0104) {
        // The first instrument's data is whole whenever a later instrument header begins.
        EXPECT_EQ(xmtest::Values(*SampleOf(*module, 1, 0), 0, 4),
                  (std::vector<int32_t>{256, 512, 768, 1024}));
    }
    if (kept >= 1) {
        for (int32_t j = 0; j < 2; ++j)
            EXPECT_EQ(SampleOf(*module, kept, j) != nullptr, j < c.samplesKept) << j;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, XMCutImages,
    ::testing::Values(
        CutCase{"inside_the_module_header", 0x0104, 335, -1, "file too short for an XM header", 0},
        CutCase{"before_the_patterns", 0x0104, HeaderEnd, -1, "file ends before pattern 0 of 1", 0},
        CutCase{"inside_a_pattern_header", 0x0104, HeaderEnd + 5, -1,
                "file ends inside pattern 0 of 1", 0},
        CutCase{"inside_packed_data", 0x0104, HeaderEnd + PatternBytes - 1, -1,
                "file ends inside pattern 0 of 1", 0},
        CutCase{"before_the_instruments", 0x0104, NewInstrument(1), 3, "", 0},
        CutCase{"before_an_instrument_header", 0x0104, NewInstrument(2), 2, "", 1},
        CutCase{"inside_the_first_block", 0x0104, NewInstrument(2) + 28, 2, "", 1},
        CutCase{"inside_the_second_block", 0x0104, NewInstrument(2) + 242, 2, "", 1},
        CutCase{"inside_padding_after_the_blocks", 0x0104, NewInstrument(2) + 250, 1, "", 0},
        CutCase{"inside_a_sample_header", 0x0104, NewInstrument(2) + InstrumentHeader + 40 + 39, 1,
                "", 1},
        CutCase{"inside_sample_data", 0x0104, NewInstrument(3) + InstrumentHeader + 40, 0, "", 1},
        CutCase{"old_inside_an_instrument", 0x0103, OldInstrument(2) + 100, -1,
                "file ends before pattern 0 of 1", 0},
        CutCase{"old_inside_the_pattern", 0x0103, OldPatterns + 100, 0, "", 1},
        CutCase{"old_inside_sample_data", 0x0103, OldPatterns + PatternBytes + 5, 0, "", 1}),
    [](const auto& info) { return std::string(info.param.what); });

// With two patterns, the refusal names the pattern whose packed data the end cut, not the
// next one whose header is missing.
struct TwoPatternCut {
    const char* what;
    size_t cut;
    const char* reason;
};

class XMCutTwoPatterns : public ::testing::TestWithParam<TwoPatternCut> {};

TEST_P(XMCutTwoPatterns, NameThePatternCut) {
    XMSong song = ThreeInstruments(0x0104);
    song.Patterns.push_back(song.Patterns[0]);
    auto image = BuildXM(song);
    image.resize(GetParam().cut);
    auto module = NewModule();
    TKavoXMLoadInfo info;
    EXPECT_FALSE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_STREQ(info.RefusalReason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, XMCutTwoPatterns,
    ::testing::Values(TwoPatternCut{"first_packed_data", HeaderEnd + 20,
                                    "file ends inside pattern 0 of 2"},
                      TwoPatternCut{"first_packed_data_end", HeaderEnd + PatternBytes - 1,
                                    "file ends inside pattern 0 of 2"},
                      TwoPatternCut{"between_the_patterns", HeaderEnd + PatternBytes,
                                    "file ends before pattern 1 of 2"},
                      TwoPatternCut{"second_packed_data", HeaderEnd + 2 * PatternBytes - 1,
                                    "file ends inside pattern 1 of 2"}),
    [](const auto& info) { return std::string(info.param.what); });

// Without instruments, cells cut off by the image end read as empty and the song loads.
TEST(XMCutImages, PackedDataCutWithoutInstrumentsLoads) {
    XMSong song = xmtest::MinimalSong();
    song.Patterns[0].Put(0, 0, {10, 0, 0, 0, 0});
    auto image = BuildXM(song);
    image.resize(image.size() - 3);
    auto module = NewModule();
    TKavoXMLoadInfo info;
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_EQ(module->Patterns[0]->GetNote(0, 0).Note, 10);
    EXPECT_EQ(info.MissingInstruments, 0);
}

struct RefusalText {
    const char* what;
    size_t size;
    size_t at;
    const char* tag;
    const char* reason;
};

class XMForeignFiles : public ::testing::TestWithParam<RefusalText> {};

TEST_P(XMForeignFiles, SayWhatTheFileIs) {
    const RefusalText& c = GetParam();
    std::vector<uint8_t> image(c.size, 0);
    std::copy(c.tag, c.tag + std::char_traits<char>::length(c.tag),
              image.begin() + ptrdiff_t(c.at));
    auto module = NewModule();
    TKavoXMLoadInfo info;
    EXPECT_FALSE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_STREQ(info.RefusalReason, c.reason);
}

constexpr const char* Mod = "ProTracker MOD files are not supported";
constexpr const char* NotXM = "not an XM file (no 'Extended Module: ' header)";

INSTANTIATE_TEST_SUITE_P(
    Tags, XMForeignFiles,
    ::testing::Values(
        RefusalText{"mk", 2000, 1080, "M.K.", Mod},
        RefusalText{"mk_smallest", 1084, 1080, "M.K.", Mod},
        RefusalText{"mk_cut", 1083, 1080, "M.K", NotXM},
        RefusalText{"flt4", 2000, 1080, "FLT4", Mod}, RefusalText{"8chn", 2000, 1080, "8CHN", Mod},
        RefusalText{"16ch", 2000, 1080, "16CH", Mod},
        RefusalText{"tag_elsewhere", 2000, 1076, "M.K.", NotXM},
        RefusalText{"s3m", 2000, 44, "SCRM", "Scream Tracker S3M files are not supported"},
        RefusalText{"it", 2000, 0, "IMPM", "Impulse Tracker IT files are not supported"},
        RefusalText{"lower_case_id", 2000, 0, "extended Module: ", NotXM},
        RefusalText{"short_mod", 300, 0, "", "file too short for an XM header"}),
    [](const auto& info) { return std::string(info.param.what); });

// A refusal after a successful load leaves no counts of the earlier song behind.
TEST(XMCutImages, InfoOfARefusedImageIsReset) {
    auto image = BuildXM(ThreeInstruments(0x0104));
    auto module = NewModule();
    TKavoXMLoadInfo info;
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(NewInstrument(2)), &info));
    EXPECT_EQ(info.MissingInstruments, 2);
    EXPECT_FALSE(module->LoadFromMemory(image.data(), int32_t(HeaderEnd), &info));
    EXPECT_EQ(info.MissingInstruments, 0);
    EXPECT_EQ(info.InstrumentCount, 0);
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_STREQ(info.RefusalReason, "");
}

} // namespace
