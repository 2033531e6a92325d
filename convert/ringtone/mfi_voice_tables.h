// The voice records the MFi writers copy into instrument definitions and
// into the voice block of type-252 files: one neutral voice per family of
// eight programs and one per drum-note group, in the record sizes each
// handset expects.
#pragma once

#include <cstdint>
#include <span>

constexpr int kMfiProgramFamilies = 16;  // programs 0..127 in families of eight
constexpr int kMfiDrumGroups = 6;        // drum notes 35..81 in groups of eight

// Family of a program (0..127) and group of a drum note (taken as 35..81).
int MfiProgramFamily(int program);
int MfiDrumGroup(int note);

// The records by size: 8 (type-252 voice block), 12 (terminal ids 5 and 25),
// 16 (ids 6 and 7), 20 melodic and 18 drum (ids 1 and 2).
std::span<const std::uint8_t, 8> MfiVoice8(int program);
std::span<const std::uint8_t, 12> MfiVoice12(int program);
std::span<const std::uint8_t, 12> MfiDrumVoice12(int note);
std::span<const std::uint8_t, 16> MfiVoice16(int program);
std::span<const std::uint8_t, 16> MfiDrumVoice16(int note);
std::span<const std::uint8_t, 20> MfiVoice20(int program);
std::span<const std::uint8_t, 18> MfiDrumVoice18(int note);
