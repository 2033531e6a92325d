// Writes tunes of both formats with every event kind the writer emits, and
// files of another program's kind (divided system exclusive, a length count
// starting with F7, foreign chunks, a longer header, a track without End of
// Track) read and written back, and lists what each file should hold: per
// track, each event's absolute tick and bytes. crosscheck_mido.py reads the
// files with an independent reader and compares.
#include <cstdio>
#include <string>

#include <vector>

#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "midi/file_loader.h"

namespace {

MidiEvent* Channel(int kind, int channel, int delta, int a, int b) {
    auto* e = new MidiEvent(delta);
    e->kind = kind;
    e->channel = channel;
    if (kind == event_kind::kControlChange) {
        e->subtype = a;
        e->value = b;
    } else if (kind == event_kind::kProgramChange || kind == event_kind::kChannelPressure) {
        e->value = a;
    } else if (kind == event_kind::kPolyPressure || kind == event_kind::kPitchBend) {
        e->note = a;
        e->value = b;
    } else {
        e->note = a;
        e->velocity = b;
    }
    return e;
}

void Meta(MidiTrackData& t, int delta, int type, const std::string& data) {
    t.AppendMetaEvent(delta, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                      static_cast<int>(data.size()));
}

void Raw(MidiTrackData& t, int delta, int kind, std::initializer_list<std::uint8_t> bytes) {
    auto* e = new MidiEvent(delta);
    e->kind = kind;
    e->SetData(bytes.begin(), static_cast<int>(bytes.size()));
    if (kind == event_kind::kSysEx) MidiTrackData::ClassifySysEx(e);
    t.AppendEvent(e);
}

// A conductor track with every meta type the writer knows.
void FillMetas(MidiTrackData& t) {
    Meta(t, 0, meta_type::kSequenceNumber, std::string("\x00\x01", 2));
    Meta(t, 0, meta_type::kText, "random_seed 42");
    Meta(t, 0, meta_type::kCopyright, "(c)");
    Meta(t, 0, meta_type::kTrackName, "Conductor");
    t.AppendTempo(500000);
    t.AppendTimeSignature(6, 3);
    t.AppendKeySignature(0, 1, 0);
    Meta(t, 0, meta_type::kSmpteOffset, std::string(5, '\0'));
    Meta(t, 10, meta_type::kMarker, "A");
    Meta(t, 5, meta_type::kCuePoint, "cue");
    Meta(t, 0, meta_type::kLyric, std::string(200, 'l'));  // a two-byte length
    Meta(t, 0, meta_type::kSequencerSpecific, std::string("\x43\x7B\x00", 3));
    t.AppendTempo(400000);
    t.AppendEndOfTrackAt(200);
}

void FillChannel(MidiTrackData& t, int ch) {
    Meta(t, 0, meta_type::kChannelPrefix, std::string(1, '\0'));
    Meta(t, 0, meta_type::kInstrumentName, "Piano");
    t.AppendEvent(Channel(event_kind::kProgramChange, ch, 0, 5, 0));
    t.AppendEvent(Channel(event_kind::kControlChange, ch, 0, 7, 100));
    t.AppendEvent(Channel(event_kind::kNoteOn, ch, 0, 60, 100));
    t.AppendEvent(Channel(event_kind::kNoteOn, ch, 0, 64, 90));
    t.AppendEvent(Channel(event_kind::kPolyPressure, ch, 10, 60, 33));
    t.AppendEvent(Channel(event_kind::kChannelPressure, ch, 5, 44, 0));
    t.AppendEvent(Channel(event_kind::kPitchBend, ch, 5, 0x12, 0x50));
    t.AppendEvent(Channel(event_kind::kNoteOff, ch, 20, 60, 0));
    t.AppendEvent(Channel(event_kind::kNoteOff, ch, 0, 64, 0));
    t.AppendEvent(Channel(event_kind::kNoteOn, ch, 200000, 67, 1));  // a three-byte delta
    t.AppendEvent(Channel(event_kind::kNoteOff, ch, 96, 67, 0));
    t.AppendEndOfTrack();
}

void FillSysEx(MidiTrackData& t) {
    t.AppendGmSystemOn();
    t.AppendGsReset();
    t.InsertMasterVolume(100, t.EventCount() - 1);
    Raw(t, 3, event_kind::kEscapedSysEx, {0xF7, 0x02, 0x43, 0x12});
    t.AppendEndOfTrackAt(7);
}

void List(FILE* out, const char* file, int index, MidiTrackData& t) {
    long long tick = 0;
    std::vector<std::uint8_t> buffer(0x10000);
    for (int i = 0; i < t.EventCount(); ++i) {
        MidiEvent* e = t.Event(i);
        tick += e->delta;
        int n = MidiTrackData::EncodeEvent(e, buffer.data());
        std::fprintf(out, "%s %d %lld ", file, index, tick);
        for (int k = 0; k < n; ++k)
            std::fprintf(out, "%02x", buffer[k]);
        std::fprintf(out, "\n");
    }
}

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& out, std::initializer_list<std::uint8_t> bytes) {
    out.insert(out.end(), bytes);
}

void AppendChunk(Bytes& out, const char* id, const Bytes& body) {
    out.insert(out.end(), id, id + 4);
    std::uint8_t length[4];
    WriteBigEndian32(length, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), length, length + 4);
    out.insert(out.end(), body.begin(), body.end());
}

// A file as another program may write it: a header of 10 bytes, foreign
// chunks around the tracks, system exclusive divided into packets and with
// a two-byte count whose first byte is F7, running status, and a last track
// without End of Track.
Bytes ForeignFile(int format) {
    Bytes sysex;
    Append(sysex, {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7});  // GM System On
    Append(sysex, {0x10, 0xF0, 0x03, 0x43, 0x12, 0x00});              // first packet
    Append(sysex, {0x08, 0xF7, 0x04, 0x10, 0x20, 0x30, 0xF7});        // continuation
    Append(sysex, {0x08, 0xF0, 0xF7, 0x01});                          // 15233 bytes
    sysex.insert(sysex.end(), 15232, 0x41);
    sysex.push_back(0xF7);
    Bytes notes;
    Append(notes, {0x00, 0xC0, 0x05, 0x00, 0x90, 60, 100, 0x30, 64, 90, 0x60, 60, 0});
    Append(notes, {0x00, 0x80, 64, 0x40, 0x81, 0x00, 0xB0, 7, 100});  // no End of Track
    Bytes file = {'M',  'T',
                  'h',  'd',
                  0,    0,
                  0,    10,
                  0,    static_cast<std::uint8_t>(format),
                  0,    static_cast<std::uint8_t>(format == 0 ? 1 : 2),
                  0x01, 0xE0,
                  0xAA, 0xBB,
                  0xCC, 0xDD};
    AppendChunk(file, "Xtra", {1, 2, 3});
    if (format == 0) {
        Bytes all = sysex;
        all.insert(all.end(), notes.begin(), notes.end());
        AppendChunk(file, "MTrk", all);
    } else {
        Append(sysex, {0x00, 0xFF, 0x2F, 0x00});
        AppendChunk(file, "MTrk", sysex);
        AppendChunk(file, "Xtra", {});
        AppendChunk(file, "MTrk", notes);
    }
    AppendChunk(file, "Xtra", {4});
    return file;
}

int Save(const MidiData& data, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data.Data(), 1, static_cast<std::size_t>(data.Length()), f);
    std::fclose(f);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    FILE* out = std::fopen((folder + "/expected.txt").c_str(), "w");
    if (!out) return 1;

    MidiF1Data tune(480);
    FillMetas(*tune.AddEmptyTrack());
    FillSysEx(*tune.AddEmptyTrack());
    FillChannel(*tune.AddEmptyTrack(), 0);
    FillChannel(*tune.AddEmptyTrack(), 9);
    FillChannel(*tune.AddEmptyTrack(), 15);
    for (int i = 0; i < tune.TrackCount(); ++i)
        tune.Track(i)->SetNoteMode(note_mode::kNoteOnOff);
    tune.noteMode = note_mode::kNoteOnOff;

    // Format 0: every track merged into one, ordered as the writer orders.
    MidiF0Data song(note_mode::kLength, 480);
    for (int i = 0; i < tune.TrackCount(); ++i)
        tune.Track(i)->SetNoteMode(note_mode::kLength);
    tune.noteMode = note_mode::kLength;
    std::vector<MidiTrackData*> tracks;
    for (int i = 0; i < tune.TrackCount(); ++i)
        tracks.push_back(tune.Track(i));
    song.Track()->MergeTracks(tracks.data(), static_cast<int>(tracks.size()));
    song.Track()->SetNoteMode(note_mode::kNoteOnOff);
    song.noteMode = note_mode::kNoteOnOff;
    song.Track()->MoveControlEventsFirst();
    song.Track()->MoveSysExFirst();
    song.Track()->OrderNoteOffsFirst();
    List(out, "format0.mid", 0, *song.Track());
    if (!song.WriteSmf() || !Save(song, folder + "/format0.mid")) return 1;

    for (int i = 0; i < tune.TrackCount(); ++i) {
        tune.Track(i)->SetNoteMode(note_mode::kNoteOnOff);
        List(out, "format1.mid", i, *tune.Track(i));
    }
    tune.noteMode = note_mode::kNoteOnOff;
    if (!tune.WriteSmf() || !Save(tune, folder + "/format1.mid")) return 1;

    // Files from elsewhere, read and written back.
    const Bytes foreign1 = ForeignFile(1);
    MidiF1Data read1(foreign1.data(), static_cast<int>(foreign1.size()),
                     MidiFileLoader::kTuneCapacity);
    if (read1.TrackCount() != 2) return 1;
    read1.ConvertToNoteOnOff();
    for (int i = 0; i < read1.TrackCount(); ++i)
        List(out, "foreign_format1.mid", i, *read1.Track(i));
    if (!read1.WriteSmf() || !Save(read1, folder + "/foreign_format1.mid")) return 1;

    const Bytes foreign0 = ForeignFile(0);
    MidiF0Data read0(foreign0.data(), static_cast<int>(foreign0.size()),
                     MidiFileLoader::kTuneCapacity);
    read0.ConvertToNoteOnOff();
    read0.Track()->MoveControlEventsFirst();
    read0.Track()->MoveSysExFirst();
    read0.Track()->OrderNoteOffsFirst();
    List(out, "foreign_format0.mid", 0, *read0.Track());
    if (!read0.WriteSmf() || !Save(read0, folder + "/foreign_format0.mid")) return 1;
    std::fclose(out);
    return 0;
}
