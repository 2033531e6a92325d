#include "convert/ringtone/multi_mfi_data.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/byte_cursor.h"
#include "core/reporters.h"

const char* const kMultiMfiUnknownTerminal =
    "このメッセージが表示された場合は、ターゲット端末名をフェンウィクに連絡してください。";

const ReporterWords kMultiMfiUnknownTerminalFindings{
    FindingKind::Notice,
    [](std::uint32_t, std::uint32_t) { return std::string(kMultiMfiUnknownTerminal); }, nullptr};

namespace {

constexpr std::size_t kChunkHead = 8;
constexpr int kGroup = 4;
constexpr int kChannels = 16;
constexpr int kDrumTrack = 2;
constexpr int kDrumSlot = 1;

}  // namespace

MultiMFiData::MultiMFiData(const MultiMobileTrackData& model, int voiceType, int capacity)
    : MFiData(std::span<const std::uint8_t>(), voiceType) {
    capacity_ = capacity;
    if (!mfi_voice::IsMulti(voiceType) && voiceType != mfi_voice::kPmdRead) {
        ShowMfiDataError(mfdt::kMultiVoiceType);
        return;
    }
    Build(model);
}

void MultiMFiData::Build(const MultiMobileTrackData& model) {
    std::array<const MobileChanelData*, kChannels> places{};
    for (int i = 0; i < model.Count(); ++i) {
        const MobileChanelData* slot = model.Slot(i);
        if (slot && slot->enabled && slot->number >= 0 && slot->number < kChannels)
            places[static_cast<std::size_t>(slot->number)] = slot;
    }
    MakeHeader(&model, MfiVersionOf(voiceType_));
    for (int t = 0; t < kMaxTracks; ++t) {
        auto track = std::make_unique<MobileTrackData>(places.data() + t * kGroup, kGroup,
                                                       model.Capacity(), false);
        track->KeepLastControl(mobile_code::kEndOfTrack);
        tracks_.push_back(std::make_unique<MFiTrack>(std::move(track), voiceType_, t));
    }
    // Tune channel 9 is the drum channel: a kind control names it, and a
    // program 0 stands before its first volume.
    MFiTrack& drums = *tracks_[kDrumTrack];
    MobileTrackData& t = drums.Track();
    drums.SetSlotKind(kDrumSlot, MFiTrack::kKindDrum);
    bool named = false;
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (e.channel == kDrumSlot && IsMobileControl(e, mobile_code::kKind)) {
            e.value = 1;
            named = true;
        }
    }
    if (!named && t.HasChannel(kDrumSlot)) t.InsertEvent(0, 2, NewMobileControl(0, kDrumSlot, mobile_code::kKind, 1));
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (e.channel != kDrumSlot || !IsMobileControl(e, mobile_code::kVolume)) continue;
        auto program = NewMobileControl(0, kDrumSlot, mobile_code::kProgram, 0);
        program->delta = e.delta;
        e.delta = 0;
        t.InsertEvent(i, 2, std::move(program));
        break;
    }
}

MultiMFiData::MultiMFiData(const std::string& path, int voiceType, ReadLog& log)
    : MFiData(path, voiceType, HoldOnly{}) {
    if (length_ > 0) Parse(log);
}

MultiMFiData::MultiMFiData(const std::uint8_t* bytes, int length, ReadLog& log, int voiceType)
    : MFiData(std::span(bytes, bytes ? static_cast<std::size_t>(std::max(length, 0)) : 0), voiceType) {
    if (length_ > 0) Parse(log);
}

bool MultiMFiData::TakeFileType(ReadLog& log) {
    auto image = Image();
    const bool cmid = std::memcmp(image.data(), "cmid", 4) == 0;
    const int count = image[12];
    if (voiceType_ == mfi_voice::kFromFile) {
        if (cmid) {
            voiceType_ = mfi_voice::kPmdRead;
        } else if (count == 1 || count == 3 || count == 4) {
            voiceType_ = mfi_voice::kMulti6;
        } else if (count == 2) {
            log.Add(kMultiMfiUnknownTerminalFindings, 0, 12);
            voiceType_ = mfi_voice::kMulti6;
        } else {
            log.Add(kMfiDataFindings, mfdt::kVoiceMismatch, 12);
            return false;
        }
        return true;
    }
    if (mfi_voice::IsMulti(voiceType_) && count == kMaxTracks && !cmid) return true;
    log.Add(kMfiDataFindings, mfdt::kVoiceMismatch, 12);
    return false;
}

void MultiMFiData::Parse(ReadLog& log) {
    auto image = Image();
    if (image.size() < kHeaderBytes) {
        log.Add(kMfiHeaderFindings, mfhd::kHeaderSize, 0);
        return Refuse();
    }
    if (!TakeFileType(log) || !ReadInformation(log)) return Refuse();
    if (!mfi_voice::IsMulti(voiceType_) && voiceType_ != mfi_voice::kPmdRead)
        log.Add(kMfiDataFindings, mfdt::kMultiTrackCount);
    // Each track keeps its four channels of the sixteen.
    const int count = std::min(static_cast<int>(image[12]), kMaxTracks);
    ByteCursor in(image);
    in.Skip(FirstTrackOffset());
    while (in.Has(kChunkHead) && TrackCount() < count) {
        ByteCursor head(in.Rest());
        std::uint32_t size = 0;
        head.Skip(4);
        head.ReadBe32(size);
        if (!in.Matches("adat")) {
            auto track = std::make_unique<MFiTrack>(voiceType_, TrackCount());
            ApplyKindRecords(*track);
            if (track->Read(in.Rest(), log, in.Offset()) == 0) return Refuse();
            tracks_.push_back(std::move(track));
        }
        // A chunk running past the bytes refuses the file.
        if (!in.Skip(kChunkHead + std::size_t{size})) {
            log.AddOnce(kMfiTrackFindings, mftk::kDataInvalid, in.Offset());
            return Refuse();
        }
    }
    FinishKindRecords(log);
    RescaleTracks();
}

void MultiMFiData::ToMultiMobileTrackData(MultiMobileTrackData& model) const {
    for (const auto& t : tracks_)
        model.AddFourChannelTrack(t->Track());
    model.division = MFiTrack::kModelTimeBase;
}
