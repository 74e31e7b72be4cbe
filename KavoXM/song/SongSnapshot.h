#pragma once
// The state of a player's song at a tick boundary: everything a tick or the mixer's advance of
// the voices reads or writes (song position and timing, song-end bookkeeping, click removal,
// the pattern channels in use and the background channels that have taken over a voice).
// Restoring it into the same player, with the same settings, continues exactly as the player
// continued from where it was captured.
#include "KavoXM/sequencer/Channel.h"

#include <array>
#include <cstdint>
#include <vector>

class TKavoXM;

struct SongSnapshot {
    uint64_t Frame = 0; // where in the run it was taken

    // Module.
    int32_t GlobalVolume = 0, TickCounter = 0, PatternDelay = 0;
    uint8_t Speed = 0, Tempo = 0, CurrentPattern = 0;
    int32_t JumpOrder = 0, JumpRow = 0, NextPatternRow = 0;
    bool JumpPending = false, SongJumpPending = false, SongJumpLanding = false;
    int32_t CurrentOrder = 0, CurrentRow = 0, PlayingOrder = 0, PlayingRow = 0;
    int32_t ClickRemovalLeft = 0, ClickRemovalRight = 0;
    int32_t TickLength = 0, SamplesPerTick = 0;
    uint32_t SongEndCount = 0;
    std::array<uint64_t, (256 * 256) / 64> PlayedRows{};
    // The song-end state record: its counters, and its hashes as the first StatesEnd entries
    // of the log the snapshots share (from StatesBegin, where the current pass began).
    uint32_t StateCount = 0;
    uint64_t StateSaved = 0, StateSteps = 0, StateWindow = 1;
    size_t StatesBegin = 0, StatesEnd = 0;

    std::vector<TKavoXMChannel> Channels; // pattern channels in use, then background in use
    int32_t PatternChannels = 0;          // of Channels

    bool operator==(const SongSnapshot&) const = default;
};

// The log of song-end hashes that snapshots point into: the record's occupied slots, added as
// they are met, so that a record can be rebuilt from a prefix of it.
struct SongStateLog {
    std::vector<std::pair<uint32_t, uint64_t>> Entries; // slot, hash
    std::vector<uint64_t> Shadow;                       // the record as last logged
};

// Takes the snapshot of `player` at `frame`; appends the record's new hashes to `log`.
// `previous`: the last snapshot taken with this log (nullptr for the first).
void CaptureSong(TKavoXM& player, uint64_t frame, SongStateLog& log, const SongSnapshot* previous,
                 SongSnapshot& into);
// Whether the song goes on the same way from `a` as from `b`, whatever their frames and pass
// counts: every other field equal, and their song-end records (in `logA`, `logB`) alike.
bool SameSongState(const SongSnapshot& a, const SongStateLog& logA, const SongSnapshot& b,
                   const SongStateLog& logB);
// Puts the player back into the captured state. Nothing allocates.
void RestoreSong(TKavoXM& player, const SongSnapshot& snapshot, const SongStateLog& log);
