// Reading chord names into codes: the worked examples, every name the program
// writes itself, and a refusal that leaves the tune without sections.
#include <gtest/gtest.h>

#include <string>

#include "compose/chord_analyzer.h"
#include "compose/tune_header.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/edited_tune.h"

namespace {

std::string Parse(const std::string& text) {
    char code[4];
    if (!ParseChordNameText(text, code)) return "refused";
    return std::string(code, 4);
}

TEST(ChordName, WorkedExamplesAndRefusal) {
    const std::pair<const char*, const char*> cases[] = {
        {"C", "CMPd"},     {"Cm", "CmPd"},     {"Cdim", "Cmdd"},  {"C/E", "CoCd"},
        {"C M7", "CMPS"},  {"C 7", "CMPs"},    {"Cm 7", "CmPs"},  {"Cm M7", "CmPS"},
        {"Cdim 7", "Cmds"}, {"C#m 7", "dmPs"}, {"Bbm", "bmPd"},   {"N/C", "NoCd"},
    };
    for (const auto& [text, code] : cases)
        EXPECT_EQ(Parse(text), code) << text;
    EXPECT_EQ(Parse("Cm9"), "refused");
    EXPECT_EQ(Parse("C(9)"), "CMPs");  // an extension in brackets reads as a seventh
}

TEST(ChordName, SharpRoots) {
    const std::string sharps = "ACDEFG";
    const std::string flats = "bdeFga";
    for (std::size_t i = 0; i < sharps.size(); ++i)
        EXPECT_EQ(SharpRootToFlatLetter(std::string(1, sharps[i]) + "#"), flats[i]);
    EXPECT_EQ(SharpRootToFlatLetter("B#"), 'C');
    EXPECT_EQ(SharpRootToFlatLetter("Db"), 'C');
}

// Every code the program names (root, minor or major, perfect, diminished or
// augmented fifth, no, minor or major seventh), with and without a bass,
// raw and after the analyzer's marker normalisation, reads back as itself.
TEST(ChordName, ProgramsOwnNamesReadAsTheirCode) {
    const std::string roots = "CdDeEFgGaAbB";
    int checked = 0;
    for (char root : roots) {
        for (const char* body : {"MP", "mP", "md", "MA"}) {
            for (char seventh : {'d', 's', 'S'}) {
                const char code[4] = {root, body[0], body[1], seventh};
                const std::string want(code, 4);
                std::string name = ChordCodeToName(code);
                EXPECT_EQ(Parse(name), want) << name;
                EXPECT_EQ(Parse(NormalizeChordMarkerText(name)), want) << name;
                for (int bass = 0; bass < 12; ++bass) {
                    std::string withBass = name;
                    AppendOnBass(withBass, bass + 48);
                    EXPECT_EQ(Parse(withBass), want) << withBass;
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 12 * 4 * 3 * 12);
    // The analyzer's texts once blanks and "sus4" are gone.
    EXPECT_EQ(Parse("C7"), "CMPs");
    EXPECT_EQ(Parse("CM7"), "CMPS");
    EXPECT_EQ(Parse("C7onE"), "CMPs");
    EXPECT_EQ(Parse("CmonG"), "CmPd");
    EXPECT_EQ(Parse("C#onG#"), "dMPd");
    EXPECT_EQ(Parse("Caug 7"), "CMAs");
    EXPECT_EQ(Parse("C onE"), "CMPd");
}

TEST(SectionTable, RefusedMarkerLeavesNoSections) {
    const std::string path = tuneedit_test::SaveTune(
        "refused.mid", {{0, "C"}, {384, "Cm9"}, {768, "G"}}, {{1, 0, 60, 96}});
    EditObject edit(path);
    EXPECT_EQ(edit.Tune().SectionCount(), 0);
    for (const MidiEvent* e : edit.Tune().Track(0)->Events())
        EXPECT_FALSE(e->IsMeta(meta_type::kMarker));
}

}  // namespace
