// "Tune Name": one edit field over a text buffer; OK (the button or Enter)
// keeps at most 19 characters of what was typed.
#pragma once

#include <string>

#include "app/value_dialog.h"

constexpr int kTuneNameEdit = 2170;
constexpr std::size_t kTuneNameLength = 19;

class TuneName : public ValueDialog {
public:
    explicit TuneName(platform::ui::Window* parent = nullptr);

    std::string text;  // in: shown; out: the first 19 characters typed (UTF-8)
    // Set for a text stored in code page 932: OK refuses letters it cannot
    // keep, naming them, and the dialog stays open.
    bool codePage932 = false;

protected:
    std::string Title() const override { return "Tune Name"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    platform::ui::Control* edit_ = nullptr;
};

// The first n characters (whole UTF-8 sequences) of a text.
std::string FirstCharacters(const std::string& utf8, std::size_t n);
