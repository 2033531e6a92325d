#include "app/edit_panel.h"

#include "core/shell_services.h"

namespace {

std::vector<int> HolderIds(std::vector<int> ids) {
    ids.insert(ids.begin(), kEditPanelOkStatic);
    return ids;
}

}  // namespace

EditPanel::EditPanel(platform::ui::Window* parent, std::string title, std::vector<int> ids,
                     std::vector<std::string> captions, int firstStep, int lastStep)
    : SkinPage(parent, std::move(title), std::move(captions), false),
      firstStep_(firstStep),
      lastStep_(lastStep) {
    SetHolderIds(HolderIds(std::move(ids)));
}

void EditPanel::OnButton(int index) {
    Locate();
    OnPanelButton(index);
}

void RunUnderWaitCursor(const std::function<void()>& work, int pauseMilliseconds) {
    GetShellServices()->SetWaitCursor(true);
    work();
    GetShellServices()->SetWaitCursor(false);
    if (pauseMilliseconds > 0) GetShellServices()->Pause(pauseMilliseconds);
}
