// The C API on bad input: error codes, reports, and handles that stay as they were.
#include "CapiSongs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace {
using namespace capisongs;

std::vector<uint8_t> Image() {
    return xmbuilder::BuildXM(Busy());
}

// The first frames of a fresh handle, to show that failed calls changed nothing.
std::vector<int32_t> Opening(kavoxm_module* m) {
    std::vector<int32_t> out(2 * 5000);
    EXPECT_EQ(kavoxm_render_mix(m, 44100, 2, out.data(), 5000), 5000);
    return out;
}

TEST(CapiLoad, RefusesWhatIsNotASong) {
    const std::vector<uint8_t> image = Image();
    kavoxm_module* m = nullptr;
    kavoxm_load_report report{};
    EXPECT_EQ(kavoxm_load_memory(nullptr, 10, &m, &report), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_load_memory(image.data(), image.size(), nullptr, &report),
              KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_load_memory(image.data(), 0, &m, &report), KAVOXM_ERROR_NOT_XM);
    EXPECT_NE(report.reason[0], 0);
    std::vector<uint8_t> other = image;
    std::memcpy(other.data(), "Extended Mudule: ", 17);
    EXPECT_EQ(kavoxm_load_memory(other.data(), other.size(), &m, &report), KAVOXM_ERROR_NOT_XM);
    // Cut inside the patterns: truncated, and the report says where.
    EXPECT_EQ(kavoxm_load_memory(image.data(), 400, &m, &report), KAVOXM_ERROR_TRUNCATED);
    EXPECT_NE(std::string(report.reason).find("pattern"), std::string::npos) << report.reason;
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(kavoxm_load_file("/nonexistent/song.xm", &m, nullptr), KAVOXM_ERROR_READ);
    EXPECT_EQ(kavoxm_load_file(nullptr, &m, nullptr), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(m, nullptr);
}

TEST(CapiLoad, ReportsWhatTheLoaderFound) {
    const std::vector<uint8_t> image = Image();
    kavoxm_module* m = nullptr;
    kavoxm_load_report report{};
    ASSERT_EQ(kavoxm_load_memory(image.data(), image.size(), &m, &report), KAVOXM_OK);
    const Handle handle(m);
    EXPECT_EQ(report.format_version, 0x0104);
    EXPECT_EQ(report.patterns, 3);
    EXPECT_EQ(report.instruments, 3);
    EXPECT_EQ(report.reason[0], 0);
}

struct Source {
    const std::vector<uint8_t>* image;
    size_t at = 0;
    size_t chunk = 0;
    bool fail = false;
};

int64_t ReadSource(void* user, void* buffer, size_t bytes) {
    auto& s = *static_cast<Source*>(user);
    if (s.fail && s.at > 0) return -1;
    const size_t n = std::min({bytes, s.chunk, s.image->size() - s.at});
    std::memcpy(buffer, s.image->data() + s.at, n);
    s.at += n;
    return int64_t(n);
}

TEST(CapiLoad, CallbacksReadInAnyPiecesAndFailCleanly) {
    const std::vector<uint8_t> image = Image();
    const Handle fromMemory = Load(image);
    kavoxm_io io{ReadSource, nullptr, nullptr};
    Source pieces{&image, 0, 333, false};
    kavoxm_module* m = nullptr;
    ASSERT_EQ(kavoxm_load_callbacks(&io, &pieces, &m, nullptr), KAVOXM_OK);
    const Handle fromCallbacks(m);
    EXPECT_EQ(Opening(fromCallbacks.get()), Opening(fromMemory.get()));

    Source failing{&image, 0, 333, true};
    m = nullptr;
    EXPECT_EQ(kavoxm_load_callbacks(&io, &failing, &m, nullptr), KAVOXM_ERROR_READ);
    EXPECT_EQ(m, nullptr);
    kavoxm_io noRead{nullptr, nullptr, nullptr};
    EXPECT_EQ(kavoxm_load_callbacks(&noRead, &pieces, &m, nullptr), KAVOXM_ERROR_INVALID_ARGUMENT);
}

// A file that cannot be read says why in the system's words, with the READ code.
struct FileFailure {
    const char* what;
    std::string (*path)();
    int error; // the errno whose text the reason carries
};

std::string MissingFile() {
    return (std::filesystem::temp_directory_path() / "kavoxm-absent" / "song.xm").string();
}
std::string Directory() {
    return std::filesystem::temp_directory_path().string();
}

class CapiLoadFile : public ::testing::TestWithParam<FileFailure> {};

TEST_P(CapiLoadFile, GivesTheSystemsReason) {
    kavoxm_module* m = nullptr;
    kavoxm_load_report report{};
    EXPECT_EQ(kavoxm_load_file(GetParam().path().c_str(), &m, &report), KAVOXM_ERROR_READ);
    EXPECT_EQ(m, nullptr);
    const std::string reason = report.reason;
    EXPECT_EQ(reason.rfind("cannot open the file: ", 0), 0u) << reason;
#ifndef _WIN32 // Windows has its own words for a directory
    EXPECT_NE(reason.find(std::strerror(GetParam().error)), std::string::npos) << reason;
#endif
}

INSTANTIATE_TEST_SUITE_P(Files, CapiLoadFile,
                         ::testing::Values(FileFailure{"missing", MissingFile, ENOENT},
                                           FileFailure{"directory", Directory, EISDIR}),
                         [](const auto& info) { return std::string(info.param.what); });

// A reader that gives one byte a call costs time linear in the bytes: 1 MiB in well under a
// second (growing the buffer by a fixed piece a call took seconds).
TEST(CapiLoad, OneByteReadsTakeLinearTime) {
    const std::vector<uint8_t> image(1 << 20, 'x');
    Source source{&image, 0, 1, false};
    kavoxm_io io{ReadSource, nullptr, nullptr};
    kavoxm_module* m = nullptr;
    kavoxm_load_report report{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(kavoxm_load_callbacks(&io, &source, &m, &report), KAVOXM_ERROR_NOT_XM);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(source.at, image.size()) << "the loader reads to the end";
    EXPECT_LT(took.count(), 1.0);
}

// Every call below fails; afterwards the handle renders as a fresh one does.
TEST(CapiCalls, FailuresLeaveTheHandleAsItWas) {
    const std::vector<uint8_t> image = Image();
    const Handle fresh = Load(image);
    const Handle m = Load(image);
    int16_t pcm[64];
    EXPECT_EQ(kavoxm_render_s16(m.get(), KAVOXM_MIN_RATE - 1, 2, pcm, 8),
              KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_render_s16(m.get(), KAVOXM_MAX_RATE + 1, 2, pcm, 8),
              KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_render_s16(m.get(), 44100, 3, pcm, 8), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_render_s16(m.get(), 44100, 2, nullptr, 8), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_render_s16(nullptr, 44100, 2, pcm, 8), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_seek_order(m.get(), 4, 0), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_seek_order(m.get(), 0, 32), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_seek_order(m.get(), -1, 0), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_seek_seconds(m.get(), -0.5), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_seek_seconds(m.get(), std::nan("")), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_select_subsong(m.get(), 1), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_select_subsong(m.get(), -1), KAVOXM_ERROR_POSITION);
    kavoxm_subsong subsong{};
    EXPECT_EQ(kavoxm_get_subsong(m.get(), 1, &subsong), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_set_repeat(m.get(), -2), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_set_master_volume(m.get(), 257), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_set_interpolation(m.get(), 3), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_set_stereo_separation(m.get(), 201), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_set_gain_db(m.get(), std::numeric_limits<double>::infinity()),
              KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_set_gain_db(m.get(), 24.5), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_set_clip(m.get(), 2), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_set_channel_mute(m.get(), 4, 1), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_set_channel_volume(m.get(), 0, 257), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_get_state(m.get(), nullptr), KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_get_text(m.get(), 9, 0, KAVOXM_TEXT_RAW, nullptr, 0),
              KAVOXM_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(kavoxm_get_text(m.get(), KAVOXM_TEXT_INSTRUMENT, 4, KAVOXM_TEXT_RAW, nullptr, 0),
              KAVOXM_ERROR_POSITION);
    kavoxm_cell cell{};
    EXPECT_EQ(kavoxm_get_cell(m.get(), 0, 32, 0, &cell), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_get_cell(m.get(), 0, 0, 4, &cell), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(kavoxm_order_pattern(m.get(), 4), KAVOXM_ERROR_POSITION);
    EXPECT_EQ(Opening(m.get()), Opening(fresh.get()));
}

TEST(CapiCalls, ErrorTextsAndVersion) {
    EXPECT_STREQ(kavoxm_error_string(KAVOXM_ERROR_OUT_OF_MEMORY), "out of memory");
    for (int code = 1; code >= -12; --code) EXPECT_NE(kavoxm_error_string(code), nullptr);
    EXPECT_EQ(kavoxm_version(), uint32_t(KAVOXM_VERSION_MAJOR * 10000 + KAVOXM_VERSION_MINOR * 100 +
                                         KAVOXM_VERSION_PATCH));
    const std::string text = std::to_string(KAVOXM_VERSION_MAJOR) + "." +
                             std::to_string(KAVOXM_VERSION_MINOR) + "." +
                             std::to_string(KAVOXM_VERSION_PATCH);
    EXPECT_EQ(kavoxm_version_string(), text);
}

} // namespace
