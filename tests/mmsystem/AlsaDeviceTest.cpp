// The ALSA wave-out backend against ALSA's null device, chosen through a private .asoundrc:
// no sound card needed. Skips when even the null device cannot be opened.
#include "MMSystem/MMSystem.h"
#include "support/VirtualDeviceHarness.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using testsupport::WaitUntil;

class AlsaDevice : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const char* home = std::getenv("HOME");
        if (home != nullptr) SavedHome = home;
        char pattern[] = "/tmp/kavoxm-alsa-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        Home = pattern;
        std::ofstream(Home / ".asoundrc") << "pcm.!default { type null }\n";
        setenv("HOME", Home.c_str(), 1);
        snd_config_update_free_global(); // forget a configuration read under another HOME
    }

    static void TearDownTestSuite() {
        if (SavedHome)
            setenv("HOME", SavedHome->c_str(), 1);
        else
            unsetenv("HOME");
        snd_config_update_free_global();
        std::error_code ignored;
        if (!Home.empty()) std::filesystem::remove_all(Home, ignored);
    }

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

    static inline std::filesystem::path Home;
    static inline std::optional<std::string> SavedHome;
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

} // namespace
