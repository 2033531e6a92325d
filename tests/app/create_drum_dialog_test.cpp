// "Create Drum" driven as a user would: the rolls on opening and per set,
// and a bar of a set heard on the drum channel, bounded when the player
// cannot start.
#include "app/styleedit/create_drum_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <set>

#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/clock.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "styleedit/pattern_preview.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

class CreateDrumTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), true);
        (void)built;
        working_ = WorkingStyle;
        created_ = CreatedDrumPatternsSnapshot();
        InitMusicStyle(WorkingStyle);
        WorkingStyle.tempo = 250000;  // a bar in one second
        WorkingStyle.rhythmPattern = 5;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        WorkingStyle = working_;
        std::lock_guard lock(CreatedDrumPatternsMutex());
        CreatedDrumPatterns = created_;
    }
    void Open(const std::function<void(HeadlessBackend&, Window&)>& session) {
        backend_->Then([&](HeadlessBackend& d) {
            Window& w = *d.TopWindow();
            EXPECT_EQ(w.Title(), "Create Drum");
            session(d, w);
            w.FindControl(kCreateDrumOk)->UserClick();
        });
        OpenDrumCreator(nullptr);
        EXPECT_EQ(PreviewSong(), nullptr);
    }
    static bool AllInRange(const CreatedDrumTable& t) {
        for (const auto& row : t)
            for (int v : row)
                if (v < 1 || v > 50) return false;
        return true;
    }

    MusicStyle working_{};
    CreatedDrumTable created_{};
    std::shared_ptr<HeadlessBackend> backend_;
};

TEST_F(CreateDrumTest, OpeningRollsEverySetAndCreateRollsOnlyItsOwn) {
    CreatedDrumTable first{}, second{};
    Open([&](HeadlessBackend&, Window&) { first = CreatedDrumPatternsSnapshot(); });
    Open([&](HeadlessBackend&, Window& w) {
        second = CreatedDrumPatternsSnapshot();
        for (int round = 0; round < 20; ++round) {
            const CreatedDrumTable before = CreatedDrumPatternsSnapshot();
            w.FindControl(kCreateDrumFirstCreate + 1)->UserClick();  // "Create" 2
            const CreatedDrumTable after = CreatedDrumPatternsSnapshot();
            EXPECT_EQ(after[0], before[0]);
            EXPECT_EQ(after[2], before[2]);
            EXPECT_NE(after[1], before[1]);
            EXPECT_TRUE(AllInRange(after));
        }
    });
    EXPECT_TRUE(AllInRange(first));
    for (int set = 0; set < kCreatedDrumRows; ++set) EXPECT_NE(first[set], second[set]) << set;
}

TEST_F(CreateDrumTest, ListenPlaysABarOfTheSetOnTheDrumChannel) {
    const auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    std::set<int> channels;
    long long took = 0;
    Open([&](HeadlessBackend&, Window& w) {
        testing_support::Midi().Clear();
        const auto start = std::chrono::steady_clock::now();
        w.FindControl(kCreateDrumFirstListen + 2)->UserClick();  // "Listen" 3
        took = std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start).count();
        using Kind = platform::RecordedMidiMessage::Kind;
        for (const auto& m : testing_support::Midi().Messages(Kind::Short))
            if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0)
                channels.insert(m.bytes[0] & 0x0F);
    });
    platform::SetClock(fake);
    EXPECT_EQ(channels, (std::set<int>{9}));
    EXPECT_LT(took, DrumBarWaitMilliseconds(WorkingStyle.tempo) + 1000);
    EXPECT_EQ(WorkingStyle.rhythmPattern, 5);
    EXPECT_EQ(DrumBarWaitMilliseconds(500000), 4000);
}

}  // namespace
