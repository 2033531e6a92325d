// What every test can reach: the recording sink, fake clock and recording
// MIDI output installed for the running test, and a scratch folder that is
// removed afterwards.
#pragma once

#include <memory>
#include <string>
#include <vector>

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

// While it lives, writes past the given file size fail as on a full disk
// (EFBIG, with SIGXFSZ ignored); the limit and the signal's action are put
// back afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long savedCurrent_ = 0;
    unsigned long savedMaximum_ = 0;
    void (*savedAction_)(int) = nullptr;
};

// The names in a folder (none when it does not exist), sorted.
std::vector<std::string> FolderNames(const std::string& folder);

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

}  // namespace testing_support
