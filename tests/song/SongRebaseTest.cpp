// Snapshots carried from one player of a song to another: every pointer lands in the other
// player's song data, and the other player then goes on exactly as the first.
#include "KavoXM/song/SongRebase.h"
#include "KavoXM/player/Player.h"
#include "capi/CapiSongs.h"

#include <gtest/gtest.h>

#include <memory>
#include <unordered_set>

namespace {

std::unique_ptr<TKavoXM> Loaded(const std::vector<uint8_t>& image) {
    auto player = std::make_unique<TKavoXM>(44100, 2048, 1, true, 10, 16, 0, TKavoXMOutput::None);
    EXPECT_TRUE(player->Module->LoadFromMemory(image.data(), int32_t(image.size())));
    player->StartOffline();
    return player;
}

std::unordered_set<const void*> SongData(const TKavoXMModule& m) {
    std::unordered_set<const void*> owned;
    for (const auto& instrument : m.Instruments) {
        if (!instrument) continue;
        owned.insert(instrument.get());
        owned.insert(instrument->VolumeEnvelope.get());
        owned.insert(instrument->PanningEnvelope.get());
        for (const auto& sample : instrument->Samples) owned.insert(sample.get());
    }
    owned.erase(nullptr);
    return owned;
}

TEST(SongRebase, EveryPointerLandsInTheOtherSongWhichGoesOnTheSame) {
    const std::vector<uint8_t> image = xmbuilder::BuildXM(capisongs::Busy());
    std::unique_ptr<TKavoXM> from = Loaded(image), to = Loaded(image);
    const SongRebase rebase(*from->Module, *to->Module);
    ASSERT_TRUE(rebase.Valid());
    const std::unordered_set<const void*> owned = SongData(*to->Module);
    int32_t pointersMoved = 0;
    for (int32_t tick = 1; tick <= 600; ++tick) {
        from->Tick();
        if (tick % 50 != 0) continue;
        SongSnapshot snapshot;
        SongStateLog log;
        CaptureSong(*from, 0, log, nullptr, snapshot);
        ASSERT_TRUE(rebase.Apply(snapshot));
        for (const TKavoXMChannel& c : snapshot.Channels) {
            EXPECT_TRUE(c.Module == nullptr || c.Module == to->Module.get());
            for (const void* p :
                 {static_cast<const void*>(c.Instrument), static_cast<const void*>(c.Sample),
                  static_cast<const void*>(c.VolumeEnvelopeHandler.Envelope),
                  static_cast<const void*>(c.PanningEnvelopeHandler.Envelope)}) {
                EXPECT_TRUE(p == nullptr || owned.count(p) == 1);
                pointersMoved += p != nullptr ? 1 : 0;
            }
        }
        // Restored into the other player, both play the next ticks alike.
        RestoreSong(*to, snapshot, log);
        from->Tick();
        to->Tick();
        ++tick;
        SongSnapshot a, b;
        SongStateLog logA, logB;
        CaptureSong(*from, 0, logA, nullptr, a);
        CaptureSong(*to, 0, logB, nullptr, b);
        ASSERT_TRUE(rebase.Apply(a));
        EXPECT_TRUE(SameSongState(a, logA, b, logB)) << "tick " << tick;
    }
    EXPECT_GT(pointersMoved, 0);
}

TEST(SongRebase, SongsWithOtherInstrumentsArePairedWithNothing) {
    xmbuilder::XMSong fewer = capisongs::Busy();
    fewer.Instruments.pop_back();
    std::unique_ptr<TKavoXM> from = Loaded(xmbuilder::BuildXM(capisongs::Busy()));
    std::unique_ptr<TKavoXM> to = Loaded(xmbuilder::BuildXM(fewer));
    EXPECT_FALSE(SongRebase(*from->Module, *to->Module).Valid());
}

} // namespace
