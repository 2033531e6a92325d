// Hand-made RIFF WAVE images for the reader tests: chunks laid out as given.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace wave_bytes {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe(Bytes& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A chunk whose size field is `size` (the body's length unless given).
inline Bytes Chunk(const std::string& id, const Bytes& body, long size = -1) {
    Bytes out(id.begin(), id.end());
    PutLe(out, size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size), 4);
    for (std::uint8_t b : body) out.push_back(b);
    return out;
}

// A "fmt " body: tag, channels, rate, bits, then extra bytes.
inline Bytes FormatBody(int tag, int channels, int rate, int bits, int extra = 0) {
    Bytes out;
    const int align = channels * bits / 8;
    PutLe(out, tag, 2);
    PutLe(out, channels, 2);
    PutLe(out, rate, 4);
    PutLe(out, rate * align, 4);
    PutLe(out, align, 2);
    PutLe(out, bits, 2);
    for (int i = 0; i < extra; ++i) out.push_back(0);
    return out;
}

// "RIFF", its length, "WAVE" and the chunks.
inline Bytes Riff(std::initializer_list<Bytes> chunks) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks)
        for (std::uint8_t b : c) body.push_back(b);
    return Chunk("RIFF", body);
}

inline Bytes Ramp(std::size_t n) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return out;
}

}  // namespace wave_bytes
