// Labels, the kit program, the drum track frame and the worked examples of
// the styles.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "compose/compose_info.h"
#include "core/utilities.h"
#include "tests/accomp/drum_test_util.h"
#include "tests/support/test_support.h"

using drum_test::DrumFixture;
using drum_test::FillLabels;
using drum_test::KeysAt;
using drum_test::Notes;
using drum_test::Sounding;
using testing_support::Sink;

namespace {

using DrumTrack = DrumFixture;

std::string LabelText(const NoteEvent* e) {
    return std::to_string(e->length) + ":" + std::string(e->label, 4);
}

std::vector<std::string> Labels(const NoteList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(LabelText(list.Event(i)));
    return out;
}

TEST_F(DrumTrack, BlockLabelsWithClosingEntriesByMetreAndMode) {
    auto info = std::make_unique<ComposeInformation>();
    info->blockCount = 2;
    info->blockChords[0]->AppendValue(96, 0);
    info->blockChords[0]->AppendValue(192, 0);
    info->blockChords[1]->AppendValue(384, 0);
    const int sequence[] = {1, 2, 0, 3, 1};
    for (int b : sequence)
        info->blockSequence[info->blockSequenceLength++] = b;
    BuildBlockLabels(*info);
    EXPECT_EQ(Labels(info->labels),
              (std::vector<std::string>{"96:AXXX", "192:AEXX", "384:BEXX", "96:AXXX", "192:AEXX",
                                        "384:AEXX", "384:AEXX"}));
    // Blocks 0 and 3 have no chord list: reported and skipped.
    ASSERT_EQ(Sink().Count(), 2u);
    EXPECT_NE(Sink().Texts()[0].find("Error occured in drum pattern!"), std::string::npos);

    for (int metre : {kMetre34, kMetre78}) {
        WorkingStyle.timeSignature = metre;
        BuildBlockLabels(*info);
        ASSERT_EQ(info->labels.Count(), 7);
        EXPECT_EQ(LabelText(info->labels.Event(6)), "288:AEXX");
    }
    PanelMode = kPanelModeConvert;
    BuildBlockLabels(*info);
    EXPECT_EQ(info->labels.Count(), 5);

    // The letter is the byte '@' + b, past 'Z' too.
    info->blockCount = 200;
    info->blockSequenceLength = 1;
    info->blockSequence[0] = 190;
    info->blockChords[189]->AppendValue(48, 0);
    BuildBlockLabels(*info);
    ASSERT_EQ(info->labels.Count(), 1);
    EXPECT_EQ(static_cast<unsigned char>(info->labels.Event(0)->label[0]), 254);
}

TEST_F(DrumTrack, KitProgramBySoundModuleStyleAndSet) {
    WorkingStyle.rhythmPattern = 1;
    WorkingStyle.basicBeat = kTripletBeat;
    WorkingStyle.voice[kPartDrum] = kAcousticSet;
    for (int module : {0, 1}) {
        AppSettings.ComposeOutputType = module;
        EXPECT_EQ(ChooseDrumKitProgram(), 40);
    }
    AppSettings.ComposeOutputType = 2;
    EXPECT_EQ(ChooseDrumKitProgram(), 0);
    AppSettings.ComposeOutputType = 0;
    WorkingStyle.voice[kPartDrum] = kElectricSet;
    EXPECT_EQ(ChooseDrumKitProgram(), 0);
    WorkingStyle.timeSignature = kMetre34;
    EXPECT_EQ(ChooseDrumKitProgram(), 40);
    WorkingStyle.basicBeat = 0;
    EXPECT_EQ(ChooseDrumKitProgram(), 0);

    WorkingStyle.rhythmPattern = 18;
    AppSettings.ComposeOutputType = 1;
    EXPECT_EQ(ChooseDrumKitProgram(), 49);
    AppSettings.ComposeOutputType = 0;
    EXPECT_EQ(ChooseDrumKitProgram(), 0);
}

int ProgramChanges(const MidiTrackData& track, int* program) {
    int count = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->kind == event_kind::kProgramChange) {
            ++count;
            *program = e->value;
        }
    }
    return count;
}

TEST_F(DrumTrack, TrackFrameProgramLeadInAndNoDrums) {
    FillLabels(ComposeInfo.labels, {{384, "AXXX"}, {384, "AEXX"}});
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    WorkingStyle.voice[kPartDrum] = kVoiceNotUsed;
    BuildDrumTrack(tracks, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(tracks.empty());

    WorkingStyle.voice[kPartDrum] = kElectricSet;
    AppSettings.StartAt2ndBar = 1;
    BuildDrumTrack(tracks, count);
    ASSERT_EQ(count, 1);
    int program = -1;
    EXPECT_EQ(ProgramChanges(*tracks[0], &program), 0);  // program 0: none sent
    const auto notes = Sounding(*tracks[0]);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.front().time, 384);  // after the lead-in bar
    EXPECT_EQ(tracks[0]->GetTotalTicks(), 384 + 768);

    WorkingStyle.rhythmPattern = 18;
    AppSettings.ComposeOutputType = 1;
    BuildDrumTrack(tracks, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(ProgramChanges(*tracks[1], &program), 1);
    EXPECT_EQ(program, 49);
    for (ComposeTrackData* t : tracks)
        delete t;
    ComposeInfo.labels.Clear();
}

TEST_F(DrumTrack, UnknownPatternWritesNothing) {
    WorkingStyle.rhythmPattern = 40;
    NoteList labels;
    FillLabels(labels, {{384, "AXXX"}});
    ComposeTrackData track(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, labels, track, 100);
    EXPECT_EQ(track.EventCount(), 0);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_NE(Sink().Texts()[0].find("Drum paggern error!"), std::string::npos);
}

// (time from the span's start, key) of the sounding notes of a span.
std::vector<std::pair<long long, int>> SpanHits(const std::vector<drum_test::Note>& notes,
                                                long long from, long long to) {
    std::vector<std::pair<long long, int>> out;
    for (const auto& n : notes) {
        if (n.time >= from && n.time < to) out.emplace_back(n.time - from, n.key);
    }
    return out;
}

TEST_F(DrumTrack, SixteenBeatRandomDrawsPerBlockAndFillsOnlyLongEnds) {
    WorkingStyle.rhythmPattern = 12;
    WorkingStyle.voice[kPartDrum] = kEthnicSet;  // one key for every ride
    int filled = 0;
    for (int seed = 1; seed <= 12; ++seed) {
        SeedRandomWith(seed);
        NoteList labels;
        FillLabels(labels,
                   {{384, "AXXX"}, {384, "AXXX"}, {168, "AEXX"}, {384, "BXXX"}, {384, "BEXX"}});
        ComposeTrackData track(note_mode::kLength, 0x6000);
        GenerateDrumPattern(kDrumChannel, labels, track, 100);
        const auto notes = Sounding(track);
        const auto first = SpanHits(notes, 0, 384);
        EXPECT_EQ(SpanHits(notes, 384, 768), first);
        // The short closing span of the block gets no fill: its seven steps
        // are those of the block's table.
        EXPECT_EQ(SpanHits(notes, 768, 936), SpanHits(notes, 0, 168));
        // A new block draws anew; its long closing span may be filled.
        const auto next = SpanHits(notes, 936, 1320);
        EXPECT_NE(next, first);
        filled += SpanHits(notes, 1320, 1704) == next ? 0 : 1;
    }
    EXPECT_GT(filled, 0);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(DrumTrack, CustomWithEmptyGridIsAnEmptyTrackOfTheRightLength) {
    WorkingStyle.rhythmPattern = 28;
    for (int metre : {kMetre44, kMetre34}) {
        WorkingStyle.timeSignature = metre;
        NoteList labels;
        FillLabels(labels, {{384, "AXXX"}, {100, "AEXX"}, {384, "AEXX"}});
        ComposeTrackData track(note_mode::kLength, 0x6000);
        GenerateDrumPattern(kDrumChannel, labels, track, 100);
        EXPECT_TRUE(Sounding(track).empty());
        PadTrackEnd(track);
        ASSERT_EQ(track.EventCount(), 1);
        EXPECT_TRUE(track.Event(0)->IsEndOfTrack());
        EXPECT_EQ(track.Event(0)->delta, 960);  // 868 ticks, up to the beat
    }
}

TEST_F(DrumTrack, CustomGridSoundsItsRows) {
    WorkingStyle.rhythmPattern = 28;
    GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridDrum];
    grid.pnInterval[0] = 1;  // key 36
    grid.pnInterval[1] = 7;  // key 42
    grid.Cell(0, 0) = 1;
    grid.Cell(1, 0) = 1;
    grid.Cell(1, 2) = 1;
    NoteList labels;
    FillLabels(labels, {{96, "AXXX"}});
    ComposeTrackData track(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, labels, track, 100);
    const auto notes = Sounding(track);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(KeysAt(notes, 0), (std::vector<int>{36, 42}));
    EXPECT_EQ(notes[0].velocity, 64);
    EXPECT_EQ(notes[1].velocity, 49);
    EXPECT_EQ(notes[2].time, 48);
    EXPECT_EQ(notes[2].length, 23);
}

TEST_F(DrumTrack, CreatePicksRowsByPreviewByteOrBlockLetter) {
    WorkingStyle.rhythmPattern = 27;
    CreatedDrumPatterns[0].fill(2);  // kick
    CreatedDrumPatterns[1].fill(3);  // snare
    CreatedDrumPatterns[2].fill(4);  // snare and hat
    auto firstKeys = [](const char label[4]) {
        NoteList labels;
        labels.AppendLabel(384, label);
        ComposeTrackData track(note_mode::kLength, 0x6000);
        GenerateDrumPattern(kDrumChannel, labels, track, 100);
        const auto notes = Sounding(track);
        EXPECT_EQ(notes.size() % 16, 0u);
        return KeysAt(notes, 0);
    };
    const char preview2[4] = {'x', 2, 'x', 'x'};
    const char preview1[4] = {'x', 1, 'x', 'x'};
    const char previewX[4] = {'x', 'x', 'x', 'x'};
    const char digit[4] = {'x', '2', 'x', 'x'};
    EXPECT_EQ(firstKeys(preview2), (std::vector<int>{40, 42}));
    EXPECT_EQ(firstKeys(preview1), (std::vector<int>{40}));
    EXPECT_EQ(firstKeys(previewX), (std::vector<int>{36}));
    EXPECT_EQ(firstKeys(digit), (std::vector<int>{36}));  // not a row number
    EXPECT_EQ(firstKeys("AXXX"), (std::vector<int>{36}));
    EXPECT_EQ(firstKeys("BXXX"), (std::vector<int>{40}));
    EXPECT_EQ(firstKeys("FXXX"), (std::vector<int>{40, 42}));
}

TEST_F(DrumTrack, PolyRhythmThreeAgainstTwo) {
    WorkingStyle.rhythmPattern = 39;
    NoteList labels;
    FillLabels(labels, {{384, "AXXX"}, {100, "AXXX"}, {288, "AEXX"}});
    ComposeTrackData track(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, labels, track, 100);
    const auto notes = Sounding(track);
    std::vector<long long> high, low, other;
    for (const auto& n : notes)
        (n.key == 77 ? high : n.key == 61 ? low : other).push_back(n.time);
    EXPECT_EQ(high, (std::vector<long long>{0, 64, 128, 192, 256, 320, 484, 548, 612, 676, 740}));
    EXPECT_EQ(low, (std::vector<long long>{0, 96, 192, 288, 484, 580, 676}));
    EXPECT_EQ(other, (std::vector<long long>{384}));
}

TEST_F(DrumTrack, ShuffleFormMovesWholeHitsWithinTheBeat) {
    WorkingStyle.rhythmPattern = 34;
    WorkingStyle.basicBeat = kTripletBeat;
    NoteList labels;
    FillLabels(labels, {{192, "AXXX"}});
    ComposeTrackData track(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, labels, track, 100);
    const auto notes = Sounding(track);
    EXPECT_EQ(KeysAt(notes, 0), (std::vector<int>{36}));
    EXPECT_EQ(KeysAt(notes, 64), (std::vector<int>{54, 39}));
    EXPECT_EQ(KeysAt(notes, 96), (std::vector<int>{36}));
    EXPECT_EQ(KeysAt(notes, 160), (std::vector<int>{54, 39}));
    EXPECT_EQ(notes.size(), 6u);
}

TEST_F(DrumTrack, RockabillyCountsItsFiguresAcrossRuns) {
    WorkingStyle.rhythmPattern = 23;
    WorkingStyle.basicBeat = kTripletBeat;
    RockabillyFigureCount = 0;
    NoteList figures;
    FillLabels(figures, {{192, "BXXX"}, {384, "FXXX"}, {192, "BEXX"}});
    ComposeTrackData track(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, figures, track, 100);
    EXPECT_EQ(RockabillyFigureCount, 3);
    GenerateDrumPattern(kDrumChannel, figures, track, 100);
    EXPECT_EQ(RockabillyFigureCount, 6);
    NoteList broken;
    FillLabels(broken, {{192, "BXXX"}, {96, "BXXX"}});
    GenerateDrumPattern(kDrumChannel, broken, track, 100);
    EXPECT_EQ(RockabillyFigureCount, 0);
}

TEST_F(DrumTrack, TrackEndCountsTheRestsItDrops) {
    ComposeTrackData track(note_mode::kLength, 0x6000);
    track.AddNoteEvent(kDrumChannel, 0, 36, 90, 10);
    track.AddNoteEvent(kDrumChannel, 700, 0, 0, 23);
    PadTrackEnd(track);
    EXPECT_EQ(track.GetTotalTicks(), 768);
    ComposeTrackData far(note_mode::kLength, 0x6000);
    far.AddNoteEvent(kDrumChannel, 0, 36, 90, 10);
    far.AddNoteEvent(kDrumChannel, 1000, 0, 0, 1);
    PadTrackEnd(far);
    ASSERT_EQ(far.EventCount(), 2);
    EXPECT_EQ(far.Event(1)->delta, 1056);
}

}  // namespace
