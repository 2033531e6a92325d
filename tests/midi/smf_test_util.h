// Helpers for the file-format tests: SMF images built from byte lists, and a
// reading of every chunk of an image as bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/utilities.h"

namespace smf_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Header(int format, int tracks, int division) {
    Bytes h = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    h.push_back(static_cast<std::uint8_t>(format >> 8));
    h.push_back(static_cast<std::uint8_t>(format));
    h.push_back(static_cast<std::uint8_t>(tracks >> 8));
    h.push_back(static_cast<std::uint8_t>(tracks));
    h.push_back(static_cast<std::uint8_t>(division >> 8));
    h.push_back(static_cast<std::uint8_t>(division));
    return h;
}

inline Bytes Chunk(const Bytes& events, const char* id = "MTrk") {
    Bytes c(id, id + 4);
    std::uint8_t length[4];
    WriteBigEndian32(length, static_cast<std::uint32_t>(events.size()));
    c.insert(c.end(), length, length + 4);
    c.insert(c.end(), events.begin(), events.end());
    return c;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The event bytes of a chunk held at data (after its 8-byte head).
inline Bytes Body(const std::uint8_t* chunk) {
    std::uint32_t n = ReadBigEndian32(chunk + 4);
    return Bytes(chunk + 8, chunk + 8 + n);
}

}  // namespace smf_test
