// The format-0 tune: reading and writing images, measures, tempo placement,
// markers and the sustain pedal; and the MIDI state snapshot.
#include <gtest/gtest.h>

#include "midi/f0_data.h"
#include "midi/midi_status.h"
#include "smf_test_util.h"
#include "tests/support/test_support.h"
#include "track_test_util.h"

using smf_test::Body;
using smf_test::Bytes;
using smf_test::Chunk;
using smf_test::Header;
using smf_test::Join;
using testing_support::Sink;
using track_test::Describe;

namespace {

Bytes Format0(const Bytes& events, int division = 480) {
    return Join({Header(0, 1, division), Chunk(events)});
}

std::unique_ptr<MidiF0Data> Read(const Bytes& image) {
    return std::make_unique<MidiF0Data>(image.data(), static_cast<int>(image.size()));
}

// A mode-2 tune of notes.
std::unique_ptr<MidiF0Data> Notes(const std::vector<track_test::NoteSpec>& notes,
                                  int division = 96) {
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, division);
    track_test::FillNotes(*song->Track(), notes);
    return song;
}

}  // namespace

TEST(F0Data, ReadsAndWritesImages) {
    Bytes events = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo
                    0x00, 0x90, 60,   100,  0x60, 0x80, 60,   0x40, 0x00, 0xFF, 0x2F, 0x00};
    auto song = Read(Format0(events));
    EXPECT_EQ(song->noteMode, note_mode::kLength);
    EXPECT_EQ(song->division, 480);
    EXPECT_EQ(Describe(*song->Track()), "0:M81'' 0:N0/60/96 96:EOT");
    ASSERT_EQ(song->ConvertToNoteOnOff(), 1);
    ASSERT_EQ(song->WriteSmf(), 1);
    EXPECT_EQ(song->noteMode, note_mode::kImage);
    EXPECT_EQ(song->Track(), nullptr);
    Bytes image(song->Data(), song->Data() + song->Length());
    EXPECT_EQ(image, Format0(events));
    EXPECT_EQ(Sink().Count(), 0u);

    // The same file behind a 128-byte block reads alike.
    Bytes prefixed(128, 0x11);
    Bytes plain = Format0(events);
    prefixed.insert(prefixed.end(), plain.begin(), plain.end());
    EXPECT_EQ(Describe(*Read(prefixed)->Track()), "0:M81'' 0:N0/60/96 96:EOT");

    // Order of simultaneous events as written: controls, then system
    // exclusive, then note-offs ahead of note-ons.
    auto ordered = Notes({{0, 0, 60, 10}, {10, 0, 62, 10}});
    MidiTrackData& tr = *ordered->Track();
    tr.InsertEventAtTime(
        10,
        [] {
            auto* e = new MidiEvent(0);
            e->SetControlChange(0, 7, 90);
            return e;
        }(),
        1);
    ordered->ConvertToNoteOnOff();
    tr.InsertEventAtTime(
        10,
        [] {
            static const std::uint8_t gm[] = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
            auto* e = new MidiEvent(0);
            e->kind = event_kind::kSysEx;
            e->SetData(gm, 7);
            return e;
        }(),
        1);
    ASSERT_EQ(ordered->WriteSmf(), 1);
    EXPECT_EQ(Body(ordered->Data() + kSmfHeaderSize),
              (Bytes{0x00, 0x90, 60,   100,  0x0A, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01,
                     0xF7, 0x00, 0xB0, 7,    90,   0x00, 0x80, 60,   0x40, 0x00, 0x90,
                     62,   100,  0x0A, 0x80, 62,   0x40, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(F0Data, RefusedHeadersGiveAnEmptyTune) {
    struct Case {
        const char* name;
        Bytes image;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, nullptr},
        {"shorter than a header",
         {'M', 'T', 'h', 'd', 0, 0},
         "M0DT04000004 This is not a MIDI file. Or maybe mac binary is attached to the file!"},
        {"format 1", Join({Header(1, 1, 480), Chunk({0, 0xFF, 0x2F, 0})}),
         "M0DT04000001 This file is not Format 0!"},
        {"two tracks", Join({Header(0, 2, 480), Chunk({0, 0xFF, 0x2F, 0})}),
         "M0DT04000003 The number of track is invalid! in MidiF0Data!"},
        {"division 0", Format0({0, 0xFF, 0x2F, 0}, 0),
         "M0DT04000004 This is not a MIDI file. Or maybe mac binary is attached to the file!"},
        {"SMPTE division", Format0({0, 0xFF, 0x2F, 0}, 0xE728),
         "M0DT04000004 This is not a MIDI file. Or maybe mac binary is attached to the file!"},
        {"no chunk", Header(0, 1, 480), "MDTK0D000001 MidiTrackData Internal Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sink().Clear();
        auto song = Read(c.image);
        EXPECT_EQ(song->noteMode, note_mode::kLength);
        ASSERT_NE(song->Track(), nullptr);
        EXPECT_EQ(song->Track()->EventCount(), 0);
        if (c.message) {
            ASSERT_EQ(Sink().Count(), 1u);
            EXPECT_EQ(Sink().Texts()[0], c.message);
        } else {
            EXPECT_EQ(Sink().Count(), 0u);
        }
    }
    // An image larger than the tune is refused, never cut.
    Bytes big = Format0(Bytes(200, 0));
    Sink().Clear();
    MidiF0Data small(big.data(), static_cast<int>(big.size()), 100);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000019 Data is too large!");
    EXPECT_EQ(small.Track()->EventCount(), 0);
}

TEST(F0Data, MeasuresAndTime) {
    auto song = Notes({{1000, 0, 60, 10}});
    EXPECT_EQ(song->GetTicksPerMeasure(), 384);
    EXPECT_EQ(song->GetTicksBeforeFirstNote(), 1000);
    EXPECT_EQ(song->RemoveLeadingEmptyMeasures(), 768);
    EXPECT_EQ(song->GetTicksBeforeFirstNote(), 232);

    MidiF0Data waltz(note_mode::kLength, 480);
    waltz.Track()->AppendTimeSignature(3, 2);
    waltz.Track()->AppendEndOfTrack();
    EXPECT_EQ(waltz.GetTicksPerMeasure(), 1440);
    waltz.timeSignatureOverride = 6 * 256 + 8;
    EXPECT_EQ(waltz.GetTicksPerMeasure(), 1440);

    // Measures of 4/4 until a 3/4 at tick 3840 (measure 2 at 96 ticks).
    MidiF0Data meter(note_mode::kNoteOnOff, 480);
    meter.Track()->AppendEndOfTrackAt(0);
    meter.Track()->DeleteAllEvents();
    auto* ts = new MidiEvent(3840);
    ts->kind = event_kind::kMeta;
    ts->subtype = meta_type::kTimeSignature;
    ts->value = 3 * 256 + 4;
    meter.Track()->AppendEvent(ts);
    meter.Track()->AppendEndOfTrack();
    EXPECT_EQ(meter.MeasureToTicks(0), 0);
    EXPECT_EQ(meter.MeasureToTicks(1), 1920);
    EXPECT_EQ(meter.MeasureToTicks(2), 3840);
    EXPECT_EQ(meter.MeasureToTicks(3), 3840 + 1440);

    // A 3/4 half-way through measure 2 ends it there: measure 3 starts at
    // the signature, not a whole 4/4 measure later.
    MidiF0Data midBar(note_mode::kNoteOnOff, 480);
    midBar.Track()->AppendEndOfTrackAt(0);
    midBar.Track()->DeleteAllEvents();
    auto* late = new MidiEvent(4800);
    late->kind = event_kind::kMeta;
    late->subtype = meta_type::kTimeSignature;
    late->value = 3 * 256 + 4;
    midBar.Track()->AppendEvent(late);
    midBar.Track()->AppendEndOfTrack();
    EXPECT_EQ(midBar.MeasureToTicks(2), 3840);
    EXPECT_EQ(midBar.MeasureToTicks(3), 4800);
    EXPECT_EQ(midBar.MeasureToTicks(4), 4800 + 1440);

    Sink().Clear();
    EXPECT_EQ(meter.MeasureToTicks(-1), 0);
    EXPECT_EQ(Sink().Texts().at(0), "M0DT04000008 The number of measure is invalid!");
}

TEST(F0Data, MeasureTicksOfEverySignatureAndDivision) {
    struct Case {
        int numerator, denominator, ticksAt96, ticksAt48;
    };
    // Eighth and sixteenth metres too: a measure is never 0 ticks.
    for (Case c : {Case{4, 4, 384, 192}, Case{3, 4, 288, 144}, Case{6, 8, 288, 144},
                   Case{7, 8, 336, 168}, Case{5, 16, 120, 60}, Case{2, 2, 384, 192}}) {
        const int code = c.numerator * 256 + c.denominator;
        EXPECT_EQ(MeasureTicks(code, 96), c.ticksAt96) << c.numerator << "/" << c.denominator;
        EXPECT_EQ(MeasureTicks(code, 48), c.ticksAt48) << c.numerator << "/" << c.denominator;
    }
    // Unknown or broken signatures and divisions measure as 4/4 at 96.
    for (int code : {0, 4, 4 * 256, -1028})
        EXPECT_EQ(MeasureTicks(code, 96), 384) << code;
    EXPECT_EQ(MeasureTicks(1028, 0), 384);
    EXPECT_EQ(MeasureTicks(1 * 256 + 255, 1), 384);  // would round to nothing
    MidiF0Data sixEight(note_mode::kLength, 96);
    sixEight.timeSignatureOverride = 6 * 256 + 8;
    EXPECT_EQ(sixEight.GetTicksPerMeasure(), 288);
}

TEST(F0Data, TemposMarkersAndPedal) {
    auto song = Notes({{0, 0, 60, 10}, {0, 1, 64, 10}, {20, 0, 62, 10}});
    song->EnsureInitialTempo(400000);
    ASSERT_EQ(song->Track()->EventCount(), 5);
    EXPECT_TRUE(song->Track()->Event(0)->IsMeta(meta_type::kTempo));
    EXPECT_EQ(song->Track()->Event(0)->value, 400000);
    EXPECT_EQ(song->Track()->Event(2)->note, 64);
    song->Track()->InsertTempo(1, 300000);
    song->MoveTemposFirst();  // the later tempo of a tick wins
    ASSERT_EQ(song->Track()->EventCount(), 5);
    EXPECT_EQ(song->Track()->Event(0)->value, 300000);

    auto stop = Notes({{0, 0, 60, 10}, {960, 0, 62, 10}, {2000, 0, 64, 10}});
    stop->Track()->InsertMetaTextAtTime(960, meta_type::kMarker, "STOP");
    EXPECT_EQ(stop->ApplyStopMarker(), 1);
    EXPECT_EQ(Describe(*stop->Track()), "0:N0/60/10 960:N0/62/10 960:EOT");

    auto start = Notes({{0, 0, 60, 10}, {384, 0, 62, 10}, {500, 0, 64, 10}});
    start->Track()->InsertMetaTextAtTime(384, meta_type::kMarker, "START");
    EXPECT_EQ(start->TrimToStart(1), 1);
    EXPECT_EQ(start->ApplyStartMarker(), 1);
    EXPECT_EQ(Describe(*start->Track()), "0:N0/62/10 116:N0/64/10 116:EOT");

    // Two note-offs of one key under the pedal: one held key, one note-off.
    MidiF0Data pedal(note_mode::kLength, 96);
    MidiTrackData& tr = *pedal.Track();
    tr.AddControlChange(0, 64, 127);
    tr.AddNote(0, 0, 60, 100, 10);
    tr.AddNote(0, 20, 60, 100, 10);
    auto* up = new MidiEvent(40);
    up->SetControlChange(0, 64, 0);
    tr.AppendEvent(up);
    tr.AppendEndOfTrack();
    pedal.ApplySustainPedal();
    EXPECT_EQ(Describe(tr), "0:N0/60/20 20:N0/60/40 60:EOT");
}

TEST(F0Data, StatusSnapshot) {
    MidiStatus status;
    MidiEvent bend;
    bend.kind = event_kind::kPitchBend;
    bend.channel = 3;
    bend.value = 64;
    bend.note = 0;
    status.Apply(bend);
    MidiEvent volume;
    volume.SetControlChange(3, 7, 100);
    status.Apply(volume);
    auto out = status.MakeEvents();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0]->kind, event_kind::kPitchBend);
    EXPECT_EQ(out[0]->GetPitchBendValue(), 8192);
    EXPECT_EQ(out[1]->kind, event_kind::kControlChange);
    for (const auto& e : out) {
        EXPECT_EQ(e->channel, 3);
        EXPECT_EQ(e->delta, 0);
    }

    auto song = Notes({{0, 0, 60, 10}, {50, 0, 62, 10}});
    song->Track()->InsertTempo(0, 400000);
    long long last = -1;
    MidiStatus fresh;
    EXPECT_EQ(fresh.ApplyUntil(*song, 0, &last), 0);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(fresh.ApplyUntil(*song, 50, &last), 2);
    EXPECT_EQ(fresh.Value(MidiStatus::kTempo), 400000);
    MidiStatus meter;
    MidiEvent ts;
    ts.kind = event_kind::kMeta;
    ts.subtype = meta_type::kTimeSignature;
    ts.value = 0;
    meter.Apply(ts);
    Sink().Clear();
    EXPECT_TRUE(meter.MakeEvents().empty());
    EXPECT_EQ(Sink().Texts().at(0), "MDSS37000002 Time Sign is invalid!");
}
