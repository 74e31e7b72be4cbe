#pragma once
// A wave-out device for tests. Once selected, waveOutOpen opens it instead of the sound card:
// it "plays" at the format's rate on a clock the test drives (manual advance) or runs at a
// multiple of real time, records every byte handed to it in order, and can be told to fail
// opening. Its observations cover everything since the last Select.

#include "MMSystem/MMSystem.h"

#include <cstdint>
#include <vector>

namespace VirtualDevice {

struct Options {
    bool FailOpen = false;   // waveOutOpen answers an error
    bool ManualClock = true; // time moves only by Advance
    double Speed = 1.0;      // without the manual clock: device seconds per real second
};

struct WriteRecord {
    const WAVEHDR* Header;
    uint32_t Bytes;
};

// Selects the device for the next waveOutOpen calls and clears all observations.
void Select(const Options& options = {});
// Later waveOutOpen calls go to the sound card again; an open virtual device stays usable.
void Deselect();
bool IsSelected();

// Manual clock: lets the open device play up to `frames` more frames. Time that finds the
// queue empty is lost, as on a real device that runs dry.
void Advance(uint64_t frames);

std::vector<uint8_t> Recorded();   // every byte written, in order
std::vector<uint8_t> Heard();      // the same, without what a reset dropped before it played
std::vector<WriteRecord> Writes(); // every waveOutWrite, in order
uint64_t PlayedFrames();           // frames played since the last reset of the device
uint64_t DryFrames(); // frames of time that found the queue empty once something was written
// A paused device (waveOutPause) plays nothing; its clock stands still until waveOutRestart.
int32_t OpenCount(); // successful opens
int32_t FailedOpenCount();
int32_t CloseCount();
int32_t ResetCount();
bool IsOpen();
WAVEFORMATEX LastFormat();

} // namespace VirtualDevice
