#pragma once
// PCM output of the render command: a RIFF WAV file, or raw PCM on standard output.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class PcmSink {
  public:
    PcmSink() = default;
    ~PcmSink();
    PcmSink(const PcmSink&) = delete;
    PcmSink& operator=(const PcmSink&) = delete;

    // Opens `path` ("-" for raw PCM on stdout); a WAV header is written for files.
    bool Open(const std::string& path, int32_t rate, int32_t channels, int32_t bits,
              std::string& error);
    bool Write(const void* data, size_t bytes);
    // Completes the WAV header with the data size and closes the file.
    bool Close(std::string& error);

  private:
    std::FILE* file = nullptr;
    bool raw = false;
    uint64_t dataBytes = 0;
    int32_t rate = 0, channels = 0, bits = 0;
    std::string path;
    std::vector<char> buffer; // stdio buffer of a file: a few large writes instead of many

    bool WriteHeader();
};
