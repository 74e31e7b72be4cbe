#pragma once
// Test harness around the virtual wave-out device: selection for one test's scope and a
// bounded wait for conditions that other threads bring about.

#include "MMSystem/VirtualDevice.h"

#include <chrono>
#include <functional>

namespace testsupport {

// Selects the virtual device for the lifetime of the object.
class ScopedVirtualDevice {
  public:
    explicit ScopedVirtualDevice(const VirtualDevice::Options& options = {}) {
        VirtualDevice::Select(options);
    }
    ~ScopedVirtualDevice() { VirtualDevice::Deselect(); }
    ScopedVirtualDevice(const ScopedVirtualDevice&) = delete;
    ScopedVirtualDevice& operator=(const ScopedVirtualDevice&) = delete;
};

// Polls `condition` every millisecond until it holds or `limit` has passed; returns its
// last value. The limit only guards against a hang; passing tests return as soon as the
// condition holds.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(2000));

// Wall time of a call, in milliseconds.
double MillisecondsOf(const std::function<void()>& action);

} // namespace testsupport
