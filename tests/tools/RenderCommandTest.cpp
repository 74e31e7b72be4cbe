// `kavoxm render` run as a program: WAV header and sizes, raw output, formats, limits and
// exit codes.
#include "xmbuilder/XMBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using namespace xmbuilder;

fs::path ToolPath() {
    return fs::path(KAVOXM_BINARY_DIR) / "tools" / "kavoxm" / "kavoxm";
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int32_t bytes) {
    uint32_t v = 0;
    for (int32_t i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + size_t(i)];
    return v;
}

// A one-channel song of two 16-row patterns at speed 3: about 1.4 s per pass.
std::vector<uint8_t> SmallSong() {
    XMSong song;
    song.Channels = 1;
    song.Speed = 3;
    song.SongLength = 2;
    XMInstrument instrument;
    XMSample sample;
    for (int32_t f = 0; f < 32; ++f) sample.Left.push_back(f < 16 ? 100 : -100);
    sample.LoopType = 1;
    sample.LoopLengthFrames = 32;
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    XMPattern pattern;
    pattern.Rows = 16;
    pattern.Put(0, 0, {49, 1, 0, 0, 0});
    song.Patterns = {pattern, pattern};
    song.Orders[1] = 1;
    return BuildXM(song);
}

class RenderCommand : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        if (!fs::exists(ToolPath())) GTEST_SKIP() << "kavoxm tool not built";
        dir = fs::temp_directory_path() /
              ("kavoxm-render-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        const auto song = SmallSong();
        std::ofstream(dir / "song.xm", std::ios::binary)
            .write(reinterpret_cast<const char*>(song.data()), std::streamsize(song.size()));
        std::ofstream(dir / "text.xm") << "not a module at all";
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir.empty()) fs::remove_all(dir, ignored);
    }
    // Runs the tool with `args` (shell words); stderr goes to dir/err.
    int Run(const std::string& args) {
        const std::string command =
            "cd '" + dir.string() + "' && '" + ToolPath().string() + "' render " + args + " 2>err";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Errors() {
        const auto bytes = ReadBytes(dir / "err");
        return {bytes.begin(), bytes.end()};
    }
};

struct Format {
    std::string options;
    uint32_t rate, channels, bits;
};

class RenderFormat : public RenderCommand, public ::testing::WithParamInterface<Format> {};

TEST_P(RenderFormat, WavHeaderDescribesTheData) {
    const Format f = GetParam();
    ASSERT_EQ(Run("song.xm -o out.wav --seconds 0.5 " + f.options), 0) << Errors();
    const auto wav = ReadBytes(dir / "out.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le(wav, 20, 2), 1u); // PCM
    EXPECT_EQ(Le(wav, 22, 2), f.channels);
    EXPECT_EQ(Le(wav, 24, 4), f.rate);
    const uint32_t align = f.channels * f.bits / 8;
    EXPECT_EQ(Le(wav, 28, 4), f.rate * align);
    EXPECT_EQ(Le(wav, 32, 2), align);
    EXPECT_EQ(Le(wav, 34, 2), f.bits);
    EXPECT_EQ(Le(wav, 40, 4), wav.size() - 44);
    EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
    EXPECT_EQ(wav.size() - 44, size_t(f.rate / 2) * align); // exactly half a second
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RenderFormat,
    ::testing::Values(Format{"", 44100, 2, 16}, Format{"--mono --bits 8 --rate 22050", 22050, 1, 8},
                      Format{"--bits 8 --interpolation linear", 44100, 2, 8},
                      Format{"--mono --rate 48000 --interpolation nearest", 48000, 1, 16},
                      Format{"--bits 24 --gain -3", 44100, 2, 24}),
    [](const auto& info) {
        const Format& f = info.param;
        return std::to_string(f.rate) + (f.channels == 1 ? "Mono" : "Stereo") +
               std::to_string(f.bits) + "Bit";
    });

TEST_F(RenderCommand, RawOutputIsTheWavData) {
    ASSERT_EQ(Run("song.xm -o out.wav --master-volume 200 --seconds 30"), 0) << Errors();
    ASSERT_EQ(Run("song.xm -o - --master-volume 200 --seconds 30 > out.raw"), 0) << Errors();
    const auto wav = ReadBytes(dir / "out.wav");
    const auto raw = ReadBytes(dir / "out.raw");
    ASSERT_GT(raw.size(), 44100u * 4);     // a whole pass is longer than a second
    EXPECT_LT(raw.size(), 44100u * 4 * 3); // and the song end stops the render
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), wav.begin() + 44, wav.end()));
}

// A pass is 32 rows at speed 3 of ticks of rate x 640 / (125 x 256) frames: the render ends
// on the frame where the last pass does, at any rate.
TEST_F(RenderCommand, PassesEndToTheFrame) {
    ASSERT_EQ(Run("song.xm -o - --loops 1 --seconds 30 > one.raw"), 0) << Errors();
    ASSERT_EQ(Run("song.xm -o - --loops 2 --seconds 30 > two.raw"), 0) << Errors();
    ASSERT_EQ(Run("song.xm -o - --rate 22050 --mono > low.raw"), 0) << Errors();
    EXPECT_EQ(fs::file_size(dir / "one.raw"), uintmax_t(32 * 3 * 882) * 4);
    EXPECT_EQ(fs::file_size(dir / "two.raw"), uintmax_t(2 * 32 * 3 * 882) * 4);
    EXPECT_EQ(fs::file_size(dir / "low.raw"), uintmax_t(32 * 3 * 441) * 2);
}

TEST_F(RenderCommand, MasterVolumeAndClippingChangeTheOutput) {
    ASSERT_EQ(Run("song.xm -o - --seconds 0.3 > a.raw"), 0);
    ASSERT_EQ(Run("song.xm -o - --seconds 0.3 --master-volume 256 > b.raw"), 0);
    EXPECT_NE(ReadBytes(dir / "a.raw"), ReadBytes(dir / "b.raw"));
}

int16_t Sample16(const std::vector<uint8_t>& b, size_t at) {
    return int16_t(uint16_t(b[at] | b[at + 1] << 8));
}

TEST_F(RenderCommand, FloatWavHoldsTheSixteenBitSignalOverFullScale) {
    ASSERT_EQ(Run("song.xm -o f.wav --bits 32f --seconds 0.5"), 0) << Errors();
    ASSERT_EQ(Run("song.xm -o - --seconds 0.5 > s.raw"), 0) << Errors();
    const auto wav = ReadBytes(dir / "f.wav");
    const auto pcm = ReadBytes(dir / "s.raw");
    ASSERT_GE(wav.size(), 58u);
    EXPECT_EQ(Le(wav, 16, 4), 18u); // fmt with its extension size
    EXPECT_EQ(Le(wav, 20, 2), 3u);  // IEEE float
    EXPECT_EQ(Le(wav, 34, 2), 32u);
    EXPECT_EQ(std::string(wav.begin() + 38, wav.begin() + 42), "fact");
    EXPECT_EQ(Le(wav, 46, 4), 22050u); // frames
    EXPECT_EQ(std::string(wav.begin() + 50, wav.begin() + 54), "data");
    EXPECT_EQ(Le(wav, 54, 4), wav.size() - 58);
    EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
    ASSERT_EQ((wav.size() - 58) / 4, pcm.size() / 2);
    double loudest = 0;
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        float f = 0;
        std::memcpy(&f, wav.data() + 58 + 4 * i, 4);
        // 16-bit output truncates the same mix toward zero.
        EXPECT_LT(std::abs(f * 32768.0 - Sample16(pcm, 2 * i)), 1.0) << i;
        loudest = std::max(loudest, double(std::abs(f)));
    }
    EXPECT_GT(loudest, 0.001);
}

TEST_F(RenderCommand, StereoSeparationZeroIsMono) {
    ASSERT_EQ(Run("song.xm -o - --seconds 0.3 > wide.raw"), 0) << Errors();
    ASSERT_EQ(Run("song.xm -o - --seconds 0.3 --stereo-separation 0 > mono.raw"), 0) << Errors();
    const auto wide = ReadBytes(dir / "wide.raw");
    const auto mono = ReadBytes(dir / "mono.raw");
    ASSERT_EQ(wide.size(), mono.size());
    size_t differing = 0;
    for (size_t i = 0; i + 3 < mono.size(); i += 4) {
        EXPECT_EQ(Sample16(mono, i), Sample16(mono, i + 2)) << i;
        differing += Sample16(wide, i) != Sample16(wide, i + 2) ? 1 : 0;
    }
    EXPECT_GT(differing, 0u); // the song is not centred: separation did something
}

// A song whose two orders play different notes, and its copy that starts at the second.
std::vector<uint8_t> TwoOrderSong(bool fromSecond) {
    XMSong song;
    song.Channels = 1;
    song.Speed = 3;
    song.SongLength = fromSecond ? 1 : 2;
    XMInstrument instrument;
    XMSample sample;
    for (int32_t f = 0; f < 32; ++f) sample.Left.push_back(f * 8 - 128);
    sample.LoopType = 1;
    sample.LoopLengthFrames = 32;
    instrument.Samples.push_back(sample);
    song.Instruments.push_back(instrument);
    XMPattern first, second;
    first.Rows = second.Rows = 16;
    first.Put(0, 0, {49, 1, 0, 0, 0});
    second.Put(0, 0, {61, 1, 0, 0, 0});
    second.Put(15, 0, {0, 0, 0, 0x0B, fromSecond ? uint8_t(0) : uint8_t(1)});
    song.Patterns = {first, second};
    song.Orders[0] = fromSecond ? 1 : 0;
    song.Orders[1] = 1;
    return BuildXM(song);
}

TEST_F(RenderCommand, StartAndSubsongBeginWhereTheSongWouldHaveBegun) {
    const auto two = TwoOrderSong(false), one = TwoOrderSong(true);
    std::ofstream(dir / "two.xm", std::ios::binary)
        .write(reinterpret_cast<const char*>(two.data()), std::streamsize(two.size()));
    std::ofstream(dir / "one.xm", std::ios::binary)
        .write(reinterpret_cast<const char*>(one.data()), std::streamsize(one.size()));
    ASSERT_EQ(Run("one.xm -o - > one.raw"), 0) << Errors();
    ASSERT_EQ(Run("two.xm -o - --start 1 > start.raw"), 0) << Errors();
    ASSERT_EQ(Run("two.xm -o - > whole.raw"), 0) << Errors();
    const auto alone = ReadBytes(dir / "one.raw");
    EXPECT_GT(alone.size(), 44100u); // a quarter of a second at least
    EXPECT_EQ(ReadBytes(dir / "start.raw"), alone);
    EXPECT_NE(ReadBytes(dir / "whole.raw"), alone);
    // Order 1 loops on itself and order 0 leads into it: one tune. --subsong 2 is refused.
    EXPECT_EQ(Run("two.xm -o - --subsong 2 > sub.raw"), 1);
    EXPECT_NE(Errors().find("two.xm has 1 subsong: no --subsong 2"), std::string::npos) << Errors();
    EXPECT_EQ(Run("two.xm -o - --start 2 > sub.raw"), 1);
    EXPECT_NE(Errors().find("two.xm has 2 orders: --start 2 is not one of them"), std::string::npos)
        << Errors();
}

struct Refusal {
    std::string args;
    int exitCode;
    std::string message;
};

class RenderRefusal : public RenderCommand, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RenderRefusal, ExitsWithItsCodeAndSaysWhy) {
    const Refusal r = GetParam();
    EXPECT_EQ(Run(r.args), r.exitCode);
    EXPECT_NE(Errors().find(r.message), std::string::npos) << Errors();
}

std::string RefusalName(const testing::TestParamInfo<Refusal>& info) {
    static const char* const names[] = {"MissingFile",        "NotAnXM",         "BadBits",
                                        "BadInterpolation",   "BadMasterVolume", "NoOutput",
                                        "OutputFolderMissing"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RenderRefusal,
    ::testing::Values(Refusal{"missing.xm -o out.wav", 1, "cannot read missing.xm"},
                      Refusal{"text.xm -o out.wav", 1, "cannot load text.xm: file too short"},
                      Refusal{"song.xm -o out.wav --bits 12", 2, "bits"},
                      Refusal{"song.xm -o out.wav --interpolation cubic", 2, "interpolation"},
                      Refusal{"song.xm -o out.wav --master-volume 300", 2, "master-volume"},
                      Refusal{"song.xm", 2, "output"},
                      Refusal{"song.xm -o nodir/out.wav", 1, "cannot write nodir/out.wav"}),
    RefusalName);
} // namespace
