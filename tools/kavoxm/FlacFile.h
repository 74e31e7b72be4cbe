#pragma once
// FLAC output of the render command through libFLAC's stream encoder: the integer PCM that a
// WAV file would hold (8, 16 or 24 bits), encoded into a file the caller has opened. Builds
// without libFLAC (Windows) refuse FLAC with a message instead.
#include "KavoXM/player/PostMix.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// True when this build writes FLAC.
bool FlacAvailable();

// True when `path` ends in ".flac" (in any case).
bool IsFlacName(const std::string& path);

class FlacEncoder {
  public:
    FlacEncoder();
    ~FlacEncoder();
    FlacEncoder(const FlacEncoder&) = delete;
    FlacEncoder& operator=(const FlacEncoder&) = delete;

    // Starts a stream into `file`, which must be seekable so that the stream's summary (length,
    // checksum) is written at the end. False with `error` (without the file name) when the
    // format has no FLAC form or the encoder refuses.
    bool Start(std::FILE* file, int32_t rate, int32_t channels, SampleFormat format,
               std::string& error);
    // Encodes whole frames of little-endian PCM as ConvertMix writes it.
    bool Write(const void* pcm, size_t bytes);
    // Encodes what is left and completes the stream's summary.
    bool Finish();

  private:
    struct State;
    std::unique_ptr<State> state;
};
