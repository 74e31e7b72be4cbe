#pragma once
// Song length, found by running the sequencer in scan mode (only what moves the song position
// and its timing; nothing is mixed). A scan is bounded twice: in song time by the cap (a song
// still playing there "does not end within the cap") and in work by a budget of channel-ticks
// (past it the length is unknown). Both bounds are counts, so a scan gives the same answer on
// every machine whatever its load. A scan works on its own player and module (or on the one it
// is given) and may run on any thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

class TKavoXM;

// Songs still playing after this much song time are reported as not ending within the cap.
constexpr double SongLengthCapSeconds = 3600.0;

// Work of a scan is counted in units that follow its real cost: each tick costs a fixed share,
// one unit per channel in use (pattern and background), SongScanVoiceWork more per pattern
// channel whose voice sounds (its envelopes and effects run), and on a row tick
// SongScanRowWork more per pattern channel (the cell is read, notes start, the song-end state
// covers every channel). A unit is a nanosecond or two on a 2020s machine whatever the song.
// The default budget covers a one-hour song of 32 busy channels at speed 6, and some
// minutes of 255 channels playing a note on every row.
constexpr uint64_t SongScanTickWork = 16;
constexpr uint64_t SongScanVoiceWork = 3;
constexpr uint64_t SongScanRowWork = 12;
constexpr uint64_t SongScanBudget = 40'000'000;
// The budget of one whole measurement (all subsongs of a song, or all passes of a play).
constexpr uint64_t SongMeasureBudget = 4 * SongScanBudget;

// A process-wide request to stop: while the flag is non-zero every scan and seek ends at its
// next tick (a scan as out of work). The command-line tool points it at its stop signal.
void SetScanStopFlag(const std::atomic<int>* flag);
// Whether the stop flag is set.
bool ScanStopRequested();

class TKavoXMModule;
// The work of the tick the module has just run, in the units above.
uint64_t SongTickWork(const TKavoXMModule& m);

struct SongScanLimits {
    double CapSeconds = SongLengthCapSeconds;
    uint64_t Budget = SongScanBudget;   // one scan
    uint64_t Total = SongMeasureBudget; // all the scans of one measurement together
};

enum class SongScanEnd {
    Ends,      // the song ends: Frames is its length
    BeyondCap, // it plays on past the cap: Frames is the cap
    Unknown,   // the work budget ran out first: Frames is the time scanned
    NoSong,    // the image does not load, or the start is not a row of the song
};

struct SongScan {
    SongScanEnd End = SongScanEnd::NoSong;
    uint64_t Frames = 0;
    uint64_t Work = 0; // channel-ticks spent
    bool Ends() const { return End == SongScanEnd::Ends; }
    double Seconds(int32_t rate) const { return rate > 0 ? double(Frames) / rate : 0.0; }
};

// Order entries that a scan read at least one row of, before its end.
using ReachedOrders = std::array<bool, 256>;
// The frame (from the scan's start) at which a scan first read a row of each order entry; -1
// where it read none.
using OrderFrames = std::array<int64_t, 256>;

// Frames at `rate` of `passes` passes through the song in `image`, starting at order entry
// `startOrder`, row 0, as after the player's SetPosition (0: the song's own start), played at
// `tempoFactor` (TickLength.h; 65536 is 1.0).
SongScan ScanSongLength(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes = 1,
                        int32_t startOrder = 0, const SongScanLimits& limits = {},
                        uint32_t tempoFactor = 65536);

// The same on a loaded player from where its song stands (after StartOffline or SetPosition):
// ticks the player's module in scan mode and leaves it where the scan stopped (its voices are
// not fit to be mixed from there). Passes are counted from the module's SongEndCount at the
// call. `reached`, when given, is marked for every order entry the scan reads a row of before
// the end; `starts`, when given, gets the first frame of every order entry it reads that had
// none (-1) yet, counted from `firstFrame`.
SongScan ScanSongLength(TKavoXM& player, uint32_t passes, const SongScanLimits& limits = {},
                        ReachedOrders* reached = nullptr, OrderFrames* starts = nullptr,
                        int64_t firstFrame = 0);

// Length in frames of `passes` passes, at most `limitSeconds`; 0 when the image does not
// load or when the scan's default budget runs out first (the length is unknown).
uint64_t SongLengthFrames(const std::vector<uint8_t>& image, int32_t rate, uint32_t passes,
                          double limitSeconds);
