// File and folder choosers. The GUI installs choosers that show real dialogs;
// headless, a scripted chooser hands out the answers a test queued, and
// cancels once they run out.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

struct FileChooserRequest {
    std::string defaultExtension;  // without the dot, may be empty
    std::string filter;            // "description|pattern|description|pattern|"
    std::string proposedName;      // may be empty
    std::string initialFolder;
    int filterIndex = 1;  // 1-based, as the filter lists them
    bool save = false;    // a save dialog (the name need not exist yet)
    // A save dialog whose chosen row decides what the file holds: the row's
    // extension becomes the name's (see CompleteSaveName).
    bool extensionFromFilter = false;
};

struct FileChooserAnswer {
    bool chosen = false;
    std::string path;
    int filterIndex = 1;
    // Not chosen and nonzero: the dialog failed with this common-dialog
    // error code (0xFFFF when it could not be made); zero: cancelled.
    int errorCode = 0;
};

struct FolderChooserRequest {
    std::string initialFolder;
    std::string title;
};

// One entry of a "desc|pattern|desc|pattern|" filter.
struct FileFilterEntry {
    std::string description;
    std::string pattern;
};
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);
// The chosen name with ".ext" added when it has no extension of its own and
// a default extension is given.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);
// The name a save dialog hands back for the name typed there. With
// extensionFromFilter the chosen row's extension ("*.mld" gives "mld") is
// the file's: it takes the place of an extension another row names and is
// added to any other name. Otherwise the default extension is added to a
// name without one.
std::string CompleteSaveName(const FileChooserRequest& request, const std::string& typed,
                             int filterIndex);
// Ends a save dialog the same way in every chooser: the answer's name is
// completed, and when that gave the name of an existing file (which the
// dialog could not ask about) the user is asked whether to replace it.
// False when the user would not: the dialog is shown again.
bool FinishSaveAnswer(const FileChooserRequest& request, FileChooserAnswer& answer);

class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual FileChooserAnswer ChooseFile(const FileChooserRequest& request) = 0;
    // chosen == false means cancelled.
    virtual FileChooserAnswer ChooseFolder(const FolderChooserRequest& request) = 0;
};

class ScriptedFileChooser : public FileChooser {
public:
    FileChooserAnswer ChooseFile(const FileChooserRequest& request) override;
    FileChooserAnswer ChooseFolder(const FolderChooserRequest& request) override;

    void QueueFile(const std::string& path, int filterIndex = 1);
    void QueueFolder(const std::string& path);
    void QueueCancel();         // the next chooser of either kind is cancelled
    void QueueError(int code);  // the next chooser of either kind fails

    std::vector<FileChooserRequest> FileRequests() const;
    std::vector<FolderChooserRequest> FolderRequests() const;

private:
    mutable std::mutex mutex_;
    std::deque<FileChooserAnswer> answers_;
    std::vector<FileChooserRequest> fileRequests_;
    std::vector<FolderChooserRequest> folderRequests_;
};

// Installs a chooser; nullptr restores the default (a scripted chooser with no
// answers, which cancels everything). Returns the one replaced.
std::shared_ptr<FileChooser> SetFileChooser(std::shared_ptr<FileChooser> chooser);
std::shared_ptr<FileChooser> GetFileChooser();

}  // namespace platform
