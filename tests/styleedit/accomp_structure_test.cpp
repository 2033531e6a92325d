// The structure editors' rows without a window: opening brings every row
// into its steppers' ranges and is idempotent, steppers cycle through their
// tables, rows not in use stay as they are, and the pattern codes that lead
// on to another editor.
#include "styleedit/accomp_structure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "style/voice_names.h"
#include "styleedit/pattern_choice.h"
#include "styleedit/pattern_tables.h"

namespace {

const StructureRow& Row(StructureEditor editor, int part) {
    for (const StructureRow& row : RowsOf(editor))
        if (row.part == part) return row;
    ADD_FAILURE() << "no row for part " << part;
    return RowsOf(editor)[0];
}

MusicStyle FreshStyle() {
    MusicStyle style;
    InitMusicStyle(style);
    return style;
}

// Whether the voice is one the row's stepper can show.
bool VoiceInRange(const StructureRow& row, int voice) {
    const auto table = VoiceTableOfMode(row.chooserMode);
    if (table.empty()) return voice >= 0 && voice <= kMelodicVoiceLast;
    for (const VoiceEntry& e : table)
        if (e.value == voice) return true;
    return false;
}

TEST(AccompStructure, OpeningBringsRowsIntoRange) {
    MusicStyle style = FreshStyle();
    style.voice[kPartHarmony] = 125;
    style.harmonyPattern = 28;
    style.voice[kPartSubDrum] = 30;
    const RowNames harmony = OpenRow(style, Row(StructureEditor::kHarmony, kPartHarmony));
    EXPECT_EQ(style.voice[kPartHarmony], 0);
    EXPECT_EQ(style.harmonyPattern, 9);
    EXPECT_EQ(harmony.pattern, "Sporadic Arpeggio");
    const RowNames subDrum = OpenRow(style, Row(StructureEditor::kRhythm, kPartSubDrum));
    EXPECT_EQ(style.voice[kPartSubDrum], 112);
    EXPECT_EQ(subDrum.instrument, "Tinkle Bell");
}

// Every voice -300..400 and code -5..70 on every row of both editors: what
// opening shows is in the row's tables and a second opening changes nothing;
// a row not in use opens as "---" twice and unchanged.
TEST(AccompStructure, EveryOpeningShowsTableValuesAndIsIdempotent) {
    for (StructureEditor editor : {StructureEditor::kHarmony, StructureEditor::kRhythm}) {
        for (const StructureRow& row : RowsOf(editor)) {
            const PatternTable table = PatternTableOf(row.part);
            std::vector<int> voices{kVoiceNotUsed, 119, 120};
            for (int voice = -300; voice <= 400; voice += 7) voices.push_back(voice);
            for (int voice : voices) {
                for (int code = -5; code <= 70; ++code) {
                    MusicStyle style = FreshStyle();
                    style.voice[row.part] = voice;
                    *PatternFieldOf(style, row.part) = code;
                    const MusicStyle before = style;
                    const RowNames first = OpenRow(style, row);
                    const MusicStyle once = style;
                    const RowNames second = OpenRow(style, row);
                    ASSERT_EQ(std::memcmp(&once, &style, sizeof style), 0) << row.caption << voice;
                    EXPECT_EQ(first.instrument, second.instrument);
                    EXPECT_EQ(first.pattern, second.pattern);
                    if (before.voice[row.part] == kVoiceNotUsed) {
                        EXPECT_EQ(std::memcmp(&before, &style, sizeof style), 0);
                        EXPECT_EQ(first.pattern, kVoiceNotUsedName);
                        continue;
                    }
                    const int position = PatternPosition(table, *PatternFieldOf(style, row.part));
                    ASSERT_GE(position, 0) << row.caption << " code " << code;
                    EXPECT_EQ(first.pattern, table[static_cast<std::size_t>(position)].name);
                    EXPECT_TRUE(VoiceInRange(row, style.voice[row.part])) << voice;
                    // Only the row's voice and pattern change.
                    MusicStyle rest = style;
                    rest.voice[row.part] = before.voice[row.part];
                    *PatternFieldOf(rest, row.part) = *PatternFieldOf(before, row.part);
                    EXPECT_EQ(std::memcmp(&before, &rest, sizeof rest), 0);
                }
            }
        }
    }
}

// A full round of + presses visits every entry of the row's tables once and
// comes back; - undoes +; the melodic stepper wraps at 0 and 119.
TEST(AccompStructure, SteppersCycleThroughTheirTables) {
    for (StructureEditor editor : {StructureEditor::kHarmony, StructureEditor::kRhythm}) {
        for (const StructureRow& row : RowsOf(editor)) {
            MusicStyle style = FreshStyle();
            style.voice[row.part] = row.chooserMode == kChooseMelodic ? 0 : 112;
            RowNames names = OpenRow(style, row);
            const PatternTable table = PatternTableOf(row.part);
            std::set<int> seen;
            const int start = *PatternFieldOf(style, row.part);
            for (std::size_t i = 0; i < table.size(); ++i) {
                PressRowStepper(style, row, true, 1, names);
                seen.insert(*PatternFieldOf(style, row.part));
                PressRowStepper(style, row, true, -1, names);
                PressRowStepper(style, row, true, 1, names);
            }
            EXPECT_EQ(*PatternFieldOf(style, row.part), start) << row.caption;
            std::set<int> codes;
            for (const PatternEntry& e : table) codes.insert(e.code);
            EXPECT_EQ(seen, codes) << row.caption;

            const auto voices = VoiceTableOfMode(row.chooserMode);
            const int size = voices.empty() ? kMelodicVoiceLast + 1 : static_cast<int>(voices.size());
            std::set<int> voicesSeen;
            const int first = style.voice[row.part];
            for (int i = 0; i < size; ++i) {
                PressRowStepper(style, row, false, -1, names);
                voicesSeen.insert(style.voice[row.part]);
                if (i == 0 && voices.empty()) {
                    EXPECT_EQ(style.voice[row.part], kMelodicVoiceLast);
                }
            }
            EXPECT_EQ(style.voice[row.part], first);
            EXPECT_EQ(static_cast<int>(voicesSeen.size()), size) << row.caption;
        }
    }
    MusicStyle style = FreshStyle();
    style.voice[kPartDrum] = kVoiceNotUsed;
    RowNames names;
    PressRowStepper(style, Row(StructureEditor::kRhythm, kPartDrum), false, 1, names);
    EXPECT_EQ(style.voice[kPartDrum], kAcousticSet);
    EXPECT_EQ(names.instrument, "Acoustic Set");
}

// A row not in use: - on its instrument makes it 0 and shows its pattern
// name again; a pattern step there changes nothing, the obbligato's voice
// included.
TEST(AccompStructure, UnusedRowsWakeOnlyThroughTheirInstrument) {
    for (int part : {kPartObbligato, kPartHarmony, kPartSubHarmony}) {
        const StructureRow& row = Row(StructureEditor::kHarmony, part);
        MusicStyle style = FreshStyle();
        style.voice[part] = kVoiceNotUsed;
        RowNames names = OpenRow(style, row);
        const MusicStyle before = style;
        PressRowStepper(style, row, true, 1, names);
        PressRowStepper(style, row, true, -1, names);
        EXPECT_EQ(std::memcmp(&before, &style, sizeof style), 0) << row.caption;
        EXPECT_EQ(names.pattern, kVoiceNotUsedName);
        PressRowStepper(style, row, false, -1, names);
        EXPECT_EQ(style.voice[part], 0);
        EXPECT_NE(names.pattern, kVoiceNotUsedName);
        EXPECT_EQ(names.pattern, ShownRow(style, row).pattern);
    }
}

TEST(AccompStructure, CustomCreateAndOwnMethodLeadOn) {
    MusicStyle style = FreshStyle();
    style.harmonyPattern = 47;
    style.subHarmonyPattern = 46;
    style.bassPattern = 20;
    style.rhythmPattern = 27;
    style.subMelodyMethod = 7;
    EXPECT_EQ(FollowUpOf(style, kPartHarmony), PatternFollowUp::kHarmonyGrid);
    EXPECT_EQ(FollowUpOf(style, kPartSubHarmony), PatternFollowUp::kNone);
    EXPECT_EQ(FollowUpOf(style, kPartBass), PatternFollowUp::kBassGrid);
    EXPECT_EQ(FollowUpOf(style, kPartDrum), PatternFollowUp::kDrumCreator);
    EXPECT_EQ(FollowUpOf(style, kPartObbligato), PatternFollowUp::kObbligatoMelody);
    EXPECT_EQ(FollowUpOf(style, kPartSubDrum), PatternFollowUp::kNone);
    style.rhythmPattern = 28;
    style.subHarmonyPattern = 47;
    style.subMelodyMethod = 8;
    EXPECT_EQ(FollowUpOf(style, kPartDrum), PatternFollowUp::kRhythmGrid);
    EXPECT_EQ(FollowUpOf(style, kPartSubHarmony), PatternFollowUp::kSubHarmonyGrid);
    EXPECT_EQ(FollowUpOf(style, kPartObbligato), PatternFollowUp::kNone);
}

}  // namespace
