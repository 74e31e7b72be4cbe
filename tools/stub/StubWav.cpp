#include "StubRun.h"
#include "WavHeader.h"

#include "KavoXM/player/MixSpan.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/player/PostMix.h"
#include "KavoXM/song/SongScan.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

namespace {
constexpr int32_t Rate = 44100, Channels = 2, BlockFrames = 2048;

bool Exists(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file != nullptr) std::fclose(file);
    return file != nullptr;
}

// Mixes the song to its end (or the cap) into `file` after room for the header; returns the
// data bytes written, or -1 when a write failed.
int64_t WriteSamples(TKavoXM& player, const TSongSettings& settings, uint64_t limit,
                     std::FILE* file) {
    const PostMix post{0, settings.StereoSeparation};
    const auto passes = uint32_t(std::max(settings.Loops, 1));
    std::unique_ptr<uint8_t[]> pcm(new uint8_t[size_t(BlockFrames) * Channels * 2]);
    uint64_t frames = 0;
    bool ended = false;
    while (frames < limit && !ended) {
        int32_t mixed = 0;
        {
            std::lock_guard lock(player.CriticalSection);
            mixed = MixSpan(player, 0, passes, ended);
        }
        const auto n = int32_t(std::min<uint64_t>(uint64_t(mixed), limit - frames));
        int32_t* mix = player.MixBuffer.get();
        post.Apply(mix, n, Channels);
        const size_t values = size_t(n) * Channels;
        ConvertMix(mix, values, SampleFormat::S16, true, pcm.get());
        if (std::fwrite(pcm.get(), 1, values * 2, file) != values * 2) return -1;
        frames += uint64_t(n);
    }
    return int64_t(frames * Channels * 2);
}
} // namespace

bool PrepareSongPlayer(TKavoXM& player, const std::vector<uint8_t>& song,
                       const TSongSettings& settings) {
    if (!player.Module->LoadFromMemory(song.data(), int32_t(song.size()))) return false;
    player.StartOffline();
    player.Module->MasterVolume = settings.MasterVolume;
    player.ClipOutput = true;
    player.InterpolationMode = uint8_t(settings.Interpolation);
    return true;
}

int RenderSongToWav(const std::vector<uint8_t>& song, const TSongSettings& settings,
                    const char* path, const char* name, std::FILE* err) {
    if (Exists(path)) {
        WriteLine(err, {name, ": ", path, " exists already; choose another name"});
        return 1;
    }
    auto player =
        std::make_unique<TKavoXM>(Rate, BlockFrames, 1, true, 10, 16, 0, TKavoXMOutput::None);
    if (!PrepareSongPlayer(*player, song, settings)) {
        WriteLine(err, {name, ": the song could not be loaded"});
        return 1;
    }
    const double seconds = SongLengthCapSeconds * std::max(settings.Loops, 1);
    const auto limit = uint64_t(std::llround(seconds * Rate));
    WavLayout layout;
    layout.Room = limit * Channels * 2 > RiffDataLimit;
    uint8_t header[128] = {};
    const size_t headerBytes = WavHeaderBytes(layout);
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        WriteLine(err, {name, ": cannot create ", path});
        return 1;
    }
    bool ok = std::fwrite(header, 1, headerBytes, file) == headerBytes;
    const int64_t data = ok ? WriteSamples(*player, settings, limit, file) : -1;
    ok = data >= 0;
    if (ok) {
        BuildWavHeader(layout, uint64_t(data), uint64_t(data) > RiffDataLimit, header);
        ok = std::fseek(file, 0, SEEK_SET) == 0 &&
             std::fwrite(header, 1, headerBytes, file) == headerBytes;
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::remove(path);
        WriteLine(err, {name, ": cannot write ", path});
        return 1;
    }
    return 0;
}
