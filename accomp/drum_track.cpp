// Block labels, the drum track frame, the style dispatcher and the run that
// carries a style over the label list.
#include "accomp/drum_track.h"

#include <algorithm>
#include <utility>

#include "accomp/drum_run.h"
#include "core/settings.h"
#include "style/style_table.h"

void BuildBlockLabels(ComposeInformation& info) {
    info.labels.Clear();
    char label[4] = {0, 'X', 'X', 'X'};
    const int blocks = std::min(static_cast<int>(info.blockCount), kMaxBlocks);
    const int sequence =
        std::clamp(static_cast<int>(info.blockSequenceLength), 0, kMaxBlockSequence);
    for (int i = 0; i < sequence; ++i) {
        const int b = info.blockSequence[i];
        if (b < 1 || b > blocks || !info.blockChords[b - 1]) {
            // No chord list stands behind that number.
            ShowErrorMessage(kDrumLabelError);
            continue;
        }
        const NoteList& chords = *info.blockChords[b - 1];
        for (int j = 0; j < chords.Count(); ++j) {
            label[0] = static_cast<char>(static_cast<unsigned char>('@' + b));
            label[1] = j == chords.Count() - 1 ? 'E' : 'X';
            info.labels.AppendLabel(chords.Event(j)->length, label);
        }
    }
    if (PanelMode.load() != kPanelModeConvert) {
        const int closing = WorkingStyle.timeSignature == kMetre44 ? 384 : 288;
        info.labels.AppendLabel(closing, label);
        info.labels.AppendLabel(closing, label);
    }
}

int ChooseDrumKitProgram() {
    const int module = AppSettings.ComposeOutputType;
    const int pattern = WorkingStyle.rhythmPattern;
    if (pattern == 1 && WorkingStyle.basicBeat == kTripletBeat &&
        (WorkingStyle.timeSignature == kMetre34 || WorkingStyle.voice[kPartDrum] != kElectricSet) &&
        (module == 0 || module == 1)) {
        return 40;
    }
    if (pattern == 18 && module == 1) return 49;
    return 0;
}

void BuildDrumTrack(std::vector<ComposeTrackData*>& tracks, int& count) {
    if (WorkingStyle.voice[kPartDrum] == kVoiceNotUsed) return;
    auto* track = new ComposeTrackData(note_mode::kLength, static_cast<int>(WorkBufferSize));
    SetupChannel(*track, kDrumChannel, ChooseDrumKitProgram(), WorkingStyle.mix[kPartDrum], 0);
    track->AddNoteEvent(kDrumChannel, GetLeadInTicks(), 0, 0, 1);
    GenerateDrumPattern(kDrumChannel, ComposeInfo.labels, *track, WorkingStyle.density[kPartDrum]);
    PadTrackEnd(*track);
    tracks.push_back(track);
    ++count;
}

void GenerateDrumPattern(int channel, const NoteList& labels, ComposeTrackData& track, int density,
                         DrumSpanLog* log) {
    const int style = WorkingStyle.rhythmPattern;
    if (style < 1 || style > kDrumStyleCount) {
        ShowErrorMessage(kDrumPatternError);
        return;
    }
    drums::DrumRun run(channel, labels, track, density, log);
    drums::RunDrumStyle(style, run);
    run.Finish();
}

namespace drums {

bool IsTriplet() {
    return WorkingStyle.basicBeat == kTripletBeat;
}

bool IsThreeFour() {
    return WorkingStyle.timeSignature == kMetre34;
}

// ---- The run ----

DrumRun::DrumRun(int channel, const NoteList& labels, ComposeTrackData& track, int density,
                 DrumSpanLog* log)
    : channel_(channel), track_(track), density_(density), log_(log) {
    long long start = 0;
    spans_.reserve(static_cast<std::size_t>(labels.Count()));
    for (int i = 0; i < labels.Count(); ++i) {
        const NoteEvent* e = labels.Event(i);
        DrumSpan span;
        span.start = start;
        span.length = std::max(0, static_cast<int>(e->length));
        span.letter = static_cast<unsigned char>(e->label[0]);
        span.mark = static_cast<unsigned char>(e->label[1]);
        span.index = i;
        spans_.push_back(span);
        start += span.length;
    }
    for (int i = 0; i < track.EventCount(); ++i)
        origin_ += track.Event(i)->delta;
    accounted_ = track.EventCount();
}

void DrumRun::BeginSpan() {
    spanFirstEvent_ = track_.EventCount();
    spanLastTime_ = lastTime_;
}

void DrumRun::EndSpan(const DrumSpan& span, bool shuffle) {
    if (shuffle) ShuffleSpan(span);
    for (; accounted_ < track_.EventCount(); ++accounted_)
        lastTime_ += track_.Event(accounted_)->delta;
    // The cursor points at the span's end, whatever the style left in it.
    cursor = static_cast<int>(std::max(0LL, span.start + span.length - lastTime_));
    if (log_) log_->spanEventEnd.push_back(track_.EventCount());
}

void DrumRun::ShuffleSpan(const DrumSpan& span) {
    const int first = spanFirstEvent_;
    const int n = track_.EventCount() - first;
    if (n <= 0) return;
    std::vector<long long> times(static_cast<std::size_t>(n));
    long long t = spanLastTime_;
    for (int i = 0; i < n; ++i) {
        t += track_.Event(first + i)->delta;
        times[static_cast<std::size_t>(i)] = t;
    }
    // The first two onsets of each 96-tick unit of the tune go to their
    // shuffle places, every note of an onset with it; later onsets keep
    // their times.
    constexpr int kUnit = 96;
    const long long lastTick = span.start + std::max(span.length, 1) - 1;
    int i = 0;
    while (i < n) {
        const long long base = (origin_ + times[static_cast<std::size_t>(i)]) / kUnit * kUnit;
        int j = i;
        while (j < n && origin_ + times[static_cast<std::size_t>(j)] < base + kUnit)
            ++j;
        long long onsets[2] = {};
        int placed = 0;
        for (int k = i; k < j && placed < 2; ++k) {
            const long long at = times[static_cast<std::size_t>(k)];
            if (placed == 0 || onsets[placed - 1] != at) onsets[placed++] = at;
        }
        long long offsets[2] = {};
        long long targets[2] = {};
        for (int k = 0; k < placed; ++k)
            offsets[k] = origin_ + onsets[k] - base;
        if (placed == 1) {
            MidiTrackData::PlaceOneNote(kUnit, offsets, targets);
        } else if (placed == 2) {
            MidiTrackData::PlaceTwoNotes(kUnit, offsets, targets);
        }
        for (int k = i; k < j; ++k) {
            long long& at = times[static_cast<std::size_t>(k)];
            for (int o = 0; o < placed; ++o) {
                if (at == onsets[o]) {
                    at = std::clamp(base + targets[o] - origin_, span.start, lastTick);
                    break;
                }
            }
        }
        i = j;
    }
    // Moved notes take their place in time order.
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        order[static_cast<std::size_t>(k)] = k;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return times[static_cast<std::size_t>(a)] < times[static_cast<std::size_t>(b)];
    });
    std::vector<MidiEvent*> events(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        events[static_cast<std::size_t>(k)] = track_.Event(first + k);
    long long previous = spanLastTime_;
    for (int k = 0; k < n; ++k) {
        const int from = order[static_cast<std::size_t>(k)];
        MidiEvent* e = events[static_cast<std::size_t>(from)];
        const long long at = times[static_cast<std::size_t>(from)];
        e->delta = static_cast<int>(at - previous);
        previous = at;
        // Put the event at position first + k by swapping it there.
        int where = first + k;
        while (where < track_.EventCount() && track_.Event(where) != e)
            ++where;
        if (where != first + k && where < track_.EventCount()) track_.SwapEvents(first + k, where);
    }
}

void DrumRun::Steps(const DrumKindTable& kinds, int span, int step) {
    LayDrumSteps(cursor, span, channel_, track_, kinds, step, &report_);
}

void DrumRun::Offbeat(const DrumKindTable& kinds, const DrumSpan& span, int step) {
    // Half a beat late is counted from the start of the label list.
    LayDrumStepsOffbeat(cursor, span.length, channel_, track_, kinds, step, span.start, &report_);
}

void DrumRun::Velocities(const DrumKindTable& kinds, const DrumVelocityTable& velocities, int span,
                         int step) {
    LayDrumStepsWithVelocities(cursor, span, channel_, track_, kinds, step, velocities, &report_);
}

void DrumRun::Hit(int kind, int length, int gap, int velocity) {
    EmitDrumHit(cursor, length, gap, channel_, track_, kind, velocity, &report_);
}

void DrumRun::Note(int key, int velocity, int length) {
    track_.AddNoteEvent(channel_, cursor, key, std::clamp(velocity, 0, 127), std::max(length, 1));
    cursor = 0;
}

void DrumRun::Finish() {
    if (cursor > 0) track_.AddNoteEvent(channel_, cursor, 0, 0, 1);
    cursor = 0;
}

// ---- Note grids ----

int PlayNoteGridSpan(int span, int pending, const NoteGrid& grid, ComposeTrackData& track,
                     int channel) {
    constexpr int kStep = 24;
    if (span <= 0) return pending;
    const int steps = (span + kStep - 1) / kStep;
    for (int s = 0; s < steps; ++s) {
        const int length = s == steps - 1 ? span - kStep * s : kStep;
        bool sounded = false;
        for (const GridVoice& v : grid[static_cast<std::size_t>(s % 16)]) {
            if (v.key < 0) continue;
            track.AddNoteEvent(channel, sounded ? 0 : pending, v.key,
                               std::clamp(v.velocity, 0, 127), 2);
            sounded = true;
        }
        pending = sounded ? length : pending + length;
    }
    return pending;
}

void OverlayNoteGrid(NoteGrid& result, const NoteGrid& base, const NoteGrid& overlay) {
    result = base;
    for (std::size_t s = 0; s < result.size(); ++s) {
        std::size_t free = 0;
        for (const GridVoice& v : overlay[s]) {
            if (v.key < 0) continue;
            while (free < kGridVoices && result[s][free].key >= 0)
                ++free;
            if (free == kGridVoices) break;
            result[s][free] = v;
        }
    }
}

// ---- Random tables ----

namespace {

int MainBeat(int full, int bare) {
    if (RandomInRange(1, 3) != 1) return full;
    if (Chance(2)) return 1;
    if (!Chance(2)) return Chance(2) ? 15 : 6;
    return bare;
}

int EvenOffBeat() {
    if (!Chance(4)) return 1;
    if (Chance(2)) return 15;
    return Chance(2) ? 5 : 6;
}

int FirstOfChain(int a, int b, int c, int otherwise) {
    if (Chance(2)) return a;
    if (Chance(2)) return b;
    if (Chance(2)) return c;
    return otherwise;
}

int LateStep() {
    if (RandomInRange(1, 3) != 1) return 1;
    return FirstOfChain(15, 2, 21, Chance(2) ? 5 : 6);
}

int OtherStep() {
    if (RandomInRange(1, 3) != 1) return 1;
    return FirstOfChain(21, 6, 15, 5);
}

}  // namespace

void RandomEightBeatTable(DrumKindTable& kinds) {
    const bool threeFour = IsThreeFour();
    const bool fourFour = WorkingStyle.timeSignature == kMetre44;
    for (int i = 0; i < 32; ++i) {
        const int p = threeFour ? i % 12 : i % 16;
        int kind;
        if (p == 0 || p == 8) {
            kind = MainBeat(5, 2);
        } else if (p == 4 || (p == 12 && fourFour)) {
            kind = MainBeat(4, 3);
        } else if (p == 2 || p == 6 || p == 10 || (p == 14 && fourFour)) {
            kind = EvenOffBeat();
        } else if (p == 3 || p == 7 || p == 11 || (p == 15 && fourFour)) {
            kind = LateStep();
        } else {
            kind = OtherStep();
        }
        kinds[static_cast<std::size_t>(i)] = kind;
    }
}

void RandomTripletTable(DrumKindTable& kinds) {
    for (int i = 0; i < 24; ++i) {
        const int p = i % 12;
        int kind;
        if (p == 0 || p == 6 || p == 8) {
            kind = MainBeat(5, 2);
        } else if (p == 3 || p == 9) {
            kind = MainBeat(4, 3);
        } else if (p == 2 || p == 4 || p == 10) {
            kind = EvenOffBeat();
        } else if (p == 7 || p == 11) {
            kind = LateStep();
        } else {
            kind = OtherStep();
        }
        kinds[static_cast<std::size_t>(i)] = kind;
    }
    for (int i = 24; i < 32; ++i)
        kinds[static_cast<std::size_t>(i)] = kinds[static_cast<std::size_t>(i - 24)];
}

void ApplyDrumFill(DrumKindTable& kinds) {
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const std::size_t p = i % 16;
        if (p != 5 && p != 6 && p != 7 && p != 13 && p != 14 && p != 15) continue;
        if (Chance(2)) continue;
        if (RandomInRange(1, 3) != 1) {
            kinds[i] = 4;
        } else if (RandomInRange(1, 3) == 1) {
            kinds[i] = Chance(3) ? 1 : 23;
        } else {
            kinds[i] = 15;
        }
    }
}

}  // namespace drums
