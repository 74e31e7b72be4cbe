// `kavoxm render --start-seconds` far into a song that repeats: the seek starts from the pass
// it repeats, so it lands where a render from the start has that time even where a run through
// every pass would exceed the seek's work.
#include "ToolRun.h"
#include "xmbuilder/XMBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
using namespace tooltest;

constexpr int64_t Rate = 8000;
constexpr int64_t Tick = Rate * 5 / 2 / 255; // frames of a tick at tempo 255

// 32 channels at speed 1, tempo 255 (every tick reads a row of 32 cells): about 1.25 s per
// pass, and a run through 600 s of it costs more work than one seek may spend.
std::vector<uint8_t> DenseRepeatingSong() {
    using namespace xmbuilder;
    XMSong song;
    song.Channels = 32;
    song.Speed = 1;
    song.Tempo = 255;
    song.SongLength = 2;
    XMInstrument instrument;
    XMSample sample;
    for (int32_t f = 0; f < 32; ++f) sample.Left.push_back(int8_t(f * 7 - 100));
    sample.LoopType = 1;
    sample.LoopLengthFrames = 32;
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    XMPattern pattern;
    pattern.Rows = 64;
    for (uint16_t row = 0; row < 64; row += 8)
        pattern.Put(row, 0, {uint8_t(40 + row / 8), 1, 0, 0, 0});
    song.Patterns = {pattern, pattern};
    song.Orders[1] = 1;
    return BuildXM(song);
}

class RenderStartSeconds : public ToolTest {};

TEST_F(RenderStartSeconds, FarIntoARepeatingSongLandsWhereTheRenderFromTheStartIs) {
    if (!HasPosixShell) GTEST_SKIP() << SkipWithoutPosixShell;
    Write("dense.xm", DenseRepeatingSong());
    const std::string format = " --loops 1000 --rate 8000 --mono --bits 8 -o - ";
    const RunResult whole = Run("render dense.xm --seconds 601" + format);
    const RunResult far = Run("render dense.xm --start-seconds 600 --seconds 0.5" + format);
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    ASSERT_EQ(far.exitCode, 0) << far.err;
    ASSERT_EQ(far.out.size(), size_t(Rate / 2));
    // The render begins with the tick that holds 600 s.
    const int64_t target = 600 * Rate;
    const size_t at = whole.out.find(far.out, size_t(target - Tick));
    ASSERT_NE(at, std::string::npos);
    EXPECT_LE(int64_t(at), target);
}

} // namespace
