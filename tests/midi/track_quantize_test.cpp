#include <gtest/gtest.h>

#include "midi/track_data.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;
using track_test::FillNotes;
using track_test::NoteEvent;

TEST(TrackQuantiseAndThin, GridQuantiser) {
    MidiTrackData track;
    FillNotes(track, {{10, 0, 60, 5}, {30, 0, 62, 5}, {40, 0, 64, 5}, {60, 0, 65, 5}}, 96);
    track.Quantize(4, 96, 0, 0);
    // 60 lies exactly half a step off and 60 / 48 is odd: it rounds down.
    EXPECT_EQ(Describe(track), "0:N0/60/5 24:N0/62/5 48:N0/64/5 48:N0/65/5 96:EOT");

    MidiTrackData half;
    FillNotes(half, {{12, 0, 60, 5}}, 96);
    half.Quantize(4, 96, 0, 0);
    EXPECT_EQ(Describe(half), "24:N0/60/5 96:EOT");  // 12 / 48 is even: up

    // Only (start, end) moves; events after end keep their times.
    MidiTrackData range;
    FillNotes(range, {{10, 0, 60, 5}, {30, 0, 62, 5}, {40, 0, 64, 5}, {60, 0, 65, 5}}, 96);
    range.Quantize(4, 96, 24, 50);
    EXPECT_EQ(Describe(range), "10:N0/60/5 24:N0/62/5 48:N0/64/5 60:N0/65/5 96:EOT");

    // Notes that land on one key at one tick are made distinct.
    MidiTrackData same;
    FillNotes(same, {{20, 0, 60, 40}, {26, 0, 60, 40}}, 96);
    same.Quantize(4, 96, 0, 0);
    EXPECT_EQ(Describe(same), "24:N0/60/40 96:EOT");

    range.Quantize(4, 96, 10, 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK00000000 MidiTrackData error.");
    range.Quantize(0, 96, 0, 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000010 Invalid parameter.");
}

TEST(TrackQuantiseAndThin, TripletAndShufflePositions) {
    MidiTrackData track;
    FillNotes(track,
              {{10, 0, 60, 5},       // unit 0: one early note
               {96 + 60, 0, 61, 5},  // unit 1: one late note
               {192 + 5, 0, 62, 5},
               {192 + 20, 0, 63, 5},  // two early
               {288 + 10, 0, 64, 5},
               {288 + 70, 0, 65, 5},  // straddling
               {384 + 50, 0, 66, 5},
               {384 + 80, 0, 67, 5},  // two late
               {480 + 1, 0, 68, 5},
               {480 + 2, 0, 69, 5},
               {480 + 3, 0, 70, 5},
               {576 + 1, 0, 71, 5},
               {576 + 2, 0, 72, 5},
               {576 + 3, 0, 73, 5},
               {576 + 4, 0, 74, 5}},
              672);
    track.AddControlChange(0, 7, 100);  // after the End of Track: keeps its time
    track.QuantizeTriplet(96);
    EXPECT_EQ(Describe(track),
              "0:N0/60/5 160:N0/61/5 192:N0/62/5 224:N0/63/5 288:N0/64/5 352:N0/65/5 "
              "416:N0/66/5 448:N0/67/5 480:N0/68/5 512:N0/69/5 544:N0/70/5 "
              "576:N0/71/5 592:N0/72/5 608:N0/73/5 624:N0/74/5 672:EOT 672:CC0/7=100");
    long long targets[8];
    MidiTrackData::PlaceNotesEvenly(96, 7, targets);
    EXPECT_EQ(targets[6], 6 * (96 / 9));
    EXPECT_LT(targets[6], 96);  // every position stays inside the unit

    MidiTrackData shuffle;
    FillNotes(shuffle, {{5, 0, 60, 5}, {10, 0, 61, 5}, {40, 0, 62, 5}, {100, 0, 63, 5}}, 192);
    shuffle.QuantizeShuffle(96);
    // Only the first two notes of a unit move.
    EXPECT_EQ(Describe(shuffle), "0:N0/60/5 32:N0/61/5 40:N0/62/5 96:N0/63/5 192:EOT");
}

TEST(TrackQuantiseAndThin, TooManyNotesInAUnit) {
    MidiTrackData track;
    std::vector<track_test::NoteSpec> notes;
    for (int i = 0; i < 65; ++i)
        notes.push_back({i, 0, 60 + i % 20, 1});
    FillNotes(track, notes, 96);
    std::string before = Describe(track);
    track.QuantizeTriplet(96);
    EXPECT_EQ(Describe(track), before);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D00001A Can not add data!");
}

TEST(TrackQuantiseAndThin, VoiceThinning) {
    // A chord that begins in the run just before the limit is passed loses
    // its lowest key entirely.
    MidiTrackData chord(1, 0x6000);
    chord.AppendEvent(NoteEvent(0x90, 0, 60, 0));
    chord.AppendEvent(NoteEvent(0x90, 0, 64, 0));
    chord.AppendEvent(NoteEvent(0x90, 0, 67, 0));
    chord.AppendEvent(NoteEvent(0x80, 0, 60, 96));
    chord.AppendEvent(NoteEvent(0x80, 0, 64, 0));
    chord.AppendEvent(NoteEvent(0x80, 0, 67, 0));
    chord.AppendEndOfTrack();
    EXPECT_EQ(chord.ThinVoices(2), 1);
    EXPECT_EQ(Describe(chord), "0:On0/64 0:On0/67 96:Off0/64 96:Off0/67 96:EOT");

    // An older note on the highest channel is ended where the new notes begin.
    MidiTrackData older(1, 0x6000);
    older.AppendEvent(NoteEvent(0x90, 1, 40, 0));
    older.AppendEvent(NoteEvent(0x90, 0, 60, 48));
    older.AppendEvent(NoteEvent(0x90, 0, 62, 0));
    older.AppendEvent(NoteEvent(0x80, 0, 60, 48));
    older.AppendEvent(NoteEvent(0x80, 0, 62, 0));
    older.AppendEvent(NoteEvent(0x80, 1, 40, 104));
    older.AppendEndOfTrack();
    EXPECT_EQ(older.ThinVoices(2), 1);
    EXPECT_EQ(Describe(older),
              "0:On1/40 48:On0/60 48:Off1/40 48:On0/62 96:Off0/60 96:Off0/62 200:EOT");
    EXPECT_EQ(older.HasOverlappingNotes(), 0);

    // Within the limit nothing changes but stray events.
    MidiTrackData calm(1, 0x6000);
    calm.AppendEvent(NoteEvent(0x90, 0, 60, 0));
    calm.AppendEvent(NoteEvent(0x90, 0, 60, 10));  // already sounding
    calm.AppendEvent(NoteEvent(0x80, 0, 60, 10));
    calm.AppendEvent(NoteEvent(0x80, 0, 61, 10));  // never sounded
    calm.AppendEndOfTrack();
    EXPECT_EQ(calm.ThinVoices(4), 0);
    EXPECT_EQ(Describe(calm), "0:On0/60 20:Off0/60 30:EOT");

    MidiTrackData notes(2, 0x6000);
    EXPECT_EQ(notes.ThinVoices(2), 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000001 MidiTrackData Internal Error");
}
