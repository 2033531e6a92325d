// The 18-byte wave format record of a WAV file's "fmt " chunk, as the
// ring-voice maker and the A-law/u-law expander keep it.
#pragma once

#include <cstdint>

struct WaveFormatRecord {
    std::uint16_t formatTag = 0;   // 1 PCM, 6 A-law, 7 u-law
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};
