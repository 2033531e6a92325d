#include "platform/file_chooser.h"

namespace platform {

FileChooserAnswer ScriptedFileChooser::ChooseFile(const FileChooserRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    fileRequests_.push_back(request);
    if (answers_.empty()) return FileChooserAnswer{};
    FileChooserAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

FileChooserAnswer ScriptedFileChooser::ChooseFolder(const FolderChooserRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    folderRequests_.push_back(request);
    if (answers_.empty()) return FileChooserAnswer{};
    FileChooserAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedFileChooser::QueueFile(const std::string& path, int filterIndex) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(FileChooserAnswer{true, path, filterIndex});
}

void ScriptedFileChooser::QueueFolder(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(FileChooserAnswer{true, path, 1});
}

void ScriptedFileChooser::QueueCancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(FileChooserAnswer{});
}

void ScriptedFileChooser::QueueError(int code) {
    std::lock_guard<std::mutex> lock(mutex_);
    FileChooserAnswer answer;
    answer.errorCode = code;
    answers_.push_back(answer);
}

std::vector<FileChooserRequest> ScriptedFileChooser::FileRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fileRequests_;
}

std::vector<FolderChooserRequest> ScriptedFileChooser::FolderRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return folderRequests_;
}

namespace {
std::mutex g_chooserMutex;
std::shared_ptr<FileChooser>& InstalledChooser() {
    static std::shared_ptr<FileChooser> chooser = std::make_shared<ScriptedFileChooser>();
    return chooser;
}
}  // namespace

std::shared_ptr<FileChooser> SetFileChooser(std::shared_ptr<FileChooser> chooser) {
    if (!chooser) chooser = std::make_shared<ScriptedFileChooser>();
    std::lock_guard<std::mutex> lock(g_chooserMutex);
    std::shared_ptr<FileChooser> old = InstalledChooser();
    InstalledChooser() = std::move(chooser);
    return old;
}

std::shared_ptr<FileChooser> GetFileChooser() {
    std::lock_guard<std::mutex> lock(g_chooserMutex);
    return InstalledChooser();
}

}  // namespace platform
