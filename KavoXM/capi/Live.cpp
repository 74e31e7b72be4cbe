#include "KavoXM/capi/Live.h"

#include "KavoXM/capi/Handle.h"
#include "KavoXM/player/ThreadPriority.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr int32_t LiveChannels = 2;

bool IsDone(WAVEHDR& header) {
    return (WaveHeaderFlags(header).load() & WHDR_DONE) != 0;
}

WAVEFORMATEX FormatOf(int32_t rate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(LiveChannels);
    format.nSamplesPerSec = DWORD(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(LiveChannels * 2);
    format.nAvgBytesPerSec = DWORD(rate) * format.nBlockAlign;
    return format;
}

} // namespace

namespace capi {

std::unique_ptr<LiveOutput> LiveOutput::Open(kavoxm_module& m, int& error) {
    const WAVEFORMATEX format = FormatOf(m.DeviceRate);
    HWAVEOUT device{};
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        error = KAVOXM_ERROR_NO_DEVICE;
        return nullptr;
    }
    error = KAVOXM_OK;
    return std::unique_ptr<LiveOutput>(new LiveOutput(m, device));
}

LiveOutput::LiveOutput(kavoxm_module& m, HWAVEOUT device)
    : handle(m), device(device), rate(m.DeviceRate), blockFrames(m.DeviceBlockFrames),
      blocks(size_t(m.DeviceBlocks)) {
    for (Block& b : blocks) {
        b.Data = std::make_unique<int16_t[]>(size_t(blockFrames) * LiveChannels);
        b.Header.lpData = reinterpret_cast<char*>(b.Data.get());
        b.Header.dwFlags = WHDR_DONE;
    }
    // A quarter of a block between looks, between 1 and 10 ms.
    poll = std::chrono::milliseconds(std::clamp(blockFrames * 250 / rate, 1, 10));
}

void LiveOutput::Start() {
    thread = std::thread([this] { Run(); });
    RaiseToTimeCriticalPriority(thread);
}

LiveOutput::~LiveOutput() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
    waveOutReset(device);
    for (Block& b : blocks) waveOutUnprepareHeader(device, &b.Header, sizeof(WAVEHDR));
    waveOutClose(device);
}

void LiveOutput::Run() {
    std::unique_lock<std::mutex> lock(wakeMutex);
    while (!stopping) {
        lock.unlock();
        Service();
        lock.lock();
        wake.wait_for(lock, poll, [this] { return stopping; });
    }
}

uint64_t LiveOutput::Played() {
    std::lock_guard<std::mutex> lock(positionMutex);
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR ||
        time.wType != TIME_SAMPLES)
        return playedLow;
    // The device counts in 32 bits: the count on from the last look, modulo 2^32.
    const uint32_t delta = uint32_t(time.u.sample) - uint32_t(playedLow);
    playedLow += delta;
    return playedLow;
}

uint64_t LiveOutput::QueuedFrames() {
    const uint64_t played = Played();
    return submitted > played ? submitted - played : 0;
}

void LiveOutput::Service() {
    for (;;) {
        Block& block = blocks[next];
        if (!IsDone(block.Header)) return;
        const auto began = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(handle.Mutex, std::try_to_lock);
        if (!lock.owns_lock()) {
            // A host call is at work: play on from what is queued, unless that runs out.
            if (QueuedFrames() > uint64_t(blockFrames)) return;
            lock.lock();
        }
        const bool filled = FillNext(block);
        lock.unlock();
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - began)
                              .count();
        if (took > worstBlock.load()) worstBlock.store(took);
        if (!filled) return;
    }
}

bool LiveOutput::FillNext(Block& block) {
    kavoxm_module& m = handle;
    if (halted) return false;
    waveOutUnprepareHeader(device, &block.Header, sizeof(WAVEHDR));
    int64_t frames = 0;
    kavoxm_state state{};
    int64_t stream = m.StreamFrame;
    if (m.CarryFrames > 0) {
        // What a stopped device left unheard comes first.
        const auto n = std::min<size_t>(m.CarryFrames, size_t(blockFrames));
        std::memcpy(block.Data.get(), m.Carry.data(), n * LiveChannels * sizeof(int16_t));
        std::memmove(m.Carry.data(), m.Carry.data() + n * LiveChannels,
                     (m.CarryFrames - n) * LiveChannels * sizeof(int16_t));
        state = m.HeardState;
        stream = m.CarryStream;
        m.HeardState.seconds += double(n) / rate;
        m.CarryStream += int64_t(n);
        m.CarryFrames -= n;
        frames = int64_t(n);
    } else {
        MixerState(m, state);
        frames = RenderS16(m, rate, LiveChannels, block.Data.get(), size_t(blockFrames));
    }
    if (frames <= 0) return false;
    block.Levels = m.BlockLevels;
    block.Start = submitted;
    block.StreamStart = stream;
    block.Frames = int32_t(frames);
    block.State = state;
    block.Header.dwBufferLength = DWORD(frames * LiveChannels * 2);
    WaveHeaderFlags(block.Header).fetch_and(~WHDR_DONE);
    waveOutPrepareHeader(device, &block.Header, sizeof(WAVEHDR));
    waveOutWrite(device, &block.Header, sizeof(WAVEHDR));
    submitted += uint64_t(frames);
    next = (next + 1) % blocks.size();
    return frames == blockFrames;
}

void LiveOutput::Pause() {
    if (paused.exchange(true)) return;
    waveOutPause(device);
}

void LiveOutput::Resume() {
    if (!paused.exchange(false)) return;
    waveOutRestart(device);
}

const LiveOutput::Block* LiveOutput::BlockHeard() {
    const uint64_t played = Played();
    const Block* heard = nullptr;
    for (const Block& b : blocks)
        if (b.Frames > 0 && b.Start <= played && (heard == nullptr || b.Start > heard->Start))
            heard = &b;
    return heard;
}

const float* LiveOutput::HeardLevels() {
    const Block* heard = BlockHeard();
    return heard != nullptr ? heard->Levels.data() : handle.BlockLevels.data();
}

void LiveOutput::HeardState(kavoxm_state& out) {
    const uint64_t played = Played();
    const Block* heard = BlockHeard();
    if (heard == nullptr) {
        MixerState(handle, out);
        return;
    }
    out = heard->State;
    const uint64_t into = std::min<uint64_t>(played - heard->Start, uint64_t(heard->Frames));
    out.seconds += double(into) / rate;
    out.ended = Finished(handle) ? 1 : 0;
}

int64_t LiveOutput::HeardFrame() {
    const uint64_t played = Played();
    const Block* heard = BlockHeard();
    // Before the first block is heard: the first frame the device will play.
    if (heard == nullptr) return handle.CarryFrames > 0 ? handle.CarryStream : handle.StreamFrame;
    const uint64_t into = std::min<uint64_t>(played - heard->Start, uint64_t(heard->Frames));
    return heard->StreamStart + int64_t(into);
}

bool LiveOutput::Finished(const kavoxm_module& m) {
    const bool songEnded = m.Ended && m.BlockPos == m.BlockEnd && m.CarryFrames == 0;
    return songEnded && Played() >= submitted;
}

void LiveOutput::StopInto(kavoxm_module& m) {
    halted = true;
    waveOutPause(device);
    kavoxm_state heard{};
    HeardState(heard);
    const int64_t heardFrame = HeardFrame();
    const uint64_t played = Played();
    // The blocks not yet played, oldest first, from the frame the device stands at.
    std::vector<int16_t> carry;
    carry.reserve(size_t(blocks.size()) * size_t(blockFrames) * LiveChannels +
                  m.CarryFrames * LiveChannels);
    for (size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[(next + i) % blocks.size()];
        const uint64_t end = b.Start + uint64_t(b.Frames);
        if (b.Frames <= 0 || end <= played) continue;
        const uint64_t from = played > b.Start ? played - b.Start : 0;
        carry.insert(carry.end(), b.Data.get() + from * LiveChannels,
                     b.Data.get() + size_t(b.Frames) * LiveChannels);
    }
    // A carry not yet handed out stays after what was queued.
    carry.insert(carry.end(), m.Carry.begin(),
                 m.Carry.begin() + ptrdiff_t(m.CarryFrames * LiveChannels));
    m.CarryFrames = carry.size() / LiveChannels;
    m.Carry = std::move(carry);
    m.CarryRate = rate;
    m.HeardState = heard;
    m.CarryStream = heardFrame;
}

} // namespace capi
