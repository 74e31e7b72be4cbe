#pragma once
#include "KavoXM/module/Instrument.h"
#include "KavoXM/module/Pattern.h"
#include "KavoXM/module/Stream.h"
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TKavoXM;
class TKavoXMChannel;
class TKavoXMGameState;
struct TKavoXMLoadInfo;

// What a load reads: everything, or all but the sample values, for a look at a song that is
// not played (lengths and loops are set as by a full load; the samples hold no values and
// sound as silence).
enum class TKavoXMLoadParts { Everything, WithoutSampleData };

// Sequencing states met since the current pass through the song began, each as a 64-bit
// hash of the position, speed, tempo, global volume and every channel's pattern-loop state.
// Meeting one again means the song repeats itself for ever from there: that ends the pass.
// The table is allocated with the module; a pass that outgrows it is watched by a cycle
// check that needs one saved state (it finds the repeat within two lengths of the cycle).
struct TKavoXMStateRecord {
    static constexpr uint32_t Slots = 1u << 16;     // open addressing, at most half full
    static constexpr uint32_t Capacity = Slots / 2; // states recorded per pass
    std::unique_ptr<uint64_t[]> Hashes;             // Slots entries, 0 for a free slot
    uint32_t Count = 0;
    uint64_t Saved = 0;  // cycle check: the state saved last
    uint64_t Steps = 0;  // states since it was saved
    uint64_t Window = 1; // states until the next one is saved (doubles each time)
};

// The song and all playback state.
class TKavoXMModule {
  public:
    static constexpr int32_t MaxInstruments = 255; // numbered 1..255
    static constexpr int32_t MaxPatterns = 256;
    static constexpr int32_t MaxOrders = 256;
    static constexpr int32_t BankSize = 256; // channels per bank
    static constexpr int32_t FXStreamCount = 100;

    TKavoXM* Player = nullptr; // not owned
    std::string Name;
    std::string TrackerName; // the header's tracker name up to its first NUL, spaces kept
    // Arpeggio 0, x, y on ticks 0, 1, 2 of a row, as the trackers named below play it (else
    // the order counted down from the speed, as FastTracker 2 and MilkyTracker play it).
    bool ArpeggioInTickOrder = false;
    std::string Message;
    std::array<std::unique_ptr<TKavoXMInstrument>, MaxInstruments + 1> Instruments; // slot 0 unused
    std::array<std::unique_ptr<TKavoXMChannel>, BankSize> PatternChannels;
    std::array<std::unique_ptr<TKavoXMChannel>, BankSize> ReserveChannels;
    std::array<std::unique_ptr<TKavoXMChannel>, BankSize> BackgroundChannels;
    std::array<std::unique_ptr<TKavoXMPattern>, MaxPatterns> Patterns;
    std::array<uint8_t, MaxOrders> Orders{};
    int32_t GlobalVolume = 64;  // 0..64
    int32_t MasterVolume = 128; // 0..256
    int32_t TickCounter = 0;    // ticks since the current row was read
    int32_t PatternDelay = 0;   // extra row-lengths (EEx)
    uint8_t Speed = 6;          // ticks per row
    uint8_t Tempo = 125;        // beats per minute
    uint8_t InitialSpeed = 6;
    uint8_t InitialTempo = 125;
    int32_t JumpOrder = 0;
    int32_t JumpRow = 0;
    bool JumpPending = false;
    // The row the next pattern starts at, after a pattern loop has jumped (else 0).
    int32_t NextPatternRow = 0;
    int32_t SampleRate = 0;
    int32_t CurrentOrder = 0;
    int32_t CurrentRow = 0; // row to be read next (see also CurrentRowShown)
    uint8_t CurrentPattern = 0;
    int32_t SongLength = 0; // order entries in use, 0..256
    int32_t RestartPosition = 0;
    bool LinearFrequencies = true;
    int32_t ChannelCount = 0; // pattern channels in use, 0..255
    bool Loaded = false;
    int32_t ClickRemovalLeft = 0; // mixing-buffer units
    int32_t ClickRemovalRight = 0;
    int32_t TickLength = 0;             // output frames per tick
    int32_t RampLength = 128;           // frames, pattern channels
    int32_t BackgroundRampLength = 128; // frames, background channels
    std::unique_ptr<TKavoXMStream> EQFXStream;
    std::unique_ptr<TKavoXMStream> MODUStream;
    std::array<std::unique_ptr<TKavoXMStream>, FXStreamCount> FXStreams;

    // Background channels 0 .. BackgroundInUse - 1 are the ones that have taken over a voice
    // since playback started; the others are silent, and ticks and the mixer pass them by.
    // (Reserve channels never take over a voice: they never sound.)
    int32_t BackgroundInUse = 0;

    // Scan mode: ticks follow only what moves the song position and its timing (rows, effects
    // of the pattern channels, song end); voices get no output values and the background
    // channels stand still. For length scans and seeks; nothing is mixed meanwhile.
    bool ScanOnly = false;

    // Song-end bookkeeping: completed passes through the song since playback started,
    // which (order, row) pairs have been played in the current pass, and the sequencing
    // states met in it (SongEnd.cpp).
    uint32_t SongEndCount = 0;
    std::array<uint64_t, (MaxOrders * 256) / 64> PlayedRows{};
    TKavoXMStateRecord PlayedStates;
    // The jump requested on the current row is a position jump or pattern break without a
    // pattern loop on the same row, and the next row tick checks whether that jump landed on
    // a played row.
    bool SongJumpPending = false;
    bool SongJumpLanding = false;
    // The order entry and row that the last row tick read (CurrentOrder and CurrentRow have
    // moved on to the next row by then); -1 when it found no playable row.
    int32_t PlayingOrder = 0;
    int32_t PlayingRow = 0;
    // A channel as it is created: SetPosition restores every channel from it.
    std::unique_ptr<TKavoXMChannel> PristineChannel;
    // Queued jumps, events, sound effects and fades, for hosts that ask for them (else null).
    std::unique_ptr<TKavoXMGameState> Game;

    explicit TKavoXMModule(TKavoXM* player);
    ~TKavoXMModule();
    TKavoXMModule(const TKavoXMModule&) = delete;
    TKavoXMModule& operator=(const TKavoXMModule&) = delete;

    void Clear();
    void ResetPlayback();
    // Starts the song afresh at `order` and `row` (SongPosition.cpp): every channel of the
    // three banks back to its state after loading (voices cut, background copies gone, effect
    // memories and pattern-loop state cleared), click removal cleared, global volume 64, the
    // song's initial speed and tempo, and a new pass (SongEndCount 0). Playing on from there
    // is exactly like playing a copy of the song whose order list begins at `order`. Returns
    // false and changes nothing when `order` is not below SongLength or `row` is not a row of
    // that entry's pattern.
    bool SetPosition(int32_t order, int32_t row);

    // The song position is written by the output thread and read by a host without the lock:
    // both sides go through these relaxed atomic accesses.
    void StoreCurrentRow(int32_t row) {
        std::atomic_ref<int32_t>(CurrentRow).store(row, std::memory_order_relaxed);
    }
    void StoreCurrentPattern(uint8_t pattern) {
        std::atomic_ref<uint8_t>(CurrentPattern).store(pattern, std::memory_order_relaxed);
    }
    int32_t LoadCurrentRow() const {
        return std::atomic_ref<int32_t>(const_cast<int32_t&>(CurrentRow))
            .load(std::memory_order_relaxed);
    }
    // Completed passes through the song, safe to read while the output thread plays.
    uint32_t LoadSongEndCount() const {
        return std::atomic_ref<uint32_t>(const_cast<uint32_t&>(SongEndCount))
            .load(std::memory_order_relaxed);
    }
    uint8_t LoadCurrentPattern() const {
        return std::atomic_ref<uint8_t>(const_cast<uint8_t&>(CurrentPattern))
            .load(std::memory_order_relaxed);
    }
    bool LoadFromMemory(const void* data, int32_t size);
    // Same, and on success fills `info` (when given) with header facts the model does not keep.
    bool LoadFromMemory(const void* data, int32_t size, TKavoXMLoadInfo* info,
                        TKavoXMLoadParts parts = TKavoXMLoadParts::Everything);

    // Sequencer.
    void ProcessTick();

    // Pitch.
    int32_t NoteToPeriod(int32_t note, int32_t fineTune) const;
    int32_t PeriodToNote(int32_t period, int32_t fineTune) const;
    int32_t PeriodToFrequency(int32_t period) const;
    int64_t PeriodToIncrement(int32_t period, int32_t rate) const;
};
