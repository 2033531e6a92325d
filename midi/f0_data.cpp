#include "midi/f0_data.h"

#include <algorithm>
#include <cstring>

#include "core/reporters.h"
#include "midi/f1_data.h"

namespace {

const CodeText kErrorTable[] = {
    {m0dt::kNotFormat0, "This file is not Format 0!"},
    {m0dt::kCannotOpen, "Can not open the file!"},
    {m0dt::kTrackCount, "The number of track is invalid! in MidiF0Data!"},
    {m0dt::kNotMidiFile, "This is not a MIDI file. Or maybe mac binary is attached to the file!"},
    {m0dt::kInternal, "Internal error occured in MidiF0Data!"},
    {m0dt::kMeasureInvalid, "The number of measure is invalid!"},
    {m0dt::kMusicWrong, "Musical information is wrong!"},
    {m0dt::kStopError, "Error occured during stop process!"},
    {m0dt::kEndOfTrack, "The end of track is invalid!"},
};
constexpr ClassReporter kReporter("M0DT", kErrorTable, "Error occurred in MidiF0Data!");

const CodeText kWarningTable[] = {
    {m0dt::kTimeSignPlace, "拍子記号の位置が異常です。"},
};
constexpr ClassReporter kWarningReporter("M0DT", kWarningTable, "Error occurred in MidiF0Data!");
OnceWarning g_warnings(kWarningReporter);

constexpr int kDefaultDivision = 960;
constexpr int kCopyCapacity = 0x60000;

}  // namespace

void MidiF0Data::ShowError(std::uint32_t code) {
    kReporter.Show(code);
}

void MidiF0Data::ShowWarningOnce(std::uint32_t code) {
    if (code == 0) {
        g_warnings.Reset();
        return;
    }
    g_warnings.Show(code);
}

// ---- Construction ----

MidiF0Data::MidiF0Data(int capacity) : MidiF0Data(note_mode::kLength, kDefaultDivision, capacity) {}

MidiF0Data::MidiF0Data(int mode, int division, int capacity) : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = mode;
    this->division = division;
    track_ = std::make_unique<MidiTrackData>(mode, capacity);
}

MidiF0Data::MidiF0Data(const MidiF0Data& source) : MidiData(kCopyCapacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = source.noteMode;
    division = source.division;
    timeSignatureOverride = source.timeSignatureOverride;
    if (source.track_) {
        track_ = std::make_unique<MidiTrackData>(*source.track_, kCopyCapacity);
    } else {
        track_ = std::make_unique<MidiTrackData>(note_mode::kLength, kCopyCapacity);
    }
}

MidiF0Data::MidiF0Data(const MidiF0Data& source, int start, int end)
    : MidiData(kCopyCapacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = source.noteMode;
    division = source.division;
    timeSignatureOverride = source.timeSignatureOverride;
    if (source.track_) {
        track_ = std::make_unique<MidiTrackData>(*source.track_, start, end, kCopyCapacity);
    } else {
        track_ = std::make_unique<MidiTrackData>(note_mode::kLength, kCopyCapacity);
    }
}

MidiF0Data::MidiF0Data(const MidiTrackData& track, int division)
    : MidiData(kCopyCapacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = note_mode::kLength;
    this->division = division;
    track_ = std::make_unique<MidiTrackData>(track, kCopyCapacity);
}

MidiF0Data::MidiF0Data(const std::uint8_t* image, int length, int capacity)
    : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = note_mode::kImage;
    if (image && length > 0 && length <= capacity_) {
        HoldCopy(image, length);
    } else if (length > capacity_) {
        ShowSmfTooLarge();
    }
    ReadImage();
}

MidiF0Data::MidiF0Data(MemoryBlock&& image, int length, int capacity)
    : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = note_mode::kImage;
    if (image && length > 0 && length <= capacity_ &&
        image.capacity() >= static_cast<std::size_t>(length)) {
        HoldBlock(std::move(image), length);
    } else if (length > capacity_) {
        ShowSmfTooLarge();
    }
    ReadImage();
}

MidiF0Data::MidiF0Data(const std::string& path, int capacity) : MidiData(capacity, DeferBlock{}) {
    ShowWarningOnce(0);
    noteMode = note_mode::kLength;
    division = kDefaultDivision;
    track_ = std::make_unique<MidiTrackData>(note_mode::kLength, capacity_);
    if (GetFileLength(path) > static_cast<std::uint64_t>(capacity_)) {
        ShowSmfTooLarge();
        return;
    }
    if (!LoadFile(path)) return;
    // One dispatch on the file's own format: format 1 goes to the format-1
    // reader, anything else is refused by this one with its message.
    const int format = DetectSmfFormat(Data(), &length_);
    if (format == 1) {
        MidiF1Data tune(Data(), length_, capacity_);
        tune.MergeInto(*this);
        return;
    }
    ReadImage();
}

MidiF0Data::~MidiF0Data() = default;

PlayCopySlot::~PlayCopySlot() {
    Release();
}

void PlayCopySlot::Set(std::unique_ptr<MidiF0Data> copy, PlayCopyStopper stopper) {
    copy_ = std::move(copy);
    stopper_ = stopper;
}

bool PlayCopySlot::Release() {
    if (!copy_) return true;
    if (stopper_ && !stopper_(copy_.get())) return false;
    copy_.reset();
    return true;
}

void MidiF0Data::ReadImage() {
    if (CheckHeader() && ReadTrackAs(note_mode::kLength)) return;
    // A refused image leaves an empty tune.
    noteMode = note_mode::kLength;
    track_ = std::make_unique<MidiTrackData>(note_mode::kLength, capacity_);
}

// ---- File form ----

void MidiF0Data::WriteHeader() {
    if (!EnsureBlock(kSmfHeaderSize)) return;
    std::uint8_t* p = Data();
    std::memcpy(p, "MThd", 4);
    WriteBigEndian32(p + 4, 6);
    WriteBigEndian16(p + 8, 0);
    WriteBigEndian16(p + 10, 1);
    WriteBigEndian16(p + 12, static_cast<std::uint16_t>(division));
    position_ = kSmfHeaderSize;
}

int MidiF0Data::ReadHeader(int showMessages) {
    auto refuse = [&](std::uint32_t code) {
        if (showMessages) ShowError(code);
        return 0;
    };
    position_ = 0;
    if (length_ == 0) return 0;
    if (!FindSmfHeader()) return refuse(m0dt::kNotMidiFile);
    const std::uint8_t* p = Data();
    if (ReadBigEndian16(p + 8) != 0) return refuse(m0dt::kNotFormat0);
    if (ReadBigEndian16(p + 10) != 1) return refuse(m0dt::kTrackCount);
    int fileDivision = ReadBigEndian16(p + 12);
    if (!IsPlayableDivision(fileDivision)) return refuse(m0dt::kNotMidiFile);
    const int tracks = FirstChunkOffset();
    if (tracks < 0) return refuse(m0dt::kNotMidiFile);
    division = fileDivision;
    position_ = tracks;
    return 1;
}

int MidiF0Data::ReadTrack() {
    return ReadTrackAs(note_mode::kNoteOnOff);
}

int MidiF0Data::ReadTrackAs(int mode) {
    if (noteMode != note_mode::kImage) {
        ShowError(m0dt::kInternal);
        return 0;
    }
    // Chunks of other types before the track are passed over.
    position_ = static_cast<int>(MidiTrackData::FindTrackChunk(
        static_cast<std::size_t>(length_), static_cast<std::size_t>(position_), Data()));
    SmfReadState state;
    state.notesWithLength = mode == note_mode::kLength;
    track_ = std::make_unique<MidiTrackData>(static_cast<std::size_t>(length_),
                                             static_cast<std::size_t>(position_), Data(),
                                             static_cast<std::size_t>(capacity_), &state);
    position_ += track_->Length();
    // A refused chunk leaves an empty track in mode 1.
    track_->SetNoteMode(mode);
    noteMode = mode;
    return 1;
}

int MidiF0Data::WriteSmf() {
    if (noteMode != note_mode::kNoteOnOff || !track_) {
        ShowError(m0dt::kInternal);
        if (!track_) return 0;
    }
    track_->MoveControlEventsFirst();
    track_->MoveSysExFirst();
    track_->OrderNoteOffsFirst();
    const int written = track_->WriteTrackChunk("MTrk");
    if (written < 0) return 0;  // refused, and reported by its cause
    const int size = kSmfHeaderSize + track_->Length();
    if (written == 0 || size > capacity_ || !EnsureBlock(size)) {
        if (written) MidiTrackData::ShowError(mdtk::kCannotAdd);
        track_->SetNoteMode(note_mode::kNoteOnOff);
        return 0;
    }
    WriteHeader();
    std::memcpy(Data() + kSmfHeaderSize, track_->Data(),
                static_cast<std::size_t>(track_->Length()));
    length_ = size;
    position_ = size;
    track_.reset();
    noteMode = note_mode::kImage;
    return 1;
}

// ---- Modes and resolution ----

int MidiF0Data::ConvertToNoteLength() {
    if (noteMode != note_mode::kNoteOnOff || !track_) {
        ShowError(m0dt::kInternal);
        return 0;
    }
    track_->ConvertToNoteLength();
    noteMode = note_mode::kLength;
    return 1;
}

int MidiF0Data::ConvertToNoteOnOff() {
    if (noteMode != note_mode::kLength || !track_) {
        ShowError(m0dt::kInternal);
        return 0;
    }
    track_->ConvertToNoteOnOff();
    noteMode = note_mode::kNoteOnOff;
    return 1;
}

int MidiF0Data::ChangeResolution(int newDivision, int dropEmpty) {
    if (!track_) {
        ShowError(m0dt::kInternal);
        return 0;
    }
    int result = track_->ChangeResolution(division, newDivision, dropEmpty);
    division = newDivision;
    return result;
}

// ---- Measures and time ----

int MidiF0Data::GetTimeSignature(int* code) const {
    if (timeSignatureOverride != 0) {
        *code = timeSignatureOverride;
        return 1;
    }
    return track_ ? track_->GetTimeSignature(code) : 0;
}

int MeasureTicks(int timeSignature, int division) {
    constexpr int kDefaultMeasure = 384;
    const long long numerator = (timeSignature >> 8) & 0xFF;
    const long long denominator = timeSignature & 0xFF;
    if (timeSignature <= 0 || division <= 0 || numerator == 0 || denominator == 0)
        return kDefaultMeasure;
    const long long ticks = 4 * numerator * division / denominator;
    return ticks > 0 && ticks <= 0x7FFFFFFF ? static_cast<int>(ticks) : kDefaultMeasure;
}

int MidiF0Data::GetTicksPerMeasure() const {
    int code = 0;
    if (!GetTimeSignature(&code)) return MeasureTicks(0, division);
    return MeasureTicks(code, division);
}

void MidiF0Data::RemoveLeadIn(long long ticks) {
    if (!track_ || ticks <= 0) return;
    long long t = 0;
    for (int i = 0; i < track_->EventCount(); ++i) {
        MidiEvent* e = track_->Event(i);
        t += e->delta;
        if (t < ticks) {
            e->delta = 0;
            continue;
        }
        e->delta = static_cast<int>(t - ticks);
        return;
    }
}

long long MidiF0Data::GetTicksBeforeFirstNote() const {
    if (!track_) return 0;
    long long t = 0;
    for (int i = 0; i < track_->EventCount(); ++i) {
        const MidiEvent* e = track_->Event(i);
        t += e->delta;
        if (e->IsNoteStart()) return t;
    }
    return t;
}

long long MidiF0Data::MeasureToTicks(int measure) const {
    if (measure < 0 || !track_) {
        ShowError(m0dt::kMeasureInvalid);
        return 0;
    }
    long long length = 4LL * division;  // ticks of the current measure
    long long start = 0;                // where the current signature began
    long long first = 0;                // its first measure number
    long long t = 0;
    for (int i = 0; i < track_->EventCount(); ++i) {
        const MidiEvent* e = track_->Event(i);
        t += e->delta;
        if (!e->IsMeta(meta_type::kTimeSignature)) continue;
        int numerator = e->value >> 8;
        int denominator = e->value & 0xFF;
        if (numerator <= 0 || denominator <= 0 || length <= 0) continue;
        // Measures begun under the old signature before this one.
        long long begun = (t - start + length - 1) / length;
        if (first + begun > measure) break;
        first += begun;
        start = t;
        length = 4LL * division * numerator / denominator;
    }
    long long result = start + (measure - first) * length;
    if (result < 0 || result > kMaxVarLen) {
        ShowError(m0dt::kMusicWrong);
        return 0;
    }
    return result;
}

// ---- Tempo placement ----

void MidiF0Data::EnsureInitialTempo(int microseconds) {
    if (!track_) return;
    MidiTrackData& tr = *track_;
    int lastNote = -1;
    bool noteSeen = false;
    for (int i = 0; i < tr.EventCount(); ++i) {
        const MidiEvent* e = tr.Event(i);
        if (noteSeen && e->delta != 0) break;
        if (e->IsMeta(meta_type::kTempo)) {
            MoveTemposFirst();
            return;
        }
        if (e->IsNoteStart()) {
            noteSeen = true;
            lastNote = i;
        }
    }
    auto tempo = std::make_unique<MidiEvent>(0);
    tempo->SetTempo(microseconds);
    if (lastNote < 0) {
        tr.InsertEvent(0, 2, std::move(tempo));
    } else {
        // The tempo takes the note's place in time; the note follows at once.
        tempo->delta = tr.Event(lastNote)->delta;
        if (tr.InsertEvent(lastNote, 2, std::move(tempo)) >= 0) tr.Event(lastNote + 1)->delta = 0;
    }
    MoveTemposFirst();
}

void MidiF0Data::MoveTemposFirst() {
    if (!track_) return;
    MidiTrackData& tr = *track_;
    int runStart = 0;
    for (int i = 0; i < tr.EventCount(); ++i) {
        MidiEvent* e = tr.Event(i);
        if (e->delta != 0) runStart = i;
        if (!e->IsMeta(meta_type::kTempo) || i == runStart) continue;
        MidiEvent* displaced = tr.Event(runStart);
        bool earlierTempo = displaced->IsMeta(meta_type::kTempo);
        tr.SwapEvents(runStart, i);
        if (earlierTempo) tr.Event(i)->Clear();
    }
    tr.RemoveClearedEvents();
}

void MidiF0Data::RemoveTempos(int from, int to) {
    if (!track_) return;
    if (to < 0) to = track_->EventCount() - 1;
    for (int i = std::min(to, track_->EventCount() - 1); i >= std::max(from, 0); --i) {
        if (track_->Event(i)->IsMeta(meta_type::kTempo)) track_->DeleteEvent(i);
    }
}

int MidiF0Data::FindFirstNoteGroupEnd() const {
    if (!track_) return -1;
    int i = 0;
    while (i < track_->EventCount() && !track_->Event(i)->IsNoteStart())
        ++i;
    while (i + 1 < track_->EventCount() && track_->Event(i + 1)->delta == 0)
        ++i;
    return i < track_->EventCount() ? i : track_->EventCount() - 1;
}

void MidiF0Data::RemoveLeadingTempos() {
    if (!track_) return;
    int end = FindFirstNoteGroupEnd();
    int last = -1;
    for (int i = 0; i <= end; ++i) {
        if (track_->Event(i)->IsMeta(meta_type::kTempo)) last = i;
    }
    if (last > 0) RemoveTempos(0, last - 1);
}

// ---- Channels ----

void MidiF0Data::DeleteChannelEvents(int channel) {
    if (track_) track_->DeleteChannelEvents(channel);
}

void MidiF0Data::CountChannelEvents(int counts[16]) const {
    std::fill(counts, counts + 16, 0);
    if (!track_) return;
    for (int i = 0; i < track_->EventCount(); ++i) {
        int ch = track_->Event(i)->channel;
        if (ch >= 0 && ch < 16) ++counts[ch];
    }
}

int MidiF0Data::FindLeastUsedChannel(const int* excluded, int n) const {
    int counts[16];
    CountChannelEvents(counts);
    int best = -1;
    for (int ch = 0; ch < 16; ++ch) {
        if (track_ && track_->IsDrumChannel(ch)) continue;
        bool skip = false;
        for (int k = 0; k < n && excluded; ++k)
            skip = skip || excluded[k] == ch;
        if (skip) continue;
        if (best < 0 || counts[ch] < counts[best]) best = ch;
    }
    return best;
}

int MidiF0Data::UsesChannel(int channel) const {
    if (!track_) return 0;
    for (int i = 0; i < track_->EventCount(); ++i) {
        const MidiEvent* e = track_->Event(i);
        if (e->channel == channel && !e->IsSysEx()) return 1;
    }
    return 0;
}

void MidiF0Data::SimplifyDrumNotes() {
    if (track_) track_->UnifyDrumNotes();
}
