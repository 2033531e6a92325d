// Regenerating the harmony of one section.
#include "tuneedit/harmony_section.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "accomp/chord_walk.h"
#include "accomp/harmony_track.h"
#include "compose/compose_info.h"
#include "compose/compose_track.h"
#include "compose/knowledge_base.h"
#include "compose/preview_chords.h"
#include "style/style_table.h"
#include "tuneedit/edited_tune.h"

int ReplaceHarmonySection(EditedTune& tune, const ComposeTrackData& generated, int section) {
    if (section < 0 || section >= tune.SectionCount()) return 0;
    int index = tune.FindTrackByChannel(kHarmonyChannel);
    if (index < 0) index = tune.AddTrack();
    MidiF1TrackData* harmony = tune.Track(index);
    if (!harmony) return 0;
    // Copies that keep only notes and pitch bends; anything else keeps its
    // time as a cleared event. The list ends with null.
    std::vector<std::unique_ptr<MidiEvent>> copies;
    for (const MidiEvent* e : generated.Events()) {
        if (static_cast<int>(copies.size()) >= MidiF1TrackData::kMaxSpanEvents) break;
        auto copy = std::make_unique<MidiEvent>(e);
        if (copy->kind != event_kind::kNote && copy->kind != event_kind::kPitchBend) copy->Clear();
        copies.push_back(std::move(copy));
    }
    const long long start = tune.SectionStart(section);
    harmony->ClearRangeKeepControls(start, tune.SectionEnd(section));
    std::vector<MidiEvent*> list;
    for (auto& c : copies)
        list.push_back(c.release());
    const int count = static_cast<int>(list.size());
    list.push_back(nullptr);
    harmony->InsertEventsAtTime(start, count, list.data());
    harmony->RemoveClearedEvents();
    return 1;
}

int RegenerateHarmonySection(EditedTune& tune, int section) {
    if (section < 0 || section >= tune.SectionCount()) return 0;
    if (tune.SectionCode(section).empty()) {
        ShowErrorMessage(kNoChordYetError);
        return 0;
    }
    const int length = tune.SectionEnd(section) - tune.SectionStart(section);
    SetPreviewChords(tune.SectionCode(section), length);
    if (!LoadKnowledgeBase()) return 0;
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    track.AddProgramChange(kHarmonyChannel,
                           ProgramForPart(WorkingStyle.voice[kPartHarmony], kPartHarmony));
    track.AppendTempo(WorkingStyle.tempo);
    NoteList noMelody;
    NoteList noLabels;
    GenerateHarmonyPattern(kHarmonyChannel, track, WorkingStyle.harmonyPattern, 0,
                           WorkingStyle.density[kPartHarmony], noMelody, ComposeChords(), noLabels);
    const int octave = std::clamp(WorkingStyle.octave[kPartHarmony], -10, 10);
    if (octave != 0) track.Transpose(kHarmonyChannel, 12 * octave);
    if (track.GetEndTime() > length) track.CutAt(length);
    return ReplaceHarmonySection(tune, track, section);
}
