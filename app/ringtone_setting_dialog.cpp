#include "app/ringtone_setting_dialog.h"

#include "app/convert_algo_dialog.h"
#include "app/terminal_selection_dialog.h"
#include "core/settings.h"

namespace {

constexpr int kLimitMinimum = 1000;
constexpr int kLimitMaximum = 30000;

}  // namespace

RingtoneSetting::RingtoneSetting(platform::ui::Window* parent)
    : SkinPage(parent, "Ringtone Setting",
               {"Show Copyright", "Use loop marker", "Terminal", "Algorithm"}, true) {}

void RingtoneSetting::Load() {
    StatesFrom({&AppSettings.ShowCopyright, &AppSettings.UseLoopMarker});
}

void RingtoneSetting::Store() {
    StatesTo({&AppSettings.ShowCopyright, &AppSettings.UseLoopMarker});
}

void RingtoneSetting::OnButton(int index) {
    if (index == 3) {
        CTerminalSelectionDlg terminal(&GetWindow());
        terminal.title = "Terminal";
        terminal.numberMinimum = kLimitMinimum;
        terminal.numberMaximum = kLimitMaximum;
        terminal.numberValue = AppSettings.RingtoneSizeLimit;
        terminal.terminalIndex = AppSettings.TerminalIndex;
        terminal.DoModal();
        AppSettings.RingtoneSizeLimit = terminal.numberValue;
        AppSettings.TerminalIndex = terminal.terminalIndex;
    } else if (index == 4) {
        // The button shows its selected face while the switches are open.
        Button(4).state = 1;
        PaintSkinByState();
        ConvertAlgoSetting algorithm(&GetWindow());
        algorithm.DoModal();
        Button(4).state = 0;
    } else {
        SkinPage::OnButton(index);
    }
}
