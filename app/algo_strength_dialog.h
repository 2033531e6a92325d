// The melody algorithm strength of a part: 0 or 1 on up-down arrows.
#pragma once

#include "app/value_dialog.h"

constexpr int kAlgoStrengthEdit = 2170;
constexpr int kAlgoStrengthSpin = 1412;

class AlgoStrengthDlg : public ValueDialog {
public:
    explicit AlgoStrengthDlg(platform::ui::Window* parent = nullptr);

    int value = 0;

protected:
    std::string Title() const override { return "Algorithm Strength"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    platform::ui::Control* spin_ = nullptr;
};
