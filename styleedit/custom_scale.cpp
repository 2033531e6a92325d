#include "styleedit/custom_scale.h"

namespace {

constexpr const char* kPitchClassCaptions[kPitchClassCount] = {
    "C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B",
};

}  // namespace

ScaleFlags ReadScaleFlags(const char* scaleNotes) {
    ScaleFlags flags{};
    for (int pc = 0; pc < kPitchClassCount; ++pc)
        flags[static_cast<std::size_t>(pc)] = scaleNotes[kScaleNotesPrefix + pc] != '0' ? 1 : 0;
    return flags;
}

int FlipScaleFlag(int flag) {
    return flag == 1 ? 0 : 1;
}

int WriteScaleFlags(const ScaleFlags& flags, char* scaleNotes) {
    int notes = 0;
    for (int pc = 0; pc < kPitchClassCount; ++pc) {
        const bool on = flags[static_cast<std::size_t>(pc)] == 1;
        scaleNotes[kScaleNotesPrefix + pc] = on ? '9' : '0';
        notes += on ? 1 : 0;
    }
    return notes;
}

const char* PitchClassCaption(int pitchClass) {
    if (pitchClass < 0 || pitchClass >= kPitchClassCount) return "";
    return kPitchClassCaptions[pitchClass];
}
