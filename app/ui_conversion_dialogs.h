// The conversion dialogs as the application installs them: the channel and
// copyright dialogs run on the UI thread whatever thread converts. A
// conversion on a worker thread posts the dialog and waits for its answer;
// once shut-down began every question is refused at once.
#pragma once

#include "convert/conversion_dialogs.h"

class UiConversionDialogs : public ConversionDialogs {
public:
    ChannelRange ChooseChannels(const ChannelChoice& choice) override;
    bool AskCopyright(MobileData& model) override;
    void ShowMelodyMailText(const std::string& path) override;
};

// Installs UiConversionDialogs (at start-up).
void InstallConversionDialogs();
