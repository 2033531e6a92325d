#include <gtest/gtest.h>

#include <vector>

#include "midi/f1_track_data.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;
using track_test::FillNotes;
using track_test::NoteEvent;

namespace {

MidiEvent* Control(int channel, int controller, int value, int delta = 0) {
    auto* e = new MidiEvent(delta);
    e->SetControlChange(channel, controller, value);
    return e;
}

MidiEvent* Bend(int channel, int value, int delta = 0) {
    auto* e = new MidiEvent(delta);
    e->kind = event_kind::kPitchBend;
    e->channel = channel;
    e->SetPitchBendValue(value);
    return e;
}

MidiEvent* Note(int channel, int key, int length, int delta = 0, int velocity = 100) {
    auto* e = new MidiEvent(delta);
    e->kind = event_kind::kNote;
    e->channel = channel;
    e->note = key;
    e->length = length;
    e->velocity = velocity;
    return e;
}

MidiEvent* EndOfTrack(int delta) {
    auto* e = new MidiEvent(delta);
    e->kind = event_kind::kMeta;
    e->subtype = meta_type::kEndOfTrack;
    return e;
}

// A track of the given events (deltas as given) in a mode.
void Build(MidiF1TrackData& track, std::vector<MidiEvent*> events, int mode = 2) {
    track.SetNoteMode(mode);
    for (MidiEvent* e : events)
        track.AppendEvent(e);
}

}  // namespace

TEST(F1Track, RangeQueries) {
    MidiF1TrackData track(2, 0x6000);
    FillNotes(track, {{0, 0, 60, 10}, {0, 0, 64, 10}, {0, 0, 67, 10}, {20, 0, 62, 10}}, 40);
    track.InsertMetaTextAtTime(5, meta_type::kMarker, "A");
    track.InsertMetaTextAtTime(25, meta_type::kMarker, "B");
    std::string text;
    EXPECT_EQ(track.GetMarkerText(0, 30, text), 1);
    EXPECT_EQ(text, "B");
    EXPECT_EQ(track.GetMarkerText(6, 20, text), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(track.GetMaxChordSize(), 3);
    EXPECT_EQ(track.CountNotesInRange(0, 20), 3);
    track.DeleteMarkers(0, 10);
    EXPECT_EQ(track.GetMarkerText(0, 10, text), 0);
    EXPECT_EQ(track.GetMarkerText(0, 30, text), 1);
    track.DeleteNotes(0, 1);
    EXPECT_EQ(track.CountNotes(), 1);
    EXPECT_EQ(Describe(track), "20:N0/62/10 25:M6'B' 40:EOT");  // times kept

    MidiF1TrackData eot(2, 0x600);
    eot.AppendEndOfTrack();
    EXPECT_EQ(eot.IsMetaOnly(), 0);
    eot.AppendMarker(0, "m");
    EXPECT_EQ(eot.IsMetaOnly(), 1);
    eot.AddProgramChange(0, 3);
    eot.AddProgramChange(1, 4);
    EXPECT_EQ(eot.IsMetaOnly(), 0);
    EXPECT_EQ(eot.CountProgramChanges(), 2);
}

TEST(F1Track, CopyAndInsertSpans) {
    MidiF1TrackData track(2, 0x6000);
    FillNotes(track, {{0, 0, 60, 10}, {10, 0, 62, 10}, {30, 0, 64, 10}}, 48);
    MidiEvent* out[4] = {};
    int n = track.CopyEvents(5, 40, out);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(out[0]->delta, 5);
    EXPECT_EQ(out[1]->delta, 20);
    EXPECT_EQ(out[1]->note, 64);

    // Laid into the time line: nothing after moves.
    MidiEvent* list[] = {out[0], out[1], nullptr};
    track.InsertEventsAtTime(2, 3, list);
    EXPECT_EQ(Describe(track), "0:N0/60/10 7:N0/62/10 10:N0/62/10 27:N0/64/10 30:N0/64/10 48:EOT");

    // At the end the span decides where the track ends.
    MidiF1TrackData tail(2, 0x6000);
    FillNotes(tail, {{0, 0, 60, 10}, {10, 0, 62, 10}}, 20);
    MidiEvent* more[] = {Note(0, 70, 30, 5), Note(0, 72, 4, 10), nullptr};
    tail.InsertEventsAtTime(20, 2, more);
    EXPECT_EQ(Describe(tail), "0:N0/60/10 10:N0/62/10 25:N0/70/30 35:N0/72/4 55:EOT");

    // Only `count` entries are read; a negative delta is reported.
    MidiF1TrackData bounded(2, 0x6000);
    FillNotes(bounded, {{0, 0, 60, 10}}, 20);
    MidiEvent* negative[] = {Note(0, 50, 1, -3), Note(0, 51, 1)};
    bounded.InsertEventsAtTime(4, 1, negative);
    delete negative[1];
    EXPECT_EQ(Describe(bounded), "0:N0/60/10 4:N0/50/1 20:EOT");
    EXPECT_EQ(Sink().Texts().back(), "M1TK0D000019 Error occured in MidiF1TrackData!");

    MidiEvent* small[1] = {};
    EXPECT_EQ(track.CopyEvents(0, 100, small), 1);
    EXPECT_EQ(Sink().Texts().back(), "M1TK0D00001A Error occured in MidiF1TrackData!");
    delete small[0];
}

TEST(F1Track, ClearRangeKeepsControls) {
    MidiF1TrackData track;
    Build(track, {Note(0, 60, 10), Control(0, 7, 100, 10), Note(0, 62, 5, 2), new MidiEvent(3),
                  Note(0, 64, 5, 5), EndOfTrack(10)});
    track.Event(3)->kind = event_kind::kProgramChange;
    track.Event(3)->channel = 0;
    track.ClearRangeKeepControls(10, 20);
    EXPECT_EQ(Describe(track), "0:N0/60/10 0:CC0/7=100 0:PC0=0 20:N0/64/5 30:EOT");
    // The last event is never cleared.
    track.ClearRangeKeepControls(25, 100);
    EXPECT_EQ(Describe(track), "0:N0/60/10 0:CC0/7=100 0:PC0=0 20:N0/64/5 30:EOT");
}

TEST(F1Track, RhythmPartMessage) {
    MidiF1TrackData track;
    FillNotes(track, {{0, 10, 36, 10}}, 20);
    track.InsertRhythmPartSysEx(1, 10);
    const MidiEvent* e = track.Event(0);
    ASSERT_EQ(e->DataLength(), 12);
    const std::uint8_t expected[12] = {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12,
                                       0x40, 0x1A, 0x15, 0x01, 0x10, 0xF7};
    EXPECT_EQ(std::vector<std::uint8_t>(e->GetData(), e->GetData() + 12),
              std::vector<std::uint8_t>(expected, expected + 12));
    EXPECT_EQ(e->subtype, 18);
    EXPECT_EQ(e->channel, 10);
    EXPECT_EQ(track.IsDrumChannel(10), 1);
}

TEST(F1Track, ControllerCleanupsKeepChannelsApart) {
    MidiF1TrackData track;
    Build(track,
          {Control(0, 7, 100), Control(1, 7, 90), NoteEvent(0x90, 0, 60, 0),
           NoteEvent(0x90, 1, 60, 0), Control(0, 7, 100, 10), Control(1, 7, 80), Control(1, 7, 70),
           NoteEvent(0x80, 0, 60, 10), NoteEvent(0x80, 1, 60, 0), Control(0, 91, 10, 5),
           Control(0, 91, 20, 5), NoteEvent(0x90, 0, 62, 1), NoteEvent(0x80, 0, 62, 5),
           EndOfTrack(0)},
          1);
    const int excluded[] = {6, 100, 101};
    track.RemoveRedundantControllers(excluded, 3);
    // Channel 1's changes do not count as repeats or successors of
    // channel 0's; the unheard reverb change gives way to the next one.
    EXPECT_EQ(Describe(track),
              "0:CC0/7=100 0:CC1/7=90 0:On0/60 0:On1/60 10:CC1/7=80 10:CC1/7=70 20:Off0/60 "
              "20:Off1/60 30:CC0/91=20 31:On0/62 36:Off0/62 36:EOT");

    MidiF1TrackData pans;
    Build(pans,
          {Control(0, 10, 10), Control(1, 10, 20), Control(0, 10, 30, 5), NoteEvent(0x90, 1, 60, 0),
           Control(1, 10, 40), NoteEvent(0x80, 1, 60, 5), EndOfTrack(0)},
          1);
    pans.RemoveRedundantPans();
    EXPECT_EQ(Describe(pans), "0:CC1/10=20 5:CC0/10=30 5:On1/60 5:CC1/10=40 10:Off1/60 10:EOT");

    MidiF1TrackData volumes;
    FillNotes(volumes, {{0, 0, 60, 10}}, 20);
    volumes.InsertEvent(0, 2, Control(0, 7, 100));
    volumes.InsertEvent(1, 2, Control(0, 7, 90));
    volumes.InsertEvent(2, 2, Control(1, 7, 100));
    volumes.InsertEvent(3, 2, Control(1, 11, 100));
    volumes.InsertEvent(4, 2, Control(0, 11, 100));
    volumes.RemoveRepeatedVolumes();
    volumes.RemoveClearedEvents();
    EXPECT_EQ(Describe(volumes),
              "0:CC0/7=100 0:CC1/7=100 0:CC1/11=100 0:CC0/11=100 0:N0/60/10 20:EOT");
    EXPECT_EQ(volumes.NoteMode(), 2);

    MidiF1TrackData unset(-1, 0x600);
    unset.RemoveRedundantPans();
    EXPECT_EQ(Sink().Texts().back(), "M1TK0D000001 Error occured in MidiF1TrackData!");
}

TEST(F1Track, PitchBendThinning) {
    MidiF1TrackData track;
    Build(track,
          {Bend(0, 8192), Bend(0, 9000, 1), Bend(0, 9000, 1), Bend(0, 10000, 1), Bend(1, 100),
           Bend(0, 11000, 1), NoteEvent(0x90, 0, 60, 1), Bend(0, 12000, 1), Bend(0, 13000, 1),
           Bend(0, 14000, 1), NoteEvent(0x80, 0, 60, 1), EndOfTrack(0)},
          1);
    track.RemoveRedundantPitchBends();
    EXPECT_EQ(Describe(track),
              "0:PB0=8192 3:PB1=100 4:PB0=11000 5:On0/60 6:PB0=12000 7:PB0=13000 8:PB0=14000 "
              "9:Off0/60 9:EOT");
}

TEST(F1Track, NoteLengthPasses) {
    MidiF1TrackData track;
    FillNotes(track, {{0, 0, 60, 50}, {0, 0, 64, 50}, {10, 0, 62, 50}, {40, 0, 65, 5}}, 60);
    track.LimitNoteLengths(20);
    EXPECT_EQ(Describe(track), "0:N0/60/10 0:N0/64/10 10:N0/62/20 40:N0/65/5 60:EOT");

    MidiF1TrackData overlap;
    FillNotes(overlap,
              {{0, 0, 60, 20}, {0, 1, 60, 20}, {10, 0, 60, 20}, {10, 0, 60, 5}, {12, 0, 61, 2}},
              40);
    overlap.TrimOverlappingNotes();
    EXPECT_EQ(Describe(overlap), "0:N0/60/10 0:N1/60/20 10:N0/60/5 12:N0/61/2 40:EOT");
}

TEST(F1Track, PitchBendRange) {
    MidiF1TrackData track;
    FillNotes(track, {{0, 3, 60, 10}}, 20);
    EXPECT_EQ(track.GetPitchBendRange(), 12);
    track.SetPitchBendRange(2);
    EXPECT_EQ(Describe(track), "0:N3/60/10 0:CC3/101=0 0:CC3/100=0 0:CC3/6=2 20:EOT");
    EXPECT_EQ(track.GetPitchBendRange(), 2);
    track.SetPitchBendRange(5);
    Sink().Clear();
    EXPECT_EQ(track.GetPitchBendRange(), 5);
    EXPECT_EQ(track.GetPitchBendRange(), 5);
    ASSERT_EQ(Sink().Count(), 1u);  // once only
    EXPECT_EQ(Sink().Texts()[0], "M1TK03000017 More than one pitchbend sensitivity are found!");
    track.InsertEvent(1, 2, Control(3, 99, 1));
    track.InsertEvent(2, 2, Control(3, 6, 9));  // an NRPN entry stays
    track.RemovePitchBendRange();
    EXPECT_EQ(Describe(track),
              "0:N3/60/10 0:CC3/99=1 0:CC3/6=9 0:CC3/101=0 0:CC3/100=0 0:CC3/101=0 0:CC3/100=0 "
              "20:EOT");

    MidiF1TrackData empty(2, 0x600);
    empty.AppendEndOfTrack();
    empty.SetPitchBendRange(2);
    EXPECT_EQ(Sink().Texts().back(), "M1TK0D000020 Error occured in MidiF1TrackData!");
    EXPECT_EQ(empty.EventCount(), 1);
    MidiF1TrackData::ShowWarningOnce(0x12345678);
    EXPECT_EQ(Sink().Texts().back(), "M1TK12345678 Undefined Error!");
    MidiF1TrackData::ShowError(m1tk::kZeroVoice);
    EXPECT_EQ(Sink().Texts().back(), "M1TK2E00000C Can not reduce to zero voice.");
}

TEST(F1Track, ShapingPasses) {
    MidiF1TrackData swell;
    FillNotes(swell, {{0, 2, 60, 96}, {100, 2, 62, 20}}, 120);
    swell.AddExpressionSwell(48, 4);
    EXPECT_EQ(Describe(swell),
              "0:CC2/11=103 0:N2/60/96 12:CC2/11=111 24:CC2/11=119 36:CC2/11=127 100:N2/62/20 "
              "120:EOT");
    swell.AddExpressionSwell(10, 4);
    EXPECT_EQ(Sink().Texts().back(), "M1TK0D000022 Error occured in MidiF1TrackData!");

    MidiF1TrackData vibrato;
    FillNotes(vibrato, {{0, 0, 60, 96}, {100, 0, 62, 20}}, 120);
    vibrato.AddDelayedVibrato(30);
    EXPECT_EQ(Describe(vibrato),
              "0:CC0/1=0 0:N0/60/96 30:CC0/1=127 100:CC0/1=0 100:N0/62/20 120:EOT");

    MidiF1TrackData glide;
    FillNotes(glide, {{0, 0, 60, 96}, {96, 0, 62, 48}, {144, 0, 62, 40}}, 200);
    glide.AddPitchGlide(24, 2, 2);
    // Up to the next key, none between equal keys, down by the range before
    // the End of Track.
    EXPECT_EQ(Describe(glide),
              "0:PB0=8192 0:N0/60/96 72:PB0=12287 84:PB0=16382 96:PB0=8192 96:N0/62/48 "
              "144:PB0=8192 144:N0/62/40 176:PB0=4097 188:PB0=2 200:PB0=8192 200:EOT");
    glide.AddPitchGlide(25, 2, 2);
    EXPECT_EQ(Sink().Texts().back(), "M1TK0D000023 Error occured in MidiF1TrackData!");

    EXPECT_EQ(MidiF1TrackData::DecayValue(100, 1), 90);
    EXPECT_EQ(MidiF1TrackData::DecayValue(100, 6), 51);
    EXPECT_EQ(MidiF1TrackData::DecayValue(100, 7), 100);
}

TEST(F1Track, PitchBendsIntoNotes) {
    MidiF1TrackData track;
    Build(track, {Bend(0, 12288), Control(0, 1, 64), Note(0, 60, 40), Bend(0, 12300, 10),
                  Bend(0, 8192, 10), Bend(1, 4096), Note(1, 50, 8), EndOfTrack(40)});
    track.ApplyPitchBendToNotes(2);
    // 4095 units per semitone: 12288 raises by one; 12300 gives the same
    // semitone and goes; the return to centre continues the note.
    EXPECT_EQ(Describe(track), "0:N0/61/20 20:N0/60/20 20:N1/49/8 60:EOT");
    EXPECT_EQ(track.Event(0)->velocity, 90);
    EXPECT_EQ(track.Event(1)->velocity, 100);
    EXPECT_EQ(track.Event(2)->velocity, 90);

    MidiF1TrackData high;
    Build(high, {Bend(0, 16383), Note(0, 127, 10), EndOfTrack(10)});
    Sink().Clear();
    high.ApplyPitchBendToNotes(1);
    EXPECT_EQ(high.Event(0)->note, 127);
    EXPECT_EQ(Sink().Texts().back(), "M1TK03000014 Undefined Error!");
}

TEST(F1Track, Constructors) {
    OwnedEvents events;
    events.emplace_back(Note(0, 60, 10));
    events.emplace_back(EndOfTrack(10));
    MidiF1TrackData taken(std::move(events), 2, 0x600);
    EXPECT_EQ(Describe(taken), "0:N0/60/10 10:EOT");
    MidiF1TrackData copy(taken, 0x600);
    EXPECT_EQ(Describe(copy), Describe(taken));
    EXPECT_EQ(MidiF1TrackData(0x600).NoteMode(), -1);

    // A chunk: note on and off on channel 1 and End of Track.
    const std::uint8_t chunk[] = {'M', 'T', 'r',  'k',  0,  0, 0,    12,   0x00, 0x91,
                                  60,  100, 0x10, 0x81, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    MidiF1TrackData read(sizeof chunk, 0, chunk, 0x600);
    EXPECT_EQ(Describe(read), "0:On1/60 16:Off1/60 16:EOT");
    EXPECT_EQ(read.Length(), static_cast<int>(sizeof chunk));

    MidiF1TrackData other;
    FillNotes(other, {{5, 1, 40, 10}}, 20);
    other.InsertMetaTextFirst(meta_type::kTrackName, "b");
    copy.InsertMetaTextFirst(meta_type::kTrackName, "a");
    copy.MergeTrackKeepNames(other);
    std::string name;
    copy.GetMetaText(meta_type::kTrackName, name);
    EXPECT_NE(name.find('a'), std::string::npos);
    EXPECT_NE(name.find('b'), std::string::npos);
}
