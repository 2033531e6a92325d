#include "style/random_riff.h"

#include <algorithm>

#include "core/utilities.h"

namespace {

// Riff units per bar: a 4/4 bar is 32 units; triplet rhythm uses three
// quarters of that.
int RiffTarget(const MusicStyle& style) {
    bool triplet = style.basicBeat == 3;
    switch (style.timeSignature) {
        case kMetre44:
            return triplet ? 24 : 32;
        case kMetre34:
            return triplet ? 18 : 24;
        default:
            return triplet ? 0 : 28;
    }
}

int RandomChordStep() {
    return 2 * RandomInRange(0, 2) + 4;
}

bool IsChordStep(int step) {
    return step == 4 || step == 6 || step == 8;
}

// Triples that fit with the terminating zero.
constexpr int kMaxTriples = (kRiffTableSize - 1) / 3;

}  // namespace

void GenerateRandomRiff(int (&riff)[kRiffTableSize], const MusicStyle& style) {
    std::fill(std::begin(riff), std::end(riff), 0);
    int target = RiffTarget(style);
    if (target == 0) return;

    int doubling = RandomInRange(2, 4);
    int sequenceChance = RandomInRange(4, 8);
    int periodTop = RandomInRange(1, 2) != 1 ? 32 : 8;
    int period = RandomInRange(4, periodTop);

    int pattern[kRiffTableSize] = {};
    int run = 0;
    int sequence = 0;
    int direction = 1;
    int total = 0;
    bool firstStepFlag = true;
    bool secondFlag = true;
    int previousFirst = 0;
    int previousSecond = 0;

    for (int triple = 0; total < target && triple < kMaxTriples; ++triple) {
        int index = triple * 3;
        bool repeating = index >= 3 * period;
        const int* repeated = &pattern[(triple % period) * 3];

        // 1. Runs of equal lengths and stepwise sequences.
        if (RandomInRange(1, 3) == 1 && run == 0 && sequence == 0) {
            run = 3;
        } else if (RandomInRange(1, sequenceChance) == 1 && run == 0 && sequence == 0 &&
                   total % 2 == 0) {
            sequence = 4;
            direction = RandomInRange(1, 2) == 1 ? -1 : 1;
        }

        // 2. Length.
        int length;
        if (repeating) {
            length = std::max(1, repeated[0]);
        } else if (run > 0) {
            length = 2;
        } else if (sequence > 0) {
            length = 1;
        } else if (RandomInRange(1, 2) == 1) {
            length = 2;
        } else if (RandomInRange(1, 2) == 1) {
            length = RandomInRange(1, 4);
        } else {
            length = 4 * RandomInRange(1, 2);
        }

        // 3. Keep notes on even units after an odd step, and vary short notes.
        if (triple > 0 && previousSecond > 0 && previousSecond % 2 == 1 && length % 2 == 0) {
            ++length;
        }
        if (RandomInRange(1, doubling) == 1 && length < 3) length *= 2;
        if (length % 2 == 1 && RandomInRange(1, 2) == 1) ++length;

        // 4. The bar is filled exactly; the last triple also takes what is
        // left when the table is about to run out.
        bool cut = false;
        if (total + length >= target || triple == kMaxTriples - 1) {
            cut = total + length != target;
            length = target - total;
        }
        total += length;

        // 5. First step.
        bool active = run > 0 || sequence > 0;
        int first;
        if (repeating) {
            first = repeated[1];
        } else if (RandomInRange(1, 3) != 1 || active) {
            if (triple > 0 && RandomInRange(1, 6) == 1) {
                first = previousFirst;
            } else if (firstStepFlag || cut) {
                first = RandomChordStep();
            } else if (secondFlag && total > 15) {
                secondFlag = false;
                first = RandomChordStep();
            } else if (length >= 4 || previousFirst == -1 || RandomInRange(1, 4) == 1) {
                first = RandomChordStep();
            } else {
                first = sequence > 0 ? previousFirst + direction
                                     : previousFirst + RandomInRange(0, 4) - 2;
                if (first < 0) first = 2;
                if (first > 11) first = 9;
            }
        } else if (triple == 0) {
            first = RandomChordStep();
        } else {
            first = IsChordStep(previousFirst) ? -1 : RandomChordStep();
        }
        firstStepFlag = false;

        // 6. Avoid the steps between chord tones on longer notes.
        if ((first == 0 || first == 3 || first == 7 || first == 10) && length > 1 && run != 1) {
            ++first;
        }
        if (length % 2 == 1 && first == -1) first = 4;

        // 7. Second step.
        int second;
        if (first == -1 || RandomInRange(1, 4) == 1) {
            second = -1;
        } else {
            second = first - 3;
            if (second < 0) second = -1;
        }
        if (length % 2 == 1 && second == -1) second = 6;

        riff[index] = length;
        riff[index + 1] = first;
        riff[index + 2] = second;
        // 8. The pattern memory keeps byte values, as the record does.
        pattern[index] = static_cast<std::uint8_t>(length);
        pattern[index + 1] = static_cast<std::int8_t>(first);
        pattern[index + 2] = static_cast<std::int8_t>(second);

        if (run > 0) --run;
        if (sequence > 0) --sequence;
        previousFirst = first;
        previousSecond = second;
    }
}
