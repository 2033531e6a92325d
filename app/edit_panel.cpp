#include "app/edit_panel.h"

#include <functional>

#include "app/number_box.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/message_sink.h"

using namespace platform::ui;

EditPanel::EditPanel(Window* parent, std::string title, std::vector<int> ids,
                     std::vector<std::string> captions, int firstStep, int lastStep)
    : parent_(parent),
      title_(std::move(title)),
      ids_(std::move(ids)),
      captions_(std::move(captions)),
      firstStep_(firstStep),
      lastStep_(lastStep) {
    if (captions_.size() > kEditPanelMaxButtons) captions_.resize(kEditPanelMaxButtons);
    ids_.resize(captions_.size(), 0);
    largeFont_ = AppSettings.LargeFont != 0;
}

int EditPanel::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void EditPanel::OnInitDialog() {
    if (built_) return;
    built_ = true;
    const int count = static_cast<int>(captions_.size()) + 1;
    InitSkin(count);
    GetWindow().SetTitle(title_);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(kEditPanelOkButton), "OK", kSmallOkTop,
                        AddButtonHolder(kEditPanelOkStatic));
    for (int i = 1; i < count; ++i)
        SetGridSkinButton(Button(i), i, captions_[static_cast<std::size_t>(i - 1)],
                          AddButtonHolder(ids_[static_cast<std::size_t>(i - 1)]));
    std::vector<int> listed;
    for (int i = 0; i < count; ++i)
        listed.push_back(i);
    SetCaptionButtons(count, listed.data());
    SetCaptionStyle(CaptionStyle::Shadow2);
    RefreshCaptions();
    PlaceSkinButtons(count, &Button(0));
    PaintSkin();
}

void EditPanel::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void EditPanel::OnLeftUp(Window& window, Point) {
    // Only a release that follows a press on a button acts.
    if (!PressedControl()) return;
    const int index = PressedIndex();
    OnSkinButtonUp();
    sections_ = LocateSelection(firstStep_, lastStep_);
    if (index == kEditPanelOkButton) {
        window.EndModal(platform::kIdOk);
        return;
    }
    if (index > 0) OnButton(index);
    window.Invalidate(false);
}

void RunUnderWaitCursor(const std::function<void()>& work, int pauseMilliseconds) {
    GetShellServices()->SetWaitCursor(true);
    work();
    GetShellServices()->SetWaitCursor(false);
    if (pauseMilliseconds > 0) GetShellServices()->Pause(pauseMilliseconds);
}
