#include "app/skin_page.h"

#include "app/number_box.h"
#include "core/settings.h"
#include "platform/message_sink.h"

using namespace platform::ui;

namespace {

constexpr int kPageStatics[kPageMaxToggles + 1] = {2067, 2066, 2068, 2069, 2070};

}  // namespace

SkinPage::SkinPage(Window* parent, std::string title, std::vector<std::string> captions,
                   bool byState)
    : parent_(parent), title_(std::move(title)), captions_(std::move(captions)), byState_(byState) {
    if (captions_.size() > kPageMaxToggles) captions_.resize(kPageMaxToggles);
    largeFont_ = AppSettings.LargeFont != 0;
}

int SkinPage::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void SkinPage::OnInitDialog() {
    if (built_) return;
    built_ = true;
    const int count = static_cast<int>(captions_.size()) + 1;
    InitSkin(count);
    GetWindow().SetTitle(title_);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    auto id = [&](int i) {
        return i < static_cast<int>(holderIds_.size()) ? holderIds_[static_cast<std::size_t>(i)]
                                                       : kPageStatics[i];
    };
    SetColumnSkinButton(Button(kPageOkButton), "OK", kSmallOkTop, AddButtonHolder(id(0)));
    for (int i = 1; i < count; ++i)
        SetGridSkinButton(Button(i), i, captions_[i - 1], AddButtonHolder(id(i)));
    std::vector<int> listed;
    for (int i = 0; i < count; ++i)
        listed.push_back(i);
    SetCaptionButtons(count, listed.data());
    SetCaptionStyle(byState_ ? CaptionStyle::State : CaptionStyle::Shadow2);
    Load();
    PlaceSkinButtons(count, &Button(0));
    if (byState_) {
        PaintSkinByState();
    } else {
        PaintSkin();
    }
}

void SkinPage::PlaceButton(int index, int x1, int x2, int y1, int y2) {
    SkinButton& b = Button(index);
    b.x1 = x1;
    b.x2 = x2;
    b.y1 = y1;
    b.y2 = y2;
}

void SkinPage::StatesFrom(const std::vector<const std::int32_t*>& fields) {
    for (std::size_t i = 0; i < fields.size() && i < captions_.size(); ++i)
        Button(static_cast<int>(i) + 1).state = *fields[i] != 0 ? 1 : 0;
}

void SkinPage::StatesTo(const std::vector<std::int32_t*>& fields) const {
    for (std::size_t i = 0; i < fields.size() && i < captions_.size(); ++i)
        *fields[i] = Button(static_cast<int>(i) + 1).state;
}

void SkinPage::OnPaint(Window& window, Canvas& canvas) {
    // A held button keeps its pressed face until it is released.
    if (!PressedControl()) {
        if (byState_) {
            PaintSkinByState();
        } else {
            PaintSkin();
        }
    }
    ZAWDialog::OnPaint(window, canvas);
}

void SkinPage::OnLeftUp(Window& window, Point) {
    // Only a release that follows a press on a button acts.
    if (!PressedControl()) return;
    const int index = PressedIndex();
    if (byState_) {
        OnSkinButtonUpByState();
    } else {
        OnSkinButtonUp();
    }
    if (index > 0) OnButton(index);
    if (index == kPageOkButton) {
        Store();
        window.EndModal(platform::kIdOk);
        return;
    }
    window.Invalidate(false);
}

void SkinPage::OnButton(int index) {
    SkinButton& b = Button(index);
    b.state = b.state == 1 ? 0 : 1;
}
