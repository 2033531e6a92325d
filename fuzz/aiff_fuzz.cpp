// Reads arbitrary bytes as an AIFF file image and, when it is taken, turns it
// into a WAV image in memory, which must read back with the same samples
// and a header of whole frames.
#include <algorithm>
#include <cstdint>
#include <span>

#include "convert/audio/aiff.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CAiffData aiff(std::span<const std::uint8_t>(data, size));
    const auto wave = aiff.ToWaveFile();
    if (!wave) return 0;
    const auto image = wave->Image();
    const WaveFile back(image);
    if (!back.HasData() || !std::equal(back.Data().begin(), back.Data().end(),
                                       wave->Data().begin(), wave->Data().end()))
        __builtin_trap();
    // The header describes whole frames of the samples.
    if (back.BlockAlign() == 0 || back.BlockAlign() * 8u != back.Channels() * back.BitsPerSample() ||
        back.DataSize() % back.BlockAlign() != 0 || back.SampleRate() != aiff.Form().Common().SampleRate())
        __builtin_trap();
    return 0;
}
