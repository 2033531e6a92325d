// MFM "trac" chunks both ways: four-byte events read into a ringtone track,
// and a ringtone track written as such events.
#include <algorithm>
#include <climits>

#include "convert/ringtone/mfm_data.h"
#include "core/byte_cursor.h"
#include "core/utilities.h"

namespace {

constexpr std::size_t kChunkHead = 8;
constexpr std::size_t kUnit = 4;
constexpr int kMaxByte = 255;
constexpr int kMaxGate = 255;
constexpr int kGateSplitStep = 254;
constexpr int kMaxClosingGate = 254;
constexpr int kLongestWait = 0xFFFF;
constexpr std::uint8_t kExt = 0xFF;
constexpr int kExtendedKey = 0x3F;
constexpr int kKeyTop = 62;
constexpr int kTempoFloor = 20;
constexpr int kTempoTop = 275;
constexpr int kProgramTop = 127;

// The drums of the General MIDI map above key 62, which a drum channel's
// six key bits cannot hold, each with the drum MFM has that sounds nearest:
// hand drums for hand drums, toms for the timbales and surdos, a bell for
// the bells and triangles, the side stick for the wood clicks, the
// tambourine for the shakers and the vibraslap for the scrapers.
struct DrumStandIn {
    int key;
    int standIn;
};
constexpr int kFirstStandIn = 63;
constexpr int kStandInCount = 19;
constexpr DrumStandIn kDrumStandIns[kStandInCount] = {
    {63, 62},  // open high conga: mute high conga
    {64, 61},  // low conga: low bongo
    {65, 50},  // high timbale: high tom
    {66, 48},  // low timbale: high-mid tom
    {67, 56},  // high agogo: cowbell
    {68, 56},  // low agogo: cowbell
    {69, 54},  // cabasa: tambourine
    {70, 54},  // maracas: tambourine
    {71, 53},  // short whistle: ride bell
    {72, 53},  // long whistle: ride bell
    {73, 58},  // short guiro: vibraslap
    {74, 58},  // long guiro: vibraslap
    {75, 37},  // claves: side stick
    {76, 37},  // high wood block: side stick
    {77, 37},  // low wood block: side stick
    {78, 62},  // mute cuica: mute high conga
    {79, 60},  // open cuica: high bongo
    {80, 53},  // mute triangle: ride bell
    {81, 53},  // open triangle: ride bell
};
// Keys past the map become the kick, as the drum range limit makes them.
constexpr int kOutsideStandIn = 35;

namespace op {
constexpr int kWait = 0xB0;
constexpr int kClose = 0xB1;
constexpr int kTempo = 0xBF;
constexpr int kProgramHigh = 0xD1;
constexpr int kProgram = 0xD2;
constexpr int kVolume = 0xD3;
constexpr int kPan = 0xD4;
constexpr int kD5 = 0xD5;
constexpr int kD6 = 0xD6;
}  // namespace op

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, INT_MAX));
}

std::uint8_t Byte(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

}  // namespace

bool MfmOctaveKey(int note, int* key, int* octave) {
    if (note < 0 || note > 127) return false;
    if (note <= 44) {
        *key = note;
        *octave = 2;
    } else if (note <= 107) {
        *key = note - 45;
        *octave = 0;
    } else {
        *key = note - 65;
        *octave = 1;
    }
    return true;
}

int MfmOctaveNote(int key, int octave) {
    switch (octave) {
        case 2: return key >= 0 && key <= 44 ? key : 0;
        case 0: return key >= 0 && key <= kKeyTop ? key + 45 : 0;
        case 1: return key >= 43 && key <= kKeyTop ? key + 65 : 0;
        default: return 0;
    }
}

int MfmDrumKey(int note) {
    if (note >= 0 && note <= kKeyTop) return note;
    const int row = note - kFirstStandIn;
    return row >= 0 && row < kStandInCount ? kDrumStandIns[row].standIn : kOutsideStandIn;
}

int MfmTempoByte(int microseconds) {
    // A tempo below a millisecond per quarter is as fast as the byte goes.
    const int bpm = microseconds < 1000 ? kTempoTop : TempoToBpm(microseconds);
    return std::clamp(bpm, kTempoFloor, kTempoTop) - kTempoFloor;
}

MFMTrack::MFMTrack(int index) : track_(std::make_unique<MobileTrackData>(0)), index_(index) {
    kinds_.fill(kKindOctave);
    if (index == kDrumTrack) kinds_[kDrumChannel] = kKindDirect;
}

MFMTrack::MFMTrack(std::unique_ptr<MobileTrackData> track, int index, const std::array<int, kChannels>& kinds)
    : track_(std::move(track)), kinds_(kinds), index_(index) {
    if (!track_) track_ = std::make_unique<MobileTrackData>(0);
}

int MFMTrack::Kind(int channel) const {
    return channel >= 0 && channel < kChannels ? kinds_[static_cast<std::size_t>(channel)] : 0;
}

// ---- Reading ----

std::size_t MFMTrack::Read(std::span<const std::uint8_t> bytes, bool* cut, ReadLog& log, std::size_t origin) {
    ByteCursor in(bytes);
    std::uint32_t length = 0;
    const bool named = in.Matches("trac");
    // A head or a length that runs past the bytes: the file is cut.
    *cut = !in.Skip(4) || !in.ReadBe32(length) || length > in.Left();
    if (!named || *cut) {
        log.AddOnce(kMfmTrackFindings, fmtk::kTrackInvalid, origin);
        return 0;
    }
    if (index_ == kDrumTrack) track_->AppendMetaEvent(0, kDrumChannel, mobile_code::kKind, kDrumKindValue);
    const std::span<const std::uint8_t> events = in.Take(length);
    ReadEvents(events, log, origin + kChunkHead);
    return kChunkHead + events.size();
}

void MFMTrack::ReadEvents(std::span<const std::uint8_t> events, ReadLog& log, std::size_t origin) {
    std::array<int, kChannels> high{};
    long long pending = 0;
    bool zeroWarned = false;
    MobileTrackData& t = *track_;
    ByteCursor in(events);
    while (in.Has(kUnit)) {
        const std::size_t at = origin + in.Offset();
        const std::span<const std::uint8_t> unit = in.Take(kUnit);
        const int s = unit[1];
        const int x = unit[2];
        const int y = unit[3];
        pending += unit[0];
        if (s != kExt) {
            const int channel = s >> 6;
            const int key = s & 0x3F;
            if (key == kExtendedKey) {
                t.AppendMetaEvent(ClampDelta(pending), channel, mobile_code::kPitchBend,
                                  (x < 64 ? x : kExtendedKey) * 2);
                pending = 0;
            } else if (x == 0) {
                // A note without a gate is only its wait; the warning comes
                // once per track.
                if (!zeroWarned) log.Add(kMfmTrackFindings, fmtk::kZeroLength, at);
                zeroWarned = true;
            } else {
                const int note = Kind(channel) == kKindDirect ? key : MfmOctaveNote(key, y & 3);
                t.AppendNote(ClampDelta(pending), channel, note, x, (y >> 2) * 2);
                pending = 0;
            }
            continue;
        }
        const int channel = y >> 6;
        const int low = y & 0x3F;
        int subtype = -1;
        int value = 0;
        switch (x) {
            case op::kWait: pending += static_cast<long long>(y) * 256; break;
            case op::kTempo: subtype = mobile_code::kTempo, value = BpmToTempo(y + kTempoFloor); break;
            case op::kProgramHigh: high[static_cast<std::size_t>(channel)] = low; break;
            case op::kProgram:
                subtype = mobile_code::kProgram;
                value = std::min(high[static_cast<std::size_t>(channel)] * 64 + low, kProgramTop);
                break;
            case op::kVolume: subtype = mobile_code::kVolume, value = low * 2; break;
            case op::kPan: subtype = mobile_code::kPan, value = low * 2; break;
            case op::kD5: subtype = mfm_code::kD5, value = y; break;
            case op::kD6: subtype = mfm_code::kD6, value = y; break;
            default: break;  // any other extension is a plain wait
        }
        if (subtype < 0) continue;
        t.AppendMetaEvent(ClampDelta(pending), channel, subtype, value);
        pending = 0;
    }
    if (!in.AtEnd()) log.AddOnce(kMfmTrackFindings, fmtk::kDataInvalid, origin + in.Offset());
    if (pending > 0) t.AppendEmptyEvent(ClampDelta(pending));
}

// ---- Writing ----

int MFMTrack::Prepare() {
    MobileTrackData& t = *track_;
    t.RemoveControls(mobile_code::kKind);
    t.RemoveControls(mobile_code::kEndOfTrack);
    t.RemoveControls(mobile_code::kFormat67);
    // A drum the key bits cannot hold plays as the nearest drum they can.
    int moved = 0;
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (e.kind != mobile_kind::kNote || Kind(e.channel) != kKindDirect) continue;
        const int key = MfmDrumKey(e.note);
        if (key == e.note) continue;
        e.note = key;
        ++moved;
    }
    if (index_ == kDrumTrack) {
        // The drum channel has no program: its changes become waits.
        for (int i = 0; i < t.Count(); ++i) {
            MidiEvent& e = *t.Event(i);
            if (e.channel == kDrumChannel && e.kind == mobile_kind::kControl && e.subtype == mobile_code::kProgram)
                e.kind = mobile_kind::kCleared;
        }
        t.RemoveClearedEvents();
    }
    // A gate above 255 keeps 255 and goes on as a copy 254 ticks later.
    t.SplitLongGates(kMaxGate, kGateSplitStep);
    return moved;
}

void MFMTrack::SplitLongWaits() {
    MobileTrackData& t = *track_;
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (e.delta <= kMaxByte || e.kind == mobile_kind::kCleared) continue;
        auto wait = std::make_unique<MidiEvent>(e.delta - e.delta % 256);
        wait->kind = mobile_kind::kCleared;
        e.delta %= 256;
        t.InsertEvent(i, 2, std::move(wait));
        ++i;
    }
}

void MFMTrack::PutWait(int delta) {
    // Each wait unit holds up to 0xFFFF ticks.
    while (delta > kLongestWait) {
        for (std::uint8_t b : {kExt, kExt, std::uint8_t{op::kWait}, kExt})
            bytes_.push_back(b);
        delta -= kLongestWait;
    }
    if (delta <= 0) return;
    for (std::uint8_t b : {Byte(delta), kExt, std::uint8_t{op::kWait}, Byte(delta >> 8)})
        bytes_.push_back(b);
}

void MFMTrack::PutUnit(int delta, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    delta = std::max(delta, 0);
    if (delta > kMaxByte) {
        PutWait(delta - delta % 256);
        delta %= 256;
    }
    for (std::uint8_t v : {Byte(delta), a, b, c})
        bytes_.push_back(v);
}

bool MFMTrack::EncodeNote(const MidiEvent& e, std::uint8_t out[3]) const {
    const int channel = e.channel;
    if (channel < 0 || channel >= kChannels) {
        ShowMfmTrackError(fmtk::kDataInvalid);
        return false;
    }
    int key = 0;
    int octave = 0;
    if (Kind(channel) == kKindDirect) {
        // A key above 62 would spill into the channel bits.
        if (e.note < 0 || e.note > kKeyTop) {
            ShowMfmTrackError(fmtk::kNoteInvalid);
            return false;
        }
        key = e.note;
    } else if (Kind(channel) == kKindOctave) {
        if (!MfmOctaveKey(e.note, &key, &octave)) {
            ShowMfmTrackError(fmtk::kNoteInvalid);
            return false;
        }
    } else {
        ShowMfmTrackError(fmtk::kChannelType);
        return false;
    }
    if (index_ == kDrumTrack && channel == kDrumChannel) octave = 2;
    const int velocity = std::clamp(e.velocity, 0, 127);
    out[0] = Byte(channel * 64 + key);
    out[1] = Byte(std::clamp(e.length, 0, kMaxGate));
    out[2] = Byte(octave + (velocity / 2) * 4);
    return true;
}

bool MFMTrack::EncodeControl(const MidiEvent& e) {
    const int channel = e.channel >= 0 && e.channel < kChannels ? e.channel : 0;
    const int c = channel * 64;
    const int v = e.value;
    switch (e.subtype) {
        case mobile_code::kProgram: {
            const int p = std::clamp(v, 0, kProgramTop);
            PutUnit(e.delta, kExt, op::kProgramHigh, Byte(c + p / 64));
            PutUnit(0, kExt, op::kProgram, Byte(c + p % 64));
            return true;
        }
        case mobile_code::kVolume: PutUnit(e.delta, kExt, op::kVolume, Byte(c + std::clamp(v, 0, 127) / 2)); return true;
        case mobile_code::kPan: PutUnit(e.delta, kExt, op::kPan, Byte(c + std::clamp(v, 0, 127) / 2)); return true;
        case mobile_code::kTempo: PutUnit(e.delta, kExt, op::kTempo, Byte(MfmTempoByte(v))); return true;
        case mobile_code::kPitchBend:
            // Channel 3's extended event would be the FF escape: it stays a wait.
            if (channel == kChannels - 1) return false;
            PutUnit(e.delta, Byte(c + kExtendedKey), Byte(std::clamp(v, 0, 127) / 2), Byte(e.note & 0x7F));
            return true;
        case mfm_code::kD5: PutUnit(e.delta, kExt, op::kD5, Byte(v)); return true;
        case mfm_code::kD6: PutUnit(e.delta, kExt, op::kD6, Byte(v)); return true;
        // The model's controls MFM has no unit for stay waits.
        case mobile_code::kBendRange:
        case mobile_code::kModulation:
        case mobile_code::kMasterVolume: return false;
        default:
            ShowMfmTrackError(fmtk::kNoForm);
            return false;
    }
}

void MFMTrack::WriteEvent(const MidiEvent& e) {
    if (e.kind == mobile_kind::kNote) {
        std::uint8_t unit[3];
        if (EncodeNote(e, unit)) {
            PutUnit(e.delta, unit[0], unit[1], unit[2]);
            return;
        }
    } else if (e.kind == mobile_kind::kControl) {
        if (EncodeControl(e)) return;
    } else if (e.kind != mobile_kind::kCleared) {
        ShowMfmTrackError(fmtk::kDataInvalid);
    }
    // What writes nothing still keeps its time.
    PutWait(e.delta);
}

void MFMTrack::Write() {
    const MobileTrackData& t = *track_;
    bytes_.assign({'t', 'r', 'a', 'c', 0, 0, 0, 0});
    long long now = 0;
    long long last = 0;
    for (int i = 0; i < t.Count(); ++i) {
        const MidiEvent& e = *t.Event(i);
        now += std::max(e.delta, 0);
        if (e.kind == mobile_kind::kNote) last = std::max(last, now + std::clamp(e.length, 0, kMaxGate));
        WriteEvent(e);
    }
    // The closing event waits for the longest gate still sounding.
    PutUnit(static_cast<int>(std::clamp<long long>(last - now, 0, kMaxClosingGate)), kExt, op::kClose, 0);
    WriteBigEndian32(bytes_.data() + 4, static_cast<std::uint32_t>(bytes_.size() - kChunkHead));
}
