// Where the program lives and how paths are written on this system.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

constexpr char kPathSeparator = '/';

// The folder of the running executable (no trailing separator). The build
// puts the shipped data files there.
std::string ProgramDirectory();
// Replaces the program folder, for tests; an empty text restores the real one.
void SetProgramDirectory(const std::string& folder);

// A full path starts at the root; anything else is relative to a folder.
bool IsFullPath(const std::string& name);

// folder + separator + name, without doubling a separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The process's current folder, or empty when it cannot be read.
std::string CurrentDirectory();

// The system's folder for temporary files (TMPDIR, else /tmp), always with a
// trailing separator.
std::string TemporaryDirectory();

// Writes a file as one step. The bytes go to a temporary file in the same
// folder (the target's name with ".tmp" added); Commit flushes it to the disk
// and renames it over the target. Every write, the flush and the close are
// checked: on any failure, and when the writer goes without a Commit, the
// temporary file is removed and the target is left as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False when the temporary file could not be created.
    bool Opened() const { return fd_ >= 0; }
    // Appends bytes; false (and the file abandoned) when they could not all
    // be written.
    bool Write(const void* data, std::size_t length);
    // True when the complete file is in place under the target's name.
    bool Commit();
    // Removes the temporary file; the target keeps its old contents.
    void Abandon();

    const std::string& TemporaryPath() const { return temp_; }
    // The system's error number of the first failure; 0 while none.
    int Error() const { return error_; }

private:
    void Fail(int error);

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
};

// The temporary name a file is written under before it replaces path.
std::string TemporaryWritePath(const std::string& path);

// Replaces the file's contents as one step through an AtomicFileWriter. True
// when the new contents are in place; otherwise error (when given) holds the
// system's error number.
bool ReplaceFileContents(const std::string& path, const void* data, std::size_t length,
                         int* error = nullptr);

// "path: the system's text for error", for a message that says which file
// failed and why.
std::string FileErrorText(const std::string& path, int error);

// For tests: called with the target's path once its bytes are on the disk,
// just before the rename. Returning false fails the write at that point.
// nullptr removes it.
using BeforeReplaceHook = bool (*)(const std::string& path);
void SetBeforeReplaceHook(BeforeReplaceHook hook);

}  // namespace platform
