#include "app/styleedit/melody_table_dialog.h"

#include <string>

#include "app/number_box.h"
#include "core/settings.h"
#include "platform/ui/ui.h"

using namespace platform::ui;

namespace {

constexpr int kMelodyTableOk = 0;
constexpr int kMelodyTableRegions = 1;

// The class columns: probability bars above their labels, direction bars
// under them.
constexpr int kColumnX = 30;
constexpr int kColumnStep = 36;
constexpr int kBarWidth = 17;
constexpr int kBarHeight = 150;
constexpr int kProbabilityTop = 60;
constexpr int kLabelTop = 216;
constexpr int kLabelHeight = 20;
constexpr int kDirectionTop = 240;

// The switches' check boxes, in kMelodyTableFlags' order, and the look-back.
constexpr int kSwitchX = 340;
constexpr int kSwitchWidth = 290;
constexpr int kSwitchHeight = 24;
constexpr int kSwitchY[kMelodyTableFlagCount] = {70, 110, 150, 190};
constexpr Rect kLookBackPlace = Rect::FromSize(340, 230, 290, 24);

}  // namespace

ZaMelodyTable::ZaMelodyTable(Window* parent, MusicStyle& style) : parent_(parent), style_(style) {}

int ZaMelodyTable::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void ZaMelodyTable::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(kMelodyTableRegions);
    Window& window = GetWindow();
    window.SetTitle("Melody Table");
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kMelodyTableOk), "OK", AddButtonHolder());
    const int captions[kMelodyTableRegions] = {kMelodyTableOk};
    SetCaptionButtons(kMelodyTableRegions, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    largeFont_ = AppSettings.LargeFont == 1;
    PlaceSkinButtons(kMelodyTableRegions, &Button(0));
    // The one change made before OK: a look-back the combo cannot show.
    MendMelodyLookBack(style_);
    values_ = ReadMelodyTable(style_);
    AddBars();
    AddSwitches();
    PaintSkin();
}

void ZaMelodyTable::AddBars() {
    Window& window = GetWindow();
    for (int c = 0; c < kMelodyTableClasses; ++c) {
        const int x = kColumnX + kColumnStep * c;
        Control& probability =
            window.AddControl(ControlKind::VScrollBar,
                              Rect::FromSize(x, kProbabilityTop, kBarWidth, kBarHeight),
                              kMelodyTableProbabilityBar + c);
        probability.SetRange(kIntervalProbabilityMin, kIntervalProbabilityMax);
        probability.SetValue(values_.probability[c]);
        window
            .AddControl(ControlKind::TextView,
                        Rect::FromSize(x, kLabelTop, kBarWidth, kLabelHeight),
                        kMelodyTableClassLabel + c)
            .SetText(std::to_string(c + 1));
        Control& direction = window.AddControl(
            ControlKind::VScrollBar, Rect::FromSize(x, kDirectionTop, kBarWidth, kBarHeight),
            kMelodyTableDirectionBar + c);
        direction.SetRange(kIntervalDirectionMin, kIntervalDirectionMax);
        direction.SetValue(values_.direction[c]);
    }
}

void ZaMelodyTable::AddSwitches() {
    Window& window = GetWindow();
    for (int f = 0; f < kMelodyTableFlagCount; ++f) {
        Control& box = window.AddControl(
            ControlKind::CheckBox, Rect::FromSize(kSwitchX, kSwitchY[f], kSwitchWidth, kSwitchHeight),
            kMelodyTableFlagCheck + f);
        box.SetText(kMelodyTableFlags[f].caption);
        box.SetValue(values_.flags[f]);
    }
    Control& combo = window.AddControl(ControlKind::ComboBox, kLookBackPlace,
                                       kMelodyTableLookBackCombo);
    for (int v = 0; v < kMelodyLookBackCount; ++v)
        combo.AddItem(kMelodyLookBackTexts[v], v);
    combo.SetSelection(values_.lookBack);
}

int* ZaMelodyTable::PositionOf(int id) {
    const int p = id - kMelodyTableProbabilityBar;
    if (p >= 0 && p < kMelodyTableClasses) return &values_.probability[p];
    const int d = id - kMelodyTableDirectionBar;
    if (d >= 0 && d < kMelodyTableClasses) return &values_.direction[d];
    return nullptr;
}

void ZaMelodyTable::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void ZaMelodyTable::OnLeftUp(Window&, Point) {
    const int pressed = PressedControl() ? PressedIndex() : -1;
    OnSkinButtonUp();
    if (pressed == kMelodyTableOk) Finish();
}

void ZaMelodyTable::OnControl(Window&, Control& control, ControlEvent event) {
    if (int* position = PositionOf(control.Id())) {
        // The drop takes the bar there; the arrows and the track put it back
        // where it stood, and a dragged thumb goes where the user takes it.
        if (event == ControlEvent::ThumbReleased) {
            *position = control.Value();
        } else if (event == ControlEvent::ValueChanged &&
                   control.LastScrollCause() != ScrollCause::Thumb) {
            control.SetValue(*position);
        }
        return;
    }
    const int f = control.Id() - kMelodyTableFlagCheck;
    if (event == ControlEvent::Clicked && f >= 0 && f < kMelodyTableFlagCount) {
        values_.flags[f] = values_.flags[f] == 1 ? 0 : 1;
        control.SetValue(values_.flags[f]);
    }
}

void ZaMelodyTable::OnOk(Window&) {
    Finish();
}

void ZaMelodyTable::Finish() {
    Window& window = GetWindow();
    if (const Control* combo = window.FindControl(kMelodyTableLookBackCombo))
        values_.lookBack = combo->Selection();
    StoreMelodyTable(values_, style_);
    window.EndModal(platform::kIdOk);
}

void RunMelodyTable(Window* parent) {
    ZaMelodyTable table(parent);
    table.DoModal();
}
