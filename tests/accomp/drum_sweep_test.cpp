// Every drum style, straight and triplet, in every metre, drum set and a
// low, normal and high density, over label lists with odd spans: what every
// drum track must show whatever its tables hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "compose/compose_track.h"
#include "core/utilities.h"
#include "tests/accomp/drum_test_util.h"
#include "tests/support/test_support.h"

using drum_test::DrumFixture;
using drum_test::FillLabels;
using drum_test::Span;

namespace {

// Odd lengths, spans that start half a beat late (after the 48 and the 100)
// and one of a single tick.
const std::vector<Span> kOddSpans = {
    {48, "AXXX"},  {384, "AXXX"}, {18, "AXXX"},  {100, "AEXX"}, {336, "BXXX"},
    {192, "BEXX"}, {1, "FXXX"},   {144, "FXXX"}, {288, "FEXX"}, {384, "CXXX"},
    {96, "CXXX"},  {30, "CEXX"},  {384, "AXXX"}, {240, "AXXX"}, {336, "AEXX"},
    {384, "BXXX"}, {384, "BEXX"}, {192, "FXXX"}, {384, "FEXX"}, {384, "FEXX"},
};

// Whole bars and half bars, with the blocks the figures look for.
const std::vector<Span> kBarSpans = {
    {384, "AXXX"}, {384, "AEXX"}, {192, "BXXX"}, {192, "BXXX"}, {384, "BEXX"},
    {384, "FXXX"}, {384, "FEXX"}, {288, "CXXX"}, {288, "CEXX"}, {384, "AXXX"},
    {384, "AXXX"}, {384, "AXXX"}, {384, "AXXX"}, {384, "AXXX"}, {384, "AXXX"},
    {384, "AXXX"}, {384, "AXXX"}, {384, "AEXX"}, {384, "AEXX"}, {384, "AEXX"},
};

long long CeilBeat(long long t) {
    return (t + 95) / 96 * 96;
}

class DrumSweep : public DrumFixture {
protected:
    void SetUp() override {
        DrumFixture::SetUp();
        // A custom drum grid and created rows with something in them.
        SeedRandomWith(99);
        GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridDrum];
        for (int row = 0; row < kGridRows; ++row) {
            grid.pnInterval[row] = RandomInRange(0, 46);
            for (int step = 0; step < kGridSteps; ++step)
                grid.Cell(row, step) = RandomInRange(1, 5) == 1 ? 1 : 0;
        }
        for (auto& row : CreatedDrumPatterns)
            for (int& k : row)
                k = RandomInRange(1, 50);
    }

    // One run; false (with a failure) at the first broken rule.
    bool Check(const std::vector<Span>& spans, const std::string& what) {
        NoteList labels;
        FillLabels(labels, spans);
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        DrumSpanLog log;
        GenerateDrumPattern(kDrumChannel, labels, track, WorkingStyle.density[kPartDrum], &log);
        if (log.spanEventEnd.size() != spans.size()) {
            ADD_FAILURE() << what << ": " << log.spanEventEnd.size() << " spans logged";
            return false;
        }
        const bool overhang = WorkingStyle.rhythmPattern == 1 &&
                              WorkingStyle.basicBeat == kTripletBeat &&
                              WorkingStyle.timeSignature == kMetre34;
        long long t = 0;
        long long start = 0;
        long long reach = 0;
        std::size_t span = 0;
        for (int i = 0; i < track.EventCount(); ++i) {
            const MidiEvent* e = track.Event(i);
            if (!e->IsNoteWithLength() || e->channel != kDrumChannel || e->delta < 0) {
                ADD_FAILURE() << what << ": event " << i << " kind " << e->kind << " channel "
                              << e->channel << " delta " << e->delta;
                return false;
            }
            t += e->delta;
            while (span < spans.size() && i >= log.spanEventEnd[span])
                start += spans[span++].length;
            const bool rest = e->note == 0 || e->velocity == 0;
            reach = std::max(reach, rest ? t + std::max(e->length - 1, 0) : t + e->length);
            if (span < spans.size()) {
                if (t < start || t >= start + spans[span].length) {
                    ADD_FAILURE() << what << ": a hit of span " << span << " at " << t
                                  << " outside " << start << ".." << start + spans[span].length;
                    return false;
                }
            } else if (!overhang && (!rest || t != start)) {
                ADD_FAILURE() << what << ": closing event at " << t << ", the spans end at "
                              << start;
                return false;
            }
        }
        // Every span's time passed whole: the run ends at the end of its
        // spans (two bars later after the ending of the 3/4 triplet "8 Beat").
        const long long expectedEnd = overhang ? start + spans.back().length + 288 : start;
        if (t != expectedEnd) {
            ADD_FAILURE() << what << ": the run ends at " << t << ", not " << expectedEnd;
            return false;
        }
        PadTrackEnd(track);
        long long time = 0;
        for (int i = 0; i < track.EventCount(); ++i) {
            const MidiEvent* e = track.Event(i);
            time += e->delta;
            if (e->IsEndOfTrack()) {
                if (i != track.EventCount() - 1 || time != CeilBeat(reach)) {
                    ADD_FAILURE() << what << ": End of Track at " << time << ", expected "
                                  << CeilBeat(reach);
                    return false;
                }
                continue;
            }
            if (e->length < 1 || e->velocity < 1 || e->velocity > 127 || e->note < 13 ||
                e->note > 127) {
                ADD_FAILURE() << what << ": note " << e->note << " velocity " << e->velocity
                              << " length " << e->length << " at " << time;
                return false;
            }
        }
        if (!track.LastEvent() || !track.LastEvent()->IsEndOfTrack()) {
            ADD_FAILURE() << what << ": no End of Track";
            return false;
        }
        return true;
    }
};

TEST_F(DrumSweep, EveryStyleKeepsItsSpansChannelAndEnd) {
    int runs = 0;
    for (int style = 1; style <= kDrumStyleCount; ++style) {
        for (int beat : {0, kTripletBeat}) {
            for (int metre : {kMetre44, kMetre34, kMetre78}) {
                for (int set = 1; set <= 4; ++set) {
                    for (int density : {50, 100, 150}) {
                        for (int seed = 1; seed <= 2; ++seed) {
                            WorkingStyle.rhythmPattern = style;
                            WorkingStyle.basicBeat = beat;
                            WorkingStyle.timeSignature = metre;
                            WorkingStyle.voice[kPartDrum] = set;
                            WorkingStyle.density[kPartDrum] = density;
                            WorkingStyle.setting716 = static_cast<std::uint16_t>(seed);
                            AppSettings.ComposeOutputType = (set + seed) % 3;
                            SeedRandomWith(seed * 7919 + style);
                            const std::string what =
                                "style " + std::to_string(style) + " beat " + std::to_string(beat) +
                                " metre " + std::to_string(metre) + " set " + std::to_string(set) +
                                " density " + std::to_string(density) + " seed " +
                                std::to_string(seed);
                            if (!Check(seed == 1 ? kOddSpans : kBarSpans, what)) return;
                            ++runs;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(runs, 39 * 2 * 3 * 4 * 3 * 2);
    // Only valid kinds live in the tables.
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

}  // namespace
