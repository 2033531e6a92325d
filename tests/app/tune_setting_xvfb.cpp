// "Scale Customize", "Chord Progression", "Chord Addition" and "Resolution
// Pattern" (eight chords added) in real FLTK windows on the X display the
// test gives it; each is read back into <out>/<name>_xvfb.png and checked
// for its size and what it must show.
#include <cstdio>
#include <string>

#include "app/styleedit/chord_progression_dialog.h"
#include "app/styleedit/custom_scale_dialog.h"
#include "app/styleedit/knowledge_entry_dialogs.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using window_shots::Check;
using window_shots::CountColour;
using window_shots::g_failures;
using window_shots::ShootModal;

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "tune_setting_xvfb", folder))
        return status;
    LoadSkinBitmaps();
    InitMusicStyle(WorkingStyle);
    {
        std::snprintf(WorkingStyle.scaleNotes, sizeof WorkingStyle.scaleNotes, "%s",
                      "xxxx909099090909");
        ZaCustomScale dialog;
        const Image shot = ShootModal(dialog, folder + "/custom_scale_xvfb.png");
        Check(shot.Extent() == (Size{346, 288}), "scale: 346 x 288");
        Check(CountColour(shot, Rgb{40, 92, 52}) > 5000, "scale: seven keys down");
        Check(window_shots::Differing(shot, SkinImage(SkinId::MediumBackground), {0, 0},
                                      Rect{0, 50, 12, 200}) == 0,
              "scale: the keys keep clear of the left frame");
    }
    {
        WorkingStyle.chordProgression = 10;
        WorkingStyle.fixedBass = 10;
        ChordProgressionSelection dialog;
        const Image shot = ShootModal(dialog, folder + "/chord_progression_xvfb.png");
        Check(shot.Extent() == (Size{346, 288}), "progression: 346 x 288");
    }
    {
        ZaKnoledgeChord dialog;
        const Image shot = ShootModal(dialog, folder + "/chord_addition_xvfb.png", [](Window& w) {
            w.FindControl(kAdditionFirstRoot)->UserSelect(2);
            w.FindControl(kAdditionFirstType)->UserSelect(2);
            w.FindControl(kAdditionSecondRoot)->UserSelect(7);
            w.FindControl(kAdditionSecondType)->UserSelect(0);
        });
        Check(shot.Extent() == (Size{644, 464}), "addition: 644 x 464");
    }
    {
        ZaResolutionPattern dialog;
        const Image shot =
            ShootModal(dialog, folder + "/resolution_pattern_xvfb.png", [](Window& w) {
                for (int i = 0; i < kPatternChordsMax; ++i) {
                    w.FindControl(kPatternRoot)->UserSelect(i * 5 % 12);
                    w.FindControl(kPatternType)->UserSelect(i);
                    w.FindControl(kPatternAdd)->UserClick();
                }
            });
        Check(shot.Extent() == (Size{644, 464}), "pattern: 644 x 464");
        Check(dialog.Chords().size() == 8u, "pattern: eight chords");
    }
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
