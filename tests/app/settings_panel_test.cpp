// The settings opened from the panel's Setting region: the random-style tune
// length set three dialogs deep is the only byte of the saved settings that
// changes.
#include <cstring>

#include "app/number_box.h"
#include "compose/compose_control.h"
#include "play/midi_player.h"
#include "tests/app/panel_fixture.h"

using namespace platform::ui;

class SettingsPanelTest : public PanelFixture {
protected:
    void SetUp() override { StartFixture(nullptr, nullptr); }
};

TEST_F(SettingsPanelTest, TuneLengthFromTheSettingRegionIsSavedAlone) {
    AppSettingsRecord atStart{};
    const bool ok = RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        atStart = AppSettings;
        d.Then([](HeadlessBackend& s) { s.Click(233, 107); });  // "Function"
        d.Then([](HeadlessBackend& s) { s.Click(233, 56); });   // "Random Style"
        d.Then([](HeadlessBackend& s) { s.Click(84, 55); });    // "Tune Length"
        d.Then([](HeadlessBackend& s) {
            EXPECT_EQ(s.TopWindow()->Title(), "Tune Length");
            s.Type(kNumberBoxMainEdit, "40");
            s.Click(322, 117);
        });
        for (int i = 0; i < 3; ++i)
            d.Then([](HeadlessBackend& s) { s.Click(322, 117); });
        const Rect setting = panel.Holder(kRegionSetting)->Bounds();
        d.Click((setting.left + setting.right) / 2, (setting.top + setting.bottom) / 2);
        EXPECT_EQ(d.PendingSteps(), 0u);
        EXPECT_EQ(AppSettings.SettingsDialogValue, 40);
        d.Click(40, 175);  // Power
    });
    EXPECT_TRUE(ok);
    const std::string ini = testing_support::ReadFileText(platform::JoinPath(folder_, "zaw.ini"));
    ASSERT_GE(ini.size(), sizeof(AppSettingsRecord));
    std::vector<std::size_t> changed;
    const auto* before = reinterpret_cast<const unsigned char*>(&atStart);
    for (std::size_t i = 0; i < sizeof(AppSettingsRecord); ++i)
        if (static_cast<unsigned char>(ini[i]) != before[i]) changed.push_back(i);
    EXPECT_EQ(changed, (std::vector<std::size_t>{788}));
    std::int32_t length = 0;
    std::memcpy(&length, ini.data() + 788, 4);
    EXPECT_EQ(length, 40);
}
