// Driving the style definition hub, its chooser and the mixer as a user:
// a fixture with the headless backend that gives WorkingStyle back as it
// was, and presses at the middle of a skin button of the top window.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/zaw_dialog.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

namespace style_hub {

inline void Press(platform::ui::HeadlessBackend& b, const ZAWDialog& d, int i) {
    const SkinButton& s = d.Button(i);
    b.Click((s.x1 + s.x2) / 2, (s.y1 + s.y2) / 2);
}

// The OK of the 288-high small dialogs.
inline void PressSmallOk(platform::ui::HeadlessBackend& b) {
    b.Click(322, 251);
}

inline std::string TopTitle(platform::ui::HeadlessBackend& b) {
    platform::ui::Window* w = b.TopWindow();
    return w ? w->Title() : std::string();
}

inline int BoxesWith(const std::string& text) {
    int n = 0;
    for (const std::string& t : testing_support::Sink().Texts())
        n += t.find(text) != std::string::npos ? 1 : 0;
    return n;
}

inline bool SameStyle(const MusicStyle& a, const MusicStyle& b) {
    return std::memcmp(&a, &b, sizeof(MusicStyle)) == 0;
}

class StyleHubTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        backend_ = std::make_shared<platform::ui::HeadlessBackend>();
        platform::ui::InstallBackend(backend_);
        ResetSkinBlitFailure();
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        platform::ui::InstallBackend(nullptr);
        WorkingStyle = saved_;
    }
    platform::ui::HeadlessBackend& B() { return *backend_; }
    std::shared_ptr<platform::ui::HeadlessBackend> backend_;
    MusicStyle saved_{};
};

}  // namespace style_hub
