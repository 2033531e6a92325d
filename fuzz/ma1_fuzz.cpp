// Reads arbitrary bytes as an MA-1 image into a ringtone track, fills a
// ringtone model from it and writes that as a format-1 tune, then builds
// MA-1 images again from the track and from the model and reads one back.
#include <cstdint>
#include <span>

#include "convert/mobile_data.h"
#include "convert/ringtone/ma1_data.h"
#include "fuzz/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    auto track = ReadMa1Track(std::span(data, size));
    if (!track) return 0;
    MobileData model(*track, 0x60000);
    model.division = MA1::kDivision;
    MidiF1Data song(MA1::kDivision);
    model.ToMidiF1Data(song);
    MA1 again(*track, MA1::kDivision);
    ReadMa1Track(std::span(again.Data(), static_cast<std::size_t>(again.Length())));
    MA1 fromModel(model);
    return 0;
}
