// Expands A-law and u-law samples (format tags 6 and 7 of a WAV file) to
// linear PCM by the ITU-T G.711 rules, for the ring-voice maker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "convert/audio/wave_format.h"

namespace g711 {

constexpr std::uint16_t kALawTag = 6;
constexpr std::uint16_t kMuLawTag = 7;

// The 16-bit linear value of one coded byte.
std::int16_t ALawToLinear(std::uint8_t code);
std::int16_t MuLawToLinear(std::uint8_t code);

}  // namespace g711

class CAuLawToLinearPCM {
public:
    // The expander updates format's bits per sample when it expands; the
    // coded bytes must outlive it.
    CAuLawToLinearPCM(WaveFormatRecord& format, const std::uint8_t* coded, std::size_t count);
    CAuLawToLinearPCM(WaveFormatRecord& format, std::span<const std::uint8_t> coded);
    virtual ~CAuLawToLinearPCM();

    // Bytes Expand writes for 8 or 16 bits: count or 2 * count; 0 otherwise.
    std::size_t OutputSize(int bits) const;
    // Writes OutputSize(bits) bytes to destination: 16-bit little-endian
    // samples, or for 8 bits the unsigned bytes (value >> 8) + 128. Sets the
    // record's bits per sample and returns the bytes written. Other widths,
    // or a format tag that is neither law, write nothing, leave the record
    // as it was and return 0.
    std::size_t Expand(int bits, std::uint8_t* destination);
    // The same into a new vector (empty on refusal).
    std::vector<std::uint8_t> Expand(int bits);

private:
    WaveFormatRecord& format_;
    std::span<const std::uint8_t> coded_;
};
