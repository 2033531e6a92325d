#include "tests/ui/sample_dialog.h"

#include "platform/message_sink.h"
#include "platform/ui/ui.h"

namespace sample {

using namespace platform::ui;

SampleDialog::SampleDialog(const SkinStore& skin) : skin_(skin) {
    buttons_[0] = {302, 343, 96, 138, "OK", 0, SkinId::Column, SkinId::ColumnPressed};
    buttons_[1] = {12, 157, 35, 76, "停止中", 0, SkinId::Toggle1, SkinId::Toggle1Pressed};
    buttons_[2] = {161, 306, 36, 77, "Start 09:00", 1, SkinId::Toggle2, SkinId::Toggle2Pressed};
    buttons_[3] = {10, 156, 85, 126, "Off", 0, SkinId::Toggle3, SkinId::Toggle3Pressed};
    buttons_[4] = {160, 306, 87, 127, "Reset", 0, SkinId::Toggle4, SkinId::Toggle4Pressed};
}

Window& SampleDialog::Create() {
    window_ = std::make_unique<Window>(this);
    window_->SetTitle("Timer Set");
    window_->SetClientSize(Size{346, 144});
    window_->Move(Point{100, 100});
    Control& background = window_->AddControl(ControlKind::ImageHolder, Rect{0, 0, 346, 144});
    background.SetImage(&skin_.Get(SkinId::SmallBackground));
    for (SkinButton& b : buttons_) {
        b.holder = &window_->AddControl(ControlKind::ImageHolder, Rect{b.x1, b.y1, b.x2, b.y2});
        b.holder->SetImage(&skin_.Get(b.state ? b.pressed : b.normal));
    }
    return *window_;
}

int SampleDialog::Run(Window* owner) {
    if (!window_) Create();
    int code = window_->RunModal(owner);
    window_.reset();
    return code;
}

Point SampleDialog::Centre(int index) const {
    const SkinButton& b = buttons_[index];
    return Point{(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
}

int SampleDialog::HitTest(Point p) const {
    for (int i = kButtonCount - 1; i >= 0; --i) {
        const SkinButton& b = buttons_[i];
        if (p.x >= b.x1 && p.x <= b.x2 && p.y >= b.y1 && p.y <= b.y2) return i;
    }
    return -1;
}

void SampleDialog::OnPaint(Window&, Canvas& canvas) {
    canvas.FillRect(kStrip, Rgb{0, 0, 0});
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetFont(StatusFont());
    canvas.SetTextColour(Rgb{255, 255, 200});
    canvas.DrawText("Current 09:15", kStrip, TextLayout::CentredLine);
    canvas.SetFont(CaptionFont(false));
    for (const SkinButton& b : buttons_) {
        Rect area{b.x1, b.y1, b.x2, b.y2};
        canvas.SetTextColour(b.state ? kShadowSelected : kShadowNormal);
        canvas.DrawText(b.caption, area.Offset(1, 1), TextLayout::CentredLine);
        canvas.SetTextColour(b.state ? kFaceSelected : kFaceNormal);
        canvas.DrawText(b.caption, area, TextLayout::CentredLine);
    }
}

void SampleDialog::OnLeftDown(Window&, Point p) {
    pressed_ = HitTest(p);
    if (pressed_ >= 0) buttons_[pressed_].holder->SetImage(&skin_.Get(buttons_[pressed_].pressed));
}

void SampleDialog::OnLeftUp(Window& window, Point) {
    if (pressed_ < 0) return;
    SkinButton& b = buttons_[pressed_];
    int index = pressed_;
    pressed_ = -1;
    if (index == 0) {
        window.EndModal(platform::kIdOk);
        return;
    }
    if (index == 4) {
        if (platform::ShowBox(platform::BoxKind::OkCancel, "Reset the timer?") == platform::kIdOk) {
            for (int i = 1; i <= 3; ++i)
                buttons_[i].state = 0;
            ++resets_;
        }
    } else {
        b.state = b.state ? 0 : 1;
    }
    for (SkinButton& each : buttons_) {
        each.holder->SetImage(&skin_.Get(each.state ? each.pressed : each.normal));
    }
    window.Invalidate(false);
}

void SampleDialog::OnCancel(Window&) {
    Beep();
}

}  // namespace sample
