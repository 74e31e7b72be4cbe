// Web Audio takes one array per channel: render stereo float frames and split them here, so the
// audio thread's script only copies two finished blocks.
#include "KavoXM/capi/kavoxm.h"

#include <cstddef>
#include <cstdint>

namespace {
constexpr size_t ChunkFrames = 512;
float Interleaved[ChunkFrames * 2];
} // namespace

// Renders up to `frames` frames at `rate` into `left` and `right`; returns the frames the song
// gave (fewer at its end) or a negative error, as kavoxm_render_float does.
extern "C" KAVOXM_API int64_t kavoxm_web_render_planar(kavoxm_module* module, int32_t rate,
                                                       float* left, float* right, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        const size_t ask = frames - done < ChunkFrames ? frames - done : ChunkFrames;
        const int64_t got = kavoxm_render_float(module, rate, 2, Interleaved, ask);
        if (got < 0) return done > 0 ? int64_t(done) : got;
        for (size_t i = 0; i < size_t(got); ++i) {
            left[done + i] = Interleaved[2 * i];
            right[done + i] = Interleaved[2 * i + 1];
        }
        done += size_t(got);
        if (size_t(got) < ask) break;
    }
    return int64_t(done);
}
