// Reads arbitrary bytes as an MFM image, fills a ringtone model from it and
// writes that as a format-1 tune, then writes the model again as an MFM
// image and reads that back.
#include <cstdint>

#include "convert/mobile_data.h"
#include "convert/ringtone/mfm_data.h"
#include "fuzz/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    MFMData mfm(data, size);
    MobileData model(0x60000);
    mfm.ToMobileData(model);
    MidiF1Data song(MFMData::kDivision);
    model.ToMidiF1Data(song);
    MFMData again(model);
    again.SplitLongWaits();
    again.Serialise();
    MFMData back(again.Data(), static_cast<std::size_t>(again.Length()));
    return 0;
}
