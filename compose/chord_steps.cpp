#include "compose/chord_steps.h"

#include <algorithm>
#include <climits>

#include "compose/chord_weights.h"
#include "core/utilities.h"
#include "style/style_table.h"

NoteList ImportedMelodyList;
NoteList StartupMelodyList;

namespace {

// The code each draw of 0..23 gives.
constexpr int kDrawnCode[24] = {0, 11, 7, 12, 6, 13, 5,  14, 4,  15, 3, 16,
                                2, 17, 1, 18, 0, 11, 13, 5,  15, 3,  1, 18};

constexpr int kMelodyPart = 1;

// Codes off the chord become root, third or fifth an octave up (or stay) at
// random, when the melody's dissonance reaches the code's threshold.
int ToChordTone(int code) {
    switch (code) {
        case 1:
        case 3:
        case 5:
        case 11:
        case 13:
        case 15:
        case 18:
            return code;
        default:
            break;
    }
    const int threshold = (code == 7 || code == 17) ? 9 : 4;
    if (WorkingStyle.melody[kMelodyPart].dissonance < threshold) return code;
    switch (RandomInRange(1, 4)) {
        case 1:
            return 11;
        case 2:
            return 13;
        case 3:
            return 15;
        default:
            return code;
    }
}

// The first sounding step's own rewrite after the chord-tone rule.
int SettleFirst(int code) {
    switch (code) {
        case 2:
            return 13;  // 2 -> 3 -> 13
        case 12:
            return 13;
        case 4:
            return 5;
        case 7:
            return 11;
        case 14:
            return 15;
        case 17:
            return 18;
        default:
            return code;
    }
}

int StyleTempoClass() {
    const int micros = WorkingStyle.tempo;
    const int bpm = micros > 0 ? 60000000 / micros : 120;
    return TempoToClass(bpm);
}

}  // namespace

ChordSteps GenerateRandomChordSteps() {
    ChordSteps steps{};
    for (int& s : steps)
        s = kDrawnCode[RandomInRange(0, 23)];

    const int blanks = RandomInRange(0, StyleTempoClass());
    for (int i = 0; i < blanks; ++i)
        steps[static_cast<std::size_t>(RandomInRange(0, 63))] = 0;
    const int run = RandomInRange(0, 4);
    const int from = RandomInRange(0, kChordSteps - 1);
    for (int i = from; i < from + run && i < kChordSteps; ++i)
        steps[static_cast<std::size_t>(i)] = 0;

    const auto sounding = [](int s) { return s != 0; };
    auto first = std::find_if(steps.begin(), steps.end(), sounding);
    if (first == steps.end()) {
        steps.front() = 1;
        steps.back() = 1;
        first = steps.begin();
    }
    *first = SettleFirst(ToChordTone(*first));
    auto last = std::find_if(steps.rbegin(), steps.rend(), sounding);
    *last = ToChordTone(*last);
    return steps;
}

int LeadingRestLength(const NoteList& list) {
    const int bar = TicksPerBar(WorkingStyle.timeSignature);
    // Summed wide: an imported rest may be of any length.
    long long sum = 0;
    for (int i = 0; i < list.Count() && sum < bar; ++i) {
        const NoteEvent* e = list.Event(i);
        if (!e || e->kind != note_kind::kNote) continue;
        if (e->value > 0) break;
        sum += std::max(0, e->length);
    }
    return static_cast<int>(std::min<long long>(sum, INT_MAX));
}

int ShortestLeadingRest() {
    return std::min(LeadingRestLength(ImportedMelodyList), LeadingRestLength(StartupMelodyList));
}
