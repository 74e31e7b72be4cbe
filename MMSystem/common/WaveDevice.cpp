#include "MMSystem/common/WaveDevice.h"

#include <algorithm>
#include <chrono>

WaveOutDevice::WaveOutDevice(const WAVEFORMATEX& format, int32_t pumpIntervalMs)
    : Format(format), BlockAlign(format.nBlockAlign == 0 ? 1u : format.nBlockAlign),
      PumpIntervalMs(pumpIntervalMs) {}

void WaveOutDevice::StartPump() {
    Pumper = std::thread([this] { PumpLoop(); });
}

void WaveOutDevice::StopPump() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Stopping = true;
    }
    Wake.notify_all();
    if (Pumper.joinable()) Pumper.join();
}

void WaveOutDevice::PumpLoop() {
    std::unique_lock<std::mutex> lock(Mutex);
    while (!Stopping) {
        if (!Hold) Pump();
        Wake.wait_for(lock, std::chrono::milliseconds(PumpIntervalMs));
    }
}

uint32_t WaveOutDevice::FramesOf(const WAVEHDR& header) const {
    return header.dwBufferLength / BlockAlign;
}

MMRESULT WaveOutDevice::Write(WAVEHDR* header) {
    std::lock_guard<std::mutex> lock(Mutex);
    QueuedEnd += FramesOf(*header);
    header->reserved = DWORD_PTR(QueuedEnd);
    header->lpNext = nullptr;
    WaveHeaderFlags(*header).fetch_and(~WHDR_DONE);
    WaveHeaderFlags(*header).fetch_or(WHDR_INQUEUE);
    if (Tail != nullptr)
        Tail->lpNext = header;
    else
        Head = header;
    Tail = header;
    Accepted(*header);
    if (!Hold) Pump();
    return MMSYSERR_NOERROR;
}

void WaveOutDevice::Reset() {
    std::lock_guard<std::mutex> lock(Mutex);
    DropSink();
    for (WAVEHDR* header = Head; header != nullptr;) {
        WAVEHDR* next = header->lpNext;
        header->lpNext = nullptr;
        WaveHeaderFlags(*header).fetch_and(~WHDR_INQUEUE);
        WaveHeaderFlags(*header).fetch_or(WHDR_DONE);
        header = next;
    }
    Head = Tail = nullptr;
    QueuedEnd = 0;
    Written = 0;
    Retired = 0;
}

void WaveOutDevice::Update() {
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Hold) Pump();
}

void WaveOutDevice::Pause() {
    std::lock_guard<std::mutex> lock(Mutex);
    if (Hold) return;
    Hold = true;
    Paused(true);
}

void WaveOutDevice::Restart() {
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Hold) return;
    Hold = false;
    Paused(false);
    Pump();
}

uint64_t WaveOutDevice::Position() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Retired;
}

bool WaveOutDevice::PendingChunk(const uint8_t*& data, uint32_t& frames) const {
    for (const WAVEHDR* header = Head; header != nullptr; header = header->lpNext) {
        const uint64_t end = header->reserved;
        if (end <= Written) continue;
        const uint64_t start = end - FramesOf(*header);
        data = reinterpret_cast<const uint8_t*>(header->lpData) + (Written - start) * BlockAlign;
        frames = uint32_t(end - Written);
        return true;
    }
    return false;
}

void WaveOutDevice::Consume(uint32_t frames) {
    Written += frames;
}

void WaveOutDevice::Retire(uint64_t playedFrames) {
    Retired = std::max(Retired, std::min(playedFrames, Written));
    while (Head != nullptr && uint64_t(Head->reserved) <= playedFrames) {
        WAVEHDR* done = Head;
        Head = done->lpNext;
        done->lpNext = nullptr;
        WaveHeaderFlags(*done).fetch_and(~WHDR_INQUEUE);
        WaveHeaderFlags(*done).fetch_or(WHDR_DONE);
    }
    if (Head == nullptr) Tail = nullptr;
}
