#include <gtest/gtest.h>

#include "midi/sysex.h"
#include "midi/track_data.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;
using track_test::FillNotes;
using track_test::NoteEvent;

TEST(TrackBuildAndCopy, ConstructionCopiesAndRangeCopies) {
    MidiTrackData fresh;
    EXPECT_EQ(fresh.NoteMode(), -1);
    EXPECT_EQ(fresh.EventCount(), 0);
    EXPECT_EQ(fresh.MaxEvents(), 0x20000);
    EXPECT_EQ(fresh.Capacity(), 0x60000);
    MidiTrackData small(1, 300);
    EXPECT_EQ(small.NoteMode(), 1);
    EXPECT_EQ(small.MaxEvents(), 100);
    EXPECT_EQ(small.Event(0), nullptr);
    EXPECT_EQ(small.Event(-1), nullptr);

    MidiTrackData track;
    FillNotes(track, {{0, 1, 60, 96}, {96, 1, 62, 96}, {192, 1, 64, 48}}, 384);
    MidiTrackData copy(track, 0x6000);
    EXPECT_EQ(copy.NoteMode(), 2);
    EXPECT_EQ(Describe(copy), Describe(track));
    EXPECT_NE(copy.Event(0), track.Event(0));  // deep

    MidiTrackData onOff(1, 0x6000);
    onOff.AppendEndOfTrack();
    MidiTrackData refused(onOff, 0x6000);
    EXPECT_EQ(refused.EventCount(), 0);
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D000001 MidiTrackData Internal Error");

    // A span: notes before start are dropped, the other events collapse onto
    // start, events at or after end go, and an End of Track closes it.
    MidiTrackData source;
    source.SetNoteMode(2);
    source.AddNote(0, 0, 50, 100, 10);
    source.AddControlChange(0, 7, 90)->delta = 20;
    MidiEvent* bend = new MidiEvent(5);
    bend->kind = 0xE0;
    bend->channel = 0;
    bend->SetPitchBendValue(100);
    source.AppendEvent(bend);
    for (int v : {200, 300, 400}) {
        MidiEvent* b = new MidiEvent(0);
        b->kind = 0xE0;
        b->channel = 0;
        b->SetPitchBendValue(v);
        source.AppendEvent(b);
    }
    source.AddNote(0, 75, 60, 100, 50);   // at 100
    source.AddNote(0, 100, 62, 100, 50);  // at 200
    source.AppendEndOfTrackAt(100);       // at 300
    MidiTrackData span(source, 50, 200, 0x6000);
    EXPECT_EQ(Describe(span), "0:CC0/7=90 0:PB0=300 0:PB0=400 50:N0/60/50 50:EOT");
    MidiTrackData whole(source, 0, 1000, 0x6000);
    EXPECT_EQ(whole.CountNotes(), 3);
    EXPECT_TRUE(whole.LastEvent()->IsEndOfTrack());

    // From a note-on/off track the notes sounding at the end get a note-off.
    MidiTrackData played(1, 0x6000);
    played.AppendEvent(NoteEvent(0x90, 2, 60, 0));
    played.AppendEvent(NoteEvent(0x90, 2, 64, 10));
    played.AppendEvent(NoteEvent(0x80, 2, 60, 10));
    played.AppendEvent(NoteEvent(0x80, 2, 64, 100));
    played.AppendEndOfTrack();
    MidiTrackData cut(played, 5, 50, 0x6000);
    // The note begun before the span is left out, and so is its note-off.
    EXPECT_EQ(Describe(cut), "5:On2/64 45:Off2/64 45:EOT");
}

TEST(TrackBuildAndCopy, DestructorReportsLargeEventsOnce) {
    MidiTrackData::ShowWarningOnce(0);
    std::vector<std::uint8_t> big(300, 0x41);
    {
        MidiTrackData track;
        track.AppendMetaEvent(0, 1, big.data(), 300);
        track.AppendMetaEvent(0, 1, big.data(), 300);
        auto* exempt = new MidiEvent(0);
        exempt->kind = 0xFF;
        exempt->subtype = 0x7F;
        exempt->SetData(big.data(), 300);
        track.AppendEvent(exempt);
        track.SetNoteMode(2);
        MidiTrackData copy1(track, 0x6000);
        MidiTrackData copy2(track, 0x6000);
        Sink().Clear();
    }
    // Three tracks with two large events each: one report.
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "MDTK0D00001A Can not add data!");
    {
        MidiTrackData exemptOnly;
        auto* e = new MidiEvent(0);
        e->kind = 0xF0;
        e->subtype = 127;
        e->SetData(big.data(), 300);
        exemptOnly.AppendEvent(e);
        Sink().Clear();
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(TrackAppendAndInsert, ArrayPrimitivesKeepTimes) {
    MidiTrackData track(2, 0x6000);
    track.AddNote(0, 10, 60, 100, 5);
    track.AddNote(0, 20, 62, 100, 5);
    track.AddNote(0, 30, 64, 100, 5);
    track.AppendEndOfTrack();
    EXPECT_EQ(Describe(track), "10:N0/60/5 30:N0/62/5 60:N0/64/5 60:EOT");
    EXPECT_EQ(track.TimeOf(2), 60);

    track.SwapEvents(0, 2);
    EXPECT_EQ(Describe(track), "10:N0/64/5 30:N0/62/5 60:N0/60/5 60:EOT");
    track.DeleteEvent(1);
    EXPECT_EQ(Describe(track), "10:N0/64/5 60:N0/60/5 60:EOT");
    track.Event(0)->Clear();
    track.RemoveClearedEvents();
    EXPECT_EQ(Describe(track), "60:N0/60/5 60:EOT");
    track.InsertTimeAt(30, 7);
    EXPECT_EQ(Describe(track), "67:N0/60/5 67:EOT");

    EXPECT_EQ(track.InsertEvent(0, 2, NoteEvent(16, 1, 1, 3)), 0);
    EXPECT_EQ(track.InsertEvent(0, 1, NoteEvent(16, 1, 2, 0)), 1);
    EXPECT_EQ(Describe(track), "3:N1/1/0 3:N1/2/0 70:N0/60/5 70:EOT");
    // Out of range: refused and freed.
    EXPECT_EQ(track.InsertEvent(9, 2, NoteEvent(16, 1, 2, 0)), -1);
    track.DeleteEvent(40);
    track.SwapEvents(0, 40);
    EXPECT_EQ(Sink().Count(), 3u);
    EXPECT_EQ(track.ShiftEvent(1, 2), 1);
    EXPECT_EQ(Describe(track), "3:N1/1/0 5:N1/2/0 70:N0/60/5 70:EOT");
    EXPECT_EQ(track.ShiftEvent(0, 3), 0);  // would pass the next event
    EXPECT_EQ(track.ShiftEvent(1, -3), 0);
    track.DeleteAllEvents();
    EXPECT_EQ(track.EventCount(), 0);
}

TEST(TrackAppendAndInsert, CapacityIsAHardLimit) {
    MidiTrackData track(2, 30);  // room for 10 events
    for (int i = 0; i < 10; ++i)
        ASSERT_NE(track.AddNote(0, 1, 60, 100, 1), nullptr);
    EXPECT_TRUE(track.IsFull());
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_EQ(track.AddNote(0, 1, 60, 100, 1), nullptr);
    EXPECT_EQ(track.AppendEvent(new MidiEvent(0)), -1);
    EXPECT_EQ(track.InsertEvent(0, 2, new MidiEvent(0)), -1);
    EXPECT_EQ(track.InsertEventAtTime(3, new MidiEvent(0), 2), -1);
    EXPECT_EQ(track.AppendEndOfTrack(), nullptr);
    EXPECT_EQ(track.EventCount(), 10);
    ASSERT_EQ(Sink().Count(), 5u);
    for (const auto& text : Sink().Texts())
        EXPECT_EQ(text, "MDTK0D000006 Large data");

    // The usual capacity holds 0x20000 events and refuses the next one.
    MidiTrackData large(2, 0x60000);
    for (int i = 0; i < 0x20000; ++i)
        large.AddNote(0, 0, 60, 100, 1);
    EXPECT_EQ(large.EventCount(), 0x20000);
    Sink().Clear();
    EXPECT_EQ(large.AddNote(0, 0, 60, 100, 1), nullptr);
    EXPECT_EQ(large.EventCount(), 0x20000);
    EXPECT_EQ(Sink().Count(), 1u);
    // Conversions that add events stop at the limit too: the notes without
    // room for their note-off are dropped, none is left sounding.
    Sink().Clear();
    large.ConvertToNoteOnOff();
    EXPECT_EQ(large.EventCount(), 0x20000);
    EXPECT_EQ(large.CountNotes(), 0x10000);  // half keep their note-off
    int ons = 0, offs = 0;
    for (int i = 0; i < large.EventCount(); ++i) {
        ons += large.Event(i)->IsNoteOn();
        offs += large.Event(i)->IsNoteOff();
    }
    EXPECT_EQ(ons, offs);
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D000006 Large data");
}

TEST(TrackAppendAndInsert, InsertingAtATime) {
    MidiTrackData track(2, 0x6000);
    FillNotes(track, {{0, 0, 60, 10}, {96, 0, 62, 10}, {96, 0, 64, 10}}, 384);

    // Before (order 2) or after the events already at a time.
    track.InsertEventAtTime(96, NoteEvent(16, 1, 1, 0), 2);
    track.InsertEventAtTime(96, NoteEvent(16, 1, 2, 0), 1);
    EXPECT_EQ(Describe(track), "0:N0/60/10 96:N1/1/0 96:N0/62/10 96:N0/64/10 96:N1/2/0 384:EOT");
    // Between events.
    track.InsertEventAtTime(50, NoteEvent(16, 1, 3, 0), 1);
    EXPECT_EQ(Describe(track).substr(0, 22), "0:N0/60/10 50:N1/3/0 9");
    // After every event but before the End of Track: the End of Track stays.
    track.InsertEventAtTime(200, NoteEvent(16, 1, 4, 0), 1);
    EXPECT_NE(Describe(track).find("200:N1/4/0 384:EOT"), std::string::npos);
    // At the end time (-1): just before the End of Track.
    track.InsertEventAtTime(-1, NoteEvent(16, 1, 5, 0), 1);
    EXPECT_NE(Describe(track).find("384:N1/5/0 384:EOT"), std::string::npos);
    // An End of Track after the last event moves the existing one.
    auto* eot = new MidiEvent(0);
    eot->kind = 0xFF;
    eot->subtype = 0x2F;
    track.InsertEventAtTime(500, eot, 1);
    EXPECT_NE(Describe(track).find("384:N1/5/0 500:EOT"), std::string::npos);
    EXPECT_EQ(track.LastEvent()->delta, 116);
    // Past the End of Track an event moves it along.
    track.InsertEventAtTime(600, NoteEvent(16, 1, 6, 0), 1);
    EXPECT_NE(Describe(track).find("600:N1/6/0 600:EOT"), std::string::npos);

    // An empty track simply receives the event; time -1 appends.
    MidiTrackData empty(2, 300);
    empty.InsertEventAtTime(40, NoteEvent(16, 0, 1, 0), 1);
    EXPECT_EQ(Describe(empty), "40:N0/1/0");
    MidiTrackData none(2, 300);
    none.InsertEventAtTime(-1, NoteEvent(16, 0, 1, 9), 1);
    EXPECT_EQ(Describe(none), "0:N0/1/0");
    // An End of Track before the last event of a track without one.
    eot = new MidiEvent(0);
    eot->kind = 0xFF;
    eot->subtype = 0x2F;
    empty.InsertEventAtTime(10, eot, 1);
    EXPECT_EQ(Describe(empty), "40:N0/1/0 40:EOT");
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000019 Musical data is invalid!");
    EXPECT_EQ(empty.InsertEventAtTime(-5, new MidiEvent(0), 1), -1);
}

TEST(TrackAppendAndInsert, AppendersMakeTheirEvents) {
    MidiTrackData track(2, 0x6000);
    MidiEvent* note = track.AddNote(3, 5, 60, 90, 48);
    EXPECT_EQ(note->GetData()[0], 16);
    track.AddBankProgram(1, 8, 2, 40);
    track.AddBankMsbProgram(2, 1, 41);
    EXPECT_EQ(Describe(track), "5:N3/60/48 5:CC1/0=8 5:CC1/32=2 5:PC1=40 5:CC2/0=1 5:PC2=41");
    EXPECT_EQ(track.Event(1)->GetData()[0], 0xB0);
    EXPECT_EQ(track.Event(3)->GetData()[1], 40);
    track.DeleteAllEvents();

    EXPECT_EQ(track.AppendTempo(0)->value, 500000);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000015 MidiTrackData tempo data is wrong.");
    EXPECT_EQ(track.AppendTempoMeta(0)->value, 0);
    MidiEvent* inserted = track.InsertTempo(0, 400000);
    EXPECT_EQ(inserted, track.Event(0));
    MidiEvent* meter = track.AppendTimeSignature(3, 2);
    EXPECT_EQ(meter->value, 772);
    EXPECT_EQ(std::vector<std::uint8_t>(meter->GetData(), meter->GetData() + 4),
              std::vector<std::uint8_t>({3, 2, 18, 8}));
    MidiEvent* key = track.AppendKeySignature(0, 3, 1);  // E flat minor: three flats
    EXPECT_EQ(key->GetData()[0], 0xFD);
    EXPECT_EQ(key->GetData()[1], 1);
    EXPECT_EQ(track.AppendKeySignature(0, 7, 0)->GetData()[0], 1);
    int code = 0, tempo = 0;
    EXPECT_EQ(track.GetTimeSignature(&code), 1);
    EXPECT_EQ(code, 772);
    EXPECT_EQ(track.GetTempo(&tempo), 1);
    EXPECT_EQ(tempo, 400000);
    std::uint8_t keyBytes[2];
    EXPECT_EQ(track.FindKeySignature(keyBytes, 0), 1);
    EXPECT_EQ(keyBytes[0], 0xFD);
    EXPECT_EQ(track.FindKeySignature(keyBytes, 5), 1);
    EXPECT_EQ(keyBytes[0], 1);
    EXPECT_EQ(track.FindKeySignature(keyBytes, 6), 0);

    MidiEvent* end = track.AppendEndOfTrackAt(10);
    EXPECT_EQ(track.AppendEndOfTrack(), end);
    EXPECT_EQ(track.InsertMetaText(3, "Piano")->subtype, 3);
    inserted = track.InsertMetaTextFirst(1, "first");
    EXPECT_EQ(inserted, track.Event(0));
    track.InsertMetaTextAtTime(5, 6, "five");
    track.InsertMetaText(2, "");
    std::string all = Describe(track);
    EXPECT_EQ(all.substr(0, 11), "0:M1'first'");
    // Texts at a time go after the events already there.
    EXPECT_EQ(all.substr(all.size() - 36), "0:M3'Piano' 0:M2'' 5:M6'five' 10:EOT");
    std::string text;
    EXPECT_EQ(track.GetMetaText(3, text), 1);
    EXPECT_EQ(text, "Piano");
    EXPECT_EQ(track.GetMetaText(7, text), 0);
    EXPECT_EQ(track.FindMetaTextTime(6, "five"), 5);
    EXPECT_EQ(track.FindMetaTextTime(6, "six"), -1);
    int emptyIndex = -1;
    for (int i = 0; i < track.EventCount(); ++i) {
        if (track.Event(i)->IsMeta(2)) emptyIndex = i;
    }
    ASSERT_GE(emptyIndex, 0);
    EXPECT_EQ(track.Event(emptyIndex)->DataLength(), 1);  // one zero byte

    Sink().Clear();
    std::string longText(130, 'x');
    track.InsertMetaTextFirst(1, longText);
    track.AppendMetaEvent(0, 1, reinterpret_cast<const std::uint8_t*>(longText.data()), 128);
    EXPECT_EQ(Sink().Count(), 2u);
    EXPECT_EQ(Sink().Texts()[0], "MDTK0D000028 Error occured in adding data!");
    EXPECT_EQ(track.LastEvent()->DataLength(), 128);  // stored anyway

    MidiTrackData setup(2, 0x6000);
    setup.AppendPitchBendRange(7, 4, 12);
    EXPECT_EQ(Describe(setup), "7:CC4/101=0 7:CC4/100=0 7:CC4/6=12");
    setup.AppendMarker(3, "A");
    EXPECT_EQ(setup.LastEvent()->subtype, 6);
}

TEST(TrackAppendAndInsert, SystemExclusiveAppenders) {
    MidiTrackData track(2, 0x6000);
    auto bytes = [](const MidiEvent* e) {
        return std::vector<std::uint8_t>(e->GetData(), e->GetData() + e->DataLength());
    };
    MidiEvent* gm = track.AppendGmSystemOn();
    EXPECT_EQ(bytes(gm), std::vector<std::uint8_t>(kGmSystemOnBlock, kGmSystemOnBlock + 7));
    EXPECT_EQ(gm->subtype, 9);
    EXPECT_EQ(gm->channel, 255);
    EXPECT_EQ(bytes(track.AppendGsReset()),
              std::vector<std::uint8_t>(
                  {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_EQ(
        bytes(track.AppendXgSystemOn()),
        std::vector<std::uint8_t>({0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_EQ(
        bytes(track.AppendXgDisplayText(0, "Hi")),
        std::vector<std::uint8_t>({0xF0, 9, 0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 'H', 'i', 0xF7}));
    std::vector<std::uint8_t> gs = bytes(track.AppendGsDisplayText(0, "Hi"));
    std::uint8_t sum = static_cast<std::uint8_t>((128 - (0x10 + 'H' + 'i') % 128) % 128);
    EXPECT_EQ(gs, std::vector<std::uint8_t>(
                      {0xF0, 11, 0x41, 0x10, 0x45, 0x12, 0x10, 0x00, 0x00, 'H', 'i', sum, 0xF7}));
    EXPECT_EQ(Sink().Count(), 0u);
    track.AppendXgDisplayText(0, std::string(33, 'a'));
    EXPECT_EQ(Sink().Count(), 1u);
    // Never more text than a one-byte length count can announce.
    MidiEvent* huge = track.AppendGsDisplayText(0, std::string(300, 'a'));
    EXPECT_LT(huge->GetData()[1], 0x80);
    EXPECT_EQ(huge->DataLength(), huge->GetData()[1] + 2);

    EXPECT_EQ(track.InsertMasterVolume(100, 0)->value, 100);
    EXPECT_EQ(track.Event(0)->subtype, 1);
    EXPECT_EQ(track.InsertMasterVolume(128, 0), nullptr);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000001 MidiTrackData Internal Error");
    EXPECT_EQ(track.GetMasterVolume(), 100);
}
