// Playback allocates nothing: the first half minute of every corpus song rendered offline
// (ticks, mixing, click removal and conversion, in stereo 16-bit and mono 8-bit) without a
// single call of operator new once the song is loaded and started.
#include "KavoXM/player/Player.h"

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
} // namespace
