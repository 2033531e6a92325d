#include "convert/ringtone/mfi_data.h"

#include <algorithm>
#include <cstring>

#include "core/byte_cursor.h"
#include "core/reporters.h"
#include "core/utilities.h"

namespace {

const CodeText kMfiDataTable[] = {
    {mfdt::kInternal, "Internal Error occured in MFiData!"},
    {mfdt::kTooManyTracks, "There are too many tracks!"},
    {mfdt::kVoiceMismatch, "Voice of loaded file and voice of setting does not match."},
    {mfdt::kTrackInvalid, "There are an error of specifying track of MFi."},
    {mfdt::kUnknownEvent, "Unknown event has been found in MFi!"},
    {mfdt::kChannelInvalid, "There are an error of specifying channel of MFi."},
    {mfdt::kMemory, "Error occured during memory allocation for MFi."},
    {mfdt::kArrangement,
     "Error occued during data arrangement of terminal. Provablly contertion is OK."},
    {mfdt::kPmd16, "PMD 16 voice is not supported!"},
};
constexpr ClassReporter kMfiDataReporter("MFDT", kMfiDataTable, "Error occured in MFiData.");

const CodeText kMfiHeaderTable[] = {
    {mfhd::kInternal, "Internal Error occurred in MFiHeader!"},
    {mfhd::kVoiceType, "MFi Voice type is wrong!"},
    {mfhd::kHeaderSize, "Wrong MFi header size!"},
};
constexpr ClassReporter kMfiHeaderReporter("MFHD", kMfiHeaderTable, "Error occurred in MFiHeader!");

constexpr std::string_view kIds[MFiHeader::kChunks] = {"titl", "sorc", "vers", "code", "date", "copy",
                                                       "prot", "note", "exst", "supt", "auth"};
// The PMD writer's order, as indexes into kIds.
constexpr int kPmdOrder[MFiHeader::kChunks] = {2, 3, 0, 4, 1, 7, 8, 6, 5, 9, 10};

constexpr int kModelDivision = 96;
constexpr int kGroup = 4;
constexpr int kPmdChannels = 16;
constexpr int kDrumTuneChannel = 9;

bool FourTrackType(int t) {
    return t == mfi_voice::kMelo4 || t == mfi_voice::kMelo5 || t == mfi_voice::kCmid ||
           mfi_voice::IsMulti(t);
}

}  // namespace

void ShowMfiDataError(std::uint32_t code) {
    kMfiDataReporter.Show(code);
}

void ShowMfiHeaderError(std::uint32_t code) {
    kMfiHeaderReporter.Show(code);
}

const ReporterWords kMfiDataFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kMfiDataReporter.Format(code); }, nullptr};
const ReporterWords kMfiHeaderFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kMfiHeaderReporter.Format(code); }, nullptr};

std::string_view MfiVersionOf(int voiceType) {
    if (mfi_voice::IsTwoByteNote(voiceType)) return "0100";
    if (voiceType == mfi_voice::kMulti6 || voiceType == mfi_voice::kMulti7 ||
        voiceType == mfi_voice::kMulti32)
        return "0300";
    if (FourTrackType(voiceType) || voiceType == mfi_voice::kPmd) return "0200";
    return "0100";
}

// ---- MFiHeader ----

std::string_view MFiHeader::Id(int index) {
    return index >= 0 && index < kChunks ? kIds[index] : std::string_view();
}

int MFiHeader::IndexOf(std::string_view id) {
    for (int i = 0; i < kChunks; ++i)
        if (kIds[i] == id) return i;
    return -1;
}

void MFiHeader::Set(std::string_view id, std::span<const std::uint8_t> bytes) {
    int i = IndexOf(id);
    if (i < 0) return;
    SubChunk& c = chunks_[static_cast<std::size_t>(i)];
    c.present = true;
    c.length = static_cast<int>(std::min<std::size_t>(bytes.size(), kChunkBytes));
    c.data.fill(0);
    std::copy_n(bytes.begin(), c.length, c.data.begin());
}

void MFiHeader::Set(std::string_view id, std::string_view text) {
    Set(id, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

const MFiHeader::SubChunk* MFiHeader::Find(std::string_view id) const {
    int i = IndexOf(id);
    return i >= 0 && chunks_[static_cast<std::size_t>(i)].present ? &chunks_[static_cast<std::size_t>(i)]
                                                                    : nullptr;
}

bool MFiHeader::Is(std::string_view id, std::string_view text) const {
    const SubChunk* c = Find(id);
    return c && static_cast<std::size_t>(c->length) == text.size() &&
           std::equal(text.begin(), text.end(), c->data.begin());
}

std::vector<std::uint8_t> MFiHeader::Serialise() const {
    std::vector<std::uint8_t> out;
    for (int k = 0; k < kChunks; ++k) {
        const int i = voiceType_ == mfi_voice::kPmd ? kPmdOrder[k] : k;
        const SubChunk& c = chunks_[static_cast<std::size_t>(i)];
        if (!c.present) continue;
        const int n = std::min(c.length, kChunkBytes);
        out.insert(out.end(), kIds[i].begin(), kIds[i].end());
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(n & 0xFF));
        out.insert(out.end(), c.data.begin(), c.data.begin() + n);
    }
    return out;
}

bool MFiHeader::Parse(std::span<const std::uint8_t> block, ReadLog& log, std::size_t origin) {
    ByteCursor in(block);
    // Every step moves on by at least the 6-byte head.
    while (!in.AtEnd()) {
        const std::size_t at = origin + in.Offset();
        const std::span<const std::uint8_t> name = in.Take(4);
        std::uint16_t n = 0;
        if (name.empty() || !in.ReadBe16(n) || !in.Has(n)) {
            log.Add(kMfiHeaderFindings, mfhd::kHeaderSize, at);
            return false;
        }
        const std::span<const std::uint8_t> body = in.Take(n);
        const std::string_view id(reinterpret_cast<const char*>(name.data()), name.size());
        const int i = IndexOf(id);
        if (i >= 0) {
            // The full length is stepped over; the record keeps 256 bytes.
            Set(id, body.first(std::min<std::size_t>(body.size(), kChunkBytes)));
            chunks_[static_cast<std::size_t>(i)].length = static_cast<int>(body.size());
        }
    }
    return true;
}

// ---- MFiData: building ----

MFiData::MFiData(const MobileData& model, int voiceType, int capacity)
    : MusicData(capacity, DeferBlock{}), voiceType_(voiceType) {
    MFiTrack::ResetWarnings();
    if (voiceType == mfi_voice::kPmd) {
        BuildPmd(model);
    } else if (voiceType == mfi_voice::kMelo1 || voiceType == mfi_voice::kMelo252 ||
               voiceType == mfi_voice::kMelo4 || voiceType == mfi_voice::kMelo5 ||
               voiceType == mfi_voice::kCmid) {
        Build(model);
    } else {
        ShowMfiDataError(mfdt::kVoiceMismatch);
        MakeHeader(&model, MfiVersionOf(voiceType));
    }
}

void MFiData::MakeHeader(const MobileData* model, std::string_view version) {
    header_ = std::make_unique<MFiHeader>(voiceType_);
    if (model) header_->Set("titl", model->title);
    static constexpr std::uint8_t kZero[2] = {0, 0};
    static constexpr std::uint8_t kNote[2] = {0, 1};
    static constexpr std::uint8_t kCode[1] = {0x80};
    header_->Set("sorc", std::span(kZero, 1));
    header_->Set("vers", version);
    if (voiceType_ == mfi_voice::kPmd) {
        header_->Set("code", std::span(kCode));
        header_->Set("exst", std::span(kZero));
    } else if (model) {
        header_->Set("copy", model->copyright);
    }
    if (FourTrackType(voiceType_) || voiceType_ == mfi_voice::kPmd) header_->Set("note", std::span(kNote));
}

void MFiData::Build(const MobileData& model) {
    auto groups = model.EnabledSlotGroups(kGroup);
    MakeHeader(&model, MfiVersionOf(voiceType_));
    const std::size_t wanted = mfi_voice::IsTwoByteNote(voiceType_) ? 1 : kMaxTracks;
    if (groups.size() > wanted) ShowMfiDataError(mfdt::kTooManyTracks);
    groups.resize(wanted);
    for (std::size_t t = 0; t < wanted; ++t) {
        auto track = std::make_unique<MobileTrackData>(groups[t].data(), static_cast<int>(groups[t].size()),
                                                       model.Capacity(), false);
        track->KeepLastControl(mobile_code::kEndOfTrack);
        tracks_.push_back(std::make_unique<MFiTrack>(std::move(track), voiceType_, static_cast<int>(t)));
    }
}

// A slot's place is its channel; a reader plays channel 9 as drums, so a
// melodic slot never takes that place: it is left empty and the slot takes
// the next one.
void MFiData::BuildPmd(const MobileData& model) {
    std::vector<const MobileChanelData*> slots;
    for (int i = 0; i < model.Count(); ++i) {
        const MobileChanelData* slot = model.Slot(i);
        if (!slot || !slot->enabled) continue;
        const bool drum = slot->kind == MobileChanelData::kKindDrum;
        if (!drum && slots.size() == static_cast<std::size_t>(kDrumTuneChannel))
            slots.push_back(nullptr);
        if (static_cast<int>(slots.size()) == kPmdChannels) {
            ShowMfiDataError(mfdt::kTooManyChannels);
            break;
        }
        slots.push_back(slot);
    }
    MakeHeader(&model, MfiVersionOf(voiceType_));
    auto track = std::make_unique<MobileTrackData>(slots.data(), static_cast<int>(slots.size()),
                                                   model.Capacity(), false);
    track->KeepLastControl(mobile_code::kEndOfTrack);
    tracks_.push_back(std::make_unique<MFiTrack>(std::move(track), voiceType_, 0));
}

MFiData::~MFiData() = default;

// Every track's channel kinds stand in track 0, their channels counted over
// the four tracks.
void MFiData::MoveKindsToTrack0() {
    if (tracks_.empty()) return;
    MobileTrackData& first = tracks_[0]->Track();
    std::vector<std::unique_ptr<MidiEvent>> copies;
    for (std::size_t t = 1; t < tracks_.size(); ++t) {
        MobileTrackData& track = tracks_[t]->Track();
        for (int i = 0; i < track.Count(); ++i) {
            MidiEvent& e = *track.Event(i);
            if (!IsMobileControl(e, mobile_code::kKind)) continue;
            const int channel = e.channel + kGroup * static_cast<int>(t);
            if (e.channel < 0 || channel > 15) {
                ShowMfiDataError(mfdt::kChannelInvalid);
            } else {
                copies.push_back(NewMobileControl(0, channel, mobile_code::kKind, e.value));
            }
            e.kind = mobile_kind::kCleared;
        }
    }
    int at = 0;
    for (; at < first.Count(); ++at)
        if (IsMobileControl(*first.Event(at), mobile_code::kKind)) break;
    if (at == first.Count()) at = 0;
    if (at < first.Count() && !copies.empty()) {
        copies.front()->delta = first.Event(at)->delta;
        first.Event(at)->delta = 0;
    }
    for (auto& c : copies)
        at = first.InsertEvent(at, 2, std::move(c)) + 1;
}

void MFiData::Serialise(int terminalId) {
    SetLength(0);
    if (!header_) return;
    const std::vector<std::uint8_t> info = header_->Serialise();
    if (mfi_voice::IsTwoByteNote(voiceType_)) {
        for (auto& t : tracks_)
            t->Track().RemoveControls(mobile_code::kKind);
    } else if (voiceType_ != mfi_voice::kPmd && voiceType_ != mfi_voice::kCmid) {
        // Type 255 names drum slots by their slot in their own track.
        MoveKindsToTrack0();
    }
    std::size_t total = kHeaderBytes + info.size();
    for (auto& t : tracks_) {
        t->Track().RemoveClearedEvents();
        t->Write(terminalId);
        total += t->Bytes().size();
    }
    if (kHeaderBytes + info.size() > kMaxHeaderRecord) ShowMfiHeaderError(mfhd::kHeaderSize);
    if (total > static_cast<std::size_t>(capacity_) || !EnsureBlock(static_cast<int>(total))) {
        ShowMfiDataError(mfdt::kMemory);
        return;
    }
    const bool cmid = voiceType_ == mfi_voice::kCmid || voiceType_ == mfi_voice::kPmd;
    const bool four = FourTrackType(voiceType_);
    std::uint8_t* out = Data();
    std::memcpy(out, cmid ? "cmid" : "melo", 4);
    WriteBigEndian32(out + 4, static_cast<std::uint32_t>(total - 8));
    WriteBigEndian16(out + 8, static_cast<std::uint16_t>(info.size() + 3));
    out[10] = (four && voiceType_ != mfi_voice::kMelo4) || voiceType_ == mfi_voice::kPmd ? 2 : 1;
    out[11] = 1;
    out[12] = four ? kMaxTracks : 1;
    std::size_t at = kHeaderBytes;
    std::copy(info.begin(), info.end(), out + at);
    at += info.size();
    for (auto& t : tracks_) {
        std::copy(t->Bytes().begin(), t->Bytes().end(), out + at);
        at += t->Bytes().size();
    }
    length_ = static_cast<int>(total);
}

void MFiData::EnsureMasterVolume() {
    if (tracks_.empty()) return;
    MobileTrackData& t = tracks_[0]->Track();
    if (t.CountControls(mobile_code::kStartMasterVolume) > 0) return;
    t.InsertEvent(0, 2, NewMobileControl(0, kNoChannel, mobile_code::kStartMasterVolume, 127));
}

void MFiData::SplitLongDeltas() {
    for (auto& t : tracks_)
        t->SplitLongDeltas();
}

void MFiData::ToMobileData(MobileData& model) const {
    for (const auto& t : tracks_) {
        if (!mfi_voice::IsPmd(t->VoiceType())) {
            model.AddFourChannelTrack(t->Track());
            continue;
        }
        // The sixteen PMD channels as four groups of four.
        const MobileTrackData& all = t->Track();
        for (int g = 0; g < kGroup; ++g) {
            MobileTrackData group(model.Capacity());
            for (int i = 0; i < all.Count(); ++i) {
                const MidiEvent& e = *all.Event(i);
                const bool mine = e.channel == kNoChannel ? g == 0 : e.channel / kGroup == g;
                auto copy = std::make_unique<MidiEvent>(e);
                if (!mine) copy->kind = mobile_kind::kCleared;
                if (mine && e.channel != kNoChannel) copy->channel = e.channel % kGroup;
                if (!mine) copy->channel = kNoChannel;
                group.Append(std::move(copy));
            }
            group.RemoveClearedEvents();
            model.AddFourChannelTrack(group);
        }
    }
    model.division = kModelDivision;
}

// ---- MFiData: reading ----

MFiData::MFiData(const std::string& path, int voiceType, ReadLog& log) : MFiData(path, voiceType, HoldOnly{}) {
    if (length_ > 0) Parse(log);
}

MFiData::MFiData(const std::string& path, int voiceType, HoldOnly)
    : MusicData(kMusicDataCapacity, DeferBlock{}), voiceType_(voiceType) {
    MFiTrack::ResetWarnings();
    LoadFile(path);
}

MFiData::MFiData(const std::uint8_t* bytes, int length, ReadLog& log)
    : MFiData(std::span(bytes, bytes ? static_cast<std::size_t>(std::max(length, 0)) : 0),
              mfi_voice::kFromFile) {
    if (length_ > 0) Parse(log);
}

MFiData::MFiData(std::span<const std::uint8_t> bytes, int voiceType)
    : MusicData(kMusicDataCapacity, DeferBlock{}), voiceType_(voiceType) {
    MFiTrack::ResetWarnings();
    HoldImage(bytes);
}

bool MFiData::HoldImage(std::span<const std::uint8_t> bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(capacity_));
    return n > 0 && HoldCopy(bytes.data(), static_cast<int>(n));
}

std::span<const std::uint8_t> MFiData::Image() const {
    return Data() ? std::span(Data(), static_cast<std::size_t>(length_)) : std::span<const std::uint8_t>();
}

int MFiData::ReadFileType() const {
    auto image = Image();
    if (image.size() < kHeaderBytes) return mfi_voice::kUnknown;
    if (std::memcmp(image.data(), "cmid", 4) == 0) return image[12] == 1 ? mfi_voice::kPmd : mfi_voice::kCmid;
    if (std::memcmp(image.data(), "melo", 4) == 0) return image[12];
    return mfi_voice::kUnknown;
}

bool MFiData::ReadInformation(ReadLog& log) {
    ByteCursor in(Image());
    std::uint16_t headerLength = 0;
    std::uint8_t trackCount = 0;
    // The length counts the three bytes before the block.
    if (!in.Skip(8) || !in.ReadBe16(headerLength) || headerLength < 3 || !in.Has(headerLength)) {
        log.Add(kMfiHeaderFindings, mfhd::kHeaderSize, 8);
        return false;
    }
    in.Skip(2);
    in.ReadByte(trackCount);
    header_ = std::make_unique<MFiHeader>(voiceType_);
    if (!header_->Parse(in.Take(headerLength - 3u), log, kHeaderBytes)) return false;
    fileTrackCount_ = trackCount;
    return true;
}

std::size_t MFiData::FirstTrackOffset() const {
    return 10 + ReadBigEndian16(Image().data() + 8);
}

void MFiData::Refuse() {
    tracks_.clear();
    SetLength(0);
}

void MFiData::Parse(ReadLog& log) {
    if (Image().size() < kHeaderBytes) {
        log.Add(kMfiHeaderFindings, mfhd::kHeaderSize, 0);
        return Refuse();
    }
    voiceType_ = ReadFileType();
    if (voiceType_ == mfi_voice::kUnknown) {
        log.Add(kMfiHeaderFindings, mfhd::kVoiceType, 0);
        return Refuse();
    }
    if (!ReadInformation(log)) return Refuse();
    if (voiceType_ == mfi_voice::kPmd) {
        if (header_->Is("vers", "0200")) {
            voiceType_ = mfi_voice::kPmdRead;
        } else {
            log.Add(kMfiDataFindings, mfdt::kPmd16);
        }
    }
    int count = 0;
    if (mfi_voice::IsTwoByteNote(voiceType_) || mfi_voice::IsPmd(voiceType_)) {
        count = 1;
    } else if (voiceType_ == mfi_voice::kMelo4 || voiceType_ == mfi_voice::kMelo5 ||
               voiceType_ == mfi_voice::kCmid) {
        count = kMaxTracks;
    } else {
        log.Add(kMfiDataFindings, mfdt::kVoiceMismatch, 12);
        return Refuse();
    }
    ByteCursor in(Image());
    in.Skip(FirstTrackOffset());
    for (int i = 0; i < count && !in.AtEnd(); ++i) {
        auto track = std::make_unique<MFiTrack>(voiceType_, i);
        ApplyKindRecords(*track);
        const std::size_t used = mfi_voice::IsPmd(voiceType_) ? track->ReadPmd(in.Rest(), log, in.Offset())
                                                               : track->Read(in.Rest(), log, in.Offset());
        // A chunk that runs past the file: the file is cut or damaged.
        if (used == 0) return Refuse();
        tracks_.push_back(std::move(track));
        // Each chunk stands in at least its head: the walk moves on.
        in.Skip(used);
    }
    FinishKindRecords(log);
    RescaleTracks();
    ApplyDrumDefault();
}

void MFiData::RescaleTracks() {
    int base = -1;
    for (auto& t : tracks_)
        if (t->TimeBase() > 0) base = t->TimeBase();
    if (base < 0) base = MFiTrack::kDefaultTimeBase;
    if (base == MFiTrack::kModelTimeBase) return;
    for (auto& t : tracks_)
        t->Track().RescaleTimes(base, MFiTrack::kModelTimeBase);
}

// Kind records of the tracks read so far set the slots of the track about
// to be read, so its drum notes decode as drums.
void MFiData::ApplyKindRecords(MFiTrack& track) {
    for (auto& read : tracks_) {
        const MobileTrackData& t = read->Track();
        for (int i = 0; i < t.Count(); ++i) {
            const MidiEvent& e = *t.Event(i);
            if (!IsMobileControl(e, mfi_code::kKindRecord) || e.value / 8 / kGroup != track.Index()) continue;
            track.SetSlotKind(e.value / 8 % kGroup, (e.value & 1) ? MFiTrack::kKindDrum : MFiTrack::kKindMelodic);
        }
    }
}

// Every kind record becomes a kind control at the start of its track.
void MFiData::FinishKindRecords(ReadLog& log) {
    for (auto& read : tracks_) {
        MobileTrackData& t = read->Track();
        for (int i = 0; i < t.Count(); ++i) {
            MidiEvent& e = *t.Event(i);
            if (!IsMobileControl(e, mfi_code::kKindRecord)) continue;
            const int channel = e.value / 8;
            const int index = channel / kGroup;
            e.kind = mobile_kind::kCleared;
            if (index >= kMaxTracks) {
                log.AddOnce(kMfiDataFindings, mfdt::kTrackInvalid);
                continue;
            }
            if (index >= TrackCount()) continue;
            MFiTrack& target = *tracks_[static_cast<std::size_t>(index)];
            target.SetSlotKind(channel % kGroup, (e.value & 1) ? MFiTrack::kKindDrum : MFiTrack::kKindMelodic);
            target.Track().InsertEvent(0, 2, NewMobileControl(0, channel % kGroup, mobile_code::kKind, e.value & 1));
            if (channel == kDrumTuneChannel) drumNamed_ = true;
        }
    }
    for (auto& read : tracks_)
        read->Track().RemoveClearedEvents();
}

// Without a record for tune channel 9, channel 1 of track 2 was read as
// melodic: it becomes the drum channel and its notes move to drum codes.
// Type-255 files name their drum slots in their own tracks.
void MFiData::ApplyDrumDefault() {
    if (TrackCount() != kMaxTracks || drumNamed_ || voiceType_ == mfi_voice::kCmid) return;
    MFiTrack& t2 = *tracks_[2];
    if (t2.SlotKind(1) == MFiTrack::kKindDrum) return;
    MobileTrackData& t = t2.Track();
    t.InsertEvent(0, 2, NewMobileControl(0, 1, mobile_code::kKind, 1));
    t2.SetSlotKind(1, MFiTrack::kKindDrum);
    if (header_ && header_->Is("vers", "0300")) return;
    constexpr int kDrumOffset = 10;
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (e.kind == mobile_kind::kNote && e.channel == 1) e.note -= kDrumOffset;
    }
}
