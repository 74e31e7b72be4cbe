// Instrument headers, envelopes and sample headers.
#include "XMTestSupport.h"

#include "KavoXM/module/XMLoadInfo.h"

#include <gtest/gtest.h>
#include <string>

using namespace xmbuilder;
using xmtest::Load;
using xmtest::MinimalSong;
using xmtest::NewModule;
using xmtest::SampleOf;
using xmtest::SongWithSamples;

namespace {

XMSample EightBit(std::vector<int32_t> values) {
    XMSample s;
    s.Left = std::move(values);
    return s;
}

} // namespace

TEST(XMInstruments, HeaderFieldsAndSampleHeaders) {
    XMSample s = EightBit({1, 2, 3, 4});
    s.Name = " lead ";
    s.Volume = 70; // kept as stored, above 64
    s.FineTune = -16;
    s.Panning = 200;
    s.RelativeNote = -12;
    XMSong song = SongWithSamples({s});
    XMInstrument& ins = song.Instruments[0];
    ins.Name = "\x01piano\x20";
    ins.SampleMap[0] = 0;
    ins.SampleMap[95] = 7;
    ins.FadeOut = 0x1234;
    ins.VibratoType = 1;
    ins.VibratoSweep = 2;
    ins.VibratoDepth = 3;
    ins.VibratoRate = 4;
    auto module = NewModule();
    TKavoXMLoadInfo info;
    const auto image = BuildXM(song);
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_EQ(info.SampleHeaderCount, 1);
    const TKavoXMInstrument& loaded = *module->Instruments[1];
    EXPECT_EQ(loaded.Name, "piano");
    EXPECT_EQ(loaded.SampleMap[96], 7);
    EXPECT_EQ(loaded.FadeOut, 0x1234);
    EXPECT_EQ(loaded.VibratoType, 1);
    EXPECT_EQ(loaded.VibratoSweep, 2);
    EXPECT_EQ(loaded.VibratoDepth, 3);
    EXPECT_EQ(loaded.VibratoRate, 4);
    const TKavoXMSample& sample = *SampleOf(*module, 1, 0);
    EXPECT_EQ(sample.Name, "lead");
    EXPECT_EQ(sample.Volume, 70);
    EXPECT_EQ(sample.FineTune, -16);
    EXPECT_EQ(sample.Panning, 200);
    EXPECT_EQ(sample.RelativeNote, -12);
    EXPECT_TRUE(sample.UsePanning);
    EXPECT_EQ(sample.Bits, 8);
    EXPECT_EQ(sample.Channels, 1);
    EXPECT_EQ(sample.Length, 4);
}

TEST(XMInstruments, ShortHeaderWithoutSamplesIsFollowedByTheNextInstrument) {
    XMSong song = MinimalSong();
    song.Instruments.resize(2);
    song.Instruments[0].Name = "empty";
    song.Instruments[0].HeaderSize = 29;
    song.Instruments[0].FadeOut = 99; // not written: the header ends at 29 bytes
    song.Instruments[1].Name = "next";
    song.Instruments[1].HeaderSize = 29;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Instruments[1]->Name, "empty");
    EXPECT_EQ(module->Instruments[1]->FadeOut, 0);
    EXPECT_EQ(module->Instruments[2]->Name, "next");
}

class XMInstrumentHeaderSize : public ::testing::TestWithParam<uint32_t> {};

TEST_P(XMInstrumentHeaderSize, SampleHeadersStartAtTheHeaderSize) {
    XMSample s = EightBit({5, 6});
    s.Name = "after header";
    XMSong song = SongWithSamples({s});
    song.Instruments[0].HeaderSize = GetParam();
    song.Instruments[0].FadeOut = 77;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Instruments[1]->FadeOut, 77);
    EXPECT_EQ(SampleOf(*module, 1, 0)->Name, "after header");
    EXPECT_EQ(xmtest::Values(*SampleOf(*module, 1, 0), 0, 2), (std::vector<int32_t>{1280, 1536}));
}

INSTANTIATE_TEST_SUITE_P(Sizes, XMInstrumentHeaderSize, ::testing::Values(243u, 263u, 300u),
                         [](const auto& info) { return "Size" + std::to_string(info.param); });

struct ShortHeaderCase {
    const char* what;
    uint32_t stored; // header size field
    bool withSamples;
};

class XMShortInstrumentHeader : public ::testing::TestWithParam<ShortHeaderCase> {};

// A header size below what the header occupies (29 bytes, 243 with samples) counts as that
// size: the position never moves back, so nothing after the header is read twice.
TEST_P(XMShortInstrumentHeader, CountsAsTheBytesTheHeaderOccupies) {
    const ShortHeaderCase& c = GetParam();
    XMSample s = EightBit({5, 6});
    s.Name = "first";
    XMSample t = EightBit({7});
    t.Name = "second";
    XMSong song = MinimalSong();
    song.Instruments.resize(2);
    song.Instruments[0].HeaderSize = c.withSamples ? 243 : 29;
    if (c.withSamples) song.Instruments[0].Samples = {s};
    song.Instruments[1].Name = "next";
    song.Instruments[1].Samples = {t};
    auto image = BuildXM(song);
    const size_t at = 336 + 9 + 64 * 4; // the first instrument, after one empty pattern
    for (int k = 0; k < 4; ++k) image[at + size_t(k)] = uint8_t(c.stored >> (8 * k));
    auto module = NewModule();
    TKavoXMLoadInfo info;
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_EQ(info.MissingInstruments, 0);
    EXPECT_EQ(info.SampleHeaderCount, c.withSamples ? 2 : 1);
    if (c.withSamples) {
        ASSERT_NE(SampleOf(*module, 1, 0), nullptr);
        EXPECT_EQ(SampleOf(*module, 1, 0)->Name, "first");
        EXPECT_EQ(xmtest::Values(*SampleOf(*module, 1, 0), 0, 2),
                  (std::vector<int32_t>{1280, 1536}));
    }
    ASSERT_NE(module->Instruments[2], nullptr);
    EXPECT_EQ(module->Instruments[2]->Name, "next");
    ASSERT_NE(SampleOf(*module, 2, 0), nullptr);
    EXPECT_EQ(SampleOf(*module, 2, 0)->Name, "second");
    EXPECT_EQ(xmtest::Values(*SampleOf(*module, 2, 0), 0, 1), (std::vector<int32_t>{1792}));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, XMShortInstrumentHeader,
    ::testing::Values(ShortHeaderCase{"samples_29", 29, true},
                      ShortHeaderCase{"samples_242", 242, true},
                      ShortHeaderCase{"samples_0", 0, true},
                      ShortHeaderCase{"samples_minus_1", 0xFFFFFFFF, true},
                      ShortHeaderCase{"samples_back_into_the_pattern", uint32_t(-243), true},
                      ShortHeaderCase{"samples_most_negative", 0x80000000, true},
                      ShortHeaderCase{"empty_0", 0, false}, ShortHeaderCase{"empty_28", 28, false},
                      ShortHeaderCase{"empty_minus_29", uint32_t(-29), false}),
    [](const auto& info) { return std::string(info.param.what); });

struct RepairCase {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    std::vector<int32_t> positions;
};

class XMEnvelopeRepair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(XMEnvelopeRepair, PositionsBehindThePreviousPointAreRepaired) {
    XMSong song = SongWithSamples({EightBit({1})});
    song.Instruments[0].VolumeEnvelope.Points = GetParam().points;
    song.Instruments[0].PanningEnvelope.Points = GetParam().points;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    for (const auto* envelope : {module->Instruments[1]->VolumeEnvelope.get(),
                                 module->Instruments[1]->PanningEnvelope.get()}) {
        for (size_t p = 0; p < GetParam().positions.size(); ++p)
            EXPECT_EQ(envelope->Points[p].Position, GetParam().positions[p]) << p;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMEnvelopeRepair,
    ::testing::Values(RepairCase{{{0, 64}, {10, 32}, {20, 0}}, {0, 10, 20}},
                      RepairCase{{{250, 0}, {4, 0}}, {250, 260}},
                      // 20 + 256 = 276 is still behind 300, so one more page: 532.
                      RepairCase{{{300, 0}, {20, 0}}, {300, 532}},
                      RepairCase{{{300, 0}, {0x150, 0}, {0x120, 0}}, {300, 0x150, 0x220}},
                      RepairCase{{{5, 0}, {5, 0}}, {5, 5}}),
    [](const auto& info) {
        std::string name = "Points";
        for (const auto& point : info.param.points) name += "_" + std::to_string(point.first);
        return name;
    });

TEST(XMEnvelopes, ValuesTakeTheLowByte) {
    XMSong song = SongWithSamples({EightBit({1})});
    song.Instruments[0].VolumeEnvelope.Points = {{0, 0x0140}, {4, 64}};
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    EXPECT_EQ(module->Instruments[1]->VolumeEnvelope->Points[0].Value, 0x40);
    EXPECT_EQ(module->Instruments[1]->VolumeEnvelope->Points[12].Position, 0); // never written
}

struct SwitchCase {
    const char* what;
    uint8_t count, sustain, loopStart, loopEnd, type;
    int32_t numPoints;
    bool enabled, sustainEnabled, loopEnabled;
};

class XMEnvelopeSwitches : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(XMEnvelopeSwitches, SwitchesFollowTheControlBytes) {
    const SwitchCase& c = GetParam();
    XMSong song = SongWithSamples({EightBit({1})});
    XMEnvelope& e = song.Instruments[0].PanningEnvelope;
    e.CountOverride = c.count;
    e.Sustain = c.sustain;
    e.LoopStart = c.loopStart;
    e.LoopEnd = c.loopEnd;
    e.Type = c.type;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(song)));
    const TKavoXMEnvelope& loaded = *module->Instruments[1]->PanningEnvelope;
    EXPECT_EQ(loaded.NumPoints, c.numPoints);
    EXPECT_EQ(loaded.Enabled, c.enabled);
    EXPECT_EQ(loaded.SustainEnabled, c.sustainEnabled);
    EXPECT_EQ(loaded.LoopEnabled, c.loopEnabled);
    EXPECT_EQ(loaded.SustainPoint, c.sustain);
    EXPECT_EQ(loaded.LoopStart, c.loopStart);
    EXPECT_EQ(loaded.LoopEnd, c.loopEnd);
    EXPECT_FALSE(module->Instruments[1]->VolumeEnvelope->Enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMEnvelopeSwitches,
    ::testing::Values(SwitchCase{"all_on", 4, 1, 1, 3, 7, 4, true, true, true},
                      SwitchCase{"no_points", 0, 1, 1, 3, 7, 0, false, true, true},
                      SwitchCase{"sustain_12", 4, 12, 0, 1, 3, 4, true, true, false},
                      SwitchCase{"sustain_13", 4, 13, 0, 1, 3, 4, true, false, false},
                      SwitchCase{"loop_start_equals_end", 4, 0, 2, 2, 5, 4, true, false, false},
                      SwitchCase{"count_12", 12, 0, 0, 0, 1, 12, true, false, false},
                      SwitchCase{"count_13_stored_as_12", 13, 0, 0, 0, 1, 12, true, false, false},
                      SwitchCase{"count_255_stored_as_12", 255, 0, 0, 0, 1, 12, true, false,
                                 false}),
    [](const auto& info) { return std::string(info.param.what); });

struct LoopCase {
    const char* what;
    uint32_t length, loopStart, loopLength;
    uint8_t type;
    int32_t wantStart, wantLength;
    bool enabled, pingPong;
};

class XMSampleLoops : public ::testing::TestWithParam<LoopCase> {};

TEST_P(XMSampleLoops, LoopIsCheckedAgainstTheLength) {
    const LoopCase& c = GetParam();
    XMSample s;
    s.Left.assign(c.length, 1);
    s.LoopStartBytes = c.loopStart;
    s.LoopLengthBytes = c.loopLength;
    s.LoopType = c.type;
    auto module = NewModule();
    ASSERT_TRUE(Load(*module, BuildXM(SongWithSamples({s}))));
    const TKavoXMSample& loaded = *SampleOf(*module, 1, 0);
    EXPECT_EQ(loaded.Length, int32_t(c.length));
    EXPECT_EQ(loaded.LoopStart, c.wantStart);
    EXPECT_EQ(loaded.LoopLength, c.wantLength);
    EXPECT_EQ(loaded.LoopEnabled, c.enabled);
    EXPECT_EQ(loaded.PingPongLoop, c.pingPong);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XMSampleLoops,
    ::testing::Values(LoopCase{"inside", 120, 10, 50, 1, 10, 50, true, false},
                      LoopCase{"past_the_end_is_shortened", 120, 100, 50, 1, 100, 20, true, false},
                      LoopCase{"zero_length_is_off", 120, 10, 0, 1, 10, 0, false, false},
                      LoopCase{"start_at_the_end_is_off", 120, 120, 5, 1, 120, 0, false, false},
                      LoopCase{"start_past_the_end_is_off", 120, 130, 5, 1, 130, -10, false, false},
                      LoopCase{"ping_pong", 120, 0, 120, 2, 0, 120, true, true},
                      LoopCase{"type_3_is_ping_pong", 120, 0, 60, 3, 0, 60, true, true},
                      LoopCase{"type_0_keeps_values", 120, 4, 8, 0, 4, 8, false, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(XMInstruments, MoreThan256SamplesEndsTheInstruments) {
    XMSong song = SongWithSamples({EightBit({1})});
    song.Instruments.push_back(song.Instruments[0]);
    song.Instruments[1].SampleCountOverride = 257;
    song.Trailer.assign(257 * 40, 0); // enough sample headers to be read
    auto module = NewModule();
    TKavoXMLoadInfo info;
    auto image = BuildXM(song);
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_EQ(info.MissingInstruments, 1);
    EXPECT_NE(SampleOf(*module, 1, 0), nullptr);
    EXPECT_EQ(module->Instruments[2], nullptr);

    song.Instruments[1].SampleCountOverride = 256;
    image = BuildXM(song);
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_EQ(info.MissingInstruments, 0);
    EXPECT_NE(SampleOf(*module, 2, 255), nullptr);
}
