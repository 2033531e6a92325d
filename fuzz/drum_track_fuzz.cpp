// Drives the drum generator with style bytes taken from the input (pattern,
// beat, metre, drum set, density, sound module, the beat field at 716, the
// custom drum grid and the created rows) over a label list of random spans
// (1..1600 ticks). Aborts on any broken rule of a drum track: a note off
// channel 9, a negative delta, a hit outside its span, a span whose time
// does not pass whole, and after the track is closed a note under one tick,
// a velocity outside 1..127 or an End of Track off the next beat.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "accomp/drum_track.h"
#include "compose/compose_info.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"
#include "style/style_table.h"

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Next16() { return Next() * 256 + Next(); }
    bool More() const { return at_ < size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void Check(bool ok) {
    if (!ok) std::abort();
}

long long CeilBeat(long long t) {
    return (t + 95) / 96 * 96;
}

// The rules of a closed track: notes on channel 9, at least one tick, of
// velocity 1..127, in time order, ending in End of Track at `end`.
void CheckClosed(const ComposeTrackData& track, long long end) {
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        Check(e->delta >= 0);
        t += e->delta;
        if (e->IsEndOfTrack()) {
            Check(i == track.EventCount() - 1);
            Check(t == end);
        } else if (e->IsNoteWithLength()) {
            Check(e->channel == kDrumChannel);
            Check(e->length >= 1 && e->velocity >= 1 && e->velocity <= 127);
            Check(e->note >= 13 && e->note <= 127);
        }
    }
    Check(track.LastEvent() && track.LastEvent()->IsEndOfTrack());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    Bytes in(data, size);
    InitMusicStyle(WorkingStyle);
    WorkingStyle.rhythmPattern = in.Next() % 41;
    WorkingStyle.basicBeat = in.Next() % 4;
    WorkingStyle.timeSignature = in.Next() % 4;
    const int set = in.Next() % 7;
    WorkingStyle.voice[kPartDrum] = set == 6 ? kVoiceNotUsed : set;
    WorkingStyle.density[kPartDrum] = in.Next();
    AppSettings.ComposeOutputType = in.Next() % 3;
    WorkingStyle.setting716 = static_cast<std::uint16_t>(in.Next() % 4);
    AppSettings.StartAt2ndBar = in.Next() % 2;
    PanelMode = kPanelModeCompose;
    GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridDrum];
    for (int row = 0; row < kGridRows; ++row) {
        grid.pnInterval[row] = in.Next() - 64;
        const int bits = in.Next16();
        for (int step = 0; step < kGridSteps; ++step)
            grid.Cell(row, step) = (bits >> step) & 1;
    }
    {
        std::lock_guard<std::mutex> lock(CreatedDrumPatternsMutex());
        for (auto& row : CreatedDrumPatterns)
            for (int& k : row)
                k = in.Next() % 56;
    }
    const std::int32_t seed = static_cast<std::int32_t>(in.Next16());

    // Spans of 1..1600 ticks with block letters, 'E' marks and the
    // creator's preview byte.
    NoteList& labels = ComposeInfo.labels;
    labels.Clear();
    std::vector<int> spans;
    long long total = 0;
    while (in.More() && spans.size() < 200) {
        const int length = 1 + in.Next16() % 1600;
        const int letter = in.Next();
        const int mark = in.Next();
        const char label[4] = {static_cast<char>(letter % 8 == 0 ? 'x' : '@' + letter % 8),
                               static_cast<char>(mark % 5 == 0 ? 'E' : mark % 5 - 1), 'X', 'X'};
        labels.AppendLabel(length, label);
        spans.push_back(length);
        total += length;
    }

    // The style run with its spans logged.
    SeedRandomWith(seed);
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    DrumSpanLog log;
    GenerateDrumPattern(kDrumChannel, labels, track, WorkingStyle.density[kPartDrum], &log);
    const int style = WorkingStyle.rhythmPattern;
    if (style >= 1 && style <= kDrumStyleCount) {
        Check(log.spanEventEnd.size() == spans.size());
        const bool overhang = style == 1 && WorkingStyle.basicBeat == kTripletBeat &&
                              WorkingStyle.timeSignature == kMetre34 && !spans.empty();
        long long t = 0, start = 0, reach = 0;
        std::size_t span = 0;
        for (int i = 0; i < track.EventCount(); ++i) {
            const MidiEvent* e = track.Event(i);
            Check(e->IsNoteWithLength() && e->channel == kDrumChannel && e->delta >= 0);
            t += e->delta;
            while (span < spans.size() && i >= log.spanEventEnd[span])
                start += spans[span++];
            const bool rest = e->note == 0 || e->velocity == 0;
            reach = std::max(reach, rest ? t + std::max(e->length - 1, 0) : t + e->length);
            if (span < spans.size()) {
                Check(t >= start && t < start + spans[span]);
            } else if (!overhang) {
                Check(rest && t == total);
            }
        }
        Check(t == (overhang ? total + spans.back() + 288 : total));
        PadTrackEnd(track);
        CheckClosed(track, CeilBeat(reach));
    } else {
        Check(track.EventCount() == 0);
    }

    // The whole frame as the composer runs it.
    SeedRandomWith(seed);
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    BuildDrumTrack(tracks, count);
    Check(static_cast<int>(tracks.size()) == count);
    Check(count == (WorkingStyle.voice[kPartDrum] == kVoiceNotUsed ? 0 : 1));
    for (ComposeTrackData* built : tracks) {
        Check(built->GetTotalTicks() % 96 == 0 || built->GetTotalTicks() == GetLeadInTicks());
        delete built;
    }
    labels.Clear();
    return 0;
}
