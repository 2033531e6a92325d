#include "app/copyright_dialog.h"

#include <algorithm>
#include <cstring>

#include "app/number_box.h"
#include "convert/conversion_dialogs.h"
#include "convert/mobile_data.h"
#include "core/cp932_text.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "platform/message_sink.h"

using namespace platform::ui;

namespace {

constexpr int kOkStatic = 2067;

}  // namespace

CopyrightSelection::CopyrightSelection(Window* parent) : parent_(parent) {}

int CopyrightSelection::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void CopyrightSelection::OnInitDialog() {
    if (built_ || !model) return;
    built_ = true;
    InitSkin(1);
    Window& window = GetWindow();
    window.SetTitle("Copyright Information");
    SetBackground(SkinImage(SkinId::MediumBackground), kSmallDialogWidth, 288);
    SetColumnSkinButton(Button(kCopyrightOkButton), "OK", kCopyrightOkTop,
                        AddButtonHolder(kOkStatic));
    const int captions[] = {0};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(1, &Button(0));
    copyright_ = &window.AddControl(ControlKind::Edit, Rect::FromSize(20, 60, 300, 26), kCopyrightEdit);
    title_ = &window.AddControl(ControlKind::Edit, Rect::FromSize(20, 150, 300, 26), kCopyrightTitleEdit);
    title_->SetText(Cp932ToUtf8(model->title));
    copyright_->SetText(Cp932ToUtf8(OfferedCopyright(model->copyright, AppSettings.UserName)));
    PaintSkin();
}

void CopyrightSelection::Confirm() {
    // A letter the ringtone cannot hold is named before anything is
    // written; the dialog stays open for the user to change the text.
    const std::string refused = LettersWithoutCp932Text(copyright_->Text() + title_->Text());
    if (!refused.empty()) {
        ShowErrorBox(refused);
        return;
    }
    std::string user = AppSettings.UserName;
    ConfirmCopyright(*model, Utf8ToCp932(title_->Text()), Utf8ToCp932(copyright_->Text()), user);
    std::memset(AppSettings.UserName, 0, sizeof AppSettings.UserName);
    std::memcpy(AppSettings.UserName, user.data(), std::min(user.size(), sizeof AppSettings.UserName - 1));
    GetWindow().EndModal(platform::kIdOk);
}

void CopyrightSelection::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(kNormalCaption.face);
    canvas.DrawText("Copyright", Rect::FromSize(20, 30, 200, 24), TextLayout::LeftCentred);
    canvas.DrawText("Title", Rect::FromSize(20, 120, 200, 24), TextLayout::LeftCentred);
}

void CopyrightSelection::OnLeftUp(Window&, Point) {
    const bool wasPressed = PressedControl() != nullptr;
    OnSkinButtonUp();
    if (wasPressed && PressedIndex() == kCopyrightOkButton) Confirm();
}

void CopyrightSelection::OnOk(Window&) {
    Confirm();
}
