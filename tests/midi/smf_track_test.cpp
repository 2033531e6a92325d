// The track chunk reader and writer: events as read, events as written, and
// the bounds of malformed chunks.
#include <gtest/gtest.h>

#include "midi/track_data.h"
#include "smf_test_util.h"
#include "tests/support/test_support.h"
#include "track_test_util.h"

using smf_test::Body;
using smf_test::Bytes;
using smf_test::Chunk;
using testing_support::Sink;
using track_test::Describe;

namespace {

// Reads one chunk image as a track.
std::unique_ptr<MidiTrackData> Read(const Bytes& chunk, SmfReadState* state = nullptr) {
    return std::make_unique<MidiTrackData>(chunk.size(), 0, chunk.data(), 0x60000, state);
}

// Writes a mode-1 track and returns its event bytes.
Bytes Write(MidiTrackData& track) {
    EXPECT_EQ(track.WriteTrackChunk("MTrk"), 1);
    return Body(track.Data());
}

}  // namespace

TEST(SmfTrack, ReadsEveryEventKind) {
    Bytes events = {
        0x00, 0x90, 60,   100,                           // note on
        0x10, 0x80, 60,   0,                             // note off with velocity 0
        0x00, 0x91, 62,   0,                             // note on, velocity 0: a note-off
        0x00, 0xA2, 64,   33,                            // polyphonic pressure
        0x00, 0xB3, 7,    100,                           // control change
        0x00, 0xC4, 5,                                   // program change
        0x00, 0xD5, 44,                                  // channel pressure
        0x00, 0xE6, 0x00, 0x40,                          // pitch bend 8192
        0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,  // GM System On
        0x00, 0xF7, 0x02, 0x43, 0x12,                    // escaped packet
        0x00, 0xFF, 0x03, 0x04, 'B',  'a',  's',  's',   // track name
        0x00, 0xFF, 0x09, 0x02, 'D',  'v',               // device name
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // tempo
        0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08,  // 6/8
        0x00, 0xFF, 0x59, 0x02, 0x01, 0x00,              // key signature
        0x00, 0xFF, 0x21, 0x01, 0x00,                    // port: dropped later
        0x00, 0xFF, 0x2F, 0x00,
    };
    auto track = Read(Chunk(events));
    EXPECT_EQ(track->NoteMode(), note_mode::kNoteOnOff);
    EXPECT_EQ(track->Length(), static_cast<int>(events.size() + 8));
    EXPECT_EQ(Describe(*track),
              "0:On0/60 16:Off0/60 16:Off1/62 16:K160 16:CC3/7=100 16:PC4=5 16:K208 "
              "16:PB6=8192 16:SX9 16:K247 16:M3'Bass' 16:M4'Dv' 16:M81'' 16:M88'\x06\x03\x18\x08' "
              "16:M89'\x01' 16:K0 16:EOT");
    EXPECT_EQ(track->Event(3)->note, 64);
    EXPECT_EQ(track->Event(3)->value, 33);
    EXPECT_EQ(track->Event(12)->value, 500000);
    EXPECT_EQ(track->Event(13)->value, 1544);  // 6/8
    EXPECT_EQ(track->Event(9)->DataLength(), 4);
    // Channel events keep their bytes from the status on.
    EXPECT_EQ(track->Event(4)->DataLength(), 3);
    EXPECT_EQ(track->Event(4)->GetData()[0], 0xB3);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(SmfTrack, RunningStatusRepairsAndFixedMetas) {
    // Running status over note-ons and across a meta event.
    auto running = Read(Chunk({0x00, 0x90, 60, 100,  0x10, 62, 100,  0x00, 0xFF, 0x01, 0x00,
                               0x10, 60,   0,  0x00, 62,   0,  0x00, 0xFF, 0x2F, 0x00}));
    auto repeated = Read(Chunk({0x00, 0x90, 60, 100, 0x10, 0x90, 62, 100, 0x00, 0xFF, 0x01, 0x00,
                                0x10, 0x90, 60, 0,   0x00, 0x90, 62, 0,   0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(Describe(*running), Describe(*repeated));
    EXPECT_EQ(running->Event(1)->GetData()[0], 0x90);  // status put in front

    // Across chunks of one file, and afresh for another reader.
    SmfReadState state;
    Read(Chunk({0x00, 0x93, 60, 100, 0x00, 0xFF, 0x2F, 0x00}), &state);
    auto second = Read(Chunk({0x00, 61, 90, 0x00, 0xFF, 0x2F, 0x00}), &state);
    EXPECT_EQ(Describe(*second), "0:On3/61 0:EOT");
    EXPECT_EQ(Sink().Count(), 0u);
    auto fresh = Read(Chunk({0x00, 61, 90, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(Describe(*fresh), "0:EOT");  // what was read, and the End of Track it lacked
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D000002 Undefined Midi Event");
    Sink().Clear();

    // Zero tempo, broken meter, key 128 and program 128 are repaired.
    auto repaired = Read(Chunk({0x00, 0xFF, 0x51, 0x03, 0, 0, 0,      //
                                0x00, 0xFF, 0x58, 0x04, 0, 2, 24, 8,  //
                                0x00, 0x90, 0x80, 100,                //
                                0x00, 0xC0, 0x80,                     //
                                0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(repaired->Event(0)->value, 500000);
    EXPECT_EQ(repaired->Event(1)->value, 1028);
    EXPECT_EQ(repaired->Event(2)->note, 0);
    EXPECT_EQ(repaired->Event(2)->kind, event_kind::kNoteOff);  // velocity became 0
    EXPECT_EQ(repaired->Event(3)->value, 0);
    EXPECT_EQ(Sink().Count(), 4u);
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D000005 Tempo is wrong.");
    EXPECT_EQ(Sink().Texts().at(1), "MDTK0D000027 Error occured in time sign!");
    EXPECT_EQ(Sink().Texts().at(3), "MDTK0D00000C Wrong program change is modified to zero.");
    Sink().Clear();

    // A zero-length fixed meta keeps the parser in step; SMPTE reads as zeros.
    auto zero = Read(Chunk({0x00, 0xFF, 0x20, 0x00, 0x00, 0xFF, 0x54, 0x05, 1,    2,   3,
                            4,    5,    0x00, 0x90, 60,   1,    0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(Describe(*zero), "0:M32'' 0:M84'' 0:On0/60 0:EOT");
    EXPECT_EQ(zero->Event(1)->DataLength(), 5);
    EXPECT_EQ(zero->Event(1)->GetData()[0], 0);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(SmfTrack, MalformedChunksStayInBounds) {
    struct Case {
        const char* name;
        Bytes chunk;
        int events;
        const char* message;
    };
    const Case cases[] = {
        {"wrong id", Chunk({0x00, 0xFF, 0x2F, 0x00}, "MThd"), 0,
         "MDTK0D000007 This is not a midi file."},
        {"length past the end",
         {'M', 'T', 'r', 'k', 0, 0, 0, 9, 0, 0xFF, 0x2F, 0},
         0,
         "MDTK0D000001 MidiTrackData Internal Error"},
        {"huge length",
         {'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF, 0},
         0,
         "MDTK0D000001 MidiTrackData Internal Error"},
        {"short head", {'M', 'T', 'r'}, 0, "MDTK0D000001 MidiTrackData Internal Error"},
        {"delta runs off", Chunk({0x00, 0x90, 60, 1, 0x81, 0x82}), 2,
         "MDTK0D000001 MidiTrackData Internal Error"},
        {"five-byte delta", Chunk({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1}), 1,
         "MDTK0D000001 MidiTrackData Internal Error"},
        {"cut note", Chunk({0x00, 0x90, 60}), 1, "MDTK0D000001 MidiTrackData Internal Error"},
        {"sysex shorter than its count", Chunk({0x00, 0xF0, 0x03, 0x7E, 0x7F}), 1,
         "MDTK0D000001 MidiTrackData Internal Error"},
        {"meta count past the end", Chunk({0x00, 0xFF, 0x01, 0x10, 'a'}), 1,
         "MDTK0D000001 MidiTrackData Internal Error"},
        {"escaped packet past the end", Chunk({0x00, 0xF7, 0x05, 1}), 1,
         "MDTK0D000001 MidiTrackData Internal Error"},
        {"data byte first", Chunk({0x00, 0x40, 0x40}), 1, "MDTK0D000002 Undefined Midi Event"},
        {"no end of track", Chunk({0x00, 0x90, 60, 1}), 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sink().Clear();
        auto track = Read(c.chunk);
        EXPECT_EQ(track->EventCount(), c.events);
        EXPECT_EQ(track->NoteMode(), note_mode::kNoteOnOff);
        // Whatever was read ends in an End of Track, so it can be written.
        if (c.events > 0) {
            EXPECT_TRUE(track->LastEvent()->IsEndOfTrack());
        }
        if (c.message) {
            ASSERT_EQ(Sink().Count(), 1u);
            EXPECT_EQ(Sink().Texts()[0], c.message);
        } else {
            EXPECT_EQ(Sink().Count(), 0u);
        }
    }
    // A chunk larger than the track's block is refused, not cut.
    Bytes big = Chunk(Bytes(100, 0));
    Sink().Clear();
    MidiTrackData small(big.size(), 0, big.data(), 64);
    EXPECT_EQ(small.Length(), 0);
    EXPECT_EQ(Sink().Count(), 1u);
}

TEST(SmfTrack, WritesEventsAsTheFileHoldsThem) {
    Bytes events = {
        0x00, 0x90, 60,   100,  0x10, 0x80, 60,   0,    0x00, 0xA2, 64,   33,   0x00, 0xB3, 7,
        100,  0x00, 0xC4, 5,    0x00, 0xD5, 44,   0x00, 0xE6, 0x00, 0x40, 0x00, 0xF0, 0x05, 0x7E,
        0x7F, 0x09, 0x01, 0xF7, 0x00, 0xF7, 0x02, 0x43, 0x12, 0x00, 0xFF, 0x03, 0x00,  // empty name
        0x00, 0xFF, 0x54, 0x05, 1,    2,    3,    4,    5,  // SMPTE offset
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08,
        0x83, 0x60, 0xFF, 0x2F, 0x00,
    };
    auto track = Read(Chunk(events));
    Bytes written = Write(*track);
    Bytes expected = events;
    expected[7] = 0x40;                                               // note-off velocity 64
    Bytes expectedTail = {0x00, 0xFF, 0x03, 0x01, 0x00,               // FF 03 01 00
                          0x00, 0xFF, 0x54, 0x05, 0,    0, 0, 0, 0};  // SMPTE zeros
    // Replace the name and SMPTE parts of the expected bytes.
    const std::size_t nameAt = 39;
    expected.erase(expected.begin() + nameAt, expected.begin() + nameAt + 4 + 9);
    expected.insert(expected.begin() + nameAt, expectedTail.begin(), expectedTail.end());
    EXPECT_EQ(written, expected);
    EXPECT_EQ(track->NoteMode(), note_mode::kImage);

    // A track that does not end in an End of Track is not written, and the
    // refusal says so.
    MidiTrackData open(note_mode::kNoteOnOff, 0x1000);
    open.AppendEvent(track_test::NoteEvent(event_kind::kNoteOn, 0, 60, 0));
    Sink().Clear();
    EXPECT_EQ(open.WriteTrackChunk("MTrk"), -1);
    EXPECT_EQ(open.NoteMode(), note_mode::kNoteOnOff);
    EXPECT_EQ(Sink().Texts().at(0), "M0DT0400000B The end of track is invalid!");
}

TEST(SmfTrack, WriterSkipsWhatItCannotWriteAndChecksRoom) {
    MidiTrackData track(note_mode::kNoteOnOff, 0x1000);
    track.AppendEvent(track_test::NoteEvent(event_kind::kNoteOn, 0, 60, 5));
    track.AppendEvent(track_test::NoteEvent(event_kind::kNoteOn, 16, 61, 7));   // bad channel
    track.AppendEvent(track_test::NoteEvent(event_kind::kNoteOff, 0, 200, 3));  // bad key
    auto* cleared = new MidiEvent(2);
    track.AppendEvent(cleared);  // kind 0
    std::string longText(200, 'x');
    track.AppendMetaEvent(1, meta_type::kLyric,
                          reinterpret_cast<const std::uint8_t*>(longText.data()), 200);
    track.AppendEndOfTrack();
    Sink().Clear();
    Bytes written = Write(track);
    Bytes head = {0x05, 0x90, 60, 100, 0x0A, 0x80, 0, 0x40, 0x03, 0xFF, 0x05, 0x81, 0x48};
    ASSERT_GE(written.size(), head.size());
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 13), head);
    EXPECT_EQ(written.size(), head.size() + 200 + 4);
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D000003 Chanel is wrong");
    EXPECT_EQ(Sink().Texts().at(1), "MDTK0D000002 Undefined Midi Event");
    EXPECT_EQ(track.Event(2)->note, 0);

    // The whole event must fit the block, not only its delta.
    MidiTrackData tight(note_mode::kNoteOnOff, 30);
    tight.AppendMetaEvent(0, meta_type::kText,
                          reinterpret_cast<const std::uint8_t*>("abcdefghijklmnopqrst"), 20);
    tight.AppendEndOfTrack();
    Sink().Clear();
    EXPECT_EQ(tight.WriteTrackChunk("MTrk"), 0);
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D00001A Can not add data!");
    EXPECT_LE(tight.Length(), 30);
}
