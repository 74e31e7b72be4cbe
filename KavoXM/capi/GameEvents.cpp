// Reading the events of what began while the song was rendered.
#include "KavoXM/capi/Game.h"

namespace {

static_assert(int32_t(TKavoXMEventType::Row) == KAVOXM_EVENT_ROW);
static_assert(int32_t(TKavoXMEventType::Order) == KAVOXM_EVENT_ORDER);
static_assert(int32_t(TKavoXMEventType::LoopJump) == KAVOXM_EVENT_LOOP_JUMP);
static_assert(int32_t(TKavoXMEventType::JumpTaken) == KAVOXM_EVENT_JUMP_TAKEN);
static_assert(int32_t(TKavoXMEventType::SongEnd) == KAVOXM_EVENT_SONG_END);
static_assert(int32_t(TKavoXMEventType::Note) == KAVOXM_EVENT_NOTE);
static_assert(int32_t(TKavoXMEventType::FadeEnd) == KAVOXM_EVENT_FADE_END);
static_assert(int32_t(TKavoXMEventType::EffectEnd) == KAVOXM_EVENT_EFFECT_END);

// An event is handed out once its frame has been rendered; the song end that stopped the
// render lies on the frame after the last, and is handed out with it.
bool Rendered(const kavoxm_module& m, const TKavoXMSongEvent& e) {
    return e.Frame < m.StreamFrame ||
           (e.Frame == m.StreamFrame && m.Ended && e.Type == TKavoXMEventType::SongEnd);
}

} // namespace

extern "C" {

int32_t kavoxm_read_events(kavoxm_module* module, kavoxm_event* out, int32_t count) {
    if (module == nullptr || (out == nullptr && count > 0) || count < 0)
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex);
    TKavoXMGameState* game = module->Player->Module->Game.get();
    if (game == nullptr) return 0;
    TKavoXMEventQueue& queue = game->Events;
    int32_t n = 0;
    while (n < count && queue.Size() > 0 && Rendered(*module, queue.Front())) {
        const TKavoXMSongEvent& e = queue.Front();
        out[n++] =
            kavoxm_event{int32_t(e.Type), e.A, e.B, e.C, e.Frame, e.Frame - module->CallFrame};
        queue.PopFront();
    }
    return n;
}

int64_t kavoxm_events_lost(kavoxm_module* module) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex);
    const TKavoXMGameState* game = module->Player->Module->Game.get();
    return game == nullptr ? 0 : int64_t(game->Events.Overflows());
}

int kavoxm_set_event_mask(kavoxm_module* module, uint32_t mask) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex);
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    game->EventMask = mask;
    return KAVOXM_OK;
}

} // extern "C"
