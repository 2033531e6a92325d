#include "app/copyright_dialog.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "app/number_box.h"
#include "convert/conversion_dialogs.h"
#include "convert/mobile_data.h"
#include "core/settings.h"
#include "platform/message_sink.h"

using namespace platform::ui;

namespace {

constexpr int kOkStatic = 2067;
constexpr std::size_t kMaxTextBytes = 4096;

// Bytes of the character that starts at text[at] in the source encoding.
std::size_t CharWidth(std::string_view text, std::size_t at, bool fromUtf8) {
    const auto c = static_cast<unsigned char>(text[at]);
    std::size_t width = 1;
    if (fromUtf8) {
        width = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    } else if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
        width = 2;
    }
    return std::min(width, text.size() - at);
}

std::string Convert(std::string_view text, const char* to, const char* from, bool fromUtf8) {
    text = text.substr(0, std::min(text.size(), kMaxTextBytes));
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string out;
    std::vector<char> buffer(4 * text.size() + 8);
    std::size_t at = 0;
    // Each round converts what it can; a character without a form becomes
    // "?" and is stepped over, so every round advances.
    while (at < text.size()) {
        char* in = const_cast<char*>(text.data() + at);
        std::size_t inLeft = text.size() - at;
        char* dst = buffer.data();
        std::size_t dstLeft = buffer.size();
        const std::size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
        at = text.size() - inLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        out.push_back('?');
        at += CharWidth(text, at, fromUtf8);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    return Convert(cp932, "UTF-8", "CP932", false);
}

std::string Utf8ToCp932(std::string_view utf8) {
    return Convert(utf8, "CP932", "UTF-8", true);
}

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
