// Helpers for the track tests: building tracks from a short list and
// describing a track as text, one event per entry with its absolute time.
#pragma once

#include <string>
#include <vector>

#include "midi/track_data.h"

namespace track_test {

// "t:kind" entries: N ch key len (note with length), On ch key, Off ch key,
// CC ch ctl val, PC ch prog, PB ch value, EOT, Meta type "text", SX class.
inline std::string Describe(const MidiTrackData& track) {
    std::string out;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (!out.empty()) out += " ";
        out += std::to_string(t) + ":";
        switch (e->kind) {
            case event_kind::kNote:
                out += "N" + std::to_string(e->channel) + "/" + std::to_string(e->note) + "/" +
                       std::to_string(e->length);
                break;
            case event_kind::kNoteOn:
                out += "On" + std::to_string(e->channel) + "/" + std::to_string(e->note);
                break;
            case event_kind::kNoteOff:
                out += "Off" + std::to_string(e->channel) + "/" + std::to_string(e->note);
                break;
            case event_kind::kControlChange:
                out += "CC" + std::to_string(e->channel) + "/" + std::to_string(e->subtype) + "=" +
                       std::to_string(e->value);
                break;
            case event_kind::kProgramChange:
                out += "PC" + std::to_string(e->channel) + "=" + std::to_string(e->value);
                break;
            case event_kind::kPitchBend:
                out += "PB" + std::to_string(e->channel) + "=" +
                       std::to_string(e->GetPitchBendValue());
                break;
            case event_kind::kSysEx:
                out += "SX" + std::to_string(e->subtype);
                break;
            case event_kind::kMeta:
                if (e->IsEndOfTrack()) {
                    out += "EOT";
                } else {
                    out += "M" + std::to_string(e->subtype) + "'" + std::string(e->DataText()) + "'";
                }
                break;
            default:
                out += "K" + std::to_string(e->kind);
        }
    }
    return out;
}

struct NoteSpec {
    long long time;
    int channel;
    int key;
    int length;
    int velocity = 100;
};

// A mode-2 track of notes at absolute times (in time order), ending with an
// End of Track at endTime (or right after the last event when -1).
inline void FillNotes(MidiTrackData& track, const std::vector<NoteSpec>& notes,
                      long long endTime = -1) {
    track.SetNoteMode(note_mode::kLength);
    long long t = 0;
    for (const NoteSpec& n : notes) {
        track.AddNote(n.channel, static_cast<int>(n.time - t), n.key, n.velocity, n.length);
        t = n.time;
    }
    track.AppendEndOfTrackAt(endTime < 0 ? 0 : static_cast<int>(endTime - t));
}

// A note-on or note-off event (mode 1) at a delta.
inline MidiEvent* NoteEvent(int kind, int channel, int key, int delta, int velocity = 100) {
    auto* e = new MidiEvent(delta);
    e->kind = kind;
    e->channel = channel;
    e->note = key;
    e->velocity = velocity;
    return e;
}

}  // namespace track_test
