// The role passes of TuneStructure, run in order after either analysis. All
// products are taken in 64-bit arithmetic: the counts of a long tune times
// the factors below do not fit 32 bits.
#include <cstddef>
#include <cstdint>

#include "compose/tune_structure.h"

namespace {

using Row = TuneStructure::Row;

long long At(const Row& row, int c) {
    return row[static_cast<std::size_t>(c)];
}

}  // namespace

void TuneStructure::RunRolePasses() {
    AssignFirstRoles();
    if (bassCount == 0) SearchBass();
    if (melodyCount == 0) FindMelodyFromTotals();
    if (harmonyCount == 0) AssignHarmonyByChordRatio();
    ChooseOneMelody();
    FillHarmony();
    MakeEverythingHarmony();
    if (melodyCount == 0) FallBackMelody();
}

// A melody candidate joins the list while it has room; once full, it takes
// each place whose channel it outdoes in short notes and smoothness.
void TuneStructure::OfferMelodyCandidate(int i) {
    const auto si = static_cast<std::size_t>(i);
    if (melodyCount < kMaxMelodies) {
        role[si] = tune_role::kMelody;
        melodyList[static_cast<std::size_t>(melodyCount++)] = i;
        return;
    }
    for (std::size_t place = 0; place < kMaxMelodies; ++place) {
        const int r = melodyList[place];
        const long long stepsI = At(steps, i), stepsR = At(steps, r);
        if (2 * At(veryShortNotes, i) < At(shortNotes, r) + At(veryShortNotes, r)) continue;
        if (stepsI <= 0) continue;
        const bool smoother = stepsR == 0 || (At(leaps, i) / stepsI < At(leaps, r) / stepsR &&
                                              stepsR + At(leaps, r) < stepsI + At(leaps, i));
        if (!smoother) continue;
        role[si] = tune_role::kMelody;
        role[static_cast<std::size_t>(r)] = tune_role::kUndefined;
        melodyList[place] = i;
    }
}

bool TuneStructure::QualifiesAsHarmony(int i) const {
    const long long low = At(lowNotes, i), high = At(highNotes, i);
    const long long total = At(singleNotes, i) + At(chordNotes, i);
    if (2 * low < high) {
        if (At(singleNotes, i) < At(chordNotes, i)) return true;
        for (int j = 0; j < kChannels; ++j) {
            if (j == i || j == kDrumChannel) continue;
            if (At(chordNotes, j) + At(singleNotes, j) >= total) return false;
        }
        return true;
    }
    return low < high && high <= 2 * low && 4LL * barCount < total &&
           At(singleNotes, i) < 3 * At(chordNotes, i);
}

// Pass 1: bass, melody candidates and harmony from each channel's figures.
void TuneStructure::AssignFirstRoles() {
    for (int i = 0; i < kChannels; ++i) {
        const auto si = static_cast<std::size_t>(i);
        if (used[si] != 1 || role[si] == tune_role::kDrums) continue;
        const long long chord = At(chordNotes, i), single = At(singleNotes, i);
        const long long low = At(lowNotes, i), high = At(highNotes, i);
        if (IsBassProgram(program[si]) && 10 * high < low && 10 * chord < single) {
            role[si] = tune_role::kBass;
            ++bassCount;
        }
        if (6 * chord < single && role[si] != tune_role::kBass && 3 * low < high &&
            IsMelodicProgram(program[si]))
            OfferMelodyCandidate(i);
        if (IsChordalProgram(program[si]) && role[si] != tune_role::kMelody &&
            QualifiesAsHarmony(i)) {
            role[si] = tune_role::kHarmony;
            ++harmonyCount;
        }
    }
}

// Pass 2: the lowest, most single-noted free channel becomes the bass.
void TuneStructure::SearchBass() {
    for (long long n = 10; n >= 1; --n) {
        for (int j = 0; j < kChannels; ++j) {
            const auto sj = static_cast<std::size_t>(j);
            if (j == kDrumChannel || used[sj] != 1 || role[sj] != tune_role::kUndefined) continue;
            if (n * At(highNotes, j) < At(lowNotes, j) &&
                n * At(chordNotes, j) < At(singleNotes, j)) {
                role[sj] = tune_role::kBass;
                return;
            }
        }
    }
    for (int j = 0; j < kChannels; ++j) {
        const auto sj = static_cast<std::size_t>(j);
        if (used[sj] == 1 && role[sj] == tune_role::kUndefined &&
            At(chordNotes, j) < At(singleNotes, j)) {
            role[sj] = tune_role::kBass;
            return;
        }
    }
}

// Pass 3: a melody from channels with enough notes, channel 0 first.
void TuneStructure::FindMelodyFromTotals() {
    auto total = [this](int c) { return At(singleNotes, c) + At(chordNotes, c); };
    auto join = [this](int c) {
        role[static_cast<std::size_t>(c)] = tune_role::kMelody;
        melodyList[static_cast<std::size_t>(melodyCount++)] = c;
    };
    if (role[0] == tune_role::kUndefined && 2LL * barCount < total(0) &&
        IsMelodicProgram(program[0]))
        join(0);
    if (melodyCount != 0) return;
    for (int i = 0; i < kChannels && melodyCount < kMaxMelodies; ++i) {
        const auto si = static_cast<std::size_t>(i);
        if (!(At(chordNotes, i) < 2 * At(singleNotes, i) && IsMelodicProgram(program[si]) &&
              2LL * barCount < total(i)))
            continue;
        if (role[si] == tune_role::kUndefined) {
            join(i);
        } else if (role[si] == tune_role::kHarmony && harmonyCount >= 2 &&
                   (total(i) < 8LL * barCount || usedChannelCount == 2)) {
            join(i);
            --harmonyCount;
        }
    }
}

// Pass 4: chordal free channels become harmony unless another free channel
// plays more chord notes per single note. A channel without single notes
// has no ratio to compare and takes the role like the others.
void TuneStructure::AssignHarmonyByChordRatio() {
    for (int i = 0; i < kChannels; ++i) {
        const auto si = static_cast<std::size_t>(i);
        if (!IsChordalProgram(program[si]) || role[si] != tune_role::kUndefined) continue;
        bool outdone = false;
        if (At(singleNotes, i) != 0) {
            const long long ratio = At(chordNotes, i) / At(singleNotes, i);
            for (int j = 0; j < kChannels && !outdone; ++j) {
                const auto sj = static_cast<std::size_t>(j);
                if (j == i || j == kDrumChannel || role[sj] != tune_role::kUndefined ||
                    At(singleNotes, j) == 0)
                    continue;
                outdone = At(chordNotes, j) / At(singleNotes, j) > ratio;
            }
        }
        if (outdone) continue;
        role[si] = tune_role::kHarmony;
        ++harmonyCount;
    }
}

// Pass 5: of the melody channels the one with the most short notes stays
// the melody; the other listed ones become obbligatos.
void TuneStructure::ChooseOneMelody() {
    int choice = FindChannelByRole(tune_role::kMelody);
    if (choice >= kChannels) choice = 0;
    auto quick = [this](int c) { return At(shortNotes, c) + At(veryShortNotes, c); };
    for (int c = 0; c < kChannels; ++c) {
        if (role[static_cast<std::size_t>(c)] != tune_role::kMelody) continue;
        if (quick(c) > quick(choice) && At(veryShortNotes, c) < 5 * At(shortNotes, c)) choice = c;
    }
    for (int k = 0; k < melodyCount && k < kMaxMelodies; ++k) {
        const auto listed = static_cast<std::size_t>(melodyList[static_cast<std::size_t>(k)]);
        if (role[listed] == tune_role::kMelody) role[listed] = tune_role::kObbligato;
    }
    if (melodyCount > 0) role[static_cast<std::size_t>(choice)] = tune_role::kMelody;
}

// Pass 6: free chordal channels with more notes than bars play harmony.
void TuneStructure::FillHarmony() {
    for (int c = 0; c < kChannels; ++c) {
        const auto sc = static_cast<std::size_t>(c);
        if (role[sc] == tune_role::kUndefined &&
            barCount < At(singleNotes, c) + At(chordNotes, c) && IsChordalProgram(program[sc]))
            role[sc] = tune_role::kHarmony;
    }
}

// Pass 7: with neither bass nor harmony, every used channel but the melody
// becomes harmony.
void TuneStructure::MakeEverythingHarmony() {
    if (usedChannelCount <= 1) return;
    for (int c = 0; c < kChannels; ++c) {
        const auto sc = static_cast<std::size_t>(c);
        if (used[sc] == 1 && (role[sc] == tune_role::kBass || role[sc] == tune_role::kHarmony))
            return;
    }
    for (int c = 0; c < kChannels; ++c) {
        const auto sc = static_cast<std::size_t>(c);
        if (used[sc] == 1 && role[sc] != tune_role::kMelody) role[sc] = tune_role::kHarmony;
    }
}

// Pass 8: still no melody: the bass, else the most single-noted harmony.
void TuneStructure::FallBackMelody() {
    int chosen = FindChannelByRole(tune_role::kBass);
    if (chosen >= kChannels) {
        chosen = -1;
        long long bestSingle = 0, bestTotal = 1;
        for (int c = 0; c < kChannels; ++c) {
            if (role[static_cast<std::size_t>(c)] != tune_role::kHarmony) continue;
            const long long single = At(singleNotes, c);
            const long long total = single + At(chordNotes, c);
            if (total == 0) continue;
            // single / total greater than the best so far.
            if (chosen < 0 || single * bestTotal > bestSingle * total) {
                chosen = c;
                bestSingle = single;
                bestTotal = total;
            }
        }
    }
    if (chosen < 0) return;
    role[static_cast<std::size_t>(chosen)] = tune_role::kMelody;
    melodyList[0] = chosen;
    melodyCount = 1;
}
