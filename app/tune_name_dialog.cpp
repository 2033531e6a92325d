#include "app/tune_name_dialog.h"

#include "core/cp932_text.h"
#include "core/reporters.h"

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

TuneName::TuneName(Window* parent) : ValueDialog(parent, kSmallDialogHeight) {}

void TuneName::BuildControls(Window& window) {
    edit_ = &window.AddControl(ControlKind::Edit, Rect::FromSize(40, 50, 240, 28), kTuneNameEdit);
    edit_->SetText(text);
}

bool TuneName::Accept() {
    const std::string typed = FirstCharacters(edit_->Text(), kTuneNameLength);
    if (codePage932) {
        const std::string refused = LettersWithoutCp932Text(typed);
        if (!refused.empty()) {
            ShowErrorBox(refused);
            return false;
        }
    }
    text = typed;
    return true;
}
