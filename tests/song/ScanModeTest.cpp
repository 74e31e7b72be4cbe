// The scan mode's ticks follow the song exactly as full ticks do: the same song end and the
// same length, on songs built in code and on corpus songs.
#include "KavoXM/player/Player.h"
#include "KavoXM/song/SongScan.h"
#include "ScanSongs.h"
#include "support/Corpus.h"
#include "xmbuilder/XMBuilder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using namespace xmbuilder;
using namespace scansongs;

// Frames of one pass with full ticks (voice output values computed, nothing mixed).
uint64_t FullTickLength(const std::vector<uint8_t>& image) {
    TKavoXM player(Rate, 2048, 1, true, 10, 16, 0, TKavoXMOutput::None);
    EXPECT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
    player.StartOffline();
    uint64_t frames = 0;
    for (int64_t ticks = 0; ticks < 2'000'000; ++ticks) {
        player.Tick();
        if (player.Module->SongEndCount >= 1) break;
        frames += uint64_t(player.SamplesPerTick);
    }
    return frames;
}

XMInstrument Looped() {
    XMInstrument instrument;
    XMSample sample;
    for (int32_t f = 0; f < 64; ++f) sample.Left.push_back(f < 32 ? 90 : -90);
    sample.LoopType = 1;
    sample.LoopLengthFrames = 64;
    instrument.Samples.push_back(sample);
    return instrument;
}

// A global volume slide runs past 64 while a voice sounds, then the song jumps back to its
// start: the pass ends where the clamped volume makes the state repeat.
XMSong GlobalSlideLoop() {
    XMSong song = Plain(2, {8}, {0});
    song.Instruments.push_back(Looped());
    song.Patterns[0].Put(0, 0, XMCell{49, 1, 0, 0x10, 0x40});
    song.Patterns[0].Put(1, 1, Fx(0x11, 0x30));
    song.Patterns[0].Put(7, 1, Fx(0xB, 0));
    return song;
}

// Notes, a key-off, an instrument-less note and a pattern loop with speed changes.
XMSong Mixed() {
    XMSong song = Plain(3, {16, 12}, {0, 1, 0});
    song.Instruments.push_back(Looped());
    song.Patterns[0].Put(0, 0, XMCell{49, 1, 0, 0, 0});
    song.Patterns[0].Put(4, 0, XMCell{97, 0, 0, 0x11, 0x0F});
    song.Patterns[0].Put(6, 2, XMCell{60, 0, 0, 0xF, 0x03});
    song.Patterns[1].Put(0, 1, XMCell{50, 1, 0, 0xE, 0x60});
    song.Patterns[1].Put(5, 1, XMCell{0, 0, 0, 0xE, 0x62});
    song.Patterns[1].Put(8, 2, Fx(0x10, 0x20));
    return song;
}

TEST(ScanMode, EndsWhereFullTicksEnd) {
    for (const XMSong& song : {GlobalSlideLoop(), Mixed()}) {
        const std::vector<uint8_t> image = BuildXM(song);
        const SongScan scan = ScanSongLength(image, Rate);
        ASSERT_EQ(scan.End, SongScanEnd::Ends);
        EXPECT_EQ(scan.Frames, FullTickLength(image));
    }
}

TEST(ScanMode, CorpusSongsEndWhereFullTicksEnd) {
    KAVOXM_REQUIRE_CORPUS();
    const auto files = testsupport::CorpusFiles("songs");
    if (files.empty()) GTEST_SKIP() << "no corpus songs";
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<uint8_t> image = testsupport::ReadFile(path);
        const SongScan scan = ScanSongLength(image, Rate);
        if (scan.End != SongScanEnd::Ends) continue;
        EXPECT_EQ(scan.Frames, FullTickLength(image));
    }
}

} // namespace
