#include "KavoXM/song/SongRebase.h"

#include "KavoXM/module/Instrument.h"
#include "KavoXM/module/Module.h"

#include <algorithm>

void SongRebase::Pair(const void* from, const void* to) {
    if ((from == nullptr) != (to == nullptr)) valid_ = false;
    if (from != nullptr && to != nullptr)
        pairs_.emplace_back(reinterpret_cast<uintptr_t>(from), to);
}

SongRebase::SongRebase(const TKavoXMModule& from, TKavoXMModule& to) : to_(&to) {
    for (size_t i = 0; i < from.Instruments.size(); ++i) {
        const TKavoXMInstrument* a = from.Instruments[i].get();
        const TKavoXMInstrument* b = to.Instruments[i].get();
        Pair(a, b);
        if (a == nullptr || b == nullptr) continue;
        Pair(a->VolumeEnvelope.get(), b->VolumeEnvelope.get());
        Pair(a->PanningEnvelope.get(), b->PanningEnvelope.get());
        for (size_t s = 0; s < a->Samples.size(); ++s)
            Pair(a->Samples[s].get(), b->Samples[s].get());
    }
    std::sort(pairs_.begin(), pairs_.end());
}

template <typename T> bool SongRebase::Move(const T*& pointer) const {
    if (pointer == nullptr) return true;
    const auto key = reinterpret_cast<uintptr_t>(pointer);
    const auto at = std::lower_bound(
        pairs_.begin(), pairs_.end(), key,
        [](const std::pair<uintptr_t, const void*>& p, uintptr_t k) { return p.first < k; });
    if (at == pairs_.end() || at->first != key) return false;
    pointer = static_cast<const T*>(at->second);
    return true;
}

bool SongRebase::Apply(SongSnapshot& snapshot) const {
    bool moved = valid_;
    for (TKavoXMChannel& c : snapshot.Channels) {
        if (c.Module != nullptr) c.Module = to_;
        moved = Move(c.Instrument) && moved;
        moved = Move(c.Sample) && moved;
        moved = Move(c.VolumeEnvelopeHandler.Envelope) && moved;
        moved = Move(c.PanningEnvelopeHandler.Envelope) && moved;
    }
    return moved;
}
