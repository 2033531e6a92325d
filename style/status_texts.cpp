// The panel's status texts that name the working style.
#include <cstring>
#include <mutex>
#include <string>

#include "core/cp932_text.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/style_table.h"

namespace {

// The working style's title as the panel shows it, in UTF-8.
std::string WorkingTitle() {
    std::lock_guard<std::recursive_mutex> lock(StyleRecordMutex());
    return Cp932ToUtf8(
        std::string_view(WorkingStyle.title, strnlen(WorkingStyle.title, kTitleSize)));
}

// The two digits of the tune in hand, from the output file name.
std::string TuneDigits() {
    const std::string name = OutputFileName.Get();
    return name.size() >= 8 ? name.substr(6, 2) : std::string("00");
}

}  // namespace

void ShowComposingStatus() {
    const std::string title = WorkingTitle();
    std::string caption = "[";
    caption.append(TuneDigits()).append("] ").append(title);
    GetShellServices()->SetMainWindowTitle(caption);
    StatusText.Set("Now composing " + title);
    GetShellServices()->DrawStatus();
}

void ShowResultStatus() {
    const char* lead = PanelMode.load() == kPanelModeConvert ? "Converted to " : "Now playing ";
    StatusText.Set(lead + WorkingTitle());
    ProgressDotsText.Clear();
}
