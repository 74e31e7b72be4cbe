#include "WavFile.h"

#include "FlacFile.h"
#include "MMSystem/Console.h"
#include "PlatformFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {
// WAV sizes are 32-bit: a longer render is written with sizes saturated at the limit.
constexpr uint64_t MaxDataBytes = 0xFFFFFFFFu - 58;
constexpr uint32_t PcmTag = 1, FloatTag = 3;

void Put16(uint8_t*& p, uint32_t v) {
    *p++ = uint8_t(v);
    *p++ = uint8_t(v >> 8);
}
void Put32(uint8_t*& p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p, v >> 16);
}
void PutId(uint8_t*& p, const char* id) {
    std::memcpy(p, id, 4);
    p += 4;
}

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Extensions of formats the tool does not write.
bool OtherFormat(const std::string& extension) {
    static const std::array<const char*, 18> others = {
        "mp3", "ogg", "oga", "opus", "flac", "aif", "aiff", "aifc", "m4a",
        "aac", "wma", "au",  "raw",  "pcm",  "xm",  "mod",  "it",   "s3m"};
    return std::any_of(others.begin(), others.end(), [&](const char* e) { return extension == e; });
}

} // namespace

std::string CheckOutputName(const std::string& input, const std::string& output, bool force) {
    if (output == "-") return {};
    if (input != "-" && SameFile(input, output)) return output + " is the input file";
    const size_t slash = output.find_last_of('/');
    const size_t dot = output.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        const std::string extension = Lower(output.substr(dot + 1));
        if (OtherFormat(extension) && !(extension == "flac" && FlacAvailable()))
            return output + ": the output is a WAV file, not ." + extension +
                   " (name it .wav, or give - for raw PCM)";
    }
    if (!force && PathExists(output)) return output + " exists (use --force to replace it)";
    return {};
}

PcmSink::PcmSink() = default;

PcmSink::~PcmSink() {
    Discard();
}

void PcmSink::Discard() {
    flac.reset(); // an unfinished encoder writes its end into the file that goes
    if (file != nullptr && !raw) std::fclose(file);
    file = nullptr;
    if (!temporary.empty()) RemoveFile(temporary);
    temporary.clear();
}

bool PcmSink::Open(const std::string& target, int32_t sampleRate, int32_t channelCount,
                   SampleFormat sampleFormat, bool replaceTarget, std::string& error) {
    path = target;
    rate = sampleRate;
    channels = channelCount;
    format = sampleFormat;
    replace = replaceTarget;
    raw = target == "-";
    if (raw) {
        SetBinaryMode(stdout); // raw PCM must reach stdout unchanged
        file = stdout;
        return true;
    }
    std::string reason;
    file = CreateFileBeside(target, temporary, reason);
    if (file == nullptr) {
        temporary.clear();
        error = "cannot write " + target + ": " + reason;
        return false;
    }
    if (IsFlacName(target)) return StartFlac(error);
    // Callers write large chunks; stdio copying them into its own buffer costs more than the
    // write calls it saves.
    std::setvbuf(file, nullptr, _IONBF, 0);
    if (!WriteHeader()) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    return true;
}

// The encoder writes a few kilobytes at a time: stdio collects them.
bool PcmSink::StartFlac(std::string& error) {
    flac = std::make_unique<FlacEncoder>();
    std::string reason;
    if (!flac->Start(file, rate, channels, format, reason)) {
        error = "cannot write " + path + ": " + reason;
        Discard();
        return false;
    }
    return true;
}

bool PcmSink::WriteHeader() {
    const bool isFloat = format == SampleFormat::F32;
    const uint32_t fmtSize = isFloat ? 18 : 16;
    const uint32_t data = uint32_t(std::min(dataBytes, MaxDataBytes));
    const uint32_t sampleBytes = uint32_t(BytesPerSample(format));
    const uint32_t align = uint32_t(channels) * sampleBytes;
    uint8_t header[58];
    uint8_t* p = header;
    const uint32_t headerBytes = 20 + fmtSize + (isFloat ? 12 : 0) + 8;
    PutId(p, "RIFF");
    Put32(p, headerBytes - 8 + data);
    PutId(p, "WAVE");
    PutId(p, "fmt ");
    Put32(p, fmtSize);
    Put16(p, isFloat ? FloatTag : PcmTag);
    Put16(p, uint32_t(channels));
    Put32(p, uint32_t(rate));
    Put32(p, uint32_t(rate) * align);
    Put16(p, align);
    Put16(p, sampleBytes * 8);
    if (isFloat) {
        Put16(p, 0); // no extension
        PutId(p, "fact");
        Put32(p, 4);
        Put32(p, align != 0 ? data / align : 0); // frames
    }
    PutId(p, "data");
    Put32(p, data);
    return std::fwrite(header, 1, headerBytes, file) == headerBytes;
}

bool PcmSink::Write(const void* data, size_t bytes) {
    dataBytes += bytes;
    if (flac) return flac->Write(data, bytes);
    return std::fwrite(data, 1, bytes, file) == bytes;
}

bool PcmSink::Publish(std::string& error) {
    std::string reason;
    switch (PublishFile(temporary, path, replace, reason)) {
    case PublishResult::Published:
        temporary.clear(); // nothing left to remove
        return true;
    case PublishResult::Exists:
        error = path + " exists (use --force to replace it)";
        return false;
    case PublishResult::Failed:
        break;
    }
    error = "cannot write " + path + ": " + reason;
    return false;
}

bool PcmSink::Finish(std::string& error) {
    if (file == nullptr) return false;
    if (raw) {
        const bool ok = std::fflush(file) == 0;
        if (!ok) error = "cannot write standard output: " + std::string(std::strerror(errno));
        file = nullptr;
        return ok;
    }
    // Every buffered byte reaches the disk before the file takes its name.
    const bool written =
        (flac ? flac->Finish() : std::fseek(file, 0, SEEK_SET) == 0 && WriteHeader()) &&
        SyncToDisk(file);
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!written || !closed) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
        Discard();
        return false;
    }
    const bool published = Publish(error);
    Discard();
    return published;
}
