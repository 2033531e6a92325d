#include "compose/part_track.h"

#include <algorithm>
#include <vector>

#include "midi/f1_track_data.h"

namespace {

bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}

constexpr int kCentre = 64;
constexpr int kModulation = 1;
constexpr int kHighestDoubled = 116;

}  // namespace

MidiEvent* PartTrack::AddNoteKeepLength(int channel, int delta, int note, int velocity,
                                        int length) {
    SanitizeNote(note, velocity, length);
    return AddNote(channel, delta, note, velocity, length);
}

int PartTrack::LimitVelocity(int velocity) {
    return std::clamp(velocity, 1, 127);
}

int PartTrack::GapAfter(int index) const {
    const MidiEvent* next = Event(index + 1);
    return next ? std::max(next->delta, 0) : 0;
}

bool PartTrack::IsSoundingNote(int index) const {
    const MidiEvent* e = Event(index);
    return e && e->IsNoteWithLength() && e->note > 0 && e->velocity > 0;
}

int PartTrack::InsertAtOffset(int index, int offset, MidiEvent* event) {
    if (!Event(index) || offset < 0) {
        delete event;
        return -1;
    }
    int j = index;
    long long reached = 0;
    if (offset > 0) {
        while (j + 1 < eventCount_ && reached + Event(j + 1)->delta < offset) {
            reached += Event(j + 1)->delta;
            ++j;
        }
    }
    event->delta = static_cast<int>(offset - reached);
    const int delta = event->delta;
    int at = InsertEvent(j, 1, event);
    if (at < 0) return -1;
    if (MidiEvent* after = Event(at + 1)) after->delta -= delta;
    return at;
}

int PartTrack::InsertBefore(int index, MidiEvent* event) {
    MidiEvent* e = Event(index);
    if (!e) {
        delete event;
        return -1;
    }
    const int delta = e->delta;
    event->delta = delta;
    int at = InsertEvent(index, 2, event);
    if (at < 0) return -1;
    e->delta = 0;
    return at;
}

MidiEvent* PartTrack::NewNoteLike(int index, int note, int velocity, int length) const {
    const MidiEvent* e = Event(index);
    if (!e) return nullptr;
    SanitizeNote(note, velocity, length);
    if (note == 0 || velocity <= 0) return nullptr;
    auto* copy = new MidiEvent(*e);
    copy->note = note;
    copy->velocity = std::min(velocity, 127);
    copy->length = std::max(length, 1);
    copy->delta = 0;
    return copy;
}

MidiEvent* PartTrack::NewPitchBend(int channel, int msb, int lsb) {
    auto* e = new MidiEvent(0);
    e->kind = event_kind::kPitchBend;
    e->channel = channel;
    e->value = std::clamp(msb, 0, 127);
    e->note = std::clamp(lsb, 0, 127);
    return e;
}

void PartTrack::AddOctaveDouble() {
    if (noteMode_ != note_mode::kLength) {
        MidiTrackData::ShowError(mdtk::kInternal);
        return;
    }
    for (int i = 0; i < eventCount_; ++i) {
        if (!IsSoundingNote(i) || Event(i)->note >= kHighestDoubled) continue;
        const MidiEvent* e = Event(i);
        MidiEvent* copy = NewNoteLike(i, e->note + 12, e->velocity, e->length);
        if (copy && InsertAtOffset(i, 0, copy) >= 0) ++i;
    }
}

int PartTrack::BendAttack(int index, int a) {
    MidiEvent* e = Event(index);
    if (!e || !e->IsNoteWithLength()) {
        ShowErrorMessage(kMelodyTrackTypeInvalid);
        return 0;
    }
    if (a <= 0 || GapAfter(index) < a) return 0;
    const int channel = e->channel;
    if (IsBendableVoice(channel)) {
        int added = InsertAtOffset(index, 0, NewPitchBend(channel, 58, 68)) >= 0;
        added += InsertAtOffset(index, a, NewPitchBend(channel, kCentre, 0)) >= 0;
        return added;
    }
    if (a <= 7) return 0;
    // The grace note must itself sound; the note then follows 4 ticks later.
    MidiEvent* note = NewNoteLike(index, e->note, e->velocity, e->length - 4);
    int grace = e->note - 1, velocity = e->velocity, length = 3;
    SanitizeNote(grace, velocity, length);
    if (!note || grace == 0) {
        delete note;
        return 0;
    }
    if (InsertAtOffset(index, 4, note) < 0) return 0;
    e->note = grace;
    e->length = 3;
    return 1;
}

int PartTrack::SplitIntoRepeats(int index, int a) {
    MidiEvent* e = Event(index);
    if (!e || !e->IsNoteWithLength()) return 0;
    a = std::max(a, 1);
    const int gap = GapAfter(index);
    const int n = std::max(gap / a - 1, 0);
    e->length = std::max(a * 8 / 10, 1);
    int made = 0;
    for (int k = 1; k <= n; ++k) {
        auto* copy = new MidiEvent(*e);
        if (InsertAtOffset(index + made, a, copy) < 0) break;
        ++made;
    }
    return made;
}

int PartTrack::AddVibratoRise(int index, bool tidy) {
    MidiEvent* e = Event(index);
    if (!e || !e->IsNoteWithLength()) return 0;
    const int gap = GapAfter(index);
    if (e->length < 48 || gap < 96 || !IsBendableVoice(e->channel)) return 0;
    e->velocity = LimitVelocity(e->velocity + 10);
    if (!Chance(3)) return 0;
    const int count = (gap - 1) / 8 + 1;
    std::vector<int> msb(static_cast<std::size_t>(count));
    int d = 0;
    for (int& v : msb) {
        d = std::clamp(d + RandomInRange(0, 4) - 2, -8, 8);
        v = kCentre + d;
    }
    msb.back() = kCentre;
    int from = count / 4, to = count;
    if (!Chance(2)) {
        if (RandomInRange(1, 3) <= 2) {
            from = 0;
            to = count / 2;
        } else {
            to = count / 2;
        }
    }
    for (int k = from; k < to; ++k)
        msb[static_cast<std::size_t>(k)] = kCentre;
    int added = 0;
    int at = index;
    for (int k = 0; k < count; ++k) {
        // Each bend lies 8 ticks after the one before it.
        int placed = InsertAtOffset(at, k == 0 ? 0 : 8, NewPitchBend(e->channel, msb[k], 0));
        if (placed < 0) break;
        at = placed;
        ++added;
    }
    if (tidy) {
        RemoveRedundantPitchBends();
        MoveToSlotStart(event_kind::kPitchBend, -1, "");
    }
    return added;
}

int PartTrack::AddBendAccent(int index) {
    MidiEvent* e = Event(index);
    if (!e || !e->IsNoteWithLength()) return 0;
    if (e->length <= 23 || !IsBendableVoice(e->channel)) return 0;
    e->velocity = LimitVelocity(e->velocity + 10);
    const bool shortNote = e->length < 97;
    const int b = shortNote ? 8 : RandomInRange(8, 16);
    const int c = shortNote ? 8 : RandomInRange(8, 16);
    int msb;
    if (e->length > 96) {
        msb = Chance(3) ? kCentre - RandomInRange(0, 8) : Chance(2) ? 48 : 80;
    } else if (Chance(3)) {
        msb = kCentre - RandomInRange(0, 8);
    } else {
        msb = Chance(3) ? 48 : Chance(2) ? 80 : kCentre;
    }
    // Both bends stay inside the note's slot.
    if (b + c > GapAfter(index)) return 0;
    int first = InsertAtOffset(index, b, NewPitchBend(e->channel, msb, 0));
    if (first < 0) return 0;
    return 1 + (InsertAtOffset(first, c, NewPitchBend(e->channel, kCentre, 0)) >= 0);
}

int PartTrack::AddVibratoSetup(int index) {
    MidiEvent* e = Event(index);
    if (!e || !e->IsNoteWithLength()) return index;
    const int channel = e->channel;
    // The next note as it is now: the bend attack may add a note of its own.
    const MidiEvent* nextNote = nullptr;
    for (int j = index + 1; j < eventCount_ && !nextNote; ++j)
        if (Event(j)->IsNoteWithLength()) nextNote = Event(j);
    for (int controller : {78, 77, 76, kModulation}) {
        if (InsertBefore(index, NewControlChange(channel, controller, RandomInRange(65, 70))) >= 0)
            ++index;
    }
    BendAttack(index, e->length / RandomInRange(7, 10));
    for (int j = index + 1; j < eventCount_ && nextNote; ++j) {
        if (Event(j) == nextNote) {
            InsertBefore(j, NewControlChange(channel, kModulation, 64));
            break;
        }
    }
    return index;
}
