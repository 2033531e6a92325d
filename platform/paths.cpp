#include "platform/paths.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {
std::mutex g_pathMutex;
std::string g_programDirOverride;

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

bool ReplaceFileContents(const std::string& path, const void* data, std::size_t length) {
    std::string temp = path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < length) {
        ssize_t n = ::write(fd, bytes + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace platform
