// Conversion dialogs answered as a user who takes every channel over the
// whole song and confirms the copyright.
#pragma once

#include "convert/conversion_dialogs.h"
#include "convert/mobile_data.h"

class AcceptingDialogs : public ConversionDialogs {
public:
    ChannelRange ChooseChannels(const ChannelChoice& choice) override {
        return {true, 0,
                static_cast<long long>(choice.model->GetLengthInMeasures()) *
                    choice.model->GetMeasureTicks()};
    }
    bool AskCopyright(MobileData&) override { return true; }
};
