// Reading "trac" chunks: the four-channel tracks and the PMD stream.
#include <algorithm>
#include <optional>
#include <vector>

#include "convert/ringtone/mfi_track.h"
#include "core/byte_cursor.h"

// Declared by the MFi file class; the PMD stream reports through it.
extern const ReporterWords kMfiDataFindings;

namespace {

constexpr std::size_t kChunkHead = 8;
constexpr std::size_t kUnit = 4;
constexpr std::size_t kShortNote = 3;
constexpr std::size_t kLongHead = 5;        // delta, FF, FF, 2-byte length
constexpr std::size_t kExclusiveUnit = 46;  // delta, FF, F0 and 43 bytes
constexpr int kTempoMinute = 60000000;
constexpr int kDrumChannel = 9;
// The longest gate a note byte holds.
constexpr int kMaxGate = 255;
constexpr int kTimeBases[16] = {6, 12, 24, 48, 96, 192, 384, 0, 15, 30, 60, 120, 240, 480, 960, 0};

// Octave shift of a note's third byte.
int ShiftOf(int third) {
    static constexpr int kShift[4] = {0, 1, -2, -1};
    return kShift[third & 3];
}

// An unknown event of the PMD stream is the MFi file class's error.
constexpr std::uint32_t kUnknownInMfi = 0x20000006;

// A drum note of the PMD and type-255 forms; -1 for a code none maps.
int MappedDrum(int code, int third) {
    if ((third & 3) == 3 && code >= 2 && code <= 11) return code + 33;
    if ((third & 3) == 0 && code <= 36) return code + 45;
    return -1;
}

// Checks the chunk head and its length against the bytes; its event area,
// or nothing (with the message) when the head or the events run past them.
std::optional<std::span<const std::uint8_t>> ChunkEvents(std::span<const std::uint8_t> bytes, ReadLog& log,
                                                         std::size_t origin) {
    ByteCursor head(bytes);
    if (!head.Matches("trac")) log.AddOnce(kMfiTrackFindings, mftk::kTrackId, origin);
    std::uint32_t length = 0;
    if (!head.Skip(4) || !head.ReadBe32(length) || length > head.Left()) {
        log.AddOnce(kMfiTrackFindings, mftk::kDataInvalid, origin);
        return std::nullopt;
    }
    return head.Take(length);
}

// One reader's log: positions are where the unit being read starts. Each
// kind of finding is told once per file, however many events show it.
class UnitLog {
public:
    UnitLog(ReadLog& log, std::size_t origin) : log_(log), origin_(origin) {}
    void Error(std::uint32_t code) { Add(kMfiTrackFindings, code); }
    void Add(const ReporterWords& words, std::uint32_t code) {
        log_.AddOnce(words, code, origin_ + unitAt_);
    }
    // A drum code none maps: the warning, and drum 35.
    int DrumOrWarn(int code, int third) {
        const int drum = MappedDrum(code, third);
        if (drum >= 0) return drum;
        Add(kMfiTrackWarningFindings, mftk::kInternal);
        return 35;
    }
    void At(std::size_t unitAt) { unitAt_ = unitAt; }

private:
    ReadLog& log_;
    std::size_t origin_;
    std::size_t unitAt_ = 0;
};

std::unique_ptr<MidiEvent> NewEvent(int delta, int channel, int subtype, int value) {
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = subtype < 0 ? mobile_kind::kCleared : mobile_kind::kControl;
    e->subtype = std::max(subtype, 0);
    e->value = value;
    e->channel = channel;
    return e;
}

}  // namespace

// One pass over a four-channel chunk.
class MFiTrackReader {
public:
    MFiTrackReader(MFiTrack& track, std::span<const std::uint8_t> events, UnitLog log)
        : t_(track), in_(events), log_(log) {}

    void Run() {
        // Every unit advances by at least three bytes.
        while (!in_.AtEnd()) {
            log_.At(in_.Offset());
            const std::size_t size = UnitSize();
            if (size == 0 || !in_.Has(size)) {
                log_.Error(mftk::kDataInvalid);
                break;
            }
            unit_ = in_.Take(size);
            pending_ += At(0);
            if (At(1) != 0xFF) {
                ReadNote();
            } else {
                ReadExtension();
            }
        }
    }

private:
    // Byte k of the unit being read; its size covers every k asked for.
    int At(std::size_t k) const { return unit_[k]; }

    std::size_t UnitSize() const {
        const auto second = in_.Peek(1);
        if (!second) return 0;
        if (*second != 0xFF) return mfi_voice::IsTwoByteNote(t_.voiceType_) ? kShortNote : kUnit;
        const auto third = in_.Peek(2);
        if (!third) return 0;
        if (*third == 0xFF) {
            const auto high = in_.Peek(3);
            const auto low = in_.Peek(4);
            if (!high || !low) return 0;
            return kLongHead + static_cast<std::size_t>(*high * 256 + *low);
        }
        return *third == 0xF0 ? kExclusiveUnit : kUnit;
    }

    void Add(std::unique_ptr<MidiEvent> e) {
        e->delta = pending_;
        pending_ = 0;
        t_.track_->Append(std::move(e));
    }
    void Control(int channel, int subtype, int value) { Add(NewEvent(0, channel, subtype, value)); }
    void Empty() { Add(NewEvent(0, kNoChannel, -1, 0)); }

    void ReadNote() {
        const int type = t_.voiceType_;
        const int slot = At(1) / 64;
        const int code = At(1) % 64;
        const int gate = At(2);
        const int kind = t_.SlotKind(slot);
        int note = 0;
        int velocity = 100;
        if (mfi_voice::IsTwoByteNote(type)) {
            note = code + 45;
            if (kind == MFiTrack::kKindDrum) note = code + 35;
        } else if (type == mfi_voice::kMelo4 || type == mfi_voice::kMelo5 || type == mfi_voice::kCmid ||
                   mfi_voice::IsMulti(type) || mfi_voice::IsPmd(type)) {
            const int third = At(3);
            velocity = (third / 4) * 2;
            if (kind == MFiTrack::kKindMelodic) {
                note = code + 45 + 12 * ShiftOf(third);
            } else if (kind == MFiTrack::kKindDrum) {
                note = type == mfi_voice::kCmid ? log_.DrumOrWarn(code, third) : code + 35;
            } else {
                log_.Error(mftk::kChannelType);
                note = code + 45;
            }
        } else {
            log_.Error(mftk::kMfiType);
        }
        auto e = std::make_unique<MidiEvent>(0);
        e->kind = mobile_kind::kNote;
        e->channel = slot;
        e->note = note;
        e->length = gate;
        e->velocity = velocity;
        Add(std::move(e));
    }

    void ReadExtension() {
        const int status = At(2);
        if (status == 0xFF) return ReadLongForm();
        if (status == 0xF0) return Empty();
        const int data = At(3);
        const int slot = data / 64;
        if (status >= 0xC0 && status <= 0xCF) return ReadTempo(status, data);
        switch (status) {
            case 0xB0: return Control(kNoChannel, mobile_code::kStartMasterVolume, data);
            case 0xB1: log_.Error(mftk::kUnknownEvent); return Empty();
            case 0xBA: return ReadKind(data);
            case 0xD1: return;
            case 0xD0: case 0xDC: case 0xDD: case 0xDE: case 0xDF:
            case 0xE8: case 0xE9: case 0xEA: return Empty();
            case 0xE0:
                return Control(slot, mobile_code::kProgram, bank_[static_cast<std::size_t>(slot)] * 64 + data % 64);
            case 0xE1: bank_[static_cast<std::size_t>(slot)] = data & 1; return Empty();
            case 0xE2: return Control(slot, mobile_code::kVolume, (data % 64) * 2);
            case 0xE3: return Control(slot, mobile_code::kPan, (data % 64) * 2);
            case 0xE4: return Control(slot, mobile_code::kPitchBend, (data % 64) * 2);
            case 0xE5:
                if (data % 16 == kDrumChannel) {
                    t_.SetSlotKind(slot, MFiTrack::kKindDrum);
                    return Control(slot, mobile_code::kKind, 1);
                }
                log_.Error(mftk::kDrumSetting);
                return Control(slot, mobile_code::kKind, 0);
            case 0xE6: log_.Error(mftk::kDataInvalid); return Empty();
            case 0xE7: return Control(slot, mfi_code::kFormat71, data % 64);
            case 0xF1: log_.Error(mftk::kVibrato); return Empty();
            default: log_.Error(mftk::kInvalidEvent); return Empty();
        }
    }

    void ReadTempo(int status, int data) {
        const int base = kTimeBases[status - 0xC0];
        // A data byte of 0 would divide by zero: out of range as C7 and CF.
        if (base == 0 || data == 0) {
            log_.Error(mftk::kTempoRange);
            return Empty();
        }
        t_.timeBase_ = base;
        Control(kNoChannel, mobile_code::kTempo, kTempoMinute / data);
    }

    void ReadKind(int data) {
        const int channel = data / 8;
        if (channel > 15) {
            log_.Error(mftk::kInvalidData);
        } else if (channel / 4 == t_.index_) {
            t_.SetSlotKind(channel % 4, (data & 1) ? MFiTrack::kKindDrum : MFiTrack::kKindMelodic);
        }
        Control(kNoChannel, mfi_code::kKindRecord, data);
    }

    void ReadLongForm() {
        const std::size_t p = kLongHead;  // first payload byte
        for (auto [pattern, code] : {std::pair{0x71B0, mfi_code::kFlag4E}, {0x71B1, mfi_code::kFlag4D},
                                     {0x31B1, mfi_code::kFlag4D}, {0x31B0, mfi_code::kFlag4E}}) {
            const auto a = static_cast<std::uint8_t>(pattern >> 8);
            const auto b = static_cast<std::uint8_t>(pattern & 0xFF);
            const bool match = (a == 0x71) ? UnitMatches({0xFF, 0x00, 0x07, a, b, 0x01})
                                           : UnitMatches({0xFF, 0x00, 0x07, a, b, 0x01, 0x00});
            if (match && unit_.size() > p + 5)
                return Control(kNoChannel, code, (At(p + 4) * 64) % 128 + At(p + 5) % 64);
        }
        std::size_t flags = 0;
        if (UnitMatches({0xFF, 0x00, 0x13, 0x31, 0x10, 0x08})) flags = p + 3;
        if (UnitMatches({0xFF, 0x00, 0x14, 0x11, 0x01, 0xF2, 0x07})) flags = p + 4;
        if (flags == 0 || unit_.size() < flags + 16) return Empty();
        bool any = false;
        for (int i = 0; i < 16; ++i) {
            const int bits = At(flags + static_cast<std::size_t>(i));
            if (bits & 2) Control(kNoChannel, mfi_code::kFlag4B, i), any = true;
            if (bits & 1) Control(kNoChannel, mfi_code::kFlag4C, i), any = true;
        }
        if (!any) Empty();
    }

    // True when the unit's bytes from its status byte on are the pattern.
    bool UnitMatches(std::initializer_list<std::uint8_t> pattern) const {
        return ByteCursor(unit_).Matches(2, pattern);
    }

    MFiTrack& t_;
    ByteCursor in_;
    std::span<const std::uint8_t> unit_;
    UnitLog log_;
    int pending_ = 0;
    std::array<int, 4> bank_{};
};

// One pass over the sixteen-channel PMD stream.
class MFiPmdReader {
public:
    MFiPmdReader(MFiTrack& track, std::span<const std::uint8_t> events, UnitLog log)
        : t_(track), in_(events), log_(log) {}

    void Run() {
        while (!in_.AtEnd()) {
            log_.At(in_.Offset());
            if (!in_.Has(kUnit)) {
                log_.Error(mftk::kDataInvalid);
                break;
            }
            unit_ = in_.Take(kUnit);
            pending_ += At(0);
            if (At(1) != 0xFF) {
                ReadNote();
            } else {
                ReadExtension(At(2), At(3));
            }
        }
    }

private:
    int At(std::size_t k) const { return unit_[k]; }

    void Add(std::unique_ptr<MidiEvent> e) {
        e->delta = pending_;
        pending_ = 0;
        t_.track_->Append(std::move(e));
    }
    void Control(int channel, int subtype, int value) { Add(NewEvent(0, channel, subtype, value)); }

    void ReadNote() {
        const int slot = At(1) / 64;
        const int code = At(1) % 64;
        const int third = At(3);
        const int channel = slots_[static_cast<std::size_t>(slot)];
        auto e = std::make_unique<MidiEvent>(0);
        e->kind = mobile_kind::kNote;
        e->channel = channel;
        e->note = channel == kDrumChannel ? log_.DrumOrWarn(code, third) : code + 45 + 12 * ShiftOf(third);
        e->length = At(2);
        e->velocity = (third / 4) * 2;
        Add(std::move(e));
    }

    void ReadExtension(int status, int data) {
        const int slot = data / 64;
        const int channel = slots_[static_cast<std::size_t>(slot)];
        if (status >= 0xC0 && status <= 0xCF) {
            const int base = kTimeBases[status - 0xC0];
            if (base == 0 || data == 0) {
                log_.Error(mftk::kTempoRange);
                return Control(kNoChannel, -1, 0);
            }
            t_.timeBase_ = base;
            return Control(kNoChannel, mobile_code::kTempo, kTempoMinute / data);
        }
        switch (status) {
            case 0xB0: return Control(kNoChannel, mobile_code::kStartMasterVolume, data);
            case 0xD0: return Control(kNoChannel, mfi_code::kStartStop, data % 64);
            case 0xD1: case 0xDF: return;
            case 0xDE: case 0xE4: return Control(kNoChannel, -1, 0);
            case 0xE0:
                return Control(channel, mobile_code::kProgram, bank_[static_cast<std::size_t>(slot)] * 64 + data % 64);
            case 0xE1: bank_[static_cast<std::size_t>(slot)] = data & 1; return Control(kNoChannel, -1, 0);
            case 0xE2: return Control(channel, mobile_code::kVolume, (data % 64) * 2);
            case 0xE3: return Control(channel, mobile_code::kPan, data != 0 ? 1 : 0);
            case 0xE5: return Select(slot, data % 16);
            default:
                log_.Add(kMfiDataFindings, kUnknownInMfi);
                return Control(kNoChannel, -1, 0);
        }
    }

    void Select(int slot, int channel) {
        slots_[static_cast<std::size_t>(slot)] = channel;
        if (channel == kDrumChannel && !drumMarked_) {
            drumMarked_ = true;
            t_.SetSlotKind(kDrumChannel, MFiTrack::kKindDrum);
            return Control(kDrumChannel, mobile_code::kKind, 1);
        }
        Control(kNoChannel, -1, 0);
    }

    MFiTrack& t_;
    ByteCursor in_;
    std::span<const std::uint8_t> unit_;
    UnitLog log_;
    int pending_ = 0;
    bool drumMarked_ = false;
    std::array<int, 4> slots_ = {0, 1, 2, 3};
    std::array<int, 4> bank_{};
};

std::size_t MFiTrack::Read(std::span<const std::uint8_t> bytes, ReadLog& log, std::size_t origin) {
    return ReadChunk(bytes, false, log, origin);
}

std::size_t MFiTrack::ReadPmd(std::span<const std::uint8_t> bytes, ReadLog& log, std::size_t origin) {
    return ReadChunk(bytes, true, log, origin);
}

// One track chunk, its events read in the MFi or the PMD coding.
std::size_t MFiTrack::ReadChunk(std::span<const std::uint8_t> bytes, bool pmd, ReadLog& log, std::size_t origin) {
    const auto events = ChunkEvents(bytes, log, origin);
    if (!events) return 0;
    const UnitLog unitLog(log, origin + kChunkHead);
    if (pmd) {
        MFiPmdReader(*this, *events, unitLog).Run();
    } else {
        MFiTrackReader(*this, *events, unitLog).Run();
    }
    JoinOverlaps();
    return kChunkHead + events->size();
}

// A file holds a note longer than a gate byte as pieces of the longest gate,
// each starting just before the last one ends: a note of the same pitch on
// the same channel that starts while such a piece sounds continues it, and
// the earlier note lasts to the later end. A note struck again while it
// still sounds is cut where the new one starts, so a tune never sounds one
// key twice at once. Every other note the file holds is kept as it is,
// chords and drums struck together among them.
void MFiTrack::JoinOverlaps() {
    MobileTrackData& t = *track_;
    struct Sounding {
        int index;
        long long start;
        long long end;
        bool fullPiece;  // the last piece had the longest gate
    };
    // One place per channel and key; index -1 while none sounds.
    constexpr int kKeys = 128;
    std::vector<Sounding> sounding(static_cast<std::size_t>(kChannels * kKeys),
                                   Sounding{-1, 0, 0, false});
    long long now = 0;
    bool joined = false;
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        now += e.delta;
        if (e.kind != mobile_kind::kNote || e.channel < 0 || e.channel >= kChannels || e.note < 0 ||
            e.note >= kKeys)
            continue;
        Sounding& it = sounding[static_cast<std::size_t>(e.channel * kKeys + e.note)];
        const long long end = now + e.length;
        if (it.index >= 0 && now < it.end) {
            MidiEvent& first = *t.Event(it.index);
            if (it.fullPiece) {
                it.end = std::max(it.end, end);
                it.fullPiece = e.length >= kMaxGate;
                first.length = static_cast<int>(std::min<long long>(it.end - it.start, 0x7FFFFFFF));
                e.kind = mobile_kind::kCleared;
                joined = true;
                continue;
            }
            first.length = static_cast<int>(now - it.start);
        }
        it = {i, now, end, e.length >= kMaxGate};
    }
    if (joined) t.RemoveClearedEvents();
}
