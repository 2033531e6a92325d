// The format-1 tune, the file loader and the in-memory format conversion:
// round trips, header and track-count limits, dispatch on the format.
#include <gtest/gtest.h>

#include <fstream>

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

Bytes Notes(int channel, int key) {
    return {0x00,
            static_cast<std::uint8_t>(0x90 | channel),
            static_cast<std::uint8_t>(key),
            100,
            0x60,
            static_cast<std::uint8_t>(0x80 | channel),
            static_cast<std::uint8_t>(key),
            0x40,
            0x00,
            0xFF,
            0x2F,
            0x00};
}

std::string WriteFile(const Bytes& bytes, const char* name = "tune.mid") {
    std::string path = ScratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

Bytes ImageOf(const MidiData& data) {
    return Bytes(data.Data(), data.Data() + data.Length());
}

}  // namespace

TEST(F1Data, ReadsWritesAndRoundTrips) {
    Bytes image =
        Join({Header(1, 3, 96), Chunk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0, 0xFF, 0x2F, 0}),
              Chunk(Notes(0, 60)), Chunk(Notes(9, 36))});
    MidiF1Data tune(image.data(), static_cast<int>(image.size()));
    ASSERT_EQ(tune.TrackCount(), 3);
    EXPECT_EQ(tune.division, 96);
    EXPECT_EQ(Describe(*tune.Track(1)), "0:N0/60/96 96:EOT");
    ASSERT_EQ(tune.ConvertToNoteOnOff(), 1);
    ASSERT_EQ(tune.WriteSmf(), 1);
    EXPECT_EQ(tune.TrackCount(), 0);
    EXPECT_EQ(ImageOf(tune), image);
    EXPECT_EQ(Sink().Count(), 0u);

    // Saving writes the same bytes in any mode and keeps the tune.
    MidiF1Data again(image.data(), static_cast<int>(image.size()));
    std::string path = ScratchDir() + "/saved.mid";
    ASSERT_EQ(again.SaveFile(path), 1);
    EXPECT_EQ(again.noteMode, note_mode::kLength);
    EXPECT_EQ(again.TrackCount(), 3);
    MidiF1Data loaded(path, 0x60000);
    EXPECT_EQ(loaded.TrackCount(), 3);
    EXPECT_EQ(Describe(*loaded.Track(2)), "0:N9/36/96 96:EOT");
}

TEST(F1Data, TrackCountsAndRefusals) {
    // 70 announced tracks read as 32.
    Bytes many = Header(1, 70, 96);
    for (int i = 0; i < 70; ++i)
        many = Join({many, Chunk(kEnd)});
    Sink().Clear();
    MidiF1Data tooMany(many.data(), static_cast<int>(many.size()));
    EXPECT_EQ(tooMany.TrackCount(), 32);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000001 The number of Track is too many!");

    // 5 announced, 3 present.
    Bytes short3 = Join({Header(1, 5, 96), Chunk(kEnd), Chunk(kEnd), Chunk(kEnd)});
    Sink().Clear();
    MidiF1Data three(short3.data(), static_cast<int>(short3.size()));
    EXPECT_EQ(three.TrackCount(), 3);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT00000000 MidiF1Data Error!");

    // A chunk whose length runs past the end: what was read before stays.
    Bytes cut = Join({Header(1, 2, 96), Chunk(kEnd), Bytes{'M', 'T', 'r', 'k', 0, 0, 1, 0, 0}});
    Sink().Clear();
    MidiF1Data one(cut.data(), static_cast<int>(cut.size()));
    EXPECT_EQ(one.TrackCount(), 1);
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D000001 MidiTrackData Internal Error");

    struct Case {
        const char* name;
        Bytes image;
        const char* message;
    };
    const Case cases[] = {
        {"format 2", Join({Header(2, 1, 96), Chunk(kEnd)}),
         "M1DT03000002 This file is not format 1 of midi."},
        {"not SMF", Bytes(40, 'x'), "M1DT03000004 This is not Midi file!"},
        {"short", {'M', 'T', 'h', 'd', 0}, "M1DT03000004 This is not Midi file!"},
        {"division 0", Join({Header(1, 1, 0), Chunk(kEnd)}), "M1DT03000004 This is not Midi file!"},
        {"SMPTE division", Join({Header(1, 1, 0xE250), Chunk(kEnd)}),
         "M1DT03000004 This is not Midi file!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sink().Clear();
        MidiF1Data tune(c.image.data(), static_cast<int>(c.image.size()));
        EXPECT_EQ(tune.TrackCount(), 0);
        EXPECT_EQ(tune.noteMode, note_mode::kLength);
        ASSERT_EQ(Sink().Count(), 1u);
        EXPECT_EQ(Sink().Texts()[0], c.message);
    }
}

TEST(F1Data, PathReadersDispatchOnceOnTheFormat) {
    std::string format2 = WriteFile(Join({Header(2, 1, 96), Chunk(Notes(0, 60))}));
    Sink().Clear();
    MidiF0Data song(format2, 0x60000);
    EXPECT_EQ(song.Track()->EventCount(), 0);
    EXPECT_EQ(Sink().Texts().at(0), "M0DT04000001 This file is not Format 0!");
    Sink().Clear();
    MidiF1Data tune(format2, 0x60000);
    EXPECT_EQ(tune.TrackCount(), 0);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000002 This file is not format 1 of midi.");

    // Format 1 read as a format-0 tune: merged, earlier tracks first.
    std::string format1 =
        WriteFile(Join({Header(1, 2, 96), Chunk(Notes(1, 64)), Chunk(Notes(0, 60))}));
    MidiF0Data merged(format1, 0x60000);
    EXPECT_EQ(Describe(*merged.Track()), "0:N1/64/96 0:N0/60/96 96:EOT");
    // Format 0 read as a format-1 tune: split into 17 tracks.
    std::string format0 =
        WriteFile(Join({Header(0, 1, 96), Chunk({0x00, 0xFF, 0x03, 0x01, 'T',  0x00, 0x91, 60, 100,
                                                 0x00, 0x99, 36,   100,  0x60, 0x81, 60,   0,  0x00,
                                                 0x89, 36,   0,    0x00, 0xFF, 0x2F, 0x00})}));
    MidiF1Data split(format0, 0x60000);
    ASSERT_EQ(split.TrackCount(), 17);
    EXPECT_EQ(Describe(*split.Track(2)), "0:SX1 0:N1/60/96 96:EOT");  // master volume added
    EXPECT_EQ(Describe(*split.Track(10)), "0:N9/36/96 96:EOT");
    EXPECT_EQ(split.Track(0)->Event(0)->subtype, meta_type::kTrackName);

    // A file larger than the tune is refused.
    Sink().Clear();
    MidiF1Data small(format0, 20);
    EXPECT_EQ(small.TrackCount(), 0);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000019 Data is too large!");
}

TEST(F1Data, TooLargeSaveLeavesNoFile) {
    MidiF1Data tune(96, 64);
    for (int i = 0; i < 3; ++i) {
        MidiF1TrackData* t = tune.AddEmptyTrack(0x1000);
        t->AddNote(0, 0, 60, 100, 96);
        t->AppendEndOfTrack();
    }
    std::string path = ScratchDir() + "/big.mid";
    Sink().Clear();
    EXPECT_EQ(tune.SaveFile(path), 0);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000019 Data is too large!");
    EXPECT_FALSE(CanOpenFile(path));
    EXPECT_EQ(tune.TrackCount(), 3);
    EXPECT_EQ(tune.noteMode, note_mode::kLength);
    EXPECT_EQ(Describe(*tune.Track(0)), "0:N0/60/96 96:EOT");
}

TEST(FileLoader, LoadsConvertsAndRefuses) {
    std::string format0 = WriteFile(Join({Header(0, 1, 96), Chunk(Join({Notes(0, 60)}))}));
    MidiFileLoader loader(format0);
    ASSERT_NE(loader.Tune1(), nullptr);
    EXPECT_EQ(loader.Tune1()->TrackCount(), 17);
    EXPECT_EQ(loader.CurrentFormat(), 1);
    EXPECT_EQ(loader.OriginalFormat(), 0);

    // Three tracks with events at one tick come out in track order.
    std::string format1 = WriteFile(
        Join({Header(1, 3, 96), Chunk(Notes(2, 62)), Chunk(Notes(0, 60)), Chunk(Notes(1, 61))}));
    MidiFileLoader three(format1);
    ASSERT_EQ(three.ConvertToFormat0(0), 1);
    EXPECT_EQ(Describe(*three.Tune0()->Track()), "0:SX1 0:N2/62/96 0:N0/60/96 0:N1/61/96 96:EOT");
    EXPECT_EQ(three.CurrentFormat(), 0);
    ASSERT_EQ(three.ConvertToFormat1(), 1);
    EXPECT_EQ(three.Tune1()->TrackCount(), 17);
    Sink().Clear();
    EXPECT_EQ(three.ConvertToFormat1(), 0);
    EXPECT_EQ(Sink().Texts().at(0), "MDLD17000001 Internal error occured in MidiFileLoader!");

    // Size limit: exactly the limit loads, one byte more is refused.
    Bytes body(MidiFileLoader::kMaxFileLength - 14 - 8 - 4, 0);
    for (std::size_t i = 0; i + 4 <= body.size(); i += 4) {
        body[i] = 0x00, body[i + 1] = 0xB0, body[i + 2] = 7, body[i + 3] = 100;
    }
    Bytes limit = Join({Header(0, 1, 96), Chunk(Join({body, kEnd}))});
    ASSERT_EQ(limit.size(), static_cast<std::size_t>(MidiFileLoader::kMaxFileLength));
    MidiFileLoader atLimit(WriteFile(limit));
    EXPECT_EQ(atLimit.FileLength(), MidiFileLoader::kMaxFileLength);
    ASSERT_NE(atLimit.Tune1(), nullptr);
    // The odd byte left at the end of the body runs on as a controller with
    // the End of Track's bytes, so the chunk ends cut short and gets an End
    // of Track of its own.
    EXPECT_EQ(atLimit.Tune1()->Track(1)->EventCount(), static_cast<int>(body.size() / 4 + 2));
    EXPECT_TRUE(atLimit.Tune1()->Track(1)->LastEvent()->IsEndOfTrack());
    limit.push_back(0);
    Sink().Clear();
    MidiFileLoader over(WriteFile(limit));
    EXPECT_EQ(over.FileLength(), 0);
    EXPECT_EQ(over.Tune1(), nullptr);
    EXPECT_EQ(Sink().Texts().at(0),
              "MDLD17000003 Data are too large! MidiFileLoader can not load data!");

    // Not a MIDI file, a missing file, a cancelled dialog.
    Sink().Clear();
    MidiFileLoader junk(WriteFile(Bytes(64, 'x')));
    EXPECT_EQ(junk.FileLength(), 0);
    EXPECT_EQ(junk.OriginalFormat(), -1);
    EXPECT_EQ(Sink().Texts().at(0), "MDLD17000002 This is not a Midi file!");
    Sink().Clear();
    MidiFileLoader missing(ScratchDir() + "/none.mid");
    EXPECT_EQ(missing.FileLength(), 0);
    EXPECT_EQ(Sink().Texts().at(0),
              "Midiファイルが開けませんでした。" + ScratchDir() + "/none.mid");
    MidiFileLoader cancelled(ScratchDir() + "/*.mid");
    EXPECT_EQ(cancelled.FileLength(), 0);
    EXPECT_EQ(cancelled.Tune1(), nullptr);
}

TEST(FileLoader, ConvertsImagesBetweenFormats) {
    Bytes format0 = Join(
        {Header(0, 1, 96), Chunk({0x00, 0x90, 60,   100,  0x00, 0x91, 64,   100,  0x60, 0x80,
                                  60,   0x40, 0x00, 0x81, 64,   0x40, 0x00, 0xFF, 0x2F, 0x00})});
    std::vector<std::uint8_t> buffer(0x1000);
    std::copy(format0.begin(), format0.end(), buffer.begin());
    int size = static_cast<int>(format0.size());
    EXPECT_EQ(MidiData::ConvertSmfFormat(buffer.data(), &size, 0, 0x1000), 1);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + size), format0);  // already format 0
    ASSERT_EQ(MidiData::ConvertSmfFormat(buffer.data(), &size, 1, 0x1000), 1);
    EXPECT_EQ(MidiData::GetSmfFormat(buffer.data(), size), 1);
    EXPECT_EQ(ReadBigEndian16(buffer.data() + 10), 17);
    Sink().Clear();
    ASSERT_EQ(MidiData::ConvertSmfFormat(buffer.data(), &size, 0, 0x1000), 1);
    // Back to format 0: a master volume was added by the format-1 reader.
    MidiF0Data back(buffer.data(), size);
    EXPECT_EQ(Describe(*back.Track()), "0:SX1 0:N0/60/96 0:N1/64/96 96:EOT");
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000016 There is no master volume! 127 has been set!");

    int small = size;
    Sink().Clear();
    EXPECT_EQ(MidiData::ConvertSmfFormat(buffer.data(), &small, 1, 40), 0);
    EXPECT_EQ(small, size);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000019 Data is too large!");
    EXPECT_EQ(MidiData::ConvertSmfFormat(buffer.data(), &small, 2, 0x1000), 0);
    EXPECT_EQ(Sink().Texts().at(1), "MDDT35000001 Midi Format Error!");
}

TEST(F1Data, WrittenTunesReadBackToTheSameEvents) {
    // A tune of notes, controls, bends, texts, tempo, meter and system
    // exclusive on several channels, written in both formats.
    MidiF1Data tune(480);
    MidiF1TrackData* conductor = tune.AddEmptyTrack();
    conductor->InsertMetaTextFirst(meta_type::kTrackName, "Song");
    conductor->AppendTempo(450000);
    conductor->AppendTimeSignature(3, 2);
    conductor->AppendMarker(960, "B");
    conductor->AppendEndOfTrack();
    for (int ch : {0, 9, 15}) {
        MidiF1TrackData* t = tune.AddEmptyTrack();
        t->AppendGmSystemOn();
        t->AddProgramChange(ch, 10 + ch);
        t->AddControlChange(ch, 7, 90);
        t->AppendPitchBendRange(0, ch, 2);
        for (int i = 0; i < 20; ++i)
            t->AddNote(ch, i % 3 == 0 ? 0 : 120, 40 + i, 64 + i, 60 + 10 * i);
        t->AppendEndOfTrack();
    }
    auto describeAll = [](const MidiF1Data& t) {
        std::string all;
        for (int i = 0; i < t.TrackCount(); ++i)
            all += Describe(*t.Track(i)) + "\n";
        return all;
    };
    // The first write settles what the file form changes (tempo bytes are
    // kept as the value, each End of Track follows the last note-off, format 0
    // orders simultaneous events); from then on every write reads back to the
    // same events and the same bytes.
    const std::string tempoAndNotes = describeAll(tune);
    tune.ConvertToNoteOnOff();
    ASSERT_EQ(tune.WriteSmf(), 1);
    Bytes first = ImageOf(tune);
    MidiF1Data read1(first.data(), static_cast<int>(first.size()));
    ASSERT_EQ(read1.TrackCount(), 4);
    EXPECT_EQ(read1.Track(0)->Event(1)->value, 450000);
    EXPECT_EQ(read1.Track(0)->Event(2)->value, 3 * 256 + 4);
    const std::string once = describeAll(read1);
    for (int k = 1; k < 4; ++k)
        EXPECT_EQ(read1.Track(k)->CountNotes(), 20);
    EXPECT_NE(tempoAndNotes.find("1560:N15/59/250"), std::string::npos);
    EXPECT_NE(once.find("1560:N15/59/250 1810:EOT"), std::string::npos);
    read1.ConvertToNoteOnOff();
    ASSERT_EQ(read1.WriteSmf(), 1);
    EXPECT_EQ(ImageOf(read1), first);
    MidiF1Data read2(first.data(), static_cast<int>(first.size()));
    EXPECT_EQ(describeAll(read2), once);

    MidiF0Data song(note_mode::kLength, 480);
    read2.MergeInto(song);
    song.ConvertToNoteOnOff();
    ASSERT_EQ(song.WriteSmf(), 1);
    Bytes f0 = ImageOf(song);
    MidiF0Data back(f0.data(), static_cast<int>(f0.size()));
    const std::string merged = Describe(*back.Track());
    back.ConvertToNoteOnOff();
    ASSERT_EQ(back.WriteSmf(), 1);
    EXPECT_EQ(ImageOf(back), f0);
    MidiF0Data back2(f0.data(), static_cast<int>(f0.size()));
    EXPECT_EQ(Describe(*back2.Track()), merged);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(F1Data, TuneOperationsOverTracks) {
    MidiF1Data tune(96);
    auto addTrack = [&](int ch, int program, const char* name) {
        MidiF1TrackData* t = tune.AddEmptyTrack(0x4000);
        if (name) t->InsertMetaTextFirst(meta_type::kTrackName, name);
        if (program >= 0) t->AddProgramChange(ch, program);
        t->AddNote(ch, 0, 60, 100, 48);
        t->AddNote(ch, 0, 64, 100, 48);
        t->AddNote(ch, 0, 67, 100, 48);
        t->AppendEndOfTrack();
        return t;
    };
    addTrack(0, 5, "Lead");
    addTrack(9, 0, "Drums");
    addTrack(3, 5, nullptr);
    addTrack(0, 7, "Pad");
    EXPECT_EQ(tune.IsDrumTrack(1), 1);
    EXPECT_EQ(tune.IsDrumTrack(0), 0);
    EXPECT_EQ(tune.HaveSameProgram(0, 2), 1);
    EXPECT_EQ(tune.HaveSameProgram(0, 3), 0);
    int second = -1;
    EXPECT_EQ(tune.CountUsedChannels(&second), 3);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(tune.HasNotesOnChannel(3), 1);
    EXPECT_EQ(tune.HasNotesOnChannel(4), 0);

    std::string names[17];
    tune.TakeTrackNames(names);
    EXPECT_EQ(names[0], "Pad");  // the later track of a channel wins the slot
    EXPECT_EQ(names[9], "Drums");
    std::string text;
    EXPECT_EQ(tune.Track(1)->GetMetaText(meta_type::kTrackName, text), 0);
    tune.RestoreTrackNames(names);
    EXPECT_EQ(tune.Track(1)->GetMetaText(meta_type::kTrackName, text), 1);
    EXPECT_EQ(text, "Drums");
    tune.KeepSingleTrackName();
    EXPECT_EQ(tune.Track(1)->GetMetaText(meta_type::kTrackName, text), 0);

    // Thinning to two voices keeps the layout of one track per channel.
    tune.ThinVoices(2);
    EXPECT_EQ(tune.TrackCount(), 17);
    EXPECT_LE(tune.Track(1)->GetMaxPolyphony(), 2);

    tune.MergeByChannel();
    ASSERT_EQ(tune.TrackCount(), 16);
    EXPECT_EQ(tune.Track(9)->GetFirstChannel(), 9);
    EXPECT_EQ(tune.Track(4)->EventCount(), 1);  // an End of Track alone
    EXPECT_EQ(tune.Track(3)->GetFirstChannel(), 3);

    Sink().Clear();
    tune.DeleteTimeRange(-1, 10);
    EXPECT_EQ(Sink().Texts().at(0), "M1DT0300001B Begin point is invalid!");
}

TEST(F1Data, ChannelFittingMerges) {
    auto tuneOf = [](std::initializer_list<std::tuple<int, int, const char*>> specs) {
        auto tune = std::make_unique<MidiF1Data>(96);
        int key = 40;
        for (const auto& [ch, program, name] : specs) {
            MidiF1TrackData* t = tune->AddEmptyTrack(0x4000);
            if (name) t->InsertMetaTextFirst(meta_type::kInstrumentName, name);
            if (program >= 0) t->AddProgramChange(ch, program);
            t->AddNote(ch, 0, key++, 100, 48);
            t->AppendEndOfTrack();
        }
        return tune;
    };
    // A second-port track whose channel is taken moves to the first free one.
    auto ports = tuneOf({{0, 1, nullptr}, {0, 2, "SC-88B"}});
    ports->AssignChannels();
    EXPECT_EQ(ports->Track(0)->GetFirstChannel(), 0);
    EXPECT_EQ(ports->Track(1)->GetFirstChannel(), 1);

    auto drums = tuneOf({{0, 1, nullptr}, {9, 0, nullptr}, {9, 0, nullptr}});
    drums->MergeDrumTracks();
    ASSERT_EQ(drums->TrackCount(), 2);
    EXPECT_EQ(drums->Track(1)->CountNotes(), 2);
    auto none = tuneOf({{0, 1, nullptr}});
    Sink().Clear();
    none->MergeDrumTracks();
    EXPECT_EQ(Sink().Texts().at(0), "M1DT03000012 No drum track has been found!");

    // Programs 0 and 3 share a group of eight: one track, one program change.
    auto programs = tuneOf({{0, 0, nullptr}, {1, 3, nullptr}, {2, 40, nullptr}});
    programs->Track(1)->AddNote(1, 10, 70, 100, 10);
    programs->MergeTracksByProgram();
    ASSERT_EQ(programs->TrackCount(), 2);
    EXPECT_EQ(programs->Track(0)->CountNotes(), 3);
    EXPECT_EQ(programs->Track(0)->GetFirstChannel(), 1);  // the busier track is the base
    EXPECT_EQ(programs->Track(0)->GetFirstProgram(), 3);
    EXPECT_EQ(programs->Track(0)->CountProgramChanges(), 1);

    // 18 channels over two ports fit into 16 after merging.
    auto wide = std::make_unique<MidiF1Data>(96);
    for (int k = 0; k < 18; ++k) {
        MidiF1TrackData* t = wide->AddEmptyTrack(0x4000);
        if (k >= 16) t->InsertMetaTextFirst(meta_type::kInstrumentName, "SC-88B");
        t->AddControlChange(k % 16, 0, 0);
        t->AddProgramChange(k % 16, 8 * (k % 16));
        t->AddNote(k % 16, 0, 60, 100, 48);
        t->AppendEndOfTrack();
    }
    int second = 0;
    EXPECT_EQ(wide->CountUsedChannels(&second), 18);
    wide->FitTo16Channels();
    EXPECT_LE(wide->CountUsedChannels(&second), 16);

    MidiF1Data cut(96);
    MidiF1TrackData* c = cut.AddEmptyTrack(0x4000);
    c->SetNoteMode(note_mode::kNoteOnOff);
    c->AddProgramChange(0, 1);
    c->AppendEvent(track_test::NoteEvent(event_kind::kNoteOn, 0, 40, 0));
    c->AppendEvent(track_test::NoteEvent(event_kind::kNoteOff, 0, 40, 20));
    c->AppendEvent(track_test::NoteEvent(event_kind::kNoteOn, 0, 50, 80));
    c->AppendEvent(track_test::NoteEvent(event_kind::kNoteOff, 0, 50, 10));
    c->AppendEndOfTrack();
    cut.TrimTrackStart(0, 50);
    EXPECT_EQ(Describe(*c), "0:PC0=1 50:On0/50 60:Off0/50 60:EOT");
    cut.TruncateTrack(0, 50);
    EXPECT_EQ(Describe(*c), "0:PC0=1 50:On0/50 50:EOT");
    cut.TruncateTrack(0, 0);
    EXPECT_EQ(Describe(*c), "0:EOT");
}
