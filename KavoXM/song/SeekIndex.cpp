#include "KavoXM/song/SeekIndex.h"

#include "KavoXM/player/Player.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

size_t SnapshotBytes(const SongSnapshot& s) {
    return sizeof(SongSnapshot) + s.Channels.capacity() * sizeof(TKavoXMChannel);
}

} // namespace

void SeekIndex::Clear() {
    snapshots_.clear();
    log_.Entries.clear();
    log_.Shadow.clear();
    haveLastPass_ = false;
    period_ = 0;
}

size_t SeekIndex::Bytes() const {
    size_t bytes = log_.Entries.capacity() * sizeof(log_.Entries[0]) +
                   log_.Shadow.capacity() * sizeof(uint64_t);
    for (const SongSnapshot& s : snapshots_) bytes += SnapshotBytes(s);
    return bytes;
}

void SeekIndex::Thin() {
    // Keeps snapshots 0, 2, 4, ...: the first (the run's start) stays.
    size_t kept = 0;
    for (size_t i = 0; i < snapshots_.size(); i += 2) snapshots_[kept++] = std::move(snapshots_[i]);
    snapshots_.resize(kept);
    spacing_ *= 2;
    next_ = snapshots_.back().Frame + spacing_;
}

bool SeekIndex::NotePass(TKavoXM& player, uint64_t frame) {
    const uint32_t passes = player.Module->SongEndCount;
    if (passes == passes_) return true;
    passes_ = passes;
    // Two places whose states are alike, the later one pass further on: from there on the
    // song repeats them, one pass after another.
    const bool next = haveLastPass_ && passes == lastPass_.State.SongEndCount + 1;
    PassStart now;
    CaptureSong(player, frame, now.Log, nullptr, now.State);
    if (next && SameSongState(now.State, now.Log, lastPass_.State, lastPass_.Log)) {
        period_ = frame - lastPass_.State.Frame;
        periodStart_ = std::move(lastPass_);
        haveLastPass_ = false;
        return false; // every later pass is this one again
    }
    lastPass_ = std::move(now);
    haveLastPass_ = true;
    return true;
}

bool SeekIndex::Visit(TKavoXM& player, uint64_t frame) {
    if (frame >= next_) {
        SongSnapshot snapshot;
        CaptureSong(player, frame, log_, snapshots_.empty() ? nullptr : &snapshots_.back(),
                    snapshot);
        snapshots_.push_back(std::move(snapshot));
        next_ = frame + spacing_;
        if (Bytes() > MaxBytes && snapshots_.size() > 2) Thin();
    }
    return NotePass(player, frame);
}

void SeekIndex::Start(TKavoXM& player, int32_t blockFrames, uint32_t endCount, uint64_t key) {
    Clear();
    key_ = key;
    block_ = std::max(blockFrames, 1);
    endCount_ = endCount;
    spacing_ = std::max<uint64_t>(uint64_t(std::llround(SpacingSeconds * player.SampleRate)), 1);
    next_ = 0;
    reached_ = 0;
    ended_ = false;
    passes_ = player.Module->SongEndCount;
    Visit(player, 0);
}

SeekResult SeekIndex::SeekRepeated(TKavoXM& player, uint64_t target, uint64_t budget) {
    const SongSnapshot& first = periodStart_.State;
    // Whole passes to skip: as many as lie before the target, but none past the pass that
    // ends the run (the count reaches endCount_ at the end of pass number endCount_ - 1).
    uint64_t skip = (target - first.Frame) / period_;
    const uint64_t lastPass =
        endCount_ > first.SongEndCount ? endCount_ - first.SongEndCount - 1 : 0;
    skip = std::min(skip, lastPass);
    const uint64_t local = target - skip * period_;
    // The last snapshot of the repeated stretch at or before the target's place in it.
    const SongSnapshot* from = &first;
    const SongStateLog* log = &periodStart_.Log;
    auto after =
        std::upper_bound(snapshots_.begin(), snapshots_.end(), local,
                         [](uint64_t frame, const SongSnapshot& s) { return frame < s.Frame; });
    if (after != snapshots_.begin() && std::prev(after)->Frame >= first.Frame) {
        from = &*std::prev(after);
        log = &log_;
    }
    RestoreSong(player, *from, *log);
    std::atomic_ref<uint32_t>(player.Module->SongEndCount)
        .store(from->SongEndCount + uint32_t(skip), std::memory_order_relaxed);
    return SeekToFrame(player, target, block_, endCount_, from->Frame + skip * period_, budget);
}

SeekResult SeekIndex::Seek(TKavoXM& player, uint64_t target, uint64_t budget) {
    if (period_ > 0 && target >= periodStart_.State.Frame)
        return SeekRepeated(player, target, budget);
    if (target > reached_ && !ended_) {
        const SongSnapshot& last = snapshots_.back();
        RestoreSong(player, last, log_);
        passes_ = last.SongEndCount;
        const SeekVisit visit = [&](uint64_t frame) { return Visit(player, frame); };
        SeekResult r = SeekToFrame(player, target, block_, endCount_, last.Frame, budget, &visit);
        reached_ = std::max(reached_, r.Frame);
        ended_ = r.Ended;
        if (period_ > 0 && target >= periodStart_.State.Frame)
            return SeekRepeated(player, target, budget);
        return r;
    }
    // The last snapshot at or before the target (the first is at frame 0).
    auto after =
        std::upper_bound(snapshots_.begin(), snapshots_.end(), target,
                         [](uint64_t frame, const SongSnapshot& s) { return frame < s.Frame; });
    const SongSnapshot& from = *std::prev(after);
    RestoreSong(player, from, log_);
    return SeekToFrame(player, target, block_, endCount_, from.Frame, budget);
}
