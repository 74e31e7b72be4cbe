#include "DeviceOut.h"

#include "KavoXM/player/PlatformThreads.h"

DeviceOut::DeviceOut(int32_t rate, int32_t channels, int32_t frames, int32_t count) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(channels);
    format.nSamplesPerSec = DWORD(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(channels * 2);
    format.nAvgBytesPerSec = DWORD(rate) * format.nBlockAlign;
    open = waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
    headers.resize(size_t(count));
    for (WAVEHDR& header : headers) {
        const size_t bytes = size_t(frames) * format.nBlockAlign;
        blocks.push_back(std::make_unique<char[]>(bytes));
        header = WAVEHDR{};
        header.lpData = blocks.back().get();
        header.dwBufferLength = DWORD(bytes);
        header.dwFlags = WHDR_DONE;
    }
}

DeviceOut::~DeviceOut() {
    if (!open) return;
    waveOutReset(device);
    for (WAVEHDR& header : headers) {
        while (waveOutUnprepareHeader(device, &header, sizeof header) == WAVERR_STILLPLAYING)
            KavoXMSleepMs(5);
    }
    waveOutClose(device);
}

bool DeviceOut::Done(int32_t index) {
    return (WaveHeaderFlags(headers[size_t(index)]).load() & WHDR_DONE) != 0;
}

void DeviceOut::Collect() {
    while (queued > 0 && Done(oldest)) {
        oldest = (oldest + 1) % int32_t(headers.size());
        --queued;
    }
}

bool DeviceOut::CanSubmit() {
    Collect();
    return open && queued < int32_t(headers.size());
}

int32_t DeviceOut::Submit() {
    WAVEHDR& header = Next();
    waveOutUnprepareHeader(device, &header, sizeof header);
    WaveHeaderFlags(header).fetch_and(~WHDR_DONE);
    waveOutPrepareHeader(device, &header, sizeof header);
    waveOutWrite(device, &header, sizeof header);
    const int32_t index = next;
    next = (next + 1) % int32_t(headers.size());
    ++queued;
    return index;
}

int32_t DeviceOut::Playing() {
    Collect();
    return queued > 0 ? oldest : -1;
}

int32_t DeviceOut::Queued() {
    Collect();
    return queued;
}

void DeviceOut::Stop(bool keep) {
    Collect();
    kept.clear();
    if (keep)
        for (int32_t i = 0; i < queued; ++i) kept.push_back((oldest + i) % int32_t(headers.size()));
    if (open) waveOutReset(device);
    for (WAVEHDR& header : headers) WaveHeaderFlags(header).fetch_or(WHDR_DONE);
    queued = 0;
    oldest = next;
}

void DeviceOut::Replay() {
    for (const int32_t index : kept) {
        next = index;
        Submit();
    }
    if (!kept.empty()) oldest = kept.front();
    kept.clear();
}
