// Real XM files from the shared corpus: every file loads or is refused cleanly, the songs
// give the header values other players report, and cut-off files behave.
#include "XMTestSupport.h"

#include "KavoXM/module/XMLoadInfo.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

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
        // pathead.xm has a pattern header of 272 bytes: skipped, it leaves every instrument
        // header where it belongs.
        TKavoXMLoadInfo info;
        const auto bytes = testsupport::ReadFile(path);
        EXPECT_TRUE(module->LoadFromMemory(bytes.data(), int32_t(bytes.size()), &info)) << path;
        EXPECT_EQ(info.MissingInstruments, 0) << path;
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
    EXPECT_EQ(info.MissingInstruments, 0);
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

// End of the pattern section of a 0x0104 image: the header, then each pattern's 9-byte header
// and packed data.
size_t PatternSectionEnd(const std::vector<uint8_t>& bytes) {
    auto le = [&bytes](size_t at, int n) {
        size_t v = 0;
        for (int k = n - 1; k >= 0; --k) v = (v << 8) | bytes[at + size_t(k)];
        return v;
    };
    size_t at = 60 + le(60, 4);
    for (size_t p = 0; p < le(70, 2); ++p) at += 9 + le(at + 7, 2);
    return at;
}

class XMTruncation : public ::testing::TestWithParam<const char*> {};

// Cut anywhere after its patterns, a song loads with the instruments read completely and the
// rest counted as missing; cut inside the patterns, it is refused with the reason.
TEST_P(XMTruncation, CutImagesLoadWhenTheirPatternsArePresent) {
    KAVOXM_REQUIRE_CORPUS();
    const auto path = testsupport::CorpusDir() / GetParam();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " not in the corpus";
    const auto bytes = testsupport::ReadFile(path);
    // The 336-byte module header is read whole even where the patterns start inside it.
    const size_t patternsEnd = std::max<size_t>(PatternSectionEnd(bytes), 336);
    auto module = NewModule();
    TKavoXMLoadInfo info;
    int32_t lastMissing = 255;
    std::vector<size_t> cuts = {patternsEnd - 1, patternsEnd, bytes.size() - 1};
    for (size_t cut = 336; cut < bytes.size(); cut += 97) cuts.push_back(cut);
    std::sort(cuts.begin(), cuts.end());
    for (size_t cut : cuts) {
        const bool ok = module->LoadFromMemory(bytes.data(), int32_t(cut), &info);
        ASSERT_EQ(ok, cut >= patternsEnd) << cut << ": " << info.RefusalReason;
        EXPECT_EQ(module->Loaded, ok);
        if (!ok) {
            const std::string reason = info.RefusalReason;
            EXPECT_TRUE((cut < 336 && reason == "file too short for an XM header") ||
                        reason.rfind("file ends inside pattern ", 0) == 0 ||
                        reason.rfind("file ends before pattern ", 0) == 0)
                << reason;
            continue;
        }
        // The longer the image, the fewer instruments are missing.
        EXPECT_LE(info.MissingInstruments, lastMissing) << cut;
        lastMissing = info.MissingInstruments;
        for (int32_t i = 1; i <= info.InstrumentCount; ++i) {
            const bool kept = i <= info.InstrumentCount - info.MissingInstruments;
            EXPECT_EQ(module->Instruments[size_t(i)] != nullptr, kept) << cut << " " << i;
        }
    }
    EXPECT_EQ(info.InstrumentCount - info.MissingInstruments, info.InstrumentCount - lastMissing);
    ASSERT_TRUE(module->LoadFromMemory(bytes.data(), int32_t(bytes.size()), &info));
    EXPECT_EQ(info.MissingInstruments, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, XMTruncation,
                         ::testing::Values("songs/rhino_sting.xm", "songs/milky.xm",
                                           "cases/PatLoop-Overflow.xm"),
                         [](const auto& info) {
                             std::string name = info.param;
                             name = name.substr(name.find('/') + 1);
                             name = name.substr(0, name.find('.'));
                             for (auto& c : name) c = std::isalnum(uint8_t(c)) ? c : '_';
                             return name;
                         });
