// Reading a style record as the bytes of a style file.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "style/music_style.h"

namespace style_bytes {

inline const std::uint8_t* Bytes(const MusicStyle& style) {
    return reinterpret_cast<const std::uint8_t*>(&style);
}

inline std::int32_t Int(const MusicStyle& style, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, Bytes(style) + offset, 4);
    return value;
}

inline std::uint16_t U16(const MusicStyle& style, std::size_t offset) {
    std::uint16_t value;
    std::memcpy(&value, Bytes(style) + offset, 2);
    return value;
}

inline std::uint8_t Byte(const MusicStyle& style, std::size_t offset) {
    return Bytes(style)[offset];
}

inline std::string Text(const MusicStyle& style, std::size_t offset, std::size_t size) {
    const char* start = reinterpret_cast<const char*>(Bytes(style) + offset);
    return std::string(start, strnlen(start, size));
}

}  // namespace style_bytes
