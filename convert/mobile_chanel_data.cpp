#include "convert/mobile_chanel_data.h"

#include <algorithm>
#include <set>
#include <utility>

#include "core/reporters.h"

namespace {

const CodeText kChanelTable[] = {
    {mbcd::kInternal, "Internal error occured in MobileChanelData!"},
    {mbcd::kInvalidMusic, "Musical data is invalid!"},
};
constexpr ClassReporter kChanelReporter("MBCD", kChanelTable,
                                        "Error occured in MobileChanelData!");

bool IsControl(const MusicEvent& e, int subtype) {
    return e.kind == mobile_kind::kControl && e.subtype == subtype;
}

int ClampToInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

}  // namespace

std::unique_ptr<MusicEvent> NewMobileControl(int delta, int subtype, int value) {
    auto e = std::make_unique<MusicEvent>(delta);
    e->kind = mobile_kind::kControl;
    e->subtype = subtype;
    e->value = value;
    return e;
}

std::unique_ptr<MusicEvent> CopyMobileEvent(const MusicEvent& source) {
    auto e = std::make_unique<MusicEvent>();
    e->CopyFrom(source);
    return e;
}

void MobileChanelData::ShowError(std::uint32_t code) {
    kChanelReporter.Show(code);
}

MobileChanelData::MobileChanelData(int number, int kind, int capacity)
    : number(number), kind(kind), capacity_(capacity) {}

MobileChanelData::MobileChanelData(const MobileChanelData& source, int capacity)
    : number(source.number),
      tuneChannel(source.tuneChannel),
      kind(source.kind),
      enabled(source.enabled),
      volumeAnswer(source.volumeAnswer),
      programAnswer(source.programAnswer),
      tempoAnswer(source.tempoAnswer),
      capacity_(capacity) {
    events_.reserve(source.events_.size());
    for (const auto& e : source.events_)
        events_.push_back(CopyMobileEvent(*e));
}

MobileChanelData::MobileChanelData(const MobileChanelData& source, long long begin, long long end,
                                   int capacity)
    : number(source.number),
      tuneChannel(source.tuneChannel),
      kind(source.kind),
      enabled(source.enabled),
      volumeAnswer(source.volumeAnswer),
      programAnswer(source.programAnswer),
      tempoAnswer(source.tempoAnswer),
      capacity_(capacity) {
    long long time = 0;
    long long lastOut = 0;
    for (const auto& e : source.events_) {
        time += e->delta;
        if (time >= end) break;
        if (e->kind == mobile_kind::kCleared) continue;
        bool before = time < begin;
        // Controls before the span set the state it starts in; an end of
        // track there would end it at once.
        if (before && (e->kind != mobile_kind::kControl || e->subtype == mobile_code::kEndOfTrack))
            continue;
        long long at = before ? 0 : time - begin;
        auto copy = CopyMobileEvent(*e);
        copy->delta = ClampToInt(at - lastOut);
        if (copy->kind == mobile_kind::kNote)
            copy->length = ClampToInt(std::min<long long>(copy->length, end - time));
        lastOut = at;
        events_.push_back(std::move(copy));
    }
}

long long MobileChanelData::TimeOf(int index) const {
    long long t = 0;
    for (int i = 0; i <= index && i < Count(); ++i)
        t += events_[static_cast<std::size_t>(i)]->delta;
    return t;
}

long long MobileChanelData::TotalTicks() const {
    long long t = 0;
    for (const auto& e : events_)
        t += e->delta;
    return t;
}

int MobileChanelData::AppendEvent(std::unique_ptr<MusicEvent> event) {
    if (!event) return -1;
    events_.push_back(std::move(event));
    return Count() - 1;
}

int MobileChanelData::AppendNote(int delta, int note, int length, int velocity) {
    if (note < 0 || note > 127) ShowError(mbcd::kInvalidMusic);
    auto e = std::make_unique<MusicEvent>(delta);
    e->kind = mobile_kind::kNote;
    e->note = note;
    e->length = length;
    e->velocity = velocity;
    return AppendEvent(std::move(e));
}

int MobileChanelData::AppendControl(int delta, int subtype, int value) {
    return AppendEvent(NewMobileControl(delta, subtype, value));
}

int MobileChanelData::InsertAt(int index, std::unique_ptr<MusicEvent> event) {
    index = std::clamp(index, 0, Count());
    events_.insert(events_.begin() + index, std::move(event));
    return index;
}

int MobileChanelData::InsertControl(int index, int delta, int subtype, int value) {
    return InsertAt(index, NewMobileControl(delta, subtype, value));
}

int MobileChanelData::GetControlValue(int subtype) const {
    for (const auto& e : events_)
        if (IsControl(*e, subtype)) return e->value;
    return -1;
}

int MobileChanelData::SetControlValue(int subtype, int value) {
    for (auto& e : events_) {
        if (!IsControl(*e, subtype)) continue;
        e->value = value;
        return 1;
    }
    return 0;
}

int MobileChanelData::FindFirstNote() const {
    for (int i = 0; i < Count(); ++i)
        if (events_[static_cast<std::size_t>(i)]->kind == mobile_kind::kNote) return i;
    return -1;
}

void MobileChanelData::DeleteEvent(int index) {
    if (index < 0 || index >= Count()) return;
    auto at = static_cast<std::size_t>(index);
    if (at + 1 < events_.size())
        events_[at + 1]->delta = ClampToInt(static_cast<long long>(events_[at + 1]->delta) +
                                            events_[at]->delta);
    events_.erase(events_.begin() + index);
}

void MobileChanelData::RemoveClearedEvents() {
    std::vector<std::unique_ptr<MusicEvent>> kept;
    kept.reserve(events_.size());
    long long carry = 0;
    for (auto& e : events_) {
        if (e->kind == mobile_kind::kCleared) {
            carry += e->delta;
            continue;
        }
        e->delta = ClampToInt(e->delta + carry);
        carry = 0;
        kept.push_back(std::move(e));
    }
    events_ = std::move(kept);
}

void MobileChanelData::InsertTempo(long long time, int value) {
    long long t = 0;
    int index = 0;
    for (; index < Count(); ++index) {
        MusicEvent& e = *events_[static_cast<std::size_t>(index)];
        if (t + e.delta >= time) break;
        t += e.delta;
    }
    if (index == Count()) {
        AppendControl(ClampToInt(time - t), mobile_code::kTempo, value);
        return;
    }
    MusicEvent& next = *events_[static_cast<std::size_t>(index)];
    int delta = ClampToInt(time - t);
    next.delta -= delta;
    InsertControl(index, delta, mobile_code::kTempo, value);
    // Among simultaneous events the tempo follows a loop start, so that the
    // loop begins with it.
    for (int k = index + 1; k < Count(); ++k) {
        MusicEvent& e = *events_[static_cast<std::size_t>(k)];
        if (e.delta != 0) break;
        if (IsControl(e, mobile_code::kLoop) && e.value == 0) {
            auto tempo = std::move(events_[static_cast<std::size_t>(index)]);
            e.delta = tempo->delta;
            tempo->delta = 0;
            events_.erase(events_.begin() + index);
            events_.insert(events_.begin() + k, std::move(tempo));
            break;
        }
    }
}

void MobileChanelData::ScaleVelocities(double factor) {
    for (auto& e : events_) {
        if (e->kind != mobile_kind::kNote) continue;
        double v = e->velocity * factor;
        e->velocity = static_cast<int>(std::clamp(v, 0.0, 127.0));
    }
}

int MobileChanelData::GetMaxVelocity() const {
    int most = 0;
    for (const auto& e : events_)
        if (e->kind == mobile_kind::kNote) most = std::max(most, e->velocity);
    return most;
}

int MobileChanelData::GetMaxPolyphony() const {
    // Starts and ends of the notes; at one time the ends come first.
    std::vector<std::pair<long long, int>> edges;
    long long t = 0;
    for (const auto& e : events_) {
        t += e->delta;
        if (e->kind != mobile_kind::kNote || e->length <= 0) continue;
        edges.emplace_back(t, 1);
        edges.emplace_back(t + e->length, -1);
    }
    std::sort(edges.begin(), edges.end());
    int sounding = 0;
    int most = 0;
    for (const auto& [time, step] : edges) {
        sounding += step;
        most = std::max(most, sounding);
    }
    return most;
}

int MobileChanelData::CountDistinctNotes() const {
    std::set<int> notes;
    for (const auto& e : events_)
        if (e->kind == mobile_kind::kNote) notes.insert(e->note);
    return static_cast<int>(notes.size());
}

int MobileChanelData::GetLengthInMeasures(int measureTicks) const {
    if (measureTicks <= 0) return 0;
    long long total = TotalTicks();
    long long end = total;
    long long t = 0;
    for (const auto& e : events_) {
        t += e->delta;
        if (t == total && e->kind == mobile_kind::kNote)
            end = std::max(end, total + std::max(e->length, 0));
    }
    return ClampToInt((end + measureTicks - 1) / measureTicks);
}
