// The style editor's previews: a short song built from one part's pattern
// (or a bar of the drum creator's values) and played on the play thread.
// The song is owned here and freed on the UI thread alone: the play end only
// marks the preview ended and tells the handler, which posts to the UI
// thread; the next start, a stop, or the UI thread's end handling frees it.
#pragma once

#include <functional>

#include "core/reporters.h"
#include "midi/f0_data.h"
#include "midi/track_data.h"

constexpr ErrorCode kFewNotesError = 0xFF010165;  // "This pattern generates a few notes, ..."
constexpr int kPreviewDivision = 96;
constexpr int kPreviewTrackCapacity = 0x60000;
constexpr int kPreviewChordTicks = 768;  // two 4/4 bars per preview chord
constexpr int kPreviewChordCount = 4;
constexpr int kPreviewBarTicks = 384;

// The song being previewed; null when none. UI thread only.
const MidiF0Data* PreviewSong();
// True from a start until the play ends or is stopped (any thread).
bool PreviewPlaying();
// Told on the play thread when a preview ended by itself. Null: nobody.
void SetPreviewEndHandler(std::function<void()> handler);
// Makes the song from a copy of the track (notes with length) at 96 ticks,
// without its leading empty measures, and plays it; any previous preview is
// stopped and freed first. 1 when play started; otherwise the song is freed.
int StartPreviewSong(const MidiTrackData& track);
// Stops the play and frees the song (nothing when none).
void StopPreview();
// The play end: marks the preview ended and tells the handler; frees nothing.
int OnPreviewEnd();

enum class PreviewOutcome {
    kPlaying,      // play started
    kAlreadyOn,    // a preview is still held: nothing done
    kNoPreview,    // the part has no preview, or the knowledge base failed
    kFewNotes,     // the harmony made no sounding note (reported)
    kNotStarted,   // the player did not start
};

// Builds the preview of part 2 (bass), 3 (harmony), 7 (sub harmony) or 9
// (drums) from WorkingStyle over the preview's own four "CMPS" chords (the
// drums over one "xxxx" bar) and starts it. The composer's chord and label
// lists are not touched. Holds a StyleEditGuard while it builds.
PreviewOutcome StartPatternPreview(int part);

// The drum creator's bar of set 0..2: a label 'x', set, 'x', 'x' of one 4/4
// bar played on channel 9.
PreviewOutcome StartDrumSetPreview(int set);

// Each of the 32 values of the drum creator's set (0..2) := a random 1..50,
// in order, under the table's lock.
void RollCreatedDrumSet(int set);
// How long the drum creator waits for its bar: the bar at the style's tempo
// plus 2 s.
int DrumBarWaitMilliseconds(int tempoMicroseconds);
