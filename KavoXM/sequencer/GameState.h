#pragma once
// What a game asks of the music while it plays: a queued jump, the events of what began and
// when, sound effects on voices of their own and volume ramps. The module owns one when a host
// wants them (the C API's handles do); the sequencer calls in at each tick and row.
#include "KavoXM/player/SongEvents.h"
#include "KavoXM/sequencer/LayerFades.h"
#include "KavoXM/sequencer/QueuedJump.h"
#include "KavoXM/sequencer/SoundEffects.h"

#include <cstdint>

class TKavoXMModule;
class TKavoXMChannel;

class TKavoXMGameState {
  public:
    explicit TKavoXMGameState(TKavoXMModule* module) : Effects(module) {}

    TKavoXMQueuedJump Jump;
    TKavoXMEventQueue Events;
    TKavoXMSoundEffects Effects;
    TKavoXMLayerFades Fades;
    uint32_t EventMask = ~0u; // bit (type - 1) set: events of that type are recorded
    // The frame the tick being processed begins on: the frames mixed before the block, plus the
    // tick's place in it (set by the mixing loop).
    int64_t BlockOrigin = 0;
    int64_t TickFrame = 0;

    // The song starts afresh (a seek or a subsong): the jump goes; nothing of the rows before.
    void Restart();
    void Emit(TKavoXMEventType type, int32_t a, int32_t b, int32_t c);

    // Sequencer hooks: before and after a row tick; once per tick before output values are
    // computed; when a song channel starts a note.
    void BeforeRow(TKavoXMModule& m);
    void AfterRow(TKavoXMModule& m);
    void Tick(TKavoXMModule& m, bool rowTick);
    void NoteStarted(const TKavoXMChannel& c, int32_t note);

  private:
    enum class Landing : uint8_t { None, Loop, Queued };
    bool RowRead = false;   // a row has been read since the start
    int32_t LastOrder = -1; // order entry of the last row read
    Landing Next = Landing::None;
    uint32_t Passes = 0;
    int32_t RowMark = 0; // events queued before the row tick
};
