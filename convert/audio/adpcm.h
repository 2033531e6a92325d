// The 4-bit ADPCM encoders of the ring-voice files: each turns the 16-bit
// samples of one channel into packed codes in one pass, with its state on
// the stack, and never fails. The caller sizes the output (count bytes are
// always enough).
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

}  // namespace adpcm
