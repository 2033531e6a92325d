// Tempi slower than 10 beats per minute play at 10 (6 s a quarter) with the
// player's message; 10 itself plays as it stands.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "midi/f0_data.h"
#include "play/midi_player.h"
#include "tests/support/test_support.h"

namespace {

bool WaitForPlayerEnd() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (PlayerPlaying.load() != 0) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Milliseconds of every note message after the first.
std::vector<long long> NoteTimesMs() {
    std::vector<long long> out;
    long long first = -1;
    for (const auto& m :
         testing_support::Midi().Messages(platform::RecordedMidiMessage::Kind::Short)) {
        const int kind = m.bytes[0] & 0xF0;
        if (kind != 0x80 && kind != 0x90) continue;
        const long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(m.time).count();
        if (first < 0) first = ms;
        out.push_back(ms - first);
    }
    return out;
}

int SlowBoxes() {
    int n = 0;
    for (const std::string& text : testing_support::Sink().Texts())
        n += text.find("Tempo is too slow!") != std::string::npos;
    return n;
}

TEST(SlowTempo, BelowTenBpmPlaysAtTenAndSaysSo) {
    struct Case {
        int tempo;  // microseconds per quarter
        int boxes;
    };
    // 9 s a quarter (6.7 bpm); 6.01 s (9.98 bpm, 9 as whole bpm); exactly 10.
    for (const Case& c : {Case{9000000, 1}, Case{6010000, 1}, Case{6000000, 0}}) {
        testing_support::Midi().Clear();
        testing_support::Sink().Clear();
        auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
        MidiTrackData* track = song->Track();
        track->AppendTempo(c.tempo);
        track->AddNote(0, 0, 60, 100, 96);
        track->AddNote(0, 96, 62, 100, 48);
        track->AppendEndOfTrackAt(0);
        song->ConvertToNoteOnOff();
        {
            MidiPlayer player(song.get(), platform::kMidiMapper);
            ASSERT_TRUE(WaitForPlayerEnd()) << c.tempo;
            EXPECT_EQ(player.Bpm(), 10) << c.tempo;
            EXPECT_EQ(player.Tempo(), 6000000) << c.tempo;
        }
        // A quarter is 6 s, the eighth after it 3 s.
        EXPECT_EQ(NoteTimesMs(), (std::vector<long long>{0, 6000, 6000, 9000})) << c.tempo;
        EXPECT_EQ(SlowBoxes(), c.boxes) << c.tempo;
    }
}

}  // namespace
