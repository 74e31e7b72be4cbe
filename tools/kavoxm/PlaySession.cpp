#include "PlaySession.h"

#include "DeviceOut.h"
#include "MixSource.h"
#include "PlayScreen.h"
#include "PostMix.h"
#include "Signals.h"
#include "SongClock.h"
#include "SongFile.h"
#include "SongInfo.h"
#include "SongStart.h"
#include "Terminal.h"

#include "KavoXM/module/Pattern.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int32_t BlockFrames = 2048;
constexpr int32_t RingBuffers = 4;
constexpr double ScanBudget = 1.0; // seconds of work spent finding the song's length

class Session {
  public:
    Session(const PlaySettings& settings, const PlayPlace& place, PlayControls& controls,
            RawTerminal& terminal)
        : settings(settings), place(place), controls(controls), terminal(terminal),
          source(settings.Rate, true, BlockFrames), blocks(16), rate(settings.Rate) {}

    bool Load(const std::string& path, std::string& error);
    PlayEnd Run(DeviceOut& out);

  private:
    const PlaySettings& settings;
    const PlayPlace& place;
    PlayControls& controls;
    DeviceOut* device = nullptr; // while running
    RawTerminal& terminal;
    MixSource source;
    SongTimes times;
    SongHeader header;
    std::vector<PlayStatus> blocks; // what each queued device buffer holds, by ring index
    PlayStatus shown;               // on the status line
    PlayStatus last;                // of the block queued last
    const int32_t rate;
    uint64_t songFrames = 0;   // song time of the next block, counted on across passes
    uint64_t playedFrames = 0; // audio rendered since the song began, for --seconds
    bool paused = false, loopForever = false, finishing = false;
    int32_t lastOrderLine = -1;

    PlayStatus Snapshot();
    void Fill();
    void SeekTo(int32_t order);
    bool React(Key key, PlayEnd& end);
    void Show();
};

bool Session::Load(const std::string& path, std::string& error) {
    std::vector<uint8_t> image;
    if (!ReadSongFile(path, image, error) || !source.Load(path, image, error)) return false;
    TKavoXMModule& module = source.Module();
    module.MasterVolume = controls.MasterVolume;
    source.Player().InterpolationMode = InterpolationModes().at(settings.Mix.Interpolation);
    int32_t start = 0;
    if (!StartOrder(path, image, settings.StartOrder, settings.Subsong, module.SongLength, start,
                    error))
        return false;
    times = ScanSongTimes(image, rate, uint32_t(settings.Loops), ScanBudget, start);
    header.File = DisplayName(path);
    header.Title = module.Name;
    header.Tracker = TrackerName(image);
    header.Channels = module.ChannelCount;
    header.Orders = module.SongLength;
    header.Length = times.Unknown ? -1 : double(times.PassFrames) / rate;
    header.Ends = times.PassEnds;
    header.Index = place.Index;
    header.Count = place.Count;
    if (start > 0) source.Seek(start);
    return true;
}

PlayStatus Session::Snapshot() {
    const TKavoXMModule& m = source.Module();
    PlayStatus s;
    s.Order = std::max(m.PlayingOrder, 0);
    s.SongLength = m.SongLength;
    s.Pattern = m.CurrentPattern;
    s.Row = std::max(m.PlayingRow, 0);
    const TKavoXMPattern* pattern = m.Patterns[m.CurrentPattern].get();
    s.Rows = pattern != nullptr ? pattern->RowCount : 0;
    s.Speed = m.Speed;
    s.Tempo = m.Tempo;
    s.Elapsed = double(songFrames) / rate;
    s.Total = times.Ends ? double(times.Frames) / rate : -1;
    s.Passes = uint32_t(settings.Loops);
    s.Pass = std::min(m.SongEndCount + 1, s.Passes);
    s.LoopForever = loopForever;
    s.MasterVolume = m.MasterVolume;
    return s;
}

// Mixes blocks into the free device buffers, at most one round of the ring: a device that takes
// audio faster than real time must not keep the keys and the screen waiting.
void Session::Fill() {
    const PostMix post{settings.Mix.GainDb, settings.Mix.Separation};
    const auto limit = uint64_t(settings.Seconds * rate);
    for (int32_t n = 0; n < RingBuffers && !paused && !finishing && device->CanSubmit(); ++n) {
        int32_t* mix = source.NextBlock();
        PlayStatus status = Snapshot(); // the rows read for this block
        post.Apply(mix, BlockFrames, 2);
        status.Level = PeakLevel(mix, size_t(BlockFrames) * 2);
        ConvertMix(mix, size_t(BlockFrames) * 2, SampleFormat::S16, true, device->NextData());
        blocks[size_t(device->Submit())] = status;
        last = status;
        songFrames += BlockFrames;
        playedFrames += BlockFrames;
        const TKavoXMModule& m = source.Module();
        if (!loopForever && m.SongEndCount >= uint32_t(settings.Loops)) finishing = true;
        // The block that ends the last pass already stands at the start of another one.
        if (!place.Screen && !finishing && status.Order != lastOrderLine) {
            lastOrderLine = status.Order;
            std::printf("%s\n", OrderLine(status).c_str());
        }
        if (settings.Seconds > 0 && playedFrames >= limit) finishing = true;
    }
}

void Session::SeekTo(int32_t order) {
    const TKavoXMModule& m = source.Module();
    order = std::clamp(order, 0, std::max(m.SongLength - 1, 0));
    if (!source.Seek(order)) return;
    if (device != nullptr) device->Stop(false);
    const int64_t start = times.OrderStart[size_t(order)];
    songFrames = start >= 0 ? uint64_t(start) : 0;
    finishing = false;
}

// Acts on a key; true when the song should end with `end`.
bool Session::React(Key key, PlayEnd& end) {
    TKavoXMModule& m = source.Module();
    switch (key) {
    case Key::Quit:
        end = PlayEnd::Quit;
        return true;
    case Key::Next:
        end = PlayEnd::Next;
        return true;
    case Key::Previous:
        end = PlayEnd::Previous;
        return true;
    case Key::Pause:
        paused = !paused;
        if (paused)
            device->Stop(true);
        else
            device->Replay();
        break;
    case Key::NextOrder:
    case Key::PreviousOrder:
        SeekTo(shown.Order + (key == Key::NextOrder ? 1 : -1));
        break;
    case Key::VolumeUp:
    case Key::VolumeDown:
        m.MasterVolume = std::clamp(m.MasterVolume + (key == Key::VolumeUp ? 16 : -16), 0, 256);
        controls.MasterVolume = m.MasterVolume;
        break;
    case Key::Loop:
        loopForever = !loopForever;
        break;
    case Key::None:
        break;
    }
    return false;
}

void Session::Show() {
    // A device that takes audio faster than real time may have played everything already.
    const int32_t playing = device->Playing();
    shown = playing >= 0 ? blocks[size_t(playing)] : last;
    shown.Paused = paused;
    shown.LoopForever = loopForever;
    shown.MasterVolume = source.Module().MasterVolume;
    if (place.Screen) {
        const size_t width = TerminalColumns();
        const std::string line = StatusLine(shown, width);
        std::printf("\r%s%s", line.c_str(), LineEraser(line.size(), width).c_str());
    }
    std::fflush(stdout);
}

PlayEnd Session::Run(DeviceOut& out) {
    device = &out;
    std::printf("%s", HeaderText(header, terminal.Active(), TerminalColumns()).c_str());
    shown = last = Snapshot();
    PlayEnd end = PlayEnd::Finished;
    for (;;) {
        if (StopSignal() != 0) {
            end = PlayEnd::Stopped;
            break;
        }
        if (RawTerminal::TakeContinued() && place.Screen)
            std::printf("\n%s", HeaderText(header, terminal.Active(), TerminalColumns()).c_str());
        bool stop = false;
        for (Key key = terminal.ReadKey(); key != Key::None && !stop; key = terminal.ReadKey())
            stop = React(key, end);
        if (stop) break;
        Fill();
        if (finishing && device->Playing() < 0) break;
        Show();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    device->Stop(false);
    if (place.Screen) std::printf("\n");
    std::fflush(stdout);
    return end;
}

} // namespace

PlayEnd PlaySong(const std::string& path, const PlaySettings& settings, const PlayPlace& place,
                 PlayControls& controls, std::unique_ptr<DeviceOut>& device, RawTerminal& terminal,
                 std::string& error) {
    Session session(settings, place, controls, terminal);
    if (!session.Load(path, error)) return StopSignal() != 0 ? PlayEnd::Stopped : PlayEnd::Failed;
    if (!device) device = std::make_unique<DeviceOut>(settings.Rate, 2, BlockFrames, RingBuffers);
    if (!device->IsOpen()) return PlayEnd::NoDevice;
    return session.Run(*device);
}
