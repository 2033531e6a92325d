// "Tune Structure" driven as a user: opened from the hub, its name, tempo,
// bars and metre rows at their bounds, the choosers' lists by metre and
// beat, the chord input behind a custom method (refused in 7/8), and
// seeded random presses that change only the tune's settings, which the
// style files keep.
#include "app/styleedit/tune_definition_dialog.h"

#include <cstddef>
#include <random>

#include "app/device_selection_dialog.h"
#include "app/styleedit/option_selection_dialog.h"
#include "app/tune_name_dialog.h"
#include "app/voicing_selection_dialog.h"
#include "compose/chord_buffer.h"
#include "compose/compose_info.h"
#include "core/shell_services.h"
#include "style/style_file.h"
#include "styleedit/style_selection.h"
#include "tests/app/style_hub_fixture.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

// The OK of whatever small, medium or large dialog is on top.
void AnswerOk(HeadlessBackend& b) {
    const int height = b.TopWindow()->ClientSize().height;
    if (height == kLargeDialogHeight)
        b.Click(547, 419);
    else
        b.Click(322, height - (kSmallDialogHeight - kSmallOkTop) + 21);
}

// "Chord Progression" closed through its OK, storing what it showed.
void AnswerChordProgression(HeadlessBackend& b) {
    EXPECT_EQ(TopTitle(b), "Chord Progression");
    AnswerOk(b);
}

std::vector<std::string> FirstList(HeadlessBackend& b) {
    std::vector<std::string> texts;
    for (const auto& item : b.TopWindow()->FindControl(kDeviceFirstCombo)->Items())
        texts.push_back(item.text);
    return texts;
}

class TuneDefinitionTest : public StyleHubTest {
protected:
    void TearDown() override {
        ComposeInfo.ClearChords();
        StyleHubTest::TearDown();
    }
    // Opens the editor, runs the user's presses in it, then OK.
    void Run(const std::function<void(HeadlessBackend&, TuneDifinition&)>& user) {
        TuneDifinition editor;
        B().Then([&](HeadlessBackend& b) {
            user(b, editor);
            Press(b, editor, kTuneOk);
        });
        EXPECT_EQ(editor.DoModal(), platform::kIdOk);
    }
};

// The face, the texts of a style as it was made, and the integer tempo: a
// 520000 tempo is shown as 115 bpm and kept; a tempo of 0 is reported once
// and becomes 750000 (80 bpm). A second opening changes nothing.
TEST_F(TuneDefinitionTest, OpeningShowsTheRowsAndOnlyMendsWhatItCannotShow) {
    WorkingStyle.tempo = 520000;
    WorkingStyle.scale = 40;  // no scale: the first one
    const MusicStyle before = WorkingStyle;
    Run([&](HeadlessBackend& b, TuneDifinition& d) {
        EXPECT_EQ(TopTitle(b), "Tune Structure");
        EXPECT_EQ(b.TopWindow()->ClientSize(), (Size{644, 464}));
        EXPECT_EQ(d.RowText(kTuneRowTempo), "115 bpm");
        EXPECT_EQ(d.RowText(kTuneRowScale), "Diatonic");
        EXPECT_EQ(d.Button(TunePlusRegion(kTuneRowBasicBeat)).y2, 26 + 7 * 44 + 36);
        EXPECT_EQ(d.Button(TuneCaptionRegion(kTuneRowName)).caption, "Style name");
        // The name row's steppers do nothing.
        Press(b, d, TuneMinusRegion(kTuneRowName));
        Press(b, d, TunePlusRegion(kTuneRowName));
    });
    MusicStyle expected = before;
    expected.scale = 1;
    EXPECT_TRUE(SameStyle(WorkingStyle, expected));
    EXPECT_EQ(B().DeepestModal(), 1);

    WorkingStyle.tempo = 0;
    Run([&](HeadlessBackend&, TuneDifinition& d) { EXPECT_EQ(d.RowText(kTuneRowTempo), "80 bpm"); });
    EXPECT_EQ(BoxesWith("can't add tempo information!"), 1);
    EXPECT_EQ(WorkingStyle.tempo, 750000);
    const MusicStyle opened = WorkingStyle;
    Run([](HeadlessBackend&, TuneDifinition&) {});
    EXPECT_TRUE(SameStyle(WorkingStyle, opened));
    EXPECT_EQ(BoxesWith("can't add tempo information!"), 1);
}

// From the hub's "Tune": a title typed into "Tune Name"; the tempo and the
// bars pressed past both ends; the metre stepped under triplets; the chord
// input behind a custom method, refused in 7/8.
TEST_F(TuneDefinitionTest, TuneFromTheHubAsAUser) {
    WorkingStyle.tempo = 250000;  // 240 bpm
    WorkingStyle.tuneLength = 96;
    WorkingStyle.basicBeat = 3;
    WorkingStyle.timeSignature = 0;
    WorkingStyle.chordGenerationMethod = kMethodCustom;
    FillHarmonyStructure(32, WorkingStyle.harmonyStructure, 0);
    OptionSelection hub;
    B().Then([&](HeadlessBackend& b) {
        b.Then([&](HeadlessBackend& c) {
            auto* editor = dynamic_cast<TuneDifinition*>(c.TopWindow()->Handler());
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(TopTitle(c), "Tune Structure");
            c.Then([](HeadlessBackend& n) {
                EXPECT_EQ(TopTitle(n), "Tune Name");
                n.Type(kTuneNameEdit, "Harbour Lights");
                AnswerOk(n);
            });
            Press(c, *editor, TuneCaptionRegion(kTuneRowName));
            EXPECT_EQ(editor->RowText(kTuneRowName), "Harbour Lights");
            Press(c, *editor, TunePlusRegion(kTuneRowTempo));
            EXPECT_EQ(editor->RowText(kTuneRowTempo), "240 bpm");
            for (int i = 0; i < 220; ++i) Press(c, *editor, TuneMinusRegion(kTuneRowTempo));
            EXPECT_EQ(editor->RowText(kTuneRowTempo), "30 bpm");
            EXPECT_EQ(WorkingStyle.tempo, 2000000);
            Press(c, *editor, TunePlusRegion(kTuneRowBars));
            EXPECT_EQ(WorkingStyle.tuneLength, 96);
            for (int i = 0; i < 90; ++i) Press(c, *editor, TuneMinusRegion(kTuneRowBars));
            EXPECT_EQ(editor->RowText(kTuneRowBars), "16 bars");
            Press(c, *editor, TunePlusRegion(kTuneRowTimeSignature));
            EXPECT_EQ(editor->RowText(kTuneRowTimeSignature), "3/4");
            Press(c, *editor, TuneMinusRegion(kTuneRowTimeSignature));
            EXPECT_EQ(editor->RowText(kTuneRowTimeSignature), "4/4");
            EXPECT_EQ(editor->RowText(kTuneRowChordProgression), "Custom / ---");

            // The custom method opens the chord input over the style's chords,
            // after the chord progression chooser.
            c.Then(AnswerChordProgression);
            c.Then([](HeadlessBackend& n) {
                EXPECT_EQ(TopTitle(n), "Chord Input");
                EXPECT_GT(ChordStepCount, 0);
                AnswerOk(n);
            });
            Press(c, *editor, TuneCaptionRegion(kTuneRowChordProgression));
            EXPECT_EQ(c.DeepestModal(), 3);
            EXPECT_EQ(TopTitle(c), "Tune Structure");

            WorkingStyle.basicBeat = 0;
            Press(c, *editor, TunePlusRegion(kTuneRowTimeSignature));
            ASSERT_EQ(WorkingStyle.timeSignature, kTimeSignature78);
            testing_support::Sink().Clear();
            c.Then(AnswerChordProgression);
            Press(c, *editor, TuneCaptionRegion(kTuneRowChordProgression));
            EXPECT_EQ(BoxesWith("You can not use this function with 7/8!"), 1);
            Press(c, *editor, kTuneOk);
        });
        Press(b, hub, kHubTune);
        Press(b, hub, kHubOk);
    });
    hub.DoModal();
    EXPECT_EQ(DisplayTitle(WorkingStyle), "Harbour Lights");
    EXPECT_EQ(B().ModalStarvations(), 0);
}

// Names outside ASCII typed as a user does: stored as code page 932 bytes,
// cut to 20 bytes between whole characters, and shown in UTF-8 in the row,
// on the style button and in the panel's title. Letters the code page
// cannot keep are named in a box; the name field stays open and the name as
// it was.
TEST_F(TuneDefinitionTest, NamesAreStoredInCodePage932AndShownWhole) {
    struct Name {
        const char* typed;
        const char* stored;
        const char* shown;
        const char* refused;  // the letters the box names, "" for none
    };
    const Name names[] = {
        {"あいうえおかきくけこさしすせそたちつて",
         "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9\x82\xab\x82\xad\x82\xaf\x82\xb1",
         "あいうえおかきくけこ", ""},
        {"日本の歌", "\x93\xfa\x96\x7b\x82\xcc\x89\xcc", "日本の歌", ""},
        {"Aあいうえおかきくけこ",
         "A\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9\x82\xab\x82\xad\x82\xaf",
         "Aあいうえおかきくけ", ""},
        {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ",
         "\xb1\xb2\xb3\xb4\xb5\xb6\xb7\xb8\xb9\xba\xbb\xbc\xbd\xbe\xbf\xc0\xc1\xc2\xc3",
         "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ", ""},
        {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂあ",
         "\xb1\xb2\xb3\xb4\xb5\xb6\xb7\xb8\xb9\xba\xbb\xbc\xbd\xbe\xbf\xc0\xc1\xc2\x82\xa0",
         "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂあ", ""},
        {"①髙", "\x87\x40\xfb\xfc", "①髙", ""},
        {"Aööö Grüße © ½ € ¥", "Before", "Before", "ö ü ß © ½ € ¥"},
    };
    auto shell = std::make_shared<RecordingShellServices>();
    const auto oldShell = SetShellServices(shell);
    MusicStyle entry{};
    GetStyleEntry(0, 3, entry);
    for (const Name& name : names) {
        SCOPED_TRACE(name.typed);
        testing_support::Sink().Clear();
        SetStyleTitle(WorkingStyle, "Before");
        Run([&](HeadlessBackend& b, TuneDifinition& d) {
            b.Then([&](HeadlessBackend& n) {
                n.Type(kTuneNameEdit, name.typed);
                AnswerOk(n);
                if (*name.refused == '\0') return;
                EXPECT_EQ(TopTitle(n), "Tune Name");
                EXPECT_EQ(BoxesWith(std::string(": ") + name.refused + "\n"), 1);
                n.Type(kTuneNameEdit, "Before");
                AnswerOk(n);
            });
            Press(b, d, TuneCaptionRegion(kTuneRowName));
            EXPECT_EQ(d.RowText(kTuneRowName), name.shown);
        });
        EXPECT_EQ(FieldText(WorkingStyle.title), name.stored);
        EXPECT_EQ(DisplayTitle(WorkingStyle), name.stored);
        SetStyleEntry(0, 3, WorkingStyle);
        EXPECT_EQ(StyleButtonCaption(0, 4), name.shown);
        ShowComposingStatus();
        EXPECT_EQ(shell->LastTitle().substr(5), name.shown);
    }
    SetStyleEntry(0, 3, entry);
    SetShellServices(oldShell);
    StatusText.Clear();
}

// The choosers' lists: three metres, two under triplets; "Prohibit" alone
// in 7/8, storing the plain beat; the scale, key and transpose as chosen;
// a method that is neither custom nor the knowledge base opens nothing.
TEST_F(TuneDefinitionTest, ChoosersOfferWhatTheMetreAndBeatAllow) {
    WorkingStyle.chordGenerationMethod = 1;
    WorkingStyle.chordProgression = 2;
    WorkingStyle.timeSignature = kTimeSignature78;
    WorkingStyle.basicBeat = 0;
    WorkingStyle.transpose = 0;
    Run([&](HeadlessBackend& b, TuneDifinition& d) {
        b.Then([](HeadlessBackend& n) {
            EXPECT_EQ(TopTitle(n), "Time Sign");
            EXPECT_EQ(FirstList(n), (std::vector<std::string>{"3/4", "4/4", "7/8"}));
            EXPECT_EQ(n.TopWindow()->FindControl(kDeviceFirstCombo)->Selection(), 2);
            AnswerOk(n);
        });
        Press(b, d, TuneCaptionRegion(kTuneRowTimeSignature));
        b.Then([](HeadlessBackend& n) {
            EXPECT_EQ(TopTitle(n), "Basic beat");
            EXPECT_EQ(FirstList(n), std::vector<std::string>{"Prohibit"});
            AnswerOk(n);
        });
        WorkingStyle.basicBeat = 1;  // as another editor may have left it
        Press(b, d, TuneCaptionRegion(kTuneRowBasicBeat));
        EXPECT_EQ(WorkingStyle.basicBeat, 0);

        WorkingStyle.timeSignature = 0;
        b.Then([](HeadlessBackend& n) {
            EXPECT_EQ(FirstList(n).size(), 3u);
            n.Select(kDeviceFirstCombo, 0);
            AnswerOk(n);
        });
        Press(b, d, TuneCaptionRegion(kTuneRowBasicBeat));
        EXPECT_EQ(d.RowText(kTuneRowBasicBeat), "Triplet Rhythm");
        b.Then([](HeadlessBackend& n) {
            EXPECT_EQ(FirstList(n), (std::vector<std::string>{"3/4", "4/4"}));
            n.Select(kDeviceFirstCombo, 0);
            AnswerOk(n);
        });
        Press(b, d, TuneCaptionRegion(kTuneRowTimeSignature));
        EXPECT_EQ(WorkingStyle.timeSignature, 1);

        b.Then([](HeadlessBackend& n) {
            EXPECT_EQ(TopTitle(n), "Scale");
            EXPECT_EQ(FirstList(n).size(), 23u);
            n.Select(kDeviceFirstCombo, 19);
            AnswerOk(n);
        });
        Press(b, d, TuneCaptionRegion(kTuneRowScale));
        EXPECT_EQ(d.RowText(kTuneRowScale), "Flamenco");
        b.Then([](HeadlessBackend& n) {
            EXPECT_EQ(TopTitle(n), "Key");
            n.Select(kVoicingCombo, 0);
            n.Click(n.TopWindow()->FindControl(kVoicingCheck)->Bounds().left + 2,
                    n.TopWindow()->FindControl(kVoicingCheck)->Bounds().top + 2);
            AnswerOk(n);
        });
        Press(b, d, TuneCaptionRegion(kTuneRowKey));
        EXPECT_EQ(WorkingStyle.key, 2);
        EXPECT_EQ(WorkingStyle.transpose, 1);
        EXPECT_EQ(d.RowText(kTuneRowKey), "A Minor");

        // Only the chord progression chooser opens (as deep as the others).
        const int deepest = b.DeepestModal();
        b.Then(AnswerChordProgression);
        Press(b, d, TuneCaptionRegion(kTuneRowChordProgression));
        EXPECT_EQ(b.DeepestModal(), deepest);
        EXPECT_EQ(d.RowText(kTuneRowChordProgression), "Motion Calculation / Normal");
    });
    EXPECT_EQ(B().ModalStarvations(), 0);
}

// Every byte outside the tune's settings (and the chords and the fields of
// the chord progression chooser and knowledge editors it opens).
bool OnlyTuneFieldsDiffer(const MusicStyle& a, const MusicStyle& b) {
    struct Span {
        std::size_t offset, size;
    };
#define ZAW_FIELD(f) Span{offsetof(MusicStyle, f), sizeof(MusicStyle::f)}
    const Span allowed[] = {
        ZAW_FIELD(displayTitle),   ZAW_FIELD(tuneLength),  ZAW_FIELD(title),
        ZAW_FIELD(timeSignature),  ZAW_FIELD(tempo),       ZAW_FIELD(key),
        ZAW_FIELD(scale),          ZAW_FIELD(basicBeat),   ZAW_FIELD(adjustToChordTone),
        ZAW_FIELD(chordGenerationMethod), ZAW_FIELD(transpose), ZAW_FIELD(fixedBass),
        ZAW_FIELD(onChord),        ZAW_FIELD(scaleNotes),  ZAW_FIELD(knowledgeBase),
        ZAW_FIELD(resolutionKnowledgeBase), ZAW_FIELD(chordsInBlock), ZAW_FIELD(blockLength),
        ZAW_FIELD(chordProgression), ZAW_FIELD(harmonyStructure),
    };
#undef ZAW_FIELD
    const auto* pa = reinterpret_cast<const unsigned char*>(&a);
    const auto* pb = reinterpret_cast<const unsigned char*>(&b);
    for (std::size_t i = 0; i < sizeof(MusicStyle); ++i) {
        bool inside = false;
        for (const Span& s : allowed) inside |= i >= s.offset && i < s.offset + s.size;
        if (!inside && pa[i] != pb[i]) {
            ADD_FAILURE() << "byte " << i << " changed";
            return false;
        }
    }
    return true;
}

// Seeded random presses on the 24 rows' regions, every chooser answered OK
// (on a random entry): only the tune's settings change, each stays inside
// its table and bounds, a second opening changes nothing, and both style
// files keep them.
TEST_F(TuneDefinitionTest, RandomPressesChangeOnlyTheTuneSettingsWhichTheFilesKeep) {
    for (unsigned seed : {1u, 2u, 3u}) {
        InitMusicStyle(WorkingStyle);
        WorkingStyle.chordGenerationMethod = seed % 2 ? kMethodCustom : kMethodKnowledgeBase;
        // Chords the chord input takes back on OK in either metre.
        FillHarmonyStructure(32, WorkingStyle.harmonyStructure, 0);
        const MusicStyle before = WorkingStyle;
        std::mt19937 random(seed);
        int presses = 80;
        TuneDifinition editor;
        int answers = 0;
        std::function<void(HeadlessBackend&)> step = [&](HeadlessBackend& b) {
            if (b.TopWindow() != &editor.GetWindow()) {
                // A chooser that keeps refusing OK would hold the test.
                ASSERT_LT(++answers, 2000) << TopTitle(b);
                b.Then(step);
                for (int id : {kDeviceFirstCombo, kVoicingCombo}) {
                    Control* combo = b.TopWindow()->FindControl(id);
                    if (combo && !combo->Items().empty())
                        b.Select(id, static_cast<int>(random() % combo->Items().size()));
                }
                AnswerOk(b);
                return;
            }
            if (presses-- == 0) {
                Press(b, editor, kTuneOk);
                return;
            }
            b.Then(step);
            Press(b, editor, 1 + static_cast<int>(random() % (kTuneRegionCount - 1)));
        };
        B().Then(step);
        editor.DoModal();
        ASSERT_TRUE(OnlyTuneFieldsDiffer(before, WorkingStyle)) << seed;
        EXPECT_GE(TuneBpm(WorkingStyle.tempo), kTuneBpmLowest);
        EXPECT_LE(TuneBpm(WorkingStyle.tempo), kTuneBpmHighest);
        for (const auto& [choices, value] :
             {std::pair{&kTuneKeyChoices, WorkingStyle.key},
              std::pair{&kTuneTimeChoices, WorkingStyle.timeSignature},
              std::pair{&kTuneScaleChoices, WorkingStyle.scale},
              std::pair{&kTuneBasicBeatChoices, WorkingStyle.basicBeat},
              std::pair{&kTuneProgressionChoices, WorkingStyle.chordProgression}})
            EXPECT_LT(ChoicePosition(*choices, value), static_cast<int>(choices->values.size()));

        const MusicStyle edited = WorkingStyle;
        Run([](HeadlessBackend&, TuneDifinition&) {});
        EXPECT_TRUE(SameStyle(WorkingStyle, edited)) << seed;

        const std::string dir = testing_support::ScratchDir();
        ASSERT_EQ(SaveStyleFile(edited, dir + "/a.dat"), 0);
        MusicStyle loaded{};
        InitMusicStyle(loaded);
        ASSERT_EQ(LoadStyleFile(loaded, dir + "/a.dat"), kStyleLoaded);
        ASSERT_EQ(SaveStyleFile(loaded, dir + "/b.dat"), 0);
        EXPECT_EQ(testing_support::ReadFileText(dir + "/a.dat"),
                  testing_support::ReadFileText(dir + "/b.dat"));

        ASSERT_EQ(SaveStyleFile(edited, dir + "/a.txt"), 0);
        MusicStyle text{};
        InitMusicStyle(text);
        ASSERT_EQ(LoadStyleFile(text, dir + "/a.txt"), kStyleLoaded);
        EXPECT_EQ(DisplayTitle(text), DisplayTitle(edited));
        for (auto field : {&MusicStyle::tempo, &MusicStyle::tuneLength, &MusicStyle::key,
                           &MusicStyle::transpose, &MusicStyle::timeSignature, &MusicStyle::scale,
                           &MusicStyle::chordGenerationMethod, &MusicStyle::chordProgression,
                           &MusicStyle::basicBeat})
            EXPECT_EQ(text.*field, edited.*field) << seed;
        EXPECT_EQ(std::memcmp(text.scaleNotes, edited.scaleNotes, sizeof(ScaleString)), 0);
        EXPECT_EQ(B().ModalStarvations(), 0);
    }
}

}  // namespace
