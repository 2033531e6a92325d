#include "platform/file_chooser.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/message_sink.h"

namespace platform {

namespace {

// Asked when the completed name of a save dialog is an existing file.
constexpr const char* kReplaceQuestion = " already exists.\nDo you want to replace it?";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Where the extension of a name starts (at its dot); npos when it has none.
std::size_t ExtensionDot(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::string::npos;
    }
    return dot;
}

// The one extension a filter row names, lower case: "*.mld" gives "mld";
// empty for a pattern of several ("*.db*", "*.*", "*.a;*.b").
std::string RowExtension(const std::string& pattern) {
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0) return {};
    const std::string extension = pattern.substr(2);
    if (extension.find_first_of("*?;. ") != std::string::npos) return {};
    return Lower(extension);
}

}  // namespace

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
    std::vector<FileFilterEntry> entries;
    std::vector<std::string> parts;
    std::string part;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    // A filter without its closing bar still keeps its last part.
    if (!part.empty()) parts.push_back(part);
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        entries.push_back(FileFilterEntry{parts[i], parts[i + 1]});
    }
    return entries;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty() || path.empty()) return path;
    std::size_t slash = path.find_last_of('/');
    std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return path;
    std::string ext = extension[0] == '.' ? extension.substr(1) : extension;
    return path + "." + ext;
}

std::string CompleteSaveName(const FileChooserRequest& request, const std::string& typed,
                             int filterIndex) {
    const std::vector<FileFilterEntry> rows = ParseFileFilter(request.filter);
    std::string chosen;
    if (request.extensionFromFilter && filterIndex >= 1 &&
        filterIndex <= static_cast<int>(rows.size())) {
        chosen = RowExtension(rows[static_cast<std::size_t>(filterIndex - 1)].pattern);
    }
    if (chosen.empty() || typed.empty()) return WithDefaultExtension(typed, request.defaultExtension);
    std::string name = typed;
    const std::size_t dot = ExtensionDot(name);
    if (dot != std::string::npos) {
        const std::string extension = Lower(name.substr(dot + 1));
        if (extension == chosen) return name;
        // An extension another row names, or a bare dot, gives way to the
        // chosen row's; any other is part of the name.
        const bool rowNamesIt =
            std::any_of(rows.begin(), rows.end(), [&](const FileFilterEntry& row) {
                return RowExtension(row.pattern) == extension;
            });
        if (rowNamesIt || extension.empty()) name.erase(dot);
    }
    return name + "." + chosen;
}

bool FinishSaveAnswer(const FileChooserRequest& request, FileChooserAnswer& answer) {
    if (!request.save || !answer.chosen) return true;
    const std::string completed = CompleteSaveName(request, answer.path, answer.filterIndex);
    // The dialog itself asks about the name as typed.
    const bool asked = completed == answer.path;
    answer.path = completed;
    std::error_code error;
    if (asked || !std::filesystem::exists(completed, error)) return true;
    const std::string name = std::filesystem::path(completed).filename().string();
    return ShowBox(BoxKind::OkCancel, name + kReplaceQuestion) == kIdOk;
}

FileChooserAnswer ScriptedFileChooser::ChooseFile(const FileChooserRequest& request) {
    // Each answer is one showing of the dialog: a declined replacement shows
    // it again and takes the next answer, until none is left.
    for (;;) {
        FileChooserAnswer answer;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            fileRequests_.push_back(request);
            if (answers_.empty()) return FileChooserAnswer{};
            answer = answers_.front();
            answers_.pop_front();
        }
        if (FinishSaveAnswer(request, answer)) return answer;
    }
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
