// "Chanel Roles" driven as a user would through the headless backend: what
// it opens with, OK refused for two melodies, the bar range of OK, a channel
// previewed alone, the range played and the dialog closed while it plays.
#include "app/channel_role_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "compose/compose_control.h"
#include "compose/tune_structure.h"
#include "platform/clock.h"
#include "midi/f0_data.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

// Twelve bars at 96 ticks a quarter: a melody on channel 0, block chords on
// channel 1, a bass on channel 2 and drums on channel 9.
std::unique_ptr<MidiF0Data> Song() {
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    MidiTrackData& t = *song->Track();
    for (int b = 0; b < 12; ++b) {
        for (int q = 0; q < 4; ++q) {
            t.AddNote(0, q == 0 && b > 0 ? 0 : (q == 0 ? 0 : 96), 72 + q, 100, 90);
            if (q == 0) {
                for (int k : {0, 4, 7})
                    t.AddNote(1, 0, 60 + k, 80, 380);
                t.AddNote(2, 0, 36, 90, 380);
            }
            t.AddNote(9, 0, 42, 80, 40);
        }
        // the next bar starts a quarter after the last melody note
        t.AddNote(9, 96, 36, 1, 1);
    }
    t.AppendEndOfTrackAt(0);
    return song;
}

Point Centre(const SkinButton& b) {
    return Point{(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
}

class ChannelRoleDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
        testing_support::Sink().Clear();
        song_ = Song();
        structure_.AnalyzeMidiData(*song_, song_->division);
    }
    void TearDown() override { InstallBackend(nullptr); }

    std::shared_ptr<HeadlessBackend> backend_;
    std::unique_ptr<MidiF0Data> song_;
    TuneStructure structure_;
};

// OK and Return confirm alike: the same role check keeps the dialog open and
// the same range is kept.
TEST_F(ChannelRoleDialogTest, OpensWithRolesRefusesTwoMelodiesAndKeepsTheRange) {
    for (const bool byReturn : {false, true}) {
        SCOPED_TRACE(byReturn ? "Return" : "OK button");
        testing_support::Sink().Clear();
        structure_.AnalyzeMidiData(*song_, song_->division);
        ZaChanelRole dialog(*song_, structure_);
        Window& w = dialog.GetWindow();
        backend_->Then([&](HeadlessBackend& d) {
            EXPECT_EQ(w.Title(), "Chanel Roles");
            EXPECT_EQ(w.ClientSize(), (Size{644, 464}));
            EXPECT_EQ(w.FindControl(kRolePrompt)->Text(), "Please, specify the role of chanel!");
            EXPECT_EQ(w.FindControl(kRoleCombo + 9)->Selection(), 5);  // "Drums"
            EXPECT_FALSE(w.FindControl(kRoleCombo + 5)->IsEnabled());
            EXPECT_FALSE(w.FindControl(kRoleListenButton + 5)->IsEnabled());
            EXPECT_EQ(w.FindControl(kRoleCombo + 15)->Bounds(), (Rect{435, 350, 565, 380}));
            EXPECT_EQ(w.FindControl(kRoleListenButton + 7)->Bounds(), (Rect{270, 350, 320, 380}));
            EXPECT_EQ(w.FindControl(kRoleStartEdit)->Text(), "1");
            EXPECT_EQ(w.FindControl(kRoleEndEdit)->Text(), std::to_string(structure_.barCount));

            d.Select(kRoleCombo + 0, 2);
            d.Select(kRoleCombo + 1, 2);
            const Point ok = Centre(dialog.Button(kRoleOkButton));
            const auto confirm = [&] {
                if (byReturn)
                    d.Key(Key::Enter);
                else
                    d.Click(ok.x, ok.y);
            };
            confirm();
            ASSERT_EQ(testing_support::Sink().Count(), 1u);
            EXPECT_NE(testing_support::Sink().Texts()[0].find("Melody track is only one!"),
                      std::string::npos);
            EXPECT_TRUE(w.IsModal());

            d.Select(kRoleCombo + 1, 3);
            d.Type(kRoleStartEdit, "3");
            d.Type(kRoleEndEdit, "6");
            d.Step(kRoleEndUpDown, 1);
            d.Step(kRoleEndUpDown, -1);
            confirm();
        });
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
        EXPECT_EQ(dialog.Range().startBar, 2);
        EXPECT_EQ(dialog.Range().barCount, 4);
        EXPECT_EQ(structure_.role[0], tune_role::kMelody);
        EXPECT_EQ(structure_.role[1], tune_role::kHarmony);
    }
}

// A bar range that is empty, leaves the tune or is no number is refused
// with the tune's bars, and the dialog stays open for a range that fits.
TEST_F(ChannelRoleDialogTest, RangeOutsideTheTuneIsRefusedWithItsBars) {
    ASSERT_EQ(structure_.barCount, 13);  // the last notes reach into bar 13
    const std::pair<std::string, std::string> wrong[] = {
        {"10", "3"}, {"0", "-5"},  {std::string(300, '9'), "abc"},
        {"1", "14"}, {"13", "14"}, {"", "4"}};
    ZaChanelRole dialog(*song_, structure_);
    Window& w = dialog.GetWindow();
    backend_->Then([&](HeadlessBackend& d) {
        for (const auto& [start, end] : wrong) {
            SCOPED_TRACE(start.substr(0, 4) + " to " + end);
            testing_support::Sink().Clear();
            d.Type(kRoleStartEdit, start);
            d.Type(kRoleEndEdit, end);
            d.Key(Key::Enter);
            EXPECT_TRUE(w.IsModal());
            EXPECT_EQ(testing_support::Sink().Texts(),
                      std::vector<std::string>{
                          "ZAWCFF010072 The number of measure is out of range! [Start and End must "
                          "lie within bars 1 to 13, and End may not come before Start]"});
        }
        d.Type(kRoleStartEdit, "13");
        d.Type(kRoleEndEdit, "13");
        d.Key(Key::Enter);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(dialog.Range().startBar, 12);
    EXPECT_EQ(dialog.Range().barCount, 1);
}

TEST_F(ChannelRoleDialogTest, ListenPlaysOneChannelAndCloseWhilePlayingReleasesOnce) {
    std::shared_ptr<platform::Clock> fake;
    {
        ZaChanelRole dialog(*song_, structure_);
        Window& w = dialog.GetWindow();
        backend_->Then([&](HeadlessBackend& d) {
            testing_support::Midi().Clear();
            d.Click(RoleListenRect(2).left + 5, RoleListenRect(2).top + 5);
            EXPECT_EQ(w.FindControl(kRoleListenButton + 2)->Text(), "STOP");
            // The preview plays to its end; its button shows "Listen" again.
            for (int i = 0; i < 500 && w.FindControl(kRoleListenButton + 2)->Text() == "STOP"; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                d.Pump();
            }
            EXPECT_EQ(w.FindControl(kRoleListenButton + 2)->Text(), "Listen");
            std::set<int> channels;
            using Kind = platform::RecordedMidiMessage::Kind;
            for (const auto& m : testing_support::Midi().Messages(Kind::Short))
                if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0)
                    channels.insert(m.bytes[0] & 0x0F);
            EXPECT_EQ(channels, (std::set<int>{2}));

            // Play plays the chosen range from a copy the song holds. On the
            // real clock: the stop at the close then waits for the play
            // thread in real time, as in the program, however loaded the
            // machine is.
            fake = platform::SetClock(std::make_shared<platform::RealClock>());
            d.Click(kRolePlayRect.left + 5, kRolePlayRect.top + 5);
            EXPECT_EQ(w.FindControl(kRolePlayButton)->Text(), "Stop");
            EXPECT_NE(song_->PlayCopyData(), nullptr);
            w.EndModal(platform::kIdCancel);
        });
        dialog.DoModal();
    }
    // The dialog stopped the play as it closed; the song releases the copy
    // once as it goes (the sanitizer sees a second release).
    StopChannelListen();
    song_.reset();
    platform::SetClock(fake);
}

}  // namespace
