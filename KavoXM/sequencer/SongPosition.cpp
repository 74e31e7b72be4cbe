// Seeking: the song starts afresh at a given order entry and row.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/GameState.h"
#include "KavoXM/sequencer/SongEnd.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>

namespace {

// Puts a channel back into the state it has after loading: the pristine channel's fields,
// with the channel's own place, file data (name, CHFX value, initial panning), bank flags and
// host controls (mute, volume) kept, then the channel reset. Nothing allocates: the name's buffer
// is swapped out and back, and the pristine name is empty.
void RestoreChannel(TKavoXMChannel& channel, const TKavoXMChannel& pristine) {
    const int32_t index = channel.Index;
    const int32_t channelFX = channel.ChannelFX;
    const int32_t initialPanning = channel.InitialPanning;
    const bool muted = channel.Muted;
    const int32_t hostVolume = channel.HostVolume;
    std::string name;
    name.swap(channel.Name);
    channel.Assign(pristine);
    channel.Name.swap(name);
    channel.Index = index;
    channel.ChannelFX = channelFX;
    channel.InitialPanning = initialPanning;
    channel.Muted = muted;
    channel.HostVolume = hostVolume;
    channel.Reset();
}

void RestoreBank(std::array<std::unique_ptr<TKavoXMChannel>, TKavoXMModule::BankSize>& bank,
                 const TKavoXMChannel& pristine) {
    for (auto& channel : bank) RestoreChannel(*channel, pristine);
}

} // namespace

bool TKavoXMModule::SetPosition(int32_t order, int32_t row) {
    if (order < 0 || order >= std::min(SongLength, MaxOrders) || row < 0) return false;
    if (row >= Patterns[Orders[size_t(order)]]->RowCount) return false;
    // Voices stop without a fade and nothing of them goes to click removal: what follows
    // does not depend on what played before the seek.
    RestoreBank(PatternChannels, *PristineChannel);
    RestoreBank(ReserveChannels, *PristineChannel);
    RestoreBank(BackgroundChannels, *PristineChannel);
    BackgroundInUse = 0;
    ClickRemovalLeft = 0;
    ClickRemovalRight = 0;
    GlobalVolume = 64;
    Speed = InitialSpeed;
    Tempo = InitialTempo;
    TickCounter = Speed; // the next tick reads the row
    PatternDelay = 0;
    NextPatternRow = 0;
    JumpOrder = 0;
    JumpRow = 0;
    JumpPending = false;
    SongJumpPending = false;
    SongJumpLanding = false;
    CurrentOrder = order;
    StoreCurrentRow(row);
    StoreCurrentPattern(Orders[size_t(order)]);
    PlayingOrder = order;
    PlayingRow = row;
    std::atomic_ref<uint32_t>(SongEndCount).store(0, std::memory_order_relaxed);
    songend::ForgetPass(*this);
    if (Game != nullptr) Game->Restart();
    return true;
}
