#include "KavoXM/song/SeekIndex.h"

#include "KavoXM/player/Player.h"

#include <algorithm>
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

void SeekIndex::Visit(TKavoXM& player, uint64_t frame) {
    if (frame < next_) return;
    SongSnapshot snapshot;
    CaptureSong(player, frame, log_, snapshots_.empty() ? nullptr : &snapshots_.back(), snapshot);
    snapshots_.push_back(std::move(snapshot));
    next_ = frame + spacing_;
    if (Bytes() > MaxBytes && snapshots_.size() > 2) Thin();
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
    Visit(player, 0);
}

SeekResult SeekIndex::Seek(TKavoXM& player, uint64_t target, uint64_t budget) {
    if (target > reached_ && !ended_) {
        const SongSnapshot& last = snapshots_.back();
        RestoreSong(player, last, log_);
        const SeekVisit visit = [&](uint64_t frame) { Visit(player, frame); };
        const SeekResult r =
            SeekToFrame(player, target, block_, endCount_, last.Frame, budget, &visit);
        reached_ = std::max(reached_, r.Frame);
        ended_ = r.Ended;
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
