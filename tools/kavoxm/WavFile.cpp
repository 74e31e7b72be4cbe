#include "WavFile.h"

#include "FlacFile.h"
#include "MMSystem/Console.h"
#include "PlatformFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

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

std::string ExistsMessage(const std::string& output, const OutputTarget& target) {
    if (target.File == output) return output + " exists (--force replaces the file)";
    return output + " exists (--force replaces the file it links to, " + target.File + ")";
}

} // namespace

std::string CheckOutputName(const std::string& input, const std::string& output, bool force) {
    if (output == "-") return {};
    const OutputTarget target = ExamineOutput(output);
    if (target.Kind == TargetKind::Refused) return "cannot write " + output + ": " + target.Reason;
    if (input != "-" && SameFile(input, output)) return output + " is the input file";
    const size_t slash = output.find_last_of('/');
    const size_t dot = output.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        const std::string extension = Lower(output.substr(dot + 1));
        if (OtherFormat(extension) && !(extension == "flac" && FlacAvailable()))
            return output + ": the output is a WAV file, not ." + extension +
                   " (name it .wav, or give - for raw PCM)";
    }
    if (!force && target.Kind == TargetKind::File) return ExistsMessage(output, target);
    return {};
}

PcmSink::PcmSink(uint64_t riffLimit) : riffLimit(riffLimit) {}

PcmSink::~PcmSink() {
    Discard();
}

void PcmSink::Discard() {
    flac.reset(); // an unfinished encoder writes its end into the file that goes
    if (file != nullptr && kind != Kind::Raw) std::fclose(file);
    file = nullptr;
    if (!temporary.empty()) RemoveFile(temporary);
    temporary.clear();
}

bool PcmSink::Open(const std::string& name, int32_t rate, int32_t channels, SampleFormat format,
                   const SinkOptions& sinkOptions, std::string& error) {
    path = name;
    options = sinkOptions;
    layout = WavLayout{rate, channels, format, false};
    dataBytes = 0;
    if (name == "-") {
        kind = Kind::Raw;
        SetBinaryMode(stdout); // raw PCM must reach stdout unchanged
        file = stdout;
        return true;
    }
    const OutputTarget examined = ExamineOutput(name);
    target = examined.File;
    switch (examined.Kind) {
    case TargetKind::Refused:
        error = "cannot write " + name + ": " + examined.Reason;
        return false;
    case TargetKind::Stream:
        kind = Kind::Stream;
        return OpenStreamTarget(error);
    case TargetKind::New:
    case TargetKind::File:
        break;
    }
    kind = Kind::File;
    return OpenFile(error);
}

bool PcmSink::OpenFile(std::string& error) {
    std::string reason;
    file = CreateFileBeside(target, temporary, reason);
    if (file == nullptr) {
        temporary.clear();
        error = "cannot write " + path + ": " + reason;
        return false;
    }
    if (IsFlacName(target)) return StartFlac(error);
    // Callers write large chunks; stdio copying them into its own buffer costs more than the
    // write calls it saves.
    std::setvbuf(file, nullptr, _IONBF, 0);
    rewritable = true;
    headerAt = 0;
    layout.Room = options.MaxDataBytes > riffLimit;
    if (!WriteHeader(0)) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    return true;
}

// A device or a pipe gets a header declaring the most data that may come; a regular file
// reached through an open descriptor's name gets its true sizes at the end.
bool PcmSink::OpenStreamTarget(std::string& error) {
    std::string reason;
    file = OpenStream(target, rewritable, reason);
    if (file == nullptr) {
        error = "cannot write " + path + ": " + reason;
        return false;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    headerAt = rewritable ? std::ftell(file) : -1;
    rewritable = headerAt >= 0;
    layout.Room = rewritable && options.MaxDataBytes > riffLimit;
    const uint64_t frameBytes = uint64_t(layout.Channels) * uint64_t(BytesPerSample(layout.Format));
    const uint64_t most =
        options.MaxDataBytes != 0 ? std::min(options.MaxDataBytes, riffLimit) : riffLimit;
    if (!WriteHeader(rewritable ? 0 : most / frameBytes * frameBytes)) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    return true;
}

// The encoder writes a few kilobytes at a time: stdio collects them.
bool PcmSink::StartFlac(std::string& error) {
    flac = std::make_unique<FlacEncoder>();
    std::string reason;
    if (!flac->Start(file, layout.Rate, layout.Channels, layout.Format, reason)) {
        error = "cannot write " + path + ": " + reason;
        Discard();
        return false;
    }
    return true;
}

bool PcmSink::WriteHeader(uint64_t declaredBytes) {
    uint8_t header[128];
    const size_t size = WavHeaderBytes(layout);
    BuildWavHeader(layout, declaredBytes, declaredBytes > riffLimit, header);
    return std::fwrite(header, 1, size, file) == size;
}

bool PcmSink::Write(const void* data, size_t bytes) {
    if (flac) return flac->Write(data, bytes);
    // Past the RIFF limit without room for the RF64 sizes, the header would be wrong.
    if (kind != Kind::Raw && rewritable && !layout.Room && dataBytes + bytes > riffLimit) {
        errno = EFBIG;
        return false;
    }
    dataBytes += bytes;
    return std::fwrite(data, 1, bytes, file) == bytes;
}

bool PcmSink::Publish(std::string& error) {
    std::string reason;
    switch (PublishFile(temporary, target, options.Replace, reason)) {
    case PublishResult::Published:
        temporary.clear(); // nothing left to remove
        return true;
    case PublishResult::Exists:
        error = path + " exists (--force replaces the file)";
        return false;
    case PublishResult::Failed:
        break;
    }
    error = "cannot write " + path + ": " + reason;
    return false;
}

// The pad byte after odd data, the final header, and every byte handed to the system (to the
// disk with --sync).
bool PcmSink::Complete() {
    if (flac) {
        if (!flac->Finish()) return false;
    } else {
        if ((dataBytes & 1) != 0 && std::fputc(0, file) == EOF) return false;
        if (rewritable && (std::fseek(file, headerAt, SEEK_SET) != 0 || !WriteHeader(dataBytes)))
            return false;
    }
    if (options.Sync && kind == Kind::File) return SyncToDisk(file);
    return std::fflush(file) == 0;
}

bool PcmSink::Finish(std::string& error) {
    if (file == nullptr) return false;
    if (kind == Kind::Raw) {
        const bool ok = std::fflush(file) == 0;
        if (!ok) error = "cannot write standard output: " + std::string(std::strerror(errno));
        file = nullptr;
        return ok;
    }
    const bool written = Complete();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!written || !closed) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
        Discard();
        return false;
    }
    if (kind == Kind::Stream) return true;
    const bool published = Publish(error);
    Discard();
    return published;
}
