// The key signatures of the header track at the two key changes of a
// transposed tune, on chord lists and shifts set by hand.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "compose/melody_stages.h"
#include "compose/tune_header.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "tests/compose/progression_test_util.h"

namespace {

class TuneHeaderKeyChanges : public compose_test::ProgressionFixture {
protected:
    void SetUp() override {
        ProgressionFixture::SetUp();
        savedSettings_ = AppSettings;
        savedOutput_ = TheComposerState.outputType;
        AppSettings.StartAt2ndBar = 0;
        AppSettings.WriteChords = 1;
        AppSettings.SoundGenerator = 0;
        TheComposerState.outputType = 2;
        WorkingStyle.transpose = 1;
        WorkingStyle.key = 1;
        ComposeInfo.Reset();
        ComposeInfo.ClearChords();
        for (int c = 0; c < 4; ++c)
            ComposeInfo.AddChord(compose_test::Entry("CMPS", 384), 0);
    }
    void TearDown() override {
        AppSettings = savedSettings_;
        TheComposerState.outputType = savedOutput_;
        ResetComposerState();
        ProgressionFixture::TearDown();
    }
    // Key changes at chords 1 and 3 (ticks 384 and 1152) by the shifts; a
    // first change without its mark is not written.
    static void SetChanges(int first, int second, bool firstMarked = true) {
        KeyChangeBlocks[0] = 2;
        KeyChangeBlocks[1] = 5;
        KeyChangeChordIndex[0] = 1;
        KeyChangeChordIndex[1] = 3;
        KeyChangeShift[0] = first;
        KeyChangeShift[1] = second;
        KeyChangeMark[0] = firstMarked ? 4 : 0;
        KeyChangeMark[1] = 9;
    }

private:
    AppSettingsRecord savedSettings_{};
    int savedOutput_ = 2;
};

// (time, sharps) of every key signature; flats are negative.
std::vector<std::pair<long long, int>> KeySignatures() {
    ComposeTrackData track(note_mode::kLength, 4096);
    BuildHeaderEvents(track);
    std::vector<std::pair<long long, int>> out;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (e->IsMeta(meta_type::kKeySignature))
            out.emplace_back(t, static_cast<signed char>(e->GetData()[0]));
    }
    return out;
}

using Keys = std::vector<std::pair<long long, int>>;

// The second change names the key after both shifts, counted round the
// octave; without the first change only the second shift counts.
TEST_F(TuneHeaderKeyChanges, TheSecondNamesTheKeyAfterBothShifts) {
    WorkingStyle.keyOffset = 2;  // D major, two sharps
    SetChanges(5, 3);            // G (one sharp), then B flat (two flats)
    EXPECT_EQ(KeySignatures(), (Keys{{0, 2}, {384, 1}, {1152, -2}}));

    WorkingStyle.keyOffset = 9;  // A major, three sharps
    SetChanges(5, 2);            // 14 is D (two sharps), 16 is E (four sharps)
    EXPECT_EQ(KeySignatures(), (Keys{{0, 3}, {384, 2}, {1152, 4}}));

    WorkingStyle.keyOffset = 2;
    SetChanges(5, 3, false);  // D + 3: F, one flat
    EXPECT_EQ(KeySignatures(), (Keys{{0, 2}, {1152, -1}}));
}

}  // namespace
