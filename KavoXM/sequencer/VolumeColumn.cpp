#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectParameter.h"

using effects::Accumulated;

// The volume-column byte: the high nibble selects the command, the low nibble n is its value
// ($10..$50 set the volume 0..64 directly).

// Row-tick part. Entries that only set a memory act on every call; entries that change the
// volume or panning act only when the row's note is due (delay == CurrentTick).
void TKavoXMChannel::RowVolumeColumn(const TKavoXMPatternNote& note, int32_t delay) {
    const int32_t v = note.Volume;
    if (v < 0x10 || v > 0xFF) return;
    const int32_t n = v & 15;
    const bool due = delay == CurrentTick;
    switch (v >> 4) {
    case 0x1:
    case 0x2:
    case 0x3:
    case 0x4:
    case 0x5:
        // A volume brings back a note that a tremor or a key-off left silent.
        if (due && v <= 0x50) {
            Volume = v - 0x10;
            TremorMuted = false;
            KeyOffMuted = false;
        }
        break;
    case 0x8:
        if (due) Volume = Accumulated(int64_t(Volume) - n);
        break;
    case 0x9:
        if (due) Volume = Accumulated(int64_t(Volume) + n);
        break;
    case 0xA:
        VibratoSpeed = n;
        break;
    case 0xB:
        VibratoDepth = n;
        ApplyVibrato();
        break;
    case 0xC:
        // A delayed key-off without an instrument number leaves the panning where it is.
        if (due && !(delay > 0 && note.Note == TKavoXMPatternNote::KeyOff && note.Instrument == 0))
            Panning = n * 16;
        break;
    case 0xF:
        // $Fx slides like 3x0; $F0 keeps the speed that 3xx and $Fx share.
        if (n != 0) TonePortamentoSpeed = n * 16;
        break;
    default:
        break;
    }
}

// Effect-tick part. Slides act from the tick the note is due on; vibrato and tone portamento
// run on every effect tick.
void TKavoXMChannel::TickVolumeColumn(const TKavoXMPatternNote& note, int32_t delay) {
    const int32_t v = note.Volume;
    if (v < 0x60 || v > 0xFF) return;
    const int32_t n = v & 15;
    const bool started = delay <= CurrentTick;
    switch (v >> 4) {
    case 0x6:
        if (started) Volume = Accumulated(int64_t(Volume) - n);
        break;
    case 0x7:
        if (started) Volume = Accumulated(int64_t(Volume) + n);
        break;
    case 0xB:
        DoVibrato();
        break;
    case 0xD:
        if (started) Panning = Accumulated(int64_t(Panning) - n);
        break;
    case 0xE:
        if (started) Panning = Accumulated(int64_t(Panning) + n);
        break;
    case 0xF:
        DoTonePortamento();
        break;
    default:
        break;
    }
}
