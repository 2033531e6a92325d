#include <gtest/gtest.h>

#include "midi/track_data.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;
using track_test::FillNotes;
using track_test::NoteEvent;

TEST(TrackEditing, NoteValues) {
    MidiTrackData track;
    FillNotes(track, {{0, 0, 5, 10}, {0, 1, 125, 10}, {0, 0, 60, 10, 0}}, 20);
    track.Transpose(-1, -7);
    EXPECT_EQ(Describe(track),
              "0:N0/10/10 0:N1/118/10 0:N0/60/10 20:EOT");  // -2 raised by an octave
    track.Transpose(1, 12);
    EXPECT_EQ(track.Event(1)->note, 118);  // 130 lowered by an octave
    track.Transpose(1, 9);
    EXPECT_EQ(track.Event(1)->note, 127);  // the bounds themselves stay
    track.Transpose(1, -127);
    EXPECT_EQ(track.Event(1)->note, 0);
    track.Transpose(1, 118);
    track.AddToVelocity(100);
    EXPECT_EQ(track.Event(0)->velocity, 127);
    EXPECT_EQ(track.Event(2)->velocity, 100);
    track.AddToVelocity(-300);
    EXPECT_EQ(track.Event(0)->velocity, 0);
    track.ScaleNoteLengths(5);
    EXPECT_EQ(track.Event(0)->length, 1);  // 0 becomes 1
    track.ScaleNoteLengths(250);
    EXPECT_EQ(track.Event(0)->length, 2);

    MidiTrackData faulty;
    FillNotes(faulty, {{0, 0, 60, 10, 200}, {5, 0, 130, 10}, {6, 0, 61, -4}}, 20);
    EXPECT_EQ(faulty.ValidateNotes(), 1);
    EXPECT_EQ(faulty.Event(0)->velocity, 127);
    EXPECT_EQ(faulty.ValidateNotes(), 1);
    EXPECT_EQ(faulty.Event(1)->note, 127);
    EXPECT_EQ(faulty.ValidateNotes(), 1);
    EXPECT_EQ(faulty.Event(2)->velocity, 0);  // a negative length silences the note
    EXPECT_EQ(faulty.ValidateNotes(), 0);
}

TEST(TrackEditing, Deletions) {
    MidiTrackData track(2, 0x6000);
    track.InsertMetaTextFirst(3, "one");
    track.AddProgramChange(0, 1);
    track.AddProgramChange(1, 2);
    track.AddControlChange(0, 7, 100)->delta = 5;
    track.AddControlChange(0, 7, 90);
    auto* bend = new MidiEvent(5);
    bend->kind = 0xE0;
    bend->channel = 0;
    track.AppendEvent(bend);
    track.AppendGmSystemOn();
    track.AppendMetaEvent(0, 3, reinterpret_cast<const std::uint8_t*>("two"), 3);
    track.AppendMetaEvent(0, 3, reinterpret_cast<const std::uint8_t*>("three"), 5);
    track.AddNote(1, 10, 60, 100, 10);
    track.AppendEndOfTrack();
    EXPECT_EQ(track.DeleteControlChange(7), 1);
    EXPECT_EQ(track.FindControlValue(7), 90);
    EXPECT_EQ(track.TimeOf(3), 5);  // the delta went to the next event
    track.DeleteProgramChanges(1);
    EXPECT_EQ(track.GetLastProgramOfChannel(1), -1);
    track.DeleteProgramChanges(-1);
    EXPECT_EQ(track.GetFirstProgram(), -1);
    track.DeletePitchBends();
    EXPECT_EQ(track.DeleteSysExOfClass(9), 1);
    EXPECT_EQ(track.DeleteSysExOfClass(9), 0);
    track.RemoveExtraTrackNames();
    EXPECT_EQ(Describe(track), "0:M3'one' 5:CC0/7=90 20:N1/60/10 20:EOT");
    track.DeleteTrackNames();
    track.DeleteChannelEvents(0);
    EXPECT_EQ(Describe(track), "20:N1/60/10 20:EOT");
    EXPECT_EQ(track.DeleteMetaEvent(0x2F, 0), 1);
    EXPECT_EQ(track.EventCount(), 1);
}

TEST(TrackEditing, CutsAndTimeSpans) {
    MidiTrackData cut;
    FillNotes(cut, {{0, 0, 60, 10}, {50, 0, 62, 10}, {100, 0, 64, 10}}, 200);
    cut.CutAt(70);
    EXPECT_EQ(Describe(cut), "0:N0/60/10 50:N0/62/10 70:N0/64/10");

    MidiTrackData crop;
    FillNotes(crop, {{0, 0, 60, 10}, {50, 0, 62, 10}, {100, 0, 64, 10}, {150, 0, 65, 10}}, 200);
    crop.CropToRange(50, 150);
    EXPECT_EQ(Describe(crop), "0:N0/62/10 50:N0/64/10");

    MidiTrackData removed;
    FillNotes(removed, {{0, 0, 60, 10}, {50, 0, 62, 10}, {100, 0, 64, 10}}, 200);
    auto* bend = new MidiEvent(0);
    bend->kind = 0xE0;
    bend->channel = 0;
    removed.InsertEventAtTime(60, bend, 1);
    removed.InsertMetaTextAtTime(70, 6, "kept");
    EXPECT_EQ(removed.RemoveTimeRange(50, 100), 1);
    EXPECT_EQ(Describe(removed), "0:N0/60/10 50:M6'kept' 50:N0/64/10 150:EOT");

    MidiTrackData onOff;
    FillNotes(onOff, {{0, 0, 60, 10}, {50, 0, 62, 10}, {100, 0, 64, 10}}, 200);
    onOff.ConvertToNoteOnOff();
    EXPECT_EQ(onOff.RemoveTimeRange(40, 90), 1);
    EXPECT_EQ(onOff.NoteMode(), 1);
    EXPECT_EQ(Describe(onOff), "0:On0/60 10:Off0/60 50:On0/64 60:Off0/64 150:EOT");
    EXPECT_EQ(onOff.RemoveTimeRange(-1, 10), 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000025 Data is invalid!");

    MidiTrackData span;
    FillNotes(
        span,
        {{0, 0, 60, 10}, {50, 0, 62, 10}, {60, 0, 63, 10}, {100, 0, 64, 10}, {130, 0, 65, 10}},
        200);
    MidiTrackData keepEdges(span, 0x6000);
    span.DeleteTimeSpan(50, 100, 1, 0, 0);
    EXPECT_EQ(Describe(span), "0:N0/60/10 50:N0/62/10 50:N0/64/10 80:N0/65/10 150:EOT");
    keepEdges.DeleteTimeSpan(50, 100, 1, 1, 1);
    EXPECT_EQ(Describe(keepEdges), "0:N0/60/10 80:N0/65/10 150:EOT");
}

TEST(TrackEditing, ControllersProgramsAndBends) {
    MidiTrackData volume(2, 0x6000);
    volume.AddControlChange(0, 11, 64);
    volume.AddControlChange(0, 7, 100);
    volume.AddControlChange(1, 7, 100);
    volume.FoldExpressionIntoVolume();
    EXPECT_EQ(Describe(volume), "0:CC0/7=64 0:CC0/7=50 0:CC1/7=100");
    EXPECT_EQ(volume.Event(1)->GetData()[2], 50);

    MidiTrackData programs(2, 0x6000);
    programs.AddProgramChange(0, 5);
    programs.AddProgramChange(0, 6);  // same tick: only the last counts
    programs.AddNote(0, 0, 60, 100, 10);
    programs.AddProgramChange(0, 6)->delta = 10;  // repeats
    programs.AddControlChange(0, 0, 8);           // a new bank ...
    programs.AddProgramChange(0, 6);              // ... makes the same program count
    programs.AddNote(0, 0, 60, 100, 10);
    programs.AddProgramChange(0, 9)->delta = 10;  // after the last note
    programs.AppendEndOfTrack();
    programs.RemoveRedundantPrograms();
    EXPECT_EQ(Describe(programs), "0:PC0=6 0:N0/60/10 10:CC0/0=8 10:PC0=6 10:N0/60/10 20:EOT");

    MidiTrackData bends;
    FillNotes(bends, {{10, 0, 60, 10}, {20, 1, 62, 10}}, 40);
    auto* early = new MidiEvent(0);
    early->kind = 0xE0;
    early->channel = 1;
    early->SetPitchBendValue(9000);
    bends.InsertEventAtTime(15, early, 1);
    bends.NormalizePitchBendRange();
    EXPECT_EQ(Describe(bends), "10:PB0=8192 10:N0/60/10 15:PB1=9000 20:N1/62/10 40:EOT");

    // A fine tuning is folded into the channel's later pitch bends.
    MidiTrackData tuned;
    tuned.SetNoteMode(2);
    tuned.AddControlChange(2, 101, 0);
    tuned.AddControlChange(2, 100, 1);
    tuned.AddControlChange(2, 6, 64);
    tuned.AddControlChange(2, 38, 0);
    tuned.AddNote(2, 0, 60, 100, 10);
    tuned.AddControlChange(2, 6, 80);  // +25 cents
    tuned.AddControlChange(2, 38, 0);
    auto* later = new MidiEvent(10);
    later->kind = 0xE0;
    later->channel = 2;
    later->SetPitchBendValue(8192);
    tuned.AppendEvent(later);
    tuned.AppendEndOfTrack();
    tuned.NormalizePitchBendRange();
    int expected = 8192 + CentsToBend(25.0, 2);
    EXPECT_EQ(Describe(tuned), "0:CC2/101=0 0:CC2/100=1 0:PB2=8192 0:N2/60/10 10:PB2=" +
                                   std::to_string(expected) + " 10:EOT");
}
