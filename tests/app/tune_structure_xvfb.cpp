// "Tune Structure" in a real FLTK window on the X display the test gives
// it, over a style with a custom chord method in 3/4, read back into
// <out>/tune_structure_xvfb.png and checked for its size and its value texts.
#include <string>

#include "app/styleedit/tune_definition_dialog.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using window_shots::Check;
using window_shots::CountColour;
using window_shots::g_failures;
using window_shots::Shoot;

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "tune_structure_xvfb", folder))
        return status;
    LoadSkinBitmaps();
    InitMusicStyle(WorkingStyle);
    SetStyleTitle(WorkingStyle, "Harbour Lights");
    WorkingStyle.tempo = 857000;
    WorkingStyle.timeSignature = 1;
    WorkingStyle.chordGenerationMethod = kMethodCustom;
    TuneDifinition editor;
    editor.OnInitDialog();
    const Image shot = Shoot(editor.GetWindow(), folder + "/tune_structure_xvfb.png");
    Check(shot.Extent() == (Size{644, 464}), "644 x 464");
    Check(editor.RowText(kTuneRowTempo) == "70 bpm", "the tempo row shows 70 bpm");
    // Eight value texts, each on a black band.
    Check(CountColour(shot, Rgb{0, 0, 0}) > 8 * 2000, "eight value texts on black");
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
