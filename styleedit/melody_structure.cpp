#include "styleedit/melody_structure.h"

#include <algorithm>

#include "compose/chord_weights.h"
#include "core/utilities.h"
#include "style/voice_names.h"

namespace melody_rows {
namespace {

constexpr int kVoicingValues[] = {0, 1, 2};
constexpr int kAlgorithmValues[] = {1, 2, 3, 4, 5, 6, 7};
constexpr int kRepeatValues[] = {0, 1, 2};
constexpr int kEffectValues[] = {0, 5, 17, 18, 13, 10, 8, 9, 12, 19, 20, 21, 22};
constexpr int kOrnamentValues[] = {0, 1, 2, 3, 4, 6, 7, 11, 14, 15, 16, 17, 18, 19, 20};
constexpr int kNoteLengthValues[] = {5, 2, 6, 3, 4, 1, 7, 8, 9, 10};
constexpr int kSyncopationValues[] = {0, 1};
constexpr int kDissonanceValues[] = {0, 4, 9, 10};
constexpr int kTensionValues[] = {0, 2, 1};
// Class 1 (least rests) first.
constexpr int kRestRateValues[] = {160, 140, 120, 100, 80, 60, 40, 20};

}  // namespace

const ChoiceRow kVoicing{kVoicingValues, StyleChoiceList::kVoicing};
const ChoiceRow kAlgorithm{kAlgorithmValues, StyleChoiceList::kAlgorithm};
const ChoiceRow kMelodyRepeat{kRepeatValues, StyleChoiceList::kRepeat};
const ChoiceRow kEffect{kEffectValues, StyleChoiceList::kEffect};
const ChoiceRow kOrnament{kOrnamentValues, StyleChoiceList::kAbbellimenti};
const ChoiceRow kNoteLength{kNoteLengthValues, StyleChoiceList::kNoteLength};
const ChoiceRow kSyncopation{kSyncopationValues, StyleChoiceList::kSyncopation};
const ChoiceRow kRhythmRepeat{kRepeatValues, StyleChoiceList::kRepeat};
const ChoiceRow kDissonance{kDissonanceValues, StyleChoiceList::kDissonant};
const ChoiceRow kTension{kTensionValues, StyleChoiceList::kTension};
const ChoiceRow kRestRate{kRestRateValues, StyleChoiceList::kRestNote};

}  // namespace melody_rows

using namespace melody_rows;

namespace {

constexpr const char* kCaptions[kMelodyRowCount + 1] = {
    "OK",      "Instrument", "Voicing",  "Algorithm", "Effect/Abbelimenti", "Lowest",
    "Highest", "Rhythm",     "Disonant", "Tension",   "Rest note rate",
};
constexpr int kRestClasses = 8;
constexpr int kShortSpacer = 12;
constexpr int kLongSpacer = 28;

// "Lowest", "Highest", "Disonant" and "Tension": short values after a short
// spacer, and steppers pressed along with the caption.
bool IsNumberLikeRow(int row) {
    return row == kRowLowest || row == kRowHighest || row == kRowDisonant || row == kRowTension;
}

bool ValidMelodyPart(int part) {
    return part == kPartMelody || part == kPartObbligato;
}

// The value at a chooser's answer; an answer outside the row keeps the value.
int ValueAt(const ChoiceRow& row, int selection, int value) {
    if (selection < 0 || selection >= static_cast<int>(row.values.size())) return value;
    return row.values[static_cast<std::size_t>(selection)];
}

ListChoice ListOf(const ChoiceRow& row, int value, const char* caption = "") {
    return ListChoice{caption, ChoiceNames(row), ChoicePosition(row, value)};
}

// value + step held to lo..hi, without overflowing for any stored value.
int ClampedStep(int value, int step, int lo, int hi) {
    const long long moved = static_cast<long long>(value) + step;
    return static_cast<int>(std::clamp<long long>(moved, lo, std::max(lo, hi)));
}

// The rest class 1..8 a density stands for, moved by step within 1..8.
int StepRestClass(int density, int step) {
    int position = DensityToRestClass(density) - 1 + step;
    ClampOrWrap(&position, 0, kRestClasses - 1, false);
    return position + 1;
}

// The rows whose steppers move through a list (rhythm and effect through
// their first list that steps: note length and ornament).
struct SteppedList {
    int row;
    std::int32_t MelodySettings::*field;
    const ChoiceRow* choices;
};
const SteppedList kSteppedLists[] = {
    {kRowVoicing, &MelodySettings::voicing, &kVoicing},
    {kRowAlgorithm, &MelodySettings::algorithm, &kAlgorithm},
    {kRowEffect, &MelodySettings::ornament, &kOrnament},
    {kRowRhythm, &MelodySettings::noteLength, &kNoteLength},
    {kRowDisonant, &MelodySettings::dissonance, &kDissonance},
    {kRowTension, &MelodySettings::tension, &kTension},
};

const SteppedList* FindSteppedList(int row) {
    for (const SteppedList& list : kSteppedLists)
        if (list.row == row) return &list;
    return nullptr;
}

}  // namespace

void ChooseMelodyAlgorithm(MusicStyle& style, int part, MelodyStructureHost& host) {
    if (!ValidMelodyPart(part)) return;
    MelodySettings& m = style.melody[part];
    ListChoice lists[2] = {ListOf(kAlgorithm, m.algorithm), ListOf(kMelodyRepeat, m.repeatMelody)};
    host.ChooseFromPicker("Algorithm", lists);
    m.algorithm = ValueAt(kAlgorithm, lists[0].selection, m.algorithm);
    m.repeatMelody = ValueAt(kMelodyRepeat, lists[1].selection, m.repeatMelody);
    if (m.algorithm == kAlgorithmMelodyTable) {
        host.EditMelodyTable();
    } else if (m.algorithm == kAlgorithmDirectional) {
        m.algorithmParameter = host.ChooseStrength(m.algorithmParameter);
    }
}

std::vector<int> RegionsPressedWith(int region) {
    if (!IsNumberLikeRow(region)) return {region};
    return {region, kMelodyFirstMinus + region - 1, kMelodyFirstPlus + region - 1};
}

MelodyStructure::MelodyStructure(MusicStyle& style, int part, MelodyStructureHost& host)
    : style_(style), part_(part), host_(host) {}

bool MelodyStructure::ValidPart() const {
    return ValidMelodyPart(part_);
}

MelodySettings& MelodyStructure::Settings() {
    return style_.melody[part_];
}

const char* MelodyStructure::Caption(int row) {
    return row >= 0 && row <= kMelodyRowCount ? kCaptions[row] : "";
}

int MelodyStructure::Spacer(int row) {
    return IsNumberLikeRow(row) ? kShortSpacer : kLongSpacer;
}

const std::string& MelodyStructure::ValueText(int row) const {
    return texts_[static_cast<std::size_t>(std::clamp(row, 0, kMelodyRowCount))];
}

void MelodyStructure::RefreshAll() {
    if (!ValidPart()) {
        Refresh(kRowInstrument);
        return;
    }
    for (int row = 1; row <= kMelodyRowCount; ++row)
        Step(row, 0);
}

void MelodyStructure::Press(int region) {
    if (!ValidPart()) return;
    if (region >= 1 && region <= kMelodyRowCount) {
        Choose(region);
        // A chooser may change more than its own row (the note range both).
        for (int row = 1; row <= kMelodyRowCount; ++row)
            Refresh(row);
    } else if (region >= kMelodyFirstMinus && region < kMelodyFirstPlus) {
        Step(region - kMelodyFirstMinus + 1, -1);
    } else if (region >= kMelodyFirstPlus && region < kMelodyRegionCount) {
        Step(region - kMelodyFirstPlus + 1, 1);
    }
}

void MelodyStructure::StepVoice(int step) {
    std::int32_t& voice = style_.voice[part_];
    if (step == 0) return;
    // A voice the chooser does not offer (256 "no instrument" from a file)
    // starts again at the first instrument.
    if (voice < 0 || voice > kLastSteppedVoice) {
        voice = 0;
        return;
    }
    int moved = voice + step;
    ClampOrWrap(&moved, 0, kLastSteppedVoice, true);
    voice = moved;
}

void MelodyStructure::Step(int row, int step) {
    MelodySettings& m = Settings();
    if (const SteppedList* list = FindSteppedList(row)) {
        std::int32_t& field = m.*(list->field);
        field = StepChoice(*list->choices, field, step);
        if (row == kRowRhythm && ChoicePosition(kSyncopation, m.syncopation) >=
                                     static_cast<int>(kSyncopation.values.size()))
            m.syncopation = 0;
        Refresh(row);
        return;
    }
    switch (row) {
        case kRowInstrument:
            StepVoice(step);
            break;
        case kRowLowest:
            m.lowerLimit = ClampedStep(m.lowerLimit, step, kLowestNoteFloor, kLowestNoteCeiling);
            m.lowerLimit = ClampedStep(m.lowerLimit, 0, kLowestNoteFloor, m.upperLimit);
            if (m.lowerLimit > m.upperLimit) m.lowerLimit = m.upperLimit;
            break;
        case kRowHighest:
            m.upperLimit = ClampedStep(m.upperLimit, step, kLowestNoteFloor, kHighestNoteCeiling);
            m.upperLimit = ClampedStep(m.upperLimit, 0, m.lowerLimit, kHighestNoteCeiling);
            break;
        case kRowRestRate:
            style_.density[part_] = RestClassToDensity(StepRestClass(style_.density[part_], step));
            break;
        default:
            return;
    }
    Refresh(row);
}

void MelodyStructure::Choose(int row) {
    MelodySettings& m = Settings();
    switch (row) {
        case kRowInstrument: {
            const int chosen = host_.ChooseInstrument(style_.voice[part_]);
            if (chosen == kVoiceNotUsed)
                ShowErrorMessage(kMelodyNoneError);
            else
                style_.voice[part_] = chosen;
            break;
        }
        case kRowVoicing: {
            ListChoice voicing = ListOf(kVoicing, m.voicing, "Voicing");
            host_.ChooseVoicing(voicing, style_.octave[part_]);
            m.voicing = ValueAt(kVoicing, voicing.selection, m.voicing);
            break;
        }
        case kRowAlgorithm:
            ChooseMelodyAlgorithm(style_, part_, host_);
            break;
        case kRowEffect:
            ChooseEffect();
            break;
        case kRowLowest:
        case kRowHighest:
            host_.ChooseNoteRange(part_, m.upperLimit, m.lowerLimit);
            break;
        case kRowRhythm:
            ChooseRhythm();
            break;
        default:
            ChooseOneList(row);
            break;
    }
}

void MelodyStructure::ChooseEffect() {
    MelodySettings& m = Settings();
    ListChoice lists[2] = {ListOf(kEffect, m.effect, "Effect"),
                           ListOf(kOrnament, m.ornament, "Abbelimenti")};
    host_.ChooseFromListBoxes("Effect/Abbelimenti", lists);
    m.effect = ValueAt(kEffect, lists[0].selection, m.effect);
    m.ornament = ValueAt(kOrnament, lists[1].selection, m.ornament);
    CutForHeavyEffect();
}

// The effects that need a fast machine warn, and cut a tune longer than 30
// bars to 30.
void MelodyStructure::CutForHeavyEffect() {
    const int effect = Settings().effect;
    const bool longPipe = effect == 9;
    if (!longPipe && effect != 8 && effect != 12) return;
    ShowInfoMessage(kHeavyEffectNotice);
    if (style_.tuneLength <= kHeavyEffectBars) return;
    if (longPipe)
        ShowErrorMessage(kTuneCutError);
    else
        ShowInfoMessage(kTuneCutNotice);
    style_.tuneLength = kHeavyEffectBars;
}

void MelodyStructure::ChooseRhythm() {
    MelodySettings& m = Settings();
    ListChoice lists[3] = {ListOf(kNoteLength, m.noteLength, "Note Length"),
                           ListOf(kSyncopation, m.syncopation, "Syncopetion"),
                           ListOf(kRhythmRepeat, m.repeatRhythm, "Repeat")};
    host_.ChooseFromListBoxes("Rhythm", lists);
    m.noteLength = ValueAt(kNoteLength, lists[0].selection, m.noteLength);
    m.syncopation = ValueAt(kSyncopation, lists[1].selection, m.syncopation);
    m.repeatRhythm = ValueAt(kRhythmRepeat, lists[2].selection, m.repeatRhythm);
}

void MelodyStructure::ChooseOneList(int row) {
    MelodySettings& m = Settings();
    std::int32_t* field = nullptr;
    const ChoiceRow* choices = nullptr;
    const char* caption = "";
    if (row == kRowDisonant) {
        field = &m.dissonance;
        choices = &kDissonance;
        caption = "Dissonant";
    } else if (row == kRowTension) {
        field = &m.tension;
        choices = &kTension;
        caption = "Tension";
    } else if (row == kRowRestRate) {
        field = &style_.density[part_];
        choices = &kRestRate;
        caption = "Rest note rate";
    } else {
        return;
    }
    int stored = *field;
    // The rest classes are shown for the density's class.
    if (row == kRowRestRate) stored = RestClassToDensity(DensityToRestClass(stored));
    ListChoice list = ListOf(*choices, stored);
    host_.ChooseFromPicker(caption, std::span<ListChoice>(&list, 1));
    *field = ValueAt(*choices, list.selection, *field);
}

void MelodyStructure::Refresh(int row) {
    texts_[static_cast<std::size_t>(row)] = Text(row);
}

std::string MelodyStructure::Text(int row) {
    if (row == kRowInstrument) {
        std::string name;
        if (!ValidPart()) {
            ShowErrorMessage(kInvalidChannelError);
            return name;
        }
        GetPartInstrumentName(style_, part_ == kPartMelody ? kKindMelody : kKindObbligato, name);
        return name;
    }
    if (!ValidPart()) return {};
    const MelodySettings& m = Settings();
    const std::string slash = "/";
    switch (row) {
        case kRowVoicing:
            return ChoiceName(kVoicing, m.voicing);
        case kRowAlgorithm:
            // A melody repeat outside the levels reads as off.
            return ChoiceName(kAlgorithm, m.algorithm) + slash +
                   ChoiceName(kMelodyRepeat, m.repeatMelody, "Repeat Off");
        case kRowEffect:
            return ChoiceName(kEffect, m.effect, "None") + slash +
                   ChoiceName(kOrnament, m.ornament);
        case kRowLowest:
            return std::to_string(m.lowerLimit);
        case kRowHighest:
            return std::to_string(m.upperLimit);
        case kRowRhythm:
            return ChoiceName(kNoteLength, m.noteLength) + slash +
                   ChoiceName(kSyncopation, m.syncopation) + slash +
                   ChoiceName(kRhythmRepeat, m.repeatRhythm, "Repeat Middle");
        case kRowDisonant:
            return ChoiceName(kDissonance, m.dissonance);
        case kRowTension:
            return ChoiceName(kTension, m.tension);
        case kRowRestRate:
            return ChoiceName(kRestRate,
                              RestClassToDensity(DensityToRestClass(style_.density[part_])));
        default:
            return {};
    }
}
