// The whole application in a fresh program folder of its own, with the
// headless backend playing the user: the base of the panel tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/main_dlg.h"
#include "app/shell_seams.h"
#include "core/settings.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "play/midi_player.h"
#include "tests/support/test_support.h"

class PanelFixture : public ::testing::Test {
protected:
    // The timer thread's start and stop go to the hooks given.
    void StartFixture(std::function<void()> timerStart, std::function<void()> timerStop) {
        folder_ = testing_support::ScratchDir();
        platform::SetProgramDirectory(folder_);
        // Locks of this test only: tests run side by side.
        setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        backend_ = std::make_shared<platform::ui::HeadlessBackend>();
        platform::ui::InstallBackend(backend_);
        ComposingActive = 0;
        TuneInProgress = 0;
        PlayingActive = 0;
        StopPending = 0;
        ComposeStopRequest = 0;
        SetTimerThreadHooks(std::move(timerStart), std::move(timerStop));
    }
    void TearDown() override {
        SetTimerThreadHooks(nullptr, nullptr);
        platform::ui::InstallBackend(nullptr);
        platform::SetProgramDirectory("");
    }
    // Runs the whole program with one scripted user session.
    bool RunApplication(std::function<void(platform::ui::HeadlessBackend&, MainDlg&)> session,
                        std::vector<std::string> words = {}) {
        backend_->Then(
            [session](platform::ui::HeadlessBackend& d) { session(d, *MainWindow()); });
        ZawApplication app(std::move(words));
        return app.InitInstance();
    }

    std::string folder_;
    std::shared_ptr<platform::ui::HeadlessBackend> backend_;
};
