// One sequencer tick: a row tick reads the next row into the pattern channels, an effect tick
// runs the channels' running effects; then every channel computes its output values.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/ClickRemoval.h"
#include "KavoXM/sequencer/GameState.h"
#include "KavoXM/sequencer/SongEnd.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

int32_t SongLengthOf(const TKavoXMModule& m) {
    return std::clamp(m.SongLength, 0, TKavoXMModule::MaxOrders);
}

int32_t ChannelsInUse(const TKavoXMModule& m) {
    return std::clamp(m.ChannelCount, 0, TKavoXMModule::BankSize);
}

// The song starts over at order 0: song-wide settings back to their initial values and the
// pattern channels reset. The stopped voices hand their last output to click removal.
void RestartSong(TKavoXMModule& m) {
    m.GlobalVolume = 64;
    m.Speed = m.InitialSpeed;
    m.Tempo = m.InitialTempo;
    for (int32_t i = 0; i < ChannelsInUse(m); ++i) {
        TKavoXMChannel& channel = *m.PatternChannels[size_t(i)];
        if (channel.Active) FoldIntoClickRemoval(channel);
        channel.Reset();
    }
}

// Past the last order entry the song continues at the restart position; one outside the song
// restarts at order 0.
void WrapSong(TKavoXMModule& m) {
    const int32_t length = SongLengthOf(m);
    m.CurrentOrder = (m.RestartPosition >= 0 && m.RestartPosition < length) ? m.RestartPosition : 0;
    m.StoreCurrentRow(0);
    if (m.CurrentOrder == 0) RestartSong(m);
}

// The row a jump, a break or a pattern loop's hand-over starts order entry `order` at: a row
// past the end of its pattern starts it at row 0. An order outside the song keeps the row (the
// song wraps to row 0 there), and so does a pattern without rows (it is skipped).
int32_t EntryRow(const TKavoXMModule& m, int32_t order, int32_t row) {
    if (order < 0 || order >= SongLengthOf(m)) return row;
    const int32_t rows = m.Patterns[m.Orders[size_t(order)]]->RowCount;
    return rows > 0 && row >= rows ? 0 : row;
}

// Moves CurrentOrder and CurrentRow to the next playable row, skipping order entries whose
// pattern has no rows. Gives up when a second wrap shows that no entry from the restart
// position on has a playable row (at most 256 entries and one break row are examined).
bool FindRow(TKavoXMModule& m, bool& wrapped) {
    int32_t wraps = 0;
    for (int32_t examined = 0; examined <= TKavoXMModule::MaxOrders; ++examined) {
        if (m.CurrentOrder >= SongLengthOf(m)) {
            if (++wraps > 1 || SongLengthOf(m) == 0) {
                wrapped = true;
                return false;
            }
            WrapSong(m);
            wrapped = true;
        }
        m.StoreCurrentPattern(m.Orders[size_t(m.CurrentOrder)]);
        if (m.Patterns[m.CurrentPattern]->RowCount > m.CurrentRow) return true;
        ++m.CurrentOrder;
        m.StoreCurrentRow(EntryRow(m, m.CurrentOrder, std::exchange(m.NextPatternRow, 0)));
    }
    return false;
}

// No playable row: the pattern channels' voices fade out in the background, and the song
// stays silent.
void SilenceSong(TKavoXMModule& m) {
    for (int32_t i = 0; i < ChannelsInUse(m); ++i) m.PatternChannels[size_t(i)]->MoveToBackground();
}

// Effects that act on the whole song rather than on the channel's voice: position jump,
// pattern break, pattern loop, pattern delay, speed/tempo, global volume and its slide.
bool SongWideEffect(const TKavoXMPatternNote& note) {
    switch (note.Effect) {
    case 0xB:
    case 0xD:
    case 0xF:
    case 0x10:
    case 0x11:
        return true;
    case 0xE:
        return (note.EffectParameter >> 4) == 0x6 || (note.EffectParameter >> 4) == 0xE;
    default:
        return false;
    }
}

// What a muted channel reads of a cell: its song-wide effect, nothing else.
TKavoXMPatternNote MutedCell(const TKavoXMPatternNote& note) {
    TKavoXMPatternNote kept;
    if (SongWideEffect(note)) {
        kept.Effect = note.Effect;
        kept.EffectParameter = note.EffectParameter;
    }
    return kept;
}

void ReadRow(TKavoXMModule& m) {
    const TKavoXMPattern& pattern = *m.Patterns[m.CurrentPattern];
    for (int32_t i = 0; i < ChannelsInUse(m); ++i) {
        TKavoXMChannel& channel = *m.PatternChannels[size_t(i)];
        channel.CurrentTick = m.TickCounter;
        channel.RowNote =
            i < pattern.ChannelCount ? pattern.GetNote(m.CurrentRow, i) : TKavoXMPatternNote{};
        if (channel.Muted) channel.RowNote = MutedCell(channel.RowNote);
        channel.ProcessRow(channel.RowNote);
    }
}

void RowTick(TKavoXMModule& m) {
    m.TickCounter = 0;
    m.PatternDelay = 0;
    m.JumpOrder = 0;
    m.JumpRow = 0;
    m.JumpPending = false;
    m.SongJumpPending = false;

    bool wrapped = false;
    const bool found = FindRow(m, wrapped);
    const uint64_t state = found ? songend::StateOf(m) : 0;
    if (wrapped || (found && songend::RepeatsPass(m, state, m.SongJumpLanding)))
        songend::EndPass(m);
    m.SongJumpLanding = false;
    if (!found) {
        m.PlayingOrder = -1;
        m.PlayingRow = -1;
        SilenceSong(m);
        return;
    }
    songend::RecordRow(m, state);
    m.PlayingOrder = m.CurrentOrder;
    m.PlayingRow = m.CurrentRow;
    ReadRow(m);
    if (m.JumpPending) {
        m.CurrentOrder = m.JumpOrder;
        m.StoreCurrentRow(EntryRow(m, m.JumpOrder, m.JumpRow));
        m.SongJumpLanding = m.SongJumpPending;
    } else {
        m.StoreCurrentRow(m.CurrentRow + 1);
    }
}

void EffectsOfBank(TKavoXMModule& m, std::array<std::unique_ptr<TKavoXMChannel>, 256>& bank,
                   int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        TKavoXMChannel& channel = *bank[size_t(i)];
        channel.CurrentTick = m.TickCounter;
        channel.ProcessEffects(channel.RowNote);
    }
}

// Reserve and background channels never start notes: a reserve channel never sounds, and a
// background channel sounds only after taking over a whole voice (Assign), which overwrites
// everything a tick could change in it. Their ticks therefore run for the background channels
// that have taken over a voice and still sound: the same result as visiting all 512, without
// the cost of the idle ones.
void EffectTick(TKavoXMModule& m) {
    EffectsOfBank(m, m.PatternChannels, ChannelsInUse(m));
    if (m.ScanOnly) return; // background channels never move the song
    for (int32_t i = 0; i < m.BackgroundInUse; ++i) {
        TKavoXMChannel& channel = *m.BackgroundChannels[size_t(i)];
        if (!channel.Active) continue;
        channel.CurrentTick = m.TickCounter;
        channel.ProcessEffects(channel.RowNote);
    }
}

// Scan mode: of a channel's output update only what the song's course can see. A channel
// without an instrument falls silent, and a sounding one brings the global volume into range
// (the song-end states record it).
void UpdateScanOutputs(TKavoXMModule& m) {
    for (int32_t i = 0; i < ChannelsInUse(m); ++i) {
        TKavoXMChannel& channel = *m.PatternChannels[size_t(i)];
        if (channel.Instrument == nullptr) channel.Active = false;
        if (channel.Active) {
            m.GlobalVolume = std::clamp(m.GlobalVolume, 0, 64);
            m.MasterVolume = std::clamp(m.MasterVolume, 0, 256);
        }
    }
}

void UpdateOutputs(TKavoXMModule& m) {
    if (m.ScanOnly) {
        UpdateScanOutputs(m);
        return;
    }
    for (int32_t i = 0; i < ChannelsInUse(m); ++i) m.PatternChannels[size_t(i)]->UpdateOutput();
    for (int32_t i = 0; i < m.BackgroundInUse; ++i)
        if (m.BackgroundChannels[size_t(i)]->Active)
            m.BackgroundChannels[size_t(i)]->UpdateOutput();
}

} // namespace

void TKavoXMModule::ProcessTick() {
    ++TickCounter;
    // A row lasts Speed x (PatternDelay + 1) ticks; both are re-read every tick, so Fxx and
    // EEx change the length of the row that carries them. Speed 0 makes every tick a row tick.
    const bool rowTick = int32_t(Speed) * (PatternDelay + 1) <= TickCounter;
    TKavoXMGameState* game = ScanOnly ? nullptr : Game.get();
    if (!rowTick) {
        EffectTick(*this);
    } else {
        if (game != nullptr) game->BeforeRow(*this);
        RowTick(*this);
        if (game != nullptr) game->AfterRow(*this);
    }
    if (game != nullptr) game->Tick(*this, rowTick);
    UpdateOutputs(*this);
}
