#include "midi/f1_data.h"

#include <cstring>
#include <utility>

#include "core/reporters.h"

namespace {

const CodeText kErrorTable[] = {
    {0x03000001, "The number of Track is too many!"},
    {0x03000002, "This file is not format 1 of midi."},
    {0x03000003, "Internal error has been occured in MidiF1Data!"},
    {0x03000004, "This is not Midi file!"},
    {0x03000005, "Can not open file!"},
    {0x03000006, "There are more than two master volume!"},
    {0x03000007,
     "Program change is set to drum.(SysEx has been found that use channel other than 10.)"},
    {0x03000008, "Time Sing error!"},
    {0x03000009, "Too many tempo data have been found!"},
    {0x0300000A, "There are more than two SysExTrack!"},
    {0x0300000B, "There are more than two system channel!"},
    {0x0300000C, "Duplicate Channel has been found!"},
    {0x03000011,
     "Try to divide track with more than two program change. There is no spare channel!"},
    {0x03000012, "No drum track has been found!"},
    {0x03000015, "There is a treck that has no program change. 0 has been set!"},
    {0x03000016, "There is no master volume! 127 has been set!"},
    {0x03000017, "More than two pitch bend sensitivity were set to one track"},
    {0x03000018, "There is a track where pitch bend sensitivity is zero!"},
    {0x03000019, "Data is too large!"},
    {0x0300001A, "The Number of channels is invalid!"},
    {0x0300001B, "Begin point is invalid!"},
    {0x0300001D, "System exclusive is invalid!"},
    {0x0300001E, "Channel is invalid!"},
    {0x03000020, "Program change is invalid!"},
    {0x03000021, "Internal data is invalid!"},
};
constexpr ClassReporter kReporter("M1DT", kErrorTable, "MidiF1Data Error!");

const CodeText kWarningTable[] = {
    {0x0300000D, "Location of Time sign is invalid!"},
    {0x0300000E, "There are no more channels for mapping!"},
    {0x0300000F, "Can not merge drum tracks that have different program chagne!"},
    {0x03000010, "Can not merge tracks that have different program chagne!"},
    {0x03000013, "There is the same channel already!"},
    {0x03000014, "Error occured in conversion of note to pitchbend!"},
};
constexpr ClassReporter kWarningReporter("M1DT", kWarningTable, "MidiF1Data Error!");
OnceWarning g_warnings(kWarningReporter);

}  // namespace

void ShowSmfTooLarge() {
    MidiF1Data::ShowError(m1dt::kDataTooLarge);
}

void MidiF1Data::ShowError(std::uint32_t code) {
    kReporter.Show(code);
}

void MidiF1Data::ShowWarningOnce(std::uint32_t code) {
    if (code == 0) {
        g_warnings.Reset();
        return;
    }
    g_warnings.Show(code);
}

// ---- Construction ----

MidiF1Data::MidiF1Data(const MidiF1TrackData* const* tracks, int count, int division, int capacity)
    : MidiF1Data(division, capacity) {
    for (int i = 0; i < count && tracks; ++i) {
        if (tracks[i]) AddTrack(std::make_unique<MidiF1TrackData>(*tracks[i], capacity));
    }
}

MidiF1Data::MidiF1Data(int division, int capacity) : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    this->division = division;
    noteMode = note_mode::kLength;
}

MidiF1Data::MidiF1Data(const MidiF0Data& song, int capacity) : MidiF1Data(song.division, capacity) {
    SplitFromF0(song);
}

MidiF1Data::MidiF1Data(MidiF0Data&& song, int capacity) : MidiF1Data(song.division, capacity) {
    SplitFromF0(std::move(song));
}

MidiF1Data::MidiF1Data(const std::uint8_t* image, int length, int capacity)
    : MidiData(capacity, DeferBlock{}) {
    ReadImage(length, image);
}

MidiF1Data::MidiF1Data(const std::uint8_t* image, int length, int capacity, KeepZeroLengthNotes)
    : MidiData(capacity, DeferBlock{}), keepZeroLengthNotes_(true) {
    ReadImage(length, image);
}

MidiF1Data::MidiF1Data(const std::uint8_t* image, int length, int warn, int capacity)
    : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    ReadImage(length, image);
    EnsureMasterVolume(warn);
}

MidiF1Data::MidiF1Data(MemoryBlock&& image, int length, int warn, int capacity)
    : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = note_mode::kLength;
    if (length > capacity_) {
        ShowError(m1dt::kDataTooLarge);
    } else if (image && length > 0 && image.capacity() >= static_cast<std::size_t>(length)) {
        HoldBlock(std::move(image), length);
        std::vector<MasterVolumeFind> finds;
        ReadHeldImage(&finds);
        // The findings stand for the tracks only when every track was read.
        EnsureMasterVolume(finds.size() == tracks_.size() ? finds : FindMasterVolumes(), warn);
        return;
    }
    EnsureMasterVolume(warn);
}

MidiF1Data::MidiF1Data(const std::string& path, int capacity) : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = note_mode::kLength;
    if (GetFileLength(path) > static_cast<std::uint64_t>(capacity_)) {
        ShowError(m1dt::kDataTooLarge);
        return;
    }
    if (!LoadFile(path)) return;
    // One dispatch on the file's own format: a format-0 file goes to the
    // format-0 reader, anything else is refused by the format-1 reader.
    const int format = DetectSmfFormat(Data(), &length_);
    if (format == 0) {
        MidiF0Data song(Data(), length_, capacity_);
        SplitFromF0(std::move(song));
    } else {
        noteMode = note_mode::kImage;
        if (ReadHeader()) ReadTracksAs(note_mode::kLength);
        noteMode = note_mode::kLength;
    }
    EnsureMasterVolume(0);
}

MidiF1Data::~MidiF1Data() = default;

void MidiF1Data::ReadImage(int length, const std::uint8_t* image) {
    noteMode = note_mode::kLength;
    if (length > capacity_) {
        ShowError(m1dt::kDataTooLarge);
        return;
    }
    if (!image || length <= 0 || !HoldCopy(image, length)) return;
    ReadHeldImage();
}

void MidiF1Data::ReadHeldImage(std::vector<MasterVolumeFind>* finds) {
    noteMode = note_mode::kImage;
    if (ReadHeader()) ReadTracksAs(note_mode::kLength, finds);
    noteMode = note_mode::kLength;
}

// ---- File form ----

void MidiF1Data::WriteHeader() {
    if (!EnsureBlock(kSmfHeaderSize)) return;
    std::uint8_t* p = Data();
    std::memcpy(p, "MThd", 4);
    WriteBigEndian32(p + 4, 6);
    WriteBigEndian16(p + 8, 1);
    WriteBigEndian16(p + 10, static_cast<std::uint16_t>(TrackCount()));
    WriteBigEndian16(p + 12, static_cast<std::uint16_t>(division));
    length_ = kSmfHeaderSize;
    position_ = kSmfHeaderSize;
}

int MidiF1Data::ReadHeader() {
    position_ = 0;
    if (length_ == 0) return 0;
    if (!FindSmfHeader()) {
        ShowError(m1dt::kNotMidiFile);
        return 0;
    }
    const std::uint8_t* p = Data();
    if (ReadBigEndian16(p + 8) != 1) {
        ShowError(m1dt::kNotFormat1);
        return 0;
    }
    int fileDivision = ReadBigEndian16(p + 12);
    const int tracks = FirstChunkOffset();
    if (!IsPlayableDivision(fileDivision) || tracks < 0) {
        ShowError(m1dt::kNotMidiFile);
        return 0;
    }
    division = fileDivision;
    position_ = tracks;
    return 1;
}

int MidiF1Data::ReadTracks() {
    return ReadTracksAs(note_mode::kNoteOnOff);
}

int MidiF1Data::ReadTracksAs(int mode, std::vector<MasterVolumeFind>* finds) {
    if (noteMode != note_mode::kImage || position_ < kSmfHeaderSize || position_ > length_) {
        ShowError(m1dt::kInternal);
        return 0;
    }
    int announced = ReadBigEndian16(Data() + 10);
    if (announced >= kTrackLimit) {
        ShowError(m1dt::kTooManyTracks);
        announced = kTracksOfTooMany;
    }
    DeleteAllTracks();
    SmfReadState state;
    state.notesWithLength = mode == note_mode::kLength;
    state.keepZeroLengthNotes = keepZeroLengthNotes_;
    for (int i = 0; i < announced; ++i) {
        // Chunks of other types between the tracks are passed over.
        position_ = static_cast<int>(MidiTrackData::FindTrackChunk(
            static_cast<std::size_t>(length_), static_cast<std::size_t>(position_), Data()));
        if (position_ >= length_) {
            ShowError(m1dt::kGeneral);
            break;
        }
        auto track = std::make_unique<MidiF1TrackData>(static_cast<std::size_t>(length_),
                                                       static_cast<std::size_t>(position_), Data(),
                                                       static_cast<std::size_t>(capacity_), &state);
        // A refused chunk: there is no telling where the next one starts.
        if (track->Length() == 0) break;
        position_ += track->Length();
        const MasterVolumeFind find = finds ? track->FindMasterVolume() : MasterVolumeFind{};
        AddTrack(std::move(track));
        if (finds && finds->size() < tracks_.size()) finds->push_back(find);
    }
    noteMode = mode;
    return 1;
}

void MidiF1Data::KeepTracksAfterFailedWrite() {
    for (auto& t : tracks_)
        t->SetNoteMode(note_mode::kNoteOnOff);
    noteMode = note_mode::kNoteOnOff;
}

int MidiF1Data::WriteSmf() {
    if (noteMode != note_mode::kNoteOnOff) {
        ShowError(m1dt::kInternal);
        return 0;
    }
    // Every chunk is built first; the image is written only when all fit.
    long long size = kSmfHeaderSize;
    for (auto& t : tracks_) {
        const int written = t->WriteTrackChunk("MTrk");
        if (written < 0) {
            // Refused, and reported by its cause.
            KeepTracksAfterFailedWrite();
            return 0;
        }
        if (written == 0) {
            size = -1;
            break;
        }
        size += t->Length();
    }
    if (size < 0 || size > capacity_ || TrackCount() > 0xFFFF ||
        !EnsureBlock(static_cast<int>(size))) {
        ShowError(m1dt::kDataTooLarge);
        KeepTracksAfterFailedWrite();
        return 0;
    }
    WriteHeader();
    for (auto& t : tracks_) {
        std::memcpy(Data() + length_, t->Data(), static_cast<std::size_t>(t->Length()));
        length_ += t->Length();
    }
    position_ = length_;
    DeleteAllTracks();
    noteMode = note_mode::kImage;
    return 1;
}

int MidiF1Data::SaveFile(const std::string& path) {
    switch (noteMode) {
        case note_mode::kImage:
            return MusicData::SaveFile(path);
        case note_mode::kNoteOnOff: {
            if (!WriteSmf()) return 0;
            int saved = MusicData::SaveFile(path);
            if (ReadHeader() && ReadTracks()) return saved;
            return 0;
        }
        case note_mode::kLength: {
            ConvertToNoteOnOff();
            int saved = SaveFile(path);
            ConvertToNoteLength();
            return saved;
        }
        default:
            ShowError(m1dt::kInternal);
            return 0;
    }
}

int MidiF1Data::ConvertToNoteOnOff() {
    if (noteMode != note_mode::kLength) {
        ShowError(m1dt::kInternal);
        return 0;
    }
    for (auto& t : tracks_)
        t->ConvertToNoteOnOff();
    noteMode = note_mode::kNoteOnOff;
    return 1;
}

int MidiF1Data::ConvertToNoteLength() {
    if (noteMode != note_mode::kNoteOnOff) {
        ShowError(m1dt::kInternal);
        return 0;
    }
    for (auto& t : tracks_)
        t->ConvertToNoteLength();
    noteMode = note_mode::kLength;
    return 1;
}

// ---- Track list ----

void MidiF1Data::AddTrack(std::unique_ptr<MidiF1TrackData> track) {
    if (!track) return;
    if (TrackCount() >= kMaxTracks) {
        ShowError(m1dt::kTooManyTracks);
        return;
    }
    tracks_.push_back(std::move(track));
}

MidiF1TrackData* MidiF1Data::AddEmptyTrack(int capacity) {
    AddTrack(std::make_unique<MidiF1TrackData>(note_mode::kLength, capacity));
    return tracks_.empty() ? nullptr : tracks_.back().get();
}

void MidiF1Data::DeleteTrack(int index) {
    if (index < 0 || index >= TrackCount()) {
        ShowError(m1dt::kInternal);
        return;
    }
    tracks_.erase(tracks_.begin() + index);
}

void MidiF1Data::DeleteAllTracks() {
    tracks_.clear();
}

void MidiF1Data::DeleteChannelTracks(int channel) {
    for (int i = TrackCount() - 1; i >= 0; --i) {
        if (Track(i)->GetFirstChannel() == channel && !Track(i)->IsMetaOnly()) DeleteTrack(i);
    }
}

void MidiF1Data::DeleteTracksOfChannel(int channel) {
    for (int i = TrackCount() - 1; i >= 0; --i) {
        if (Track(i)->GetFirstChannel() == channel) DeleteTrack(i);
    }
}
