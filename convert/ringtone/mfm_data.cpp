#include "convert/ringtone/mfm_data.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "core/byte_cursor.h"
#include "core/reporters.h"
#include "core/utilities.h"

namespace {

const CodeText kHeaderTable[] = {
    {fmhd::kNoHeader, "There are no MFMHeader!"},
};
constexpr ClassReporter kHeaderReporter("FMHD", kHeaderTable, "Error occured in MFMHeader!");

const CodeText kTrackTable[] = {
    {fmtk::kZeroLength, "発音長がゼロの音を削除しました。"},
    {fmtk::kTrackInvalid, "Track data is invalid!"},
    {fmtk::kNoteInvalid, "Note data is invalid!"},
    {fmtk::kDataInvalid, "Data is invalid!"},
    {fmtk::kChannelType, "Channel Type is invalid!"},
};
constexpr ClassReporter kTrackReporter("FMTK", kTrackTable, "Error occured in MFM Track!");

constexpr std::string_view kIds[MFMInformation::kChunks] = {"copy", "supt", "note", "ainf"};
constexpr std::size_t kSubChunkHead = 6;
constexpr std::size_t kLengthAt = 4;
constexpr std::size_t kInfoLengthAt = 12;
constexpr std::size_t kTrackCountAt = 11;  // the information length follows it
constexpr int kGroup = MFMTrack::kChannels;
constexpr int kTuneChannels = 16;

}  // namespace

void ShowMfmHeaderError(std::uint32_t code) {
    kHeaderReporter.Show(code);
}

void ShowMfmTrackError(std::uint32_t code) {
    kTrackReporter.Show(code);
}

const ReporterWords kMfmHeaderFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kHeaderReporter.Format(code); }, nullptr};
const ReporterWords kMfmTrackFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kTrackReporter.Format(code); }, nullptr};

void ShowMfmDrumsMoved(int count) {
    ShowErrorBox(kTrackReporter.Format(fmtk::kNoteInvalid) + " (drum notes changed: " +
                 std::to_string(count) + ")");
}

std::size_t WriteInformationSubChunk(std::vector<std::uint8_t>& out, std::string_view id,
                                     std::span<const std::uint8_t> text) {
    const std::size_t n = std::min<std::size_t>(text.size(), 0xFFFF);
    for (std::size_t i = 0; i < 4; ++i)
        out.push_back(i < id.size() ? static_cast<std::uint8_t>(id[i]) : std::uint8_t{' '});
    out.push_back(static_cast<std::uint8_t>(n >> 8));
    out.push_back(static_cast<std::uint8_t>(n & 0xFF));
    for (std::size_t i = 0; i < n; ++i)
        out.push_back(text[i]);
    return n + kSubChunkHead;
}

// ---- MFMInformation ----

std::string_view MFMInformation::Id(int index) {
    return index >= 0 && index < kChunks ? kIds[index] : std::string_view();
}

int MFMInformation::IndexOf(std::string_view id) {
    for (int i = 0; i < kChunks; ++i)
        if (kIds[i] == id) return i;
    return -1;
}

void MFMInformation::SetDefault() {
    static constexpr std::uint8_t kSupport[5] = {'1', '1', '3', '0', 0};
    static constexpr std::uint8_t kNote[2] = {0x00, 0x01};
    static constexpr std::uint8_t kInfo[10] = {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00};
    chunks_ = {};
    Set("supt", kSupport);
    Set("note", kNote);
    Set("ainf", kInfo);
}

void MFMInformation::Set(std::string_view id, std::span<const std::uint8_t> bytes) {
    const int i = IndexOf(id);
    if (i < 0) return;
    SubChunk& c = chunks_[static_cast<std::size_t>(i)];
    c.present = true;
    c.length = static_cast<int>(std::min<std::size_t>(bytes.size(), kChunkBytes));
    c.data.fill(0);
    std::copy_n(bytes.begin(), c.length, c.data.begin());
}

const MFMInformation::SubChunk* MFMInformation::Find(std::string_view id) const {
    const int i = IndexOf(id);
    return i >= 0 && chunks_[static_cast<std::size_t>(i)].present ? &chunks_[static_cast<std::size_t>(i)]
                                                                    : nullptr;
}

std::vector<std::uint8_t> MFMInformation::Serialise() const {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < kChunks; ++i) {
        const SubChunk& c = chunks_[static_cast<std::size_t>(i)];
        // An empty "copy" text is not written.
        if (!c.present || (i == 0 && c.length == 0)) continue;
        WriteInformationSubChunk(out, kIds[i],
                                 std::span(c.data.data(), static_cast<std::size_t>(std::min(c.length, kChunkBytes))));
    }
    return out;
}

bool MFMInformation::Parse(std::span<const std::uint8_t> block) {
    ByteCursor in(block);
    // Every step moves on by at least the 6-byte head.
    while (!in.AtEnd()) {
        const std::span<const std::uint8_t> name = in.Take(4);
        std::uint16_t n = 0;
        if (name.empty() || !in.ReadBe16(n)) return false;
        const std::span<const std::uint8_t> body = in.Take(std::min<std::size_t>(n, in.Left()));
        const std::string_view id(reinterpret_cast<const char*>(name.data()), name.size());
        const int i = IndexOf(id);
        if (i >= 0) {
            // The record keeps 256 bytes; the walk steps by the whole length.
            Set(id, body.first(std::min<std::size_t>(body.size(), kChunkBytes)));
            chunks_[static_cast<std::size_t>(i)].length = n;
        }
        if (body.size() < n) return false;
    }
    return true;
}

// ---- MFMData: reading ----

MFMData::MFMData(const std::uint8_t* bytes, std::size_t length, ReadLog& log)
    : MusicData(kMusicDataCapacity, DeferBlock{}) {
    const std::size_t n = bytes ? std::min<std::size_t>(length, static_cast<std::size_t>(capacity_)) : 0;
    if (n > 0 && HoldCopy(bytes, static_cast<int>(n))) Parse(log);
    if (n == 0) log.Add(kMfmHeaderFindings, fmhd::kNoHeader, 0);
}

std::unique_ptr<MFMData> MFMData::ReadFile(const std::string& path, ReadLog& log) {
    // The head of a longer file is read, not refused.
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(GetFileLength(path), kFileReadLimit));
    if (count == 0) return nullptr;
    std::vector<std::uint8_t> buffer(count);
    if (!ReadExactly(path, buffer.data(), count)) return nullptr;
    return std::make_unique<MFMData>(buffer.data(), count, log);
}

void MFMData::Parse(ReadLog& log) {
    ByteCursor in(std::span<const std::uint8_t>(Data(), static_cast<std::size_t>(length_)));
    if (!in.Matches("mfmp")) {
        log.Add(kMfmHeaderFindings, fmhd::kNoHeader, 0);
        return Refuse();
    }
    std::uint8_t trackCount = 0;
    std::uint16_t infoLength = 0;
    if (!in.Has(kHeadBytes)) {
        log.Add(kMfmTrackFindings, fmtk::kTrackInvalid, 0);
        return Refuse();
    }
    in.Skip(kTrackCountAt);
    in.ReadByte(trackCount);
    in.ReadBe16(infoLength);
    // A sub-chunk running past the block is kept cut; the tracks still
    // start after the block.
    const std::span<const std::uint8_t> info = in.Take(std::min<std::size_t>(infoLength, in.Left()));
    information_.Parse(info);
    if (info.size() < infoLength) {
        log.Add(kMfmTrackFindings, fmtk::kTrackInvalid, kInfoLengthAt);
        return Refuse();
    }
    const int count = std::min<int>(trackCount, kTracks);
    for (int i = 0; i < count && !in.AtEnd(); ++i) {
        auto track = std::make_unique<MFMTrack>(i);
        bool cut = false;
        const std::size_t used = track->Read(in.Rest(), &cut, log, in.Offset());
        if (cut) return Refuse();
        if (used == 0) break;
        tracks_.push_back(std::move(track));
        in.Skip(used);
    }
}

void MFMData::Refuse() {
    tracks_.clear();
    SetLength(0);
}

void MFMData::ToMobileData(MobileData& model) const {
    for (const auto& t : tracks_) {
        const int first = model.Count();
        model.AddFourChannelTrack(t->Track());
        if (model.Count() != first + kGroup) continue;
        for (int c = 0; c < kGroup; ++c)
            model.Slot(first + c)->kind = t->Kind(c) == MFMTrack::kKindDirect ? MobileChanelData::kKindDrum
                                                                               : MobileChanelData::kKindMelodic;
    }
    model.division = kDivision;
}

// ---- MFMData: writing ----

MFMData::MFMData(const MobileData& model) : MusicData(kMusicDataCapacity, DeferBlock{}) {
    Build(model);
}

void MFMData::Build(const MobileData& model) {
    std::array<const MobileChanelData*, kTuneChannels> places{};
    for (int i = 0; i < model.Count(); ++i) {
        const MobileChanelData* slot = model.Slot(i);
        if (slot && slot->enabled && slot->number >= 0 && slot->number < kTuneChannels &&
            !places[static_cast<std::size_t>(slot->number)])
            places[static_cast<std::size_t>(slot->number)] = slot;
    }
    information_.SetDefault();
    for (int t = 0; t < kTracks; ++t) {
        const MobileChanelData* const* group = places.data() + t * kGroup;
        auto track = std::make_unique<MobileTrackData>(group, kGroup, model.Capacity(), false);
        std::array<int, MFMTrack::kChannels> kinds{};
        for (int c = 0; c < kGroup; ++c) {
            const bool drum = group[c] && (group[c]->kind == MobileChanelData::kKindDrum ||
                                           track->IsDrumChannel(c) == 1);
            kinds[static_cast<std::size_t>(c)] = drum ? MFMTrack::kKindDirect : MFMTrack::kKindOctave;
        }
        tracks_.push_back(std::make_unique<MFMTrack>(std::move(track), t, kinds));
    }
    MoveTemposToTrack0();
    int moved = 0;
    for (auto& t : tracks_)
        moved += t->Prepare();
    // Once per file, not once per note.
    if (moved > 0) ShowMfmDrumsMoved(moved);
}

// Tempos of tracks 1..3 move into track 0 at their times; one tempo of a
// value stays at each time.
void MFMData::MoveTemposToTrack0() {
    MobileTrackData& first = tracks_[0]->Track();
    for (std::size_t t = 1; t < tracks_.size(); ++t) {
        MobileTrackData& track = tracks_[t]->Track();
        long long time = 0;
        for (int i = 0; i < track.Count();) {
            const MidiEvent& e = *track.Event(i);
            time += e.delta;
            if (!IsMobileControl(e, mobile_code::kTempo)) {
                ++i;
                continue;
            }
            auto copy = std::make_unique<MidiEvent>(e);
            // The next event takes over this one's delta: its time stays.
            time -= e.delta;
            const long long at = time + copy->delta;
            track.DeleteEvent(i);
            first.InsertAtTime(at, std::move(copy));
        }
    }
    std::set<std::pair<long long, int>> seen;
    long long time = 0;
    for (int i = 0; i < first.Count(); ++i) {
        MidiEvent& e = *first.Event(i);
        time += e.delta;
        if (IsMobileControl(e, mobile_code::kTempo) && !seen.insert({time, e.value}).second)
            e.kind = mobile_kind::kCleared;
    }
    first.RemoveClearedEvents();
}

void MFMData::SplitLongWaits() {
    for (auto& t : tracks_)
        t->SplitLongWaits();
}

void MFMData::Serialise() {
    SetLength(0);
    if (tracks_.empty()) return;
    const std::vector<std::uint8_t> info = information_.Serialise();
    std::size_t total = kHeadBytes + info.size();
    for (auto& t : tracks_) {
        t->Write();
        total += t->Bytes().size();
    }
    if (total > static_cast<std::size_t>(capacity_) || info.size() > 0xFFFF ||
        !EnsureBlock(static_cast<int>(total))) {
        ShowMfmTrackError(fmtk::kDataInvalid);
        return;
    }
    std::uint8_t* out = Data();
    std::memcpy(out, "mfmp", 4);
    WriteBigEndian32(out + kLengthAt, static_cast<std::uint32_t>(total - 8));
    out[8] = 0x01;
    out[9] = 0x00;
    out[10] = 0x00;
    out[kTrackCountAt] = static_cast<std::uint8_t>(tracks_.size());
    WriteBigEndian16(out + kInfoLengthAt, static_cast<std::uint16_t>(info.size()));
    std::size_t at = kHeadBytes;
    std::copy(info.begin(), info.end(), out + at);
    at += info.size();
    for (auto& t : tracks_) {
        std::copy(t->Bytes().begin(), t->Bytes().end(), out + at);
        at += t->Bytes().size();
    }
    length_ = static_cast<int>(total);
}
