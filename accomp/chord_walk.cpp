#include "accomp/chord_walk.h"

#include <algorithm>
#include <climits>

#include "compose/compose_info.h"
#include "style/style_table.h"

ChordList ComposeChords() {
    const int count = std::clamp<int>(ComposeInfo.chordCount, 0, kMaxChords);
    return ChordList(ComposeInfo.chords, static_cast<std::size_t>(count));
}

const NoteEvent* LabelAt(const NoteList& labels, int index) {
    if (index < 0 || index >= labels.Count()) return nullptr;
    return labels.Event(index);
}

int ChordToneOf(const ChordRecord& c, int role) {
    switch (role) {
        case kRoleRoot:
            return c.root;
        case kRoleThird:
            return c.third;
        case kRoleFifth:
            return c.fifth;
        case kRoleSeventh:
            return c.seventh;
    }
    return 0;
}

ChordWalk::ChordWalk(int channel, ComposeTrackData& track, ChordList chords)
    : channel_(channel), track_(track), chords_(chords) {}

const ChordRecord* ChordWalk::At(int i) const {
    if (i < 0 || i >= Count()) return nullptr;
    const ChordRecord* c = chords_[static_cast<std::size_t>(i)];
    return c && c->length > 0 ? c : nullptr;
}

bool ChordWalk::Place(int offset, int length, int& delta) {
    if (length < 1 || offset < 0 || !chord_) return false;
    if (offset >= chord_->length && !IsLast()) return false;
    const long long time = chordStart_ + offset;
    if (time < lastStart_ || time - lastStart_ > INT_MAX) return false;
    delta = static_cast<int>(time - lastStart_);
    lastStart_ = time;
    return true;
}

void ChordWalk::Note(int offset, int pitch, int velocity, int length) {
    int delta = 0;
    if (!Place(offset, length, delta)) return;
    track_.AddNoteEvent(channel_, delta, pitch, velocity, length);
}

void ChordWalk::Bend(BendKind kind, int offset, int pitch, int velocity, int length, int bendTime) {
    // The most the emitters use past the note's start: five bend steps for
    // a scoop, one for the others, 4 ticks for the grace note of a voice
    // that cannot bend.
    const long long used = std::max<long long>(
        kind == BendKind::kScoop ? 5LL * std::max(bendTime, 0) : std::max(bendTime, 0), 4);
    if (chord_ && !IsLast() && offset + used > chord_->length) {
        Note(offset, pitch, velocity, length);
        return;
    }
    int delta = 0;
    if (!Place(offset, length, delta)) return;
    int took = 0;
    switch (kind) {
        case BendKind::kFromAbove:
            took = AddNoteBendFromAbove(delta, pitch, velocity, length, bendTime, channel_, track_);
            break;
        case BendKind::kFromBelow:
            took = AddNoteBendFromBelow(delta, pitch, velocity, length, bendTime, channel_, track_);
            break;
        case BendKind::kScoop:
            took = AddNoteBendScoop(delta, pitch, velocity, length, bendTime, channel_, track_);
            break;
    }
    lastStart_ += took;
}

void ChordWalk::Pedal(int offset, int value) {
    if (!chord_) return;
    const long long time = std::max(chordStart_ + offset, lastStart_);
    if (time - lastStart_ > INT_MAX) return;
    track_.AddSustainPedal(channel_, static_cast<int>(time - lastStart_), value);
    lastStart_ = time;
}

char ChordWalk::BlockAt(int i) const {
    if (!labels_) return 0;
    const NoteEvent* e = LabelAt(*labels_, i);
    return e ? e->label[0] : 0;
}

int ChordWalk::RootWithoutBass() const {
    if (WorkingStyle.voice[kPartBass] != kVoiceNotUsed || !chord_) return 0;
    return chord_->root ? chord_->root - 12 : 0;
}
