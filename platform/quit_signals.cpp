#include "platform/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kQuitSignalCount = sizeof kQuitSignals / sizeof kQuitSignals[0];

// Only lock-free atomics may be touched from a handler.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> g_pending{0};
std::atomic<int> g_requested{0};
// The wake-up pipe: made once, kept for the life of the process.
std::atomic<int> g_readFd{-1};
std::atomic<int> g_writeFd{-1};

bool g_installed = false;
struct sigaction g_previous[kQuitSignalCount];

extern "C" void OnQuitSignal(int) {
    RequestQuit();
}

void MakeWakePipe() {
    if (g_readFd.load() >= 0) return;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return;
    g_writeFd.store(fds[1]);
    g_readFd.store(fds[0]);
}

}  // namespace

void InstallQuitSignalHandlers() {
    if (g_installed) return;
    MakeWakePipe();
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // Calls the other threads are blocked in go on after the handler.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kQuitSignalCount; ++i)
        sigaction(kQuitSignals[i], &action, &g_previous[i]);
    g_installed = true;
}

void RestoreQuitSignalHandlers() {
    if (!g_installed) return;
    for (int i = 0; i < kQuitSignalCount; ++i)
        sigaction(kQuitSignals[i], &g_previous[i], nullptr);
    g_installed = false;
    g_pending.store(0);
    g_requested.store(0);
    DrainQuitRequestFd();
}

void RequestQuit() {
    g_requested.store(1);
    g_pending.store(1);
    const int fd = g_writeFd.load();
    if (fd < 0) return;
    // A full pipe already wakes its reader, so the byte may be dropped; the
    // interrupted code's errno is kept.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    errno = savedErrno;
}

bool TakeQuitRequest() {
    return g_pending.exchange(0) != 0;
}

bool QuitRequested() {
    return g_requested.load() != 0;
}

int QuitRequestFd() {
    return g_readFd.load();
}

void DrainQuitRequestFd() {
    const int fd = g_readFd.load();
    if (fd < 0) return;
    char buffer[64];
    // Non-blocking: ends when the pipe is empty; bounded all the same.
    for (int i = 0; i < 1024 && read(fd, buffer, sizeof buffer) > 0; ++i) {
    }
}

}  // namespace platform
