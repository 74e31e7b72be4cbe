// Builds without a sound card (WebAssembly): no system device ever opens, so waveOutOpen
// answers with an error unless a test has selected the virtual device.
#include "MMSystem/common/WaveDevice.h"

WaveOutDevice* OpenAlsaDevice(const WAVEFORMATEX& /*format*/) {
    return nullptr;
}
