#include <KavoXM/capi/kavoxm.h>
#include <stdio.h>

int main(int argc, char** argv) { /* host song.xm | aplay -f cd */
    kavoxm_module* song = NULL;
    if (argc < 2 || kavoxm_load_file(argv[1], &song, NULL) != KAVOXM_OK) return 1;
    int16_t pcm[2 * 4096];
    int64_t frames;
    while ((frames = kavoxm_render_s16(song, 44100, 2, pcm, 4096)) > 0)
        fwrite(pcm, 4, (size_t)frames, stdout);
    kavoxm_destroy(song);
    return 0;
}
