#pragma once
// Pattern cells in the tracker's usual notation: "C-4 01 40 A0F" (note, instrument, volume
// column, effect and parameter), "===" for a key-off and dots for what is empty.
#include "KavoXM/module/PatternNote.h"

#include <string>

// Characters of one cell's text.
constexpr size_t CellTextWidth = 13;

// The note: "C-4", "C#4", "===" (key-off), "..." (none), "???" (out of range).
std::string NoteText(int32_t note);
// The whole cell, CellTextWidth characters.
std::string CellText(const TKavoXMPatternNote& cell);
