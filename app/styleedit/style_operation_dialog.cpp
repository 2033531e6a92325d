#include "app/styleedit/style_operation_dialog.h"

#include "app/number_box.h"
#include "app/style_editor_seams.h"
#include "core/settings.h"
#include "platform/ui/ui.h"
#include "style/style_mix.h"
#include "styleedit/style_operations.h"

using namespace platform::ui;

namespace {

struct OperationRegion {
    const char* caption;
    int x1, x2, y1, y2;
};
// Regions 1..9 in three rows of three.
constexpr OperationRegion kOperationRegions[kOperationRegionCount - 1] = {
    {"Copy", 7, 107, 25, 65},      {"Mix", 107, 207, 25, 65},     {"Paste", 207, 307, 25, 65},
    {"Extract", 7, 107, 65, 105},  {"Wizard", 107, 207, 65, 105}, {"Save", 207, 307, 65, 105},
    {"Load", 7, 107, 105, 145},    {"Common", 107, 207, 105, 145}, {"Variance", 207, 307, 105, 145},
};

}  // namespace

StyleOperation::StyleOperation(Window* parent) : parent_(parent) {}

int StyleOperation::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void StyleOperation::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(kOperationRegionCount);
    Window& window = GetWindow();
    window.SetTitle("Style Operation");
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(kOperationOk), "OK", kSmallOkTop, AddButtonHolder(kOperationOkStatic));
    for (int i = 1; i < kOperationRegionCount; ++i) {
        const OperationRegion& r = kOperationRegions[i - 1];
        SkinButton& b = Button(i);
        b.x1 = r.x1;
        b.x2 = r.x2;
        b.y1 = r.y1;
        b.y2 = r.y2;
        b.caption = r.caption;
        b.control = AddButtonHolder(kOperationFirstStatic + i - 1);
        b.normal = &SkinImage(SkinId::OperationButton);
        b.pressed = &SkinImage(SkinId::OperationButtonPressed);
    }
    int captions[kOperationRegionCount];
    for (int i = 0; i < kOperationRegionCount; ++i) captions[i] = i;
    SetCaptionButtons(kOperationRegionCount, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    largeFont_ = AppSettings.LargeFont == 1;
    PlaceSkinButtons(kOperationRegionCount, &Button(0));
    PaintSkin();
}

void StyleOperation::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void StyleOperation::OnLeftUp(Window& window, Point) {
    // The region pressed on button down runs, wherever the button goes up.
    const int pressed = PressedControl() ? PressedIndex() : -1;
    OnSkinButtonUp();
    if (pressed < 0) return;
    Run(pressed);
    if (pressed != kOperationOk) window.Invalidate(true);
}

void StyleOperation::Run(int region) {
    switch (region) {
        case kOperationOk:
            GetWindow().EndModal(platform::kIdOk);
            break;
        case kOperationCopy:
            CopyWorkingStyle();
            break;
        case kOperationMix:
            MixWithStyleClipboard();
            break;
        case kOperationPaste:
            PasteStyleClipboard();
            break;
        case kOperationExtract: {
            WaitCursor wait;
            ExtractWorkingStyle(&GetWindow());
            break;
        }
        case kOperationWizard:
            RunStyleWizard(&GetWindow());
            NameWizardStyle();
            break;
        case kOperationSave: {
            WaitCursor wait;
            SaveWorkingStyle();
            break;
        }
        case kOperationLoad: {
            WaitCursor wait;
            LoadWorkingStyle();
            break;
        }
        case kOperationCommon:
            CompoundCommon();
            break;
        case kOperationVariance:
            CompoundVariance();
            break;
        default:
            break;
    }
}
