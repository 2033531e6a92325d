// "Tune Structure": the tune-wide settings of WorkingStyle in eight rows,
// each a caption region that opens its chooser between a minus and a plus
// region that step the value. Every change goes into the style at once; OK
// is the one way out.
#pragma once

#include <array>
#include <string>

#include "app/zaw_dialog.h"
#include "styleedit/tune_structure.h"

constexpr int kTuneRegionCount = 25;
constexpr int kTuneOk = 0;
constexpr int kTuneFirstMinus = 9;   // 9..16: minus of rows 1..8
constexpr int kTuneFirstPlus = 17;   // 17..24: plus of rows 1..8
// Row places in the 644 x 464 client area.
constexpr int kTuneRowTop = 26;
constexpr int kTuneRowPitch = 44;
constexpr int kTuneRowHeight = 36;
constexpr int kTuneCaptionLeft = 30;
constexpr int kTuneCaptionRight = 230;
constexpr int kTuneMinusLeft = 246;
constexpr int kTuneTextLeft = 296;
constexpr int kTuneTextRight = 556;
constexpr int kTunePlusLeft = 566;
constexpr int kTuneStepperWidth = 40;

// The region of a row's caption, minus and plus.
constexpr int TuneCaptionRegion(int row) { return row; }
constexpr int TuneMinusRegion(int row) { return kTuneFirstMinus + row - 1; }
constexpr int TunePlusRegion(int row) { return kTuneFirstPlus + row - 1; }

class TuneDifinition : public ZAWDialog {
public:
    explicit TuneDifinition(platform::ui::Window* parent = nullptr);

    int handOn = 0;  // the opener's value, kept for the editors this one opens

    // Builds the dialog (once) and runs it.
    int DoModal();
    void OnInitDialog();

    // The value text a row (1..8) shows.
    const std::string& RowText(int row) const { return texts_[static_cast<std::size_t>(row)]; }

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

private:
    void BuildRegions();
    void RefreshTexts();
    void Act(platform::ui::Window& window, int region);
    void RunRowChooser(platform::ui::Window& window, int row);
    void ChooseName(platform::ui::Window& window);
    void ChooseKey(platform::ui::Window& window);
    void ChooseTimeSignature(platform::ui::Window& window);
    void ChooseScale(platform::ui::Window& window);
    void ChooseChordProgression(platform::ui::Window& window);
    void ChooseBasicBeat(platform::ui::Window& window);
    void OpenChordInput(platform::ui::Window& window);

    platform::ui::Window* parent_;
    bool built_ = false;
    std::array<std::string, kTuneRowCount + 1> texts_;
    platform::ui::Image captionFace_;
    platform::ui::Image captionPressed_;
    platform::ui::Image stepperFace_;
    platform::ui::Image stepperPressed_;
};

// The chooser of a row run over WorkingStyle: a one-list picker titled
// title over the row's texts, opened on the value's place; the chosen
// entry's value, or the value itself when nothing was chosen.
int PickTuneChoice(platform::ui::Window& window, const std::string& title, const ChoiceRow& row,
                   int value);
