#include "app/chord_input_dialog.h"

#include <algorithm>
#include <cstring>

#include "app/chord_edit_dialog.h"
#include "app/number_box.h"
#include "compose/chord_buffer.h"
#include "compose/tune_header.h"
#include "core/shell_services.h"
#include "platform/message_sink.h"
#include "style/style_table.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"

using namespace platform::ui;

namespace {

constexpr int kButtonStatics[kChordInputButtonCount] = {2049, 2050, 2054, 2055, 2056, 2057,
                                                        2058, 2059, 2060, 2061, 2062};
constexpr int kColumnLeft[5] = {0, 95, 190, 285, 380};
constexpr int kRowTop[2] = {392, 427};
constexpr const char* kModeOneCaptions[10] = {"Load", "Save", "Reset", "Edit", "Del",
                                              "Add",  "--",   "--",    "--",   "--"};
constexpr const char* kModeTwoCaptions[10] = {"PLAY",  "Del",  "Ins",    "Edit",   "All",
                                              "Melody", "Chord", "Tone", "Adjust", "Wizard"};
constexpr Rgb kGreys[3] = {{200, 200, 200}, {210, 210, 210}, {220, 220, 220}};
constexpr Rgb kSelected{255, 200, 120};

// Beats of a bar of the working style: 4 in 4/4, else 3.
int GridBeatsPerBar() {
    return WorkingStyle.timeSignature == kMetre44 ? 4 : 3;
}

// The first step of every chord and its display name.
std::vector<std::pair<int, std::string>> ChordStarts() {
    std::vector<std::pair<int, std::string>> starts;
    int step = 0;
    for (const NoteEvent& c : ChordProgression()) {
        if (static_cast<int>(starts.size()) >= 512) break;
        starts.emplace_back(step, ChordCodeToName(c.chordCode));
        step += c.length / kStepTicks;
    }
    return starts;
}

}  // namespace

int ChordGridStep(int x, int y, int scrollRow) {
    const int column = (x - kChordCellLeft) / kChordCellWidth;
    const int row = (y - kChordCellTop) / kChordCellHeight;
    if (x < kChordCellLeft || y < kChordCellTop || column >= kChordGridColumns ||
        row >= kChordGridRows)
        return -1;
    return (row + scrollRow) * kChordGridColumns + column;
}

int SetSelectedListChords(const StepSelection& selection, const std::string& code) {
    if (selection.Empty()) return 0;
    std::vector<NoteEvent> chords = ChordProgression();
    int step = 0;
    for (NoteEvent& c : chords) {
        const int steps = c.length / kStepTicks;
        if (step <= selection.end && step + steps > selection.start) {
            std::memcpy(c.chordCode, code.data(), std::min<std::size_t>(code.size(), 4));
            c.numberText[0] = c.numberText[1] = '\0';
        }
        step += steps;
    }
    return SetChordProgression(chords);
}

int DeleteSelectedListChords(const StepSelection& selection) {
    if (selection.Empty()) return 0;
    std::vector<NoteEvent> kept;
    int step = 0;
    for (const NoteEvent& c : ChordProgression()) {
        const int steps = c.length / kStepTicks;
        if (!(step <= selection.end && step + steps > selection.start)) kept.push_back(c);
        step += steps;
    }
    SetChordProgression(kept);
    return WriteChordListsToStyle(WorkingStyle, GridBeatsPerBar());
}

int AddLastStyleChord() {
    std::uint8_t* s = WorkingStyle.harmonyStructure;
    int count = 0;
    while (count < kMaxChordEntries && (s[count * 6] != 0 || s[count * 6 + 1] != 0))
        ++count;
    if (count == 0) return 0;
    if (count >= kMaxChordEntries) {
        ShowErrorMessage(kChordsTooManyError);
        return 0;
    }
    std::memcpy(s + count * 6, s + (count - 1) * 6, 6);
    s[(count + 1) * 6] = 0;
    s[(count + 1) * 6 + 1] = 0;
    LoadChordBufferFromStyle();
    return 1;
}

EdCdCust::EdCdCust(Window* parent, int mode) : parent_(parent), mode_(mode) {}

int EdCdCust::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void EdCdCust::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(kChordInputButtonCount);
    Window& window = GetWindow();
    window.SetTitle("Chord Input");
    int captions[kChordInputButtonCount];
    for (int i = 0; i < kChordInputButtonCount; ++i)
        captions[i] = i;
    SetCaptionButtons(kChordInputButtonCount, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kChordInputOkButton), "OK", AddButtonHolder(kButtonStatics[0]));
    for (int i = 1; i < kChordInputButtonCount; ++i) {
        SkinButton& b = Button(i);
        b.x1 = kColumnLeft[(i - 1) % 5];
        b.x2 = b.x1 + 100;
        b.y1 = kRowTop[(i - 1) / 5];
        b.y2 = b.y1 + 40;
        b.caption = (mode_ == 1 ? kModeOneCaptions : kModeTwoCaptions)[i - 1];
        b.control = AddButtonHolder(kButtonStatics[i]);
        b.normal = &SkinImage(SkinId::Column);
        b.pressed = &SkinImage(SkinId::ColumnPressed);
    }
    PlaceSkinButtons(kChordInputButtonCount, &Button(0));
    if (mode_ == 1) {
        LoadChordBufferFromStyle();
    } else if (CurrentEditObject()) {
        BuildChordListsFromEditTune(CurrentEditObject()->Tune());
    }
    Control& bar = window.AddControl(ControlKind::HScrollBar, Rect{280, 33, 580, 53},
                                     kChordInputScrollBar);
    bar.SetRange(0, ChordGridScrollMaximum(ChordStepCount));
    PaintSkin();
}

void EdCdCust::DrawGrid(Canvas& canvas) {
    const int beats = std::max(1, GridBeatsPerBar());
    const auto starts = ChordStarts();
    for (int row = 0; row < kChordGridRows; ++row) {
        for (int column = 0; column < kChordGridColumns; ++column) {
            const int step = (row + scrollRow_) * kChordGridColumns + column;
            const bool selected =
                !selection_.Empty() && step >= selection_.start && step <= selection_.end;
            const int x = kChordCellLeft + column * kChordCellWidth;
            const int y = kChordCellTop + row * kChordCellHeight - (selected ? 40 / 8 : 0);
            const Rect cell{x, y, x + kChordCellWidth - 2, y + kChordCellHeight - 2};
            canvas.FillRect(cell, selected ? kSelected : kGreys[step % 3]);
            std::string label = std::to_string(step % beats + 1);
            if (step % beats == 0) label = std::to_string(step / beats + 1) + ":" + label;
            canvas.DrawText(label, Rect{x, y, cell.right, y + 16}, TextLayout::LeftCentred);
            for (const auto& [first, name] : starts)
                if (first == step && step < ChordStepCount)
                    canvas.DrawText(name, Rect{x, y + 20, cell.right, y + 40},
                                    TextLayout::LeftCentred);
        }
    }
}

void EdCdCust::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    SelectSkinFont(canvas, false);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(Rgb{32, 64, 0});
    DrawGrid(canvas);
    DrawCaptions(canvas);
}

void EdCdCust::OnLeftDown(Window& window, Point p) {
    int index = -1;
    if (HitTestSkinButtons(p.x, p.y, &index, &Button(0), kChordInputButtonCount)) {
        ZAWDialog::OnLeftDown(window, p);
        return;
    }
    first_ = ChordGridStep(p.x, p.y, scrollRow_);
    last_ = -1;
    dragging_ = first_ >= 0;
}

void EdCdCust::OnMouseMove(Window& window, Point p) {
    if (!dragging_) return;
    const int step = ChordGridStep(p.x, p.y, scrollRow_);
    if (step >= 0 && step != last_) {
        last_ = step;
        selection_ = OrderedSelection(first_, last_);
        window.Invalidate(false);
    }
}

void EdCdCust::OnLeftUp(Window& window, Point p) {
    if (PressedControl()) {
        OnSkinButtonUp();
        ButtonAction(window, PressedIndex());
        dragging_ = false;
        window.Invalidate(false);
        return;
    }
    if (!dragging_) return;
    dragging_ = false;
    const int step = ChordGridStep(p.x, p.y, scrollRow_);
    last_ = step >= 0 ? step : last_;
    selection_ = OrderedSelection(first_, last_ >= 0 ? last_ : first_);
    if (mode_ == 1 && !selection_.Empty()) {
        // Widened to whole chords.
        int at = 0;
        for (const NoteEvent& c : ChordProgression()) {
            const int steps = c.length / kStepTicks;
            if (selection_.start >= at && selection_.start < at + steps) selection_.start = at;
            if (selection_.end >= at && selection_.end < at + steps) selection_.end = at + steps - 1;
            at += steps;
        }
    }
    window.Invalidate(false);
}

void EdCdCust::OnControl(Window& window, Control& control, ControlEvent event) {
    if (control.Id() != kChordInputScrollBar || event != ControlEvent::ValueChanged) return;
    scrollRow_ = std::clamp(control.Value(), 0, ChordGridScrollMaximum(ChordStepCount));
    window.Invalidate(false);
}

void EdCdCust::ButtonAction(Window& window, int index) {
    if (index == kChordInputOkButton) {
        if (CloseOk()) window.EndModal(platform::kIdOk);
        return;
    }
    if (mode_ == 1) ModeOneAction(index);
    else ModeTwoAction(index);
}

bool EdCdCust::CloseOk() {
    if (mode_ == 1 && !ChordBarsInRange(ChordStepCount, GridBeatsPerBar())) {
        ShowErrorMessage(kMeasureRangeError);
        return false;
    }
    WriteChordListsToStyle(WorkingStyle, GridBeatsPerBar());
    if (ChordStepCount == 0) {
        ShowErrorMessage(kEmptyNotSavedError);
        return true;
    }
    if (mode_ == 2 && CurrentEditObject()) {
        // A tune that could not be written keeps the dialog open.
        return CurrentEditObject()->Tune().SaveAndReload(CurrentEditObject()->Path()) == 1;
    }
    return true;
}

void EdCdCust::EditChords() {
    if (selection_.Empty()) {
        ShowErrorMessage(mode_ == 1 ? kSelectAreaError : kSelectEditError);
        return;
    }
    std::string code = "CMPd";
    int step = 0;
    for (const NoteEvent& c : ChordProgression()) {
        if (selection_.start >= step && selection_.start < step + c.length / kStepTicks)
            code.assign(c.chordCode, 4);
        step += c.length / kStepTicks;
    }
    EdChordEdit chord(&GetWindow(), code);
    if (chord.DoModal() != platform::kIdOk) return;
    if (mode_ == 1) SetSelectedListChords(selection_, chord.NewCode());
    else ChangeSelectedChords(selection_, chord.NewCode(), chord.NewText());
    selection_ = {};
}

void EdCdCust::ModeOneAction(int index) {
    std::string folder;
    GetProgramDirectory(folder);
    switch (index) {
        case 1: LoadChordFile(folder); break;
        case 2: SaveChordFile(folder); break;
        case 4: EditChords(); break;
        case 5:
            if (selection_.Empty()) ShowErrorMessage(kSelectAreaError);
            else if (selection_.start >= ChordStepCount) ShowErrorMessage(kNoDataToDeleteError);
            else DeleteSelectedListChords(selection_);
            selection_ = {};
            break;
        case 6: AddLastStyleChord(); break;
        default: break;
    }
}

void EdCdCust::ModeTwoAction(int index) {
    EditObject* edit = CurrentEditObject();
    if (!edit) return;
    switch (index) {
        case 2:
            if (selection_.Empty()) ShowErrorMessage(kSelectDeleteError);
            else DeleteTuneBeats(edit->Tune(), selection_);
            selection_ = {};
            break;
        case 3:
            InsertTuneBeats(edit->Tune(), selection_);
            selection_ = {};
            break;
        case 4: EditChords(); break;
        case 5: selection_ = OrderedSelection(0, std::max(0, ChordStepCount - 1)); break;
        default: break;
    }
}
