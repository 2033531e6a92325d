#include "app/tempo_selection_dialog.h"

#include <algorithm>

#include "app/number_box.h"
#include "core/settings.h"
#include "platform/message_sink.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

constexpr std::int32_t kFallbackTempo = 500000;
constexpr std::int32_t kSmallestTempo = 1000;

struct TempoPresetRow {
    const char* name;
    std::int32_t tempo;  // set when chosen
    std::int32_t alsoMatches;
    int bpm;
};

constexpr int kTempoPresetCount = 5;
constexpr TempoPresetRow kTempoPresets[kTempoPresetCount] = {
    {"Very slow", 1000000, 1000000, 60}, {"Slow", 850000, 857000, 70},
    {"Normal", 750000, 750000, 80},      {"Fast", 650000, 652000, 92},
    {"Very fast", 500000, 500000, 120},
};

}  // namespace

std::int32_t UsableTempo(std::int32_t tempo) {
    return tempo < kSmallestTempo ? kFallbackTempo : tempo;
}

int ShownBpm(std::int32_t tempo) {
    return 60000 / (UsableTempo(tempo) / 1000);
}

std::int32_t TempoOfBpm(int bpm) {
    return (60000 / std::max(bpm, 1)) * 1000;
}

int TempoPreset(std::int32_t tempo) {
    for (int i = 0; i < kTempoPresetCount; ++i)
        if (tempo == kTempoPresets[i].tempo || tempo == kTempoPresets[i].alsoMatches) return i;
    return kCustomTempoPreset;
}

int TuneSeconds(int bars, std::int32_t tempo) {
    return static_cast<int>(static_cast<long long>(bars) * (UsableTempo(tempo) / 1000) / 250);
}

TempoSelection::TempoSelection(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int TempoSelection::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void TempoSelection::OnInitDialog() {
    InitSkin(1);
    Window& w = GetWindow();
    w.SetTitle("Tempo & Bars");
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(0), "OK", kSmallOkTop, AddButtonHolder(2067));
    const int captions[] = {0};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(1, &Button(0));

    w.AddControl(ControlKind::TextView, Rect::FromSize(10, 30, 90, 30)).SetText("Tempo");
    // The list drops below its 30-pixel field (90 pixels with the list open).
    preset_ =
        &w.AddControl(ControlKind::ComboBox, Rect::FromSize(100, 30, 100, 30), kTempoPresetCombo);
    for (int i = 0; i < kTempoPresetCount; ++i)
        preset_->AddItem(kTempoPresets[i].name, i);
    preset_->AddItem("Custom", kCustomTempoPreset);
    Control& bpmEdit =
        w.AddControl(ControlKind::Edit, Rect::FromSize(210, 30, 60, 30), kTempoBpmEdit);
    bpm_ = &w.AddControl(ControlKind::UpDown, Rect::FromSize(270, 30, 20, 30), kTempoBpmSpin);
    bpm_->SetRange(kBpmMinimum, kBpmMaximum);
    bpm_->BindBuddy(&bpmEdit);
    w.AddControl(ControlKind::TextView, Rect::FromSize(290, 30, 30, 30)).SetText("BPS");
    w.AddControl(ControlKind::TextView, Rect::FromSize(10, 70, 90, 30)).SetText("Bars");
    Control& barsEdit =
        w.AddControl(ControlKind::Edit, Rect::FromSize(100, 70, 100, 30), kTempoBarsEdit);
    bars_ = &w.AddControl(ControlKind::UpDown, Rect::FromSize(200, 70, 20, 30), kTempoBarsSpin);
    bars_->SetRange(kBarsMinimum, kBarsMaximum);
    bars_->BindBuddy(&barsEdit);
    w.AddControl(ControlKind::TextView, Rect::FromSize(10, 110, 90, 30)).SetText("Length");
    length_ = &w.AddControl(ControlKind::Edit, Rect::FromSize(120, 110, 30, 30), kTempoLengthEdit);
    w.AddControl(ControlKind::TextView, Rect::FromSize(150, 110, 50, 30)).SetText("Sec");

    // The style keeps a tempo too small to compute with until it is changed.
    const std::int32_t tempo = WorkingStyle.tempo;
    bpm_->SetValue(ShownBpm(tempo));
    preset_->SetSelection(TempoPreset(tempo));
    bars_->SetValue(WorkingStyle.tuneLength);
    ShowLength();
    PaintSkin();
}

void TempoSelection::ShowLength() {
    length_->SetText(std::to_string(TuneSeconds(WorkingStyle.tuneLength, WorkingStyle.tempo)));
}

void TempoSelection::OnControl(Window&, Control& control, ControlEvent event) {
    if (&control != preset_ || event != ControlEvent::SelectionChanged) return;
    const int index = preset_->Selection();
    if (index >= 0 && index < kTempoPresetCount) {
        WorkingStyle.tempo = kTempoPresets[index].tempo;
        bpm_->SetValue(kTempoPresets[index].bpm);
    }
    ShowLength();
}

bool TempoSelection::OnStep(Window&, Control& control, int delta) {
    // The new position is held to the arrows' range before it is stored.
    const int position =
        std::clamp(control.Value() + delta, control.RangeLow(), control.RangeHigh());
    if (&control == bpm_) {
        preset_->SetSelection(kCustomTempoPreset);
        WorkingStyle.tempo = TempoOfBpm(position);
    } else if (&control == bars_) {
        WorkingStyle.tuneLength = position;
    } else {
        return true;
    }
    ShowLength();
    return true;
}

void TempoSelection::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void TempoSelection::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    OnSkinButtonUp();
    if (PressedIndex() == 0) window.EndModal(platform::kIdOk);
}
