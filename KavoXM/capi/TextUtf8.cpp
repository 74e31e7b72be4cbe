#include "KavoXM/capi/TextUtf8.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

// Length of the valid UTF-8 sequence at `at`, or 0: no overlong forms, no surrogates, nothing
// above U+10FFFF.
size_t SequenceLength(std::string_view s, size_t at) {
    const auto b0 = uint8_t(s[at]);
    if (b0 < 0x80) return 1;
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF; // range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > s.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto b = uint8_t(s[at + i]);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

bool ValidUtf8(std::string_view s) {
    for (size_t at = 0; at < s.size();) {
        const size_t n = SequenceLength(s, at);
        if (n == 0) return false;
        at += n;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool Control(uint8_t b) {
    return b < 0x20 || b == 0x7F;
}

// Appends one byte or sequence unless it is a control character; handles line breaks.
class Writer {
  public:
    explicit Writer(bool keepLineBreaks) : keep_(keepLineBreaks) {}
    void Ascii(uint8_t b) {
        const bool afterCr = std::exchange(afterCr_, b == '\r');
        if (keep_ && (b == '\r' || (b == '\n' && !afterCr))) out_ += '\n';
        if (!Control(b)) out_ += char(b);
    }
    void Other(std::string_view sequence) {
        afterCr_ = false;
        // U+0080..U+009F (C1 controls) are C2 80..C2 9F.
        if (uint8_t(sequence[0]) == 0xC2 && uint8_t(sequence[1]) < 0xA0) return;
        out_ += sequence;
    }
    void CodePoint(uint32_t cp) {
        afterCr_ = false;
        if (cp != 0) AppendUtf8(out_, cp);
    }
    std::string Take() { return std::move(out_); }

  private:
    bool keep_;
    bool afterCr_ = false;
    std::string out_;
};

} // namespace

std::string TextUtf8(std::string_view bytes, TKavoXMCodePage page, bool keepLineBreaks) {
    Writer writer(keepLineBreaks);
    if (ValidUtf8(bytes)) {
        for (size_t at = 0; at < bytes.size();) {
            const size_t n = SequenceLength(bytes, at);
            if (n == 1)
                writer.Ascii(uint8_t(bytes[at]));
            else
                writer.Other(bytes.substr(at, n));
            at += n;
        }
        return writer.Take();
    }
    for (const char c : bytes) {
        const auto b = uint8_t(c);
        if (b < 0x80)
            writer.Ascii(b);
        else
            writer.CodePoint(HighCodePoint(page, b));
    }
    return writer.Take();
}
