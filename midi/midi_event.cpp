#include "midi/midi_event.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "core/reporters.h"
#include "core/utilities.h"
#include "midi/event_pool.h"
#include "midi/mobile_subtypes.h"
#include "midi/sysex.h"

namespace {

const CodeText kMusicEventTable[] = {
    {muev::kDataTooLarge,
     "Event data size is too large! If it includes MFi terminal tone data, it would not be a "
     "problem."},
    {muev::kDataError, "Error occured in event data!"},
};
constexpr ClassReporter kMusicEventReporter("MUEV", kMusicEventTable,
                                            "Error occured in MusicEvent!");

const CodeText kMidiEventTable[] = {
    {mdev::kInternal, "Internal error occurred in MidiEvent!"},
    {mdev::kInvalidValue, "MidiEvent invalid value!"},
    {mdev::kInvalidCommand, "MidiEventでinvalid command!"},
};
constexpr ClassReporter kMidiEventReporter("MDEV", kMidiEventTable, "Error occurred in MidiEvent!");

static_assert(sizeof(MidiEvent) <= event_pool::kSlotSize);
static_assert(sizeof(MidiEvent) == 64, "one cache line per event");
static_assert(alignof(MidiEvent) <= alignof(std::max_align_t));

// A note the model may hold outside 0..127 (a format reader can make one),
// folded by octaves into the MIDI range: its low seven bits alone would
// sound 132 as 4.
int FoldNoteIntoMidiRange(int note) {
    long long n = note;
    if (n > 127) n -= 12 * ((n - 127 + 11) / 12);
    if (n < 0) n += 12 * ((-n + 11) / 12);
    return static_cast<int>(n);
}

}  // namespace

void ShowMusicEventError(std::uint32_t code) {
    kMusicEventReporter.Show(code);
}

void ShowMidiEventError(std::uint32_t code) {
    kMidiEventReporter.Show(code);
}

// ---- MusicEvent ----

void MusicEvent::ReleaseBlock() {
    heap_.reset();
    blockSize_ = 0;
}

bool MusicEvent::Reblock(int size, const std::uint8_t* source, int keep) {
    keep = std::max(0, std::min(keep, size));
    if (size <= kInlineBlock) {
        // The source may be the inline block itself: go through a copy.
        std::uint8_t fresh[kInlineBlock] = {};
        if (keep > 0) std::memcpy(fresh, source, static_cast<std::size_t>(keep));
        heap_.reset();
        std::memcpy(inline_, fresh, sizeof fresh);
        blockSize_ = size;
        return true;
    }
    std::unique_ptr<std::uint8_t[]> fresh;
    try {
        fresh = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        ShowGeneralError(gene::kNeedsMoreMemory);
        return false;
    }
    if (keep > 0) std::memcpy(fresh.get(), source, static_cast<std::size_t>(keep));
    heap_ = std::move(fresh);
    blockSize_ = size;
    return true;
}

std::string_view MusicEvent::DataText() const {
    const std::uint8_t* data = Block();
    if (!data) return {};
    const void* zero = std::memchr(data, 0, static_cast<std::size_t>(blockSize_));
    std::size_t n = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data)
                         : static_cast<std::size_t>(blockSize_);
    return std::string_view(reinterpret_cast<const char*>(data), n);
}

void MusicEvent::StoreData(const std::uint8_t* bytes, int n) {
    if (n <= 0) return;
    if (!bytes) {
        ShowMusicEventError(muev::kDataError);
        return;
    }
    if (n + kBlockPadding <= kInlineBlock && !HasInlineBlock()) {
        // The common case of the file reader: short bytes into a fresh event.
        ReleaseBlock();
        std::memset(inline_, 0, sizeof inline_);
        std::memcpy(inline_, bytes, static_cast<std::size_t>(n));
        blockSize_ = n + kBlockPadding;
        dataLength_ = n;
        return;
    }
    if (!Reblock(n + kBlockPadding, bytes, n)) return;
    dataLength_ = n;
    if (n > kLargeData) ShowMusicEventError(muev::kDataTooLarge);
}

void MusicEvent::ReserveData(int n) {
    if (n < 0) {
        ShowMusicEventError(muev::kDataError);
        return;
    }
    // A smaller block holds less data: what no longer fits stops being data,
    // and the padding after it stays zero.
    int keep = Block() ? std::min(blockSize_, std::min(dataLength_, n)) : 0;
    if (!Reblock(n + kBlockPadding, Block(), keep)) return;
    dataLength_ = std::min(dataLength_, n);
}

int MusicEvent::SetDataByte(int position, std::uint8_t byte) {
    if (!Block() || position < 0) {
        ShowMusicEventError(muev::kDataError);
        return 0;
    }
    if (position >= blockSize_ && !Reblock(position + 1 + kBlockPadding, Block(), blockSize_)) {
        return 0;
    }
    Block()[position] = byte;
    return 1;
}

std::uint8_t MusicEvent::GetDataByte(int position) const {
    if (!Block() || position < 0 || position >= blockSize_) {
        ShowMusicEventError(muev::kDataError);
        return 0;
    }
    return Block()[position];
}

std::uint8_t* MusicEvent::GetDataAt(int position) {
    if (!Block() || position < 0 || position >= blockSize_) {
        ShowMusicEventError(muev::kDataError);
        return nullptr;
    }
    return Block() + position;
}

int MusicEvent::CopyDataTo(std::uint8_t* buffer) const {
    if (!Block() || !buffer) {
        ShowMusicEventError(muev::kDataError);
        return 0;
    }
    std::memcpy(buffer, Block(), static_cast<std::size_t>(dataLength_));
    return dataLength_;
}

void MusicEvent::FreeData() {
    ReleaseBlock();
    dataLength_ = 0;
}

void MusicEvent::CopyFrom(const MusicEvent& other) {
    if (&other == this) return;
    delta = other.delta;
    if (other.Block()) {
        if (Reblock(other.dataLength_ + kBlockPadding, other.Block(),
                    std::min(other.dataLength_, other.blockSize_))) {
            dataLength_ = other.dataLength_;
        }
    } else {
        FreeData();
    }
    kind = other.kind;
    note = other.note;
    length = other.length;
    velocity = other.velocity;
    subtype = other.subtype;
    value = other.value;
}

// ---- MidiEvent ----

MidiEvent::MidiEvent(const MidiEvent* source) {
    if (source) CopyFrom(*source);
}

MidiEvent::MidiEvent(const MidiEvent& source) : MusicEvent() {
    CopyFrom(source);
}

void MidiEvent::Assign(const MidiEvent* source) {
    if (!source) {
        ShowMidiEventError(mdev::kGeneral);
        return;
    }
    CopyFrom(*source);
}

void MidiEvent::CopyFrom(const MidiEvent& source) {
    channel = source.channel;
    MusicEvent::CopyFrom(source);
}

void MidiEvent::SetControlChange(int ch, int controller, int v) {
    kind = event_kind::kControlChange;
    channel = ch;
    subtype = controller;
    value = v;
}

void MidiEvent::SetTempo(int microseconds) {
    kind = event_kind::kMeta;
    subtype = meta_type::kTempo;
    channel = kNoChannel;
    value = microseconds;
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(microseconds >> 16),
                                   static_cast<std::uint8_t>(microseconds >> 8),
                                   static_cast<std::uint8_t>(microseconds)};
    SetData(bytes, 3);
}

void MidiEvent::SetNoteOff(int ch, int key) {
    kind = event_kind::kNoteOff;
    channel = ch;
    note = key;
}

int MidiEvent::SetPitchBendValue(int v) {
    int clamped = std::clamp(v, 0, 0x3FFF);
    value = clamped >> 7;
    note = clamped & 0x7F;
    return clamped == v ? 1 : 0;
}

void MidiEvent::SetMasterVolume(int volume) {
    kind = event_kind::kSysEx;
    subtype = sysex_class::kMasterVolume;
    value = volume;
    std::uint8_t block[kMasterVolumeSize];
    MakeMasterVolumeBlock(block, volume);
    SetData(block, kMasterVolumeSize);
}

int MidiEvent::IsSc88ModeText() const {
    return IsSecondPortName(std::string(DataText()));
}

int MidiEvent::IsEqual(const MidiEvent& o) const {
    return kind == o.kind && delta == o.delta && note == o.note && length == o.length &&
                   velocity == o.velocity && subtype == o.subtype && value == o.value &&
                   DataLength() == o.DataLength() && channel == o.channel
               ? 1
               : 0;
}

void MidiEvent::SetFromMobileEvent(const MusicEvent& source, int ch, int drumFlag) {
    if (source.kind == event_kind::kNote) {
        kind = event_kind::kNote;
        delta = source.delta;
        note = FoldNoteIntoMidiRange(source.note);
        velocity = source.velocity;
        length = source.length;
        channel = drumFlag == 1 ? 9 : ch;
        return;
    }
    SetFromMobileMeta(source, ch, drumFlag);
}

void MidiEvent::SetFromMobileMeta(const MusicEvent& source, int ch, int drumFlag) {
    delta = source.delta;
    if (source.kind != event_kind::kMeta) {
        Clear();
        return;
    }
    int code = source.subtype;
    int v = source.value;
    switch (code) {
        case mobile_code::kProgram:
            if (drumFlag == 1) {
                Clear();
                return;
            }
            kind = event_kind::kProgramChange;
            channel = ch;
            value = v;
            return;
        case mobile_code::kVolume:
            SetControlChange(ch, 7, v);
            return;
        case mobile_code::kPan:
            SetControlChange(ch, 10, v);
            return;
        case mobile_code::kTempo:
            SetTempo(v);
            channel = ch;
            return;
        case mobile_code::kPitchBend:
            if (v >= 128 || v < 0) {
                // An MSB past seven bits would turn into a status byte in a file.
                ShowMidiEventError(mdev::kInvalidValue);
                v = std::clamp(v, 0, 127);
            }
            kind = event_kind::kPitchBend;
            channel = ch;
            value = v;
            note = 0;
            return;
        case mobile_code::kStartMasterVolume:
            SetMasterVolume(v);
            return;
        // The controllers a ringtone reader found keep their MIDI numbers.
        case mobile_code::kExpression:
            SetControlChange(ch, 11, std::clamp(v, 0, 127));
            return;
        case mobile_code::kModulation:
        case mobile_code::kModulationWheel:
            SetControlChange(ch, 1, std::clamp(v, 0, 127));
            return;
        case mobile_code::kSustain:
            SetControlChange(ch, 64, std::clamp(v, 0, 127));
            return;
        case mobile_code::kBendRange:
            // The range is a run of registered-parameter controllers that
            // one event cannot hold: the tune keeps the default range.
            Clear();
            return;
        default:
            Clear();
            if (!IsSilentMobileCode(code)) ShowMidiEventError(mdev::kInvalidCommand);
            return;
    }
}
