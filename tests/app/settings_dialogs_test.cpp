// The settings pages and the small value dialogs driven as a user would:
// clicks on the skin buttons, Enter and Esc, arrow steps, list choices and
// scripted answers to the folder chooser, nested dialogs and boxes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <set>

#include "app/compose_setting_dialog.h"
#include "app/convert_algo_dialog.h"
#include "app/convert_setting_dialog.h"
#include "app/device_selection_dialog.h"
#include "app/display_setting_dialog.h"
#include "app/edit_setting_dialog.h"
#include "app/function_setting_dialog.h"
#include "app/holder_selection_dialog.h"
#include "app/number_box.h"
#include "app/ringtone_setting_dialog.h"
#include "app/shell_seams.h"
#include "app/system_setting_dialog.h"
#include "app/terminal_selection_dialog.h"
#include "app/tune_name_dialog.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

constexpr Point kOk{322, 117};
constexpr Point kGrid[5] = {{322, 117}, {84, 55}, {233, 56}, {83, 105}, {233, 107}};

using Record = std::array<unsigned char, sizeof(AppSettingsRecord)>;

Record Bytes() {
    Record r{};
    std::memcpy(r.data(), &AppSettings, r.size());
    return r;
}

// Offsets of the bytes that differ between two records.
std::set<std::size_t> Changed(const Record& a, const Record& b) {
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) out.insert(i);
    return out;
}

void ClickAt(HeadlessBackend& d, Point p) {
    d.Click(p.x, p.y);
}

class SettingsDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        AppSettings = saved_;
    }
    // Queues one step for the dialog that waits next.
    void Then(std::function<void(HeadlessBackend&)> step) { backend_->Then(std::move(step)); }

    std::shared_ptr<HeadlessBackend> backend_;
    AppSettingsRecord saved_;
};

}  // namespace

TEST_F(SettingsDialogsTest, RandomStyleLengthThroughTheHubs) {
    AppSettings.SettingsDialogValue = 24;
    const Record before = Bytes();
    Then([](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->Title(), "Common Setting");
        ClickAt(d, kGrid[4]);
    });
    Then([](HeadlessBackend& d) { ClickAt(d, kGrid[2]); });  // "Random Style"
    Then([](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->Title(), "Random Style Setting");
        ClickAt(d, kGrid[1]);  // "Tune Length"
    });
    Then([](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->Title(), "Tune Length");
        EXPECT_EQ(d.TopWindow()->FindControl(kNumberBoxMainEdit)->Text(), "24");
        d.Type(kNumberBoxMainEdit, "40");
        ClickAt(d, kOk);
    });
    for (int i = 0; i < 3; ++i)
        Then([](HeadlessBackend& d) { ClickAt(d, kOk); });
    OpenSystemSetting(nullptr);
    EXPECT_EQ(AppSettings.SettingsDialogValue, 40);
    EXPECT_EQ(Changed(before, Bytes()), (std::set<std::size_t>{788}));
    EXPECT_EQ(backend_->PendingSteps(), 0u);
}

TEST_F(SettingsDialogsTest, DeviceSelectionOpensCentredOverCommonSetting) {
    const int device = MidiOutDeviceId.load();
    Window owner;
    owner.SetClientSize(Size{644, 464});
    owner.Move(Point{300, 200});
    auto centre = [](const Window& w) {
        return Point{w.Position().x + w.ClientSize().width / 2,
                     w.Position().y + w.ClientSize().height / 2};
    };
    Point page{};
    Then([&](HeadlessBackend& d) {
        page = centre(*d.TopWindow());
        ClickAt(d, kGrid[2]);  // "Midi Device"
    });
    Then([&](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->Title(), "Device Selection");
        EXPECT_EQ(centre(*d.TopWindow()), page);
        d.Key(Key::Esc);
    });
    Then([](HeadlessBackend& d) { ClickAt(d, kOk); });
    OpenSystemSetting(&owner);
    EXPECT_EQ(page, centre(owner));
    EXPECT_EQ(backend_->PendingSteps(), 0u);
    MidiOutDeviceId = device;
}

TEST_F(SettingsDialogsTest, RandomStyleLengthStopsAtItsEnds) {
    for (const auto& [typed, steps, stored] :
         {std::tuple{"20", -10, 16}, std::tuple{"90", 10, 96}, std::tuple{"500", 0, 96},
          std::tuple{"99999999999", 0, 96}, std::tuple{"-99999999999", 0, 16}}) {
        AppSettings.SettingsDialogValue = 24;
        Then([](HeadlessBackend& d) { ClickAt(d, kGrid[1]); });
        Then([t = std::string(typed), s = steps](HeadlessBackend& d) {
            d.Type(kNumberBoxMainEdit, t);
            for (int i = 0; i < std::abs(s); ++i)
                d.Step(kNumberBoxMainSpin, s > 0 ? 1 : -1);
            ClickAt(d, kOk);
        });
        Then([](HeadlessBackend& d) { ClickAt(d, kOk); });
        EditSetting page;
        page.DoModal();
        EXPECT_EQ(AppSettings.SettingsDialogValue, stored) << typed;
    }
}

TEST_F(SettingsDialogsTest, WatermarkOnAsksForNineteenCharactersOffKeepsTheText) {
    AppSettings.WatermarkEnabled = 0;
    std::strcpy(AppSettings.WatermarkText, "old");
    Then([](HeadlessBackend& d) { ClickAt(d, kGrid[4]); });
    Then([](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->Title(), "Tune Name");
        EXPECT_EQ(d.TopWindow()->FindControl(kTuneNameEdit)->Text(), "old");
        d.Type(kTuneNameEdit, "abcdefghijklmnopqrstuvwxyz0123");  // 30 characters
        d.Key(Key::Enter);
    });
    Then([](HeadlessBackend& d) { ClickAt(d, kOk); });
    {
        ConvertSetting page;
        page.DoModal();
    }
    EXPECT_EQ(AppSettings.WatermarkEnabled, 1);
    EXPECT_STREQ(AppSettings.WatermarkText, "abcdefghijklmnopqrs");

    // Switched off: no text box, the text stays.
    Then([](HeadlessBackend& d) {
        ClickAt(d, kGrid[4]);
        EXPECT_EQ(d.TopWindow()->Title(), "Convert Setting");
        ClickAt(d, kOk);
    });
    {
        ConvertSetting page;
        page.DoModal();
    }
    EXPECT_EQ(AppSettings.WatermarkEnabled, 0);
    EXPECT_STREQ(AppSettings.WatermarkText, "abcdefghijklmnopqrs");
    EXPECT_EQ(FirstCharacters("日本語のテキスト", 3), "日本語");
}

TEST_F(SettingsDialogsTest, RingtoneTerminalAndLimitAreStored) {
    AppSettings.TerminalIndex = 0;
    AppSettings.RingtoneSizeLimit = 18000;
    const Record before = Bytes();
    Then([](HeadlessBackend& d) { ClickAt(d, kGrid[3]); });
    Then([](HeadlessBackend& d) {
        Window* w = d.TopWindow();
        EXPECT_EQ(w->Title(), "Terminal");
        EXPECT_EQ(w->FindControl(kTerminalLimitEdit)->Text(), "18000");
        d.Select(kTerminalCombo, 3);
        d.Type(kTerminalLimitEdit, "12345");
        ClickAt(d, kOk);
    });
    Then([](HeadlessBackend& d) { ClickAt(d, kOk); });
    RingtoneSetting page;
    page.DoModal();
    EXPECT_EQ(AppSettings.TerminalIndex, 3);
    EXPECT_EQ(AppSettings.RingtoneSizeLimit, 12345);
    EXPECT_EQ(Changed(before, Bytes()), (std::set<std::size_t>{1076, 1077, 1400}));
}

TEST_F(SettingsDialogsTest, TerminalChoiceStartsOnTheFirstAndSuggestsNinetyPercent) {
    TerminalTable table;
    int row9999 = -1;
    for (int r = 0; r < table.Count() && row9999 < 0; ++r)
        if (table.GetByteLimit(r) == 9999) row9999 = r;
    ASSERT_GE(row9999, 0);
    for (int start : {52, 99, -1}) {
        CTerminalSelectionDlg dlg;
        dlg.title = "Terminal";
        dlg.numberMinimum = 1000;
        dlg.numberMaximum = 30000;
        dlg.numberValue = 40000;  // outside the range: held to it
        dlg.terminalIndex = start;
        Then([&](HeadlessBackend& d) {
            Window* w = d.TopWindow();
            EXPECT_EQ(w->FindControl(kTerminalCombo)->Selection(), 0);
            EXPECT_EQ(w->FindControl(kTerminalInfo)->Text(), TerminalInfoLines(table, 0));
            d.Select(kTerminalCombo, row9999);
            EXPECT_EQ(w->FindControl(kTerminalLimitEdit)->Text(), "8999");
            EXPECT_EQ(w->FindControl(kTerminalInfo)->Text(), TerminalInfoLines(table, row9999));
            d.Key(Key::Esc);
            EXPECT_TRUE(w->IsModal());
            ClickAt(d, kOk);
        });
        dlg.DoModal();
        EXPECT_EQ(dlg.terminalIndex, row9999);
        EXPECT_EQ(dlg.numberValue, 8999);
    }
    EXPECT_EQ(SuggestedByteLimit(99999), 89999);
    EXPECT_EQ(TerminalInfoLines(table, 0).find('\r'), std::string::npos);
    EXPECT_NE(TerminalInfoLines(table, 0).find("Foma N Fm 50"), std::string::npos);
}

TEST_F(SettingsDialogsTest, FoldersGetOneSlashCancelKeepsTheOld) {
    auto& chooser = testing_support::Chooser();
    std::strcpy(AppSettings.WorkFolder, "/old/");
    chooser.QueueFolder("/tmp/work");
    chooser.QueueCancel();
    chooser.QueueFolder("/tmp/out/");
    Then([](HeadlessBackend& d) {
        ClickAt(d, kGrid[3]);
        EXPECT_STREQ(AppSettings.WorkFolder, "/tmp/work/");
        ClickAt(d, kGrid[3]);
        EXPECT_STREQ(AppSettings.WorkFolder, "/tmp/work/");
        ClickAt(d, kGrid[2]);
        EXPECT_STREQ(AppSettings.OutputFolder, "/tmp/out/");
        ClickAt(d, kOk);
    });
    HolderSelection page;
    page.DoModal();
    auto requests = chooser.FolderRequests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.back().title, "Select a Folder!");
}

TEST_F(SettingsDialogsTest, FontPickerLargeWarnsStandardDoesNot) {
    for (int choice : {1, 0}) {
        testing_support::Sink().Clear();
        Then([](HeadlessBackend& d) { ClickAt(d, kGrid[4]); });
        Then([choice](HeadlessBackend& d) {
            Window* w = d.TopWindow();
            EXPECT_EQ(w->Title(), "Font Size");
            EXPECT_FALSE(w->FindControl(kDeviceSecondCombo)->IsVisible());
            d.Select(kDeviceFirstCombo, choice);
            ClickAt(d, kOk);
        });
        Then([](HeadlessBackend& d) { ClickAt(d, kOk); });
        DisplaySetting page;
        page.DoModal();
        EXPECT_EQ(AppSettings.LargeFont, choice);
        EXPECT_EQ(testing_support::Sink().Count(), choice == 1 ? 1u : 0u);
        if (choice == 1) {
            EXPECT_EQ(testing_support::Sink().Texts()[0],
                      "Text may not fit into display area with large font.");
        }
    }
}

TEST_F(SettingsDialogsTest, OneListPickerLeavesTheSecondValueAndOutsidePresetsStartFirst) {
    PickerTitle = "Pick";
    PickerFirstTexts = {"a", "b", "c"};
    PickerFirstCount = 3;
    PickerFirstIndex = 7;
    PickerSecondValue = 1234;
    Then([](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->FindControl(kDeviceFirstCombo)->Selection(), 0);
        d.Key(Key::Esc);
        d.Select(kDeviceFirstCombo, 2);
        d.Key(Key::Enter);
    });
    const int beeps = backend_->Beeps();
    DeviceSelection picker;
    picker.mode = 1;
    picker.DoModal();
    EXPECT_EQ(PickerFirstIndex, 2);
    EXPECT_EQ(PickerSecondValue, 1234);
    EXPECT_EQ(backend_->Beeps(), beeps + 1);
    EXPECT_EQ(PresetIndex(3, 3), 0);
    EXPECT_EQ(PresetIndex(0, 0), -1);
}

// Seeded random clicks on the pure toggles of each page, then OK: exactly the
// settings toggled an odd number of times change, and no other byte.
TEST_F(SettingsDialogsTest, TogglePagesChangeExactlyTheOddlyToggledFields) {
    struct Page {
        std::function<void()> run;
        std::vector<std::size_t> offsets;  // of the fields behind buttons 1..
    };
    const Page pages[] = {
        {[] {
             ComposeSetting p;
             p.DoModal();
         },
         {4, 792, 1116, 0}},  // 4: no setting
        {[] {
             ConvertSetting p;
             p.DoModal();
         },
         {16, 1088, 796}},
        {[] {
             DisplaySetting p;
             p.DoModal();
         },
         {8, 800, 808}},
        {[] {
             RingtoneSetting p;
             p.DoModal();
         },
         {816, 812}},
        {[] {
             ConvertAlgoSetting p;
             p.DoModal();
         },
         {1112, 1380, 1384, 1388}},
        {[] {
             EditSetting p;
             p.DoModal();
         },
         {0, 12}},  // button 1 asks a number
    };
    std::mt19937 random(40);
    for (const Page& page : pages) {
        for (int round = 0; round < 8; ++round) {
            const Record before = Bytes();
            std::vector<int> counts(page.offsets.size(), 0);
            Then([&](HeadlessBackend& d) {
                const int clicks = static_cast<int>(random() % 9);
                for (int c = 0; c < clicks; ++c) {
                    const int button = 1 + static_cast<int>(random() % page.offsets.size());
                    if (page.offsets[button - 1] == 0) continue;  // no toggle there
                    ++counts[button - 1];
                    ClickAt(d, kGrid[button]);
                }
                d.Key(Key::Esc);  // only beeps
                ClickAt(d, kOk);
            });
            page.run();
            std::set<std::size_t> expected;
            for (std::size_t i = 0; i < counts.size(); ++i)
                if (counts[i] % 2 == 1) expected.insert(page.offsets[i]);
            std::set<std::size_t> starts;
            for (std::size_t offset : Changed(before, Bytes()))
                starts.insert(offset & ~3u);
            EXPECT_EQ(starts, expected);
            for (std::size_t offset : expected) {
                std::int32_t was = 0;
                std::int32_t now = 0;
                std::memcpy(&was, before.data() + offset, 4);
                std::memcpy(&now, Bytes().data() + offset, 4);
                EXPECT_EQ(now, was != 0 ? 0 : 1) << offset;
            }
        }
    }
}

TEST_F(SettingsDialogsTest, ComposeSettingOkAloneKeepsItsSettings) {
    AppSettings.StartAt2ndBar = 1;
    AppSettings.DontPlay = 0;
    AppSettings.UseGroupInstruments = 1;
    const Record before = Bytes();
    Then([](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->ClientSize(), (Size{346, 144}));
        ClickAt(d, kOk);
    });
    ComposeSetting page;
    page.DoModal();
    EXPECT_TRUE(Changed(before, Bytes()).empty());
}

TEST_F(SettingsDialogsTest, EscAndTheCloseBoxOnlyBeepInEveryPage) {
    const std::vector<std::function<void()>> pages = {
        [] {
            SystemSetting p;
            p.DoModal();
        },
        [] {
            FunctionSetting p;
            p.DoModal();
        },
        [] {
            HolderSelection p;
            p.DoModal();
        },
        [] {
            ComposeSetting p;
            p.DoModal();
        },
        [] {
            ConvertSetting p;
            p.DoModal();
        },
        [] {
            DisplaySetting p;
            p.DoModal();
        },
        [] {
            RingtoneSetting p;
            p.DoModal();
        },
        [] {
            ConvertAlgoSetting p;
            p.DoModal();
        },
        [] {
            EditSetting p;
            p.DoModal();
        },
        [] {
            TuneName p;
            p.DoModal();
        },
        [] {
            CTerminalSelectionDlg p;
            p.DoModal();
        },
    };
    const Record before = Bytes();
    for (const auto& run : pages) {
        Then([](HeadlessBackend& d) {
            Window* w = d.TopWindow();
            const int beeps = d.Beeps();
            d.Key(Key::Esc);
            d.Close();
            EXPECT_EQ(d.Beeps(), beeps + 2) << w->Title();
            EXPECT_TRUE(w->IsModal());
            EXPECT_EQ(d.TopWindow(), w);
            ClickAt(d, kOk);
        });
        run();
    }
    EXPECT_TRUE(Changed(before, Bytes()).empty());
}
