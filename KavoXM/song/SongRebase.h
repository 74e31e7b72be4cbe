#pragma once
// Carries snapshots from one player of a song to another player of the same song (both loaded
// from the same image): a snapshot's channels point into the instruments, samples and envelopes
// of the module they were taken from, and are moved to the matching ones of the other module.
// Lets a long run go on a scratch player while the live one plays on, and the state it reached
// be put into the live player afterwards.
#include "KavoXM/song/SongSnapshot.h"

#include <cstdint>
#include <utility>
#include <vector>

class TKavoXMModule;

class SongRebase {
  public:
    // Pairs the song data of `from` with that of `to`, slot by slot; Valid is false when the
    // two modules do not hold the same instruments and samples.
    SongRebase(const TKavoXMModule& from, TKavoXMModule& to);
    bool Valid() const { return valid_; }
    // Moves the snapshot's pointers over to the other module; false (the snapshot partly moved)
    // when one of them points at something the pairing does not know.
    bool Apply(SongSnapshot& snapshot) const;

  private:
    template <typename T> bool Move(const T*& pointer) const;
    void Pair(const void* from, const void* to);

    TKavoXMModule* to_;
    std::vector<std::pair<uintptr_t, const void*>> pairs_; // by the address paired, sorted
    bool valid_ = true;
};
