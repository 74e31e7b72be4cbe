#include "WavFile.h"

#include "MMSystem/Console.h"

#include <cerrno>
#include <cstring>

namespace {
// WAV sizes are 32-bit: a longer render is written with sizes saturated at the limit.
constexpr uint64_t MaxDataBytes = 0xFFFFFFFFu - 36;

void Put16(uint8_t*& p, uint32_t v) {
    *p++ = uint8_t(v);
    *p++ = uint8_t(v >> 8);
}
void Put32(uint8_t*& p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p, v >> 16);
}
} // namespace

PcmSink::~PcmSink() {
    if (file != nullptr && !raw) std::fclose(file);
}

bool PcmSink::Open(const std::string& target, int32_t sampleRate, int32_t channelCount,
                   int32_t sampleBits, std::string& error) {
    path = target;
    rate = sampleRate;
    channels = channelCount;
    bits = sampleBits;
    raw = target == "-";
    if (raw) SetBinaryMode(stdout); // raw PCM must reach stdout unchanged
    file = raw ? stdout : std::fopen(target.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        return false;
    }
    if (!raw) {
        buffer.resize(size_t(1) << 20);
        std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
    }
    if (!raw && !WriteHeader()) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool PcmSink::WriteHeader() {
    uint8_t header[44];
    uint8_t* p = header;
    const uint32_t data = uint32_t(dataBytes > MaxDataBytes ? MaxDataBytes : dataBytes);
    const uint32_t align = uint32_t(channels * bits / 8);
    std::memcpy(p, "RIFF", 4);
    p += 4;
    Put32(p, 36 + data);
    std::memcpy(p, "WAVEfmt ", 8);
    p += 8;
    Put32(p, 16);
    Put16(p, 1); // PCM
    Put16(p, uint32_t(channels));
    Put32(p, uint32_t(rate));
    Put32(p, uint32_t(rate) * align);
    Put16(p, align);
    Put16(p, uint32_t(bits));
    std::memcpy(p, "data", 4);
    p += 4;
    Put32(p, data);
    return std::fwrite(header, 1, sizeof header, file) == sizeof header;
}

bool PcmSink::Write(const void* data, size_t bytes) {
    dataBytes += bytes;
    return std::fwrite(data, 1, bytes, file) == bytes;
}

bool PcmSink::Close(std::string& error) {
    if (file == nullptr) return true;
    bool ok = true;
    if (raw) {
        ok = std::fflush(file) == 0;
    } else {
        ok = std::fseek(file, 0, SEEK_SET) == 0 && WriteHeader();
        ok = std::fclose(file) == 0 && ok;
    }
    file = nullptr;
    if (!ok) error = "cannot write " + path + ": " + std::strerror(errno);
    return ok;
}
