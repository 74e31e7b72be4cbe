#pragma once
// The entries of the kernel tables as the kernel tests enumerate, print and name them.
#include "KavoXM/mixer/Kernels.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace mixertest {

struct KernelEntry {
    int32_t mode, stereoSample, ramping, split, outWidth;
};

inline void PrintTo(const KernelEntry& e, std::ostream* os) {
    *os << "mode " << e.mode << (e.stereoSample ? " stereo" : " mono") << " sample"
        << (e.ramping ? ", ramping" : "") << (e.split ? ", split" : "") << ", " << e.outWidth
        << " output channels";
}

inline std::string PathName(TKavoXMKernelPath path) {
    return path == TKavoXMKernelPath::Scalar ? "Scalar"
           : path == TKavoXMKernelPath::Sse2 ? "Sse2"
                                             : "Avx2";
}

// Every entry of both tables: interpolation mode, sample width, ramp, split gains, output width.
inline std::vector<KernelEntry> AllKernelEntries() {
    std::vector<KernelEntry> all;
    for (int32_t out : {2, 1})
        for (int32_t mode = 0; mode < 4; ++mode)
            for (int32_t s = 0; s < 2; ++s)
                for (int32_t r = 0; r < 2; ++r)
                    for (int32_t p = 0; p < 2; ++p) all.push_back({mode, s, r, p, out});
    return all;
}

// A test name for an entry on a path, such as "Avx2StereoOutMode2MonoRampPan".
inline std::string KernelEntryName(TKavoXMKernelPath path, const KernelEntry& e) {
    return PathName(path) + (e.outWidth == 2 ? "StereoOut" : "MonoOut") + "Mode" +
           std::to_string(e.mode) + (e.stereoSample ? "Stereo" : "Mono") +
           (e.ramping ? "Ramp" : "") + (e.split ? "Pan" : "");
}

} // namespace mixertest
