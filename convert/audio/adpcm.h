// The ADPCM encoders of the ring-voice files: each turns the 16-bit samples
// of one channel into packed codes in one pass, with its state on the stack,
// and never fails. The caller sizes the output by EncodedSize: count bytes
// are enough for every codec only from 8 samples on, since the handset
// maker's codec writes 4 + count / 2.
#pragma once

#include <cstdint>

namespace adpcm {

// Yamaha-style: count / 2 bytes, first sample in the low nibble.
int EncodeYamaha(const std::int16_t* samples, int count, std::uint8_t* out);
// IMA-style with (2n + 1) * step / 8 reconstruction: count / 2 bytes, first
// sample in the low nibble.
int EncodeIma(const std::int16_t* samples, int count, std::uint8_t* out);
// OKI-style on 12 bits, silent pairs smoothed: count / 2 bytes, first sample
// in the high nibble.
int EncodeOki(const std::int16_t* samples, int count, std::uint8_t* out);
// The handset maker's own scheme: 4 zero bytes, then count / 2 bytes, first
// sample in the high nibble.
int EncodeLg(const std::int16_t* samples, int count, std::uint8_t* out);
// G.721 at 32 kbit/s on the 14-bit range (each sample >> 2): count / 2
// bytes, first code in the low nibble.
int EncodeG721(const std::int16_t* samples, int count, std::uint8_t* out);
// G.726 at 16 kbit/s: count / 4 bytes, first sample in bits 0-1.
int EncodeG726_16(const std::int16_t* samples, int count, std::uint8_t* out);

// The handset maker's encoder as an object; EncodeLg builds one, runs it and
// drops it. Its step table is a constant: entry i is i + 4.
class CLgAdpcm {
public:
    virtual ~CLgAdpcm() = default;
    static constexpr int kStepCount = 19;
    static constexpr std::int16_t kStep[kStepCount] = {4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                                       14, 15, 16, 17, 18, 19, 20, 21, 22};
    // Encodes byteCount / 2 samples (byteCount is their size in bytes): 4
    // zero bytes, then two codes a byte, the first in the high nibble.
    void Encode(const std::int16_t* samples, std::int64_t byteCount, std::uint8_t* out) const;
};

// The codec numbers the ring-voice records name.
enum Codec { kYamaha = 1, kOki = 2, kG721 = 3, kG726_16 = 4, kIma = 5, kLg = 6 };
// The bytes codec 1..6 writes for count samples (0 for a count of 0 or
// less, 4 for codec 6), or -1 for an unknown codec.
int EncodedSize(int codec, int count);
// Encodes one channel with codec 1..6 and returns the bytes written, or -1
// for an unknown codec.
int Encode(int codec, const std::int16_t* samples, int count, std::uint8_t* out);

}  // namespace adpcm
