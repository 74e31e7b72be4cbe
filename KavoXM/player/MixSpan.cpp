#include "KavoXM/player/MixSpan.h"

#include "KavoXM/mixer/Render.h"
#include "KavoXM/player/Player.h"
#include "KavoXM/sequencer/GameState.h"

int32_t MixSpan(TKavoXM& player, int32_t from, uint32_t endCount, bool& ended) {
    ended = false;
    player.MixPos = player.MixBuffer.get();
    int32_t pos = from;
    while (pos < player.BufferFrames) {
        if (player.SamplesLeftInTick == 0) {
            if (TKavoXMGameState* game = player.Module->Game.get())
                game->TickFrame = game->BlockOrigin + pos;
            player.Tick();
            if (player.Module->SongEndCount >= endCount) {
                ended = true;
                break;
            }
        }
        const int32_t n = RenderFresh(player, pos, player.SamplesLeftInTick);
        if (n <= 0) break;
        pos += n;
    }
    return pos;
}
