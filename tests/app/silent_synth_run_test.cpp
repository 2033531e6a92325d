// A run that plays through the built-in synthesizer on a machine without a
// sound device: its notice that it plays silently must hold no thread, so
// the run completes while nobody serves the UI or answers a box.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "accomp/backing_generators.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/midi_out.h"
#include "platform/software_synth.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

namespace {

TEST(SilentSynthRun, ThreePlayedTunesCompleteWhileNobodyAnswersTheNotice) {
    static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
    (void)built;
    const AppSettingsRecord savedSettings = AppSettings;
    std::int32_t savedSelection[kStyleSelectionCount];
    std::memcpy(savedSelection, ComposeStyleSelection, sizeof savedSelection);
    auto backend = std::make_shared<platform::ui::HeadlessBackend>();
    platform::ui::InstallBackend(backend);
    auto previousSink = platform::SetMessageSink(std::make_shared<platform::ui::UiMessageSink>());
    auto previousSystem = platform::SetMidiOutSystem(platform::MakeSystemMidiOut());
    platform::ResetSilentSynthNotice();
    InstallBackingGenerators();

    const std::string folder = testing_support::ScratchDir() + "/";
    SetFieldText(AppSettings.OutputFolder, folder);
    SetFieldText(AppSettings.WorkFolder, folder);
    AppSettings.ComposeOutputType = 2;
    AppSettings.DontPlay = 0;
    MidiOutDeviceId = platform::kMidiMapper;
    AppSettings.TuneNumber = 0;
    ClearStyleSelections();
    ComposeStyleSelection[1] = 1;
    PanelMode = kPanelModeCompose;

    ASSERT_TRUE(StartComposeRun(3, true));
    // Real time passes while the test thread, the UI thread, serves nothing.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ComposingActive.load() != 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(ComposingActive.load(), 0) << "the run waited for the UI";
    // Whatever was left waiting is released before the worker is joined.
    platform::ui::PumpWhile([] { return ComposingActive.load() != 0; });
    StopComposeRun(true);
    for (const char* name : {"MYMIDI00.MID", "MYMIDI01.MID", "MYMIDI02.MID"})
        EXPECT_TRUE(std::filesystem::exists(folder + name)) << name;
    // A notice, if the synthesizer had no sound, is shown once the UI runs,
    // and never as a box somebody had to answer.
    platform::ui::RunPosted();
    EXPECT_LE(backend->NoticesShown(), 1);
    EXPECT_EQ(backend->BoxesShown(), 0);

    platform::SetMidiOutSystem(previousSystem);
    platform::SetMessageSink(previousSink);
    platform::ui::InstallBackend(nullptr);
    AppSettings = savedSettings;
    std::memcpy(ComposeStyleSelection, savedSelection, sizeof savedSelection);
}

}  // namespace
