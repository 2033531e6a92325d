// "Scale Customize", "Chord Progression", "Chord Addition" and "Resolution
// Pattern" driven as a user: what each shows on opening, what OK stores,
// and that Enter (where it does not store) and Esc leave the style alone.
#include <cstring>
#include <string>

#include "app/styleedit/chord_progression_dialog.h"
#include "app/styleedit/custom_scale_dialog.h"
#include "app/styleedit/knowledge_entry_dialogs.h"
#include "tests/app/style_hub_fixture.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

using TuneSettingDialogs = StyleHubTest;

void SetScaleNotes(const char* notes) {
    std::memcpy(WorkingStyle.scaleNotes, notes, 16);
    WorkingStyle.scaleNotes[16] = '\0';
}

TEST_F(TuneSettingDialogs, CustomScaleOpensOnTheStoredNotesAndWantsThree) {
    // A "3" counts as a note and is written back as "9"; the prefix stays.
    SetScaleNotes("xxxx309099090909");
    ZaCustomScale dialog;
    bool stillOpen = false;
    B().Then([&](HeadlessBackend& b) {
        EXPECT_EQ(b.TopWindow()->Title(), "Scale Customize");
        EXPECT_EQ(b.TopWindow()->ClientSize(), (Size{346, 288}));
        EXPECT_EQ(dialog.Button(kCustomScaleOk).y1, 230);
        for (int pc = 0; pc < kPitchClassCount; ++pc) {
            const int on =
                (pc == 0 || pc == 2 || pc == 4 || pc == 5 || pc == 7 || pc == 9 || pc == 11);
            EXPECT_EQ(dialog.Flag(pc), on) << pc;
            EXPECT_EQ(dialog.Button(kCustomScaleFirstToggle + pc).state, on) << pc;
        }
        b.Key(Key::Esc);  // nothing at all
        EXPECT_STREQ(WorkingStyle.scaleNotes, "xxxx309099090909");
        // Five notes off leaves C and D: refused, yet written.
        for (int pc : {4, 5, 7, 9, 11})
            Press(b, dialog, kCustomScaleFirstToggle + pc);
        Press(b, dialog, kCustomScaleOk);
        stillOpen = b.TopWindow() == &dialog.GetWindow();
        EXPECT_STREQ(WorkingStyle.scaleNotes, "xxxx909000000000");
        Press(b, dialog, kCustomScaleFirstToggle + 10);
        b.Key(Key::Enter);  // three notes: Enter is OK
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(B().Beeps(), 0);
    EXPECT_EQ(BoxesWith("Select more than three notes!"), 1);
    EXPECT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_STREQ(WorkingStyle.scaleNotes, "xxxx909000000090");

    // The seven natural notes come back as they were.
    SetScaleNotes("xxxx909099090909");
    ZaCustomScale again;
    B().Then([&](HeadlessBackend& b) { Press(b, again, kCustomScaleOk); });
    EXPECT_EQ(again.DoModal(), platform::kIdOk);
    EXPECT_STREQ(WorkingStyle.scaleNotes, "xxxx909099090909");
}

TEST_F(TuneSettingDialogs, ChordProgressionStoresItsSevenFieldsOnlyThroughOk) {
    WorkingStyle.fixedBass = 5;
    WorkingStyle.onChord = 1;
    WorkingStyle.adjustToChordTone = 2;  // not 1: unchecked
    const MusicStyle opened = WorkingStyle;
    // Enter and Esc: nothing stored.
    for (Key key : {Key::Enter, Key::Esc}) {
        ChordProgressionSelection dialog;
        B().Then([&](HeadlessBackend& b) {
            b.Click(20, 115);  // "Fix Bass" on
            b.Select(kProgressionTypeCombo, 0);
            b.Key(key);
            if (key == Key::Esc) b.Key(Key::Enter);
        });
        dialog.DoModal();
        EXPECT_TRUE(SameStyle(WorkingStyle, opened));
    }
    EXPECT_EQ(B().Beeps(), 1);
    EXPECT_EQ(BoxesWith("Invalid bass pattern!"), 2);

    ChordProgressionSelection dialog;
    B().Then([&](HeadlessBackend& b) {
        Window* w = b.TopWindow();
        EXPECT_EQ(w->Title(), "Chord Progression");
        EXPECT_EQ(w->FindControl(kProgressionFixBassBox)->Value(), 0);
        EXPECT_EQ(w->FindControl(kProgressionOnChordBox)->Value(), 1);
        EXPECT_EQ(w->FindControl(kProgressionAdjustBox)->Value(), 0);
        const Control* type = w->FindControl(kProgressionTypeCombo);
        EXPECT_EQ(type->Bounds().left, 10);
        EXPECT_EQ(type->Bounds().top, 30);
        EXPECT_EQ(w->FindControl(kProgressionChordsCombo)->Bounds().left, 190);
        EXPECT_EQ(w->FindControl(kProgressionChordsCombo)->Bounds().top, 240);
        EXPECT_EQ(type->Items()[8].text, "Flamenco");
        b.Select(kProgressionTypeCombo, 8);
        b.Select(kProgressionMethodCombo, 2);
        b.Select(kProgressionBlockCombo, 1);
        b.Select(kProgressionChordsCombo, 1);
        b.Click(20, 150);  // "Adjust To Scale" on
        b.Click(20, 185);  // "On Chord" off
        PressSmallOk(b);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(WorkingStyle.chordProgression, 10);
    EXPECT_EQ(WorkingStyle.chordGenerationMethod, 8);
    EXPECT_EQ(WorkingStyle.blockLength, 4);
    EXPECT_EQ(WorkingStyle.chordsInBlock, 1);
    EXPECT_EQ(WorkingStyle.fixedBass, 0);
    EXPECT_EQ(WorkingStyle.adjustToChordTone, 1);
    EXPECT_EQ(WorkingStyle.onChord, 0);
}

// Values no list holds show no selection, and OK keeps them.
TEST_F(TuneSettingDialogs, ChordProgressionKeepsValuesItsListsLack) {
    WorkingStyle.chordProgression = 11;
    WorkingStyle.chordGenerationMethod = 2;
    WorkingStyle.blockLength = 3;
    WorkingStyle.chordsInBlock = -1;
    WorkingStyle.fixedBass = 10;
    const MusicStyle opened = WorkingStyle;
    ChordProgressionSelection dialog;
    B().Then([&](HeadlessBackend& b) {
        for (int id : {kProgressionTypeCombo, kProgressionMethodCombo, kProgressionBlockCombo,
                       kProgressionChordsCombo})
            EXPECT_EQ(b.TopWindow()->FindControl(id)->Selection(), -1) << id;
        PressSmallOk(b);
    });
    dialog.DoModal();
    EXPECT_TRUE(SameStyle(WorkingStyle, opened));
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

TEST_F(TuneSettingDialogs, ChordAdditionRefusesTheSameChordAndKeepsTheRateInRange) {
    std::string pair;
    B().Then([&](HeadlessBackend& b) {
        EXPECT_EQ(b.TopWindow()->Title(), "Chord Addition");
        EXPECT_EQ(b.TopWindow()->FindControl(kAdditionRateSpin)->Value(), 500);
        b.Key(Key::Esc);                   // beeps
        b.Key(Key::Enter);                 // "C" and "---" twice: refused
        b.Click(547, 411);                 // and by the OK button
        b.Select(kAdditionFirstRoot, 2);   // D
        b.Select(kAdditionFirstType, 2);   // m7
        b.Select(kAdditionSecondRoot, 7);  // G
        b.Select(kAdditionSecondType, 0);  // 7
        b.Type(kAdditionRateEdit, "7");
        b.Click(547, 411);
    });
    EXPECT_TRUE(RunChordAddition(nullptr, pair));
    EXPECT_EQ(pair, "DmPsGMPs007");
    EXPECT_EQ(BoxesWith("Can't set the same chord!"), 2);
    EXPECT_EQ(B().Beeps(), 1);

    for (const auto& [typed, rate] : {std::pair{"5000", "999"}, {"0", "001"}, {"x", "500"}}) {
        B().Then([&](HeadlessBackend& b) {
            b.Select(kAdditionSecondType, 6);
            b.Type(kAdditionRateEdit, typed);
            b.Key(Key::Enter);
        });
        ASSERT_TRUE(RunChordAddition(nullptr, pair));
        EXPECT_EQ(pair, std::string("CMPoCmPo") + rate) << typed;
    }
}

TEST_F(TuneSettingDialogs, ResolutionPatternTakesEightChords) {
    B().Then([&](HeadlessBackend& b) {
        Window* w = b.TopWindow();
        EXPECT_EQ(w->Title(), "Resolution Pattern");
        b.Key(Key::Esc);
        for (int i = 0; i < 9; ++i) {
            b.Select(kPatternRoot, i % 12);
            b.Select(kPatternType, i % 8);
            b.Click(320, 125);  // "Add ->"
        }
        EXPECT_EQ(w->FindControl(kPatternFirstField)->Text(), "C 7");
        EXPECT_EQ(w->FindControl(kPatternFirstField + 4)->Text(), "Edim 7");
        EXPECT_EQ(w->FindControl(kPatternFirstField + 7)->Text(), "G ");
        b.Click(547, 411);
    });
    const std::vector<std::string> chords = RunResolutionPattern(nullptr);
    EXPECT_EQ(chords, (std::vector<std::string>{"CMPs", "dMPS", "DmPs", "emPS", "Emds", "FmdS",
                                                "gmPo", "GMPo"}));
    EXPECT_EQ(B().Beeps(), 1);
    // Closed at once: no chords.
    B().Then([&](HeadlessBackend& b) { b.Click(547, 411); });
    EXPECT_TRUE(RunResolutionPattern(nullptr).empty());
}

}  // namespace
