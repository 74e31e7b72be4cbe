#include "KavoXM/song/SongSnapshot.h"

#include "KavoXM/player/Player.h"

#include <algorithm>
#include <atomic>
#include <span>

namespace {

int32_t ChannelsInUse(const TKavoXMModule& m) {
    return std::clamp(m.ChannelCount, 0, TKavoXMModule::BankSize);
}

// The record's slots that changed since the last capture go into the log; a record that was
// cleared (a new pass) starts a new stretch of the log.
void LogStates(const TKavoXMStateRecord& record, SongStateLog& log, SongSnapshot& into,
               const SongSnapshot* previous) {
    if (!record.Hashes) return;
    constexpr uint32_t slots = TKavoXMStateRecord::Slots;
    if (log.Shadow.size() != slots) log.Shadow.assign(slots, 0);
    const bool newPass = previous == nullptr || record.Count < previous->StateCount ||
                         into.SongEndCount != previous->SongEndCount;
    if (newPass) std::fill(log.Shadow.begin(), log.Shadow.end(), 0);
    into.StatesBegin = newPass ? log.Entries.size() : previous->StatesBegin;
    if (record.Count > 0)
        for (uint32_t slot = 0; slot < slots; ++slot)
            if (record.Hashes[slot] != log.Shadow[slot]) {
                log.Shadow[slot] = record.Hashes[slot];
                log.Entries.emplace_back(slot, record.Hashes[slot]);
            }
    into.StatesEnd = log.Entries.size();
}

} // namespace

void CaptureSong(TKavoXM& player, uint64_t frame, SongStateLog& log, const SongSnapshot* previous,
                 SongSnapshot& into) {
    const TKavoXMModule& m = *player.Module;
    into.Frame = frame;
    into.GlobalVolume = m.GlobalVolume;
    into.TickCounter = m.TickCounter;
    into.PatternDelay = m.PatternDelay;
    into.Speed = m.Speed;
    into.Tempo = m.Tempo;
    into.CurrentPattern = m.CurrentPattern;
    into.JumpOrder = m.JumpOrder;
    into.JumpRow = m.JumpRow;
    into.NextPatternRow = m.NextPatternRow;
    into.JumpPending = m.JumpPending;
    into.SongJumpPending = m.SongJumpPending;
    into.SongJumpLanding = m.SongJumpLanding;
    into.CurrentOrder = m.CurrentOrder;
    into.CurrentRow = m.CurrentRow;
    into.PlayingOrder = m.PlayingOrder;
    into.PlayingRow = m.PlayingRow;
    into.ClickRemovalLeft = m.ClickRemovalLeft;
    into.ClickRemovalRight = m.ClickRemovalRight;
    into.TickLength = m.TickLength;
    into.SamplesPerTick = player.SamplesPerTick;
    into.SongEndCount = m.SongEndCount;
    into.PlayedRows = m.PlayedRows;
    const TKavoXMStateRecord& r = m.PlayedStates;
    LogStates(r, log, into, previous);
    into.StateCount = r.Count;
    into.StateSaved = r.Saved;
    into.StateSteps = r.Steps;
    into.StateWindow = r.Window;
    into.PatternChannels = ChannelsInUse(m);
    into.Channels.clear();
    into.Channels.reserve(size_t(into.PatternChannels + m.BackgroundInUse));
    for (int32_t i = 0; i < into.PatternChannels; ++i)
        into.Channels.push_back(*m.PatternChannels[size_t(i)]);
    for (int32_t i = 0; i < m.BackgroundInUse; ++i)
        into.Channels.push_back(*m.BackgroundChannels[size_t(i)]);
}

bool SameSongState(const SongSnapshot& a, const SongStateLog& logA, const SongSnapshot& b,
                   const SongStateLog& logB) {
    const auto states = [](const SongSnapshot& s, const SongStateLog& log) {
        return std::span(log.Entries).subspan(s.StatesBegin, s.StatesEnd - s.StatesBegin);
    };
    const auto sa = states(a, logA), sb = states(b, logB);
    if (!std::equal(sa.begin(), sa.end(), sb.begin(), sb.end())) return false;
    SongSnapshot same = a;
    same.Frame = b.Frame;
    same.SongEndCount = b.SongEndCount;
    same.StatesBegin = b.StatesBegin;
    same.StatesEnd = b.StatesEnd;
    return same == b;
}

void RestoreSong(TKavoXM& player, const SongSnapshot& s, const SongStateLog& log) {
    TKavoXMModule& m = *player.Module;
    m.GlobalVolume = s.GlobalVolume;
    m.TickCounter = s.TickCounter;
    m.PatternDelay = s.PatternDelay;
    m.Speed = s.Speed;
    m.Tempo = s.Tempo;
    m.StoreCurrentPattern(s.CurrentPattern);
    m.JumpOrder = s.JumpOrder;
    m.JumpRow = s.JumpRow;
    m.NextPatternRow = s.NextPatternRow;
    m.JumpPending = s.JumpPending;
    m.SongJumpPending = s.SongJumpPending;
    m.SongJumpLanding = s.SongJumpLanding;
    m.CurrentOrder = s.CurrentOrder;
    m.StoreCurrentRow(s.CurrentRow);
    m.PlayingOrder = s.PlayingOrder;
    m.PlayingRow = s.PlayingRow;
    m.ClickRemovalLeft = s.ClickRemovalLeft;
    m.ClickRemovalRight = s.ClickRemovalRight;
    m.TickLength = s.TickLength;
    player.SamplesPerTick = s.SamplesPerTick;
    player.SamplesLeftInTick = 0;
    std::atomic_ref<uint32_t>(m.SongEndCount).store(s.SongEndCount, std::memory_order_relaxed);
    m.PlayedRows = s.PlayedRows;
    TKavoXMStateRecord& r = m.PlayedStates;
    if (r.Hashes) {
        std::fill_n(r.Hashes.get(), TKavoXMStateRecord::Slots, 0);
        for (size_t i = s.StatesBegin; i < s.StatesEnd; ++i)
            r.Hashes[log.Entries[i].first] = log.Entries[i].second;
    }
    r.Count = s.StateCount;
    r.Saved = s.StateSaved;
    r.Steps = s.StateSteps;
    r.Window = s.StateWindow;
    for (int32_t i = 0; i < s.PatternChannels; ++i)
        m.PatternChannels[size_t(i)]->Assign(s.Channels[size_t(i)]);
    // Background channels past the snapshot's were idle then: they are put back to idle.
    const auto background = int32_t(s.Channels.size()) - s.PatternChannels;
    for (int32_t i = 0; i < m.BackgroundInUse; ++i)
        if (i >= background) m.BackgroundChannels[size_t(i)]->Active = false;
    for (int32_t i = 0; i < background; ++i)
        m.BackgroundChannels[size_t(i)]->Assign(s.Channels[size_t(s.PatternChannels + i)]);
    m.BackgroundInUse = background;
}
