// Small edited tunes built event by event and saved to the test's folder.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compose/compose_track.h"
#include "midi/f1_data.h"
#include "tests/support/test_support.h"
#include "tuneedit/edit_object.h"

namespace tuneedit_test {

struct Marker {
    int tick;
    const char* text;
};
struct Note {
    int channel;
    int tick;
    int key;
    int length;
};

// Track 0 holds the markers; one track per distinct channel holds its notes
// (in the order given, which must be by time within a channel). The tracks
// of the delayed channels are written as the program's delay tracks (the
// detune before the first note, no extra delay); every other track is a
// part of the tune.
inline std::string SaveTune(const std::string& name, const std::vector<Marker>& markers,
                            const std::vector<Note>& notes, int division = 96,
                            const std::vector<int>& delayed = {}) {
    MidiF1Data song(division);
    MidiF1TrackData* head = song.AddEmptyTrack();
    head->SetNoteMode(note_mode::kLength);
    int last = 0;
    for (const Marker& m : markers) {
        head->AppendMarker(m.tick - last, m.text);
        last = m.tick;
    }
    head->AppendEndOfTrack();
    std::vector<int> channels;
    for (const Note& n : notes) {
        bool seen = false;
        for (int c : channels)
            seen = seen || c == n.channel;
        if (!seen) channels.push_back(n.channel);
    }
    for (int c : channels) {
        MidiF1TrackData* t = song.AddEmptyTrack();
        t->SetNoteMode(note_mode::kLength);
        t->AddControlChange(c, 7, 100);
        t->AddProgramChange(c, 5);
        int at = 0;
        for (const Note& n : notes) {
            if (n.channel != c) continue;
            t->AddNote(c, n.tick - at, n.key, 100, n.length);
            at = n.tick;
        }
        if (std::find(delayed.begin(), delayed.end(), c) != delayed.end())
            DelayAndDetuneTrack(*t, c, 0);
        t->AppendEndOfTrack();
    }
    const std::string path = testing_support::ScratchDir() + "/" + name;
    song.SaveFile(path);
    return path;
}

}  // namespace tuneedit_test
