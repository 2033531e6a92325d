// Files written by other programs: system exclusive framed by its length
// count, chunks of other types, longer headers and tracks without an End of
// Track, each read and written back with the bytes checked.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "midi/file_loader.h"
#include "smf_test_util.h"
#include "tests/support/test_support.h"
#include "track_test_util.h"

using smf_test::Bytes;
using smf_test::Chunk;
using smf_test::Header;
using smf_test::Join;
using testing_support::ScratchDir;
using testing_support::Sink;
using track_test::Describe;

namespace {

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

// A sysex whose length count starts with the byte F7: F7 01 counts
// 0x77 * 128 + 1 = 15233 bytes, the last of them F7.
Bytes CountStartingWithF7() {
    Bytes b(3 + 15233, 0x41);
    b[0] = 0xF0;
    b[1] = 0xF7;
    b[2] = 0x01;
    b.back() = 0xF7;
    return b;
}

// Events as the writer writes them (note-off velocity 64, no running
// status), each at its own tick so that no writer reorders them: a whole
// sysex, a divided one (F0 with its count and no F7, then an F7
// continuation), a sysex with a count starting with F7, a note after them.
Bytes SysExEvents() {
    Bytes events = {
        0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,  // GM System On
        0x01, 0xF0, 0x03, 0x43, 0x12, 0x00,              // first packet, no F7
        0x02, 0xF7, 0x03, 0x10, 0x20, 0xF7,              // continuation
        0x03,
    };
    const Bytes odd = CountStartingWithF7();
    events.insert(events.end(), odd.begin(), odd.end());
    events.insert(events.end(), {0x04, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40});
    events.insert(events.end(), kEnd.begin(), kEnd.end());
    return events;
}

Bytes ImageOf(const MidiData& data) {
    return Bytes(data.Data(), data.Data() + data.Length());
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(SmfForeign, SysExIsFramedByItsCountAndWrittenBackAsHeld) {
    const Bytes events = SysExEvents();
    const Bytes f1 = Join({Header(1, 1, 480), Chunk(events)});
    Sink().Clear();
    MidiF1Data tune(f1.data(), static_cast<int>(f1.size()));
    ASSERT_EQ(tune.TrackCount(), 1);
    const MidiTrackData& track = *tune.Track(0);
    // The divided message does not swallow the next delta, and a count
    // starting with F7 is a count, not the end of the message.
    EXPECT_EQ(Describe(track), "0:SX9 1:SX0 3:K247 6:SX0 10:N0/60/96 106:EOT");
    EXPECT_EQ(track.Event(1)->DataLength(), 5);
    EXPECT_EQ(track.Event(1)->channel, kNoChannel);
    EXPECT_EQ(track.Event(2)->DataLength(), 5);
    EXPECT_EQ(track.Event(3)->DataLength(), 15236);
    EXPECT_EQ(Bytes(track.Event(3)->GetData(), track.Event(3)->GetData() + 15236),
              CountStartingWithF7());

    // Written back, by both writers, the file is byte for byte the same.
    tune.ConvertToNoteOnOff();
    ASSERT_EQ(tune.WriteSmf(), 1);
    EXPECT_EQ(ImageOf(tune), f1);

    const Bytes f0 = Join({Header(0, 1, 480), Chunk(events)});
    MidiF0Data song(f0.data(), static_cast<int>(f0.size()));
    song.ConvertToNoteOnOff();
    ASSERT_EQ(song.WriteSmf(), 1);
    EXPECT_EQ(ImageOf(song), f0);

    // The loader's road: split by channel, merged back into format 0.
    MidiFileLoader loader;
    loader.LoadImage(f0.data(), f0.size());
    ASSERT_EQ(loader.ConvertToFormat0(1), 1);
    loader.Tune0()->ConvertToNoteOnOff();
    ASSERT_EQ(loader.Tune0()->WriteSmf(), 1);
    EXPECT_EQ(ImageOf(*loader.Tune0()), f0);
    // The only messages are those about the 15 KB event.
    EXPECT_GT(Sink().Count(), 0u);
    for (const std::string& text : Sink().Texts()) {
        EXPECT_TRUE(text.rfind("MUEV06000001", 0) == 0 || text.rfind("MDTK0D00000B", 0) == 0 ||
                    text.rfind("MDTK0D00001A", 0) == 0)
            << text;
    }
}

TEST(SmfForeign, WrittenCountAlwaysMatchesTheBytesWritten) {
    // Blocks of every shape, whether or not their count tells their bytes:
    // what the writer writes reads back as one event of exactly those
    // bytes, followed by the End of Track.
    SeedRandomWith(11);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const int kind = round % 2 ? event_kind::kSysEx : event_kind::kEscapedSysEx;
        Bytes block = {static_cast<std::uint8_t>(kind)};
        const int n = RandomInRange(1, round % 7 == 0 ? 300 : 12);
        for (int i = 0; i < n; ++i)
            block.push_back(static_cast<std::uint8_t>(RandomInRange(0, 255)));
        const bool counted = round % 3 == 0 && n <= 128;
        if (counted) block[1] = static_cast<std::uint8_t>(n - 1);  // a true count
        MidiTrackData track(note_mode::kNoteOnOff, 0x1000);
        auto* e = new MidiEvent(0);
        e->kind = kind;
        e->SetData(block.data(), static_cast<int>(block.size()));
        const int size = MidiTrackData::EncodedSize(*e);
        track.AppendEvent(e);
        track.AppendEndOfTrack();
        ASSERT_EQ(track.WriteTrackChunk("MTrk"), 1);
        const Bytes body = smf_test::Body(track.Data());
        ASSERT_EQ(static_cast<int>(body.size()), 1 + size + 4);
        const Bytes written(body.begin() + 1, body.begin() + 1 + size);
        std::uint32_t count = 0;
        const int used = ReadVarLen(written.data() + 1, written.size() - 1, &count);
        ASSERT_GT(used, 0);
        EXPECT_EQ(count, written.size() - 1 - static_cast<std::size_t>(used));
        if (counted) {
            EXPECT_EQ(written, block);  // kept as it was
        }

        Sink().Clear();
        const Bytes chunk = Chunk(body);
        MidiTrackData back(chunk.size(), 0, chunk.data(), 0x1000);
        ASSERT_EQ(back.EventCount(), 2);
        EXPECT_EQ(Bytes(back.Event(0)->GetData(), back.Event(0)->GetData() + size), written);
        EXPECT_TRUE(back.Event(1)->IsEndOfTrack());
    }
}

TEST(SmfForeign, ChunksOfOtherTypesArePassedOverAndHeadersReadByLength) {
    const Bytes junk = Chunk({1, 2, 3, 4, 5}, "JUNK");
    const Bytes a = Chunk({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes b = Chunk({0x00, 0x99, 36, 100, 0x60, 0x89, 36, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    Bytes longHeader = Header(1, 2, 480);
    longHeader[7] = 10;  // four bytes more than the usual six
    longHeader.insert(longHeader.end(), {0xAA, 0xBB, 0xCC, 0xDD});
    struct Case {
        const char* name;
        Bytes image;
    };
    const Case cases[] = {
        {"between the tracks", Join({Header(1, 2, 480), a, junk, b})},
        {"before the first track", Join({Header(1, 2, 480), junk, junk, a, b})},
        {"longer header", Join({longHeader, a, b})},
        {"longer header and foreign chunks", Join({longHeader, junk, a, junk, b, junk})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sink().Clear();
        MidiF1Data tune(c.image.data(), static_cast<int>(c.image.size()));
        ASSERT_EQ(tune.TrackCount(), 2);
        EXPECT_EQ(tune.division, 480);
        EXPECT_EQ(Describe(*tune.Track(0)), "0:N0/60/96 96:EOT");
        EXPECT_EQ(Describe(*tune.Track(1)), "0:N9/36/96 96:EOT");
        EXPECT_EQ(Sink().Count(), 0u);
        // Written back as a plain file of two tracks.
        tune.ConvertToNoteOnOff();
        ASSERT_EQ(tune.WriteSmf(), 1);
        EXPECT_EQ(ImageOf(tune), Join({Header(1, 2, 480), a, b}));
    }

    // Format 0 alike.
    Bytes longHeader0 = longHeader;
    longHeader0[9] = 0;
    longHeader0[11] = 1;
    for (const Bytes& image :
         {Join({Header(0, 1, 480), junk, a}), Join({longHeader0, junk, a, junk})}) {
        Sink().Clear();
        MidiF0Data song(image.data(), static_cast<int>(image.size()));
        EXPECT_EQ(Describe(*song.Track()), "0:N0/60/96 96:EOT");
        EXPECT_EQ(Sink().Count(), 0u);
    }

    // A foreign chunk whose length runs past the file ends the reading; the
    // tracks before it stay.
    Bytes cut = Join({Header(1, 2, 480), a, junk});
    cut[cut.size() - 6] = 0x7F;
    Sink().Clear();
    MidiF1Data partial(cut.data(), static_cast<int>(cut.size()));
    EXPECT_EQ(partial.TrackCount(), 1);
    // A header longer than the file is no MIDI file.
    Bytes huge = Join({Header(1, 1, 480), a});
    huge[6] = 0x7F;
    Sink().Clear();
    MidiF1Data refused(huge.data(), static_cast<int>(huge.size()));
    EXPECT_EQ(refused.TrackCount(), 0);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000004 This is not Midi file!");
}

TEST(SmfForeign, TrackWithoutEndOfTrackLoadsAndSaves) {
    // The track ends after a note-off and a controller, with no End of
    // Track: it gets one at the time of its last event.
    const Bytes events = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0x40, 0x10, 0xB0, 7, 100};
    const Bytes image = Join({Header(1, 1, 480), Chunk(events)});
    MidiFileLoader loader;
    loader.LoadImage(image.data(), image.size());
    ASSERT_NE(loader.Tune1(), nullptr);
    // (The loader puts a master volume in front.)
    EXPECT_EQ(Describe(*loader.Tune1()->Track(0)), "0:SX1 0:N0/60/96 112:CC0/7=100 112:EOT");
    Sink().Clear();
    const std::string path = ScratchDir() + "/saved.mid";
    ASSERT_EQ(loader.Tune1()->SaveFile(path), 1);
    Bytes expected = events;
    expected.insert(expected.end(), kEnd.begin(), kEnd.end());
    const Bytes volume = {0x00, 0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7};
    expected.insert(expected.begin(), volume.begin(), volume.end());
    EXPECT_EQ(ReadFile(path), Join({Header(1, 1, 480), Chunk(expected)}));
    EXPECT_EQ(Sink().Count(), 0u);

    // Format 0, through the loader and back: the End of Track lands after
    // the last event.
    const Bytes image0 = Join({Header(0, 1, 480), Chunk(events)});
    MidiFileLoader loader0;
    loader0.LoadImage(image0.data(), image0.size());
    ASSERT_EQ(loader0.ConvertToFormat0(1), 1);
    loader0.Tune0()->ConvertToNoteOnOff();
    ASSERT_EQ(loader0.Tune0()->WriteSmf(), 1);
    EXPECT_EQ(ImageOf(*loader0.Tune0()), Join({Header(0, 1, 480), Chunk(Join({events, kEnd}))}));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(SmfForeign, RefusedSaveNamesItsCause) {
    // A tune whose track was built without an End of Track: the refusal
    // says so, and says nothing about size.
    MidiF1Data tune(480);
    MidiTrackData* track = tune.AddEmptyTrack(0x1000);
    track->AddNote(0, 0, 60, 100, 96);
    Sink().Clear();
    EXPECT_EQ(tune.SaveFile(ScratchDir() + "/refused.mid"), 0);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "M0DT0400000B The end of track is invalid!");
    EXPECT_EQ(tune.noteMode, note_mode::kLength);
    EXPECT_EQ(Describe(*track), "0:N0/60/96");  // the tune is left as it was

    // A delta no file can hold is named as such.
    MidiF1Data far(480);
    MidiTrackData* late = far.AddEmptyTrack(0x1000);
    late->AddNote(0, 0, 60, 100, 96);
    late->Event(0)->delta = 0x10000000;
    late->AppendEndOfTrack();
    Sink().Clear();
    EXPECT_EQ(far.SaveFile(ScratchDir() + "/far.mid"), 0);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "MDTK0D000019 Musical data is invalid!");

    // A tune too large for its image still says so.
    MidiF1Data big(480, 64);
    MidiTrackData* full = big.AddEmptyTrack(0x1000);
    for (int i = 0; i < 30; ++i)
        full->AddNote(0, 10, 60, 100, 5);
    full->AppendEndOfTrack();
    Sink().Clear();
    EXPECT_EQ(big.SaveFile(ScratchDir() + "/big.mid"), 0);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "M1DT03000019 Data is too large!");
}

TEST(SmfForeign, ReadingAsNotesEqualsReadingThenConverting) {
    // Readers that want notes with length pair the notes while they read;
    // over every kind of chunk the result must be what reading note-on/off
    // events and converting them gives. The last rounds put the largest
    // delta a file can hold between half the events, so that times pass
    // 2^32 ticks while notes are open.
    SeedRandomWith(7);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const bool far = round >= 300;
        Bytes events;
        const int count = RandomInRange(0, 60);
        int running = -1;
        for (int i = 0; i < count; ++i) {
            if (far && RandomInRange(0, 1) == 0) {
                events.insert(events.end(), {0xFF, 0xFF, 0xFF, 0x7F});
            } else {
                events.push_back(
                    static_cast<std::uint8_t>(RandomInRange(0, 3) == 0 ? 0 : RandomInRange(0, 40)));
            }
            const int what = RandomInRange(0, 9);
            const auto channel = static_cast<std::uint8_t>(RandomInRange(0, 1));
            const auto key = static_cast<std::uint8_t>(RandomInRange(60, 62));
            if (what <= 5) {
                // Note on, note on with velocity 0, or note off, sometimes
                // in running status.
                const int status = (what <= 2 ? 0x90 : what == 3 ? 0x90 : 0x80) | channel;
                if (status != running || RandomInRange(0, 1) == 0)
                    events.push_back(static_cast<std::uint8_t>(status));
                running = status;
                events.push_back(key);
                events.push_back(static_cast<std::uint8_t>(what <= 2 ? 100 : what == 3 ? 0 : 64));
            } else if (what == 6) {
                events.insert(events.end(), {static_cast<std::uint8_t>(0xB0 | channel), 7, 100});
                running = 0xB0 | channel;
            } else if (what == 7) {
                events.insert(events.end(), {0xFF, 0x21, 0x01, 0x00});  // read over
            } else if (what == 8) {
                events.insert(events.end(), {0xF0, 0x03, 0x43, 0x12, 0xF7});
                running = 0xF0;
            } else {
                events.insert(events.end(), {0xFF, 0x2F, 0x00});
            }
        }
        if (RandomInRange(0, 3) > 0) events.insert(events.end(), kEnd.begin(), kEnd.end());
        const Bytes chunk = Chunk(events);
        Sink().Clear();
        MidiTrackData converted(chunk.size(), 0, chunk.data(), 0x10000);
        converted.ConvertToNoteLength();
        SmfReadState state;
        state.notesWithLength = true;
        MidiTrackData paired(chunk.size(), 0, chunk.data(), 0x10000, &state);
        EXPECT_EQ(paired.NoteMode(), note_mode::kLength);
        EXPECT_EQ(Describe(paired), Describe(converted));
        ASSERT_EQ(paired.EventCount(), converted.EventCount());
        for (int i = 0; i < paired.EventCount(); ++i) {
            const MidiEvent& a = *paired.Event(i);
            const MidiEvent& b = *converted.Event(i);
            EXPECT_TRUE(a.IsEqual(b)) << i;
            ASSERT_EQ(a.DataLength(), b.DataLength());
            EXPECT_EQ(Bytes(a.GetData(), a.GetData() + a.DataLength()),
                      Bytes(b.GetData(), b.GetData() + b.DataLength()));
        }
    }
}
