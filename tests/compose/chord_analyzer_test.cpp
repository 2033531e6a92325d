#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compose/chord_analyzer.h"
#include "compose/chord_name_ctl.h"
#include "compose/tune_structure.h"
#include "midi/f1_data.h"
#include "midi/file_loader.h"
#include "midi/midi_event.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

constexpr int kDivision = 96;
constexpr int kCellTicks = 2 * kDivision;

struct Marker {
    long long time;
    std::string text;
};

std::vector<Marker> MarkersOf(const MidiTrackData& track) {
    std::vector<Marker> out;
    long long t = 0;
    for (const MidiEvent* e : track.Events()) {
        t += e->delta;
        if (e->IsMeta(meta_type::kMarker))
            out.push_back({t, std::string(e->DataText().substr(0, static_cast<std::size_t>(e->DataLength())))});
    }
    return out;
}

// A tune of a conductor track and one track per part, one chord per cell:
// the bass plays the chord's lowest tone, the harmony the chord, the melody
// walks the chord tones; drums on every beat. TrackWriter appends notes by
// absolute time to a track.
struct TrackWriter {
    MidiF1TrackData* track;
    long long last = 0;
    void Note(int channel, long long time, int pitch, int length) {
        track->AddNote(channel, static_cast<int>(time - last), pitch, 90, length);
        last = time;
    }
};

// A chord as root pitch class and intervals over it; the interval at
// `inversion` lies lowest. The parts: which of melody and bass sound, the
// bass held or detached in quarters, the harmony struck or broken (each
// tone held to the cell's end, or detached: over before the next). Under
// steps, the harmony breaks the chord in eighths (root, third, fifth, then
// the seventh or the third again) under a melody that walks down by steps
// from the fifth, a passing tone on each off-beat.
struct CellChord {
    int root;
    std::vector<int> intervals;
    std::size_t inversion = 0;
};
struct Texture {
    bool melody = true, bass = true, bassQuarters = false, arpeggio = false, detached = false;
    bool underSteps = false;
};

std::unique_ptr<MidiF1Data> Tune(const std::vector<CellChord>& chords, Texture texture = {}) {
    auto song = std::make_unique<MidiF1Data>(kDivision);
    MidiF1TrackData* conductor = song->AddEmptyTrack();
    conductor->AppendTempo(500000);
    conductor->AppendKeySignature(0, 0, 0);
    conductor->AppendEndOfTrack();
    TrackWriter melody{texture.melody ? song->AddEmptyTrack() : nullptr};
    TrackWriter bass{texture.bass ? song->AddEmptyTrack() : nullptr};
    TrackWriter harmony{song->AddEmptyTrack()}, drums{song->AddEmptyTrack()};
    if (melody.track) melody.track->AddProgramChange(0, 73);
    if (bass.track) bass.track->AddProgramChange(1, 33);
    harmony.track->AddProgramChange(2, 0);
    long long start = 0;
    for (const CellChord& c : chords) {
        const int eighth = kDivision / 2;
        for (int q = 0; texture.underSteps && q < 4; ++q) {
            const int walk[] = {c.intervals[2], 5, c.intervals[1], 2};
            if (melody.track) melody.Note(0, start + q * eighth, 72 + c.root + walk[q], eighth - 4);
            const std::size_t tones[] = {0, 1, 2, c.intervals.size() > 3 ? 3u : 1u};
            harmony.Note(2, start + q * eighth, 60 + c.root + c.intervals[tones[q]], eighth - 4);
        }
        if (melody.track && !texture.underSteps)
            for (int q = 0; q < 4; ++q)
                melody.Note(
                    0, start + q * kDivision / 2,
                    72 + c.root + c.intervals[static_cast<std::size_t>(q) % c.intervals.size()],
                    kDivision / 2 - 4);
        // From the lowest, the tones below the inversion an octave up; broken
        // upwards a tone every sixteenth, each held to the cell's end or
        // detached.
        const int step = texture.arpeggio ? kDivision / 4 : 0;
        for (std::size_t i = 0; !texture.underSteps && i < c.intervals.size(); ++i) {
            const std::size_t k = (c.inversion + i) % c.intervals.size();
            harmony.Note(2, start + static_cast<long long>(i) * step,
                         60 + c.root + c.intervals[k] + (k < c.inversion ? 12 : 0),
                         texture.detached ? step - 4 : kCellTicks - 4 - static_cast<int>(i) * step);
        }
        const int quarters = texture.bassQuarters ? 2 : 1;
        for (int q = 0; bass.track && q < quarters; ++q)
            bass.Note(1, start + q * kDivision, 36 + (c.root + c.intervals[c.inversion]) % 12,
                      kCellTicks / quarters - 4 * quarters);
        drums.Note(9, start, 36, 10);
        drums.Note(9, start + kDivision, 38, 10);
        start += kCellTicks;
    }
    for (TrackWriter* w : {&melody, &bass, &harmony, &drums})
        if (w->track) w->track->AppendEndOfTrackAt(static_cast<int>(start - w->last));
    return song;
}

TEST(ChordAnalyzer, NamesEachCellOfAProgression) {
    auto song = Tune({{0, {0, 4, 7}}, {5, {0, 4, 7}}, {7, {0, 4, 7, 10}}, {9, {0, 3, 7}}, {0, {0, 4, 7}}});
    int cell = 0;
    std::vector<ChordNameEntry> names;
    int phases = 0;
    const int n = AnalyzeChordsForEdit(*song, nullptr, [&] { ++phases; }, cell, &names);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(cell, kCellTicks);
    EXPECT_EQ(phases, 2);
    const auto markers = MarkersOf(*song->Track(0));
    ASSERT_EQ(markers.size(), 5u);
    const char* expected[] = {"C", "F", "G7", "Am", "C"};
    for (std::size_t i = 0; i < markers.size(); ++i) {
        EXPECT_EQ(markers[i].time, static_cast<long long>(i) * kCellTicks);
        EXPECT_EQ(markers[i].text, expected[i]);
    }
    EXPECT_EQ(Sink().Count(), 0u);

    // The packed list at 96 ticks: the cells' lengths, then the end mark.
    ParsedChordList list;
    BuildChordList(list, n, cell, names);
    std::vector<std::uint8_t> out(kHarmonyStructureBytes);
    const int bytes = PackChordList(list, 96, kDivision, out);
    long long total = 0;
    for (int i = 0; i < bytes; i += 6)
        total += out[static_cast<std::size_t>(i)] * 256 + out[static_cast<std::size_t>(i) + 1];
    EXPECT_EQ(total, 5 * 192);
    EXPECT_EQ(out[static_cast<std::size_t>(bytes)] | out[static_cast<std::size_t>(bytes) + 1], 0);
}

// Triads and sevenths over every root in root position and inversions (a
// minor seventh's are as well sixth chords: left out), struck or broken,
// with and without melody and bass: the raw name of each cell and the
// marker the edit grid shows. The harmony alone is read as a melody, which
// names no sus4 and no bass. A detached broken chord, which the roles take
// for a melody line, is named as the struck one: at least 90 % of its cells.
TEST(ChordAnalyzer, NamesChordsInEveryKeyPositionAndTexture) {
    const RecognisedChord qualities[] = {{0, 0, 4, 7, 0},  {0, 0, 3, 7, 0},  {0, 0, 5, 7, 0},
                                         {0, 0, 4, 7, 10}, {0, 0, 3, 7, 10}, {0, 0, 4, 7, 11}};
    const Texture textures[] = {{},
                                {.bassQuarters = true},
                                {.melody = false, .bassQuarters = true},
                                {.bass = false},
                                {.melody = false, .bass = false}};
    int brokenNamed = 0, brokenCells = 0;
    for (int arpeggio : {0, 1, 2}) {
        for (Texture texture : textures) {
            texture.arpeggio = arpeggio > 0;
            texture.detached = arpeggio > 1;
            const bool alone = !texture.melody && !texture.bass;
            std::vector<CellChord> chords;
            std::vector<std::string> expected;
            for (int root = 0; root < 12; ++root) {
                for (RecognisedChord q : qualities) {
                    std::vector<int> intervals = {0, q.third, q.fifth};
                    if (q.seventh) intervals.push_back(q.seventh);
                    const bool inverts = q.third != 5 && !(q.third == 3 && q.seventh == 10);
                    for (std::size_t low = 0; low < (inverts ? intervals.size() : 1); ++low) {
                        if (alone && q.third == 5) continue;
                        chords.push_back({root, intervals, low});
                        q.root = root;
                        q.bass = alone ? root : (root + intervals[low]) % 12;
                        expected.push_back(NameRecognisedChord(q));
                    }
                }
            }
            auto song = Tune(chords, texture);
            int cell = 0;
            std::vector<ChordNameEntry> names;
            ASSERT_EQ(AnalyzeChordsForEdit(*song, nullptr, nullptr, cell, &names),
                      static_cast<int>(chords.size()));
            const auto markers = MarkersOf(*song->Track(0));
            ASSERT_EQ(markers.size(), chords.size());
            for (std::size_t i = 0; i < chords.size(); ++i) {
                EXPECT_EQ(ChordNameText(names[i]), expected[i])
                    << "broken " << arpeggio << ", melody " << texture.melody << ", bass "
                    << texture.bass << ", in quarters " << texture.bassQuarters;
                EXPECT_EQ(markers[i].text, NormalizeChordMarkerText(expected[i]));
                brokenCells += arpeggio > 1 ? 1 : 0;
                brokenNamed += arpeggio > 1 && ChordNameText(names[i]) == expected[i] ? 1 : 0;
            }
        }
    }
    EXPECT_GE(10 * brokenNamed, 9 * brokenCells) << brokenNamed << " of " << brokenCells;
    EXPECT_EQ(Sink().Count(), 0u);
}

// Minor, major, seventh and diminished chords broken in eighths over their
// root, under a melody whose passing tones would name other chords, and
// without it: the chord the accompaniment strikes names at least 90 % of
// the cells.
TEST(ChordAnalyzer, BrokenChordUnderAStepwiseMelody) {
    struct Named {
        const char* name;
        CellChord chord;
    };
    const Named song[] = {
        {"Dm", {2, {0, 3, 7}}},      {"Gm", {7, {0, 3, 7}}},      {"A7", {9, {0, 4, 7, 10}}},
        {"Dm", {2, {0, 3, 7}}},      {"Am", {9, {0, 3, 7}}},      {"E7", {4, {0, 4, 7, 10}}},
        {"Am", {9, {0, 3, 7}}},      {"C", {0, {0, 4, 7}}},       {"F", {5, {0, 4, 7}}},
        {"G7", {7, {0, 4, 7, 10}}},  {"C", {0, {0, 4, 7}}},       {"Em", {4, {0, 3, 7}}},
        {"Dm7", {2, {0, 3, 7, 10}}}, {"FM7", {5, {0, 4, 7, 11}}}, {"Bdim", {11, {0, 3, 6}}},
        {"D7", {2, {0, 4, 7, 10}}}};
    std::vector<CellChord> chords;
    for (const Named& n : song)
        chords.push_back(n.chord);
    for (bool withMelody : {true, false}) {
        auto tune = Tune(chords, {.melody = withMelody, .underSteps = true});
        int cell = 0;
        std::vector<ChordNameEntry> names;
        ASSERT_EQ(AnalyzeChordsForEdit(*tune, nullptr, nullptr, cell, &names),
                  static_cast<int>(chords.size()));
        int exact = 0;
        std::string got;
        for (std::size_t i = 0; i < chords.size(); ++i) {
            exact += ChordNameText(names[i]) == song[i].name ? 1 : 0;
            got += ChordNameText(names[i]) + " ";
        }
        EXPECT_GE(10 * exact, 9 * static_cast<int>(chords.size()))
            << "melody " << withMelody << ": " << got;
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(ChordAnalyzer, FourQuarterNotesGiveTwoMarkersAndNoNotesNone) {
    auto song = std::make_unique<MidiF1Data>(kDivision);
    MidiF1TrackData* t = song->AddEmptyTrack();
    for (int q = 0; q < 4; ++q)
        t->AddNote(0, q == 0 ? 0 : kDivision, 60 + 2 * q, 100, kDivision);
    t->AppendEndOfTrackAt(kDivision);
    int cell = 0;
    EXPECT_EQ(AnalyzeChords(*song, nullptr, nullptr, cell), 2);
    auto markers = MarkersOf(*song->Track(0));
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].time, 0);
    EXPECT_EQ(markers[1].time, kCellTicks);

    // The same tune without its notes: the old chord markers go, the loop
    // points stay, and nothing is added.
    auto empty = std::make_unique<MidiF1Data>(kDivision);
    MidiF1TrackData* e = empty->AddEmptyTrack();
    e->AppendMarker(0, "START");
    e->AppendMarker(0, "Cm7");
    e->AppendMarker(kCellTicks, "STOP");
    e->AppendEndOfTrackAt(kCellTicks);
    EXPECT_EQ(AnalyzeChords(*empty, nullptr, nullptr, cell), 0);
    markers = MarkersOf(*empty->Track(0));
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].text, "START");
    EXPECT_EQ(markers[1].text, "STOP");
    EXPECT_EQ(markers[1].time, kCellTicks);
}

TEST(ChordAnalyzer, LongTunesStopAtTheLastCellAndReportProgress) {
    auto song = std::make_unique<MidiF1Data>(kDivision);
    MidiF1TrackData* t = song->AddEmptyTrack();
    t->AddProgramChange(2, 0);
    for (int i = 0; i < 2000; ++i)
        t->AddNote(2, i == 0 ? 0 : kCellTicks, 60 + i % 12, 100, kCellTicks);
    // One note far beyond the cells: a late delta.
    t->AddNote(3, 0x7FFFFFF, 64, 100, 10);
    t->AppendEndOfTrack();
    std::vector<int> reports;
    int cell = 0;
    std::vector<ChordNameEntry> names;
    const int n = AnalyzeChords(*song, [&](int cells) { reports.push_back(cells); }, nullptr, cell, &names);
    EXPECT_EQ(n, kMaxAnalysisCells);
    ASSERT_EQ(reports.size(), 18u);
    for (std::size_t i = 0; i < reports.size(); ++i)
        EXPECT_EQ(reports[i], 100 * static_cast<int>(i + 1));
    EXPECT_EQ(MarkersOf(*song->Track(0)).size(), static_cast<std::size_t>(kMaxAnalysisCells));
}

TEST(ChordAnalyzer, KeyAndTempoOfTheConductorTrack) {
    auto song = Tune({{0, {0, 4, 7}}});
    TuneKeyInfo info = ReadTuneKeyInfo(*song);
    EXPECT_EQ(info.tempo, 120);
    EXPECT_EQ(info.keyFlag, 1);
    EXPECT_EQ(info.mode, 1);
    // A tempo of 0 and a mode byte of 5 are passed over; the latter shown.
    auto odd = std::make_unique<MidiF1Data>(kDivision);
    MidiF1TrackData* c = odd->AddEmptyTrack();
    auto tempo = std::make_unique<MidiEvent>(0);
    tempo->SetTempo(0);
    c->AppendEvent(std::move(tempo));
    c->AppendKeySignature(0, 2, 5);
    c->AppendEndOfTrack();
    TuneKeyInfo previous;
    previous.mode = 1;
    info = ReadTuneKeyInfo(*odd, previous);
    EXPECT_EQ(info.tempo, 0);
    EXPECT_EQ(info.mode, 1);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "CDAL30000001 Error occured during analyzing meta event!");
    ChordAnalyzerError(0x30000009);
    EXPECT_EQ(Sink().Texts()[1], "CDAL30000009 Error occured during analyzing chord event!");
}

TEST(ChordAnalyzer, ScaleOfTheMostFrequentPitchClasses) {
    const std::array<long long, 12> major = {9, 0, 5, 0, 7, 4, 0, 8, 0, 3, 0, 2};
    ScaleString scale;
    int tonic = -1;
    ScaleFromCounts(major, scale, tonic);
    EXPECT_EQ(std::string(scale.text, 16), kMajorScaleNotes);
    EXPECT_EQ(tonic, 0);
    // Ties go to the lower pitch class.
    const std::array<long long, 12> flat{};
    ScaleFromCounts(flat, scale, tonic);
    EXPECT_EQ(std::string(scale.text, 16), "xxxx999999900000");
}

TEST(ChordMarkerText, NormalisedNamesKeepRootAndQuality) {
    EXPECT_EQ(NormalizeChordMarkerText("UnKnown"), "N/C");
    EXPECT_EQ(NormalizeChordMarkerText("Cm7(9"), "Cm7");
    EXPECT_EQ(NormalizeChordMarkerText("Gsus4"), "G");
    EXPECT_EQ(NormalizeChordMarkerText("F6"), "F");
    EXPECT_EQ(NormalizeChordMarkerText("Ebsus47onF(9,13)"), "Eb7onF");
    ChordNameEntry entry{};
    std::memcpy(entry.data(), "C#m6onG#", 8);
    NormalizeChordMarkerText(entry);
    EXPECT_EQ(ChordNameText(entry), "C#monG#");
}

// Every seed of the chord-analysis fuzz target (the loader's seeds and chord
// files): roles in range, names that fit and parse, a marker per cell, and a
// packed list that sums to the cells.
TEST(ChordAnalyzer, FuzzSeedsGiveSoundRolesNamesAndPackedLists) {
    const std::filesystem::path seeds = std::filesystem::path(ZAW_RES_DIR) / ".." / "fuzz" / "corpus" / "chord_analysis";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        MidiFileLoader loader;
        loader.LoadImage(bytes.data(), bytes.size());
        MidiF1Data* song = loader.Tune1();
        if (!song || song->TrackCount() == 0 || song->noteMode != note_mode::kLength) continue;
        ++files;
        TuneStructure structure;
        AnalyzeSongStructure(*song, structure);
        for (std::int32_t role : structure.role)
            ASSERT_TRUE(role >= 0 && role <= 5);
        int cell = 0;
        std::vector<ChordNameEntry> names;
        const int n = AnalyzeChords(*song, nullptr, nullptr, cell, &names);
        ASSERT_LE(n, kMaxAnalysisCells);
        for (const ChordNameEntry& name : names) {
            ASSERT_EQ(name.back(), '\0');
            ChordNameCtl ctl;
            Sink().Clear();
            EXPECT_EQ(ctl.Parse(ChordNameText(name)), 0u) << ChordNameText(name);
        }
        if (n == 0) continue;
        EXPECT_GE(MarkersOf(*song->Track(0)).size(), static_cast<std::size_t>(n)) << entry.path();
        ParsedChordList list;
        BuildChordList(list, n, cell, names);
        std::vector<std::uint8_t> out(kHarmonyStructureBytes);
        const int packed = PackChordList(list, 96, song->division, out);
        long long total = 0;
        for (int i = 0; i < packed; i += 6)
            total += out[static_cast<std::size_t>(i)] * 256 + out[static_cast<std::size_t>(i) + 1];
        if (packed + 8 < static_cast<int>(out.size())) {
            EXPECT_EQ(total, 192LL * n) << entry.path();
        }
        EXPECT_EQ(out[static_cast<std::size_t>(packed)] | out[static_cast<std::size_t>(packed) + 1], 0);
    }
    EXPECT_GT(files, 3);
}

}  // namespace
