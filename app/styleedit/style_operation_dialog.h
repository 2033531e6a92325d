// "Style Operation": whole-style operations on WorkingStyle, opened from the
// style definition hub: copy to and paste from the style clipboard, mix with
// it, build it from a MIDI file, the wizard, save and load style files, and
// build it from two style files by their common or differing settings. A
// release runs the operation of the region pressed on button down.
#pragma once

#include "app/zaw_dialog.h"

constexpr int kOperationOk = 0;
constexpr int kOperationCopy = 1;
constexpr int kOperationMix = 2;
constexpr int kOperationPaste = 3;
constexpr int kOperationExtract = 4;
constexpr int kOperationWizard = 5;
constexpr int kOperationSave = 6;
constexpr int kOperationLoad = 7;
constexpr int kOperationCommon = 8;
constexpr int kOperationVariance = 9;
constexpr int kOperationRegionCount = 10;
constexpr int kOperationBackgroundStatic = 2066;
constexpr int kOperationOkStatic = 2067;
constexpr int kOperationFirstStatic = 2167;

class StyleOperation : public ZAWDialog {
public:
    explicit StyleOperation(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

    // Runs the operation of a region (0 closes the dialog).
    void Run(int region);

private:
    platform::ui::Window* parent_;
    bool built_ = false;
};
