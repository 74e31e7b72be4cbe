// The memory a song's sample data costs the tool, measured as the peak resident size of the
// process on a file with one large looped 8-bit sample. Reading takes the file once; info,
// which plays nothing, decodes no sample values; render holds the file and the 32-bit values the
// mixer reads (4 bytes for each 8-bit value).
#include "ToolRun.h"
#include "xmbuilder/XMBuilder.h"

#include <sys/resource.h>
#include <sys/wait.h>

namespace {
using namespace tooltest;

constexpr uint64_t MiB = uint64_t(1) << 20;
// What the tool takes with a song of no size at all (7 MiB for a debug build), with room.
constexpr uint64_t Baseline = 32 * MiB;

// One instrument with one looped 8-bit sample of `bytes` values, played on the first row.
std::vector<uint8_t> SongWithALargeSample(uint32_t bytes) {
    xmbuilder::XMSong song;
    song.Channels = 1;
    xmbuilder::XMSample sample;
    sample.Left = {0, 0};
    sample.LengthBytes = bytes;
    sample.LoopType = 1;
    sample.LoopLengthBytes = bytes;
    std::vector<uint8_t> data(bytes);
    for (uint32_t i = 0; i < bytes; ++i) data[i] = uint8_t(i * 7 + (i >> 9)); // deltas
    sample.RawData = std::move(data);
    xmbuilder::XMInstrument instrument;
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    xmbuilder::XMPattern pattern;
    pattern.Rows = 16;
    pattern.Put(0, 0, {49, 1, 0, 0, 0});
    song.Patterns = {pattern};
    return xmbuilder::BuildXM(song);
}

// Runs the tool with `arguments` (output to /dev/null) and returns its peak resident size.
uint64_t PeakBytes(const fs::path& dir, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), ToolPath().string());
    const pid_t child = ::fork();
    if (child == 0) {
        ::freopen("/dev/null", "w", stdout);
        std::vector<char*> argv;
        for (auto& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::chdir(dir.c_str());
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << arguments[1];
    return uint64_t(usage.ru_maxrss) * 1024;
}

TEST_F(ToolTest, SampleMemoryStaysWithinItsBound) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory counts in the peak";
#endif
    const uint32_t sampleBytes = 64 * MiB;
    Write("big.xm", SongWithALargeSample(sampleBytes));
    const uint64_t file = fs::file_size(dir / "big.xm");
    ASSERT_GT(file, uint64_t(sampleBytes));
    // The file, read once; no sample values.
    const uint64_t info = PeakBytes(dir, {"info", "big.xm"});
    EXPECT_LT(info, file + Baseline) << "info: " << info / MiB << " MiB";
    // The file and four bytes a value.
    const uint64_t render = PeakBytes(dir, {"render", "big.xm", "-o", "-", "--seconds", "0.1"});
    EXPECT_LT(render, file + 4 * uint64_t(sampleBytes) + Baseline)
        << "render: " << render / MiB << " MiB";
}

} // namespace
