// Reads arbitrary bytes as a multi-track MFi image, fills a multi-track
// model from it, and writes that again for a handset type and terminal id
// the bytes choose, then reads the result back. The model passes and the
// writer show boxes of their own: the platform stays quiet.
#include <cstdint>

#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "fuzz/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    ReadLog log;
    MultiMFiData mfi(data, static_cast<int>(size), log);
    log.ShowAll();
    MultiMobileTrackData model;
    mfi.ToMultiMobileTrackData(model);
    static constexpr int kTypes[5] = {6, 7, 8, 9, 32};
    const int choice = size ? data[size - 1] : 0;
    MultiMFiData again(model, kTypes[choice % 5]);
    const int terminal = choice / 5 % 27;
    again.ArrangeForTerminal(terminal);
    again.SplitLongDeltas();
    again.Serialise(terminal);
    MultiMFiData back(again.Data(), again.Length(), log, kTypes[choice % 5]);
    log.ShowAll();
    return 0;
}
