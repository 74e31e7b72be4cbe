#pragma once
// Modules built in code for the sequencer tests: patterns, orders and instruments with one
// small sample each, and a runner that records which row every row tick read.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace seqtest {

struct RowVisit {
    int32_t call; // 1-based number of the ProcessTick call
    int32_t order;
    int32_t row;
    bool operator==(const RowVisit&) const = default;
};

struct OrderRow {
    int32_t order;
    int32_t row;
    bool operator==(const OrderRow&) const = default;
};

class SongBuilder {
  public:
    explicit SongBuilder(int32_t channels, uint8_t speed = 6) {
        module = std::make_unique<TKavoXMModule>(nullptr);
        module->Clear();
        module->SampleRate = 44100;
        module->TickLength = 882;
        module->ChannelCount = channels;
        module->InitialSpeed = speed;
        channelCount = channels;
    }

    TKavoXMPattern& Pattern(int32_t index, int32_t rows) {
        TKavoXMPattern& pattern = *module->Patterns[size_t(index)];
        pattern.Resize(rows, uint8_t(channelCount));
        return pattern;
    }

    void Cell(int32_t pattern, int32_t row, int32_t channel, TKavoXMPatternNote note) {
        module->Patterns[size_t(pattern)]->SetNote(row, channel, note);
    }

    void Orders(std::initializer_list<int32_t> orders) {
        int32_t i = 0;
        for (int32_t pattern : orders) module->Orders[size_t(i++)] = uint8_t(pattern);
        module->SongLength = i;
    }

    // Instrument `number` with one 64-frame mono sample mapped to every note.
    TKavoXMSample& Instrument(int32_t number, int32_t relativeNote = 0, int32_t fineTune = 0) {
        auto instrument = std::make_unique<TKavoXMInstrument>();
        auto sample = std::make_unique<TKavoXMSample>();
        sample->Length = 64;
        sample->AllocateData(64);
        for (int32_t i = 0; i < 64; ++i) sample->Data[i] = (i % 2 == 0 ? 1 : -1) * 1000;
        sample->PrepareData();
        sample->RelativeNote = relativeNote;
        sample->FineTune = fineTune;
        TKavoXMSample& result = *sample;
        instrument->Samples[0] = std::move(sample);
        module->Instruments[size_t(number)] = std::move(instrument);
        return result;
    }

    void Start() { module->ResetPlayback(); }

    // Runs `calls` ticks and returns the rows read, with the call that read them.
    std::vector<RowVisit> Run(int32_t calls) {
        std::vector<RowVisit> visits;
        for (int32_t call = 1; call <= calls; ++call) {
            module->ProcessTick();
            if (module->TickCounter == 0 && module->PlayingOrder >= 0)
                visits.push_back({call, module->PlayingOrder, module->PlayingRow});
        }
        return visits;
    }

    // Runs `calls` ticks and returns the (order, row) of every row read.
    std::vector<OrderRow> Rows(int32_t calls) {
        std::vector<OrderRow> rows;
        for (const RowVisit& visit : Run(calls)) rows.push_back({visit.order, visit.row});
        return rows;
    }

    TKavoXMChannel& Channel(int32_t index) { return *module->PatternChannels[size_t(index)]; }

    std::unique_ptr<TKavoXMModule> module;
    int32_t channelCount = 0;
};

inline TKavoXMPatternNote Effect(int32_t effect, int32_t parameter) {
    return {0, 0, 0, effect, parameter};
}

inline TKavoXMPatternNote NoteOn(int32_t note, int32_t instrument, int32_t effect = 0,
                                 int32_t parameter = 0) {
    return {note, instrument, 0, effect, parameter};
}

constexpr int32_t EffectB = 11, EffectD = 13, EffectE = 14, EffectF = 15;

} // namespace seqtest
