// The ALSA wave-out backend against ALSA's null device, chosen through a private .asoundrc:
// no sound card needed. Skips when even the null device cannot be opened.
#include "MMSystem/MMSystem.h"
#include "MMSystem/posix/AlsaLibrary.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::WaitUntil;

// Points HOME at a fresh folder whose .asoundrc holds `config` (with @DIR@ standing for that
// folder) for the tests of one suite, and restores it afterwards.
class AlsaHome {
  public:
    static void Use(const std::string& config) {
        const char* home = std::getenv("HOME");
        if (home != nullptr) SavedHome = home;
        char pattern[] = "/tmp/kavoxm-alsa-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        Dir = pattern;
        std::string text = config;
        for (size_t at = text.find("@DIR@"); at != std::string::npos; at = text.find("@DIR@"))
            text.replace(at, 5, Dir.string());
        std::ofstream(Dir / ".asoundrc") << text;
        setenv("HOME", Dir.c_str(), 1);
        ForgetConfiguration(); // a configuration read under another HOME
    }

    static void Restore() {
        if (SavedHome)
            setenv("HOME", SavedHome->c_str(), 1);
        else
            unsetenv("HOME");
        SavedHome.reset();
        ForgetConfiguration();
        std::error_code ignored;
        if (!Dir.empty()) std::filesystem::remove_all(Dir, ignored);
    }

    static void ForgetConfiguration() {
        if (const alsa::Library* library = alsa::System()) library->ConfigFreeGlobal();
    }

    static inline std::filesystem::path Dir;
    static inline std::optional<std::string> SavedHome;
};

class AlsaDevice : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { AlsaHome::Use("pcm.!default { type null }\n"); }
    static void TearDownTestSuite() { AlsaHome::Restore(); }

    static WAVEFORMATEX Format(uint16_t channels, uint16_t bits) {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = channels;
        format.nSamplesPerSec = 44100;
        format.nBlockAlign = uint16_t(channels * bits / 8);
        format.nAvgBytesPerSec = 44100u * format.nBlockAlign;
        format.wBitsPerSample = bits;
        return format;
    }

    // Opens the null device, or skips the test when ALSA cannot.
    HWAVEOUT Open(const WAVEFORMATEX& format) {
        HWAVEOUT device{};
        if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
            return nullptr;
        return device;
    }
};

#define OPEN_OR_SKIP(device, format)                                                               \
    HWAVEOUT device = Open(format);                                                                \
    if (device == nullptr) GTEST_SKIP() << "ALSA cannot open its null device here; skipping"

DWORD Flags(WAVEHDR& header) {
    return WaveHeaderFlags(header).load();
}

TEST_F(AlsaDevice, WritesComeBackDoneAndUnprepare) {
    OPEN_OR_SKIP(device, Format(2, 16));
    std::vector<char> a(441 * 4, 1), b(441 * 4, 2);
    WAVEHDR ha{}, hb{};
    ha.lpData = a.data();
    ha.dwBufferLength = DWORD(a.size());
    hb.lpData = b.data();
    hb.dwBufferLength = DWORD(b.size());
    EXPECT_EQ(waveOutWrite(device, &ha, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    for (WAVEHDR* h : {&ha, &hb}) {
        ASSERT_EQ(waveOutPrepareHeader(device, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    for (WAVEHDR* h : {&ha, &hb}) {
        ASSERT_TRUE(WaitUntil([&] { return (Flags(*h) & WHDR_DONE) != 0; }));
        EXPECT_EQ(Flags(*h) & WHDR_INQUEUE, 0u);
        EXPECT_EQ(waveOutUnprepareHeader(device, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_EQ(Flags(*h) & WHDR_PREPARED, 0u);
    }
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST_F(AlsaDevice, ResetMarksEverythingDoneAndCloseReleases) {
    OPEN_OR_SKIP(device, Format(1, 8));
    std::vector<std::vector<char>> blocks(4, std::vector<char>(2048, char(128)));
    std::vector<WAVEHDR> headers(4);
    for (size_t i = 0; i < headers.size(); ++i) {
        headers[i].lpData = blocks[i].data();
        headers[i].dwBufferLength = DWORD(blocks[i].size());
        waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
        waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    for (WAVEHDR& h : headers) {
        EXPECT_NE(Flags(h) & WHDR_DONE, 0u);
        EXPECT_NE(waveOutUnprepareHeader(device, &h, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    }
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    // The device can be opened again once closed.
    OPEN_OR_SKIP(again, Format(2, 16));
    EXPECT_EQ(waveOutClose(again), MMSYSERR_NOERROR);
}

TEST_F(AlsaDevice, UnsupportedSampleWidthIsRefused) {
    const WAVEFORMATEX format = Format(2, 24);
    HWAVEOUT device{};
    EXPECT_NE(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(device, nullptr);
}

// The null device takes any amount at once, yet counts it as played no faster than real time
// (so a player on it takes the song's own time), and stands still while paused.
TEST_F(AlsaDevice, NullDevicePlaysNoFasterThanTheClock) {
    using Clock = std::chrono::steady_clock;
    const auto opened = Clock::now();
    OPEN_OR_SKIP(device, Format(2, 16));
    std::vector<char> data(size_t(4) * 11025); // a quarter of a second
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = DWORD(data.size());
    waveOutPrepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutWrite(device, &header, sizeof(WAVEHDR));
    const auto playedBy = [&](Clock::time_point at) {
        return uint64_t(
                   std::chrono::duration_cast<std::chrono::microseconds>(at - opened).count()) *
               44100u / 1000000u;
    };
    for (int look = 0; look < 5; ++look) {
        MMTIME time{};
        time.wType = TIME_SAMPLES;
        ASSERT_EQ(waveOutGetPosition(device, &time, sizeof time), MMSYSERR_NOERROR);
        EXPECT_LE(uint64_t(time.u.sample), playedBy(Clock::now()));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(Flags(header) & WHDR_DONE, 0u);
    ASSERT_TRUE(WaitUntil([&] { return (Flags(header) & WHDR_DONE) != 0; }));
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

// The null device behind ALSA's file plugin: what the backend writes lands in a file.
class AlsaRecordingDevice : public AlsaDevice {
  protected:
    static void SetUpTestSuite() {
        AlsaHome::Use("pcm.!default { type file slave.pcm \"null\" file \"@DIR@/out.raw\" "
                      "format \"raw\" }\n");
    }
    static void TearDownTestSuite() { AlsaHome::Restore(); }
};

TEST_F(AlsaRecordingDevice, HandsEveryByteToTheDeviceInOrder) {
    OPEN_OR_SKIP(device, Format(2, 16));
    std::vector<std::vector<char>> blocks;
    std::vector<WAVEHDR> headers(3);
    std::vector<char> expected;
    for (size_t i = 0; i < headers.size(); ++i) {
        blocks.emplace_back(size_t(4 * (5000 + 1000 * i)));
        for (size_t b = 0; b < blocks[i].size(); ++b) blocks[i][b] = char((b * 7 + i) & 0xFF);
        expected.insert(expected.end(), blocks[i].begin(), blocks[i].end());
        headers[i].lpData = blocks[i].data();
        headers[i].dwBufferLength = DWORD(blocks[i].size());
        waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
        waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    }
    for (WAVEHDR& h : headers) ASSERT_TRUE(WaitUntil([&] { return (Flags(h) & WHDR_DONE) != 0; }));
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    std::ifstream file(AlsaHome::Dir / "out.raw", std::ios::binary);
    const std::vector<char> written((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    EXPECT_EQ(written, expected);
}

} // namespace
