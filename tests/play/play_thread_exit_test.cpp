// A tune still playing when the program ends: its play thread is stopped and
// joined before the globals it uses are destroyed, so the device is closed
// rather than the thread cut off in the middle.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "midi/f0_data.h"
#include "platform/clock.h"
#include "platform/recording_midi_out.h"
#include "play/midi_player.h"
#include "play/music_player.h"

using namespace std::chrono_literals;

namespace {

std::shared_ptr<platform::RecordingMidiOut>& Device() {
    static auto device = std::make_shared<platform::RecordingMidiOut>();
    return device;
}

// Runs after every static object made later than its registration is gone.
void ReportClosesAtExit() {
    int closes = 0;
    for (const auto& m : Device()->Messages())
        closes += m.kind == platform::RecordedMidiMessage::Kind::Close;
    std::fprintf(stderr, "closed at exit: %d\n", closes);
}

void PlayThenExit() {
    platform::SetClock(std::make_shared<platform::RealClock>());
    platform::SetMidiOutSystem(Device());
    std::atexit(ReportClosesAtExit);
    // Outlives the play thread: made before it, destroyed after it.
    static std::unique_ptr<MidiF0Data> song = [] {
        auto tune = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
        for (int i = 0; i < 400; ++i)
            tune->Track()->AddNote(0, 96, 60 + i % 12, 100, 96);
        tune->Track()->AppendEndOfTrackAt(0);
        tune->ConvertToNoteOnOff();
        return tune;
    }();
    if (song->Play(nullptr) != 1) std::_Exit(2);
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (PlayerPlaying.load() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    if (Device()->OpenCount() != 1) std::_Exit(3);
    std::exit(0);
}

TEST(PlayThreadAtExit, ARunningPlayIsStoppedAndItsDeviceClosed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PlayThenExit(), ::testing::ExitedWithCode(0), "closed at exit: 1");
}

}  // namespace
