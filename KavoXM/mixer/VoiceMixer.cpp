// Voice mixing: cuts a voice's stretch of the block into runs that a kernel can mix without
// tests, settles the position at loop boundaries and ends voices that run out or die away.
#include "KavoXM/mixer/VoiceMixer.h"

#include "KavoXM/module/Module.h"
#include "KavoXM/module/Sample.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/Channel.h"
#include <algorithm>

namespace {
constexpr int64_t FrameOne = int64_t(1) << 32; // one sample frame in 32.32 fixed point

// 64-bit arithmetic that wraps instead of overflowing: positions far outside the sample only
// need to compare as outside, which the end tests do.
int64_t Add(int64_t a, int64_t b) {
    return int64_t(uint64_t(a) + uint64_t(b));
}
int64_t Sub(int64_t a, int64_t b) {
    return int64_t(uint64_t(a) - uint64_t(b));
}

// The playable range of a sample in 32.32: [LoopStart, LoopEnd) of a loop, [0, End) without.
// A loop reaching outside the sample is cut to it; one left empty counts as no loop.
struct Bounds {
    int64_t End = 0, Last = 0, LS = 0, LE = 0;
    bool Loop = false, PingPong = false;

    explicit Bounds(const TKavoXMSample& s) {
        const int64_t length = s.Length;
        End = length * FrameOne;
        Last = End - FrameOne;
        LE = End;
        if (!s.LoopEnabled) return;
        const int64_t start = std::clamp<int64_t>(s.LoopStart, 0, length);
        const int64_t end = std::clamp<int64_t>(int64_t(s.LoopStart) + s.LoopLength, start, length);
        if (end == start) return;
        Loop = true;
        PingPong = s.PingPongLoop;
        LS = start * FrameOne;
        LE = end * FrameOne;
    }
};

// Moves a position before the loop start back into play; false when the voice has ended.
bool SettleBeforeLoop(TKavoXMChannel& voice, const Bounds& b, int64_t& p) {
    if (!voice.Backwards) return true; // before the loop going forward: plays (or ends at < 0)
    if (b.PingPong) {
        p = Sub(Add(b.LS, b.LS), p); // mirror the overshoot about the loop start
        voice.Backwards = false;
        if (p < b.LS || p >= b.LS + (b.LE - b.LS) / 2) p = b.LS;
        return true;
    }
    if (b.Loop) {
        p = Sub(b.LE, Sub(b.LS, p)); // a forward loop played backwards continues at its end
        if (p >= b.LE) p = b.LE;
        return true;
    }
    return false;
}

// Moves a position at or past the loop end back into play; false when the voice has ended.
bool SettleAfterLoop(TKavoXMChannel& voice, const Bounds& b, int64_t& p) {
    if (b.PingPong) {
        p = Sub(Add(b.LE, b.LE), p);
        voice.Backwards = true;
        if (p < b.LS || p >= b.LE) p = b.Last + p % FrameOne;
        return true;
    }
    if (b.Loop) {
        p = Sub(p, b.LE - b.LS);
        if (p < b.LS) p = b.LS;
        voice.Backwards = false;
        return true;
    }
    return false;
}

// What a run may cover at an increment: at most `cap` frames (below 16384 source frames, at
// least 2), and the increment's reciprocal for the frame counts below.
struct RunScale {
    int64_t cap;
    double reciprocal;

    explicit RunScale(int64_t increment)
        : cap(std::max<int64_t>(16384 / ((increment >> 32) + 1), 2)),
          reciprocal(1.0 / double(increment)) {}

    // distance / increment, truncated, for 0 <= distance < increment x cap (so the quotient is
    // below 2^14): the estimate from the reciprocal is off by at most one, and corrected. A
    // negative distance (a position one settling left past the boundary, as after a step longer
    // than the loop) gives -1, so that the run is a single frame.
    int64_t Frames(int64_t distance, int64_t increment) const {
        if (distance < 0) return -1;
        const uint64_t inc = uint64_t(increment), d = uint64_t(distance);
        uint64_t q = uint64_t(double(distance) * reciprocal);
        if (q * inc > d)
            --q;
        else if ((q + 1) * inc <= d)
            ++q;
        return int64_t(q);
    }
};

// Frames of the next run from a settled position: as many as stay inside the boundary in the
// direction of play, at most limit and at most the cap.
int64_t RunLength(const TKavoXMChannel& voice, const Bounds& b, int64_t p, int64_t limit,
                  const RunScale& scale) {
    const int64_t inc = voice.Increment;
    const int64_t m = std::min(limit, scale.cap);
    const int64_t span = inc * (m - 1); // below 2^63: inc < 2^45 whenever m - 1 > 1
    int64_t count = limit;
    if (voice.Backwards) {
        // p >= LS here; at p = LS the one frame at p is the whole run
        if (p - b.LS < span) count = p == b.LS ? 1 : scale.Frames(p - b.LS - 1, inc) + 1;
    } else {
        if (b.LE - p <= span) count = scale.Frames(b.LE - p - 1, inc) + 1;
    }
    return count <= 1 ? 1 : std::min(count, m);
}

// The voice stops abruptly: its last output goes to click removal.
void EndWithHandOver(TKavoXMModule* module, TKavoXMChannel& voice) {
    voice.Active = false;
    if (module != nullptr) {
        module->ClickRemovalLeft =
            int32_t(uint32_t(module->ClickRemovalLeft) + uint32_t(voice.LastOutputLeft));
        module->ClickRemovalRight =
            int32_t(uint32_t(module->ClickRemovalRight) + uint32_t(voice.LastOutputRight));
    }
    voice.LastOutputLeft = 0;
    voice.LastOutputRight = 0;
}

// Ends a ramp: the gains land on their targets. False when the voice is to stop: silent with
// its fade-out finished, or a silent background voice. Any other silent voice runs on, also
// one whose volume envelope has died: an instrument number that restarts the envelope finds
// the sample where it would have played to.
bool FinishRamp(TKavoXMChannel& voice) {
    voice.RampVolumeLeft = voice.RampTargetLeft;
    voice.RampVolumeRight = voice.RampTargetRight;
    voice.RampStepLeft = voice.RampStepRight = 0;
    voice.RampRemaining = 0;
    if (voice.RampVolumeLeft != 0 || voice.RampVolumeRight != 0) return true;
    return voice.FadeOutVolume != 0 && !voice.Background;
}

bool Silent(const TKavoXMChannel& voice, const TKavoXMKernelChoice& choice) {
    if (choice.Kernel == nullptr) return true;
    return voice.RampVolumeLeft == 0 && voice.RampVolumeRight == 0 && voice.RampStepLeft == 0 &&
           voice.RampStepRight == 0 && !voice.VariantEnabled;
}

// Whether a run may go on through the loop's wraps inside the kernel: forward loops whose
// length holds eight steps, so that a batch of eight frames wraps at most once.
bool WrapsInKernel(const TKavoXMChannel& voice, const Bounds& b) {
    return b.Loop && !b.PingPong && !voice.Backwards && voice.Increment <= (b.LE - b.LS) / 8;
}

// PrepareRun with the sample's bounds and the run scale of the voice's increment already known.
// With mayWrap, a run through a forward loop covers all of limit and wraps in the kernel (or,
// for a silent voice, in PastSilentRun).
int64_t PrepareScaledRun(TKavoXMChannel& voice, const Bounds& b, int64_t limit,
                         const RunScale& scale, bool mayWrap) {
    int64_t p = voice.SamplePosition;
    bool playing = true;
    if (p < b.LS)
        playing = SettleBeforeLoop(voice, b, p);
    else if (p >= b.LE)
        playing = SettleAfterLoop(voice, b, p);
    if (!playing) return 0;
    voice.SamplePosition = p;
    voice.WrapLength = 0;
    if (p < 0 || p >= b.End || (p < b.LS && voice.Backwards)) return 0;
    if (mayWrap && WrapsInKernel(voice, b)) {
        voice.WrapEnd = b.LE;
        voice.WrapLength = b.LE - b.LS;
        return std::max<int64_t>(limit, 1);
    }
    return RunLength(voice, b, p, std::max<int64_t>(limit, 1), scale);
}

// Whether a silent run of up to `limit` frames may go through a forward loop in one step: its
// travel, below 2^62, keeps every position below 2^63 (a sample ends below 2^62).
bool TravelFits(const TKavoXMChannel& voice, int64_t limit) {
    return uint64_t(voice.Increment) <= (uint64_t(1) << 62) / uint64_t(std::max<int64_t>(limit, 1));
}

// A silent run of n frames through a forward loop (prepared with WrapLength set): the position
// after its last frame, which settles at each loop end as the kernels do.
int64_t PastSilentRun(const TKavoXMChannel& voice, int32_t n) {
    const int64_t loopStart = voice.WrapEnd - voice.WrapLength;
    const int64_t last = voice.SamplePosition + voice.Increment * int64_t(n - 1);
    const int64_t settled =
        last < voice.WrapEnd ? last : loopStart + (last - loopStart) % voice.WrapLength;
    return settled + voice.Increment;
}

// Moves a voice over k frames of a prepared audible run as its kernel would, without output:
// the position (settling at the loop end of a wrapping run) and the ramp gains.
void SkipFrames(TKavoXMChannel& voice, int32_t k) {
    if (k <= 0) return;
    voice.SamplePosition = voice.WrapLength > 0 ? PastSilentRun(voice, k)
                                                : Add(voice.SamplePosition,
                                                      int64_t(uint64_t(voice.Step) * uint64_t(k)));
    voice.RampVolumeLeft =
        int32_t(uint32_t(voice.RampVolumeLeft) + uint32_t(voice.RampStepLeft) * uint32_t(k));
    voice.RampVolumeRight =
        int32_t(uint32_t(voice.RampVolumeRight) + uint32_t(voice.RampStepRight) * uint32_t(k));
}

bool Playable(const TKavoXMChannel& voice) {
    const TKavoXMSample* sample = voice.Sample;
    return sample != nullptr && sample->Data != nullptr && sample->Length > 0 &&
           voice.Increment > 0;
}
} // namespace

TKavoXMMixTarget MixTargetOf(TKavoXM& player) {
    TKavoXMMixTarget target;
    target.MixPos = player.MixPos;
    target.Channels = player.Channels == 1 ? 1 : 2;
    target.Mode = player.InterpolationMode <= 3 ? player.InterpolationMode : 2;
    target.Table = player.Spline ? player.Spline->Coefficients.data() : nullptr;
    target.Module = player.Module.get();
    return target;
}

TKavoXMKernelChoice SelectKernel(const TKavoXMMixTarget& target, const TKavoXMChannel& voice) {
    TKavoXMKernelChoice choice;
    choice.Mode = target.Mode >= 0 && target.Mode <= 3 ? target.Mode : 2;
    choice.Table = target.Table;
    choice.StereoSample = voice.Sample != nullptr && voice.Sample->Channels == 2 ? 1 : 0;
    choice.Variant = !voice.VariantEnabled    ? 0
                     : voice.VariantMode == 0 ? 1
                     : voice.VariantMode == 1 ? 2
                                              : 0;
    UpdateKernel(target, voice, choice);
    return choice;
}

void UpdateKernel(const TKavoXMMixTarget& target, const TKavoXMChannel& voice,
                  TKavoXMKernelChoice& choice) {
    const int32_t ramping = voice.RampStepLeft != 0 || voice.RampStepRight != 0 ? 1 : 0;
    const bool stereoOut = target.Channels == 2;
    const int32_t split = stereoOut && (voice.RampStepLeft != voice.RampStepRight ||
                                        voice.RampVolumeLeft != voice.RampVolumeRight ||
                                        voice.RampTargetLeft != voice.RampTargetRight)
                              ? 1
                              : 0;
    const size_t at =
        size_t(KernelIndex(choice.Mode, choice.StereoSample, ramping, choice.Variant, split));
    choice.Kernel = stereoOut ? KernelTable[at] : MonoKernelTable[at];
    // The spline kernels read the table; without one the voice advances silently.
    if (choice.Mode >= 2 && choice.Table == nullptr) choice.Kernel = nullptr;
}

int64_t PrepareRun(TKavoXM& /*player*/, TKavoXMChannel& voice, int64_t limit) {
    return PrepareRun(voice, limit);
}

int64_t PrepareRun(TKavoXMChannel& voice, int64_t limit) {
    if (!Playable(voice)) return 0;
    return PrepareScaledRun(voice, Bounds(*voice.Sample), limit, RunScale(voice.Increment), false);
}

void MixChannel(TKavoXM& player, TKavoXMChannel& voice, int32_t start, int32_t count) {
    MixChannel(MixTargetOf(player), voice, start, count);
}

namespace {

// The settling MixChannel does before its runs; false when the voice has nothing to run.
bool StartRuns(const TKavoXMMixTarget& target, TKavoXMChannel& voice) {
    if (voice.Increment <= 0) { // a voice that does not move is over
        voice.Active = false;
        return false;
    }
    if (!voice.Active || voice.Sample == nullptr) return false;
    // A ramp without frames left is over: its gains would otherwise grow without end.
    if (voice.RampRemaining <= 0 && (voice.RampStepLeft != 0 || voice.RampStepRight != 0)) {
        voice.RampVolumeLeft = voice.RampTargetLeft;
        voice.RampVolumeRight = voice.RampTargetRight;
        voice.RampStepLeft = voice.RampStepRight = 0;
        voice.RampRemaining = 0;
    }
    // A ramp that stands on its targets with gain left ends at once: its own run would change
    // nothing, and its end (FinishRamp) keeps the voice and the kernel as they are.
    if (voice.RampRemaining > 0 && voice.RampStepLeft == 0 && voice.RampStepRight == 0 &&
        voice.RampVolumeLeft == voice.RampTargetLeft &&
        voice.RampVolumeRight == voice.RampTargetRight &&
        (voice.RampVolumeLeft != 0 || voice.RampVolumeRight != 0))
        voice.RampRemaining = 0;
    if (!Playable(voice)) {
        EndWithHandOver(target.Module, voice);
        return false;
    }
    return true;
}

// After a run of n frames: the ramp's count; false when the voice has ramped down to silence.
bool AfterRun(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t n,
              TKavoXMKernelChoice& choice) {
    if (voice.RampRemaining <= 0) return true;
    voice.RampRemaining -= n;
    if (voice.RampRemaining > 0) return true;
    if (!FinishRamp(voice)) {
        voice.Active = false; // ramped down to silence: nothing to hand over
        return false;
    }
    UpdateKernel(target, voice, choice);
    return true;
}

// The runs of a voice over `count` frames: each run is prepared (kernel, bounds, loop wrap); a
// silent one only moves the voice, a sounding one is played by `play(choice, n)`; then the
// voice settles, ramps and changes kernel as the run's end requires.
template <typename PlayRun>
void RunVoice(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t count,
              PlayRun&& play) {
    if (!StartRuns(target, voice)) return;
    TKavoXMKernelChoice choice = SelectKernel(target, voice);
    const Bounds bounds(*voice.Sample);
    const RunScale scale(voice.Increment);
    while (count >= 1) {
        int64_t limit = count;
        if (voice.RampRemaining > 0 && count > voice.RampRemaining) limit = voice.RampRemaining;
        const bool silent = Silent(voice, choice);
        const bool mayWrap = !silent || TravelFits(voice, limit);
        const int32_t n = int32_t(
            std::min<int64_t>(PrepareScaledRun(voice, bounds, limit, scale, mayWrap), count));
        if (n == 0) {
            EndWithHandOver(target.Module, voice);
            return;
        }
        voice.Step = voice.Backwards ? -voice.Increment : voice.Increment;
        if (silent) {
            voice.SamplePosition =
                voice.WrapLength > 0
                    ? PastSilentRun(voice, n)
                    : Add(voice.SamplePosition, int64_t(uint64_t(voice.Step) * uint64_t(n)));
            voice.LastOutputLeft = voice.LastOutputRight = 0;
        }
        play(choice, n, silent);
        count -= n;
        if (!AfterRun(target, voice, n, choice)) return;
    }
}

} // namespace

void AdvanceChannel(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t count) {
    RunVoice(target, voice, count, [&](const TKavoXMKernelChoice& choice, int32_t n, bool silent) {
        if (silent) return;
        // Only the run's last frame is mixed (into a scratch frame): it leaves the voice's
        // last output, which click removal may take over later.
        int32_t skip = n - 1;
        if (voice.WrapLength > 0 && !TravelFits(voice, skip)) skip = 0;
        SkipFrames(voice, skip);
        for (int32_t i = skip; i < n; ++i) {
            int32_t* scratch = target.MixPos;
            choice.Kernel(scratch, 1, voice, choice.Table);
        }
    });
}

void MixChannel(const TKavoXMMixTarget& target, TKavoXMChannel& voice, int32_t start,
                int32_t count) {
    const int32_t width = target.Channels;
    int32_t* mix = target.MixPos + ptrdiff_t(start) * width;
    RunVoice(target, voice, count, [&](const TKavoXMKernelChoice& choice, int32_t n, bool silent) {
        if (silent) {
            mix += ptrdiff_t(n) * width; // later runs of this call mix at their own frames
            return;
        }
        // The kernel also leaves in LastOutputLeft and LastOutputRight what it added to the
        // run's last frame.
        choice.Kernel(mix, n, voice, choice.Table);
    });
}
