// Loading: from memory, a file or the caller's callbacks, into a new handle.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/capi/Levels.h"
#include "KavoXM/sequencer/GameState.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void CopyReason(kavoxm_load_report* report, const char* reason) {
    if (report == nullptr) return;
    std::snprintf(report->reason, sizeof report->reason, "%s", reason);
}

void FillReport(kavoxm_load_report* report, const TKavoXMLoadInfo& info) {
    if (report == nullptr) return;
    *report = {};
    report->format_version = info.Version;
    report->patterns = info.PatternCount;
    report->instruments = info.InstrumentCount;
    report->sample_headers = info.SampleHeaderCount;
    report->missing_instruments = info.MissingInstruments;
    CopyReason(report, info.RefusalReason);
}

// The refusal's kind from the loader's words: a file that ends early is truncated, anything
// else is not (or not only) an XM image.
int RefusalCode(const TKavoXMLoadInfo& info) {
    const std::string reason = info.RefusalReason;
    if (reason.find("ends") != std::string::npos || reason.find("truncated") != std::string::npos)
        return KAVOXM_ERROR_TRUNCATED;
    return KAVOXM_ERROR_NOT_XM;
}

int Fail(kavoxm_load_report* report, int code, const char* reason) {
    if (report != nullptr) {
        *report = {};
        CopyReason(report, reason);
    }
    return code;
}

// A file error with the system's words for it: "cannot open the file: No such file or
// directory".
int FailWithSystemReason(kavoxm_load_report* report, const char* what, int error) {
    char reason[sizeof report->reason];
    std::snprintf(reason, sizeof reason, "%s: %s", what, std::strerror(error));
    return Fail(report, KAVOXM_ERROR_READ, reason);
}

// An open file for the read callback; `Error` keeps the errno of a failed read.
struct TFileSource {
    std::FILE* File = nullptr;
    int Error = 0;

    static int64_t Read(void* user, void* buffer, size_t bytes) {
        auto& source = *static_cast<TFileSource*>(user);
        errno = 0;
        const size_t got = std::fread(buffer, 1, bytes, source.File);
        if (got > 0 || std::ferror(source.File) == 0) return int64_t(got);
        source.Error = errno != 0 ? errno : EIO;
        return -1;
    }
};

// Opens `path` for reading, refusing a directory (which some systems open and then fail to
// read) with its own reason; the errno on failure.
std::FILE* OpenFile(const char* path, int& error) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        error = errno != 0 ? errno : ENOENT;
        return nullptr;
    }
#ifndef _WIN32 // Windows refuses to open a directory as a file
    struct stat status {};
    if (fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(file);
        error = EISDIR;
        return nullptr;
    }
#endif
    return file;
}

// Reads everything `io` gives into one buffer that grows geometrically, so that the cost is
// linear in the bytes however small the reader's pieces are. Returns an error code or OK.
int ReadAll(const kavoxm_io& io, void* user, std::vector<uint8_t>& image,
            kavoxm_load_report* report) {
    constexpr size_t Limit = KAVOXM_MAX_FILE_BYTES + 1; // one byte more shows the excess
    constexpr size_t FirstSize = 64 * 1024;
    size_t used = 0;
    if (io.size != nullptr) {
        const int64_t size = io.size(user);
        if (size > int64_t(KAVOXM_MAX_FILE_BYTES))
            return Fail(report, KAVOXM_ERROR_TOO_LARGE, "larger than 512 MiB");
        if (size > 0) image.resize(size_t(size) + 1); // the extra byte finds the end at once
    }
    for (;;) {
        if (used > KAVOXM_MAX_FILE_BYTES)
            return Fail(report, KAVOXM_ERROR_TOO_LARGE, "larger than 512 MiB");
        if (used == image.size()) image.resize(std::min(std::max(FirstSize, 2 * used), Limit));
        const size_t room = image.size() - used;
        const int64_t got = io.read(user, image.data() + used, room);
        if (got < 0 || uint64_t(got) > room)
            return Fail(report, KAVOXM_ERROR_READ, "the read callback failed");
        if (got == 0) break;
        used += size_t(got);
    }
    image.resize(used);
    return KAVOXM_OK;
}

// Takes the image (moved in) and makes a handle of it.
int LoadImage(std::vector<uint8_t>&& image, kavoxm_module** out, kavoxm_load_report* report) {
    if (image.size() > KAVOXM_MAX_FILE_BYTES)
        return Fail(report, KAVOXM_ERROR_TOO_LARGE, "larger than 512 MiB");
    auto handle = std::make_unique<kavoxm_module>();
    handle->Player = capi::MakePlayer(handle->Rate, handle->Channels);
    TKavoXMModule& module = *handle->Player->Module;
    if (!module.LoadFromMemory(image.data(), int32_t(image.size()), &handle->LoadInfo)) {
        FillReport(report, handle->LoadInfo);
        if (handle->LoadInfo.RefusalReason[0] == 0) CopyReason(report, "not an XM module");
        return RefusalCode(handle->LoadInfo);
    }
    handle->Player->StartOffline();
    module.Game = std::make_unique<TKavoXMGameState>(&module);
    handle->Image = std::move(image);
    FillReport(report, handle->LoadInfo);
    *out = handle.release();
    return KAVOXM_OK;
}

} // namespace

namespace capi {

std::unique_ptr<TKavoXM> MakePlayer(int32_t rate, int32_t channels) {
    // Stereo-sized buffers, so that a later change to stereo needs no new allocation.
    auto player = std::make_unique<TKavoXM>(rate, kavoxm_module::BlockFrames, 1, true, 10, 16, 0,
                                            TKavoXMOutput::None);
    player->Channels = channels;
    return player;
}

} // namespace capi

extern "C" {

/** Errors: INVALID_ARGUMENT, NOT_XM, TRUNCATED, TOO_LARGE, OUT_OF_MEMORY. */
int kavoxm_load_memory(const void* data, size_t size, kavoxm_module** out,
                       kavoxm_load_report* report) {
    return capi::Guard([&]() -> int {
        if (data == nullptr || out == nullptr)
            return Fail(report, KAVOXM_ERROR_INVALID_ARGUMENT, "no data or no handle pointer");
        if (size > KAVOXM_MAX_FILE_BYTES)
            return Fail(report, KAVOXM_ERROR_TOO_LARGE, "larger than 512 MiB");
        const auto* bytes = static_cast<const uint8_t*>(data);
        return LoadImage(std::vector<uint8_t>(bytes, bytes + size), out, report);
    });
}

/** Errors: as kavoxm_load_memory, and READ. */
int kavoxm_load_callbacks(const kavoxm_io* io, void* user, kavoxm_module** out,
                          kavoxm_load_report* report) {
    return capi::Guard([&]() -> int {
        if (io == nullptr || io->read == nullptr || out == nullptr)
            return Fail(report, KAVOXM_ERROR_INVALID_ARGUMENT, "no reader or no handle pointer");
        std::vector<uint8_t> image;
        const int result = ReadAll(*io, user, image, report);
        if (result != KAVOXM_OK) return result;
        return LoadImage(std::move(image), out, report);
    });
}

/** Errors: as kavoxm_load_memory, and READ. */
int kavoxm_load_file(const char* path, kavoxm_module** out, kavoxm_load_report* report) {
    return capi::Guard([&]() -> int {
        if (path == nullptr || out == nullptr)
            return Fail(report, KAVOXM_ERROR_INVALID_ARGUMENT, "no path or no handle pointer");
        TFileSource source;
        int error = 0;
        source.File = OpenFile(path, error);
        if (source.File == nullptr)
            return FailWithSystemReason(report, "cannot open the file", error);
        kavoxm_io io{};
        io.read = TFileSource::Read;
        int result = kavoxm_load_callbacks(&io, &source, out, report);
        std::fclose(source.File);
        if (result == KAVOXM_ERROR_READ && source.Error != 0)
            result = FailWithSystemReason(report, "cannot read the file", source.Error);
        return result;
    });
}

void kavoxm_destroy(kavoxm_module* module) {
    try {
        delete module;
    } catch (...) { // NOLINT(bugprone-empty-catch): destruction gives no result to report
    }
}

} // extern "C"
