#include "convert/conversion_dialogs.h"

#include <mutex>

#include "convert/mobile_data.h"

namespace {

std::mutex& DialogsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<ConversionDialogs>& Installed() {
    static std::shared_ptr<ConversionDialogs> dialogs = std::make_shared<RefusingConversionDialogs>();
    return dialogs;
}

bool IsCp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

std::shared_ptr<ConversionDialogs> SetConversionDialogs(std::shared_ptr<ConversionDialogs> dialogs) {
    const std::lock_guard lock(DialogsMutex());
    if (!dialogs) dialogs = std::make_shared<RefusingConversionDialogs>();
    Installed().swap(dialogs);
    return dialogs;
}

std::shared_ptr<ConversionDialogs> GetConversionDialogs() {
    const std::lock_guard lock(DialogsMutex());
    return Installed();
}

std::string CutCp932(std::string_view text, std::size_t n) {
    if (text.size() <= n) return std::string(text);
    // Walk whole characters: a lead byte takes its trail byte with it.
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t width =
            IsCp932Lead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
        if (at + width > n) break;
        at += width;
    }
    return std::string(text.substr(0, at));
}

std::string OfferedCopyright(std::string_view modelCopyright, std::string_view userName) {
    return std::string(modelCopyright == kNoCopyrightInfo ? userName : modelCopyright);
}

void ConfirmCopyright(MobileData& model, std::string_view title, std::string_view copyright,
                      std::string& userName) {
    model.title = CutCp932(title, kCopyrightFieldBytes);
    userName = CutCp932(copyright, kCopyrightFieldBytes);
    model.copyright =
        CutCp932(copyright, kCopyrightFieldBytes - kCopyrightMark.size()) + std::string(kCopyrightMark);
}
