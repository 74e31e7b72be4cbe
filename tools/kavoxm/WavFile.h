#pragma once
// PCM output of the render command: a RIFF WAV file, a FLAC file (named .flac, where the build
// has libFLAC), or raw PCM on standard output. A file is
// written under a temporary name beside the target and takes the target's name only once it
// is complete; a render that fails or is stopped leaves nothing behind.
#include "PostMix.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class FlacEncoder;

class PcmSink {
  public:
    PcmSink();
    ~PcmSink(); // an unfinished file is removed
    PcmSink(const PcmSink&) = delete;
    PcmSink& operator=(const PcmSink&) = delete;

    // Opens `path` ("-" for raw PCM on stdout). `replace` allows an existing target to be
    // replaced when the file is finished.
    bool Open(const std::string& path, int32_t rate, int32_t channels, SampleFormat format,
              bool replace, std::string& error);
    bool Write(const void* data, size_t bytes);
    // Completes the WAV header, closes the file and gives it the target's name.
    bool Finish(std::string& error);

  private:
    std::FILE* file = nullptr;
    bool raw = false;
    bool replace = false;
    uint64_t dataBytes = 0;
    int32_t rate = 0, channels = 0;
    SampleFormat format = SampleFormat::S16;
    std::string path;
    std::string temporary;             // the file being written, until Finish renames it
    std::unique_ptr<FlacEncoder> flac; // when the target is a FLAC file

    bool StartFlac(std::string& error);
    bool WriteHeader();
    bool Publish(std::string& error);
    void Discard();
};

// Why `output` must not be written for `input`, or empty: an existing file (unless `force`),
// the input itself, or a name whose extension says another format (FLAC is one where the
// build does not write it).
std::string CheckOutputName(const std::string& input, const std::string& output, bool force);
