// Style extraction: the readings taken from a track, and whole extractions
// from files with a scripted channel-role dialog.
#include "styleedit/style_extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "compose/conversion_material.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "midi/midi_event.h"
#include "midi/track_data.h"
#include "style/style_table.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/scripted_role_dialog.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- Events of a tune, as a track of notes with length or as SMF bytes ----

struct Ev {
    long long time;
    int length;  // notes only; -1 for other events
    Bytes bytes;  // status and data (a note: 0x90|ch, pitch, velocity)
};

struct Tune {
    std::vector<Ev> events;
    Tune& Note(int ch, long long t, int pitch, int length = 100) {
        events.push_back({t, length, {static_cast<std::uint8_t>(0x90 | ch),
                                      static_cast<std::uint8_t>(pitch), 100}});
        return *this;
    }
    Tune& Chord(int ch, long long t, std::initializer_list<int> pitches, int length = 100) {
        for (int p : pitches)
            Note(ch, t, p, length);
        return *this;
    }
    Tune& Control(int ch, long long t, int cc, int v) {
        events.push_back({t, -1, {static_cast<std::uint8_t>(0xB0 | ch), static_cast<std::uint8_t>(cc),
                                  static_cast<std::uint8_t>(v)}});
        return *this;
    }
    Tune& Program(int ch, long long t, int p) {
        events.push_back({t, -1, {static_cast<std::uint8_t>(0xC0 | ch), static_cast<std::uint8_t>(p)}});
        return *this;
    }
    Tune& Tempo(long long t, int us) {
        events.push_back({t, -1, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(us >> 16),
                                  static_cast<std::uint8_t>(us >> 8), static_cast<std::uint8_t>(us)}});
        return *this;
    }
    // F0, a one-byte count and the bytes after it.
    Tune& SysEx(long long t, Bytes body) {
        Bytes b{0xF0, static_cast<std::uint8_t>(body.size())};
        b.insert(b.end(), body.begin(), body.end());
        events.push_back({t, -1, b});
        return *this;
    }
    std::vector<Ev> Sorted() const {
        std::vector<Ev> out = events;
        std::stable_sort(out.begin(), out.end(),
                         [](const Ev& a, const Ev& b) { return a.time < b.time; });
        return out;
    }
};

std::unique_ptr<MidiTrackData> TrackOf(const Tune& tune) {
    auto track = std::make_unique<MidiTrackData>(note_mode::kLength, kMusicDataCapacity);
    long long at = 0;
    for (const Ev& ev : tune.Sorted()) {
        auto e = std::make_unique<MidiEvent>(static_cast<int>(ev.time - at));
        at = ev.time;
        const int status = ev.bytes[0];
        e->channel = status < 0xF0 ? (status & 0x0F) : kNoChannel;
        if (ev.length >= 0) {
            e->kind = event_kind::kNote;
            e->note = ev.bytes[1];
            e->velocity = ev.bytes[2];
            e->length = ev.length;
        } else if ((status & 0xF0) == 0xB0) {
            e->SetControlChange(status & 0x0F, ev.bytes[1], ev.bytes[2]);
        } else if ((status & 0xF0) == 0xC0) {
            e->kind = event_kind::kProgramChange;
            e->value = ev.bytes[1];
        } else if (status == 0xFF) {
            e->SetTempo(ev.bytes[3] << 16 | ev.bytes[4] << 8 | ev.bytes[5]);
        } else {
            e->kind = event_kind::kSysEx;
            e->SetData(ev.bytes.data(), static_cast<int>(ev.bytes.size()));
        }
        track->AppendEvent(std::move(e));
    }
    track->AppendEndOfTrackAt(0);
    return track;
}

// A format-0 file of the tune; note-offs sort before note-ons at one time.
Bytes SmfOf(const Tune& tune, int division) {
    std::vector<Ev> flat;
    for (const Ev& ev : tune.Sorted()) {
        if (ev.length < 0) {
            flat.push_back(ev);
            continue;
        }
        flat.push_back({ev.time + ev.length, -2,
                        {static_cast<std::uint8_t>(0x80 | (ev.bytes[0] & 0x0F)), ev.bytes[1], 0}});
        flat.push_back(ev);
    }
    std::stable_sort(flat.begin(), flat.end(), [](const Ev& a, const Ev& b) {
        return a.time != b.time ? a.time < b.time : (a.length == -2) > (b.length == -2);
    });
    Bytes body;
    long long at = 0;
    for (const Ev& ev : flat) {
        smf_builder::PutVarLen(body, static_cast<std::uint32_t>(ev.time - at));
        at = ev.time;
        body.insert(body.end(), ev.bytes.begin(), ev.bytes.end());
    }
    for (std::uint8_t x : {0x00, 0xFF, 0x2F, 0x00})
        body.push_back(x);
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
              static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division),
              'M', 'T', 'r', 'k'};
    smf_builder::Put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = testing_support::ScratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<ChordNameEntry> Names(std::initializer_list<const char*> names) {
    std::vector<ChordNameEntry> out;
    for (const char* n : names) {
        ChordNameEntry e{};
        std::strncpy(e.data(), n, e.size() - 1);
        out.push_back(e);
    }
    return out;
}

// The steps of a grid row that are set.
std::vector<int> Steps(const GridPart& grid, int row) {
    std::vector<int> out;
    for (int s = 0; s < kGridSteps; ++s)
        if (grid.Cell(row, s)) out.push_back(s);
    return out;
}
std::vector<int> EverySecond() {
    return {0, 2, 4, 6, 8, 10, 12, 14};
}

bool Shown(const char* code) {
    for (const std::string& text : Sink().Texts())
        if (text.find(code) != std::string::npos) return true;
    return false;
}

}  // namespace

// ---- Readings of the names and the track ----

TEST(ExtractionReadings, ChordVarietyAndKeyFromTheNames) {
    EXPECT_EQ(ClassifyChordVariety(Names({"C", "Am", "F", "G", "C", "Am"})), 6);
    EXPECT_EQ(ClassifyChordVariety(Names({"C", "G", "C", "G"})), 7);
    // Unknown cells are no name; only the first 80 are looked at.
    EXPECT_EQ(ClassifyChordVariety(Names({"UnKnown", "C", "UnKnown", "G", "F"})), 7);
    std::vector<ChordNameEntry> many(80, Names({"C"})[0]);
    for (const char* n : {"D", "E", "F", "G"})
        many.push_back(Names({n})[0]);
    EXPECT_EQ(ClassifyChordVariety(many), 7);
    std::vector<ChordNameEntry> distinct(60, ChordNameEntry{});
    for (int i = 0; i < 60; ++i)
        std::snprintf(distinct[static_cast<std::size_t>(i)].data(), kChordNameSize, "C%02d", i);
    EXPECT_EQ(ClassifyChordVariety(distinct), 1);

    EXPECT_EQ(DetectTuneMode(Names({"Am", "C"})), 2);
    EXPECT_EQ(DetectTuneMode(Names({"UnKnown", "C#m7", "C"})), 2);
    EXPECT_EQ(DetectTuneMode(Names({"UnKnown", "G7", "Am"})), 1);
    EXPECT_EQ(DetectTuneMode(Names({"Cdim"})), 1);
    EXPECT_EQ(DetectTuneMode({}), 1);
}

TEST(ExtractionReadings, FeelTempoBarsControllersAndDrumChannel) {
    Tune straight, triplet;
    for (int i = 0; i < 16; ++i) {
        straight.Note(0, i * 48, 60);
        triplet.Note(0, i * 32, 60);
    }
    EXPECT_EQ(DetectTripletFeel(*TrackOf(straight), 96), 0);
    EXPECT_EQ(DetectTripletFeel(*TrackOf(triplet), 96), 3);
    EXPECT_EQ(DetectTripletFeel(*TrackOf(Tune{}), 96), 3);
    // Divisions too small for a half or a third still give a feel.
    for (int division : {1, 2, 3})
        EXPECT_EQ(DetectTripletFeel(*TrackOf(straight), division), 3);

    Tune t;
    t.Tempo(0, 500000).Tempo(10, 0).Tempo(400, 600000).Control(2, 0, 7, 90).Control(2, 384, 7, 20)
        .Control(2, 385, 7, 30).Control(3, 100, 7, 10).Note(2, 400, 50).Note(2, 800, 50)
        .Note(2, 900, 52).Note(2, 1200, 55);
    auto track = TrackOf(t);
    EXPECT_EQ(ReadTempoMeta(*track, 123), 600000);
    EXPECT_EQ(ReadTempoMeta(*TrackOf(Tune{}), 123), 123);
    // A controller on the bar line holds for the bar; a later one does not.
    EXPECT_EQ(ControllerValueAtBar(2, 0, 7, *track, 96), 90);
    EXPECT_EQ(ControllerValueAtBar(2, 1, 7, *track, 96), 20);
    EXPECT_EQ(ControllerValueAtBar(2, 3, 7, *track, 96), 30);
    EXPECT_EQ(ControllerValueAtBar(2, 3, 91, *track, 96), 64);
    EXPECT_EQ(ControllerValueAtBar(5, 3, 7, *track, 96), 64);
    // Bars of 384 ticks: bar 1 holds 400, bar 2 800 and 900, bar 3 1200.
    EXPECT_EQ(FindBusiestBar(2, *track, 96, 4), 2);
    EXPECT_EQ(FindBusiestBar(2, *track, 96, 2), 1);
    EXPECT_EQ(FindBusiestBar(7, *track, 96, 4), 0);
    EXPECT_EQ(IsChannelMeanPitchLow(2, *track), -1);
    EXPECT_EQ(IsChannelMeanPitchLow(7, *track), 0);
    EXPECT_EQ(IsChannelMeanPitchLow(0, *TrackOf(Tune{}.Note(0, 0, 59).Note(0, 1, 61))), 0);

    EXPECT_EQ(FindDrumChannel(*track), -1);
    const Bytes rhythm = {0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0x0F, 0xF7};
    Bytes normal = rhythm, drumPart = rhythm, one = rhythm;
    normal[7] = 0x00;
    drumPart[5] = 0x10;
    one[5] = 0x13;
    EXPECT_EQ(FindDrumChannel(*TrackOf(Tune{}.SysEx(0, rhythm))), 10);
    EXPECT_EQ(FindDrumChannel(*TrackOf(Tune{}.SysEx(0, one))), 2);
    EXPECT_EQ(FindDrumChannel(*TrackOf(Tune{}.SysEx(0, normal))), -1);
    EXPECT_EQ(FindDrumChannel(*TrackOf(Tune{}.SysEx(0, rhythm).SysEx(5, drumPart))), 10);
    EXPECT_EQ(FindDrumChannel(*TrackOf(Tune{}.SysEx(0, rhythm).Control(4, 5, 0, 127))), 4);
    EXPECT_EQ(FindDrumChannel(*TrackOf(Tune{}.Control(4, 0, 0, 127).Control(6, 1, 0, 1))), 4);
}

TEST(ExtractionReadings, MelodyIntervalsAndDirections) {
    // 60 62 64 65: three steps up of class 1, each repeating the direction.
    MelodyIntervalTable t =
        LearnMelodyIntervals(0, *TrackOf(Tune{}.Note(0, 0, 60).Note(0, 1, 62).Note(0, 2, 64).Note(0, 3, 65)));
    EXPECT_EQ(t.interval[1], 0);
    EXPECT_EQ(t.interval[0], 100);
    EXPECT_EQ(t.direction[1], 50);
    // 60 67 67 79 60: classes 4, 0 (unison), 7, 0 (above an octave).
    t = LearnMelodyIntervals(
        0, *TrackOf(Tune{}.Note(0, 0, 60).Note(0, 1, 67).Note(0, 2, 67).Note(0, 3, 79).Note(0, 4, 60)));
    EXPECT_EQ(t.interval[4], 75);
    EXPECT_EQ(t.interval[0], 50);
    EXPECT_EQ(t.interval[7], 75);
    // Up then same (changed, class 4), same then up (changed, class 0), up
    // then down (changed, class 7): spread 3.
    EXPECT_EQ(t.direction[4], -16);
    EXPECT_EQ(t.direction[0], -16);
    EXPECT_EQ(t.direction[7], -16);
    // Two notes count no direction, one note no interval: nothing divides by 0.
    t = LearnMelodyIntervals(0, *TrackOf(Tune{}.Note(0, 0, 60).Note(0, 1, 64)));
    EXPECT_EQ(t.interval[2], 0);
    for (int d : t.direction)
        EXPECT_EQ(d, 0);
    t = LearnMelodyIntervals(0, *TrackOf(Tune{}.Note(0, 0, 60)));
    for (int v : t.interval)
        EXPECT_EQ(v, 100);
    // Any melody keeps every value in its range.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Tune tune;
        const int n = static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i)
            tune.Note(random() % 2, i, 30 + static_cast<int>(random() % 60));
        t = LearnMelodyIntervals(0, *TrackOf(tune));
        EXPECT_FALSE(t.outOfRange);
        for (int k = 0; k < 8; ++k) {
            EXPECT_TRUE(t.interval[k] >= 0 && t.interval[k] <= 100);
            EXPECT_TRUE(t.direction[k] >= -50 && t.direction[k] <= 50);
        }
    }
}

TEST(ExtractionReadings, ScaleClassFromTheTonic) {
    const auto scale = [](const char* flags) {
        ScaleString s{};
        std::memcpy(s.text, flags, 16);
        return s;
    };
    EXPECT_EQ(ClassifyScale(scale("xxxx909099090909"), 0), 1);
    EXPECT_EQ(ClassifyScale(scale("xxxx909000909000"), 0), 2);  // C D E G A
    EXPECT_EQ(ClassifyScale(scale("xxxx900099900009"), 0), 3);  // C E F G B
    // A major pentatonic on A: no semitone, though A (9) and C (0) sit at
    // both ends of the string.
    EXPECT_EQ(ClassifyScale(scale("xxxx900090090090"), 9), 2);
    // From D, C and D are the last and the first tone: a semitone apart only
    // when they are one (C# here).
    EXPECT_EQ(ClassifyScale(scale("xxxx099000009000"), 2), 3);
    EXPECT_EQ(ClassifyScale(scale("xxxx000000000000"), 0), 2);
}

// ---- Step grids ----

TEST(ExtractionGrids, ChordNotesTakeTheRowsOfTheirDegrees) {
    // Bar 0 of two cells: CM7, then Am. Division 96: a step is 24 ticks.
    Tune t;
    t.Chord(0, 0, {60, 62, 64, 65, 67, 69, 71});  // every degree of CM7
    t.Chord(0, 24, {72, 76, 79, 81, 83});         // root, third, fifth, sixth, seventh above
    t.Note(0, 48, 61);                            // no degree
    t.Note(0, 72, 62, 0);                         // no length: left out
    t.Note(0, 192, 69).Note(0, 216, 60);          // Am: its root and third
    ExtractionMaterial m;
    auto track = TrackOf(t);
    m.track = track.get();
    m.names = Names({"CM7", "Am"});
    GridPart grid{};
    const ChordGridResult r = ExtractChordPatternGrid(ChordGridKind::kHarmony, 0, 0, grid, m);
    EXPECT_EQ(r.marked, 15);
    EXPECT_EQ(r.meanPitch, 60);
    // The mean stays within 60..71, so notes from 72 are high, and sixths and
    // sevenths from 60.
    const std::vector<std::vector<int>> rows = {
        {},         {},  {0, 2, 8}, {0}, {0, 9}, {0}, {0}, {0, 1}, {0, 1}, {1},
        {},         {1}, {},        {1}};
    for (int row = 0; row < kGridRows; ++row)
        EXPECT_EQ(Steps(grid, row), rows[static_cast<std::size_t>(row)]) << "row " << row;
    // The Bass table has no high half.
    GridPart bass{};
    ExtractChordPatternGrid(ChordGridKind::kBass, 0, 0, bass, m);
    const std::vector<std::vector<int>> bassRows = {
        {}, {}, {0, 1, 2, 8}, {0}, {0, 1, 9}, {0}, {0, 1}, {0, 1}, {0, 1}, {}, {}, {}, {}, {}};
    for (int row = 0; row < kGridRows; ++row)
        EXPECT_EQ(Steps(bass, row), bassRows[static_cast<std::size_t>(row)]) << "row " << row;
    // Without a seventh B is no degree of C; a cell without a name has no
    // chord: its notes land on row 2 whatever they are.
    GridPart unnamed{};
    m.names = Names({"C"});
    ExtractChordPatternGrid(ChordGridKind::kSubHarmony, 0, 0, unnamed, m);
    EXPECT_EQ(Steps(unnamed, 2), (std::vector<int>{0, 1, 2, 8, 9}));
    EXPECT_EQ(Steps(unnamed, 4), (std::vector<int>{0, 1}));
    EXPECT_EQ(Steps(unnamed, 8), (std::vector<int>{}));
}

TEST(ExtractionGrids, DrumNotesGetRowsUntilTheGridIsFull) {
    ExtractionMaterial m;
    const auto mark = [&m](const Tune& tune, int bar, GridPart& grid, DrumGridState& state) {
        auto track = TrackOf(tune);
        m.track = track.get();
        ExtractDrumBarPattern(m, bar, grid, 9, state);
        m.track = nullptr;
    };
    // Bar 1 (384..767): 16 distinct notes and a cymbal; bar 0 and another
    // channel are not looked at.
    Tune t;
    for (int i = 0; i < 16; ++i)
        t.Note(9, 384 + 24 * i, 60 + i);
    t.Note(9, 384, 49).Note(9, 0, 36).Note(8, 400, 38);
    GridPart grid{};
    DrumGridState state;
    mark(t, 1, grid, state);
    ASSERT_EQ(state.notes.size(), 14u);
    EXPECT_EQ(state.notes[0], 60);
    EXPECT_EQ(state.notes[13], 73);
    EXPECT_EQ(grid.pnInterval[13], 73 - 35);
    EXPECT_EQ(Steps(grid, 0), (std::vector<int>{0}));
    EXPECT_EQ(Steps(grid, 13), (std::vector<int>{13}));
    EXPECT_FALSE(state.kick || state.snare);
    // The rows are kept across bars: a later bar adds to them.
    mark(Tune{}.Note(9, 0, 61).Note(9, 96, 36), 0, grid, state);
    EXPECT_EQ(Steps(grid, 1), (std::vector<int>{0, 1}));
    EXPECT_EQ(state.notes.size(), 14u) << "no row was left for 36";
    EXPECT_TRUE(state.kick);

    // Kit 50 folds every note onto kick (below 60) and snare; notes outside
    // 35..81 become 35 (and are no kick).
    GridPart folded{};
    DrumGridState s2;
    mark(Tune{}.Program(9, 0, 50).Note(9, 0, 59).Note(9, 96, 70).Note(9, 192, 38), 0, folded, s2);
    EXPECT_EQ(s2.notes, (std::vector<int>{35, 38}));
    EXPECT_EQ(Steps(folded, 0), (std::vector<int>{0, 8}));
    EXPECT_EQ(Steps(folded, 1), (std::vector<int>{4}));
    EXPECT_TRUE(s2.kick && s2.snare);
    GridPart plain{};
    DrumGridState s3;
    mark(Tune{}.Note(9, 0, 90).Note(9, 24, 20).Note(9, 48, 40), 0, plain, s3);
    EXPECT_EQ(s3.notes, (std::vector<int>{35, 40}));
    EXPECT_EQ(Steps(plain, 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(plain.pnInterval[1], 5);
    EXPECT_TRUE(s3.snare && !s3.kick);
}

TEST(ExtractionGrids, SmallDivisionsClampStepsAndReportOnce) {
    Sink().Clear();
    // Divisions 1..3 have no sixteenth: a step is one tick, and a bar fits.
    for (int division : {1, 2, 3}) {
        for (bool triplet : {false, true}) {
            Tune t;
            std::vector<int> all;
            for (int i = 0; i < 4 * division; ++i) {
                t.Note(9, i, 36).Note(0, i, 60);
                all.push_back(i);
            }
            auto track = TrackOf(t);
            ExtractionMaterial m;
            m.track = track.get();
            m.division = division;
            m.triplet = triplet;
            m.names = Names({"C", "C"});
            GridPart grid{};
            DrumGridState state;
            ExtractDrumBarPattern(m, 0, grid, 9, state);
            ExtractChordPatternGrid(ChordGridKind::kHarmony, 0, 0, grid, m);
            EXPECT_EQ(Steps(grid, 0), all) << division;
            EXPECT_EQ(Steps(grid, 2), all) << division;
        }
    }
    EXPECT_EQ(Sink().Count(), 0u);
    // At division 6 a step is one tick too: the bar runs past step 15, and
    // each kind of failure is shown once.
    Tune wide;
    for (int i = 0; i < 24; ++i)
        wide.Note(9, i, 36).Note(0, i, 60);
    auto track = TrackOf(wide);
    ExtractionMaterial m;
    m.track = track.get();
    m.division = 6;
    GridPart grid{};
    DrumGridState state;
    ExtractDrumBarPattern(m, 0, grid, 9, state);
    ExtractDrumBarPattern(m, 0, grid, 9, state);
    ExtractChordPatternGrid(ChordGridKind::kHarmony, 0, 0, grid, m);
    const std::vector<int> full = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(Steps(grid, 0), full);
    EXPECT_EQ(Steps(grid, 2), full);
    EXPECT_EQ(Sink().Count(), 2u);
    EXPECT_TRUE(Shown("FF0101BC"));
    EXPECT_TRUE(Shown("FF0101BD"));
}

// ---- Whole extractions from files ----

namespace {

constexpr int kDivision = 96;
constexpr int kBar = 4 * kDivision;

using testing_support::ScriptedRoleDialog;

struct SongParts {
    bool harmony = true;  // channel 0, program 48, eighths in bar `busy`
    bool more = true;     // a held Sub Harmony on 3 and a single-note line on 4
    bool drums = true;    // channel 9
    int busy = 2;
    std::vector<std::array<int, 3>> chords = {{60, 64, 67}, {69, 60, 64}, {65, 69, 60}, {67, 71, 62}};
};

Tune Song(const SongParts& p, int bars = 8) {
    Tune t;
    t.Tempo(0, 600000).Program(0, 0, 48).Control(0, 0, 7, 100).Control(0, 0, 91, 40);
    t.Program(1, 0, 33).Program(2, 0, 73).Program(3, 0, 50).Program(4, 0, 80).Control(4, 0, 7, 77);
    for (int b = 0; b < bars; ++b) {
        const long long t0 = static_cast<long long>(b) * kBar;
        const auto& c = p.chords[static_cast<std::size_t>(b) % p.chords.size()];
        const int hits = b == p.busy ? 8 : 4;
        for (int k = 0; p.harmony && k < hits; ++k)
            t.Chord(0, t0 + k * kBar / hits, {c[0], c[1], c[2]}, kBar / hits - 8);
        if (p.harmony && p.more) {
            t.Chord(3, t0, {c[0] - 12, c[1] - 12, c[2] - 12}, kBar - 8);
            t.Note(4, t0, c[0] + 24, 150).Note(4, t0 + 192, c[1] + 24, 150);
        }
        for (int beat : {0, 2})
            t.Note(1, t0 + beat * kDivision, c[0] % 12 + 36, 2 * kDivision - 8);
        for (int q = 0; q < 3; ++q)
            t.Note(2, t0 + q * kDivision, c[static_cast<std::size_t>(q)] + 12, kDivision - 16);
        t.Note(2, t0 + 288, c[1] + 12, 40).Note(2, t0 + 336, c[0] + 12, 40);
        for (int e = 0; p.drums && e < 8; ++e)
            t.Note(9, t0 + e * kDivision / 2, 42, 12);
        for (int beat = 0; p.drums && beat < 4; ++beat)
            t.Note(9, t0 + beat * kDivision, beat % 2 == 0 ? 36 : 38, 12);
    }
    return t;
}

struct StyleExtraction : testing::Test {
    void SetUp() override {
        GetWorkingStyle(*saved);
        InitMusicStyle(*start);
        SetStyleTitle(*start, "Before");
        start->mix[kPartDrum].brightness = 11;
        start->voice[kPartEnvironment] = 122;
        SetWorkingStyle(*start);
        dialog = std::make_shared<ScriptedRoleDialog>();
        dialog->roles = {{0, tune_role::kHarmony}, {1, tune_role::kBass}, {2, tune_role::kMelody},
                         {3, tune_role::kHarmony}, {4, tune_role::kHarmony}, {9, tune_role::kDrums}};
        SetChannelRoleDialog(dialog);
        std::memset(ConversionInputSlots, 0, sizeof ConversionInputSlots);
        ConversionMaterial.Reset();
        CurrentTuneStructure.reset();
        Sink().Clear();
    }
    void TearDown() override {
        SetChannelRoleDialog(nullptr);
        SetExtractionBufferSource(nullptr);
        CurrentTuneStructure.reset();
        std::memset(ConversionInputSlots, 0, sizeof ConversionInputSlots);
        ConversionMaterial.Reset();
        SetWorkingStyle(*saved);
    }
    // Extracts from the tune written as a file; the working style after.
    std::unique_ptr<MusicStyle> Extract(const Tune& tune, int expected = 1) {
        const std::string path = WriteFile("song.mid", SmfOf(tune, kDivision));
        EXPECT_EQ(ExtractStyleFromMidi(path), expected);
        EXPECT_EQ(CurrentTuneStructure, nullptr);
        auto out = std::make_unique<MusicStyle>();
        GetWorkingStyle(*out);
        return out;
    }
    bool Unchanged() {
        MusicStyle now;
        GetWorkingStyle(now);
        return std::memcmp(&now, start.get(), sizeof now) == 0;
    }
    std::unique_ptr<MusicStyle> saved = std::make_unique<MusicStyle>();
    std::unique_ptr<MusicStyle> start = std::make_unique<MusicStyle>();
    std::shared_ptr<ScriptedRoleDialog> dialog;
};

}  // namespace

TEST_F(StyleExtraction, TakesPartsSettingsAndGridsFromTheBusiestBar) {
    const Tune tune = Song({});
    const auto s = Extract(tune);
    EXPECT_EQ(dialog->runs, 1);
    EXPECT_TRUE(Sink().Texts().empty());
    // Parts: the busier Harmony channel, then the held one, then the line.
    EXPECT_EQ(s->voice[kPartHarmony], 48);
    EXPECT_EQ(s->voice[kPartSubHarmony], 50);
    EXPECT_EQ(s->voice[kPartObbligato], 80);
    EXPECT_EQ(s->voice[kPartBass], 33);
    EXPECT_EQ(s->voice[kPartMelody], 73);
    EXPECT_EQ(s->voice[kPartDrum], kAcousticSet);
    EXPECT_EQ(s->voice[kPartSubDrum], kVoiceNotUsed);
    EXPECT_EQ(s->voice[kPartEnvironment], 122) << "not a part of the file";
    // Tune settings.
    EXPECT_EQ(s->tempo, 600000);
    EXPECT_EQ(s->key, 1);
    EXPECT_EQ(s->chordProgression, 6);
    EXPECT_EQ(s->basicBeat, 0);
    EXPECT_EQ(s->timeSignature, kMetre44);
    EXPECT_EQ(s->scale, 1);
    EXPECT_EQ((std::array{s->harmonyPattern, s->subHarmonyPattern, s->bassPattern, s->rhythmPattern,
                          s->subDrumPattern, s->chordGenerationMethod, s->chordsInBlock,
                          s->blockLength, s->imitationOfPhrase, s->subMelodyMethod}),
              (std::array{47, 47, 20, 28, 0, 0, 0, 0, 0, 6}));
    EXPECT_EQ(std::vector<int>(std::begin(s->table17544), std::end(s->table17544)),
              (std::vector<int>{0, 0, 90, 0, 0, 90, 0, 0, 0, 0, 0}));
    const MelodySettings& m = s->melody[kPartMelody];
    EXPECT_EQ((std::array{m.voicing, m.tension, m.effect, m.dissonance, m.algorithm, m.noteLength,
                          m.syncopation}),
              (std::array{0, 0, 5, 9, 6, 2, 0}));
    EXPECT_EQ(s->density[kPartMelody], 140);
    EXPECT_EQ((std::array{s->octave[kPartHarmony], s->octave[kPartBass], s->octave[kPartObbligato]}),
              (std::array{0, 0, 0}));
    Tune melody;
    for (const Ev& e : tune.events)
        if (e.length >= 0 && (e.bytes[0] & 0x0F) == 2) melody.events.push_back(e);
    const MelodyIntervalTable learned = LearnMelodyIntervals(2, *TrackOf(melody));
    EXPECT_TRUE(std::equal(learned.interval.begin(), learned.interval.end(), s->melodyTableInterval));
    EXPECT_TRUE(std::equal(learned.direction.begin(), learned.direction.end(), s->melodyTableDirection));
    // Mixes at the busiest bar; the Drum keeps its brightness.
    EXPECT_EQ((std::array{s->mix[kPartHarmony].volume, s->mix[kPartHarmony].reverb,
                          s->mix[kPartHarmony].chorus, s->mix[kPartObbligato].volume,
                          s->mix[kPartBass].volume, s->mix[kPartDrum].volume,
                          s->mix[kPartDrum].brightness}),
              (std::array<std::uint8_t, 7>{100, 40, 64, 77, 64, 64, 11}));
    // Grids: Harmony from bar 3 (eighths) and bar 4, Sub Harmony and Bass
    // from bar 3, the drums from bar 3.
    const CustomHarmonyBlock& b = s->customHarmony;
    const std::vector<int> none, first = {0}, quarters = {0, 4, 8, 12}, halves = {0, 8};
    for (int row = 0; row < kGridRows; ++row) {
        const bool chordRow = row == 2 || row == 4 || row == 6;
        EXPECT_EQ(Steps(b.grid[0][kGridHarmony], row), chordRow ? EverySecond() : none) << row;
        EXPECT_EQ(Steps(b.grid[1][kGridHarmony], row), chordRow ? quarters : none) << row;
        EXPECT_EQ(Steps(b.grid[0][kGridSubHarmony], row), chordRow ? first : none) << row;
        EXPECT_EQ(Steps(b.grid[0][kGridBass], row), row == 2 ? halves : none) << row;
    }
    std::map<int, std::vector<int>> drums;
    for (int row = 0; row < kGridRows; ++row)
        if (!Steps(b.grid[0][kGridDrum], row).empty())
            drums[b.grid[0][kGridDrum].pnInterval[row] + 35] = Steps(b.grid[0][kGridDrum], row);
    EXPECT_EQ(drums, (std::map<int, std::vector<int>>{{36, {0, 8}}, {38, {4, 12}}, {42, EverySecond()}}));
    EXPECT_EQ(b.continueMajor[kGridHarmony], 1);
    EXPECT_EQ((std::array{b.useX[0], b.continueMajor[1], b.continueMajor[3], b.stroke[0]}),
              (std::array{0, 0, 0, 0}));
    // The load took slot 0; the title is the caller's business.
    EXPECT_STREQ(ConversionInputSlots[0].Path, (testing_support::ScratchDir() + "/song.mid").c_str());
    EXPECT_EQ(FieldText(s->title), "Before");
}

TEST_F(StyleExtraction, PartsMissingFromTheFileStayUnused) {
    // No Harmony channel: no Harmony or Sub Harmony and no grid of theirs;
    // the Bass takes bar 1.
    SongParts parts;
    parts.harmony = false;
    parts.drums = false;
    auto s = Extract(Song(parts));
    EXPECT_EQ((std::array{s->voice[kPartHarmony], s->voice[kPartSubHarmony], s->voice[kPartDrum],
                          s->voice[kPartObbligato]}),
              (std::array{kVoiceNotUsed, kVoiceNotUsed, kVoiceNotUsed, kVoiceNotUsed}));
    const CustomHarmonyBlock& b = s->customHarmony;
    for (int set : {0, 1})
        for (int part : {kGridHarmony, kGridSubHarmony, kGridDrum})
            for (int row = 0; row < kGridRows; ++row)
                EXPECT_TRUE(Steps(b.grid[set][part], row).empty()) << set << part << row;
    EXPECT_EQ(Steps(b.grid[0][kGridBass], 2), (std::vector<int>{0, 8}));
    EXPECT_EQ(b.continueMajor[kGridHarmony], 0);
    // Drums on channel 10 alone, made a rhythm part: the Drum stays unused;
    // any note on channel 9 makes it the drum set.
    Tune gs = Song(parts);
    gs.SysEx(0, {0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0x0F, 0xF7}).Note(10, 0, 36);
    EXPECT_EQ(Extract(gs)->voice[kPartDrum], kVoiceNotUsed);
    gs.Note(9, 500, 60);
    EXPECT_EQ(Extract(gs)->voice[kPartDrum], kAcousticSet);
}

TEST_F(StyleExtraction, ShortRangesTakeTheSecondHarmonyGridFromANeighbour) {
    const auto grids = [&](int start, int end) {
        dialog->start = start;
        dialog->end = end;
        const auto s = Extract(Song({}));
        return std::array{Steps(s->customHarmony.grid[0][kGridHarmony], 2),
                          Steps(s->customHarmony.grid[1][kGridHarmony], 2),
                          Steps(s->customHarmony.grid[1][kGridHarmony], 4)};
    };
    const std::vector<int> quarters = {0, 4, 8, 12};
    // Bar 3 alone: both grids from it.
    EXPECT_EQ(grids(3, 3), (std::array{EverySecond(), EverySecond(), EverySecond()}));
    // Bars 2 and 3: the busiest is the last, so the bar before (Am, whose C
    // is its third).
    EXPECT_EQ(grids(2, 3), (std::array{EverySecond(), quarters, quarters}));
    EXPECT_EQ(grids(3, 4), (std::array{EverySecond(), quarters, quarters}));
}

TEST_F(StyleExtraction, ControllersFromBeforeTheRangeHoldForItsFirstBar) {
    dialog->start = 3;
    dialog->end = 4;
    const auto s = Extract(Song({}));
    EXPECT_EQ(s->mix[kPartHarmony].volume, 100);
    EXPECT_EQ(s->mix[kPartHarmony].reverb, 40);
    EXPECT_EQ(s->mix[kPartObbligato].volume, 77);
}

TEST_F(StyleExtraction, MinorTwoChordTunes) {
    SongParts parts;
    parts.more = false;
    parts.chords = {{69, 60, 64}, {62, 65, 69}};  // Am, Dm
    const auto s = Extract(Song(parts));
    EXPECT_EQ(s->key, 2);
    EXPECT_EQ(s->chordProgression, 7);
    // With four names the progression is "Three Chords", which the key
    // set-up of every new working style keeps in C.
    parts.chords = {{69, 60, 64}, {62, 65, 69}, {64, 68, 71}, {65, 69, 60}};  // Am, Dm, E, F
    const auto three = Extract(Song(parts));
    EXPECT_EQ(three->chordProgression, 6);
    EXPECT_EQ(three->key, 1);
}

TEST_F(StyleExtraction, FailedOrRefusedExtractionsChangeNothing) {
    const std::string good = WriteFile("good.mid", SmfOf(Song({}), kDivision));
    const std::string bad = WriteFile("bad.mid", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'f', 'i', 'l', 'e'});
    EXPECT_EQ(ExtractStyleFromMidi(""), 0);
    EXPECT_EQ(ExtractStyleFromMidi(testing_support::ScratchDir() + "/none.mid"), 0);
    EXPECT_EQ(ExtractStyleFromMidi(bad), 0);
    dialog->ok = false;
    EXPECT_EQ(ExtractStyleFromMidi(good), 0);
    EXPECT_EQ(dialog->runs, 1);
    EXPECT_TRUE(Unchanged());
    EXPECT_EQ(CurrentTuneStructure, nullptr);
    // Without a work buffer: the box, and the structure is freed.
    dialog->ok = true;
    Sink().Clear();
    SetExtractionBufferSource([](std::size_t) { return std::unique_ptr<std::uint8_t[]>(); });
    EXPECT_EQ(ExtractStyleFromMidi(good), 0);
    EXPECT_EQ(dialog->runs, 2);
    EXPECT_TRUE(Shown("FF0101A5"));
    EXPECT_EQ(CurrentTuneStructure, nullptr);
    EXPECT_TRUE(Unchanged());
    SetExtractionBufferSource(nullptr);
    // Another material's structure is left to its owner.
    CurrentTuneStructure = std::make_unique<TuneStructure>();
    const TuneStructure* held = CurrentTuneStructure.get();
    Sink().Clear();
    EXPECT_EQ(ExtractStyleFromMidi(good), 0);
    EXPECT_TRUE(Shown("FF0101A7"));
    EXPECT_EQ(CurrentTuneStructure.get(), held);
    EXPECT_EQ(dialog->runs, 2);
    EXPECT_TRUE(Unchanged());
}

TEST_F(StyleExtraction, TheDialogIsShownOverTheOwnerGiven) {
    struct OwnerDialog : ScriptedRoleDialog {
        int RunOver(platform::ui::Window* owner, MidiF0Data& song, TuneStructure& s,
                    MaterialRange& range) override {
            seen = owner;
            return Run(song, s, range);
        }
        platform::ui::Window* seen = nullptr;
    };
    auto owned = std::make_shared<OwnerDialog>();
    owned->roles = dialog->roles;
    SetChannelRoleDialog(owned);
    char anchor = 0;
    // Only passed on, never used here.
    auto* owner = reinterpret_cast<platform::ui::Window*>(&anchor);
    EXPECT_EQ(ExtractStyleFromMidi(WriteFile("owned.mid", SmfOf(Song({}), kDivision)), owner), 1);
    EXPECT_EQ(owned->seen, owner);
    EXPECT_EQ(owned->runs, 1);
}
