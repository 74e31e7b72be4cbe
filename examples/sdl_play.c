/* Plays an XM song through SDL2's audio callback: sdl_play SONG.xm [SECONDS] */
#include <KavoXM/capi/kavoxm.h>
#include <SDL.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void fill(void* song, Uint8* stream, int bytes) {
    const size_t frames = (size_t)bytes / 4;
    const int64_t got = kavoxm_render_s16(song, 44100, 2, (int16_t*)stream, frames);
    const size_t done = got > 0 ? (size_t)got * 4 : 0;
    memset(stream + done, 0, (size_t)bytes - done); /* silence after the end */
}

int main(int argc, char** argv) {
    kavoxm_module* song = NULL;
    if (argc < 2 || kavoxm_load_file(argv[1], &song, NULL) != KAVOXM_OK) return 1;
    const Uint32 limit_ms = argc > 2 ? (Uint32)(atof(argv[2]) * 1000) : UINT32_MAX;
    SDL_AudioSpec want = {.freq = 44100,
                          .format = AUDIO_S16SYS,
                          .channels = 2,
                          .samples = 1024,
                          .callback = fill,
                          .userdata = song};
    SDL_AudioDeviceID device = 0;
    if (SDL_Init(SDL_INIT_AUDIO) == 0) device = SDL_OpenAudioDevice(NULL, 0, &want, NULL, 0);
    if (device == 0) return fprintf(stderr, "sdl_play: %s\n", SDL_GetError()), 1;
    SDL_PauseAudioDevice(device, 0);
    kavoxm_state state;
    const Uint32 start = SDL_GetTicks();
    do {
        SDL_Delay(50);
        SDL_LockAudioDevice(device); /* the callback renders on SDL's thread */
        kavoxm_get_state(song, &state);
        SDL_UnlockAudioDevice(device);
    } while (!state.ended && SDL_GetTicks() - start < limit_ms);
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    printf("played %.2f s, order %d row %d\n", state.seconds, state.order, state.row);
    kavoxm_destroy(song);
    return 0;
}
