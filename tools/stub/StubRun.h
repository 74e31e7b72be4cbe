#pragma once
// The generated player's two ways of playing its song: through the sound card, or into a WAV
// file. Both mix exactly as `kavoxm render` does with the same settings.
#include "SongPayload.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <vector>

class TKavoXM;

// Writes the pieces and a line end to `to`. The players print with fputs only: a printf would
// link a whole formatting engine into the Windows program.
inline void WriteLine(std::FILE* to, std::initializer_list<const char*> pieces) {
    for (const char* piece : pieces) std::fputs(piece, to);
    std::fputc('\n', to);
}

// Loads `song` into an offline player and applies the settings; false when it does not load.
bool PrepareSongPlayer(TKavoXM& player, const std::vector<uint8_t>& song,
                       const TSongSettings& settings);
// Writes the song to `path` as a 44100 Hz 16-bit stereo WAV file: the bytes `kavoxm render`
// writes with the same settings (one pass when the settings loop forever). Refuses an existing
// file. Returns the exit code; messages go to `err` after `name`.
int RenderSongToWav(const std::vector<uint8_t>& song, const TSongSettings& settings,
                    const char* path, const char* name, std::FILE* err);
// Plays the song through the sound card with a status line on `out` until its end, a key
// (Windows) or Ctrl-C. Returns the exit code.
int PlaySongOnDevice(const std::vector<uint8_t>& song, const TSongSettings& settings,
                     const char* name, std::FILE* out, std::FILE* err);
