// Opens the pattern chooser during a preview, the step editor on the harmony
// pattern with grid B and on the rhythm pattern, and the drum creator in real
// FLTK windows on the X display the test gives it, reads each back into
// <out>/<name>_xvfb.png and checks size and content.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "app/styleedit/create_drum_dialog.h"
#include "app/styleedit/harmony_pattern_dialog.h"
#include "app/styleedit/harmony_pattern_selection_dialog.h"
#include "styleedit/pattern_preview.h"
#include "styleedit/style_editor_services.h"
#include "core/settings.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

#include "tests/app/dialog_shots.h"

using platform::ui::Image;
using namespace dialog_shots;

namespace {

// Some cells, a repeat step and row tones in both grids of a slot.
void DrawSomeCells(int slot) {
    for (int g = 0; g < 2; ++g) {
        GridPart& grid = WorkingStyle.customHarmony.grid[g][slot];
        for (int c = 0; c < 16; ++c)
            for (int r = 0; r < 14; ++r) grid.Cell(r, c) = (r * 5 + c * 3 + g) % 7 == 0;
        grid.pnContinuem[5] = 1;
        for (int r = 0; r < 14; ++r) grid.pnInterval[r] = slot == 2 ? r * 3 : r;
    }
    ApplyPatternRepeatFlags(WorkingStyle, slot, 16);
}

void ShootEditor(int slot, const std::string& title, const std::string& path) {
    PatternSlot = slot;
    ZaHarmonyPattern dialog;
    const Image shot = Shoot(dialog, title, path, -1, -1, [&] { dialog.DoModal(); });
    Check(shot.Width() == 644 && shot.Height() == 464, path + ": 644 x 464");
    Check(Colours(shot) > 8, path + ": " + std::to_string(Colours(shot)) + " colours");
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    if (const int status = window_shots::Start(argc, argv, "pattern_dialogs_xvfb", out)) return status;
    InitDefaultSettings();
    LoadSkinBitmaps();
    BuildStyleTable();
    InitMusicStyle(WorkingStyle);
    WorkingStyle.voice[kPartBass] = 33;
    WorkingStyle.bassPattern = 8;
    {
        PatternPart = kPartBass;
        HarmonyPatternSelection dialog;
        dialog.OnInitDialog();
        dialog.GetWindow().FindControl(kSelectionListenButton)->UserClick();
        const Image shot = Shoot(dialog, "Bass pattern", out + "/pattern_chooser_xvfb.png", -1, -1,
                                 [&] { dialog.DoModal(); });
        Check(shot.Width() == 346 && shot.Height() == 144, "chooser: 346 x 144");
        Check(Colours(shot) > 8, "chooser: " + std::to_string(Colours(shot)) + " colours");
    }
    DrawSomeCells(0);
    WorkingStyle.customHarmony.useX[0] = 1;
    ShootEditor(0, "Harmony Pattern Setting", out + "/step_editor_harmony_xvfb.png");
    DrawSomeCells(2);
    ShootEditor(2, "Rhythm Pattern Setting", out + "/step_editor_rhythm_xvfb.png");
    {
        ZACreateDrum dialog;
        const Image shot = Shoot(dialog, "Create Drum", out + "/create_drum_xvfb.png", -1, -1,
                                 [&] { dialog.DoModal(); });
        Check(shot.Width() > 0, "drum creator shot");
    }
    StopPreview();
    platform::ui::BeginShutdown();
    platform::ui::InstallBackend(nullptr);
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
