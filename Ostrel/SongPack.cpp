#include "Ostrel/SongPack.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t MinMatch = 3, MaxDistance = 65535, HashBits = 15;
constexpr int32_t ChainTries = 256;

uint32_t HashAt(const uint8_t* p) {
    const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    return (v * 2654435761u) >> (32 - HashBits);
}

// A count of 15 or more in the token's four bits continues in extra bytes.
void PutCount(std::vector<uint8_t>& out, size_t count) {
    if (count < 15) return;
    for (count -= 15; count >= 255; count -= 255) out.push_back(255);
    out.push_back(uint8_t(count));
}

void PutSequence(std::vector<uint8_t>& out, const uint8_t* literals, size_t literalCount,
                 size_t matchLength, size_t distance) {
    const size_t matchCode = matchLength > 0 ? matchLength - MinMatch : 0;
    out.push_back(
        uint8_t(std::min<size_t>(literalCount, 15) << 4 | std::min<size_t>(matchCode, 15)));
    PutCount(out, literalCount);
    out.insert(out.end(), literals, literals + literalCount);
    if (matchLength == 0) return;
    out.push_back(uint8_t(distance));
    out.push_back(uint8_t(distance >> 8));
    PutCount(out, matchCode);
}

// Reads a count continued past 15; false when the input ends first.
bool GetCount(const uint8_t*& p, const uint8_t* end, size_t& count) {
    if (count < 15) return true;
    for (;;) {
        if (p == end) return false;
        const uint8_t more = *p++;
        count += more;
        if (more < 255) return true;
    }
}

// The longest earlier match for the bytes at `at` among the latest candidates of the same
// hash (chained through `previous`), within the distance limit.
struct Match {
    size_t Length = 0;
    size_t Distance = 0;
};
Match LongestMatch(const uint8_t* data, size_t size, size_t at, int64_t candidate,
                   const std::vector<int64_t>& previous) {
    Match best;
    for (int32_t tries = 0; candidate >= 0 && tries < ChainTries; ++tries) {
        if (at - size_t(candidate) > MaxDistance) break;
        const uint8_t* from = data + candidate;
        size_t length = 0;
        while (at + length < size && from[length] == data[at + length]) ++length;
        if (length > best.Length) best = {length, at - size_t(candidate)};
        candidate = previous[size_t(candidate)];
    }
    return best;
}

bool Refuse(std::vector<uint8_t>& out) {
    out.clear();
    return false;
}

} // namespace

std::vector<uint8_t> PackSong(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    for (int32_t shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(uint64_t(size) >> shift));
    std::vector<int64_t> head(size_t(1) << HashBits, -1), previous(size, -1);
    auto insert = [&](size_t i) {
        const uint32_t hash = HashAt(data + i);
        previous[i] = head[hash];
        head[hash] = int64_t(i);
    };
    size_t literalStart = 0, at = 0;
    while (at + MinMatch <= size) {
        const Match match = LongestMatch(data, size, at, head[HashAt(data + at)], previous);
        insert(at);
        if (match.Length < MinMatch) {
            ++at;
            continue;
        }
        PutSequence(out, data + literalStart, at - literalStart, match.Length, match.Distance);
        for (size_t i = at + 1; i < at + match.Length && i + MinMatch <= size; ++i) insert(i);
        at += match.Length;
        literalStart = at;
    }
    PutSequence(out, data + literalStart, size - literalStart, 0, 0);
    return out;
}

bool UnpackSong(const uint8_t* packed, size_t size, std::vector<uint8_t>& out, size_t limit) {
    out.clear();
    if (size < 4) return false;
    const uint64_t total = uint64_t(packed[0]) | uint64_t(packed[1]) << 8 |
                           uint64_t(packed[2]) << 16 | uint64_t(packed[3]) << 24;
    if (total > limit) return false;
    out.reserve(size_t(std::min<uint64_t>(total, uint64_t(size) * 64)));
    const uint8_t* p = packed + 4;
    const uint8_t* end = packed + size;
    while (p < end) {
        const uint8_t token = *p++;
        size_t literals = token >> 4, match = token & 15;
        if (!GetCount(p, end, literals) || size_t(end - p) < literals ||
            out.size() + literals > total)
            return Refuse(out);
        out.insert(out.end(), p, p + literals);
        p += literals;
        if (p == end) break; // the last sequence has no match
        if (end - p < 2) return Refuse(out);
        const size_t distance = size_t(p[0]) | size_t(p[1]) << 8;
        p += 2;
        if (!GetCount(p, end, match)) return Refuse(out);
        match += MinMatch;
        if (distance == 0 || distance > out.size() || out.size() + match > total)
            return Refuse(out);
        for (size_t i = 0, from = out.size() - distance; i < match; ++i)
            out.push_back(out[from + i]);
    }
    return out.size() == total || Refuse(out);
}
