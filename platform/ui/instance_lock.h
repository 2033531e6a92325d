// Keeps a second copy of the program from running: an exclusive flock on a
// file named after the lock in $XDG_RUNTIME_DIR (else in the temporary
// folder, with the user id in the file's name, so each user has a lock).
// Each lock opens the file itself, so two locks conflict inside one process
// too.
#pragma once

#include <string>

namespace platform::ui {

class InstanceLock {
public:
    explicit InstanceLock(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool Acquired() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// The folder the lock files live in.
std::string InstanceLockFolder();
// The lock file of a name: "<name>.lock" in $XDG_RUNTIME_DIR, else
// "<name>-<uid>.lock" in the temporary folder.
std::string InstanceLockPath(const std::string& name);

}  // namespace platform::ui
