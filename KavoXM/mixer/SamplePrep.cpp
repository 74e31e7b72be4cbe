// Value blocks of samples: guard frames around the data and the forward-loop wrap copy, so
// that the kernels read four neighbouring frames without bounds tests.
#include "KavoXM/module/Sample.h"

#include <cstdlib>
#include <cstring>

namespace {
int32_t* BlockStart(int32_t* data) {
    return data - TKavoXMSample::GuardValues;
}
} // namespace

bool TKavoXMSample::AllocateData(int64_t count) {
    if (count <= 0 || count > MaxValues) {
        if (Data != nullptr) std::free(BlockStart(Data));
        Data = nullptr;
        return count == 0;
    }
    const size_t bytes = size_t(count + 2 * GuardValues) * sizeof(int32_t);
    int32_t* block = nullptr;
    if (Data != nullptr) {
        block = static_cast<int32_t*>(std::realloc(BlockStart(Data), bytes));
        if (block == nullptr) {
            std::free(BlockStart(Data));
            Data = nullptr;
            return false;
        }
    } else {
        block =
            static_cast<int32_t*>(std::calloc(size_t(count + 2 * GuardValues), sizeof(int32_t)));
        if (block == nullptr) return false;
    }
    Data = block + GuardValues;
    return true;
}

void TKavoXMSample::PrepareData() {
    if (Data == nullptr || Length <= 0) return;
    if (Channels != 1 && Channels != 2) return;
    const int64_t width = Channels;
    auto copyFrame = [&](int64_t to, int64_t from) {
        for (int64_t c = 0; c < width; ++c) Data[to * width + c] = Data[from * width + c];
    };
    for (int64_t i = 0; i < 4; ++i) {
        copyFrame(-1 - i, 0);
        copyFrame(Length + i, Length - 1);
    }
    // Forward loops, also those starting at frame 0: the frames after the loop end repeat the
    // loop's first frames, the interpolator's right-hand neighbours at the wrap.
    const int64_t loopEnd = int64_t(LoopStart) + LoopLength;
    if (LoopEnabled && !PingPongLoop && LoopStart >= 0 && loopEnd > 0 && loopEnd <= Length) {
        for (int64_t i = 0; i < 4; ++i) copyFrame(loopEnd + i, LoopStart + i);
    }
}
