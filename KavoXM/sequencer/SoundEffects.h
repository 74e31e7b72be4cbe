#pragma once
// Notes of the song's instruments played by the host over the music, on voices of their own
// beyond the song's channels. Each voice is a channel that reads one cell (the note, its
// instrument and volume) and then empty rows, as a song channel would; the mixer mixes it
// with the song's voices. Requests act on the next tick.
#include "KavoXM/module/PatternNote.h"

#include <array>
#include <cstdint>
#include <memory>

class TKavoXMModule;
class TKavoXMChannel;
class TKavoXMGameState;

class TKavoXMSoundEffects {
  public:
    static constexpr int32_t Voices = 32;

    explicit TKavoXMSoundEffects(TKavoXMModule* module);
    ~TKavoXMSoundEffects();
    TKavoXMSoundEffects(const TKavoXMSoundEffects&) = delete;
    TKavoXMSoundEffects& operator=(const TKavoXMSoundEffects&) = delete;

    // Starts `note` (1..96) of `instrument` (1..255, present in the song) with `volume` 0..64
    // (-1: the sample's) and `panning` 0..255 (-1: the sample's). Takes a free voice, else the
    // one started longest ago. Returns the voice's id (> 0), or 0 for a bad argument.
    int32_t Play(int32_t instrument, int32_t note, int32_t volume, int32_t panning);
    // Releases the note (envelopes go on to their release, the fade-out starts), or stops it
    // with a short fade. False when the id names no sounding voice.
    bool Release(int32_t id);
    bool Stop(int32_t id);
    void StopAll();
    // Voices sounding or about to start.
    int32_t Busy() const;

    // One tick of every voice, before the output values are computed; `rowTick`: the song
    // reads a row on this tick. Voices that fell silent report their end through `game`.
    void Tick(bool rowTick, TKavoXMGameState& game);
    // The voices that sound, for the mixer; their steps after a new output rate.
    TKavoXMChannel* Voice(int32_t i) const { return Channels[size_t(i)].get(); }
    void Restep();

  private:
    enum class State : uint8_t { Free, Starting, Playing };
    struct Slot {
        State Now = State::Free;
        bool ReleaseAsked = false;
        bool StopAsked = false;
        uint32_t Generation = 0;
        uint64_t Started = 0;
        int32_t Panning = -1;
        TKavoXMPatternNote Cell;
    };

    int32_t SlotOf(int32_t id) const;
    void Start(int32_t i);
    void End(int32_t i, TKavoXMGameState& game);

    TKavoXMModule* Module;
    std::array<std::unique_ptr<TKavoXMChannel>, Voices> Channels;
    std::array<Slot, Voices> Slots{};
    uint64_t Starts = 0;
};
