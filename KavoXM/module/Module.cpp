#include "KavoXM/module/Module.h"

#include "KavoXM/sequencer/Channel.h"
#include "KavoXM/sequencer/GameState.h"
#include "KavoXM/sequencer/SongEnd.h"

TKavoXMModule::TKavoXMModule(TKavoXM* player) : Player(player) {
    MasterVolume = 128;
    RampLength = 128;
    BackgroundRampLength = 128;
    for (int32_t i = 0; i < BankSize; ++i) {
        PatternChannels[size_t(i)] = std::make_unique<TKavoXMChannel>(this, i, false, false);
        ReserveChannels[size_t(i)] = std::make_unique<TKavoXMChannel>(this, i, true, false);
        BackgroundChannels[size_t(i)] = std::make_unique<TKavoXMChannel>(this, i, true, true);
    }
    for (auto& pattern : Patterns) pattern = std::make_unique<TKavoXMPattern>();
    EQFXStream = std::make_unique<TKavoXMStream>();
    MODUStream = std::make_unique<TKavoXMStream>();
    for (auto& stream : FXStreams) stream = std::make_unique<TKavoXMStream>();
    PlayedStates.Hashes = std::make_unique<uint64_t[]>(TKavoXMStateRecord::Slots);
    PristineChannel = std::make_unique<TKavoXMChannel>(this, 0, false, false);
}

TKavoXMModule::~TKavoXMModule() {
    Clear();
}

void TKavoXMModule::Clear() {
    GlobalVolume = 64;
    ClickRemovalLeft = 0;
    ClickRemovalRight = 0;
    Name.clear();
    TrackerName.clear();
    ArpeggioInTickOrder = false;
    Message.clear();
    for (auto& instrument : Instruments) instrument.reset();
    for (auto& pattern : Patterns) pattern->Clear();
    for (int32_t i = 0; i < BankSize; ++i) {
        PatternChannels[size_t(i)]->ChannelFX = 0;
        ReserveChannels[size_t(i)]->ChannelFX = 0;
        BackgroundChannels[size_t(i)]->ChannelFX = 0;
    }
    EQFXStream->Clear();
    MODUStream->Clear();
    for (auto& stream : FXStreams) stream->Clear();
    Orders.fill(0);
    InitialSpeed = 6;
    InitialTempo = 125;
    SongLength = 0;
    RestartPosition = 0;
    LinearFrequencies = true;
    ResetPlayback();
    Loaded = false;
}

void TKavoXMModule::ResetPlayback() {
    for (int32_t i = 0; i < BankSize; ++i) {
        PatternChannels[size_t(i)]->Reset();
        ReserveChannels[size_t(i)]->Reset();
        BackgroundChannels[size_t(i)]->Reset();
    }
    Speed = InitialSpeed;
    Tempo = InitialTempo;
    TickCounter = Speed;
    PatternDelay = 0;
    NextPatternRow = 0;
    CurrentOrder = 0;
    CurrentRow = 0;
    BackgroundInUse = 0;
    SongEndCount = 0;
    songend::ForgetPass(*this);
    SongJumpPending = false;
    SongJumpLanding = false;
    PlayingOrder = 0;
    PlayingRow = 0;
    if (Game != nullptr) Game->Restart();
}
