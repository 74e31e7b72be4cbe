/* Renders an XM song to a WAV file (or raw PCM with --raw; "-" is standard output) with the
 * KavoXM C API alone.
 *
 *     render SONG.xm OUT.wav [--float] [--mono] [--rate HZ] [--seconds S] [--raw]
 *
 * Samples are signed 16-bit (or 32-bit float), little-endian, interleaved, at 44100 Hz by
 * default, once through the song. */
#include <KavoXM/capi/kavoxm.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { BlockFrames = 4096 };

typedef struct options {
    const char* song;
    const char* out;
    int is_float, channels, raw;
    int32_t rate;
    double seconds; /* 0: to the song's end */
} options;

static void put(unsigned char** p, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *(*p)++ = (unsigned char)(value >> (8 * i));
}

/* A RIFF WAVE header for `bytes` of sample data: PCM, or IEEE float with its fact chunk. */
static int write_wav_header(FILE* file, const options* o, uint32_t bytes) {
    unsigned char header[58], *p = header;
    const uint32_t sample = o->is_float ? 4 : 2, align = sample * (uint32_t)o->channels;
    const uint32_t fmt = o->is_float ? 18 : 16, size = 20 + fmt + (o->is_float ? 12 : 0) + 8;
    memcpy(p, "RIFF", 4), p += 4, put(&p, size - 8 + bytes, 4), memcpy(p, "WAVEfmt ", 8), p += 8;
    put(&p, fmt, 4), put(&p, o->is_float ? 3 : 1, 2), put(&p, (uint32_t)o->channels, 2);
    put(&p, (uint32_t)o->rate, 4), put(&p, (uint32_t)o->rate * align, 4), put(&p, align, 2);
    put(&p, sample * 8, 2);
    if (o->is_float)
        put(&p, 0, 2), memcpy(p, "fact", 4), p += 4, put(&p, 4, 4), put(&p, bytes / align, 4);
    memcpy(p, "data", 4), p += 4, put(&p, bytes, 4);
    return fwrite(header, 1, size, file) == size;
}

/* Renders the song into `file`; returns the bytes written, or -1. */
static long long render(kavoxm_module* song, const options* o, FILE* file) {
    static float block[BlockFrames * 2];
    const size_t frame_bytes = (size_t)o->channels * (o->is_float ? 4 : 2);
    long long left = o->seconds > 0 ? (long long)(o->seconds * o->rate) : -1, bytes = 0;
    for (;;) {
        size_t want = BlockFrames;
        if (left >= 0 && (long long)want > left) want = (size_t)left;
        if (want == 0) break;
        int64_t got = o->is_float
                          ? kavoxm_render_float(song, o->rate, o->channels, block, want)
                          : kavoxm_render_s16(song, o->rate, o->channels, (int16_t*)block, want);
        if (got < 0) return -1;
        if (got == 0) break;
        if (fwrite(block, frame_bytes, (size_t)got, file) != (size_t)got) return -1;
        bytes += got * (long long)frame_bytes;
        if (left >= 0) left -= got;
    }
    return bytes;
}

static int parse(int argc, char** argv, options* o) {
    *o = (options){NULL, NULL, 0, 2, 0, 44100, 0};
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!strcmp(a, "--float"))
            o->is_float = 1;
        else if (!strcmp(a, "--mono"))
            o->channels = 1;
        else if (!strcmp(a, "--raw"))
            o->raw = 1;
        else if (!strcmp(a, "--rate") && i + 1 < argc)
            o->rate = atoi(argv[++i]);
        else if (!strcmp(a, "--seconds") && i + 1 < argc)
            o->seconds = atof(argv[++i]);
        else if (!o->song)
            o->song = a;
        else if (!o->out)
            o->out = a;
        else
            return 0;
    }
    return o->song && o->out;
}

int main(int argc, char** argv) {
    options o;
    if (!parse(argc, argv, &o)) {
        fprintf(stderr,
                "usage: render SONG OUT [--float] [--mono] [--rate HZ] [--seconds S] [--raw]\n");
        return 2;
    }
    kavoxm_module* song = NULL;
    kavoxm_load_report report;
    int error = kavoxm_load_file(o.song, &song, &report);
    if (error != KAVOXM_OK) {
        fprintf(stderr, "render: %s: %s %s\n", o.song, kavoxm_error_string(error), report.reason);
        return 1;
    }
    const int to_stdout = !strcmp(o.out, "-");
    FILE* file = to_stdout ? stdout : fopen(o.out, "wb");
    long long bytes = -1;
    if (file && (o.raw || write_wav_header(file, &o, 0))) bytes = render(song, &o, file);
    if (bytes >= 0 && !o.raw &&
        (fseek(file, 0, SEEK_SET) != 0 || !write_wav_header(file, &o, (uint32_t)bytes)))
        bytes = -1;
    if (file && !to_stdout && fclose(file) != 0) bytes = -1;
    kavoxm_destroy(song);
    if (bytes < 0) fprintf(stderr, "render: cannot render %s to %s\n", o.song, o.out);
    return bytes < 0 ? 1 : 0;
}
