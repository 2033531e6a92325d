// Note-mode conversions, event ordering inside a tick, resolution change,
// End of Track repair, duplicate notes and voice thinning.
#include <algorithm>
#include <array>
#include <memory>

#include "midi/track_data.h"

namespace {

constexpr int kNoteOffVelocity = 64;

std::unique_ptr<MidiEvent> NewNoteOff(int channel, int key, int delta) {
    auto off = std::make_unique<MidiEvent>(delta);
    off->kind = event_kind::kNoteOff;
    off->channel = channel;
    off->note = key;
    off->velocity = kNoteOffVelocity;
    return off;
}

bool SameKey(const MidiEvent& a, const MidiEvent& b) {
    return a.channel == b.channel && a.note == b.note;
}

// A time of from ticks per quarter in ticks of to, rounded down.
long long ScaleTime(long long time, int from, int to) {
    const long long product = time * to;
    const long long q = product / from;
    return q * from > product ? q - 1 : q;
}

}  // namespace

int MidiTrackData::ConvertToNoteOnOff() {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->IsNoteWithLength() && (e->length == 0 || e->velocity == 0)) e->Clear();
    }
    RemoveClearedEvents();

    std::vector<long long> times = AbsoluteTimes();
    OwnedEvents events = TakeEvents();
    const std::size_t n = events.size();

    // Each note's note-off goes just before the first later event that
    // reaches the note's end, so at one tick the note-offs come first, the
    // note-off of the later note first. A note that ends where it starts is
    // closed right after its note-on.
    struct PendingOff {
        long long time;
        std::size_t note;
        std::unique_ptr<MidiEvent> event;
    };
    std::vector<PendingOff> offs;
    OwnedEvents closesAtOnce(n);
    // Each note needs a second slot for its note-off. When the array cannot
    // hold them all, the first notes that fit are kept and the rest dropped,
    // so that no note is left sounding.
    std::size_t notes = 0;
    for (const auto& e : events)
        notes += e->IsNoteWithLength();
    std::size_t others = n - notes;
    std::size_t room = notes;
    if (n + notes > static_cast<std::size_t>(maxEvents_)) {
        room = static_cast<std::size_t>(maxEvents_) > others
                   ? (static_cast<std::size_t>(maxEvents_) - others) / 2
                   : 0;
    }
    bool refused = false;
    for (std::size_t i = 0; i < n; ++i) {
        MidiEvent* e = events[i].get();
        if (!e->IsNoteWithLength()) continue;
        if (room == 0) {
            // No slot for its note-off: the note is dropped rather than left sounding.
            e->Clear();
            refused = true;
            continue;
        }
        --room;
        long long length = std::max(e->length, 0);
        e->kind = event_kind::kNoteOn;
        e->length = 0;
        auto off = NewNoteOff(e->channel, e->note, 0);
        if (length == 0) {
            closesAtOnce[i] = std::move(off);
        } else {
            offs.push_back({times[i] + length, i, std::move(off)});
        }
    }
    if (refused) ShowError(mdtk::kLargeData);
    std::sort(offs.begin(), offs.end(), [](const PendingOff& a, const PendingOff& b) {
        return a.time != b.time ? a.time < b.time : a.note > b.note;
    });

    OwnedEvents out;
    std::vector<long long> outTimes;
    out.reserve(n + offs.size());
    outTimes.reserve(n + offs.size());
    std::size_t k = 0;
    std::unique_ptr<MidiEvent> endOfTrack;
    long long endTime = 0;
    for (std::size_t i = 0; i < n; ++i) {
        // Cleared events are freed with `events`.
        if (events[i]->kind == event_kind::kCleared) continue;
        while (k < offs.size() && offs[k].time <= times[i]) {
            out.push_back(std::move(offs[k].event));
            outTimes.push_back(offs[k].time);
            ++k;
        }
        if (!endOfTrack && events[i]->IsEndOfTrack()) {
            // The first End of Track goes to the very end; it never moves
            // earlier than it stood.
            endOfTrack = std::move(events[i]);
            endTime = times[i];
        } else {
            out.push_back(std::move(events[i]));
            outTimes.push_back(times[i]);
        }
        if (closesAtOnce[i]) {
            out.push_back(std::move(closesAtOnce[i]));
            outTimes.push_back(times[i]);
        }
    }
    for (; k < offs.size(); ++k) {
        out.push_back(std::move(offs[k].event));
        outTimes.push_back(offs[k].time);
    }
    if (endOfTrack) {
        outTimes.push_back(outTimes.empty() ? endTime : std::max(endTime, outTimes.back()));
        out.push_back(std::move(endOfTrack));
    }
    PutEventsAtTimes(std::move(out), outTimes);
    noteMode_ = note_mode::kNoteOnOff;
    OrderNoteOffsFirst();
    return 1;
}

int MidiTrackData::ConvertToNoteLength() {
    if (noteMode_ != note_mode::kNoteOnOff) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    std::vector<long long> times = AbsoluteTimes();
    const int n = eventCount_;
    // Pending note-ons per channel and key, first in first out, linked
    // through `next`.
    std::vector<int> head(16 * 128, -1);
    std::vector<int> tail(16 * 128, -1);
    std::vector<int> next(static_cast<std::size_t>(n), -1);
    bool negative = false;

    auto pair = [&](int on, int off) {
        MidiEvent* e = events_[on];
        long long length =
            times[static_cast<std::size_t>(off)] - times[static_cast<std::size_t>(on)];
        e->length = static_cast<int>(length);
        if (length < 0) negative = true;
        events_[off]->Clear();
    };

    for (int i = 0; i < n; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind == event_kind::kNoteOn && e->velocity == 0) e->kind = event_kind::kNoteOff;
    }
    for (int i = 0; i < n; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind == event_kind::kNoteOn) {
            e->kind = event_kind::kNote;
            e->length = 0;
            if (SoundingTable::Valid(e->channel, e->note)) {
                int slot = e->channel * 128 + e->note;
                if (tail[slot] < 0) {
                    head[slot] = i;
                } else {
                    next[static_cast<std::size_t>(tail[slot])] = i;
                }
                tail[slot] = i;
                continue;
            }
            // A channel or key outside the table: look ahead for its note-off.
            for (int j = i + 1; j < n; ++j) {
                MidiEvent* f = events_[j];
                if (f->kind == event_kind::kNoteOff && SameKey(*e, *f)) {
                    pair(i, j);
                    break;
                }
            }
        } else if (e->kind == event_kind::kNoteOff) {
            if (!SoundingTable::Valid(e->channel, e->note)) continue;
            int slot = e->channel * 128 + e->note;
            int on = head[slot];
            if (on < 0) continue;
            head[slot] = next[static_cast<std::size_t>(on)];
            if (head[slot] < 0) tail[slot] = -1;
            pair(on, i);
        }
    }
    for (int i = 0; i < n; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind == event_kind::kNoteOff) e->Clear();
        if (e->IsNoteWithLength() && e->length == 0) e->Clear();
    }
    if (negative) ShowError(mdtk::kInternal);
    RemoveClearedEvents();
    noteMode_ = note_mode::kLength;
    return 1;
}

void MidiTrackData::NoteOnZeroToNoteOff() {
    if (noteMode_ != note_mode::kNoteOnOff) {
        ShowError(mdtk::kInternal);
        return;
    }
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind == event_kind::kNoteOn && e->velocity == 0) e->kind = event_kind::kNoteOff;
    }
}

void MidiTrackData::OrderNoteOffsFirst() {
    // Note-ons of the current run that a note-off could trade places with,
    // latest last. A note-off never trades with the note-on of its own key:
    // that would leave the note sounding.
    std::vector<int> noteOns;
    for (int j = 0; j < eventCount_; ++j) {
        MidiEvent* e = events_[j];
        if (e->delta != 0) noteOns.clear();
        if (e->kind == event_kind::kNoteOff && e->delta == 0 && !noteOns.empty()) {
            int k = noteOns.back();
            if (!SameKey(*events_[k], *e)) {
                SwapEvents(k, j);
                noteOns.back() = j;
            }
            continue;
        }
        if (e->IsNoteOn()) noteOns.push_back(j);
    }
}

void MidiTrackData::MoveControlEventsFirst() {
    if (noteMode_ != note_mode::kNoteOnOff) {
        ShowError(mdtk::kInternal);
        return;
    }
    MoveToRunStart([](const MidiEvent& e) {
        return !(e.kind == event_kind::kNoteOn || e.kind == event_kind::kNoteOff ||
                 e.IsEndOfTrack());
    });
}

int MidiTrackData::ChangeResolution(int from, int to, int dropEmpty) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    if (from == to) return 0;
    if (from <= 0 || to <= 0) {
        ShowError(mdtk::kInvalidParameter);
        return 0;
    }
    // Every event goes to its own absolute time scaled and rounded down
    // once, and a delta is the step between two such times: no rounding
    // error is carried on, so parts that start together stay together to
    // the end of the tune. A note's end is rounded the same way as its
    // start, so that it stays where it was, too.
    long long source = 0;
    long long scaledTime = 0;
    int becameEmpty = 0;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        source += e->delta;
        const long long start = ScaleTime(source, from, to);
        e->delta = static_cast<int>(start - scaledTime);
        scaledTime = start;
        if (e->IsNoteWithLength()) {
            long long length = static_cast<long long>(to) * e->length / from;
            // A note of any length keeps its end where it was (a negative
            // length, which closes at once, is only scaled).
            if (length > 0) length = ScaleTime(source + e->length, from, to) - start;
            if (length == 0) {
                becameEmpty = 1;
                if (dropEmpty == 1) {
                    e->Clear();
                } else {
                    length = 1;
                }
            }
            e->length = static_cast<int>(length);
        }
    }
    RemoveClearedEvents();
    return becameEmpty;
}

void MidiTrackData::FixEndOfTrack() {
    for (int i = 0; i + 1 < eventCount_; ++i) {
        if (events_[i]->IsEndOfTrack()) events_[i]->Clear();
    }
    RemoveClearedEvents();
    MidiEvent* last = LastEvent();
    if (!last || !last->IsEndOfTrack()) AppendEndOfTrackAt(0);
}

int MidiTrackData::FixDuplicateNotes(int closeFirst) {
    if (noteMode_ == note_mode::kNoteOnOff) {
        ConvertToNoteLength();
        ConvertToNoteOnOff();
        return FixDuplicatesOnOff(closeFirst);
    }
    if (noteMode_ == note_mode::kLength) {
        ConvertToNoteOnOff();
        int found = FixDuplicatesOnOff(closeFirst);
        ConvertToNoteLength();
        return found;
    }
    ShowError(mdtk::kInternal);
    return 0;
}

int MidiTrackData::FixDuplicatesOnOff(int closeFirst) {
    SoundingTable table;
    int found = 0;
    bool refused = false;
    OwnedEvents events = TakeEvents();
    OwnedEvents out;
    out.reserve(events.size());
    std::size_t room = static_cast<std::size_t>(maxEvents_) - events.size();
    for (auto& owned : events) {
        MidiEvent* e = owned.get();
        if (SoundingTable::Valid(e->channel, e->note)) {
            std::uint8_t& sounding = table.on[e->channel][e->note];
            if (e->IsNoteOn()) {
                if (sounding) {
                    found = 1;
                    if (closeFirst == 1 && room > 0) {
                        --room;
                        out.push_back(NewNoteOff(e->channel, e->note, e->delta));
                        e->delta = 0;
                    } else {
                        if (closeFirst == 1) refused = true;
                        e->Clear();
                    }
                }
                sounding = 1;
            } else if (e->IsNoteOff()) {
                if (!sounding) {
                    found = 1;
                    e->Clear();
                }
                sounding = 0;
            }
        }
        out.push_back(std::move(owned));
    }
    if (refused) ShowError(mdtk::kLargeData);
    PutEvents(std::move(out));
    RemoveClearedEvents();
    return found;
}

int MidiTrackData::ThinVoices(int limit) {
    if (noteMode_ != note_mode::kNoteOnOff) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    if (limit < 0) {
        ShowError(mdtk::kInvalidParameter);
        return 0;
    }
    SoundingTable table;
    // Where each sounding note's note-on stands in `out`, and how many own
    // note-offs of an ended note are still to come.
    std::vector<int> noteOnAt(16 * 128, -1);
    std::vector<int> endedOffs(16 * 128, 0);
    std::array<int, 16> soundingOn{};  // sounding notes per channel
    int sounding = 0;
    int thinned = 0;
    bool refused = false;
    OwnedEvents events = TakeEvents();
    OwnedEvents out;
    out.reserve(events.size());
    std::size_t room = static_cast<std::size_t>(maxEvents_) - events.size();
    std::size_t runStart = 0;  // first event of the run just before, in `out`

    auto endOneNote = [&]() {
        for (int ch = 15; ch >= 0; --ch) {
            for (int key = 0; key < 128 && soundingOn[static_cast<std::size_t>(ch)] > 0; ++key) {
                if (!table.on[ch][key]) continue;
                int slot = ch * 128 + key;
                int on = noteOnAt[static_cast<std::size_t>(slot)];
                if (on >= 0 && static_cast<std::size_t>(on) >= runStart) {
                    // Begun in the run just before: the note is dropped.
                    MidiEvent* e = out[static_cast<std::size_t>(on)].get();
                    if (e->IsNoteOn() && e->channel == ch && e->note == key) {
                        e->Clear();
                    } else {
                        ShowError(mdtk::kReducingVoice);
                    }
                } else if (room > 0) {
                    --room;
                    out.push_back(NewNoteOff(ch, key, 0));
                } else {
                    refused = true;
                    if (on >= 0) out[static_cast<std::size_t>(on)]->Clear();
                }
                ++endedOffs[static_cast<std::size_t>(slot)];
                table.on[ch][key] = 0;
                --soundingOn[static_cast<std::size_t>(ch)];
                --sounding;
                ++thinned;
                return;
            }
        }
    };

    for (std::size_t i = 0; i < events.size(); ++i) {
        MidiEvent* e = events[i].get();
        if (e->delta > 0 || i + 1 == events.size()) {
            while (sounding > limit)
                endOneNote();
            if (e->delta > 0) runStart = out.size();
        }
        if (SoundingTable::Valid(e->channel, e->note)) {
            int slot = e->channel * 128 + e->note;
            std::uint8_t& flag = table.on[e->channel][e->note];
            if (e->IsNoteOn()) {
                if (flag) {
                    e->Clear();
                } else {
                    flag = 1;
                    ++soundingOn[static_cast<std::size_t>(e->channel)];
                    ++sounding;
                    noteOnAt[static_cast<std::size_t>(slot)] = static_cast<int>(out.size());
                }
            } else if (e->IsNoteOff()) {
                if (endedOffs[static_cast<std::size_t>(slot)] > 0) {
                    --endedOffs[static_cast<std::size_t>(slot)];
                    e->Clear();
                } else if (!flag) {
                    e->Clear();
                } else {
                    flag = 0;
                    --soundingOn[static_cast<std::size_t>(e->channel)];
                    --sounding;
                }
            }
        }
        out.push_back(std::move(events[i]));
    }
    if (refused) ShowError(mdtk::kLargeData);
    PutEvents(std::move(out));
    RemoveClearedEvents();
    OrderNoteOffsFirst();
    return thinned > 0 ? 1 : 0;
}
