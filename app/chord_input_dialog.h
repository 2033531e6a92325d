// "Chord Input": the chord progression as a grid of beats, 5 rows of 16,
// with ten buttons whose work depends on the mode: 1 edits the working
// style's chords (Load, Save, Edit, Del, Add), 2 the edited tune's chord
// sections (Del, Ins, Edit, All). Cells are selected by dragging; OK is the
// one way out.
#pragma once

#include <string>

#include "app/zaw_dialog.h"
#include "core/reporters.h"
#include "tuneedit/chord_input.h"

constexpr int kChordInputOkButton = 0;
constexpr int kChordInputButtonCount = 11;
constexpr int kChordInputScrollBar = 1536;
constexpr int kChordGridColumns = 16;
constexpr int kChordGridRows = 5;
// Cell geometry inside the 644 x 464 face.
constexpr int kChordCellLeft = 18;
constexpr int kChordCellTop = 60;
constexpr int kChordCellWidth = 38;
constexpr int kChordCellHeight = 56;

constexpr ErrorCode kMeasureRangeError = 0xFF010072;  // "The number of measure is out of range!"
constexpr ErrorCode kEmptyNotSavedError = 0xFF010137;  // "The file is empty. File has not been saved!"
constexpr ErrorCode kSelectAreaError = 0xFF01006C;  // "Select area for edit with mouse drag!"
constexpr ErrorCode kNoDataToDeleteError = 0xFF01006D;  // "There are no data to delete!"
constexpr ErrorCode kSelectDeleteError = 0xFF010070;  // "Select area to be deleted!"
constexpr ErrorCode kSelectEditError = 0xFF010071;  // "Select area to be edited!"

// The step of a point of the grid (scroll in rows of 16), -1 off the grid.
int ChordGridStep(int x, int y, int scrollRow);
// Mode 1 edits of the chord lists: every chord with a step in the
// selection gets the code (text cleared) or is removed; Add copies the last
// entry of the style's structure behind itself (refused when full). 1 when
// done.
int SetSelectedListChords(const StepSelection& selection, const std::string& code);
int DeleteSelectedListChords(const StepSelection& selection);
int AddLastStyleChord();

class EdCdCust : public ZAWDialog {
public:
    EdCdCust(platform::ui::Window* parent, int mode);

    int DoModal();
    void OnInitDialog();
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnMouseMove(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;

    const StepSelection& Selection() const { return selection_; }
    int ScrollRow() const { return scrollRow_; }

private:
    void ButtonAction(platform::ui::Window& window, int index);
    void ModeOneAction(int index);
    void ModeTwoAction(int index);
    void EditChords();
    bool CloseOk();
    void DrawGrid(platform::ui::Canvas& canvas);

    platform::ui::Window* parent_;
    int mode_;
    int first_ = -1;
    int last_ = -1;
    StepSelection selection_;
    bool dragging_ = false;
    int scrollRow_ = 0;
    bool built_ = false;
};
