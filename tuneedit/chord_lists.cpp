// Chord lists from and to the edited tune's sections.
#include "tuneedit/chord_lists.h"

#include <cstring>
#include <limits>
#include <vector>

#include "compose/chord_buffer.h"
#include "compose/tune_header.h"
#include "style/style_table.h"
#include "tuneedit/chord_change.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/edited_tune.h"

ChordEditExchange ChordExchange;

namespace {

constexpr char kAppendedCode[] = "CMPS";

NoteEvent ChordEvent(int length, std::string_view code) {
    NoteEvent e;
    e.kind = note_kind::kChord;
    e.length = length;
    std::memcpy(e.chordCode, code.data(), std::min<std::size_t>(code.size(), 4));
    return e;
}

}  // namespace

int BuildChordListsFromEditTune(const EditedTune& tune) {
    std::vector<NoteEvent> chords;
    const int count = tune.SectionCount();
    for (int i = 0; i < count; ++i) {
        if (i >= EditedTune::kMaxSections) {
            ShowErrorMessage(kChordsTooManyError);
            break;
        }
        if (i / kChordsPerBlock >= kMaxBlocks - 1) {
            ShowErrorMessage(kTuneTooComplicatedError);
            break;
        }
        chords.push_back(ChordEvent(tune.SectionEnd(i) - tune.SectionStart(i), tune.SectionCode(i)));
    }
    SetChordProgression(chords);
    return static_cast<int>(chords.size());
}

int LocateStep(int step, int flag) {
    EditObject* edit = CurrentEditObject();
    if (!edit) {
        ShowErrorMessage(kEditingError);
        return -1;
    }
    EditedTune& tune = edit->Tune();
    std::vector<NoteEvent> chords = ChordProgression();
    long long counted = 0;
    int result = -1;
    for (std::size_t i = 0; i < chords.size() && result < 0; ++i) {
        const long long steps = chords[i].length / kStepTicks;
        if (step == counted) {
            result = static_cast<int>(i);
        } else if (step > counted && step < counted + steps) {
            if (static_cast<int>(chords.size()) >= EditedTune::kMaxSections) {
                ShowErrorMessage(kChordsTooManyError);
                return -1;
            }
            NoteEvent rest = chords[i];
            chords[i].length = static_cast<int>(step - counted) * kStepTicks;
            rest.length -= chords[i].length;
            chords.insert(chords.begin() + static_cast<std::ptrdiff_t>(i) + 1, rest);
            result = static_cast<int>(i) + 1;
        }
        counted += steps;
    }
    if (result < 0) {
        if (static_cast<int>(chords.size()) >= EditedTune::kMaxSections ||
            tune.SectionCount() >= EditedTune::kMaxSections || step < counted) {
            ShowErrorMessage(kChordsTooManyError);
            return -1;
        }
        const int length = static_cast<int>(flag + step - counted) * kStepTicks;
        // The step right behind the last chord asked for no new beat: it is
        // the end of the progression, not an empty chord to add.
        if (length == 0) {
            ChordExchange.section = tune.SectionCount();
            return tune.SectionCount();
        }
        chords.push_back(ChordEvent(length, kAppendedCode));
        // The appended section's marker names no chord the reader knows:
        // it gets the code it stands for.
        tune.AppendSection(kAppendedCode, kAppendedCode,
                           tune.SectionStart(tune.SectionCount()) + length);
        result = static_cast<int>(chords.size()) - 1;
    }
    if (!SetChordProgression(chords)) return -1;
    if (result > tune.SectionCount()) {
        ShowErrorMessage(kWrongChordNumberError);
        result = tune.SectionCount();
    }
    ChordExchange.section = result;
    return result;
}

void WriteMarkersFromChordLists(EditedTune& tune) {
    MidiF1TrackData* head = tune.Track(0);
    if (!head) return;
    head->DeleteMarkers(0, std::numeric_limits<long long>::max());
    long long tick = 0;
    for (const NoteEvent& c : ChordProgression()) {
        head->InsertMetaTextAtTime(tick, meta_type::kMarker, ChordCodeToName(c.chordCode));
        tick += c.length;
    }
}

int ApplyChordChange(const ChordEditExchange& change) {
    EditObject* edit = CurrentEditObject();
    if (!edit) {
        ShowErrorMessage(kEditingError);
        return 0;
    }
    EditedTune& tune = edit->Tune();
    const int section = change.section;
    if (section < 0 || section >= tune.SectionCount()) {
        ShowErrorMessage(kWrongChordNumberError);
        return 0;
    }
    ChordShifts shifts;
    ChordToneShifts(shifts, std::string_view(change.oldCode.data(), 4),
                    std::string_view(change.newCode.data(), 4));
    shifts.start = tune.SectionStart(section);
    shifts.end = tune.SectionEnd(section);
    tune.CheckNoteKeys();
    MapChordChangeAllTracks(tune, shifts);
    tune.CheckNoteKeys();
    tune.SetMarkerText(change.markerText.data(), section);
    tune.CheckTracks();
    if (!tune.SaveAndReload(edit->Path())) return 0;
    WorkingStyle.voice[kPartMelody] = tune.GetChannelProgram(1);
    tune.BuildSectionTable();
    return tune.SaveAndReload(edit->Path());
}
