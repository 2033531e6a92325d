// For the tests of a stop asked for on the UI thread while another thread
// waits there for a box.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/ui/ui.h"

namespace app_test {

// Waits (up to a minute) until something is posted to the UI thread;
// returns the posts pending.
inline int WaitForAPost() {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (platform::ui::PendingPostCount() == 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return platform::ui::PendingPostCount();
}

// Runs stop() here. Should it not return within ten seconds (a plain join
// waits for ever), a watchdog begins shut-down, which answers the box
// without showing it, so the test ends and its box count tells.
inline void StopUnderWatchdog(const std::function<void()>& stop) {
    std::mutex m;
    std::condition_variable stopped;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(m);
        if (!stopped.wait_for(lock, std::chrono::seconds(10), [&] { return done; }))
            platform::ui::BeginShutdown();
    });
    stop();
    {
        std::lock_guard<std::mutex> lock(m);
        done = true;
    }
    stopped.notify_all();
    watchdog.join();
}

}  // namespace app_test
