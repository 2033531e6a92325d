// A list of texts, each standing for a value, with a check box: the caller
// points at the value, the value table and the check state. The entry whose
// table value is the current one is selected; OK with nothing selected
// keeps the value.
#pragma once

#include <string>
#include <vector>

#include "app/value_dialog.h"

constexpr int kVoicingCheck = 2066;
constexpr int kVoicingCombo = 2064;

class VoicingSelection : public ValueDialog {
public:
    explicit VoicingSelection(platform::ui::Window* parent = nullptr);

    std::string title;
    std::string checkCaption;
    int* value = nullptr;
    std::vector<std::string> texts;
    const int* table = nullptr;  // one value per text
    int* checkState = nullptr;
    int count = 0;

protected:
    std::string Title() const override { return title; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    int Count() const;

    platform::ui::Control* combo_ = nullptr;
    platform::ui::Control* check_ = nullptr;
};
