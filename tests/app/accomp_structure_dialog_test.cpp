// "Harmony Structure" and "Rhythm Structure" driven as a user would, from
// the style definition hub: opening's normalisation, the steppers of a row
// not in use, the instrument chooser, "Custom" leading to the step editor,
// "Create" to the drum creator, and the bass preview stopped and played to
// its end.
#include "app/styleedit/accomp_structure_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>
#include <vector>

#include "app/styleedit/create_drum_dialog.h"
#include "app/styleedit/harmony_pattern_dialog.h"
#include "app/styleedit/harmony_pattern_selection_dialog.h"
#include "app/styleedit/inst_selection_dialog.h"
#include "app/styleedit/option_selection_dialog.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "styleedit/instrument_choice.h"
#include "styleedit/pattern_preview.h"
#include "styleedit/style_editor_services.h"
#include "tests/app/style_hub_fixture.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

// Client points of the editors' regions: the upper half of a row's
// instrument and pattern regions (their lower half holds the steppers), a
// stepper, OK.
Point InstrumentPoint(int row) {
    return Point{305, 90 + 106 * row};
}
Point PatternPoint(int row) {
    return Point{518, 90 + 106 * row};
}
constexpr Point kOk{547, 411};
constexpr Point kChooserOk{322, 117};
constexpr Point kChooserListen{240, 60};
constexpr Point kStepEditorOk{540, 410};
constexpr Point kStepEditorSave{260, 410};
// A cell (step, row) and a repeat header of grid A with 16 steps.
Point CellPoint(int step, int row) {
    return Point{kGridLeft + 16 * step + 7, kGridTop + 208 - 16 * row + 7};
}
Point HeaderPoint(int step) {
    return Point{kGridLeft + 16 * step + 8, 92};
}

void Click(HeadlessBackend& b, Point p) {
    b.Click(p.x, p.y);
}

std::string ListenText(HeadlessBackend& b) {
    return b.TopWindow()->FindControl(kSelectionListenButton)->Text();
}

std::set<int> SoundingChannels() {
    std::set<int> channels;
    using Kind = platform::RecordedMidiMessage::Kind;
    for (const auto& m : testing_support::Midi().Messages(Kind::Short))
        if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0)
            channels.insert(m.bytes[0] & 0x0F);
    return channels;
}

class AccompStructureTest : public StyleHubTest {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), true);
        (void)built;
        StyleHubTest::SetUp();
        slot_ = PatternSlot.load();
        part_ = PatternPart.load();
        created_ = CreatedDrumPatternsSnapshot();
        SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
        SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
        WorkingStyle.timeSignature = kMetre44;
        WorkingStyle.basicBeat = 0;
    }
    void TearDown() override {
        StopPreview();
        PatternSlot = slot_;
        PatternPart = part_;
        {
            std::lock_guard lock(CreatedDrumPatternsMutex());
            CreatedDrumPatterns = created_;
        }
        StyleHubTest::TearDown();
    }
    // The hub with one editor region pressed; the session runs inside the
    // editor, which OK then closes, and the hub's OK follows.
    void FromHub(int region, const std::string& title,
                 const std::function<void(HeadlessBackend&)>& session) {
        OptionSelection hub;
        B().Then([&](HeadlessBackend& h) {
            h.Then([&](HeadlessBackend& e) {
                EXPECT_EQ(TopTitle(e), title);
                EXPECT_EQ(e.TopWindow()->ClientSize(), (Size{644, 464}));
                session(e);
                Click(e, kOk);
            });
            Press(h, hub, region);
            Press(h, hub, kHubOk);
        });
        EXPECT_EQ(hub.DoModal(), platform::kIdOk);
        EXPECT_EQ(B().PendingSteps(), 0u);
        EXPECT_EQ(B().ModalStarvations(), 0);
    }

    int slot_ = 0;
    int part_ = 0;
    CreatedDrumTable created_{};
};

// The Part's examples: a harmony voice of 125 opens as 0, pattern 28 as 9,
// a sub-drum voice of 30 as 112; the captions, verbatim; a second opening
// changes nothing.
TEST_F(AccompStructureTest, OpeningBringsValuesIntoRangeOnce) {
    WorkingStyle.voice[kPartHarmony] = 125;
    WorkingStyle.harmonyPattern = 28;
    WorkingStyle.voice[kPartSubDrum] = 30;
    WorkingStyle.voice[kPartObbligato] = kVoiceNotUsed;
    MusicStyle first{};
    for (int round = 0; round < 2; ++round) {
        HarmonyDifinition harmony;
        B().Then([&](HeadlessBackend& b) {
            EXPECT_EQ(TopTitle(b), "Harmony Structure");
            EXPECT_EQ(harmony.Button(3).caption, "Algorithm and Range");
            EXPECT_EQ(harmony.Button(6).caption, "Harmony pattern");
            EXPECT_EQ(harmony.Button(9).caption, "Haromony pattern");
            EXPECT_EQ(harmony.Button(4).caption, "Harmony(Main)");
            EXPECT_EQ(harmony.Button(21).x1, 589);
            EXPECT_EQ(harmony.Button(14).y2, 367);
            EXPECT_EQ(harmony.Shown(0).instrument, "---");
            EXPECT_EQ(harmony.Shown(0).pattern, "---");
            EXPECT_EQ(harmony.Shown(1).pattern, "Sporadic Arpeggio");
            Click(b, kOk);
        });
        harmony.DoModal();
        RhythmSelection rhythm;
        B().Then([&](HeadlessBackend& b) {
            EXPECT_EQ(TopTitle(b), "Rhythm Structure");
            EXPECT_EQ(rhythm.Button(3).caption, "Bass pattern");
            EXPECT_EQ(rhythm.Button(8).caption, "Instrument");
            EXPECT_EQ(rhythm.Button(7).caption, "Drum(Sub)");
            EXPECT_EQ(rhythm.Shown(2).instrument, "Tinkle Bell");
            Click(b, kOk);
        });
        rhythm.DoModal();
        EXPECT_EQ(WorkingStyle.voice[kPartHarmony], 0);
        EXPECT_EQ(WorkingStyle.harmonyPattern, 9);
        EXPECT_EQ(WorkingStyle.voice[kPartSubDrum], 112);
        EXPECT_EQ(WorkingStyle.voice[kPartObbligato], kVoiceNotUsed);
        if (round == 0) first = WorkingStyle;
    }
    EXPECT_TRUE(SameStyle(first, WorkingStyle));
    EXPECT_EQ(B().ModalStarvations(), 0);
}

// A row not in use: its pattern region and steppers do nothing; - on its
// instrument makes the voice 0 and shows its pattern name again.
TEST_F(AccompStructureTest, UnusedRowWakesThroughItsInstrumentStepper) {
    WorkingStyle.voice[kPartSubHarmony] = kVoiceNotUsed;
    WorkingStyle.subHarmonyPattern = 13;
    FromHub(kHubHarmony, "Harmony Structure", [&](HeadlessBackend& e) {
        const MusicStyle before = WorkingStyle;
        Click(e, PatternPoint(2));  // no chooser opens
        e.Click(433, 351);          // pattern -
        e.Click(604, 351);          // pattern +
        EXPECT_TRUE(SameStyle(before, WorkingStyle));
        e.Click(221, 351);  // instrument -
        EXPECT_EQ(WorkingStyle.voice[kPartSubHarmony], 0);
        EXPECT_EQ(WorkingStyle.subHarmonyPattern, 13);
        e.Click(393, 351);  // instrument +
        EXPECT_EQ(WorkingStyle.voice[kPartSubHarmony], 1);
        e.Click(604, 351);  // pattern +: "Arpeggio" to "Hip hop"
        EXPECT_EQ(WorkingStyle.subHarmonyPattern, 15);
    });
}

// "Harmony", the chooser answered "Custom": the step editor opens at once;
// cells, repeats on steps 2 and 3, "2 measure 1 pattern" and a ".pat" saved.
TEST_F(AccompStructureTest, HarmonyCustomOpensTheStepEditor) {
    const std::string pat = platform::JoinPath(testing_support::ScratchDir(), "hub.pat");
    WorkingStyle.voice[kPartHarmony] = 24;
    FromHub(kHubHarmony, "Harmony Structure", [&](HeadlessBackend& e) {
        e.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(TopTitle(c), "Harmony pattern");
            c.Select(kSelectionPatternCombo, 58);  // "Custom"
            Click(c, kChooserOk);
        });
        e.Then([&](HeadlessBackend& s) {
            EXPECT_EQ(TopTitle(s), "Harmony Pattern Setting");
            EXPECT_EQ(PatternSlot.load(), kSlotHarmony);
            Click(s, HeaderPoint(2));
            Click(s, HeaderPoint(3));
            Click(s, CellPoint(1, 5));  // spreads over steps 2 and 3
            s.Select(kPatternLayoutCombo, 1);
            testing_support::Chooser().QueueFile(pat);
            Click(s, kStepEditorSave);
            Click(s, kStepEditorOk);
        });
        Click(e, PatternPoint(1));
    });
    EXPECT_EQ(WorkingStyle.harmonyPattern, 47);
    const GridPart& a = SlotGrid(WorkingStyle, kSlotHarmony, 0);
    for (int step : {1, 2, 3}) EXPECT_EQ(a.Cell(5, step), 1) << step;
    EXPECT_EQ(WorkingStyle.customHarmony.useX[kSlotHarmony], 1);
    std::ifstream in(pat, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const auto expected = PatternFileBytes(WorkingStyle, kSlotHarmony);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

// The obbligato's method "Custom" opens the melody structure editor for
// the obbligato, whose OK leads back to the harmony editor.
TEST_F(AccompStructureTest, ObbligatoCustomMethodOpensTheMelodyEditor) {
    WorkingStyle.voice[kPartObbligato] = 40;
    WorkingStyle.subMelodyMethod = 6;
    bool melodyOpened = false;
    FromHub(kHubHarmony, "Harmony Structure", [&](HeadlessBackend& e) {
        e.Then([&](HeadlessBackend& c) {
            c.Select(kSelectionPatternCombo, 1);  // "Custom"
            Click(c, kChooserOk);
        });
        e.Then([&](HeadlessBackend& m) {
            melodyOpened = TopTitle(m) == "Melody Structure";
            Click(m, kOk);
        });
        Click(e, PatternPoint(0));
    });
    EXPECT_TRUE(melodyOpened);
    EXPECT_EQ(WorkingStyle.subMelodyMethod, 7);
    EXPECT_EQ(WorkingStyle.voice[kPartObbligato], 40);
}

// "Rhythm": the drum set through its chooser, then "Create" opens the drum
// creator; Create 2 rolls only set 2 and Listen 3 plays a bar on channel 9.
TEST_F(AccompStructureTest, RhythmCreateOpensTheDrumCreator) {
    const auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    std::set<int> channels;
    FromHub(kHubRhythm, "Rhythm Structure", [&](HeadlessBackend& e) {
        e.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(InstrumentChoiceMode, kChooseDrumSet);
            c.Select(kInstInstrumentCombo, 1);  // "Electric Set"
            PressSmallOk(c);
        });
        Click(e, InstrumentPoint(1));
        EXPECT_EQ(WorkingStyle.voice[kPartDrum], kElectricSet);
        e.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(TopTitle(c), "Rhythm pattern");
            c.Select(kSelectionPatternCombo, 26);  // "Create"
            Click(c, kChooserOk);
        });
        e.Then([&](HeadlessBackend& d) {
            Window& w = *d.TopWindow();
            EXPECT_EQ(w.Title(), "Create Drum");
            const CreatedDrumTable before = CreatedDrumPatternsSnapshot();
            w.FindControl(kCreateDrumFirstCreate + 1)->UserClick();
            const CreatedDrumTable after = CreatedDrumPatternsSnapshot();
            EXPECT_EQ(after[0], before[0]);
            EXPECT_EQ(after[2], before[2]);
            testing_support::Midi().Clear();
            w.FindControl(kCreateDrumFirstListen + 2)->UserClick();
            channels = SoundingChannels();
            w.FindControl(kCreateDrumOk)->UserClick();
        });
        Click(e, PatternPoint(1));
    });
    platform::SetClock(fake);
    EXPECT_EQ(WorkingStyle.rhythmPattern, 27);
    EXPECT_EQ(channels, (std::set<int>{9}));
    EXPECT_EQ(PreviewSong(), nullptr);
}

// "Bass pattern" from the rhythm editor: Listen, Stop reads "Listen"; a
// preview played to its end reads "Play"; the bass sounds alone.
TEST_F(AccompStructureTest, BassPreviewStopsAndPlaysToItsEnd) {
    const auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    WorkingStyle.voice[kPartBass] = 33;
    WorkingStyle.tempo = 60000;  // eight bars in two seconds
    std::set<int> channels;
    FromHub(kHubRhythm, "Rhythm Structure", [&](HeadlessBackend& e) {
        e.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(TopTitle(c), "Bass pattern");
            Click(c, kChooserListen);
            EXPECT_EQ(ListenText(c), "Stop");
            Click(c, kChooserListen);
            EXPECT_EQ(ListenText(c), "Listen");
            testing_support::Midi().Clear();
            Click(c, kChooserListen);
            for (int i = 0; i < 2000 && ListenText(c) == "Stop"; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                c.Pump();
            }
            EXPECT_EQ(ListenText(c), "Play");
            channels = SoundingChannels();
            Click(c, kChooserOk);
        });
        Click(e, PatternPoint(0));
    });
    platform::SetClock(fake);
    EXPECT_EQ(channels, (std::set<int>{kPartBass}));
    EXPECT_EQ(PreviewSong(), nullptr);
}

}  // namespace
