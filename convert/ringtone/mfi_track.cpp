#include "convert/ringtone/mfi_track.h"

#include <algorithm>

#include "convert/ringtone/mfi_voice_tables.h"
#include "core/reporters.h"
#include "core/utilities.h"

namespace {

const CodeText kMfiTrackTable[] = {
    {mftk::kInternal, "Internal Error occued in MFiTrack!"},
    {mftk::kDataAfterStop, "There are data after STOP marker in MFiTrack!"},
    {mftk::kTempoClamped,
     "The number more than 255 is set for tempo. The number has been modified to 255."},
    {mftk::kChannelType, "Invalid channel type in MFiTrack!"},
    {mftk::kTrackId, "Invalid Track ID has been found in MFiTrack!"},
    {mftk::kUnknownEvent, "Unknown event has been found in MFiTrack!"},
    {mftk::kInvalidData, "Invalid data has been found in MFiTrack!"},
    {mftk::kTempoRange, "Tempo is out of range!"},
    {mftk::kDrumSetting, "Invalid setting of drum in MFiTrack!"},
    {mftk::kVibrato, "Invalid vibrato in MFiTrack!"},
    {mftk::kInvalidEvent, "Invalid event has been found in MFiTrack!"},
    {mftk::kMfiType, "Invalid MFi type in MFiTrack!"},
    {mftk::kSizeOver, "Size over in MFiTrack!"},
    {mftk::kLoopInvalid, "Invalid information of loop in MFiTrack!"},
    {mftk::kEventType, "Invalid event type has been found in MFiTrack!"},
    {mftk::kDrumInvalid, "Drum is invalid in MFiTrack!"},
    {mftk::kDataInvalid, "Data is invalid!"},
    {mftk::kChannelTypeInvalid, "Channel Type is invalid!"},
    {mftk::kShiftInvalid, "Shift data is invalid!"},
    {mftk::kExclusiveInvalid, "Exclusive data is invalid!"},
    {mftk::kCommandInvalid, "Command is invalid!"},
    {mftk::kChannelInvalid, "Channel is invalid!"},
    {mftk::kDrumOperation, "Error occured in drum data operation!"},
};
constexpr ClassReporter kMfiTrackReporter("MFTK", kMfiTrackTable, "Error occured in MFiTrack!");

// The once-only warnings share their codes with errors of other texts.
const CodeText kMfiWarningTable[] = {
    {mftk::kInternal, "MFiトラックで内部エラーが発生しました。"},
    {mftk::kRangeWarning, "音域が範囲内にありません。範囲内に調整しました。"},
    {mftk::kBendWarning,
     "この機種ではピッチベンドは使用できませんので一部のデータを無効にしました。"},
    {mftk::kBend16Warning,
     "16ボイスの機種ではピッチベンドは使用できませんので一部のデータを無効にしました。"},
};
constexpr ClassReporter kMfiWarningReporter("MFTK", kMfiWarningTable, "Error occured in MFiTrack!");

OnceWarning& Warnings() {
    static OnceWarning warnings(kMfiWarningReporter);
    return warnings;
}

// A drum part the voice type cannot play is named once per track: a box for
// every drum note would have to be dismissed hundreds of times.
OnceWarning& DrumWarning() {
    static OnceWarning warning(kMfiTrackReporter);
    return warning;
}

constexpr int kMaxByte = 255;
constexpr int kGateSplitStep = 254;
constexpr std::size_t kScratchSize = 4096;
constexpr std::uint8_t kExt = 0xFF;
constexpr int kMelodicBase = 45;
constexpr int kDrumBase = 35;
constexpr int kCodeTop = 63;
constexpr int kTempoMinute = 60000000;
constexpr int kDrumChannel = 9;

void Put(std::vector<std::uint8_t>& out, std::initializer_list<int> bytes) {
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
}

int FindFirst(const MobileTrackData& t, int subtype, int from = 0) {
    for (int i = std::max(from, 0); i < t.Count(); ++i)
        if (IsMobileControl(*t.Event(i), subtype)) return i;
    return -1;
}

int FindFirstNote(const MobileTrackData& t) {
    for (int i = 0; i < t.Count(); ++i)
        if (t.Event(i)->kind == mobile_kind::kNote) return i;
    return -1;
}

// Takes the event out (its delta going to the next) and puts it first with
// delta 0.
void MoveToFront(MobileTrackData& t, int index) {
    if (index < 0) return;
    auto copy = std::make_unique<MidiEvent>(*t.Event(index));
    t.DeleteEvent(index);
    copy->delta = 0;
    t.InsertEvent(0, 2, std::move(copy));
}

bool TempoTerminal48(int terminalId) {
    return terminalId == 2 || terminalId == 13 || (terminalId >= 21 && terminalId <= 24);
}

}  // namespace

void MFiTrack::ShowError(std::uint32_t code) {
    kMfiTrackReporter.Show(code);
}

void MFiTrack::ShowWarning(std::uint32_t code) {
    Warnings().Show(code);
}

const ReporterWords kMfiTrackFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kMfiTrackReporter.Format(code); }, nullptr};
const ReporterWords kMfiTrackWarningFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kMfiWarningReporter.Format(code); }, nullptr};

void MFiTrack::ResetWarnings() {
    Warnings().Reset();
    DrumWarning().Reset();
}

int MfiTempoData(int microseconds) {
    if (microseconds <= 0) {
        MFiTrack::ShowError(mftk::kTempoClamped);
        return kMaxByte;
    }
    int bpm = kTempoMinute / microseconds;
    if (bpm > kMaxByte) {
        MFiTrack::ShowError(mftk::kTempoClamped);
        return kMaxByte;
    }
    return bpm;
}

void MfiMelodicCode(int note, int* code, int* octave) {
    int k = note - kMelodicBase;
    int shift = 0;
    if (k < 0) {
        shift = (-k - 1) / 12 + 1;
        k = 11 - (-k - 1) % 12;
    } else if (k >= kCodeTop) {
        shift = -((k - kCodeTop) / 12 + 1);
        k = (k - kCodeTop) % 12 + 51;
    }
    // The octave code a reader takes back as the opposite shift.
    int oct = 0;
    switch (shift) {
        case 0: oct = 0; break;
        case 1: oct = 3; break;
        case 2: oct = 2; break;
        case -1: oct = 1; break;
        default: MFiTrack::ShowWarning(mftk::kRangeWarning); break;
    }
    *code = k;
    *octave = oct;
}

MFiTrack::MFiTrack(std::unique_ptr<MobileTrackData> track, int voiceType, int index)
    : track_(std::move(track)), voiceType_(voiceType), index_(index) {
    ResetWarnings();
    if (!track_) track_ = std::make_unique<MobileTrackData>(0);
    for (int c = 0; c < kChannels; ++c)
        kinds_[static_cast<std::size_t>(c)] = track_->HasChannel(c)
                                                  ? (track_->IsDrumChannel(c) == 1 ? kKindDrum
                                                                                   : kKindMelodic)
                                                  : kKindNone;
}

MFiTrack::MFiTrack(int voiceType, int index)
    : track_(std::make_unique<MobileTrackData>(0)), voiceType_(voiceType), index_(index) {
    ResetWarnings();
    kinds_.fill(kKindMelodic);
}

int MFiTrack::SlotKind(int channel) const {
    return channel >= 0 && channel < kChannels ? kinds_[static_cast<std::size_t>(channel)]
                                               : kKindNone;
}

void MFiTrack::SetSlotKind(int channel, int kind) {
    if (channel >= 0 && channel < kChannels) kinds_[static_cast<std::size_t>(channel)] = kind;
}

void MFiTrack::SplitLongDeltas() {
    MobileTrackData& t = *track_;
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (e.delta <= kMaxByte) continue;
        e.delta -= kMaxByte;
        auto gap = std::make_unique<MidiEvent>(kMaxByte);
        gap->kind = mobile_kind::kCleared;
        t.InsertEvent(i, 2, std::move(gap));
    }
}

void MFiTrack::SplitLongGates() {
    track_->SplitLongGates(kMaxByte, kGateSplitStep);
}

// Loop points become start and stop points; without them track 0 gets a
// start before its first note and a stop at its end.
void MFiTrack::PrepareMarkers() {
    MobileTrackData& t = *track_;
    int loops = t.CountControls(mobile_code::kLoop);
    if (loops == 1) {
        ShowError(mftk::kLoopInvalid);
        t.RemoveControls(mobile_code::kLoop);
        loops = 0;
    }
    if (loops >= 2 || index_ != 0) {
        t.RenameControls(mobile_code::kLoop, mfi_code::kStartStop);
        t.RemoveControls(mobile_code::kEndOfTrack);
        return;
    }
    int first = FindFirstNote(t);
    if (first >= 0) {
        auto start = NewMobileControl(t.Event(first)->delta, kNoChannel, mfi_code::kStartStop, 0);
        t.Event(first)->delta = 0;
        t.InsertEvent(first, 2, std::move(start));
    }
    int end = -1;
    for (int i = 0; i < t.Count(); ++i)
        if (IsMobileControl(*t.Event(i), mobile_code::kEndOfTrack)) end = i;
    if (end >= 0) {
        // Only the last end marker is kept by the owner; earlier ones go.
        for (int i = 0; i < end; ++i)
            if (IsMobileControl(*t.Event(i), mobile_code::kEndOfTrack)) t.Event(i)->kind = mobile_kind::kCleared;
        t.Event(end)->subtype = mfi_code::kStartStop;
        t.Event(end)->value = 1;
        if (end != t.Count() - 1) ShowError(mftk::kDataAfterStop);
        return;
    }
    long long last = 0;
    long long now = 0;
    for (int i = 0; i < t.Count(); ++i) {
        const MidiEvent& e = *t.Event(i);
        now += e.delta;
        if (e.kind == mobile_kind::kNote) last = std::max(last, now + e.length);
    }
    t.Append(NewMobileControl(static_cast<int>(std::max(0LL, last - now)), kNoChannel,
                        mfi_code::kStartStop, 1));
}

// Terminal id 5 wants the setup first and a delay carrier before each stop.
void MFiTrack::ArrangeForTerminal5() {
    MobileTrackData& t = *track_;
    MoveToFront(t, FindFirst(t, mfi_code::kLongExtension));
    MoveToFront(t, FindFirst(t, mobile_code::kStartMasterVolume));
    MoveToFront(t, FindFirst(t, mobile_code::kTempo));
    int start = -1;
    for (int i = 0; i < t.Count(); ++i)
        if (IsMobileControl(*t.Event(i), mfi_code::kStartStop) && t.Event(i)->value == 0) start = i;
    MoveToFront(t, start);
    bool stopped = false;
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (!IsMobileControl(e, mfi_code::kStartStop) || e.value != 1) continue;
        t.InsertEvent(i, 2, NewMobileControl(e.delta, kNoChannel, mfi_code::kDelayCarrier, 0));
        t.Event(i + 1)->delta = 0;
        ++i;
        stopped = true;
    }
    if (!stopped) t.Append(NewMobileControl(0, kNoChannel, mfi_code::kDelayCarrier, 0));
}

// The type-252 voice block: each channel's program voice, before the start.
void MFiTrack::InsertVoiceExclusive() {
    MobileTrackData& t = *track_;
    std::vector<std::uint8_t> block = {0x00, 0x29, 0x01};
    for (int c = 0; c < 4; ++c) {
        int program = std::max(t.GetControlValue(c, mobile_code::kProgram), 0);
        block.push_back(static_cast<std::uint8_t>(c * 32 + 1));
        for (std::uint8_t b : MfiVoice8(program))
            block.push_back(b);
        block.push_back(0x01);
    }
    auto e = NewMobileControl(0, kNoChannel, mfi_code::kExclusive, 0);
    e->SetData(block.data(), static_cast<int>(block.size()));
    int at = 0;
    for (int i = 0; i < t.Count(); ++i) {
        if (IsMobileControl(*t.Event(i), mfi_code::kStartStop) && t.Event(i)->value == 0) {
            at = i;
            break;
        }
    }
    if (at < t.Count()) {
        e->delta = t.Event(at)->delta;
        t.Event(at)->delta = 0;
    }
    t.InsertEvent(at, 2, std::move(e));
}

void MFiTrack::Write(int terminalId) {
    MobileTrackData& t = *track_;
    SplitLongGates();
    if (mfi_voice::IsPmd(voiceType_)) {
        PreparePmd();
    } else {
        PrepareMarkers();
        if (terminalId == 5) ArrangeForTerminal5();
        if (voiceType_ == mfi_voice::kMelo252) InsertVoiceExclusive();
    }
    t.RemoveClearedEvents();
    if (voiceType_ == mfi_voice::kMelo5 && index_ != 0)
        t.RenameControls(mfi_code::kStartStop, mfi_code::kDelayCarrier);
    SplitLongDeltas();
    pmdSlots_ = {0, 1, 2, 3};
    bytes_.assign({'t', 'r', 'a', 'c', 0, 0, 0, 0});
    std::vector<std::uint8_t> body;
    for (int i = 0; i < t.Count(); ++i) {
        const MidiEvent& e = *t.Event(i);
        if (e.delta > kMaxByte) ShowError(mftk::kDataInvalid);
        bytes_.push_back(static_cast<std::uint8_t>(std::clamp(e.delta, 0, kMaxByte)));
        body.clear();
        EncodeEvent(e, terminalId, body);
        bytes_.insert(bytes_.end(), body.begin(), body.end());
    }
    Put(bytes_, {0x00, kExt, 0xDF, 0x00});
    WriteBigEndian32(bytes_.data() + 4, static_cast<std::uint32_t>(bytes_.size() - 8));
}

void MFiTrack::EncodeEvent(const MidiEvent& e, int terminalId, std::vector<std::uint8_t>& out) {
    bool written = false;
    if (e.kind == mobile_kind::kNote) {
        written = mfi_voice::IsPmd(voiceType_) ? EncodePmd(e, out) : EncodeNote(e, out);
    } else if (e.kind == mobile_kind::kControl) {
        written = mfi_voice::IsPmd(voiceType_) ? EncodePmd(e, out)
                                               : EncodeControl(e, terminalId, out);
    } else if (e.kind != mobile_kind::kCleared) {
        ShowError(mftk::kEventType);
    }
    if (out.size() > kScratchSize) {
        ShowError(mftk::kSizeOver);
        written = false;
    }
    // An event that writes nothing still holds its delta: a NOP keeps the
    // bytes after it in step.
    if (!written || out.empty()) {
        out.clear();
        Put(out, {kExt, 0xDE, 0x00});
    }
}

bool MFiTrack::EncodeNote(const MidiEvent& e, std::vector<std::uint8_t>& out) {
    const int c = ((e.channel % 4) + 4) % 4;
    const int kind = SlotKind(e.channel);
    const int gate = std::clamp(e.length, 0, kMaxByte);
    const int v = std::clamp(e.velocity, 0, 127);
    int code = 0;
    int third = 0;
    if (kind == kKindMelodic) {
        int octave = 0;
        MfiMelodicCode(e.note, &code, &octave);
        third = octave + (v / 2) * 4;
    } else if (kind == kKindDrum) {
        if (voiceType_ == mfi_voice::kCmid) {
            if (e.note >= 35 && e.note <= 44) {
                code = e.note - 33;
                third = (v & ~1) * 2 + 3;
            } else if (e.note >= 45 && e.note <= 81) {
                code = e.note - 45;
                third = (v & ~1) * 2;
            } else {
                DrumWarning().Show(mftk::kDrumInvalid);
                return false;
            }
        } else if (mfi_voice::IsMulti(voiceType_) || voiceType_ == mfi_voice::kMelo4 ||
                   voiceType_ == mfi_voice::kMelo5) {
            code = std::clamp(e.note - kDrumBase, 0, 63);
            third = (v / 2) * 4;
        } else {
            DrumWarning().Show(mftk::kDrumInvalid);
            return false;
        }
    } else {
        ShowError(mftk::kChannelTypeInvalid);
        return false;
    }
    out.push_back(static_cast<std::uint8_t>(c * 64 + code));
    out.push_back(static_cast<std::uint8_t>(gate));
    if (!mfi_voice::IsTwoByteNote(voiceType_)) out.push_back(static_cast<std::uint8_t>(third & 0xFF));
    return true;
}

bool MFiTrack::EncodeControl(const MidiEvent& e, int terminalId, std::vector<std::uint8_t>& out) {
    const int ch = e.channel == kNoChannel ? 0 : e.channel;
    const int c = (ch % 4) * 64;
    const int t = voiceType_;
    switch (e.subtype) {
        case mobile_code::kProgram:
        case mfi_code::kBankProgram: {
            if (t == mfi_voice::kCmid && SlotKind(ch) == kKindDrum) return false;
            const int bank = e.subtype == mobile_code::kProgram ? 2 : 4;
            const int p = std::clamp(e.value, 0, 127);
            Put(out, {kExt, 0xE1, c + p / 64 + bank, 0x00, kExt, 0xE0, c + p % 64});
            return true;
        }
        case mobile_code::kExpression:
        case mfi_code::kDelayCarrier:
        // The song's master-volume exclusive has no MFi event: it is left
        // out like expression.
        case mobile_code::kMasterVolume:
            return false;
        case mobile_code::kKind:
            if (mfi_voice::IsMulti(t) || t == mfi_voice::kMelo4 || t == mfi_voice::kMelo5) {
                if (ch > 15) {
                    ShowError(mftk::kChannelInvalid);
                    return false;
                }
                Put(out, {kExt, 0xBA, ch * 8 + (e.value & 1)});
                return true;
            }
            if (t == mfi_voice::kCmid && e.value == 1) {
                Put(out, {kExt, 0xE5, c + kDrumChannel});
                return true;
            }
            if (e.value == 1) ShowError(mftk::kInternal);
            return false;
        case mobile_code::kVolume:
            Put(out, {kExt, 0xE2, c + std::clamp(e.value, 0, 127) / 2});
            return true;
        case mobile_code::kTempo:
            Put(out, {kExt, TempoTerminal48(terminalId) ? 0xC3 : 0xC4, MfiTempoData(e.value)});
            return true;
        case mobile_code::kStartMasterVolume:
            Put(out, {kExt, 0xB0, std::clamp(e.value, 0, 127)});
            return true;
        case mfi_code::kTempoOutOfRange:
            ShowError(mftk::kTempoRange);
            return false;
        case mfi_code::kStartStop:
            if (t == mfi_voice::kMulti7) {
                Put(out, {kExt, 0xDD, e.value == 1 ? 0x7D : 0x7C});
            } else if (t == mfi_voice::kMelo1 && e.value == 1) {
                Put(out, {kExt, 0xDF, 0x00});
            } else {
                Put(out, {kExt, 0xD0, e.value & 0xFF});
            }
            return true;
        case mfi_code::kExclusive:
        case mfi_code::kLongExtension:
            out.push_back(kExt);
            if (e.subtype == mfi_code::kExclusive) out.push_back(0xF0);
            out.insert(out.end(), e.GetData(), e.GetData() + std::max(e.DataLength(), 0));
            return true;
        case mfi_code::kFormat71:
            Put(out, {kExt, 0xE7, (c + e.value) & 0xFF});
            return true;
        case mfi_code::kFormat72:
            Put(out, {kExt, 0xDD, e.value & 0xFF});
            return true;
        case mfi_code::kSysEx:
            out.insert(out.end(), e.GetData(), e.GetData() + std::max(e.DataLength(), 0));
            ShowError(mftk::kExclusiveInvalid);
            return true;
        default:
            return EncodeMultiControl(e, terminalId, out);
    }
}

// The controls only the multi-track handsets play.
bool MFiTrack::EncodeMultiControl(const MidiEvent& e, int terminalId,
                                  std::vector<std::uint8_t>& out) {
    const int ch = e.channel == kNoChannel ? 0 : e.channel;
    const int c = (ch % 4) * 64;
    const int t = voiceType_;
    const bool fullMulti = t == mfi_voice::kMulti6 || t == mfi_voice::kMulti7 || t == mfi_voice::kMulti32;
    switch (e.subtype) {
        case mobile_code::kPan:
            if (t == mfi_voice::kMulti6 || t == mfi_voice::kMulti7 || t == mfi_voice::kMulti9)
                Put(out, {kExt, 0xE3, c + std::clamp(e.value, 0, 127) / 2});
            return !out.empty();
        case mobile_code::kBendRange:
            if (fullMulti) Put(out, {kExt, 0xE7, (c + e.value) & 0xFF});
            return !out.empty();
        case mobile_code::kModulation:
            if (fullMulti) Put(out, {kExt, 0xEA, c + std::clamp(e.value, 0, 127) / 2});
            return !out.empty();
        case mobile_code::kPitchBend: {
            if (t == mfi_voice::kMulti8) {
                ShowWarning(mftk::kBendWarning);
                return false;
            }
            if (t == mfi_voice::kMulti9) {
                ShowWarning(mftk::kBend16Warning);
                return false;
            }
            if (!fullMulti && t != mfi_voice::kPmdRead) {
                ShowError(mftk::kInternal);
                return false;
            }
            const int b = std::clamp(e.value, 0, 127);
            const bool even = b % 2 == 0;
            if (terminalId == 1 || terminalId == 2 || terminalId == 6) {
                Put(out, {kExt, 0xE8, c + (even ? 32 : 48), 0x00, kExt, 0xE4, c + b / 2});
            } else if (terminalId == 8 || terminalId == 10 || terminalId == 11 ||
                       (terminalId >= 14 && terminalId <= 16) ||
                       (terminalId >= 18 && terminalId <= 20) || terminalId == 22) {
                Put(out, {kExt, 0xE9, (c + 16 * (even ? 1 : 0)) % 64 + 16, 0x00, kExt, 0xE4,
                          (c + b / 2 + (even ? 0 : 1)) & 0xFF});
            } else {
                Put(out, {kExt, 0xE4, c + b / 2});
            }
            return true;
        }
        default:
            ShowError(mftk::kCommandInvalid);
            return false;
    }
}

// The PMD stream: the drum channel on channel 9, only drum kinds kept, the
// first tempo before the first note, and no end marker (the end event
// stands for it).
void MFiTrack::PreparePmd() {
    MobileTrackData& t = *track_;
    if (!t.HasChannel(kDrumChannel)) {
        for (int c = 0; c < kChannels; ++c) {
            if (c == kDrumChannel || SlotKind(c) != kKindDrum) continue;
            t.MoveChannel(c, kDrumChannel);
            SetSlotKind(kDrumChannel, kKindDrum);
            SetSlotKind(c, kKindNone);
            break;
        }
    }
    for (int i = 0; i < t.Count(); ++i) {
        MidiEvent& e = *t.Event(i);
        if (IsMobileControl(e, mobile_code::kKind) && e.value != 1) e.kind = mobile_kind::kCleared;
        if (IsMobileControl(e, mobile_code::kEndOfTrack) || IsMobileControl(e, mobile_code::kLoop))
            e.kind = mobile_kind::kCleared;
    }
    int tempo = FindFirst(t, mobile_code::kTempo);
    int note = FindFirstNote(t);
    if (tempo > note && note >= 0) {
        auto copy = std::make_unique<MidiEvent>(*t.Event(tempo));
        t.DeleteEvent(tempo);
        copy->delta = t.Event(note)->delta;
        t.Event(note)->delta = 0;
        t.InsertEvent(note, 2, std::move(copy));
    }
}

bool MFiTrack::EncodePmd(const MidiEvent& e, std::vector<std::uint8_t>& out) {
    const int ch = e.channel == kNoChannel ? 0 : std::clamp(e.channel, 0, kChannels - 1);
    const int slot = ch % 4;
    const bool drum = SlotKind(ch) == kKindDrum;
    const bool addressed = e.kind == mobile_kind::kNote || IsMobileControl(e, mobile_code::kProgram) ||
                           IsMobileControl(e, mobile_code::kVolume) || IsMobileControl(e, mobile_code::kKind);
    // Every drum channel is carried as channel 9, the one a reader plays as
    // drums; a slot still carrying its first channel is selected too.
    const int carried = drum ? kDrumChannel : ch;
    if (addressed && pmdSlots_[static_cast<std::size_t>(slot)] != carried) {
        Put(out, {kExt, 0xE5, slot * 64 + carried, 0x00});
        pmdSlots_[static_cast<std::size_t>(slot)] = carried;
    }
    if (e.kind == mobile_kind::kNote) {
        int code = 0;
        int third = 0;
        const int v = std::clamp(e.velocity, 0, 127);
        if (drum) {
            if (e.note >= 35 && e.note <= 44) {
                code = e.note - 33;
                third = (v & ~1) * 2 + 3;
            } else {
                code = std::clamp(e.note, 45, 81) - 45;
                third = (v & ~1) * 2;
            }
        } else {
            int octave = 0;
            MfiMelodicCode(e.note, &code, &octave);
            third = octave + (v / 2) * 4;
        }
        Put(out, {slot * 64 + code, std::clamp(e.length, 0, kMaxByte), third & 0xFF});
        return true;
    }
    const int c = slot * 64;
    switch (e.subtype) {
        case mobile_code::kProgram:
            if (drum) break;
            Put(out, {kExt, 0xE1, c + e.value / 64 + 2, 0x00, kExt, 0xE0, c + e.value % 64});
            return true;
        case mobile_code::kKind:
            break;
        case mobile_code::kVolume:
            Put(out, {kExt, 0xE2, c + std::clamp(e.value, 0, 127) / 2});
            return true;
        case mobile_code::kTempo:
            Put(out, {kExt, 0xC4, MfiTempoData(e.value)});
            return true;
        case mobile_code::kStartMasterVolume:
            Put(out, {kExt, 0xB0, std::clamp(e.value, 0, 127)});
            return true;
        case mfi_code::kDelayCarrier:
            break;
        case mfi_code::kSysEx:
            out.insert(out.end(), e.GetData(), e.GetData() + std::max(e.DataLength(), 0));
            ShowError(mftk::kExclusiveInvalid);
            return true;
        default:
            ShowError(mftk::kCommandInvalid);
            break;
    }
    // A slot select stands alone; the NOP after its delta byte ends the unit.
    if (!out.empty()) Put(out, {kExt, 0xDE, 0x00});
    return !out.empty();
}
