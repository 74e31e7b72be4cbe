/** @file
 * KavoXM C API: load a FastTracker 2 Extended Module (XM), render it into your own buffers at
 * any rate, measure it, seek in it, show what it plays.
 *
 *     kavoxm_module* song = NULL;
 *     if (kavoxm_load_file("song.xm", &song, NULL) != KAVOXM_OK) return 1;
 *     int16_t pcm[2 * 1024];
 *     while (kavoxm_render_s16(song, 48000, 2, pcm, 1024) > 0) { ...hand pcm to the device... }
 *     kavoxm_destroy(song);
 *
 * Threads: a handle is meant for one host thread (the control thread), and while kavoxm_play
 * runs, also for the library's audio thread. Every call may be made while the device plays and
 * acts on the same player the device hears. The audio thread never allocates and never blocks
 * on the device; it shares one lock with the calls, and every call holds that lock only for a
 * short copy or change (no call does long work under it: a seek by time runs on a player of its
 * own and then puts the state it reached in place at a block boundary; the song map and
 * durations are measured on players of their own). When a call holds the lock, the audio thread
 * plays on from the blocks already queued and tries again at its next look, and waits for the
 * lock only when less than one block is left to play. A change is made to the mixer at once
 * and heard after the frames already queued (kavoxm_latency_frames). Calls on one handle from
 * several host threads at once are safe: the long ones (seeks, song services, renders) take
 * turns, and each gives what it gives alone. Different handles are independent. The functions
 * without a handle (version, error strings) may be called from any thread.
 *
 * Errors: every function that can fail returns a kavoxm_error (negative) or, for the render
 * functions, a negative kavoxm_error in place of a frame count. A failed call changes nothing.
 * No function throws, aborts or exits on bad input.
 *
 * Text: names and the message come as the file has them (bytes, no encoding), or, with
 * KAVOXM_TEXT_UTF8, as UTF-8: valid UTF-8 stays, anything else is read in the file's code page,
 * and control characters are removed. The code page is Windows-1252 when the file's tracker
 * name contains "OpenMPT" or "ModPlug" (any case), and DOS code page 437 otherwise (FastTracker
 * 2, MilkyTracker and the other trackers write it).
 */
#ifndef KAVOXM_CAPI_KAVOXM_H
#define KAVOXM_CAPI_KAVOXM_H

#include <stddef.h>
#include <stdint.h>

/** The version of this header; kavoxm_version() gives the library's. */
#define KAVOXM_VERSION_MAJOR 0
#define KAVOXM_VERSION_MINOR 2 /**< see KAVOXM_VERSION_MAJOR */
#define KAVOXM_VERSION_PATCH 0 /**< see KAVOXM_VERSION_MAJOR */

/** KAVOXM_API marks the exported functions. Hosts linking the static library on Windows
 * define KAVOXM_STATIC (the CMake target and pkg-config do it for them); the shared library is
 * built with KAVOXM_BUILDING_SHARED. */
#if defined(_WIN32) && defined(KAVOXM_BUILDING_SHARED)
#define KAVOXM_API __declspec(dllexport)
#elif defined(_WIN32) && !defined(KAVOXM_STATIC)
#define KAVOXM_API __declspec(dllimport)
#elif defined(__GNUC__)
#define KAVOXM_API __attribute__((visibility("default")))
#else
#define KAVOXM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** A loaded song with its playback state. Opaque. */
typedef struct kavoxm_module kavoxm_module;

/** Results. 0 is success; every error is negative. */
typedef enum kavoxm_error {
    KAVOXM_OK = 0,
    KAVOXM_ERROR_INVALID_ARGUMENT = -1, /**< a null pointer, or a value out of its range */
    KAVOXM_ERROR_OUT_OF_MEMORY = -2,    /**< an allocation failed */
    KAVOXM_ERROR_READ = -3,             /**< the file or the read callback failed */
    KAVOXM_ERROR_NOT_XM = -4,           /**< the data is not an XM image (or another format) */
    KAVOXM_ERROR_TRUNCATED = -5,        /**< the image ends before its patterns do */
    KAVOXM_ERROR_TOO_LARGE = -6,        /**< larger than KAVOXM_MAX_FILE_BYTES */
    KAVOXM_ERROR_POSITION = -7,         /**< no such order, row, subsong or channel */
    KAVOXM_ERROR_NO_DEVICE = -8,        /**< no audio device could be opened */
    KAVOXM_ERROR_INTERNAL = -9,         /**< anything else */
    KAVOXM_ERROR_BUSY = -10             /**< not now: the handle is playing on the device */
} kavoxm_error;

/** The largest image the loaders read: 512 MiB. */
#define KAVOXM_MAX_FILE_BYTES ((size_t)512 << 20)

/** Sample rates accepted by the render functions, in frames a second. */
#define KAVOXM_MIN_RATE 8000
#define KAVOXM_MAX_RATE 192000 /**< see KAVOXM_MIN_RATE */

/** The version of the library in use, as MAJOR * 10000 + MINOR * 100 + PATCH. Errors: none. */
KAVOXM_API uint32_t kavoxm_version(void);
/** The same as "MAJOR.MINOR.PATCH". Static storage. Errors: none. */
KAVOXM_API const char* kavoxm_version_string(void);
/** A short English text for an error code ("out of memory"). Static storage; never NULL. */
KAVOXM_API const char* kavoxm_error_string(int error);

/** What the loader found beyond the song itself; filled by the load functions, also when they
 * fail (then `reason` says why in plain words, e.g. "file ends inside pattern 3 of 12"). */
typedef struct kavoxm_load_report {
    int32_t format_version;      /**< e.g. 0x0104 */
    int32_t patterns;            /**< as declared in the header */
    int32_t instruments;         /**< as declared in the header */
    int32_t sample_headers;      /**< sample headers read */
    int32_t missing_instruments; /**< declared instruments the image did not hold */
    char reason[128];            /**< empty after a successful load */
} kavoxm_load_report;

/** Loads an image from memory (copied; the caller keeps its buffer). On success `*out` is a new
 * handle, at the start of the first subsong. `report` may be NULL.
 * Errors: INVALID_ARGUMENT (data or out NULL), NOT_XM, TRUNCATED, TOO_LARGE, OUT_OF_MEMORY. */
KAVOXM_API int kavoxm_load_memory(const void* data, size_t size, kavoxm_module** out,
                                  kavoxm_load_report* report);
/** Loads an image from a file path (UTF-8 on Windows). Errors: as kavoxm_load_memory, and READ. */
KAVOXM_API int kavoxm_load_file(const char* path, kavoxm_module** out, kavoxm_load_report* report);

/** Caller-supplied reading. `read` is required: it returns the bytes read (0 at the end) or a
 * negative value on error. `seek` (whence 0 start, 1 current, 2 end; returns 0 on success) and
 * `size` (bytes, negative when unknown) are optional: NULL when the source cannot. */
typedef struct kavoxm_io {
    int64_t (*read)(void* user, void* buffer, size_t bytes); /**< required */
    int (*seek)(void* user, int64_t offset, int whence);     /**< optional (NULL) */
    int64_t (*size)(void* user);                             /**< optional (NULL) */
} kavoxm_io;
/** Loads an image read through `io`. Errors: as kavoxm_load_memory, and READ. */
KAVOXM_API int kavoxm_load_callbacks(const kavoxm_io* io, void* user, kavoxm_module** out,
                                     kavoxm_load_report* report);

/** Frees a handle (and stops its device playback). NULL is allowed. Errors: none. */
KAVOXM_API void kavoxm_destroy(kavoxm_module* module);

/* ---- Rendering ------------------------------------------------------------------------ */

/** Renders the next `frames` frames at `rate` (KAVOXM_MIN_RATE..KAVOXM_MAX_RATE; a new rate takes
 * effect from this call) as interleaved signed 16-bit samples, `channels` 1 (mono) or 2 (left,
 * right). Returns the frames written: fewer than asked exactly at the song's end (see
 * kavoxm_set_repeat), 0 after it; or a negative error: INVALID_ARGUMENT (module NULL, out NULL
 * with frames > 0, rate or channels out of range), BUSY (device playback running: the device
 * takes the frames), OUT_OF_MEMORY.
 * Frames already mixed at an earlier rate or channel count and not yet handed out are dropped
 * when either changes (at most 2,048). */
KAVOXM_API int64_t kavoxm_render_s16(kavoxm_module* module, int32_t rate, int32_t channels,
                                     int16_t* out, size_t frames);
/** The same as 32-bit float, full scale 1.0: the mix itself, not the 16-bit result divided;
 * never clipped. Errors: as kavoxm_render_s16. */
KAVOXM_API int64_t kavoxm_render_float(kavoxm_module* module, int32_t rate, int32_t channels,
                                       float* out, size_t frames);
/** The same as the engine's 32-bit mix (16-bit full scale x 4096), for hosts with their own
 * sample conversion. Errors: as kavoxm_render_s16. */
KAVOXM_API int64_t kavoxm_render_mix(kavoxm_module* module, int32_t rate, int32_t channels,
                                     int32_t* out, size_t frames);

/** How many times the song plays after its first pass: 0 (the default) stops at its end, n plays
 * n more passes, -1 forever. Errors: INVALID_ARGUMENT (below -1). */
KAVOXM_API int kavoxm_set_repeat(kavoxm_module* module, int32_t count);

/** Interpolation of the mixer, for kavoxm_set_interpolation. */
typedef enum kavoxm_interpolation {
    KAVOXM_INTERPOLATION_NEAREST = 0,
    KAVOXM_INTERPOLATION_LINEAR = 1,
    KAVOXM_INTERPOLATION_SPLINE = 2 /**< four-point cubic spline (the default) */
} kavoxm_interpolation;
/** Sets the interpolation (a kavoxm_interpolation) from the next frame mixed.
 * Errors for every setter: INVALID_ARGUMENT (module NULL, value out of range). Every setter
 * also acts while the device plays. */
KAVOXM_API int kavoxm_set_interpolation(kavoxm_module* module, int32_t interpolation);
/** Master volume 0..256 (128 the default), from the next tick. Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_set_master_volume(kavoxm_module* module, int32_t volume);
/** Stereo separation in percent of the side signal, 0 (mono) ..200; 100 (the default) keeps the
 * song's own panning. Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_set_stereo_separation(kavoxm_module* module, int32_t percent);
/** Gain after mixing in dB, -60..24 (0 the default). Errors: INVALID_ARGUMENT (also for a value
 * that is not finite). */
KAVOXM_API int kavoxm_set_gain_db(kavoxm_module* module, double decibels);
/** Tempo factor 0.25..4.0 (1.0 the default): ticks come that many times as fast, from the next
 * tick; the pitch stays. Held in steps of 1/65536; at 1.0 the output is unchanged to the byte.
 * Errors: INVALID_ARGUMENT (also for a value that is not finite). */
KAVOXM_API int kavoxm_set_tempo_factor(kavoxm_module* module, double factor);
/** Pitch factor 0.25..4.0 (1.0 the default; 2.0 an octave up; semitones s: 2^(s/12)): every
 * voice steps through its sample that many times as fast, from the next tick; the tempo stays.
 * Held in steps of 1/65536; at 1.0 the output is unchanged to the byte.
 * Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_set_pitch_factor(kavoxm_module* module, double factor);
/** 16-bit output saturates (1, the default) or wraps (0). Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_set_clip(kavoxm_module* module, int32_t clip);

/* ---- Song services -------------------------------------------------------------------- */

/** Subsongs: tunes sharing the order list; the first starts at order 0. Measuring them runs the
 * sequencer alone (no mixing), bounded by work, once per handle (the first call that needs it).
 * Returns the number of subsongs (0 when none could be measured), or a negative error:
 * INVALID_ARGUMENT (module NULL), OUT_OF_MEMORY. */
KAVOXM_API int32_t kavoxm_subsong_count(kavoxm_module* module);

/** One subsong: where it starts and how long it plays. */
typedef struct kavoxm_subsong {
    int32_t start_order; /**< order entry it starts at */
    int32_t ends;        /**< 1: it ends, `seconds` is its length; 0: it plays past the cap
                              (one hour) or could not be measured, `seconds` is how far it got */
    double seconds;      /**< its length at the tempo factor set now, or how far the
                              measurement got */
} kavoxm_subsong;
/** Errors: INVALID_ARGUMENT, POSITION (no such subsong). */
KAVOXM_API int kavoxm_get_subsong(kavoxm_module* module, int32_t index, kavoxm_subsong* out);
/** Starts subsong `index` (0-based) from its beginning. Errors: INVALID_ARGUMENT, POSITION. */
KAVOXM_API int kavoxm_select_subsong(kavoxm_module* module, int32_t index);
/** Length in seconds of one pass of the selected subsong (how far the measurement got when it
 * does not end within the cap), measured at 44100 Hz and the tempo factor set now; negative on
 * error (INVALID_ARGUMENT). */
KAVOXM_API double kavoxm_duration(kavoxm_module* module);
/** Length in frames at `rate` (KAVOXM_MIN_RATE..KAVOXM_MAX_RATE) of one pass of the selected
 * subsong at the tempo factor set now: exactly the frames a render at that rate and factor
 * gives from the subsong's start to its end
 * (ticks are whole frames, so the length in seconds differs a little from rate to rate). For a
 * subsong that does not end within the cap, or whose measurement ran out of work, the frames
 * measured. The last answer is kept. Negative on error: INVALID_ARGUMENT (module NULL, rate out
 * of range), OUT_OF_MEMORY. */
KAVOXM_API int64_t kavoxm_duration_frames(kavoxm_module* module, int32_t rate);

/** Starts the song afresh at `order` (entry in the order list) and `row`: every channel as
 * after loading, the song's initial speed and tempo, a new pass. The song time becomes the time
 * at which the song (or the subsong that reaches the order first) first reaches that order at
 * the tempo factor set now, and that subsong becomes the selected one. At a factor other than
 * 1.0 the subsongs are measured again (the last factor's measurement is kept). Errors: INVALID_ARGUMENT (module NULL), POSITION. */
KAVOXM_API int kavoxm_seek_order(kavoxm_module* module, int32_t order, int32_t row);
/** Moves to song time `seconds` of the selected subsong: playback continues from the tick that
 * holds that time, as a render from the start would play it (past the end: at the end; with
 * repeats, through them; never further than an hour a pass), at the tempo factor set now.
 * Mixing on from there gives the render from the start's values from that tick's first frame
 * on. A song that repeats itself is played through once; a seek into a later pass starts from
 * the same place of the pass it repeats, so far seeks cost no more than near ones. The work of
 * one seek is bounded (about a second on any song): on a song too costly to play through that
 * far, the seek stops where its work ran out, the same place every time, and the state tells
 * where (a shorter song time than asked).
 * Errors: INVALID_ARGUMENT (module NULL, negative or not a number). */
KAVOXM_API int kavoxm_seek_seconds(kavoxm_module* module, double seconds);

/* ---- State for displays (cheap: read it every audio block) ------------------------------ */

/** Where the song stands, for a display. */
typedef struct kavoxm_state {
    int32_t order;         /**< order entry playing */
    int32_t pattern;       /**< its pattern */
    int32_t row;           /**< row playing */
    int32_t rows;          /**< rows of that pattern */
    int32_t speed;         /**< ticks per row */
    int32_t tempo;         /**< beats per minute */
    int32_t global_volume; /**< 0..64 */
    int32_t pass;          /**< completed passes through the song */
    int32_t channels;      /**< pattern channels of the song */
    int32_t ended;         /**< 1 once the render functions have reached the end */
    double seconds;        /**< song time at the last frame rendered */
} kavoxm_state;
/** Fills `out` with the state of what is heard. Offline: where the mixer stands (at most one
 * block of 2,048 frames ahead of the last frame handed out; `seconds` is exact). While the device
 * plays (or after kavoxm_stop, until the position moves): the state of the frame the device is
 * playing now, from its played position: `seconds` to the frame, order, row, speed and tempo as
 * the mixer stood when that device block was rendered (up to 2,048 frames ahead of its first
 * frame). Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_get_state(kavoxm_module* module, kavoxm_state* out);
/** Fills `out` with the state where the mixer stands, also while the device plays (it is then
 * kavoxm_latency_frames ahead of what is heard). Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_get_mixer_state(kavoxm_module* module, kavoxm_state* out);

/** What one channel plays, for a display. */
typedef struct kavoxm_channel_state {
    int32_t note;       /**< 1..96 (C-0..B-7) of the sounding voice, 0 when silent */
    int32_t instrument; /**< 1..255, 0 when silent */
    int32_t volume;     /**< 0..64 */
    int32_t panning;    /**< 0..255, 128 the centre */
    float level;        /**< the larger of its kavoxm_get_channel_levels, 0..1 */
} kavoxm_channel_state;
/** Fills up to `count` entries for channels 0.. and returns how many were filled (the song's
 * channel count at most), or a negative error: INVALID_ARGUMENT (module NULL, out NULL with
 * count > 0, count negative). The level is as kavoxm_get_channel_levels gives it. */
KAVOXM_API int32_t kavoxm_get_channel_states(kavoxm_module* module, kavoxm_channel_state* out,
                                             int32_t count);

/** Channel meters: for channels 0.. (up to `count`, the song's channel count at most), the peak
 * of what the channel (its voice and the background voices it left behind) added to the mix,
 * left and right, 1.0 for 16-bit full scale, before gain and stereo separation. The window is
 * one mixing block (2,048 frames at most): offline the block that holds the last frame handed
 * out, while the device plays the block being heard. Measuring changes no output value.
 * Returns the channels filled, or a negative error: INVALID_ARGUMENT (module NULL, left or right
 * NULL with count > 0, count negative). */
KAVOXM_API int32_t kavoxm_get_channel_levels(kavoxm_module* module, float* left, float* right,
                                             int32_t count);

/** A pattern cell as stored: note 0 none, 1..96, 97 key off; instrument 0 none; volume column,
 * effect and parameter bytes. */
typedef struct kavoxm_cell {
    uint8_t note;       /**< 0 none, 1..96, 97 key off */
    uint8_t instrument; /**< 0 none, 1..255 */
    uint8_t volume;     /**< the volume column byte */
    uint8_t effect;     /**< effect number */
    uint8_t parameter;  /**< effect parameter */
} kavoxm_cell;
/** Number of rows of pattern `pattern`, or a negative error (INVALID_ARGUMENT, POSITION). */
KAVOXM_API int32_t kavoxm_pattern_rows(kavoxm_module* module, int32_t pattern);
/** Reads one cell. Errors: INVALID_ARGUMENT, POSITION. */
KAVOXM_API int kavoxm_get_cell(kavoxm_module* module, int32_t pattern, int32_t row, int32_t channel,
                               kavoxm_cell* out);
/** The pattern at `order`, or a negative error (INVALID_ARGUMENT, POSITION). */
KAVOXM_API int32_t kavoxm_order_pattern(kavoxm_module* module, int32_t order);

/** Mutes (1) or unmutes (0) a channel from its next tick; a muted channel sounds as if its cells
 * held no notes, but its effects on the song (speed, jumps, global volume) still act. Muting
 * cuts the channel's voice and the background voices it left behind; frames the render
 * functions mixed ahead (under one block of 2,048) still hold it. Mute and volume hold over
 * seeks. Errors: INVALID_ARGUMENT (module NULL, mute not 0 or 1), POSITION (no such channel). */
KAVOXM_API int kavoxm_set_channel_mute(kavoxm_module* module, int32_t channel, int32_t mute);
/** Scales a channel's volume from its next tick: 0..256, 256 unchanged (the default).
 * Errors: INVALID_ARGUMENT, POSITION. */
KAVOXM_API int kavoxm_set_channel_volume(kavoxm_module* module, int32_t channel, int32_t volume);

/* ---- Metadata ------------------------------------------------------------------------- */

/** What the file holds. */
typedef struct kavoxm_info {
    int32_t format_version;     /**< e.g. 0x0104 */
    int32_t channels;           /**< pattern channels */
    int32_t patterns;           /**< patterns stored */
    int32_t instruments;        /**< highest instrument number in use */
    int32_t samples;            /**< samples over all instruments */
    int32_t orders;             /**< entries of the order list */
    int32_t restart_order;      /**< order entry the song restarts at after its end */
    int32_t linear_frequencies; /**< 1 linear, 0 Amiga periods */
    int32_t initial_speed;      /**< ticks per row at the start */
    int32_t initial_tempo;      /**< beats per minute at the start */
} kavoxm_info;
/** Fills `out` with the song's counts and settings. Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_get_info(kavoxm_module* module, kavoxm_info* out);

/** The texts kavoxm_get_text reads. */
typedef enum kavoxm_text_kind {
    KAVOXM_TEXT_TITLE = 0,
    KAVOXM_TEXT_TRACKER = 1,
    KAVOXM_TEXT_MESSAGE = 2,
    KAVOXM_TEXT_INSTRUMENT = 3, /**< index: instrument number 1..255 */
    KAVOXM_TEXT_SAMPLE = 4,     /**< index: instrument number x 256 + sample 0..15 */
    KAVOXM_TEXT_CHANNEL = 5     /**< index: channel 0.. (names from the file, if any) */
} kavoxm_text_kind;
/** kavoxm_get_text flag: the bytes as the file has them. */
#define KAVOXM_TEXT_RAW 0
/** kavoxm_get_text flag: UTF-8, control characters removed. */
#define KAVOXM_TEXT_UTF8 1
/** Copies a text, NUL-terminated and cut to fit, into `buffer` of `size` bytes (buffer may be
 * NULL when size is 0) and returns the length of the whole text without the NUL, as snprintf
 * does; or a negative error (INVALID_ARGUMENT, POSITION). */
KAVOXM_API int64_t kavoxm_get_text(kavoxm_module* module, int32_t kind, int32_t index,
                                   int32_t flags, char* buffer, size_t size);

/* ---- Music that follows a game: queued jumps, events, sound effects, fades ------------------ */

/** When a queued jump is taken: at the end of a row. */
typedef enum kavoxm_jump_when {
    KAVOXM_JUMP_NEXT_ROW = 0,    /**< the end of the row the mixer plays */
    KAVOXM_JUMP_ROWS = 1,        /**< the end of a group of `rows` rows counted from the pattern's
                                      row 0 (a beat or a bar), or of the pattern */
    KAVOXM_JUMP_PATTERN_END = 2, /**< the end of the pattern (its last row, or a row whose own
                                      position jump or pattern break leaves it) */
    KAVOXM_JUMP_SONG_END = 3     /**< the row after which the song would end its pass */
} kavoxm_jump_when;
/** Queues a jump to `order` and `row`, taken at the end of the row `when` names (`rows`, 1..256,
 * counts for KAVOXM_JUMP_ROWS only), counted from where the mixer stands (up to one block of
 * 2,048 frames ahead of the frames handed out; while the device plays, kavoxm_latency_frames
 * more ahead of what is heard, see kavoxm_heard_frame). It acts exactly as a position jump to `order`
 * and a pattern break to `row` written in that row after every channel's own effects: it
 * overrides the row's own jumps and pattern loops, voices sound on, and, like those effects, a
 * jump back to a row already played ends the song's pass (use kavoxm_set_repeat(-1) to play
 * on). Replaces a jump already queued; seeks and subsong choice clear it.
 * Errors: INVALID_ARGUMENT (module NULL, `when` or `rows` out of range), POSITION (no such order, or no such row in its pattern). */
KAVOXM_API int kavoxm_queue_jump(kavoxm_module* module, int32_t order, int32_t row, int32_t when,
                                 int32_t rows);
/** Drops the queued jump (nothing when none is queued). Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_cancel_jump(kavoxm_module* module);
/** A queued jump, as kavoxm_get_jump reports it. */
typedef struct kavoxm_jump {
    int32_t pending; /**< 1 while queued; 0 once taken, cancelled or cleared */
    int32_t order;   /**< target order entry */
    int32_t row;     /**< target row */
    int32_t when;    /**< a kavoxm_jump_when */
    int32_t rows;    /**< group length of KAVOXM_JUMP_ROWS */
} kavoxm_jump;
/** Fills `out` with the jump queued (pending 0 when none). Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_get_jump(kavoxm_module* module, kavoxm_jump* out);

/** What an event reports; a, b and c of kavoxm_event as listed. */
typedef enum kavoxm_event_type {
    KAVOXM_EVENT_ROW = 1,        /**< a row begins: a order, b pattern, c row */
    KAVOXM_EVENT_ORDER = 2,      /**< an order entry begins (before its first row's event) */
    KAVOXM_EVENT_LOOP_JUMP = 3,  /**< a pattern loop jumped back: the row it landed on */
    KAVOXM_EVENT_JUMP_TAKEN = 4, /**< the queued jump landed: the row it landed on */
    KAVOXM_EVENT_SONG_END = 5,   /**< a pass through the song ended: a completed passes */
    KAVOXM_EVENT_NOTE = 6,       /**< a note starts: a channel, b note 1..96, c instrument */
    KAVOXM_EVENT_FADE_END = 7,   /**< a fade arrived: a channel (-1 master), b its volume */
    KAVOXM_EVENT_EFFECT_END = 8  /**< a sound effect fell silent or was stopped: a its id */
} kavoxm_event_type;
/** One event. The rendered stream's frames are counted from 0 at loading and go on across
 * seeks; a row event's frame is its first tick's first frame (offline, the frame `kavoxm trace`
 * prints for the row, counted from the start). */
typedef struct kavoxm_event {
    int32_t type;  /**< a kavoxm_event_type */
    int32_t a;     /**< see kavoxm_event_type */
    int32_t b;     /**< see kavoxm_event_type */
    int32_t c;     /**< see kavoxm_event_type */
    int64_t frame; /**< frame of the stream it begins on */
    /** The frame's place in the last render call: 0 for that call's first frame; negative for
     * an event of an earlier call not read then. */
    int64_t offset;
} kavoxm_event;
/** Moves up to `count` of the oldest events whose frames have been rendered into `out`, in
 * frame order, and returns how many. Events wait in a queue of 4,096 allocated with the
 * handle; an event that finds it full is dropped and counted (kavoxm_events_lost). The song end
 * that stops a render is readable once that render returned. Events of frames mixed ahead and
 * dropped (a seek, a new rate) go with them.
 * Errors: INVALID_ARGUMENT (module NULL, out NULL with count > 0, count negative). */
KAVOXM_API int32_t kavoxm_read_events(kavoxm_module* module, kavoxm_event* out, int32_t count);
/** The stream frame being heard now, on the count of kavoxm_event.frame: an event is heard
 * once this passes its frame. Offline, the frames handed out so far. While the device plays or
 * is paused, the device's played position on that count: the mixer (and with it the events)
 * runs up to kavoxm_latency_frames ahead. After kavoxm_stop, the frame heard when it stopped;
 * the next kavoxm_play plays on from there. It never decreases; seeks keep the count going.
 * Live controls, queued jumps included, act on the mixer: they are heard
 * kavoxm_latency_frames later, and a queued jump counts its rows from where the mixer stands.
 * Errors: INVALID_ARGUMENT (module NULL). */
KAVOXM_API int64_t kavoxm_heard_frame(kavoxm_module* module);
/** Events dropped because the queue was full, since loading. Errors: INVALID_ARGUMENT. */
KAVOXM_API int64_t kavoxm_events_lost(kavoxm_module* module);
/** Records only the kinds whose bit (1 << (type - 1)) is set in `mask` (all by default; 0 none),
 * from the next frame mixed. Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_set_event_mask(kavoxm_module* module, uint32_t mask);

/** Voices for sound effects, beyond the song's channels. */
#define KAVOXM_EFFECT_VOICES 32
/** Plays `note` (1..96) of the song's instrument `instrument` (1..255) as a sound effect, with
 * `volume` 0..64 and `panning` 0..255 (-1 for either: the sample's own), from the next tick, on
 * a voice of its own: it never takes a song channel. The voice plays as a song channel reading
 * that note with the volume in its volume column and 8xx panning would: envelopes, fade-out and
 * auto-vibrato, scaled by the master and global volume, mixed with the song. When all
 * KAVOXM_EFFECT_VOICES voices sound, the one started longest ago is taken (it fades out, without
 * an end event). Returns the effect's id (> 0) or a negative error: INVALID_ARGUMENT (module
 * NULL, a value out of range), POSITION (no such instrument). */
KAVOXM_API int32_t kavoxm_effect_play(kavoxm_module* module, int32_t instrument, int32_t note,
                                      int32_t volume, int32_t panning);
/** Releases the effect's note from the next tick, as a key-off does (envelope release and
 * fade-out; silence at once for an instrument without a volume envelope). Errors:
 * INVALID_ARGUMENT, POSITION (the id names no sounding effect). */
KAVOXM_API int kavoxm_effect_release(kavoxm_module* module, int32_t id);
/** Stops the effect at the next tick with the short fade of a cut note. Errors: as
 * kavoxm_effect_release. */
KAVOXM_API int kavoxm_effect_stop(kavoxm_module* module, int32_t id);

/** Ramps channel `channel`'s volume (as kavoxm_set_channel_volume, 0..256) from where it stands
 * to `volume` over `seconds` (0..3600; 0: at the next tick), a step every tick, each step
 * smoothed by the mixer's gain ramp. The end is reported as a KAVOXM_EVENT_FADE_END event.
 * Replaces a fade running on the channel; kavoxm_set_channel_volume ends it.
 * Errors: INVALID_ARGUMENT (module NULL, a value out of range),
 * POSITION (no such channel). */
KAVOXM_API int kavoxm_fade_channel(kavoxm_module* module, int32_t channel, int32_t volume,
                                   double seconds);
/** The same for the master volume (0..256, as kavoxm_set_master_volume); the event's channel
 * is -1. Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_fade_master(kavoxm_module* module, int32_t volume, double seconds);

/* ---- Real-time playback on the default audio device --------------------------------------- */

/** Device format of kavoxm_play: rate 0 (44,100 Hz) or KAVOXM_MIN_RATE..KAVOXM_MAX_RATE;
 * frames per device block 0 (1,024) or KAVOXM_MIN_DEVICE_BLOCK..KAVOXM_MAX_DEVICE_BLOCK; blocks
 * queued 0 (4) or 2..KAVOXM_MAX_DEVICE_BLOCKS. The device plays at most block_frames x blocks
 * frames behind the mixer. Takes effect at the next kavoxm_play.
 * Errors: INVALID_ARGUMENT, BUSY (the device plays or is paused: stop it first). */
KAVOXM_API int kavoxm_set_device_format(kavoxm_module* module, int32_t rate, int32_t block_frames,
                                        int32_t blocks);
#define KAVOXM_MIN_DEVICE_BLOCK 64    /**< see kavoxm_set_device_format */
#define KAVOXM_MAX_DEVICE_BLOCK 16384 /**< see kavoxm_set_device_format */
#define KAVOXM_MAX_DEVICE_BLOCKS 32   /**< see kavoxm_set_device_format */
/** Frames between the mixer and what is heard, at the device rate: while the device plays, the
 * frames queued with it and not yet played now; otherwise the most the device format queues
 * (block_frames x blocks). Add the system's own output latency, which the library cannot see.
 * Errors: INVALID_ARGUMENT. */
KAVOXM_API int64_t kavoxm_latency_frames(kavoxm_module* module);

/** Plays the song through the platform's default audio device from the library's audio thread,
 * in the device format (kavoxm_set_device_format), 16-bit stereo, from where the handle
 * stands, with all of its settings: the device receives exactly what kavoxm_render_s16 would
 * give at that rate, block by block, with every change made meanwhile at the frame it was made.
 * After kavoxm_stop it first plays the frames the device had not played (nothing is heard twice
 * or skipped) unless the position was moved or rendered meanwhile. Playing already: nothing
 * happens (resumes when paused). A handle at the song's end (a render or a seek reached it)
 * plays as the render functions do there: OK, nothing is heard and kavoxm_is_playing is 0 at
 * once; seek first to hear it again. Errors: INVALID_ARGUMENT, NO_DEVICE, OUT_OF_MEMORY. */
KAVOXM_API int kavoxm_play(kavoxm_module* module);
/** Pauses device playback at once, keeping everything queued; kavoxm_resume plays on from the
 * same frame, so the device receives one uninterrupted render. Errors: INVALID_ARGUMENT, BUSY
 * (the device is not playing). Pausing a paused handle, or resuming a playing one, is OK. */
KAVOXM_API int kavoxm_pause(kavoxm_module* module);
/** Plays on after kavoxm_pause from the frame where it paused. Errors: INVALID_ARGUMENT, BUSY
 * (the device is not playing). */
KAVOXM_API int kavoxm_resume(kavoxm_module* module);
/** 1 while device playback runs or is paused and has not played the song's end (see
 * kavoxm_set_repeat), else 0 (also for NULL). Errors: none. */
KAVOXM_API int32_t kavoxm_is_playing(kavoxm_module* module);
/** 1 while device playback is paused, else 0 (also for NULL). Errors: none. */
KAVOXM_API int32_t kavoxm_is_paused(kavoxm_module* module);
/** Stops device playback (nothing when it does not play) and closes the device; the frames it
 * had not played are kept for the next kavoxm_play. Errors: INVALID_ARGUMENT. */
KAVOXM_API int kavoxm_stop(kavoxm_module* module);

#ifdef __cplusplus
}
#endif

#endif
