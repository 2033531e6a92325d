// What every test can reach: the recording sink, fake clock and recording
// MIDI output installed for the running test, and a scratch folder that is
// removed afterwards.
#pragma once

#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/message_sink.h"
#include "platform/recording_midi_out.h"

namespace testing_support {

platform::RecordingMessageSink& Sink();
platform::FakeClock& Clock();
platform::ScriptedFileChooser& Chooser();
// The MIDI output devices of the running test: one recording device unless
// the test changes them.
platform::RecordingMidiOut& Midi();

// A fresh folder for the running test.
std::string ScratchDir();

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

}  // namespace testing_support
