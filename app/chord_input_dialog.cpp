#include "app/chord_input_dialog.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "app/chord_edit_dialog.h"
#include "app/edit_panel_seams.h"
#include "app/number_box.h"
#include "app/style_editor_seams.h"
#include "compose/chord_buffer.h"
#include "compose/compose_info.h"
#include "compose/tune_header.h"
#include "core/shell_services.h"
#include "core/style_edit_guard.h"
#include "midi/f0_data.h"
#include "platform/message_sink.h"
#include "platform/ui/ui.h"
#include "play/music_player.h"
#include "style/style_table.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/instrument_apply.h"

using namespace platform::ui;

namespace {

constexpr int kButtonStatics[kChordInputButtonCount] = {2049, 2050, 2054, 2055, 2056, 2057,
                                                        2058, 2059, 2060, 2061, 2062};
constexpr int kColumnLeft[5] = {0, 95, 190, 285, 380};
constexpr int kRowTop[2] = {392, 427};
constexpr const char* kModeOneCaptions[10] = {"Load", "Save", "Reset", "Edit", "Del",
                                              "Add",  "--",   "--",    "--",   "--"};
constexpr const char* kModeTwoCaptions[10] = {"PLAY",   "Del",   "Ins",  "Edit",   "All",
                                              "Melody", "Chord", "Tone", "Adjust", "Wizard"};
constexpr Rgb kGreys[3] = {{200, 200, 200}, {210, 210, 210}, {220, 220, 220}};
constexpr int kSelectionRaise = 5;
constexpr int kPlayButton = 1;

// The dialog open now, for the end of a play; UI thread only.
EdCdCust* g_openChordInput = nullptr;
// The number of the play started last, read by its end callback on the
// play thread.
std::atomic<unsigned> g_playNumber{0};

// On the play thread: only posts, so that the caption, the flag and the
// song are touched on the UI thread alone.
int OnChordPlayEnd() {
    const unsigned generation = g_playNumber.load();
    PostToUi([generation] {
        if (g_openChordInput) g_openChordInput->OnPlayEnded(generation);
    });
    return 0;
}

// The first step of every chord and its display name, as the display
// table holds them (at most 512 chords).
std::vector<std::pair<int, std::string>> ChordStarts() {
    std::vector<std::pair<int, std::string>> starts;
    int step = 0;
    for (const NoteEvent& c : ChordProgression()) {
        if (static_cast<int>(starts.size()) >= kChordDisplayRecords) break;
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
    return WriteChordListsToStyle(WorkingStyle, BeatsPerBar());
}

void ResetStyleChords() {
    ComposeInfo.ClearChords();
    const int beats = BeatsPerBar();
    ChordStepCount = beats * WorkingStyle.tuneLength;
    WorkingStyle.tuneLength = ChordStepCount / beats;
    FillHarmonyStructure(WorkingStyle.tuneLength, WorkingStyle.harmonyStructure,
                         WorkingStyle.timeSignature);
    BuildChordListsFromStyle();
    LoadChordBufferFromStyle();
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

EdCdCust::EdCdCust(Window* parent, int mode) : parent_(parent), mode_(mode) {
    ChordStepCount = 0;
}

EdCdCust::~EdCdCust() {
    StopPlaying();
    if (g_openChordInput == this) g_openChordInput = nullptr;
}

int EdCdCust::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void EdCdCust::OnInitDialog() {
    if (built_) return;
    built_ = true;
    g_openChordInput = this;
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
        b.normal = &SkinImage(SkinId::GridButton);
        b.pressed = &SkinImage(SkinId::GridButtonPressed);
    }
    PlaceSkinButtons(kChordInputButtonCount, &Button(0));
    if (mode_ == 1) {
        LoadChordBufferFromStyle();
    } else if (CurrentEditObject()) {
        BuildChordListsFromEditTune(CurrentEditObject()->Tune());
    }
    FillDisplayTable();
    Control& bar =
        window.AddControl(ControlKind::HScrollBar, Rect{280, 33, 580, 53}, kChordInputScrollBar);
    bar.SetRange(0, ChordGridScrollMaximum(ChordStepCount));
    offscreen_ = CurrentBackend().CreateOffscreen(Size{kLargeDialogWidth, kLargeDialogHeight});
    if (!offscreen_) ShowErrorMessage(kGridCanvasError);
    RedrawGrid();
    // The grid is the face from now on.
    if (offscreen_) SetBackground(gridImage_, kLargeDialogWidth, kLargeDialogHeight);
    PaintSkin();
}

void EdCdCust::FillDisplayTable() {
    // The table names the first 512 chords; more are still edited.
    if (ChordProgression().size() > static_cast<std::size_t>(kChordDisplayRecords))
        ShowErrorMessage(kChordInfoTooMuchError);
}

void EdCdCust::DrawGrid(Canvas& canvas) {
    const int beats = std::max(1, BeatsPerBar());
    const auto starts = ChordStarts();
    for (int row = 0; row < kChordGridRows; ++row) {
        for (int column = 0; column < kChordGridColumns; ++column) {
            const int step = (row + scrollRow_) * kChordGridColumns + column;
            const bool selected =
                !selection_.Empty() && step >= selection_.start && step <= selection_.end;
            const int x = kChordCellLeft + column * kChordCellWidth;
            const int y = kChordCellTop + row * kChordCellHeight - (selected ? kSelectionRaise : 0);
            const Rect cell{x, y, x + kChordCellWidth - 2, y + kChordCellHeight - 2};
            canvas.FillRect(cell, selected ? kChordSelectionColour : kGreys[step % 3]);
            std::string label = std::to_string(step % beats + 1);
            if (step % beats == 0) label = std::to_string(step / beats + 1) + ":" + label;
            canvas.DrawText(label, Rect{x + 2, y, cell.right, y + 16}, TextLayout::LeftCentred);
            for (const auto& [first, name] : starts)
                if (first == step && step < ChordStepCount)
                    canvas.DrawText(name, Rect{x + 2, y + 20, cell.right, y + 40},
                                    TextLayout::LeftCentred);
        }
    }
}

void EdCdCust::RedrawGrid() {
    Window& window = GetWindow();
    if (offscreen_) {
        Canvas& canvas = offscreen_->Draw();
        canvas.Blit(SkinImage(SkinId::LargeBackground),
                    Rect{0, 0, kLargeDialogWidth, kLargeDialogHeight});
        SelectSkinFont(canvas, false);
        canvas.SetTextBackground(false, Rgb{0, 0, 0});
        canvas.SetTextColour(Rgb{32, 64, 0});
        DrawGrid(canvas);
        // The same image object is kept as the face, so the window is told
        // of its new pixels here.
        gridImage_ = offscreen_->Read();
    }
    window.Invalidate(false);
}

void EdCdCust::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    SelectSkinFont(canvas, false);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    if (!offscreen_) {
        canvas.SetTextColour(Rgb{32, 64, 0});
        DrawGrid(canvas);
    }
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
    if (dragging_) window.CaptureMouse();
}

void EdCdCust::OnMouseMove(Window&, Point p) {
    if (!dragging_) return;
    const int step = ChordGridStep(p.x, p.y, scrollRow_);
    if (step >= 0 && step != last_) {
        last_ = step;
        selection_ = OrderedSelection(first_, last_);
        RedrawGrid();
    }
}

void EdCdCust::OnLeftUp(Window& window, Point p) {
    if (PressedControl()) {
        OnSkinButtonUp();
        ButtonAction(window, PressedIndex());
        dragging_ = false;
        window.ReleaseMouse();
        RedrawGrid();
        return;
    }
    if (!dragging_) return;
    dragging_ = false;
    window.ReleaseMouse();
    const int step = ChordGridStep(p.x, p.y, scrollRow_);
    last_ = step >= 0 ? step : last_;
    selection_ = OrderedSelection(first_, last_ >= 0 ? last_ : first_);
    if (mode_ == 1 && !selection_.Empty()) {
        // Widened to whole chords.
        int at = 0;
        for (const NoteEvent& c : ChordProgression()) {
            const int steps = c.length / kStepTicks;
            if (selection_.start >= at && selection_.start < at + steps) selection_.start = at;
            if (selection_.end >= at && selection_.end < at + steps)
                selection_.end = at + steps - 1;
            at += steps;
        }
    }
    RedrawGrid();
}

void EdCdCust::OnControl(Window&, Control& control, ControlEvent event) {
    if (control.Id() != kChordInputScrollBar || event != ControlEvent::ValueChanged) return;
    scrollRow_ = std::clamp(control.Value(), 0, ChordGridScrollMaximum(ChordStepCount));
    RedrawGrid();
}

void EdCdCust::ButtonAction(Window& window, int index) {
    if (index == kChordInputOkButton) {
        if (CloseOk()) window.EndModal(platform::kIdOk);
        return;
    }
    if (mode_ == 1)
        ModeOneAction(index);
    else
        ModeTwoAction(index);
}

bool EdCdCust::CloseOk() {
    if (mode_ == 1 && !ChordBarsInRange(ChordStepCount, BeatsPerBar())) {
        ShowErrorMessage(kMeasureRangeError);
        return false;
    }
    WriteChordListsToStyle(WorkingStyle, BeatsPerBar());
    // The play thread is done with the song before the tune is saved.
    StopPlaying();
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
    if (mode_ == 1)
        SetSelectedListChords(selection_, chord.NewCode());
    else
        ChangeSelectedChords(selection_, chord.NewCode(), chord.NewText());
    selection_ = {};
}

void EdCdCust::ResetChords() {
    ResetStyleChords();
    FillDisplayTable();
    scrollRow_ = 0;
    if (Control* bar = GetWindow().FindControl(kChordInputScrollBar)) {
        bar->SetRange(0, ChordGridScrollMaximum(ChordStepCount));
        bar->SetValue(0);
    }
}

void EdCdCust::ModeOneAction(int index) {
    std::string folder;
    GetProgramDirectory(folder);
    switch (index) {
        case 1:
            LoadChordFile(folder);
            FillDisplayTable();
            break;
        case 2:
            SaveChordFile(folder);
            break;
        case 3:
            ResetChords();
            break;
        case 4:
            EditChords();
            break;
        case 5:
            if (selection_.Empty())
                ShowErrorMessage(kSelectAreaError);
            else if (selection_.start >= ChordStepCount)
                ShowErrorMessage(kNoDataToDeleteError);
            else
                DeleteSelectedListChords(selection_);
            selection_ = {};
            break;
        case 6:
            AddLastStyleChord();
            break;
        default:
            break;
    }
}

void EdCdCust::SelectAll() {
    selection_ = OrderedSelection(0, ChordStepCount - 1);
}

void EdCdCust::ModeTwoAction(int index) {
    EditObject* edit = CurrentEditObject();
    if (!edit) return;
    switch (index) {
        case kPlayButton:
            if (selection_.Empty()) SelectAll();
            PlayOrStop();
            break;
        case 2:
            if (selection_.Empty())
                ShowErrorMessage(kSelectDeleteError);
            else
                DeleteTuneBeats(edit->Tune(), selection_);
            selection_ = {};
            break;
        case 3:
            InsertTuneBeats(edit->Tune(), selection_);
            selection_ = {};
            break;
        case 4:
            EditChords();
            break;
        case 5:
            SelectAll();
            break;
        default:
            PanelAction(index);
            break;
    }
}

void EdCdCust::PanelAction(int index) {
    switch (index) {
        case 6:
            if (selection_.Empty()) SelectAll();
            RunEditMelodyPanel(&GetWindow(), selection_.start, selection_.end);
            break;
        case 7:
            if (selection_.Empty())
                ShowErrorMessage(kSelectAreaError);
            else
                RunEditChordPanel(&GetWindow(), selection_.start, selection_.end);
            break;
        case 8:
            ApplyTone();
            break;
        case 9:
            if (selection_.Empty())
                ShowErrorMessage(kAreaNotSpecifiedError);
            else
                RunAdjustmentPanel(&GetWindow(), selection_.start, selection_.end);
            break;
        case 10:
            RunWizard();
            break;
        default:
            break;
    }
}

void EdCdCust::ApplyTone() {
    // The hub edits WorkingStyle: no timed compose run may replace it meanwhile.
    StyleEditGuard guard;
    RunStyleDefinitionHub(&GetWindow(), kHubToneDefinition, 1, 1);
    if (EditObject* edit = CurrentEditObject()) ApplyToneInstruments(edit->Tune(), WorkingStyle);
}

void EdCdCust::RunWizard() {
    if (RefuseUnderHarmonyDelay(CurrentEditObject()->Tune())) return;
    // The wizard's style is read back below: keep timed compose runs out.
    StyleEditGuard guard;
    RunStyleWizard(&GetWindow());
    EditObject* edit = CurrentEditObject();
    if (!edit || RefuseUnderHarmonyDelay(edit->Tune())) return;
    {
        WaitCursor wait;
        RegenerateAllHarmony(edit->Tune());
    }
    FinishWizardEdit(*edit, WorkingStyle);
}

// ---- Playing the selection ----

void EdCdCust::SetPlayCaption(const char* caption) {
    if (mode_ == 2) Button(kPlayButton).caption = caption;
    GetWindow().Invalidate(false);
}

void EdCdCust::PlayOrStop() {
    if (ChordStepCount == 0) {
        ShowErrorMessage(kNoDataToPlayError);
        return;
    }
    if (playing_) {
        StopPlaying();
        return;
    }
    EditObject* edit = CurrentEditObject();
    if (selection_.Empty() || !edit) {
        ShowErrorMessage(kSelectAreaError);
        return;
    }
    SetPlayCaption("STOP");
    auto song = std::make_unique<MidiF0Data>(static_cast<int>(WorkBufferSize));
    if (!edit->Tune().MergeTracksInto(*song)) {
        SetPlayCaption("PLAY");
        return;
    }
    const int d = edit->Tune().division;
    playSong_ = std::move(song);
    playing_ = true;
    g_playNumber = ++playGeneration_;
    if (playSong_->PlayRange(OnChordPlayEnd, selection_.start * d, (selection_.end + 1) * d) != 1)
        StopPlaying();
}

void EdCdCust::StopPlaying() {
    if (!playSong_) return;
    // Stops the play thread and waits for it; only then is the song, with
    // the copy the thread played, deleted.
    // A play that has just ended is not stopped again (its copy goes with
    // the song, after the play thread is idle).
    if (playing_ && playSong_->PlayCopyData() && TheMusicPlayer.IsPlaying()) playSong_->StopPlay();
    playSong_.reset();
    playing_ = false;
    SetPlayCaption("PLAY");
}

void EdCdCust::OnPlayEnded(unsigned generation) {
    // An end told after a stop, or after a later play started, is stale.
    if (generation != playGeneration_ || !playing_) return;
    playing_ = false;
    playSong_.reset();
    SetPlayCaption("PLAY");
    RedrawGrid();
}
