// The channel selection and copyright dialogs driven as a user would, the
// Auto Adjust arithmetic, and the installed conversion dialogs called from a
// worker thread while the UI pumps, during shut-down, and over the panel.
#include "app/channel_select_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "app/copyright_dialog.h"
#include "app/text_input_dialog.h"
#include "app/ui_conversion_dialogs.h"
#include "compose/compose_control.h"
#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "play/music_player.h"
#include "tests/app/panel_fixture.h"
#include "tests/support/test_support.h"

using namespace platform::ui;
using testing_support::Sink;

namespace {

// A model of melodic slots, each one note per quarter over the measures, and
// optionally a drum slot with the program.
std::unique_ptr<MobileData> Model(int slots, int measures, int drumProgram = -1) {
    auto model = std::make_unique<MobileData>(0x60000);
    for (int s = 0; s < slots; ++s) {
        auto slot = std::make_unique<MobileChanelData>(s, MobileChanelData::kKindMelodic, 0);
        slot->AppendControl(0, mobile_code::kProgram, 8 * s);
        slot->AppendControl(0, mobile_code::kVolume, 100);
        for (int q = 0; q < 4 * measures; ++q)
            slot->AppendNote(q ? 96 : 0, 60 + s, 90, 80);
        slot->enabled = 1;
        model->AddSlot(std::move(slot));
    }
    if (drumProgram >= 0) {
        auto drum = std::make_unique<MobileChanelData>(9, MobileChanelData::kKindDrum, 0);
        drum->AppendControl(0, mobile_code::kProgram, drumProgram);
        drum->AppendNote(0, 36, 48, 100);
        drum->enabled = 1;
        model->AddSlot(std::move(drum));
    }
    return model;
}

Point Centre(const SkinButton& b) {
    return Point{(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
}

class ChannelDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
        FillInstrumentNames();
        Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        AppSettings = saved_;
        SetConversionDialogs(nullptr);
    }
    std::shared_ptr<HeadlessBackend> backend_;
    AppSettingsRecord saved_;
};

TEST_F(ChannelDialogTest, RangeOpensClampsAndIsChecked) {
    auto model = Model(2, 40);
    for (int loop : {0, 1}) {
        AppSettings.UseLoopMarker = loop;
        MobileDialogSelectChanel dialog;
        dialog.model = model.get();
        backend_->Then([&](HeadlessBackend& d) {
            auto* end = dialog.GetWindow().FindControl(kChannelEndEdit);
            ASSERT_NE(end, nullptr);
            EXPECT_EQ(end->Text(), loop ? "40" : "32");
            // Start 4, End 2: refused, the dialog stays.
            d.Type(kChannelStartEdit, "4");
            d.Type(kChannelEndEdit, "2");
            d.Click(Centre(dialog.Button(kChannelOkButton)).x, Centre(dialog.Button(kChannelOkButton)).y);
            EXPECT_TRUE(dialog.GetWindow().IsModal());
            EXPECT_NE(Sink().Texts().back().find("There is an error of start point!"), std::string::npos);
            // Start 3, End 2: equal ticks are accepted.
            d.Type(kChannelStartEdit, "3");
            d.Key(Key::Enter);
        });
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
        EXPECT_EQ(dialog.StartTick, 768);
        EXPECT_EQ(dialog.EndTick, 768);
    }
    // Typed measures outside 1..L are held to it.
    MobileDialogSelectChanel dialog;
    dialog.model = model.get();
    backend_->Then([&](HeadlessBackend& d) {
        d.Type(kChannelStartEdit, "0");
        d.Type(kChannelEndEdit, "99");
        d.Key(Key::Enter);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(dialog.StartTick, 0);
    EXPECT_EQ(dialog.EndTick, 40 * 384);
}

TEST_F(ChannelDialogTest, RowsShowTheModelAndOkWritesItBack) {
    auto model = Model(5, 2, 90);  // a drum program past the list
    model->Slot(4)->enabled = 0;
    MobileDialogSelectChanel dialog;
    dialog.model = model.get();
    dialog.VoiceLimit = 4;
    backend_->Then([&](HeadlessBackend& d) {
        Window& w = dialog.GetWindow();
        EXPECT_EQ(w.Title(), "Voice Selection");
        EXPECT_EQ(w.ClientSize(), (Size{644, 464}));
        EXPECT_EQ(w.FindControl(kChannelProgramId + 2)->Selection(), 16);
        EXPECT_EQ(w.FindControl(kChannelProgramId + 2)->Items().size(), 128u);
        EXPECT_EQ(w.FindControl(kChannelProgramId + 5)->Items().size(), 47u);
        EXPECT_EQ(w.FindControl(kChannelProgramId + 5)->Selection(), 0);
        EXPECT_EQ(w.FindControl(kChannelCheckId + 4)->Value(), 0);
        EXPECT_FALSE(w.FindControl(kChannelCheckId + 6)->IsEnabled());
        EXPECT_EQ(w.FindControl(kChannelCheckId + 13)->Bounds(), (Rect::FromSize(220, 59 + 27, 30, 22)));
        // A fifth checked row is too many for four voices (the drums are
        // the sixth row and checked too).
        d.Click(w.FindControl(kChannelCheckId + 4)->Bounds().left + 5,
                w.FindControl(kChannelCheckId + 4)->Bounds().top + 5);
        d.Key(Key::Enter);
        EXPECT_TRUE(w.IsModal());
        EXPECT_NE(Sink().Texts().back().find("More than voices selected"), std::string::npos);
        for (int row : {4, 5, 0})
            d.Click(w.FindControl(kChannelCheckId + row)->Bounds().left + 5,
                    w.FindControl(kChannelCheckId + row)->Bounds().top + 5);
        d.Select(kChannelProgramId + 1, 40);
        d.Type(kChannelVolumeEditId + 1, "77");
        d.Select(kChannelProgramId + 5, 3);
        d.Key(Key::Enter);
    });
    ASSERT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(model->Slot(0)->enabled, 0);
    EXPECT_EQ(model->Slot(4)->enabled, 0);
    EXPECT_EQ(model->Slot(5)->enabled, 0);
    EXPECT_EQ(model->Slot(1)->GetControlValue(mobile_code::kProgram), 40);
    EXPECT_EQ(model->Slot(1)->GetControlValue(mobile_code::kVolume), 77);
    EXPECT_EQ(model->Slot(5)->GetControlValue(mobile_code::kProgram), 38);
    EXPECT_EQ(dialog.EndTick, 2 * 384);
}

TEST(AutoAdjust, DoublesMelodyBassAndChordsAndSkipsSilentLevels) {
    EXPECT_EQ(DoubledProgram(0), 1);
    EXPECT_EQ(DoubledProgram(33), 32);
    EXPECT_EQ(DrumSelection(34), 0);
    EXPECT_EQ(DrumSelection(81), 46);
    // Melody high and single, bass low, chords of three notes.
    MobileData model(0x60000);
    auto add = [&](int number, int program, int velocity, std::vector<std::vector<int>> steps) {
        auto slot = std::make_unique<MobileChanelData>(number, MobileChanelData::kKindMelodic, 0);
        slot->AppendControl(0, mobile_code::kProgram, program);
        slot->AppendControl(0, mobile_code::kVolume, 80);
        int delta = 0;
        for (int bar = 0; bar < 8; ++bar)
            for (const auto& chord : steps) {
                for (std::size_t k = 0; k < chord.size(); ++k)
                    slot->AppendNote(k ? 0 : delta, chord[k] + bar % 2, 90, velocity);
                delta = 96;
            }
        slot->enabled = 1;
        model.AddSlot(std::move(slot));
    };
    add(0, 73, 100, {{72}, {74}, {76}, {79}});
    add(1, 33, 60, {{36}, {36}, {43}, {43}});
    add(2, 0, 80, {{60, 64, 67}, {60, 64, 67}, {59, 62, 67}, {59, 62, 67}});
    add(3, 48, 0, {{55}, {57}, {59}, {60}});  // silent: left as it is
    AutoAdjustModel(model);
    ASSERT_GE(model.Count(), 6);
    EXPECT_EQ(model.Slot(3)->GetMaxVelocity(), 0);
    EXPECT_EQ(model.Slot(0)->GetMaxVelocity(), 127);
    int loudest = 0;
    for (int i = 0; i < 4; ++i)
        loudest = std::max(loudest, model.Slot(i)->GetControlValue(mobile_code::kVolume));
    EXPECT_EQ(loudest, 127);
    std::set<int> numbers;
    for (int i = 0; i < model.Count(); ++i)
        EXPECT_TRUE(numbers.insert(model.Slot(i)->number).second) << "numbers stay distinct";
    // Each added slot copies an original one's notes.
    for (int i = 4; i < model.Count(); ++i) {
        const MobileChanelData& copy = *model.Slot(i);
        bool matched = false;
        for (int j = 0; j < 4; ++j) {
            const MobileChanelData& from = *model.Slot(j);
            if (from.Count() != copy.Count()) continue;
            matched = matched ||
                      (copy.GetControlValue(mobile_code::kProgram) ==
                           DoubledProgram(from.GetControlValue(mobile_code::kProgram)) &&
                       copy.GetControlValue(mobile_code::kVolume) ==
                           from.GetControlValue(mobile_code::kVolume) * 90 / 100);
        }
        EXPECT_TRUE(matched) << i;
    }
}

TEST_F(ChannelDialogTest, ListenPlaysTheRangeAndEndsOnTheUiThread) {
    auto model = Model(2, 4);
    MobileDialogSelectChanel dialog;
    dialog.model = model.get();
    std::mt19937 random(5);
    int cycles = 0;
    std::function<void(HeadlessBackend&)> step = [&](HeadlessBackend& d) {
        const Point listen = Centre(dialog.Button(kChannelListenButton));
        d.Click(listen.x, listen.y);
        if (random() % 2) d.Click(listen.x, listen.y);  // stop again at once
        ++cycles;
        if (cycles < 50) {
            d.Then(step);
            return;
        }
        d.Key(Key::Enter);
    };
    testing_support::Midi().Clear();
    backend_->Then(step);
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(cycles, 50);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!TheMusicPlayer.idle.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    backend_->Pump();
    EXPECT_EQ(ListenActive.load(), 0);
    EXPECT_FALSE(testing_support::Midi().Messages().empty());
}

TEST_F(ChannelDialogTest, WorkerConversionsAskOnTheUiThreadAndNotDuringShutdown) {
    InstallConversionDialogs();
    auto model = Model(3, 4);
    ChannelRange range;
    bool onUi = false;
    backend_->Then([&](HeadlessBackend& d) {
        onUi = IsUiThread();
        d.Type(kChannelEndEdit, "2");
        d.Key(Key::Enter);
    });
    std::thread worker([&] {
        ChannelChoice choice;
        choice.model = model.get();
        range = GetConversionDialogs()->ChooseChannels(choice);
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!range.accepted && std::chrono::steady_clock::now() < until)
        PumpOnce(5);
    worker.join();
    EXPECT_TRUE(onUi);
    EXPECT_TRUE(range.accepted);
    EXPECT_EQ(range.endTick, 2 * 384);

    BeginShutdown();
    ChannelRange late{true, 1, 1};
    std::thread second([&] {
        ChannelChoice choice;
        choice.model = model.get();
        late = GetConversionDialogs()->ChooseChannels(choice);
    });
    second.join();
    EXPECT_FALSE(late.accepted);
    EXPECT_FALSE(GetConversionDialogs()->AskCopyright(*model));
    EXPECT_EQ(backend_->PendingSteps(), 0u);
}

TEST_F(ChannelDialogTest, CopyrightDialogShowsAndStoresTheTexts) {
    std::strcpy(AppSettings.UserName, "ZAW User");
    MobileData model(16);
    model.title = Utf8ToCp932("着メロ");
    ASSERT_EQ(model.title, "\x92\x85\x83\x81\x83\x8D");
    CopyrightSelection dialog;
    dialog.model = &model;
    backend_->Then([&](HeadlessBackend& d) {
        Window& w = dialog.GetWindow();
        EXPECT_EQ(w.Title(), "Copyright Information");
        EXPECT_EQ(w.FindControl(kCopyrightTitleEdit)->Text(), "着メロ");
        EXPECT_EQ(w.FindControl(kCopyrightEdit)->Text(), "ZAW User");
        // Letters the ringtone cannot hold are named, each once, before
        // anything is written; the dialog stays open for another text.
        d.Type(kCopyrightEdit, "Grüße © 2026 日本の歌 ½ € ü");
        d.Key(Key::Enter);
        EXPECT_TRUE(w.IsModal());
        ASSERT_EQ(Sink().Count(), 1u);
        EXPECT_NE(Sink().Texts()[0].find(": ü ß © ½ €\n"), std::string::npos) << Sink().Texts()[0];
        EXPECT_EQ(model.copyright, "No Copyright Info");
        EXPECT_STREQ(AppSettings.UserName, "ZAW User");
        d.Type(kCopyrightEdit, "作曲 日本の歌");
        d.Key(Key::Enter);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(model.copyright, "\x8d\xec\x8b\xc8 \x93\xfa\x96\x7b\x82\xcc\x89\xcc(ZAW User)");
    EXPECT_STREQ(AppSettings.UserName, "\x8d\xec\x8b\xc8 \x93\xfa\x96\x7b\x82\xcc\x89\xcc");
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a?");
}

// A conversion started from the panel asks its questions centred over it:
// the panel is 400 x 210 at (320, 240), its middle at (520, 345).
class ConversionOverPanelTest : public PanelFixture {
protected:
    void SetUp() override { StartFixture(nullptr, nullptr); }
};

TEST_F(ConversionOverPanelTest, QuestionsOpenCentredOverThePanel) {
    auto model = Model(3, 4);
    const std::string mail = testing_support::ScratchDir() + "/mail.txt";
    testing_support::WriteFileText(mail, "--B:M\r\nbWVsbw==");
    std::vector<std::string> opened;
    auto look = [&](HeadlessBackend& d) {
        const Window& w = *d.TopWindow();
        opened.push_back(w.Title() + " at " +
                         std::to_string(w.Position().x + w.ClientSize().width / 2) + "," +
                         std::to_string(w.Position().y + w.ClientSize().height / 2));
        d.TopWindow()->EndModal(platform::kIdCancel);
    };
    const bool ok = RunApplication([&](HeadlessBackend& d, MainDlg&) {
        d.Then(look);
        ChannelChoice choice;
        choice.model = model.get();
        GetConversionDialogs()->ChooseChannels(choice);
        d.Then(look);
        GetConversionDialogs()->AskCopyright(*model);
        d.Then(look);
        GetConversionDialogs()->ShowMelodyMailText(mail);
        d.Click(40, 175);  // Power
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(opened, (std::vector<std::string>{"Voice Selection at 520,345",
                                                "Copyright Information at 520,345",
                                                std::string(kMelodyMailCaption) + " at 520,345"}));
}

}  // namespace
