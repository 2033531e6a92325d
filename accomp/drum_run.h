// One run of a drum style over a label list: the spans with their start
// times and labels, the step cursor, and the span loop that makes every
// span's time pass whole. Private to the drum generator.
#pragma once

#include <array>
#include <atomic>
#include <vector>

#include "accomp/drum_track.h"
#include "core/utilities.h"

// Whole-beat figures the "Rockabilly" triplet form has played in a row; it
// lives for the run of the program.
extern std::atomic<int> RockabillyFigureCount;

namespace drums {

// One labelled span of the tune.
struct DrumSpan {
    long long start = 0;  // ticks from the start of the run
    int length = 0;
    unsigned char letter = 0;  // block letter ('@' + block), 'x' in previews
    unsigned char mark = 0;    // 'E' on the last chord of a block
    int index = 0;             // position in the label list
};

// A note grid: 16 steps of 8 voices (key, velocity); key -1 is silent.
struct GridVoice {
    int key = -1;
    int velocity = 0;
};
constexpr int kGridVoices = 8;
using NoteGrid = std::array<std::array<GridVoice, kGridVoices>, 16>;

class DrumRun {
public:
    DrumRun(int channel, const NoteList& labels, ComposeTrackData& track, int density,
            DrumSpanLog* log);

    const std::vector<DrumSpan>& Spans() const { return spans_; }
    int SpanCount() const { return static_cast<int>(spans_.size()); }
    int Density() const { return density_; }
    ComposeTrackData& Track() { return track_; }
    int Channel() const { return channel_; }
    DrumSoundReport* Report() { return &report_; }

    // Runs fn(span) for every span; afterwards the cursor points at the
    // span's end whatever fn left. With shuffle set, the notes of each span
    // are moved to shuffle places in 96-tick units, kept inside the span.
    template <typename Fn>
    void ForEachSpan(Fn fn, bool shuffle = false) {
        for (const DrumSpan& span : spans_) {
            BeginSpan();
            fn(span);
            EndSpan(span, shuffle);
        }
    }

    // The layers on the run's cursor.
    void Steps(const DrumKindTable& kinds, int span, int step);
    void Offbeat(const DrumKindTable& kinds, const DrumSpan& span, int step);
    void Velocities(const DrumKindTable& kinds, const DrumVelocityTable& velocities, int span,
                    int step);
    void Hit(int kind, int length, int gap, int velocity);
    // A note at the cursor; the notes after it in the same step sound with it.
    void Note(int key, int velocity, int length);
    // Time with no note.
    void Advance(int ticks) { cursor += ticks; }

    // Keeps the pending time as a closing rest.
    void Finish();

    int cursor = 0;

private:
    void BeginSpan();
    void EndSpan(const DrumSpan& span, bool shuffle);
    void ShuffleSpan(const DrumSpan& span);

    int channel_;
    ComposeTrackData& track_;
    int density_;
    DrumSpanLog* log_;
    DrumSoundReport report_;
    std::vector<DrumSpan> spans_;
    long long origin_ = 0;    // tune time of the run's start
    long long lastTime_ = 0;  // run time of the last event accounted for
    int accounted_ = 0;       // events accounted for in lastTime_
    int spanFirstEvent_ = 0;
    long long spanLastTime_ = 0;
};

// Plays one span of a note grid in 24-tick steps (a last partial step takes
// the remainder) and returns the pending delta.
int PlayNoteGridSpan(int span, int pending, const NoteGrid& grid, ComposeTrackData& track,
                     int channel);
// The base with the overlay's sounding voices put into its free voices,
// step by step, as far as they go.
void OverlayNoteGrid(NoteGrid& result, const NoteGrid& base, const NoteGrid& overlay);

// Random tables of the eight-beat family and the fill of a copy.
void RandomEightBeatTable(DrumKindTable& kinds);
void RandomTripletTable(DrumKindTable& kinds);
void ApplyDrumFill(DrumKindTable& kinds);

bool IsTriplet();
bool IsThreeFour();
inline bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}

// Runs style 1..39.
void RunDrumStyle(int style, DrumRun& run);

}  // namespace drums
