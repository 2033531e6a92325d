#include "app/styleedit/harmony_pattern_selection_dialog.h"

#include <mutex>

#include "app/number_box.h"
#include "app/panel_style_seams.h"
#include "core/settings.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "styleedit/pattern_preview.h"

using namespace platform::ui;

namespace {

// The open chooser, for the preview end posted to the UI thread.
HarmonyPatternSelection* g_openChooser = nullptr;

const char* const kRangeNames[kRangeEntries] = {"Normal", "Octave Low", "2 Octave Low", "Octave Up"};
const char* const kDensityNames[kDensityEntries] = {"Least", "Less", "Little", "Standard",
                                                    "Many", "More", "Most", "More most"};

Control& AddCombo(Window& window, const Rect& bounds, int id) {
    return window.AddControl(ControlKind::ComboBox, bounds, id);
}

}  // namespace

HarmonyPatternSelection::HarmonyPatternSelection(Window* parent) : parent_(parent) {}

HarmonyPatternSelection::~HarmonyPatternSelection() {
    SetPreviewEndHandler(nullptr);
    StopPreview();
    if (g_openChooser == this) g_openChooser = nullptr;
}

int HarmonyPatternSelection::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void HarmonyPatternSelection::OnInitDialog() {
    if (built_) return;
    built_ = true;
    g_openChooser = this;
    SetPreviewEndHandler([] {
        PostToUi([] {
            if (g_openChooser) g_openChooser->OnPreviewEnded();
        });
    });
    part_ = PatternPart.load();
    const PatternPartInfo* info = PatternPartOf(part_);
    static constexpr PatternPartInfo kNone{"Harmony pattern", false, false, false};
    if (!info) info = &kNone;
    InitSkin(1);
    Window& window = GetWindow();
    window.SetTitle(info->title);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(kSelectionOk), "OK", kSmallOkTop, AddButtonHolder());
    const int captions[1] = {kSelectionOk};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    largeFont_ = AppSettings.LargeFont == 1;
    PlaceSkinButtons(1, &Button(0));

    pattern_ = &AddCombo(window, Rect{15, 15, 290, 39}, kSelectionPatternCombo);
    int position = 0;
    for (const PatternEntry& entry : PatternTableOf(part_)) pattern_->AddItem(entry.name, position++);
    Control& rangeLabel =
        window.AddControl(ControlKind::TextView, Rect{15, 55, 85, 75}, kSelectionRangeLabel);
    rangeLabel.SetText("Range");
    range_ = &AddCombo(window, Rect{90, 52, 200, 76}, kSelectionRangeCombo);
    for (int i = 0; i < kRangeEntries; ++i) range_->AddItem(kRangeNames[i], i);
    Control& densityLabel =
        window.AddControl(ControlKind::TextView, Rect{15, 90, 85, 110}, kSelectionDensityLabel);
    densityLabel.SetText("Density");
    density_ = &AddCombo(window, Rect{90, 87, 200, 111}, kSelectionDensityCombo);
    for (int i = 0; i < kDensityEntries; ++i) density_->AddItem(kDensityNames[i], i);
    listen_ = &window.AddControl(ControlKind::PushButton, Rect{210, 52, 290, 76},
                                 kSelectionListenButton);
    listen_->SetText("Listen");
    rangeLabel.Show(info->range);
    range_->Show(info->range);
    densityLabel.Show(info->density);
    density_->Show(info->density);
    listen_->Show(info->listen);

    MusicStyle style;
    GetWorkingStyle(style);
    const PatternChoice choice = ReadPatternChoice(style, part_);
    pattern_->SetSelection(choice.pattern);
    range_->SetSelection(choice.range);
    density_->SetSelection(choice.density);
    PaintSkin();
}

PatternChoice HarmonyPatternSelection::Shown() const {
    return PatternChoice{pattern_->Selection(), range_->IsVisible() ? range_->Selection() : -1,
                         density_->IsVisible() ? density_->Selection() : -1};
}

void HarmonyPatternSelection::StoreChoice() {
    std::lock_guard lock(StyleRecordMutex());
    StorePatternChoice(Shown(), WorkingStyle, part_);
}

void HarmonyPatternSelection::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void HarmonyPatternSelection::OnLeftUp(Window& window, Point) {
    const int pressed = PressedControl() ? PressedIndex() : -1;
    OnSkinButtonUp();
    if (pressed != kSelectionOk) return;
    StopPreview();
    StoreChoice();
    window.EndModal(platform::kIdOk);
}

void HarmonyPatternSelection::OnControl(Window&, Control& control, ControlEvent event) {
    if (&control == listen_ && event == ControlEvent::Clicked) Listen();
}

void HarmonyPatternSelection::Listen() {
    if (PreviewSong()) {
        StopPreview();
        listen_->SetText("Listen");
        return;
    }
    listen_->SetText("Stop");
    StoreChoice();
    PreviewOutcome outcome;
    {
        WaitCursor wait;
        outcome = StartPatternPreview(part_);
    }
    // Without a playing preview the button reads "Listen" again.
    if (outcome != PreviewOutcome::kPlaying) listen_->SetText("Listen");
}

void HarmonyPatternSelection::OnPreviewEnded() {
    // A newer preview may have started since this end was posted.
    if (PreviewPlaying() || !PreviewSong()) return;
    StopPreview();
    listen_->SetText("Play");
}

// The edit panels' harmony pattern picker.
int ChooseHarmonyPattern(Window* parent) {
    PatternPart = kPartHarmony;
    HarmonyPatternSelection dialog(parent);
    return dialog.DoModal() == platform::kIdOk ? 1 : 0;
}
