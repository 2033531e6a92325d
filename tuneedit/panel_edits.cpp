// The edit panels' changes to the current edited tune.
#include "tuneedit/panel_edits.h"

#include <memory>
#include <string>
#include <vector>

#include "compose/chord_buffer.h"
#include "compose/chord_record.h"
#include "compose/compose_track.h"
#include "style/style_table.h"
#include "tuneedit/chord_change.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/edited_tune.h"
#include "tuneedit/harmony_section.h"
#include "tuneedit/tune_edits.h"

namespace {

constexpr int kPanController = 10;
constexpr int kPanSpread = 40;
inline constexpr const char* kNoChordMarker = "N/C";

// The current edit object; "Error occured in editing!" when none.
EditObject* Current() {
    EditObject* edit = CurrentEditObject();
    if (!edit) ShowErrorMessage(kEditingError);
    return edit;
}

// The range held to the tune's sections; false when nothing is left.
bool Held(const EditedTune& tune, SectionRange& range) {
    if (!range.Valid()) return false;
    range.end = std::min(range.end, tune.SectionCount());
    return range.first < range.end;
}

// "Can not edit this file!" when a section of the range has no chord.
bool HoldsNoChord(const EditedTune& tune, SectionRange range) {
    for (int s = range.first; s < range.end && s < tune.SectionCount(); ++s) {
        if (tune.MarkerText(s) == kNoChordMarker) {
            ShowErrorMessage(kCannotEditFileError);
            return true;
        }
    }
    return false;
}

int MelodyTrackOrReport(const EditedTune& tune, ErrorCode missing) {
    const int melody = tune.FindTrackByChannel(kEditMelodyChannel);
    if (melody < 0) ShowErrorMessage(missing);
    return melody;
}

void SetPans(MidiTrackData& track, int value) {
    for (MidiEvent* e : track.Events()) {
        if (e->kind != event_kind::kControlChange || e->subtype != kPanController) continue;
        e->value = value & 0x7F;
        if (e->DataLength() >= 3) e->SetDataByte(2, static_cast<std::uint8_t>(e->value));
    }
}

// The conductor's end moved out to the tick, so chords added past the
// tune's end keep their length once they are markers.
void ExtendConductorTo(EditedTune& tune, long long tick) {
    MidiF1TrackData* head = tune.Track(0);
    if (!head || head->EventCount() == 0 || !head->LastEvent()->IsEndOfTrack()) return;
    const long long end = head->TimeOf(head->EventCount() - 1);
    if (tick > end) head->LastEvent()->delta += static_cast<int>(tick - end);
}

// The key between two notes (integer mean) raised onto the chord.
void MoveBetween(MidiEvent& note, int a, int b, const ChordRecord& chord) {
    note.note = SnapUpToChordTone((a + b) / 2, chord);
    if (note.DataLength() >= 2) note.SetDataByte(1, static_cast<std::uint8_t>(note.note));
}

// Index of the last note at or before index, -1 when none.
int NoteAtOrBefore(const MidiF1TrackData& track, int index) {
    for (int i = std::min(index, track.EventCount() - 1); i >= 0; --i)
        if (track.Event(i)->IsNoteWithLength()) return i;
    return -1;
}

int NoteFrom(const MidiF1TrackData& track, int index) {
    for (int i = std::max(index, 0); i < track.EventCount(); ++i)
        if (track.Event(i)->IsNoteWithLength()) return i;
    return -1;
}

// The entry and exit notes of one section moved; the section has notes.
void ConnectSection(EditedTune& tune, int melody, int section) {
    MidiF1TrackData& track = *tune.Track(melody);
    const long long start = tune.SectionStart(section);
    const long long end = tune.SectionEnd(section);
    const ChordRecord chord = ChordOfCode(tune.SectionCode(section), static_cast<int>(end - start));
    const int before = tune.LastNoteBefore(melody, start);
    if (before != 0) {
        const int n = tune.NoteIndexAtOrBefore(melody, start);
        int next = NoteFrom(track, n + 2);
        if (next < 0) next = n;
        if (track.Event(n)->IsNoteWithLength())
            MoveBetween(*track.Event(n), track.Event(next)->note, track.Event(before)->note, chord);
    }
    const int x = tune.NoteIndexAtOrBefore(melody, end);
    const int c = NoteAtOrBefore(track, x - 1);
    const int p = c >= 0 ? NoteAtOrBefore(track, c - 1) : -1;
    if (c >= 0 && p >= 0 && track.Event(x)->IsNoteWithLength())
        MoveBetween(*track.Event(c), track.Event(p)->note, track.Event(x)->note, chord);
}

}  // namespace

namespace {

// LocateStep, then a split or added chord written into the tune's markers
// so that the sections follow the chord lists again.
int LocateAndFollow(EditedTune& tune, int step, int flag) {
    const std::size_t before = ChordProgression().size();
    const int section = LocateStep(step, flag);
    const std::vector<NoteEvent> chords = ChordProgression();
    if (section < 0 || chords.size() == before) return section;
    long long total = 0;
    for (const NoteEvent& c : chords)
        total += c.length;
    ExtendConductorTo(tune, total);
    WriteMarkersFromChordLists(tune);
    tune.BuildSectionTable();
    BuildChordListsFromEditTune(tune);
    return section;
}

}  // namespace

SectionRange LocateSelection(int firstStep, int lastStep) {
    EditObject* edit = Current();
    if (!edit || firstStep < 0 || lastStep < 0) return {};
    EditedTune& tune = edit->Tune();
    BuildChordListsFromEditTune(tune);
    const int first = LocateAndFollow(tune, firstStep, 1);
    const int end = LocateAndFollow(tune, lastStep + 1, 0);
    if (first < 0 || end < 0) return {};
    return {first, end};
}

int ConfirmDelayRemoval(int channel) {
    EditObject* edit = Current();
    if (!edit) return 1;
    if (!edit->Tune().HasDelayTrack(channel)) return 0;
    if (AskConfirm(kCancelDelayQuestion) != IDOK) return 1;
    DeleteEditTrack(*edit, edit->Tune().FindDelayTrack(channel));
    return 0;
}

std::string DelayCaption(int channel) {
    const EditObject* edit = CurrentEditObject();
    return edit && edit->Tune().HasDelayTrack(channel) ? "Remove Delay" : "Set Delay";
}

std::string OctaveCaption() {
    const EditObject* edit = CurrentEditObject();
    if (!edit) return "Set Octave";
    const int melody = MelodyTrackOrReport(edit->Tune(), kNoMelodyTrackError);
    if (melody < 0) return "Set Octave";
    return edit->Tune().Track(melody)->GetMaxChordSize() <= 1 ? "Set Octave" : "Remove Octave";
}

int DeleteDissonantNotes(SectionRange range) {
    EditObject* edit = Current();
    if (!edit || !range.Valid()) return 0;
    EditedTune& tune = edit->Tune();
    if (range.end > tune.SectionCount()) {
        ShowErrorMessage(kWrongChordNumberError);
        range.end = tune.SectionCount();
    }
    for (int s = range.first; s < range.end; ++s) {
        if (tune.HasDelayTrack(kEditMelodyDelayChannel)) {
            ShowErrorMessage(kDelaySetError);
            return 0;
        }
        if (tune.MarkerText(s) == kNoChordMarker) continue;
        tune.SnapChannelToChord(s, kEditMelodyChannel);
    }
    return 1;
}

int ConnectSections(SectionRange range) {
    EditObject* edit = Current();
    if (!edit || !range.Valid()) return 0;
    if (range.end < range.first) {
        ShowErrorMessage(kBeginEndError);
        return 0;
    }
    for (int s = range.first; s < range.end && s < edit->Tune().SectionCount(); ++s) {
        EditedTune& tune = edit->Tune();
        if (tune.HasDelayTrack(kEditMelodyDelayChannel)) {
            ShowErrorMessage(kDelaySetError);
            return 0;
        }
        const int melody = MelodyTrackOrReport(tune, kNoAdjustMelodyError);
        if (melody < 0 || RejectPolyphonicTrack(*tune.Track(melody))) return 0;
        if (tune.Track(melody)->CountNotesInRange(tune.SectionStart(s), tune.SectionEnd(s)) == 0)
            continue;
        ConnectSection(tune, melody, s);
        if (!tune.SaveAndReload(edit->Path())) return 0;
    }
    return 1;
}

int ChangeHarmony(SectionRange range) {
    EditObject* edit = Current();
    if (!edit) return 0;
    EditedTune& tune = edit->Tune();
    if (tune.HasDelayTrack(kEditHarmonyDelayChannel)) {
        ShowErrorMessage(kDelaySetError);
        return 0;
    }
    if (!Held(tune, range)) return 0;
    tune.BuildScaleMaskFromTune();
    for (int s = range.first; s < range.end; ++s)
        if (!RegenerateHarmonySection(tune, s)) return 0;
    return 1;
}

int DeleteHarmonyRange(SectionRange range) {
    if (ConfirmDelayRemoval(kEditHarmonyDelayChannel)) return 0;
    EditObject* edit = Current();
    if (!edit || !Held(edit->Tune(), range)) return 0;
    EditedTune& tune = edit->Tune();
    const int harmony = tune.FindTrackByChannel(kEditHarmonyChannel);
    if (harmony >= 0)
        tune.Track(harmony)->ClearRangeKeepControls(tune.SectionStart(range.first),
                                                    tune.SectionStart(range.end));
    return 1;
}

int MakeHarmonyDelayTrack() {
    EditObject* edit = Current();
    if (!edit) return 0;
    EditedTune& tune = edit->Tune();
    const int harmony = tune.FindTrackByChannel(kEditHarmonyChannel);
    const MixBlock& mix = WorkingStyle.mix[kPartHarmony];
    if (harmony < 0 || mix.delay == 0) return 0;
    MidiF1TrackData& original = *tune.Track(harmony);
    auto copy = std::make_unique<MidiF1TrackData>(original, static_cast<int>(WorkBufferSize));
    copy->RemapChannel(kEditHarmonyChannel, kEditHarmonyDelayChannel);
    DelayAndDetuneTrack(*copy, kEditHarmonyDelayChannel, mix.delay);
    SetPans(*copy, mix.panpot - kPanSpread);
    SetPans(original, mix.panpot + kPanSpread);
    const int before = tune.TrackCount();
    tune.MidiF1Data::AddTrack(copy.release());
    return tune.TrackCount() > before ? 1 : 0;
}

void ToggleHarmonyDelay() {
    EditObject* edit = Current();
    if (!edit) return;
    const int delay = edit->Tune().FindDelayTrack(kEditHarmonyDelayChannel);
    if (delay >= 0) {
        DeleteEditTrack(*edit, delay);
    } else if (edit->Tune().HasNotesOnChannel(kEditHarmonyDelayChannel)) {
        // The channel is the tune's own: a delay there would take its part.
        const std::string channel = std::to_string(kEditHarmonyDelayChannel + 1);
        ShowErrorMessage(
            kEditingError,
            "Channel " + channel + " holds a part of the tune, so no delay can be set on it.");
    } else {
        MakeHarmonyDelayTrack();
    }
}

namespace {

// The checks before melody is copied or pasted: a tune, a range of
// sections with chords, no melody delay kept, a melody track (its index;
// -1 when refused).
int StartMelodyEdit(SectionRange& range, EditObject*& edit) {
    edit = Current();
    if (!edit || !Held(edit->Tune(), range) || HoldsNoChord(edit->Tune(), range)) return -1;
    if (ConfirmDelayRemoval(kEditMelodyDelayChannel)) return -1;
    return MelodyTrackOrReport(edit->Tune(), kNoMelodyTrackError);
}

}  // namespace

int CopyMelody(SectionRange range) {
    EditObject* edit = nullptr;
    const int melody = StartMelodyEdit(range, edit);
    if (melody < 0) return 0;
    EditedTune& tune = edit->Tune();
    edit->TakeClipboardEvents(CopyTrackSpan(*tune.Track(melody), tune.SectionStart(range.first),
                                            tune.SectionStart(range.end)));
    edit->ClearClipboardChords();
    for (int s = range.first; s < range.end; ++s)
        edit->AddClipboardChord(tune.SectionCode(s), tune.SectionEnd(s) - tune.SectionStart(s));
    return 1;
}

int PasteMelody(SectionRange range) {
    EditObject* edit = nullptr;
    const int melody = StartMelodyEdit(range, edit);
    if (melody < 0) return 0;
    EditedTune& tune = edit->Tune();
    const long long start = tune.SectionStart(range.first);
    const long long end = tune.SectionStart(range.end);
    if (end - start < edit->ClipboardLength()) {
        ShowErrorMessage(kPasteTooLongError);
        return 0;
    }
    MidiF1TrackData& track = *tune.Track(melody);
    track.ClearRangeKeepControls(start, end);
    std::vector<MidiEvent*> list;
    for (const auto& e : edit->ClipboardEvents())
        list.push_back(new MidiEvent(e.get()));
    const int count = static_cast<int>(list.size());
    list.push_back(nullptr);
    track.InsertEventsAtTime(start, count, list.data());
    return tune.SaveAndReload(edit->Path());
}

int PasteMelodyOnChord(SectionRange range) {
    EditObject* edit = nullptr;
    if (StartMelodyEdit(range, edit) < 0) return 0;
    const EditedTune& tune = edit->Tune();
    const long long origin = tune.SectionStart(range.first);
    long long t = 0;
    for (const auto& e : edit->ClipboardEvents()) {
        t += e->delta;
        if (!e->IsNoteWithLength()) continue;
        const EditObject::ClipChord* source = nullptr;
        long long at = 0;
        for (const auto& c : edit->ClipboardChords()) {
            if (t >= at && t < at + c.length) source = &c;
            at += c.length;
        }
        int target = -1;
        for (int m = range.first; m < tune.SectionCount() && target < 0; ++m)
            if (tune.SectionStart(m) - origin <= t && t < tune.SectionEnd(m) - origin) target = m;
        if (!source || target < 0) continue;
        ChordShifts shifts;
        ChordToneShifts(shifts, std::string_view(source->code.data(), 4), tune.SectionCode(target));
        e->note = MapPitchToNewChord(e->note, shifts);
        if (e->DataLength() >= 2) e->SetDataByte(1, static_cast<std::uint8_t>(e->note));
    }
    return PasteMelody(range);
}

int DeleteMelodyBeats(int firstStep, int lastStep) {
    EditObject* edit = Current();
    if (!edit || firstStep < 0 || lastStep < firstStep) return 0;
    EditedTune& tune = edit->Tune();
    const int melody = MelodyTrackOrReport(tune, kNoMelodyTrackError);
    if (melody < 0) return 0;
    const long long d = tune.division;
    tune.Track(melody)->DeleteNotes(firstStep * d, (lastStep + 1) * d);
    const int delay = tune.FindDelayTrack(kEditMelodyDelayChannel);
    if (delay >= 0) tune.Track(delay)->DeleteNotes(firstStep * d, (lastStep + 1) * d);
    return 1;
}

int RecomposeAllSections() {
    EditObject* edit = Current();
    if (!edit) return 0;
    EditedTune& tune = edit->Tune();
    if (tune.HasDelayTrack(kEditMelodyDelayChannel)) {
        ShowErrorMessage(kDelaySetError);
        return 0;
    }
    for (int s = 0; s + 1 < tune.SectionCount(); ++s)
        if (!RecomposeMelodySection(tune, s)) return 0;
    const std::string path = edit->Path();
    if (!tune.SaveAndReload(path)) return 0;
    OpenCurrentEditObject(path);
    return 1;
}

int ToggleOctave() {
    EditObject* edit = Current();
    if (!edit) return 0;
    EditedTune& tune = edit->Tune();
    const int melody = MelodyTrackOrReport(tune, kNoMelodyTrackError);
    if (melody < 0) return 0;
    MidiF1TrackData& track = *tune.Track(melody);
    if (track.GetMaxChordSize() <= 1)
        AddOctaveNotes(track);
    else
        tune.KeepFirstNoteOfChords(melody);
    return 1;
}

int RemoveMelodyDelay() {
    EditObject* edit = Current();
    if (!edit) return 0;
    const int delay = edit->Tune().FindDelayTrack(kEditMelodyDelayChannel);
    if (delay < 0) {
        ShowErrorMessage(kNoDelayTrackError);
        return 0;
    }
    DeleteEditTrack(*edit, delay);
    return 1;
}
