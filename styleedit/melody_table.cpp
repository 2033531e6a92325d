#include "styleedit/melody_table.h"

#include <algorithm>

namespace {

bool IsLookBack(int value) {
    return value >= 0 && value < kMelodyLookBackCount;
}

int Probability(int value) {
    return std::clamp(value, kIntervalProbabilityMin, kIntervalProbabilityMax);
}

int Direction(int value) {
    return std::clamp(value, kIntervalDirectionMin, kIntervalDirectionMax);
}

}  // namespace

void MendMelodyLookBack(MusicStyle& style) {
    if (!IsLookBack(style.melodyTableStrictness)) style.melodyTableStrictness = 0;
}

MelodyTableValues ReadMelodyTable(const MusicStyle& style) {
    MelodyTableValues values;
    for (int c = 0; c < kMelodyTableClasses; ++c) {
        values.probability[c] = Probability(style.melodyTableInterval[c]);
        values.direction[c] = Direction(style.melodyTableDirection[c]);
    }
    for (int f = 0; f < kMelodyTableFlagCount; ++f)
        values.flags[f] = style.*kMelodyTableFlags[f].field == 1 ? 1 : 0;
    values.lookBack = IsLookBack(style.melodyTableStrictness) ? style.melodyTableStrictness : 0;
    return values;
}

void StoreMelodyTable(const MelodyTableValues& values, MusicStyle& style) {
    for (int c = 0; c < kMelodyTableClasses; ++c) {
        style.melodyTableInterval[c] = Probability(values.probability[c]);
        style.melodyTableDirection[c] = Direction(values.direction[c]);
    }
    for (int f = 0; f < kMelodyTableFlagCount; ++f)
        style.*kMelodyTableFlags[f].field = values.flags[f] == 1 ? 1 : 0;
    style.melodyTableStrictness = IsLookBack(values.lookBack) ? values.lookBack : 0;
}
