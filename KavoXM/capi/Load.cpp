// Loading: from memory, a file or the caller's callbacks, into a new handle.
#include "KavoXM/capi/Handle.h"
#include "KavoXM/capi/Levels.h"

#include <algorithm>
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
        if (io->size != nullptr) {
            const int64_t size = io->size(user);
            if (size > int64_t(KAVOXM_MAX_FILE_BYTES))
                return Fail(report, KAVOXM_ERROR_TOO_LARGE, "larger than 512 MiB");
            if (size > 0) image.reserve(size_t(size));
        }
        constexpr size_t Chunk = 64 * 1024;
        for (;;) {
            const size_t at = image.size();
            if (at > KAVOXM_MAX_FILE_BYTES)
                return Fail(report, KAVOXM_ERROR_TOO_LARGE, "larger than 512 MiB");
            image.resize(at + Chunk);
            const int64_t got = io->read(user, image.data() + at, Chunk);
            if (got < 0 || got > int64_t(Chunk))
                return Fail(report, KAVOXM_ERROR_READ, "the read callback failed");
            image.resize(at + size_t(got));
            if (got == 0) break;
        }
        return LoadImage(std::move(image), out, report);
    });
}

/** Errors: as kavoxm_load_memory, and READ. */
int kavoxm_load_file(const char* path, kavoxm_module** out, kavoxm_load_report* report) {
    return capi::Guard([&]() -> int {
        if (path == nullptr || out == nullptr)
            return Fail(report, KAVOXM_ERROR_INVALID_ARGUMENT, "no path or no handle pointer");
        std::FILE* file = std::fopen(path, "rb");
        if (file == nullptr) return Fail(report, KAVOXM_ERROR_READ, "cannot open the file");
        kavoxm_io io{};
        io.read = [](void* user, void* buffer, size_t bytes) -> int64_t {
            auto* f = static_cast<std::FILE*>(user);
            const size_t got = std::fread(buffer, 1, bytes, f);
            return got == 0 && std::ferror(f) != 0 ? -1 : int64_t(got);
        };
        const int result = kavoxm_load_callbacks(&io, file, out, report);
        std::fclose(file);
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
