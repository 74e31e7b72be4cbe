#pragma once
// PCM output of the render command: a WAV file, a FLAC file (named .flac, where the build has
// libFLAC), or raw PCM on standard output. A new or
// replaced file is written under a temporary name beside the target and takes the target's
// name only once it is complete; a render that fails or is stopped leaves nothing behind. A
// device or a pipe is written into directly. Data past 4 GiB makes the file RF64.
#include "KavoXM/player/PostMix.h"
#include "WavHeader.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct SinkOptions {
    bool Replace = false;      // an existing file may be replaced
    bool Sync = false;         // a file reaches the disk before it takes its name
    uint64_t MaxDataBytes = 0; // the most data that will be written: above the RIFF limit the
                               // header keeps room for the RF64 sizes
};

class FlacEncoder;

class PcmSink {
  public:
    // `riffLimit`: the most data a RIFF header declares (lowered by tests).
    explicit PcmSink(uint64_t riffLimit = RiffDataLimit);
    ~PcmSink(); // an unfinished file is removed
    PcmSink(const PcmSink&) = delete;
    PcmSink& operator=(const PcmSink&) = delete;

    // Opens `path` ("-" for raw PCM on stdout).
    bool Open(const std::string& path, int32_t rate, int32_t channels, SampleFormat format,
              const SinkOptions& options, std::string& error);
    // False when the write failed, or (errno EFBIG) when the data would pass what the header
    // can declare.
    bool Write(const void* data, size_t bytes);
    // Completes the WAV header, closes the output and gives a file the target's name.
    bool Finish(std::string& error);

  private:
    enum class Kind { Raw, Stream, File };
    uint64_t riffLimit;
    std::FILE* file = nullptr;
    Kind kind = Kind::File;
    bool rewritable = false; // the header is written again with the final sizes
    SinkOptions options;
    WavLayout layout;
    uint64_t dataBytes = 0;
    long headerAt = 0;     // where the header starts (a stream need not be at its beginning)
    std::string path;      // the name given, for messages
    std::string target;    // the file the name leads to
    std::string temporary; // the file being written, until Finish renames it
    std::unique_ptr<FlacEncoder> flac; // when the target is a FLAC file

    bool OpenFile(std::string& error);
    bool OpenStreamTarget(std::string& error);
    bool StartFlac(std::string& error);
    bool WriteHeader(uint64_t declaredBytes);
    bool Complete();
    bool Publish(std::string& error);
    void Discard();
};

// Why `output` must not be written for `input`, or empty: an existing file (unless `force`),
// the input itself, a directory or another kind of target that is no file, device or pipe, or a
// name whose extension says another format (FLAC is one where the build does not write it).
std::string CheckOutputName(const std::string& input, const std::string& output, bool force);
