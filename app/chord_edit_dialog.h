// "Chord Edit": a root and a chord kind chosen from two lists; OK gives the
// chord's code and marker text. The lists open on the code handed in.
#pragma once

#include <string>

#include "app/zaw_dialog.h"

constexpr int kChordEditOkButton = 0;
constexpr int kChordEditRootCombo = 1601;
constexpr int kChordEditKindCombo = 1602;
constexpr platform::ui::Rect kChordEditRootLabel{130, 30, 230, 50};
constexpr platform::ui::Rect kChordEditKindLabel{240, 30, 340, 50};

class EdChordEdit : public ZAWDialog {
public:
    EdChordEdit(platform::ui::Window* parent, const std::string& code);

    int DoModal();
    void OnInitDialog();
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

    // The code the dialog opened on, and the choice OK made.
    const std::string& OldCode() const { return oldCode_; }
    const std::string& NewCode() const { return newCode_; }
    const std::string& NewText() const { return newText_; }

private:
    platform::ui::Window* parent_;
    std::string oldCode_;
    std::string newCode_;
    std::string newText_;
    bool built_ = false;
};
