// The FM voices and range bytes the MA-1 writer copies into its channel
// blocks and the reader looks voices up in: one 6-byte voice and four range
// pairs per program.
#pragma once

#include <cstdint>
#include <span>

constexpr int kMa1Programs = 128;
constexpr int kMa1VoiceBytes = 6;
constexpr int kMa1RangeClasses = 4;

struct Ma1RangePair {
    std::uint8_t r0;  // OR-ed, shifted left by 5, into voice byte 0
    std::uint8_t r1;  // and into voice byte 4
};

// The voice of a program (taken as 0..127).
std::span<const std::uint8_t, kMa1VoiceBytes> Ma1Voice(int program);
// The range pair of a program and range class (taken as 0..3).
Ma1RangePair Ma1Range(int program, int rangeClass);
