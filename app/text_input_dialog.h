// The read-only text box of melody mail: the text of a mail under a caption
// plate, and OK, which copies the whole text to the clipboard and closes.
// The text and the caption are handed over in TextInputText and
// TextInputCaption before the dialog runs.
#pragma once

#include <string>

#include "app/zaw_dialog.h"

constexpr int kTextInputOkButton = 0;
constexpr int kTextInputCaptionButton = 1;
constexpr int kTextInputEdit = 1601;
// The caption of a melody-mail text.
inline constexpr const char* kMelodyMailCaption = "メロディメールのテキスト";
constexpr std::uint32_t kTextCopied = 0xFF010154u;  // "Text is copied to clip board."

extern std::string TextInputText;
extern std::string TextInputCaption;

class TextInput : public ZAWDialog {
public:
    explicit TextInput(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;

private:
    void CopyAndClose();

    platform::ui::Window* parent_;
    platform::ui::Control* edit_ = nullptr;
    bool built_ = false;
};

// Reads the text file (at most 0xF0000 bytes) and shows it under the
// melody-mail caption, centred over the owner; a file that cannot be read
// shows nothing.
void ShowMelodyMailText(const std::string& path, platform::ui::Window* owner = nullptr);
