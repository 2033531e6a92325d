#include "app/ui_conversion_dialogs.h"

#include <memory>

#include "app/channel_select_dialog.h"
#include "app/copyright_dialog.h"
#include "app/main_dlg.h"
#include "app/text_input_dialog.h"
#include "platform/message_sink.h"
#include "platform/ui/ui.h"

namespace {

// A conversion is started from the panel, so its questions open over it
// (centred), not at the screen's corner; null without a panel.
platform::ui::Window* PanelOwner() {
    return MainWindow() ? &MainWindow()->GetWindow() : nullptr;
}

}  // namespace

ChannelRange UiConversionDialogs::ChooseChannels(const ChannelChoice& choice) {
    if (platform::ui::ShuttingDown() || !choice.model) return {};
    // The worker waits while the dialog runs, so the model is the dialog's
    // alone until it answers.
    auto range = std::make_shared<ChannelRange>();
    const int shown = platform::ui::CallOnUiAndWait(
        [choice, range] {
            MobileDialogSelectChanel dialog(PanelOwner());
            dialog.model = choice.model;
            dialog.multiTrack = choice.multiTrack;
            dialog.DrumRowsLocked = choice.drumRowsLocked;
            dialog.DrumAsOneRow = choice.drumAsOneRow;
            dialog.VoiceLimit = choice.voiceLimit;
            if (dialog.DoModal() != platform::kIdOk) return 0;
            *range = ChannelRange{true, dialog.StartTick, dialog.EndTick};
            return 1;
        },
        0);
    if (shown != 1) return {};
    return *range;
}

bool UiConversionDialogs::AskCopyright(MobileData& model) {
    if (platform::ui::ShuttingDown()) return false;
    MobileData* target = &model;
    return platform::ui::CallOnUiAndWait(
               [target] {
                   CopyrightSelection dialog(PanelOwner());
                   dialog.model = target;
                   return dialog.DoModal() == platform::kIdOk ? 1 : 0;
               },
               0) == 1;
}

void UiConversionDialogs::ShowMelodyMailText(const std::string& path) {
    if (platform::ui::ShuttingDown()) return;
    platform::ui::CallOnUiAndWait(
        [path] {
            ::ShowMelodyMailText(path, PanelOwner());
            return 1;
        },
        0);
}

void InstallConversionDialogs() {
    SetConversionDialogs(std::make_shared<UiConversionDialogs>());
}
