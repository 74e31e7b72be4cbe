// The wave-out functions on the virtual device: queueing, done flags, unprepare answers,
// reset, close and the recording of written bytes.
#include "MMSystem/MMSystem.h"
#include "support/VirtualDeviceHarness.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testsupport::ScopedVirtualDevice;
using testsupport::WaitUntil;

WAVEFORMATEX StereoFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 44100 * 4;
    format.wBitsPerSample = 16;
    return format;
}

struct Buffer {
    explicit Buffer(uint32_t frames, uint8_t fill) : Data(frames * 4, fill) {
        Header.lpData = reinterpret_cast<char*>(Data.data());
        Header.dwBufferLength = DWORD(Data.size());
    }
    std::vector<uint8_t> Data;
    WAVEHDR Header{};
};

DWORD Flags(WAVEHDR& header) {
    return WaveHeaderFlags(header).load();
}

TEST(VirtualDevice, HeadersBecomeDoneOnlyWhenTheirFramesHavePlayed) {
    ScopedVirtualDevice selected;
    const WAVEFORMATEX format = StereoFormat();
    HWAVEOUT device{};
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_TRUE(VirtualDevice::IsOpen());
    Buffer a(100, 1), b(50, 2);
    EXPECT_EQ(waveOutWrite(device, &a.Header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    ASSERT_EQ(waveOutPrepareHeader(device, &a.Header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPrepareHeader(device, &b.Header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &a.Header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &b.Header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(Flags(a.Header) & WHDR_DONE, 0u);
    EXPECT_EQ(waveOutUnprepareHeader(device, &a.Header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);

    VirtualDevice::Advance(99);
    EXPECT_EQ(Flags(a.Header) & WHDR_DONE, 0u);
    VirtualDevice::Advance(1);
    EXPECT_NE(Flags(a.Header) & WHDR_DONE, 0u);
    EXPECT_EQ(Flags(b.Header) & WHDR_DONE, 0u);
    EXPECT_EQ(waveOutUnprepareHeader(device, &a.Header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(Flags(a.Header) & WHDR_PREPARED, 0u);
    EXPECT_EQ(waveOutUnprepareHeader(device, &b.Header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    VirtualDevice::Advance(1000); // more time than queued: the device runs dry
    EXPECT_NE(Flags(b.Header) & WHDR_DONE, 0u);
    EXPECT_EQ(VirtualDevice::PlayedFrames(), 150u);

    std::vector<uint8_t> expected(a.Data);
    expected.insert(expected.end(), b.Data.begin(), b.Data.end());
    EXPECT_EQ(VirtualDevice::Recorded(), expected);
    ASSERT_EQ(VirtualDevice::Writes().size(), 2u);
    EXPECT_EQ(VirtualDevice::Writes()[1].Header, &b.Header);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_FALSE(VirtualDevice::IsOpen());
    EXPECT_EQ(VirtualDevice::CloseCount(), 1);
}

TEST(VirtualDevice, TimeThatFindsTheQueueEmptyIsLost) {
    ScopedVirtualDevice selected;
    const WAVEFORMATEX format = StereoFormat();
    HWAVEOUT device{};
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    VirtualDevice::Advance(500);
    Buffer a(100, 3);
    waveOutPrepareHeader(device, &a.Header, sizeof(WAVEHDR));
    waveOutWrite(device, &a.Header, sizeof(WAVEHDR));
    EXPECT_EQ(Flags(a.Header) & WHDR_DONE, 0u);
    VirtualDevice::Advance(100);
    EXPECT_NE(Flags(a.Header) & WHDR_DONE, 0u);
    waveOutClose(device);
}

TEST(VirtualDevice, ResetHandsEveryQueuedBufferBack) {
    ScopedVirtualDevice selected;
    const WAVEFORMATEX format = StereoFormat();
    HWAVEOUT device{};
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    Buffer a(64, 1), b(64, 2);
    for (Buffer* buffer : {&a, &b}) {
        waveOutPrepareHeader(device, &buffer->Header, sizeof(WAVEHDR));
        waveOutWrite(device, &buffer->Header, sizeof(WAVEHDR));
    }
    EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    for (Buffer* buffer : {&a, &b}) {
        EXPECT_NE(Flags(buffer->Header) & WHDR_DONE, 0u);
        EXPECT_EQ(Flags(buffer->Header) & WHDR_INQUEUE, 0u);
        EXPECT_EQ(waveOutUnprepareHeader(device, &buffer->Header, sizeof(WAVEHDR)),
                  MMSYSERR_NOERROR);
    }
    EXPECT_EQ(VirtualDevice::ResetCount(), 1);
    EXPECT_EQ(VirtualDevice::PlayedFrames(), 0u);
    waveOutClose(device);
}

TEST(VirtualDevice, AcceleratedClockPlaysOnItsOwn) {
    VirtualDevice::Options options;
    options.ManualClock = false;
    options.Speed = 100; // 4410 frames in about 1 ms
    ScopedVirtualDevice selected(options);
    const WAVEFORMATEX format = StereoFormat();
    HWAVEOUT device{};
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    Buffer a(4410, 7);
    waveOutPrepareHeader(device, &a.Header, sizeof(WAVEHDR));
    waveOutWrite(device, &a.Header, sizeof(WAVEHDR));
    EXPECT_TRUE(WaitUntil([&] { return (Flags(a.Header) & WHDR_DONE) != 0; }));
    EXPECT_EQ(VirtualDevice::PlayedFrames(), 4410u);
    waveOutClose(device);
}

TEST(VirtualDevice, CanBeToldToFailOpening) {
    VirtualDevice::Options options;
    options.FailOpen = true;
    ScopedVirtualDevice selected(options);
    const WAVEFORMATEX format = StereoFormat();
    HWAVEOUT device{};
    EXPECT_NE(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(VirtualDevice::FailedOpenCount(), 1);
    EXPECT_EQ(VirtualDevice::LastFormat().nSamplesPerSec, 44100u);
}

TEST(VirtualDevice, CallsOnANullHandleAreRefused) {
    WAVEHDR header{};
    EXPECT_EQ(waveOutPrepareHeader(nullptr, &header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(nullptr, &header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutUnprepareHeader(nullptr, &header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(nullptr), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(nullptr), MMSYSERR_INVALHANDLE);
}

} // namespace
