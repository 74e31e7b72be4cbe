#pragma once
// Growable in-memory byte stream: one block, capacity in whole 64 KiB steps, new bytes zero.
// Seeking past the end extends the stream with zeros.

#include <cstdint>

class TKavoXMStream {
public:
    int32_t Position = 0; // read/write offset, 0..Size
    int32_t Size = 0;     // valid bytes
    int32_t Capacity = 0; // bytes allocated: 0 when empty, else a multiple of 65536 >= Size
    uint8_t* Memory = nullptr; // owned block; null while Capacity is 0

    TKavoXMStream() = default;
    virtual ~TKavoXMStream();
    TKavoXMStream(const TKavoXMStream&) = delete;
    TKavoXMStream& operator=(const TKavoXMStream&) = delete;

    virtual void Clear();
    virtual int32_t Read(void* buffer, int32_t count);
    virtual int32_t ReadAt(int32_t position, void* buffer, int32_t count);
    virtual int32_t Write(const void* buffer, int32_t count);
    virtual int32_t Seek(int32_t position); // always from the start
    virtual int32_t GetPosition() { return Position; }
    virtual int32_t GetSize() { return Size; }

    void SetCapacity(int32_t capacity);
    void SetSize(int32_t size);
};
