// The pattern chooser driven as a user would: what it opens on for stored
// values outside its lists, what OK stores, and the previews: stopped,
// played to their end, a harmony without notes, and a hundred previews
// stopped at random under the sanitizers.
#include "app/styleedit/harmony_pattern_selection_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "compose/compose_info.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "styleedit/pattern_preview.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

constexpr Point kOk{322, 117};

// The composer's chord and label lists as bytes, to see they stay put.
std::vector<std::uint8_t> ComposeLists() {
    std::vector<std::uint8_t> bytes;
    auto add = [&](const void* p, std::size_t n) {
        const std::size_t at = bytes.size();
        bytes.resize(at + n);
        std::memcpy(bytes.data() + at, p, n);
    };
    add(&ComposeInfo.chordCount, sizeof ComposeInfo.chordCount);
    for (int i = 0; i < ComposeInfo.chordCount; ++i) add(ComposeInfo.chords[i], sizeof(ChordRecord));
    for (int i = 0; i < ComposeInfo.labels.Count(); ++i)
        add(ComposeInfo.labels.Event(i), sizeof(NoteEvent));
    return bytes;
}

class PatternSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), true);
        (void)built;
        working_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
        SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
        WorkingStyle.voice[kPartBass] = 33;
        WorkingStyle.voice[kPartHarmony] = 0;
        WorkingStyle.tempo = 60000;  // eight bars in two seconds
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        StopPreview();
        InstallBackend(nullptr);
        WorkingStyle = working_;
    }
    // Opens the chooser of the part; the session runs inside, then OK.
    int Choose(int part, const std::function<void(HeadlessBackend&, Window&)>& session) {
        PatternPart = part;
        HarmonyPatternSelection dialog;
        backend_->Then([&](HeadlessBackend& d) {
            session(d, *d.TopWindow());
            d.Click(kOk.x, kOk.y);
        });
        const int result = dialog.DoModal();
        EXPECT_EQ(PreviewSong(), nullptr);
        return result;
    }
    static std::string ListenText(Window& w) { return w.FindControl(kSelectionListenButton)->Text(); }
    // Pumps (real time) until the button leaves "Stop"; false after 20 s.
    static bool WaitForEnd(HeadlessBackend& d, Window& w) {
        for (int i = 0; i < 2000 && ListenText(w) == "Stop"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            d.Pump();
        }
        return ListenText(w) != "Stop";
    }

    MusicStyle working_{};
    std::shared_ptr<HeadlessBackend> backend_;
};

TEST_F(PatternSelectionTest, OpensOnStoredValuesAndOkStoresOnlyWhatIsSelected) {
    WorkingStyle.harmonyPattern = 28;  // no entry has it
    WorkingStyle.octave[kPartHarmony] = 3;
    WorkingStyle.density[kPartHarmony] = 175;
    Choose(kPartHarmony, [](HeadlessBackend&, Window& w) {
        EXPECT_EQ(w.Title(), "Harmony pattern");
        EXPECT_EQ(w.FindControl(kSelectionPatternCombo)->Items().size(), 59u);
        EXPECT_EQ(w.FindControl(kSelectionPatternCombo)->Selection(), -1);
        EXPECT_EQ(w.FindControl(kSelectionRangeCombo)->Selection(), -1);
        EXPECT_EQ(w.FindControl(kSelectionDensityCombo)->Selection(), 4);  // "Many"
        EXPECT_EQ(ListenText(w), "Listen");
    });
    EXPECT_EQ(WorkingStyle.harmonyPattern, 28);
    EXPECT_EQ(WorkingStyle.octave[kPartHarmony], 3);
    EXPECT_EQ(WorkingStyle.density[kPartHarmony], 100);
    for (int density : {-5, 0, 29, 30, 95, 109, 110, 169, 170, 400}) {
        const int entry = DensityEntry(density);
        ASSERT_GE(entry, 0);
        ASSERT_LT(entry, kDensityEntries);
        // An entry's own density shows the same entry.
        EXPECT_EQ(DensityEntry(EntryDensity(entry)), entry) << density;
    }
    EXPECT_EQ(DensityEntry(95), 4);

    // "Quarter Cutting" stores the generator's own code; "2 Octave Low".
    Choose(kPartSubHarmony, [](HeadlessBackend& d, Window&) {
        d.Select(kSelectionPatternCombo, 57);
        d.Select(kSelectionRangeCombo, 2);
        d.Select(kSelectionDensityCombo, 0);
    });
    EXPECT_EQ(WorkingStyle.subHarmonyPattern, 60);
    EXPECT_EQ(WorkingStyle.octave[kPartSubHarmony], -2);
    EXPECT_EQ(WorkingStyle.density[kPartSubHarmony], 20);
}

TEST_F(PatternSelectionTest, EachPartShowsItsOwnFieldsAndLeavesTheOthers) {
    WorkingStyle.density[kPartBass] = 37;
    WorkingStyle.octave[kPartDrum] = 2;
    Choose(kPartBass, [](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Bass pattern");
        EXPECT_FALSE(w.FindControl(kSelectionDensityCombo)->IsVisible());
        d.Select(kSelectionPatternCombo, 19);  // "Custom"
        d.Select(kSelectionRangeCombo, 3);
    });
    EXPECT_EQ(WorkingStyle.bassPattern, 20);
    EXPECT_EQ(WorkingStyle.octave[kPartBass], 1);
    EXPECT_EQ(WorkingStyle.density[kPartBass], 37);
    Choose(kPartDrum, [](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Rhythm pattern");
        EXPECT_FALSE(w.FindControl(kSelectionRangeCombo)->IsVisible());
        d.Select(kSelectionPatternCombo, 26);  // "Create"
    });
    EXPECT_EQ(WorkingStyle.rhythmPattern, 27);
    EXPECT_EQ(WorkingStyle.octave[kPartDrum], 2);
    for (int part : {kPartObbligato, kPartSubDrum}) {
        Choose(part, [](HeadlessBackend&, Window& w) {
            EXPECT_FALSE(w.FindControl(kSelectionListenButton)->IsVisible());
        });
    }
    // Every stored code from -5 to 70 opens on an entry of its table or none.
    for (int part : {kPartBass, kPartHarmony, kPartObbligato, kPartSubDrum, kPartDrum}) {
        for (int code = -5; code <= 70; ++code) {
            MusicStyle style = WorkingStyle;
            style.bassPattern = style.harmonyPattern = style.subMelodyMethod = code;
            style.subDrumPattern = style.rhythmPattern = code;
            const PatternChoice choice = ReadPatternChoice(style, part);
            ASSERT_LT(choice.pattern, static_cast<int>(PatternTableOf(part).size()));
            if (choice.pattern >= 0) {
                EXPECT_EQ(PatternTableOf(part)[choice.pattern].code, code);
            }
        }
    }
}

TEST_F(PatternSelectionTest, BassPreviewStopsAndPlaysToItsEnd) {
    const auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    const auto lists = ComposeLists();
    std::set<int> channels;
    Choose(kPartBass, [&](HeadlessBackend& d, Window& w) {
        d.Select(kSelectionPatternCombo, 1);  // "General"
        d.Click(240, 60);
        EXPECT_EQ(ListenText(w), "Stop");
        EXPECT_NE(PreviewSong(), nullptr);
        EXPECT_EQ(WorkingStyle.bassPattern, 1);  // stored before the preview
        d.Click(240, 60);
        EXPECT_EQ(ListenText(w), "Listen");
        EXPECT_EQ(PreviewSong(), nullptr);
        testing_support::Midi().Clear();
        d.Click(240, 60);
        ASSERT_TRUE(WaitForEnd(d, w));
        EXPECT_EQ(ListenText(w), "Play");
        EXPECT_EQ(PreviewSong(), nullptr);
        using Kind = platform::RecordedMidiMessage::Kind;
        for (const auto& m : testing_support::Midi().Messages(Kind::Short))
            if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0)
                channels.insert(m.bytes[0] & 0x0F);
    });
    platform::SetClock(fake);
    EXPECT_EQ(channels, (std::set<int>{kPartBass}));
    EXPECT_EQ(ComposeLists(), lists);
}

TEST_F(PatternSelectionTest, HarmonyWithoutNotesReadsListenAgain) {
    // "Custom" over an empty step grid sounds nothing.
    std::memset(&WorkingStyle.customHarmony.grid, 0, sizeof WorkingStyle.customHarmony.grid);
    Choose(kPartHarmony, [](HeadlessBackend& d, Window& w) {
        d.Select(kSelectionPatternCombo, 58);
        d.Click(240, 60);
        EXPECT_EQ(ListenText(w), "Listen");
        EXPECT_EQ(PreviewSong(), nullptr);
    });
    ASSERT_EQ(testing_support::Sink().Texts().size(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("few notes"), std::string::npos);
}

TEST_F(PatternSelectionTest, HundredPreviewsStoppedAtRandom) {
    const auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    const auto lists = ComposeLists();
    std::mt19937 random(100);
    const int parts[] = {kPartBass, kPartHarmony, kPartSubHarmony, kPartDrum};
    for (int round = 0; round < 4; ++round) {
        Choose(parts[round], [&](HeadlessBackend& d, Window& w) {
            for (int i = 0; i < 25; ++i) {
                if (ListenText(w) == "Stop") d.Click(240, 60);
                d.Click(240, 60);
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 15));
                d.Pump();
            }
        });
    }
    platform::SetClock(fake);
    EXPECT_EQ(ComposeLists(), lists);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

}  // namespace
