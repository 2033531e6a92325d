#include "accomp/harmony_track.h"

#include <algorithm>

#include "accomp/bass_track.h"
#include "accomp/harmony_families.h"
#include "compose/compose_info.h"
#include "compose/melody_stages.h"
#include "compose/part_writer.h"
#include "style/style_table.h"

namespace {

// Pans of the doubled harmony: the copy's and the first track's moved apart,
// held in the controller's range (a right pan must not wrap to the left).
void MovePans(ComposeTrackData& track, int by) {
    for (int i = 0; i < track.EventCount(); ++i) {
        MidiEvent* e = track.Event(i);
        if (e->kind != event_kind::kControlChange || e->subtype != kPanController) continue;
        const int pan = std::clamp(e->value + by, 0, 127);
        e->SetControlChange(e->channel, kPanController, pan);
        const std::uint8_t bytes[3] = {0xB0, static_cast<std::uint8_t>(kPanController),
                                       static_cast<std::uint8_t>(pan)};
        e->SetData(bytes, 3);
    }
}

ComposeTrackData* NewTrack() {
    return new ComposeTrackData(note_mode::kLength, static_cast<int>(WorkBufferSize));
}

}  // namespace

void GenerateHarmonyPattern(int channel, ComposeTrackData& track, int type, int start, int density,
                            const NoteList& melody, ChordList chords, const NoteList& labels) {
    track.AddNoteEvent(channel, start, 0, 0, 0);
    const HarmonyTypeRow* row = HarmonyTypeOf(type);
    if (!row || row->family == HarmonyFamily::kNone) {
        ShowErrorMessage(kBackingPatternError);
        return;
    }
    switch (row->family) {
        case HarmonyFamily::kCustom:
            GenerateCustomPattern(channel, track, chords, labels);
            break;
        case HarmonyFamily::kStroke:
        case HarmonyFamily::kSustained: {
            // Types and variants not played yet keep the empty first event.
            ChordWalk walk(channel, track, chords);
            const int variant = HarmonyVariant(type, density);
            if (!GenerateStrokePattern(walk, type, variant, density))
                GenerateSustainedPattern(walk, type, variant, density);
            break;
        }
        case HarmonyFamily::kArpeggio: {
            ChordWalk walk(channel, track, chords);
            walk.SetLabels(&labels);
            GenerateArpeggioPattern(walk, type, HarmonyVariant(type, density), density);
            break;
        }
        case HarmonyFamily::kRiff: {
            ChordWalk walk(channel, track, chords);
            walk.SetLabels(&labels);
            GenerateRiffPattern(walk, type, HarmonyVariant(type, density), density);
            break;
        }
        case HarmonyFamily::kMelodicLine: {
            ChordWalk walk(channel, track, chords);
            walk.SetLabels(&labels);
            GenerateMelodicLinePattern(walk, type, HarmonyVariant(type, density), density);
            break;
        }
        case HarmonyFamily::kRhythm: {
            ChordWalk walk(channel, track, chords);
            GenerateRhythmPattern(walk, type, HarmonyVariant(type, density), density, &melody,
                                  &labels);
            break;
        }
        default:
            break;
    }
}

int ProgramForPart(int instrument, int part) {
    return ResolveInstrumentGroup(instrument, part);
}

void BuildHarmonyPart(int channel, ComposeTrackData& track, int instrument, int type, int density,
                      const NoteList& melody) {
    const int part = std::clamp(channel, 0, kStylePartSlots - 1);
    const MixBlock& mix = WorkingStyle.mix[part];
    SetupChannel(track, channel, ProgramForPart(instrument, part), mix, 0);
    track.AddControlChange(channel, kPanController, mix.panpot);
    GenerateHarmonyPattern(channel, track, type, GetLeadInTicks(), density, melody, ComposeChords(),
                           ComposeInfo.labels);
    // Past ten octaves every shift folds to the same pitches; held there, a
    // style's shift cannot overflow.
    const int octave = std::clamp(WorkingStyle.octave[part], -10, 10);
    if (octave != 0) track.Transpose(channel, 12 * octave);
    PadTrackEnd(track);
}

void BuildHarmonyTrack(int& count, std::vector<ComposeTrackData*>& tracks, const NoteList& melody) {
    const int instrument = WorkingStyle.voice[kPartHarmony];
    if (instrument == kVoiceNotUsed) return;
    ComposeTrackData* track = NewTrack();
    BuildHarmonyPart(kHarmonyChannel, *track, instrument, WorkingStyle.harmonyPattern,
                     WorkingStyle.density[kPartHarmony], melody);
    const int delay = WorkingStyle.mix[kPartHarmony].delay;
    if (delay != 0) {
        ComposeTrackData* copy = NewTrack();
        for (int i = 0; i < track->EventCount(); ++i)
            copy->AppendEvent(new MidiEvent(track->Event(i)));
        copy->RemapChannel(kHarmonyChannel, kHarmonyDoubleChannel);
        DelayAndDetuneTrack(*copy, kHarmonyDoubleChannel, delay);
        MovePans(*copy, -kDoublePanSpread);
        MovePans(*track, kDoublePanSpread);
        tracks.push_back(copy);
        ++count;
    }
    tracks.push_back(track);
    ++count;
}

void BuildSubHarmonyTrack(int& count, std::vector<ComposeTrackData*>& tracks,
                          const NoteList& melody) {
    const int instrument = WorkingStyle.voice[kPartSubHarmony];
    if (instrument == kVoiceNotUsed) return;
    ComposeTrackData* track = NewTrack();
    BuildHarmonyPart(kSubHarmonyChannel, *track, instrument, WorkingStyle.subHarmonyPattern,
                     WorkingStyle.density[kPartSubHarmony], melody);
    tracks.push_back(track);
    ++count;
}

void BuildSecondMelodyTrack(int& count, std::vector<ComposeTrackData*>& tracks) {
    if (WorkingStyle.melody[kPartMelody].voicing == 0) return;
    ApplyKeyChanges(ComposeInfo.secondMelody, false);
    auto* track = new PartTrack();
    RenderPartTrack(ComposeInfo.secondMelody, *track, 6);
    track->AddToVelocity(-25);
    tracks.push_back(track);
    ++count;
}
