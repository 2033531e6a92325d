#include "styleedit/pattern_choice.h"

std::atomic<int> PatternPart{kPartHarmony};

namespace {

constexpr int kRangeOctaves[kRangeEntries] = {0, -1, -2, 1};

// Rows per part: the face and the pattern field.
struct PartRow {
    int part;
    PatternPartInfo info;
};
constexpr PartRow kPartRows[] = {
    {kPartBass, {"Bass pattern", true, false, true}},
    {kPartHarmony, {"Harmony pattern", true, true, true}},
    {kPartObbligato, {"Obbligato Pattern", true, true, false}},
    {kPartSubDrum, {"Sub Drum Pattern", true, false, false}},
    {kPartSubHarmony, {"Harmony pattern", true, true, true}},
    {kPartDrum, {"Rhythm pattern", false, true, true}},
};

template <class Style>
auto* PatternField(Style& style, int part) {
    using Field = decltype(&style.bassPattern);
    switch (part) {
        case kPartBass:
            return &style.bassPattern;
        case kPartHarmony:
            return &style.harmonyPattern;
        case kPartObbligato:
            return &style.subMelodyMethod;
        case kPartSubDrum:
            return &style.subDrumPattern;
        case kPartSubHarmony:
            return &style.subHarmonyPattern;
        case kPartDrum:
            return &style.rhythmPattern;
        default:
            return static_cast<Field>(nullptr);
    }
}

}  // namespace

const PatternPartInfo* PatternPartOf(int part) {
    for (const PartRow& row : kPartRows) {
        if (row.part == part) return &row.info;
    }
    return nullptr;
}

std::int32_t* PatternFieldOf(MusicStyle& style, int part) {
    return PatternField(style, part);
}

const std::int32_t* PatternFieldOf(const MusicStyle& style, int part) {
    return PatternField(style, part);
}

PatternTable PatternTableOf(int part) {
    switch (part) {
        case kPartBass:
            return BassPatternTable();
        case kPartHarmony:
        case kPartSubHarmony:
            return HarmonyPatternTable();
        case kPartObbligato:
            return SubMelodyMethodTable();
        case kPartSubDrum:
            return SubDrumPatternTable();
        case kPartDrum:
            return RhythmPatternTable();
        default:
            return {};
    }
}

int RangeEntry(int octave) {
    for (int i = 0; i < kRangeEntries; ++i) {
        if (kRangeOctaves[i] == octave) return i;
    }
    return -1;
}

int RangeOctave(int entry) {
    return entry >= 0 && entry < kRangeEntries ? kRangeOctaves[entry] : 0;
}

int DensityEntry(int density) {
    int densityClass = 4;
    if (density < 30) densityClass = 8;
    else if (density < 50) densityClass = 7;
    else if (density < 70) densityClass = 6;
    else if (density < 90) densityClass = 5;
    else if (density >= 110 && density < 130) densityClass = 3;
    else if (density >= 130 && density < 150) densityClass = 2;
    else if (density >= 150 && density < 170) densityClass = 1;
    return 8 - densityClass;
}

int EntryDensity(int entry) {
    return 20 * (entry + 1);
}

PatternChoice ReadPatternChoice(const MusicStyle& style, int part) {
    PatternChoice choice;
    const PatternPartInfo* info = PatternPartOf(part);
    if (!info) return choice;
    choice.pattern = PatternPosition(PatternTableOf(part), *PatternField(style, part));
    if (info->range) choice.range = RangeEntry(style.octave[part]);
    if (info->density) choice.density = DensityEntry(style.density[part]);
    return choice;
}

void StorePatternChoice(const PatternChoice& choice, MusicStyle& style, int part) {
    const PatternPartInfo* info = PatternPartOf(part);
    if (!info) return;
    const PatternTable table = PatternTableOf(part);
    if (choice.pattern >= 0 && choice.pattern < static_cast<int>(table.size()))
        *PatternField(style, part) = table[choice.pattern].code;
    if (info->range && choice.range >= 0 && choice.range < kRangeEntries)
        style.octave[part] = RangeOctave(choice.range);
    if (info->density && choice.density >= 0 && choice.density < kDensityEntries)
        style.density[part] = EntryDensity(choice.density);
}
