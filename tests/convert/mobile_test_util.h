// Helpers of the ringtone model tests: tunes made by hand, the notes a model
// holds, and counting boxes.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "convert/mobile_data.h"
#include "midi/f1_data.h"
#include "tests/support/test_support.h"

namespace mobile_test {

// A note with its absolute time.
struct TimedNote {
    long long time;
    int pitch;
    int velocity;
    int length;
    auto operator<=>(const TimedNote&) const = default;
};

// (time, key, length) of a hand-made track; velocity 100.
struct NoteSpec {
    long long time;
    int key;
    int length;
};

// Adds a track on the channel (notes with length) holding the notes.
inline MidiF1TrackData* AddTrack(MidiF1Data& song, int channel, const std::vector<NoteSpec>& notes,
                                 int program = -1) {
    MidiF1TrackData* track = song.AddEmptyTrack();
    if (program >= 0) track->AddProgramChange(channel, program);
    std::vector<NoteSpec> sorted = notes;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const NoteSpec& a, const NoteSpec& b) { return a.time < b.time; });
    long long t = 0;
    for (const NoteSpec& n : sorted) {
        track->AddNote(channel, static_cast<int>(n.time - t), n.key, 100, n.length);
        t = n.time;
    }
    track->AppendEndOfTrackAt(0);
    return track;
}

// Every note of a slot, sorted.
inline std::vector<TimedNote> SlotNotes(const MobileChanelData& slot) {
    std::vector<TimedNote> out;
    long long t = 0;
    for (int k = 0; k < slot.Count(); ++k) {
        const MusicEvent* e = slot.Event(k);
        t += e->delta;
        if (e->kind == mobile_kind::kNote) out.push_back({t, e->note, e->velocity, e->length});
    }
    std::sort(out.begin(), out.end());
    return out;
}

inline std::vector<TimedNote> ModelNotes(const MobileData& model) {
    std::vector<TimedNote> out;
    for (int i = 0; i < model.Count(); ++i) {
        auto notes = SlotNotes(*model.Slot(i));
        out.insert(out.end(), notes.begin(), notes.end());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// (time, value) of every control of the subtype in a slot.
inline std::vector<std::pair<long long, int>> SlotControls(const MobileChanelData& slot,
                                                           int subtype) {
    std::vector<std::pair<long long, int>> out;
    long long t = 0;
    for (int k = 0; k < slot.Count(); ++k) {
        const MusicEvent* e = slot.Event(k);
        t += e->delta;
        if (e->kind == mobile_kind::kControl && e->subtype == subtype) out.emplace_back(t, e->value);
    }
    return out;
}

inline int CountTexts(const std::string& text) {
    auto texts = testing_support::Sink().Texts();
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

}  // namespace mobile_test
