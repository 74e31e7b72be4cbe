#include "KavoXM/mixer/Render.h"
#include "KavoXM/player/PcmConvert.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/player/WaveOut.h"
#include "KavoXM/sequencer/GameState.h"

#include <algorithm>

namespace {

bool IsDone(WAVEHDR& header) {
    return (WaveHeaderFlags(header).load() & WHDR_DONE) != 0;
}

} // namespace

void TKavoXM::OutputThread() {
    while (!Terminated) {
        if (ParkRequest) {
            Parked = true;
            ResumeEvent->Wait();
            Parked = false;
            ResumedEvent->Signal();
            if (Terminated) break;
        }
        Lock();
        ServiceQueue();
        Unlock();
        KavoXMSleepMs(PollInterval);
    }
    ThreadEndedEvent.Signal();
}

void TKavoXM::ServiceQueue() {
    if (!DeviceOpen) return;
    while (PrebufferedCount < Prebuffer && !Terminated) {
        WAVEHDR& header = *WaveOut->Headers[size_t(CurrentBuffer)];
        if (!IsDone(header) || waveOutUnprepareHeader(WaveOut->Device, &header, sizeof(WAVEHDR)) ==
                                   WAVERR_STILLPLAYING) {
            // Waiting for the device to hand this buffer back. A time-critical thread that
            // spun here could starve the device's own thread on a busy or single core.
            KavoXMSleepMs(1);
            continue;
        }
        SubmitBuffer();
        ++PrebufferedCount;
    }
    WAVEHDR& header = *WaveOut->Headers[size_t(CurrentBuffer)];
    if (IsDone(header) &&
        waveOutUnprepareHeader(WaveOut->Device, &header, sizeof(WAVEHDR)) != WAVERR_STILLPLAYING)
        SubmitBuffer();
}

void TKavoXM::SubmitBuffer() {
    WAVEHDR& header = *WaveOut->Headers[size_t(CurrentBuffer)];
    if (StartTime < 0) StartTime = int64_t(uint32_t(timeGetTime()));
    WaveHeaderFlags(header).fetch_and(~WHDR_DONE);
    FillBuffer(reinterpret_cast<uint8_t*>(header.lpData));
    waveOutPrepareHeader(WaveOut->Device, &header, sizeof(WAVEHDR));
    waveOutWrite(WaveOut->Device, &header, sizeof(WAVEHDR));
    CurrentBuffer = (CurrentBuffer + 1) % BufferCount;
    SamplesQueued.fetch_add(uint64_t(BufferFrames));
}

void TKavoXM::MixBlock() {
    MixPos = MixBuffer.get();
    int32_t pos = 0;
    TKavoXMGameState* game = Module->Game.get();
    while (pos < BufferFrames) {
        if (SamplesLeftInTick == 0) {
            if (game != nullptr) game->TickFrame = game->BlockOrigin + pos;
            Tick();
        }
        const int32_t n = RenderFresh(*this, pos, SamplesLeftInTick);
        if (n <= 0) break; // a renderer that makes no progress must not hang the thread
        pos += n;
    }
    if (game != nullptr) game->BlockOrigin += BufferFrames;
    // Frames a renderer gave up on are silent.
    std::fill(MixBuffer.get() + ptrdiff_t(pos) * Channels,
              MixBuffer.get() + ptrdiff_t(BufferFrames) * Channels, 0);
}

void TKavoXM::FillBuffer(uint8_t* data) {
    MixBlock();
    const int32_t values = BufferFrames * Channels;
    ConvertMixTo16(MixBuffer.get(), values, ClipOutput, data);
    if (Bits == 8) Convert16To8InPlace(data, values);
}
