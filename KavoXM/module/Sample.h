#pragma once
#include <cstdint>
#include <string>

// One sample: values are int32 at 16-bit scale, frames interleaved (left, right) for stereo,
// with GuardValues spare values before the first and after the last value.
class TKavoXMSample {
public:
    static constexpr int32_t GuardValues = 8;
    // Largest number of values a block may hold; larger requests are refused by AllocateData.
    static constexpr int64_t MaxValues = int64_t(1) << 30;

    int32_t* Data = nullptr; // first value of frame 0; the block starts GuardValues earlier
    int32_t Length = 0;      // frames (bytes while loading, until converted)
    int32_t Bits = 8;        // 8 or 16: width of the source data
    int32_t Channels = 1;    // 1 mono, 2 stereo
    std::string Name;
    bool LoopEnabled = false;
    bool PingPongLoop = false;
    int32_t LoopStart = 0;  // frames
    int32_t LoopLength = 0; // frames; loop end LoopStart + LoopLength is exclusive
    int32_t Volume = 64;    // 0..64 in XM (stored as read)
    bool UsePanning = true;
    int32_t Panning = 128;  // 0 left .. 255 right
    int32_t RelativeNote = 0; // semitones, -128..127
    int32_t FineTune = 0;     // 1/128 semitone, -128..127

    TKavoXMSample() { Clear(); }
    ~TKavoXMSample() { Clear(); }
    TKavoXMSample(const TKavoXMSample&) = delete;
    TKavoXMSample& operator=(const TKavoXMSample&) = delete;

    void Clear(); // frees the block, restores defaults except Length

    // Creates, resizes or frees the value block (count = number of int32 values).
    // Returns false (and leaves the sample without data) when count is negative or too large.
    bool AllocateData(int64_t count);
    // Fills the guard frames and the forward-loop wrap copy.
    void PrepareData();
};
