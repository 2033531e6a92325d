#include "platform/paths.h"

#include <limits.h>
#include <unistd.h>
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

}  // namespace platform
