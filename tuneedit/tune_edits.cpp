// Note queries and single edits of the edited tune, and the recomposition of
// one section's melody.
#include "tuneedit/tune_edits.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "compose/chord_buffer.h"
#include "compose/chord_record.h"
#include "compose/knowledge_base.h"
#include "compose/melody_pitch.h"
#include "compose/note_list.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/style_table.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/edited_tune.h"

namespace {

// Tries of the melody writer before the last result is taken anyway.
constexpr int kMaxMelodyTries = 1000;
// Notes of a composed list below this pitch hold only time.
constexpr int kLowestComposedPitch = 13;
// Velocity of recomposed notes.
constexpr int kRecomposedVelocity = 64;

int PitchClass(int key) {
    return ((key % 12) + 12) % 12;
}

// The key moved by octaves into 0..127, its pitch class kept.
int FoldKey(int key) {
    while (key > 127)
        key -= 12;
    while (key < 0)
        key += 12;
    return key;
}

void SetNoteKey(MidiEvent& e, int key) {
    e.note = key;
    if (e.DataLength() >= 2) {
        e.SetDataByte(1, static_cast<std::uint8_t>(key));
    } else {
        const std::uint8_t bytes[2] = {
            static_cast<std::uint8_t>(event_kind::kNoteOn | (e.channel & 0x0F)),
            static_cast<std::uint8_t>(key)};
        e.SetData(bytes, 2);
    }
}

std::vector<MidiEvent*> Pointers(const std::vector<std::unique_ptr<MidiEvent>>& events) {
    std::vector<MidiEvent*> p;
    for (const auto& e : events)
        p.push_back(e.get());
    return p;
}

}  // namespace

// ---- EditedTune: notes of one track ----

int EditedTune::LastNoteBefore(int track, long long tick) const {
    const MidiF1TrackData* t = Track(track);
    if (!t) return 0;
    long long time = 0;
    int last = 0;
    for (int i = 0; i < t->EventCount(); ++i) {
        const MidiEvent* e = t->Event(i);
        time += e->delta;
        if (time >= tick) break;
        if (e->IsNoteWithLength()) last = i;
    }
    return last;
}

int EditedTune::NoteIndexAtOrBefore(int track, long long tick) const {
    const MidiF1TrackData* t = Track(track);
    if (!t) return 0;
    long long running = 0;
    int last = 0;
    for (int i = 0; i < t->EventCount(); ++i) {
        const MidiEvent* e = t->Event(i);
        const bool reached = running >= tick;
        if (e->IsNoteWithLength()) last = i;
        if (reached) break;
        running += e->delta;
    }
    return last;
}

void EditedTune::KeepFirstNoteOfChords(int track) {
    MidiF1TrackData* t = Track(track);
    if (!t) return;
    bool noteAtPoint = false;
    for (MidiEvent* e : t->Events()) {
        if (e->delta != 0) noteAtPoint = false;
        if (!e->IsNoteWithLength()) continue;
        if (noteAtPoint) e->Clear();
        noteAtPoint = true;
    }
    t->RemoveClearedEvents();
}

void EditedTune::SnapSectionNotes(long long start, long long end, std::string_view code,
                                  int track) {
    MidiF1TrackData* t = Track(track);
    if (!t) return;
    const ChordRecord chord = ChordOfCode(code, static_cast<int>(end - start));
    long long time = 0;
    for (MidiEvent* e : t->Events()) {
        time += e->delta;
        if (time >= end) break;
        if (time >= start && e->IsNoteWithLength())
            SetNoteKey(*e, SnapUpToChordTone(e->note, chord));
    }
}

void EditedTune::SnapChannelToChord(int section, int channel) {
    if (section < 0 || section >= SectionCount()) return;
    for (int t = 1; t < TrackCount(); ++t) {
        if (ChannelOfTrack(t) == channel)
            SnapSectionNotes(SectionStart(section), SectionEnd(section), SectionCode(section), t);
    }
}

namespace {

// The notes of a span with their deltas counted between notes: what makes a
// section's melody. Controls that earlier edits moved about do not count.
std::vector<std::unique_ptr<MidiEvent>> MelodyOfSpan(const MidiF1TrackData& track, long long begin,
                                                     long long end) {
    std::vector<std::unique_ptr<MidiEvent>> notes;
    int carry = 0;
    for (auto& e : CopyTrackSpan(track, begin, end)) {
        carry += e->delta;
        if (!e->IsNoteWithLength()) continue;
        e->delta = carry;
        carry = 0;
        notes.push_back(std::move(e));
    }
    return notes;
}

}  // namespace

int EditedTune::FindSameSections(int track, int section, std::vector<int>& out) const {
    out.clear();
    const MidiF1TrackData* t = Track(track);
    if (!t || section < 0 || section >= SectionCount()) return 0;
    const auto own = MelodyOfSpan(*t, SectionStart(section), SectionEnd(section));
    const auto ownList = Pointers(own);
    const int length = SectionEnd(section) - SectionStart(section);
    for (int j = 0; j < SectionCount(); ++j) {
        if (SectionCode(j) != SectionCode(section) || SectionEnd(j) - SectionStart(j) != length)
            continue;
        const auto other = MelodyOfSpan(*t, SectionStart(j), SectionEnd(j));
        if (SameEventLists(ownList, Pointers(other))) out.push_back(j);
    }
    return static_cast<int>(out.size());
}

void EditedTune::BuildScaleMaskFromTune() const {
    struct Count {
        int notes;
        int pitchClass;
    };
    std::array<Count, 12> counts{};
    for (int pc = 0; pc < 12; ++pc)
        counts[static_cast<std::size_t>(pc)] = {0, pc};
    for (int t = 0; t < TrackCount(); ++t) {
        if (ChannelOfTrack(t) == kEditDrumChannel) continue;
        for (const MidiEvent* e : Track(t)->Events())
            if (e->IsNoteWithLength())
                ++counts[static_cast<std::size_t>(PitchClass(e->note))].notes;
    }
    // Ranked by exchange, the most used first; ties keep the lower class.
    for (std::size_t i = 0; i < 11; ++i)
        for (std::size_t j = i + 1; j < 12; ++j)
            if (counts[j].notes > counts[i].notes) std::swap(counts[i], counts[j]);
    std::memcpy(TuneScaleMask.text, "xxxx", 4);
    for (std::size_t rank = 0; rank < 12; ++rank)
        TuneScaleMask.text[4 + counts[rank].pitchClass] = rank < 7 ? '9' : '3';
}

// ---- Free edits ----

// Copies of the track's events starting in [begin, end), deltas relative to
// begin.
std::vector<std::unique_ptr<MidiEvent>> CopyTrackSpan(const MidiF1TrackData& track, long long begin,
                                                      long long end) {
    std::vector<MidiEvent*> raw(static_cast<std::size_t>(track.EventCount()) + 1, nullptr);
    const int n = track.CopyEvents(begin, end, raw);
    std::vector<std::unique_ptr<MidiEvent>> out;
    for (int i = 0; i < n; ++i)
        out.emplace_back(raw[static_cast<std::size_t>(i)]);
    return out;
}

int RejectPolyphonicTrack(const MidiF1TrackData& track) {
    if (track.GetMaxChordSize() < 2) return 0;
    ShowErrorMessage(kPolyphonicMelodyError);
    return 1;
}

int SameEventLists(std::span<MidiEvent* const> a, std::span<MidiEvent* const> b) {
    if (a.size() != b.size()) return 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!a[i] || !b[i] || !a[i]->IsEqual(*b[i])) return 0;
    return 1;
}

void DeleteEditTrack(EditObject& edit, int track) {
    if (track < 0 || track >= edit.Tune().TrackCount()) return;
    edit.Tune().DeleteTrack(track);
    edit.Tune().SaveAndReload(edit.Path());
}

void AddOctaveNotes(MidiF1TrackData& track) {
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (!e->IsNoteWithLength()) continue;
        auto copy = std::make_unique<MidiEvent>(e);
        copy->delta = 0;
        SetNoteKey(*copy, e->note + 12 > 127 ? e->note - 12 : e->note + 12);
        // The copy goes right behind its note and is passed over.
        if (track.InsertEvent(i, 1, copy.get()) >= 0) {
            copy.release();
            ++i;
        }
    }
}

ChordRecord ChordOfCode(std::string_view code, int length) {
    HarmonyStructureEntry entry{};
    const int held = std::clamp(length, 0, 0xFFFF);
    entry.lengthHigh = static_cast<std::uint8_t>(held >> 8);
    entry.lengthLow = static_cast<std::uint8_t>(held & 0xFF);
    std::memset(entry.chord.text, 0, sizeof entry.chord.text);
    std::memcpy(entry.chord.text, code.data(), std::min<std::size_t>(code.size(), 4));
    return ChordRecord(entry, nullptr);
}

int SnapUpToChordTone(int key, const ChordRecord& chord) {
    if (chord.root == 0) return key;
    const int root = PitchClass(chord.root);
    auto isTone = [&](int k) {
        for (int tone : {chord.third, chord.fifth, chord.seventh})
            if (tone != 0 && PitchClass(tone) == PitchClass(k)) return true;
        return false;
    };
    // Twelve raises reach the root whatever the key.
    for (int raised = 0; raised < 12; ++raised) {
        if (PitchClass(key) == root || isTone(key)) break;
        ++key;
    }
    return FoldKey(key);
}

long long BuildRhythmEvents(std::vector<std::unique_ptr<MidiEvent>>& out, int channel,
                            long long start, long long end, const NoteList& notes) {
    out.clear();
    const long long span = end - start;
    long long total = 0;
    long long previous = 0;
    for (int i = 0; i < notes.Count(); ++i) {
        const NoteEvent* n = notes.Event(i);
        if (n->kind != note_kind::kNote) continue;
        if (total + previous >= span) {
            total = span;
            break;
        }
        auto e = std::make_unique<MidiEvent>(static_cast<int>(previous));
        total += previous;
        e->channel = channel;
        if (n->value >= kLowestComposedPitch) {
            e->kind = event_kind::kNote;
            SetNoteKey(*e, FoldKey(n->value + 12));
            e->length = std::max(1, 8 * n->length / 10);
            e->velocity = kRecomposedVelocity;
        } else {
            e->kind = event_kind::kCleared;
        }
        out.push_back(std::move(e));
        previous = std::max(n->length, 0);
    }
    return total;
}

namespace {

// The composed melody of one chord; after too many failed tries the last
// try's notes stand.
void ComposeSectionMelody(std::string_view code, int length, NoteList& out) {
    NoteList chords;
    const ChordRecord chord = ChordOfCode(code, length);
    chords.AppendChord(&chord);
    ResetMelodyTable(WorkingStyle);
    int tries = 0;
    while (GenerateMelodyPart(kPartMelody, chords, out) != 1) {
        if (++tries > kMaxMelodyTries) {
            ShowErrorMessage(kInfiniteLoopError);
            break;
        }
    }
}

}  // namespace

int RecomposeMelodySection(EditedTune& tune, int section) {
    tune.BuildScaleMaskFromTune();
    const int melody = tune.FindTrackByChannel(kEditMelodyChannel);
    if (melody < 0) {
        ShowErrorMessage(kNoMelodyTrackError);
        return 0;
    }
    std::vector<int> same;
    tune.FindSameSections(melody, section, same);
    if (PanelMode.load() == kPanelModeCompose && WorkingStyle.chordGenerationMethod == 8)
        LoadChordBufferFromStyle();
    if (!LoadKnowledgeBase()) return 0;
    if (section > EditedTune::kMaxSections) ShowErrorMessage(kChordsTooManyError);
    if (section < 0 || section + 1 >= tune.SectionCount()) return 0;
    const int length = tune.SectionEnd(section) - tune.SectionStart(section);
    if (length <= 0) {
        ShowErrorMessage(kInvalidChordLengthError);
        return 0;
    }
    NoteList notes;
    ComposeSectionMelody(tune.SectionCode(section), length, notes);
    MidiF1TrackData* track = tune.Track(melody);
    for (int j : same) {
        const long long begin = tune.SectionStart(j);
        const long long end = tune.SectionEnd(j);
        track->ClearRangeKeepControls(begin, end);
        std::vector<std::unique_ptr<MidiEvent>> events;
        BuildRhythmEvents(events, kEditMelodyChannel, begin, end, notes);
        std::vector<MidiEvent*> list;
        for (auto& e : events)
            list.push_back(e.release());
        const int count = static_cast<int>(list.size());
        list.push_back(nullptr);
        track->InsertEventsAtTime(begin, count, list.data());
        track->RemoveClearedEvents();
    }
    return 1;
}
