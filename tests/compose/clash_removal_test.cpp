// Clash removal against a first part that is still sounding: which
// intervals of the second part count as a clash, over every distance up to
// more than an octave either side.
#include "compose/clash_removal.h"

#include <gtest/gtest.h>

#include <vector>

#include "midi/f0_data.h"

namespace {

// The first part (channel 0) holds key 60 for the whole tune; the second
// (channel 1) plays every key from 60 - 15 to 60 + 15, one after another,
// each inside the held note.
MidiF0Data HeldNoteUnderEveryInterval() {
    MidiTrackData track(note_mode::kLength, 0x6000);
    track.AddNote(0, 0, 60, 90, 96 * 40);
    for (int d = -15; d <= 15; ++d)
        track.AddNote(1, d == -15 ? 48 : 96, 60 + d, 90, 48);
    track.AppendEndOfTrackAt(384);
    return MidiF0Data(track, 96);
}

std::vector<int> KeysOn(const MidiF0Data& tune, int channel) {
    std::vector<int> keys;
    for (int i = 0; i < tune.Track()->EventCount(); ++i) {
        const MidiEvent* e = tune.Track()->Event(i);
        if (e->IsNoteWithLength() && e->channel == channel) keys.push_back(e->note);
    }
    return keys;
}

// A semitone, a whole tone, a major seventh and a minor ninth either way
// clash; the unison, the octave, the minor seventh, the major ninth and
// everything else stay.
TEST(ClashRemoval, OnlySecondsSeventhsAndMinorNinthsAgainstASoundingNoteGo) {
    MidiF0Data tune = HeldNoteUnderEveryInterval();
    RemoveClashes(tune, 0, 1);
    // 47 and 73 (minor ninths), 49 and 71 (major sevenths), 58, 59, 61, 62.
    const std::vector<int> kept = {45, 46, 48, 50, 51, 52, 53, 54, 55, 56, 57, 60,
                                   63, 64, 65, 66, 67, 68, 69, 70, 72, 74, 75};
    EXPECT_EQ(KeysOn(tune, 1), kept);
    EXPECT_EQ(KeysOn(tune, 0), std::vector<int>{60});
}

}  // namespace
