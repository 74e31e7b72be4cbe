#include "KavoXM/sequencer/SoundEffects.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/ClickRemoval.h"
#include "KavoXM/sequencer/GameState.h"

namespace {

constexpr int32_t SlotBits = 6;
// Voices carry channel numbers past any song channel's, so that nothing that looks for a song
// channel's voices (its volume, its meter) takes them.
constexpr int32_t FirstIndex = 1000; // ids: generation above, slot below
static_assert(TKavoXMSoundEffects::Voices <= (1 << SlotBits));

// A released voice whose volume has gone (a key-off without a volume envelope, the fade-out or
// the envelope at their end).
bool Faded(const TKavoXMChannel& c) {
    return c.KeyOff && c.FinalVolume == 0;
}

} // namespace

TKavoXMSoundEffects::TKavoXMSoundEffects(TKavoXMModule* module) : Module(module) {
    for (int32_t i = 0; i < Voices; ++i)
        Channels[size_t(i)] =
            std::make_unique<TKavoXMChannel>(module, FirstIndex + i, false, false);
}

TKavoXMSoundEffects::~TKavoXMSoundEffects() = default;

int32_t TKavoXMSoundEffects::Play(int32_t instrument, int32_t note, int32_t volume,
                                  int32_t panning) {
    if (Module == nullptr || instrument < 1 || instrument > TKavoXMModule::MaxInstruments ||
        Module->Instruments[size_t(instrument)] == nullptr || note < 1 || note > 96 ||
        volume < -1 || volume > 64 || panning < -1 || panning > 255)
        return 0;
    int32_t pick = 0;
    for (int32_t i = 0; i < Voices; ++i) {
        const Slot& s = Slots[size_t(i)];
        if (s.Now == State::Free) {
            pick = i;
            break;
        }
        if (s.Started < Slots[size_t(pick)].Started) pick = i;
    }
    Slot& s = Slots[size_t(pick)];
    s.Now = State::Starting;
    s.ReleaseAsked = s.StopAsked = false;
    s.Generation = (s.Generation + 1) & ((1u << (31 - SlotBits)) - 1);
    if (s.Generation == 0) s.Generation = 1;
    s.Started = ++Starts;
    s.Panning = panning;
    s.Cell = TKavoXMPatternNote{note, instrument, volume < 0 ? 0 : 0x10 + volume, 0, 0};
    return int32_t(s.Generation << SlotBits) | pick;
}

int32_t TKavoXMSoundEffects::SlotOf(int32_t id) const {
    if (id <= 0) return -1;
    const int32_t i = id & ((1 << SlotBits) - 1);
    if (i >= Voices) return -1;
    const Slot& s = Slots[size_t(i)];
    return s.Now != State::Free && s.Generation == uint32_t(id) >> SlotBits ? i : -1;
}

bool TKavoXMSoundEffects::Release(int32_t id) {
    const int32_t i = SlotOf(id);
    if (i < 0) return false;
    Slots[size_t(i)].ReleaseAsked = true;
    return true;
}

bool TKavoXMSoundEffects::Stop(int32_t id) {
    const int32_t i = SlotOf(id);
    if (i < 0) return false;
    Slots[size_t(i)].StopAsked = true;
    return true;
}

void TKavoXMSoundEffects::StopAll() {
    for (Slot& s : Slots)
        if (s.Now != State::Free) s.StopAsked = true;
}

int32_t TKavoXMSoundEffects::Busy() const {
    int32_t n = 0;
    for (const Slot& s : Slots) n += s.Now != State::Free ? 1 : 0;
    return n;
}

// The voice starts as a song channel does on loading, and reads its cell as a row's first tick.
// A voice it takes over fades out in the background.
void TKavoXMSoundEffects::Start(int32_t i) {
    TKavoXMChannel& c = *Channels[size_t(i)];
    Slot& s = Slots[size_t(i)];
    if (!c.MoveToBackground()) FoldIntoClickRemoval(c);
    c.Assign(*Module->PristineChannel);
    c.Index = FirstIndex + i;
    c.Reset();
    c.CurrentTick = 0;
    c.RowNote = s.Cell;
    c.ProcessRow(s.Cell);
    if (s.Panning >= 0) c.Panning = s.Panning;
    s.Now = State::Playing;
}

void TKavoXMSoundEffects::End(int32_t i, TKavoXMGameState& game) {
    TKavoXMChannel& c = *Channels[size_t(i)];
    Slot& s = Slots[size_t(i)];
    if (!c.MoveToBackground()) FoldIntoClickRemoval(c);
    c.Active = false;
    game.Emit(TKavoXMEventType::EffectEnd, int32_t(s.Generation << SlotBits) | i, 0, 0);
    s.Now = State::Free;
}

void TKavoXMSoundEffects::Tick(bool rowTick, TKavoXMGameState& game) {
    for (int32_t i = 0; i < Voices; ++i) {
        Slot& s = Slots[size_t(i)];
        TKavoXMChannel& c = *Channels[size_t(i)];
        if (s.Now != State::Free &&
            (s.StopAsked || (s.Now == State::Playing && (!c.Active || Faded(c)))))
            End(i, game);
        if (s.Now == State::Free) continue;
        if (s.Now == State::Starting) {
            Start(i);
        } else if (s.ReleaseAsked) {
            s.ReleaseAsked = false;
            c.CurrentTick = 0;
            c.RowNote = TKavoXMPatternNote{TKavoXMPatternNote::KeyOff, 0, 0, 0, 0};
            c.ProcessRow(c.RowNote);
        } else if (rowTick) {
            c.CurrentTick = 0;
            c.RowNote = {};
            c.ProcessRow(c.RowNote);
        } else {
            c.CurrentTick = Module->TickCounter;
            c.ProcessEffects(c.RowNote);
        }
        c.UpdateOutput();
    }
}

void TKavoXMSoundEffects::Restep() {
    for (auto& c : Channels) c->UpdateIncrement();
}
