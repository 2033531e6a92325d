#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compose/chord_name_ctl.h"
#include "compose/chord_record.h"
#include "compose/chord_structure.h"
#include "midi/midi_event.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

constexpr int kCell = 192;
constexpr const char* kSharpNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};
const ScaleString kMajorScale = [] {
    ScaleString s;
    std::memcpy(s.text, kMajorScaleNotes, 16);
    return s;
}();

// Recognises one cell of whole-cell notes: bass pitch classes with their
// weights and harmony pitch classes of full weight.
std::string Recognise(std::vector<std::pair<int, std::uint32_t>> bass, std::vector<int> harmony,
                      int mode = 1) {
    ChordStructure cell(mode, kCell, 0);
    for (auto [pc, w] : bass)
        cell.AddWeight(1, pc, w);
    for (int pc : harmony)
        cell.AddWeight(2, pc % 12, kCell);
    std::array<ChordNameEntry, 1> names{};
    cell.RecogniseCell(0, names, kMajorScale);
    return ChordNameText(names[0]);
}

struct Quality {
    const char* suffix;
    std::vector<int> intervals;
};

// Every quality the recognition names, spelled as the names should read.
const std::vector<Quality> kQualities = {
    {"", {0, 4, 7}},          {"m", {0, 3, 7}},         {"dim", {0, 3, 6}},
    {"sus4", {0, 5, 7}},      {"6", {0, 4, 7, 9}},      {"m6", {0, 3, 7, 9}},
    {"7", {0, 4, 7, 10}},     {"M7", {0, 4, 7, 11}},    {"m7", {0, 3, 7, 10}},
    {"mM7", {0, 3, 7, 11}},   {"dim6", {0, 3, 6, 9}},   {"dim7", {0, 3, 6, 10}},
};

TEST(ChordRecognition, CellWeightExamples) {
    EXPECT_EQ(Recognise({{0, kCell}}, {0, 4, 7}), "C");
    EXPECT_EQ(Recognise({{0, kCell}}, {0, 4, 7, 10}), "C7");
    EXPECT_EQ(Recognise({{9, kCell}}, {0, 4, 7}), "Am7");
    // A light bass under a heavier triad names the triad over the bass
    // (in minor, where no tension over G adds to its score).
    EXPECT_EQ(Recognise({{7, kCell / 4}}, {5, 9, 0}, 0), "FonG");
    // In major the ninth over G makes it Gsus4 with the seventh.
    EXPECT_EQ(Recognise({{7, kCell / 4}}, {5, 9, 0}, 1), "Gsus47(9)");
    // A lighter minor third over a sus4 turns the fourth into the eleventh.
    ChordStructure cell(1, kCell, 0);
    cell.AddWeight(1, 7, kCell);
    for (int pc : {7, 0, 2})
        cell.AddWeight(2, pc, kCell);
    cell.AddWeight(2, 10, kCell / 2);
    std::array<ChordNameEntry, 1> names{};
    cell.RecogniseCell(0, names, kMajorScale);
    EXPECT_EQ(ChordNameText(names[0]), "Gm(11)");
    // Nothing sounding at all.
    EXPECT_EQ(Recognise({}, {}), "UnKnown");
}

TEST(ChordRecognition, EveryRootAndQualityInRootPositionInBothModes) {
    for (int mode = 0; mode < 2; ++mode) {
        for (int root = 0; root < 12; ++root) {
            for (const Quality& q : kQualities) {
                std::vector<int> harmony;
                for (int i : q.intervals)
                    harmony.push_back(root + i);
                EXPECT_EQ(Recognise({{root, kCell}}, harmony, mode),
                          std::string(kSharpNames[root]) + q.suffix)
                    << "mode " << mode;
            }
        }
    }
}

TEST(ChordRecognition, MelodyAloneGivesItsTriad) {
    ChordStructure cell(1, kCell, 0);
    for (int pc : {9, 0, 4})
        cell.AddWeight(3, pc, 48);
    const RecognisedChord c = cell.RecogniseMelodyOnly(kMajorScale);
    EXPECT_EQ(NameRecognisedChord(c), "Am");
    // A lone note takes its third from the scale: E has G# outside C major.
    ChordStructure lone(1, kCell, 0);
    lone.AddWeight(3, 4, 48);
    EXPECT_EQ(NameRecognisedChord(lone.RecogniseMelodyOnly(kMajorScale)), "Em");
    lone.Clear();
    lone.AddWeight(3, 0, 48);
    EXPECT_EQ(NameRecognisedChord(lone.RecogniseMelodyOnly(kMajorScale)), "C");
}

TEST(ChordRecognition, NoteSplitsOverTheCellAndTheNextOnly) {
    std::array<std::int32_t, 256> roles{};
    roles[1] = 1;
    roles[2] = 2;
    roles[3] = 3;
    ChordStructure cell(1, kCell, 0), next(1, kCell, 0);
    MidiEvent note;
    note.kind = event_kind::kNote;
    note.channel = 2;
    note.note = 64;
    note.length = 5 * kCell;  // reaches three cells further
    cell.AddNote(note, kCell + 40, kCell, next, roles, kCell);
    EXPECT_EQ(cell.HarmonyWeights()[4], static_cast<std::uint32_t>(kCell - 40));
    EXPECT_EQ(next.HarmonyWeights()[4], static_cast<std::uint32_t>(kCell));
    note.channel = 1;
    note.note = 43;
    note.length = 10;
    cell.AddNote(note, kCell + 50, kCell, next, roles, kCell);
    note.note = 38;
    cell.AddNote(note, kCell + 60, kCell, next, roles, kCell);
    EXPECT_EQ(cell.FirstBass(), 7);
    note.channel = 4;  // no role: nothing
    cell.AddNote(note, kCell, kCell, next, roles, kCell);
    EXPECT_EQ(cell.BassWeights()[2], 10u);
    cell.Shift(next);
    EXPECT_EQ(cell.HarmonyWeights()[4], static_cast<std::uint32_t>(kCell));
    EXPECT_EQ(next.HarmonyWeights()[4], 0u);
    EXPECT_EQ(cell.FirstBass(), -1);
}

// Random cells of every kind: the name fits its entry, and parses back.
TEST(ChordRecognition, EveryNameFitsItsEntryAndParses) {
    std::mt19937 random(35);
    for (int round = 0; round < 4000; ++round) {
        ChordStructure cell(round % 2, kCell, 0);
        for (int role = 1; role <= 3; ++role)
            for (int pc = 0; pc < 12; ++pc)
                if (random() % 3 == 0) cell.AddWeight(role, pc, random() % (2 * kCell));
        std::array<ChordNameEntry, 2> names{};
        cell.RecogniseCell(1, names, kMajorScale);
        ASSERT_EQ(names[1][kChordNameSize - 1], '\0');
        const std::string name = ChordNameText(names[1]);
        ASSERT_LE(name.size(), static_cast<std::size_t>(kMaxChordNameLength));
        ChordNameCtl ctl;
        EXPECT_EQ(ctl.Parse(name), 0u) << name;
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(ChordNaming, RenamedVoicingsNameTheBass) {
    // A sixth chord a fifth above the bass, a major triad a minor third
    // above it.
    RecognisedChord g6{7, 0, 4, 7, 9};
    EXPECT_EQ(NameRecognisedChord(g6), "CM7");
    RecognisedChord c{0, 9, 4, 7, 0};
    EXPECT_EQ(NameRecognisedChord(c), "Am7");
    c.bass = 4;
    EXPECT_EQ(NameRecognisedChord(c), "ConE");
}

TEST(ChordNaming, LongestNamesDropTensionsThatDoNotFit) {
    RecognisedChord c;
    c.root = 7;
    c.bass = 8;
    c.third = 5;
    c.fifth = 7;
    c.seventh = 11;
    c.ninth = 1;
    c.eleventh = 6;
    c.thirteenth = 9;
    EXPECT_EQ(NameRecognisedChord(c), "Gsus4M7onG#(b9)");
    c.bass = 7;
    EXPECT_EQ(NameRecognisedChord(c), "Gsus4M7(b9,#11)");
    c.third = 4;
    EXPECT_EQ(NameRecognisedChord(c), "GM7(b9,#11,13)");
}

TEST(ChordNameCtl, ParsesNamesToPitches) {
    struct Case {
        const char* name;
        int root, third, fifth, seventh;
    };
    const Case cases[] = {
        {"Am7", 69, 72, 76, 79},    {"Bbsus4", 70, 75, 77, 0}, {"F#dim", 66, 69, 72, 0},
        {"CM7", 60, 64, 67, 71},    {"Cdim7", 60, 63, 66, 70}, {"C(9", 60, 64, 67, 74},
        {"Eb6", 63, 67, 70, 72},    {"G", 67, 71, 74, 0},
    };
    for (const Case& k : cases) {
        ChordNameCtl ctl;
        EXPECT_EQ(ctl.Parse(k.name), 0u);
        EXPECT_EQ(ctl.root, k.root) << k.name;
        EXPECT_EQ(ctl.third, k.third) << k.name;
        EXPECT_EQ(ctl.fifth, k.fifth) << k.name;
        EXPECT_EQ(ctl.seventh, k.seventh) << k.name;
        EXPECT_EQ(ctl.bass, k.root - 12) << k.name;
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(ChordNameCtl, EveryParseStartsFromNothing) {
    ChordNameCtl ctl;
    ctl.Parse("Cm7");
    ctl.Parse("ConG");
    EXPECT_EQ(ctl.seventh, 0);
    ctl.Parse("Cm7");
    ctl.Parse("C(b9");
    EXPECT_EQ(ctl.seventh, 0);
    for (const char* none : {"", "N/C", "UnKnown"}) {
        ctl.Parse("Cm7");
        EXPECT_EQ(ctl.Parse(none), 0u);
        EXPECT_TRUE(ctl.IsNoChord());
        EXPECT_EQ(ctl.seventh, 0);
    }
    EXPECT_EQ(Sink().Count(), 0u);
    ctl.Parse("Cm7");
    EXPECT_EQ(ctl.Parse("H7"), cncl::kUnexpectedText);
    EXPECT_TRUE(ctl.IsNoChord());
    EXPECT_EQ(ctl.Parse("Cx"), cncl::kInvalidThird);
    EXPECT_TRUE(ctl.IsNoChord());
    ASSERT_EQ(Sink().Count(), 2u);
    EXPECT_EQ(Sink().Texts()[0], "CNCL2D000001 Unexpected text in marker!");
    EXPECT_EQ(Sink().Texts()[1], "CNCL2D000002 Invalid Third Note!");
}

TEST(ChordNameCtl, ErrorCodesHaveTheirTexts) {
    ChordNameCtl::ErrorMsg(0x2D000009);
    ChordStructure::ErrorMsg(cdst::kCalculation);
    ChordStructure::ErrorMsg(0x31000002);
    const auto texts = Sink().Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "CNCL2D000009 Error occurred in ChordNameCtl!");
    EXPECT_EQ(texts[1], "CDST31000001 ChordStructure calcuration error");
    EXPECT_EQ(texts[2], "CDST31000002 Error has been occured in ChordStructure.");
}

TEST(ChordRootLetters, PitchClassLetterIsTheInverseOfTheLetterPitchClass) {
    for (int pc = -12; pc < 24; ++pc) {
        const char letter = PitchClassToRootLetter(pc);
        EXPECT_TRUE(IsRootLetter(letter));
        EXPECT_EQ(RootLetterToPitchClass(letter), ((pc % 12) + 12) % 12);
    }
}

std::vector<ChordNameEntry> Names(std::initializer_list<const char*> texts) {
    std::vector<ChordNameEntry> names;
    for (const char* t : texts) {
        ChordNameEntry e{};
        std::strncpy(e.data(), t, kMaxChordNameLength);
        names.push_back(e);
    }
    return names;
}

TEST(ChordPacking, RunsOfEqualNamesPackIntoOneEntryEach) {
    const auto names = Names({"C", "C", "C", "C", "G7", "G7", "G7", "G7", "Am", "Am", "Am"});
    ParsedChordList list;
    BuildChordList(list, static_cast<int>(names.size()), kCell, names);
    ASSERT_EQ(list.chords.size(), 3u);
    EXPECT_EQ(list.chords[2].length, 3 * kCell);
    std::array<std::uint8_t, 64> out{};
    out.fill(0xEE);
    const int n = PackChordList(list, 96, 96, out);
    ASSERT_EQ(n, 18);
    const std::uint8_t expected[20] = {0x03, 0x00, 'C', 'M', 'P', 'd', 0x03, 0x00, 'G', 'M',
                                       'P',  's',  0x02, 0x40, 'A', 'm', 'P', 'd', 0, 0};
    EXPECT_EQ(std::memcmp(out.data(), expected, sizeof expected), 0);
    // Scaled to another division.
    EXPECT_EQ(PackChordList(list, 48, 96, out), 18);
    EXPECT_EQ(out[0] * 256 + out[1], 384);
}

TEST(ChordPacking, CodesFollowTheParsedIntervals) {
    const auto names = Names({"CM7", "Dm7", "Bbsus4", "N/C", "F#dim", "D"});
    ParsedChordList list;
    BuildChordList(list, 6, kCell, names);
    std::array<std::uint8_t, 64> out{};
    ASSERT_EQ(PackChordList(list, 96, 96, out), 36);
    std::string codes;
    for (int i = 0; i < 6; ++i)
        codes += std::string(reinterpret_cast<const char*>(out.data() + 6 * i + 2), 4) + " ";
    EXPECT_EQ(codes, "CMPS DmPs bMPd NoCd gmPd DMPd ");
}

TEST(ChordPacking, NeverWritesPastTheBufferAndKeepsLongChordsWhole) {
    // 900 alternating chords cannot all fit 4096 bytes.
    std::vector<ChordNameEntry> names;
    for (int i = 0; i < 1800; ++i)
        names.push_back(Names({i % 2 ? "C" : "G"})[0]);
    ParsedChordList list;
    BuildChordList(list, 1800, kCell, names);
    ASSERT_EQ(list.chords.size(), static_cast<std::size_t>(ParsedChordList::kMaxChords));
    std::vector<std::uint8_t> out(kHarmonyStructureBytes + 16, 0xEE);
    const int n = PackChordList(list, 96, 96, std::span(out).first(kHarmonyStructureBytes));
    EXPECT_EQ(n, 682 * 6);
    EXPECT_EQ(out[static_cast<std::size_t>(n)], 0);
    EXPECT_EQ(out[static_cast<std::size_t>(n) + 1], 0);
    EXPECT_EQ(out[kHarmonyStructureBytes], 0xEE);

    // 1800 equal cells: 345,600 ticks, split into full entries and a rest.
    std::vector<ChordNameEntry> same(1800, Names({"Dm"})[0]);
    ParsedChordList one;
    BuildChordList(one, 1800, kCell, same);
    ASSERT_EQ(one.chords.size(), 1u);
    const int m = PackChordList(one, 96, 96, std::span(out).first(kHarmonyStructureBytes));
    long long total = 0;
    for (int i = 0; i < m; i += 6) {
        const int len = out[static_cast<std::size_t>(i)] * 256 + out[static_cast<std::size_t>(i) + 1];
        EXPECT_GT(len, 0);
        total += len;
    }
    EXPECT_EQ(total, 1800LL * kCell);
    // Exactly 65,536 ticks is no end mark either.
    ParsedChordList wrap;
    BuildChordList(wrap, 256, 256, same);
    ASSERT_EQ(PackChordList(wrap, 96, 96, out), 12);
    EXPECT_EQ(out[0] * 256 + out[1] + out[6] * 256 + out[7], 65536);
    // A chord that scales to nothing is left out rather than ending the list.
    EXPECT_EQ(PackChordList(one, 96, 0, out), 0);
    EXPECT_EQ(PackChordList(list, 96, 96, std::span(out).first(7)), 0);
    EXPECT_EQ(out[0], 0);
}

}  // namespace
