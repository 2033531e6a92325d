// "Harmony pattern" (with the bass, obbligato, sub-drum and rhythm titles):
// the pattern of PatternPart with its range and density, and a preview of
// the bass, harmony, sub-harmony and rhythm patterns. The choice goes into
// WorkingStyle on OK and before each preview.
#pragma once

#include "app/zaw_dialog.h"
#include "styleedit/pattern_choice.h"

constexpr int kSelectionOk = 0;
constexpr int kSelectionPatternCombo = 1101;
constexpr int kSelectionRangeCombo = 1102;
constexpr int kSelectionDensityCombo = 1103;
constexpr int kSelectionRangeLabel = 1104;
constexpr int kSelectionDensityLabel = 1105;
constexpr int kSelectionListenButton = 1106;

class HarmonyPatternSelection : public ZAWDialog {
public:
    explicit HarmonyPatternSelection(platform::ui::Window* parent = nullptr);
    ~HarmonyPatternSelection() override;

    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;

    // On the UI thread after a preview ended by itself: frees it and the
    // button reads "Play".
    void OnPreviewEnded();

private:
    PatternChoice Shown() const;
    void StoreChoice();
    void Listen();

    platform::ui::Window* parent_;
    bool built_ = false;
    int part_ = kPartHarmony;
    platform::ui::Control* pattern_ = nullptr;
    platform::ui::Control* range_ = nullptr;
    platform::ui::Control* density_ = nullptr;
    platform::ui::Control* listen_ = nullptr;
};
