// Queries: what a track holds, without changing it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "midi/sysex.h"
#include "midi/track_data.h"

namespace {

bool InRange(long long t, long long start, long long end) {
    return t >= start && t < end;
}

// The value of the first meta of a type; 1 when there is one.
int FirstMetaValue(const MidiTrackData& track, int type, int* value) {
    for (int i = 0; i < track.EventCount(); ++i) {
        if (track.Event(i)->IsMeta(type)) {
            if (value) *value = track.Event(i)->value;
            return 1;
        }
    }
    return 0;
}

// The most notes sounding at the end of any tick, from the notes of a track
// in length mode, without building its note-on/note-off copy. At one tick
// the copy puts the note-offs before everything else, so a key sounds after
// the tick when a note starts on it there, and stops when only a note ends
// there. -1 when the copy could order a tick otherwise (raw note-ons or
// note-offs, negative deltas, lengths or velocities) or could not hold
// every note-off: the caller then counts on the copy.
int SoundingPeakOfNotes(const MidiTrackData& track, int maxEvents) {
    constexpr int kKeyBits = 11;  // channel * 128 + key
    std::vector<long long> ons;   // start << kKeyBits | key, in start order
    std::vector<long long> offs;  // end << kKeyBits | key
    long long t = 0;
    std::size_t notes = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->delta < 0 || e->kind == event_kind::kNoteOn || e->kind == event_kind::kNoteOff)
            return -1;
        t += e->delta;
        if (!e->IsNoteWithLength() || e->length == 0 || e->velocity == 0) continue;
        if (e->length < 0 || e->velocity < 0) return -1;
        ++notes;
        if (!SoundingTable::Valid(e->channel, e->note)) continue;
        const long long key = e->channel * 128 + e->note;
        ons.push_back(t << kKeyBits | key);
        offs.push_back((t + e->length) << kKeyBits | key);
    }
    if (static_cast<std::size_t>(track.EventCount()) + notes > static_cast<std::size_t>(maxEvents))
        return -1;
    std::sort(offs.begin(), offs.end());
    auto timeOf = [](long long packed) { return packed >> kKeyBits; };
    auto flagOf = [](SoundingTable& table, long long packed) -> std::uint8_t& {
        const long long key = packed & ((1 << kKeyBits) - 1);
        return table.on[key >> 7][key & 127];
    };
    SoundingTable table;
    int sounding = 0;
    int most = 0;
    std::size_t on = 0;
    std::size_t off = 0;
    while (on < ons.size() || off < offs.size()) {
        const long long tick = on == ons.size()     ? timeOf(offs[off])
                               : off == offs.size() ? timeOf(ons[on])
                                                    : std::min(timeOf(ons[on]), timeOf(offs[off]));
        for (; off < offs.size() && timeOf(offs[off]) == tick; ++off) {
            std::uint8_t& flag = flagOf(table, offs[off]);
            sounding -= flag;
            flag = 0;
        }
        for (; on < ons.size() && timeOf(ons[on]) == tick; ++on) {
            std::uint8_t& flag = flagOf(table, ons[on]);
            sounding += 1 - flag;
            flag = 1;
        }
        most = std::max(most, sounding);
    }
    return most;
}

}  // namespace

int MidiTrackData::GetFirstChannel() const {
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (e->channel != kNoChannel && !e->IsSysEx()) return e->channel;
    }
    return kNoChannel;
}

int MidiTrackData::GetFirstPortChannel() const {
    int channel = GetFirstChannel();
    if (channel == kNoChannel) return channel;
    for (int i = eventCount_ - 1; i >= 0; --i) {
        const MidiEvent* e = Event(i);
        if (e->IsMeta(meta_type::kInstrumentName))
            return e->IsSc88ModeText() ? channel + 16 : channel;
    }
    return channel;
}

int MidiTrackData::IsDrumChannel(int channel) const {
    if (channel == 9) return 1;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (e->IsSysEx() && e->subtype == sysex_class::kGsRhythmPart && e->channel == channel) {
            return 1;
        }
    }
    return 0;
}

int MidiTrackData::GetFirstProgram() const {
    int found = -1;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (e->kind != event_kind::kProgramChange) continue;
        if (e->value != 0) return e->value;
        found = 0;
    }
    return found;
}

int MidiTrackData::GetLastProgramOfChannel(int channel) const {
    for (int i = eventCount_ - 1; i >= 0; --i) {
        const MidiEvent* e = Event(i);
        if (e->kind == event_kind::kProgramChange && e->channel == channel) return e->value;
    }
    return -1;
}

int MidiTrackData::GetXgPartValue(int part) const {
    for (int i = eventCount_ - 1; i >= 0; --i) {
        const MidiEvent* e = Event(i);
        const std::uint8_t* d = e->GetData();
        if (!e->IsSysEx() || !d || e->DataLength() < 10) continue;
        const std::uint8_t head[8] = {
            0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, static_cast<std::uint8_t>(part), 0x03};
        if (std::memcmp(d, head, sizeof head) == 0 && d[9] == 0xF7) return d[8];
    }
    return -1;
}

int MidiTrackData::GetChannelProgram(int channel) const {
    int program = GetLastProgramOfChannel(channel);
    return program >= 0 ? program : GetXgPartValue(channel);
}

int MidiTrackData::IsBendableVoice(int channel) const {
    int program = GetChannelProgram(channel);
    return program > 15 && program != 99 ? 1 : 0;
}

int MidiTrackData::FindControlValue(int controller) const {
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (e->kind == event_kind::kControlChange && e->subtype == controller) return e->value;
    }
    return -1;
}

int MidiTrackData::GetMetaText(int type, std::string& out) const {
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (!e->IsMeta(type)) continue;
        out.assign(e->DataText().substr(0, static_cast<std::size_t>(e->DataLength())));
        return 1;
    }
    out.clear();
    return 0;
}

int MidiTrackData::GetTimeSignature(int* code) const {
    return FirstMetaValue(*this, meta_type::kTimeSignature, code);
}

int MidiTrackData::GetTempo(int* microseconds) const {
    return FirstMetaValue(*this, meta_type::kTempo, microseconds);
}

int MidiTrackData::FindKeySignature(std::uint8_t bytes[2], int index) const {
    for (int i = std::max(index, 0); i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (!e->IsMeta(meta_type::kKeySignature) || !e->GetData() || e->DataLength() < 2) continue;
        bytes[0] = e->GetData()[0];
        bytes[1] = e->GetData()[1];
        return 1;
    }
    return 0;
}

long long MidiTrackData::FindMetaTextTime(int type, std::string_view text) const {
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        t += e->delta;
        if (e->IsMeta(type) &&
            e->DataText().substr(0, static_cast<std::size_t>(e->DataLength())) == text) {
            return t;
        }
    }
    return -1;
}

int MidiTrackData::GetMasterVolume() const {
    const MasterVolumeFind find = FindMasterVolume();
    if (find.count > 1) ShowWarningOnce(mdtk::kSeveralMasterVolumes);
    return find.volume;
}

MasterVolumeFind MidiTrackData::FindMasterVolume() const {
    MasterVolumeFind find;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (e->IsSysEx() && e->subtype == sysex_class::kMasterVolume) {
            find.volume = e->value;
            ++find.count;
        }
    }
    return find;
}

int MidiTrackData::CountEventsOfChannel(int channel) const {
    int n = 0;
    for (int i = 0; i < eventCount_; ++i)
        n += Event(i)->channel == channel;
    return n;
}

int MidiTrackData::CountNotes() const {
    int n = 0;
    for (int i = 0; i < eventCount_; ++i)
        n += Event(i)->IsNoteStart();
    return n;
}

int MidiTrackData::CountNotesOfChannel(int channel) const {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    int n = 0;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        n += e->IsNoteWithLength() && e->velocity > 0 && e->channel == channel;
    }
    return n;
}

int MidiTrackData::CountNotesOfPitch(int key) const {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    int n = 0;
    for (int i = 0; i < eventCount_; ++i)
        n += Event(i)->IsNoteWithLength() && Event(i)->note == key;
    return n;
}

int MidiTrackData::CountNotesInRange(long long start, long long end) const {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    int n = 0;
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        t += Event(i)->delta;
        n += Event(i)->IsNoteWithLength() && InRange(t, start, end);
    }
    return n;
}

int MidiTrackData::FirstNoteIndex() const {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    for (int i = 0; i < eventCount_; ++i) {
        if (Event(i)->IsNoteWithLength()) return i;
    }
    return -1;
}

long long MidiTrackData::FirstNoteTimeInRange(long long start, long long end) const {
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        t += Event(i)->delta;
        if (t >= end) break;
        if (t >= start && Event(i)->IsNoteStart()) return t;
    }
    return 0;
}

long long MidiTrackData::LastNoteTimeInRange(long long start, long long end) const {
    long long t = 0;
    long long last = 0;
    for (int i = 0; i < eventCount_; ++i) {
        t += Event(i)->delta;
        if (t >= end) break;
        if (t >= start && Event(i)->IsNoteStart()) last = t;
    }
    return last;
}

long long MidiTrackData::TicksToNextNote(int index) const {
    long long ticks = 0;
    for (int i = std::max(index + 1, 0); i < eventCount_; ++i) {
        ticks += Event(i)->delta;
        if (Event(i)->IsNoteStart()) return ticks;
    }
    return -1;
}

long long MidiTrackData::GetEndTime() const {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    long long t = 0;
    long long end = 0;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        t += e->delta;
        end = std::max(end, t);
        if (e->IsNoteWithLength()) end = std::max(end, t + e->length);
    }
    return end;
}

long long MidiTrackData::GetTotalTicks() const {
    // In mode 2 the note-on/off form would end at the latest note end of the
    // notes it keeps (length and velocity not 0), or at the last event.
    long long t = 0;
    long long end = 0;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        t += e->delta;
        if (noteMode_ == note_mode::kLength && e->IsNoteWithLength() && e->length != 0 &&
            e->velocity != 0) {
            end = std::max(end, t + std::max(e->length, 0));
        }
    }
    return std::max(t, end);
}

int MidiTrackData::GetMaxPolyphony() const {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    const int peak = SoundingPeakOfNotes(*this, maxEvents_);
    if (peak >= 0) return peak;
    MidiTrackData copy(*this, capacity_);
    copy.ConvertToNoteOnOff();
    SoundingTable table;
    int sounding = 0;
    int most = 0;
    for (int i = 0; i < copy.eventCount_; ++i) {
        const MidiEvent* e = copy.Event(i);
        if (e->delta > 0 || i == copy.eventCount_ - 1) most = std::max(most, sounding);
        if (!SoundingTable::Valid(e->channel, e->note)) continue;
        std::uint8_t& flag = table.on[e->channel][e->note];
        if (e->IsNoteOn() && !flag) {
            flag = 1;
            ++sounding;
        } else if (e->IsNoteOff() && flag) {
            flag = 0;
            --sounding;
        }
    }
    return most;
}

int MidiTrackData::HasOverlappingNotes() const {
    if (noteMode_ == note_mode::kLength) {
        MidiTrackData copy(*this, capacity_);
        copy.ConvertToNoteOnOff();
        return copy.HasOverlappingNotes();
    }
    SoundingTable table;
    int found = 0;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (!e->IsNoteOn() && !e->IsNoteOff()) continue;
        if (e->note < 0 || e->note > 127) {
            ShowError(mdtk::kWrongNote);
            continue;
        }
        if (!SoundingTable::Valid(e->channel, e->note)) continue;
        std::uint8_t& flag = table.on[e->channel][e->note];
        if (e->IsNoteOn()) {
            if (flag) found = 1;
            flag = 1;
        } else {
            flag = 0;
        }
    }
    return found;
}
