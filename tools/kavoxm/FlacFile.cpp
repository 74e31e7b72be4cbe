#include "FlacFile.h"

#include <cctype>

#if KAVOXM_HAVE_FLAC
#include <FLAC/stream_encoder.h>
#include <sys/types.h>
#endif

bool IsFlacName(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos)
        return false;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == "flac";
}

#if KAVOXM_HAVE_FLAC

namespace {

FLAC__StreamEncoderWriteStatus WriteBytes(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                          size_t bytes, uint32_t, uint32_t, void* file) {
    return std::fwrite(buffer, 1, bytes, static_cast<std::FILE*>(file)) == bytes
               ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
               : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus SeekTo(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* file) {
    return fseeko(static_cast<std::FILE*>(file), off_t(offset), SEEK_SET) == 0
               ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
               : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* file) {
    const off_t at = ftello(static_cast<std::FILE*>(file));
    if (at < 0) return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    *offset = FLAC__uint64(at);
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

// One little-endian sample of `bytes` bytes as a signed value (8-bit PCM is unsigned).
FLAC__int32 Sample(const uint8_t* p, int32_t bytes) {
    switch (bytes) {
    case 1:
        return FLAC__int32(p[0]) - 128;
    case 2:
        return FLAC__int32(int16_t(uint16_t(p[0] | p[1] << 8)));
    default: {
        const uint32_t value = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        return FLAC__int32(value ^ 0x800000u) - 0x800000;
    }
    }
}

} // namespace

struct FlacEncoder::State {
    FLAC__StreamEncoder* encoder = nullptr;
    int32_t channels = 0, bytes = 0;
    std::vector<FLAC__int32> samples;
    ~State() {
        if (encoder != nullptr) FLAC__stream_encoder_delete(encoder);
    }
};

bool FlacAvailable() {
    return true;
}

FlacEncoder::FlacEncoder() : state(std::make_unique<State>()) {}
FlacEncoder::~FlacEncoder() = default;

bool FlacEncoder::Start(std::FILE* file, int32_t rate, int32_t channels, SampleFormat format,
                        std::string& error) {
    if (format == SampleFormat::F32) {
        error = "FLAC holds integer samples: use --bits 8, 16 or 24, or a .wav file for 32f";
        return false;
    }
    State& s = *state;
    s.encoder = FLAC__stream_encoder_new();
    s.channels = channels;
    s.bytes = BytesPerSample(format);
    bool ok = s.encoder != nullptr;
    ok = ok && FLAC__stream_encoder_set_channels(s.encoder, uint32_t(channels));
    ok = ok && FLAC__stream_encoder_set_bits_per_sample(s.encoder, uint32_t(s.bytes * 8));
    ok = ok && FLAC__stream_encoder_set_sample_rate(s.encoder, uint32_t(rate));
    ok = ok && FLAC__stream_encoder_set_compression_level(s.encoder, 5);
    ok = ok && FLAC__stream_encoder_init_stream(s.encoder, WriteBytes, SeekTo, Tell, nullptr,
                                                file) == FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    if (!ok) error = "the FLAC encoder does not take this format";
    return ok;
}

bool FlacEncoder::Write(const void* pcm, size_t bytes) {
    State& s = *state;
    const size_t count = bytes / size_t(s.bytes);
    s.samples.resize(count);
    const auto* p = static_cast<const uint8_t*>(pcm);
    for (size_t i = 0; i < count; ++i) s.samples[i] = Sample(p + i * size_t(s.bytes), s.bytes);
    return FLAC__stream_encoder_process_interleaved(s.encoder, s.samples.data(),
                                                    uint32_t(count / size_t(s.channels))) != 0;
}

bool FlacEncoder::Finish() {
    return FLAC__stream_encoder_finish(state->encoder) != 0;
}

#else

struct FlacEncoder::State {};

bool FlacAvailable() {
    return false;
}

FlacEncoder::FlacEncoder() = default;
FlacEncoder::~FlacEncoder() = default;

bool FlacEncoder::Start(std::FILE*, int32_t, int32_t, SampleFormat, std::string& error) {
    error = "this build of kavoxm writes no FLAC (name the output .wav)";
    return false;
}

bool FlacEncoder::Write(const void*, size_t) {
    return false;
}

bool FlacEncoder::Finish() {
    return false;
}

#endif
