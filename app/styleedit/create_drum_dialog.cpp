#include "app/styleedit/create_drum_dialog.h"

#include <chrono>
#include <string>

#include "app/number_box.h"
#include "core/shell_services.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "styleedit/pattern_preview.h"

using namespace platform::ui;

namespace {

constexpr int kCreateDrumWidth = 300;
constexpr int kCreateDrumHeight = 170;

}  // namespace

ZACreateDrum::ZACreateDrum(Window* parent) : parent_(parent) {}

int ZACreateDrum::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void ZACreateDrum::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle("Create Drum");
    ResizeToClient(window, kCreateDrumWidth, kCreateDrumHeight);
    for (int set = 0; set < kCreatedDrumRows; ++set) {
        const int y = 15 + 40 * set;
        window.AddControl(ControlKind::TextView, Rect::FromSize(15, y + 4, 90, 22),
                          kCreateDrumFirstLabel + set)
            .SetText("Pattern " + std::to_string(set + 1));
        window.AddControl(ControlKind::PushButton, Rect::FromSize(110, y, 80, 28),
                          kCreateDrumFirstCreate + set)
            .SetText("Create");
        window.AddControl(ControlKind::PushButton, Rect::FromSize(200, y, 80, 28),
                          kCreateDrumFirstListen + set)
            .SetText("Listen");
    }
    window.AddControl(ControlKind::PushButton, Rect::FromSize(200, 132, 80, 28), kCreateDrumOk)
        .SetText("OK");
}

void ZACreateDrum::OnControl(Window& window, Control& control, ControlEvent event) {
    if (event != ControlEvent::Clicked) return;
    const int id = control.Id();
    if (id >= kCreateDrumFirstCreate && id < kCreateDrumFirstCreate + kCreatedDrumRows)
        RollCreatedDrumSet(id - kCreateDrumFirstCreate);
    else if (id >= kCreateDrumFirstListen && id < kCreateDrumFirstListen + kCreatedDrumRows)
        ListenToSet(id - kCreateDrumFirstListen);
    else if (id == kCreateDrumOk)
        OnOk(window);
}

void ZACreateDrum::ListenToSet(int set) {
    WaitCursor wait;
    if (StartDrumSetPreview(set) == PreviewOutcome::kPlaying) {
        MusicStyle style;
        GetWorkingStyle(style);
        // The bar ends by itself; a player that never reports its end is
        // stopped after the bar plus 2 s.
        PumpWhile([] { return PreviewPlaying(); },
                  std::chrono::milliseconds(DrumBarWaitMilliseconds(style.tempo)));
    }
    StopPreview();
}

void ZACreateDrum::OnOk(Window& window) {
    StopPreview();
    window.EndModal(platform::kIdOk);
}

void ZACreateDrum::OnCancel(Window& window) {
    StopPreview();
    window.EndModal(platform::kIdCancel);
}

void OpenDrumCreator(Window* parent) {
    for (int set = 0; set < kCreatedDrumRows; ++set) RollCreatedDrumSet(set);
    ZACreateDrum dialog(parent);
    dialog.DoModal();
}
