// Reads arbitrary bytes as a WAV file image; a file that reads is written
// out again and must read back with the same format and samples.
#include <cstdint>
#include <span>

#include "convert/audio/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WaveFile wave(std::span<const std::uint8_t>(data, size));
    if (!wave.HasData()) return 0;
    const auto image = wave.Image();
    const WaveFile back(image);
    if (!back.HasData() || back.DataSize() != wave.DataSize() ||
        back.SampleRate() != wave.SampleRate() || back.Channels() != wave.Channels())
        __builtin_trap();
    return 0;
}
