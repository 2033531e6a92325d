#include "platform/paths.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/temp_files.h"

namespace platform {

namespace {
std::mutex g_pathMutex;
std::string g_programDirOverride;
std::atomic<BeforeReplaceHook> g_beforeReplace{nullptr};

std::string ExecutableDirectory() {
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return CurrentDirectory();
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.find_last_of(kPathSeparator);
    if (slash == std::string::npos) return CurrentDirectory();
    if (slash == 0) return "/";
    return path.substr(0, slash);
}
}  // namespace

std::string ProgramDirectory() {
    {
        std::lock_guard<std::mutex> lock(g_pathMutex);
        if (!g_programDirOverride.empty()) return g_programDirOverride;
    }
    static const std::string dir = ExecutableDirectory();
    return dir;
}

void SetProgramDirectory(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_pathMutex);
    g_programDirOverride = folder;
}

bool IsFullPath(const std::string& name) {
    return !name.empty() && name[0] == kPathSeparator;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == kPathSeparator) return folder + name;
    return folder + kPathSeparator + name;
}

std::string CurrentDirectory() {
    char buf[PATH_MAX + 1];
    if (getcwd(buf, sizeof buf) == nullptr) return std::string();
    return std::string(buf);
}

std::string TemporaryDirectory() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = env != nullptr && env[0] != '\0' ? env : "/tmp";
    if (dir.back() != kPathSeparator) dir += kPathSeparator;
    return dir;
}

std::string TemporaryWritePath(const std::string& path) {
    return path + ".tmp";
}

AtomicFileWriter::AtomicFileWriter(const std::string& path)
    : path_(path), temp_(TemporaryWritePath(path)) {
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ >= 0)
        NoteTempFile(temp_);
    else
        error_ = errno;
}

void AtomicFileWriter::Fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
}

AtomicFileWriter::~AtomicFileWriter() {
    Abandon();
}

void AtomicFileWriter::Abandon() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
    ForgetTempFile(temp_);
}

bool AtomicFileWriter::Write(const void* data, std::size_t length) {
    if (fd_ < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(fd_, bytes + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing means the disk is full.
            Fail(n < 0 ? errno : ENOSPC);
            Abandon();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFileWriter::Commit() {
    if (fd_ < 0) {
        Fail(EBADF);
        return false;
    }
    bool ok = ::fsync(fd_) == 0;
    if (!ok) Fail(errno);
    if (::close(fd_) != 0) {
        Fail(errno);
        ok = false;
    }
    fd_ = -1;
    BeforeReplaceHook hook = g_beforeReplace.load();
    if (ok && hook && !hook(path_)) {
        Fail(EIO);
        ok = false;
    }
    if (ok && ::rename(temp_.c_str(), path_.c_str()) != 0) {
        Fail(errno);
        ok = false;
    }
    if (!ok) ::unlink(temp_.c_str());
    ForgetTempFile(temp_);
    if (!ok) return false;
    // The rename itself reaches the disk with the folder; the file is in
    // place already, so a failure here changes nothing that can be undone.
    const std::size_t slash = path_.find_last_of(kPathSeparator);
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool ReplaceFileContents(const std::string& path, const void* data, std::size_t length,
                         int* error) {
    AtomicFileWriter writer(path);
    const bool ok = writer.Write(data, length) && writer.Commit();
    if (error) *error = ok ? 0 : writer.Error();
    return ok;
}

std::string FileErrorText(const std::string& path, int error) {
    return path + ": " + std::strerror(error != 0 ? error : EIO);
}

void SetBeforeReplaceHook(BeforeReplaceHook hook) {
    g_beforeReplace.store(hook);
}

}  // namespace platform
