// "Harmony Structure" and "Rhythm Structure": the twin editors of the
// accompaniment parts. Each shows three rows, an instrument and a pattern
// per row, with - and + steppers and a region that opens the full chooser.
// Every change goes into WorkingStyle at once.
#pragma once

#include <array>

#include "app/zaw_dialog.h"
#include "styleedit/accomp_structure.h"

constexpr int kStructureRegionCount = 22;
constexpr int kStructureOk = 0;
// Row r (0..2) has its caption at 1 + 3r, its instrument at 2 + 3r and its
// pattern at 3 + 3r.
constexpr int kStructureFirstRow = 1;
constexpr int kStructureRegionsPerRow = 3;
// Steppers: 10..15 step -1, 16..21 step +1; within each six, the instrument
// and the pattern of row 1, 2 and 3.
constexpr int kStructureFirstMinus = 10;
constexpr int kStructureFirstPlus = 16;
constexpr int kStructureFirstStatic = 2100;
constexpr int kStructureBarCount = 3;

class AccompStructureDialog : public ZAWDialog {
public:
    AccompStructureDialog(StructureEditor editor, platform::ui::Window* parent);

    // Builds the dialog (once) and runs it; 1 when closed with OK.
    int DoModal();
    void OnInitDialog();

    // The names row 0..2 shows.
    const RowNames& Shown(int row) const { return names_[static_cast<std::size_t>(row)]; }

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

private:
    void BuildRegions();
    void Act(platform::ui::Window& window, int region);
    void Step(int region);
    void ChooseVoice(platform::ui::Window& window, int row);
    void ChoosePattern(platform::ui::Window& window, int row);
    void Refresh(int row);
    void DrawValueRegion(platform::ui::Canvas& canvas, int region, const std::string& value);

    StructureEditor editor_;
    platform::ui::Window* parent_;
    bool built_ = false;
    std::array<RowNames, kStructureRowCount> names_;
    std::array<platform::ui::Image, kStructureRegionCount> faces_;
    std::array<platform::ui::Image, kStructureRegionCount> pressedFaces_;
    std::array<platform::ui::Control*, kStructureBarCount> bars_{};
    std::array<platform::ui::Image, kStructureBarCount> barImages_;
};

// "Harmony Structure": obbligato, main harmony and sub harmony.
class HarmonyDifinition : public AccompStructureDialog {
public:
    explicit HarmonyDifinition(platform::ui::Window* parent = nullptr)
        : AccompStructureDialog(StructureEditor::kHarmony, parent) {}
};

// "Rhythm Structure": bass, main drums and sub drums.
class RhythmSelection : public AccompStructureDialog {
public:
    explicit RhythmSelection(platform::ui::Window* parent = nullptr)
        : AccompStructureDialog(StructureEditor::kRhythm, parent) {}
};
