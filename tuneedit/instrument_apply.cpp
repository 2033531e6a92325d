// Programs of the edited tune from the style's instruments.
#include "tuneedit/instrument_apply.h"

#include <initializer_list>

#include "accomp/harmony_track.h"
#include "compose/melody_stages.h"
#include "style/music_style.h"
#include "tuneedit/edited_tune.h"

namespace {

constexpr int kMelodyDelayChannel = 10;
constexpr int kHarmonyDelayChannel = 11;

void SetProgramIfAny(EditedTune& tune, int channel, int program) {
    if (program >= 0 && program <= 127) tune.SetChannelProgram(channel, program);
}

// A delay channel follows its part only where it holds the delay track: a
// part of the tune on that channel keeps its own program.
void SetDelayProgramIfAny(EditedTune& tune, int channel, int program) {
    if (tune.FindDelayTrack(channel) >= 0) SetProgramIfAny(tune, channel, program);
}

void DeleteChannelIfSounding(EditedTune& tune, int channel) {
    if (tune.HasNotesOnChannel(channel)) tune.DeleteChannelTracks(channel);
}

}  // namespace

int ProgramOfInstrument(int value, int part) {
    if (value >= 0 && value <= 127) return value;
    if (value >= kFirstGroupCode && value <= kLastGroupCode) return ProgramForPart(value, part);
    return -1;
}

void ApplyToneInstruments(EditedTune& tune, const MusicStyle& style) {
    const int melody = ProgramOfInstrument(style.voice[kPartMelody], kPartMelody);
    SetProgramIfAny(tune, 1, melody);
    SetDelayProgramIfAny(tune, kMelodyDelayChannel, melody);
    const int harmony = style.voice[kPartHarmony];
    if (harmony == kVoiceNotUsed) {
        DeleteChannelIfSounding(tune, kPartHarmony);
    } else {
        const int program = ProgramOfInstrument(harmony, kPartHarmony);
        SetProgramIfAny(tune, kPartHarmony, program);
        SetDelayProgramIfAny(tune, kHarmonyDelayChannel, program);
    }
    // Each of these parts sits on the channel of its own number.
    for (int part : {kPartObbligato, kPartSubHarmony, kPartBass, kPartEnvironment, kPartSubDrum}) {
        const int value = style.voice[part];
        if (value == kVoiceNotUsed) DeleteChannelIfSounding(tune, part);
        else SetProgramIfAny(tune, part, ProgramOfInstrument(value, part));
    }
}

void ApplyWizardInstruments(EditedTune& tune, MusicStyle& style) {
    const int melody = ProgramOfInstrument(style.voice[kPartMelody], kPartMelody);
    if (melody < 0) ShowErrorMessage(kSelectMelodyInstrumentError);
    SetProgramIfAny(tune, 1, melody);
    SetDelayProgramIfAny(tune, kMelodyDelayChannel, melody);
    style.voice[kPartMelody] = tune.GetChannelProgram(1);
    const int harmony = style.voice[kPartHarmony];
    if (harmony == kVoiceNotUsed) {
        tune.SetChannelVolume(kPartHarmony, 0);
    } else {
        const int program = ProgramOfInstrument(harmony, kPartHarmony);
        if (program < 0) style.voice[kPartHarmony] = 0;
        SetProgramIfAny(tune, kPartHarmony, program < 0 ? 0 : program);
        SetDelayProgramIfAny(tune, kHarmonyDelayChannel, program < 0 ? 0 : program);
    }
}
