// "Tempo & Bars" on the working style, and the MIDI device choice over a
// scripted device list.
#include <gtest/gtest.h>

#include "app/device_selection_dialog.h"
#include "app/main_dlg.h"
#include "app/midi_device_selection.h"
#include "app/shell_seams.h"
#include "app/tempo_selection_dialog.h"
#include "compose/compose_control.h"
#include "core/output_formats.h"
#include "core/settings.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

class TempoDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedStyle_ = WorkingStyle;
        savedSettings_ = AppSettings;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        WorkingStyle = savedStyle_;
        AppSettings = savedSettings_;
    }
    // Opens the tempo dialog on this style, runs the user's step, then OK.
    void RunTempo(std::int32_t tempo, int bars,
                  std::function<void(HeadlessBackend&, Window&)> user) {
        WorkingStyle.tempo = tempo;
        WorkingStyle.tuneLength = bars;
        backend_->Then([user](HeadlessBackend& d) {
            user(d, *d.TopWindow());
            d.Click(322, 117);
        });
        TempoSelection dialog;
        dialog.DoModal();
    }

    std::shared_ptr<HeadlessBackend> backend_;
    MusicStyle savedStyle_;
    AppSettingsRecord savedSettings_;
};

std::string PresetName(Window& w) {
    const Control* combo = w.FindControl(kTempoPresetCombo);
    return combo->Items().at(combo->Selection()).text;
}

// A device list whose names fail from one id on.
class FailingNames : public platform::RecordingMidiOut {
public:
    FailingNames(int count, int failing, platform::MidiOutResult code)
        : RecordingMidiOut(count), failing_(failing), code_(code) {}
    platform::MidiOutResult DeviceName(int id, std::string* name) override {
        if (id >= failing_) return code_;
        return RecordingMidiOut::DeviceName(id, name);
    }

private:
    int failing_;
    platform::MidiOutResult code_;
};

}  // namespace

TEST_F(TempoDeviceTest, PresetsBpmStepsAndTheLength) {
    RunTempo(500000, 16, [](HeadlessBackend&, Window& w) {
        EXPECT_EQ(w.Title(), "Tempo & Bars");
        EXPECT_EQ(PresetName(w), "Very fast");
        EXPECT_EQ(w.FindControl(kTempoBpmEdit)->Text(), "120");
        EXPECT_EQ(w.FindControl(kTempoLengthEdit)->Text(), "32");
    });
    // 70 bpm on the arrows is 857000 microseconds: "Slow" when opened again.
    RunTempo(750000, 20, [](HeadlessBackend& d, Window& w) {
        d.Type(kTempoBpmEdit, "71");
        d.Step(kTempoBpmSpin, -1);
        EXPECT_EQ(PresetName(w), "Custom");
        EXPECT_EQ(WorkingStyle.tempo, 857000);
    });
    RunTempo(WorkingStyle.tempo, 20,
             [](HeadlessBackend&, Window& w) { EXPECT_EQ(PresetName(w), "Slow"); });
    RunTempo(750000, 20, [](HeadlessBackend& d, Window&) {
        d.Type(kTempoBpmEdit, "92");
        d.Step(kTempoBpmSpin, 1);
        d.Step(kTempoBpmSpin, -1);
    });
    EXPECT_EQ(WorkingStyle.tempo, 652000);
    EXPECT_EQ(TempoPreset(652000), 3);
    EXPECT_EQ(TempoPreset(800000), kCustomTempoPreset);
    // A preset sets tempo and bpm; bars change the length at once.
    RunTempo(800000, 16, [](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(PresetName(w), "Custom");
        d.Select(kTempoPresetCombo, 0);
        EXPECT_EQ(w.FindControl(kTempoBpmEdit)->Text(), "60");
        d.Step(kTempoBarsSpin, 4);
        EXPECT_EQ(w.FindControl(kTempoLengthEdit)->Text(), "80");
    });
    EXPECT_EQ(WorkingStyle.tempo, 1000000);
    EXPECT_EQ(WorkingStyle.tuneLength, 20);
}

TEST_F(TempoDeviceTest, ArrowsAtTheirEndsStoreInsideTheRange) {
    RunTempo(250000, 96, [](HeadlessBackend& d, Window&) {
        d.Step(kTempoBpmSpin, 1);
        d.Step(kTempoBarsSpin, 1);
    });
    EXPECT_EQ(WorkingStyle.tempo, TempoOfBpm(240));
    EXPECT_EQ(WorkingStyle.tuneLength, 96);
    RunTempo(2000000, 16, [](HeadlessBackend& d, Window&) {
        d.Step(kTempoBpmSpin, -1);
        d.Step(kTempoBarsSpin, -1);
    });
    EXPECT_EQ(WorkingStyle.tempo, TempoOfBpm(30));
    EXPECT_EQ(WorkingStyle.tuneLength, 16);
}

TEST_F(TempoDeviceTest, ATempoTooSmallToComputeWithOpensAs500000AndIsKept) {
    for (std::int32_t tempo : {0, 1, 999, -5}) {
        RunTempo(tempo, 16, [](HeadlessBackend&, Window& w) {
            EXPECT_EQ(w.FindControl(kTempoBpmEdit)->Text(), "120");
            EXPECT_EQ(w.FindControl(kTempoLengthEdit)->Text(), "32");
        });
        EXPECT_EQ(WorkingStyle.tempo, tempo);
    }
}

TEST_F(TempoDeviceTest, DeviceChoiceStoresTypeAndDevice) {
    testing_support::Midi().SetDevices({"Synth A", "Port B"});
    AppSettings.ComposeOutputType = 2;
    MidiOutDeviceId = -1;
    backend_->Then([](HeadlessBackend& d) {
        Window* w = d.TopWindow();
        EXPECT_EQ(w->Title(), "Device Selection");
        const Control* devices = w->FindControl(kDeviceSecondCombo);
        ASSERT_EQ(devices->Items().size(), 3u);
        EXPECT_EQ(devices->Items()[0].text, "MIDI MAPPER");
        EXPECT_EQ(devices->Selection(), 0);
        EXPECT_EQ(w->FindControl(kDeviceFirstCombo)->Selection(), 0);
        d.Select(kDeviceFirstCombo, 2);  // "MIDI XG (.mid)"
        d.Select(kDeviceSecondCombo, 2);
        d.Click(322, 117);
    });
    SelectMidiDevice();
    EXPECT_EQ(AppSettings.ComposeOutputType, 0);
    EXPECT_EQ(ComposeOutputType.load(), 0);
    EXPECT_EQ(MidiOutDeviceId.load(), 1);
    MidiOutDeviceId = -1;
}

TEST_F(TempoDeviceTest, OtherStoredTypesStartOnGm) {
    for (int type : {9, 10, 24, 99}) {
        AppSettings.ComposeOutputType = type;
        backend_->Then([](HeadlessBackend& d) {
            EXPECT_EQ(d.TopWindow()->FindControl(kDeviceFirstCombo)->Selection(), 0);
            d.Key(Key::Enter);
        });
        SelectMidiDevice();
        // OK maps the "MIDI GM (.mid)" shown back; nothing outside the list.
        EXPECT_EQ(AppSettings.ComposeOutputType, 2);
    }
    EXPECT_EQ(TypeOfTypeListRow(-1), -1);
    EXPECT_EQ(TypeOfTypeListRow(3), -1);
    EXPECT_EQ(FormatOf(24).typeListRow, 10);
    MidiOutDeviceId = -1;
}

TEST_F(TempoDeviceTest, AFailingDeviceNameShowsItsTextAndEndsTheList) {
    auto previous = platform::SetMidiOutSystem(
        std::make_shared<FailingNames>(3, 1, platform::MidiOutResult::NoDriver));
    backend_->Then([](HeadlessBackend& d) {
        EXPECT_EQ(d.TopWindow()->FindControl(kDeviceSecondCombo)->Items().size(), 2u);
        d.Key(Key::Enter);
    });
    SelectMidiDevice();
    platform::SetMidiOutSystem(previous);
    ASSERT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_EQ(testing_support::Sink().Texts()[0], "ドライバがインストールされていません。");
    // A failure on device 0 is listed without a box.
    previous = platform::SetMidiOutSystem(
        std::make_shared<FailingNames>(2, 0, platform::MidiOutResult::BadDeviceId));
    testing_support::Sink().Clear();
    backend_->Then([](HeadlessBackend& d) { d.Key(Key::Enter); });
    SelectMidiDevice();
    platform::SetMidiOutSystem(previous);
    EXPECT_EQ(testing_support::Sink().Count(), 1u);  // device 1 fails too
    EXPECT_STREQ(MidiDeviceErrorText(platform::MidiOutResult::Error), "");
    MidiOutDeviceId = -1;
}
