#include "styleedit/tune_structure.h"

#include <algorithm>

#include "core/cp932_text.h"
#include "core/utilities.h"

namespace {

constexpr int kKeyValues[] = {2, 1};
constexpr int kTimeValues[] = {1, 0, 2};
constexpr int kTripletTimeValues[] = {1, 0};
constexpr int kBasicBeatValues[] = {3, 0, 1};
constexpr int kScaleValues[] = {1,  7,  2,  3, 13, 6,  8,  14, 15, 16, 20, 12,
                                17, 18, 4,  9, 10, 5, 19, 21, 22, 24, 11};
constexpr int kMethodValues[] = {0, 1, 8};
constexpr int kProgressionValues[] = {4, 3, 2, 1, 7, 5, 9, 6, 10};

constexpr int kTripletRhythm = 3;
constexpr int kWithTriplet = 1;
constexpr std::int32_t kMicrosecondsPerMillisecond = 1000;
constexpr int kMillisecondsPerMinute = 60000;

constexpr const char* kRowCaptions[kTuneRowCount + 1] = {
    "",                   // no row 0: the OK region
    "Style name",         // the title
    "Tempo",              // beats a minute
    "Num of bars",        // "Tune Length"
    "Key signature",      // and "Transpose" through its chooser
    "Time signature",     // the metre
    "Scale",              // and "Scale Notes" through the custom scale
    "Chord progression",  // method and progression
    "Basic beat",         // the rhythm's feel
};

bool IsTriplet(int basicBeat) {
    return basicBeat == kTripletRhythm || basicBeat == kWithTriplet;
}

void StepTempo(MusicStyle& style, int step) {
    if (TuneTempoMissing(style.tempo)) {
        ShowErrorMessage(kTuneTempoMissingError);
        style.tempo = kTuneDefaultTempo;
    }
    const int bpm = TuneBpm(style.tempo);
    int stepped = bpm + step;
    ClampOrWrap(&stepped, kTuneBpmLowest, kTuneBpmHighest, false);
    // Opening the editor leaves a tempo it can show exactly as it is.
    if (step != 0 || stepped != bpm) style.tempo = TuneTempoOfBpm(stepped);
}

void StepBars(MusicStyle& style, int step) {
    int bars = style.tuneLength + step;
    ClampOrWrap(&bars, kTuneBarsLowest, kTuneBarsHighest, false);
    style.tuneLength = bars;
}

void StepTimeSignature(MusicStyle& style, int step) {
    int value = StepChoice(kTuneTimeChoices, style.timeSignature, step);
    // A triplet feel has no 7/8: a step onto it goes one further.
    if (step != 0 && value == kTimeSignature78 && HasTripletFeel(style))
        value = StepChoice(kTuneTimeChoices, value, step);
    style.timeSignature = value;
}

void StepBasicBeat(MusicStyle& style, int step) {
    int value = StepChoice(kTuneBasicBeatChoices, style.basicBeat, step);
    // 7/8 has no triplet feel: its entries are stepped over.
    if (step != 0 && style.timeSignature == kTimeSignature78) {
        for (std::size_t i = 0; i < kTuneBasicBeatChoices.values.size() && IsTriplet(value); ++i)
            value = StepChoice(kTuneBasicBeatChoices, value, step);
    }
    style.basicBeat = value;
}

}  // namespace

const ChoiceRow kTuneKeyChoices{kKeyValues, StyleChoiceList::kKey};
const ChoiceRow kTuneTimeChoices{kTimeValues, StyleChoiceList::kTimeSignature};
const ChoiceRow kTuneTripletTimeChoices{kTripletTimeValues, StyleChoiceList::kTimeSignature};
const ChoiceRow kTuneBasicBeatChoices{kBasicBeatValues, StyleChoiceList::kBasicBeat};
const ChoiceRow kTuneScaleChoices{kScaleValues, StyleChoiceList::kScale};
const ChoiceRow kTuneMethodChoices{kMethodValues, StyleChoiceList::kChordGenerationMethod};
const ChoiceRow kTuneProgressionChoices{kProgressionValues, StyleChoiceList::kChordProgression};

bool TuneTempoMissing(std::int32_t tempo) {
    return tempo / kMicrosecondsPerMillisecond == 0;
}

int TuneBpm(std::int32_t tempo) {
    if (TuneTempoMissing(tempo)) tempo = kTuneDefaultTempo;
    return kMillisecondsPerMinute / (tempo / kMicrosecondsPerMillisecond);
}

std::int32_t TuneTempoOfBpm(int bpm) {
    return (kMillisecondsPerMinute / std::max(bpm, 1)) * kMicrosecondsPerMillisecond;
}

bool HasTripletFeel(const MusicStyle& style) {
    return IsTriplet(style.basicBeat);
}

const ChoiceRow& TimeSignatureChoices(const MusicStyle& style) {
    return HasTripletFeel(style) ? kTuneTripletTimeChoices : kTuneTimeChoices;
}

void StepTuneRow(MusicStyle& style, int row, int step) {
    switch (row) {
        case kTuneRowTempo:
            StepTempo(style, step);
            break;
        case kTuneRowBars:
            StepBars(style, step);
            break;
        case kTuneRowKey:
            style.key = StepChoice(kTuneKeyChoices, style.key, step);
            break;
        case kTuneRowTimeSignature:
            StepTimeSignature(style, step);
            break;
        case kTuneRowScale:
            style.scale = StepChoice(kTuneScaleChoices, style.scale, step);
            break;
        case kTuneRowChordProgression:
            // Stepped under every method; a custom method only hides it.
            style.chordProgression = StepChoice(kTuneProgressionChoices, style.chordProgression, step);
            break;
        case kTuneRowBasicBeat:
            StepBasicBeat(style, step);
            break;
        default:
            break;
    }
}

void RefreshTuneRows(MusicStyle& style) {
    for (int row = kTuneRowTempo; row <= kTuneRowBasicBeat; ++row) StepTuneRow(style, row, 0);
}

std::string TuneRowText(const MusicStyle& style, int row) {
    switch (row) {
        case kTuneRowName:
            return Cp932ToUtf8(DisplayTitle(style));
        case kTuneRowTempo:
            return std::to_string(TuneBpm(style.tempo)) + " bpm";
        case kTuneRowBars:
            return std::to_string(style.tuneLength) + " bars";
        case kTuneRowKey:
            return ChoiceName(kTuneKeyChoices, style.key);
        case kTuneRowTimeSignature:
            return ChoiceName(kTuneTimeChoices, style.timeSignature);
        case kTuneRowScale:
            return ChoiceName(kTuneScaleChoices, style.scale);
        case kTuneRowChordProgression: {
            const std::string method = ChoiceName(kTuneMethodChoices, style.chordGenerationMethod,
                                                  ChoiceName(kTuneMethodChoices, kMethodValues[0]));
            if (style.chordGenerationMethod == kMethodCustom) return method + " / ---";
            return method + " / " + ChoiceName(kTuneProgressionChoices, style.chordProgression);
        }
        case kTuneRowBasicBeat:
            return ChoiceName(kTuneBasicBeatChoices, style.basicBeat);
        default:
            return {};
    }
}

const char* TuneRowCaption(int row) {
    return row >= kTuneRowName && row <= kTuneRowCount ? kRowCaptions[row] : "";
}
