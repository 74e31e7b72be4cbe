#include "PlaySession.h"

#include "PlayScreen.h"
#include "PlayView.h"
#include "Signals.h"
#include "SongFile.h"
#include "SongInfo.h"
#include "SongStart.h"
#include "Terminal.h"

#include "KavoXM/capi/TextUtf8.h"
#include "KavoXM/capi/kavoxm.h"
#include "KavoXM/module/Pattern.h"
#include "KavoXM/song/PassTimes.h"
#include "KavoXM/song/Subsongs.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The device queues four blocks of 1,024 frames: about 93 ms at 44,100 Hz between a key and
// what is heard.
constexpr int32_t DeviceBlockFrames = 1024;
constexpr int32_t DeviceBlocks = 4;
// The tempo keys move the factor in steps of 1/16, from a quarter to four times.
constexpr int32_t TempoStep = 16;
constexpr int32_t MinTempoSteps = TempoStep / 4, MaxTempoSteps = TempoStep * 4;

struct SongCloser {
    void operator()(kavoxm_module* song) const { kavoxm_destroy(song); }
};
using SongHandle = std::unique_ptr<kavoxm_module, SongCloser>;

// The message's lines, shown safely.
std::vector<std::string> MessageText(const std::string& message, TKavoXMCodePage page) {
    std::vector<std::string> lines;
    std::istringstream in(TextUtf8(message, page, true));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.empty()) lines.push_back("(no message)");
    return lines;
}

// A meter level (1.0 full scale) as the view's 0..255.
uint8_t LevelByte(float level) {
    return uint8_t(std::clamp(level, 0.0f, 1.0f) * 255.0f);
}

class Session {
  public:
    Session(const PlaySettings& settings, const PlayPlace& place, PlayControls& controls,
            RawTerminal& terminal)
        : settings(settings), place(place), controls(controls), terminal(terminal),
          rate(settings.Rate) {}

    bool Load(const std::string& path, std::string& error);
    PlayEnd Run(std::string& error);

  private:
    const PlaySettings& settings;
    const PlayPlace& place;
    PlayControls& controls;
    RawTerminal& terminal;
    const int32_t rate;
    SongHandle song;
    // Names, message and patterns for the screen (without sample data).
    std::unique_ptr<TKavoXMModule> display = std::make_unique<TKavoXMModule>(nullptr);
    std::vector<uint8_t> image;
    PassTimes times; // from origin: the shown length, the total and each entry's time
    SongHeader header;
    int32_t origin = 0;   // order entry at song time 0: the song's or the subsong's start
    kavoxm_state start{}; // where the song begins
    bool paused = false, halted = false, loopForever = false, showMessage = false;
    int32_t tempoSteps = TempoStep;
    // Frames handed to the device so far (in seconds, from the mixer's song time), those a stop
    // took back unheard, and the mixer's song time at the last look.
    double handedOut = 0, dropped = 0, mixerSeconds = 0;
    double lineOffset = 0; // song time minus stream time, for the order lines
    int32_t lastOrderLine = -1;
    Clock::time_point seekSettles{}; // until then keys move on from the mixer's place
    PlayStatus shown;
    ChannelLevels levels{}, rightLevels{};
    int32_t firstChannel = 0;
    std::vector<std::string> message;
    std::unique_ptr<PlayView> view;

    void Configure();
    bool Place(std::string& error);
    void Retime(int32_t order);
    kavoxm_state MixerState();
    void Account();
    double HeardSeconds();
    void PrintOrderLines();
    template <typename Move> void Seek(Move move);
    kavoxm_state Where();
    void ScrollChannels(int32_t direction);
    void TogglePause();
    bool React(Key key, PlayEnd& end);
    void TakeStatus();
    void Show();
    void ShowView();
};

bool Session::Load(const std::string& path, std::string& error) {
    if (!ReadSongFile(path, image, error) ||
        !LoadSongImage(path, image, *display, nullptr, error, TKavoXMLoadParts::WithoutSampleData))
        return false;
    kavoxm_module* loaded = nullptr;
    kavoxm_load_report report{};
    if (const int code = kavoxm_load_memory(image.data(), image.size(), &loaded, &report);
        code != KAVOXM_OK) {
        error = "cannot load " + DisplayName(path) + ": " +
                (report.reason[0] != 0 ? report.reason : kavoxm_error_string(code));
        return false;
    }
    song.reset(loaded);
    header.File = DisplayName(path);
    header.Title = TextUtf8(display->Name, display->NameCodePage()); // shown through SafeText
    header.Tracker = TrackerName(image);
    header.Channels = display->ChannelCount;
    header.Orders = display->SongLength;
    header.Index = place.Index;
    header.Count = place.Count;
    message = MessageText(display->Message, display->NameCodePage());
    Configure();
    return Place(error);
}

// The command's options, as the handle's settings.
void Session::Configure() {
    kavoxm_module* s = song.get();
    kavoxm_set_device_format(s, rate, DeviceBlockFrames, DeviceBlocks);
    kavoxm_set_repeat(s, settings.Loops - 1);
    kavoxm_set_master_volume(s, controls.MasterVolume);
    kavoxm_set_interpolation(s, InterpolationModes().at(settings.Mix.Interpolation));
    kavoxm_set_gain_db(s, settings.Mix.GainDb);
    kavoxm_set_stereo_separation(s, settings.Mix.Separation);
    kavoxm_set_event_mask(s, 1u << (KAVOXM_EVENT_ORDER - 1));
}

// Puts the song where the options say it begins; song time counts from the song's start, or
// from the subsong's (--start N is a place in the song).
bool Session::Place(std::string& error) {
    int32_t order = 0;
    if (!StartOrder(header.File, image, settings.StartOrder, settings.Subsong, header.Orders, order,
                    error))
        return false;
    origin = settings.StartOrder >= 0 ? 0 : order;
    times = ScanPassTimes(image, rate, uint32_t(settings.Loops), origin);
    // A scan out of work shows the time it reached, as a lower bound.
    header.Length = times.First.End == SongScanEnd::NoSong ? -1 : times.First.Seconds(rate);
    header.Ends = times.First.Ends();
    if (settings.Subsong > 1) kavoxm_select_subsong(song.get(), settings.Subsong - 1);
    if (settings.StartOrder >= 0) {
        kavoxm_seek_order(song.get(), order, 0);
        Retime(order);
    }
    if (settings.StartSeconds > 0) kavoxm_seek_seconds(song.get(), settings.StartSeconds);
    start = MixerState();
    mixerSeconds = start.seconds;
    lineOffset = mixerSeconds; // nothing has been handed out yet
    return true;
}

// An order entry the song time's origin never reaches: its time is that of the subsong that
// reaches it, from the subsong's start (or 0 at the entry when none does), as the library
// counts it after a seek there.
void Session::Retime(int32_t order) {
    if (times.OrderStart[size_t(order)] >= 0) return;
    const SongMap map = MapSong(image, rate);
    const int32_t tune = map.OrderSubsong[size_t(order)];
    origin = tune >= 0 ? map.Subsongs[size_t(tune)].StartOrder : order;
    times = ScanPassTimes(image, rate, uint32_t(settings.Loops), origin);
}

kavoxm_state Session::MixerState() {
    kavoxm_state state{};
    kavoxm_get_mixer_state(song.get(), &state);
    return state;
}

// Counts the frames the mixer handed to the device since the last look.
void Session::Account() {
    const double now = MixerState().seconds;
    handedOut += std::max(now - mixerSeconds, 0.0);
    mixerSeconds = now;
}

// Audio heard since the song began: what was handed out, less what waits in the device or was
// taken back unheard.
double Session::HeardSeconds() {
    const double queued = halted ? 0 : double(kavoxm_latency_frames(song.get())) / rate;
    return handedOut - dropped - queued;
}

// One line per order entry begun, for output that is not a terminal, from the library's order
// events (mixed a little ahead of what is heard, as the lines always were).
void Session::PrintOrderLines() {
    std::array<kavoxm_event, 64> events{};
    for (int32_t n = int32_t(events.size()); n == int32_t(events.size());) {
        n = kavoxm_read_events(song.get(), events.data(), int32_t(events.size()));
        for (int32_t i = 0; i < n; ++i) {
            const kavoxm_event& e = events[size_t(i)];
            if (e.type != KAVOXM_EVENT_ORDER || e.a == lastOrderLine) continue;
            lastOrderLine = e.a;
            PlayStatus s;
            s.Order = e.a;
            s.SongLength = header.Orders;
            s.Pattern = e.b;
            s.Elapsed = lineOffset + double(e.frame) / rate;
            std::printf("%s\n", OrderLine(s).c_str());
        }
    }
}

// Moves the song with `move` (a seek call). While paused, the device first gives back what it
// had queued, so that the place shows at once and nothing of the old place is heard on resume.
template <typename Move> void Session::Seek(Move move) {
    if (!place.Screen) PrintOrderLines();
    Account();
    if (paused && !halted) {
        dropped += double(kavoxm_latency_frames(song.get())) / rate;
        kavoxm_stop(song.get());
        halted = true;
    }
    move(song.get());
    const kavoxm_state after = MixerState();
    mixerSeconds = after.seconds;
    // The new place begins at the stream frame handed out last (to a device block).
    lineOffset = after.seconds - handedOut;
    lastOrderLine = -1;
    seekSettles = Clock::now() + std::chrono::milliseconds(
                                     int64_t(DeviceBlockFrames) * DeviceBlocks * 1000 / rate + 50);
}

// Where the keys move on from: what is heard, or the mixer's place just after a seek (the
// device still plays what it had queued before it).
kavoxm_state Session::Where() {
    kavoxm_state state{};
    if (Clock::now() < seekSettles)
        kavoxm_get_mixer_state(song.get(), &state);
    else
        kavoxm_get_state(song.get(), &state);
    return state;
}

void Session::ScrollChannels(int32_t direction) {
    const int32_t group = ChannelsThatFit(TerminalColumns());
    const int32_t lastGroup = std::max(header.Channels - 1, 0) / group * group;
    firstChannel = std::clamp(firstChannel + direction * group, 0, lastGroup);
}

void Session::TogglePause() {
    paused = !paused;
    if (paused) {
        kavoxm_pause(song.get());
    } else {
        kavoxm_play(song.get()); // resumes, or starts afresh after a seek while paused
        halted = false;
    }
}

// Acts on a key; true when the song should end with `end`.
bool Session::React(Key key, PlayEnd& end) {
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
        TogglePause();
        break;
    case Key::NextOrder:
    case Key::PreviousOrder: {
        const int32_t order =
            std::clamp(std::max(Where().order, 0) + (key == Key::NextOrder ? 1 : -1), 0,
                       std::max(header.Orders - 1, 0));
        Seek([&](kavoxm_module* s) { kavoxm_seek_order(s, order, 0); });
        Retime(order);
        break;
    }
    case Key::Back10:
    case Key::Forward10:
    case Key::Back60:
    case Key::Forward60: {
        const double step = key == Key::Back10 || key == Key::Forward10 ? 10 : 60;
        const bool back = key == Key::Back10 || key == Key::Back60;
        const double target = std::max(Where().seconds + (back ? -step : step), 0.0);
        Seek([&](kavoxm_module* s) { kavoxm_seek_seconds(s, target); });
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
        controls.MasterVolume =
            std::clamp(controls.MasterVolume + (key == Key::VolumeUp ? 16 : -16), 0, 256);
        kavoxm_set_master_volume(song.get(), controls.MasterVolume);
        break;
    case Key::Loop:
        loopForever = !loopForever;
        kavoxm_set_repeat(song.get(), loopForever ? -1 : settings.Loops - 1);
        break;
    case Key::TempoUp:
    case Key::TempoDown:
    case Key::TempoReset:
        tempoSteps = key == Key::TempoReset
                         ? TempoStep
                         : std::clamp(tempoSteps + (key == Key::TempoUp ? 1 : -1), MinTempoSteps,
                                      MaxTempoSteps);
        kavoxm_set_tempo_factor(song.get(), double(tempoSteps) / TempoStep);
        break;
    case Key::None:
        break;
    }
    return false;
}

// What is heard now: the place, and each channel's left and right peak in the device block
// playing.
void Session::TakeStatus() {
    kavoxm_state state{};
    kavoxm_get_state(song.get(), &state);
    PlayStatus& s = shown;
    s.Order = std::max(state.order, 0);
    s.SongLength = header.Orders;
    s.Pattern = std::max(state.pattern, 0);
    s.Row = std::max(state.row, 0);
    s.Rows = state.rows;
    s.Speed = state.speed;
    s.Tempo = state.tempo;
    s.Elapsed = state.seconds;
    s.Total = times.All.Ends() ? times.All.Seconds(rate) : -1;
    s.Passes = uint32_t(settings.Loops);
    s.Pass = std::min(uint32_t(std::max(state.pass, 0)) + 1, s.Passes);
    s.LoopForever = loopForever;
    s.Paused = paused;
    s.MasterVolume = controls.MasterVolume;
    s.TempoFactor = double(tempoSteps) / TempoStep;
    std::array<float, 256> left{}, right{};
    const int32_t channels =
        std::max(kavoxm_get_channel_levels(song.get(), left.data(), right.data(), 256), 0);
    float loudest = 0;
    for (size_t i = 0; i < levels.size(); ++i) {
        const bool shownChannel = int32_t(i) < channels;
        levels[i] = shownChannel ? LevelByte(left[i]) : 0;
        rightLevels[i] = shownChannel ? LevelByte(right[i]) : 0;
        if (shownChannel) loudest = std::max({loudest, left[i], right[i]});
    }
    // The status line's one meter: the loudest channel.
    s.Level = loudest;
}

void Session::ShowView() {
    ViewFrame frame;
    frame.Title = (header.Count > 1 ? "[" + std::to_string(header.Index) + "/" +
                                          std::to_string(header.Count) + "] "
                                    : std::string()) +
                  header.File + "  " + (header.Title.empty() ? "(no title)" : header.Title) +
                  (header.Tracker.empty() ? "" : "  (" + header.Tracker + ")");
    frame.Status = ViewStatusLine(shown, 1000);
    if (shown.Pattern >= 0 && shown.Pattern < TKavoXMModule::MaxPatterns)
        frame.Pattern = display->Patterns[size_t(shown.Pattern)].get();
    frame.Row = shown.Row;
    frame.Channels = header.Channels;
    frame.FirstChannel = firstChannel;
    frame.Levels = &levels;
    frame.RightLevels = &rightLevels;
    frame.Message = showMessage ? &message : nullptr;
    frame.Colour = settings.Colour;
    view->Draw(frame);
}

void Session::Show() {
    TakeStatus();
    if (view) {
        ShowView();
    } else if (place.Screen) {
        const size_t width = TerminalColumns();
        const std::string line = StatusLine(shown, width);
        std::printf("\r%s%s", line.c_str(), LineEraser(line.size(), width).c_str());
    }
    std::fflush(stdout);
}

PlayEnd Session::Run(std::string& error) {
    if (const int code = kavoxm_play(song.get()); code != KAVOXM_OK) {
        if (code == KAVOXM_ERROR_NO_DEVICE) return PlayEnd::NoDevice;
        error = std::string("cannot play ") + header.File + ": " + kavoxm_error_string(code);
        return PlayEnd::Failed;
    }
    if (settings.View && place.Screen && terminal.Active() && TerminalDrawsScreens() &&
        ViewFits(TerminalColumns(), TerminalRows()))
        view = std::make_unique<PlayView>();
    else
        std::printf("%s", HeaderText(header, terminal.Active(), TerminalColumns()).c_str());
    // A start inside an entry (--start-seconds) has no order event of its own.
    if (!place.Screen && settings.StartSeconds > 0 && start.order >= 0) {
        lastOrderLine = start.order;
        PlayStatus s;
        s.Order = start.order;
        s.SongLength = header.Orders;
        s.Pattern = start.pattern;
        s.Elapsed = start.seconds;
        std::printf("%s\n", OrderLine(s).c_str());
    }
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
        if (!place.Screen) PrintOrderLines();
        Account();
        if (settings.Seconds > 0 && HeardSeconds() >= settings.Seconds) break;
        if (!paused && kavoxm_is_playing(song.get()) == 0) break;
        Show();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kavoxm_stop(song.get());
    view.reset();
    if (place.Screen) std::printf("\n");
    std::fflush(stdout);
    return end;
}

} // namespace

PlayEnd PlaySong(const std::string& path, const PlaySettings& settings, const PlayPlace& place,
                 PlayControls& controls, RawTerminal& terminal, std::string& error) {
    Session session(settings, place, controls, terminal);
    if (!session.Load(path, error)) return StopSignal() != 0 ? PlayEnd::Stopped : PlayEnd::Failed;
    return session.Run(error);
}
