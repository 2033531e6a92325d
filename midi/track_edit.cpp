// Editing: channels and parts, note values, deletions, event order within a
// tick, cutting, time spans and the range copy.
#include <algorithm>
#include <cmath>

#include "midi/sysex.h"
#include "midi/track_data.h"

namespace {

constexpr int kVolume = 7;
constexpr int kExpression = 11;
constexpr int kBankMsb = 0;
constexpr int kBankLsb = 32;
constexpr int kDataEntryMsb = 6;
constexpr int kDataEntryLsb = 38;
constexpr int kRpnLsb = 100;
constexpr int kRpnMsb = 101;

bool IsGsPartSysEx(const MidiEvent& e) {
    return e.IsSysEx() &&
           (e.subtype == sysex_class::kGsRhythmPart || e.subtype == sysex_class::kGsPartParameter);
}

// Keeps the bytes of a control change made by the appenders in step.
void RefreshControlBytes(MidiEvent* e) {
    if (e->DataLength() == 3 && e->GetData()) {
        e->GetData()[1] = static_cast<std::uint8_t>(e->subtype);
        e->GetData()[2] = static_cast<std::uint8_t>(e->value);
    }
}

}  // namespace

// ---- Channels and parts ----

void MidiTrackData::SetChannel(int channel) {
    for (int i = 0; i < eventCount_; ++i) {
        if (events_[i]->channel != kNoChannel) events_[i]->channel = channel;
    }
}

int MidiTrackData::RemapSysExPart(MidiEvent* event, int from, int to) {
    if (!event || !IsGsPartSysEx(*event) || event->channel != from) return 0;
    if (event->DataLength() < kGsBlockSize || to < 0 || to > 15) return 0;
    int base = event->subtype == sysex_class::kGsRhythmPart ? 0x10 : 0x40;
    std::uint8_t* d = event->GetData();
    event->channel = to;
    SetGsPartByte(to, d + 7, base);
    SetRolandChecksum(d);
    return 1;
}

int MidiTrackData::RemapChannel(int from, int to) {
    // A track named as the second port of a 32-channel module plays
    // channels 16..31.
    int port = 0;
    int changed = 0;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->IsMeta(meta_type::kInstrumentName) && e->IsSc88ModeText()) port = 16;
        if (e->channel == kNoChannel || e->channel + port != from) continue;
        if (IsGsPartSysEx(*e)) {
            changed += RemapSysExPart(e, e->channel, to % 16);
        } else if (!e->IsSysEx()) {
            e->channel = to % 16;
            ++changed;
        }
    }
    return changed;
}

int MidiTrackData::RemapChannelIfInstrument(std::string_view text, int from, int to) {
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = events_[i];
        if (!e->IsMeta(meta_type::kInstrumentName)) continue;
        if (e->DataText().substr(0, static_cast<std::size_t>(e->DataLength())) != text) return 0;
        return RemapChannel(from, to);
    }
    return 0;
}

void MidiTrackData::SwapChannels(int a, int b) {
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        int target = e->channel == a ? b : e->channel == b ? a : -1;
        if (target < 0 || e->channel == kNoChannel) continue;
        if (IsGsPartSysEx(*e)) {
            RemapSysExPart(e, e->channel, target);
        } else if (!e->IsSysEx()) {
            e->channel = target;
        }
    }
}

// ---- Note values ----

void MidiTrackData::Transpose(int channel, int semitones) {
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (!e->IsNoteWithLength() || e->velocity <= 0) continue;
        if (channel != -1 && e->channel != channel) continue;
        int key = e->note + semitones;
        while (key < 0)
            key += 12;
        while (key > 127)
            key -= 12;
        e->note = key;
    }
}

void MidiTrackData::AddToVelocity(int amount) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return;
    }
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->IsNoteWithLength()) e->velocity = std::clamp(e->velocity + amount, 0, 127);
    }
}

void MidiTrackData::ScaleNoteLengths(int percent) {
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (!e->IsNoteWithLength()) continue;
        long long length = static_cast<long long>(e->length) * percent / 100;
        e->length = length == 0 ? 1 : static_cast<int>(length);
    }
}

int MidiTrackData::ValidateNotes() {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (!e->IsNoteWithLength()) continue;
        // A note with a negative length or delta is silenced; once silent it
        // no longer counts as faulty.
        bool timing = (e->length < 0 || e->delta < 0) && e->velocity != 0;
        bool faulty =
            e->note < 0 || e->note > 127 || e->velocity < 0 || e->velocity > 127 || timing;
        if (!faulty) continue;
        e->note = std::clamp(e->note, 0, 127);
        e->velocity = std::clamp(e->velocity, 0, 127);
        if (timing) e->velocity = 0;
        return 1;
    }
    return 0;
}

// ---- Deletions ----

int MidiTrackData::DeleteControlChange(int controller) {
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = events_[i];
        if (e->kind == event_kind::kControlChange && e->subtype == controller) {
            DeleteEvent(i);
            return 1;
        }
    }
    return 0;
}

void MidiTrackData::DeleteProgramChanges(int channel) {
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind == event_kind::kProgramChange && (channel == -1 || e->channel == channel)) {
            e->Clear();
        }
    }
    RemoveClearedEvents();
}

void MidiTrackData::DeletePitchBends() {
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind == event_kind::kPitchBend && e->channel >= 0 && e->channel < 16) e->Clear();
    }
    RemoveClearedEvents();
}

int MidiTrackData::DeleteSysExOfClass(int cls) {
    for (int i = 0; i < eventCount_; ++i) {
        if (events_[i]->IsSysEx() && events_[i]->subtype == cls) {
            DeleteEvent(i);
            return 1;
        }
    }
    return 0;
}

void MidiTrackData::DeleteChannelEvents(int channel) {
    for (int i = 0; i < eventCount_; ++i) {
        if (events_[i]->channel == channel) events_[i]->Clear();
    }
    RemoveClearedEvents();
}

int MidiTrackData::DeleteMetaEvent(int type, int all) {
    int deleted = 0;
    for (int i = 0; i < eventCount_; ++i) {
        if (!events_[i]->IsMeta(type)) continue;
        events_[i]->Clear();
        ++deleted;
        if (all != 1) break;
    }
    RemoveClearedEvents();
    return deleted;
}

void MidiTrackData::RemoveExtraTrackNames() {
    bool first = true;
    for (int i = 0; i < eventCount_; ++i) {
        if (!events_[i]->IsMeta(meta_type::kTrackName)) continue;
        if (!first) events_[i]->Clear();
        first = false;
    }
    RemoveClearedEvents();
}

// ---- Order within a tick ----

void MidiTrackData::MoveSysExFirst() {
    MoveToRunStart([](const MidiEvent& e) {
        return e.kind == event_kind::kSysEx || e.kind == event_kind::kEscapedSysEx;
    });
}

void MidiTrackData::MoveGmSystemOnFirst() {
    MoveToRunStart(
        [](const MidiEvent& e) { return e.IsSysEx() && e.subtype == sysex_class::kGmSystemOn; });
}

void MidiTrackData::MoveToSlotStart(int kind, int subtype, std::string_view pattern) {
    MoveToRunStart([&](const MidiEvent& e) {
        if (e.kind != kind || (subtype != -1 && e.subtype != subtype)) return false;
        return pattern.empty() || e.DataText().find(pattern) != std::string_view::npos;
    });
}

// ---- Cutting and time spans ----

void MidiTrackData::CutAt(long long time) {
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        long long previous = t;
        t += events_[i]->delta;
        if (t < time) continue;
        events_[i]->delta = static_cast<int>(std::max(0LL, time - previous));
        for (int j = i + 1; j < eventCount_; ++j)
            TakeAt(j);
        eventCount_ = i + 1;
        return;
    }
}

void MidiTrackData::CropToRange(long long start, long long end) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return;
    }
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        t += events_[i]->delta;
        if (t >= end) events_[i]->Clear();
    }
    RemoveClearedEvents();
    if (start > 0) RemoveTimeRange(0, start);
}

int MidiTrackData::RemoveTimeRange(long long start, long long end) {
    if (start < 0 || (noteMode_ != note_mode::kLength && noteMode_ != note_mode::kNoteOnOff)) {
        ShowError(mdtk::kDataInvalid);
        return 0;
    }
    if (end <= start) return 0;
    bool onOff = noteMode_ == note_mode::kNoteOnOff;
    if (onOff) ConvertToNoteLength();
    std::vector<long long> times = AbsoluteTimes();
    long long span = end - start;
    long long previous = 0;
    bool negative = false;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        long long t = times[static_cast<std::size_t>(i)];
        long long moved = t < start ? t : t < end ? start : t - span;
        if (t >= start && t < end && (e->IsNoteWithLength() || e->kind == event_kind::kPitchBend)) {
            e->Clear();
        }
        e->delta = static_cast<int>(moved - previous);
        if (e->delta < 0) negative = true;
        previous = moved;
    }
    if (negative) ShowError(mdtk::kInvalidMusic);
    RemoveClearedEvents();
    if (onOff) ConvertToNoteOnOff();
    return 1;
}

void MidiTrackData::DeleteTimeSpan(long long start, long long end, int clearNotes, int clearAtEnd,
                                   int clearAtStart) {
    if (end <= start) return;
    std::vector<long long> times = AbsoluteTimes();
    long long span = end - start;
    long long previous = 0;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        long long t = times[static_cast<std::size_t>(i)];
        long long moved = t <= start ? t : t <= end ? start : t - span;
        if (clearNotes == 1 && e->IsNoteWithLength()) {
            bool inside = (t > start && t < end) || (t == end && clearAtEnd == 1) ||
                          (t == start && clearAtStart == 1);
            if (inside) e->Clear();
        }
        e->delta = static_cast<int>(moved - previous);
        previous = moved;
    }
    if (clearNotes == 1) RemoveClearedEvents();
}

MidiTrackData::MidiTrackData(const MidiTrackData& source, int start, int end, int capacity)
    : MidiTrackData(capacity) {
    noteMode_ = source.noteMode_;
    if (source.noteMode_ != note_mode::kLength && source.noteMode_ != note_mode::kNoteOnOff) {
        ShowError(mdtk::kInternal);
        return;
    }
    if (start < 0 || end < start) {
        ShowError(mdtk::kInvalidParameter);
        return;
    }
    std::vector<long long> times = source.AbsoluteTimes();
    OwnedEvents kept;
    std::vector<long long> keptTimes;
    SoundingTable sounding;
    bool onOff = source.noteMode_ == note_mode::kNoteOnOff;
    for (int i = 0; i < source.eventCount_; ++i) {
        const MidiEvent* e = source.events_[i];
        long long t = times[static_cast<std::size_t>(i)];
        if (t >= end) break;
        bool before = t < start;
        if (before && (e->IsNoteWithLength() || e->IsNoteOn() || e->IsNoteOff())) continue;
        if (onOff && (e->IsNoteOn() || e->IsNoteOff())) {
            // Only notes begun inside the span are copied and closed.
            if (!SoundingTable::Valid(e->channel, e->note)) continue;
            std::uint8_t& flag = sounding.on[e->channel][e->note];
            if (e->IsNoteOff() && !flag) continue;
            flag = e->IsNoteOn() ? 1 : 0;
        }
        kept.push_back(std::make_unique<MidiEvent>(*e));
        keptTimes.push_back(before ? 0 : t - start);
    }
    // Notes still sounding at the end of the span end there.
    if (onOff) {
        for (int ch = 0; ch < 16; ++ch) {
            for (int key = 0; key < 128; ++key) {
                if (!sounding.on[ch][key]) continue;
                auto off = std::make_unique<MidiEvent>(0);
                off->SetNoteOff(ch, key);
                off->velocity = 64;
                kept.push_back(std::move(off));
                keptTimes.push_back(end - start);
            }
        }
    }
    // Before the first note only the last pitch bend, and a pitch bend right
    // before it, survive.
    std::size_t firstNote = kept.size();
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (kept[i]->IsNoteStart()) {
            firstNote = i;
            break;
        }
    }
    std::size_t lastBend = kept.size();
    for (std::size_t i = firstNote; i-- > 0;) {
        if (kept[i]->kind == event_kind::kPitchBend) {
            lastBend = i;
            break;
        }
    }
    for (std::size_t i = 0; i < firstNote; ++i) {
        if (kept[i]->kind != event_kind::kPitchBend) continue;
        if (i == lastBend || i + 1 == lastBend) continue;
        kept[i]->Clear();
    }
    if (kept.empty() || !kept.back()->IsEndOfTrack()) {
        auto eot = std::make_unique<MidiEvent>(0);
        eot->kind = event_kind::kMeta;
        eot->subtype = meta_type::kEndOfTrack;
        keptTimes.push_back(keptTimes.empty() ? 0 : keptTimes.back());
        kept.push_back(std::move(eot));
    }
    PutEventsAtTimes(std::move(kept), keptTimes);
    RemoveClearedEvents();
}

// ---- Controllers ----

void MidiTrackData::FoldExpressionIntoVolume() {
    int volume[16];
    int expression[16];
    std::fill(volume, volume + 16, 127);
    std::fill(expression, expression + 16, 127);
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind != event_kind::kControlChange || e->channel < 0 || e->channel > 15) continue;
        int ch = e->channel;
        if (e->subtype == kVolume) {
            volume[ch] = e->value;
        } else if (e->subtype == kExpression) {
            expression[ch] = e->value;
            e->subtype = kVolume;
        } else {
            continue;
        }
        e->value = volume[ch] * expression[ch] / 127;
        RefreshControlBytes(e);
    }
}

void MidiTrackData::RemoveRedundantPrograms() {
    if (noteMode_ != note_mode::kLength && noteMode_ != note_mode::kNoteOnOff) {
        ShowError(mdtk::kInternal);
        return;
    }
    auto isBank = [](const MidiEvent& e) {
        return e.kind == event_kind::kControlChange &&
               (e.subtype == kBankMsb || e.subtype == kBankLsb);
    };
    auto isProgram = [](const MidiEvent& e) { return e.kind == event_kind::kProgramChange; };
    int lastNote[16];
    std::fill(lastNote, lastNote + 16, -1);
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = events_[i];
        if (e->IsNoteStart() && e->channel >= 0 && e->channel < 16) lastNote[e->channel] = i;
    }
    // Of simultaneous settings of one channel only the last counts.
    for (int i = 0; i < eventCount_;) {
        int end = i + 1;
        while (end < eventCount_ && events_[end]->delta == 0)
            ++end;
        for (int a = i; a < end; ++a) {
            MidiEvent* e = events_[a];
            if (!isProgram(*e) && !isBank(*e)) continue;
            for (int b = a + 1; b < end; ++b) {
                const MidiEvent* later = events_[b];
                if (later->channel == e->channel && later->kind == e->kind &&
                    (isProgram(*e) || later->subtype == e->subtype)) {
                    e->Clear();
                    break;
                }
            }
        }
        i = end;
    }
    int program[16], msb[16], lsb[16];
    bool bankChanged[16] = {};
    std::fill(program, program + 16, -1);
    std::fill(msb, msb + 16, -1);
    std::fill(lsb, lsb + 16, -1);
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if ((!isProgram(*e) && !isBank(*e)) || e->channel < 0 || e->channel > 15) continue;
        int ch = e->channel;
        if (i > lastNote[ch]) {
            e->Clear();
            continue;
        }
        if (isProgram(*e)) {
            // A repeated program still selects a bank that changed before it.
            if (e->value == program[ch] && !bankChanged[ch]) {
                e->Clear();
            } else {
                program[ch] = e->value;
                bankChanged[ch] = false;
            }
            continue;
        }
        int& current = e->subtype == kBankMsb ? msb[ch] : lsb[ch];
        if (e->value == current) {
            e->Clear();
        } else {
            current = e->value;
            bankChanged[ch] = true;
        }
    }
    RemoveClearedEvents();
}

void MidiTrackData::NormalizePitchBendRange() {
    // A centred pitch bend before each channel's first note, unless the
    // channel bends before it.
    bool bent[16] = {};
    bool noted[16] = {};
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->channel < 0 || e->channel > 15) continue;
        int ch = e->channel;
        if (e->kind == event_kind::kPitchBend) bent[ch] = true;
        if (!e->IsNoteStart() || noted[ch]) continue;
        noted[ch] = true;
        if (bent[ch]) continue;
        auto bend = std::make_unique<MidiEvent>(e->delta);
        bend->kind = event_kind::kPitchBend;
        bend->channel = ch;
        bend->SetPitchBendValue(kCentreBend);
        if (InsertEvent(i, 2, std::move(bend)) >= 0) {
            events_[i + 1]->delta = 0;
            ++i;
        }
        bent[ch] = true;
    }
    // Fine tuning (registered parameter 0,1) given with controller 38 is
    // folded into the channel's later pitch bends, scaled by its bend range
    // (registered parameter 0,0; 2 semitones unless set).
    int rpnMsb[16], rpnLsb[16], range[16], tuneMsb[16], offset[16];
    std::fill(rpnMsb, rpnMsb + 16, 127);
    std::fill(rpnLsb, rpnLsb + 16, 127);
    std::fill(range, range + 16, 2);
    std::fill(tuneMsb, tuneMsb + 16, 64);
    std::fill(offset, offset + 16, 0);
    std::vector<int> tuningEvents[16];
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->channel < 0 || e->channel > 15) continue;
        int ch = e->channel;
        if (e->kind == event_kind::kPitchBend) {
            if (offset[ch] != 0) e->SetPitchBendValue(e->GetPitchBendValue() + offset[ch]);
            continue;
        }
        if (e->kind != event_kind::kControlChange) continue;
        bool bendRange = rpnMsb[ch] == 0 && rpnLsb[ch] == 0;
        bool fineTuning = rpnMsb[ch] == 0 && rpnLsb[ch] == 1;
        switch (e->subtype) {
            case kRpnMsb:
                rpnMsb[ch] = e->value;
                break;
            case kRpnLsb:
                rpnLsb[ch] = e->value;
                break;
            case kDataEntryMsb:
                if (bendRange && e->value > 0) range[ch] = e->value;
                if (fineTuning) {
                    tuneMsb[ch] = e->value;
                    tuningEvents[ch].push_back(i);
                }
                break;
            case kDataEntryLsb:
                if (fineTuning) {
                    double cents = TuningWordToCents(tuneMsb[ch] * 256 + e->value);
                    offset[ch] = CentsToBend(cents, range[ch]);
                    for (int k : tuningEvents[ch])
                        events_[k]->Clear();
                    tuningEvents[ch].clear();
                    e->Clear();
                }
                break;
            default:
                break;
        }
    }
    RemoveClearedEvents();
}
