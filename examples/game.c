/* Music that follows a game, through SDL2's audio callback:
 *
 *     game SONG.xm [--script KEYS]
 *
 * Keys (typed into the window, or given as a script played one key every 300 ms):
 *   1..9   go to order entry 0..8 at the end of the pattern playing
 *   b      go to the next order entry at the next bar of 16 rows
 *   a s d g h j k l   play a note (C-4 .. C-5) of the current instrument as a sound effect;
 *          space releases it
 *   i      next instrument
 *   f      fade the first half of the channels out over a second (again: back in)
 *   m      fade the master volume out over two seconds (again: back in)
 *   c      cancel the queued jump
 *   q      quit (a script ends once its queued jump has been taken, or after 10 s)
 * Every event is logged on standard output: "event FRAME KIND A B C". */
#include <KavoXM/capi/kavoxm.h>
#include <SDL.h>

#include <stdio.h>
#include <string.h>

enum { RATE = 44100 };
static const char NOTE_KEYS[] = "asdghjkl";

typedef struct game {
    kavoxm_module* song;
    SDL_AudioDeviceID device;
    int32_t instrument, instruments, channels, effect;
    int layer_out, master_out, quit;
} game;

static const char* kind_name(int32_t type) {
    static const char* names[] = {"?",        "row",  "order",    "loop-jump", "jump-taken",
                                  "song-end", "note", "fade-end", "effect-end"};
    return type >= 1 && type <= 8 ? names[type] : names[0];
}

static void fill(void* song, Uint8* stream, int bytes) {
    const int64_t got = kavoxm_render_s16(song, RATE, 2, (int16_t*)stream, (size_t)bytes / 4);
    const size_t done = got > 0 ? (size_t)got * 4 : 0;
    memset(stream + done, 0, (size_t)bytes - done);
}

static void log_events(game* g) {
    kavoxm_event events[64];
    int32_t n;
    SDL_LockAudioDevice(g->device);
    while ((n = kavoxm_read_events(g->song, events, 64)) > 0)
        for (int32_t i = 0; i < n; ++i)
            printf("event %lld %s %d %d %d\n", (long long)events[i].frame,
                   kind_name(events[i].type), events[i].a, events[i].b, events[i].c);
    SDL_UnlockAudioDevice(g->device);
    fflush(stdout);
}

static void press(game* g, char key) {
    kavoxm_state state;
    SDL_LockAudioDevice(g->device); /* the callback renders on SDL's thread */
    kavoxm_get_state(g->song, &state);
    if (key >= '1' && key <= '9') {
        int rc = kavoxm_queue_jump(g->song, key - '1', 0, KAVOXM_JUMP_PATTERN_END, 0);
        printf("key %c: queue order %d at the pattern end: %s\n", key, key - '1',
               kavoxm_error_string(rc));
    } else if (key == 'b') {
        int rc = kavoxm_queue_jump(g->song, state.order + 1, 0, KAVOXM_JUMP_ROWS, 16);
        printf("key b: queue order %d at the next bar: %s\n", state.order + 1,
               kavoxm_error_string(rc));
    } else if (strchr(NOTE_KEYS, key) != NULL && key != 0) {
        static const int32_t notes[] = {49, 51, 53, 54, 56, 58, 60, 61}; /* C-4 D E F G A B C */
        const int32_t note = notes[strchr(NOTE_KEYS, key) - NOTE_KEYS];
        g->effect = kavoxm_effect_play(g->song, g->instrument, note, 64, -1);
        printf("key %c: effect %d, instrument %d\n", key, g->effect, g->instrument);
    } else if (key == ' ') {
        printf("key space: release %d: %s\n", g->effect,
               kavoxm_error_string(kavoxm_effect_release(g->song, g->effect)));
    } else if (key == 'i') {
        g->instrument = g->instrument % g->instruments + 1;
        printf("key i: instrument %d\n", g->instrument);
    } else if (key == 'f') {
        g->layer_out = !g->layer_out;
        for (int32_t c = 0; c < (g->channels + 1) / 2; ++c)
            kavoxm_fade_channel(g->song, c, g->layer_out ? 0 : 256, 1.0);
        printf("key f: channels 0..%d fade %s\n", (g->channels + 1) / 2 - 1,
               g->layer_out ? "out" : "in");
    } else if (key == 'm') {
        g->master_out = !g->master_out;
        kavoxm_fade_master(g->song, g->master_out ? 0 : 128, 2.0);
        printf("key m: master fades %s\n", g->master_out ? "out" : "in");
    } else if (key == 'c') {
        printf("key c: cancel: %s\n", kavoxm_error_string(kavoxm_cancel_jump(g->song)));
    } else if (key == 'q') {
        g->quit = 1;
    }
    SDL_UnlockAudioDevice(g->device);
    fflush(stdout);
}

static int jump_pending(game* g) {
    kavoxm_jump jump;
    SDL_LockAudioDevice(g->device);
    kavoxm_get_jump(g->song, &jump);
    SDL_UnlockAudioDevice(g->device);
    return jump.pending;
}

static void play_script(game* g, const char* keys) {
    for (; *keys && !g->quit; ++keys) {
        SDL_Delay(300);
        log_events(g);
        if (*keys == 'q') {
            for (Uint32 start = SDL_GetTicks(); jump_pending(g) && SDL_GetTicks() - start < 10000;)
                SDL_Delay(50), log_events(g);
            SDL_Delay(300); /* the landing row is heard and its events rendered */
        }
        press(g, *keys);
    }
    log_events(g);
}

static void play_window(game* g) {
    SDL_Window* window = SDL_CreateWindow("KavoXM game", SDL_WINDOWPOS_UNDEFINED,
                                          SDL_WINDOWPOS_UNDEFINED, 320, 120, 0);
    if (window == NULL) {
        fprintf(stderr, "game: no window (%s); use --script\n", SDL_GetError());
        return;
    }
    while (!g->quit) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            if (e.type == SDL_QUIT) g->quit = 1;
            if (e.type == SDL_KEYDOWN && e.key.keysym.sym < 128) press(g, (char)e.key.keysym.sym);
        }
        log_events(g);
        SDL_Delay(20);
    }
    SDL_DestroyWindow(window);
}

int main(int argc, char** argv) {
    game g = {0};
    const char* script = argc > 3 && strcmp(argv[2], "--script") == 0 ? argv[3] : NULL;
    if (argc < 2 || kavoxm_load_file(argv[1], &g.song, NULL) != KAVOXM_OK)
        return fprintf(stderr, "usage: game SONG.xm [--script KEYS]\n"), 1;
    kavoxm_info info;
    kavoxm_get_info(g.song, &info);
    g.instruments = info.instruments > 0 ? info.instruments : 1;
    g.channels = info.channels;
    g.instrument = 1;
    kavoxm_set_repeat(g.song, -1); /* jumps back must not end the music */
    SDL_AudioSpec want = {.freq = RATE,
                          .format = AUDIO_S16SYS,
                          .channels = 2,
                          .samples = 1024,
                          .callback = fill,
                          .userdata = g.song};
    if (SDL_Init(SDL_INIT_AUDIO | (script ? 0 : SDL_INIT_VIDEO)) == 0)
        g.device = SDL_OpenAudioDevice(NULL, 0, &want, NULL, 0);
    if (g.device == 0) return fprintf(stderr, "game: %s\n", SDL_GetError()), 1;
    SDL_PauseAudioDevice(g.device, 0);
    if (script)
        play_script(&g, script);
    else
        play_window(&g);
    SDL_CloseAudioDevice(g.device);
    SDL_Quit();
    printf("events lost %lld\n", (long long)kavoxm_events_lost(g.song));
    kavoxm_destroy(g.song);
    return 0;
}
