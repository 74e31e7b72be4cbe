#include "PlaySession.h"

#include "DeviceOut.h"
#include "MixSource.h"
#include "PlayScreen.h"
#include "PlayView.h"
#include "PostMix.h"
#include "Signals.h"
#include "SongFile.h"
#include "SongInfo.h"
#include "SongStart.h"
#include "Terminal.h"

#include "KavoXM/capi/TextUtf8.h"
#include "KavoXM/mixer/Meters.h"
#include "KavoXM/module/Pattern.h"
#include "KavoXM/player/TickLength.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/song/PassTimes.h"
#include "KavoXM/song/Subsongs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

namespace {

constexpr int32_t BlockFrames = 2048;
constexpr int32_t RingBuffers = 4;

// What a block holds for the screen: the status line's figures and the channels' levels.
struct BlockView {
    PlayStatus Status;
    ChannelLevels Levels{}, RightLevels{};
};

// The message's lines, shown safely.
std::vector<std::string> MessageText(const std::string& message, TKavoXMCodePage page) {
    std::vector<std::string> lines;
    std::istringstream in(TextUtf8(message, page, true));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.empty()) lines.push_back("(no message)");
    return lines;
}

class Session {
  public:
    Session(const PlaySettings& settings, const PlayPlace& place, PlayControls& controls,
            RawTerminal& terminal)
        : settings(settings), place(place), controls(controls), terminal(terminal),
          source(settings.Rate, true, BlockFrames), meters(BlockFrames), blocks(16),
          rate(settings.Rate) {
        source.Player().Meters = &meters;
    }

    bool Load(const std::string& path, std::string& error);
    PlayEnd Run(DeviceOut& out);

  private:
    const PlaySettings& settings;
    const PlayPlace& place;
    PlayControls& controls;
    DeviceOut* device = nullptr; // while running
    RawTerminal& terminal;
    MixSource source;
    TKavoXMMeters meters; // what each channel adds to a block, left and right
    PassTimes times;      // from origin: the shown length, the total and each entry's time
    SongHeader header;
    std::vector<BlockView> blocks; // what each queued device buffer holds, by ring index
    BlockView shown;               // on the screen
    BlockView last;                // of the block queued last
    const int32_t rate;
    std::vector<uint8_t> image;
    int32_t start = 0;         // order entry the song starts at
    int32_t origin = 0;        // order entry at song time 0: the song's or the subsong's start
    uint64_t songFrames = 0;   // song time of the next block, counted on across passes
    uint64_t playedFrames = 0; // audio rendered since the song began, for --seconds
    bool paused = false, loopForever = false, finishing = false, showMessage = false;
    int32_t lastOrderLine = -1;
    int32_t firstChannel = 0;
    std::vector<std::string> message;
    std::unique_ptr<PlayView> view;

    PlayStatus Snapshot();
    void TakeLevels(BlockView& block);
    void Fill();
    void Placed();
    int32_t TuneStart(int32_t order);
    void SeekTo(int32_t order);
    void SeekSeconds(double seconds);
    void ScrollChannels(int32_t direction);
    bool React(Key key, PlayEnd& end);
    void Show();
    void ShowView();
};

bool Session::Load(const std::string& path, std::string& error) {
    if (!ReadSongFile(path, image, error) || !source.Load(path, image, error)) return false;
    TKavoXMModule& module = source.Module();
    module.MasterVolume = controls.MasterVolume;
    source.Player().InterpolationMode = InterpolationModes().at(settings.Mix.Interpolation);
    if (!StartOrder(path, image, settings.StartOrder, settings.Subsong, module.SongLength, start,
                    error))
        return false;
    // Song time counts from the song's start, or from the subsong's; --start N is a place in it.
    origin = settings.StartOrder >= 0 ? 0 : start;
    times = ScanPassTimes(image, rate, uint32_t(settings.Loops), origin);
    header.File = DisplayName(path);
    header.Title = TextUtf8(module.Name, module.NameCodePage()); // shown through SafeText
    header.Tracker = TrackerName(image);
    header.Channels = module.ChannelCount;
    header.Orders = module.SongLength;
    // A scan out of work shows the time it reached, as a lower bound.
    header.Length = times.First.End == SongScanEnd::NoSong ? -1 : times.First.Seconds(rate);
    header.Ends = times.First.Ends();
    header.Index = place.Index;
    header.Count = place.Count;
    message = MessageText(module.Message, module.NameCodePage());
    if (settings.StartSeconds > 0)
        SeekSeconds(settings.StartSeconds);
    else if (start > 0)
        SeekTo(start);
    else
        Placed();
    return true;
}

PlayStatus Session::Snapshot() {
    const TKavoXMModule& m = source.Module();
    PlayStatus s;
    s.Order = std::max(m.PlayingOrder, 0);
    s.SongLength = m.SongLength;
    s.Pattern = m.CurrentPattern;
    s.Row = std::max(m.PlayingRow, 0);
    const TKavoXMPattern* pattern = m.Patterns[size_t(m.CurrentPattern)].get();
    s.Rows = pattern != nullptr ? pattern->RowCount : 0;
    s.Speed = m.Speed;
    s.Tempo = m.Tempo;
    s.Elapsed = double(songFrames) / rate;
    s.Total = times.All.Ends() ? times.All.Seconds(rate) : -1;
    s.Passes = uint32_t(settings.Loops);
    s.Pass = std::min(m.SongEndCount + 1, s.Passes);
    s.LoopForever = loopForever;
    s.MasterVolume = m.MasterVolume;
    s.TempoFactor = source.Player().TempoFactor / 65536.0;
    return s;
}

// Each pattern channel's peak in the block just mixed, left and right, as the mixer measured
// what its voices added.
void Session::TakeLevels(BlockView& block) {
    const int32_t channels = std::clamp(source.Module().ChannelCount, 0, 256);
    for (int32_t i = 0; i < channels; ++i) {
        const auto level = [&](uint32_t peak) {
            return uint8_t(std::min<uint64_t>(uint64_t(peak) * 255 / (32768u * 4096u), 255));
        };
        block.Levels[size_t(i)] = level(meters.Peak[2 * size_t(i)]);
        block.RightLevels[size_t(i)] = level(meters.Peak[2 * size_t(i) + 1]);
    }
}

// Mixes blocks into the free device buffers, at most one round of the ring: a device that takes
// audio faster than real time must not keep the keys and the screen waiting.
void Session::Fill() {
    const PostMix post{settings.Mix.GainDb, settings.Mix.Separation};
    const auto limit = uint64_t(settings.Seconds * rate);
    for (int32_t n = 0; n < RingBuffers && !paused && !finishing && device->CanSubmit(); ++n) {
        meters.Clear();
        int32_t* mix = source.NextBlock();
        BlockView block;
        block.Status = Snapshot(); // the rows read for this block
        TakeLevels(block);
        post.Apply(mix, BlockFrames, 2);
        block.Status.Level = PeakLevel(mix, size_t(BlockFrames) * 2);
        ConvertMix(mix, size_t(BlockFrames) * 2, SampleFormat::S16, true, device->NextData());
        blocks[size_t(device->Submit())] = block;
        last = block;
        songFrames += BlockFrames;
        playedFrames += BlockFrames;
        const TKavoXMModule& m = source.Module();
        if (!loopForever && m.SongEndCount >= uint32_t(settings.Loops)) finishing = true;
        // The block that ends the last pass already stands at the start of another one.
        if (!place.Screen && !finishing && block.Status.Order != lastOrderLine) {
            lastOrderLine = block.Status.Order;
            std::printf("%s\n", OrderLine(block.Status).c_str());
        }
        if (settings.Seconds > 0 && playedFrames >= limit) finishing = true;
    }
}

// After a seek: the queued sound goes, and the screen shows the new place at once, also while
// paused, so that the next key moves on from there.
void Session::Placed() {
    if (device != nullptr) device->Stop(false);
    finishing = false;
    last.Status = Snapshot();
    last.Status.Elapsed = double(songFrames) / rate;
    shown = last;
}

int32_t Session::TuneStart(int32_t order) {
    TKavoXM player(rate, BlockFrames, 1, true, 10, 16, 0, TKavoXMOutput::None);
    if (!player.Module->LoadFromMemory(image.data(), int32_t(image.size()))) return order;
    const SongMap map = MapSong(player);
    const int32_t tune = map.OrderSubsong[size_t(order)];
    return tune >= 0 ? map.Subsongs[size_t(tune)].StartOrder : order;
}

void Session::SeekTo(int32_t order) {
    TKavoXMModule& m = source.Module();
    order = std::clamp(order, 0, std::max(m.SongLength - 1, 0));
    if (!source.Seek(order)) return;
    if (times.OrderStart[size_t(order)] < 0) {
        // An entry the song time's origin never reaches: its time is that of the subsong that
        // reaches it, from the subsong's start (or 0 at the entry when none does).
        origin = TuneStart(order);
        times = ScanPassTimes(image, rate, uint32_t(settings.Loops), origin);
    }
    songFrames = uint64_t(std::max<int64_t>(times.OrderStart[size_t(order)], 0));
    Placed();
    // Nothing has been read yet: the place is the entry's first row.
    last.Status.Order = order;
    last.Status.Row = 0;
    last.Status.Pattern = m.Orders[size_t(order)];
    const TKavoXMPattern* pattern = m.Patterns[size_t(last.Status.Pattern)].get();
    last.Status.Rows = pattern != nullptr ? pattern->RowCount : 0;
    shown = last;
}

void Session::SeekSeconds(double seconds) {
    const auto target = uint64_t(std::llround(std::max(seconds, 0.0) * rate));
    songFrames = source.SeekFrames(origin, target, loopForever ? 0 : uint32_t(settings.Loops));
    Placed();
}

void Session::ScrollChannels(int32_t direction) {
    const int32_t group = ChannelsThatFit(TerminalColumns());
    const int32_t lastGroup = std::max(header.Channels - 1, 0) / group * group;
    firstChannel = std::clamp(firstChannel + direction * group, 0, lastGroup);
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
        SeekTo(shown.Status.Order + (key == Key::NextOrder ? 1 : -1));
        break;
    case Key::Back10:
    case Key::Forward10:
    case Key::Back60:
    case Key::Forward60: {
        const double step = key == Key::Back10 || key == Key::Forward10 ? 10 : 60;
        const bool back = key == Key::Back10 || key == Key::Back60;
        SeekSeconds(shown.Status.Elapsed + (back ? -step : step));
        break;
    }
    case Key::ChannelsLeft:
    case Key::ChannelsRight:
        ScrollChannels(key == Key::ChannelsRight ? 1 : -1);
        break;
    case Key::Message:
        showMessage = !showMessage;
        if (showMessage && !view) {
            std::printf("\n");
            for (const std::string& line : message) std::printf("  %s\n", line.c_str());
        }
        break;
    case Key::VolumeUp:
    case Key::VolumeDown:
        m.MasterVolume = std::clamp(m.MasterVolume + (key == Key::VolumeUp ? 16 : -16), 0, 256);
        controls.MasterVolume = m.MasterVolume;
        break;
    case Key::Loop:
        loopForever = !loopForever;
        break;
    case Key::TempoUp:
    case Key::TempoDown: {
        // Steps of 1/16 between a quarter and four times the song's tempo, from the next tick.
        TKavoXM& player = source.Player();
        const int64_t step = key == Key::TempoUp ? UnitFactor / 16 : -int64_t(UnitFactor / 16);
        player.TempoFactor =
            uint32_t(std::clamp<int64_t>(int64_t(player.TempoFactor) + step, MinFactor, MaxFactor));
        break;
    }
    case Key::None:
        break;
    }
    return false;
}

void Session::ShowView() {
    ViewFrame frame;
    frame.Title = (header.Count > 1 ? "[" + std::to_string(header.Index) + "/" +
                                          std::to_string(header.Count) + "] "
                                    : std::string()) +
                  header.File + "  " + (header.Title.empty() ? "(no title)" : header.Title) +
                  (header.Tracker.empty() ? "" : "  (" + header.Tracker + ")");
    frame.Status = ViewStatusLine(shown.Status, 1000);
    const TKavoXMModule& m = source.Module();
    if (shown.Status.Pattern >= 0 && shown.Status.Pattern < TKavoXMModule::MaxPatterns)
        frame.Pattern = m.Patterns[size_t(shown.Status.Pattern)].get();
    frame.Row = shown.Status.Row;
    frame.Channels = header.Channels;
    frame.FirstChannel = firstChannel;
    frame.Levels = &shown.Levels;
    frame.RightLevels = &shown.RightLevels;
    frame.Message = showMessage ? &message : nullptr;
    frame.Colour = settings.Colour;
    view->Draw(frame);
}

void Session::Show() {
    // A device that takes audio faster than real time may have played everything already.
    const int32_t playing = device->Playing();
    if (playing >= 0 || !paused) shown = playing >= 0 ? blocks[size_t(playing)] : last;
    shown.Status.Paused = paused;
    shown.Status.LoopForever = loopForever;
    shown.Status.MasterVolume = source.Module().MasterVolume;
    shown.Status.TempoFactor = source.Player().TempoFactor / 65536.0;
    if (view) {
        ShowView();
    } else if (place.Screen) {
        const size_t width = TerminalColumns();
        const std::string line = StatusLine(shown.Status, width);
        std::printf("\r%s%s", line.c_str(), LineEraser(line.size(), width).c_str());
    }
    std::fflush(stdout);
}

PlayEnd Session::Run(DeviceOut& out) {
    device = &out;
    if (settings.View && place.Screen && terminal.Active() && TerminalDrawsScreens() &&
        ViewFits(TerminalColumns(), TerminalRows()))
        view = std::make_unique<PlayView>();
    else
        std::printf("%s", HeaderText(header, terminal.Active(), TerminalColumns()).c_str());
    PlayEnd end = PlayEnd::Finished;
    for (;;) {
        if (StopSignal() != 0) {
            end = PlayEnd::Stopped;
            break;
        }
        if (RawTerminal::TakeContinued() && place.Screen) {
            if (view)
                view->Invalidate();
            else
                std::printf("\n%s",
                            HeaderText(header, terminal.Active(), TerminalColumns()).c_str());
        }
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
    view.reset();
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
