// The walk every backing generator makes over a tune's chords: the chords
// in order with their start times, and a writer that places each note at an
// offset from its chord's start, so that the running delta always brings the
// next chord in at its own start whatever a figure left out.
#pragma once

#include <span>

#include "compose/chord_record.h"
#include "compose/compose_track.h"
#include "compose/note_list.h"

// The chord list a generator reads: ComposeInfo's for a tune, a preview's own
// otherwise. Null entries and chords of no length are passed over.
using ChordList = std::span<ChordRecord* const>;

// ComposeInfo's chords.
ChordList ComposeChords();

// The label at index of a label list, or null past its end.
const NoteEvent* LabelAt(const NoteList& labels, int index);

// The chord tones a figure names by their role. A figure's own tone names
// take these values for the four tones and values past them for the rest.
enum ChordRole { kRoleRoot, kRoleThird, kRoleFifth, kRoleSeventh, kChordRoleCount };

// The pitch of the chord's tone in a role; 0 where the chord lacks it and for
// a value that is no role.
int ChordToneOf(const ChordRecord& c, int role);

class ChordWalk {
public:
    ChordWalk(int channel, ComposeTrackData& track, ChordList chords);

    // Runs fn(walk) for every chord with a length, the walk standing on it.
    template <typename Fn>
    void ForEachChord(Fn fn) {
        for (index_ = 0; index_ < Count(); ++index_) {
            const ChordRecord* c = chords_[static_cast<std::size_t>(index_)];
            if (!c || c->length <= 0) continue;
            chord_ = c;
            fn(*this);
            chordStart_ += c->length;
        }
        chord_ = nullptr;
    }

    int Count() const { return static_cast<int>(chords_.size()); }
    int Index() const { return index_; }
    const ChordRecord& Chord() const { return *chord_; }
    int Length() const { return chord_->length; }
    bool IsFirst() const { return index_ == 0; }
    bool IsLast() const { return index_ == Count() - 1; }
    // In the first half (or last third) of the chord list.
    bool InFirstHalf() const { return index_ < Count() / 2; }
    bool InLastThird() const { return index_ * 3 >= Count() * 2; }
    // The chord at i, or null outside the list.
    const ChordRecord* At(int i) const;
    const ChordRecord* Next() const { return At(index_ + 1); }
    const ChordRecord* Previous() const { return At(index_ - 1); }
    long long ChordStart() const { return chordStart_; }
    int Channel() const { return channel_; }
    ComposeTrackData& Track() { return track_; }

    // A note offset ticks into the chord. A length below 1 writes nothing
    // (the time passes all the same); a start at or past the chord's end is
    // dropped except on the last chord, whose ending may run on.
    void Note(int offset, int pitch, int velocity, int length);
    // A silent step (pitch 0) offset ticks into the chord.
    void Rest(int offset) { Note(offset, 0, 0, 1); }
    enum class BendKind { kFromAbove, kFromBelow, kScoop };
    // A bent note; the bend events it adds count as its own time. A bend
    // that would run past the chord's end (but on the last chord) is played
    // as the plain note, so the next chord still comes in at its start.
    void Bend(BendKind kind, int offset, int pitch, int velocity, int length, int bendTime);
    // A sustain-pedal change offset ticks into the chord; an offset that
    // lies before the last event written is placed with it.
    void Pedal(int offset, int value);

    // The block labels of the tune (one per chord), or none.
    void SetLabels(const NoteList* labels) { labels_ = labels; }
    // The block letter of the chord at i ('A', 'B' ...), 0 without a label.
    char BlockAt(int i) const;
    char Block() const { return BlockAt(index_); }

    // The root that sounds under a part when the tune has no bass: the root
    // an octave down, 0 when the tune has a bass.
    int RootWithoutBass() const;

private:
    bool Place(int offset, int length, int& delta);

    int channel_;
    ComposeTrackData& track_;
    ChordList chords_;
    const ChordRecord* chord_ = nullptr;
    int index_ = 0;
    long long chordStart_ = 0;
    long long lastStart_ = 0;  // time the next delta counts from
    const NoteList* labels_ = nullptr;
};
