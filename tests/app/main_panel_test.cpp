// The main panel driven as a user would, through the whole application:
// start-up in a fresh program folder, the tune numbers, the strict regions,
// the modes, drops and the command line, the quit protocol and the saved
// settings; then the faults a panel must not have: deaf after a stop
// request, closing under a running worker, a second copy.
#include "app/main_dlg.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "app/application.h"
#include "app/ringtone_listen.h"
#include "app/shell_seams.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "platform/quit_signals.h"
#include "platform/temp_files.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "play/midi_player.h"
#include "style/style_table.h"
#include "tests/app/panel_fixture.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/test_support.h"
#include "tests/support/whole_smf.h"

using namespace platform::ui;
using testing_support::Sink;

namespace {

class MainPanelTest : public PanelFixture {
protected:
    void SetUp() override {
        StartFixture([this] { ++timerStarts_; }, [this] { ++timerStops_; });
    }
    std::string Lines() { return MainWindow()->StatusLines(); }
    bool BoxShown(const std::string& text) {
        for (const std::string& t : Sink().Texts())
            if (t.find(text) != std::string::npos) return true;
        return false;
    }

    int timerStarts_ = 0;
    int timerStops_ = 0;
};

TEST_F(MainPanelTest, AUserSessionFromStartToPower) {
    int plays = 0;
    bool ok = RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        Window& w = panel.GetWindow();
        panel.SetPlayComposeAction([&](int) {
            ++plays;
            ComposingActive = 1;  // a run is wanted from here on
        });
        EXPECT_EQ(w.Title(), "ZAW [00]");
        EXPECT_EQ(Lines(), "Compose Mode\nClick the icon on task bar\nto hide/show the window.");
        EXPECT_EQ(w.ClientSize(), (Size{400, 210}));
        EXPECT_EQ(w.Position(), (Point{320, 240}));
        EXPECT_EQ(timerStarts_, 1);

        for (int i = 0; i < 3; ++i)
            d.Click(340, 180);
        EXPECT_EQ(w.Title(), "ZAW [03]");
        EXPECT_EQ(ResultText.Get(), "Output file is mymidi03");
        EXPECT_EQ(OutputFileName.Get(), "MYMIDI03.MID");

        // The left edge of Play is outside it.
        d.Click(168, 180);
        EXPECT_EQ(plays, 0);
        d.Click(200, 180);
        EXPECT_EQ(plays, 1);
        EXPECT_FALSE(panel.ClickGuardSet());

        // Mode while a tune is being composed ends the run first.
        d.Click(40, 100);
        EXPECT_EQ(ComposingActive.load(), 0);
        EXPECT_EQ(TuneCount.load(), 0);
        EXPECT_EQ(PanelMode.load(), kPanelModeEdit);
        EXPECT_EQ(Lines(), "Edit Mode\nPush edit button to edit saved tune.\n");
        d.Click(380, 180);  // no Next in edit mode
        EXPECT_EQ(AppSettings.TuneNumber, 3);
        EXPECT_EQ(panel.Holder(kRegionPlay)->Bounds(), (Rect{99, 163, 231, 197}));

        d.Click(40, 100);
        EXPECT_EQ(Lines(),
                  "Convert Mode\nPush Convert button to convert tune.\nConverts file format.");
        d.Drop({"/music/a.wav"});
        EXPECT_TRUE(BoxShown("It is not MIDI file!"));
        Sink().Clear();
        d.Drop({"/music/SONG.MID", "/music/other.mid"});  // the first counts
        EXPECT_EQ(Sink().Count(), 0u);

        d.Click(40, 100);
        EXPECT_EQ(Lines(), "Compose Mode\nClick the icon on task bar\nto hide/show the window.");
        d.Drop({"/music/SONG.MID"});
        EXPECT_TRUE(BoxShown("Change mode to convert mode."));

        // Next stops at 99, Previous at 0.
        for (int i = 0; i < 120; ++i)
            d.Click(340, 180);
        EXPECT_EQ(w.Title(), "ZAW [99]");
        for (int i = 0; i < 120; ++i)
            d.Click(120, 180);
        EXPECT_EQ(w.Title(), "ZAW [00]");
        d.Click(340, 180);
        d.Click(340, 180);

        // Esc asks; Cancel keeps the panel.
        Sink().Clear();
        Sink().QueueAnswer(platform::kIdCancel);
        d.Key(Key::Esc);
        EXPECT_TRUE(BoxShown("Quit program?"));
        EXPECT_TRUE(w.IsModal());
        // Power closes without asking.
        Sink().Clear();
        d.Click(40, 175);
        EXPECT_EQ(Sink().Count(), 0u);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(MainWindow(), nullptr);
    EXPECT_GE(timerStops_, 1);
    const std::string ini = testing_support::ReadFileText(platform::JoinPath(folder_, "zaw.ini"));
    ASSERT_EQ(ini.size(), 3132u);
    std::int32_t tune = 0;
    std::memcpy(&tune, ini.data() + 804, 4);
    EXPECT_EQ(tune, 2);
}

// Runs the posts until done holds, for at most 60 s of real time.
bool PumpUntil(HeadlessBackend& d, const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < until) {
        d.Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

int NoteOnsHeard() {
    int n = 0;
    for (const auto& m :
         testing_support::Midi().Messages(platform::RecordedMidiMessage::Kind::Short))
        n += (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0;
    return n;
}

int OutputDigits() {
    const std::string name = OutputFileName.Get();
    return std::stoi(name.substr(6, 2));
}

TEST_F(MainPanelTest, PlayComposesAndPlaysTunesAndModeEndsTheRun) {
    // The composer's data files in the program folder.
    for (const auto& entry : std::filesystem::directory_iterator(ZAW_RES_DIR))
        if (entry.is_regular_file())
            std::filesystem::copy_file(entry.path(),
                                       folder_ + "/" + entry.path().filename().string());
    int lastNumbered = -1;
    bool ok = RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        SetFieldText(AppSettings.OutputFolder, folder_ + "/");
        SetFieldText(AppSettings.WorkFolder, folder_ + "/");
        AppSettings.DontPlay = 0;
        ClearStyleSelections();
        ComposeStyleSelection[1] = 1;  // "Acoustic"
        for (int i = 0; i < 3; ++i)
            d.Click(340, 180);
        ASSERT_EQ(panel.GetWindow().Title(), "ZAW [03]");

        // Play composes and plays tune after tune; Play again stops the run.
        d.Click(200, 180);
        EXPECT_EQ(ComposingActive.load(), 1);
        ASSERT_TRUE(PumpUntil(d, [&] {
            return std::filesystem::exists(folder_ + "/MYMIDI04.MID") && OutputDigits() >= 5;
        }));
        EXPECT_TRUE(std::filesystem::exists(folder_ + "/MYMIDI03.MID"));
        EXPECT_GT(NoteOnsHeard(), 100);
        d.Click(200, 180);
        ASSERT_TRUE(PumpUntil(d, [] { return ComposingActive == 0 && TuneInProgress == 0; }));
        StopComposeRun(true);
        // The number is the next tune's: the tune before it is the last saved.
        EXPECT_TRUE(std::filesystem::exists(folder_ + "/MYMIDI0" +
                                            std::to_string(AppSettings.TuneNumber - 1) + ".MID"));
        EXPECT_EQ(ComposeStopRequest.load(), 0);
        EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>{});
        EXPECT_FALSE(panel.ClickGuardSet());

        // Mode while a composed tune plays: the run ends and sound stops
        // before the mode changes. On the real clock, so the tune is still
        // playing when Mode is pressed.
        auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
        d.Click(200, 180);
        ASSERT_TRUE(PumpUntil(
            d, [] { return TuneInProgress == 0 && PlayerPlaying == 1 && NoteOnsHeard() > 0; }));
        lastNumbered = OutputDigits();
        d.Click(40, 100);
        EXPECT_EQ(ComposingActive.load(), 0);
        EXPECT_EQ(PlayerPlaying.load(), 0);
        EXPECT_EQ(PanelMode.load(), kPanelModeEdit);
        EXPECT_EQ(Lines(), "Edit Mode\nPush edit button to edit saved tune.\n");
        StopComposeRun(true);
        platform::SetClock(fake);
        EXPECT_EQ(AppSettings.TuneNumber, lastNumbered + 1);
        EXPECT_EQ(testing_support::Midi().OpenCount(), 0);
        d.Click(40, 175);
    });
    EXPECT_TRUE(ok);
    EXPECT_FALSE(ComposeWorkerRunning());
    const std::string ini = testing_support::ReadFileText(platform::JoinPath(folder_, "zaw.ini"));
    ASSERT_EQ(ini.size(), 3132u);
    std::int32_t tune = 0;
    std::memcpy(&tune, ini.data() + 804, 4);
    EXPECT_EQ(tune, lastNumbered + 1);
}

// The smallest Standard MIDI File: a header and one empty track.
const std::string kSmallSmf("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xFF\x2F\0", 26);

TEST_F(MainPanelTest, CommandLineWordsAndASecondCopy) {
    // One word: the panel starts in convert mode.
    const std::string tune = folder_ + "/a tune.mid";
    testing_support::WriteFileText(tune, kSmallSmf);
    RunApplication(
        [&](HeadlessBackend& d, MainDlg&) {
            EXPECT_EQ(PanelMode.load(), kPanelModeConvert);
            d.Click(40, 175);
        },
        {tune});
    // Two words are refused.
    Sink().Clear();
    RunApplication(
        [&](HeadlessBackend& d, MainDlg&) {
            EXPECT_TRUE(BoxShown("Only one file can be dropped!"));
            EXPECT_EQ(PanelMode.load(), kPanelModeCompose);
            // A second copy while this one runs: refused, this one untouched.
            Sink().Clear();
            ZawApplication second;
            EXPECT_FALSE(second.InitInstance());
            EXPECT_TRUE(BoxShown("Can't execute twice!"));
            EXPECT_EQ(MainWindow()->GetWindow().Title(), "ZAW [00]");
            EXPECT_TRUE(MainWindow()->GetWindow().IsModal());
            d.Click(40, 175);
        },
        {"a.mid", "b.mid"});
    const char* argv[] = {"zaw", "/music/a tune.mid"};
    EXPECT_EQ(ArgumentWords(2, argv), std::vector<std::string>{"/music/a tune.mid"});
}

// A file named on the command line is checked as a dropped one and must be
// readable: only a MIDI file that reads switches to convert mode.
TEST_F(MainPanelTest, ACommandLineFileThatIsRefusedChangesNoMode) {
    testing_support::WriteFileText(folder_ + "/notes.txt", "Not a tune.\n");
    testing_support::WriteFileText(folder_ + "/empty.mid", "");
    testing_support::WriteFileText(folder_ + "/tune.MID", kSmallSmf);
    const std::string pipe = folder_ + "/pipe.mid";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_directory(folder_ + "/folder.mid");
    // Should the program open the pipe, a writer that comes and goes lets
    // that open return, so the test fails rather than hangs.
    std::atomic<bool> done{false};
    std::thread releaser([&] {
        while (!done) {
            const int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    struct Case {
        const char* file;
        const char* box;  // null: none of the refusals
        int mode;
    };
    const Case cases[] = {
        {"missing.mid", "File Open Error!", kPanelModeCompose},
        {"notes.txt", "It is not MIDI file!", kPanelModeCompose},
        {"empty.mid", "File Size Error!", kPanelModeCompose},
        {"tune.MID", nullptr, kPanelModeConvert},
        {"pipe.mid", "pipe.mid\nis not a regular file", kPanelModeCompose},
        {"folder.mid", "folder.mid\nis not a regular file", kPanelModeCompose},
    };
    for (const Case& c : cases) {
        Sink().Clear();
        RunApplication(
            [&](HeadlessBackend& d, MainDlg&) {
                EXPECT_EQ(PanelMode.load(), c.mode) << c.file;
                if (c.box) {
                    EXPECT_EQ(Sink().Count(), 1u) << c.file;
                    EXPECT_TRUE(BoxShown(c.box)) << c.file;
                }
                for (const char* refusal :
                     {"File Open Error!", "It is not MIDI file!", "File Size Error!"}) {
                    EXPECT_EQ(BoxShown(refusal), c.box && std::string(c.box) == refusal)
                        << c.file << ": " << refusal;
                }
                d.Click(40, 175);
            },
            {folder_ + "/" + c.file});
    }
    done = true;
    releaser.join();
}

// With automatic play off a run of 100 tunes can end while Play's action
// still waits after starting it; the click that follows must act, not beep.
TEST_F(MainPanelTest, AClickAfterARunEndedByItselfActs) {
    class InstantTunes : public ComposeSteps {
    public:
        int ComposeTune(std::uint8_t*, std::size_t* length) override {
            *length = 0;
            return 1;
        }
    };
    auto previous = SetComposeSteps(std::make_shared<InstantTunes>());
    int tuneBefore = -1;
    int beepsBefore = -1;
    int waits = 0;
    std::function<void(HeadlessBackend&)> thenCheck;
    bool ok = RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        AppSettings.ComposeOutputType = 0;
        AppSettings.DontPlay = 1;
        ClearStyleSelections();
        ComposeStyleSelection[1] = 1;
        // The user's next step, taken as soon as the program waits: Next,
        // once the run has ended.
        d.Then([&](HeadlessBackend& d) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (ComposeWorkerBusy() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_FALSE(ComposeWorkerBusy());
            tuneBefore = AppSettings.TuneNumber;
            beepsBefore = d.Beeps();
            d.Click(340, 180);
        });
        // Then the user waits, while the panel is busy with a click, and looks.
        thenCheck = [&](HeadlessBackend& d) {
            if (panel.ClickGuardSet() && ++waits < 1000) {
                platform::GetClock()->SleepMilliseconds(10);
                d.Then(thenCheck);
                return;
            }
            EXPECT_EQ(AppSettings.TuneNumber, tuneBefore + 1);
            EXPECT_EQ(d.Beeps(), beepsBefore);
            d.Click(40, 175);  // Power closes the panel at once
        };
        d.Then(thenCheck);
        d.Click(200, 180);
    });
    SetComposeSteps(previous);
    EXPECT_TRUE(ok);
    EXPECT_EQ(MainWindow(), nullptr);
    EXPECT_GE(tuneBefore, 0);
}

// Play pressed again while the start of a run still waits stops the run at
// once, with no beep, though its tune would never end by itself.
TEST_F(MainPanelTest, PlayWhileARunStartsStopsIt) {
    struct TunesUntilAStop : ComposeSteps {
        int ComposeTune(std::uint8_t*, std::size_t* length) override {
            for (*length = 0; ComposeStopRequest == 0 && ComposingActive == 1;)
                std::this_thread::yield();
            return 0;
        }
    };
    auto previous = SetComposeSteps(std::make_shared<TunesUntilAStop>());
    RunApplication([&](HeadlessBackend& d, MainDlg&) {
        AppSettings.DontPlay = 1;
        const int beeps = d.Beeps();
        d.Then([](HeadlessBackend& d) { d.Click(200, 180); });
        d.Click(200, 180);
        EXPECT_EQ(ComposingActive.load(), 0);
        EXPECT_EQ(d.Beeps(), beeps);
        StopComposeRun(true);
        d.Click(40, 175);
    });
    SetComposeSteps(previous);
}

TEST_F(MainPanelTest, AClickAfterAStopRequestRepeatsItAndThePanelStaysAlive) {
    int plays = 0;
    RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        panel.SetPlayComposeAction([&](int) {
            ++plays;
            // A click arriving while this one runs only beeps.
            const int beeps = d.Beeps();
            d.Click(340, 180);
            EXPECT_EQ(d.Beeps(), beeps + 1);
        });
        ComposingActive = 1;
        StopPending = 1;
        d.Click(340, 180);
        EXPECT_EQ(ComposeStopRequest.load(), 1);
        EXPECT_EQ(AppSettings.TuneNumber, 0);
        EXPECT_FALSE(panel.ClickGuardSet());
        // The worker has stopped: clicks act again.
        ComposingActive = 0;
        d.Click(340, 180);
        EXPECT_EQ(AppSettings.TuneNumber, 1);
        d.Click(200, 180);
        EXPECT_EQ(plays, 1);
        EXPECT_EQ(AppSettings.TuneNumber, 1);
        d.Click(40, 175);
    });
}

TEST_F(MainPanelTest, QuitWaitsForTheWorkerWhileServingThePanel) {
    RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        // A tune that never ends: the box shows and the panel stays open.
        TuneInProgress = 1;
        d.Click(40, 175);
        EXPECT_TRUE(BoxShown("Stop composing or playing first."));
        EXPECT_TRUE(panel.GetWindow().IsModal());
        EXPECT_EQ(timerStops_, 0);
        EXPECT_EQ(ComposeStopRequest.load(), 1);
        // A tune whose end reaches the panel while it waits: the wait serves
        // the post, and the panel closes.
        Sink().Clear();
        PostToUi([] { TuneInProgress = 0; });
        d.Click(40, 175);
        EXPECT_EQ(Sink().Count(), 0u);
    });
    EXPECT_GE(timerStops_, 1);
    EXPECT_EQ(MainWindow(), nullptr);
}

// Each of the signals that ask the program to end.
class QuitSignalRun : public MainPanelTest, public ::testing::WithParamInterface<int> {};

TEST_P(QuitSignalRun, AQuitSignalDuringARunQuitsAsPowerDoes) {
    for (const auto& entry : std::filesystem::directory_iterator(ZAW_RES_DIR))
        if (entry.is_regular_file())
            std::filesystem::copy_file(entry.path(),
                                       folder_ + "/" + entry.path().filename().string());
    platform::InstallQuitSignalHandlers();
    bool ok = RunApplication([&](HeadlessBackend& d, MainDlg&) {
        SetFieldText(AppSettings.OutputFolder, folder_ + "/");
        SetFieldText(AppSettings.WorkFolder, folder_ + "/");
        AppSettings.DontPlay = 1;  // tune after tune, as fast as they come
        ClearStyleSelections();
        ComposeStyleSelection[1] = 1;
        d.Click(200, 180);  // Play
        ASSERT_TRUE(PumpUntil(d, [&] { return OutputDigits() >= 2; }));
        // The panel's own loop answers once this step returns.
        std::raise(GetParam());
    });
    platform::RestoreQuitSignalHandlers();
    EXPECT_TRUE(ok);
    EXPECT_FALSE(ComposeWorkerRunning());
    EXPECT_EQ(backend_->PendingSteps(), 0u);
    EXPECT_EQ(MainWindow(), nullptr);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{});
    EXPECT_GE(timerStops_, 1);
    // The settings were saved with the number of the next tune, and every
    // tune of the run is whole; no file is left half written.
    const std::string ini = testing_support::ReadFileText(platform::JoinPath(folder_, "zaw.ini"));
    ASSERT_EQ(ini.size(), 3132u);
    std::int32_t next = 0;
    std::memcpy(&next, ini.data() + 804, 4);
    EXPECT_GE(next, 2);
    int tunes = 0;
    for (const std::string& name : testing_support::FolderNames(folder_)) {
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        if (name.rfind("MYMIDI", 0) != 0) continue;
        ++tunes;
        EXPECT_LT(std::stoi(name.substr(6, 2)), next) << name;
        EXPECT_TRUE(testing_support::WholeSmf(testing_support::ReadFileText(folder_ + "/" + name))) << name;
    }
    // No gap: the stopped tune left no file and its number is the next one.
    EXPECT_EQ(tunes, next);
}
INSTANTIATE_TEST_SUITE_P(MainPanelTest, QuitSignalRun, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

// Boxes and file choosers that wait in loops of their own, as FLTK's do,
// serving only the quit request (as the FLTK backend's pipe watch does);
// when armed, the next one raises SIGTERM as it opens.
class OwnLoopDialogs : public HeadlessBackend {
public:
    int ShowBox(platform::BoxKind kind, const std::string& text) override {
        return armed ? WaitForQuit() : HeadlessBackend::ShowBox(kind, text);
    }
    platform::FileChooserAnswer ChooseFile(const platform::FileChooserRequest& request) override {
        return armed ? (WaitForQuit(), platform::FileChooserAnswer{})
                     : HeadlessBackend::ChooseFile(request);
    }
    void CloseOwnDialogs() override { open_ = false; }
    bool armed = false;
    bool closedByQuit = false;

private:
    int WaitForQuit() {
        armed = false;
        open_ = true;
        std::raise(SIGTERM);
        for (int i = 0; open_ && i < 3000; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ServeQuitRequest();
        }
        closedByQuit = !open_;
        return platform::kIdCancel;
    }
    bool open_ = false;
};

// SIGTERM with a box open, with the save dialog of a file named on the
// command line open, in the middle of an export, and while the converted
// result plays: each time the program quits as Power does, at once.
TEST_F(MainPanelTest, AQuitSignalEndsWhateverIsOpenAsPowerDoes) {
    // Boxes and choosers go through the backend, as in the program.
    auto dialogs = std::make_shared<OwnLoopDialogs>();
    InstallBackend(backend_ = dialogs);
    const auto sink = platform::SetMessageSink(std::make_shared<UiMessageSink>());
    const auto chooser = platform::SetFileChooser(std::make_shared<UiFileChooser>());
    const auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    const std::string song = folder_ + "/song.mid";
    smf_builder::TrackSpec notes;
    notes.count = 600;
    const auto bytes = smf_builder::Song({notes});
    testing_support::WriteFileText(song, std::string(bytes.begin(), bytes.end()));
    // Mode, Mode, Convert, with the input and the output chosen.
    auto convert = [&](HeadlessBackend& d, const std::string& output, int row) {
        testing_support::Chooser().QueueFile(song);
        testing_support::Chooser().QueueFile(folder_ + "/" + output, row);
        for (int x : {40, 40, 300})
            d.Click(x, x == 40 ? 100 : 180);
    };
    const std::string part = folder_ + "/out.aiff.part";
    struct Case {
        std::vector<std::string> words;
        bool armed;  // the signal comes while a box or chooser loop runs
        std::function<void(HeadlessBackend&)> act;
    } cases[] = {
        {{}, true, [](HeadlessBackend& d) { d.Key(Key::Esc); }},  // "Quit program?"
        {{song}, true, [](HeadlessBackend&) {}},
        {{}, false, [&](HeadlessBackend& d) {
             std::thread raiser([&] {
                 for (int i = 0; i < 20000 && !std::filesystem::exists(part); ++i)
                     std::this_thread::sleep_for(std::chrono::milliseconds(1));
                 std::raise(SIGTERM);
             });
             convert(d, "out.aiff", 3);
             raiser.join();
         }},
        {{}, false, [&](HeadlessBackend& d) {
             convert(d, "out.mid", 1);
             EXPECT_EQ(PlayingActive.load(), 1);
             std::raise(SIGTERM);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::filesystem::remove(folder_ + "/zaw.ini");
        dialogs->armed = c.armed;
        dialogs->closedByQuit = false;
        timerStops_ = 0;
        platform::InstallQuitSignalHandlers();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(RunApplication([&](HeadlessBackend& d, MainDlg&) { c.act(d); }, c.words));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        platform::RestoreQuitSignalHandlers();
        InstallBackend(backend_);  // shut-down over, for the next case
        EXPECT_EQ(dialogs->closedByQuit, c.armed);
        EXPECT_EQ(dialogs->ModalStarvations() + PlayingActive.load() + RingtoneListenHeld(), 0);
        EXPECT_TRUE(MainWindow() == nullptr && timerStops_ >= 1 && !ComposeWorkerRunning());
        EXPECT_EQ(testing_support::ReadFileText(folder_ + "/zaw.ini").size(), 3132u);
        // The export's output and partial file are gone.
        EXPECT_FALSE(std::filesystem::exists(folder_ + "/out.aiff") || std::filesystem::exists(part));
    }
    platform::SetClock(fake);
    platform::SetMessageSink(sink);
    platform::SetFileChooser(chooser);
}

// SIGTERM while a tune is exported to WAV: the program quits without a box,
// the user's old WAV stays and no intermediate file is left. What a killed
// program left in the work folder is gone as the next one starts.
TEST_F(MainPanelTest, AQuitSignalInAWavExportIsQuietAndLeavesNoTempFile) {
    const std::string song = folder_ + "/song.mid", aiff = folder_ + "/temp.aiff";
    smf_builder::TrackSpec notes;
    notes.count = 600;
    const auto bytes = smf_builder::Song({notes});
    testing_support::WriteFileText(song, std::string(bytes.begin(), bytes.end()));
    testing_support::WriteFileText(folder_ + "/out.wav", "left");
    // A run killed in an export left its intermediate files; a file of the
    // same kind of name it did not make stays.
    testing_support::WriteFileText(folder_ + "/temp.mid.part", "mine");
    const pid_t killed = fork();
    ASSERT_GE(killed, 0);
    if (killed == 0) {
        platform::OpenTempFileLedger(folder_);
        for (const std::string& file : {aiff, aiff + ".part"}) {
            testing_support::WriteFileText(file, "left");
            platform::NoteTempFile(file);
        }
        raise(SIGKILL);
        _exit(1);
    }
    ASSERT_EQ(waitpid(killed, nullptr, 0), killed);
    auto tempFiles = [&] { return std::filesystem::exists(aiff) || std::filesystem::exists(aiff + ".part"); };
    ResetStyleSelections();
    InitDefaultSettings();
    SetFieldText(AppSettings.WorkFolder, folder_ + "/");
    ASSERT_EQ(SaveSettingsFile(), 1);
    platform::InstallQuitSignalHandlers();
    EXPECT_TRUE(RunApplication([&](HeadlessBackend& d, MainDlg&) {
        EXPECT_FALSE(tempFiles());
        std::thread raiser([&] {
            for (int i = 0; i < 20000 && !std::filesystem::exists(aiff + ".part"); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::raise(SIGTERM);
        });
        testing_support::Chooser().QueueFile(song);
        testing_support::Chooser().QueueFile(folder_ + "/out.wav", 2);
        for (int x : {40, 40, 300})
            d.Click(x, x == 40 ? 100 : 180);  // Mode, Mode, Convert
        raiser.join();
    }));
    platform::RestoreQuitSignalHandlers();
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{});
    EXPECT_EQ(testing_support::ReadFileText(folder_ + "/out.wav"), "left");
    EXPECT_FALSE(tempFiles());
    EXPECT_EQ(testing_support::ReadFileText(folder_ + "/temp.mid.part"), "mine");
}

// The timer may start a run up to the moment it is stopped: the quit stops
// it before the run, so no worker outlives the panel.
TEST_F(MainPanelTest, QuitLeavesNoRunTheTimerStartedAsItWasStopped) {
    class TuneUntilStopped : public ComposeSteps {
    public:
        int ComposeTune(std::uint8_t*, std::size_t*) override {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (ComposeStopRequest.load() == 0 && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 0;
        }
    };
    auto previous = SetComposeSteps(std::make_shared<TuneUntilStopped>());
    RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        AppSettings.ComposeOutputType = 0;
        ClearStyleSelections();
        ComposeStyleSelection[1] = 1;
        // The timer's last poll, just before it sees the stop, finds its
        // start minute.
        SetTimerThreadHooks(nullptr, [] { StartComposeRun(100, true); });
        EXPECT_TRUE(panel.QuitProgram());
        EXPECT_FALSE(ComposeWorkerRunning());
        d.Click(40, 175);
    });
    SetComposeSteps(previous);
    EXPECT_FALSE(ComposeWorkerRunning());
}

TEST_F(MainPanelTest, StatusDisplayColoursDotsAndLongLines) {
    RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        Window& w = panel.GetWindow();
        ProgressDotsText.Set("***");
        panel.DrawStatus(true);
        auto statusOps = [&] {
            std::vector<CanvasOp> ops;
            for (const CanvasOp& op : d.Ops(w))
                if (op.kind == CanvasOp::Kind::Text && op.rect == kStatusBox) ops.push_back(op);
            return ops;
        };
        auto ops = statusOps();
        ASSERT_EQ(ops.size(), 1u);
        EXPECT_EQ(ops[0].colour, kComposeStatusColour);
        EXPECT_TRUE(ops[0].opaque);
        EXPECT_EQ(ops[0].font, StatusFont());
        const Image& shot = d.Snapshot(w);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(shot.Pixel(110 + 10 * k, 135), kProgressDotColour);
            EXPECT_EQ(shot.Pixel(114 + 10 * k, 139), kProgressDotColour);
            EXPECT_EQ(shot.Pixel(115 + 10 * k, 137), (Rgb{0, 0, 0}));
        }
        EXPECT_EQ(shot.Pixel(140, 137), (Rgb{0, 0, 0}));
        EXPECT_EQ(shot.Pixel(100, 74), (Rgb{0, 0, 0}));
        EXPECT_EQ(shot.Pixel(369, 144), (Rgb{0, 0, 0}));
        ProgressDotsText.Clear();

        // Three long lines are kept whole.
        const std::string line(255, 'x');
        StatusText.Set(line);
        ResultText.Set(line);
        panel.DrawStatus(false);
        EXPECT_EQ(panel.LastStatusDrawn(), "Compose Mode\n" + line + "\n" + line);
        // An unchanged status asks for no repaint; a forced one does.
        d.Pump();
        const std::size_t before = d.Invalidations(w).size();
        panel.DrawStatus(false);
        EXPECT_EQ(d.Invalidations(w).size(), before);
        panel.DrawStatus(true);
        EXPECT_EQ(d.Invalidations(w).size(), before + 1);
        // A new dot alone is drawn too.
        ProgressDotsText.Set("*");
        panel.DrawStatus(false);
        EXPECT_EQ(d.Invalidations(w).size(), before + 2);
        ProgressDotsText.Clear();

        d.Click(40, 100);  // edit mode: green text
        ops = statusOps();
        ASSERT_EQ(ops.size(), 1u);
        EXPECT_EQ(ops[0].colour, kOtherStatusColour);
        d.Click(40, 175);
    });
}

TEST_F(MainPanelTest, MenusHideShowHelpAndQuit) {
    RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
        Window& w = panel.GetWindow();
        d.SetTrayAvailable(false);
        d.QueueMenuAnswer(kCommandHidePanel);
        d.RightClick(200, 100);
        ASSERT_EQ(d.Menus().size(), 1u);
        EXPECT_EQ(d.Menus()[0].size(), 3u);
        EXPECT_TRUE(BoxShown("Click task tray icon to display again."));
        Sink().Clear();
        d.QueueMenuAnswer(kCommandHidePanel);
        d.RightClick(200, 100);
        EXPECT_EQ(Sink().Count(), 0u);  // the notice shows once
        panel.OnCommand(kCommandShowPanel);
        EXPECT_TRUE(w.IsVisible());
        // Quit from the menu while a result plays is refused; then it quits
        // without asking.
        PlayingActive = 1;
        panel.OnCommand(kCommandQuit);
        EXPECT_TRUE(BoxShown("Can't stop while playing!"));
        EXPECT_TRUE(w.IsModal());
        PlayingActive = 0;
        Sink().Clear();
        panel.OnCommand(kCommandQuit);
        EXPECT_EQ(Sink().Count(), 0u);
    });
    EXPECT_EQ(MainWindow(), nullptr);
}

TEST(ApplicationHelpers, ClampOrWrapAndTheHitRegionsEdges) {
    for (int v = -3; v <= 16; ++v) {
        int clamped = v;
        int wrapped = v;
        ClampOrWrap(&clamped, 1, 12, false);
        ClampOrWrap(&wrapped, 1, 12, true);
        EXPECT_EQ(clamped, v < 1 ? 1 : v > 12 ? 12 : v);
        EXPECT_EQ(wrapped, v < 1 ? 12 : v > 12 ? 1 : v);
    }
    // Every region of both layouts: the corners are outside, one pixel in is
    // inside.
    struct Region {
        int mode, region, left, top, right, bottom;
    };
    const Region regions[] = {
        {2, 1, 168, 168, 301, 199}, {2, 2, 301, 167, 387, 198},  {2, 3, 83, 166, 167, 201},
        {2, 4, 319, 37, 377, 51},   {2, 5, 264, 40, 314, 70},    {2, 6, 12, 122, 72, 141},
        {2, 7, 12, 93, 72, 113},    {2, 8, 12, 67, 73, 85},      {2, 9, 23, 160, 64, 190},
        {1, 1, 104, 172, 225, 195}, {3, 10, 245, 171, 368, 194}, {1, 9, 23, 160, 64, 190},
    };
    for (const Region& r : regions) {
        EXPECT_EQ(HitTestPanel(r.mode, r.left + 1, r.top + 1), r.region) << r.region;
        EXPECT_EQ(HitTestPanel(r.mode, r.right - 1, r.bottom - 1), r.region) << r.region;
        EXPECT_NE(HitTestPanel(r.mode, r.left, r.top + 1), r.region) << r.region;
        EXPECT_NE(HitTestPanel(r.mode, r.right - 1, r.bottom), r.region) << r.region;
    }
    EXPECT_EQ(HitTestPanel(1, 380, 180), -1);
    EXPECT_EQ(HitTestPanel(2, 380, 180), 2);
    EXPECT_EQ(HitTestPanel(2, 270, 60), 5);
    EXPECT_EQ(HitTestPanel(3, 270, 60), -1);
}

TEST(ApplicationHelpers, WorkFolderKeptChosenOrTheProgramFolder) {
    const std::string folder = testing_support::ScratchDir();
    platform::SetProgramDirectory(folder + "/prog");
    auto set = [](const std::string& text) {
        std::strncpy(AppSettings.WorkFolder, text.c_str(), sizeof AppSettings.WorkFolder - 1);
    };
    set(folder + "/");
    CheckWorkFolder();
    EXPECT_EQ(std::string(AppSettings.WorkFolder), folder + "/");
    EXPECT_TRUE(testing_support::Chooser().FolderRequests().empty());
    set(folder + "/missing/");
    testing_support::Chooser().QueueFolder(folder);
    CheckWorkFolder();
    EXPECT_EQ(std::string(AppSettings.WorkFolder), folder + "/");
    ASSERT_EQ(testing_support::Chooser().FolderRequests().size(), 1u);
    EXPECT_EQ(testing_support::Chooser().FolderRequests()[0].title, "Select a Folder!");
    EXPECT_EQ(testing_support::Chooser().FolderRequests()[0].initialFolder, folder + "/missing");
    set(folder + "/missing");
    CheckWorkFolder();  // cancelled
    EXPECT_EQ(std::string(AppSettings.WorkFolder), folder + "/prog/");
    set("");
    CheckWorkFolder();
    EXPECT_EQ(std::string(AppSettings.WorkFolder), folder + "/prog/");
    EXPECT_EQ(testing_support::Chooser().FolderRequests().size(), 2u);
    platform::SetProgramDirectory("");
}

}  // namespace
