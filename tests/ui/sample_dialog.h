// A small skinned dialog (346 × 144) built on the UI layer the way the
// settings dialogs are: the small background, the OK column button and four
// toggles with two-colour captions, one of them Japanese. The headless driver
// test and the X11 screenshot test both open it.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/ui/skin.h"
#include "platform/ui/window.h"

namespace sample {

// Buttons: 0 OK, 1..4 the toggles.
constexpr int kButtonCount = 5;

struct SkinButton {
    int x1, x2, y1, y2;  // inclusive
    std::string caption;
    int state = 0;  // 1 = selected
    platform::ui::SkinId normal;
    platform::ui::SkinId pressed;
    platform::ui::Control* holder = nullptr;
};

// The black strip at the top and the colours drawn on it.
constexpr platform::ui::Rect kStrip{161, 8, 306, 30};
constexpr platform::ui::Rgb kShadowNormal{95, 191, 48};
constexpr platform::ui::Rgb kFaceNormal{32, 64, 0};
constexpr platform::ui::Rgb kShadowSelected{255, 191, 48};
constexpr platform::ui::Rgb kFaceSelected{127, 64, 0};

class SampleDialog : public platform::ui::WindowHandler {
public:
    explicit SampleDialog(const platform::ui::SkinStore& skin);

    // Makes the window and its controls (shown by Run or by the caller).
    platform::ui::Window& Create();
    // Runs the dialog modally; the code it ended with.
    int Run(platform::ui::Window* owner = nullptr);
    platform::ui::Window* GetWindow() { return window_.get(); }
    const SkinButton& Button(int index) const { return buttons_[index]; }
    // The centre of a button, for clicks.
    platform::ui::Point Centre(int index) const;
    // Index of the last record (highest) holding the point, -1 when none.
    int HitTest(platform::ui::Point p) const;
    int Resets() const { return resets_; }

    void OnPaint(platform::ui::Window&, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window&, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window&, platform::ui::Point p) override;
    // Esc and the close box only beep: the dialog ends through OK.
    void OnCancel(platform::ui::Window&) override;

private:
    const platform::ui::SkinStore& skin_;
    std::unique_ptr<platform::ui::Window> window_;
    std::array<SkinButton, kButtonCount> buttons_;
    int pressed_ = -1;
    int resets_ = 0;
};

}  // namespace sample
