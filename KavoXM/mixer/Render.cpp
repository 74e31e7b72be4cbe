// Block render: every sounding voice of the three banks mixed over one segment of the block,
// then the decaying click-removal offsets of voices that stopped abruptly.
#include "KavoXM/mixer/Render.h"

#include "KavoXM/mixer/Meters.h"
#include "KavoXM/mixer/VoiceMixer.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/GameState.h"
#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// One click-removal offset as sign and magnitude: an offset loses 1/256 of itself, truncated
// toward zero, before every frame, which for the magnitude is m - (m >> 8) and keeps the sign.
struct Decay {
    bool negative;
    uint32_t magnitude; // unsigned: the magnitude of -2^31 is 2^31

    explicit Decay(int32_t offset)
        : negative(offset < 0), magnitude(negative ? 0u - uint32_t(offset) : uint32_t(offset)) {}
    bool Decaying() const { return magnitude >= 256; }
    uint32_t Next() {
        magnitude -= magnitude >> 8;
        return negative ? 0u - magnitude : magnitude;
    }
    int32_t Offset() const { return int32_t(negative ? 0u - magnitude : magnitude); }
};

// Adds a constant (one value per output channel) to every value of n frames, modulo 2^32.
template <int Width> void AddConstant(int32_t* out, int32_t n, const int32_t (&offsets)[Width]) {
    int32_t i = 0;
    const int32_t count = n * Width;
#if defined(__SSE2__)
    const __m128i add =
        Width == 2 ? _mm_set_epi32(offsets[Width - 1], offsets[0], offsets[Width - 1], offsets[0])
                   : _mm_set1_epi32(offsets[0]);
    for (; i + 8 <= count; i += 8) {
        __m128i* at = reinterpret_cast<__m128i*>(out + i);
        _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), add));
        _mm_storeu_si128(at + 1, _mm_add_epi32(_mm_loadu_si128(at + 1), add));
    }
#endif
    for (; i < count; ++i) out[i] = int32_t(uint32_t(out[i]) + uint32_t(offsets[i % Width]));
}

// Sets every value of n stereo frames to the pair of values (left, right).
void SetStereo(int32_t* out, int32_t n, const int32_t (&values)[2]) {
    int32_t f = 0;
#if defined(__SSE2__)
    const __m128i pair = _mm_set_epi32(values[1], values[0], values[1], values[0]);
    for (; f + 8 <= n; f += 8) {
        __m128i* at = reinterpret_cast<__m128i*>(out + 2 * f);
        _mm_storeu_si128(at, pair);
        _mm_storeu_si128(at + 1, pair);
        _mm_storeu_si128(at + 2, pair);
        _mm_storeu_si128(at + 3, pair);
    }
#endif
    for (; f < n; ++f) {
        out[2 * f] = values[0];
        out[2 * f + 1] = values[1];
    }
}

#if defined(__SSE2__)
// The stereo decay eight frames at a time while either side still decays: both magnitudes
// decay side by side in one register, two frames per addition. A settled magnitude no longer
// changes, so frames past the end of decay get what the plain addition would give them.
// Returns the frames done.
int32_t AddDecayingStereo(int32_t* out, int32_t n, Decay (&decay)[2]) {
    const __m128i sign = _mm_set_epi32(-int32_t(decay[1].negative), -int32_t(decay[0].negative),
                                       -int32_t(decay[1].negative), -int32_t(decay[0].negative));
    __m128i m = _mm_set_epi32(0, 0, int32_t(decay[1].magnitude), int32_t(decay[0].magnitude));
    const auto decaying = [](__m128i v) {
        return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(v, 8), _mm_setzero_si128())) !=
               0xFFFF;
    };
    int32_t f = 0;
    for (; f + 8 <= n && decaying(m); f += 8)
        for (int32_t pair = 0; pair < 4; ++pair) {
            const __m128i first = _mm_sub_epi32(m, _mm_srli_epi32(m, 8));
            m = _mm_sub_epi32(first, _mm_srli_epi32(first, 8));
            // magnitudes to values: (m ^ s) - s negates where s is all ones
            const __m128i values =
                _mm_sub_epi32(_mm_xor_si128(_mm_unpacklo_epi64(first, m), sign), sign);
            __m128i* at = reinterpret_cast<__m128i*>(out + 2 * (f + 2 * pair));
            _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), values));
        }
    decay[0].magnitude = uint32_t(_mm_cvtsi128_si32(m));
    decay[1].magnitude = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(m, 4)));
    return f;
}
#else
int32_t AddDecayingStereo(int32_t*, int32_t, Decay (&)[2]) {
    return 0;
}
#endif

// Adds offsets (one per output channel) that decay before every frame. Below 256 in magnitude
// an offset no longer changes, so once all are that small the rest of the run is a plain
// addition.
template <int Width> void AddDecaying(int32_t* out, int32_t n, int32_t (&offsets)[Width]) {
    Decay decay[2] = {Decay(offsets[0]), Decay(offsets[Width - 1])};
    int32_t f = Width == 2 ? AddDecayingStereo(out, n, decay) : 0;
    for (; f < n && (decay[0].Decaying() || decay[Width - 1].Decaying()); ++f)
        for (int32_t c = 0; c < Width; ++c)
            out[f * Width + c] = int32_t(uint32_t(out[f * Width + c]) + decay[c].Next());
    for (int32_t c = 0; c < Width; ++c) offsets[c] = decay[c].Offset();
    AddConstant(out + ptrdiff_t(f) * Width, n - f, offsets);
}
} // namespace

namespace {
// The frames of a segment that starts at pos: at most count, and none past the block end.
int32_t SegmentFrames(const TKavoXM& player, int32_t pos, int32_t count) {
    if (pos < 0 || count <= 0) return 0;
    return int32_t(std::min<int64_t>(count, std::max(player.BufferFrames - pos, 0)));
}

void MixVoices(TKavoXM& player, int32_t pos, int32_t n) {
    player.SamplesLeftInTick -= n;
    TKavoXMModule& module = *player.Module;
    const TKavoXMMixTarget target = MixTargetOf(player);
    const int32_t patternChannels = std::clamp(module.ChannelCount, 0, TKavoXMModule::BankSize);
    TKavoXMMeters* meters = player.Meters;
    const auto mix = [&](TKavoXMChannel& voice) {
        if (meters != nullptr)
            MixChannelMetered(target, voice, pos, n, *meters);
        else
            MixChannel(target, voice, pos, n);
    };
    for (int32_t i = 0; i < patternChannels; ++i)
        if (module.PatternChannels[size_t(i)]->Active) mix(*module.PatternChannels[size_t(i)]);
    // MixChannel does nothing to a voice that is not active, so the test here only saves the
    // calls. Reserve channels never sound, and only the leading background channels that have
    // taken over a voice can (see TKavoXMModule::BackgroundInUse).
    for (int32_t i = 0; i < module.BackgroundInUse; ++i)
        if (module.BackgroundChannels[size_t(i)]->Active)
            mix(*module.BackgroundChannels[size_t(i)]);
    // The host's sound effects, on voices of their own.
    if (const TKavoXMGameState* game = module.Game.get())
        for (int32_t i = 0; i < TKavoXMSoundEffects::Voices; ++i)
            if (game->Effects.Voice(i)->Active) mix(*game->Effects.Voice(i));
}

// An offset that no longer decays is added unchanged to every frame.
bool Settled(int32_t offset) {
    return !Decay(offset).Decaying();
}
} // namespace

int32_t Render(TKavoXM& player, int32_t pos, int32_t count) {
    const int32_t n = SegmentFrames(player, pos, count);
    if (n == 0) return 0;
    MixVoices(player, pos, n);
    ApplyClickRemoval(player, pos, n);
    return n;
}

int32_t RenderFresh(TKavoXM& player, int32_t pos, int32_t count) {
    const int32_t n = SegmentFrames(player, pos, count);
    if (n == 0) return 0;
    TKavoXMModule& module = *player.Module;
    const int32_t width = player.Channels == 1 ? 1 : 2;
    int32_t base[2] = {0, 0};
    if (Settled(module.ClickRemovalLeft) && (width == 1 || Settled(module.ClickRemovalRight))) {
        base[0] = module.ClickRemovalLeft;
        base[1] = width == 2 ? module.ClickRemovalRight : 0;
    }
    int32_t* frames = player.MixPos + ptrdiff_t(pos) * width;
    if (width == 1)
        std::fill_n(frames, n, base[0]);
    else
        SetStereo(frames, n, base);
    MixVoices(player, pos, n);
    // Unless a voice that stopped in this segment moved the offsets, the frames hold them.
    const bool moved =
        module.ClickRemovalLeft != base[0] || (width == 2 && module.ClickRemovalRight != base[1]);
    if (moved) {
        if (base[0] != 0 || base[1] != 0) {
            const int32_t undo[2] = {int32_t(0u - uint32_t(base[0])),
                                     int32_t(0u - uint32_t(base[1]))};
            if (width == 1)
                AddConstant<1>(frames, n, {undo[0]});
            else
                AddConstant<2>(frames, n, undo);
        }
        ApplyClickRemoval(player, pos, n);
    }
    return n;
}

void ApplyClickRemoval(TKavoXM& player, int32_t pos, int32_t n) {
    TKavoXMModule& module = *player.Module;
    if (n <= 0) return;
    if (player.Channels == 1) {
        if (module.ClickRemovalLeft == 0) return;
        int32_t offsets[1] = {module.ClickRemovalLeft};
        AddDecaying(player.MixPos + pos, n, offsets);
        module.ClickRemovalLeft = offsets[0];
        return;
    }
    if (module.ClickRemovalLeft == 0 && module.ClickRemovalRight == 0) return;
    int32_t offsets[2] = {module.ClickRemovalLeft, module.ClickRemovalRight};
    AddDecaying(player.MixPos + ptrdiff_t(pos) * 2, n, offsets);
    module.ClickRemovalLeft = offsets[0];
    module.ClickRemovalRight = offsets[1];
}
