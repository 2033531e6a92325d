// The panel driven headless through the whole application: Next and
// Previous stop at 99 and 0 in the tune number itself, the output name and
// the saved settings; Quit has stopped the timer thread before the panel's
// modal loop ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/main_dlg.h"
#include "app/shell_seams.h"
#include "app/timer_thread.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "play/midi_player.h"
#include "tests/app/panel_fixture.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

class PanelLimits : public PanelFixture {
protected:
    void SetUp() override { StartFixture(StartTimerThread, StopTimerThread); }
    void TearDown() override {
        StopTimerThread();
        PanelFixture::TearDown();
    }
    bool Run(std::function<void(HeadlessBackend&, MainDlg&)> session) {
        return RunApplication(std::move(session));
    }
    int SavedTuneNumber() const {
        const std::string ini =
            testing_support::ReadFileText(platform::JoinPath(folder_, "zaw.ini"));
        EXPECT_EQ(ini.size(), 3132u);
        std::int32_t tune = -1;
        if (ini.size() >= 808) std::memcpy(&tune, ini.data() + 804, 4);
        return tune;
    }

};

constexpr int kNextX = 340, kPreviousX = 120, kButtonsY = 180;

TEST_F(PanelLimits, NextStopsAt99AndPreviousAt0InTheNumberTheNameAndTheFile) {
    ASSERT_TRUE(Run([&](HeadlessBackend& d, MainDlg&) {
        for (int i = 0; i < 3; ++i)
            d.Click(kPreviousX, kButtonsY);
        EXPECT_EQ(AppSettings.TuneNumber, 0);
        EXPECT_EQ(OutputFileName.Get(), "MYMIDI00.MID");
        for (int i = 0; i < 120; ++i)
            d.Click(kNextX, kButtonsY);
        EXPECT_EQ(AppSettings.TuneNumber, 99);
        EXPECT_EQ(OutputFileName.Get(), "MYMIDI99.MID");
        EXPECT_EQ(ResultText.Get(), "Output file is mymidi99");
        d.Click(40, 175);  // Power
    }));
    EXPECT_EQ(SavedTuneNumber(), 99);
}

// The quit protocol stops the timer itself: at the moment the panel's modal
// loop ends (right after the Power click, before the panel saves the
// settings and the application tears down) the thread has ended.
TEST_F(PanelLimits, QuitHasStoppedTheTimerWhenTheModalLoopEnds) {
    bool ranDuringSession = false;
    bool runningWhenLoopEnds = true;
    ASSERT_TRUE(Run([&](HeadlessBackend& d, MainDlg& panel) {
        ranDuringSession = TimerThreadRunning();
        d.Click(40, 175);  // Power: the quit asks the modal loop to end
        EXPECT_TRUE(panel.GetWindow().IsModal());
        runningWhenLoopEnds = TimerThreadRunning();
    }));
    EXPECT_TRUE(ranDuringSession);
    EXPECT_FALSE(runningWhenLoopEnds);
}

}  // namespace
