// The embedded song: the committed file is exactly what the composer writes, and it has the
// shape the console player relies on.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"
#include "Ostrel/EmbeddedModule.h"
#include "SongImage.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

TEST(Sombrevallis, CommittedFileAndEmbeddedImageEqualTheComposersOutput) {
    const auto composed = sombrevallis::SombrevallisImage();
    const auto committed = testsupport::ReadFile(KAVOXM_SOURCE_DIR "/Ostrel/Sombrevallis.xm");
    EXPECT_TRUE(composed == committed)
        << "Ostrel/Sombrevallis.xm is stale: run compose_sombrevallis Ostrel/Sombrevallis.xm";
    ASSERT_EQ(size_t(EmbeddedModuleSize), committed.size());
    EXPECT_TRUE(std::equal(committed.begin(), committed.end(), EmbeddedModule));
    EXPECT_LT(committed.size(), 65536u);
}

TEST(Sombrevallis, HasTheShapeTheConsolePlayerExpects) {
    TKavoXMModule module(nullptr);
    TKavoXMLoadInfo info;
    ASSERT_TRUE(module.LoadFromMemory(EmbeddedModule, EmbeddedModuleSize, &info));
    EXPECT_EQ(info.Version, 0x0104);
    EXPECT_EQ(EmbeddedModule[60] | EmbeddedModule[61] << 8, 276); // header size
    EXPECT_EQ(module.ChannelCount, 16);
    EXPECT_EQ(module.SongLength, 13);
    EXPECT_EQ(module.RestartPosition, 0);
    EXPECT_TRUE(module.LinearFrequencies);
    EXPECT_EQ(module.InitialSpeed, 4);
    EXPECT_EQ(module.InitialTempo, 85);
    EXPECT_EQ(info.PatternCount, 13);
    EXPECT_EQ(info.InstrumentCount, 9);
    for (int order = 0; order < 13; ++order) {
        EXPECT_EQ(module.Orders[size_t(order)], order);
        EXPECT_EQ(module.Patterns[size_t(order)]->RowCount, 64);
    }
    for (int i = 1; i <= 9; ++i) {
        const TKavoXMInstrument* instrument = module.Instruments[size_t(i)].get();
        ASSERT_NE(instrument, nullptr) << i;
        const TKavoXMSample* sample = instrument->Samples[0].get();
        ASSERT_NE(sample, nullptr) << i;
        EXPECT_EQ(sample->Bits, 8);
        EXPECT_EQ(sample->Channels, 1);
        EXPECT_EQ(instrument->Samples[1], nullptr);
    }
    // The message comes from the "text" chunk; the trailer after it is not a chunk.
    EXPECT_EQ(module.Message.rfind("Sombrevallis", 0), 0u);
    EXPECT_EQ(module.Message.find("winter"), std::string::npos);
}

// At the console player's master volume the song must neither clip audibly (fewer than one
// sample in 10,000 at full scale) nor be timid (RMS between -24 and -12 dBFS).
TEST(Sombrevallis, RendersLoudButWithoutClipping) {
    TKavoXM player(44100, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    player.Module->MasterVolume = 230;
    ASSERT_TRUE(player.Module->LoadFromMemory(EmbeddedModule, EmbeddedModuleSize));
    ASSERT_TRUE(player.StartOffline());
    std::vector<int16_t> block(2048 * 2);
    uint64_t values = 0, fullScale = 0;
    double sumOfSquares = 0;
    while (player.Module->SongEndCount == 0 && values < uint64_t(44100) * 2 * 120) {
        const int32_t frames = player.RenderOffline(block.data(), 2048);
        ASSERT_EQ(frames, 2048);
        for (int16_t v : block) {
            fullScale += (v == 32767 || v == -32768) ? 1 : 0;
            sumOfSquares += double(v) * v;
        }
        values += block.size();
    }
    const double seconds = double(values) / 2 / 44100;
    EXPECT_GT(seconds, 95.0);
    EXPECT_LT(seconds, 100.0);
    EXPECT_LT(double(fullScale), double(values) / 10000);
    const double rmsDb = 20 * std::log10(std::sqrt(sumOfSquares / double(values)) / 32768.0);
    EXPECT_GT(rmsDb, -24.0);
    EXPECT_LT(rmsDb, -12.0);
}

} // namespace
