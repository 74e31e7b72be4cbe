#include "KavoXM/module/Stream.h"

#include <cstdlib>
#include <cstring>
#include <new>

TKavoXMStream::~TKavoXMStream() {
    Clear();
}

void TKavoXMStream::Clear() {
    std::free(Memory);
    Memory = nullptr;
    Position = 0;
    Size = 0;
    Capacity = 0;
}

void TKavoXMStream::SetCapacity(int32_t capacity) {
    int64_t n = capacity > 0 ? ((int64_t(capacity) + 65535) & ~int64_t(65535)) : 0;
    if (n > INT32_MAX) n = INT32_MAX & ~int32_t(65535);
    if (n == Capacity) return;
    const int32_t oldCapacity = Capacity;
    if (n == 0) {
        std::free(Memory);
        Memory = nullptr;
    } else {
        auto* grown = static_cast<uint8_t*>(std::realloc(Memory, size_t(n)));
#if defined(__cpp_exceptions)
        if (grown == nullptr) throw std::bad_alloc();
#else
        if (grown == nullptr) std::abort(); // built without exceptions: where others throw
#endif
        Memory = grown;
        if (n > oldCapacity) std::memset(Memory + oldCapacity, 0, size_t(n - oldCapacity));
    }
    Capacity = int32_t(n);
}

void TKavoXMStream::SetSize(int32_t size) {
    if (size < 0) size = 0;
    Size = size;
    if (size < Position) Position = size;
    SetCapacity(size);
}

int32_t TKavoXMStream::Read(void* buffer, int32_t count) {
    if (Position < 0 || count <= 0) return 0;
    const int32_t available = Size - Position;
    if (available <= 0) return 0;
    const int32_t n = count < available ? count : available;
    std::memcpy(buffer, Memory + Position, size_t(n));
    Position += n;
    return n;
}

int32_t TKavoXMStream::ReadAt(int32_t position, void* buffer, int32_t count) {
    if (Seek(position) != position) return 0;
    return Read(buffer, count);
}

int32_t TKavoXMStream::Write(const void* buffer, int32_t count) {
    if (Position < 0 || count <= 0) return 0;
    if (int64_t(Position) + count > INT32_MAX) return 0; // would not fit a 32-bit stream
    if (Position + count > Size) SetSize(Position + count);
    std::memcpy(Memory + Position, buffer, size_t(count));
    Position += count;
    return count;
}

int32_t TKavoXMStream::Seek(int32_t position) {
    Position = position < 0 ? 0 : position;
    if (Position <= Size) return Position;
    const int32_t oldSize = Size;
    const int32_t target = Position;
    SetSize(target);
    Position = target;
    std::memset(Memory + oldSize, 0, size_t(target - oldSize));
    return Position;
}
