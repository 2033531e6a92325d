#include "app/text_input_dialog.h"

#include <string>
#include <vector>

#include "app/number_box.h"
#include "convert/melody_mail.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "platform/message_sink.h"
#include "platform/ui/ui.h"

using namespace platform::ui;

std::string TextInputText;
std::string TextInputCaption;

namespace {

constexpr int kOkStatic = 2067;
constexpr int kCaptionStatic = 2068;
constexpr Rect kCaptionPlate = MakeRect(22, 45, 320, 83);
constexpr Rect kEditPlace = Rect::FromSize(40, 90, 250, 50);

}  // namespace

TextInput::TextInput(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int TextInput::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void TextInput::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(2);
    Window& window = GetWindow();
    window.SetTitle(TextInputCaption);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(kTextInputOkButton), "OK", kSmallOkTop, AddButtonHolder(kOkStatic));
    SkinButton& plate = Button(kTextInputCaptionButton);
    plate.x1 = kCaptionPlate.left;
    plate.x2 = kCaptionPlate.right;
    plate.y1 = kCaptionPlate.top;
    plate.y2 = kCaptionPlate.bottom;
    plate.caption = TextInputCaption;
    plate.control = AddButtonHolder(kCaptionStatic);
    plate.normal = &SkinImage(SkinId::Toggle1);
    plate.pressed = &SkinImage(SkinId::Toggle1Pressed);
    const int captions[] = {kTextInputOkButton, kTextInputCaptionButton};
    SetCaptionButtons(2, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(2, &Button(0));
    // Read-only for the user: the text is shown, never edited.
    edit_ = &window.AddControl(ControlKind::TextView, kEditPlace, kTextInputEdit);
    // Line ends show as breaks; the clipboard gets the text as it is.
    std::string shown = TextInputText;
    std::erase(shown, '\r');
    edit_->SetText(shown);
    edit_->Enable(false);
    PaintSkin();
}

void TextInput::CopyAndClose() {
    // The whole text, whatever part of it is selected.
    SetClipboardText(TextInputText);
    ShowErrorMessage(kTextCopied);
    GetWindow().EndModal(platform::kIdOk);
}

void TextInput::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void TextInput::OnLeftDown(Window& window, Point p) {
    int index = -1;
    HitTestSkinButtons(p.x, p.y, &index, &Button(0), 2);
    // Only OK shows a pressed face; the plate stays as it is.
    if (index == kTextInputOkButton) ZAWDialog::OnLeftDown(window, p);
}

void TextInput::OnLeftUp(Window& window, Point) {
    const bool okPressed = PressedControl() != nullptr && PressedIndex() == kTextInputOkButton;
    OnSkinButtonUp();
    window.Invalidate(false);
    if (okPressed) CopyAndClose();
}

void TextInput::OnOk(Window&) {
    CopyAndClose();
}

void ShowMelodyMailText(const std::string& path, Window* owner) {
    std::vector<std::uint8_t> bytes(kMelodyMailReadLimit);
    std::size_t count = 0;
    if (!ReadWholeFile(path, bytes.data(), &count, bytes.size())) return;
    TextInputText.assign(reinterpret_cast<const char*>(bytes.data()), count);
    TextInputCaption = kMelodyMailCaption;
    TextInput dialog(owner);
    dialog.DoModal();
}
