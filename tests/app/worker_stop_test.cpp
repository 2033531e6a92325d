// The quit's stop of the compose worker, on the UI thread, while the worker
// waits for a box posted there: the stop serves the box, then joins.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "app/main_dlg.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "platform/message_sink.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

namespace {

// Shows a box from the worker, then fails the allocation, so the worker
// shows "Memory Error!" too and ends its run.
struct BoxFirst : ComposeSteps {
    MemoryBlock AllocWorkBuffer() override {
        answer = platform::ShowBox(platform::BoxKind::Error, "no styles are selected!");
        return MemoryBlock();
    }
    std::atomic<int> answer{0};
};

TEST(WorkerStop, AStopOnTheUiThreadServesTheBoxTheWorkerWaitsFor) {
    static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
    (void)built;
    const AppSettingsRecord savedSettings = AppSettings;
    std::int32_t savedSelection[kStyleSelectionCount];
    std::memcpy(savedSelection, ComposeStyleSelection, sizeof savedSelection);
    AppSettings.ComposeOutputType = 2;
    ClearStyleSelections();
    ComposeStyleSelection[1] = 1;
    PanelMode = kPanelModeCompose;

    auto backend = std::make_shared<platform::ui::HeadlessBackend>();
    platform::ui::InstallBackend(backend);
    auto previousSink = platform::SetMessageSink(std::make_shared<platform::ui::UiMessageSink>());
    auto steps = std::make_shared<BoxFirst>();
    SetComposeSteps(steps);
    ASSERT_TRUE(StartComposeRun(1, false));
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (platform::ui::PendingPostCount() == 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ASSERT_EQ(platform::ui::PendingPostCount(), 1);

    // A plain join would wait for ever; the watchdog then begins shut-down,
    // which answers the box without showing it.
    std::mutex m;
    std::condition_variable stopped;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(m);
        if (!stopped.wait_for(lock, std::chrono::seconds(10), [&] { return done; }))
            platform::ui::BeginShutdown();
    });
    StopWorkerServingTheUi();
    {
        std::lock_guard<std::mutex> lock(m);
        done = true;
    }
    stopped.notify_all();
    watchdog.join();

    EXPECT_FALSE(ComposeWorkerRunning());
    EXPECT_EQ(backend->BoxesShown(), 2);
    EXPECT_EQ(steps->answer.load(), platform::kIdOk);
    SetComposeSteps(nullptr);
    platform::SetMessageSink(previousSink);
    platform::ui::InstallBackend(nullptr);
    AppSettings = savedSettings;
    std::memcpy(ComposeStyleSelection, savedSelection, sizeof savedSelection);
}

}  // namespace
