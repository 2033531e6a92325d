#include "compose/clash_removal.h"

#include <algorithm>
#include <array>
#include <deque>

#include "midi/f0_data.h"

namespace {

using PitchCounts = std::array<int, 128>;

bool OnChannel(const MidiEvent* e, int channel) {
    return (e->IsChannelMessage() || e->IsNoteWithLength()) && e->channel == channel;
}

bool ValidKey(int key) {
    return key >= 0 && key < 128;
}

// Within each run of events at one time, the first channel's events move
// ahead of the others, so that its notes sound before the second channel's
// are judged. Times do not change.
void FirstChannelFirst(MidiTrackData& track, int first) {
    for (int i = 1; i < track.EventCount(); ++i) {
        for (int j = i; j > 0; --j) {
            const MidiEvent* later = track.Event(j);
            if (later->delta != 0 || !OnChannel(later, first) ||
                OnChannel(track.Event(j - 1), first))
                break;
            track.SwapEvents(j - 1, j);
        }
    }
}

// Runs the pass over the note-on/off form of the tune and returns it to
// notes with length. False (tune untouched) when the tune holds no notes.
template <typename Pass>
bool OnNoteOnOff(MidiF0Data& tune, int first, int second, Pass pass) {
    MidiTrackData* track = tune.Track();
    if (!track || tune.noteMode != note_mode::kLength || first == second) return false;
    FirstChannelFirst(*track, first);
    tune.ConvertToNoteOnOff();
    pass(*track);
    tune.ConvertToNoteLength();
    return true;
}

// The first channel's notes sounding, counted per key, so that the note-off
// of one note does not end a second note of the same key.
void See(PitchCounts& sounding, const MidiEvent* e) {
    if (!ValidKey(e->note)) return;
    if (e->IsNoteOn()) {
        ++sounding[static_cast<unsigned>(e->note)];
    } else if (e->IsNoteOff() && sounding[static_cast<unsigned>(e->note)] > 0) {
        --sounding[static_cast<unsigned>(e->note)];
    }
}

bool Clashes(const PitchCounts& sounding, int key) {
    for (int d : {1, 2, 11, 13}) {
        for (int other : {key - d, key + d}) {
            if (ValidKey(other) && sounding[static_cast<unsigned>(other)] > 0) return true;
        }
    }
    return false;
}

}  // namespace

void RemoveClashes(MidiF0Data& tune, int firstChannel, int secondChannel) {
    OnNoteOnOff(tune, firstChannel, secondChannel, [&](MidiTrackData& track) {
        PitchCounts sounding{};
        // The second channel's open notes per key, first in first out (the
        // order in which note-offs pair with note-ons), each marked with
        // whether it was deleted: its note-off goes with it.
        std::array<std::deque<bool>, 128> open;
        for (int i = 0; i < track.EventCount(); ++i) {
            MidiEvent* e = track.Event(i);
            if (OnChannel(e, firstChannel)) {
                See(sounding, e);
                continue;
            }
            if (!OnChannel(e, secondChannel) || !ValidKey(e->note)) continue;
            auto& queue = open[static_cast<unsigned>(e->note)];
            if (e->IsNoteOn()) {
                bool clash = Clashes(sounding, e->note);
                queue.push_back(clash);
                if (clash) e->Clear();
            } else if (e->IsNoteOff() && !queue.empty()) {
                if (queue.front()) e->Clear();
                queue.pop_front();
            }
        }
        track.RemoveClearedEvents();
    });
}

void SoftenClashes(MidiF0Data& tune, int firstChannel, int secondChannel) {
    const int forgetAfter = std::max(tune.division / 8, 1);
    OnNoteOnOff(tune, firstChannel, secondChannel, [&](MidiTrackData& track) {
        PitchCounts sounding{};
        int current = -1;  // the key the first channel sounds, -1 for none
        for (int i = 0; i < track.EventCount(); ++i) {
            MidiEvent* e = track.Event(i);
            if (e->delta >= forgetAfter) current = -1;
            if (OnChannel(e, firstChannel)) {
                See(sounding, e);
                if (e->IsNoteOn() && ValidKey(e->note)) current = e->note;
                if (e->IsNoteOff() && e->note == current &&
                    sounding[static_cast<unsigned>(current)] == 0)
                    current = -1;
                continue;
            }
            if (!OnChannel(e, secondChannel) || !e->IsNoteOn() || current < 0) continue;
            int v = e->note < current ? e->velocity * 5 / 6 : e->velocity * 4 / 5;
            e->velocity = std::clamp(v, 1, 127);
        }
    });
}
