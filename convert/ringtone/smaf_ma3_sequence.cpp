// Flavour A of the SMAF sequence data: MIDI-like status bytes on sixteen
// channels, the transfer-rate check and the thinning.
#include <algorithm>

#include "convert/ringtone/smaf_chunk.h"
#include "convert/ringtone/smaf_sequence.h"
#include "core/byte_cursor.h"

namespace {

constexpr int kChannels = 16;
constexpr int kStartVelocity = 64;
constexpr int kAverageLimit = 500;
constexpr int kPeakLimit = 1000;
constexpr int kPeakGoal = 630;
constexpr int kFirstNoteLimit = 10;
constexpr int kLastNoteLimit = 4;
constexpr std::uint8_t kModuleExclusive[9] = {0xF0, 0x07, 0x43, 0x79, 0x06, 0x7F, 0x00, 0x7F, 0xF7};

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

void Push(std::vector<std::uint8_t>& out, std::initializer_list<int> bytes) {
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b & 0xFF));
}

bool IsControl(const SmafEvent& e, int subtype) {
    return e.kind == mobile_kind::kControl && e.subtype == subtype;
}

// F0, a length and that many bytes ending in F7.
bool IsWholeExclusive(const std::vector<std::uint8_t>& d) {
    return d.size() >= 3 && d[0] == 0xF0 && d[1] == d.size() - 2 && d.back() == 0xF7;
}

bool EncodeControlA(const SmafEvent& e, std::vector<std::uint8_t>& out) {
    const int c = e.channel & 0x0F;
    const int v = e.value & 0x7F;
    switch (e.subtype) {
        case mobile_code::kProgram:
            if (c == 9) ShowSmafChunkError(smcd::kProgramChange);
            Push(out, {0xC0 + c, v});
            return true;
        case mobile_code::kVolume: Push(out, {0xB0 + c, 0x07, v}); return true;
        case mobile_code::kPan: Push(out, {0xB0 + c, 0x0A, v}); return true;
        case mobile_code::kModulation:
            if (e.channel == kNoChannel) {
                ShowSmafChunkError(0);
                return false;
            }
            Push(out, {0xB0 + c, 0x01, v});
            return true;
        case smaf_code::kExpression: Push(out, {0xB0 + c, 0x0B, v}); return true;
        case mobile_code::kPitchBend: Push(out, {0xE0 + c, e.note & 0x7F, v}); return true;
        case mobile_code::kBendRange:
        case mobile_code::kLoop:
        case mobile_code::kMasterVolume:
        case smaf_code::kEnd: return false;
        case smaf_code::kExclusive:
            if (!IsWholeExclusive(e.data)) {
                ShowSmafChunkError(smcd::kSystemEvent);
                return false;
            }
            out.insert(out.end(), e.data.begin(), e.data.end());
            return true;
        default: ShowSmafChunkError(smcd::kSystemEvent); return false;
    }
}

// The event's bytes; false when an empty event stands in its place.
bool EncodeEventA(const SmafEvent& e, std::array<int, kChannels>& velocity, std::vector<std::uint8_t>& out) {
    if (e.kind == mobile_kind::kCleared) return false;
    if (e.kind == mobile_kind::kControl) return EncodeControlA(e, out);
    if (e.kind != mobile_kind::kNote) {
        ShowSmafChunkError(smcd::kSystemEvent);
        return false;
    }
    const int c = e.channel & 0x0F;
    const int v = e.velocity & 0x7F;
    int& last = velocity[static_cast<std::size_t>(c)];
    if (v == last) {
        Push(out, {0x80 + c, e.note & 0x7F});
    } else {
        Push(out, {0x90 + c, e.note & 0x7F, v});
        last = v;
    }
    AppendSmafDurationA(out, std::clamp(e.gate, 1, kSmafMaxDurationA));
    return true;
}

}  // namespace

int SmafRateWindow(int timeBase) {
    if (timeBase == 3) return 200;
    if (timeBase == 2) return 250;
    ShowSmafChunkError(smcd::kTimeBase);
    return 200;
}

bool IsSparedChannel(int channel) {
    return channel == 1 || channel == 3 || channel == 9 || channel == 14 || channel == 15;
}

void PrepareSmafEventsA(std::vector<SmafEvent>& events) {
    long long end = -1;
    for (const SmafEvent& e : events)
        if (IsControl(e, mobile_code::kEndOfTrack) || IsControl(e, smaf_code::kEnd)) end = std::max(end, e.time);
    std::erase_if(events, [](const SmafEvent& e) {
        return IsControl(e, mobile_code::kEndOfTrack) || IsControl(e, smaf_code::kEnd);
    });
    for (SmafEvent& e : events)
        if (IsControl(e, mobile_code::kExpression)) e.subtype = smaf_code::kExpression;
    if (end >= 0) {
        SmafEvent last;
        last.time = end;
        last.subtype = smaf_code::kEnd;
        auto at = std::upper_bound(events.begin(), events.end(), end,
                                   [](long long t, const SmafEvent& e) { return t < e.time; });
        events.insert(at, std::move(last));
    }
    SmafEvent module;
    module.subtype = smaf_code::kExclusive;
    module.data.assign(std::begin(kModuleExclusive), std::end(kModuleExclusive));
    events.insert(events.begin(), std::move(module));
}

SmafSequenceBytes EncodeSmafSequenceA(const std::vector<SmafEvent>& events, int window, SmafRates* rates) {
    SmafSequenceBytes result;
    std::vector<std::uint8_t>& out = result.bytes;
    std::array<int, kChannels> velocity;
    velocity.fill(kStartVelocity);
    bool started = false;
    long long previous = 0;
    long long windowUnits = 0;
    long long windowBytes = 0;
    long long peak = 0;
    for (const SmafEvent& e : events) {
        const std::size_t before = out.size();
        long long duration = std::max<long long>(e.time - previous, 0);
        previous = std::max(previous, e.time);
        windowUnits += duration;
        if (windowUnits >= window) {
            peak = std::max(peak, windowBytes);
            windowBytes = 0;
            windowUnits = 0;
        }
        while (duration > kSmafMaxDurationA) {
            AppendSmafDurationA(out, kSmafMaxDurationA);
            Push(out, {0xFF, 0x00});
            duration -= kSmafMaxDurationA;
        }
        if (!started && e.kind == mobile_kind::kNote) {
            result.start = static_cast<std::uint32_t>(out.size());
            started = true;
        }
        AppendSmafDurationA(out, static_cast<int>(duration));
        const std::size_t body = out.size();
        if (!EncodeEventA(e, velocity, out)) {
            out.resize(body);
            Push(out, {0xFF, 0x00});
        }
        windowBytes += static_cast<long long>(out.size() - before);
    }
    Push(out, {0x00, 0xFF, 0x00});
    result.stop = static_cast<std::uint32_t>(out.size());
    Push(out, {0x00, 0xFF, 0x2F, 0x00});
    if (rates) {
        rates->peak = std::max(peak, windowBytes);
        const long long windows = previous / window;
        const auto total = static_cast<long long>(out.size());
        rates->average = windows == 0 ? total : total / windows;
    }
    return result;
}

void ThinSmafEvents(std::vector<SmafEvent>& events, int limit) {
    std::size_t begin = 0;
    while (begin < events.size()) {
        std::size_t end = begin + 1;
        while (end < events.size() && events[end].time == events[begin].time)
            ++end;
        int notes = 0;
        for (std::size_t i = begin; i < end; ++i)
            notes += events[i].kind == mobile_kind::kNote;
        int drop = notes > limit ? notes - limit + 1 : 0;
        for (std::size_t i = begin; i < end && drop > 0; ++i) {
            SmafEvent& e = events[i];
            if (e.kind != mobile_kind::kNote || IsSparedChannel(e.channel)) continue;
            e.kind = -1;
            --drop;
        }
        begin = end;
    }
    // Times are absolute: a dropped note's time passes on by itself.
    std::erase_if(events, [](const SmafEvent& e) { return e.kind == -1; });
}

SmafSequenceBytes WriteSmafSequenceA(std::vector<SmafEvent> events, int timeBase) {
    const int window = SmafRateWindow(timeBase);
    SmafRates rates;
    for (int limit = kFirstNoteLimit; limit >= kLastNoteLimit; --limit) {
        SmafSequenceBytes pass = EncodeSmafSequenceA(events, window, &rates);
        if (rates.average > kAverageLimit) ShowSmafScoreTrackError(smcd::kAverageRate);
        if (rates.peak > kPeakLimit || rates.peak > kPeakGoal) ShowSmafScoreTrackError(smcd::kPeakRate);
        if (rates.peak <= kPeakGoal && rates.average <= kAverageLimit) return pass;
        ThinSmafEvents(events, limit);
    }
    SmafSequenceBytes last = EncodeSmafSequenceA(events, window, &rates);
    if (rates.average > kAverageLimit) ShowSmafChunkError(smcd::kAverageRate);
    if (rates.peak > kPeakLimit) ShowSmafChunkError(smcd::kPeakRate);
    return last;
}

// ---- Reading ----

namespace {

std::optional<int> ReadDurationA(ByteCursor& in) {
    auto first = in.ReadByte();
    if (!first) return std::nullopt;
    if (*first < 0x80) return *first;
    auto second = in.ReadByte();
    if (!second) return std::nullopt;
    return (*first % 64) * 128 + *second;
}

// The model subtype of a controller; 0 for those read as empty events, -1
// for those that are wrong.
int ControllerSubtype(int controller) {
    switch (controller) {
        case 0: return smaf_code::kBank;
        case 1: return smaf_code::kModulationWheel;
        case 7: return mobile_code::kVolume;
        case 10: return mobile_code::kPan;
        case 11: return mobile_code::kExpression;
        case 15: return mobile_code::kBendRange;
        case 32: return mobile_code::kBankLow;
        case 64: return mobile_code::kSustain;
        case 71: return mobile_code::kFormat59;
        case 74: return mobile_code::kFormat60;
        case 6: case 100: case 101: case 120: case 121: case 123: case 126: return 0;
        default: return -1;
    }
}

class StreamReaderA {
public:
    StreamReaderA(std::span<const std::uint8_t> bytes, int capacity, ReadLog& log)
        : in_(bytes), log_(log), track_(std::make_unique<MobileTrackData>(capacity)) {
        velocity_.fill(kStartVelocity);
    }

    std::unique_ptr<MobileTrackData> Run() {
        // Every turn takes at least one byte.
        while (!in_.AtEnd()) {
            auto duration = ReadDurationA(in_);
            auto status = in_.ReadByte();
            if (!duration || !status) break;
            pending_ += *duration;
            if (!ReadEvent(*status)) break;
        }
        return std::move(track_);
    }

private:
    MidiEvent& Add(int kind, int channel, int subtype, int value) {
        auto e = std::make_unique<MidiEvent>(ClampDelta(pending_));
        pending_ = 0;
        e->kind = kind;
        e->channel = channel;
        e->subtype = subtype;
        e->value = value;
        MidiEvent& ref = *e;
        track_->Append(std::move(e));
        return ref;
    }
    // A finding at the read position.
    void Log(std::uint32_t code) { log_.Add(kSmafChunkFindings, code, in_.Offset()); }
    bool Wrong() {
        Log(smcd::kPitchBend);
        return false;
    }

    bool ReadNote(int c, bool withVelocity) {
        auto note = in_.ReadByte();
        auto velocity = withVelocity ? in_.ReadByte() : std::optional<std::uint8_t>(velocity_[c]);
        if (!note || !velocity) return Wrong();
        std::uint32_t gate = 0;
        if (!in_.ReadVarLen(gate)) return Wrong();
        velocity_[c] = *velocity & 0x7F;
        MidiEvent& e = Add(mobile_kind::kNote, static_cast<int>(c), 0, 0);
        e.note = *note & 0x7F;
        e.velocity = velocity_[c];
        e.length = static_cast<int>(gate);
        return true;
    }

    bool ReadEvent(int status) {
        const auto c = static_cast<std::size_t>(status & 0x0F);
        const int channel = static_cast<int>(c);
        switch (status & 0xF0) {
            case 0x90: return ReadNote(c, true);
            case 0x80: return ReadNote(c, false);
            case 0xB0: {
                auto controller = in_.ReadByte();
                auto value = in_.ReadByte();
                if (!controller || !value) return Wrong();
                const int subtype = ControllerSubtype(*controller);
                if (subtype < 0) Log(smcd::kControlChange);
                if (subtype <= 0) {
                    Add(mobile_kind::kCleared, kNoChannel, 0, 0);
                } else {
                    Add(mobile_kind::kControl, channel, subtype, *value & 0x7F);
                }
                return true;
            }
            case 0xC0: {
                auto program = in_.ReadByte();
                if (!program) return Wrong();
                Add(mobile_kind::kControl, channel, mobile_code::kProgram, *program & 0x7F);
                return true;
            }
            case 0xE0: {
                auto low = in_.ReadByte();
                auto high = in_.ReadByte();
                if (!low || !high) return Wrong();
                Add(mobile_kind::kControl, channel, mobile_code::kPitchBend, *high & 0x7F).note = *low & 0x7F;
                return true;
            }
            default: break;
        }
        if (status == 0xF0) return ReadExclusive();
        if (status != 0xFF) return Wrong();
        auto kind = in_.ReadByte();
        if (kind && *kind == 0x00) {
            Add(mobile_kind::kCleared, kNoChannel, 0, 0);
            return true;
        }
        if (kind && *kind == 0x2F && in_.Peek() == std::optional<std::uint8_t>(0x00)) {
            in_.Skip(1);
            Add(mobile_kind::kControl, kNoChannel, smaf_code::kEnd, 0);
            return false;
        }
        return Wrong();
    }

    bool ReadExclusive() {
        auto length = in_.ReadByte();
        auto body = length ? in_.Take(*length) : std::span<const std::uint8_t>();
        if (!length || body.size() != *length || body.empty() || body.back() != 0xF7) return Wrong();
        std::vector<std::uint8_t> message = {0xF0, *length};
        message.insert(message.end(), body.begin(), body.end());
        Add(mobile_kind::kControl, kNoChannel, smaf_code::kExclusive, 0)
            .SetData(message.data(), static_cast<int>(message.size()));
        return true;
    }

    ByteCursor in_;
    ReadLog& log_;
    std::unique_ptr<MobileTrackData> track_;
    std::array<int, kChannels> velocity_{};
    long long pending_ = 0;
};

}  // namespace

std::unique_ptr<MobileTrackData> DecodeSmafSequenceA(std::span<const std::uint8_t> bytes, int capacity,
                                                     ReadLog& log) {
    return StreamReaderA(bytes, capacity, log).Run();
}
