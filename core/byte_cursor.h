// The one read position over untrusted file bytes, used by every reader: each
// read checks what is left, and a failed read returns false (or nothing) and
// moves nothing, so a reader can never run past its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

#include "core/utilities.h"

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Left() const { return bytes_.size() - offset_; }
    std::size_t Offset() const { return offset_; }
    bool AtEnd() const { return Left() == 0; }
    bool Has(std::size_t n) const { return n <= Left(); }
    // The bytes not yet read.
    std::span<const std::uint8_t> Rest() const { return bytes_.subspan(offset_); }

    // The byte `ahead` places on, or nothing past the end.
    std::optional<std::uint8_t> Peek(std::size_t ahead = 0) const {
        if (ahead >= Left()) return std::nullopt;
        return bytes_[offset_ + ahead];
    }
    // True when the next four bytes are the chunk id.
    bool Matches(const char* id) const {
        return Has(4) && std::memcmp(bytes_.data() + offset_, id, 4) == 0;
    }
    // True when the bytes from `ahead` on are the pattern.
    bool Matches(std::size_t ahead, std::initializer_list<std::uint8_t> pattern) const {
        return ahead <= Left() && pattern.size() <= Left() - ahead &&
               std::memcmp(bytes_.data() + offset_ + ahead, pattern.begin(), pattern.size()) == 0;
    }
    // The next four bytes (fewer at the end) as printable text, for messages.
    std::string PeekId() const {
        std::string id;
        for (std::size_t i = 0; i < 4 && i < Left(); ++i) {
            const char c = static_cast<char>(bytes_[offset_ + i]);
            id += (c >= 0x20 && c < 0x7F) ? c : '?';
        }
        return id;
    }

    bool Skip(std::size_t n) {
        if (!Has(n)) return false;
        offset_ += n;
        return true;
    }
    // The next n bytes, or an empty span (and no move) when fewer are left.
    std::span<const std::uint8_t> Take(std::size_t n) {
        if (!Has(n)) return {};
        const auto taken = bytes_.subspan(offset_, n);
        offset_ += n;
        return taken;
    }

    // The next byte, or nothing (and no move) at the end.
    std::optional<std::uint8_t> ReadByte() {
        std::uint8_t value = 0;
        if (!ReadByte(value)) return std::nullopt;
        return value;
    }
    bool ReadByte(std::uint8_t& value) { return Read(1, value, [](const std::uint8_t* p) { return *p; }); }
    bool ReadLe16(std::uint16_t& value) { return Read(2, value, ReadLittleEndian16); }
    bool ReadLe32(std::uint32_t& value) { return Read(4, value, ReadLittleEndian32); }
    bool ReadBe16(std::uint16_t& value) { return Read(2, value, ReadBigEndian16); }
    bool ReadBe32(std::uint32_t& value) { return Read(4, value, ReadBigEndian32); }
    // A MIDI variable-length number (at most four bytes).
    bool ReadVarLen(std::uint32_t& value) {
        std::uint32_t read = 0;
        const int used = ::ReadVarLen(bytes_.data() + offset_, Left(), &read);
        if (used == 0) return false;
        value = read;
        offset_ += static_cast<std::size_t>(used);
        return true;
    }

private:
    template <typename T, typename Decode>
    bool Read(std::size_t n, T& value, Decode decode) {
        if (!Has(n)) return false;
        value = decode(bytes_.data() + offset_);
        offset_ += n;
        return true;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};
