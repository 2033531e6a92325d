#include "app/posting_shell_services.h"

#include "platform/clock.h"
#include "platform/ui/ui.h"

PostingShellServices::PostingShellServices(std::shared_ptr<ShellServices> panel)
    : shared_(std::make_shared<Shared>()) {
    shared_->panel = std::move(panel);
}

void PostingShellServices::SetMainWindowTitle(const std::string& title) {
    {
        std::lock_guard<std::mutex> lock(shared_->titleMutex);
        shared_->title = title;
    }
    Forward(kTitle);
}

void PostingShellServices::RedrawPanel() {
    Forward(kRedraw);
}

void PostingShellServices::DrawStatus() {
    Forward(kStatus);
}

void PostingShellServices::BroadcastPaint() {
    Forward(kBroadcast);
}

void PostingShellServices::DisablePowerSaving() {
    Forward(kPower);
}

void PostingShellServices::SetWaitCursor(bool waiting) {
    if (platform::ui::IsUiThread()) {
        shared_->panel->SetWaitCursor(waiting);
        return;
    }
    platform::ui::PostToUi([shared = shared_, waiting] { shared->panel->SetWaitCursor(waiting); });
}

void PostingShellServices::Pause(int milliseconds) {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    const platform::Nanoseconds deadline = clock->Now() + std::chrono::milliseconds(milliseconds);
    if (!platform::ui::IsUiThread() || !platform::ui::HasBackend()) {
        clock->SleepUntil(deadline);
        return;
    }
    platform::ui::PumpWhile([&clock, deadline] { return clock->Now() < deadline; },
                            std::chrono::milliseconds(milliseconds));
}

void PostingShellServices::Forward(Kind kind) {
    if (platform::ui::IsUiThread()) {
        Run(*shared_, kind);
        return;
    }
    if (shared_->pending[kind].exchange(true)) return;
    platform::ui::PostToUi([shared = shared_, kind] {
        shared->pending[kind].store(false);
        Run(*shared, kind);
    });
}

void PostingShellServices::Run(Shared& shared, Kind kind) {
    switch (kind) {
        case kTitle: {
            std::string title;
            {
                std::lock_guard<std::mutex> lock(shared.titleMutex);
                title = shared.title;
            }
            shared.panel->SetMainWindowTitle(title);
            break;
        }
        case kRedraw:
            shared.panel->RedrawPanel();
            break;
        case kStatus:
            shared.panel->DrawStatus();
            break;
        case kBroadcast:
            shared.panel->BroadcastPaint();
            break;
        case kPower:
            shared.panel->DisablePowerSaving();
            break;
        case kKinds:
            break;
    }
}
