// The notes of WorkingStyle's custom scale ("Scale Notes"), chosen by
// twelve toggles.
#pragma once

#include "app/zaw_dialog.h"
#include "core/reporters.h"
#include "platform/ui/image.h"
#include "styleedit/custom_scale.h"

namespace platform::ui {
class Window;
}

constexpr ErrorCode kTooFewNotesError = 0xFF01013E;  // "Select more than three notes!"
constexpr int kCustomScaleHeight = 288;
constexpr int kCustomScaleOkTop = 230;
constexpr int kCustomScaleOk = 0;
constexpr int kCustomScaleFirstToggle = 1;  // buttons 1..12 are pitch classes 0..11

// "Scale Customize": a keyboard of twelve toggles, one per pitch class. OK
// (or Enter) writes the flags into "Scale Notes" and closes when at least
// three notes are set. Esc does nothing at all.
class ZaCustomScale : public ZAWDialog {
public:
    explicit ZaCustomScale(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    int Flag(int pitchClass) const { return flags_[static_cast<std::size_t>(pitchClass)]; }

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;
    void OnCancel(platform::ui::Window& window) override;

private:
    void Accept(platform::ui::Window& window);

    platform::ui::Window* parent_;
    bool built_ = false;
    ScaleFlags flags_{};
    platform::ui::Image upFace_;
    platform::ui::Image downFace_;  // a note of the scale
};

void RunCustomScale(platform::ui::Window* parent);
