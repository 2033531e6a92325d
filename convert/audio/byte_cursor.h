// A read position over untrusted file bytes: every read checks what is left
// and a failed read moves nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "core/utilities.h"

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Left() const { return bytes_.size() - offset_; }
    std::size_t Offset() const { return offset_; }
    bool Has(std::size_t n) const { return n <= Left(); }

    // True when the next four bytes are the chunk id.
    bool Matches(const char* id) const {
        return Has(4) && std::memcmp(bytes_.data() + offset_, id, 4) == 0;
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

    bool ReadLe16(std::uint16_t& value) { return Read(2, value, ReadLittleEndian16); }
    bool ReadLe32(std::uint32_t& value) { return Read(4, value, ReadLittleEndian32); }
    bool ReadBe16(std::uint16_t& value) { return Read(2, value, ReadBigEndian16); }
    bool ReadBe32(std::uint32_t& value) { return Read(4, value, ReadBigEndian32); }

private:
    template <typename T>
    bool Read(std::size_t n, T& value, T (*decode)(const std::uint8_t*)) {
        if (!Has(n)) return false;
        value = decode(bytes_.data() + offset_);
        offset_ += n;
        return true;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};
