#include "platform/ui/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/paths.h"

namespace platform::ui {

std::string InstanceLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && IsFullPath(runtime) && access(runtime, W_OK) == 0) return runtime;
    return TemporaryDirectory();
}

InstanceLock::InstanceLock(const std::string& name)
    : path_(JoinPath(InstanceLockFolder(), name + ".lock")) {
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
