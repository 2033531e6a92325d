// The Edit action of the main panel.
#include "app/edit_action.h"

#include <array>

#include "app/chord_input_dialog.h"
#include "app/convert_actions.h"
#include "app/main_dlg.h"
#include "app/shell_seams.h"
#include "compose/chord_analyzer.h"
#include "compose/chord_buffer.h"
#include "compose/compose_control.h"
#include "compose/tune_structure.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "midi/smf_checks.h"
#include "platform/file_chooser.h"
#include "platform/paths.h"
#include "platform/ui/ui.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/tune_edits.h"

namespace {

constexpr int kEditPanelMode = 2;
constexpr int kOldVersionPauseMs = 500;

// The channel of no event of the song, from 15 down (the drum channel and
// the part channels of edited tunes last); 16 when every channel is used.
int FreeChannel(const MidiTrackData& track) {
    std::array<bool, 16> used{};
    for (const MidiEvent* e : track.Events())
        if (e->channel >= 0 && e->channel < 16) used[static_cast<std::size_t>(e->channel)] = true;
    for (int c : {15, 14, 13, 12, 6, 0})
        if (!used[static_cast<std::size_t>(c)]) return c;
    return 16;
}

bool HasChannelNotes(const MidiTrackData& track, int channel) {
    for (const MidiEvent* e : track.Events())
        if (e->IsNoteWithLength() && e->channel == channel) return true;
    return false;
}

// The save dialog of the Edit action; false when cancelled.
bool ChooseTune(std::string& path, const std::string& proposed, bool save) {
    platform::FileChooserRequest request;
    request.defaultExtension = "mid";
    request.filter = kEditFilter;
    request.proposedName = proposed;
    request.save = save;
    const platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    if (!answer.chosen) return false;
    path = answer.path;
    return true;
}

// The work copy opened; a tune without chords analysed, saved and opened
// again. False (the object deleted) when the file is no tune.
bool OpenWorkCopy(const std::string& copy) {
    EditObject* edit = OpenCurrentEditObject(copy);
    EditedTune& tune = edit->Tune();
    if (tune.TrackCount() == 0) {
        ShowErrorMessage(kNotZawFileError);
        return false;
    }
    if (tune.SectionCount() > 0) {
        if (tune.FindTrackByChannel(kEditMelodyChannel) < 0) {
            ShowErrorMessage(kOldVersionError);
            MoveDelayTrack(tune);
        }
        // Only the delay track the program wrote goes; a part of the tune
        // on its channel stays.
        if (tune.HasDelayTrack(kEditMelodyDelayChannel)) {
            tune.DeleteTrack(tune.FindDelayTrack(kEditMelodyDelayChannel));
            ShowErrorMessage(kMelodyDelayDeletedError);
        }
        GetShellServices()->Pause(kOldVersionPauseMs);
        return true;
    }
    tune.EnsureMasterVolume(0);
    int cellLength = 0;
    AnalyzeChordsForEdit(
        tune, [](int) { AdvanceProgressText(); }, [] { ResetProgressText(); }, cellLength);
    MoveDelayTrack(tune);
    tune.SaveAndReload(copy);
    OpenCurrentEditObject(copy);
    return true;
}

}  // namespace

void MoveDelayTrack(MidiF1Data& song) {
    MidiF0Data merged(note_mode::kLength, song.division, static_cast<int>(WorkBufferSize));
    song.MergeTracksInto(merged);
    if (!merged.Track()) return;
    TuneStructure structure;
    structure.AnalyzeMidiData(merged, song.division);
    const int melody = structure.FindChannelByRole(tune_role::kMelody);
    if (melody < TuneStructure::kChannels && melody != kEditMelodyChannel)
        structure.SwapChannels(merged, melody, kEditMelodyChannel);
    for (int delay : {kEditMelodyDelayChannel, kEditHarmonyDelayChannel}) {
        if (!HasChannelNotes(*merged.Track(), delay)) continue;
        const int free = FreeChannel(*merged.Track());
        if (free < TuneStructure::kChannels) structure.SwapChannels(merged, delay, free);
    }
    song.RebuildFromF0(merged);
}

void EditTune() {
    if (PlayingActive.load() == 1) {
        ShowErrorMessage(kStopPlayingError);
        return;
    }
    std::string chosen;
    if (!ChooseTune(chosen, LastOutputPath.Get(), false)) return;
    if (RefuseOtherThanRegularFile(chosen)) return;
    // The work copy is read into one work buffer: a damaged or larger file
    // is refused here, named, rather than opened in part.
    if (!CheckMidiInputFile(chosen, WorkBufferSize)) return;
    std::string folder;
    GetProgramDirectory(folder);
    const std::string copy = folder + "/" + kEditWorkFileName;
    // A copy that failed has shown its box; the old work copy is no tune
    // of the user's.
    if (!CopyFileBytes(chosen, copy)) return;
    LastOutputPath.Set(copy);
    if (!OpenWorkCopy(copy)) {
        SetCurrentEditObject(nullptr);
        return;
    }
    {
        EdCdCust dialog(MainWindow() ? &MainWindow()->GetWindow() : nullptr, kEditPanelMode);
        dialog.DoModal();
    }
    StatusText.Clear();
    ResultText.Clear();
    ProgressDotsText.Clear();
    // The edited tune is a Standard MIDI File whatever was converted before.
    OutputType = kGmSmfType;
    std::string target;
    if (ChordStepCount != 0 && ChooseTune(target, copy, true)) {
        SetCurrentEditObject(nullptr);
        if (CopyFileBytes(copy, target)) {
            LastOutputPath.Set(target);
            GetShellServices()->SetWaitCursor(true);
            PlayOrStopResult();
            GetShellServices()->SetWaitCursor(false);
        }
    }
    SetCurrentEditObject(nullptr);
}
