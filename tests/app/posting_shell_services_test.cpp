// The shell services reached from the compose worker: every call lands on
// the UI thread, calls piled up make one, and the newest title wins.
#include "app/posting_shell_services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"

namespace {

// Notes the thread of every call besides recording it.
class UiCheckingServices : public RecordingShellServices {
public:
    void SetMainWindowTitle(const std::string& title) override {
        offUi += !platform::ui::IsUiThread();
        RecordingShellServices::SetMainWindowTitle(title);
    }
    void DrawStatus() override {
        offUi += !platform::ui::IsUiThread();
        RecordingShellServices::DrawStatus();
    }
    void RedrawPanel() override {
        offUi += !platform::ui::IsUiThread();
        RecordingShellServices::RedrawPanel();
    }
    int offUi = 0;
};

TEST(PostingShellServices, WorkerCallsReachTheUiThreadCoalesced) {
    auto backend = std::make_shared<platform::ui::HeadlessBackend>();
    platform::ui::InstallBackend(backend);
    auto panel = std::make_shared<UiCheckingServices>();
    PostingShellServices services(panel);
    std::thread worker([&] {
        for (int i = 0; i < 1000; ++i)
            services.DrawStatus();
        services.SetMainWindowTitle("[00] Pop");
        services.SetMainWindowTitle("[01] Rock");
        services.RedrawPanel();
    });
    worker.join();
    EXPECT_EQ(panel->Requests().size(), 0u);  // nothing ran off the UI thread
    EXPECT_EQ(platform::ui::PendingPostCount(), 3);
    backend->Pump();
    EXPECT_EQ(panel->offUi, 0);
    EXPECT_EQ(panel->Count(RecordingShellServices::Kind::DrawStatus), 1);
    EXPECT_EQ(panel->Count(RecordingShellServices::Kind::Title), 1);
    EXPECT_EQ(panel->LastTitle(), "[01] Rock");
    EXPECT_EQ(panel->Count(RecordingShellServices::Kind::RedrawPanel), 1);
    // After the posts ran, a worker's call posts again; on the UI thread a
    // call runs at once, so a long UI-thread operation still shows progress.
    std::thread([&] { services.DrawStatus(); }).join();
    services.DrawStatus();
    EXPECT_EQ(panel->Count(RecordingShellServices::Kind::DrawStatus), 2);
    backend->Pump();
    EXPECT_EQ(panel->Count(RecordingShellServices::Kind::DrawStatus), 3);
    platform::ui::InstallBackend(nullptr);
}

TEST(PostingShellServices, PausesOnTheUiThreadServeAWorkersBoxAndCursor) {
    auto backend = std::make_shared<platform::ui::HeadlessBackend>();
    platform::ui::InstallBackend(backend);
    auto panel = std::make_shared<UiCheckingServices>();
    PostingShellServices services(panel);
    platform::ui::UiMessageSink boxes;
    std::atomic<int> answer{0};
    std::thread worker([&] {
        services.SetWaitCursor(true);
        answer = boxes.Show(platform::BoxKind::Error, "from the worker");
    });
    // The worker now waits for the UI thread to show its box.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (platform::ui::PendingPostCount() < 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    const auto start = platform::GetClock()->Now();
    services.Pause(1000);
    EXPECT_GE(platform::GetClock()->Now() - start, std::chrono::milliseconds(1000));
    // Answered during the pause (the worker may take a moment to see it).
    const auto answered = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (answer.load() == 0 && std::chrono::steady_clock::now() < answered)
        std::this_thread::yield();
    EXPECT_EQ(answer.load(), platform::kIdOk);
    if (answer.load() == 0) backend->Pump();  // releases the worker
    worker.join();
    EXPECT_EQ(panel->Count(RecordingShellServices::Kind::WaitCursorOn), 1);
    // The pause itself is the shell's: not passed to the panel.
    EXPECT_EQ(panel->Count(RecordingShellServices::Kind::Pause), 0);
    platform::ui::InstallBackend(nullptr);
}

}  // namespace
