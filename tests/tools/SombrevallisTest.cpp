// The embedded song: the committed file is exactly what the composer writes, and it has the
// shape the console player relies on.
#include "KavoXM/module/Module.h"
#include "KavoXM/module/XMLoadInfo.h"
#include "KavoXM/sequencer/Channel.h"
#include "Ostrel/EmbeddedModule.h"
#include "SongImage.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

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

} // namespace
