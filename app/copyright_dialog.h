// "Copyright Information": the title and copyright a ringtone file carries.
// The model holds both as the files do (code page 932); the boxes show and
// take UTF-8. The confirmed copyright is remembered as the user name; a text
// with letters code page 932 cannot keep is refused, naming them.
#pragma once

#include <string>
#include <string_view>

#include "app/zaw_dialog.h"
#include "core/cp932_text.h"

class MobileData;

constexpr int kCopyrightEdit = 1501;
constexpr int kCopyrightTitleEdit = 1502;
constexpr int kCopyrightOkButton = 0;
constexpr int kCopyrightOkTop = 230;

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
