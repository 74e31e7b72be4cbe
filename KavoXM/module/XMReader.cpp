// Reading primitive and text fields of the XM reader.
#include "KavoXM/module/XMReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace kavoxm::xm {

std::string FieldText(const uint8_t* field, int32_t size) {
    int32_t n = 0;
    while (n < size && field[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(field), size_t(n));
}

std::string TrimmedText(const uint8_t* field, int32_t size) {
    std::string text = FieldText(field, size);
    size_t first = 0;
    size_t last = text.size();
    while (first < last && uint8_t(text[first]) <= 32) ++first;
    while (last > first && uint8_t(text[last - 1]) <= 32) --last;
    return text.substr(first, last - first);
}

int64_t TLoadContext::ReadBytes(void* destination, int64_t n) {
    if (n <= 0) return 0;
    const int64_t available = Remaining();
    const int64_t copied = available < n ? available : n;
    auto* out = static_cast<uint8_t*>(destination);
    if (copied < n) std::memset(out, 0, size_t(n));
    if (copied > 0) std::memcpy(out, Image + Position, size_t(copied));
    Position += copied;
    return copied;
}

void TLoadContext::Refuse(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(RefusalReason, sizeof RefusalReason, format, arguments);
    va_end(arguments);
}

} // namespace kavoxm::xm
