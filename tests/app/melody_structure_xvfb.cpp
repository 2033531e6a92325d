// "Melody Structure" in a real FLTK window on the X display the test gives
// it, read back into <out>/melody_structure_xvfb.png and checked for its
// size, its 31 regions and its rows' value texts.
#include <string>

#include "app/styleedit/melody_definition_dialog.h"
#include "style/style_table.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using window_shots::Check;
using window_shots::g_failures;
using window_shots::Shoot;

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "melody_structure_xvfb", folder))
        return status;
    LoadSkinBitmaps();
    BuildStyleTable();
    SetWorkingStyle(StyleTable[2 * 24 + 3]);
    MelodyDifinition dialog(nullptr);
    dialog.part = kPartMelody;
    dialog.OnInitDialog();
    const Image shot = Shoot(dialog.GetWindow(), folder + "/melody_structure_xvfb.png");
    Check(shot.Extent() == (Size{644, 464}), "644 x 464");
    Check(dialog.PaintedCount() == kMelodyRegionCount, "31 regions");
    for (int row = 1; row <= kMelodyRowCount; ++row)
        Check(!dialog.ValueText(row).empty(),
              std::string(MelodyStructure::Caption(row)) + ": " + dialog.ValueText(row));
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
