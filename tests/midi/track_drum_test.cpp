#include <gtest/gtest.h>

#include <cstring>

#include "midi/sysex.h"
#include "midi/track_data.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;
using track_test::FillNotes;

namespace {
// A GS part message of a class (18 rhythm part, 69 part parameter) for a channel.
MidiEvent* GsPartEvent(int base, int address, int channel) {
    std::uint8_t b[12] = {
        0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0, static_cast<std::uint8_t>(address),
        0x01, 0,    0xF7};
    SetGsPartByte(channel, b + 7, base);
    SetRolandChecksum(b);
    auto* e = new MidiEvent(0);
    e->kind = 0xF0;
    e->SetData(b, 12);
    MidiTrackData::ClassifySysEx(e);
    return e;
}
}  // namespace

TEST(TrackDrumOperations, UnifyLimitAndMonophony) {
    MidiTrackData drums;
    FillNotes(drums,
              {{0, 9, 57, 10},
               {48, 9, 57, 10},
               {96, 9, 49, 10},
               {144, 9, 57, 10},
               {144, 3, 49, 10},
               {192, 9, 36, 10},
               {240, 9, 35, 10}},
              384);
    drums.UnifyDrumNotes();
    // The most played key of a group wins, the earlier key of the group on
    // equal counts; a non-drum channel is left alone.
    EXPECT_EQ(Describe(drums),
              "0:N9/57/10 48:N9/57/10 96:N9/57/10 144:N9/57/10 144:N3/49/10 192:N9/35/10 "
              "240:N9/35/10 384:EOT");

    // A part made a rhythm part by a GS message counts as a drum channel.
    MidiTrackData gsDrums;
    FillNotes(gsDrums, {{0, 10, 36, 10}, {10, 10, 36, 10}, {20, 10, 35, 10}}, 40);
    gsDrums.InsertEvent(0, 2, GsPartEvent(0x10, 0x15, 10));
    EXPECT_EQ(gsDrums.IsDrumChannel(10), 1);
    gsDrums.UnifyDrumNotes();
    EXPECT_EQ(gsDrums.CountNotesOfPitch(36), 3);

    MidiTrackData range;
    FillNotes(range, {{0, 9, 30, 10}, {0, 9, 90, 10}, {10, 9, 40, 10}}, 40);
    EXPECT_EQ(range.LimitDrumRange(1), 1);
    EXPECT_EQ(Sink().Texts().back(),
              "MDTK0D000008 Drum range is not within 35 to 81. Data is modified.");
    // Both became 35 at one tick: the duplicate is dropped.
    EXPECT_EQ(Describe(range), "0:N9/35/10 10:N9/40/10 40:EOT");
    Sink().Clear();
    EXPECT_EQ(range.LimitDrumRange(1), 0);
    EXPECT_EQ(Sink().Count(), 0u);

    MidiTrackData chords;
    FillNotes(chords,
              {{0, 0, 60, 96},
               {0, 0, 67, 96},
               {0, 0, 64, 96},
               {0, 1, 30, 200},
               {48, 0, 50, 96},
               {200, 0, 52, 10}},
              300);
    MidiTrackData all(chords, 0x6000);
    chords.MakeMonophonic(0);
    EXPECT_EQ(Describe(chords), "0:N0/67/48 0:N1/30/200 48:N0/50/96 200:N0/52/10 300:EOT");
    all.MakeMonophonic(255);
    EXPECT_EQ(Describe(all), "0:N0/67/48 48:N0/50/96 200:N0/52/10 300:EOT");
}

TEST(TrackDrumOperations, ChannelRemapping) {
    MidiTrackData track;
    FillNotes(track, {{0, 2, 60, 10}, {10, 3, 62, 10}}, 40);
    track.InsertEvent(0, 2, GsPartEvent(0x10, 0x15, 2));
    track.InsertEvent(0, 2, GsPartEvent(0x40, 0x20, 3));
    EXPECT_EQ(track.RemapChannel(2, 5), 2);
    EXPECT_EQ(track.Event(1)->channel, 5);
    EXPECT_EQ(track.Event(1)->GetData()[7], 0x16);  // part 6 plays channel 5
    std::uint8_t check[12];
    std::memcpy(check, track.Event(1)->GetData(), 12);
    SetRolandChecksum(check);
    EXPECT_EQ(check[10], track.Event(1)->GetData()[10]);
    EXPECT_EQ(track.Event(2)->channel, 5);

    track.SwapChannels(5, 3);
    EXPECT_EQ(track.Event(0)->channel, 5);  // the part-parameter message of channel 3
    EXPECT_EQ(track.Event(0)->GetData()[7], 0x46);
    EXPECT_EQ(track.Event(1)->channel, 3);
    EXPECT_EQ(track.Event(2)->channel, 3);
    EXPECT_EQ(track.Event(3)->channel, 5);
    EXPECT_EQ(MidiTrackData::RemapSysExPart(track.Event(0), 9, 1), 0);  // another part

    // After a second-port name the track's channels count from 16.
    MidiTrackData port;
    FillNotes(port, {{0, 2, 60, 10}, {10, 2, 62, 10}}, 40);
    port.InsertEventAtTime(5, new MidiEvent(0), 1);
    int at = -1;
    for (int i = 0; i < port.EventCount(); ++i) {
        if (port.Event(i)->kind == 0) at = i;
    }
    MidiEvent* name = port.Event(at);
    name->kind = 0xFF;
    name->subtype = 4;
    const std::uint8_t text[] = "SC-88B";
    name->SetData(text, 6);
    EXPECT_EQ(port.RemapChannel(18, 4), 1);
    EXPECT_EQ(Describe(port), "0:N2/60/10 5:M4'SC-88B' 10:N4/62/10 40:EOT");
    EXPECT_EQ(port.RemapChannelIfInstrument("Piano", 2, 6), 0);
    EXPECT_EQ(port.RemapChannelIfInstrument("SC-88B", 2, 6), 1);
    EXPECT_EQ(port.Event(0)->channel, 6);
    port.SetChannel(1);
    EXPECT_EQ(Describe(port), "0:N1/60/10 5:M4'SC-88B' 10:N1/62/10 40:EOT");
    EXPECT_EQ(port.Event(1)->channel, 255);
}
