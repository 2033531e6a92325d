// "Copyright Information": the title and copyright a ringtone file carries.
// The model holds both as the files do (code page 932); the boxes show and
// take UTF-8. The confirmed copyright is remembered as the user name.
#pragma once

#include <string>
#include <string_view>

#include "app/zaw_dialog.h"

class MobileData;

constexpr int kCopyrightEdit = 1501;
constexpr int kCopyrightTitleEdit = 1502;
constexpr int kCopyrightOkButton = 0;
constexpr int kCopyrightOkTop = 230;

// Code page 932 and UTF-8 both ways; what has no form in the other becomes
// "?".
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

class CopyrightSelection : public ZAWDialog {
public:
    explicit CopyrightSelection(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;

    MobileData* model = nullptr;

private:
    void Confirm();

    platform::ui::Window* parent_;
    platform::ui::Control* copyright_ = nullptr;
    platform::ui::Control* title_ = nullptr;
    bool built_ = false;
};
