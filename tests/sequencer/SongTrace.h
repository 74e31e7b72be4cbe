#pragma once
// Songs built as XM images, loaded like any file and run through the sequencer tick by tick:
// the trace records what one channel hands the mixer on every tick. The module has no player
// and no mixer here, so the sample position moves only where an effect or a note moves it.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"
#include "xmbuilder/XMBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace songtrace {

// Effect numbers as an XM cell stores them: 0..9, then A = 10 up to X = 33.
constexpr uint8_t Fx(char letter) {
    return uint8_t(letter >= 'A' ? letter - 'A' + 10 : letter - '0');
}

constexpr uint8_t NoteC4 = 49; // RealNote 48: linear period 4608, Amiga period 1712
constexpr int32_t PeriodC4 = 4608;
constexpr uint8_t KeyOffNote = 97;
constexpr int32_t SampleVolume = 48; // the song's sample, so that a reset to it shows
constexpr int32_t SampleFrames = 2048;

// The linear period of an XM note number (1 = C-0) at finetune 0: 64 units per semitone.
constexpr int32_t LinearPeriod(int32_t xmNote) {
    return 7680 - 64 * (xmNote - 1);
}

struct ChannelTick {
    int32_t Row = 0;     // row read by the last row tick
    int32_t Tick = 0;    // the module's tick counter
    int32_t Period = 0;  // Period + PeriodDelta
    int32_t Volume = 0;  // TickVolume(), as the output clamps it (0..64)
    int32_t Panning = 0; // 0..255
    int64_t Frame = 0;   // whole sample frames
    int32_t EnvelopeVolume = 0;
    int32_t EnvelopePanning = 0;
    int32_t FinalVolume = 0;
    int32_t TargetLeft = 0;
    int32_t TargetRight = 0;
    bool Backwards = false;
    bool Surround = false;
    bool Active = false;
};

using Trace = std::vector<ChannelTick>;

// One field of every tick of a trace.
template <typename T> std::vector<T> Column(const Trace& trace, T ChannelTick::*field) {
    std::vector<T> values;
    for (const ChannelTick& tick : trace) values.push_back(tick.*field);
    return values;
}

// The rows read, in order.
inline std::vector<int32_t> RowsRead(const Trace& trace) {
    std::vector<int32_t> rows;
    for (const ChannelTick& tick : trace)
        if (tick.Tick == 0) rows.push_back(tick.Row);
    return rows;
}

inline xmbuilder::XMCell Cell(uint8_t note, uint8_t instrument, uint8_t volume, uint8_t effect,
                              uint8_t parameter) {
    return {note, instrument, volume, effect, parameter};
}

inline xmbuilder::XMCell Effect(uint8_t effect, uint8_t parameter, uint8_t volume = 0) {
    return {0, 0, volume, effect, parameter};
}

// A one-pattern song of `channels` channels with one instrument: an 8-bit sample of
// SampleFrames frames on a forward loop, volume SampleVolume, centre panning, no envelopes.
class SongImage {
  public:
    explicit SongImage(uint16_t channels = 2, uint16_t speed = 6, bool linear = true) {
        song.Channels = channels;
        song.Speed = speed;
        song.Flags = linear ? 1 : 0;
        song.SongLength = 1;
        song.Patterns.push_back({});
        song.Patterns[0].Rows = 32;
        xmbuilder::XMSample sample;
        for (int32_t i = 0; i < SampleFrames; ++i) sample.Left.push_back((i % 64) - 32);
        sample.LoopType = 1;
        sample.LoopLengthFrames = SampleFrames;
        sample.Volume = uint8_t(SampleVolume);
        sample.Panning = 128;
        xmbuilder::XMInstrument instrument;
        instrument.Samples.push_back(sample);
        song.Instruments.push_back(instrument);
    }

    SongImage& Put(int32_t row, int32_t channel, const xmbuilder::XMCell& cell) {
        song.Patterns[0].Put(row, channel, cell);
        return *this;
    }

    xmbuilder::XMInstrument& Instrument() { return song.Instruments[0]; }

    // Loads the image and plays `ticks` ticks from the song start, tracing `channel`.
    Trace Play(int32_t ticks, int32_t channel = 0) {
        const std::vector<uint8_t> image = xmbuilder::BuildXM(song);
        module = std::make_unique<TKavoXMModule>(nullptr);
        if (!module->LoadFromMemory(image.data(), int32_t(image.size()))) {
            ADD_FAILURE() << "the song image does not load";
            return {};
        }
        module->SampleRate = 44100;
        module->TickLength = 882;
        module->ResetPlayback();
        Trace trace;
        for (int32_t t = 0; t < ticks; ++t) {
            module->ProcessTick();
            TKavoXMChannel& traced = *module->PatternChannels[size_t(channel)];
            trace.push_back(Record(traced));
            if (MarkFrame > 0) traced.SamplePosition = int64_t(MarkFrame) << 32;
            if (AfterTick) AfterTick(traced, t);
        }
        return trace;
    }

    xmbuilder::XMSong song;
    // When above 0, the traced channel is moved to this frame after every tick: a frame of 0 in
    // the trace then shows that the tick (re)started the sample.
    int32_t MarkFrame = 0;
    // Called with the traced channel after every tick (0-based), to stand in for the mixer.
    std::function<void(TKavoXMChannel&, int32_t)> AfterTick;
    std::unique_ptr<TKavoXMModule> module;

  private:
    ChannelTick Record(const TKavoXMChannel& c) const {
        ChannelTick tick;
        tick.Row = module->PlayingRow;
        tick.Tick = module->TickCounter;
        tick.Period = c.Period + c.PeriodDelta;
        tick.Volume = std::clamp(c.TickVolume(), 0, 64);
        tick.Panning = c.Panning;
        tick.Frame = c.SamplePosition >> 32;
        tick.EnvelopeVolume = c.EnvelopeVolume;
        tick.EnvelopePanning = c.EnvelopePanning;
        tick.FinalVolume = c.FinalVolume;
        tick.TargetLeft = c.TargetVolumeLeft;
        tick.TargetRight = c.TargetVolumeRight;
        tick.Backwards = c.Backwards;
        tick.Surround = c.Surround;
        tick.Active = c.Active;
        return tick;
    }
};

// FinalVolume from its factors (fade-out 0..65536, envelope, global and channel volume 0..64,
// master volume 0..256), each step truncating.
constexpr int32_t FinalVolume(int32_t fadeOut, int32_t envelope, int32_t global, int32_t volume,
                              int32_t master) {
    int32_t a = fadeOut / 16;
    a = a * envelope / 64;
    a = a * global / 64;
    a = a * volume / 64;
    return a * master / 256;
}

// The module's master volume when no player has set one.
constexpr int32_t DefaultMaster = 128;

} // namespace songtrace
