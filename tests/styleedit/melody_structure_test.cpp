// The melody structure editor's rows over a style, with a scripted host:
// what opening makes of stored values, the steppers' ends, the choosers'
// stores and the heavy effects' cuts, and seeded random sessions that keep
// to the part's fields, leave table values, and survive the binary and text
// style files.
#include "styleedit/melody_structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "compose/chord_weights.h"
#include "core/settings.h"
#include "style/style_file.h"
#include "style/style_table.h"
#include "style/style_text.h"
#include "tests/support/test_support.h"

namespace {

using namespace melody_rows;

// Answers every chooser from a seeded generator, or with set answers (the
// texts to pick, list by list); counts the melody tables opened.
class ScriptedHost : public MelodyStructureHost {
public:
    explicit ScriptedHost(unsigned seed = 1) : random_(seed) {}

    int ChooseInstrument(int voice) override {
        if (instrument >= 0) return instrument;
        const int pick = Pick(0, 160);  // now and then "None" or left alone
        return pick > 152 ? voice : (pick == 152 ? kVoiceNotUsed : pick);
    }
    void ChooseVoicing(ListChoice& voicing, int& octave) override {
        Answer(std::span<ListChoice>(&voicing, 1));
        octave = Pick(0, 1);
    }
    void ChooseFromPicker(const std::string&, std::span<ListChoice> lists) override {
        Answer(lists);
    }
    void ChooseFromListBoxes(const std::string&, std::span<ListChoice> lists) override {
        Answer(lists);
    }
    void ChooseNoteRange(int, int& highest, int& lowest) override {
        const int low = Pick(25, 100);
        const int high = Pick(32, 127);
        if (high - low >= 7) {  // the dialog refuses a closer pair
            highest = high;
            lowest = low;
        }
    }
    int ChooseStrength(int) override { return Pick(0, 1); }
    void EditMelodyTable() override { ++tables; }

    std::vector<std::string> answers;
    int instrument = -1;  // -1: random
    int tables = 0;

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    void Answer(std::span<ListChoice> lists) {
        for (std::size_t i = 0; i < lists.size(); ++i) {
            ListChoice& list = lists[i];
            if (i < answers.size()) {
                const auto at = std::find(list.texts.begin(), list.texts.end(), answers[i]);
                list.selection = static_cast<int>(at - list.texts.begin());
            } else if (Pick(0, 5) != 0) {  // else left as it opened
                list.selection = Pick(0, static_cast<int>(list.texts.size()) - 1);
            }
        }
    }
    std::mt19937 random_;
};

class MelodyStructureTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        InitMusicStyle(style_);
        testing_support::Sink().Clear();
    }
    MusicStyle style_{};
};

bool Holds(const ChoiceRow& row, int value) {
    return ChoicePosition(row, value) < static_cast<int>(row.values.size());
}

// The style with every field the editor may write of the part, and "Tune
// Length", put back from the original: what must equal the original.
MusicStyle WithoutEditable(MusicStyle edited, const MusicStyle& original, int part) {
    const MelodySettings& o = original.melody[part];
    MelodySettings& e = edited.melody[part];
    const std::int32_t keep3 = e.reserved3;
    const std::int32_t keep14 = e.reserved14;
    e = o;
    e.reserved3 = keep3;
    e.reserved14 = keep14;
    edited.voice[part] = original.voice[part];
    edited.octave[part] = original.octave[part];
    edited.density[part] = original.density[part];
    edited.tuneLength = original.tuneLength;
    return edited;
}

bool Same(const MusicStyle& a, const MusicStyle& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Opening brings each unknown list value to its first entry, syncopation
// to 0, keeps an unknown effect, rhythm repeat and melody repeat (shown as
// "None", "Repeat Middle" and "Repeat Off"), holds the limits and stores
// the density of its rest class.
TEST_F(MelodyStructureTest, OpeningNormalisesAsTheRowsSay) {
    MelodySettings& m = style_.melody[kPartObbligato];
    m = MelodySettings{77, 77, 77, 77, 77, 77, 77, 300, 3, 77, 77, 77, 77, 5, 99};
    style_.density[kPartObbligato] = 95;
    style_.voice[kPartObbligato] = kVoiceNotUsed;
    const MusicStyle melodyPart = style_;
    ScriptedHost host;
    MelodyStructure editor(style_, kPartObbligato, host);
    editor.RefreshAll();
    EXPECT_EQ(m.dissonance, 0);
    EXPECT_EQ(m.noteLength, 5);
    EXPECT_EQ(m.syncopation, 0);
    EXPECT_EQ(m.ornament, 0);
    EXPECT_EQ(m.voicing, 0);
    EXPECT_EQ(m.algorithm, 1);
    EXPECT_EQ(m.tension, 0);
    EXPECT_EQ(m.effect, 77);
    EXPECT_EQ(m.repeatRhythm, 77);
    EXPECT_EQ(m.repeatMelody, 77);
    EXPECT_EQ(m.lowerLimit, 25);
    EXPECT_EQ(m.upperLimit, 127);
    EXPECT_EQ(style_.density[kPartObbligato], 100);
    // Opening does not give an unused part a voice.
    EXPECT_EQ(style_.voice[kPartObbligato], kVoiceNotUsed);
    EXPECT_EQ(editor.ValueText(kRowInstrument), "---");
    EXPECT_EQ(editor.ValueText(kRowEffect), "None/None");
    EXPECT_EQ(editor.ValueText(kRowAlgorithm), "Lagurange/Repeat Off");
    EXPECT_EQ(editor.ValueText(kRowRhythm), "Fluctuation/Syncopetion Off/Repeat Middle");
    EXPECT_EQ(editor.ValueText(kRowRestRate), "medium");
    EXPECT_TRUE(Same(WithoutEditable(style_, melodyPart, kPartObbligato), melodyPart));

    // A second opening changes nothing, and neither does the first one of
    // a style whose values are all in the tables.
    const MusicStyle once = style_;
    MelodyStructure(style_, kPartObbligato, host).RefreshAll();
    EXPECT_TRUE(Same(style_, once));
    int inTables = 0;
    for (int i = 0; i < kStyleCategories * kStyleSlots; ++i) {
        for (int part : {kPartMelody, kPartObbligato}) {
            MusicStyle entry = StyleTable[i];
            const MelodySettings& e = entry.melody[part];
            const bool held = Holds(kVoicing, e.voicing) && Holds(kAlgorithm, e.algorithm) &&
                              Holds(kOrnament, e.ornament) && Holds(kNoteLength, e.noteLength) &&
                              Holds(kSyncopation, e.syncopation) &&
                              Holds(kDissonance, e.dissonance) && Holds(kTension, e.tension) &&
                              Holds(kRestRate, entry.density[part]) && e.lowerLimit >= 25 &&
                              e.lowerLimit <= std::min(100, e.upperLimit) && e.upperLimit <= 127;
            MelodyStructure(entry, part, host).RefreshAll();
            if (held) {
                ++inTables;
                EXPECT_TRUE(Same(entry, StyleTable[i])) << i << " " << part;
            }
        }
    }
    EXPECT_GT(inTables, 400);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

// The steppers beyond what the dialog's ends show: a voice outside 0..151
// steps to 0; a highest below the floor still bounds the lowest; a list
// step keeps the row's other fields (an effect, a repeat) as they are.
TEST_F(MelodyStructureTest, SteppersHoldTheirBounds) {
    ScriptedHost host;
    MelodyStructure editor(style_, kPartMelody, host);
    MelodySettings& m = style_.melody[kPartMelody];
    editor.RefreshAll();
    for (int outside : {kVoiceNotUsed, -3, 152}) {
        style_.voice[kPartMelody] = outside;
        editor.Press(kMelodyFirstMinus + kRowInstrument - 1);
        EXPECT_EQ(style_.voice[kPartMelody], 0) << outside;
    }
    m.upperLimit = 20;
    m.lowerLimit = 10;
    editor.Press(kMelodyFirstPlus + kRowLowest - 1);
    EXPECT_EQ(m.lowerLimit, 20);
    editor.Press(kMelodyFirstPlus + kRowHighest - 1);
    EXPECT_EQ(m.upperLimit, 25);

    m = MelodySettings{0, 10, 1, 0, 20, 9, 0, 80, 50, 7, 0, 2, 2, 0, 0};
    for (int row : {kRowRhythm, kRowEffect, kRowAlgorithm})
        editor.Press(kMelodyFirstPlus + row - 1);
    editor.Press(kMelodyFirstMinus + kRowTension - 1);
    EXPECT_EQ(editor.ValueText(kRowRhythm), "Fluctuation/Syncopetion On/Repeat Middle");
    EXPECT_EQ(editor.ValueText(kRowEffect), "Long Pipe Effect/None");
    EXPECT_EQ(editor.ValueText(kRowAlgorithm), "Lagurange/Repeat Middle");
    EXPECT_EQ(m.tension, 1);  // the last of "Even", "Jazz", "Blue Note"
}

// The choosers' stores: a "None" instrument is refused; "more" stores 40;
// the heavy effects' boxes and cuts; "Melody Table" opens the table; a part
// other than 1 or 4 edits nothing and names its fault.
TEST_F(MelodyStructureTest, ChoosersStoreAndWarn) {
    ScriptedHost host;
    MelodyStructure editor(style_, kPartMelody, host);
    MelodySettings& m = style_.melody[kPartMelody];
    editor.RefreshAll();
    host.instrument = kVoiceNotUsed;
    style_.voice[kPartMelody] = 40;
    editor.Press(kRowInstrument);
    EXPECT_EQ(style_.voice[kPartMelody], 40);
    EXPECT_EQ(testing_support::Sink().Count(), 1u);
    host.answers = {"more"};
    editor.Press(kRowRestRate);
    EXPECT_EQ(style_.density[kPartMelody], 40);
    EXPECT_EQ(editor.ValueText(kRowRestRate), "more");

    struct HeavyCase {
        const char* effect;
        int bars;
        std::vector<std::string> boxes;
    };
    const std::string heavy = "This option needs high perfoermance CPU and Sound Generator.";
    const std::string cut = "Tune length is too long, it was turncated.";
    for (const HeavyCase& c :
         {HeavyCase{"Long Pipe Effect", 40, {heavy, "ZAWCFF010150 " + cut}},
          HeavyCase{"Long Pipe Effect", 30, {heavy}}, HeavyCase{"Formant", 96, {heavy, cut}},
          HeavyCase{"Silen Effect", 31, {heavy, cut}}, HeavyCase{"Vibrato", 96, {}}}) {
        testing_support::Sink().Clear();
        style_.tuneLength = c.bars;
        host.answers = {c.effect, "Classical"};
        editor.Press(kRowEffect);
        EXPECT_EQ(m.ornament, 1);
        EXPECT_EQ(style_.tuneLength, c.boxes.size() == 2 ? 30 : c.bars) << c.effect;
        EXPECT_EQ(testing_support::Sink().Texts(), c.boxes) << c.effect;
    }
    host.answers = {"Melody Table", "Repeat Weak"};
    editor.Press(kRowAlgorithm);
    EXPECT_EQ(m.repeatMelody, 1);
    EXPECT_EQ(host.tables, 1);

    testing_support::Sink().Clear();
    const MusicStyle before = style_;
    MelodyStructure invalid(style_, 2, host);
    invalid.RefreshAll();
    for (int region = 0; region < kMelodyRegionCount; ++region)
        invalid.Press(region);
    EXPECT_TRUE(Same(style_, before));
    ASSERT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Invalid Channel!"), std::string::npos);
}

// Seeded random presses on the 31 regions with random answers, on both
// parts of a style with values outside the tables and of catalogue styles:
// only the part's editable fields and "Tune Length" change, every stored
// value is a table entry (a kept effect or repeat excepted), a voice that
// changed lies in 0..151, the limits stay ordered, a second opening
// changes nothing, and the binary and text files carry the result.
TEST_F(MelodyStructureTest, RandomSessionsKeepTheInvariants) {
    const std::string dir = testing_support::ScratchDir();
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        MusicStyle style = StyleTable[(seed * 7) % (kStyleCategories * kStyleSlots)];
        const int part = seed % 2 ? kPartMelody : kPartObbligato;
        const bool junk = seed % 3 == 0;
        if (junk) {
            style.melody[part] = MelodySettings{3, 0, 5, 1, 5, 4, 9, 20, 80, 0, 8, 9, -1, 3, 0};
            style.voice[part] = 300;
        }
        const MelodySettings opened = style.melody[part];
        const int openedVoice = style.voice[part];
        const MusicStyle original = style;
        ScriptedHost host(seed);
        MelodyStructure editor(style, part, host);
        editor.RefreshAll();
        for (int press = 0; press < 300; ++press)
            editor.Press(std::uniform_int_distribution<int>(0, kMelodyRegionCount - 1)(random));
        EXPECT_TRUE(Same(WithoutEditable(style, original, part), original));
        const MelodySettings& m = style.melody[part];
        EXPECT_TRUE(Holds(kVoicing, m.voicing) && Holds(kAlgorithm, m.algorithm) &&
                    Holds(kOrnament, m.ornament) && Holds(kNoteLength, m.noteLength) &&
                    Holds(kSyncopation, m.syncopation) && Holds(kDissonance, m.dissonance) &&
                    Holds(kTension, m.tension) && Holds(kRestRate, style.density[part]));
        EXPECT_TRUE(Holds(kEffect, m.effect) || m.effect == opened.effect);
        EXPECT_TRUE(Holds(kRhythmRepeat, m.repeatRhythm) || m.repeatRhythm == opened.repeatRhythm);
        EXPECT_TRUE(Holds(kMelodyRepeat, m.repeatMelody) || m.repeatMelody == opened.repeatMelody);
        const int voice = style.voice[part];
        EXPECT_TRUE(voice == openedVoice || (voice >= 0 && voice <= kLastSteppedVoice));
        if (opened.lowerLimit <= opened.upperLimit) {
            EXPECT_LE(m.lowerLimit, m.upperLimit);
        }
        EXPECT_LE(style.tuneLength, std::max(30, original.tuneLength));

        const MusicStyle edited = style;
        MelodyStructure(style, part, host).RefreshAll();
        EXPECT_TRUE(Same(style, edited));

        const std::string dat = dir + "/melody_" + std::to_string(seed) + ".dat";
        ASSERT_EQ(SaveStyleFile(style, dat), 0);
        const std::string bytes = testing_support::ReadFileText(dat);
        ASSERT_EQ(bytes.size(), sizeof(MusicStyle));
        MusicStyle loaded{};
        ASSERT_EQ(LoadStyleFile(loaded, dat), kStyleLoaded);
        // The file is the record with its stored title and version stamped.
        MusicStyle stamped = style;
        std::memcpy(stamped.title, stamped.displayTitle, kDisplayTitleSize);
        stamped.version = StyleFormatVersion;
        EXPECT_EQ(std::memcmp(&stamped, bytes.data(), bytes.size()), 0);
        // Loading gives the edited fields back (a sub melody that follows
        // the melody takes the melody's settings on every load, and the
        // melody's "Murmur" brings its own algorithm and effect).
        MelodySettings expected = m;
        if (part == kPartMelody && m.ornament == 7) {
            expected.algorithm = 7;
            expected.effect = 17;
        }
        const bool follows = style.subMelodyMethod == 6 && part == kPartObbligato;
        if (!follows) {
            EXPECT_EQ(std::memcmp(&loaded.melody[part], &expected, sizeof m), 0);
        }
        EXPECT_EQ(loaded.voice[part], style.voice[part]);
        EXPECT_EQ(loaded.octave[part], style.octave[part]);
        EXPECT_EQ(loaded.density[part], style.density[part]);
        EXPECT_EQ(loaded.tuneLength, style.tuneLength);

        if (junk) continue;
        std::string text;
        WriteStyleText(style, text);
        MusicStyle read{};
        InitMusicStyle(read);
        ReadStyleText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), read);
        const MelodySettings& r = read.melody[part];
        EXPECT_EQ(std::memcmp(&r, &m, offsetof(MelodySettings, reserved3)), 0);
        EXPECT_EQ(
            std::memcmp(&r.ornament, &m.ornament,
                        offsetof(MelodySettings, reserved14) - offsetof(MelodySettings, ornament)),
            0);
        EXPECT_EQ(read.voice[part], style.voice[part]);
        EXPECT_EQ(read.density[part], style.density[part]);
        EXPECT_EQ(read.tuneLength, style.tuneLength);
    }
}

// A density reads as the class of its band and each class gives back the
// density the rest-rate list names.
TEST(RestClasses, DensitiesAndClassesMeet) {
    const int bands[][2] = {{-5, 8},  {29, 8},  {30, 7},  {49, 7},  {50, 6},  {89, 5},
                            {90, 4},  {109, 4}, {110, 3}, {129, 3}, {130, 2}, {149, 2},
                            {150, 1}, {169, 1}, {170, 4}, {1000, 4}};
    for (const auto& [density, restClass] : bands)
        EXPECT_EQ(DensityToRestClass(density), restClass) << density;
    for (int restClass = 1; restClass <= 8; ++restClass) {
        const int density = RestClassToDensity(restClass);
        EXPECT_EQ(DensityToRestClass(density), restClass);
        EXPECT_EQ(kRestRate.values[static_cast<std::size_t>(restClass - 1)], density);
    }
    EXPECT_EQ(RestClassToDensity(0), 100);
    EXPECT_EQ(RestClassToDensity(9), 100);
}

}  // namespace
