// Compressed 4-bit sample data (reserved byte 0xAD): a 16-step table, then two table indexes
// per byte, low nibble first, each step added to a running 8-bit value.
#include "XMTestSupport.h"

#include "KavoXM/module/XMLoadInfo.h"

#include <gtest/gtest.h>

#include <string>

using namespace xmbuilder;
using xmtest::NewModule;
using xmtest::SampleOf;
using xmtest::Values;

namespace {

constexpr std::array<int8_t, 16> Steps = {0,  1,  2,  4,  8,   16,  32,  64,
                                          -1, -2, -4, -8, -16, -32, -64, -128};

// Frames reachable with Steps: they rise past 127 (wrapping to -128) and fall again. An odd
// count leaves the high nibble of the last byte unused.
const std::vector<int32_t> Frames = {1, 3, 7, 71, 103, 119, 127, -128, -112, -113, -121, -57, 7};

XMSample Compressed(const std::vector<int32_t>& frames, uint8_t type = 0) {
    XMSample s;
    s.Reserved = 0xAD;
    s.LengthBytes = uint32_t(frames.size());
    s.TypeOverride = type;
    s.RawData = EncodeCompressedSampleData(Steps, frames);
    return s;
}

std::vector<int32_t> Times256(const std::vector<int32_t>& frames) {
    std::vector<int32_t> out;
    for (int32_t f : frames) out.push_back(int32_t(int8_t(f)) * 256);
    return out;
}

// Two instruments: the compressed sample, then an ordinary one right after its data.
XMSong CompressedThenPlain(const std::vector<int32_t>& frames) {
    XMSong song = xmtest::SongWithSamples({Compressed(frames)});
    XMInstrument next;
    next.Name = "after";
    XMSample plain;
    plain.Left = {5, -5};
    next.Samples.push_back(plain);
    song.Instruments.push_back(next);
    return song;
}

} // namespace

TEST(XMCompressedSamples, DecodeFrameByFrameAndTheNextInstrumentFollows) {
    for (uint16_t version : {0x0104, 0x0103}) {
        XMSong song = CompressedThenPlain(Frames);
        song.Version = version;
        const auto image = BuildXM(song);
        auto module = NewModule();
        TKavoXMLoadInfo info;
        ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
        const TKavoXMSample& s = *SampleOf(*module, 1, 0);
        ASSERT_EQ(s.Length, int32_t(Frames.size()));
        EXPECT_EQ(s.Bits, 8);
        EXPECT_EQ(Values(s, 0, s.Length), Times256(Frames)) << version;
        // The data took 16 + (13 + 1) / 2 bytes: the next instrument (or, in the old layout,
        // its data) starts right after.
        ASSERT_NE(SampleOf(*module, 2, 0), nullptr);
        EXPECT_EQ(module->Instruments[2]->Name, "after");
        EXPECT_EQ(Values(*SampleOf(*module, 2, 0), 0, 2), (std::vector<int32_t>{1280, -1280}));
        EXPECT_EQ(info.MissingInstruments, 0);
    }
}

TEST(XMCompressedSamples, EvenLengthUsesBothNibblesOfTheLastByte) {
    const std::vector<int32_t> frames = {64, 0, -1, -2};
    const auto image = BuildXM(CompressedThenPlain(frames));
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    EXPECT_EQ(Values(*SampleOf(*module, 1, 0), 0, 4), Times256(frames));
    EXPECT_EQ(Values(*SampleOf(*module, 2, 0), 0, 2), (std::vector<int32_t>{1280, -1280}));
}

TEST(XMCompressedSamples, LoopInFramesAndGuardFrames) {
    XMSample s = Compressed(Frames, 1);
    s.LoopStartBytes = 2;
    s.LoopLengthBytes = 100; // shortened to the sample end
    const auto image = BuildXM(xmtest::SongWithSamples({s}));
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    const TKavoXMSample& sample = *SampleOf(*module, 1, 0);
    EXPECT_TRUE(sample.LoopEnabled);
    EXPECT_EQ(sample.LoopStart, 2);
    EXPECT_EQ(sample.LoopLength, 11);
    // The forward loop's wrap copy: the frames after the end repeat the loop start.
    EXPECT_EQ(Values(sample, 13, 2), Times256({7, 71}));
    EXPECT_EQ(Values(sample, -1, 1), Times256({1}));
}

TEST(XMCompressedSamples, SixteenBitSamplesIgnoreTheMark) {
    XMSample s;
    s.SixteenBit = true;
    s.Reserved = 0xAD;
    s.Left = {1000, -1000, 3};
    const auto image = BuildXM(xmtest::SongWithSamples({s}));
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    EXPECT_EQ(Values(*SampleOf(*module, 1, 0), 0, 3), (std::vector<int32_t>{1000, -1000, 3}));
}

TEST(XMCompressedSamples, StereoHalvesFollowOneRunningValue) {
    const std::vector<int32_t> frames = {1, 2, 4, 8}; // left 1, 2; right 4, 8
    const auto image = BuildXM(xmtest::SongWithSamples({Compressed(frames, 0x20)}));
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    const TKavoXMSample& s = *SampleOf(*module, 1, 0);
    EXPECT_EQ(s.Length, 2);
    EXPECT_EQ(Values(s, 0, 4), Times256({1, 4, 2, 8}));
}

struct CompressedCut {
    const char* what;
    size_t dataBytesKept; // of the 16 + 7 stored
    int32_t frames;
};

class XMCompressedCut : public ::testing::TestWithParam<CompressedCut> {};

// An image ending inside the data keeps the frames whose indexes it holds.
TEST_P(XMCompressedCut, KeepsTheFramesPresent) {
    auto image = BuildXM(xmtest::SongWithSamples({Compressed(Frames)}));
    image.resize(image.size() - (16 + 7) + GetParam().dataBytesKept);
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    const TKavoXMSample& s = *SampleOf(*module, 1, 0);
    ASSERT_EQ(s.Length, GetParam().frames);
    const std::vector<int32_t> kept(Frames.begin(), Frames.begin() + GetParam().frames);
    EXPECT_EQ(Values(s, 0, s.Length), Times256(kept));
}

INSTANTIATE_TEST_SUITE_P(Cuts, XMCompressedCut,
                         ::testing::Values(CompressedCut{"inside_the_table", 15, 0},
                                           CompressedCut{"after_the_table", 16, 0},
                                           CompressedCut{"one_index_byte", 17, 2},
                                           CompressedCut{"all_but_the_last_byte", 22, 12}),
                         [](const auto& info) { return std::string(info.param.what); });
