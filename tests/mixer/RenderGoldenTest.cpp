// Whole renders of a song built in code, pinned by the CRC-32 of their PCM, for every output
// format and interpolation. The references live in RenderGolden.txt next to this file; run the
// tests with KAVOXM_UPDATE_GOLDEN=1 to regenerate them (the run then fails on purpose, so that
// a regenerated file is always looked at before it is committed).
#include "KavoXM/player/Player.h"
#include "xmbuilder/XMBuilder.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {
using namespace xmbuilder;

const char* const ReferencePath = KAVOXM_SOURCE_DIR "/tests/mixer/RenderGolden.txt";

uint32_t Crc32(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int32_t i = 0; i < 8; ++i) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

XMSample Wave(bool sixteen, int32_t frames, uint8_t loop, uint32_t loopStart, uint32_t loopLength,
              double harmonic) {
    XMSample s;
    s.SixteenBit = sixteen;
    const double scale = sixteen ? 30000 : 120;
    for (int32_t f = 0; f < frames; ++f) {
        const double t = 2 * 3.141592653589793 * f / frames;
        s.Left.push_back(
            int32_t(std::lround(scale * (0.7 * std::sin(t) + 0.3 * std::sin(harmonic * t)))));
    }
    s.LoopType = loop;
    s.LoopStartFrames = loopStart;
    s.LoopLengthFrames = loopLength;
    return s;
}

// Six channels over three instruments: an 8-bit forward loop, a 16-bit ping-pong loop and a
// 16-bit stereo one-shot with a volume envelope and fade-out; notes cut each other (click
// removal), pan, slide, vibrate and are released.
XMSong GoldenSong() {
    XMSong song;
    song.Channels = 6;
    song.Speed = 3;
    song.Tempo = 140;
    song.SongLength = 2;
    song.Orders[1] = 1;
    XMInstrument a, b, c;
    a.Samples.push_back(Wave(false, 64, 1, 0, 64, 3));
    b.Samples.push_back(Wave(true, 200, 2, 50, 150, 5));
    b.Samples[0].RelativeNote = -12;
    XMSample st = Wave(true, 3000, 0, 0, 0, 7);
    st.Stereo = true;
    st.Right = st.Left;
    for (auto& v : st.Right) v = -v / 2;
    c.Samples.push_back(st);
    c.VolumeEnvelope.Points = {{0, 64}, {10, 40}, {30, 20}, {60, 0}};
    c.VolumeEnvelope.Type = 1;
    c.FadeOut = 2000;
    song.Instruments = {a, b, c};
    XMPattern p0, p1;
    p0.Rows = p1.Rows = 32;
    for (int32_t row = 0; row < 32; row += 4) {
        const uint8_t n = uint8_t(40 + (row / 4) * 3);
        p0.Put(row, 0, {n, 1, 0x30, 8, uint8_t(row * 8)});
        p0.Put(row + 2, 1, {uint8_t(n + 7), 2, 0, 4, 0x46});
        p1.Put(row, 2, {uint8_t(n - 12), 3, 0x40, 0, 0});
        p1.Put(row + 1, 3, {n, 1, 0, 0xA, 0x04});
        p1.Put(row + 3, 2, {97, 0, 0, 0, 0});
    }
    p0.Put(0, 4, {60, 2, 0, 0, 0}).Put(8, 4, {0, 0, 0, 0xC, 0x10}).Put(16, 5, {48, 3, 0, 1, 0x08});
    p1.Put(0, 5, {50, 2, 0, 8, 0xFF}).Put(20, 4, {62, 1, 0, 3, 0x20}).Put(24, 4, {55, 0, 0, 3, 0});
    song.Patterns = {p0, p1};
    return song;
}

struct GoldenCase {
    const char* name;
    int32_t rate;
    bool stereo;
    int32_t bits;
    uint8_t interpolation;
    bool clip;
    int32_t masterVolume;
};

const GoldenCase Cases[] = {
    {"stereo16-spline", 44100, true, 16, 2, true, 128},
    {"mono16-spline", 44100, false, 16, 2, true, 128},
    {"stereo8-spline", 44100, true, 8, 2, true, 128},
    {"mono8-linear", 22050, false, 8, 1, true, 200},
    {"stereo16-nearest", 48000, true, 16, 0, true, 128},
    {"stereo16-linear", 44100, true, 16, 1, true, 128},
    {"stereo16-spline-loud-wrapping", 44100, true, 16, 2, false, 256},
};

// Renders one pass of the song (at most 60 s) in the case's format.
std::vector<uint8_t> RenderCase(const std::vector<uint8_t>& image, const GoldenCase& c) {
    TKavoXM player(c.rate, 2048, 4, c.stereo, 10, c.bits, 0, TKavoXMOutput::None);
    EXPECT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
    player.InterpolationMode = c.interpolation;
    player.ClipOutput = c.clip;
    player.Module->MasterVolume = c.masterVolume;
    EXPECT_TRUE(player.StartOffline());
    const size_t frameBytes = size_t(player.Channels * player.Bits / 8);
    std::vector<uint8_t> pcm, chunk(1000 * frameBytes);
    while (player.Module->SongEndCount < 1 && pcm.size() < size_t(c.rate) * 60 * frameBytes) {
        const int32_t got = player.RenderOffline(chunk.data(), 1000);
        if (got <= 0) break;
        pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + ptrdiff_t(size_t(got) * frameBytes));
    }
    return pcm;
}

std::map<std::string, uint32_t> ReadReferences() {
    std::map<std::string, uint32_t> refs;
    std::ifstream in(ReferencePath);
    std::string name, crc;
    while (in >> name >> crc) refs[name] = uint32_t(std::stoul(crc, nullptr, 16));
    return refs;
}

TEST(RenderGoldenTest, WholeRendersMatchTheirReferences) {
    const std::vector<uint8_t> image = BuildXM(GoldenSong());
    const bool update = std::getenv("KAVOXM_UPDATE_GOLDEN") != nullptr;
    const auto refs = ReadReferences();
    std::ostringstream regenerated;
    for (const GoldenCase& c : Cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> pcm = RenderCase(image, c);
        // Not trivially silent: the song is heard in every format.
        const uint8_t silence = c.bits == 8 ? 0x80 : 0;
        EXPECT_GT(std::count_if(pcm.begin(), pcm.end(), [&](uint8_t b) { return b != silence; }),
                  ptrdiff_t(pcm.size() / 4));
        const uint32_t crc = Crc32(pcm);
        char line[96];
        std::snprintf(line, sizeof line, "%s %08x\n", c.name, crc);
        regenerated << line;
        if (update) continue;
        const auto ref = refs.find(c.name);
        ASSERT_NE(ref, refs.end()) << "no reference; regenerate with KAVOXM_UPDATE_GOLDEN=1";
        EXPECT_EQ(crc, ref->second) << "PCM of " << pcm.size() << " bytes differs";
    }
    if (update) {
        std::ofstream(ReferencePath) << regenerated.str();
        FAIL() << "references regenerated in " << ReferencePath
               << "; check them and run again without KAVOXM_UPDATE_GOLDEN";
    }
}
} // namespace
