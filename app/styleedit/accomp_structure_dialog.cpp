#include "app/styleedit/accomp_structure_dialog.h"

#include <algorithm>
#include <mutex>

#include "app/number_box.h"
#include "app/structure_editor_seams.h"
#include "app/styleedit/create_drum_dialog.h"
#include "app/styleedit/harmony_pattern_dialog.h"
#include "app/styleedit/harmony_pattern_selection_dialog.h"
#include "app/styleedit/hub_region_face.h"
#include "app/styleedit/inst_selection_dialog.h"
#include "core/settings.h"
#include "style/style_table.h"
#include "styleedit/instrument_choice.h"
#include "styleedit/pattern_choice.h"

using namespace platform::ui;

namespace {

struct Span {
    int from, to;  // inclusive
};
// Per row: the caption's, the value regions' and the steppers' heights.
constexpr Span kCaptionY[kStructureRowCount] = {{79, 124}, {186, 230}, {292, 336}};
constexpr Span kValueY[kStructureRowCount] = {{79, 159}, {186, 261}, {292, 367}};
constexpr Span kStepperY[kStructureRowCount] = {{124, 154}, {230, 260}, {336, 367}};
constexpr Span kCaptionX{17, 190};
constexpr Span kInstrumentX{203, 407};
constexpr Span kPatternX{416, 620};
// The steppers' widths: instrument -, pattern -, instrument +, pattern +.
constexpr Span kInstrumentMinusX{208, 234};
constexpr Span kPatternMinusX{420, 446};
constexpr Span kInstrumentPlusX{380, 407};
constexpr Span kPatternPlusX{589, 620};
// The black value field inside a value region.
constexpr int kValueInsetLeft = 45;
constexpr int kValueInsetTop = 50;
constexpr int kValueInsetRight = 40;
constexpr int kValueInsetBottom = 8;
constexpr int kBarPresets[kStructureBarCount] = {1, 3, 4};

int RowOf(int region) {
    return (region - kStructureFirstRow) / kStructureRegionsPerRow;
}
// 0 caption, 1 instrument, 2 pattern.
int RoleOf(int region) {
    return (region - kStructureFirstRow) % kStructureRegionsPerRow;
}
bool IsStepper(int region) {
    return region >= kStructureFirstMinus && region < kStructureRegionCount;
}
// Within each six steppers: instrument and pattern of rows 1..3.
int StepperRow(int region) {
    return ((region - kStructureFirstMinus) % 6) / 2;
}
bool StepperOnPattern(int region) {
    return (region - kStructureFirstMinus) % 2 == 1;
}
bool IsValueRegion(int region) {
    return region >= kStructureFirstRow && region < kStructureFirstMinus && RoleOf(region) != 0;
}

void Place(SkinButton& b, Span x, Span y) {
    b.x1 = x.from;
    b.x2 = x.to;
    b.y1 = y.from;
    b.y2 = y.to;
}

void PlaceRegion(SkinButton& b, int region) {
    if (IsStepper(region)) {
        const bool plus = region >= kStructureFirstPlus;
        const bool pattern = StepperOnPattern(region);
        const Span x = pattern ? (plus ? kPatternPlusX : kPatternMinusX)
                               : (plus ? kInstrumentPlusX : kInstrumentMinusX);
        Place(b, x, kStepperY[StepperRow(region)]);
        return;
    }
    const int row = RowOf(region);
    switch (RoleOf(region)) {
        case 0:
            Place(b, kCaptionX, kCaptionY[row]);
            break;
        case 1:
            Place(b, kInstrumentX, kValueY[row]);
            break;
        default:
            Place(b, kPatternX, kValueY[row]);
            break;
    }
}

// A stepper's face: the region plate with a - or + on it.
Image StepperFace(int width, int height, bool pressed, bool plus) {
    Image face = HubRegionFace(width, height, pressed);
    const Rgb mark = pressed ? Rgb{255, 200, 200} : Rgb{32, 64, 0};
    const int cx = width / 2;
    const int cy = height / 2;
    const int arm = std::max(2, std::min(width, height) / 3);
    face.Fill(Rect{cx - arm, cy - 1, cx + arm, cy + 2}, mark);
    if (plus) face.Fill(Rect{cx - 1, cy - arm, cx + 2, cy + arm}, mark);
    return face;
}

}  // namespace

AccompStructureDialog::AccompStructureDialog(StructureEditor editor, Window* parent)
    : editor_(editor), parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int AccompStructureDialog::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void AccompStructureDialog::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle(editor_ == StructureEditor::kHarmony ? "Harmony Structure"
                                                         : "Rhythm Structure");
    InitSkin(kStructureRegionCount);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    BuildRegions();
    for (int i = 0; i < kStructureBarCount; ++i) {
        Control* bar = AddButtonHolder(kStructureFirstStatic + kStructureRegionCount + i);
        PlaceBarStatic(*bar, kBarPresets[i]);
        const Rect r = bar->Bounds();
        bars_[static_cast<std::size_t>(i)] = bar;
        barImages_[static_cast<std::size_t>(i)] =
            HubRegionFace(r.right - r.left, r.bottom - r.top, true);
    }
    {
        std::lock_guard lock(StyleRecordMutex());
        const StructureRows& rows = RowsOf(editor_);
        for (int row = 0; row < kStructureRowCount; ++row)
            names_[static_cast<std::size_t>(row)] =
                OpenRow(WorkingStyle, rows[static_cast<std::size_t>(row)]);
    }
    PaintSkin();
    for (int i = 0; i < kStructureBarCount; ++i)
        SkinBlit(barImages_[static_cast<std::size_t>(i)], bars_[static_cast<std::size_t>(i)]);
}

void AccompStructureDialog::BuildRegions() {
    const StructureRows& rows = RowsOf(editor_);
    for (int i = 0; i < kStructureRegionCount; ++i) {
        SkinButton& b = Button(i);
        Control* holder = AddButtonHolder(kStructureFirstStatic + i);
        if (i == kStructureOk) {
            SetOkSkinButton(b, "OK", holder);
            continue;
        }
        PlaceRegion(b, i);
        b.control = holder;
        const std::size_t at = static_cast<std::size_t>(i);
        const int w = b.x2 - b.x1;
        const int h = b.y2 - b.y1;
        if (IsStepper(i)) {
            const bool plus = i >= kStructureFirstPlus;
            faces_[at] = StepperFace(w, h, false, plus);
            pressedFaces_[at] = StepperFace(w, h, true, plus);
        } else {
            const StructureRow& row = rows[static_cast<std::size_t>(RowOf(i))];
            const int role = RoleOf(i);
            b.caption = role == 0 ? row.caption : role == 1 ? "Instrument" : row.patternCaption;
            faces_[at] = HubRegionFace(w, h, false);
            pressedFaces_[at] = HubRegionFace(w, h, true);
        }
        b.normal = &faces_[at];
        b.pressed = &pressedFaces_[at];
        b.state = 0;
    }
    // The OK and the row captions are drawn in one line by the base.
    const int captions[] = {kStructureOk, 1, 4, 7};
    SetCaptionButtons(4, captions);
    PlaceSkinButtons(kStructureRegionCount, &Button(0));
}

void AccompStructureDialog::DrawValueRegion(Canvas& canvas, int region, const std::string& value) {
    const SkinButton& b = Button(region);
    const Rect field{b.x1 + kValueInsetLeft, b.y1 + kValueInsetTop, b.x2 - kValueInsetRight,
                     b.y2 - kValueInsetBottom};
    canvas.FillRect(field, Rgb{0, 0, 0});
    DrawCaptionAndName(canvas, b.caption, Rect{b.x1, b.y1, b.x2 + 1, b.y1 + kValueInsetTop},
                       value, field);
}

void AccompStructureDialog::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    for (int i = 0; i < kStructureBarCount; ++i)
        SkinBlit(barImages_[static_cast<std::size_t>(i)], bars_[static_cast<std::size_t>(i)]);
    DrawCaptions(canvas);
    SelectSkinFont(canvas, largeFont_);
    for (int region = kStructureFirstRow; region < kStructureFirstMinus; ++region) {
        if (!IsValueRegion(region)) continue;
        const RowNames& names = names_[static_cast<std::size_t>(RowOf(region))];
        DrawValueRegion(canvas, region, RoleOf(region) == 1 ? names.instrument : names.pattern);
    }
}

void AccompStructureDialog::OnLeftDown(Window&, Point p) {
    int index = -1;
    HitTestSkinButtons(p.x, p.y, &index, &Button(0), kStructureRegionCount);
    // The row captions are not active.
    if (index < 0 || (index < kStructureFirstMinus && index != kStructureOk && RoleOf(index) == 0))
        return;
    OnSkinButtonDown(p.x, p.y);
}

void AccompStructureDialog::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    const int region = PressedIndex();
    OnSkinButtonUp();
    Act(window, region);
}

void AccompStructureDialog::Act(Window& window, int region) {
    if (region == kStructureOk) {
        window.EndModal(platform::kIdOk);
        return;
    }
    if (IsStepper(region)) {
        Step(region);
    } else if (RoleOf(region) == 1) {
        ChooseVoice(window, RowOf(region));
    } else if (RoleOf(region) == 2) {
        ChoosePattern(window, RowOf(region));
    }
    window.Invalidate();
}

void AccompStructureDialog::Step(int region) {
    const int row = StepperRow(region);
    const int step = region >= kStructureFirstPlus ? 1 : -1;
    std::lock_guard lock(StyleRecordMutex());
    PressRowStepper(WorkingStyle, RowsOf(editor_)[static_cast<std::size_t>(row)],
                    StepperOnPattern(region), step, names_[static_cast<std::size_t>(row)]);
}

void AccompStructureDialog::Refresh(int row) {
    std::lock_guard lock(StyleRecordMutex());
    names_[static_cast<std::size_t>(row)] =
        ShownRow(WorkingStyle, RowsOf(editor_)[static_cast<std::size_t>(row)]);
}

void AccompStructureDialog::ChooseVoice(Window& window, int row) {
    const StructureRow& r = RowsOf(editor_)[static_cast<std::size_t>(row)];
    InstrumentChoice = WorkingStyle.voice[r.part];
    InstrumentChoiceMode = r.chooserMode;
    window.Invalidate();
    InstSelection chooser(&window);
    chooser.DoModal();
    {
        std::lock_guard lock(StyleRecordMutex());
        WorkingStyle.voice[r.part] = InstrumentChoice;
    }
    Refresh(row);
}

void AccompStructureDialog::ChoosePattern(Window& window, int row) {
    const StructureRow& r = RowsOf(editor_)[static_cast<std::size_t>(row)];
    if (WorkingStyle.voice[r.part] == kVoiceNotUsed) return;
    PatternPart = r.part;
    window.Invalidate();
    {
        HarmonyPatternSelection chooser(&window);
        chooser.DoModal();
    }
    Refresh(row);
    switch (FollowUpOf(WorkingStyle, r.part)) {
        case PatternFollowUp::kHarmonyGrid:
            OpenHarmonyPatternSetting(&window);
            break;
        case PatternFollowUp::kSubHarmonyGrid:
            OpenSubHarmonyPatternSetting(&window);
            break;
        case PatternFollowUp::kRhythmGrid:
            OpenRhythmPatternSetting(&window);
            break;
        case PatternFollowUp::kBassGrid:
            OpenBassPatternSetting(&window);
            break;
        case PatternFollowUp::kDrumCreator:
            OpenDrumCreator(&window);
            break;
        case PatternFollowUp::kObbligatoMelody:
            RunMelodyStructureEditor(&window, kPartObbligato);
            break;
        case PatternFollowUp::kNone:
            break;
    }
    Refresh(row);
}

void RunHarmonyStructureEditor(Window* parent) {
    HarmonyDifinition editor(parent);
    editor.DoModal();
}

void RunRhythmStructureEditor(Window* parent) {
    RhythmSelection editor(parent);
    editor.DoModal();
}
