#include "app/styleedit/harmony_pattern_dialog.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "app/channel_select_dialog.h"
#include "app/device_selection_dialog.h"
#include "app/number_box.h"
#include "app/panel_style_seams.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "platform/file_chooser.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "styleedit/style_editor_services.h"

using namespace platform::ui;

namespace {

constexpr Rgb kCellOn{0x00, 0x7F, 0x1F};
constexpr Rgb kHeaderBox{0xC8, 0x7F, 0xC8};
constexpr Rgb kRowNameBox{0x7F, 0xC8, 0xC8};
constexpr Rgb kGridText{0x00, 0x40, 0x00};
constexpr char kPatternFilter[] = "Pattern files|*.pat|";

// Tone names of the harmony slots; the bass slot names the first seven after
// the bass.
const char* const kToneStems[7] = {"Root", "Second", "Third", "Fourth", "Fifth", "Sixth", "Seventh"};

struct Region {
    const char* caption;
    int x1, x2, y1, y2;
};
constexpr Region kLoadRegion{"Load", 27, 173, 392, 432};
constexpr Region kSaveRegion{"Save", 190, 339, 392, 431};

const char* Title(int slot) {
    if (slot == kSlotRhythm) return "Rhythm Pattern Setting";
    if (slot == kSlotBass) return "Bass Pattern Setting";
    return "Harmony Pattern Setting";
}

void RunEditor(int slot, Window* parent) {
    PatternSlot = slot;
    ZaHarmonyPattern dialog(parent);
    dialog.DoModal();
}

// Cell index along a grid whose cells share their edges: a press on an edge
// goes to the lower cell. -1 outside 0..count*pitch.
int EdgeCell(int offset, int count) {
    if (offset < 0 || offset > count * kCellPitch) return -1;
    return offset == 0 ? 0 : (offset - 1) / kCellPitch;
}

// Step of a header box strictly holding x; -1 when none.
int HeaderStep(int x, int left, int steps) {
    for (int c = 0; c < steps; ++c) {
        if (x > left + kCellPitch * c && x < left + kCellPitch * (c + 1)) return c;
    }
    return -1;
}

platform::FileChooserAnswer AskPatternFile(bool save) {
    platform::FileChooserRequest request;
    request.defaultExtension = "pat";
    request.filter = kPatternFilter;
    request.save = save;
    const platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    if (!answer.chosen && answer.errorCode != 0)
        ShowCommonDialogError(static_cast<std::uint32_t>(answer.errorCode));
    return answer;
}

}  // namespace

std::string PatternRowName(int slot, int tone) {
    if (tone < 0 || tone >= PatternToneCount(slot)) return std::to_string(tone);
    if (slot == kSlotRhythm) return kDrumNoteNames[tone];
    const int stem = tone % 7;
    const std::string name = slot == kSlotBass && stem == 0 ? "Bass" : kToneStems[stem];
    return name + "(" + std::to_string(tone / 7 + 1) + ")";
}

ZaHarmonyPattern::ZaHarmonyPattern(Window* parent) : parent_(parent) {}

int ZaHarmonyPattern::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void ZaHarmonyPattern::OnInitDialog() {
    if (built_) return;
    built_ = true;
    const int slot = std::clamp(PatternSlot.load(), 0, kGridParts - 1);
    InitSkin(kPatternRegionCount);
    Window& window = GetWindow();
    window.SetTitle(Title(slot));
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kPatternOk), "OK", AddButtonHolder());
    for (auto [index, region] : {std::pair{kPatternLoad, kLoadRegion}, {kPatternSave, kSaveRegion}}) {
        SkinButton& b = Button(index);
        b = SkinButton{region.x1, region.x2, region.y1, region.y2, AddButtonHolder(),
                       region.caption, 0, &SkinImage(SkinId::Ok), &SkinImage(SkinId::OkPressed)};
    }
    const int captions[kPatternRegionCount] = {0, 1, 2};
    SetCaptionButtons(kPatternRegionCount, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    largeFont_ = AppSettings.LargeFont == 1;
    PlaceSkinButtons(kPatternRegionCount, &Button(0));
    // The combo shows its one line; its list drops over the grids.
    layout_ = &window.AddControl(ControlKind::ComboBox, Rect{400, 40, 600, 64}, kPatternLayoutCombo);
    int value = 0;
    for (const char* entry : {"1 measure 1 pattern", "2 measure 1 pattern", "1 measure 2 pattern"})
        layout_->AddItem(entry, value++);
    stroke_ = &window.AddControl(ControlKind::CheckBox, Rect{10, 330, 310, 360}, kPatternStrokeCheck);
    stroke_->SetText("Make stroke like guitar stroke?");
    continue_ =
        &window.AddControl(ControlKind::CheckBox, Rect{320, 330, 620, 360}, kPatternContinueCheck);
    continue_->SetText("Continue pattern to next chord?");
    layout_->Show(slot == kSlotHarmony);
    stroke_->Show(slot == kSlotHarmony || slot == kSlotSubHarmony);
    continue_->Show(slot == kSlotHarmony || slot == kSlotSubHarmony);
    edit_.slot = slot;
    LoadFromStyle();
    offscreen_ = CurrentBackend().CreateOffscreen(Size{kLargeDialogWidth, kLargeDialogHeight});
    Redraw();
    if (offscreen_) SetBackground(face_, kLargeDialogWidth, kLargeDialogHeight);
    PaintSkin();
}

std::string ZaHarmonyPattern::RowCaption(int row) const {
    return row >= 0 && row < kGridRows ? rowCaptions_[row] : std::string();
}

void ZaHarmonyPattern::LoadFromStyle() {
    {
        std::lock_guard lock(StyleRecordMutex());
        LoadStepPatternEdit(WorkingStyle, edit_.slot, edit_);
        for (int r = 0; r < kGridRows; ++r)
            rowCaptions_[r] = PatternRowName(edit_.slot, RowTone(WorkingStyle, edit_.slot, r));
    }
    if (edit_.slot == kSlotHarmony) layout_->SetSelection(LayoutEntry(edit_.layout));
    stroke_->SetValue(edit_.strokeChecked ? 1 : 0);
    continue_->SetValue(edit_.continueChecked ? 1 : 0);
}

void ZaHarmonyPattern::StoreToStyle() {
    edit_.strokeChecked = stroke_->Value() != 0;
    edit_.continueChecked = continue_->Value() != 0;
    // A layout the combo cannot show stays until the user picks an entry.
    const int entry = layout_->Selection();
    if (edit_.slot == kSlotHarmony && entry >= 0 && entry != LayoutEntry(edit_.layout))
        edit_.layout = entry;
    {
        std::lock_guard lock(StyleRecordMutex());
        StoreStepPatternEdit(edit_, WorkingStyle);
    }
    LoadFromStyle();
}

void ZaHarmonyPattern::OnLeftDown(Window& window, Point p) {
    int index = -1;
    if (HitTestSkinButtons(p.x, p.y, &index, &Button(0), kPatternRegionCount)) {
        ZAWDialog::OnLeftDown(window, p);
        return;
    }
    if (PressGrid(p.x, p.y)) {
        StoreToStyle();
        Redraw();
    }
}

// Grid B's header, the row names, the cells, grid A's header, in that
// order. True when something was edited.
bool ZaHarmonyPattern::PressGrid(int x, int y) {
    const int n = edit_.steps;
    const bool gridB = edit_.slot == kSlotHarmony && layout_->Selection() > 0;
    const bool inHeader = y > kHeaderTop && y < kGridTop;
    if (gridB && inHeader) {
        const int c = HeaderStep(x, kGridLeft + kCellPitch * n, n);
        if (c >= 0) {
            if (ErrorCode code = ToggleStepRepeat(edit_, 1, c)) ShowErrorMessage(code);
            return true;
        }
    }
    if (x > kRowColumnLeft && x < kGridLeft) {
        for (int b = 0; b < kGridRows; ++b) {
            if (y > kGridTop + kCellPitch * b && y < kGridTop + kCellPitch * b + 14) {
                PickRowName(kGridRows - 1 - b);
                return false;
            }
        }
    }
    const int u = kGridTop + kGridRows * kCellPitch - y;
    const int row = EdgeCell(u, kGridRows);
    if (row >= 0) {
        if (const int c = EdgeCell(x - kGridLeft, n); c >= 0) {
            ToggleStepCell(edit_, 0, c, row);
            return true;
        }
        if (const int c = EdgeCell(x - kGridLeft - kCellPitch * n, n); gridB && c >= 0) {
            ToggleStepCell(edit_, 1, c, row);
            return true;
        }
    }
    if (inHeader) {
        if (const int c = HeaderStep(x, kGridLeft, n); c >= 0) {
            if (ErrorCode code = ToggleStepRepeat(edit_, 0, c)) {
                ShowErrorMessage(code);
                return false;
            }
            return true;
        }
    }
    return false;
}

void ZaHarmonyPattern::PickRowName(int row) {
    const int slot = edit_.slot;
    PickerTitle = slot == kSlotRhythm ? "ドラム" : "音高";
    PickerFirstTexts.clear();
    for (int t = 0; t < PatternToneCount(slot); ++t) PickerFirstTexts.push_back(PatternRowName(slot, t));
    PickerFirstCount = PatternToneCount(slot);
    {
        std::lock_guard lock(StyleRecordMutex());
        PickerFirstIndex = RowTone(WorkingStyle, slot, row);
    }
    DeviceSelection picker(&GetWindow());
    picker.mode = 1;
    picker.DoModal();
    {
        std::lock_guard lock(StyleRecordMutex());
        SetRowTone(WorkingStyle, slot, row, PickerFirstIndex);
    }
    rowCaptions_[row] = PatternRowName(slot, PickerFirstIndex);
    Redraw();
}

void ZaHarmonyPattern::OnLeftUp(Window& window, Point) {
    const int pressed = PressedControl() ? PressedIndex() : -1;
    OnSkinButtonUp();
    switch (pressed) {
        case kPatternOk:
            StoreToStyle();
            window.EndModal(platform::kIdOk);
            break;
        case kPatternLoad:
            LoadFile();
            break;
        case kPatternSave:
            SaveFile();
            break;
        default:
            break;
    }
}

void ZaHarmonyPattern::LoadFile() {
    const platform::FileChooserAnswer answer = AskPatternFile(false);
    if (!answer.chosen) return;
    ErrorCode code = 0;
    PatternFileFault fault;
    {
        std::lock_guard lock(StyleRecordMutex());
        code = LoadPatternFile(answer.path, WorkingStyle, edit_.slot, fault);
    }
    if (code) ShowErrorMessage(code);
    if (fault.kind != PatternFileFault::kNone) {
        ShowErrorBox(
            PatternFileFaultText(std::filesystem::path(answer.path).filename().string(), fault));
    }
    LoadFromStyle();
    Redraw();
}

void ZaHarmonyPattern::SaveFile() {
    StoreToStyle();
    Redraw();
    const platform::FileChooserAnswer answer = AskPatternFile(true);
    if (!answer.chosen) return;
    ErrorCode code = 0;
    {
        std::lock_guard lock(StyleRecordMutex());
        code = SavePatternFile(answer.path, WorkingStyle, edit_.slot);
    }
    if (code) ShowErrorMessage(code);
}

void ZaHarmonyPattern::OnControl(Window& window, Control& control, ControlEvent event) {
    // A new layout shows or hides grid B at once; it is stored with the next
    // edit, OK or Save.
    if (&control == layout_ && event == ControlEvent::SelectionChanged) Redraw();
    (void)window;
}

void ZaHarmonyPattern::DrawGrids(Canvas& canvas) {
    const int n = edit_.steps;
    const bool gridB = edit_.slot == kSlotHarmony && layout_->Selection() > 0;
    for (int g = 0; g < (gridB ? 2 : 1); ++g) {
        const int left = kGridLeft + g * kCellPitch * n;
        for (int c = 0; c < n; ++c) {
            const int x = left + kCellPitch * c;
            const Rect box{x, kHeaderTop, x + kCellPitch - 2, kGridTop - 2};
            canvas.FillRect(box, kHeaderBox);
            if (edit_.repeat[g][c] != 1) {
                char label[12];
                std::snprintf(label, sizeof label, "%02d", c + 1);
                canvas.DrawText(label, box, TextLayout::CentredLine);
            }
            for (int r = 0; r < kGridRows; ++r) {
                const int y = kGridTop + 208 - kCellPitch * r;
                const Rect cell{x, y, x + 14, y + 14};
                if (edit_.cells[g][c][r] != 0) canvas.FillRect(cell, kCellOn);
                else canvas.InvertRect(cell);
                if (edit_.repeat[g][c] == 1) canvas.InvertRect(Rect{x, y, x + 2, y + 14});
            }
        }
    }
    for (int r = 0; r < kGridRows; ++r) {
        const int y = kGridTop + kCellPitch * (kGridRows - 1 - r);
        const Rect box{kRowColumnLeft, y, kRowColumnLeft + 90, y + 14};
        canvas.FillRect(box, kRowNameBox);
        canvas.DrawText(rowCaptions_[r], box, TextLayout::LeftCentred);
    }
}

void ZaHarmonyPattern::Redraw() {
    if (offscreen_) {
        Canvas& canvas = offscreen_->Draw();
        canvas.Blit(SkinImage(SkinId::LargeBackground), Rect{0, 0, kLargeDialogWidth, kLargeDialogHeight});
        SelectSkinFont(canvas, false);
        canvas.SetTextBackground(false, Rgb{0, 0, 0});
        canvas.SetTextColour(kGridText);
        DrawGrids(canvas);
        face_ = offscreen_->Read();
    }
    GetWindow().Invalidate(false);
}

void ZaHarmonyPattern::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    if (!offscreen_) {
        SelectSkinFont(canvas, false);
        canvas.SetTextBackground(false, Rgb{0, 0, 0});
        canvas.SetTextColour(kGridText);
        DrawGrids(canvas);
    }
    DrawCaptions(canvas);
}

void OpenHarmonyPatternSetting(Window* parent) {
    RunEditor(kSlotHarmony, parent);
}
void OpenSubHarmonyPatternSetting(Window* parent) {
    RunEditor(kSlotSubHarmony, parent);
}
void OpenRhythmPatternSetting(Window* parent) {
    RunEditor(kSlotRhythm, parent);
}
void OpenBassPatternSetting(Window* parent) {
    RunEditor(kSlotBass, parent);
}

// The edit panels' custom harmony pattern: the step editor on slot 0.
void RunCustomHarmonyDialog(Window* parent) {
    OpenHarmonyPatternSetting(parent);
}
