#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "compose/knowledge_text.h"
#include "core/utilities.h"
#include "tests/compose/compose_test_util.h"
#include "tests/support/test_support.h"

using compose_test::Chord;
using compose_test::Combined;
using compose_test::Text;
using compose_test::Weights;
using testing_support::Sink;

namespace {

class ChordWeights : public compose_test::StyleFixture {};

// The scale rows, written out apart from the code under test: major, minor.
std::pair<std::string, std::string> ScaleRow(int scale) {
    static const std::map<int, std::pair<std::string, std::string>> rows = {
        {1, {"919299192929", "919295555929"}},
        {2, {"900099090009", ""}},
        {3, {"900099090009", ""}},
        {4, {"909009090900", ""}},
        {5, {"909909099009", ""}},
        {6, {"919959199595", "919957777595"}},
        {7, {"929299292929", "929295555929"}},
        {8, {"959398696897", ""}},
        {9, {"009090090909", ""}},
        {10, {"990099099009", ""}},
        {12, {"909090909090", ""}},
        {13, {"990009099000", ""}},
        {14, {"909099909099", ""}},
        {15, {"990099099009", ""}},
        {16, {"900990990990", ""}},
        {17, {"909099090990", ""}},
        {18, {"909090990909", ""}},
        {19, {"990990990990", ""}},
        {20, {"909900000099", ""}},
        {21, {"909099009909", ""}},
        {22, {"990909090909", "909099009990"}},
        {24, {"990090909099", ""}},
    };
    auto it = rows.find(scale);
    if (it == rows.end()) it = rows.find(1);
    auto row = it->second;
    if (row.second.empty()) row.second = row.first;
    return row;
}

// Digits rotated up by k semitones: the digit of class p moves to p + k.
std::string Rotated(const std::string& digits, int k) {
    std::string out(12, '?');
    for (int p = 0; p < 12; ++p)
        out[(p + k) % 12] = digits[p];
    return out;
}

constexpr char kRoots[] = "CdDeEFgGaAbB";

std::vector<std::string> AllTableCodes() {
    std::vector<std::string> codes;
    for (char r : std::string(kRoots))
        for (char t : std::string("Mm4"))
            for (char f : std::string("PAd"))
                for (char s : std::string("Ssdo69"))
                    codes.push_back(std::string{r, t, f, s});
    return codes;
}

}  // namespace

TEST_F(ChordWeights, WorkedExamples) {
    EXPECT_EQ(Combined("CMPS"), "CMPS905095090509");
    EXPECT_EQ(Combined("NoCd"), "xxxx919299192929");
    // D F# A C: F# lies outside scale 1; a fourth up still leaves it at 1, a
    // fifth up covers the chord.
    EXPECT_EQ(Combined("DMPs"), "DMPs909050950905");
    // e G b: neither rotation covers it, so the scale is used unrotated.
    EXPECT_EQ(Combined("eMPd"), "eMPd505755090575");
    WorkingStyle.scale = 2;  // no rotation outside scales 1 and 7
    EXPECT_EQ(Combined("DMPs"), "DMPs900055050005");

    WorkingStyle.scale = 1;
    WorkingStyle.keyOffset = 2;
    EXPECT_EQ(Combined("NoCd"), "xxxx299192991929");
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_TRUE(IsPitchUsableOverChord(62, "DMPS"));
    EXPECT_FALSE(IsPitchUsableOverChord(63, "DMPS"));
}

TEST_F(ChordWeights, CodesOutsideTheTableStillWeigh) {
    // No third or no fifth: the table leaves these out, and all-zero weights
    // would leave the writers no usable pitch.
    EXPECT_EQ(Combined("CoCd"), "CoCd905055050505");
    EXPECT_EQ(Combined("GMCs"), "GMCs505059090509");
    // A code without a root letter weighs as the scale, like "NoCd".
    EXPECT_EQ(Combined("XMPs"), "xxxx919299192929");
    EXPECT_EQ(Combined("N4Ad"), "xxxx919299192929");

    // The table is there from start-up; even cleared, lookups stay right.
    ASSERT_EQ(std::string(ChordWeightTable, 16), "CMPS900090090004");
    std::memset(ChordWeightTable, 0, sizeof ChordWeightTable);
    EXPECT_EQ(Combined("CMPS"), "CMPS905095090509");
    BuildChordCodeTable();
    std::memcpy(ChordWeightTable + 19, "xxxx", 4);  // an edited table is scanned
    ScaleString out{};
    LookUpChordWeights("CMPs", out);
    EXPECT_EQ(Text(out).substr(0, 4), std::string(4, '\0'));
    BuildChordCodeTable();
}

TEST_F(ChordWeights, RotationsAndTransposition) {
    const ScaleString in = Weights("xxxx123456789012");
    ScaleString out, step = in;
    for (int n = 0; n <= 12; ++n) {
        RotateWeightsBy(out, in, n);
        EXPECT_EQ(Text(out), Text(step)) << n;
        EXPECT_EQ(Text(out).substr(4), Rotated("123456789012", n % 12));
        ScaleString next;
        RotateWeightsUp(next, step);
        step = next;
    }
    RotateWeightsBy(out, in, -1);
    EXPECT_EQ(Text(out), "xxxx234567890121");

    // Transposing a chord's entry gives the entry of the moved root.
    const std::vector<std::string> codes = AllTableCodes();
    for (const std::string& code : codes) {
        char entry[16];
        BuildChordWeightEntry(code.c_str(), entry);
        for (int n : {1, 5, 11, 12, 25, -3}) {
            ScaleString w = Weights(std::string_view(entry, 16));
            TransposeWeights(w, n);
            std::string moved = code;
            moved[0] = kRoots[(RootLetterToPitchClass(code[0]) + ((n % 12) + 12)) % 12];
            char expected[16];
            BuildChordWeightEntry(moved.c_str(), expected);
            ASSERT_EQ(Text(w), std::string(expected, 16)) << code << " " << n;
        }
    }

    // "Scale Notes" from a file: non-digits count as '0'; "REM" keeps its key.
    std::memcpy(WorkingStyle.scaleNotes,
                "xxxx9z9?99\xff"
                "90909",
                16);
    GetScaleWeights(11, out);
    EXPECT_EQ(Text(out), "xxxx909099090909");
    WorkingStyle.keyOffset = 3;
    std::memcpy(WorkingStyle.scaleNotes, "REM9009009009009", 16);
    GetScaleWeights(11, out);
    EXPECT_EQ(Text(out), "REM9009009009009");
    WorkingStyle.keyOffset = -21;  // (offset + 24) mod 12 = 3
    GetScaleWeights(2, out);
    EXPECT_EQ(Text(out), "xxxx009900099090");
}

// What is wrong with one chord in one scale, or an empty text. The scale
// digits in use are the plain row or, for scales 1 and 7, a rotation that
// covers the chord.
std::string CheckChord(const std::string& code, const std::string (&scales)[3], bool rotates) {
    static const std::map<char, int> thirds = {{'M', 4}, {'m', 3}, {'4', 5}};
    static const std::map<char, int> fifths = {{'P', 7}, {'A', 8}, {'d', 6}};
    ChordRecord c = Chord(code);
    if (c.third < 60 || c.third > 83) return "third";
    if (c.seventh != 0 && (c.seventh < 60 || c.seventh > 83)) return "seventh";
    if ((c.seventh == 0) != (code[3] == 'd')) return "seventh missing";
    if (c.root != 60 + RootLetterToPitchClass(code[0])) return "root";
    if (c.fifth != c.root + fifths.at(code[2])) return "fifth";
    if (c.third % 12 != (c.root + thirds.at(code[1])) % 12) return "third interval";
    if (c.bass != c.root - 24) return "bass";

    const int triad[3] = {c.root % 12, c.third % 12, c.fifth % 12};
    auto covers = [&](const std::string& digits) {
        for (int pc : triad)
            if (digits[pc] < '5') return false;
        return true;
    };
    const std::string* inUse = &scales[0];
    if (rotates && !covers(scales[0])) {
        if (covers(scales[1])) {
            inUse = &scales[1];
        } else if (covers(scales[2])) {
            inUse = &scales[2];
        }
    }
    ScaleString w;
    GetChordScaleWeights(code.c_str(), w);
    if (std::string(w.text, 4) != code) return "letters";
    for (int pc = 0; pc < 12; ++pc) {
        char d = w.text[4 + pc];
        if (d < '0' || d > '9') return "not a digit";
        if ((*inUse)[pc] == '0' && d != '0') return "outside the scale";
    }
    for (int pc : triad)
        if ((*inUse)[pc] >= '4' && w.text[4 + pc] != '9') return "triad tone below 9";
    return "";
}

// Every chord of the table in every key, scale and mode: the record's tones
// and the combined weights keep their invariants.
TEST_F(ChordWeights, AllCodesKeysScalesAndModes) {
    const std::vector<std::string> codes = AllTableCodes();
    std::memcpy(WorkingStyle.scaleNotes, "xxxx909909099009", 16);
    for (int key : {1, 2}) {
        WorkingStyle.key = key;
        for (int scale = 1; scale <= 24; ++scale) {
            WorkingStyle.scale = scale;
            for (int k = 0; k < 12; ++k) {
                WorkingStyle.keyOffset = k;
                auto row = ScaleRow(scale);
                std::string base = scale == 11 ? "909909099009" : key == 1 ? row.first : row.second;
                const std::string digits = Rotated(base, k);
                ScaleString s;
                GetScaleWeights(scale, s);
                ASSERT_EQ(Text(s), "xxxx" + digits) << scale << " " << k << " " << key;

                const std::string scales[3] = {digits, Rotated(digits, 5), Rotated(digits, 7)};
                for (const std::string& code : codes) {
                    std::string fault = CheckChord(code, scales, scale == 1 || scale == 7);
                    ASSERT_EQ(fault, "")
                        << code << " scale " << scale << " key " << key << " offset " << k;
                }
            }
        }
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(ChordWeights, StepsToWeights) {
    ChordRecord c7 = Chord("CMPs");
    // Over CMPs in scale 1 only C, E and G weigh 6 or more: each call lands
    // one step past the next of them.
    EXPECT_EQ(StepPitchToC7Scale(61, 1), 65);
    EXPECT_EQ(StepPitchToC7Scale(65, 1), 68);
    EXPECT_EQ(StepPitchToC7Scale(68, 1), 73);
    EXPECT_EQ(StepPitchToC7Scale(66, -1), 63);
    EXPECT_EQ(StepPitchToKeyScale(61, 1), 62);
    EXPECT_EQ(StepPitchToKeyScale(61, -1), 60);
    EXPECT_EQ(StepPitchToKeyScale(0, 1), 0);
    std::memcpy(WorkingStyle.scaleNotes, "xxxx999999909999", 16);  // no G
    EXPECT_EQ(StepPitchToKeyScale(127, -1), 126);
    EXPECT_EQ(StepPitchToKeyScale(127, 1), 127);
    EXPECT_EQ(StepPitchToKeyScale(7, -2), 5);
    std::memcpy(WorkingStyle.scaleNotes, "xxxx000000000000", 16);
    EXPECT_EQ(StepPitchToKeyScale(60, -1), 0);
    EXPECT_EQ(StepPitchToKeyScale(60, 1), 127);
    EXPECT_EQ(StepPitchToChordWeight(c7, 61, 1, 9), 64);
    EXPECT_EQ(StepPitchToChordWeight(c7, 61, -1, 5), 60);
    EXPECT_EQ(StepPitchToChordWeight(c7, 0, 1, 5), 0);

    WorkingStyle.melody[kPartBass].lowerLimit = 30;
    WorkingStyle.melody[kPartBass].upperLimit = 62;
    EXPECT_EQ(StepPitchToChordWeightInRange(c7, 61, 1, 9, kPartBass), 60);
    EXPECT_EQ(StepPitchToChordWeightInRange(c7, 59, 1, 9, kPartBass), 60);
    EXPECT_TRUE(IsInPartRange(0, kPartBass));
    EXPECT_FALSE(IsInPartRange(63, kPartBass));
    int p = 11;
    EXPECT_TRUE(ClampToPartRange(p, kPartBass));
    EXPECT_EQ(p, 0);
    p = 29;
    EXPECT_FALSE(ClampToPartRange(p, kPartBass));
    EXPECT_EQ(p, 29);

    SeedRandomWith(5);
    for (int i = 0; i < 50; ++i) {
        int r = RandomChordScalePitch("CMPs");
        ASSERT_TRUE(r >= 73 && r <= 84);
        EXPECT_TRUE(r % 12 == 0 || r % 12 == 4 || r % 12 == 7) << r;
        int top = RandomTopWeightPitch(Weights("xxxx515191519151"));
        EXPECT_TRUE(top == 4 || top == 8) << top;
    }
}

TEST_F(ChordWeights, StepsAndFoldsEndOnHostileInput) {
    std::memcpy(WorkingStyle.scaleNotes, "xxxx000000000000", 16);
    std::vector<ChordRecord> chords = {Chord("CMPs"), Chord("NoCd")};
    const std::vector<std::pair<int, int>> ranges = {{60, 40},   {50, 50}, {0, 0},     {-100, -90},
                                                     {500, 600}, {40, 80}, {127, 127}, {0, 127}};
    for (int scale : {11, 1}) {
        WorkingStyle.scale = scale;
        for (int pitch = -1000; pitch <= 1000; pitch += 11) {
            auto inMidi = [&](int r) { return r >= 0 && r <= 127; };
            for (int step : {-3, -1, 0, 1, 2, INT_MIN, INT_MAX}) {
                ASSERT_TRUE(inMidi(StepPitchToKeyScale(pitch, step))) << pitch << " " << step;
                ASSERT_TRUE(inMidi(StepPitchToC7Scale(pitch, step))) << pitch << " " << step;
                for (const ChordRecord& c : chords)
                    for (int threshold : {0, 5, 9, 10}) {
                        ASSERT_TRUE(inMidi(StepPitchToChordWeight(c, pitch, step, threshold)));
                        for (int part : {int{kPartMelody}, 0, 99, -5})
                            ASSERT_TRUE(inMidi(
                                StepPitchToChordWeightInRange(c, pitch, step, threshold, part)));
                    }
            }
            for (auto [low, high] : ranges) {
                WorkingStyle.melody[kPartHarmony].lowerLimit = low;
                WorkingStyle.melody[kPartHarmony].upperLimit = high;
                int p = pitch;
                FoldIntoPartRange(kPartHarmony, p);
                ASSERT_TRUE(pitch < 1 ? p == pitch : inMidi(p))
                    << pitch << " " << low << " " << high;
                p = pitch;
                ClampToPartRange(p, kPartHarmony);
                ASSERT_TRUE(inMidi(p));
            }
        }
    }
    // Zero weights leave the random pickers bounded.
    int r = RandomChordScalePitch("CMPs");
    EXPECT_TRUE(r >= 73 && r <= 84);
    EXPECT_EQ(RandomTopWeightPitch(Weights("xxxx000000000000")) >= 0, true);
}

TEST_F(ChordWeights, PartRangeFolding) {
    WorkingStyle.melody[kPartMelody].lowerLimit = 48;
    WorkingStyle.melody[kPartMelody].upperLimit = 84;
    for (int pitch = 1; pitch <= 127; ++pitch) {
        int p = pitch;
        FoldIntoPartRange(kPartMelody, p);
        ASSERT_TRUE(p >= 48 && p <= 84 && p % 12 == pitch % 12) << pitch;
    }
    int rest = 0;
    FoldIntoPartRange(kPartMelody, rest);
    EXPECT_EQ(rest, 0);

    // A narrow range folds by random steps, so the class is not kept.
    WorkingStyle.melody[kPartMelody].lowerLimit = 60;
    WorkingStyle.melody[kPartMelody].upperLimit = 70;
    std::set<int> classes;
    for (int seed = 0; seed < 40; ++seed) {
        SeedRandomWith(seed);
        int p = 30;
        FoldIntoPartRange(kPartMelody, p);
        ASSERT_TRUE(p >= 60 && p <= 62) << p;
        classes.insert(p % 12);
        p = 100;
        FoldIntoPartRange(kPartMelody, p);
        ASSERT_TRUE(p >= 68 && p <= 70) << p;
    }
    EXPECT_GT(classes.size(), 1u);
}

TEST_F(ChordWeights, Tension) {
    ChordRecord c7 = Chord("CMPs");
    ChordRecord triad = Chord("CMPd");
    MelodySettings& part = WorkingStyle.melody[kPartMelody];
    part.tension = 0;
    EXPECT_EQ(ApplyTension(64, 0, c7, 70, 96, kPartMelody), 64);
    part.tension = 2;  // jazz: the ninth, the seventh, the sixth, the first near one
    EXPECT_EQ(ApplyTension(64, 0, c7, 63, 96, kPartMelody), 62);
    EXPECT_EQ(ApplyTension(64, 0, c7, 71, 96, kPartMelody), 70);
    EXPECT_EQ(ApplyTension(64, 0, c7, 66, 96, kPartMelody), 69);
    EXPECT_EQ(ApplyTension(64, 0, c7, 80, 96, kPartMelody), 64);
    part.tension = 1;  // blue notes, only on short notes
    part.dissonance = 1;
    EXPECT_EQ(ApplyTension(60, 0, triad, 61, 192, kPartMelody), 60);
    EXPECT_EQ(ApplyTension(60, 0, triad, 61, 96, kPartMelody), 63);
    EXPECT_EQ(ApplyTension(70, 0, c7, 69, 96, kPartMelody), 70);  // the minor seventh stays
    int lowered = 0;
    SeedRandomWith(3);
    for (int i = 0; i < 200; ++i)
        lowered += ApplyTension(72, 0, triad, 75, 96, kPartMelody) == 74;
    EXPECT_GT(lowered, 60);
    EXPECT_LT(lowered, 140);
    EXPECT_EQ(ApplyTension(64, 0, c7, 70, 96, 42), 64);  // no such part

    EXPECT_TRUE(IsFlatDegree(63));
    EXPECT_TRUE(IsFlatDegree(10));
    EXPECT_FALSE(IsFlatDegree(64));
}

TEST_F(ChordWeights, TempoClasses) {
    const std::vector<std::pair<int, int>> bounds = {
        {0, 8},   {29, 8},  {30, 7},  {49, 7},  {50, 6},  {69, 6},  {70, 5},  {89, 5},  {90, 4},
        {109, 4}, {110, 3}, {129, 3}, {130, 2}, {149, 2}, {150, 1}, {169, 1}, {170, 4}, {-5, 8}};
    for (auto [bpm, cls] : bounds)
        EXPECT_EQ(TempoToClass(bpm), cls) << bpm;
    for (int cls = 1; cls <= 8; ++cls)
        EXPECT_EQ(TempoToClass(ClassToTempo(cls)), cls);
    EXPECT_EQ(ClassToTempo(0), 100);
    EXPECT_EQ(ClassToTempo(9), 100);
}

TEST_F(ChordWeights, KnowledgeTokens) {
    const char text[] = "1 2|\r\n3 4\r\n5|\r\n|abc";
    char token[8];
    int length = -1, position = 0;
    EXPECT_FALSE(ReadKnowledgeToken(text, token, sizeof token, length, position));
    EXPECT_EQ(std::string(token), "12");
    EXPECT_FALSE(ReadKnowledgeToken(text, token, sizeof token, length, position));
    EXPECT_EQ(std::string(token), "345");
    EXPECT_EQ(length, 3);
    EXPECT_FALSE(ReadKnowledgeToken(text, token, sizeof token, length, position));
    EXPECT_EQ(length, 0);
    // At the end the last gathered character is dropped.
    EXPECT_TRUE(ReadKnowledgeToken(text, token, sizeof token, length, position));
    EXPECT_EQ(std::string(token), "ab");
    EXPECT_TRUE(ReadKnowledgeToken(text, token, sizeof token, length, position));
    EXPECT_EQ(length, 0);

    // A token longer than the buffer is cut, and its rest still consumed.
    const char longText[] = "abcdefghij|k|";
    position = 0;
    EXPECT_FALSE(ReadKnowledgeToken(longText, token, 4, length, position));
    EXPECT_EQ(std::string(token), "abc");
    EXPECT_EQ(position, 11);

    position = 0;
    SkipKnowledgeEntries(longText, 1, position);
    EXPECT_EQ(position, 11);
    EXPECT_EQ(Sink().Count(), 0u);
    SkipKnowledgeEntries(longText, 5, position);
    EXPECT_EQ(position, 13);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_NE(Sink().Texts()[0].find("can't read database file!"), std::string::npos);
}
