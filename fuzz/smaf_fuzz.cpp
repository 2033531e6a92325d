// Reads arbitrary bytes as a SMAF image through the loader's choice and
// through both readers, fills the ringtone models from them and writes them
// as format-1 tunes, then writes the model again in a form the bytes choose
// and reads that back.
#include <cstdint>
#include <span>

#include "convert/ringtone/smaf_data.h"
#include "fuzz/quiet_platform.h"
#include "midi/f1_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    const std::span<const std::uint8_t> bytes(data, size);
    SmafFileLoader loader(bytes);
    SmafData compact(data, static_cast<int>(size));
    SmafMa3Data ma3(data, static_cast<int>(size));
    (void)IsSmafMa3Image(bytes);
    auto model = compact.ToMobileData();
    auto multi = ma3.ToMultiMobileTrackData();
    auto tree = ma3.ToSmafData();
    tree->SetTimeBase(size ? data[0] % 20 : 3);
    auto listened = tree->ToMobileData();
    MidiF1Data song(96);
    model->ToMidiF1Data(song);
    MidiF1Data multiSong(96);
    multi->ToMidiF1Data(multiSong);
    const int choice = size ? data[size - 1] % 4 : 0;
    if (choice < 2) {
        const int voices = choice == 0 ? 16 : 4;
        SmafData again(*model, voices);
        again.Write(voices);
        SmafFileLoader back(std::span<const std::uint8_t>(again.Data(), static_cast<std::size_t>(again.Length())));
    } else {
        const int variant = choice == 2 ? 32 : 33;
        SmafMa3Data again(*multi, variant);
        again.Write(variant);
        SmafFileLoader back(std::span<const std::uint8_t>(again.Data(), static_cast<std::size_t>(again.Length())));
    }
    return 0;
}
