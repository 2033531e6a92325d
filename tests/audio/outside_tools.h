// Running the outside audio tools (sox, ffmpeg) from tests: a test that needs
// a missing tool skips itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
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

// The standard output of a shell command, with surrounding white space cut.
inline std::string Capture(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
    std::string out;
    if (!pipe) return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
    const auto first = out.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(" \t\r\n") - first + 1);
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// 32-bit little-endian samples of a byte image (raw s32le output).
inline std::vector<std::int32_t> Samples32(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int32_t> s(bytes.size() / 4);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[4 * i]) |
                                         static_cast<std::uint32_t>(bytes[4 * i + 1]) << 8 |
                                         static_cast<std::uint32_t>(bytes[4 * i + 2]) << 16 |
                                         static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24);
    return s;
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
