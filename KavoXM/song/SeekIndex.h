#pragma once
// Fast seeks by time: snapshots of the song's state every few seconds of one run through it,
// so that a seek restores the nearest snapshot before its target and plays forward from there
// only. Memory is bounded: past MaxBytes every other snapshot goes and the spacing doubles.
// Past the run's end (the cap or its work) a seek runs on from the last snapshot, within a
// budget of its own. A song that repeats itself (a pass that begins in the very state of the
// pass before it) is seen once: the run stops there, and a seek into any later pass starts
// from the matching place of the last pass seen, moved on by whole passes.
#include "KavoXM/song/SeekTime.h"
#include "KavoXM/song/SongSnapshot.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TKavoXM;

class SeekIndex {
  public:
    static constexpr double SpacingSeconds = 2.0;
    static constexpr size_t MaxBytes = size_t(32) << 20;

    // Starts a new run from where the player stands (a tick boundary, frame 0 of a render in
    // blocks of `blockFrames` frames, playing to the end of pass `endCount`): its first
    // snapshot. `key` names the settings the run depends on (Matches tells them apart).
    void Start(TKavoXM& player, int32_t blockFrames, uint32_t endCount, uint64_t key);
    bool Matches(uint64_t key) const { return !snapshots_.empty() && key_ == key; }
    void Clear();

    // Seeks the player (of the run's song and settings, anywhere) to frame `target` of the
    // run: exactly what SeekToFrame from the run's start gives. From the nearest snapshot
    // before the target; a target past the part of the run already seen carries the run on,
    // taking snapshots. Each call does at most `budget` work (else its result is Cut, and the
    // next call carries on from there).
    SeekResult Seek(TKavoXM& player, uint64_t target, uint64_t budget = SeekBudget);

    size_t Snapshots() const { return snapshots_.size(); }
    size_t Bytes() const;

    // Frames of one pass once the song is known to repeat itself (else 0).
    uint64_t Period() const { return period_; }

  private:
    // The state at the first tick boundary of a pass, with its own song-end record log.
    struct PassStart {
        SongSnapshot State;
        SongStateLog Log;
    };

    bool Visit(TKavoXM& player, uint64_t frame);
    void Thin();
    bool NotePass(TKavoXM& player, uint64_t frame);
    SeekResult SeekRepeated(TKavoXM& player, uint64_t target, uint64_t budget);

    uint64_t key_ = 0;
    int32_t block_ = 1;
    uint32_t endCount_ = 0;
    uint64_t spacing_ = 0;
    uint64_t next_ = 0;    // frame of the next snapshot
    uint64_t reached_ = 0; // the run has been seen up to here
    bool ended_ = false;   // and the song ended there
    std::vector<SongSnapshot> snapshots_;
    SongStateLog log_;
    // Pass starts: the last one seen; once two in a row are alike, the first of them and the
    // frames between them.
    uint32_t passes_ = 0; // the song's pass count at the last tick boundary seen
    PassStart lastPass_;
    bool haveLastPass_ = false;
    PassStart periodStart_;
    uint64_t period_ = 0;
};
