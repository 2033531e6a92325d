// The melody table of WorkingStyle's melody-table algorithm: the interval
// classes' probabilities and directions, the chord adjustments and the
// look-back, stored on OK.
#pragma once

#include <array>

#include "app/zaw_dialog.h"
#include "style/music_style.h"
#include "style/style_table.h"
#include "styleedit/melody_table.h"

namespace platform::ui {
class Window;
}

void RunMelodyTable(platform::ui::Window* parent);

// Control ids: class c (0..7) has its probability bar at kProbabilityBar + c,
// its direction bar at kDirectionBar + c and its label at kClassLabel + c;
// the check box of switch f (in kMelodyTableFlags' order) is kFlagCheck + f.
constexpr int kMelodyTableProbabilityBar = 1100;
constexpr int kMelodyTableDirectionBar = 1110;
constexpr int kMelodyTableClassLabel = 1120;
constexpr int kMelodyTableFlagCheck = 1130;
constexpr int kMelodyTableLookBackCombo = 1140;

// "Melody Table": a bar only moves where its thumb is dropped; an arrow or a
// click beside the thumb puts it back. Nothing but a look-back outside its
// choices (set to 0 at opening) reaches the style before OK.
class ZaMelodyTable : public ZAWDialog {
public:
    explicit ZaMelodyTable(platform::ui::Window* parent = nullptr,
                           MusicStyle& style = WorkingStyle);

    int DoModal();
    void OnInitDialog();

    // The switches as the dialog holds them (0 or 1).
    const std::array<int, kMelodyTableFlagCount>& Flags() const { return values_.flags; }
    // Where bar c of the probabilities (or directions) stands.
    int ProbabilityAt(int c) const { return values_.probability[c]; }
    int DirectionAt(int c) const { return values_.direction[c]; }

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;
    // Enter stores as the OK button does.
    void OnOk(platform::ui::Window& window) override;

private:
    void AddBars();
    void AddSwitches();
    // The held position of a bar id, or null when the id is no bar.
    int* PositionOf(int id);
    void Finish();

    platform::ui::Window* parent_;
    MusicStyle& style_;
    MelodyTableValues values_;
    bool built_ = false;
};
