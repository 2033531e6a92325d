// The chord input dialog's operations on the progression and the tune.
#include "tuneedit/chord_input.h"

#include <algorithm>
#include <cstring>

#include "compose/chord_buffer.h"
#include "compose/chord_record.h"
#include "style/music_style.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/edited_tune.h"
#include "tuneedit/harmony_section.h"
#include "tuneedit/instrument_apply.h"

namespace {

constexpr int kDisplayRecords = 512;
constexpr int kGridCells = 80;
constexpr int kRowSteps = 16;
constexpr int kHarmonyDelayChannel = 11;

void Rebuild(EditedTune& tune) {
    tune.BuildSectionTable();
    BuildChordListsFromEditTune(tune);
}

}  // namespace

int ChordGridScrollMaximum(int steps) {
    return steps + 32 > kGridCells ? (steps - 49) / kRowSteps + 1 : 0;
}

bool ChordBarsInRange(int steps, int beatsPerBar) {
    const int bars = steps / std::max(1, beatsPerBar);
    return bars >= 16 && bars <= 95;
}

StepSelection OrderedSelection(int first, int last) {
    if (first < 0 || last < 0) return {};
    const int a = std::clamp(std::min(first, last), 0, kDisplayRecords - 1);
    const int b = std::clamp(std::max(first, last), 0, kDisplayRecords - 1);
    return {a, b};
}

void DeleteTuneBeats(EditedTune& tune, const StepSelection& selection) {
    MidiF1TrackData* head = tune.Track(0);
    if (selection.Empty() || !head) return;
    const long long d = tune.division;
    const long long begin = selection.start * d;
    const long long end = (selection.end + 1) * d;
    std::string text;
    std::string atEnd;
    if (head->GetMarkerText(begin, end, text) && !head->GetMarkerText(end, end + 1, atEnd))
        head->InsertMetaTextAtTime(end, meta_type::kMarker, text);
    head->DeleteMarkers(begin, end);
    tune.DeleteTimeRange(begin, end);
    Rebuild(tune);
}

void InsertTuneBeats(EditedTune& tune, const StepSelection& selection) {
    if (selection.Empty() || tune.TrackCount() == 0) return;
    const long long d = tune.division;
    tune.InsertTime(selection.start * d,
                    static_cast<int>((selection.end - selection.start + 1) * d));
    Rebuild(tune);
}

int ChangeSelectedChords(const StepSelection& selection, const std::string& newCode,
                         const std::string& newText) {
    EditObject* edit = CurrentEditObject();
    if (!edit || selection.Empty()) return 0;
    const int first = LocateStep(selection.start, 1);
    WriteMarkersFromChordLists(edit->Tune());
    Rebuild(edit->Tune());
    const int last = LocateStep(selection.end + 1, 0);
    WriteMarkersFromChordLists(edit->Tune());
    Rebuild(edit->Tune());
    if (first < 0 || last < 0) return 0;
    for (int j = first; j < last && j < edit->Tune().SectionCount(); ++j) {
        ChordEditExchange change;
        change.section = j;
        const std::string_view old = edit->Tune().SectionCode(j);
        std::copy(old.begin(), old.end(), change.oldCode.begin());
        std::copy_n(newCode.data(), std::min<std::size_t>(newCode.size(), 4),
                    change.newCode.begin());
        std::copy_n(newText.data(), std::min<std::size_t>(newText.size(), 16),
                    change.markerText.begin());
        if (!ApplyChordChange(change)) return 0;
        BuildChordListsFromEditTune(edit->Tune());
    }
    return 1;
}

int ChordRootIndex(const std::string& code) {
    return code.empty() ? 0 : RootLetterToPitchClass(code[0]);
}

int ChordKindIndex(const std::string& code) {
    const char third = code.size() > 1 ? code[1] : '\0';
    const char fifth = code.size() > 2 ? code[2] : '\0';
    const char seventh = code.size() > 3 ? code[3] : '\0';
    if (third != 'm') return seventh == 'S' ? 1 : seventh == 'd' ? 7 : 0;
    if (fifth == 'd') return seventh == 'S' ? 5 : 4;
    return seventh == 'S' ? 3 : seventh == 'd' ? 6 : 2;
}

ChordChoice MakeChordChoice(int root, int kind) {
    static constexpr const char* kRootTexts[kChordRootChoices] = {
        "C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"};
    struct Kind {
        const char* text;
        const char* letters;
    };
    static constexpr Kind kKinds[kChordKindChoices] = {
        {" 7", "MPs"},    {" M7", "MPS"},    {"m 7", "mPs"}, {"m M7", "mPS"},
        {"dim 7", "mds"}, {"dim M7", "mdS"}, {"m", "mPd"},   {"", "MPd"}};
    if (root < 0 || root >= kChordRootChoices) return {"xxxx", ""};
    const Kind& k = kKinds[std::clamp(kind, 0, kChordKindChoices - 1)];
    ChordChoice choice;
    choice.code = std::string(1, PitchClassToRootLetter(root)) + k.letters;
    choice.text = std::string(kRootTexts[root]) + k.text;
    return choice;
}

int RefuseUnderHarmonyDelay(const EditedTune& tune) {
    if (!tune.HasDelayTrack(kHarmonyDelayChannel)) return 0;
    ShowErrorMessage(kDelaySetError);
    return 1;
}

int RegenerateAllHarmony(EditedTune& tune) {
    int done = 0;
    while (done < tune.SectionCount() && RegenerateHarmonySection(tune, done))
        ++done;
    return done;
}

int FinishWizardEdit(EditObject& edit, MusicStyle& style) {
    EditedTune& tune = edit.Tune();
    ApplyWizardInstruments(tune, style);
    const int saved = tune.SaveAndReload(edit.Path());
    style.voice[kPartHarmony] = tune.GetChannelProgram(kPartHarmony);
    return saved;
}
