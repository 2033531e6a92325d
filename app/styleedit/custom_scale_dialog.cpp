#include "app/styleedit/custom_scale_dialog.h"

#include "app/number_box.h"
#include "app/styleedit/hub_region_face.h"
#include "core/settings.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

// The toggles lie as on a keyboard: the seven natural notes in the lower
// row, the five flats above between them.
constexpr int kKeyWidth = 40;
constexpr int kKeyStride = 42;
// Clear of the skin's inner frame line (x 5).
constexpr int kKeysLeft = 14;
constexpr int kBlackTop = 60;
constexpr int kWhiteTop = 130;
constexpr int kKeyHeight = 56;
// The position of each pitch class along its row, in key strides (a flat
// sits half a stride right of its natural).
constexpr int kHalfStrides[kPitchClassCount] = {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12};

bool IsFlat(int pitchClass) {
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 ||
           pitchClass == 10;
}

void PlaceToggle(SkinButton& b, int pitchClass) {
    const int halfStrides = kHalfStrides[pitchClass];
    b.x1 = kKeysLeft + halfStrides * kKeyStride / 2;
    b.x2 = b.x1 + kKeyWidth;
    b.y1 = IsFlat(pitchClass) ? kBlackTop : kWhiteTop;
    b.y2 = b.y1 + kKeyHeight;
    b.caption = PitchClassCaption(pitchClass);
}

}  // namespace

ZaCustomScale::ZaCustomScale(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int ZaCustomScale::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void ZaCustomScale::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle("Scale Customize");
    constexpr int kButtons = kCustomScaleFirstToggle + kPitchClassCount;
    InitSkin(kButtons);
    SetBackground(SkinImage(SkinId::MediumBackground), kSmallDialogWidth, kCustomScaleHeight);
    upFace_ = HubRegionFace(kKeyWidth, kKeyHeight, false);
    downFace_ = HubRegionFace(kKeyWidth, kKeyHeight, true);
    SetColumnSkinButton(Button(kCustomScaleOk), "OK", kCustomScaleOkTop, AddButtonHolder());
    flags_ = ReadScaleFlags(WorkingStyle.scaleNotes);
    int captions[kButtons];
    captions[0] = kCustomScaleOk;
    for (int pc = 0; pc < kPitchClassCount; ++pc) {
        SkinButton& b = Button(kCustomScaleFirstToggle + pc);
        b.control = AddButtonHolder();
        PlaceToggle(b, pc);
        b.normal = &upFace_;
        b.pressed = &downFace_;
        b.state = flags_[static_cast<std::size_t>(pc)] == 1 ? 1 : 0;
        captions[kCustomScaleFirstToggle + pc] = kCustomScaleFirstToggle + pc;
    }
    SetCaptionButtons(kButtons, captions);
    SetCaptionStyle(CaptionStyle::State);
    PlaceSkinButtons(kButtons, &Button(0));
    PaintSkinByState();
}

void ZaCustomScale::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkinByState();
    ZAWDialog::OnPaint(window, canvas);
}

void ZaCustomScale::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    const int index = PressedIndex();
    if (index >= kCustomScaleFirstToggle) {
        auto& flag = flags_[static_cast<std::size_t>(index - kCustomScaleFirstToggle)];
        flag = FlipScaleFlag(flag);
        Button(index).state = flag;
    }
    OnSkinButtonUpByState();
    if (index == kCustomScaleOk) Accept(window);
}

void ZaCustomScale::OnOk(Window& window) {
    Accept(window);
}

void ZaCustomScale::OnCancel(Window&) {}

void ZaCustomScale::Accept(Window& window) {
    if (WriteScaleFlags(flags_, WorkingStyle.scaleNotes) >= kFewestScaleNotes) {
        window.EndModal(platform::kIdOk);
    } else {
        ShowErrorMessage(kTooFewNotesError);
    }
}

void RunCustomScale(Window* parent) {
    ZaCustomScale dialog(parent);
    dialog.DoModal();
}
