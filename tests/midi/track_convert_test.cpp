#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>
#include <vector>

#include "midi/sysex.h"
#include "midi/track_data.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;
using track_test::FillNotes;
using track_test::NoteEvent;

TEST(TrackModeConversions, NotesWithLengthToNoteOnOff) {
    MidiTrackData track;
    FillNotes(track, {{0, 0, 60, 96}, {96, 0, 60, 96}}, 192);
    EXPECT_EQ(track.ConvertToNoteOnOff(), 1);
    EXPECT_EQ(track.NoteMode(), 1);
    EXPECT_EQ(Describe(track), "0:On0/60 96:Off0/60 96:On0/60 192:Off0/60 192:EOT");
    EXPECT_EQ(track.Event(1)->velocity, 64);

    // At one tick the later note's note-off comes first, before any other
    // event; the End of Track goes to the very end.
    MidiTrackData ends;
    FillNotes(ends, {{0, 0, 60, 96}, {48, 0, 62, 48}, {96, 0, 64, 10}, {100, 0, 65, 200}}, 150);
    ends.ConvertToNoteOnOff();
    EXPECT_EQ(Describe(ends),
              "0:On0/60 48:On0/62 96:Off0/62 96:Off0/60 96:On0/64 100:On0/65 106:Off0/64 "
              "300:Off0/65 300:EOT");

    // Silent and empty notes vanish; a negative length closes at once, and
    // its note-off stays after its own note-on.
    MidiTrackData odd;
    FillNotes(odd, {{0, 0, 60, 0}, {0, 0, 61, 50, 0}, {10, 0, 62, -5}, {10, 0, 63, 20}}, 40);
    odd.ConvertToNoteOnOff();
    EXPECT_EQ(Describe(odd), "10:On0/62 10:Off0/62 10:On0/63 30:Off0/63 40:EOT");

    MidiTrackData wrongMode(1, 0x6000);
    EXPECT_EQ(wrongMode.ConvertToNoteOnOff(), 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000001 MidiTrackData Internal Error");
}

TEST(TrackModeConversions, NoteOnOffToNotesWithLength) {
    MidiTrackData track(1, 0x6000);
    track.AppendEvent(NoteEvent(0x90, 0, 60, 0));
    track.AppendEvent(NoteEvent(0x90, 0, 60, 10));     // second note-on of the same key
    track.AppendEvent(NoteEvent(0x90, 0, 60, 10, 0));  // velocity 0: a note-off
    track.AppendEvent(NoteEvent(0x80, 1, 60, 5));      // another channel: stray
    track.AppendEvent(NoteEvent(0x80, 0, 60, 5));
    track.AppendEvent(NoteEvent(0x90, 0, 64, 10));  // never closed
    track.AppendEndOfTrackAt(10);
    EXPECT_EQ(track.ConvertToNoteLength(), 1);
    EXPECT_EQ(track.NoteMode(), 2);
    EXPECT_EQ(Describe(track), "0:N0/60/20 10:N0/60/20 50:EOT");

    // A round trip gives the notes back.
    MidiTrackData notes;
    FillNotes(notes, {{0, 0, 60, 96}, {0, 0, 64, 48}, {48, 3, 67, 200}, {96, 0, 60, 96}}, 384);
    std::string before = Describe(notes);
    notes.ConvertToNoteOnOff();
    notes.ConvertToNoteLength();
    EXPECT_EQ(Describe(notes), before);

    MidiTrackData wrongMode(2, 0x6000);
    EXPECT_EQ(wrongMode.ConvertToNoteLength(), 0);
}

TEST(TrackModeConversions, OrderWithinATick) {
    MidiTrackData track(1, 0x6000);
    track.AppendEvent(NoteEvent(0x90, 0, 60, 0));
    track.AppendEvent(NoteEvent(0x90, 0, 62, 10));
    track.AppendEvent(NoteEvent(0x80, 0, 60, 0));
    track.AppendEvent(NoteEvent(0x90, 0, 64, 0));
    track.AppendEvent(NoteEvent(0x80, 0, 64, 0));  // its own note-on is nearest: no trade
    track.AppendEvent(NoteEvent(0x80, 0, 62, 10));
    track.AppendEndOfTrack();
    track.OrderNoteOffsFirst();
    EXPECT_EQ(Describe(track),
              "0:On0/60 10:Off0/60 10:On0/62 10:On0/64 10:Off0/64 20:Off0/62 20:EOT");
    EXPECT_EQ(track.Event(1)->delta, 10);  // positions keep their deltas
    EXPECT_EQ(track.Event(2)->delta, 0);

    MidiTrackData mixed(1, 0x6000);
    mixed.AppendEvent(NoteEvent(0x90, 0, 60, 5));
    mixed.AddControlChange(0, 7, 100);
    mixed.AppendEvent(NoteEvent(0x90, 0, 62, 0, 0));
    mixed.AppendGmSystemOn();
    mixed.AppendEndOfTrack();
    mixed.NoteOnZeroToNoteOff();
    EXPECT_EQ(mixed.Event(2)->kind, 0x80);
    mixed.MoveControlEventsFirst();
    EXPECT_EQ(Describe(mixed), "5:CC0/7=100 5:SX9 5:On0/60 5:Off0/62 5:EOT");
    mixed.MoveSysExFirst();
    EXPECT_EQ(Describe(mixed), "5:SX9 5:CC0/7=100 5:On0/60 5:Off0/62 5:EOT");
    mixed.MoveToSlotStart(0x80, -1, "");
    EXPECT_EQ(Describe(mixed), "5:Off0/62 5:SX9 5:CC0/7=100 5:On0/60 5:EOT");
    mixed.MoveGmSystemOnFirst();
    EXPECT_EQ(Describe(mixed).substr(0, 5), "5:SX9");
    EXPECT_EQ(mixed.Event(0)->delta, 5);
}

TEST(TrackModeConversions, ResolutionAndEndOfTrack) {
    MidiTrackData track(2, 0x6000);
    for (int i = 0; i < 3; ++i)
        track.AddNote(0, 100, 60, 100, 240);
    EXPECT_EQ(track.ChangeResolution(480, 96, 0), 0);
    EXPECT_EQ(Describe(track), "20:N0/60/48 40:N0/60/48 60:N0/60/48");
    EXPECT_EQ(track.GetTotalTicks(), 108);

    // Rounding errors do not pile up over many small deltas.
    MidiTrackData fine(2, 0x6000);
    for (int i = 0; i < 480; ++i)
        fine.AddNote(0, 7, 60, 100, 3);
    EXPECT_EQ(fine.ChangeResolution(480, 96, 1), 1);
    EXPECT_EQ(fine.EventCount(), 0);  // every length became 0 and was dropped
    MidiTrackData kept(2, 0x6000);
    for (int i = 0; i < 480; ++i)
        kept.AddNote(0, 7, 60, 100, 3);
    EXPECT_EQ(kept.ChangeResolution(480, 96, 0), 1);
    long long total = 0;
    for (int i = 0; i < kept.EventCount(); ++i) {
        total += kept.Event(i)->delta;
        EXPECT_EQ(kept.Event(i)->length, 1);
    }
    EXPECT_EQ(total, 480 * 7 / 5);
    EXPECT_EQ(kept.ChangeResolution(96, 96, 0), 0);

    MidiTrackData empty;
    empty.FixEndOfTrack();
    EXPECT_EQ(Describe(empty), "0:EOT");
    MidiTrackData doubled(2, 0x6000);
    doubled.AppendEndOfTrackAt(10);
    doubled.AddNote(0, 5, 60, 100, 5);
    doubled.AppendEndOfTrackAt(20);
    doubled.AddNote(0, 5, 62, 100, 5);
    doubled.FixEndOfTrack();
    EXPECT_EQ(Describe(doubled), "15:N0/60/5 40:N0/62/5 40:EOT");
}

// A long tune at every usual resolution, rescaled to the editor's and the
// player's 96 ticks per quarter and to the coarse ringtones' 48: every event
// and note end lands within one tick of its exact time scaled, to the end of
// the tune, and what sounded together still does.
TEST(TrackModeConversions, ResolutionKeepsEveryTimeToTheEnd) {
    for (int from : {30, 96, 120, 240, 384, 480, 960}) {
        // (time, key, length) of three parts starting together, 600 beats
        // long: triplets with chords, odd deltas meeting them every fourth
        // beat, and sixteenths.
        std::vector<std::vector<std::array<long long, 3>>> parts(3);
        for (long long t = from; t <= 600 * from; t += from) {
            if (t % (3 * from) == 0)
                parts[0].insert(parts[0].end(), {{t, 64, 2}, {t, 67, from - 1}});
            for (long long at : {t, t + from / 3, t + from - from / 3})
                parts[0].push_back({at, 60, at * 37 % (2 * from) + 1});
            long long at = t;
            for (int d : {7, 13, 29, 3, 41, 1, 17})
                if (t % (4 * from) == from) parts[1].push_back({at, 48 + d % 12, 3 * d}), at += d;
            for (int k = 0; k < 4; ++k)
                parts[2].push_back({t + k * from / 4, 36, 1 + k % 3});
        }
        for (int to : {96, 48}) {
            SCOPED_TRACE(testing::Message() << from << " to " << to);
            std::map<long long, long long> scaledOf;  // source time -> scaled time
            for (std::size_t p = 0; p < parts.size(); ++p) {
                MidiTrackData track(2, 0x20000);
                long long last = 0;
                for (const auto& [time, key, length] : parts[p]) {
                    track.AddNote(static_cast<int>(p), static_cast<int>(time - last),
                                  static_cast<int>(key), 100, static_cast<int>(length));
                    last = time;
                }
                track.AppendEndOfTrackAt(from);
                track.ChangeResolution(from, to, 0);
                ASSERT_EQ(track.EventCount(), static_cast<int>(parts[p].size()) + 1);
                int wrong = 0;
                long long now = 0;
                for (std::size_t i = 0; i < parts[p].size(); ++i) {
                    const MidiEvent* e = track.Event(static_cast<int>(i));
                    const auto [time, key, length] = parts[p][i];
                    now += e->delta;
                    // Both sides in ticks of from * to: within one tick of to.
                    const long long end = (now + e->length) * from - (time + length) * to;
                    if (std::llabs(now * from - time * to) > from || std::llabs(end) > from ||
                        e->length < 1 || scaledOf.emplace(time, now).first->second != now)
                        ++wrong;
                }
                EXPECT_EQ(wrong, 0) << "part " << p;
                EXPECT_EQ(now + track.LastEvent()->delta, (last + from) * to / from);
            }
        }
    }
}

TEST(TrackModeConversions, DuplicateNotes) {
    MidiTrackData closing;
    FillNotes(closing, {{0, 0, 60, 100}, {50, 0, 60, 100}, {60, 0, 64, 10}}, 200);
    EXPECT_EQ(closing.FixDuplicateNotes(1), 1);
    EXPECT_EQ(closing.NoteMode(), 2);
    EXPECT_EQ(Describe(closing), "0:N0/60/50 50:N0/60/50 60:N0/64/10 200:EOT");

    MidiTrackData dropping;
    FillNotes(dropping, {{0, 0, 60, 100}, {50, 0, 60, 100}}, 200);
    EXPECT_EQ(dropping.FixDuplicateNotes(0), 1);
    EXPECT_EQ(Describe(dropping), "0:N0/60/100 200:EOT");

    MidiTrackData clean;
    FillNotes(clean, {{0, 0, 60, 50}, {50, 0, 60, 50}}, 200);
    EXPECT_EQ(clean.FixDuplicateNotes(1), 0);
    EXPECT_EQ(Describe(clean), "0:N0/60/50 50:N0/60/50 200:EOT");

    // In mode 1 the fix works the same and the track stays in mode 1.
    MidiTrackData onOff(1, 0x6000);
    onOff.AppendEvent(NoteEvent(0x90, 0, 60, 0));
    onOff.AppendEvent(NoteEvent(0x90, 0, 60, 50));
    onOff.AppendEvent(NoteEvent(0x80, 0, 60, 50));
    onOff.AppendEvent(NoteEvent(0x80, 0, 60, 50));
    onOff.AppendEndOfTrack();
    EXPECT_EQ(onOff.FixDuplicateNotes(1), 1);
    EXPECT_EQ(onOff.NoteMode(), 1);
    EXPECT_EQ(onOff.HasOverlappingNotes(), 0);

    MidiTrackData unset;
    EXPECT_EQ(unset.FixDuplicateNotes(1), 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000001 MidiTrackData Internal Error");
}

TEST(TrackQueries, NotesTimesAndPolyphony) {
    MidiTrackData track;
    FillNotes(
        track,
        {{0, 2, 60, 96}, {0, 2, 64, 96}, {48, 2, 67, 300}, {200, 2, 60, 0}, {200, 2, 62, 20, 0}},
        240);
    EXPECT_EQ(track.CountNotes(), 5);
    EXPECT_EQ(track.CountNotesOfChannel(2), 4);  // velocity 0 does not count
    EXPECT_EQ(track.CountNotesOfPitch(60), 2);
    EXPECT_EQ(track.CountNotesInRange(0, 48), 2);
    EXPECT_EQ(track.CountNotesInRange(48, 201), 3);
    EXPECT_EQ(track.FirstNoteIndex(), 0);
    EXPECT_EQ(track.FirstNoteTimeInRange(10, 300), 48);
    EXPECT_EQ(track.FirstNoteTimeInRange(10, 40), 0);
    EXPECT_EQ(track.LastNoteTimeInRange(0, 200), 48);
    EXPECT_EQ(track.TicksToNextNote(1), 48);
    EXPECT_EQ(track.TicksToNextNote(4), -1);
    EXPECT_EQ(track.GetEndTime(), 348);
    EXPECT_EQ(track.GetTotalTicks(), 348);  // the long note ends after the End of Track
    EXPECT_EQ(track.GetMaxPolyphony(), 3);
    EXPECT_EQ(track.HasOverlappingNotes(), 0);
    EXPECT_EQ(track.CountEventsOfChannel(2), 5);
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_EQ(Describe(track).size() > 0, true);  // the queries left the track alone
    EXPECT_EQ(track.NoteMode(), 2);

    MidiTrackData overlapping;
    FillNotes(overlapping, {{0, 0, 60, 100}, {50, 0, 60, 100}}, 200);
    EXPECT_EQ(overlapping.HasOverlappingNotes(), 1);

    MidiTrackData onOff(1, 0x6000);
    onOff.AppendEvent(NoteEvent(0x90, 0, 200, 0));
    onOff.AppendEndOfTrack();
    EXPECT_EQ(onOff.HasOverlappingNotes(), 0);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000014 Note number is wrong.");
    EXPECT_EQ(onOff.CountNotesOfChannel(0), 0);  // needs mode 2
    EXPECT_EQ(onOff.GetMaxPolyphony(), 0);

    SoundingTable table;
    table.on[3][60] = 1;
    table.on[15][127] = 1;
    EXPECT_EQ(MidiTrackData::CountSoundingNotes(table), 2);
}

TEST(TrackQueries, ChannelsProgramsAndSettings) {
    MidiTrackData track(2, 0x6000);
    track.AppendTempo(500000);
    track.AppendGsReset();
    EXPECT_EQ(track.GetFirstChannel(), 255);
    EXPECT_EQ(track.GetFirstProgram(), -1);
    track.AddProgramChange(4, 0);
    EXPECT_EQ(track.GetFirstProgram(), 0);
    track.AddProgramChange(4, 33);
    track.AddProgramChange(5, 99);
    track.AddControlChange(4, 7, 101);
    track.AddControlChange(4, 7, 50);
    EXPECT_EQ(track.GetFirstChannel(), 4);
    EXPECT_EQ(track.GetFirstProgram(), 33);
    EXPECT_EQ(track.GetLastProgramOfChannel(4), 33);
    EXPECT_EQ(track.GetLastProgramOfChannel(6), -1);
    EXPECT_EQ(track.FindControlValue(7), 101);
    EXPECT_EQ(track.FindControlValue(10), -1);
    EXPECT_EQ(track.IsBendableVoice(4), 1);
    EXPECT_EQ(track.IsBendableVoice(5), 0);  // program 99

    // The XG part program stands in when a channel has no program change.
    const std::uint8_t xg[10] = {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x06, 0x03, 12, 0xF7};
    auto* e = new MidiEvent(0);
    e->kind = 0xF0;
    e->SetData(xg, 10);
    MidiTrackData::ClassifySysEx(e);
    track.AppendEvent(e);
    EXPECT_EQ(track.GetXgPartValue(6), 12);
    EXPECT_EQ(track.GetXgPartValue(7), -1);
    EXPECT_EQ(track.GetChannelProgram(6), 12);
    EXPECT_EQ(track.GetChannelProgram(4), 33);
    EXPECT_EQ(track.IsBendableVoice(6), 0);

    // Drum channels: 9, and any part a GS message makes a rhythm part.
    EXPECT_EQ(track.IsDrumChannel(9), 1);
    EXPECT_EQ(track.IsDrumChannel(10), 0);
    std::uint8_t rhythm[12] = {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0, 0xF7};
    SetRolandChecksum(rhythm);
    auto* r = new MidiEvent(0);
    r->kind = 0xF0;
    r->SetData(rhythm, 12);
    MidiTrackData::ClassifySysEx(r);
    track.AppendEvent(r);
    EXPECT_EQ(track.IsDrumChannel(10), 1);
    EXPECT_EQ(track.GetFirstChannel(), 4);  // system exclusive does not count

    track.InsertMetaText(4, "SC-88 B");
    EXPECT_EQ(track.GetFirstPortChannel(), 20);

    // Several master volumes: warned once, sharing the flag of the volume warning.
    MidiTrackData::ShowWarningOnce(0);
    track.InsertMasterVolume(90, 0);
    track.InsertMasterVolume(80, 0);
    Sink().Clear();
    EXPECT_EQ(track.GetMasterVolume(), 90);
    EXPECT_EQ(track.GetMasterVolume(), 90);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "MDTK0D000011 複数のマスターボリュームが設定されています。");
    MidiTrackData::ShowWarningOnce(0x0D000009);
    EXPECT_EQ(Sink().Count(), 1u);
    MidiTrackData::ShowWarningOnce(0x0D00000A);
    MidiTrackData::ShowWarningOnce(0x0D00000A);
    MidiTrackData::ShowWarningOnce(0x0D000099);
    MidiTrackData::ShowWarningOnce(0x0D000099);
    EXPECT_EQ(Sink().Count(), 4u);
    EXPECT_EQ(Sink().Texts()[3], "MDTK0D000099 Midiのトラックデータでエラーが発生しました。");
    MidiTrackData::ShowWarningOnce(0);
    MidiTrackData::ShowWarningOnce(0x0D000009);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000009 複数のボリュームが設定されています。");
    MidiTrackData::ShowError(0x0D000099);
    EXPECT_EQ(Sink().Texts().back(), "MDTK0D000099 MidiTrackData error.");
}
