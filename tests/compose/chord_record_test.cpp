#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "compose/knowledge_text.h"
#include "core/utilities.h"
#include "tests/compose/compose_test_util.h"
#include "tests/support/test_support.h"

using compose_test::Chord;
using compose_test::Weights;
using testing_support::Sink;

namespace {

class ChordRecords : public compose_test::StyleFixture {};

constexpr char kRoots[] = "CdDeEFgGaAbB";

// Every code of the weight table, in table order, spelled independently of
// the table builder.
std::vector<std::string> AllTableCodes() {
    std::vector<std::string> codes;
    for (char r : std::string(kRoots))
        for (char t : std::string("Mm4"))
            for (char f : std::string("PAd"))
                for (char s : std::string("Ssdo69"))
                    codes.push_back(std::string{r, t, f, s});
    return codes;
}

std::vector<int> Tones(const ChordRecord& c) {
    return {c.root, c.bass, c.third, c.fifth, c.seventh};
}

}  // namespace

TEST_F(ChordRecords, WorkedExamples) {
    // The weight table is there without any load of the knowledge base.
    EXPECT_EQ(std::string(ChordWeightTable, 19), "CMPS900090090004|\r\n");

    ChordRecord none = Chord("NoCd");
    EXPECT_EQ(Tones(none), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(Sink().Count(), 0u);

    std::set<int> thirds;
    for (int seed = 1; seed <= 40; ++seed) {
        SeedRandomWith(seed);
        ChordRecord c = Chord("CMPS");
        EXPECT_EQ(c.root, 60);
        EXPECT_EQ(c.bass, 36);
        EXPECT_EQ(c.fifth, 67);
        EXPECT_EQ(c.seventh, 71);
        EXPECT_TRUE(c.third == 64 || c.third == 76) << int(c.third);
        thirds.insert(c.third);
        EXPECT_EQ(c.length, 384);
        EXPECT_EQ(std::string(c.code.text, 4), "CMPS");

        // The flat-B ninth lies above 83 and always ends an octave down.
        EXPECT_EQ(Chord("bMP9").seventh, 72);
    }
    EXPECT_EQ(thirds.size(), 2u);  // both octaves of the third are drawn

    WorkingStyle.harmonyPattern = 47;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Chord("BMPd").third, 71 + 4);
}

TEST_F(ChordRecords, TranspositionMovesTonesButNeverTheMissingOnes) {
    ChordRecord g = Chord("GMPs");
    ChordRecord up = g;
    up.TransposeUp();
    EXPECT_EQ(std::string(up.code.text, 4), "aMPs");
    std::vector<int> before = Tones(g), after = Tones(up);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(after[i], before[i] + 1) << i;
    up.TransposeDown();
    EXPECT_EQ(Tones(up), before);
    EXPECT_EQ(std::string(up.code.text, 4), "GMPs");

    // No seventh, no third, no fifth, and no chord at all: zeros stay zeros
    // (an 8-bit tone must not wrap to 255 either).
    for (const char* code : {"GMPd", "NoCd"}) {
        ChordRecord c = Chord(code);
        std::vector<int> start = Tones(c);
        c.TransposeDown();
        c.TransposeDown();
        c.TransposeUp();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Tones(c)[i], start[i] == 0 ? 0 : start[i] - 1) << code << i;
    }
    ChordRecord none = Chord("NoCd");
    none.TransposeUp();
    EXPECT_EQ(std::string(none.code.text, 4), "NoCd");
}

TEST_F(ChordRecords, ChordsWithoutARootEndWithoutTones) {
    // A third or seventh on no root used to be placed forever: with no root
    // nothing is drawn and every tone is 0.
    for (const char* code : {"NMPs", "N4A9", "NmdS"}) {
        ChordRecord c = Chord(code);
        EXPECT_EQ(Tones(c), (std::vector<int>{0, 0, 0, 0, 0})) << code;
    }
    EXPECT_EQ(Sink().Count(), 0u);
    ChordRecord bad = Chord("XMPs");
    EXPECT_EQ(Tones(bad), (std::vector<int>{0, 0, 0, 0, 0}));
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_NE(Sink().Texts()[0].find("root note error!"), std::string::npos);

    // Bad quality letters report and still give a chord: the third at the
    // root's own interval, the fifth on the root, the seventh at interval 0.
    Sink().Clear();
    ChordRecord letters = Chord("DxZq");
    EXPECT_EQ(Sink().Count(), 3u);
    EXPECT_TRUE(letters.third == 62 || letters.third == 74);
    EXPECT_EQ(letters.fifth, 62);
    EXPECT_EQ(letters.seventh, 62);
}

TEST_F(ChordRecords, BassFromFixedBassAndOnChordText) {
    // The first tune already has the fixed bass.
    EXPECT_EQ(FixedBassPitch, kDefaultFixedBassPitch);
    WorkingStyle.fixedBass = kFixedBassSetting;
    EXPECT_EQ(Chord("EmPs").bass, 43);
    EXPECT_EQ(Chord("EmPs", "04").bass, 47);
    WorkingStyle.fixedBass = 0;
    EXPECT_EQ(Chord("EmPs", "11").bass, 40 + 11);
    EXPECT_EQ(Chord("EmPs", "").bass, 40);
    ChordRecord text = Chord("EmPs", "03");
    EXPECT_EQ(std::string(text.onChordText, 2), "03");
    ChordRecord none = Chord("EmPs", nullptr);
    EXPECT_EQ(none.onChordText[0], '\0');
}

TEST_F(ChordRecords, SeededConstructionRepeats) {
    const std::vector<std::string> codes = AllTableCodes();
    auto build = [&] {
        std::vector<int> pitches;
        for (const std::string& code : codes)
            for (int t : Tones(Chord(code)))
                pitches.push_back(t);
        return pitches;
    };
    SeedRandomWith(1234);
    std::vector<int> first = build();
    SeedRandomWith(1234);
    EXPECT_EQ(build(), first);
    SeedRandomWith(99);
    EXPECT_NE(build(), first);
}

TEST_F(ChordRecords, WeightTableTextAndIndex) {
    BuildChordCodeTable();
    const std::size_t expected = kChordTableEntries * kChordTableEntrySize;
    EXPECT_EQ(expected, 12312u);
    EXPECT_EQ(std::strlen(ChordWeightTable), expected);
    EXPECT_EQ(std::string(ChordWeightTable, 19), "CMPS900090090004|\r\n");

    // An independent reading of the text: every token is a code of the table
    // in order, with root, third and fifth at 9.
    const std::vector<std::string> codes = AllTableCodes();
    char token[32];
    int length = 0, position = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        ASSERT_FALSE(ReadKnowledgeToken(ChordWeightTable, token, sizeof token, length, position));
        ASSERT_EQ(length, 16);
        const std::string entry(token, 16);
        EXPECT_EQ(entry.substr(0, 4), codes[i]);
        EXPECT_EQ(ChordTableIndex(codes[i].c_str()), static_cast<int>(i));
        int nines = 0;
        for (char c : entry.substr(4))
            nines += c == '9';
        EXPECT_EQ(nines, 3) << entry;

        ScaleString fast{}, slow{};
        LookUpChordWeights(codes[i].c_str(), fast);
        ScanChordWeightTable(codes[i].c_str(), slow);
        EXPECT_EQ(std::string(fast.text, 16), entry);
        EXPECT_EQ(std::string(slow.text, 16), entry);
    }
    EXPECT_TRUE(ReadKnowledgeToken(ChordWeightTable, token, sizeof token, length, position));
    EXPECT_EQ(length, 0);

    // Codes the table does not hold leave the output alone.
    for (const char* code : {"CoPd", "CMCd", "NoCd", "XMPs"}) {
        ScaleString out = Weights("keepkeepkeepkeep");
        EXPECT_EQ(ChordTableIndex(code), -1) << code;
        LookUpChordWeights(code, out);
        EXPECT_EQ(compose_test::Text(out), "keepkeepkeepkeep");
    }
    char entry[16];
    BuildChordWeightEntry("aoCd", entry);
    EXPECT_EQ(std::string(entry, 16), "aoCd000000009000");
    BuildChordWeightEntry("e4d6", entry);
    EXPECT_EQ(std::string(entry, 16), "e4d6500900009900");
}

TEST_F(ChordRecords, RootLetters) {
    EXPECT_EQ(RootUpFifth('C'), 'G');
    EXPECT_EQ(RootUpFifth('G'), 'D');
    EXPECT_EQ(RootUpFifth('b'), 'F');
    EXPECT_EQ(RootUpFifth('g'), 'd');
    EXPECT_EQ(RootUpFourth('C'), 'F');
    EXPECT_EQ(RootUpSemitone('B'), 'C');
    EXPECT_EQ(RootDownSemitone('C'), 'B');
    for (int i = 0; i < 12; ++i) {
        char r = kRoots[i];
        EXPECT_EQ(RootLetterToPitchClass(r), i);
        EXPECT_EQ(RootDownSemitone(RootUpSemitone(r)), r);
        EXPECT_EQ(RootUpFourth(RootUpFifth(r)), r);  // a fourth and a fifth make an octave
        EXPECT_EQ(RootLetterToPitchClass(RootUpFifth(r)), (i + 7) % 12);
    }
    for (char other : {'N', 'x', 'c', '\0', '9'}) {
        EXPECT_EQ(RootUpSemitone(other), other);
        EXPECT_EQ(RootLetterToPitchClass(other), 0);
    }
    EXPECT_TRUE(SameChordCode("CMPS", "CMPSx"));
    EXPECT_FALSE(SameChordCode("CMPS", "CMPs"));
}

TEST_F(ChordRecords, ChordTonesByPitchClass) {
    ChordRecord c = Chord("CMPs");  // C E G b
    EXPECT_TRUE(c.IsDominantSeventh());
    EXPECT_FALSE(Chord("CMPS").IsDominantSeventh());
    EXPECT_TRUE(c.IsChordTone(46));
    EXPECT_TRUE(c.IsSeventhPitch(118));
    EXPECT_FALSE(c.IsTriadPitch(70));
    EXPECT_TRUE(c.IsTriadPitch(7));

    EXPECT_EQ(c.NearestChordTone(61), 60);
    EXPECT_EQ(c.NearestChordTone(66), 67);  // G is one up, E two down
    EXPECT_EQ(c.NearestChordTone(69), 70);
    // Nearest by class, but never outside the MIDI keys.
    EXPECT_EQ(Chord("dMPd").NearestChordTone(127), 116);
    EXPECT_EQ(testing_support::Clock().Slept().count(), 0);  // answered without a sleep

    int p = 62;
    c.StepToChordTone(p, 1);
    EXPECT_EQ(p, 64);
    p = 69;
    c.StepToChordTone(p, 1);
    EXPECT_EQ(p, 70);
    p = 69;
    c.StepToTriadTone(p, 1);
    EXPECT_EQ(p, 72);
    p = 69;
    c.NearestTriadTone(p, 0);
    EXPECT_EQ(p, 67);
    p = 66;  // E and G... F# lies 2 above E and 1 below G
    c.NearestTriadTone(p, 0);
    EXPECT_EQ(p, 67);
    ChordRecord fifthOnly = Chord("CMPd");
    p = 62;  // D: C two below, E two above
    fifthOnly.NearestTriadTone(p, 0);
    EXPECT_EQ(p, 60);
    p = 62;
    fifthOnly.NearestTriadTone(p, 1);
    EXPECT_EQ(p, 64);
}

TEST_F(ChordRecords, AdjustToChordToneMovesEveryToneToFullWeight) {
    WorkingStyle.adjustToChordTone = 1;
    ChordRecord g = Chord("GMPd");
    ScaleString w;
    GetChordScaleWeights("GMPd", w);
    for (int tone : {int(g.root), int(g.bass), int(g.third), int(g.fifth), int(g.seventh)})
        EXPECT_EQ(WeightOf(w, tone), 9) << tone;
    EXPECT_EQ(g.seventh, 2);  // the missing seventh becomes the lowest full pitch, D
    EXPECT_EQ(g.ScaleWeightOf(g.root), 9);
    EXPECT_EQ(g.ScaleWeightOf(61), 0);
}

TEST_F(ChordRecords, StepsEndOnHostileInput) {
    const ScaleString zero = Weights("xxxx000000000000");
    const ScaleString full = Weights("xxxx999999999999");
    std::vector<ChordRecord> chords = {Chord("CMPs"), Chord("NoCd"), Chord("bo C9")};
    for (int pitch = -1000; pitch <= 1000; pitch += 7) {
        EXPECT_EQ(ChordRecord::StepPitchUpToScale(zero, pitch), 0);
        int up = ChordRecord::StepPitchUpToScale(full, pitch);
        EXPECT_TRUE(up >= 0 && up <= 127);
        for (const ScaleString& w : {zero, full}) {
            int r = ChordRecord::StepPitchToFullWeight(w, pitch);
            EXPECT_TRUE(r >= 0 && r <= 127) << pitch;
        }
        for (const ChordRecord& c : chords) {
            for (int step : {-1, 0, 1, 5, -7, INT_MIN, INT_MAX}) {
                int p = pitch;
                c.StepToChordTone(p, step);
                EXPECT_TRUE(p >= 0 && p <= 127);
                if (step == 0 && pitch >= 0 && pitch <= 127 && c.root != 0) {
                    EXPECT_EQ(p, pitch);
                }
                p = pitch;
                c.StepToTriadTone(p, step);
                EXPECT_TRUE(p >= 0 && p <= 127);
            }
            int n = c.NearestChordTone(pitch);
            EXPECT_TRUE(n >= 0 && n <= 127);
            int t = pitch;
            c.NearestTriadTone(t, 1);
            EXPECT_TRUE(t >= 0 && t <= 127);
        }
    }
    // Steps of one semitone end on a chord tone within 0..127.
    ChordRecord c = chords[0];
    for (int pitch = 0; pitch <= 127; ++pitch) {
        int p = pitch;
        c.StepToChordTone(p, -1);
        EXPECT_TRUE(p == 0 || c.IsChordTone(p)) << pitch;
        EXPECT_LE(p, pitch);
        int q = pitch;
        FoldPitchIntoRange(q, 48, 59);
        EXPECT_TRUE(q >= 48 && q <= 59 && q % 12 == pitch % 12) << pitch;
    }
    // Folding into inverted, empty and far-off ranges ends, and in 0..127.
    for (int pitch = -1000; pitch <= 1000; pitch += 13)
        for (auto [low, high] : std::vector<std::pair<int, int>>{
                 {60, 40}, {50, 50}, {-100, -90}, {500, 600}, {0, 127}}) {
            int q = pitch;
            FoldPitchIntoRange(q, low, high);
            EXPECT_TRUE(q >= 0 && q <= 127) << pitch << " " << low << " " << high;
        }
    int r = 30, b = 40, t = 64, f = 67, s = 0;
    FoldChordPitchesIntoRange(r, b, t, f, s, 55, 66);
    EXPECT_EQ((std::vector<int>{r, b, t, f, s}), (std::vector<int>{66, 64, 64, 55, 60}));
}
