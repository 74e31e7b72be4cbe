// "Sombrevallis": a dark valley in D minor. Intro, theme, variation, breakdown, build, climax
// and outro across 13 patterns of four bars (16 rows a bar, speed 4, tempo 85).
#include "Score.h"

#include "Instruments.h"
#include "Writer.h"

#include <array>

namespace sombrevallis {
namespace {

// Channel roles.
enum Channel : int {
    KickCh = 0,
    SnareCh,
    HatCh,
    BassCh,
    Pad1Ch,
    Pad2Ch,
    Pad3Ch,
    LeadCh,
    EchoCh,
    ArpCh,
    String1Ch,
    DroneCh,
    String2Ch,
    FillCh,
    BellCh,
    ControlCh,
};

struct Chord {
    const char* bass;
    std::array<const char*, 3> pad;
    uint8_t arpeggio; // 0xy: semitones of the third and fifth
    const char* arpRoot;
};

const Chord Dm{"D2", {"D4", "F4", "A4"}, 0x37, "D5"};
const Chord Bb{"A#1", {"D4", "F4", "A#4"}, 0x47, "A#4"};
const Chord Gm{"G1", {"D4", "G4", "A#4"}, 0x37, "G4"};
const Chord Am{"A1", {"C#4", "E4", "A4"}, 0x47, "A4"};
const Chord Fj{"F1", {"C4", "F4", "A4"}, 0x47, "F4"};
const Chord Cj{"C2", {"C4", "E4", "G4"}, 0x47, "C5"};

using Progression = std::array<const Chord*, 4>;

enum class Drums { None, Sparse, Half, Full, Build, Climax };

struct Section {
    Progression chords;
    Drums drums;
    bool bass, pads, arp, strings, drone;
    std::array<const char*, 4> lead; // one bar of 16 tokens each, or nullptr
};

void WriteDrums(Writer& w, Drums style) {
    if (style == Drums::None) return;
    for (int bar = 0; bar < 4; ++bar) {
        const int r = bar * 16;
        w.Note(r, KickCh, NoteNumber("C4"), KickDrum, SetVolume(56));
        if (style == Drums::Sparse) continue;
        if (style != Drums::Half) {
            w.Note(r + 10, KickCh, NoteNumber("C4"), KickDrum, SetVolume(46));
            w.Note(r + 8, SnareCh, NoteNumber("C4"), SnareDrum, SetVolume(50));
            // A ghost snare, late by two ticks.
            w.Note(r + 14, SnareCh, NoteNumber("D4"), SnareDrum, SetVolume(18));
            w.Fx(r + 14, SnareCh, Extended, 0xD2);
        }
        const int step = style == Drums::Half ? 4 : 2;
        for (int i = 0; i < 16; i += step) {
            const bool accent = i % 4 == 0;
            w.Note(r + i, HatCh, NoteNumber(accent ? "C5" : "G5"), HatDrum,
                   SetVolume(accent ? 30 : 18));
            if (!accent) w.Fx(r + i, HatCh, Extended, 0xC2); // closed: cut after two ticks
        }
        if (style == Drums::Climax)
            w.Note(r + 6, KickCh, NoteNumber("C4"), KickDrum, SetVolume(40));
    }
    if (style == Drums::Build || style == Drums::Climax) {
        // Roll into the next pattern: retriggered snares, then a multi-retrig crescendo.
        for (int r : {48, 52, 56}) {
            w.Note(r, FillCh, NoteNumber("C4"), SnareDrum, SetVolume(28));
            w.Fx(r, FillCh, Extended, 0x92);
        }
        for (int r = 58; r < 64; ++r) {
            if (r == 58) w.Note(r, FillCh, NoteNumber("C4"), SnareDrum, SetVolume(24));
            w.Fx(r, FillCh, MultiRetrig, 0xA1); // +2 volume on every tick
        }
    }
}

void WriteBass(Writer& w, const Progression& chords) {
    for (int bar = 0; bar < 4; ++bar) {
        const int r = bar * 16;
        const uint8_t root = NoteNumber(chords[size_t(bar)]->bass);
        w.Note(r, BassCh, root, Bass, SetVolume(50));
        w.Note(r + 6, BassCh, root, Bass, SetVolume(40));
        w.Note(r + 8, BassCh, uint8_t(root + 12), Bass, SetVolume(36));
        w.Note(r + 11, BassCh, root, Bass, SetVolume(42));
        w.Note(r + 14, BassCh, uint8_t(root + 7), Bass, SetVolume(34));
        w.Fx(r + 15, BassCh, Extended, 0xC3); // short note: cut on tick 3
    }
}

void WritePads(Writer& w, const Progression& chords, uint8_t volume) {
    const Chord* previous = nullptr;
    for (int bar = 0; bar < 4; ++bar) {
        const Chord* chord = chords[size_t(bar)];
        if (chord == previous) continue;
        for (int v = 0; v < 3; ++v)
            w.Note(bar * 16, Pad1Ch + v, NoteNumber(chord->pad[size_t(v)]), Pad, volume);
        previous = chord;
    }
}

void WriteArp(Writer& w, const Progression& chords) {
    for (int bar = 0; bar < 4; ++bar) {
        const Chord* chord = chords[size_t(bar)];
        for (int i = 0; i < 16; i += 4) {
            const int r = bar * 16 + i;
            w.Note(r, ArpCh, NoteNumber(chord->arpRoot), Bell, SetVolume(i == 0 ? 30 : 22));
            for (int k = 0; k < 4; ++k) w.Fx(r + k, ArpCh, Arpeggio, chord->arpeggio);
        }
    }
}

void WriteStrings(Writer& w, const Progression& chords) {
    for (int bar = 0; bar < 4; ++bar) {
        const Chord* chord = chords[size_t(bar)];
        w.Note(bar * 16, String1Ch, uint8_t(NoteNumber(chord->bass) + 24), Strings, SetVolume(40));
        w.Note(bar * 16, String2Ch, uint8_t(NoteNumber(chord->pad[2]) - 12), Strings,
               SetVolume(34));
    }
}

void WriteLead(Writer& w, const std::array<const char*, 4>& bars) {
    for (int bar = 0; bar < 4; ++bar)
        if (bars[size_t(bar)] != nullptr)
            w.Line(LeadCh, bar * 16, bars[size_t(bar)], Lead, SetVolume(46));
}

// Vibrato on every held lead note: from the fourth row of a note until the next event.
void AddLeadVibrato(Writer& w, uint8_t parameter) {
    int held = -1;
    for (int r = 0; r < Rows; ++r) {
        const Cell& cell = w.At(r, LeadCh);
        if (cell.note != 0) {
            held = cell.note == KeyOffNote ? -1 : 0;
            continue;
        }
        if (held >= 0 && ++held >= 3 && cell.effect == 0) w.Fx(r, LeadCh, Vibrato, parameter);
    }
}

const std::array<Section, PatternCount> Sections = {{
    // 0: intro — drone, pads swelling out of silence, far bells.
    {{&Dm, &Dm, &Bb, &Am},
     Drums::None,
     false,
     true,
     false,
     false,
     true,
     {nullptr, nullptr, nullptr, nullptr}},
    // 1: intro — the bass and the first beats.
    {{&Dm, &Bb, &Gm, &Am},
     Drums::Sparse,
     true,
     true,
     false,
     false,
     true,
     {nullptr, nullptr, nullptr, nullptr}},
    // 2: theme.
    {{&Dm, &Bb, &Gm, &Am},
     Drums::Full,
     true,
     true,
     false,
     false,
     false,
     {"A4 . . . D5 . . . E5 . F5 . . . E5 .", "D5 . . . . . . . F5 . . . D5 . A#4 .",
      "G4 . . . A#4 . . . D5 . . . C5 . A#4 .", "A4 . . . . . . . . . . . == . . ."}},
    // 3: theme, answer.
    {{&Dm, &Bb, &Cj, &Am},
     Drums::Full,
     true,
     true,
     false,
     false,
     false,
     {"A4 . . . D5 . . . F5 . G5 . A5 . . .", "A#5 . . . A5 . . . G5 . . . F5 . . .",
      "E5 . . . G5 . . . E5 . C5 . . . E5 .", "C#5 . . . . . . . E5 . . . A4 . == ."}},
    // 4: variation with bell arpeggios.
    {{&Fj, &Cj, &Dm, &Am},
     Drums::Full,
     true,
     true,
     true,
     false,
     false,
     {"C5 . . . F5 . . . A5 . . . G5 . F5 .", "E5 . . . G5 . . . C5 . . . . . . .",
      "D5 . . . F5 . A5 . D6 . . . C6 . A5 .", "A5 . . . G5 . . . E5 . . . C#5 . . ."}},
    // 5: variation.
    {{&Gm, &Am, &Dm, &Dm},
     Drums::Full,
     true,
     true,
     true,
     false,
     false,
     {"D5 . . . G5 . . . A#5 . . . A5 . G5 .", "A5 . . . . . E5 . C#5 . . . E5 . . .",
      "D5 . . . . . . . . . . . . . . .", "F5 . E5 . D5 . . . . . . . == . . ."}},
    // 6: breakdown — half-time, trembling pads, gliding lead.
    {{&Dm, &Bb, &Gm, &Am},
     Drums::Half,
     true,
     true,
     false,
     false,
     true,
     {"D5 . . . . . . . . . . . A5 . . .", "A#5 . . . . . . . F5 . . . . . . .",
      "G5 . . . . . . . D5 . . . . . . .", "E5 . . . . . . . C#5 . . . == . . ."}},
    // 7: build — strings enter, the lead climbs.
    {{&Gm, &Gm, &Am, &Am},
     Drums::Build,
     true,
     true,
     false,
     true,
     false,
     {"D5 . . . . . . . G5 . . . . . . .", "A#5 . . . . . . . A5 . . . G5 . . .",
      "A5 . . . . . . . . . . . . . . .", "C#6 . . . . . . . E6 . . . . . . ."}},
    // 8-11: climax.
    {{&Dm, &Bb, &Gm, &Am},
     Drums::Climax,
     true,
     true,
     true,
     true,
     false,
     {"A5 . . . D6 . . . E6 . F6 . . . E6 .", "D6 . . . . . . . F6 . . . D6 . A#5 .",
      "G5 . . . A#5 . . . D6 . . . C6 . A#5 .", "A5 . . . . . . . C#6 . . . E6 . . ."}},
    {{&Dm, &Bb, &Cj, &Am},
     Drums::Climax,
     true,
     true,
     true,
     true,
     false,
     {"F6 . . . E6 . D6 . A5 . . . D6 . F6 .", "F6 . . . D6 . . . A#5 . . . D6 . . .",
      "E6 . . . G6 . . . E6 . C6 . . . G5 .", "A5 . . . C#6 . . . E6 . . . A5 . . ."}},
    {{&Fj, &Cj, &Dm, &Am},
     Drums::Climax,
     true,
     true,
     true,
     true,
     false,
     {"A5 . . . G5 . F5 . C6 . . . F6 . . .", "E6 . . . D6 . C6 . G5 . . . C6 . . .",
      "D6 . . . F6 . . . A5 . . . F6 . D6 .", "E6 . . . . . . . C#6 . . . A5 . . ."}},
    {{&Gm, &Am, &Dm, &Am},
     Drums::Climax,
     true,
     true,
     true,
     true,
     false,
     {"A#5 . . . D6 . . . G6 . . . F6 . D6 .", "E6 . . . C#6 . . . A5 . . . E6 . . .",
      "F6 . . . E6 . . . D6 . . . A5 . . .", "C#6 . . . . . . . E6 . . . . . == ."}},
    // 12: outro — the theme once more, fading into the valley.
    {{&Dm, &Bb, &Am, &Dm},
     Drums::Sparse,
     true,
     true,
     false,
     false,
     true,
     {"A4 . . . D5 . . . E5 . F5 . . . E5 .", "D5 . . . . . . . F5 . . . D5 . A#4 .",
      "A4 . . . . . . . C#5 . . . E5 . . .", "D5 . . . . . . . . . . . == . . ."}},
}};

// Pattern-specific touches on top of the sections.
void Decorate(int index, Writer& w) {
    switch (index) {
    case 0:
        // Global volume rises from 16 to full over the first bar.
        w.Fx(0, ControlCh, GlobalVol, 16);
        for (int r = 1; r <= 16; ++r) w.Fx(r, FillCh, GlobalVolSlide, 0x10);
        w.Line(BellCh, 0, "A5 . . . . . . . D6 . . . . . . .", Bell, SetVolume(24));
        w.Line(BellCh, 32, "F5 . . . . . . . A#5 . . . . . . .", Bell, SetVolume(22));
        w.Line(BellCh, 48, "E5 . . . . . . . C#6 . . . . . . .", Bell, SetVolume(22));
        for (int r = 0; r < Rows; r += 8) w.Fx(r + 1, BellCh, PanSlide, r % 16 == 0 ? 0x20 : 0x02);
        break;
    case 1:
        w.Line(BellCh, 8, "D6 . . . . . . . . . . . . . . .", Bell, SetVolume(20));
        w.Line(BellCh, 40, "A5 . . . . . . . . . . . . . . .", Bell, SetVolume(20));
        break;
    case 3:
        w.Fx(28, LeadCh, TonePorta, 0x10); // C5 glides up into E5
        break;
    case 4:
        for (int r : {4, 36, 44}) w.Vol(r, LeadCh, PortaColumn(8));
        break;
    case 6:
        for (int r = 0; r < Rows; ++r)
            for (int ch = Pad1Ch; ch <= Pad3Ch; ++ch) w.Fx(r, ch, Tremolo, r == 0 ? 0x46 : 0x00);
        for (int r : {12, 24, 40, 56}) w.Fx(r, LeadCh, TonePorta, 0x06);
        w.Fx(8, LeadCh, Extended, 0xD2); // a late breath
        w.Fx(0, EchoCh, SetPan, 0x30);
        break;
    case 7:
        for (int r = 32; r < 48; ++r) w.Vol(r, LeadCh, VibratoDepthColumn(6));
        for (int r = 48; r < 64; ++r) w.Fx(r, Pad1Ch, VolSlide, 0x10);
        break;
    case 11:
        for (int r = 60; r < 64; ++r) w.Fx(r, SnareCh, Extended, 0x90 | 1);
        break;
    case 12:
        for (int r = 42; r < 63; ++r) w.Fx(r, FillCh, GlobalVolSlide, 0x01);
        w.Fx(48, ControlCh, SetSpeed, 5); // the last bar slows down
        w.Note(60, Pad1Ch, KeyOffNote, 0);
        w.Note(60, Pad2Ch, KeyOffNote, 0);
        w.Note(60, Pad3Ch, KeyOffNote, 0);
        break;
    default:
        break;
    }
}

Pattern ComposePattern(int index) {
    const Section& s = Sections[size_t(index)];
    Pattern pattern{};
    Writer w(pattern);
    WriteDrums(w, s.drums);
    if (s.bass) WriteBass(w, s.chords);
    if (s.pads) WritePads(w, s.chords, SetVolume(index == 0 ? 20 : 30));
    if (s.arp) WriteArp(w, s.chords);
    if (s.strings) WriteStrings(w, s.chords);
    if (s.drone && index != 1) w.Note(0, DroneCh, NoteNumber("D3"), Drone, SetVolume(40));
    WriteLead(w, s.lead);
    AddLeadVibrato(w, index >= 8 ? 0x56 : 0x34);
    Decorate(index, w);
    return pattern;
}

// The echo channel repeats the lead three rows later, quieter and panned to the left.
void AddEcho(std::vector<Pattern>& patterns) {
    constexpr int Delay = 3;
    const int total = int(patterns.size()) * Rows;
    for (int g = total - 1 - Delay; g >= 0; --g) {
        const Cell& lead = patterns[size_t(g / Rows)][size_t(g % Rows)][LeadCh];
        if (lead.note == 0) continue;
        Cell& echo = patterns[size_t((g + Delay) / Rows)][size_t((g + Delay) % Rows)][EchoCh];
        echo.note = lead.note;
        echo.instrument = lead.instrument;
        echo.volume = lead.note == KeyOffNote ? 0 : SetVolume(20);
    }
    patterns[0][0][EchoCh].effect = SetPan;
    patterns[0][0][EchoCh].parameter = 0x40;
}

} // namespace

Score ComposeSombrevallis() {
    Score score;
    score.title = "Sombrevallis";
    score.instruments = MakeInstruments();
    for (int i = 0; i < PatternCount; ++i) score.patterns.push_back(ComposePattern(i));
    AddEcho(score.patterns);
    score.message = "Sombrevallis\r"
                    "a dark valley in D minor\r"
                    "by Quennorabeth\r"
                    "\r"
                    "Especially for Yolvane";
    return score;
}

} // namespace sombrevallis
