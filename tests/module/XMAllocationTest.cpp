// Input-controlled sizes stay bounded: a small image cannot make the loader allocate much
// more than its own size for sample values, nor any cells for patterns it refuses to store.
#include "XMTestSupport.h"

#include "KavoXM/module/XMLoadInfo.h"
#include "xmbuilder/XMCrafted.h"

#include <gtest/gtest.h>

#include <string>

using namespace xmbuilder;
using xmtest::NewModule;

namespace {

// Bytes held by the loaded song's sample blocks.
size_t SampleBytes(const TKavoXMModule& module) {
    size_t total = 0;
    for (const auto& instrument : module.Instruments) {
        if (!instrument) continue;
        for (const auto& sample : instrument->Samples) {
            if (!sample || sample->Data == nullptr) continue;
            total += (size_t(sample->Length) * size_t(sample->Channels) + 16 + 2) * 4;
        }
    }
    return total;
}

size_t PatternBytes(const TKavoXMModule& module) {
    size_t total = 0;
    for (const auto& pattern : module.Patterns)
        total += pattern->Notes.capacity() * sizeof(TKavoXMPatternNote);
    return total;
}

// Sample objects with their names, and the song message: what grows with the headers read.
size_t ObjectBytes(const TKavoXMModule& module) {
    size_t total = module.Message.capacity();
    for (const auto& instrument : module.Instruments) {
        if (!instrument) continue;
        for (const auto& sample : instrument->Samples) {
            if (sample) total += sizeof(TKavoXMSample) + sample->Name.capacity();
        }
    }
    return total;
}

size_t SampleValues(const TKavoXMModule& module) {
    size_t total = 0;
    for (const auto& instrument : module.Instruments) {
        if (!instrument) continue;
        for (const auto& sample : instrument->Samples) {
            if (sample && sample->Data) total += size_t(sample->Length) * size_t(sample->Channels);
        }
    }
    return total;
}

XMSong HugeDeclarations(uint16_t version) {
    XMSong song;
    song.Version = version;
    song.Channels = 255;
    song.Patterns.resize(256);
    for (auto& p : song.Patterns) {
        if (version >= 0x0103) {
            p.Rows = 65535;
            p.RawData = std::vector<uint8_t>{0x80, 0x80}; // skipped: too many rows
        } else {
            p.Rows = 256;                       // the most the old form can declare
            p.RawData = std::vector<uint8_t>{}; // no packed data: nothing is stored
        }
    }
    XMInstrument small;
    small.Samples.resize(1);
    small.Samples[0].Left = {1, 2, 3};
    song.Instruments.push_back(small);
    {
        XMInstrument ins;
        for (int j = 0; j < 256; ++j) {
            XMSample s;
            s.SixteenBit = (j % 2) == 1;
            s.Stereo = (j % 4) >= 2;
            s.RawData = std::vector<uint8_t>(16, 3);
            s.LengthBytes = 0xFFFFFFF0u - uint32_t(j);
            s.LoopStartBytes = 0x7FFFFFFF;
            s.LoopLengthBytes = 0xFFFFFFFF;
            s.LoopType = 1;
            ins.Samples.push_back(s);
        }
        song.Instruments.push_back(ins);
    }
    return song;
}

} // namespace

class XMAllocationBound : public ::testing::TestWithParam<uint16_t> {};

TEST_P(XMAllocationBound, HugeDeclaredSizesAllocateLittle) {
    const auto image = BuildXM(HugeDeclarations(GetParam()));
    auto module = NewModule();
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size())));
    // Patterns of 65535 rows keep their row count and store nothing.
    for (const auto& pattern : module->Patterns) {
        EXPECT_TRUE(pattern->Notes.empty());
    }
    EXPECT_EQ(module->Patterns[255]->RowCount, GetParam() >= 0x0103 ? 65535 : 256);
    // Every sample is cut to the bytes that remain in the image.
    for (const auto& instrument : module->Instruments) {
        if (!instrument) continue;
        for (const auto& sample : instrument->Samples) {
            if (sample) {
                EXPECT_LE(int64_t(sample->Length), int64_t(image.size()));
            }
        }
    }
    EXPECT_EQ(PatternBytes(*module), 0u);
    EXPECT_LE(SampleBytes(*module), 8 * image.size());
}

INSTANTIATE_TEST_SUITE_P(Layouts, XMAllocationBound, ::testing::Values(0x0102, 0x0103, 0x0104),
                         [](const auto& info) {
                             return "Version1_0" + std::to_string(info.param & 0xFF);
                         });

TEST(XMAllocation, OneHugeSampleInASmallImage) {
    XMSample s;
    s.RawData = std::vector<uint8_t>(100, 1);
    s.LengthBytes = 0xFFFFFFFF;
    XMSong song = xmtest::SongWithSamples({s});
    const auto image = BuildXM(song);
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    EXPECT_EQ(xmtest::SampleOf(*module, 1, 0)->Length, 100);
    EXPECT_LE(SampleBytes(*module), 4 * 100 + 18 * 4);
}

TEST(XMAllocation, PatternsStoreOnlyRowsTheImageCanFill) {
    XMSong song = xmtest::MinimalSong();
    song.Channels = 255;
    song.Patterns[0].Rows = 256;
    song.Patterns[0].RawData = std::vector<uint8_t>{0x81, 1, 0x81, 2, 0x81, 3};
    song.Patterns[0].PackedSizeOverride = 65535; // runs past the image end
    const auto image = BuildXM(song);
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    const TKavoXMPattern& p = *module->Patterns[0];
    EXPECT_EQ(p.RowCount, 256);
    EXPECT_EQ(p.ChannelCount, 255);
    EXPECT_LE(p.Notes.size(), size_t(2 * 255)); // one row with data and the spare row
    EXPECT_EQ(p.GetNote(0, 2).Note, 3);
    EXPECT_EQ(p.GetNote(0, 3), TKavoXMPatternNote{});
    EXPECT_EQ(p.GetNote(255, 254), TKavoXMPatternNote{});
}

class XMCraftedImages : public ::testing::TestWithParam<int32_t> {};

// Every hostile shape, at two scales: what the loader stores for the song beyond the fixed
// model (sample blocks, pattern cells, sample objects and the message) stays within 20 bytes
// per image byte, and no byte of sample data or packed cells is decoded twice.
TEST_P(XMCraftedImages, AllocationStaysWithinTheBound) {
    for (const auto& crafted : CraftedImages(GetParam())) {
        SCOPED_TRACE(crafted.Name);
        auto module = NewModule();
        TKavoXMLoadInfo info;
        const auto& image = crafted.Image;
        ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info))
            << info.RefusalReason;
        const size_t stored = SampleBytes(*module) + PatternBytes(*module) + ObjectBytes(*module);
        EXPECT_LE(stored, 20 * image.size());
        EXPECT_LE(SampleValues(*module), 2 * image.size());
        size_t cells = 0;
        for (const auto& pattern : module->Patterns) cells += pattern->Notes.size();
        EXPECT_LE(cells, image.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, XMCraftedImages, ::testing::Values(1, 3),
                         [](const auto& info) { return "scale" + std::to_string(info.param); });

// Instruments whose header size points back at earlier sample data: the data is decoded once,
// by the instrument it belongs to, and the instruments after it are not in the file.
TEST(XMAllocation, RewindingInstrumentsDecodeTheirDataOnce) {
    const auto image = CraftRewindingInstruments(4000);
    auto module = NewModule();
    TKavoXMLoadInfo info;
    ASSERT_TRUE(module->LoadFromMemory(image.data(), int32_t(image.size()), &info));
    EXPECT_EQ(SampleValues(*module), 4000u);
    EXPECT_EQ(xmtest::SampleOf(*module, 1, 0)->Length, 4000);
    EXPECT_EQ(info.InstrumentCount, 255);
    EXPECT_EQ(info.MissingInstruments, 253); // the second instrument has no room for samples
    ASSERT_NE(module->Instruments[2], nullptr);
    EXPECT_EQ(xmtest::SampleOf(*module, 2, 0), nullptr);

    // Old layout: every instrument would read the one sample header again; the sample data,
    // read after the patterns, is decoded once at most.
    const auto old = CraftRewindingOldInstruments(4000);
    ASSERT_TRUE(xmtest::Load(*module, old));
    EXPECT_LE(SampleValues(*module), 4000u);
}

// Patterns with one byte of packed data each, followed by many bytes of full cells: each
// stores the one cell its own data holds.
TEST(XMAllocation, PatternsTakeNoCellsFromWhatFollowsThem) {
    const auto image = CraftOverlappingPatterns(5000);
    auto module = NewModule();
    ASSERT_TRUE(xmtest::Load(*module, image));
    for (const auto& pattern : module->Patterns) {
        EXPECT_EQ(pattern->RowCount, 256);
        EXPECT_LE(pattern->Notes.size(), 1u);
        EXPECT_EQ(pattern->GetNote(0, 1), TKavoXMPatternNote{});
    }
}
