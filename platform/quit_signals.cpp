#include "platform/quit_signals.h"

#include <signal.h>

#include <atomic>

namespace platform {

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kQuitSignalCount = sizeof kQuitSignals / sizeof kQuitSignals[0];

// Only lock-free atomics may be touched from a handler.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> g_pending{0};

bool g_installed = false;
struct sigaction g_previous[kQuitSignalCount];

extern "C" void OnQuitSignal(int) {
    g_pending.store(1);
}

}  // namespace

void InstallQuitSignalHandlers() {
    if (g_installed) return;
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
}

bool TakeQuitRequest() {
    return g_pending.exchange(0) != 0;
}

}  // namespace platform
