// Whether bytes are a Standard MIDI File whose chunks fill it exactly: a
// header, then whole track chunks to the last byte. A tune cut short by a
// failed or interrupted write is not.
#pragma once

#include <cstddef>
#include <string>

namespace testing_support {

inline bool WholeSmf(const std::string& bytes) {
    auto length = [&](std::size_t at) {
        std::size_t n = 0;
        for (std::size_t i = at; i < at + 4; ++i)
            n = n << 8 | static_cast<unsigned char>(bytes[i]);
        return n;
    };
    if (bytes.size() < 14 || bytes.compare(0, 4, "MThd") != 0 || length(4) != 6) return false;
    std::size_t at = 14;
    int tracks = 0;
    while (at + 8 <= bytes.size() && bytes.compare(at, 4, "MTrk") == 0) {
        at += 8 + length(at + 4);
        ++tracks;
    }
    return tracks > 0 && at == bytes.size();
}

}  // namespace testing_support
