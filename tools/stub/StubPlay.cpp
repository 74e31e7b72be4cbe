#include "DeviceOut.h"
#include "StubBanner.h"
#include "StubRun.h"

#include "KavoXM/player/PlatformThreads.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/player/PostMix.h"

#include <array>
#include <csignal>
#include <memory>
#include <mutex>

#if defined(_WIN32)
#include <conio.h>
#endif

namespace {
constexpr int32_t Rate = 44100, BlockFrames = 2048, RingBuffers = 4;

volatile std::sig_atomic_t Interrupted = 0;
extern "C" void OnInterrupt(int) {
    Interrupted = 1;
}

// A key typed on the console (Windows), or Ctrl-C.
bool StopRequested() {
#if defined(_WIN32)
    if (_kbhit() != 0) {
        (void)_getch();
        return true;
    }
#endif
    return Interrupted != 0;
}

// Where the song stood when a block was mixed, shown while the device plays that block.
struct BlockPlace {
    int32_t Pattern = 0;
    int32_t Row = 0;
    int64_t Frames = 0;
};

void WriteFlushed(std::FILE* out, const std::string& text) {
    std::fputs(text.c_str(), out);
    std::fflush(out);
}

} // namespace

int PlaySongOnDevice(const std::vector<uint8_t>& song, const TSongSettings& settings,
                     const char* name, std::FILE* out, std::FILE* err) {
    auto player =
        std::make_unique<TKavoXM>(Rate, BlockFrames, 1, true, 10, 16, 0, TKavoXMOutput::None);
    if (!PrepareSongPlayer(*player, song, settings)) {
        WriteLine(err, {name, ": the song could not be loaded"});
        return 1;
    }
    DeviceOut device(Rate, 2, BlockFrames, RingBuffers);
    if (!device.IsOpen()) {
        WriteLine(err, {name, ": no audio output device could be opened (--wav FILE writes the "
                              "song to a file instead)"});
        return 1;
    }
    std::signal(SIGINT, OnInterrupt);
    const PostMix post{0, settings.StereoSeparation};
    std::array<BlockPlace, RingBuffers> places{};
    BlockPlace last; // the block mixed last, shown when the device has played everything
    TKavoXMModule& module = *player->Module;
    int64_t frames = 0;
    bool finishing = false;
    for (;;) {
        if (StopRequested()) {
            device.Stop(false);
            break;
        }
        while (!finishing && device.CanSubmit()) {
            const BlockPlace place{module.CurrentPattern, module.PlayingRow, frames};
            {
                std::lock_guard lock(player->CriticalSection);
                player->MixBlock();
            }
            int32_t* mix = player->MixBuffer.get();
            post.Apply(mix, BlockFrames, 2);
            ConvertMix(mix, size_t(BlockFrames) * 2, SampleFormat::S16, true, device.NextData());
            places[size_t(device.Submit())] = place;
            last = place;
            frames += BlockFrames;
            if (settings.Loops > 0 && module.SongEndCount >= uint32_t(settings.Loops))
                finishing = true;
        }
        const int32_t playing = device.Playing();
        if (playing < 0 && finishing) break;
        const BlockPlace& place = playing >= 0 ? places[size_t(playing)] : last;
        WriteFlushed(out, StatusText(place.Pattern, place.Row, place.Frames / Rate));
        KavoXMSleepMs(10);
    }
    WriteFlushed(out, "\r\n");
    return Interrupted != 0 ? 130 : 0;
}
