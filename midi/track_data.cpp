#include "midi/track_data.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "core/reporters.h"
#include "midi/sysex.h"

namespace {

const CodeText kErrorTable[] = {
    {0x0D000001, "MidiTrackData Internal Error"},
    {0x0D000002, "Undefined Midi Event"},
    {0x0D000003, "Chanel is wrong"},
    {0x0D000005, "Tempo is wrong."},
    {0x0D000006, "Large data"},
    {0x0D000007, "This is not a midi file."},
    {0x0D000008, "Drum range is not within 35 to 81. Data is modified."},
    {0x0D00000C, "Wrong program change is modified to zero."},
    {0x0D00000D, "Duplicate note on has been found."},
    {0x0D00000E, "Duplicate note off has been found."},
    {0x0D000010, "Invalid parameter."},
    {0x0D000013, "Drum bank select is wrong."},
    {0x0D000014, "Note number is wrong."},
    {0x0D000015, "MidiTrackData tempo data is wrong."},
    {0x0D000018, "Can not find center note!"},
    {0x0D000019, "Musical data is invalid!"},
    {0x0D00001A, "Can not add data!"},
    {0x0D00001B, "Musical data is invalid!"},
    {0x0D00001C, "Can not divice data!"},
    {0x0D00001D, "The number of voice is invalid!"},
    {0x0D00001E, "Channel volume is invalid!"},
    {0x0D00001F, "Can not marge tracks!"},
    {0x0D000020, "Error occured in channel data!"},
    {0x0D000021, "Error occured in note!"},
    {0x0D000022, "Error occured in adding data!"},
    {0x0D000023, "Error occured in connecting notes!"},
    {0x0D000024, "Value is invalid!"},
    {0x0D000025, "Data is invalid!"},
    {0x0D000026, "Error occured in track!"},
    {0x0D000027, "Error occured in time sign!"},
    {0x0D000028, "Error occured in adding data!"},
    {0x0D000029, "Error occured in data operation!"},
    {0x0D00002A, "Error occured in reducing voice!"},
    {0x0D00002B, "Error occured in pitch bend editing!"},
    {0x0D00002C, "Error occured in data editing!"},
    {0x0D00002D, "Error occured in data editing!"},
};
constexpr ClassReporter kErrorReporter("MDTK", kErrorTable, "MidiTrackData error.");

const CodeText kWarningTable[] = {
    {0x0D000002, "未定義のMIDIイベントが含まれていました。"},
    {0x0D000009, "複数のボリュームが設定されています。"},
    {0x0D00000A, "複数のパンが設定されています。"},
    {0x0D00000B, "サイズが大きすぎるイベントが含まれています。"},
    {0x0D00000F, "音の間引きに失敗しました。"},
    {0x0D000011, "複数のマスターボリュームが設定されています。"},
    {0x0D000012, "トップノートは間引かないを指定していますが、指定をはずして間引きました。"},
    {0x0D000016, "Poly Pressのイベントが含まれていました。"},
    {0x0D000017, "内部処理のエラーでノートナンバーが異常になりましたので０に修正しました。"},
};
constexpr ClassReporter kWarningReporter("MDTK", kWarningTable,
                                         "Midiのトラックデータでエラーが発生しました。");

// Once-flags by the low byte of the code. The volume and master-volume
// warnings share one flag; the destructor's large-event report has its own.
constexpr int kOnceFlags = 0x40;
std::atomic<bool> g_shown[kOnceFlags];

int OnceFlagOf(std::uint32_t code) {
    if (code == mdtk::kSeveralMasterVolumes) return mdtk::kSeveralVolumes & 0xFF;
    return static_cast<int>(code & 0xFF);
}

bool IsOnceWarning(std::uint32_t code) {
    for (const CodeText& entry : kWarningTable) {
        if (entry.code == code) return true;
    }
    return false;
}

// Shows code through reporter unless its once-flag is already set.
void ShowOnce(const ClassReporter& reporter, std::uint32_t code) {
    if (!g_shown[OnceFlagOf(code)].exchange(true)) reporter.Show(code);
}

}  // namespace

void MidiTrackData::ShowError(std::uint32_t code) {
    kErrorReporter.Show(code);
}

void MidiTrackData::ShowWarningOnce(std::uint32_t code) {
    if (code == 0) {
        for (auto& flag : g_shown)
            flag = false;
        return;
    }
    if (!IsOnceWarning(code)) {
        kWarningReporter.Show(code);
        return;
    }
    ShowOnce(kWarningReporter, code);
}

void MidiTrackData::FreeDeleter::operator()(MidiEvent** p) const {
    std::free(p);
}

// ---- Construction ----

MidiTrackData::MidiTrackData(int capacity) : MusicData(capacity, DeferBlock{}) {
    // Room for capacity / 3 events; the array and the chunk block are taken
    // only as the track fills, so an empty track costs next to nothing.
    maxEvents_ = capacity_ / 3;
}

bool MidiTrackData::Reserve(int count) {
    if (count <= slots_) return true;
    if (count > maxEvents_) return false;
    constexpr int kFirstSlots = 32;
    const int grown = slots_ > maxEvents_ / 2 ? maxEvents_ : std::max(kFirstSlots, 2 * slots_);
    const int slots = std::min(maxEvents_, std::max(count, grown));
    void* fresh = std::realloc(events_.get(), static_cast<std::size_t>(slots) * sizeof(MidiEvent*));
    if (!fresh) {
        ShowGeneralError(gene::kNeedsMoreMemory);
        return false;
    }
    events_.release();
    events_.reset(static_cast<MidiEvent**>(fresh));
    slots_ = slots;
    return true;
}

MidiTrackData::MidiTrackData(int mode, int capacity) : MidiTrackData(capacity) {
    noteMode_ = mode;
}

MidiTrackData::MidiTrackData(const MidiTrackData& source, int capacity) : MidiTrackData(capacity) {
    noteMode_ = note_mode::kLength;
    if (source.noteMode_ != note_mode::kLength) {
        ShowError(mdtk::kInternal);
        return;
    }
    PutEvents(CopyEventsOf(source));
}

MidiTrackData::~MidiTrackData() {
    bool large = false;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = events_[i];
        if (e->subtype != sysex_class::kExempt && e->DataLength() >= MusicEvent::kLargeData) {
            large = true;
        }
        TakeAt(i);
    }
    // One report however many large events there are and however many copies
    // of the track are freed (until the once-flags are cleared).
    if (large) ShowOnce(kErrorReporter, mdtk::kCannotAdd);
}

// ---- Helpers ----

long long MidiTrackData::TimeOf(int index) const {
    long long t = 0;
    for (int i = 0; i <= index && i < eventCount_; ++i)
        t += events_[i]->delta;
    return t;
}

std::vector<long long> MidiTrackData::AbsoluteTimes() const {
    std::vector<long long> times(static_cast<std::size_t>(eventCount_));
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        t += events_[i]->delta;
        times[static_cast<std::size_t>(i)] = t;
    }
    return times;
}

OwnedEvents MidiTrackData::TakeEvents() {
    OwnedEvents taken;
    taken.reserve(static_cast<std::size_t>(eventCount_));
    for (int i = 0; i < eventCount_; ++i)
        taken.push_back(TakeAt(i));
    eventCount_ = 0;
    return taken;
}

void MidiTrackData::PutEvents(OwnedEvents events) {
    std::size_t room = static_cast<std::size_t>(maxEvents_ - eventCount_);
    std::size_t n = std::min(room, events.size());
    if (!Reserve(eventCount_ + static_cast<int>(n))) {
        n = static_cast<std::size_t>(slots_ - eventCount_);
    }
    for (std::size_t i = 0; i < n; ++i)
        events_[eventCount_++] = events[i].release();
    // The events past the array are freed with the vector.
    if (n < events.size()) ShowError(mdtk::kLargeData);
}

void MidiTrackData::PutEventsAtTimes(OwnedEvents events, const std::vector<long long>& times) {
    long long previous = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        events[i]->delta = static_cast<int>(times[i] - previous);
        previous = times[i];
    }
    PutEvents(std::move(events));
}

OwnedEvents MidiTrackData::CopyEventsOf(const MidiTrackData& source) {
    OwnedEvents copies;
    copies.reserve(static_cast<std::size_t>(source.eventCount_));
    for (int i = 0; i < source.eventCount_; ++i)
        copies.push_back(std::make_unique<MidiEvent>(*source.events_[i]));
    return copies;
}

// ---- Array primitives ----

int MidiTrackData::AppendEventSlow(std::unique_ptr<MidiEvent> event) {
    if (!event) {
        ShowError(mdtk::kInternal);
        return -1;
    }
    if (IsFull() || !Reserve(eventCount_ + 1)) {
        ShowError(mdtk::kLargeData);
        return -1;
    }
    events_[eventCount_] = event.release();
    return eventCount_++;
}

int MidiTrackData::InsertEvent(int index, int order, std::unique_ptr<MidiEvent> event) {
    if (!event) {
        ShowError(mdtk::kInternal);
        return -1;
    }
    int at = order == 2 ? index : index + 1;
    if (at < 0 || at > eventCount_) {
        ShowError(mdtk::kInternal);
        return -1;
    }
    if (IsFull() || !Reserve(eventCount_ + 1)) {
        ShowError(mdtk::kLargeData);
        return -1;
    }
    std::memmove(events_.get() + at + 1, events_.get() + at,
                 static_cast<std::size_t>(eventCount_ - at) * sizeof(MidiEvent*));
    events_[at] = event.release();
    ++eventCount_;
    return at;
}

void MidiTrackData::DeleteEvent(int index) {
    if (index < 0 || index >= eventCount_) {
        ShowError(mdtk::kInternal);
        return;
    }
    const std::unique_ptr<MidiEvent> e = TakeAt(index);
    if (index + 1 < eventCount_) events_[index + 1]->delta += e->delta;
    std::memmove(events_.get() + index, events_.get() + index + 1,
                 static_cast<std::size_t>(eventCount_ - index - 1) * sizeof(MidiEvent*));
    events_[--eventCount_] = nullptr;
}

void MidiTrackData::DeleteAllEvents() {
    for (int i = 0; i < eventCount_; ++i)
        TakeAt(i);
    eventCount_ = 0;
}

void MidiTrackData::SwapEvents(int i, int j) {
    if (i < 0 || j < 0 || i >= eventCount_ || j >= eventCount_) {
        ShowError(mdtk::kInternal);
        return;
    }
    int di = events_[i]->delta;
    int dj = events_[j]->delta;
    std::swap(events_[i], events_[j]);
    events_[i]->delta = di;
    events_[j]->delta = dj;
}

void MidiTrackData::RemoveClearedEvents() {
    int out = 0;
    long long carry = 0;
    bool negative = false;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        if (e->kind == event_kind::kCleared) {
            carry += e->delta;
            TakeAt(i);
            continue;
        }
        if (carry != 0) {
            e->delta = static_cast<int>(e->delta + carry);
            if (e->delta < 0) negative = true;
            carry = 0;
        }
        events_[out++] = e;
    }
    std::fill(events_.get() + out, events_.get() + eventCount_, nullptr);
    eventCount_ = out;
    if (negative) ShowError(mdtk::kInternal);
}

int MidiTrackData::InsertEventAtTime(long long time, std::unique_ptr<MidiEvent> event, int order) {
    if (!event) {
        ShowError(mdtk::kInternal);
        return -1;
    }
    if (time < -1) {
        ShowError(mdtk::kInvalidParameter);
        return -1;
    }
    if (time == -1) {
        MidiEvent* last = LastEvent();
        if (!last) {
            event->delta = 0;
            return AppendEvent(std::move(event));
        }
        event->delta = last->delta;
        int at = InsertEvent(eventCount_ - 1, 2, std::move(event));
        if (at >= 0) last->delta = 0;
        return at;
    }
    long long c = 0;
    for (int i = 0; i + 1 < eventCount_; ++i) {
        long long previous = c;
        c += events_[i]->delta;
        if (c < time) continue;
        if (IsFull()) {
            ShowError(mdtk::kLargeData);
            return -1;
        }
        event->delta = static_cast<int>(time - previous);
        events_[i]->delta = static_cast<int>(c - time);
        int at = InsertEvent(i, 2, std::move(event));
        if (order != 2) {
            while (at + 1 < eventCount_ && events_[at + 1]->delta == 0 &&
                   !events_[at + 1]->IsEndOfTrack()) {
                SwapEvents(at, at + 1);
                ++at;
            }
        }
        return at;
    }
    // time lies at or after the last-but-one event (at time c).
    if (eventCount_ == 0) {
        event->delta = static_cast<int>(time);
        return AppendEvent(std::move(event));
    }
    MidiEvent* last = events_[eventCount_ - 1];
    long long lastTime = c + last->delta;
    if (event->IsEndOfTrack()) {
        if (last->IsEndOfTrack()) {
            // The track keeps its own End of Track, moved to time.
            last->delta = static_cast<int>(time - c);
            return eventCount_ - 1;
        }
        long long d = time - lastTime;
        if (d < 0) {
            ShowError(mdtk::kInvalidMusic);
            d = 0;
        }
        event->delta = static_cast<int>(d);
        return AppendEvent(std::move(event));
    }
    if (IsFull()) {
        ShowError(mdtk::kLargeData);
        return -1;
    }
    event->delta = static_cast<int>(time - c);
    last->delta = lastTime > time ? static_cast<int>(lastTime - time) : 0;
    return InsertEvent(eventCount_ - 1, 2, std::move(event));
}

void MidiTrackData::InsertTimeAt(long long time, int ticks) {
    long long t = 0;
    for (int i = 0; i < eventCount_; ++i) {
        t += events_[i]->delta;
        if (t < time) continue;
        if (events_[i]->delta + static_cast<long long>(ticks) < 0) {
            ShowError(mdtk::kInvalidParameter);
            return;
        }
        events_[i]->delta += ticks;
        return;
    }
}

int MidiTrackData::ShiftEvent(int index, int ticks) {
    MidiEvent* e = Event(index);
    if (!e) {
        ShowError(mdtk::kInternal);
        return 0;
    }
    MidiEvent* next = Event(index + 1);
    long long own = static_cast<long long>(e->delta) + ticks;
    long long following = next ? static_cast<long long>(next->delta) - ticks : 0;
    if (own < 0 || following < 0) {
        ShowError(mdtk::kInvalidMusic);
        return 0;
    }
    e->delta = static_cast<int>(own);
    if (next) next->delta = static_cast<int>(following);
    return 1;
}

// ---- System exclusive ----

void MidiTrackData::ClassifySysEx(MidiEvent* event) {
    if (!event || event->kind != event_kind::kSysEx) return;
    int value = 0;
    int channel = kNoChannel;
    event->subtype = ClassifySysExBytes(event->GetData(), event->DataLength(), &value, &channel);
    event->value = value;
    event->channel = channel;
}

int MidiTrackData::CountSoundingNotes(const SoundingTable& table) {
    int n = 0;
    for (const auto& row : table.on) {
        for (std::uint8_t flag : row)
            n += flag != 0;
    }
    return n;
}
