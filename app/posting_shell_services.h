// The shell services as the engine's threads reach them: a call from the UI
// thread goes straight to the panel's services; a call from any other thread
// is posted to the UI thread, and calls of one kind that pile up before the
// UI thread gets to them make one call (the compose worker's dots and status
// redraws would otherwise flood the queue). A title posted late carries the
// newest title.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "core/shell_services.h"

class PostingShellServices : public ShellServices {
public:
    explicit PostingShellServices(std::shared_ptr<ShellServices> panel);

    void SetMainWindowTitle(const std::string& title) override;
    void RedrawPanel() override;
    void DrawStatus() override;
    void BroadcastPaint() override;
    void DisablePowerSaving() override;
    // The cursor changes on the UI thread, in the order asked for.
    void SetWaitCursor(bool waiting) override;
    // On the UI thread the wait serves events and posts; elsewhere it sleeps.
    void Pause(int milliseconds) override;

private:
    enum Kind { kTitle, kRedraw, kStatus, kBroadcast, kPower, kKinds };
    // What the posts reach; held by them too, so a post that runs after this
    // object is gone still finds it.
    struct Shared {
        std::shared_ptr<ShellServices> panel;
        std::atomic<bool> pending[kKinds] = {};
        std::mutex titleMutex;
        std::string title;
    };
    // Runs the call now on the UI thread, else posts it unless one of its
    // kind is already waiting.
    void Forward(Kind kind);
    static void Run(Shared& shared, Kind kind);

    std::shared_ptr<Shared> shared_;
};
