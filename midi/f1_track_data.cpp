#include "midi/f1_track_data.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <tuple>
#include <vector>

#include "core/reporters.h"
#include "midi/sysex.h"

namespace {

const CodeText kErrorTable[] = {
    {m1tk::kZeroVoice, "Can not reduce to zero voice."},
};
constexpr ClassReporter kErrorReporter("M1TK", kErrorTable, "Error occured in MidiF1TrackData!");

const CodeText kWarningTable[] = {
    {m1tk::kSeveralBendRanges, "More than one pitchbend sensitivity are found!"},
    {m1tk::kTimeSignPlace, "Location of time sign is invalid!"},
    {m1tk::kBendRangeTooLarge, "Pitchbend range is over the capaticty of conversion!"},
};
constexpr ClassReporter kWarningReporter("M1TK", kWarningTable, "Undefined Error!");

OnceWarning& Warnings() {
    static OnceWarning warnings(kWarningReporter);
    return warnings;
}

bool InRange(long long t, long long begin, long long end) {
    return t >= begin && t < end;
}

}  // namespace

std::unique_ptr<MidiEvent> MakeControlChange(int channel, int controller, int value) {
    auto e = std::make_unique<MidiEvent>(0);
    e->SetControlChange(channel, controller, value);
    const std::uint8_t bytes[3] = {0xB0, static_cast<std::uint8_t>(controller),
                                   static_cast<std::uint8_t>(value)};
    e->SetData(bytes, 3);
    return e;
}

void MidiF1TrackData::ShowError(std::uint32_t code) {
    kErrorReporter.Show(code);
}

void MidiF1TrackData::ShowWarningOnce(std::uint32_t code) {
    if (code == 0) {
        Warnings().Reset();
        return;
    }
    for (const CodeText& entry : kWarningTable) {
        if (entry.code == code) {
            Warnings().Show(code);
            return;
        }
    }
    kWarningReporter.Show(code);
}

// ---- Construction ----

MidiF1TrackData::MidiF1TrackData(int capacity) : MidiTrackData(capacity) {
    Warnings().Reset();
}

MidiF1TrackData::MidiF1TrackData(int mode, int capacity) : MidiTrackData(mode, capacity) {
    Warnings().Reset();
}

MidiF1TrackData::MidiF1TrackData(const MidiTrackData& source, int capacity)
    : MidiTrackData(source, capacity) {
    Warnings().Reset();
}

MidiF1TrackData::MidiF1TrackData(OwnedEvents events, int mode, int capacity)
    : MidiTrackData(mode, capacity) {
    Warnings().Reset();
    PutEvents(std::move(events));
}

MidiF1TrackData::MidiF1TrackData(std::size_t imageLength, std::size_t chunkOffset,
                                 const std::uint8_t* image, std::size_t capacity,
                                 SmfReadState* state)
    : MidiTrackData(imageLength, chunkOffset, image, capacity, state) {
    Warnings().Reset();
}

// ---- Merging new events into the time line ----

void MidiF1TrackData::MergeNewEvents(std::vector<NewEvent>& added) {
    if (added.empty()) return;
    std::vector<long long> times = AbsoluteTimes();
    OwnedEvents events = TakeEvents();
    struct Entry {
        long long time;
        long long rank;
        std::size_t order;
        std::unique_ptr<MidiEvent> event;
    };
    std::vector<Entry> all;
    all.reserve(events.size() + added.size());
    for (std::size_t j = 0; j < events.size(); ++j)
        all.push_back({times[j], 2 * static_cast<long long>(j) + 1, 0, std::move(events[j])});
    for (std::size_t k = 0; k < added.size(); ++k)
        all.push_back({added[k].time, 2 * static_cast<long long>(added[k].before), k + 1,
                       std::move(added[k].event)});
    std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.time, a.rank, a.order) < std::tie(b.time, b.rank, b.order);
    });
    OwnedEvents merged;
    std::vector<long long> mergedTimes;
    merged.reserve(all.size());
    mergedTimes.reserve(all.size());
    for (Entry& e : all) {
        merged.push_back(std::move(e.event));
        mergedTimes.push_back(e.time);
    }
    added.clear();
    PutEventsAtTimes(std::move(merged), mergedTimes);
}

// ---- Range edits ----

int MidiF1TrackData::GetMarkerText(long long begin, long long end, std::string& out) const {
    out.clear();
    int found = 0;
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        t += e->delta;
        if (!e->IsMeta(meta_type::kMarker) || !InRange(t, begin, end)) continue;
        out.assign(e->DataText());
        found = 1;
    }
    return found;
}

void MidiF1TrackData::DeleteMarkers(long long begin, long long end) {
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        t += e->delta;
        if (e->IsMeta(meta_type::kMarker) && InRange(t, begin, end)) e->Clear();
    }
    RemoveClearedEvents();
}

void MidiF1TrackData::DeleteNotes(long long begin, long long end) {
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        t += e->delta;
        if (e->IsNoteWithLength() && InRange(t, begin, end)) e->Clear();
    }
    RemoveClearedEvents();
}

int MidiF1TrackData::GetMaxChordSize() const {
    int best = 0;
    int run = 0;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (e->delta != 0) run = 0;
        if (e->IsNoteWithLength()) best = std::max(best, ++run);
    }
    return best;
}

int MidiF1TrackData::CountProgramChanges() const {
    int n = 0;
    for (int i = 0; i < eventCount_; ++i)
        n += Event(i)->kind == event_kind::kProgramChange;
    return n;
}

int MidiF1TrackData::CopyEvents(long long begin, long long end, std::span<MidiEvent*> out) const {
    std::vector<std::unique_ptr<MidiEvent>> copies(out.size());
    const int n = CopyEvents(begin, end, copies);
    for (int i = 0; i < n; ++i)
        out[static_cast<std::size_t>(i)] = copies[static_cast<std::size_t>(i)].release();
    return n;
}

int MidiF1TrackData::CopyEvents(long long begin, long long end,
                                std::span<std::unique_ptr<MidiEvent>> out) const {
    const std::size_t limit = std::min<std::size_t>(out.size(), kMaxSpanEvents);
    std::size_t n = 0;
    long long t = 0;
    long long previous = begin;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        t += e->delta;
        if (!InRange(t, begin, end)) continue;
        if (n >= limit) {
            ShowError(m1tk::kCannotAdd);
            break;
        }
        auto copy = std::make_unique<MidiEvent>(*e);
        copy->delta = static_cast<int>(t - previous);
        previous = t;
        out[n++] = std::move(copy);
    }
    return static_cast<int>(n);
}

void MidiF1TrackData::InsertEventsAtTime(long long time, int count, MidiEvent* const* events) {
    OwnedEvents owned;
    for (int k = 0; events && k < count && events[k]; ++k)
        owned.emplace_back(events[k]);
    InsertEventsAtTime(time, std::move(owned));
}

void MidiF1TrackData::InsertEventsAtTime(long long time, OwnedEvents events) {
    if (events.empty() || !events[0]) return;
    std::vector<long long> times = AbsoluteTimes();
    // The End of Track is taken out and put back last.
    std::unique_ptr<MidiEvent> endOfTrack;
    long long endTime = 0;
    if (LastEvent() && LastEvent()->IsEndOfTrack()) {
        OwnedEvents all = TakeEvents();
        endOfTrack = std::move(all.back());
        all.pop_back();
        endTime = times.back();
        times.pop_back();
        PutEvents(std::move(all));
    }
    const int count = static_cast<int>(events.size());
    const int n = eventCount_;

    std::vector<NewEvent> added;
    long long t = time;
    long long extent = 0;
    bool negative = false;
    int k = 0;
    int at = 0;
    for (; k < count && events[k]; ++k) {
        MidiEvent* e = events[k].get();
        if (k >= kMaxSpanEvents) {
            ShowError(m1tk::kCannotAdd);
            break;
        }
        if (e->delta < 0) {
            negative = true;
            e->delta = 0;
        }
        t += e->delta;
        long long reach = t - time + (e->IsNoteWithLength() ? std::max(e->length, 0) : 0);
        extent = std::max(extent, reach);
        // Existing events up to the new event's time stay in front of it.
        while (at < n && times[static_cast<std::size_t>(at)] <= t)
            ++at;
        added.push_back({t, at, std::move(events[k])});
    }
    // The events past the limit are not taken: they are freed with `events`.
    if (negative) ShowError(m1tk::kInvalidMusic);
    MergeNewEvents(added);

    if (endOfTrack) {
        // The track ends at the end of the inserted events, never earlier
        // than before nor before its last event.
        long long end = std::max(endTime, time + extent);
        long long lastTime = TimeOf(eventCount_ - 1);
        endOfTrack->delta = static_cast<int>(std::max(0LL, end - lastTime));
        AppendEvent(std::move(endOfTrack));
    }
}

void MidiF1TrackData::ClearRangeKeepControls(long long begin, long long end) {
    std::vector<long long> times = AbsoluteTimes();
    const int n = eventCount_;
    int first = 0;
    while (first < n - 1 && times[static_cast<std::size_t>(first)] < begin)
        ++first;
    int past = first;
    while (past < n - 1 && times[static_cast<std::size_t>(past)] < end)
        ++past;
    if (past == first) return;
    OwnedEvents events = TakeEvents();
    OwnedEvents rebuilt(std::make_move_iterator(events.begin()),
                        std::make_move_iterator(events.begin() + first));
    long long span = 0;
    int kept = 0;
    bool refused = false;
    for (int i = first; i < past; ++i) {
        auto& e = events[static_cast<std::size_t>(i)];
        span += e->delta;
        bool control =
            e->kind == event_kind::kProgramChange || e->kind == event_kind::kControlChange;
        if (control && kept < kMaxKeptControls) {
            e->delta = 0;
            rebuilt.push_back(std::move(e));
            ++kept;
            continue;
        }
        // Dropped: freed with `events`.
        if (control) refused = true;
    }
    events[static_cast<std::size_t>(past)]->delta += static_cast<int>(span);
    rebuilt.insert(rebuilt.end(), std::make_move_iterator(events.begin() + past),
                   std::make_move_iterator(events.end()));
    PutEvents(std::move(rebuilt));
    if (refused) ShowError(m1tk::kCannotAdd);
}

int MidiF1TrackData::IsMetaOnly() const {
    if (eventCount_ == 1) return 0;
    for (int i = 0; i < eventCount_; ++i) {
        if (Event(i)->kind != event_kind::kMeta) return 0;
    }
    return 1;
}

void MidiF1TrackData::InsertRhythmPartSysEx(int on, int channel) {
    std::uint8_t block[kGsBlockSize] = {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12,
                                        0x40, 0x10, 0x15, 0x00, 0x00, 0xF7};
    SetGsPartByte(channel, &block[7], 0x10);
    block[9] = on ? 1 : 0;
    SetRolandChecksum(block);
    auto e = std::make_unique<MidiEvent>(0);
    e->kind = event_kind::kSysEx;
    e->SetData(block, kGsBlockSize);
    ClassifySysEx(e.get());
    e->channel = channel;
    InsertEvent(0, 2, std::move(e));
}
