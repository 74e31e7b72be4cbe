// Effects that change the song position or its timing: position jump, pattern break, pattern
// loop, pattern delay, speed and tempo.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/EffectCommands.h"

namespace effects {

namespace {

int32_t HighNibble(const TKavoXMPatternNote& note) {
    return (note.EffectParameter >> 4) & 15;
}
int32_t LowNibble(const TKavoXMPatternNote& note) {
    return note.EffectParameter & 15;
}

// A position jump or pattern break may end the song. It overrides a pattern loop's jump
// requested earlier on the row (a loop in a later channel overrides it in turn).
void RequestSongJump(TKavoXMModule& module) {
    module.NextPatternRow = 0;
    module.JumpPending = true;
    module.SongJumpPending = true;
}

// Once a loop has jumped, a pattern that ends without Bxx or Dxx hands its loop start row on
// to the next pattern, which starts there.
void JumpToLoopRow(TKavoXMChannel& channel, TKavoXMModule& module) {
    module.JumpOrder = module.CurrentOrder;
    module.JumpRow = channel.PatternLoopRow;
    module.NextPatternRow = channel.PatternLoopRow;
    module.JumpPending = true;
    module.SongJumpPending = false;
}

} // namespace

void RowPositionJump(TKavoXMChannel& channel, const TKavoXMPatternNote& note) {
    if (channel.Module == nullptr) return;
    TKavoXMModule& module = *channel.Module;
    module.JumpOrder = note.EffectParameter;
    // Bxx after a Dxx on the same row lands on row 0.
    module.JumpRow = 0;
    RequestSongJump(module);
}

void RowPatternBreak(TKavoXMChannel& channel, const TKavoXMPatternNote& note) {
    if (channel.Module == nullptr) return;
    TKavoXMModule& module = *channel.Module;
    // Dxx after a Bxx keeps its order; after a pattern loop's jump it goes on to the next.
    if (!module.SongJumpPending) module.JumpOrder = module.CurrentOrder + 1;
    // The row is written as two decimal digits; a digit above 9 keeps its value.
    module.JumpRow = HighNibble(note) * 10 + LowNibble(note);
    RequestSongJump(module);
}

void RowPatternLoop(TKavoXMChannel& channel, const TKavoXMPatternNote& note) {
    if (channel.Module == nullptr) return;
    TKavoXMModule& module = *channel.Module;
    const int32_t count = LowNibble(note);
    if (count == 0) {
        if (!channel.PatternLoopActive) channel.PatternLoopRow = module.CurrentRow;
        return;
    }
    if (!channel.PatternLoopActive) {
        // E6y plays the section y + 1 times: this jump and y - 1 more.
        channel.PatternLoopCount = count - 1;
        channel.PatternLoopActive = true;
        JumpToLoopRow(channel, module);
    } else if (channel.PatternLoopCount == 0) {
        channel.PatternLoopActive = false;
    } else {
        --channel.PatternLoopCount;
        JumpToLoopRow(channel, module);
    }
}

void RowPatternDelay(TKavoXMChannel& channel, const TKavoXMPatternNote& note) {
    if (channel.Module != nullptr) channel.Module->PatternDelay = LowNibble(note);
}

void RowSetSpeed(TKavoXMChannel& channel, const TKavoXMPatternNote& note) {
    if (channel.Module == nullptr) return;
    // F01..F1F set the speed and F20..FFF the tempo: F20 is 32 beats per minute, as in the
    // tracker that defined the format. F00 keeps the current speed.
    const uint8_t value = uint8_t(note.EffectParameter);
    if (value == 0) return;
    if (value < 32)
        channel.Module->Speed = value;
    else
        channel.Module->Tempo = value;
}

} // namespace effects
