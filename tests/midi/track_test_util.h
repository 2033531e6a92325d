// Helpers for the track tests: building tracks from a short list and
// describing a track as text, one event per entry with its absolute time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "midi/track_data.h"

namespace track_test {

// Appends texts and numbers (piece by piece, which keeps GCC 12's string
// warnings quiet).
inline void Add(std::string&) {}
template <typename... Rest>
void Add(std::string& out, long long n, Rest... rest);
template <typename... Rest>
void Add(std::string& out, std::string_view text, Rest... rest);
template <typename... Rest>
void Add(std::string& out, const char* text, Rest... rest) {
    out.append(text);
    Add(out, rest...);
}
template <typename... Rest>
void Add(std::string& out, std::string_view text, Rest... rest) {
    out.append(text);
    Add(out, rest...);
}
template <typename... Rest>
void Add(std::string& out, long long n, Rest... rest) {
    out.append(std::to_string(n));
    Add(out, rest...);
}

// One entry "time:event" per event: N ch/key/len (note with length), On ch/key,
// Off ch/key, CC ch/ctl=val, PC ch=prog, PB ch=value, SX class, EOT, M type'text'.
inline std::string Describe(const MidiTrackData& track) {
    std::string out;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (!out.empty()) out += " ";
        Add(out, t, ":");
        long long ch = e->channel;
        switch (e->kind) {
            case event_kind::kNote:
                Add(out, "N", ch, "/", static_cast<long long>(e->note), "/",
                    static_cast<long long>(e->length));
                break;
            case event_kind::kNoteOn:
                Add(out, "On", ch, "/", static_cast<long long>(e->note));
                break;
            case event_kind::kNoteOff:
                Add(out, "Off", ch, "/", static_cast<long long>(e->note));
                break;
            case event_kind::kControlChange:
                Add(out, "CC", ch, "/", static_cast<long long>(e->subtype), "=",
                    static_cast<long long>(e->value));
                break;
            case event_kind::kProgramChange:
                Add(out, "PC", ch, "=", static_cast<long long>(e->value));
                break;
            case event_kind::kPitchBend:
                Add(out, "PB", ch, "=", static_cast<long long>(e->GetPitchBendValue()));
                break;
            case event_kind::kSysEx:
                Add(out, "SX", static_cast<long long>(e->subtype));
                break;
            case event_kind::kMeta:
                if (e->IsEndOfTrack()) {
                    Add(out, "EOT");
                } else {
                    Add(out, "M", static_cast<long long>(e->subtype), "'", e->DataText(), "'");
                }
                break;
            default:
                Add(out, "K", static_cast<long long>(e->kind));
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
