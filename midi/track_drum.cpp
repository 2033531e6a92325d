// Drum keys and single-voice parts.
#include <algorithm>

#include "midi/track_data.h"

namespace {

constexpr int kLowestDrumKey = 35;
constexpr int kHighestDrumKey = 81;

// Related drum keys; the first of a group is chosen when none is played.
const std::vector<std::vector<int>> kDrumKeyGroups = {
    {35, 36}, {38, 40},         {41, 43, 45, 47, 48, 50},
    {42},     {44, 46},         {49, 51, 57, 52, 59, 55},
    {60, 61}, {62, 63, 64},     {67, 68},
    {71, 72}, {78, 79},         {73, 74},
    {65, 66}, {37, 75, 76, 77}, {39, 56, 53, 54, 58},
    {69, 70}, {80, 81},
};

bool CarriesKey(const MidiEvent& e) {
    return e.kind == event_kind::kNote || e.kind == event_kind::kNoteOn ||
           e.kind == event_kind::kNoteOff || e.kind == event_kind::kPolyPressure;
}

}  // namespace

int MidiTrackData::LimitDrumRange(int warn) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    int changed = 0;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->IsNoteWithLength() && (e->note < kLowestDrumKey || e->note > kHighestDrumKey)) {
            e->note = kLowestDrumKey;
            changed = 1;
        }
    }
    if (warn == 1 && changed) ShowError(mdtk::kDrumRange);
    FixDuplicateNotes(0);
    return changed;
}

void MidiTrackData::UnifyDrumNotes() {
    int count[128] = {};
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = events_[i];
        if (e->IsNoteStart() && e->note >= 0 && e->note < 128) ++count[e->note];
    }
    int map[128];
    for (int key = 0; key < 128; ++key)
        map[key] = key;
    for (const auto& group : kDrumKeyGroups) {
        int chosen = group.front();
        for (int key : group) {
            if (count[key] > count[chosen]) chosen = key;
        }
        for (int key : group)
            map[key] = chosen;
    }
    bool drum[16];
    for (int ch = 0; ch < 16; ++ch)
        drum[ch] = IsDrumChannel(ch) != 0;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (!CarriesKey(*e) || e->channel < 0 || e->channel > 15 || !drum[e->channel]) continue;
        if (e->note >= 0 && e->note < 128) e->note = map[e->note];
    }
}

void MidiTrackData::MakeMonophonic(int channel) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return;
    }
    auto voice = [&](const MidiEvent& e) {
        return e.IsNoteWithLength() && (channel == kNoChannel || e.channel == channel);
    };
    std::vector<long long> times = AbsoluteTimes();
    // Of simultaneous notes only the highest key stays.
    for (int i = 0; i < eventCount_;) {
        int end = i + 1;
        while (end < eventCount_ &&
               times[static_cast<std::size_t>(end)] == times[static_cast<std::size_t>(i)])
            ++end;
        int highest = -1;
        for (int k = i; k < end; ++k) {
            if (voice(*events_[k]) && (highest < 0 || events_[k]->note > events_[highest]->note)) {
                highest = k;
            }
        }
        for (int k = i; k < end; ++k) {
            if (k != highest && voice(*events_[k])) events_[k]->Clear();
        }
        i = end;
    }
    // Each note ends where the next one begins.
    int previous = -1;
    for (int i = 0; i < eventCount_; ++i) {
        if (events_[i]->kind == event_kind::kCleared || !voice(*events_[i])) continue;
        if (previous >= 0) {
            MidiEvent* p = events_[previous];
            long long start = times[static_cast<std::size_t>(previous)];
            long long next = times[static_cast<std::size_t>(i)];
            if (next == start) {
                p->Clear();
            } else if (start + p->length > next) {
                p->length = static_cast<int>(next - start);
            }
        }
        previous = i;
    }
    RemoveClearedEvents();
}
