// "Chord Input": the chord progression as a grid of beats, 5 rows of 16,
// with ten buttons whose work depends on the mode: 1 edits the working
// style's chords (Load, Save, Reset, Edit, Del, Add), 2 the edited tune's
// chord sections (Play, Del, Ins, Edit, All, and the edit panels, the style
// definition hub and the style wizard). Cells are selected by dragging; OK
// is the one way out. The grid is drawn off the screen and shown as the
// dialog's face.
#pragma once

#include <memory>
#include <string>

#include "app/zaw_dialog.h"
#include "core/reporters.h"
#include "platform/ui/canvas.h"
#include "tuneedit/chord_input.h"

class MidiF0Data;

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
constexpr ErrorCode kEmptyNotSavedError =
    0xFF010137;                                     // "The file is empty. File has not been saved!"
constexpr ErrorCode kSelectAreaError = 0xFF01006C;  // "Select area for edit with mouse drag!"
constexpr ErrorCode kNoDataToDeleteError = 0xFF01006D;    // "There are no data to delete!"
constexpr ErrorCode kSelectDeleteError = 0xFF010070;      // "Select area to be deleted!"
constexpr ErrorCode kSelectEditError = 0xFF010071;        // "Select area to be edited!"
constexpr ErrorCode kNoDataToPlayError = 0xFF01006E;      // "There are no data to edit or play."
constexpr ErrorCode kAreaNotSpecifiedError = 0xFF010158;  // "Area is not specified!"
constexpr ErrorCode kChordInfoTooMuchError = 0xFF0101D9;  // "Chord information is too much!"
constexpr ErrorCode kGridCanvasError = 0xFF010136;        // "Error occuered in Display Device!"
// Chords the grid can name.
constexpr int kChordDisplayRecords = 512;
constexpr platform::ui::Rgb kChordSelectionColour{255, 200, 120};

// The step of a point of the grid (scroll in rows of 16), -1 off the grid.
int ChordGridStep(int x, int y, int scrollRow);
// Mode 1 edits of the chord lists: every chord with a step in the
// selection gets the code (text cleared) or is removed; Add copies the last
// entry of the style's structure behind itself (refused when full). 1 when
// done.
int SetSelectedListChords(const StepSelection& selection, const std::string& code);
int DeleteSelectedListChords(const StepSelection& selection);
int AddLastStyleChord();
// Mode 1 "Reset": the style's harmony structure made again with its tune
// length in bars of its metre, and the lists rebuilt from it.
void ResetStyleChords();

class EdCdCust : public ZAWDialog {
public:
    EdCdCust(platform::ui::Window* parent, int mode);
    // A play still running is stopped and waited for.
    ~EdCdCust() override;

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
    bool Playing() const { return playing_; }
    const MidiF0Data* PlaySong() const { return playSong_.get(); }
    // The face last drawn: the background with the grid on it.
    const platform::ui::Image& GridImage() const { return gridImage_; }
    // Told on the UI thread when the play numbered generation has ended.
    void OnPlayEnded(unsigned generation);

private:
    void ButtonAction(platform::ui::Window& window, int index);
    void ModeOneAction(int index);
    void ModeTwoAction(int index);
    void PanelAction(int index);
    void EditChords();
    void ResetChords();
    bool CloseOk();
    void PlayOrStop();
    void StopPlaying();
    void SetPlayCaption(const char* caption);
    void SelectAll();
    void ApplyTone();
    void RunWizard();
    void FillDisplayTable();
    void RedrawGrid();
    void DrawGrid(platform::ui::Canvas& canvas);

    platform::ui::Window* parent_;
    int mode_;
    int first_ = -1;
    int last_ = -1;
    StepSelection selection_;
    bool dragging_ = false;
    int scrollRow_ = 0;
    bool built_ = false;
    // The song played and its number; only the UI thread touches them (the
    // play thread's end callback posts here).
    std::unique_ptr<MidiF0Data> playSong_;
    bool playing_ = false;
    unsigned playGeneration_ = 0;
    std::unique_ptr<platform::ui::OffscreenCanvas> offscreen_;
    platform::ui::Image gridImage_;
};
