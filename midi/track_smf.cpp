// The "MTrk" chunk of a Standard MIDI File: the reader that turns a chunk
// into events and the writer that turns events back into a chunk. Every read
// is bounded by the chunk held in the track's block; every write by the block.
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "core/byte_cursor.h"
#include "core/reporters.h"
#include "midi/f0_data.h"
#include "midi/track_data.h"

namespace {

constexpr int kHeaderSize = 8;
// Chunk bytes per event in a typical file (a note-on and its note-off take
// about eight), for sizing the arrays before a chunk is read.
constexpr int kBytesPerEvent = 6;

bool IsChunkId(const std::uint8_t* p) {
    return std::memcmp(p, "MTrk", 4) == 0 || std::memcmp(p, "XFKM", 4) == 0 ||
           std::memcmp(p, "XFIH", 4) == 0;
}

bool IsStatusByte(int b) {
    return (b >= 0x80 && b <= 0xEF) || b == 0xF0 || b == 0xF7 || b == 0xFF;
}

// Data bytes of a channel message by its kind.
int ChannelDataBytes(int kind) {
    return kind == event_kind::kProgramChange || kind == event_kind::kChannelPressure ? 1 : 2;
}

// Size of the fixed-size meta types; -1 for the counted ones.
int FixedMetaSize(int type) {
    switch (type) {
        case meta_type::kSequenceNumber:
            return 2;
        case meta_type::kChannelPrefix:
            return 1;
        case meta_type::kEndOfTrack:
            return 0;
        case meta_type::kTempo:
            return 3;
        case meta_type::kSmpteOffset:
            return 5;
        case meta_type::kTimeSignature:
            return 4;
        case meta_type::kKeySignature:
            return 2;
        default:
            return -1;
    }
}

bool IsTextMeta(int type) {
    return (type >= meta_type::kText && type <= meta_type::kCuePoint) ||
           type == meta_type::kSequencerSpecific;
}

// Notes with length made while a chunk is read: each note-on becomes a note
// (kind 16) and each note-off closes the oldest open note of its channel and
// key, the way MidiTrackData::ConvertToNoteLength pairs them, without making
// a record for the note-off. Deltas come from absolute times, so a note-off's
// time passes on to the next event kept. While a note is open, its record
// holds what pairing needs, so nothing grows per event: its length and
// subtype fields the low and high halves of its start time, and its value
// field the next open note of its key (notes use neither subtype nor value;
// both are 0 again once the note is closed).
class NotePairing {
public:
    // keepZeroLength keeps the notes closed at their start, with length 0.
    explicit NotePairing(bool keepZeroLength) : keepZeroLength_(keepZeroLength) {}

    // Takes the event read at time now; false when it was not stored.
    bool Take(MidiTrackData& track, std::unique_ptr<MidiEvent> event, long long now) {
        if (event->kind == event_kind::kNoteOff) {
            Close(track, event->channel, event->note, now);
            return true;
        }
        // A meta read over (an unknown type): the conversion would remove it.
        if (event->kind == event_kind::kCleared) return true;
        event->delta = static_cast<int>(now - kept_);
        const bool note = event->kind == event_kind::kNoteOn;
        if (note) {
            event->kind = event_kind::kNote;
            SetStart(*event, now);
            event->value = kNone;
        }
        const int slot = note ? Slot(*event) : -1;
        const int index = track.AppendEvent(std::move(event));
        if (index < 0) return false;
        kept_ = now;
        if (slot >= 0) {
            const auto s = static_cast<std::size_t>(slot);
            if (tail_[s] == kNone) {
                head_[s] = index + 1;
            } else {
                track.Event(tail_[s] - 1)->value = index + 1;
            }
            tail_[s] = index + 1;
            ++open_;
        }
        return true;
    }

    // A note-off of a channel and key at time now closes the oldest open
    // note of that key.
    void Close(MidiTrackData& track, int channel, int key, long long now) {
        if (!SoundingTable::Valid(channel, key)) return;
        const auto slot = static_cast<std::size_t>(channel * 128 + key);
        if (head_[slot] == kNone) return;
        const int on = head_[slot] - 1;
        MidiEvent* note = track.Event(on);
        head_[slot] = note->value;
        if (head_[slot] == kNone) tail_[slot] = kNone;
        --open_;
        const long long length = now - Start(*note);
        note->value = 0;
        note->subtype = 0;
        note->length = static_cast<int>(length);
        if (length == 0 && !keepZeroLength_) empty_.push_back(on);
    }

    // Drops the notes left open and, unless they are kept, those of no
    // length, as the conversion to notes with length drops them.
    void DropEmptyNotes(MidiTrackData& track) {
        for (std::size_t slot = 0; open_ > 0 && slot < head_.size(); ++slot) {
            for (int on = head_[slot]; on != kNone; on = track.Event(on - 1)->value) {
                empty_.push_back(on - 1);
                --open_;
            }
        }
        if (empty_.empty()) return;
        for (int on : empty_)
            track.Event(on)->Clear();
        track.RemoveClearedEvents();
    }

    // Time of the last event kept.
    long long Kept() const { return kept_; }

private:
    static void SetStart(MidiEvent& note, long long time) {
        const auto bits = static_cast<std::uint64_t>(time);
        note.length = static_cast<int>(static_cast<std::uint32_t>(bits));
        note.subtype = static_cast<int>(static_cast<std::uint32_t>(bits >> 32));
    }
    static long long Start(const MidiEvent& note) {
        const std::uint64_t high = static_cast<std::uint32_t>(note.subtype);
        return static_cast<long long>(high << 32 | static_cast<std::uint32_t>(note.length));
    }

    static int Slot(const MidiEvent& e) {
        return SoundingTable::Valid(e.channel, e.note) ? e.channel * 128 + e.note : -1;
    }

    // Open notes are linked first in, first out per channel and key, by
    // event index + 1 (0 ends a list).
    static constexpr int kNone = 0;
    std::array<int, 16 * 128> head_{};
    std::array<int, 16 * 128> tail_{};
    std::vector<int> empty_;  // notes closed at their start
    long long open_ = 0;      // notes not yet closed
    long long kept_ = 0;
    bool keepZeroLength_ = false;
};

// One pass over the chunk held in a track's block, read through a bounded
// cursor. Readers return false when the event could not be read (after
// reporting it); the pass then stops.
class ChunkReader {
public:
    ChunkReader(std::span<const std::uint8_t> chunk, SmfReadState* state)
        : cursor_(chunk), state_(state) {}

    // 1 when the chunk was read to its end. With pairing, notes are stored
    // with their lengths and note-offs are not stored.
    int Run(MidiTrackData& track, NotePairing* pairing) {
        if (!cursor_.Skip(kHeaderSize)) return 1;
        pairing_ = pairing;
        while (!cursor_.AtEnd()) {
            if (track.IsFull()) {
                MidiTrackData::ShowError(mdtk::kLargeData);
                return 0;
            }
            if (!ReadNextEvent(track)) return 0;
        }
        return 1;
    }

    // Absolute time of the last event read, and whether it was an End of
    // Track.
    long long Now() const { return now_; }
    bool EndedInEndOfTrack() const { return lastWasEnd_; }

private:
    bool ReadNextEvent(MidiTrackData& track) {
        std::uint32_t delta = 0;
        // The delta must be followed by at least the event's first byte.
        if (!ReadDelta(delta) || cursor_.AtEnd()) {
            MidiTrackData::ShowError(mdtk::kInternal);
            return false;
        }
        if (pairing_ && ReadNote(track, delta)) return true;
        auto event = std::make_unique<MidiEvent>(static_cast<int>(delta));
        if (!ReadEvent(*event)) return false;
        now_ += delta;
        lastWasEnd_ = event->IsEndOfTrack();
        if (pairing_) {
            pairing_->Take(track, std::move(event), now_);
        } else {
            track.AppendEvent(std::move(event));
        }
        return true;
    }

    bool ReadDelta(std::uint32_t& delta) {
        // Most deltas are a single byte.
        const auto first = cursor_.Peek();
        if (first && *first < 0x80) {
            delta = *first;
            return cursor_.Skip(1);
        }
        return cursor_.ReadVarLen(delta);
    }

    // While pairing, note messages, the bulk of most files, are read here
    // with the same running status and repairs as DecodeEvent: a note-off
    // only closes its note, without making an event, and a note-on makes
    // its note straight away. false (and nothing read) when the bytes are
    // not a whole note message.
    bool ReadNote(MidiTrackData& track, std::uint32_t delta) {
        const int b = cursor_.Peek().value_or(0);
        const bool explicitStatus = IsStatusByte(b);
        const int status = explicitStatus ? b : state_->runningStatus;
        const int kind = status & 0xF0;
        if (kind != event_kind::kNoteOff && kind != event_kind::kNoteOn) return false;
        const std::size_t start = explicitStatus ? 1 : 0;
        const auto message = cursor_.Take(start + 2);
        if (message.empty()) return false;
        int key = message[start];
        const int velocity = message[start + 1];
        if (explicitStatus) state_->runningStatus = status;
        now_ += delta;
        lastWasEnd_ = false;
        if (kind == event_kind::kNoteOn && velocity != 0 && key < 128) {
            auto event = std::make_unique<MidiEvent>(static_cast<int>(delta));
            event->kind = event_kind::kNoteOn;
            event->channel = status & 0x0F;
            event->note = key;
            event->velocity = velocity;
            const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(status),
                                           static_cast<std::uint8_t>(key),
                                           static_cast<std::uint8_t>(velocity)};
            event->SetData(bytes, 3);
            pairing_->Take(track, std::move(event), now_);
            return true;
        }
        if (key >= 128) {
            MidiTrackData::ShowWarningOnce(mdtk::kNoteRepaired);
            key = 0;
        }
        pairing_->Close(track, status & 0x0F, key, now_);
        return true;
    }

    bool ReadEvent(MidiEvent& event) {
        const int b = cursor_.Peek().value_or(0);
        if (IsStatusByte(b)) {
            if (b != event_kind::kMeta) state_->runningStatus = b;
            return DecodeEvent(event, b, false);
        }
        // Running status: the byte is the first data byte of a message with
        // the last status read. Only channel messages can run on.
        const int status = state_->runningStatus;
        reported_ = false;
        const bool read = status >= 0x80 && status <= 0xEF && DecodeEvent(event, status, true);
        if (!read && !reported_) MidiTrackData::ShowError(mdtk::kUndefinedEvent);
        return read;
    }

    // Decodes one event by its status; running says the status byte is not
    // in the chunk.
    bool DecodeEvent(MidiEvent& event, int status, bool running) {
        if (status == event_kind::kMeta) return DecodeMetaEvent(event);
        if (status == event_kind::kSysEx) return DecodeCounted(event, event_kind::kSysEx);
        if (status == event_kind::kEscapedSysEx) {
            return DecodeCounted(event, event_kind::kEscapedSysEx);
        }
        const int kind = status & 0xF0;
        const int count = ChannelDataBytes(kind);
        const std::size_t start = running ? 0 : 1;
        if (!cursor_.Has(start + static_cast<std::size_t>(count))) return Truncated();
        const std::uint8_t first = cursor_.Peek(start).value_or(0);
        const std::uint8_t second = count > 1 ? cursor_.Peek(start + 1).value_or(0) : 0;
        // A data byte must not look like a status: the message is cut.
        if (first >= 0x80 && kind != event_kind::kNoteOn && kind != event_kind::kNoteOff &&
            kind != event_kind::kProgramChange) {
            return Undefined();
        }
        cursor_.Skip(start + static_cast<std::size_t>(count));
        event.kind = kind;
        event.channel = status & 0x0F;
        SetChannelFields(event, kind, first, second);
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(status), first, second};
        event.SetData(bytes, 1 + count);
        return true;
    }

    static void SetChannelFields(MidiEvent& event, int kind, int first, int second) {
        switch (kind) {
            case event_kind::kNoteOff:
            case event_kind::kNoteOn:
                event.note = first;
                event.velocity = second;
                if (event.note >= 128) {
                    MidiTrackData::ShowWarningOnce(mdtk::kNoteRepaired);
                    event.note = 0;
                    event.velocity = 0;
                }
                if (kind == event_kind::kNoteOn && event.velocity == 0) {
                    event.kind = event_kind::kNoteOff;
                }
                break;
            case event_kind::kPolyPressure:
            case event_kind::kPitchBend:
                event.note = first;
                event.value = second;
                break;
            case event_kind::kControlChange:
                event.subtype = first;
                event.value = second;
                break;
            case event_kind::kProgramChange:
                event.value = first;
                if (event.value >= 128) {
                    MidiTrackData::ShowError(mdtk::kWrongProgram);
                    event.value = 0;
                }
                break;
            default:  // channel pressure
                event.value = first;
                break;
        }
    }

    // F0 or F7, its length count, the counted bytes: a system-exclusive
    // message, or a continuation packet of a divided message or bytes sent
    // as they are (F7). The event keeps the bytes as the file has them: a
    // divided message (no F7 at its end, continued by F7 packets) stays as
    // it is, and so does a count whose first byte happens to be F7. Only a
    // whole message is classified.
    bool DecodeCounted(MidiEvent& event, int kind) {
        const auto bytes = CountedBytes();
        if (bytes.empty()) return Truncated();
        event.kind = kind;
        event.SetData(bytes.data(), static_cast<int>(bytes.size()));
        if (kind == event_kind::kSysEx && bytes.back() == 0xF7) {
            MidiTrackData::ClassifySysEx(&event);
        }
        WarnIfLarge(event);
        return true;
    }

    // The bytes of an event made of a status byte, a length count and the
    // bytes counted, read whole; nothing (and nothing read) when the count or
    // the bytes run past the chunk.
    std::span<const std::uint8_t> CountedBytes() {
        const auto rest = cursor_.Rest();
        ByteCursor counted(rest);
        std::uint32_t count = 0;
        if (!counted.Skip(1) || !counted.ReadVarLen(count) || !counted.Skip(count)) return {};
        return cursor_.Take(counted.Offset());
    }

    bool DecodeMetaEvent(MidiEvent& event) {
        const auto rest = cursor_.Rest();
        ByteCursor meta(rest);
        std::uint8_t type = 0;
        std::uint32_t count = 0;
        if (!meta.Skip(1) || !meta.ReadByte(type) || !meta.ReadVarLen(count) || !meta.Has(count)) {
            return Truncated();
        }
        const auto data = meta.Take(count);
        cursor_.Skip(meta.Offset());
        event.kind = event_kind::kMeta;
        event.subtype = type;
        if (FixedMetaSize(type) >= 0) {
            DecodeFixedMeta(event, data);
        } else {
            DecodeMetaData(event, data);
        }
        return true;
    }

    // The fixed-size types take their standard size whatever the length
    // byte says; missing bytes read as 0.
    static void DecodeFixedMeta(MidiEvent& event, std::span<const std::uint8_t> data) {
        const int size = FixedMetaSize(event.subtype);
        std::uint8_t bytes[5] = {};
        std::copy_n(data.begin(),
                    std::min<std::size_t>(static_cast<std::size_t>(size), data.size()), bytes);
        static constexpr std::uint8_t kZeros[5] = {};
        switch (event.subtype) {
            case meta_type::kEndOfTrack:
                break;
            case meta_type::kTempo:
                event.value = bytes[0] << 16 | bytes[1] << 8 | bytes[2];
                if (event.value == 0) {
                    MidiTrackData::ShowError(mdtk::kWrongTempo);
                    event.value = kDefaultTempo;
                }
                event.SetData(kZeros, size);
                break;
            case meta_type::kTimeSignature:
                event.value = MidiTrackData::MakeTimeSignatureCode(bytes[0], bytes[1]);
                if (bytes[0] == 0 || bytes[1] == 0) {
                    MidiTrackData::ShowError(mdtk::kTimeSignError);
                    event.value = 4 * 256 + 4;
                    static constexpr std::uint8_t kFourFour[4] = {4, 2, 24, 8};
                    std::memcpy(bytes, kFourFour, 4);
                }
                event.SetData(bytes, size);
                break;
            case meta_type::kKeySignature:
                event.SetData(bytes, size);
                break;
            default:  // sequence number, channel prefix, SMPTE offset
                event.SetData(kZeros, size);
                break;
        }
    }

    // The counted types: texts keep their bytes (an empty one becomes a
    // single zero byte); unknown types are read over and cleared.
    static void DecodeMetaData(MidiEvent& event, std::span<const std::uint8_t> data) {
        int type = event.subtype;
        if (type == meta_type::kDeviceName) type = meta_type::kInstrumentName;
        if (!IsTextMeta(type)) {
            event.Clear();
            return;
        }
        event.subtype = type;
        static constexpr std::uint8_t kZero[1] = {0};
        if (data.empty()) {
            event.SetData(kZero, 1);
        } else {
            event.SetData(data.data(), static_cast<int>(data.size()));
        }
        WarnIfLarge(event);
    }

    static void WarnIfLarge(const MidiEvent& event) {
        if (event.DataLength() >= MusicEvent::kLargeData && event.subtype != 127) {
            MidiTrackData::ShowWarningOnce(mdtk::kLargeEvent);
        }
    }

    bool Truncated() {
        MidiTrackData::ShowError(mdtk::kInternal);
        reported_ = true;
        return false;
    }

    bool Undefined() {
        MidiTrackData::ShowError(mdtk::kUndefinedEvent);
        reported_ = true;
        return false;
    }

    ByteCursor cursor_;
    SmfReadState* state_;
    bool reported_ = false;
    NotePairing* pairing_ = nullptr;
    long long now_ = 0;
    bool lastWasEnd_ = false;
};

// A system-exclusive event or packet: its status byte, a length count and
// the bytes counted. A block whose count tells the bytes after it is written
// as it stands; any other block is written with the count of the bytes after
// its count (after its status byte when no count can be read there), so the
// count written always matches the bytes written.
int EncodeCounted(const MidiEvent& e, std::uint8_t* out) {
    const std::uint8_t* d = e.GetData();
    const int n = e.DataLength();
    if (n < 2 || !d || d[0] != e.kind) return 0;
    std::uint32_t count = 0;
    const int used = ReadVarLen(d + 1, static_cast<std::size_t>(n - 1), &count);
    if (used > 0 && count == static_cast<std::uint32_t>(n - 1 - used)) {
        if (out) std::memcpy(out, d, static_cast<std::size_t>(n));
        return n;
    }
    const std::uint8_t* message = d + 1 + used;
    const int size = n - 1 - used;
    std::uint8_t head[5] = {d[0]};
    const int counted = WriteVarLen(static_cast<std::uint32_t>(size), head + 1);
    if (counted == 0) return 0;
    if (out) {
        std::memcpy(out, head, static_cast<std::size_t>(1 + counted));
        std::memcpy(out + 1 + counted, message, static_cast<std::size_t>(size));
    }
    return 1 + counted + size;
}

// Writes (out non-null) or counts the bytes of an event as written; 0 for an
// event that is not written.
int Encode(const MidiEvent& e, std::uint8_t* out) {
    std::uint8_t scratch[8];
    std::uint8_t* b = out ? out : scratch;
    auto data = [](int v) { return static_cast<std::uint8_t>(v & 0x7F); };
    if (e.IsChannelMessage()) {
        if (e.channel < 0 || e.channel > 15) return 0;
        b[0] = static_cast<std::uint8_t>(e.kind | e.channel);
        switch (e.kind) {
            case event_kind::kNoteOff:
                b[1] = data(e.note);
                b[2] = 0x40;
                return 3;
            case event_kind::kNoteOn:
                b[1] = data(e.note);
                b[2] = data(e.velocity);
                return 3;
            case event_kind::kPolyPressure:
                b[1] = data(e.note);
                b[2] = data(e.value);
                return 3;
            case event_kind::kControlChange:
                b[1] = data(e.subtype);
                b[2] = data(e.value);
                return 3;
            case event_kind::kProgramChange:
            case event_kind::kChannelPressure:
                b[1] = data(e.value);
                return 2;
            default:  // pitch bend
                b[1] = data(e.note);
                b[2] = data(e.value);
                return 3;
        }
    }
    if (e.kind == event_kind::kSysEx || e.kind == event_kind::kEscapedSysEx) {
        return EncodeCounted(e, out);
    }
    if (e.kind != event_kind::kMeta || e.subtype < 0 || e.subtype > 0x7F) return 0;
    // Meta: FF, type, the length as a variable-length number, the data.
    std::uint8_t fixed[4];
    const std::uint8_t* bytes = e.GetData();
    int n = e.DataLength();
    if (e.IsEndOfTrack()) {
        n = 0;
    } else if (e.subtype == meta_type::kTempo) {
        fixed[0] = static_cast<std::uint8_t>(e.value >> 16);
        fixed[1] = static_cast<std::uint8_t>(e.value >> 8);
        fixed[2] = static_cast<std::uint8_t>(e.value);
        bytes = fixed;
        n = 3;
    } else if (e.subtype == meta_type::kTimeSignature && n < 4) {
        int length = 0;
        TimeSignatureBytes(e.value, fixed, &length);
        bytes = fixed;
        n = 4;
    } else if (e.subtype == meta_type::kTimeSignature) {
        n = 4;
    }
    std::uint8_t count[4];
    int used = WriteVarLen(static_cast<std::uint32_t>(n), count);
    if (out) {
        out[0] = 0xFF;
        out[1] = static_cast<std::uint8_t>(e.subtype);
        std::memcpy(out + 2, count, static_cast<std::size_t>(used));
        if (n > 0) std::memcpy(out + 2 + used, bytes, static_cast<std::size_t>(n));
    }
    return 2 + used + n;
}

}  // namespace

std::size_t MidiTrackData::FindTrackChunk(std::size_t imageLength, std::size_t offset,
                                          const std::uint8_t* image) {
    // Every step passes at least one chunk head, so the walk ends.
    while (image && offset <= imageLength && imageLength - offset >= kHeaderSize &&
           !IsChunkId(image + offset)) {
        const std::uint64_t size =
            kHeaderSize + static_cast<std::uint64_t>(ReadBigEndian32(image + offset + 4));
        if (size > imageLength - offset) break;
        offset += static_cast<std::size_t>(size);
    }
    return offset;
}

MidiTrackData::MidiTrackData(std::size_t imageLength, std::size_t chunkOffset,
                             const std::uint8_t* image, std::size_t capacity, SmfReadState* state)
    : MidiTrackData(static_cast<int>(std::min<std::size_t>(capacity, INT_MAX))) {
    ShowWarningOnce(0);
    noteMode_ = note_mode::kNoteOnOff;  // what a refused chunk leaves: an empty track
    if (!image || chunkOffset > imageLength || imageLength - chunkOffset < kHeaderSize) {
        ShowError(mdtk::kInternal);
        return;
    }
    const std::uint8_t* chunk = image + chunkOffset;
    if (!IsChunkId(chunk)) {
        ShowError(mdtk::kNotMidiFile);
        return;
    }
    const std::uint64_t size = kHeaderSize + static_cast<std::uint64_t>(ReadBigEndian32(chunk + 4));
    if (size > imageLength - chunkOffset || size > static_cast<std::uint64_t>(capacity_) ||
        !HoldCopy(chunk, static_cast<int>(size))) {
        ShowError(mdtk::kInternal);
        return;
    }
    noteMode_ = note_mode::kImage;
    SmfReadState fresh;
    ParseTrackChunk(state ? state : &fresh);
}

int MidiTrackData::ParseTrackChunk(SmfReadState* state) {
    if (noteMode_ != note_mode::kImage || length_ < kHeaderSize || !Data()) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    SmfReadState fresh;
    if (!state) state = &fresh;
    ChunkReader reader({Data(), static_cast<std::size_t>(length_)}, state);
    // Room for the events a chunk of this size usually holds, so that the
    // arrays rarely grow while it is read.
    const int expected = std::min(maxEvents_, length_ / kBytesPerEvent);
    Reserve(expected);
    std::unique_ptr<NotePairing> pairing;
    if (state->notesWithLength) pairing = std::make_unique<NotePairing>(state->keepZeroLengthNotes);
    int result = reader.Run(*this, pairing.get());
    noteMode_ = note_mode::kNoteOnOff;
    // A track read from a file always ends in an End of Track, so that it
    // can be written back: a chunk without one (or cut short) gets one at
    // the time of its last event.
    if (!reader.EndedInEndOfTrack() || !LastEvent()) {
        const long long kept = pairing ? pairing->Kept() : reader.Now();
        auto end = std::make_unique<MidiEvent>(static_cast<int>(reader.Now() - kept));
        end->kind = event_kind::kMeta;
        end->subtype = meta_type::kEndOfTrack;
        AppendEvent(std::move(end));
    }
    if (pairing) {
        pairing->DropEmptyNotes(*this);
        noteMode_ = note_mode::kLength;
    }
    return result;
}

int MidiTrackData::MakeTimeSignatureCode(int numerator, int power) {
    return numerator * 256 + (power >= 0 && power < 16 ? 1 << power : 0);
}

int MidiTrackData::EncodedSize(const MidiEvent& event) {
    return Encode(event, nullptr);
}

int MidiTrackData::WriteDeltaTime(const MidiEvent& event, std::uint8_t* buffer) {
    return WriteVarLen(static_cast<std::uint32_t>(std::max(event.delta, 0)), buffer);
}

int MidiTrackData::EncodeEvent(MidiEvent* event, std::uint8_t* buffer) {
    if (!event) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    if (event->IsChannelMessage() && (event->channel < 0 || event->channel > 15)) {
        ShowError(mdtk::kWrongChannel);
        return 0;
    }
    if ((event->kind == event_kind::kNoteOn || event->kind == event_kind::kNoteOff) &&
        (event->note < 0 || event->note > 127)) {
        event->note = 0;
    }
    int n = Encode(*event, buffer);
    if (n == 0) {
        ShowError(mdtk::kUndefinedEvent);
        return 0;
    }
    if (event->kind == event_kind::kMeta && event->subtype != meta_type::kSequencerSpecific &&
        event->DataLength() > 128) {
        ShowWarningOnce(mdtk::kLargeEvent);
    }
    return n;
}

int MidiTrackData::WriteTrackChunk(const char* id) {
    const MidiEvent* last = LastEvent();
    if (noteMode_ != note_mode::kNoteOnOff || !id || std::strlen(id) != 4 ||
        capacity_ < kHeaderSize) {
        ShowError(mdtk::kInternal);
        return -1;
    }
    if (!last || !last->IsEndOfTrack()) {
        MidiF0Data::ShowError(m0dt::kEndOfTrack);
        return -1;
    }
    // The block grows with the chunk, up to the capacity, where writing
    // stops; it starts at a usual size for the track.
    const long long usual = kHeaderSize + 4LL * eventCount_ + 64;
    if (!EnsureBlock(static_cast<int>(std::min<long long>(usual, capacity_)))) {
        ShowError(mdtk::kCannotAdd);
        return -1;
    }
    std::uint8_t* block = Data();
    const auto capacity = static_cast<std::size_t>(capacity_);
    std::size_t position = kHeaderSize;
    long long carried = 0;  // deltas of events that are not written
    int whole = 1;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        const long long delta = std::max(e->delta, 0) + carried;
        const int size = EncodedSize(*e);
        if (size == 0) {
            EncodeEvent(e, nullptr);  // reports why the event is not written
            carried = delta;
            continue;
        }
        if (delta > static_cast<long long>(kMaxVarLen)) {
            // No file can hold this delta: the track is not written.
            ShowError(mdtk::kInvalidMusic);
            length_ = 0;
            return -1;
        }
        std::uint8_t deltaBytes[4];
        const int used = WriteVarLen(static_cast<std::uint32_t>(delta), deltaBytes);
        const std::size_t end = position + static_cast<std::size_t>(used + size);
        if (end > block_.capacity()) {
            const std::size_t grown = std::min(capacity, std::max(end, 2 * block_.capacity()));
            if (end > capacity || !EnsureBlock(static_cast<int>(grown))) {
                ShowError(mdtk::kCannotAdd);
                whole = 0;
                break;
            }
            block = Data();
        }
        std::memcpy(block + position, deltaBytes, static_cast<std::size_t>(used));
        position += static_cast<std::size_t>(used);
        position += static_cast<std::size_t>(EncodeEvent(e, block + position));
        carried = 0;
    }
    std::memcpy(block, id, 4);
    WriteBigEndian32(block + 4, static_cast<std::uint32_t>(position - kHeaderSize));
    length_ = static_cast<int>(position);
    noteMode_ = note_mode::kImage;
    return whole;
}
