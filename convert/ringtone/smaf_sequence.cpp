#include <algorithm>

#include "convert/ringtone/smaf_chunk.h"
#include "convert/ringtone/smaf_sequence.h"
#include "core/byte_cursor.h"
#include "core/reporters.h"

namespace {

const CodeText kSequenceTable[] = {
    {ssqd::kExclusive, "Invalid System Exclusive!"},
    {ssqd::kUndefinedEvent, "Undefined event in SMAF!"},
    {ssqd::kDataSize, "Data size error!"},
    {ssqd::kShift, "Shift error!"},
    {ssqd::kDrum, "Drum error!"},
    {ssqd::kTrackEnd, "Track end error!"},
    {ssqd::kCommand, "Command Error!"},
    {ssqd::kNote, "Note error!"},
    {ssqd::kOctave, "Octave Error!"},
    {ssqd::kMusicalData, "Musical data error!"},
    {ssqd::kMusicalData2, "Musical data error!"},
    {ssqd::kChannelType, "Channel type error!"},
};
constexpr ClassReporter kSequenceReporter("SSQD", kSequenceTable,
                                          "Error occured in SmafSequenceDataChunk!");

constexpr int kSlowestBeat = 1000000;  // 60 per minute until the first tempo
constexpr int kFastestTempo = 1000;    // below this the beat divisor would be 0
constexpr int kSlowestTempo = 100000000;
constexpr long long kUnitMicros = 5000;
constexpr long long kLongestTick = 1LL << 40;
constexpr int kLowNote = 36;
constexpr int kOctaveSpan = 48;
constexpr int kDefaultDrumProgram = 35;
constexpr int kReadVelocity = 100;
// Kind of an event a pass takes out (an empty event stays: it is written).
constexpr int kDropped = -1;
constexpr std::uint8_t kBendHead[5] = {0xF0, 0x06, 0x43, 0x03, 0x90};

constexpr int ClampTempo(int us) {
    return std::clamp(us, kFastestTempo, kSlowestTempo);
}

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

// The shift s that brings a note into the written range 37..84, from the
// running shift.
constexpr int ShiftFor(int note, int running) {
    const int k = note + 12 * running - kLowNote;
    if (k >= 1 && k <= kOctaveSpan) return running;
    if (k > kOctaveSpan) return note - kLowNote > kOctaveSpan ? -((note - 85) / 12 + 1) : 0;
    return note < 37 ? (kLowNote - note) / 12 + 1 : 0;
}

// Octave and tone of a pitch; false (after its box) for a pitch below 36.
bool OctaveTone(int pitch, int* octave, int* tone) {
    const int k = pitch - kLowNote;
    if (k < 0) {
        ShowSmafSequenceError(ssqd::kNote);
        return false;
    }
    *octave = k / 12;
    *tone = k % 12;
    if (*tone == 0) {
        *tone = 12;
        --*octave;
    }
    if (*octave > 3 || *octave < 0) {
        ShowSmafSequenceError(ssqd::kOctave);
        *octave = 0;
    }
    return true;
}

struct DrumTable {
    SmafDrumEntry entries[128];
};

constexpr DrumTable MakeDrumTable() {
    DrumTable t{};
    for (int p = 0; p < 128; ++p) {
        const int s = ShiftFor(p, 0);
        const int k = p + 12 * s - kLowNote;
        int octave = k / 12;
        int tone = k % 12;
        if (tone == 0) {
            tone = 12;
            --octave;
        }
        const int code = -s >= 0 ? -s : 0x80 + s;
        t.entries[p] = {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(octave * 16 + tone)};
    }
    return t;
}
// Every drum program's note reads back as itself: shift 0 where the note
// byte holds it, an octave shift below 37 and above 84.
constexpr DrumTable kDrumTable = MakeDrumTable();

SmafEvent ControlAt(long long time, int channel, int subtype, int value) {
    SmafEvent e;
    e.time = time;
    e.channel = channel;
    e.subtype = subtype;
    e.value = value;
    return e;
}

bool IsNote(const SmafEvent& e) {
    return e.kind == mobile_kind::kNote;
}
bool IsControl(const SmafEvent& e, int subtype) {
    return e.kind == mobile_kind::kControl && e.subtype == subtype;
}

}  // namespace

void ShowSmafSequenceError(std::uint32_t code) {
    kSequenceReporter.Show(code);
}

const ReporterWords kSmafSequenceFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kSequenceReporter.Format(code); }, nullptr};

// ---- Time ----

SmafClock::SmafClock(std::vector<std::pair<long long, int>> tempos, int division)
    : tempos_(std::move(tempos)), division_(std::max(division, 1)) {
    std::stable_sort(tempos_.begin(), tempos_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

int SmafClock::TempoAt(long long tick) const {
    int us = kSlowestBeat;
    for (const auto& [at, value] : tempos_) {
        if (at > tick) break;
        us = value;
    }
    return ClampTempo(us);
}

long long SmafClock::Units(long long tick) const {
    tick = std::clamp<long long>(tick, 0, kLongestTick);
    // Exact microseconds times the division, summed segment by segment.
    long long micros = 0;
    long long from = 0;
    int us = kSlowestBeat;
    for (const auto& [at, value] : tempos_) {
        if (at >= tick) break;
        const long long to = std::max(at, from);
        micros += (to - from) * us;
        from = to;
        us = ClampTempo(value);
    }
    micros += (tick - from) * us;
    return micros / (division_ * kUnitMicros);
}

int SmafClock::GateUnits(long long tick, int gate, long long& carry) const {
    const long long den = division_ * kUnitMicros;
    const long long num = static_cast<long long>(std::max(gate, 0)) * TempoAt(tick) + carry;
    carry = num % den;
    return static_cast<int>(std::clamp<long long>(num / den, 1, 0x7FFFFFFF));
}

std::vector<std::pair<long long, int>> SmafTempoMap(const MobileTrackData& track) {
    std::vector<std::pair<long long, int>> out;
    long long t = 0;
    for (int i = 0; i < track.Count(); ++i) {
        const MidiEvent& e = *track.Event(i);
        t += std::max(e.delta, 0);
        if (e.kind == mobile_kind::kControl && e.subtype == mobile_code::kTempo) out.emplace_back(t, e.value);
    }
    return out;
}

std::vector<SmafEvent> ToSmafEvents(const MobileTrackData& track, const SmafClock& clock) {
    std::vector<SmafEvent> out;
    out.reserve(static_cast<std::size_t>(std::max(track.Count(), 0)));
    long long tick = 0;
    long long gateCarry = 0;
    for (int i = 0; i < track.Count(); ++i) {
        const MidiEvent& e = *track.Event(i);
        tick += std::max(e.delta, 0);
        if (e.kind == mobile_kind::kControl && e.subtype == mobile_code::kTempo) continue;
        SmafEvent s;
        s.time = clock.Units(tick);
        s.kind = e.kind;
        s.channel = e.channel;
        s.subtype = e.subtype;
        s.value = e.value;
        s.note = e.note;
        s.velocity = e.velocity;
        if (e.kind == mobile_kind::kNote) s.gate = clock.GateUnits(tick, e.length, gateCarry);
        if (e.DataLength() > 0) s.data.assign(e.GetData(), e.GetData() + e.DataLength());
        out.push_back(std::move(s));
    }
    return out;
}

void AppendSmafDurationB(std::vector<std::uint8_t>& out, int value) {
    value = std::clamp(value, 0, kSmafMaxDurationB);
    if (value < 128) {
        out.push_back(static_cast<std::uint8_t>(value));
        return;
    }
    out.push_back(static_cast<std::uint8_t>((value - 128) / 128 + 0x80));
    out.push_back(static_cast<std::uint8_t>(value % 128));
}

void AppendSmafDurationA(std::vector<std::uint8_t>& out, int value) {
    value = std::clamp(value, 0, kSmafMaxDurationA);
    if (value < 128) {
        out.push_back(static_cast<std::uint8_t>(value));
        return;
    }
    out.push_back(static_cast<std::uint8_t>(value / 128 + 0x80));
    out.push_back(static_cast<std::uint8_t>(value % 128));
}

// ---- Flavour B: the passes ----

SmafDrumEntry SmafDrumTableEntry(int program) {
    return kDrumTable.entries[std::clamp(program, 0, 127)];
}

int SmafNoteBytePitch(int noteByte) {
    return (noteByte % 16) + ((noteByte / 16) % 4) * 12 + kLowNote;
}

int SmafShiftCode(int shift) {
    if (shift >= 0 && shift <= 4) return shift;
    if (shift >= -4 && shift <= -1) return 0x80 - shift;
    return -1;
}

int SmafShiftValue(int code, bool* ok) {
    *ok = true;
    if (code >= 0 && code <= 4) return code;
    if (code >= 0x81 && code <= 0x84) return 0x80 - code;
    *ok = false;
    return 0;
}

namespace {

// Octave-shift events of melodic channels folded into their notes.
void FoldShifts(std::vector<SmafEvent>& events, const std::array<bool, 4>& drum) {
    std::array<int, 4> fold{};
    for (SmafEvent& e : events) {
        if (e.channel < 0 || e.channel >= 4 || drum[static_cast<std::size_t>(e.channel)]) continue;
        if (IsControl(e, smaf_code::kOctaveShift)) {
            fold[static_cast<std::size_t>(e.channel)] = e.value;
            e.kind = kDropped;
        } else if (IsNote(e)) {
            e.note = std::clamp(e.note + 12 * fold[static_cast<std::size_t>(e.channel)], 0, 127);
        }
    }
    std::erase_if(events, [](const SmafEvent& e) { return e.kind == kDropped; });
}

// Melodic notes into the written range by a running shift per channel,
// drum notes by the drum table of their program.
void ShiftNotes(std::vector<SmafEvent>& events, const std::array<bool, 4>& drum) {
    std::array<bool, 4> drumShifted{};
    for (const SmafEvent& e : events)
        if (e.channel >= 0 && e.channel < 4 && IsControl(e, smaf_code::kOctaveShift))
            drumShifted[static_cast<std::size_t>(e.channel)] = true;
    std::array<int, 4> shift{};
    std::array<int, 4> program{kDefaultDrumProgram, kDefaultDrumProgram, kDefaultDrumProgram,
                               kDefaultDrumProgram};
    std::array<int, 4> drumCode{-1, -1, -1, -1};
    std::vector<SmafEvent> out;
    out.reserve(events.size() + 8);
    long long last = 0;
    for (SmafEvent& e : events) {
        last = std::max(last, e.time);
        const bool channel = e.channel >= 0 && e.channel < 4;
        const auto c = static_cast<std::size_t>(channel ? e.channel : 0);
        if (channel && drum[c] && IsControl(e, mobile_code::kProgram)) program[c] = e.value;
        if (!channel || !IsNote(e) || (drum[c] && drumShifted[c])) {
            out.push_back(std::move(e));
            continue;
        }
        if (drum[c]) {
            const SmafDrumEntry entry = SmafDrumTableEntry(program[c]);
            if (entry.shiftCode != drumCode[c]) {
                bool ok = false;
                out.push_back(ControlAt(e.time, e.channel, smaf_code::kOctaveShift,
                                        SmafShiftValue(entry.shiftCode, &ok)));
                drumCode[c] = entry.shiftCode;
            }
            e.note = SmafNoteBytePitch(entry.noteByte);
        } else {
            const int note = std::clamp(e.note, 0, 127);
            const int s = ShiftFor(note, shift[c]);
            if (s != shift[c]) out.push_back(ControlAt(e.time, e.channel, smaf_code::kOctaveShift, -s));
            shift[c] = s;
            e.note = note + 12 * s;
        }
        out.push_back(std::move(e));
    }
    for (std::size_t c = 0; c < 4; ++c)
        if (!drum[c] && shift[c] != 0) out.push_back(ControlAt(last, static_cast<int>(c), smaf_code::kOctaveShift, 0));
    events = std::move(out);
}

// A bend switch of 0 before every run of bends on a channel and of 1 after
// it; a note on the channel ends the run.
void AddBendSwitches(std::vector<SmafEvent>& events) {
    const std::size_t n = events.size();
    std::vector<bool> before(n), after(n);
    std::array<long long, 4> lastBend{-1, -1, -1, -1};
    for (std::size_t i = 0; i < n; ++i) {
        const SmafEvent& e = events[i];
        if (e.channel < 0 || e.channel >= 4) continue;
        long long& run = lastBend[static_cast<std::size_t>(e.channel)];
        if (IsControl(e, mobile_code::kPitchBend)) {
            if (run < 0) before[i] = true;
            run = static_cast<long long>(i);
        } else if (IsNote(e) && run >= 0) {
            after[static_cast<std::size_t>(run)] = true;
            run = -1;
        }
    }
    for (long long run : lastBend)
        if (run >= 0) after[static_cast<std::size_t>(run)] = true;
    std::vector<SmafEvent> out;
    out.reserve(n + 8);
    for (std::size_t i = 0; i < n; ++i) {
        const long long time = events[i].time;
        const int channel = events[i].channel;
        if (before[i]) out.push_back(ControlAt(time, channel, smaf_code::kBendSwitch, 0));
        out.push_back(std::move(events[i]));
        if (after[i]) out.push_back(ControlAt(time, channel, smaf_code::kBendSwitch, 1));
    }
    events = std::move(out);
}

}  // namespace

void PrepareSmafEventsB(std::vector<SmafEvent>& events, const std::array<bool, 4>& drum) {
    FoldShifts(events, drum);
    ShiftNotes(events, drum);
    AddBendSwitches(events);
}

// ---- Flavour B: writing ----

namespace {

void Push(std::vector<std::uint8_t>& out, std::initializer_list<int> bytes) {
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
}

// An exclusive message as the flavour-B stream holds it: FF F0, a length
// and that many bytes ending in F7.
bool IsStreamExclusive(const std::vector<std::uint8_t>& d) {
    return d.size() >= 4 && d[0] == 0xFF && d[1] == 0xF0 && d[2] == d.size() - 3 && d.back() == 0xF7;
}

bool EncodeNoteB(const SmafEvent& e, int ch, std::vector<std::uint8_t>& out) {
    int octave = 0;
    int tone = 0;
    if (!OctaveTone(e.note, &octave, &tone)) return false;
    int gate = e.gate;
    if (gate <= 0) {
        ShowSmafSequenceError(ssqd::kMusicalData);
        gate = 1;
    }
    out.push_back(static_cast<std::uint8_t>(ch + octave * 16 + tone));
    AppendSmafDurationB(out, std::min(gate, kSmafMaxDurationB));
    return true;
}

bool EncodeControlB(const SmafEvent& e, int c, std::vector<std::uint8_t>& out) {
    const int ch = c * 64;
    const int v = e.value;
    switch (e.subtype) {
        case mobile_code::kProgram: Push(out, {0x00, ch + 0x30, v & 0x7F}); return true;
        case mobile_code::kKind:
            if (v != kDrumKindValue) {
                ShowSmafSequenceError(ssqd::kDrum);
                return false;
            }
            Push(out, {0x00, ch + 0x31, 0x80});
            return true;
        case smaf_code::kBank: Push(out, {0x00, ch + 0x31, v & 0xFF}); return true;
        case smaf_code::kOctaveShift: {
            const int code = SmafShiftCode(v);
            if (code < 0) {
                ShowSmafSequenceError(ssqd::kShift);
                return false;
            }
            Push(out, {0x00, ch + 0x32, code});
            return true;
        }
        case mobile_code::kVolume: Push(out, {0x00, ch + 0x37, v & 0x7F}); return true;
        case smaf_code::kExpression: Push(out, {0x00, ch + 0x3B, v & 0x7F}); return true;
        case mobile_code::kPitchBend: {
            const int bend = v == 64 ? 0xB1 : std::clamp(v * 74 / 64 + 102, 0, 0xB1);
            Push(out, {0xFF, 0xF0, 0x06, 0x43, 0x03, 0x90, 0xB0 + c, bend, 0xF7});
            return true;
        }
        case smaf_code::kBendSwitch:
            Push(out, {0xFF, 0xF0, 0x06, 0x43, 0x03, 0x90, 0xC0 + c, v == 0 ? 0x31 : 0x11, 0xF7});
            return true;
        case mobile_code::kLoop:
        case smaf_code::kEnd:
        case smaf_code::kExclusive:
            if (IsStreamExclusive(e.data)) {
                out.insert(out.end(), e.data.begin(), e.data.end());
                return true;
            }
            // A loop point or end without a whole message of its own.
            if (e.subtype == smaf_code::kEnd) ShowSmafSequenceError(ssqd::kTrackEnd);
            if (e.subtype == smaf_code::kExclusive) ShowSmafSequenceError(ssqd::kExclusive);
            return false;
        default: ShowSmafSequenceError(ssqd::kCommand); return false;
    }
}

// The event's bytes; false when it has none that stand on their own (the
// caller writes an empty event in their place).
bool EncodeEventB(const SmafEvent& e, std::vector<std::uint8_t>& out) {
    const int c = e.channel == kNoChannel ? 0 : ((e.channel % 4) + 4) % 4;
    if (e.kind == mobile_kind::kNote) return EncodeNoteB(e, c * 64, out);
    if (e.kind == mobile_kind::kCleared) return false;
    if (e.kind == mobile_kind::kControl) return EncodeControlB(e, c, out);
    ShowSmafSequenceError(ssqd::kMusicalData2);
    return false;
}

// A duration longer than the two bytes hold goes on in empty events in
// front of it; returns what is left for the event's own duration.
template <typename Append>
int AppendCarriers(std::vector<std::uint8_t>& out, long long duration, int longest, Append append) {
    duration = std::max<long long>(duration, 0);
    while (duration > longest) {
        append(out, longest);
        Push(out, {0xFF, 0x00});
        duration -= longest;
    }
    return static_cast<int>(duration);
}

}  // namespace

SmafSequenceBytes EncodeSmafSequenceB(std::vector<SmafEvent> events, const std::array<bool, 4>& drum,
                                      long long startUnit, long long stopUnit, long long endUnit) {
    std::erase_if(events, [](const SmafEvent& e) {
        return e.kind == mobile_kind::kControl && e.subtype == mobile_code::kEndOfTrack;
    });
    PrepareSmafEventsB(events, drum);
    SmafSequenceBytes result;
    std::vector<std::uint8_t>& out = result.bytes;
    bool started = false;
    bool stopped = false;
    long long previous = 0;
    long long soundsUntil = 0;
    for (const SmafEvent& e : events) {
        const int duration = AppendCarriers(out, e.time - previous, kSmafMaxDurationB, AppendSmafDurationB);
        previous = std::max(previous, e.time);
        // The points stand at the event's duration.
        const std::size_t mark = out.size();
        if (!started && ((startUnit >= 0 && e.time >= startUnit) || (startUnit < 0 && IsNote(e)))) {
            result.start = static_cast<std::uint32_t>(mark);
            started = true;
        }
        if (!stopped && stopUnit >= 0 && e.time >= stopUnit) {
            result.stop = static_cast<std::uint32_t>(mark);
            stopped = true;
        }
        AppendSmafDurationB(out, duration);
        if (!EncodeEventB(e, out)) Push(out, {0xFF, 0x00});
        if (IsNote(e)) soundsUntil = std::max(soundsUntil, e.time + std::max(e.gate, 1));
    }
    const long long close = std::max({soundsUntil, endUnit, previous});
    AppendSmafDurationB(out, AppendCarriers(out, close - previous, kSmafMaxDurationB, AppendSmafDurationB));
    Push(out, {0xFF, 0x00});
    if (!stopped) result.stop = static_cast<std::uint32_t>(out.size());
    Push(out, {0x00, 0x00, 0x00, 0x00});
    return result;
}

// ---- Flavour B: reading ----

namespace {

std::optional<int> ReadDurationB(ByteCursor& in) {
    auto first = in.ReadByte();
    if (!first) return std::nullopt;
    if (*first < 0x80) return *first;
    auto second = in.ReadByte();
    if (!second) return std::nullopt;
    return (*first % 64) * 128 + *second + 128;
}

class StreamReaderB {
public:
    StreamReaderB(std::span<const std::uint8_t> bytes, int capacity, ReadLog& log)
        : in_(bytes), log_(log), track_(std::make_unique<MobileTrackData>(capacity)) {}

    std::unique_ptr<MobileTrackData> Run() {
        // Every turn takes at least one byte.
        while (!in_.AtEnd()) {
            auto duration = ReadDurationB(in_);
            auto first = in_.ReadByte();
            if (!duration || !first) {
                Log(ssqd::kDataSize);
                break;
            }
            pending_ += *duration;
            bool go = true;
            if (*first == 0x00) {
                go = ReadControl();
            } else if (*first == 0xFF) {
                go = ReadExclusive();
            } else {
                go = ReadNote(*first);
            }
            if (!go) break;
        }
        ApplyShifts();
        return std::move(track_);
    }

private:
    void Add(int channel, int subtype, int value, int note = 0) {
        auto e = std::make_unique<MidiEvent>(ClampDelta(pending_));
        pending_ = 0;
        e->kind = mobile_kind::kControl;
        e->channel = channel;
        e->subtype = subtype;
        e->value = value;
        e->note = note;
        track_->Append(std::move(e));
    }
    // A finding at the read position.
    void Log(std::uint32_t code) { log_.Add(kSmafSequenceFindings, code, in_.Offset()); }
    void AddEmpty() {
        track_->AppendEmptyEvent(ClampDelta(pending_));
        pending_ = 0;
    }
    bool Short() {
        Log(ssqd::kDataSize);
        return false;
    }

    bool ReadNote(int first) {
        auto gate = ReadDurationB(in_);
        if (!gate) return Short();
        track_->AppendNote(ClampDelta(pending_), first / 64, SmafNoteBytePitch(first), *gate, kReadVelocity);
        pending_ = 0;
        return true;
    }

    bool ReadControl() {
        auto second = in_.ReadByte();
        if (!second) return Short();
        const int channel = *second / 64;
        const int group = (*second / 16) % 4;
        const int value = *second % 16;
        if (group == 0) {
            // 00 00: the end of the stream.
            if (value == 0) {
                Add(kNoChannel, smaf_code::kEnd, 0);
                return false;
            }
            Add(channel, smaf_code::kExpression, value);
            return true;
        }
        if (group != 3) {
            Add(channel, group == 1 ? mobile_code::kPitchBend : smaf_code::kCode33, value);
            return true;
        }
        auto data = in_.ReadByte();
        if (!data) return Short();
        switch (value) {
            case 0: Add(channel, mobile_code::kProgram, *data); break;
            case 1:
                if (*data == 0x80) {
                    Add(channel, mobile_code::kKind, kDrumKindValue);
                } else {
                    Add(channel, smaf_code::kBank, *data);
                }
                break;
            case 2: {
                bool ok = false;
                const int shift = SmafShiftValue(*data, &ok);
                if (!ok) Log(ssqd::kShift);
                Add(channel, smaf_code::kOctaveShift, shift);
                break;
            }
            case 3: Add(channel, smaf_code::kCode33, *data); break;
            case 4: Add(channel, mobile_code::kPitchBend, *data); break;
            case 7: Add(channel, mobile_code::kVolume, *data); break;
            case 10: Add(channel, mobile_code::kPan, *data); break;
            case 11: Add(channel, smaf_code::kExpression, *data); break;
            default:
                Log(ssqd::kUndefinedEvent);
                AddEmpty();
        }
        return true;
    }

    bool ReadExclusive() {
        auto second = in_.ReadByte();
        if (!second) return Short();
        if (*second == 0x00) {
            AddEmpty();
            return true;
        }
        if (*second != 0xF0) {
            Log(ssqd::kUndefinedEvent);
            AddEmpty();
            return true;
        }
        auto length = in_.ReadByte();
        auto body = length ? in_.Take(*length) : std::span<const std::uint8_t>();
        if (!length || body.size() != *length || body.empty() || body.back() != 0xF7) {
            Log(ssqd::kExclusive);
            return false;
        }
        if (body.size() == 6 && std::equal(kBendHead + 2, kBendHead + 5, body.begin())) {
            // The bend and the bend switch share the head; the status tells
            // them apart.
            const int status = body[3];
            if ((status & 0xF0) == 0xB0) {
                const int bend = body[4] == 0xB1 ? 64 : std::max(0, (body[4] - 102) * 64 / 74);
                Add(status % 4, mobile_code::kPitchBend, std::min(bend, 127));
            } else {
                AddEmpty();
            }
            return true;
        }
        std::vector<std::uint8_t> message = {0xFF, 0xF0, static_cast<std::uint8_t>(*length)};
        message.insert(message.end(), body.begin(), body.end());
        auto e = std::make_unique<MidiEvent>(ClampDelta(pending_));
        pending_ = 0;
        e->kind = mobile_kind::kControl;
        e->subtype = smaf_code::kExclusive;
        e->channel = kNoChannel;
        e->SetData(message.data(), static_cast<int>(message.size()));
        track_->Append(std::move(e));
        return true;
    }

    // Each channel's last octave shift moves its following notes.
    void ApplyShifts() {
        std::array<int, 4> shift{};
        for (int i = 0; i < track_->Count(); ++i) {
            MidiEvent& e = *track_->Event(i);
            if (e.channel < 0 || e.channel >= 4) continue;
            const auto c = static_cast<std::size_t>(e.channel);
            if (e.kind == mobile_kind::kControl && e.subtype == smaf_code::kOctaveShift) {
                shift[c] = e.value;
                e.kind = mobile_kind::kCleared;
            } else if (e.kind == mobile_kind::kNote) {
                e.note = std::clamp(e.note + 12 * shift[c], 0, 127);
            }
        }
    }

    ByteCursor in_;
    ReadLog& log_;
    std::unique_ptr<MobileTrackData> track_;
    long long pending_ = 0;
};

}  // namespace

std::unique_ptr<MobileTrackData> DecodeSmafSequenceB(std::span<const std::uint8_t> bytes, int capacity,
                                                     ReadLog& log) {
    return StreamReaderB(bytes, capacity, log).Run();
}
