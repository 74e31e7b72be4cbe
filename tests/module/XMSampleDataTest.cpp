// Delta-coded sample data: 8/16-bit mono/stereo decoding, frame conversion, guard frames,
// wrap copies, the old-layout data pass and the cut to the bytes the image holds.
#include "XMTestSupport.h"

#include <gtest/gtest.h>

using namespace xmbuilder;
using xmtest::Load;
using xmtest::NewModule;
using xmtest::SampleOf;
using xmtest::SongWithSamples;
using xmtest::Values;

namespace {

XMSample Raw(std::vector<uint8_t> bytes, bool sixteen, bool stereo) {
    XMSample s;
    s.RawData = std::move(bytes);
    s.SixteenBit = sixteen;
    s.Stereo = stereo;
    return s;
}

} // namespace

struct DecodeCase {
    const char* what;
    std::vector<uint8_t> bytes;
    bool sixteen, stereo;
    int32_t length;            // frames
    std::vector<int32_t> data; // values from frame 0
};

class XMSampleDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(XMSampleDecoding, DecodesValuesAndFrames) {
    const DecodeCase& c = GetParam();
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(SongWithSamples({Raw(c.bytes, c.sixteen, c.stereo)}))));
    const TKavoXMSample& s = *SampleOf(*module, 1, 0);
    EXPECT_EQ(s.Length, c.length);
    EXPECT_EQ(s.Bits, c.sixteen ? 16 : 8);
    EXPECT_EQ(s.Channels, c.stereo ? 2 : 1);
    if (c.data.empty()) {
        EXPECT_EQ(s.Length, 0);
        return;
    }
    ASSERT_NE(s.Data, nullptr);
    EXPECT_EQ(Values(s, 0, int32_t(c.data.size())), c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMSampleDecoding,
    ::testing::Values(
        DecodeCase{"mono8", {0x01, 0xFF, 0xFF}, false, false, 3, {256, 0, -256}},
        DecodeCase{"mono8_wraps", {0x7F, 0x01}, false, false, 2, {127 * 256, -128 * 256}},
        DecodeCase{"mono16", {1, 0, 1, 0, 1, 0}, true, false, 3, {1, 2, 3}},
        DecodeCase{"mono16_wraps", {0xFF, 0x7F, 1, 0}, true, false, 2, {32767, -32768}},
        DecodeCase{"mono16_odd_byte", {1, 0, 2, 0, 9}, true, false, 2, {1, 3}},
        DecodeCase{"mono16_one_byte", {9}, true, false, 0, {}},
        DecodeCase{"stereo8", {1, 2, 0xFE, 1}, false, true, 2, {256, -512, 768, -256}},
        DecodeCase{"stereo8_odd_byte", {1, 2, 3, 4, 5}, false, true, 2, {256, 768, 768, 1792}},
        DecodeCase{"stereo8_one_byte", {7}, false, true, 0, {}},
        DecodeCase{"stereo16", {1, 0, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}, true, true, 2, {1, -1, 3, -2}},
        DecodeCase{
            "stereo16_odd_bytes", {1, 0, 2, 0, 3, 0, 4, 0, 5, 0}, true, true, 2, {1, 3, 3, 7}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(XMSampleData, BuilderDeltaCodesDecodedValues) {
    XMSample s;
    s.SixteenBit = true;
    s.Stereo = true;
    s.Left = {1000, -32768, 32767, 0};
    s.Right = {-5, 5, -5, 5};
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(SongWithSamples({s}))));
    const TKavoXMSample& loaded = *SampleOf(*module, 1, 0);
    EXPECT_EQ(loaded.Length, 4);
    EXPECT_EQ(Values(loaded, 0, 8), (std::vector<int32_t>{1000, -5, -32768, 5, 32767, -5, 0, 5}));
}

TEST(XMSampleData, LoopBytesBecomeFrames) {
    XMSample s = Raw(std::vector<uint8_t>(8, 0), true, true);
    s.LoopStartBytes = 4;
    s.LoopLengthBytes = 4;
    s.LoopType = 1;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(SongWithSamples({s}))));
    const TKavoXMSample& loaded = *SampleOf(*module, 1, 0);
    EXPECT_EQ(loaded.Length, 2);
    EXPECT_EQ(loaded.LoopStart, 1);
    EXPECT_EQ(loaded.LoopLength, 1);
    EXPECT_TRUE(loaded.LoopEnabled);
}

TEST(XMSampleData, GuardFramesRepeatTheEnds) {
    XMSample mono;
    mono.Left = {5};
    XMSample stereo;
    stereo.Stereo = true;
    stereo.Left = {1, 2};
    stereo.Right = {-1, -2};
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(SongWithSamples({mono, stereo}))));
    const TKavoXMSample& m = *SampleOf(*module, 1, 0);
    EXPECT_EQ(Values(m, -4, 9), std::vector<int32_t>(9, 5 * 256));
    const TKavoXMSample& s = *SampleOf(*module, 1, 1);
    EXPECT_EQ(Values(s, -8, 8), (std::vector<int32_t>{256, -256, 256, -256, 256, -256, 256, -256}));
    EXPECT_EQ(Values(s, 4, 8), (std::vector<int32_t>{512, -512, 512, -512, 512, -512, 512, -512}));
}

struct WrapCase {
    const char* what;
    uint32_t loopStart, loopLength;
    uint8_t type;
    std::vector<int32_t> afterLoopEnd; // 4 values from the loop end (8-bit units)
};

class XMWrapCopy : public ::testing::TestWithParam<WrapCase> {};

TEST_P(XMWrapCopy, FramesAfterTheLoopEnd) {
    const WrapCase& c = GetParam();
    XMSample s;
    for (int32_t v = 0; v < 20; ++v) s.Left.push_back(v);
    s.LoopStartFrames = c.loopStart;
    s.LoopLengthFrames = c.loopLength;
    s.LoopType = c.type;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(SongWithSamples({s}))));
    const TKavoXMSample& loaded = *SampleOf(*module, 1, 0);
    std::vector<int32_t> want;
    for (int32_t v : c.afterLoopEnd) want.push_back(v * 256);
    EXPECT_EQ(Values(loaded, int32_t(c.loopStart + c.loopLength), 4), want);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMWrapCopy,
    ::testing::Values(WrapCase{"forward_to_the_end", 10, 10, 1, {10, 11, 12, 13}},
                      WrapCase{"forward_from_frame_0", 0, 20, 1, {0, 1, 2, 3}},
                      WrapCase{"forward_inside", 4, 6, 1, {4, 5, 6, 7}},
                      WrapCase{"short_loop_repeats", 10, 2, 1, {10, 11, 10, 11}},
                      WrapCase{"ping_pong_only_guards", 10, 10, 2, {19, 19, 19, 19}},
                      WrapCase{"no_loop_only_guards", 10, 10, 0, {19, 19, 19, 19}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(XMSampleData, OldLayoutReadsDataAfterThePatternsInInstrumentOrder) {
    for (uint16_t version : {0x0102, 0x0103}) {
        XMSong song = SongWithSamples({});
        song.Version = version;
        song.Instruments.resize(3);
        song.Instruments[1].HeaderSize = 29; // no samples
        XMSample a;
        a.Left = {1, 2};
        XMSample b;
        b.SixteenBit = true;
        b.Left = {300};
        song.Instruments[0].Samples = {a, b};
        song.Instruments[2].Samples = {b, a};
        song.Patterns[0].Rows = 2;
        song.Patterns[0].Put(1, 0, {1, 1, 0, 0, 0});
        auto module = NewModule();
        ASSERT_TRUE(Load(*module, BuildXM(song))) << version;
        EXPECT_EQ(module->Patterns[0]->GetNote(1, 0).Instrument, 1);
        EXPECT_EQ(Values(*SampleOf(*module, 1, 0), 0, 2), (std::vector<int32_t>{256, 512}));
        EXPECT_EQ(Values(*SampleOf(*module, 1, 1), 0, 1), (std::vector<int32_t>{300}));
        EXPECT_EQ(SampleOf(*module, 2, 0), nullptr);
        EXPECT_EQ(Values(*SampleOf(*module, 3, 0), 0, 1), (std::vector<int32_t>{300}));
        EXPECT_EQ(Values(*SampleOf(*module, 3, 1), 0, 2), (std::vector<int32_t>{256, 512}));
    }
}

struct CutCase {
    const char* what;
    uint32_t declaredBytes;
    uint32_t presentBytes;
    uint32_t loopStart, loopLength; // bytes
    bool sixteen;
    int32_t length, wantLoopStart, wantLoopLength;
    bool loop;
};

class XMSampleCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(XMSampleCut, DataIsCutToTheBytesPresentAndLoopCheckedOnTheCut) {
    const CutCase& c = GetParam();
    for (uint16_t version : {0x0103, 0x0104}) {
        XMSample s = Raw(std::vector<uint8_t>(c.presentBytes, 1), c.sixteen, false);
        s.LengthBytes = c.declaredBytes;
        s.LoopStartBytes = c.loopStart;
        s.LoopLengthBytes = c.loopLength;
        s.LoopType = 1;
        XMSong song = SongWithSamples({s});
        song.Version = version;
        auto module = NewModule();
        ASSERT_TRUE(Load(*module, BuildXM(song))) << version;
        const TKavoXMSample& loaded = *SampleOf(*module, 1, 0);
        EXPECT_EQ(loaded.Length, c.length) << version;
        EXPECT_EQ(loaded.LoopStart, c.wantLoopStart) << version;
        EXPECT_EQ(loaded.LoopLength, c.wantLoopLength) << version;
        EXPECT_EQ(loaded.LoopEnabled, c.loop) << version;
        if (c.length > 0 && !c.sixteen) {
            EXPECT_EQ(loaded.Data[0], 256);
            EXPECT_EQ(loaded.Data[c.length / 2], (c.length / 2 + 1) * 256);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMSampleCut,
    ::testing::Values(CutCase{"complete", 10, 10, 2, 4, false, 10, 2, 4, true},
                      CutCase{"loop_shortened", 1000, 10, 5, 100, false, 10, 5, 5, true},
                      CutCase{"loop_start_beyond_cut", 1000, 10, 20, 100, false, 10, 20, -10,
                              false},
                      CutCase{"huge_length", 0xFFFFFFFF, 6, 0, 0xFFFFFFFF, false, 6, 0, 6, true},
                      CutCase{"sixteen_bit_odd_cut", 100, 7, 2, 50, true, 3, 1, 2, true},
                      CutCase{"nothing_present", 500, 0, 0, 10, false, 0, 0, 0, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(XMSampleData, CutSampleMovesThePositionByTheDeclaredLength) {
    // The declared length runs past the image end, so nothing after it is read: the chunk
    // that would follow the real data is not seen.
    XMSample s = Raw({1, 2, 3}, false, false);
    s.LengthBytes = 50;
    XMSong song = SongWithSamples({s});
    song.Chunks.push_back({"text", {'h', 'i'}, std::nullopt});
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(SampleOf(*module, 1, 0)->Length, 3 + 10); // the chunk's bytes are sample data
    EXPECT_TRUE(module->Message.empty());
}

// A load without sample values (for looking at a song) gives every sample the length and loop
// of a full load, across widths, stereo, compressed and cut data, and reads on from the same
// place (the chunk after the data is found).
TEST(XMSampleData, ALoadWithoutValuesKeepsLengthsAndLoops) {
    XMSample stereo16 = Raw(std::vector<uint8_t>(40, 1), true, true);
    stereo16.LoopType = 2;
    stereo16.LoopStartBytes = 8;
    stereo16.LoopLengthBytes = 20;
    XMSample looped8 = Raw(std::vector<uint8_t>(9, 3), false, false);
    looped8.LoopType = 1;
    looped8.LoopStartBytes = 3;
    looped8.LoopLengthBytes = 6;
    XMSample compressed = Raw(std::vector<uint8_t>(16 + 5, 0x11), false, false);
    compressed.Reserved = 0xAD;
    compressed.LengthBytes = 10;
    XMSample cut = Raw({1, 2, 3}, true, false);
    cut.LengthBytes = 100;
    cut.LoopType = 1;
    cut.LoopLengthBytes = 100;
    for (const std::vector<XMSample>& samples :
         {std::vector<XMSample>{stereo16, looped8, compressed}, std::vector<XMSample>{cut}}) {
        XMSong song = SongWithSamples(samples);
        song.Chunks.push_back({"text", {'h', 'i'}, std::nullopt});
        const std::vector<uint8_t> image = BuildXM(song);
        auto full = NewModule();
        auto bare = NewModule();
        ASSERT_TRUE(Load(*full, image));
        ASSERT_TRUE(bare->LoadFromMemory(image.data(), int32_t(image.size()), nullptr,
                                         TKavoXMLoadParts::WithoutSampleData));
        EXPECT_EQ(bare->Message, full->Message);
        for (int32_t slot = 0; slot < int32_t(samples.size()); ++slot) {
            const TKavoXMSample& a = *SampleOf(*full, 1, slot);
            const TKavoXMSample& b = *SampleOf(*bare, 1, slot);
            SCOPED_TRACE(slot);
            EXPECT_GT(a.Length, 0);
            EXPECT_NE(a.Data, nullptr);
            EXPECT_EQ(b.Data, nullptr);
            EXPECT_EQ(b.Length, a.Length);
            EXPECT_EQ(b.LoopStart, a.LoopStart);
            EXPECT_EQ(b.LoopLength, a.LoopLength);
            EXPECT_EQ(b.LoopEnabled, a.LoopEnabled);
            EXPECT_EQ(b.PingPongLoop, a.PingPongLoop);
        }
    }
}
