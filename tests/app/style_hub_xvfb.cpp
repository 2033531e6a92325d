// The style definition hub in both modes, "Instrument" in modes 0 and 3,
// "Mixer" with a knob at 127, the two display dialogs and the harmony and
// rhythm structure editors in real FLTK
// windows on the X display the test gives it; each is read back into
// <out>/<name>_xvfb.png and checked for its size and what it must show.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/styleedit/accomp_structure_dialog.h"
#include "app/styleedit/inst_selection_dialog.h"
#include "app/styleedit/option_selection_dialog.h"
#include "app/styleedit/volume_display_dialog.h"
#include "app/styleedit/volume_mixer_dialog.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "styleedit/instrument_choice.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using window_shots::Check;
using window_shots::CountColour;
using window_shots::g_failures;
using window_shots::Shoot;
using window_shots::ShootModal;

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "style_hub_xvfb", folder)) return status;
    LoadSkinBitmaps();
    InitMusicStyle(WorkingStyle);
    WorkingStyle.voice[kPartBass] = 27;
    WorkingStyle.voice[kPartDrum] = kVoiceNotUsed;
    for (int mode : {kHubStyleDefinition, kHubToneDefinition}) {
        OptionSelection hub;
        hub.openingMode = mode;
        hub.OnInitDialog();
        const std::string name = mode == kHubToneDefinition ? "hub_tone" : "hub_style";
        const Image shot = Shoot(hub.GetWindow(), folder + "/" + name + "_xvfb.png");
        Check(shot.Extent() == (Size{644, 464}), name + ": 644 x 464");
        Check(CountColour(shot, Rgb{0, 0, 0}) > 500, name + ": names on black");
    }
    for (int mode : {kChooseMelodic, kChooseSubDrum}) {
        InstrumentChoice = mode == kChooseMelodic ? 27 : 116;
        InstrumentChoiceMode = mode;
        InstSelection chooser;
        const std::string name = "instrument_mode" + std::to_string(mode);
        const Image shot = ShootModal(chooser, folder + "/" + name + "_xvfb.png");
        Check(shot.Extent() == (Size{346, 288}), name + ": 346 x 288");
    }
    {
        WorkingStyle.mix[kPartMelody].volume = 127;
        VolumeMixer mixer;
        mixer.OnInitDialog();
        const Image shot = Shoot(mixer.GetWindow(), folder + "/mixer_xvfb.png");
        Check(shot.Extent() == (Size{644, 464}), "mixer: 644 x 464");
        Check(CountColour(shot, Rgb{0, 255, 0}) > 200, "mixer: green labels, values and dots");
        Check(mixer.Knobs()[0].angle == 119, "mixer: the melody volume knob at its right end");
    }
    {
        VolumeSelection tracks;
        const Image shot = ShootModal(tracks, folder + "/display_track_xvfb.png");
        Check(shot.Extent() == (Size{346, 288}), "display track: 346 x 288");
        VolumeItem items;
        const Image itemShot = ShootModal(items, folder + "/display_item_xvfb.png");
        Check(itemShot.Extent() == (Size{346, 288}), "display item: 346 x 288");
    }
    {
        WorkingStyle.voice[kPartObbligato] = 40;
        WorkingStyle.voice[kPartHarmony] = 24;
        WorkingStyle.voice[kPartSubHarmony] = kVoiceNotUsed;
        WorkingStyle.voice[kPartDrum] = kElectricSet;
        WorkingStyle.voice[kPartSubDrum] = 116;
        HarmonyDifinition harmony;
        RhythmSelection rhythm;
        for (AccompStructureDialog* editor : {static_cast<AccompStructureDialog*>(&harmony),
                                              static_cast<AccompStructureDialog*>(&rhythm)}) {
            editor->OnInitDialog();
            const std::string name = editor == &harmony ? "harmony_structure" : "rhythm_structure";
            const Image shot = Shoot(editor->GetWindow(), folder + "/" + name + "_xvfb.png");
            Check(shot.Extent() == (Size{644, 464}), name + ": 644 x 464");
            Check(CountColour(shot, Rgb{0, 0, 0}) > 6 * 1500, name + ": six black value fields");
            // The first row's instrument name, light on its black field.
            int light = 0;
            for (int y = 129; y < 151; ++y)
                for (int x = 248; x < 367; ++x) light += shot.Pixel(x, y).r > 180 ? 1 : 0;
            Check(light > 40, name + ": the first instrument's name on its field");
        }
    }
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
