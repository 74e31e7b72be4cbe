#include "KavoXM/KavoXM.h"
#include "KavoXM/player/WaveOut.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FormatCase {
    int32_t rateArg, frames, count;
    bool stereo;
    int32_t bitsArg;
    int32_t rate, channels, bits, blockAlign;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.rateArg << " Hz, " << c.frames << " frames, " << (c.stereo ? "stereo, " : "mono, ")
        << c.bitsArg << " bits";
}

class PlayerFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PlayerFormat, DerivesSizesAndDeviceFormat) {
    const FormatCase c = GetParam();
    TKavoXM player(c.rateArg, c.frames, c.count, c.stereo, 10, c.bitsArg, 0, TKavoXMOutput::None);
    EXPECT_EQ(player.SampleRate, c.rate);
    EXPECT_EQ(player.Channels, c.channels);
    EXPECT_EQ(player.Bits, c.bits);
    EXPECT_EQ(player.MixBufferBytes, c.frames * 4 * c.channels);
    EXPECT_EQ(player.BufferBytes, c.frames * c.bits * c.channels / 8);
    EXPECT_EQ(player.WaveOut->WaveFormat.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(player.WaveOut->WaveFormat.nChannels, c.channels);
    EXPECT_EQ(player.WaveOut->WaveFormat.nSamplesPerSec, uint32_t(c.rate));
    EXPECT_EQ(player.WaveOut->WaveFormat.nBlockAlign, c.blockAlign);
    EXPECT_EQ(player.WaveOut->WaveFormat.nAvgBytesPerSec, uint32_t(c.rate * c.blockAlign));
    EXPECT_EQ(player.WaveOut->WaveFormat.wBitsPerSample, c.bits);
    EXPECT_EQ(player.WaveOut->WaveFormat.cbSize, 0);
    EXPECT_EQ(player.Module->SampleRate, c.rate);
    EXPECT_EQ(player.Module->Player, &player);
    EXPECT_FALSE(player.DeviceOpen);
    EXPECT_TRUE(player.ClipOutput);
    EXPECT_EQ(player.InterpolationMode, 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlayerFormat,
                         ::testing::Values(FormatCase{44100, 2048, 4, true, 16, 44100, 2, 16, 4},
                                           FormatCase{0, 2048, 4, true, 16, 44100, 2, 16, 4},
                                           FormatCase{44100, 2048, 4, false, 16, 44100, 1, 16, 2},
                                           FormatCase{44100, 2048, 4, true, 24, 44100, 2, 16, 4},
                                           FormatCase{44100, 2048, 4, true, 0, 44100, 2, 16, 4},
                                           FormatCase{22050, 1024, 2, true, 8, 22050, 2, 8, 2},
                                           FormatCase{48000, 512, 3, false, 8, 48000, 1, 8, 1}),
                         [](const auto& info) {
                             const FormatCase& c = info.param;
                             return "Rate" + std::to_string(c.rateArg) +
                                    (c.stereo ? "Stereo" : "Mono") + "Bits" +
                                    std::to_string(c.bitsArg) + "Frames" + std::to_string(c.frames);
                         });

TEST(PlayerSetup, ConsolePlayerSettingsGiveTheDocumentedSizes) {
    TKavoXM player(44100, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    EXPECT_EQ(player.MixBufferBytes, 16384);
    EXPECT_EQ(player.BufferBytes, 8192);
    EXPECT_EQ(player.WaveOut->WaveFormat.nAvgBytesPerSec, 176400u);
    TKavoXM mono(44100, 2048, 4, false, 10, 16, 0, TKavoXMOutput::None);
    EXPECT_EQ(mono.BufferBytes, 4096);
}

TEST(PlayerSetup, RampLengthsFollowTheRate) {
    const std::pair<int32_t, int32_t> cases[] = {{44100, 128}, {48000, 139}, {22050, 64}};
    for (const auto& [rate, ramp] : cases) {
        TKavoXM player(rate, 256, 2, true, 10, 16, 0, TKavoXMOutput::None);
        EXPECT_EQ(player.Module->RampLength, ramp) << rate;
        EXPECT_EQ(player.Module->BackgroundRampLength, ramp) << rate;
    }
}

TEST(PlayerSetup, ArgumentsBelowTheLimitsAreCorrected) {
    TKavoXM low(50, 0, 0, true, 0, 16, -3, TKavoXMOutput::None);
    EXPECT_EQ(low.SampleRate, 102);
    EXPECT_EQ(low.BufferFrames, 1);
    EXPECT_EQ(low.BufferCount, 1);
    EXPECT_EQ(low.Prebuffer, 0);
    EXPECT_GE(low.PollInterval, 1);
    TKavoXM negative(-44100, -5, -2, false, 10, 8, 0, TKavoXMOutput::None);
    EXPECT_EQ(negative.SampleRate, 102);
    EXPECT_EQ(negative.BufferFrames, 1);
    EXPECT_EQ(negative.BufferCount, 1);
    EXPECT_EQ(negative.BufferBytes, 1);
}

struct TickCase {
    int32_t rate;
    uint8_t tempo;
    int32_t samplesPerTick;
};

void PrintTo(const TickCase& c, std::ostream* os) {
    *os << c.rate << " Hz, tempo " << int32_t(c.tempo);
}

class SamplesPerTick : public ::testing::TestWithParam<TickCase> {};

TEST_P(SamplesPerTick, IsTwoAndAHalfRateOverTempoTruncated) {
    const TickCase c = GetParam();
    TKavoXM player(c.rate, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    player.Module->Tempo = c.tempo;
    player.UpdateSamplesPerTick();
    EXPECT_EQ(player.SamplesPerTick, c.samplesPerTick);
    EXPECT_EQ(player.SamplesLeftInTick, c.samplesPerTick);
    EXPECT_EQ(player.Module->TickLength, c.samplesPerTick);
}

INSTANTIATE_TEST_SUITE_P(Tempos, SamplesPerTick,
                         ::testing::Values(TickCase{44100, 125, 882}, TickCase{44100, 85, 1297},
                                           TickCase{44100, 255, 432}, TickCase{44100, 32, 3445},
                                           TickCase{102, 255, 1}, TickCase{48000, 125, 960}),
                         [](const auto& info) {
                             return "Rate" + std::to_string(info.param.rate) + "Tempo" +
                                    std::to_string(int32_t(info.param.tempo));
                         });

TEST(PlayerSetup, TempoZeroBecomes125) {
    TKavoXM player(44100, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    player.Module->Tempo = 0;
    player.UpdateSamplesPerTick();
    EXPECT_EQ(player.Module->Tempo, 125);
    EXPECT_EQ(player.SamplesPerTick, 882);
}

TEST(PlayerSetup, OfflineStartReportsWhetherASongIsLoaded) {
    TKavoXM player(44100, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    EXPECT_FALSE(player.StartOffline());
    EXPECT_EQ(player.SamplesLeftInTick, 0);
    player.Module->Loaded = true;
    EXPECT_TRUE(player.StartOffline());
    EXPECT_EQ(player.SamplesPerTick, 882);
}

} // namespace
