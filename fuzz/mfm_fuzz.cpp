// Reads arbitrary bytes as an MFM image, fills a ringtone model from it and
// writes that as a format-1 tune, then writes the model again as an MFM
// image and reads that back. The model passes and the writer show boxes of
// their own: the platform stays quiet.
#include <cstdint>

#include "convert/mobile_data.h"
#include "convert/ringtone/mfm_data.h"
#include "fuzz/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    ReadLog log;
    MFMData mfm(data, size, log);
    log.ShowAll();
    MobileData model(0x60000);
    mfm.ToMobileData(model);
    MidiF1Data song(MFMData::kDivision);
    model.ToMidiF1Data(song);
    MFMData again(model);
    again.SplitLongWaits();
    again.Serialise();
    MFMData back(again.Data(), static_cast<std::size_t>(again.Length()), log);
    log.ShowAll();
    return 0;
}
