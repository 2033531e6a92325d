// The event records every tune is held in: MusicEvent (kind, delta time, five
// parameters and an optional zero-padded data block) and MidiEvent, which adds
// the MIDI channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "midi/event_pool.h"

// Event kinds.
namespace event_kind {
constexpr int kCleared = 0;  // dead; removed by the track's next compaction
constexpr int kNote = 16;    // note with length, internal only
constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kPolyPressure = 0xA0;
constexpr int kControlChange = 0xB0;
constexpr int kProgramChange = 0xC0;
constexpr int kChannelPressure = 0xD0;
constexpr int kPitchBend = 0xE0;
constexpr int kSysEx = 0xF0;
constexpr int kEscapedSysEx = 0xF7;
constexpr int kMeta = 0xFF;
}  // namespace event_kind

// Meta event types.
namespace meta_type {
constexpr int kSequenceNumber = 0x00;
constexpr int kText = 0x01;
constexpr int kCopyright = 0x02;
constexpr int kTrackName = 0x03;
constexpr int kInstrumentName = 0x04;
constexpr int kLyric = 0x05;
constexpr int kMarker = 0x06;
constexpr int kCuePoint = 0x07;
constexpr int kDeviceName = 0x09;
constexpr int kChannelPrefix = 0x20;
constexpr int kEndOfTrack = 0x2F;
constexpr int kTempo = 0x51;
constexpr int kSmpteOffset = 0x54;
constexpr int kTimeSignature = 0x58;
constexpr int kKeySignature = 0x59;
constexpr int kSequencerSpecific = 0x7F;
}  // namespace meta_type

// Failures of MusicEvent, tag "MUEV".
namespace muev {
constexpr std::uint32_t kDataTooLarge = 0x06000001;
constexpr std::uint32_t kDataError = 0x06000002;
}  // namespace muev

// Failures of MidiEvent, tag "MDEV".
namespace mdev {
constexpr std::uint32_t kGeneral = 0x00000000;
constexpr std::uint32_t kInternal = 0x1D000001;
constexpr std::uint32_t kInvalidValue = 0x1D000002;
constexpr std::uint32_t kInvalidCommand = 0x1D000003;
}  // namespace mdev

constexpr int kNoChannel = 255;
constexpr int kCentreBend = 8192;
constexpr int kDefaultTempo = 500000;

void ShowMusicEventError(std::uint32_t code);
void ShowMidiEventError(std::uint32_t code);

class MusicEvent {
public:
    // Data blocks this small live inside the record, so the common events
    // (channel messages, tempo, meter, key) need no heap block and a
    // MidiEvent fills one cache line.
    static constexpr int kInlineBlock = 12;
    // Every block has this many zero bytes after the data.
    static constexpr int kBlockPadding = 8;
    // Data longer than this is reported when stored.
    static constexpr int kLargeData = 256;

    MusicEvent() = default;
    explicit MusicEvent(int delta) : delta(delta) {}
    ~MusicEvent() = default;
    MusicEvent(const MusicEvent&) = delete;
    MusicEvent& operator=(const MusicEvent&) = delete;

    std::uint8_t* GetData() { return Block(); }
    const std::uint8_t* GetData() const { return Block(); }
    int DataLength() const { return dataLength_; }
    // Bytes of the block the accessors may touch (data plus padding).
    int BlockSize() const { return blockSize_; }
    // The data as text, up to its first zero byte.
    std::string_view DataText() const;

    // Replaces the block by a copy of n bytes; n <= 0 changes nothing.
    void SetData(const std::uint8_t* bytes, int n) {
        if (n > 0 && bytes && n + kBlockPadding <= kInlineBlock && blockSize_ == 0) {
            // The common case of the file reader: short bytes into a fresh
            // event, kept inside the record.
            std::memset(inline_, 0, sizeof inline_);
            for (int i = 0; i < n; ++i)
                inline_[i] = bytes[i];
            blockSize_ = n + kBlockPadding;
            dataLength_ = n;
            return;
        }
        StoreData(bytes, n);
    }
    // Replaces the block by a zero-filled one of n + 8 bytes keeping what fits.
    // Data cut off by a smaller block no longer counts as data.
    void ReserveData(int n);
    // Stores one byte, growing the block when the position lies past it; an
    // event without a block refuses (MUEV 0x06000002). 1 when stored.
    int SetDataByte(int position, std::uint8_t byte);
    std::uint8_t GetDataByte(int position) const;
    std::uint8_t* GetDataAt(int position);
    // Copies the data to buffer and returns its length (0 without a block).
    int CopyDataTo(std::uint8_t* buffer) const;
    // Frees the block: no data.
    void FreeData();
    // Deep copy of everything but the channel.
    void CopyFrom(const MusicEvent& other);

    static void* operator new(std::size_t size) {
        if (event_pool::kEventsUsePool && size <= event_pool::kSlotSize) {
            return event_pool::Allocate();
        }
        return ::operator new(size);
    }
    static void operator delete(void* p, std::size_t size) {
        if (event_pool::kEventsUsePool && size <= event_pool::kSlotSize) {
            event_pool::Release(p);
        } else {
            ::operator delete(p);
        }
    }

    int kind = 0;
    int delta = 0;
    int note = 0;
    int length = 0;
    int velocity = 0;
    int subtype = 0;
    int value = 0;

private:
    // SetData for every other case.
    void StoreData(const std::uint8_t* bytes, int n);
    // Makes a zero-filled block of size bytes keeping the first `keep` bytes
    // of `source` (which may be the current block). False when memory ran out.
    bool Reblock(int size, const std::uint8_t* source, int keep);
    void ReleaseBlock();
    // The block: none while blockSize_ is 0, else on the heap when one is
    // held there, else inside the record.
    std::uint8_t* Block() { return heap_ ? heap_.get() : blockSize_ > 0 ? inline_ : nullptr; }
    const std::uint8_t* Block() const {
        return heap_ ? heap_.get() : blockSize_ > 0 ? inline_ : nullptr;
    }
    bool HasInlineBlock() const { return blockSize_ > 0 && !heap_; }

    int dataLength_ = 0;
    int blockSize_ = 0;
    std::uint8_t inline_[kInlineBlock];
    std::unique_ptr<std::uint8_t[]> heap_;
};

class MidiEvent : public MusicEvent {
public:
    MidiEvent() = default;
    explicit MidiEvent(int delta) : MusicEvent(delta) {}
    // Deep copies, channel included. A null source gives a fresh event.
    explicit MidiEvent(const MidiEvent* source);
    MidiEvent(const MidiEvent& source);
    MidiEvent& operator=(const MidiEvent&) = delete;

    // Copies channel and everything else; a null source is reported (MDEV 0).
    void Assign(const MidiEvent* source);
    void CopyFrom(const MidiEvent& source);

    void SetControlChange(int channel, int controller, int value);
    void SetTempo(int microseconds);
    void SetNoteOff(int channel, int note);
    void Clear() { kind = event_kind::kCleared; }
    int GetPitchBendValue() const { return value * 128 + note; }
    // Clamps to 0..0x3FFF; 1 when v was in range.
    int SetPitchBendValue(int v);
    void SetMasterVolume(int volume);
    // 1 when the data text names the second port of a 32-channel module.
    int IsSc88ModeText() const;
    // All fields but the data bytes.
    int IsEqual(const MidiEvent& other) const;

    // Builds the event from an event of the ringtone model.
    void SetFromMobileEvent(const MusicEvent& source, int channel, int drumFlag);
    void SetFromMobileMeta(const MusicEvent& source, int channel, int drumFlag);

    bool IsMeta(int type) const { return kind == event_kind::kMeta && subtype == type; }
    bool IsEndOfTrack() const { return IsMeta(meta_type::kEndOfTrack); }
    bool IsNoteOn() const { return kind == event_kind::kNoteOn && velocity > 0; }
    bool IsNoteOff() const {
        return kind == event_kind::kNoteOff || (kind == event_kind::kNoteOn && velocity == 0);
    }
    bool IsNoteWithLength() const { return kind == event_kind::kNote; }
    // A note start in either note mode.
    bool IsNoteStart() const { return IsNoteWithLength() || IsNoteOn(); }
    bool IsSysEx() const { return kind == event_kind::kSysEx; }
    // Channel messages 0x80..0xE0.
    bool IsChannelMessage() const { return kind >= 0x80 && kind <= 0xE0 && (kind & 0x0F) == 0; }

    int channel = kNoChannel;
};
