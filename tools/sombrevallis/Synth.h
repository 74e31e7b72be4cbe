#pragma once
// Deterministic synthesis of the song's 8-bit samples: no libm, no randomness outside a fixed
// generator, so the written module is identical on every machine.
#include <cstdint>
#include <vector>

namespace sombrevallis {

double Sine(double turns); // sin(2 pi turns), computed by a fixed polynomial

std::vector<int8_t> BassCycle();   // 64 frames: soft saw
std::vector<int8_t> PadCycle();    // 64 frames: sine with odd harmonics
std::vector<int8_t> LeadCycle();   // 64 frames: rounded pulse
std::vector<int8_t> BellCycle();   // 64 frames: sine plus octave and twelfth
std::vector<int8_t> StringCycle(); // 128 frames: two detuned saws
std::vector<int8_t> DroneCycle();  // 64 frames: sine
std::vector<int8_t> Kick();        // falling sine sweep
std::vector<int8_t> Snare();       // shaped noise over a short tone
std::vector<int8_t> Hat();         // bright noise burst

} // namespace sombrevallis
