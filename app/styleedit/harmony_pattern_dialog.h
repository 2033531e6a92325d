// "Harmony Pattern Setting" (and its rhythm and bass titles): the step
// editor of a style's custom patterns. PatternSlot names the pattern; every
// edit goes into WorkingStyle at once, and ".pat" files carry one slot's
// grids and options.
#pragma once

#include <memory>
#include <string>

#include "app/zaw_dialog.h"
#include "platform/ui/canvas.h"
#include "styleedit/step_pattern.h"

constexpr int kPatternOk = 0;
constexpr int kPatternLoad = 1;
constexpr int kPatternSave = 2;
constexpr int kPatternRegionCount = 3;
constexpr int kPatternLayoutCombo = 1001;
constexpr int kPatternStrokeCheck = 1002;
constexpr int kPatternContinueCheck = 1003;

// Places of the editor, in client coordinates.
constexpr int kGridLeft = 110;
constexpr int kGridTop = 100;
constexpr int kHeaderTop = 84;
constexpr int kCellPitch = 16;
constexpr int kRowColumnLeft = 20;

class ZaHarmonyPattern : public ZAWDialog {
public:
    explicit ZaHarmonyPattern(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;

    const StepPatternEdit& Edit() const { return edit_; }
    // The caption shown for a row (13 is the top row).
    std::string RowCaption(int row) const;

private:
    void LoadFromStyle();
    void StoreToStyle();
    bool PressGrid(int x, int y);
    void PickRowName(int row);
    void LoadFile();
    void SaveFile();
    void Redraw();
    void DrawGrids(platform::ui::Canvas& canvas);

    platform::ui::Window* parent_;
    bool built_ = false;
    StepPatternEdit edit_;
    std::string rowCaptions_[kGridRows];
    platform::ui::Control* layout_ = nullptr;
    platform::ui::Control* stroke_ = nullptr;
    platform::ui::Control* continue_ = nullptr;
    std::unique_ptr<platform::ui::OffscreenCanvas> offscreen_;
    platform::ui::Image face_;
};

// The row name of a tone in the slot's list, or the tone's number when the
// list has no such entry (a file from another slot may carry one).
std::string PatternRowName(int slot, int tone);

// Set PatternSlot to 0..3 and run the editor modally.
void OpenHarmonyPatternSetting(platform::ui::Window* parent);
void OpenSubHarmonyPatternSetting(platform::ui::Window* parent);
void OpenRhythmPatternSetting(platform::ui::Window* parent);
void OpenBassPatternSetting(platform::ui::Window* parent);
