#include "styleedit/chord_progression_choice.h"

#include "style/music_style.h"

namespace {

constexpr int kTypeValues[] = {4, 3, 2, 1, 7, 5, 9, 6, 10};
constexpr int kMethodValues[] = {0, 1, 8};
constexpr int kBlockLengthValues[] = {0, 4};
constexpr int kChordsInBlockValues[] = {0, 1};

// One row per list, in ProgressionList's order.
constexpr ChoiceRow kRows[kProgressionListCount] = {
    {kTypeValues, StyleChoiceList::kChordProgression},
    {kMethodValues, StyleChoiceList::kChordGenerationMethod},
    {kBlockLengthValues, StyleChoiceList::kBlockLength},
    {kChordsInBlockValues, StyleChoiceList::kChordsInBlock},
};

constexpr ProgressionList kLists[kProgressionListCount] = {
    ProgressionList::kType, ProgressionList::kMethod, ProgressionList::kBlockLength,
    ProgressionList::kChordsInBlock};

}  // namespace

const ChoiceRow& ProgressionRow(ProgressionList list) {
    return kRows[static_cast<int>(list)];
}

namespace {

template <typename Style>
auto& FieldOf(Style& style, ProgressionList list) {
    switch (list) {
        case ProgressionList::kType:
            return style.chordProgression;
        case ProgressionList::kMethod:
            return style.chordGenerationMethod;
        case ProgressionList::kBlockLength:
            return style.blockLength;
        case ProgressionList::kChordsInBlock:
            break;
    }
    return style.chordsInBlock;
}

}  // namespace

std::int32_t& ProgressionField(MusicStyle& style, ProgressionList list) {
    return FieldOf(style, list);
}

std::int32_t ProgressionField(const MusicStyle& style, ProgressionList list) {
    return FieldOf(style, list);
}

ProgressionChoice ReadProgressionChoice(const MusicStyle& style) {
    ProgressionChoice choice;
    for (ProgressionList list : kLists)
        choice.positions[static_cast<int>(list)] =
            ChoicePosition(ProgressionRow(list), ProgressionField(style, list));
    choice.fixBass = style.fixedBass == kFixedBassOn;
    choice.invalidBass = style.fixedBass != 0 && style.fixedBass != kFixedBassOn;
    choice.adjustToChordTone = style.adjustToChordTone == 1;
    choice.onChord = style.onChord == 1;
    return choice;
}

void StoreProgressionChoice(const ProgressionChoice& choice, MusicStyle& style) {
    style.fixedBass = choice.fixBass ? kFixedBassOn : 0;
    style.onChord = choice.onChord ? 1 : 0;
    style.adjustToChordTone = choice.adjustToChordTone ? 1 : 0;
    for (ProgressionList list : kLists) {
        const ChoiceRow& row = ProgressionRow(list);
        const int position = choice.positions[static_cast<int>(list)];
        if (position < 0 || position >= static_cast<int>(row.values.size())) continue;
        ProgressionField(style, list) = row.values[static_cast<std::size_t>(position)];
    }
}
