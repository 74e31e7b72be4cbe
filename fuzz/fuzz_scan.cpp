// libFuzzer target: the C API's measuring and seeking calls on whatever loads. The subsongs
// and their lengths, the length at a rate, a subsong choice and seeks by time (near, far and
// past the end, with repeats), each followed by a short render: all of them must return within
// their bounds of work, whatever the song. The rate, the subsong and the seek times come from
// the input's last bytes, so the fuzzer steers them too.
#include "KavoXM/capi/kavoxm.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr int32_t Rates[] = {8000, 22050, 44100, 48000};
constexpr double Seconds[] = {0.0, 0.5, 3.0, 17.0, 61.0, 600.0, 3599.0, 1e9};

// A byte from the end of the input (0 when it is shorter).
uint8_t Tail(const uint8_t* data, size_t size, size_t back) {
    return size > back ? data[size - 1 - back] : 0;
}

void RenderSome(kavoxm_module* m, int32_t rate) {
    static int16_t block[2 * 512];
    kavoxm_render_s16(m, rate, 2, block, 512);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kavoxm_module* m = nullptr;
    if (kavoxm_load_memory(data, size, &m, nullptr) != KAVOXM_OK) return 0;
    const int32_t rate = Rates[Tail(data, size, 0) % 4];
    const int32_t count = kavoxm_subsong_count(m);
    if (count < 0 || count > 256) __builtin_trap();
    for (int32_t i = 0; i < count; ++i) {
        kavoxm_subsong subsong{};
        if (kavoxm_get_subsong(m, i, &subsong) != KAVOXM_OK) __builtin_trap();
        if (!(subsong.seconds >= 0)) __builtin_trap();
    }
    if (count > 0) kavoxm_select_subsong(m, int32_t(Tail(data, size, 1)) % count);
    if (kavoxm_duration(m) < 0) __builtin_trap();
    if (kavoxm_duration_frames(m, rate) < 0) __builtin_trap();
    kavoxm_set_repeat(m, int32_t(Tail(data, size, 2) % 4) - 1);
    const uint8_t pick = Tail(data, size, 3);
    for (int32_t i = 0; i < 3; ++i) {
        if (kavoxm_seek_seconds(m, Seconds[(pick >> (2 * i)) % 8]) != KAVOXM_OK) __builtin_trap();
        RenderSome(m, rate);
    }
    kavoxm_destroy(m);
    return 0;
}
