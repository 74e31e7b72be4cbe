// Playback allocates nothing: the first half minute of every corpus song rendered offline
// (ticks, mixing, click removal and conversion, in stereo 16-bit and mono 8-bit) without a
// single call of operator new once the song is loaded and started.
#include "KavoXM/player/Player.h"
#include "capi/CapiSongs.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

namespace {
std::atomic<bool> counting{false};
std::atomic<int64_t> allocations{0};

void* Allocate(size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
} // namespace

// Counting replacements of the global allocation functions for the whole test program.
void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}

namespace {
namespace fs = std::filesystem;

TEST(PlaybackAllocation, RenderingSongsAllocatesNothing) {
    // The counter sees allocations at all.
    counting = true;
    auto probe = std::make_unique<std::vector<int32_t>>(10);
    counting = false;
    ASSERT_EQ(allocations.load(), 2);
    const fs::path dir = fs::path(KAVOXM_CORPUS_DIR) / "songs";
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) GTEST_SKIP() << "no corpus songs at " << dir;
    int32_t songs = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".xm") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> image{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        for (const bool stereo : {true, false}) {
            SCOPED_TRACE(entry.path().filename().string() + (stereo ? " stereo" : " mono"));
            TKavoXM player(44100, 2048, 4, stereo, 10, stereo ? 16 : 8, 0, TKavoXMOutput::None);
            ASSERT_TRUE(player.Module->LoadFromMemory(image.data(), int32_t(image.size())));
            ASSERT_TRUE(player.StartOffline());
            std::vector<uint8_t> out(4096 * 4);
            allocations = 0;
            counting = true;
            int64_t frames = 0;
            while (player.Module->SongEndCount < 1 && frames < 44100 * 30)
                frames += player.RenderOffline(out.data(), 4096);
            counting = false;
            EXPECT_EQ(allocations.load(), 0);
            EXPECT_GT(frames, 44100);
        }
        ++songs;
    }
    EXPECT_GT(songs, 0);
}

// A game's calls between render calls, and the render calls with what they start: jumps,
// events read and left in the queue, sound effects taking each other's voices, fades.
TEST(PlaybackAllocation, GameControlsAllocateNothing) {
    auto song = capisongs::Load(xmbuilder::BuildXM(capisongs::Busy()));
    ASSERT_TRUE(song);
    kavoxm_module* m = song.get();
    ASSERT_EQ(kavoxm_set_repeat(m, -1), KAVOXM_OK);
    std::vector<int16_t> out(2 * 1000);
    kavoxm_event events[16];
    allocations = 0;
    counting = true;
    for (int32_t call = 0; call < 2000; ++call) {
        if (call % 50 == 0) kavoxm_queue_jump(m, call / 50 % 4, 0, call / 50 % 4, 8);
        if (call % 7 == 0) kavoxm_effect_play(m, 1 + call % 3, 30 + call % 40, 48, call % 256);
        if (call % 11 == 0) kavoxm_effect_release(m, call);
        if (call % 100 == 0) kavoxm_fade_channel(m, call / 100 % 4, call % 200 == 0 ? 0 : 256, 0.5);
        if (call % 300 == 0) kavoxm_fade_master(m, call % 600 == 0 ? 64 : 128, 1.0);
        if (call < 1000 && call % 3 == 0) kavoxm_read_events(m, events, 16);
        ASSERT_EQ(kavoxm_render_s16(m, 44100, 2, out.data(), 1000), 1000);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_GT(kavoxm_read_events(m, events, 16), 0);
}
} // namespace
