// Four code bytes and two on-chord text bytes into the chord name and its
// on-bass suffix: any bytes give a name of at most "Xbmaug M7" (9
// characters) plus the longest suffix, and an on-bass offset of 0..99.
#include <cstdint>
#include <cstdlib>

#include "compose/tune_header.h"
#include "fuzz/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    if (size < 6) return 0;
    char code[4];
    char text[2];
    for (int i = 0; i < 4; ++i)
        code[i] = static_cast<char>(data[i]);
    text[0] = static_cast<char>(data[4]);
    text[1] = static_cast<char>(data[5]);
    std::string name = ChordCodeToName(code);
    if (name.size() > 9) std::abort();
    const int offset = OnBassOffset(text);
    if (offset < 0 || offset > 99) std::abort();
    const int pitch = size > 6 ? static_cast<std::int8_t>(data[6]) : 60 + offset;
    AppendOnBass(name, pitch);
    if (name.size() > 13) std::abort();
    return 0;
}
