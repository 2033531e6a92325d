// Keeps a second copy of the program from running: an exclusive flock on a
// file named after the lock in $XDG_RUNTIME_DIR (else the temporary folder).
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

}  // namespace platform::ui
