#include "platform/ui/control.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/ui/window.h"

namespace platform::ui {

Control::Control(Window& window, ControlKind kind, const Rect& bounds, int id)
    : window_(window), kind_(kind), id_(id), bounds_(bounds) {
    if (kind == ControlKind::CheckBox) high_ = 1;
}

void Control::AttachPeer(std::unique_ptr<ControlPeer> peer) {
    peer_ = std::move(peer);
    Synced();
}

void Control::Synced() {
    if (peer_) peer_->Sync();
}

void Control::Move(const Rect& bounds) {
    CheckUiThread("Control::Move");
    bounds_ = bounds;
    Synced();
    window_.Invalidate(true);
}

void Control::Show(bool visible) {
    CheckUiThread("Control::Show");
    visible_ = visible;
    Synced();
    if (kind_ == ControlKind::ImageHolder) window_.InvalidateRect(bounds_, true);
}

void Control::Enable(bool enabled) {
    CheckUiThread("Control::Enable");
    enabled_ = enabled;
    Synced();
}

std::string Control::CutToLength(const std::string& utf8) const {
    if (kind_ != ControlKind::Edit) return utf8;
    std::string text;
    for (char c : utf8) {
        if (numeric_ && !(c >= '0' && c <= '9') && !(c == '-' && text.empty())) continue;
        text.push_back(c);
    }
    if (maxLength_ > 0 && static_cast<int>(text.size()) > maxLength_) text.resize(maxLength_);
    return text;
}

void Control::SetText(const std::string& utf8) {
    CheckUiThread("Control::SetText");
    text_ = CutToLength(utf8);
    Synced();
}

void Control::SetTooltip(const std::string& utf8) {
    CheckUiThread("Control::SetTooltip");
    tooltip_ = utf8;
    Synced();
}

void Control::SetFillColour(Rgb colour) {
    CheckUiThread("Control::SetFillColour");
    fill_ = colour;
    Synced();
}

void Control::SetImage(const Image* image) {
    CheckUiThread("Control::SetImage");
    image_ = image;
    Synced();
    window_.InvalidateRect(bounds_, false);
}

void Control::AddItem(const std::string& utf8, int value, Rgb colour) {
    CheckUiThread("Control::AddItem");
    items_.push_back(ListItem{utf8, value, colour});
    Synced();
}

void Control::ClearItems() {
    CheckUiThread("Control::ClearItems");
    items_.clear();
    selection_ = -1;
    Synced();
}

void Control::SetSelection(int index) {
    CheckUiThread("Control::SetSelection");
    selection_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
    Synced();
}

int Control::SelectedValue(int fallback) const {
    if (selection_ < 0) return fallback;
    return items_[selection_].value;
}

void Control::SetRange(int lo, int hi) {
    CheckUiThread("Control::SetRange");
    if (hi < lo) std::swap(lo, hi);
    low_ = lo;
    high_ = hi;
    value_ = std::clamp(value_, low_, high_);
    Synced();
}

void Control::SetValue(int value) {
    CheckUiThread("Control::SetValue");
    value_ = std::clamp(value, low_, high_);
    if (kind_ == ControlKind::UpDown && buddy_) buddy_->SetText(std::to_string(value_));
    Synced();
}

void Control::SetPage(int page) {
    CheckUiThread("Control::SetPage");
    page_ = std::max(1, page);
    Synced();
}

void Control::SetTickFrequency(int every) {
    CheckUiThread("Control::SetTickFrequency");
    ticks_ = std::max(0, every);
    Synced();
}

void Control::SetNumeric(bool numeric) {
    CheckUiThread("Control::SetNumeric");
    numeric_ = numeric;
    text_ = CutToLength(text_);
    Synced();
}

void Control::SetMaxLength(int length) {
    CheckUiThread("Control::SetMaxLength");
    maxLength_ = std::max(0, length);
    text_ = CutToLength(text_);
    Synced();
}

int Control::NumberOr(int fallback) const {
    int value = 0;
    const char* begin = text_.data();
    const char* end = begin + text_.size();
    auto [ptr, ec] = std::from_chars(begin, end, value);
    // A number past what an int holds is held to the int's end on its side,
    // so the caller's range holds it like any other too-large number.
    if (ec == std::errc::result_out_of_range)
        return *begin == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    if (ec != std::errc() || ptr == begin) return fallback;
    return value;
}

void Control::BindBuddy(Control* edit) {
    CheckUiThread("Control::BindBuddy");
    buddy_ = edit;
    if (buddy_) buddy_->SetText(std::to_string(value_));
    Synced();
}

void Control::UserSetText(const std::string& utf8) {
    if (!enabled_) return;
    text_ = CutToLength(utf8);
    Synced();
    window_.DispatchControl(*this, ControlEvent::TextChanged);
}

void Control::UserSetValue(int value) {
    if (!enabled_) return;
    value_ = std::clamp(value, low_, high_);
    Synced();
    window_.DispatchControl(*this, ControlEvent::ValueChanged);
}

void Control::UserScroll(ScrollCause cause, int value) {
    if (!enabled_) return;
    scrollCause_ = cause;
    value_ = std::clamp(value, low_, high_);
    Synced();
    window_.DispatchControl(*this, ControlEvent::ValueChanged);
    scrollCause_ = ScrollCause::Direct;
}

void Control::UserReleaseThumb(int value) {
    if (!enabled_) return;
    scrollCause_ = ScrollCause::Thumb;
    value_ = std::clamp(value, low_, high_);
    Synced();
    window_.DispatchControl(*this, ControlEvent::ThumbReleased);
    scrollCause_ = ScrollCause::Direct;
}

void Control::UserSelect(int index) {
    if (!enabled_) return;
    selection_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
    Synced();
    window_.DispatchControl(*this, ControlEvent::SelectionChanged);
}

void Control::UserClick() {
    if (!enabled_) return;
    if (kind_ == ControlKind::CheckBox) {
        value_ = value_ ? 0 : 1;
        Synced();
    }
    window_.DispatchControl(*this, ControlEvent::Clicked);
}

void Control::UserStep(int delta) {
    if (!enabled_ || kind_ != ControlKind::UpDown) return;
    // The buddy's text may have been typed over; it is the value stepped from.
    if (buddy_) value_ = std::clamp(buddy_->NumberOr(value_), low_, high_);
    if (!window_.DispatchStep(*this, delta)) return;
    value_ = std::clamp(value_ + delta, low_, high_);
    if (buddy_) buddy_->SetText(std::to_string(value_));
    Synced();
    window_.DispatchControl(*this, ControlEvent::ValueChanged);
}

}  // namespace platform::ui
