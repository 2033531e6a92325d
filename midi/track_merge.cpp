// Merging tracks into one, in time order.
#include <limits>
#include <string>

#include "midi/track_data.h"

namespace {

// Longest joined track name kept as it is.
constexpr std::size_t kLongestName = 127;

// Frees the events marked cleared, carrying their deltas onto the next.
void DropCleared(OwnedEvents& events) {
    std::size_t out = 0;
    long long carry = 0;
    for (auto& e : events) {
        if (e->kind == event_kind::kCleared) {
            carry += e->delta;
            continue;
        }
        e->delta = static_cast<int>(e->delta + carry);
        carry = 0;
        events[out++] = std::move(e);
    }
    events.resize(out);
}

// The first track name; with removeAll every name is cleared, otherwise
// only the first when removeFirst is set.
std::string TakeTrackName(OwnedEvents& events, bool removeAll, bool removeFirst) {
    std::string name;
    bool found = false;
    for (const auto& e : events) {
        if (!e->IsMeta(meta_type::kTrackName)) continue;
        if (!found) {
            name.assign(e->DataText().substr(0, static_cast<std::size_t>(e->DataLength())));
            found = true;
            if (removeFirst || removeAll) e->Clear();
            if (!removeAll) break;
            continue;
        }
        e->Clear();
    }
    DropCleared(events);
    return name;
}

}  // namespace

int MidiTrackData::MergeTrackEx(const MidiTrackData& other, int option) {
    if (noteMode_ != note_mode::kLength || other.noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    OwnedEvents theirs = CopyEventsOf(other);
    bool otherHasChannel = other.GetFirstChannel() != kNoChannel;
    OwnedEvents ours = TakeEvents();

    std::string joined;
    if (option == 1) {
        std::string mine = TakeTrackName(ours, true, true);
        std::string their = TakeTrackName(theirs, true, true);
        if (mine.empty()) {
            joined = their;
        } else if (their.empty()) {
            joined = mine;
        } else {
            joined = mine + " / " + their;
        }
        if (joined.size() > kLongestName) joined = "long name";
    } else if (otherHasChannel) {
        TakeTrackName(theirs, false, true);
    }

    // At equal times the other track's event is taken first.
    OwnedEvents merged;
    merged.reserve(ours.size() + theirs.size());
    std::size_t a = 0, b = 0;
    long long pendingA = ours.empty() ? 0 : ours[0]->delta;
    long long pendingB = theirs.empty() ? 0 : theirs[0]->delta;
    while (a < ours.size() && b < theirs.size()) {
        if (pendingA >= pendingB) {
            theirs[b]->delta = static_cast<int>(pendingB);
            merged.push_back(std::move(theirs[b++]));
            pendingA -= pendingB;
            pendingB = b < theirs.size() ? theirs[b]->delta : 0;
        } else {
            ours[a]->delta = static_cast<int>(pendingA);
            merged.push_back(std::move(ours[a++]));
            pendingB -= pendingA;
            pendingA = a < ours.size() ? ours[a]->delta : 0;
        }
    }
    for (bool first = true; a < ours.size(); first = false) {
        if (first) ours[a]->delta = static_cast<int>(pendingA);
        merged.push_back(std::move(ours[a++]));
    }
    for (bool first = true; b < theirs.size(); first = false) {
        if (first) theirs[b]->delta = static_cast<int>(pendingB);
        merged.push_back(std::move(theirs[b++]));
    }
    PutEvents(std::move(merged));
    if (!joined.empty()) InsertMetaTextFirst(meta_type::kTrackName, joined);
    FixEndOfTrack();
    return 1;
}

int MidiTrackData::MergeTracks(MidiTrackData* const* tracks, int n) {
    if (!tracks || n <= 0) {
        ShowError(mdtk::kTrackError);
        return 0;
    }
    // Copies first: this track may be one of the sources.
    std::vector<OwnedEvents> lists(static_cast<std::size_t>(n));
    std::vector<std::vector<long long>> times(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const MidiTrackData* source = tracks[k];
        if (!source) continue;
        if (source->noteMode_ != note_mode::kLength) {
            ShowError(mdtk::kInternal);
            continue;
        }
        lists[static_cast<std::size_t>(k)] = CopyEventsOf(*source);
        times[static_cast<std::size_t>(k)] = source->AbsoluteTimes();
    }
    DeleteAllEvents();
    noteMode_ = note_mode::kLength;

    // By time, and at equal times every event of an earlier track first.
    // Each track's next time stands in `head`, kDone after its last event.
    constexpr long long kDone = std::numeric_limits<long long>::max();
    OwnedEvents merged;
    std::vector<long long> mergedTimes;
    std::vector<std::size_t> next(static_cast<std::size_t>(n), 0);
    std::vector<long long> head(static_cast<std::size_t>(n), kDone);
    std::size_t total = 0;
    for (std::size_t k = 0; k < head.size(); ++k) {
        if (!lists[k].empty()) head[k] = times[k][0];
        total += lists[k].size();
    }
    merged.reserve(total);
    mergedTimes.reserve(total);
    for (;;) {
        std::size_t best = 0;
        for (std::size_t k = 1; k < head.size(); ++k)
            if (head[k] < head[best]) best = k;
        if (head[best] == kDone) break;
        std::size_t& i = next[best];
        merged.push_back(std::move(lists[best][i]));
        mergedTimes.push_back(head[best]);
        ++i;
        head[best] = i < lists[best].size() ? times[best][i] : kDone;
    }
    PutEventsAtTimes(std::move(merged), mergedTimes);
    FixEndOfTrack();
    return 1;
}
