// Two or three lists under captions on the tall skin (346 x 288), with the
// caller's title and OK caption; OK reads the selections back. A selection
// outside its list starts on the first entry.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/value_dialog.h"

constexpr int kTallDialogHeight = 288;
constexpr int kListBoxFirstCombo = 2064;  // the others follow: 2065, 2072

// The lists of both dialogs; count is 2 or 3.
class ListBoxDialog : public ValueDialog {
public:
    ListBoxDialog(platform::ui::Window* parent, int count);

    std::string title;
    std::string okCaption = "OK";
    std::array<int, 3> selections{};
    std::array<std::vector<std::string>, 3> texts;
    std::array<std::string, 3> captions;

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;

protected:
    std::string Title() const override { return title; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    int count_;
    std::array<platform::ui::Control*, 3> combos_{};
};

class TwoListbox : public ListBoxDialog {
public:
    explicit TwoListbox(platform::ui::Window* parent = nullptr) : ListBoxDialog(parent, 2) {}
};

class ThreeListbox : public ListBoxDialog {
public:
    explicit ThreeListbox(platform::ui::Window* parent = nullptr) : ListBoxDialog(parent, 3) {}
};
