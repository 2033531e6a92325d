// "Tune Name": one edit field over a text buffer; OK (the button or Enter)
// keeps at most 19 characters of what was typed.
#pragma once

#include <string>

#include "app/zaw_dialog.h"

constexpr int kTuneNameEdit = 2170;
constexpr std::size_t kTuneNameLength = 19;

class TuneName : public ZAWDialog {
public:
    explicit TuneName(platform::ui::Window* parent = nullptr);

    std::string text;  // in: shown; out: the first 19 characters typed

    int DoModal();
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;

private:
    void StoreAndClose(platform::ui::Window& window);

    platform::ui::Window* parent_;
    platform::ui::Control* edit_ = nullptr;
};

// The first n characters (whole UTF-8 sequences) of a text.
std::string FirstCharacters(const std::string& utf8, std::size_t n);
