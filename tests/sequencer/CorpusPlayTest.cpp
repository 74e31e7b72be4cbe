// Every corpus file that loads is played offline, through the same render path that feeds a
// device, until its song ends or ten minutes of audio have passed. One test per file, so that
// a file that hangs or faults is named and the files can run in parallel.
#include "KavoXM/KavoXM.h"
#include "KavoXM/player/WaveOut.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

// A lower rate than the console player's keeps the sanitizer build quick; ticks, ramps and
// every kernel path still run (a tick is 220 frames at tempo 125).
constexpr int32_t SampleRate = 11025;
constexpr int32_t BlockFrames = 2048;
constexpr int64_t MaxFrames = int64_t(SampleRate) * 60 * 10;

struct CorpusSong {
    std::filesystem::path path;
    std::string name; // test name: folder and file name in letters, digits and underscores
};

void PrintTo(const CorpusSong& song, std::ostream* os) {
    *os << song.path.filename().string();
}

std::string TestName(const std::filesystem::path& path) {
    std::string name = path.parent_path().filename().string() + "_" + path.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

std::vector<CorpusSong> CorpusSongs() {
    std::vector<CorpusSong> songs;
    std::set<std::string> names;
    for (const auto& path : testsupport::CorpusFiles()) {
        std::string name = TestName(path);
        while (!names.insert(name).second) name += "_";
        songs.push_back({path, name});
    }
    return songs;
}

struct PlayResult {
    int64_t frames = 0;
    bool advanced = false; // a row past the first was read, or the song ended
};

// Plays the loaded song in blocks until its first song end or MaxFrames.
PlayResult PlayToTheEnd(TKavoXM& player) {
    const TKavoXMModule& module = *player.Module;
    std::vector<uint8_t> block(size_t(BlockFrames) * player.WaveOut->WaveFormat.nBlockAlign);
    PlayResult result;
    while (module.SongEndCount < 1 && result.frames < MaxFrames) {
        const int32_t written = player.RenderOffline(block.data(), BlockFrames);
        EXPECT_EQ(written, BlockFrames);
        if (written != BlockFrames) break;
        result.frames += written;
        if (module.PlayingOrder > 0 || module.PlayingRow > 0) result.advanced = true;
    }
    if (module.SongEndCount >= 1) result.advanced = true;
    return result;
}

class CorpusPlay : public testing::TestWithParam<CorpusSong> {};

TEST_P(CorpusPlay, PlaysToTheSongEndOrTenMinutes) {
    const CorpusSong& song = GetParam();
    const std::vector<uint8_t> bytes = testsupport::ReadFile(song.path);
    TKavoXM player(SampleRate, BlockFrames, 4, true, 10, 16, 0, TKavoXMOutput::None);
    if (!player.Module->LoadFromMemory(bytes.data(), int32_t(bytes.size())))
        GTEST_SKIP() << song.path.filename() << " does not load";
    ASSERT_TRUE(player.StartOffline());
    const PlayResult result = PlayToTheEnd(player);
    EXPECT_TRUE(result.advanced) << "the song never moved past its first row";
    std::cout << song.path.filename().string() << ": " << double(result.frames) / SampleRate << " s"
              << (player.Module->SongEndCount >= 1 ? ", song end" : ", time limit") << "\n";
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusPlay, testing::ValuesIn(CorpusSongs()),
                         [](const auto& info) { return info.param.name; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusPlay);

TEST(CorpusPlaySetup, CorpusIsThere) {
    KAVOXM_REQUIRE_CORPUS();
    EXPECT_FALSE(CorpusSongs().empty());
}

} // namespace
