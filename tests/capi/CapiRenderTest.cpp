// Rendering through the C API: the end of the song to the frame, repeat counts, and the
// sample formats against the mix they come from.
#include "CapiSongs.h"

#include "KavoXM/player/PcmConvert.h"
#include "KavoXM/player/PostMix.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using namespace capisongs;

// Frames of one pass of Held(rows) at `rate`: rows x speed 6 x the tick at tempo 125.
int64_t HeldFrames(int32_t rows, int32_t rate) {
    return int64_t(rows) * 6 * (int64_t(rate) * 640 / (125 * 256));
}

// Frame counts returned by successive calls of `chunk` frames until one returns 0.
std::vector<int64_t> Calls(kavoxm_module* m, int32_t rate, size_t chunk) {
    std::vector<int64_t> counts;
    std::vector<int16_t> pcm(chunk * 2);
    for (int64_t n = 1; n > 0 && counts.size() < 100000;) {
        n = kavoxm_render_s16(m, rate, 2, pcm.data(), chunk);
        counts.push_back(n);
    }
    return counts;
}

int64_t Sum(const std::vector<int64_t>& counts) {
    int64_t total = 0;
    for (const int64_t n : counts) total += n;
    return total;
}

TEST(CapiRender, StopsExactlyAtTheSongsEnd) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(Held(16));
    for (const int32_t rate : {44100, 8000, 48000}) {
        const Handle m = Load(image);
        const std::vector<int64_t> counts = Calls(m.get(), rate, 1000);
        const int64_t frames = HeldFrames(16, rate);
        EXPECT_EQ(Sum(counts), frames) << rate;
        ASSERT_GE(counts.size(), 2u);
        EXPECT_EQ(counts[counts.size() - 2], frames % 1000 == 0 ? 1000 : frames % 1000) << rate;
        EXPECT_EQ(counts.back(), 0);
        int16_t pcm[2];
        EXPECT_EQ(kavoxm_render_s16(m.get(), rate, 2, pcm, 1), 0) << "after the end";
        kavoxm_state state{};
        ASSERT_EQ(kavoxm_get_state(m.get(), &state), KAVOXM_OK);
        EXPECT_EQ(state.ended, 1);
        EXPECT_NEAR(kavoxm_duration(m.get()), double(HeldFrames(16, 44100)) / 44100, 1e-9);
    }
}

TEST(CapiRender, RepeatCountsPasses) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(Held(8));
    const int64_t pass = HeldFrames(8, 44100);
    for (const int32_t repeat : {0, 1, 3}) {
        const Handle m = Load(image);
        ASSERT_EQ(kavoxm_set_repeat(m.get(), repeat), KAVOXM_OK);
        EXPECT_EQ(Sum(Calls(m.get(), 44100, 4096)), pass * (repeat + 1)) << repeat;
    }
    // Forever: still rendering after ten passes.
    const Handle endless = Load(image);
    ASSERT_EQ(kavoxm_set_repeat(endless.get(), -1), KAVOXM_OK);
    std::vector<int16_t> pcm(size_t(pass) * 2);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(kavoxm_render_s16(endless.get(), 44100, 2, pcm.data(), size_t(pass)), pass);
    // A count raised after the end plays on from there.
    const Handle again = Load(image);
    EXPECT_EQ(Sum(Calls(again.get(), 44100, 999)), pass);
    ASSERT_EQ(kavoxm_set_repeat(again.get(), 1), KAVOXM_OK);
    EXPECT_EQ(Sum(Calls(again.get(), 44100, 999)), pass);
}

// The three formats from three handles with the same settings: 16-bit and float are the mix
// converted, 16-bit by the engine's own conversion (clipping or wrapping), float never clipped.
TEST(CapiRender, FormatsAreTheMixConverted) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(Busy());
    for (const int32_t clip : {1, 0}) {
        Handle handles[3] = {Load(image), Load(image), Load(image)};
        for (Handle& h : handles) {
            ASSERT_EQ(kavoxm_set_master_volume(h.get(), 256), KAVOXM_OK);
            ASSERT_EQ(kavoxm_set_gain_db(h.get(), 18), KAVOXM_OK);
            ASSERT_EQ(kavoxm_set_clip(h.get(), clip), KAVOXM_OK);
        }
        constexpr size_t Frames = 30000;
        std::vector<int32_t> mix(Frames * 2);
        std::vector<int16_t> s16(Frames * 2);
        std::vector<float> f32(Frames * 2);
        ASSERT_EQ(kavoxm_render_mix(handles[0].get(), 44100, 2, mix.data(), Frames), Frames);
        ASSERT_EQ(kavoxm_render_s16(handles[1].get(), 44100, 2, s16.data(), Frames), Frames);
        ASSERT_EQ(kavoxm_render_float(handles[2].get(), 44100, 2, f32.data(), Frames), Frames);
        size_t loud = 0;
        for (size_t i = 0; i < mix.size(); ++i) {
            ASSERT_EQ(s16[i], MixTo16(mix[i], clip != 0)) << i;
            ASSERT_EQ(f32[i], MixToFloat(mix[i])) << i;
            loud += std::abs(f32[i]) > 1.0f ? 1 : 0;
        }
        EXPECT_GT(loud, 0u) << "the gain drives the mix past full scale";
    }
}

TEST(CapiRender, MonoAndRateChangesApplyFromTheCall) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(Held(16));
    const Handle m = Load(image);
    std::vector<int16_t> pcm(2 * 4096);
    ASSERT_EQ(kavoxm_render_s16(m.get(), 44100, 2, pcm.data(), 4096), 4096);
    // From here at 8000 Hz, mono: the rest of the song in the frames of the new rate.
    const double done = 4096.0 / 44100;
    int64_t rest = 0;
    for (int64_t n = 1; n > 0; rest += n) n = kavoxm_render_s16(m.get(), 8000, 1, pcm.data(), 4096);
    const double expected = (double(HeldFrames(16, 44100)) / 44100 - done) * 8000;
    EXPECT_NEAR(double(rest), expected, 160) << "within one tick at 8000 Hz";
}

} // namespace
