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
