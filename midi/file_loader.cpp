#include "midi/file_loader.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/reporters.h"

namespace {

const CodeText kTable[] = {
    {mdld::kInternal, "Internal error occured in MidiFileLoader!"},
    {mdld::kNotMidiFile, "This is not a Midi file!"},
    {mdld::kTooLarge, "Data are too large! MidiFileLoader can not load data!"},
};
constexpr ClassReporter kReporter("MDLD", kTable, "Error occured in MidiFileLoader!");

}  // namespace

void MidiFileLoader::ShowMessage(const std::string& text) {
    ShowInfoBox(text);
}

void MidiFileLoader::ShowError(std::uint32_t code) {
    kReporter.Show(code);
}

MidiFileLoader::MidiFileLoader(const std::string& path) {
    std::string chosen = path;
    if (path.find('*') != std::string::npos) {
        int index = 0;
        if (!ChooseFile("mid", "指定種別のSMFファイル|" + path + "|", chosen, "", &index, "")) {
            return;
        }
    }
    Load(chosen);
}

MidiFileLoader::~MidiFileLoader() {
    FreeBlock(fileImage_);
}

void MidiFileLoader::Reset() {
    tune1_.reset();
    tune0_.reset();
    fileLength_ = 0;
    FreeBlock(fileImage_);
}

void MidiFileLoader::Load(const std::string& path) {
    path_ = path;
    Reset();
    if (!CanOpenFile(path)) {
        ShowMessage("Midiファイルが開けませんでした。" + path);
        return;
    }
    const std::uint64_t size = GetFileLength(path);
    if (size > static_cast<std::uint64_t>(kMaxFileLength)) {
        ShowError(mdld::kTooLarge);
        return;
    }
    MemoryBlock bytes = AllocZeroed(static_cast<std::size_t>(size) + 1);
    if (!bytes || !ReadExactly(path, bytes.data(), static_cast<std::size_t>(size))) return;
    LoadImage(bytes.data(), static_cast<std::size_t>(size), path);
}

void MidiFileLoader::LoadImage(const std::uint8_t* bytes, std::size_t length,
                               const std::string& path) {
    path_ = path;
    Reset();
    if (length > static_cast<std::size_t>(kMaxFileLength)) {
        ShowError(mdld::kTooLarge);
        return;
    }
    fileImage_ = AllocZeroed(length + 1);
    if (!fileImage_) return;
    if (length > 0) std::memcpy(fileImage_.data(), bytes, length);
    fileLength_ = static_cast<int>(length);
    int held = fileLength_;
    const int format = MidiData::DetectSmfFormat(fileImage_.data(), &held);
    currentFormat_ = format;
    originalFormat_ = format;
    if (format == 0) {
        // The song reads the loader's image in place and hands it back.
        MidiF0Data song(std::move(fileImage_), held, kTuneCapacity);
        if (MemoryBlock image = song.TakeImage()) fileImage_ = std::move(image);
        tune1_ = std::make_unique<MidiF1Data>(std::move(song), kTuneCapacity);
        currentFormat_ = 1;
    } else if (format == 1) {
        // The tune too reads the image in place rather than a copy of it.
        tune1_ = std::make_unique<MidiF1Data>(std::move(fileImage_), held, 0, kTuneCapacity);
        if (MemoryBlock image = tune1_->TakeImage()) fileImage_ = std::move(image);
        if (tune1_->TrackCount() == 0) {
            tune1_.reset();
            fileLength_ = 0;
        }
    } else {
        ShowError(mdld::kNotMidiFile);
        fileLength_ = 0;
    }
}

namespace {

// The first track name of a track, as the name-joining merge reads it.
std::string FirstTrackName(const MidiTrackData& track) {
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->IsMeta(meta_type::kTrackName))
            return std::string(e->DataText().substr(0, static_cast<std::size_t>(e->DataLength())));
    }
    return {};
}

// Every track merged into the empty track at once, with the result of the
// name-joining merges from the last track to the first: the events by time,
// lower-numbered tracks first at equal times, the names joined into one at
// the front, one End of Track at the end. false (nothing done) when a track
// is not in length mode, holds a negative delta or the events might not all
// fit, where the merges one by one decide what is kept.
bool MergeJoiningNames(MidiTrackData& merged, const MidiF1Data& song) {
    constexpr std::size_t kLongestName = 127;
    std::vector<MidiTrackData*> tracks;
    long long events = 2;  // the joined name and the End of Track
    for (int i = 0; i < song.TrackCount(); ++i) {
        MidiTrackData* track = song.Track(i);
        if (!track || track->NoteMode() != note_mode::kLength) return false;
        for (int k = 0; k < track->EventCount(); ++k)
            if (track->Event(k)->delta < 0) return false;
        tracks.push_back(track);
        events += track->EventCount();
    }
    if (tracks.empty() || merged.EventCount() != 0 || events > merged.MaxEvents()) return false;
    std::string joined;
    for (auto it = tracks.rbegin(); it != tracks.rend(); ++it) {
        const std::string name = FirstTrackName(**it);
        if (joined.empty() || name.empty())
            joined += name;
        else
            joined += " / " + name;
        if (joined.size() > kLongestName) joined = "long name";
    }
    merged.MergeTracks(tracks.data(), static_cast<int>(tracks.size()));
    for (int i = 0; i < merged.EventCount(); ++i)
        if (merged.Event(i)->IsMeta(meta_type::kTrackName)) merged.Event(i)->Clear();
    merged.RemoveClearedEvents();
    if (!joined.empty()) merged.InsertMetaTextFirst(meta_type::kTrackName, joined);
    return true;
}

}  // namespace

int MidiFileLoader::ConvertToFormat0(int keepNames) {
    if (!tune1_ || tune1_->noteMode != note_mode::kLength) {
        ShowError(mdld::kInternal);
        return 0;
    }
    tune0_ = std::make_unique<MidiF0Data>(note_mode::kLength, tune1_->division, kTuneCapacity);
    MidiTrackData& merged = *tune0_->Track();
    // Each merge puts the merged-in track first at equal times: from the
    // last track to the first leaves lower-numbered tracks first.
    const bool mergedAtOnce = keepNames && MergeJoiningNames(merged, *tune1_);
    for (int i = tune1_->TrackCount() - 1; i >= 0 && !mergedAtOnce; --i) {
        MidiF1TrackData* track = tune1_->Track(i);
        // Joining the track names is the keep-names merge of a format-1 track.
        merged.MergeTrackEx(*track, keepNames ? 1 : 0);
    }
    tune1_.reset();
    currentFormat_ = 0;
    return 1;
}

int MidiFileLoader::ConvertToFormat1() {
    if (!tune0_ || tune0_->noteMode != note_mode::kLength) {
        ShowError(mdld::kInternal);
        return 0;
    }
    tune1_ = std::make_unique<MidiF1Data>(*tune0_, kTuneCapacity);
    tune0_.reset();
    currentFormat_ = 1;
    return 1;
}
