#include "platform/ui/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/paths.h"

namespace platform::ui {

namespace {

// $XDG_RUNTIME_DIR when it names a folder this user may write, else empty.
std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && IsFullPath(runtime) && access(runtime, W_OK) == 0) return runtime;
    return std::string();
}

}  // namespace

std::string InstanceLockFolder() {
    const std::string runtime = RuntimeFolder();
    return runtime.empty() ? TemporaryDirectory() : runtime;
}

std::string InstanceLockPath(const std::string& name) {
    const std::string runtime = RuntimeFolder();
    if (!runtime.empty()) return JoinPath(runtime, name + ".lock");
    // The temporary folder is shared by every user: the user id in the name
    // keeps another user's lock (a file this user cannot open) from refusing
    // this user's copy.
    return JoinPath(TemporaryDirectory(), name + "-" + std::to_string(getuid()) + ".lock");
}

InstanceLock::InstanceLock(const std::string& name) : path_(InstanceLockPath(name)) {
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return;
    }
    fd_ = fd;
}

InstanceLock::~InstanceLock() {
    // The file stays: removing it would let a third copy lock a new file
    // while a second still waits on the old one.
    if (fd_ >= 0) close(fd_);
}

}  // namespace platform::ui
