// Ringtone models and images for the SMAF tests, the fixture writer and the
// benchmark: tunes made by hand, the sixteen-channel model of the 32-voice
// form, and the bytes each form writes.
#pragma once

#include <memory>
#include <random>
#include <vector>

#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/smaf_data.h"
#include "tests/convert/mfi_test_util.h"

namespace smaf_test {

using mfi_test::kCapacity;
using mfi_test::Note;
using mfi_test::Part;

inline std::vector<std::uint8_t> Image(const MusicData& data) {
    return std::vector<std::uint8_t>(data.Data(), data.Data() + data.Length());
}

inline std::vector<std::uint8_t> WriteCompact(const MobileData& model, int voices) {
    SmafData smaf(model, voices);
    smaf.Write(voices);
    return Image(smaf);
}

inline std::vector<std::uint8_t> WriteMa3(const MobileData& model, int variant) {
    SmafMa3Data smaf(model, variant);
    smaf.Write(variant);
    return Image(smaf);
}

// One slot per (channel, part); the first carries the tempo.
inline std::unique_ptr<MultiMobileTrackData> MakeMultiModel(const std::vector<std::pair<int, Part>>& parts,
                                                            int tempo = 500000) {
    auto model = std::make_unique<MultiMobileTrackData>();
    bool first = true;
    for (const auto& [channel, part] : parts) {
        auto built = mfi_test::MakeModel({part}, tempo);
        auto slot = std::make_unique<MobileChanelData>(*built->Slot(0), kCapacity);
        slot->number = channel;
        if (!first) {
            // Only the first slot keeps the tempo.
            for (int i = 0; i < slot->Count(); ++i)
                if (slot->Event(i)->kind == mobile_kind::kControl && slot->Event(i)->subtype == mobile_code::kTempo)
                    slot->Event(i)->kind = mobile_kind::kCleared;
            slot->RemoveClearedEvents();
        }
        first = false;
        model->AddSlot(std::move(slot));
    }
    return model;
}

// Parts whose notes stay in the range a form keeps; drums play their
// program's note.
inline std::vector<Part> RandomParts(std::mt19937& rng, int count, int drumAt, int low, int high) {
    auto parts = mfi_test::RandomParts(rng, count, drumAt, low, high);
    for (Part& p : parts)
        if (p.drum)
            for (Note& n : p.notes)
                n.pitch = p.program;
    return parts;
}

}  // namespace smaf_test
