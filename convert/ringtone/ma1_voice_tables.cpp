#include "convert/ringtone/ma1_voice_tables.h"

#include <algorithm>
#include <array>

namespace {

struct VoiceRow {
    std::array<std::uint8_t, kMa1VoiceBytes> voice;
    std::array<Ma1RangePair, kMa1RangeClasses> ranges;
};

constexpr int kFamilies = 16;  // programs in families of eight
constexpr std::uint8_t kNo = 0xFF;  // no range for that class

constexpr Ma1RangePair kPlain[kMa1RangeClasses] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};

// One voice per family, in program order; bytes 1, 2, 3 and 5 differ from
// family to family so a reader can tell them apart.
constexpr VoiceRow kFamilyRows[kFamilies] = {
    {{0x23, 0x6B, 0x8A, 0xA1, 0x31, 0x55}, {{{0, 0}, {1, 1}, {2, 2}, {4, 4}}}},        // pianos
    {{0x25, 0x5C, 0xF8, 0xA6, 0x61, 0x64}, {{{kNo, kNo}, {1, 1}, {2, 2}, {4, 4}}}},    // chromatic percussion
    {{0x21, 0x3F, 0x0F, 0xF0, 0x21, 0x0F}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // organs
    {{0x22, 0x6D, 0x9B, 0xA3, 0x41, 0x46}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // guitars
    {{0x20, 0x7C, 0xA9, 0xB2, 0x20, 0x37}, {{{1, 0}, {2, 1}, {3, 2}, {kNo, kNo}}}},    // basses
    {{0x21, 0x2A, 0x4F, 0xC4, 0x21, 0x2C}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // strings
    {{0x21, 0x28, 0x5F, 0xC5, 0x22, 0x2D}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // ensembles
    {{0x21, 0x39, 0x7C, 0xD2, 0x21, 0x3B}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // brass
    {{0x22, 0x49, 0x6C, 0xD4, 0x21, 0x4A}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // reeds
    {{0x24, 0x19, 0x5E, 0xE1, 0x24, 0x1A}, {{{kNo, kNo}, {1, 1}, {2, 2}, {4, 4}}}},    // pipes
    {{0x21, 0x0F, 0x3F, 0xF2, 0x21, 0x07}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // synth leads
    {{0x21, 0x1B, 0x2E, 0xC8, 0x21, 0x18}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // synth pads
    {{0x27, 0x4E, 0x8D, 0xB7, 0x63, 0x52}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // synth effects
    {{0x26, 0x5A, 0xAB, 0xA9, 0x51, 0x5D}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // ethnic
    {{0x2A, 0x7E, 0xDC, 0xAB, 0x71, 0x6E}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // percussive
    {{0x2C, 0x0B, 0xFA, 0xA8, 0x65, 0x60}, {{kPlain[0], kPlain[1], kPlain[2], kPlain[3]}}},  // sound effects
};

struct ProgramRow {
    int program;
    VoiceRow row;
};

// The programs whose voices and ranges are fixed as they are.
constexpr ProgramRow kFixedRows[] = {
    {0, {{0x21, 0x7B, 0x8C, 0xA0, 0x31, 0x57}, {{{0x00, 0x00}, {0x01, 0x01}, {0x02, 0x02}, {0x04, 0x04}}}}},
    {1, {{0x61, 0x7B, 0x89, 0x80, 0x31, 0x57}, {{{0x03, 0x00}, {0x03, 0x01}, {0x06, 0x02}, {kNo, kNo}}}}},
    {127, {{0x6C, 0x03, 0xFC, 0xA7, 0x65, 0x67}, {{{kNo, kNo}, {kNo, kNo}, {0x03, 0x03}, {kNo, kNo}}}}},
};

constexpr std::array<VoiceRow, kMa1Programs> MakeTable() {
    std::array<VoiceRow, kMa1Programs> table{};
    for (int p = 0; p < kMa1Programs; ++p)
        table[static_cast<std::size_t>(p)] = kFamilyRows[p / 8];
    for (const ProgramRow& fixed : kFixedRows)
        table[static_cast<std::size_t>(fixed.program)] = fixed.row;
    return table;
}

constexpr std::array<VoiceRow, kMa1Programs> kTable = MakeTable();

}  // namespace

std::span<const std::uint8_t, kMa1VoiceBytes> Ma1Voice(int program) {
    return std::span<const std::uint8_t, kMa1VoiceBytes>(
        kTable[static_cast<std::size_t>(std::clamp(program, 0, kMa1Programs - 1))].voice);
}

Ma1RangePair Ma1Range(int program, int rangeClass) {
    return kTable[static_cast<std::size_t>(std::clamp(program, 0, kMa1Programs - 1))]
        .ranges[static_cast<std::size_t>(std::clamp(rangeClass, 0, kMa1RangeClasses - 1))];
}
