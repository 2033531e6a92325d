#include <gtest/gtest.h>

#include "midi/track_data.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;
using track_test::FillNotes;

TEST(TrackMerges, MergeTrackTakesTheOtherTracksEventFirst) {
    MidiTrackData piano;
    FillNotes(piano, {{0, 0, 60, 10}, {96, 0, 62, 10}}, 192);
    piano.InsertMetaTextFirst(3, "Piano");
    MidiTrackData bass;
    FillNotes(bass, {{96, 1, 40, 10}, {300, 1, 41, 10}}, 310);
    bass.InsertMetaTextFirst(3, "Bass");

    MidiTrackData merged(piano, 0x60000);
    EXPECT_EQ(merged.MergeTrack(bass), 1);
    // The source with a channel loses its name; at 96 the other track's note comes first.
    EXPECT_EQ(Describe(merged),
              "0:M3'Piano' 0:N0/60/10 96:N1/40/10 96:N0/62/10 300:N1/41/10 310:EOT");
    EXPECT_EQ(Describe(bass).substr(0, 10), "0:M3'Bass'");  // the source is unchanged

    MidiTrackData joined(piano, 0x60000);
    joined.MergeTrackEx(bass, 1);
    EXPECT_EQ(Describe(joined).substr(0, 21), "0:M3'Piano / Bass' 0:");
    int names = 0;
    for (int i = 0; i < joined.EventCount(); ++i)
        names += joined.Event(i)->IsMeta(3);
    EXPECT_EQ(names, 1);

    MidiTrackData nameless;
    FillNotes(nameless, {{0, 2, 50, 10}}, 20);
    nameless.MergeTrackEx(bass, 1);
    EXPECT_EQ(Describe(nameless).substr(0, 10), "0:M3'Bass'");
    MidiTrackData longName;
    FillNotes(longName, {{0, 2, 50, 10}}, 20);
    longName.InsertMetaTextFirst(3, std::string(124, 'x'));
    longName.MergeTrackEx(bass, 1);  // 124 + 3 + 4 = 131 characters
    EXPECT_EQ(Describe(longName).substr(0, 15), "0:M3'long name'");

    // A merge with itself doubles every event.
    MidiTrackData self;
    FillNotes(self, {{0, 0, 60, 10}}, 20);
    self.MergeTrack(self);
    EXPECT_EQ(Describe(self), "0:N0/60/10 0:N0/60/10 20:EOT");

    MidiTrackData wrongMode(1, 0x6000);
    EXPECT_EQ(merged.MergeTrack(wrongMode), 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000001 MidiTrackData Internal Error");
}

TEST(TrackMerges, MergeTracksPutsEveryEventOfAnEarlierTrackFirst) {
    MidiTrackData a, b, c;
    FillNotes(a, {{0, 0, 60, 10}, {96, 0, 61, 10}, {96, 0, 62, 10}}, 100);
    FillNotes(b, {{96, 1, 40, 10}, {96, 1, 41, 10}, {200, 1, 42, 10}}, 384);
    FillNotes(c, {{0, 2, 70, 10}, {96, 2, 71, 10}}, 96);
    MidiTrackData* tracks[] = {&a, &b, &c};
    MidiTrackData out;
    EXPECT_EQ(out.MergeTracks(tracks, 3), 1);
    EXPECT_EQ(out.NoteMode(), 2);
    EXPECT_EQ(Describe(out),
              "0:N0/60/10 0:N2/70/10 96:N0/61/10 96:N0/62/10 96:N1/40/10 96:N1/41/10 "
              "96:N2/71/10 200:N1/42/10 384:EOT");

    // The target may be one of the sources.
    MidiTrackData* withSelf[] = {&b, &a};
    b.MergeTracks(withSelf, 2);
    EXPECT_EQ(Describe(b).substr(0, 45), "0:N0/60/10 96:N1/40/10 96:N1/41/10 96:N0/61/1");

    EXPECT_EQ(out.MergeTracks(tracks, 0), 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000026 Error occured in track!");
    EXPECT_EQ(out.EventCount(), 9);  // unchanged

    // More events than the target can hold: the rest is refused, never written.
    MidiTrackData small(2, 15);
    small.MergeTracks(tracks, 3);
    EXPECT_EQ(small.EventCount(), 5);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000006 Large data");
}
