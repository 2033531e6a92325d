// Reads arbitrary bytes as a WAV file and converts it into memory for every
// ring-voice record, at a rate the bytes choose; every image built must have
// length fields that agree with its bytes.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "convert/audio/ring_voice_table.h"
#include "convert/audio/wav_to_mld.h"
#include "fuzz/quiet_platform.h"
#include "tests/audio/mld_image_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    WavToMldConverter source(std::span<const std::uint8_t>(data, size), "fuzz/in.wav");
    static constexpr int kRates[5] = {0, 4000, 8000, 16000, 32000};
    const int pick = size ? data[size - 1] : 0;
    for (int format = 0; format < RingVoiceFormatCount; ++format) {
        WavToMldConverter converter(kFromSource, source);
        const int rate = kRates[(pick + format) % 5];
        const int level = (pick & 0x80) ? 0 : 100;
        if (converter.ConvertToMemory(format, rate, level) &&
            !mld_test::Read(converter.Image()).lengthsAgree)
            std::abort();
    }
    return 0;
}
