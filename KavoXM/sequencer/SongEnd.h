#pragma once
// Song-end detection. A pass through the song ends when the song wraps past its last order
// entry, when a position jump or pattern break lands on a row already played in the pass, or
// when the sequencer comes back to a state it has been in during the pass (pattern loops that
// never finish): from such a state the same rows follow for ever.
#include <cstdint>

class TKavoXMModule;

namespace songend {

// Hash of the sequencing state at the row about to be read: order and row, speed, tempo,
// global volume and the pattern-loop state of every pattern channel in use. Never 0.
uint64_t StateOf(const TKavoXMModule& m);

// Whether reading the row CurrentOrder/CurrentRow in `state` repeats the current pass.
// `jumpLanding`: the row is the target of a position jump or pattern break.
bool RepeatsPass(const TKavoXMModule& m, uint64_t state, bool jumpLanding);

// Counts a song end and starts a new pass.
void EndPass(TKavoXMModule& m);

// Records the row about to be read (CurrentOrder/CurrentRow, in `state`) in the pass.
void RecordRow(TKavoXMModule& m, uint64_t state);

// Forgets the rows and states of the current pass (the count of song ends stays).
void ForgetPass(TKavoXMModule& m);

} // namespace songend
