#include "app/tune_name_dialog.h"

#include "app/number_box.h"
#include "core/settings.h"
#include "platform/message_sink.h"

using namespace platform::ui;

std::string FirstCharacters(const std::string& utf8, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // A byte that does not continue a sequence starts a character.
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (count == n) return utf8.substr(0, i);
            ++count;
        }
    }
    return utf8;
}

TuneName::TuneName(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int TuneName::DoModal() {
    InitSkin(1);
    Window& window = GetWindow();
    window.SetTitle("Tune Name");
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(0), "OK", kSmallOkTop, AddButtonHolder(2067));
    const int captions[] = {0};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(1, &Button(0));
    edit_ = &window.AddControl(ControlKind::Edit, Rect::FromSize(40, 50, 240, 28), kTuneNameEdit);
    edit_->SetText(text);
    PaintSkin();
    CentreOverOwner(window, parent_);
    return RunModal(parent_);
}

void TuneName::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void TuneName::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    OnSkinButtonUp();
    if (PressedIndex() == 0) StoreAndClose(window);
}

void TuneName::OnOk(Window& window) {
    StoreAndClose(window);
}

void TuneName::StoreAndClose(Window& window) {
    text = FirstCharacters(edit_->Text(), kTuneNameLength);
    window.EndModal(platform::kIdOk);
}
