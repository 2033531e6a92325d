// Running the outside audio tools (sox, ffmpeg) from tests: a test that needs
// a missing tool skips itself.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace outside {

// True when the tool answers on the search path.
inline bool Have(const std::string& tool) {
    const std::string probe = "command -v " + tool + " >/dev/null 2>&1";
    return std::system(probe.c_str()) == 0;
}

// Runs a shell command quietly; true when it exits with 0.
inline bool Run(const std::string& command) {
    const std::string quiet = command + " >/dev/null 2>&1";
    return std::system(quiet.c_str()) == 0;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// 16-bit little-endian samples of a byte image.
inline std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> s(bytes.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

}  // namespace outside

#define SKIP_WITHOUT(tool) \
    if (!outside::Have(tool)) GTEST_SKIP() << tool " is not installed"
