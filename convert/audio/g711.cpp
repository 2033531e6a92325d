#include "convert/audio/g711.h"

#include <array>

namespace g711 {
namespace {

// The magnitude of the 7 low bits of a u-law byte once inverted: a 4-bit
// step in a 3-bit segment, with the bias of 0x84 taken off again.
constexpr std::int16_t MuLawMagnitude(int inverted) {
    const int segment = (inverted >> 4) & 7;
    const int t = (((inverted & 0x0F) << 3) + 0x84) << segment;
    return static_cast<std::int16_t>(t - 0x84);
}

// The magnitude of the 7 low bits of an A-law byte once its even bits are
// inverted: segment 0 is linear, the others double per segment.
constexpr std::int16_t ALawMagnitude(int toggled) {
    const int segment = (toggled >> 4) & 7;
    int t = (toggled & 0x0F) << 4;
    if (segment == 0) return static_cast<std::int16_t>(t + 8);
    t += 0x108;
    return static_cast<std::int16_t>(t << (segment - 1));
}

template <std::int16_t (*Magnitude)(int)>
constexpr std::array<std::int16_t, 128> MagnitudeTable() {
    std::array<std::int16_t, 128> table{};
    for (int i = 0; i < 128; ++i) table[i] = Magnitude(i);
    return table;
}

constexpr auto kMuLaw = MagnitudeTable<MuLawMagnitude>();
constexpr auto kALaw = MagnitudeTable<ALawMagnitude>();

}  // namespace

std::int16_t MuLawToLinear(std::uint8_t code) {
    const int inverted = ~code & 0xFF;
    const std::int16_t m = kMuLaw[inverted & 0x7F];
    // After inversion the top bit marks the negative half.
    return (inverted & 0x80) ? static_cast<std::int16_t>(-m) : m;
}

std::int16_t ALawToLinear(std::uint8_t code) {
    const int toggled = code ^ 0x55;
    const std::int16_t m = kALaw[toggled & 0x7F];
    // A set top bit is the positive half.
    return (toggled & 0x80) ? m : static_cast<std::int16_t>(-m);
}

}  // namespace g711

CAuLawToLinearPCM::CAuLawToLinearPCM(WaveFormatRecord& format, const std::uint8_t* coded,
                                     std::size_t count)
    : format_(format), coded_(coded, coded ? count : 0) {}

CAuLawToLinearPCM::CAuLawToLinearPCM(WaveFormatRecord& format, std::span<const std::uint8_t> coded)
    : format_(format), coded_(coded) {}

CAuLawToLinearPCM::~CAuLawToLinearPCM() = default;

std::size_t CAuLawToLinearPCM::OutputSize(int bits) const {
    if (bits == 8) return coded_.size();
    if (bits == 16) return 2 * coded_.size();
    return 0;
}

std::size_t CAuLawToLinearPCM::Expand(int bits, std::uint8_t* destination) {
    std::int16_t (*decode)(std::uint8_t) = nullptr;
    if (format_.formatTag == g711::kALawTag) decode = g711::ALawToLinear;
    if (format_.formatTag == g711::kMuLawTag) decode = g711::MuLawToLinear;
    if (!decode || (bits != 8 && bits != 16)) return 0;
    const std::size_t size = OutputSize(bits);
    if (size != 0 && !destination) return 0;
    std::uint8_t* out = destination;
    for (const std::uint8_t code : coded_) {
        const int value = decode(code);
        if (bits == 16) {
            *out++ = static_cast<std::uint8_t>(value & 0xFF);
            *out++ = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        } else {
            *out++ = static_cast<std::uint8_t>((value >> 8) + 128);
        }
    }
    format_.bitsPerSample = static_cast<std::uint16_t>(bits);
    return size;
}

std::vector<std::uint8_t> CAuLawToLinearPCM::Expand(int bits) {
    std::vector<std::uint8_t> out(OutputSize(bits));
    if (Expand(bits, out.data()) != out.size()) return {};
    return out;
}
