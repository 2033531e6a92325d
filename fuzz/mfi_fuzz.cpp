// Reads arbitrary bytes as an MFi or PMD image, fills a ringtone model from
// it and writes that as a format-1 tune, then writes the model again as an
// MFi image of a voice type the bytes choose and reads that back. The model
// passes and the writer show boxes of their own: the platform stays quiet.
#include <cstdint>

#include "convert/mobile_data.h"
#include "convert/ringtone/mfi_data.h"
#include "fuzz/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    ReadLog log;
    MFiData mfi(data, static_cast<int>(size), log);
    log.ShowAll();
    MobileData model(0x60000);
    mfi.ToMobileData(model);
    MidiF1Data song(96);
    model.ToMidiF1Data(song);
    static constexpr int kTypes[6] = {1, 4, 5, 252, 254, 255};
    const int type = kTypes[size ? data[size - 1] % 6 : 0];
    MFiData again(model, type);
    again.EnsureMasterVolume();
    again.SplitLongDeltas();
    again.Serialise(0);
    MFiData back(again.Data(), again.Length(), log);
    log.ShowAll();
    return 0;
}
