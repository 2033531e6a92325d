// What every test can reach: the recording sink and fake clock installed for
// the running test, and a scratch folder that is removed afterwards.
#pragma once

#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/message_sink.h"

namespace testing_support {

platform::RecordingMessageSink& Sink();
platform::FakeClock& Clock();
platform::ScriptedFileChooser& Chooser();

// A fresh folder for the running test.
std::string ScratchDir();

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

}  // namespace testing_support
