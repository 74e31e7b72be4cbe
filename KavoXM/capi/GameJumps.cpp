// Queued jumps through the C API.
#include "KavoXM/capi/Game.h"

#include <algorithm>

extern "C" {

int kavoxm_queue_jump(kavoxm_module* module, int32_t order, int32_t row, int32_t when,
                      int32_t rows) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr || when < KAVOXM_JUMP_NEXT_ROW || when > KAVOXM_JUMP_SONG_END ||
        (when == KAVOXM_JUMP_ROWS && (rows < 1 || rows > 256)))
        return KAVOXM_ERROR_INVALID_ARGUMENT;
    const TKavoXMModule& song = *module->Player->Module;
    if (order < 0 || order >= std::min(song.SongLength, TKavoXMModule::MaxOrders) || row < 0 ||
        row >= song.Patterns[song.Orders[size_t(order)]]->RowCount)
        return KAVOXM_ERROR_POSITION;
    game->Jump = TKavoXMQueuedJump{true, order, row, TKavoXMJumpWhen(when),
                                   when == KAVOXM_JUMP_ROWS ? rows : 1};
    return KAVOXM_OK;
}

int kavoxm_cancel_jump(kavoxm_module* module) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    game->Jump.Pending = false;
    return KAVOXM_OK;
}

int kavoxm_get_jump(kavoxm_module* module, kavoxm_jump* out) {
    if (module == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(module->Mutex); // the audio thread may be rendering
    TKavoXMGameState* game = capi::GameOf(module);
    if (game == nullptr || out == nullptr) return KAVOXM_ERROR_INVALID_ARGUMENT;
    const TKavoXMQueuedJump& j = game->Jump;
    *out = kavoxm_jump{j.Pending ? 1 : 0, j.Order, j.Row, int32_t(j.When), j.Rows};
    return KAVOXM_OK;
}

} // extern "C"
