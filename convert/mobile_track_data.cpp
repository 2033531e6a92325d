#include "convert/mobile_track_data.h"

#include <algorithm>
#include <utility>

#include "core/reporters.h"

namespace {

const CodeText kTrackTable[] = {
    {mbtk::kUnknownCommand, "Unknown command in mobile track data!"},
    {mbtk::kUnknownEvent, "Unknown event in mobile track data!"},
    {mbtk::kCannotOpen, "Can not open file!"},
    {mbtk::kVoiceNotPlayed, "構成上、再生されないボイスがあります。"},
    {mbtk::kMasterVolumePlace, "The location of master volume is invalid!"},
    {mbtk::kChannelInvalid, "Channel data is invalid!"},
    {mbtk::kDrumInvalid, "Drum data is invalid!"},
    {mbtk::kCannotAdd, "Can not add data!"},
    {mbtk::kTrackEnd, "Track end is invalid!"},
};
constexpr ClassReporter kTrackReporter("MBTK", kTrackTable, "Error occured in MobileTrackData!");

OnceWarning& VoiceWarning() {
    static OnceWarning warning(kTrackReporter);
    return warning;
}

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

bool IsChannelEvent(const MusicEvent& e) {
    return e.kind == mobile_kind::kNote ||
           (e.kind == mobile_kind::kControl && MobileTrackData::IsChannelControl(e.subtype));
}

}  // namespace

void MobileTrackData::ShowError(std::uint32_t code) {
    kTrackReporter.Show(code);
}

void MobileTrackData::ShowVoiceWarning() {
    VoiceWarning().Show(mbtk::kVoiceNotPlayed);
}

void MobileTrackData::ResetVoiceWarning() {
    VoiceWarning().Reset();
}

bool MobileTrackData::IsChannelControl(int subtype) {
    switch (subtype) {
        case mobile_code::kProgram:
        case mobile_code::kKind:
        case mobile_code::kVolume:
        case mobile_code::kPan:
        case mobile_code::kPitchBend:
        case mobile_code::kBendRange:
        case mobile_code::kExpression:
        case mobile_code::kModulation:
        case mobile_code::kDrumMark:
        case mobile_code::kFormat50:
        case mobile_code::kFormat51:
        case mobile_code::kFormat53:
        case mobile_code::kFormat71:
            return true;
        default:
            return false;
    }
}

MobileTrackData::MobileTrackData(int capacity) : capacity_(capacity) {
    ResetVoiceWarning();
}

MobileTrackData::MobileTrackData(const MobileTrackData& source, int capacity)
    : kinds_(source.kinds_), multiTrack_(source.multiTrack_), capacity_(capacity) {
    ResetVoiceWarning();
    events_.reserve(source.events_.size());
    for (const auto& e : source.events_)
        events_.push_back(std::make_unique<MidiEvent>(*e));
}

long long MobileTrackData::TimeOf(int index) const {
    long long t = 0;
    for (int i = 0; i <= index && i < Count(); ++i)
        t += events_[static_cast<std::size_t>(i)]->delta;
    return t;
}

int MobileTrackData::KindOf(int channel) const {
    return channel >= 0 && channel < kChannels ? kinds_[static_cast<std::size_t>(channel)] : 0;
}

// ---- Appending ----

int MobileTrackData::Append(std::unique_ptr<MidiEvent> event) {
    if (!event) return -1;
    if (Count() > kMaxEvents && !fullShown_) {
        // Shown once per track: a reader's runaway list would otherwise ask
        // for a click per event.
        ShowError(mbtk::kCannotAdd);
        fullShown_ = true;
    }
    events_.push_back(std::move(event));
    return Count() - 1;
}

int MobileTrackData::AppendEmptyEvent(int delta) {
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = mobile_kind::kCleared;
    return Append(std::move(e));
}

int MobileTrackData::AppendMetaEvent(int delta, int channel, int subtype, int value) {
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = mobile_kind::kControl;
    e->subtype = subtype;
    e->value = value;
    e->channel = IsChannelControl(subtype) ? channel : kNoChannel;
    return Append(std::move(e));
}

int MobileTrackData::AppendNote(int delta, int channel, int note, int length, int velocity) {
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = mobile_kind::kNote;
    e->channel = channel;
    e->note = note;
    e->length = length;
    e->velocity = velocity;
    return Append(std::move(e));
}

int MobileTrackData::AppendCopy(const MidiEvent& event) {
    return Append(std::make_unique<MidiEvent>(event));
}

int MobileTrackData::AppendCopyOnChannel(int channel, const MusicEvent& event) {
    auto e = std::make_unique<MidiEvent>();
    e->MusicEvent::CopyFrom(event);
    e->channel = IsChannelEvent(event) ? channel : kNoChannel;
    return Append(std::move(e));
}

// ---- Editing ----

int MobileTrackData::InsertEvent(int index, int order, std::unique_ptr<MidiEvent> event) {
    if (!event) return -1;
    int at = std::clamp(order == 2 ? index : index + 1, 0, Count());
    events_.insert(events_.begin() + at, std::move(event));
    return at;
}

int MobileTrackData::InsertAtTime(long long time, std::unique_ptr<MidiEvent> event) {
    if (!event) return -1;
    long long t = 0;
    int index = 0;
    for (; index < Count(); ++index) {
        MidiEvent& e = *events_[static_cast<std::size_t>(index)];
        if (t + e.delta >= time) break;
        t += e.delta;
    }
    event->delta = ClampDelta(time - t);
    if (index == Count()) return Append(std::move(event));
    events_[static_cast<std::size_t>(index)]->delta -= event->delta;
    events_.insert(events_.begin() + index, std::move(event));
    // Past the simultaneous events, up to an end of track.
    while (index + 1 < Count()) {
        MidiEvent& next = *events_[static_cast<std::size_t>(index + 1)];
        if (next.delta != 0 || IsMobileControl(next, mobile_code::kEndOfTrack) ||
            IsMobileControl(next, mobile_code::kFormat54))
            break;
        next.delta = events_[static_cast<std::size_t>(index)]->delta;
        events_[static_cast<std::size_t>(index)]->delta = 0;
        std::swap(events_[static_cast<std::size_t>(index)], events_[static_cast<std::size_t>(index + 1)]);
        ++index;
    }
    return index;
}

void MobileTrackData::DeleteEvent(int index) {
    if (index < 0 || index >= Count()) return;
    auto at = static_cast<std::size_t>(index);
    if (at + 1 < events_.size())
        events_[at + 1]->delta =
            ClampDelta(static_cast<long long>(events_[at + 1]->delta) + events_[at]->delta);
    events_.erase(events_.begin() + index);
}

void MobileTrackData::RemoveClearedEvents() {
    std::vector<std::unique_ptr<MidiEvent>> kept;
    kept.reserve(events_.size());
    long long carry = 0;
    for (auto& e : events_) {
        if (e->kind == mobile_kind::kCleared) {
            carry += e->delta;
            continue;
        }
        e->delta = ClampDelta(e->delta + carry);
        carry = 0;
        kept.push_back(std::move(e));
    }
    // The time of trailing cleared events stays with an empty event.
    if (carry > 0) {
        auto rest = std::make_unique<MidiEvent>(ClampDelta(carry));
        kept.push_back(std::move(rest));
    }
    events_ = std::move(kept);
}

void MobileTrackData::RemoveEvents(int kind, int subtype) {
    for (auto& e : events_)
        if (e->kind == kind && (kind != mobile_kind::kControl || e->subtype == subtype))
            e->kind = mobile_kind::kCleared;
    RemoveClearedEvents();
}

void MobileTrackData::RemoveControls(int subtype) {
    RemoveEvents(mobile_kind::kControl, subtype);
}

void MobileTrackData::RemoveChannel(int channel) {
    for (auto& e : events_)
        if (e->channel == channel) e->kind = mobile_kind::kCleared;
    RemoveClearedEvents();
}

void MobileTrackData::RenameControls(int from, int to) {
    for (auto& e : events_)
        if (IsMobileControl(*e, from)) e->subtype = to;
}

void MobileTrackData::RenameSubtype69To67() {
    for (int i = 0; i + 1 < Count(); ++i) {
        MidiEvent& e = *events_[static_cast<std::size_t>(i)];
        if (IsMobileControl(e, mobile_code::kFormat69)) e.subtype = mobile_code::kFormat67;
    }
}

void MobileTrackData::KeepLastControl(int subtype) {
    int last = -1;
    for (int i = 0; i < Count(); ++i)
        if (IsMobileControl(*events_[static_cast<std::size_t>(i)], subtype)) last = i;
    for (int i = 0; i < last; ++i) {
        MidiEvent& e = *events_[static_cast<std::size_t>(i)];
        if (IsMobileControl(e, subtype)) e.kind = mobile_kind::kCleared;
    }
    RemoveClearedEvents();
}

void MobileTrackData::SwapEvents(int a, int b) {
    if (a < 0 || b < 0 || a >= Count() || b >= Count() || a == b) return;
    auto& x = events_[static_cast<std::size_t>(a)];
    auto& y = events_[static_cast<std::size_t>(b)];
    std::swap(x->delta, y->delta);
    std::swap(x, y);
}

void MobileTrackData::SwapChannels(int a, int b) {
    for (auto& e : events_) {
        if (e->channel == a) {
            e->channel = b;
        } else if (e->channel == b) {
            e->channel = a;
        }
    }
}

void MobileTrackData::MoveChannel(int from, int to) {
    for (auto& e : events_)
        if (e->channel == from) e->channel = to;
}

void MobileTrackData::RescaleTimes(int from, int to) {
    if (from <= 0 || to < 0) {
        ShowError(mbtk::kUnknownEvent);
        return;
    }
    // Absolute times are scaled, so the rounding of one delta never adds up.
    long long time = 0;
    long long scaledBefore = 0;
    for (auto& e : events_) {
        time += std::max(e->delta, 0);
        long long scaled = static_cast<long long>(to) * time / from;
        e->delta = ClampDelta(scaled - scaledBefore);
        scaledBefore = scaled;
        if (e->kind == mobile_kind::kNote)
            e->length = ClampDelta(static_cast<long long>(to) * std::max(e->length, 0) / from);
    }
}

// ---- Queries ----

int MobileTrackData::IsDrumChannel(int channel) const {
    for (const auto& e : events_) {
        if (e->channel != channel) continue;
        if (IsMobileControl(*e, mobile_code::kDrumMark) && e->value == kDrumMarkValue) return 1;
        if (IsMobileControl(*e, mobile_code::kKind) && e->value == kDrumKindValue) return 1;
    }
    return 2;
}

bool MobileTrackData::HasChannel(int channel) const {
    return std::any_of(events_.begin(), events_.end(),
                       [channel](const auto& e) { return e->channel == channel; });
}

int MobileTrackData::GetControlValue(int channel, int subtype) const {
    for (const auto& e : events_)
        if (e->channel == channel && IsMobileControl(*e, subtype)) return e->value;
    return -1;
}

void MobileTrackData::GetNoteRange(int channel, int* low, int* high) const {
    int lo = 127;
    int hi = 0;
    for (const auto& e : events_) {
        if (e->channel != channel || e->kind != mobile_kind::kNote) continue;
        lo = std::min(lo, e->note);
        hi = std::max(hi, e->note);
    }
    if (low) *low = lo;
    if (high) *high = hi;
}

int MobileTrackData::CountControls(int subtype) const {
    return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                          [subtype](const auto& e) { return IsMobileControl(*e, subtype); }));
}

int MobileTrackData::FirstNoteOrTempoIndex() const {
    for (int i = 0; i < Count(); ++i) {
        const MidiEvent& e = *events_[static_cast<std::size_t>(i)];
        if (e.kind == mobile_kind::kNote || IsMobileControl(e, mobile_code::kTempo)) return i;
    }
    return -1;
}

int MobileTrackData::LastNoteIndex() const {
    for (int i = Count() - 1; i >= 0; --i)
        if (events_[static_cast<std::size_t>(i)]->kind == mobile_kind::kNote) return i;
    return -1;
}

int MobileTrackData::FirstEndOfTrackIndex() const {
    for (int i = 0; i < Count(); ++i)
        if (IsMobileControl(*events_[static_cast<std::size_t>(i)], mobile_code::kEndOfTrack)) return i;
    return -1;
}

bool IsMobileControl(const MusicEvent& e, int subtype) {
    return e.kind == mobile_kind::kControl && e.subtype == subtype;
}

std::unique_ptr<MidiEvent> NewMobileControl(int delta, int channel, int subtype, int value) {
    auto e = std::make_unique<MidiEvent>(delta);
    e->kind = mobile_kind::kControl;
    e->subtype = subtype;
    e->value = value;
    e->channel = channel;
    return e;
}

void MobileTrackData::SplitLongGates(int maxGate, int step) {
    // Copies go in at later times, so the walk meets them again.
    long long time = 0;
    for (int i = 0; i < Count(); ++i) {
        MidiEvent& e = *Event(i);
        time += e.delta;
        if (e.kind != mobile_kind::kNote || e.length <= maxGate) continue;
        auto rest = std::make_unique<MidiEvent>(e);
        rest->length = e.length - step;
        e.length = maxGate;
        InsertAtTime(time + step, std::move(rest));
    }
}
