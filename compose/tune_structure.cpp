#include "compose/tune_structure.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "core/conversion_services.h"
#include "midi/f0_data.h"
#include "midi/midi_event.h"
#include "midi/mobile_subtypes.h"
#include "midi/track_data.h"

namespace {

constexpr CodeText kErrorTable[] = {
    {tnst::kCannotSwapDrum, "Can not swap drum channel!"},
    {tnst::kChannelOperation, "Error occured in channel operation!"},
};
constexpr ClassReporter kReporter("TNST", kErrorTable, "Error occurred in TuneStructure!");

struct ProgramRange {
    int first;
    int last;
};

// Programs of instruments that play chords.
constexpr ProgramRange kChordalPrograms[] = {
    {0, 13}, {15, 30}, {40, 46}, {48, 89}, {93, 98}, {100, 100}, {104, 111},
};
// Programs of instruments that carry a melody.
constexpr ProgramRange kMelodicPrograms[] = {
    {0, 8},  {10, 13}, {15, 27}, {29, 30},   {40, 44},
    {46, 46}, {48, 89}, {93, 98}, {100, 100}, {104, 111},
};
// Programs of instruments that may play the bass: the melodic ones and the
// basses.
constexpr ProgramRange kBassPrograms[] = {
    {0, 8},  {10, 13}, {15, 27}, {29, 30},   {32, 44},
    {46, 46}, {48, 89}, {93, 98}, {100, 100}, {104, 111},
};

template <std::size_t N>
bool InRanges(const ProgramRange (&ranges)[N], int program) {
    for (const ProgramRange& r : ranges)
        if (program >= r.first && program <= r.last) return true;
    return false;
}

// Lowest pitch counted as high.
constexpr int kHighPitch = 48;
// Notes further than this from the previous one are leaps.
constexpr int kStepSemitones = 4;

// The GS part that a "use for rhythm part" message makes a rhythm part:
// F0 <count> 41 10 42 12 40 v 15 with v 0x11..0x1F; -1 for anything else.
int GsRhythmPartChannel(const MidiEvent& e) {
    const std::uint8_t* d = e.GetData();
    const int n = e.DataLength();
    if (!d || n < 1 || d[0] != 0xF0) return -1;
    int pos = 1;
    // The length count: at most four bytes, the last without its top bit.
    for (int k = 0; k < 4 && pos < n && (d[pos] & 0x80); ++k)
        ++pos;
    ++pos;
    constexpr std::uint8_t kHead[5] = {0x41, 0x10, 0x42, 0x12, 0x40};
    if (n - pos < 7) return -1;
    for (int k = 0; k < 5; ++k)
        if (d[pos + k] != kHead[k]) return -1;
    const int v = d[pos + 5];
    if (d[pos + 6] != 0x15 || v < 0x11 || v > 0x1F) return -1;
    return v <= 0x19 ? v - 0x11 : v - 0x10;
}

void AddSaturated(std::int32_t& slot, long long amount) {
    const long long sum = static_cast<long long>(slot) + amount;
    slot = static_cast<std::int32_t>(std::min<long long>(sum, std::numeric_limits<std::int32_t>::max()));
}

bool IsChannel(int c) {
    return c >= 0 && c < TuneStructure::kChannels;
}

}  // namespace

bool IsChordalProgram(int program) {
    return InRanges(kChordalPrograms, program);
}
bool IsMelodicProgram(int program) {
    return InRanges(kMelodicPrograms, program);
}
bool IsBassProgram(int program) {
    return InRanges(kBassPrograms, program);
}

TuneStructure::TuneStructure() {
    reserved.fill(1);
    role[kDrumChannel] = tune_role::kDrums;
}

void TuneStructure::ErrorMsg(ErrorCode code) {
    kReporter.Show(code);
}

std::array<TuneStructure::Row*, 13> TuneStructure::ChannelRows() {
    return {&program,  &chordNotes,     &singleNotes, &reserved,   &lowNotes,
            &highNotes, &veryShortNotes, &longNotes,   &shortNotes, &leaps,
            &steps,     &used,           &role};
}

void TuneStructure::ClearStatistics() {
    for (Row* row : {&chordNotes, &singleNotes, &lowNotes, &highNotes, &veryShortNotes,
                     &longNotes, &shortNotes, &leaps, &steps, &used})
        row->fill(0);
}

// The chord-note count k of a note is the number of later notes of the
// channel that start before it ends: one search over the sorted start times.
void TuneStructure::GatherChannel(int c, std::span<const ChannelNote> notes, int division) {
    if (c < 0 || c >= kRowSize || notes.empty()) return;
    const auto at = static_cast<std::size_t>(c);
    std::vector<long long> starts;
    starts.reserve(notes.size());
    for (const ChannelNote& n : notes)
        starts.push_back(n.start);
    int previous = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const ChannelNote& n = notes[i];
        used[at] = 1;
        if (previous != 0) AddSaturated(std::abs(n.pitch - previous) > kStepSemitones ? leaps[at] : steps[at], 1);
        previous = n.pitch;
        const long long end = n.start + n.length;
        const auto first = starts.begin() + static_cast<std::ptrdiff_t>(i + 1);
        const long long k = std::lower_bound(first, starts.end(), end) - first;
        if (k > 0) {
            AddSaturated(chordNotes[at], k);
        } else {
            AddSaturated(singleNotes[at], 1);
        }
        if (n.length < division / 5) {
            AddSaturated(veryShortNotes[at], 1);
        } else if (n.length < division / 2) {
            AddSaturated(shortNotes[at], 1);
        } else {
            AddSaturated(longNotes[at], 1);
        }
        AddSaturated(n.pitch >= kHighPitch ? highNotes[at] : lowNotes[at], 1);
    }
}

void TuneStructure::CountUsedChannels() {
    usedChannelCount = 0;
    for (int c = 0; c < kChannels; ++c)
        usedChannelCount += used[static_cast<std::size_t>(c)] == 1;
}

void TuneStructure::AnalyzeMidiData(const MidiF0Data& song, int division) {
    std::vector<TimedEvent> events;
    if (const MidiTrackData* track = song.Track()) {
        events.reserve(static_cast<std::size_t>(track->EventCount()));
        long long time = 0;
        for (const MidiEvent* e : track->Events()) {
            time += e->delta;
            events.push_back({time, e});
        }
    }
    AnalyzeMidiEvents(events, division);
}

void TuneStructure::AnalyzeMidiEvents(std::span<const TimedEvent> events, int division) {
    ClearStatistics();
    std::vector<std::vector<ChannelNote>> notes(kChannels);
    long long end = 0;
    for (const TimedEvent& timed : events) {
        const MidiEvent* e = timed.event;
        end = std::max(end, timed.time);
        if (e->IsNoteWithLength()) end = std::max(end, timed.time + e->length);
        if (e->IsNoteWithLength() && e->length > 0 && IsChannel(e->channel)) {
            notes[static_cast<std::size_t>(e->channel)].push_back({timed.time, e->note, e->length});
        } else if (e->IsSysEx()) {
            const int drum = GsRhythmPartChannel(*e);
            if (drum >= 0) role[static_cast<std::size_t>(drum)] = tune_role::kDrums;
        } else if (e->kind == event_kind::kProgramChange && IsChannel(e->channel)) {
            program[static_cast<std::size_t>(e->channel)] = e->value;
        }
    }
    for (int c = 0; c < kChannels; ++c)
        GatherChannel(c, notes[static_cast<std::size_t>(c)], division);
    CountUsedChannels();
    const long long bar = 4LL * division;
    barCount = bar > 0 ? static_cast<std::int32_t>(std::min<long long>(
                             (end + bar - 1) / bar, std::numeric_limits<std::int32_t>::max()))
                       : 0;
    melodyCount = bassCount = harmonyCount = 0;
    RunRolePasses();
}

void TuneStructure::AnalyzeMobileData(const MobileDataView& model, int division) {
    ClearStatistics();
    std::vector<ChannelNote> notes;
    for (int s = 0; s < model.SlotCount(); ++s) {
        const int number = model.SlotNumber(s);
        if (number < 0 || number >= kRowSize) {
            ErrorMsg(tnst::kChannelOperation);
            continue;
        }
        const auto at = static_cast<std::size_t>(number);
        if (model.SlotKind(s) == 1) role[at] = tune_role::kDrums;
        notes.clear();
        long long time = 0;
        const int count = model.EventCount(s);
        for (int i = 0; i < count; ++i) {
            const MobileEventInfo info = model.Event(s, i);
            time += info.delta;
            if (info.kind == MobileEventInfo::Kind::Note && info.length > 0) {
                notes.push_back({time, info.note, info.length});
            } else if (info.kind == MobileEventInfo::Kind::Meta &&
                       info.metaType == mobile_code::kProgram) {
                program[at] = info.note;
            }
        }
        GatherChannel(number, notes, division);
    }
    CountUsedChannels();
    barCount = model.GetLengthInMeasures();
    melodyCount = bassCount = harmonyCount = 0;
    RunRolePasses();
}

int TuneStructure::FindChannelByRole(int wanted) const {
    for (int c = 0; c < kChannels; ++c)
        if (role[static_cast<std::size_t>(c)] == wanted) return c;
    return kChannels;
}

void TuneStructure::SwapChannels(MidiF0Data& song, int a, int b) {
    if (a == b) return;
    if (!IsChannel(a) || !IsChannel(b)) {
        ErrorMsg(tnst::kChannelOperation);
        return;
    }
    if (a == kDrumChannel || b == kDrumChannel) {
        ErrorMsg(tnst::kCannotSwapDrum);
        return;
    }
    if (song.Track()) song.Track()->SwapChannels(a, b);
    for (Row* row : ChannelRows())
        std::swap((*row)[static_cast<std::size_t>(a)], (*row)[static_cast<std::size_t>(b)]);
}

void TuneStructure::ClearChannel(MidiF0Data& song, int channel) {
    if (!IsChannel(channel)) {
        ErrorMsg(tnst::kChannelOperation);
        return;
    }
    if (song.Track()) song.Track()->DeleteChannelEvents(channel);
    for (Row* row : ChannelRows())
        (*row)[static_cast<std::size_t>(channel)] = 0;
}
