#include "app/zaw_dialog.h"

#include <algorithm>
#include <atomic>

#include "core/reporters.h"
#include "platform/ui/ui.h"

using namespace platform::ui;

namespace {

constexpr ErrorCode kDisplayDeviceError = 0xFF010136;

std::atomic<bool> g_blitFailureShown{false};

// The small-dialog grid of toggles 1..4 (x1, x2, y1, y2).
constexpr int kGrid[4][4] = {
    {12, 157, 35, 76},
    {161, 306, 36, 77},
    {10, 156, 85, 126},
    {160, 306, 87, 127},
};
constexpr SkinId kToggleImages[4][2] = {
    {SkinId::Toggle1, SkinId::Toggle1Pressed},
    {SkinId::Toggle2, SkinId::Toggle2Pressed},
    {SkinId::Toggle3, SkinId::Toggle3Pressed},
    {SkinId::Toggle4, SkinId::Toggle4Pressed},
};

Rect RectOf(const SkinButton& b) {
    return Rect{b.x1, b.y1, b.x2, b.y2};
}

}  // namespace

// ---- The shared skin ----

SkinStore& SkinBitmaps() {
    static SkinStore store;
    return store;
}

void LoadSkinBitmaps() {
    // A refused or unreadable PNG keeps the drawn image; nothing is reported.
    SkinBitmaps().LoadArt(SkinArtFolder());
}

const Image& SkinImage(SkinId id) {
    return SkinBitmaps().Get(id);
}

// ---- Free helpers ----

void SetOkSkinButton(SkinButton& record, const std::string& caption, Control* control) {
    record.x1 = 475;
    record.x2 = 620;
    record.y1 = 393;
    record.y2 = 430;
    record.caption = caption;
    record.control = control;
    record.normal = &SkinImage(SkinId::Ok);
    record.pressed = &SkinImage(SkinId::OkPressed);
}

void SetColumnSkinButton(SkinButton& record, const std::string& caption, int top,
                         Control* control) {
    record.x1 = 302;
    record.x2 = 343;
    record.y1 = top;
    record.y2 = top + 42;
    record.caption = caption;
    record.control = control;
    record.normal = &SkinImage(SkinId::Column);
    record.pressed = &SkinImage(SkinId::ColumnPressed);
}

void SetGridSkinButton(SkinButton& record, int toggle, const std::string& caption,
                       Control* control) {
    const int i = std::clamp(toggle, 1, 4) - 1;
    record.x1 = kGrid[i][0];
    record.x2 = kGrid[i][1];
    record.y1 = kGrid[i][2];
    record.y2 = kGrid[i][3];
    record.caption = caption;
    record.control = control;
    record.normal = &SkinImage(kToggleImages[i][0]);
    record.pressed = &SkinImage(kToggleImages[i][1]);
}

Control* HitTestSkinButtons(int x, int y, int* index, const SkinButton* records, int n) {
    for (int i = std::min(n, kMaxSkinButtons) - 1; i >= 0; --i) {
        const SkinButton& b = records[i];
        if (x >= b.x1 && x <= b.x2 && y >= b.y1 && y <= b.y2) {
            if (index) *index = i;
            return b.control;
        }
    }
    if (index) *index = -1;
    return nullptr;
}

void PlaceSkinButtons(int n, SkinButton* records) {
    for (int i = 0; i < std::min(n, kMaxSkinButtons); ++i) {
        if (records[i].control) records[i].control->Move(RectOf(records[i]));
    }
}

void PlaceBarStatic(Control& bar, int preset) {
    switch (preset) {
        case 1:
            bar.Move(Rect::FromSize(19, 57, 610, 14));
            break;
        case 2:
            bar.Move(Rect::FromSize(23, 105, 606, 10));
            break;
        case 3:
            bar.Move(Rect::FromSize(25, 163, 592, 19));
            break;
        case 4:
            bar.Move(Rect::FromSize(26, 272, 592, 14));
            break;
        default:
            bar.Move(Rect::FromSize(preset, preset, 0, 0));
            break;
    }
}

void ResizeToClient(Window& window, int width, int height) {
    // The frame belongs to the window manager here: the client size is set.
    window.SetClientSize(Size{width, height});
}

bool SkinBlit(const Image& image, Control* control) {
    if (!control || image.Empty()) {
        ReportDisplayDeviceFailure();
        return false;
    }
    if (control->ShownImage() != &image) {
        control->SetImage(&image);
        control->Owner().InvalidateRect(control->Bounds(), false);
    }
    return true;
}

Font SelectSkinFont(Canvas& canvas, bool large, int baseUnitY) {
    Font font = CaptionFont(large, baseUnitY);
    canvas.SetFont(font);
    return font;
}

void ReportDisplayDeviceFailure() {
    if (!g_blitFailureShown.exchange(true)) ShowErrorMessage(kDisplayDeviceError);
}

void ResetSkinBlitFailure() {
    g_blitFailureShown = false;
}

// ---- The dialog ----

ZAWDialog::ZAWDialog() = default;
ZAWDialog::~ZAWDialog() = default;

Window& ZAWDialog::GetWindow() {
    if (!window_) window_ = std::make_unique<Window>(this);
    return *window_;
}

int ZAWDialog::RunModal(Window* owner) {
    return GetWindow().RunModal(owner);
}

void ZAWDialog::InitSkin(int paintedCount) {
    GetWindow();
    paintedCount_ = std::clamp(paintedCount, 0, kMaxSkinButtons);
}

void ZAWDialog::SetCaptionButtons(int count, const int* indices) {
    captionList_.clear();
    for (int i = 0; i < std::min(count, kMaxSkinButtons); ++i) {
        if (indices[i] >= 0 && indices[i] < kMaxSkinButtons) captionList_.push_back(indices[i]);
    }
}

void ZAWDialog::SetBackground(const Image& image, int width, int height) {
    Window& window = GetWindow();
    backgroundImage_ = &image;
    ResizeToClient(window, width, height);
    const Rect area{0, 0, width, height};
    if (!background_) {
        background_ = &window.AddControl(ControlKind::ImageHolder, area);
    } else {
        background_->Move(area);
    }
}

Control* ZAWDialog::AddButtonHolder(int id) {
    return &GetWindow().AddControl(ControlKind::ImageHolder, Rect{}, id);
}

void ZAWDialog::PaintSkin() {
    if (backgroundImage_) SkinBlit(*backgroundImage_, background_);
    for (int i = 0; i < paintedCount_; ++i) {
        if (buttons_[i].normal) SkinBlit(*buttons_[i].normal, buttons_[i].control);
    }
}

void ZAWDialog::PaintSkinByState() {
    if (backgroundImage_) SkinBlit(*backgroundImage_, background_);
    for (int i = 0; i < paintedCount_; ++i) {
        const SkinButton& b = buttons_[i];
        const Image* image = b.state == 1 ? b.pressed : b.normal;
        if (image) SkinBlit(*image, b.control);
    }
}

void ZAWDialog::OnSkinButtonDown(int x, int y) {
    pressedControl_ = HitTestSkinButtons(x, y, &pressedIndex_, buttons_.data(), paintedCount_);
    if (pressedControl_ && buttons_[pressedIndex_].pressed) {
        SkinBlit(*buttons_[pressedIndex_].pressed, pressedControl_);
        // The captions are drawn again over the new face.
        GetWindow().InvalidateRect(pressedControl_->Bounds(), false);
    }
}

void ZAWDialog::OnSkinButtonUp() {
    if (!pressedControl_ || pressedIndex_ < 0) return;
    const SkinButton& b = buttons_[pressedIndex_];
    if (b.normal) SkinBlit(*b.normal, pressedControl_);
    GetWindow().InvalidateRect(pressedControl_->Bounds(), false);
    pressedControl_ = nullptr;
}

void ZAWDialog::OnSkinButtonUpByState() {
    if (!pressedControl_ || pressedIndex_ < 0) return;
    const SkinButton& b = buttons_[pressedIndex_];
    const Image* image = b.state == 1 ? b.pressed : b.normal;
    if (image) SkinBlit(*image, pressedControl_);
    GetWindow().InvalidateRect(pressedControl_->Bounds(), false);
    pressedControl_ = nullptr;
}

void ZAWDialog::OnPaint(Window&, Canvas& canvas) {
    DrawCaptions(canvas);
}

void ZAWDialog::OnLeftDown(Window&, Point p) {
    OnSkinButtonDown(p.x, p.y);
}

void ZAWDialog::OnCancel(Window&) {
    Beep();
}

void ZAWDialog::DrawTwoPass(Canvas& canvas, const std::string& text, const Rect& shadow,
                            const Rect& face, const CaptionColours& colours, TextLayout layout) {
    canvas.SetTextColour(colours.shadow);
    canvas.DrawText(text, shadow, layout);
    canvas.SetTextColour(colours.face);
    canvas.DrawText(text, face, layout);
}

Rect ZAWDialog::CaptionArea(int index, int shift) const {
    const SkinButton& b = buttons_[index];
    if (index == 0) return RectOf(b);
    return Rect{b.x1 + 2 * shift + kCaptionMargin, b.y1, b.x2 - kCaptionMargin, b.y2};
}

void ZAWDialog::DrawCaptions(Canvas& canvas) {
    if (captionStyle_ == CaptionStyle::None) return;
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    const int shift = GetWindow().ClientSize().width / 80;
    switch (captionStyle_) {
        case CaptionStyle::Shadow2:
            for (int index : captionList_) {
                const SkinButton& b = buttons_[index];
                Rect face = RectOf(b);
                Rect shadow{face.left + 2, face.top + 2, face.right, face.bottom};
                DrawTwoPass(canvas, b.caption, shadow, face, kNormalCaption);
            }
            break;
        case CaptionStyle::Shadow1:
            for (int i = 0; i < static_cast<int>(captionList_.size()); ++i) {
                const SkinButton& b = buttons_[i];
                Rect face = RectOf(b);
                DrawTwoPass(canvas, b.caption, face.Offset(0, 1), face, kNormalCaption);
            }
            break;
        case CaptionStyle::State:
            for (int index : captionList_) {
                const SkinButton& b = buttons_[index];
                const Rect face = CaptionArea(index, shift);
                Rect shadow{face.left + 1, face.top + 1, face.right + 1, face.bottom + 1};
                DrawTwoPass(canvas, b.caption, shadow, face,
                            b.state == 1 ? kSelectedCaption : kNormalCaption,
                            TextLayout::WrappedLines);
            }
            break;
        case CaptionStyle::None:
            break;
    }
}
