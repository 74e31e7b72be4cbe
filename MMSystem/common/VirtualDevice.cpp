#include "MMSystem/VirtualDevice.h"

#include "MMSystem/common/WaveDevice.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <utility>

namespace {

constexpr int32_t VirtualPumpIntervalMs = 1;
constexpr size_t RecordReserveBytes = 4u << 20;

// What the tests observe; shared by the control functions and the open device. Its mutex is
// taken last (after the control lock and a device's own lock).
struct Observations {
    std::mutex Mutex;
    std::vector<uint8_t> Bytes;
    std::vector<uint8_t> Heard; // Bytes without what a reset dropped unplayed
    std::vector<VirtualDevice::WriteRecord> Writes;
    uint64_t Played = 0;
    uint64_t Dry = 0;
    int32_t Opens = 0;
    int32_t FailedOpens = 0;
    int32_t Closes = 0;
    int32_t Resets = 0;
    WAVEFORMATEX Format{};
};

class VirtualWaveDevice;

struct Control {
    std::mutex Mutex;
    bool Selected = false;
    VirtualDevice::Options Options;
    std::shared_ptr<Observations> Seen = std::make_shared<Observations>();
    VirtualWaveDevice* Open = nullptr;
};

Control& TheControl() {
    static Control control;
    return control;
}

class VirtualWaveDevice final : public WaveOutDevice {
  public:
    VirtualWaveDevice(const WAVEFORMATEX& format, const VirtualDevice::Options& options,
                      std::shared_ptr<Observations> seen)
        : WaveOutDevice(format, VirtualPumpIntervalMs), Options(options), Seen(std::move(seen)),
          Last(std::chrono::steady_clock::now()) {}

    ~VirtualWaveDevice() override {
        {
            Control& control = TheControl();
            std::lock_guard<std::mutex> lock(control.Mutex);
            if (control.Open == this) control.Open = nullptr;
        }
        StopPump();
        std::lock_guard<std::mutex> lock(Seen->Mutex);
        ++Seen->Closes;
    }

    void Advance(uint64_t frames) {
        std::lock_guard<std::mutex> lock(Mutex);
        if (Holding()) return; // a paused device lets the time pass
        Budget += frames;
        Pump();
    }

  protected:
    void Accepted(const WAVEHDR& header) override {
        std::lock_guard<std::mutex> lock(Seen->Mutex);
        Seen->Writes.push_back({&header, header.dwBufferLength});
    }

    void Pump() override {
        const uint8_t* data = nullptr;
        uint32_t frames = 0;
        while (PendingChunk(data, frames)) {
            {
                std::lock_guard<std::mutex> lock(Seen->Mutex);
                Seen->Bytes.insert(Seen->Bytes.end(), data, data + size_t(frames) * BlockAlign);
                Seen->Heard.insert(Seen->Heard.end(), data, data + size_t(frames) * BlockAlign);
            }
            Consume(frames);
        }
        const uint64_t reached = Played + TakeElapsedFrames();
        Played = std::min(reached, WrittenFrames());
        // Time that finds the queue empty after something was written is an underrun.
        const uint64_t dry = WrittenFrames() > 0 ? reached - Played : 0;
        Retire(Played);
        std::lock_guard<std::mutex> lock(Seen->Mutex);
        Seen->Played = Played;
        Seen->Dry += dry;
    }

    void DropSink() override {
        const uint64_t dropped = (WrittenFrames() - Played) * BlockAlign;
        Played = 0;
        std::lock_guard<std::mutex> lock(Seen->Mutex);
        Seen->Heard.resize(Seen->Heard.size() -
                           std::min<size_t>(size_t(dropped), Seen->Heard.size()));
        ++Seen->Resets;
        Seen->Played = 0;
    }

    // Time paused is not played time.
    void Paused(bool paused) override {
        if (paused) {
            Played = std::min(Played + TakeElapsedFrames(), WrittenFrames());
            return;
        }
        Budget = 0;
        Fraction = 0;
        Last = std::chrono::steady_clock::now();
    }

  private:
    // Device frames that passed since the last look: the manual budget, or real time
    // scaled by the speed factor (fractions carried over).
    uint64_t TakeElapsedFrames() {
        if (Options.ManualClock) return std::exchange(Budget, 0);
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - Last).count();
        Last = now;
        Fraction += seconds * Options.Speed * double(Format.nSamplesPerSec);
        const auto whole = uint64_t(Fraction);
        Fraction -= double(whole);
        return whole;
    }

    VirtualDevice::Options Options;
    std::shared_ptr<Observations> Seen;
    uint64_t Played = 0;
    uint64_t Budget = 0;
    double Fraction = 0;
    std::chrono::steady_clock::time_point Last;
};

} // namespace

bool OpenSelectedVirtualDevice(const WAVEFORMATEX& format, WaveOutDevice*& device,
                               MMRESULT& result) {
    Control& control = TheControl();
    std::lock_guard<std::mutex> lock(control.Mutex);
    if (!control.Selected) return false;
    {
        std::lock_guard<std::mutex> seenLock(control.Seen->Mutex);
        control.Seen->Format = format;
        if (control.Options.FailOpen) {
            ++control.Seen->FailedOpens;
            device = nullptr;
            result = MMSYSERR_ERROR;
            return true;
        }
        ++control.Seen->Opens;
    }
    auto* opened = new VirtualWaveDevice(format, control.Options, control.Seen);
    opened->StartPump();
    control.Open = opened;
    device = opened;
    result = MMSYSERR_NOERROR;
    return true;
}

namespace VirtualDevice {

void Select(const Options& options) {
    Control& control = TheControl();
    std::lock_guard<std::mutex> lock(control.Mutex);
    control.Selected = true;
    control.Options = options;
    control.Seen = std::make_shared<Observations>();
    control.Seen->Bytes.reserve(RecordReserveBytes);
}

void Deselect() {
    Control& control = TheControl();
    std::lock_guard<std::mutex> lock(control.Mutex);
    control.Selected = false;
}

bool IsSelected() {
    Control& control = TheControl();
    std::lock_guard<std::mutex> lock(control.Mutex);
    return control.Selected;
}

void Advance(uint64_t frames) {
    Control& control = TheControl();
    std::lock_guard<std::mutex> lock(control.Mutex);
    if (control.Open != nullptr) control.Open->Advance(frames);
}

namespace {

template <typename F> auto Observe(F read) {
    Control& control = TheControl();
    std::lock_guard<std::mutex> lock(control.Mutex);
    std::lock_guard<std::mutex> seenLock(control.Seen->Mutex);
    return read(*control.Seen);
}

} // namespace

std::vector<uint8_t> Recorded() {
    return Observe([](Observations& seen) { return seen.Bytes; });
}
std::vector<uint8_t> Heard() {
    return Observe([](Observations& seen) { return seen.Heard; });
}
std::vector<WriteRecord> Writes() {
    return Observe([](Observations& seen) { return seen.Writes; });
}
uint64_t PlayedFrames() {
    return Observe([](Observations& seen) { return seen.Played; });
}
uint64_t DryFrames() {
    return Observe([](Observations& seen) { return seen.Dry; });
}
int32_t OpenCount() {
    return Observe([](Observations& seen) { return seen.Opens; });
}
int32_t FailedOpenCount() {
    return Observe([](Observations& seen) { return seen.FailedOpens; });
}
int32_t CloseCount() {
    return Observe([](Observations& seen) { return seen.Closes; });
}
int32_t ResetCount() {
    return Observe([](Observations& seen) { return seen.Resets; });
}
bool IsOpen() {
    Control& control = TheControl();
    std::lock_guard<std::mutex> lock(control.Mutex);
    return control.Open != nullptr;
}
WAVEFORMATEX LastFormat() {
    return Observe([](Observations& seen) { return seen.Format; });
}

} // namespace VirtualDevice
