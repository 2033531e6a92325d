// The quit's stop of the compose worker, on the UI thread, while the worker
// waits for a box posted there: the stop serves the box, then joins.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "app/main_dlg.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "platform/message_sink.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/app/ui_stop_util.h"

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
    ASSERT_EQ(app_test::WaitForAPost(), 1);

    // A plain join would wait for ever.
    app_test::StopUnderWatchdog(StopWorkerServingTheUi);

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
