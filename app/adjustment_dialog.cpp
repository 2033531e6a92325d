#include "app/adjustment_dialog.h"

#include "app/edit_panel_seams.h"

namespace {

constexpr int kConnectPause = 500;
constexpr int kDissonantPause = 200;

}  // namespace

Adjustment::Adjustment(platform::ui::Window* parent, int firstStep, int lastStep)
    : EditPanel(parent, "Adjustment", {kAdjustmentConnectStatic, kAdjustmentDissonantStatic},
                {"Connect", "Delete Dissonant"}, firstStep, lastStep) {}

void Adjustment::OnPanelButton(int index) {
    if (index == kAdjustmentConnectButton)
        RunUnderWaitCursor([&] { ConnectSections(Sections()); }, kConnectPause);
    if (index == kAdjustmentDissonantButton)
        RunUnderWaitCursor([&] { DeleteDissonantNotes(Sections()); }, kDissonantPause);
}

void RunAdjustmentPanel(platform::ui::Window* parent, int firstStep, int lastStep) {
    Adjustment panel(parent, firstStep, lastStep);
    panel.DoModal();
}
