#include "compose/length_fitting.h"

#include <algorithm>

#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "style/style_table.h"

int MeasuredTuneLength = 0;
int FitState = 0;

namespace {

constexpr int kMaxFitSteps = 1000;
constexpr int kStillSteps = 6;        // 4/4: a change without effect from here on stops
constexpr int kFinerSteps = 3;        // after this many steps the finer lengths come in
constexpr int kBlockDropSteps = 500;  // 3/4: after this many the scan leaves out a block
constexpr int kLowestScanLimit = 2;

// The blocks the 3/4 fitting scans; it leaves out one more block with every
// shortening step past 500, down to 2. The block count itself stays, so the
// melody and labels still cover every block the sequence plays.
int TripleScanLimit = 0;

bool NotFitted() {
    const MusicStyle& style = WorkingStyle;
    return style.chordsInBlock == 1 || style.blockLength == 4 || style.chordGenerationMethod == 8;
}

// Calls change(length) on the chord events of blocks 1..blocks in order until
// it gives a new length.
template <typename Change>
bool ChangeFirstChord(NoteListArray& lists, int blocks, Change change) {
    const int limit = std::clamp(blocks, 0, kMaxBlocks);
    for (int block = 0; block < limit; ++block) {
        NoteList& list = *lists[block];
        for (int e = 0; e < list.Count(); ++e) {
            NoteEvent& event = *list.Event(e);
            if (event.kind != note_kind::kChord) continue;
            const int changed = change(event.length);
            if (changed != 0) {
                event.length = changed;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int BeatsPerBarOf(int timeSignature) {
    return timeSignature == kMetre44 ? 4 : 3;
}

int MeasureTuneLength() {
    MeasuredTuneLength = BuildChordTimeline() / BeatsPerBarOf(WorkingStyle.timeSignature);
    ComposeInfo.barCount = MeasuredTuneLength;
    return MeasuredTuneLength;
}

bool ShortenOneChord(NoteListArray& lists, int blocks, int steps) {
    return ChangeFirstChord(lists, blocks, [steps](int length) {
        if (length >= 384 && RandomInRange(1, 3) == 1) return 192;
        if (steps > kFinerSteps && length >= 192 && RandomInRange(1, 2) == 1) return 96;
        return 0;
    });
}

bool LengthenOneChord(NoteListArray& lists, int blocks, int steps) {
    return ChangeFirstChord(lists, blocks, [steps](int length) {
        if (length < 384 && RandomInRange(1, 3) == 1) return 384;
        if (length < 768 && RandomInRange(1, 3) == 1) return 768;
        if (steps > kFinerSteps && length < 192 && RandomInRange(1, 2) == 1) return 192;
        return 0;
    });
}

bool ShortenOneTripleChord(NoteListArray& lists, int blocks) {
    return ChangeFirstChord(lists, blocks, [](int length) {
        return length > 575 && RandomInRange(1, 3) == 1 ? 288 : 0;
    });
}

bool LengthenOneTripleChord(NoteListArray& lists, int blocks) {
    // Up to 576, the longer of the two 3/4 lengths, so that a tune of
    // 288-tick chords can grow.
    return ChangeFirstChord(lists, blocks, [](int length) {
        return length < 576 && RandomInRange(1, 3) == 1 ? 576 : 0;
    });
}

bool FitLengthCommonTime(int& state) {
    if (NotFitted()) return true;
    const int before = MeasuredTuneLength;
    const int target = WorkingStyle.tuneLength;
    if (before == target) return ++state > kMaxFitSteps;
    if (before > target)
        ShortenOneChord(ComposeInfo.blockChords, ComposeInfo.blockCount, state);
    else
        LengthenOneChord(ComposeInfo.blockChords, ComposeInfo.blockCount, state);
    if (MeasureTuneLength() == before && state >= kStillSteps) return true;
    return ++state > kMaxFitSteps;
}

bool FitLengthTripleTime(int& state) {
    if (NotFitted()) return true;
    if (state == 0) TripleScanLimit = ComposeInfo.blockCount;
    const int target = WorkingStyle.tuneLength;
    if (MeasuredTuneLength > target) {
        if (state > kBlockDropSteps && TripleScanLimit > kLowestScanLimit) --TripleScanLimit;
        ShortenOneTripleChord(ComposeInfo.blockChords, TripleScanLimit);
        MeasureTuneLength();
    } else if (MeasuredTuneLength < target) {
        LengthenOneTripleChord(ComposeInfo.blockChords, TripleScanLimit);
        MeasureTuneLength();
    }
    return ++state > kMaxFitSteps;
}

int FitToTuneLength(const std::function<bool(bool commonTime)>& beforeStep) {
    const int target = WorkingStyle.tuneLength;
    const int metre = WorkingStyle.timeSignature;
    int bars = MeasureTuneLength();
    FitState = 0;
    if (metre != kMetre44 && metre != kMetre34) return bars;
    const bool common = metre == kMetre44;
    while (bars > target + 1 || bars < target - 1) {
        if (beforeStep && !beforeStep(common)) return -1;
        const bool done = common ? FitLengthCommonTime(FitState) : FitLengthTripleTime(FitState);
        bars = MeasuredTuneLength;
        if (done) break;
    }
    return bars;
}
