// "Instrument": a part's voice chosen by group and instrument, or from the
// drum sets, the environmental sounds or the sub-drum instruments. The
// caller sets InstrumentChoice and InstrumentChoiceMode, runs it and reads
// InstrumentChoice back.
#pragma once

#include "app/value_dialog.h"

constexpr int kInstGroupCombo = 1290;
constexpr int kInstInstrumentCombo = 1291;
constexpr int kInstDialogHeight = 288;
constexpr int kInstOkTop = 230;

class InstSelection : public ValueDialog {
public:
    explicit InstSelection(platform::ui::Window* parent = nullptr);

protected:
    std::string Title() const override { return "Instrument"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;

private:
    void FillInstruments(int group, int selection);

    int mode_ = 0;
    platform::ui::Control* group_ = nullptr;
    platform::ui::Control* instrument_ = nullptr;
};
