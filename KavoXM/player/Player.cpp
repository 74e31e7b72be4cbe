#include "KavoXM/player/Player.h"

#include "KavoXM/player/ThreadPriority.h"
#include "KavoXM/player/TickLength.h"
#include "KavoXM/player/WaveOut.h"

#include <algorithm>
#include <cstring>

namespace {

// Host arguments are corrected into the ranges the engine relies on: a tick of at least one
// frame at tempo 255 needs 102 Hz; the upper bounds keep every derived size within int32.
constexpr int32_t MinSampleRate = 102;
constexpr int32_t MaxSampleRate = 1000000;
constexpr int32_t MaxBufferFrames = 1 << 20;
constexpr int32_t MaxBufferCount = 1024;
constexpr int32_t MaxUnprepareRetries = 200; // x 25 ms

int32_t CorrectSampleRate(int32_t rate) {
    if (rate == 0) rate = 44100;
    return std::clamp(rate, MinSampleRate, MaxSampleRate);
}

void SleepMs(int32_t ms) {
    KavoXMSleepMs(ms);
}

} // namespace

TKavoXM::TKavoXM(int32_t sampleRate, int32_t bufferFrames, int32_t bufferCount, bool stereo,
                 int32_t pollInterval, int32_t bits, int32_t prebuffer, TKavoXMOutput output) {
    DeviceOpen = false;
    PollInterval = std::max(pollInterval, 1);
    WaveOut = std::make_unique<TKavoXMWaveOut>();
    const int32_t rate = CorrectSampleRate(sampleRate);
    BufferFrames = std::clamp(bufferFrames, 1, MaxBufferFrames);
    BufferCount = std::clamp(bufferCount, 1, MaxBufferCount);
    Prebuffer = std::max(prebuffer, 0);
    SamplesQueued = 0;
    Module = std::make_unique<TKavoXMModule>(this);
    Module->SampleRate = rate;
    Module->RampLength = rate * 128 / 44100;
    Module->BackgroundRampLength = rate * 128 / 44100;
    InterpolationMode = 2;
    ClipOutput = true;
    Spline = std::make_unique<TKavoXMCubicSpline>();
    Clear();
    SampleRate = rate;
    Bits = (bits == 8 || bits == 16) ? bits : 16;
    Channels = stereo ? 2 : 1;
    MixBufferBytes = BufferFrames * 4 * Channels;
    BufferBytes = BufferFrames * Bits * Channels / 8;
    MixBuffer = std::make_unique<int32_t[]>(size_t(BufferFrames) * size_t(Channels));
    MixPos = MixBuffer.get();
    OfflineBlock = std::make_unique<uint8_t[]>(size_t(MixBufferBytes));
    WAVEFORMATEX& format = WaveOut->WaveFormat;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(Channels);
    format.nSamplesPerSec = DWORD(SampleRate);
    format.nBlockAlign = WORD(Channels * Bits / 8);
    format.nAvgBytesPerSec = DWORD(SampleRate) * format.nBlockAlign;
    format.wBitsPerSample = WORD(Bits);
    format.cbSize = 0;
    PrebufferedCount = 0;
    if (output == TKavoXMOutput::Device && OpenDevice()) DeviceOpen = true;
    Terminated = false;
    ParkRequest = true;
    Parked = false;
    ResumeEvent = std::make_unique<TKavoXMEvent>();
    ResumedEvent = std::make_unique<TKavoXMEvent>();
#if !defined(__EMSCRIPTEN__)
    // The WebAssembly build has no threads: its host renders offline on its own audio thread.
    Thread = TKavoXMThread([this] { OutputThread(); });
    RaiseToTimeCriticalPriority(Thread);
#endif
}

TKavoXM::~TKavoXM() {
    // Terminated is raised before the lock is taken so that a pass waiting for the device
    // (prebuffering) gives up; taking the lock then waits for a pass in progress.
    Terminated = true;
    Lock();
    Unlock();
    if (Thread.joinable()) {
        // Release the thread whether or not it has parked yet: the signal stays pending for a
        // thread that is about to park, so it can never wait for a release that already came.
        const bool wasParked = Parked;
        ParkRequest = false;
        ResumeEvent->Signal();
        if (wasParked) ResumedEvent->WaitFor(std::chrono::milliseconds(250));
        // The thread only sleeps between passes and never waits on the device, so it ends
        // within a poll interval; it is joined after the bounded wait since it cannot be
        // terminated forcibly.
        ThreadEndedEvent.WaitFor(std::chrono::milliseconds(250));
        Thread.join();
    }
    Clear();
    TKavoXMWaveOut& out = *WaveOut;
    if (DeviceOpen) {
        waveOutReset(out.Device);
        for (WAVEHDR* header : out.Headers) {
            for (int32_t retry = 0; retry < MaxUnprepareRetries; ++retry) {
                if (waveOutUnprepareHeader(out.Device, header, sizeof(WAVEHDR)) !=
                    WAVERR_STILLPLAYING)
                    break;
                SleepMs(25);
            }
        }
        waveOutReset(out.Device);
        waveOutClose(out.Device);
        DeviceOpen = false;
    }
    for (WAVEHDR*& header : out.Headers) {
        delete[] header->lpData;
        delete header;
        header = nullptr;
    }
    out.Headers.clear();
}

bool TKavoXM::OpenDevice() {
    TKavoXMWaveOut& out = *WaveOut;
    out.Headers.assign(size_t(BufferCount), nullptr);
    for (WAVEHDR*& header : out.Headers) {
        header = new WAVEHDR{};
        header->dwFlags = WHDR_DONE;
        header->lpData = new char[size_t(MixBufferBytes)]();
        header->dwBufferLength = DWORD(BufferBytes);
        header->dwBytesRecorded = 0;
        header->dwUser = 0;
        header->dwLoops = 0;
    }
    const MMRESULT result =
        waveOutOpen(&out.Device, WAVE_MAPPER, &out.WaveFormat, 0, 0, CALLBACK_NULL);
    StartTime = -1;
    return result == MMSYSERR_NOERROR;
}

void TKavoXM::Clear() {
    Module->Clear();
}

void TKavoXM::UpdateSamplesPerTick() {
    if (Module->Tempo == 0) Module->Tempo = 125;
    SamplesPerTick = TickFrames(SampleRate, Module->Tempo, TempoFactor);
    SamplesLeftInTick = SamplesPerTick;
    Module->TickLength = SamplesPerTick;
}

void TKavoXM::Tick() {
    Module->ProcessTick();
    UpdateSamplesPerTick();
}

void TKavoXM::ResetOutput() {
    if (!DeviceOpen) return;
    StartTime = -1;
    waveOutReset(WaveOut->Device);
}

bool TKavoXM::PlayFrom(int32_t order, int32_t row) {
    // The resets run under the lock, so a second Play while the thread services the ring
    // waits for that pass instead of racing it.
    Lock();
    Module->ResetPlayback();
    const bool placed = (order == 0 && row == 0) || Module->SetPosition(order, row);
    ResetOutput();
    UpdateSamplesPerTick();
    SamplesLeftInTick = 0;
    CurrentBuffer = 0;
    SamplesQueued = 0;
    const bool loaded = Module->Loaded;
    Unlock();
    if (!loaded || !placed) return false;
    if (Parked && ParkRequest) {
        ParkRequest = false;
        ResumeEvent->Signal();
        ResumedEvent->Wait();
    } else {
        ParkRequest = false;
        ResumeEvent->Signal();
        while (Parked) SleepMs(10);
    }
    return true;
}

bool TKavoXM::SetPosition(int32_t order, int32_t row) {
    Lock();
    const bool moved = Module->SetPosition(order, row);
    if (moved) {
        UpdateSamplesPerTick();
        SamplesLeftInTick = 0;
        OfflineFill = 0;
    }
    Unlock();
    return moved;
}

bool TKavoXM::StartOffline() {
    Lock();
    Module->ResetPlayback();
    UpdateSamplesPerTick();
    SamplesLeftInTick = 0;
    OfflineFill = 0;
    const bool loaded = Module->Loaded;
    Unlock();
    return loaded;
}

int32_t TKavoXM::RenderOffline(void* out, int32_t frames) {
    if (out == nullptr || frames <= 0) return 0;
    const int32_t frameBytes = Channels * Bits / 8;
    auto* dest = static_cast<uint8_t*>(out);
    Lock();
    int32_t done = 0;
    while (done < frames) {
        if (OfflineFill == 0) {
            FillBuffer(OfflineBlock.get());
            OfflineFill = BufferFrames;
        }
        const int32_t n = std::min(frames - done, OfflineFill);
        const int32_t offset = (BufferFrames - OfflineFill) * frameBytes;
        std::memcpy(dest + size_t(done) * size_t(frameBytes), OfflineBlock.get() + offset,
                    size_t(n) * size_t(frameBytes));
        OfflineFill -= n;
        done += n;
    }
    Unlock();
    return done;
}
