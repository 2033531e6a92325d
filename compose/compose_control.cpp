#include "compose/compose_control.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>

#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "compose/knowledge_base.h"
#include "core/conversion_services.h"
#include "core/reporters.h"
#include "core/service_slot.h"
#include "platform/quit_signals.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "midi/f0_data.h"
#include "platform/clock.h"
#include "play/midi_player.h"
#include "style/key_setup.h"
#include "style/random_style.h"
#include "style/style_table.h"

std::atomic<int> ComposingActive{0};
std::atomic<int> TuneCount{100};
std::atomic<int> TuneInProgress{0};
std::atomic<int> PlayingActive{0};
std::atomic<int> MidiOutDeviceId{-1};

namespace {

using namespace std::chrono_literals;

// The play of a composed tune tests for a stop this often, so that sound
// ends well within 100 ms of the request.
constexpr auto kPlayPollStep = 10ms;
constexpr auto kPollStep = 100ms;
// A stopped play waits this many poll steps for its chain to end.
constexpr int kStopPollSteps = 10;
// Progress dots collected during the second-press wait are emptied past this.
constexpr std::size_t kProgressDotLimit = 20;
// Draws of ChooseTuneStyle before it gives up. With one entry of 216 selected
// the chance of reaching it is below 1 in 10^600.
constexpr long kMaxStyleDraws = 1'000'000;

ServiceSlot<ComposeSteps, ComposeSteps> g_steps;

// Category and slot of the last pick.
std::atomic<int> g_previousCategory{-1};
std::atomic<int> g_previousSlot{-1};

// The player of the composed tune in hand, so that a stop silences it at
// once from the stopping thread; both sides hold the mutex.
std::mutex g_playerMutex;
MidiPlayer* g_workerPlayer = nullptr;

// Ends the worker's play now: the chain cut and every channel silenced.
// Under g_playerMutex.
void SilenceWorkerPlayer() {
    if (!g_workerPlayer || PlayerPlaying.load() == 0) return;
    PlayerStopRequest = 1;
    g_workerPlayer->Kill();
    g_workerPlayer->AllNotesOff();
}

void Pause(int milliseconds) {
    GetShellServices()->Pause(milliseconds);
}

std::atomic_ref<std::int32_t> TuneNumberRef() {
    return std::atomic_ref<std::int32_t>(AppSettings.TuneNumber);
}

int SettingsValue(std::int32_t& field) {
    return std::atomic_ref<std::int32_t>(field).load();
}

bool IsMelodyMailOutput(int outputType) {
    return outputType == 7 || (outputType >= 9 && outputType <= 12);
}

const std::int32_t* SelectionOfMode(int mode) {
    if (mode == kPanelModeCompose) return ComposeStyleSelection;
    if (mode == kPanelModeConvert) return ConvertStyleSelection;
    return nullptr;
}

bool IsSelected(const std::int32_t* table, int index) {
    return std::atomic_ref<const std::int32_t>(table[index]).load() == 1;
}

int CountSelected(const std::int32_t* table) {
    int n = 0;
    for (int i = 0; i < kStyleSelectionCount; ++i)
        n += IsSelected(table, i);
    return n;
}

// Selected entries that hold a style: an empty slot is never composed.
int CountComposable(const std::int32_t* table) {
    int n = 0;
    for (int i = 0; i < kStyleSelectionCount; ++i)
        n += IsSelected(table, i) && !StyleEntryIsBlank(i / kStyleSlots, i % kStyleSlots);
    return n;
}

// Seeds the engine for one tune: afresh one tune in ten, else with a seed
// drawn from the running engine, so the seed the header names is the one
// the tune's draws start from. A seed used before in this run would make
// its tune (and every one after it) again, so it is drawn anew.
void SeedTune(std::unordered_set<std::int32_t>& used) {
    if (RandomInRange(1, 10) == 1) {
        SeedRandom();
    } else {
        SeedRandomWith(RandomInRange(0, std::numeric_limits<std::int32_t>::max()));
    }
    for (int redraws = 0; used.count(RandomSeedValue.load()) != 0 && redraws < 16; ++redraws)
        SeedRandom();
    used.insert(RandomSeedValue.load());
}

// Runs that have ended, counted as each one ends.
std::atomic<unsigned> g_runsEnded{0};

// Ends a run: every flag of the run cleared and the windows repainted.
void FinishRun() {
    TuneInProgress = 0;
    ComposeStopRequest = 0;
    StopPending = 0;
    // Counted first: whoever sees the flag down also sees the run counted.
    ++g_runsEnded;
    ComposingActive = 0;
    GetShellServices()->BroadcastPaint();
}

bool StopWanted() {
    return ComposingActive.load() != 1 || ComposeStopRequest.load() != 0 ||
           platform::QuitRequested();
}

// Set while the start of a run waits for the worker, which serves the panel.
std::atomic<bool> g_startWaiting{false};

// Pauses up to the given time while the run goes on: a run that ends by
// itself or is stopped meanwhile ends the pause, so the panel hears the next
// click.
void PauseWhileComposing(int milliseconds) {
    constexpr int kStep = 100;
    g_startWaiting = true;
    for (int left = milliseconds; left > 0 && ComposingActive.load() == 1; left -= kStep)
        Pause(std::min(left, kStep));
    g_startWaiting = false;
}

}  // namespace

// ---- Steps ----

int ComposeSteps::ComposeTune(std::uint8_t* buffer, std::size_t* length) {
    return ComposeOneTune(buffer, length);
}

MemoryBlock ComposeSteps::AllocWorkBuffer() {
    return AllocZeroed(WorkBufferSize);
}

std::shared_ptr<ComposeSteps> SetComposeSteps(std::shared_ptr<ComposeSteps> steps) {
    return g_steps.Set(std::move(steps));
}

std::shared_ptr<ComposeSteps> GetComposeSteps() {
    return g_steps.Get();
}

// ---- Panel actions ----

void ClearComposingFlag() {
    ComposingActive = 0;
}

void OnPlayCompose(int seconds) {
    std::shared_ptr<ShellServices> shell = GetShellServices();
    if (seconds <= 2) {
        // A second press within two seconds of the first lands here; the
        // wait gives the worker time to see the first.
        shell->SetWaitCursor(true);
        ComposeProgressText.Clear();
        for (int i = 0; i < 10; ++i) {
            Pause(100);
            if (ComposeProgressText.Length() > kProgressDotLimit) ComposeProgressText.Clear();
        }
        shell->SetWaitCursor(false);
    }
    const int mode = PanelMode.load();
    if (mode == kPanelModeConvert) {
        // The conversion code of the panel reads the flag.
        int expected = 0;
        if (ComposingActive.compare_exchange_strong(expected, 1)) return;
        if (TuneInProgress.load() == 1 || PlayingActive.load() == 1) {
            RequestStop();
            return;
        }
        shell->SetWaitCursor(true);
        ClearComposingFlag();
        Pause(500);
        shell->SetWaitCursor(false);
    } else {
        ToggleComposing();
    }
    if (ComposingActive.load() != 1) {
        ResultText.Clear();
        if (PanelMode.load() == kPanelModeCompose) {
            StatusText.Set("To play the file again, switch to edit mode!");
        } else {
            StatusText.Clear();
        }
    }
}

void ToggleComposing() {
    std::shared_ptr<ShellServices> shell = GetShellServices();
    ComposeStopRequest = 0;
    shell->SetWaitCursor(true);
    if (ComposingActive.load() != 0) {
        // The tune in hand is the one Play in edit mode plays again.
        LastOutputPath.Set(FolderSetting(FolderKind::Output) + OutputFileName.Get());
        if (TuneInProgress.load() == 1 || PlayingActive.load() == 1) {
            RequestStop();
        } else {
            ClearComposingFlag();
            TuneCount = 0;
            WakePlayWaiters();
            Pause(1100);
            Pause(1000);
        }
    } else if (StartComposeRun(100, false)) {
        shell->RedrawPanel();
        PauseWhileComposing(2000);
    }
    shell->SetWaitCursor(false);
}

bool StopRunWhileStarting() {
    if (!g_startWaiting.load()) return false;
    StopComposeRun(false);
    return true;
}

// ---- Starting and stopping ----

ComposeController::~ComposeController() {
    Stop(true);
}

bool ComposeController::Start(int count, bool resetTuneNumber) {
    // After a quit was asked for, a press still on its way starts nothing.
    if (ComposingActive.load() != 0 || platform::QuitRequested()) return false;
    const int outputType = SettingsValue(AppSettings.ComposeOutputType);
    // Recorded for the panel's Play, which plays the run's results by it.
    OutputType = outputType;
    if (IsMelodyMailOutput(outputType)) {
        ShowErrorMessage(kCantAutoComposeMail);
        return false;
    }
    if (CountSelectedStyles() == 0) {
        ShowErrorMessage(kNoStylesSelected);
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    // A worker told to stop may still be on its way out, and it clears the
    // flag as it ends: it is joined before the flag is raised for the next.
    if (worker_.joinable() && ComposingActive.load() == 0) worker_.join();
    int expected = 0;
    if (!ComposingActive.compare_exchange_strong(expected, 1)) return false;
    if (worker_.joinable()) {
        // It ended between the test and the raise; its end cleared the flag.
        worker_.join();
        ComposingActive = 1;
    }
    ComposeStopRequest = 0;
    StopPending = 0;
    TuneCount = count;
    if (resetTuneNumber) TuneNumberRef().store(0);
    // The run composes for the type chosen now, whatever is chosen later;
    // the previous worker has been joined, so nobody reads it meanwhile.
    TheComposerState.outputType = outputType;
    // A faulty knowledge-base file is told once in each run.
    ForgetKnowledgeFileReports();
    finished_ = false;
    worker_ = std::thread([this] {
        ComposeThread();
        finished_ = true;
    });
    return true;
}

void ComposeController::Stop(bool wait) {
    ClearComposingFlag();
    TuneCount = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!worker_.joinable()) return;
    if (finished_.load()) {
        if (wait) worker_.join();
        return;
    }
    // Also ends a tune in the middle and a play in hand.
    ComposeStopRequest = 1;
    {
        std::lock_guard<std::mutex> playLock(g_playerMutex);
        SilenceWorkerPlayer();
    }
    WakePlayWaiters();
    if (wait && worker_.get_id() != std::this_thread::get_id()) {
        worker_.join();
        // A request set as the worker was finishing must not outlive it.
        ComposeStopRequest = 0;
        StopPending = 0;
    }
}

bool ComposeController::Busy() {
    std::lock_guard<std::mutex> lock(mutex_);
    return worker_.joinable() && !finished_.load();
}

bool ComposeController::Running() {
    std::lock_guard<std::mutex> lock(mutex_);
    return worker_.joinable();
}

ComposeController& TheComposeController() {
    static ComposeController controller;
    return controller;
}

bool StartComposeRun(int count, bool resetTuneNumber) {
    return TheComposeController().Start(count, resetTuneNumber);
}

void StopComposeRun(bool wait) {
    TheComposeController().Stop(wait);
}

bool ComposeWorkerRunning() {
    return TheComposeController().Running();
}

bool ComposeWorkerBusy() {
    return TheComposeController().Busy();
}

unsigned ComposeRunsEnded() {
    return g_runsEnded.load();
}

// ---- The worker ----

int ComposeThread() {
    std::shared_ptr<ComposeSteps> steps = GetComposeSteps();
    std::shared_ptr<ShellServices> shell = GetShellServices();
    MemoryBlock buffer = steps->AllocWorkBuffer();
    if (!buffer || buffer.capacity() < WorkBufferSize) {
        ShowErrorMessage(kComposeMemoryError);
        FinishRun();
        return 1;
    }
    SeedRandom();
    std::unordered_set<std::int32_t> seedsUsed;
    for (int done = 0; done < TuneCount.load();) {
        SavedStyleTuneNumber = -1;
        const int picked = ChooseTuneStyle();
        if (picked != kStylePicked) {
            if (picked == kNoStyleSelected) ShowErrorMessage(kNoStylesSelected);
            break;
        }
        AdjustWorkingStyleMix();
        if (PanelMode.load() == kPanelModeConvert) {
            {
                std::lock_guard lock(StyleRecordMutex());
                WorkingStyle.chordGenerationMethod = 8;
                WorkingStyle.transpose = 0;
                WorkingStyle.melody[1].voicing = 0;
            }
            if (!steps->PickConversionInput()) break;
        }
        const int number = TuneNumberRef().load();
        char title[5] = {'[', static_cast<char>('0' + number / 10 % 10),
                         static_cast<char>('0' + number % 10), ']', '\0'};
        SetOutputFileNumber(number);
        shell->SetMainWindowTitle(title);
        SeedTune(seedsUsed);

        TuneInProgress = 1;
        std::size_t length = 0;
        const int ok = steps->ComposeTune(buffer.data(), &length);
        const int mode = PanelMode.load();
        // Only a saved tune takes its number: a tune that failed or was
        // stopped left no file, so the next tune is written under its number.
        if (mode == kPanelModeCompose && ok == 1) TuneNumberRef().store((number + 1) % 100);
        TuneInProgress = 0;
        ++done;
        if (!ok) break;

        // With automatic play off the next tune follows at once.
        bool pause = true;
        if (mode == kPanelModeCompose) {
            ShowSavedTuneStatus();
            if (PanelMode.load() == kPanelModeCompose) {
                if (SettingsValue(AppSettings.DontPlay) == 1) {
                    pause = false;
                } else {
                    PlayComposedTune(buffer.data(), length);
                }
            }
        }
        if (pause) {
            Pause(500);
            DisablePowerSaving();
        }
        if (ComposingActive.load() == 0 || PanelMode.load() == kPanelModeEdit) break;
    }
    FinishRun();
    FreeBlock(buffer);
    return 1;
}

int ChooseTuneStyle() {
    const int mode = PanelMode.load();
    const std::int32_t* table = SelectionOfMode(mode);
    if (!table) return kNoStyleInMode;
    if (CountComposable(table) == 0) return kNoStyleSelected;
    int slot = 0;
    int category = 0;
    for (long draws = 0;; ++draws) {
        // The table and the mode may change on the UI thread while drawing.
        if (draws == kMaxStyleDraws || CountSelected(table) == 0) return kNoStyleSelected;
        if (PanelMode.load() != mode) return kNoStyleInMode;
        slot = RandomInRange(0, kStyleSlots - 1);
        category = RandomInRange(0, kStyleCategories - 1);
        const int r = RandomInRange(1, 3);
        if (r != 1 && slot == g_previousSlot.load() && category == g_previousCategory.load())
            continue;
        if (IsSelected(table, category * kStyleSlots + slot) && !StyleEntryIsBlank(category, slot))
            break;
    }
    ChosenStyleSlot = slot + 1;
    auto entry = std::make_unique<MusicStyle>();
    GetStyleEntry(category, slot, *entry);
    // The panel shows the style's name while its tune is composed.
    NameUntitledStyle(*entry, category, slot);
    SetWorkingStyle(*entry);
    if (mode == kPanelModeCompose && entry->randomGeneratorCode != 0) {
        GenerateRandomStyle(category, slot);
        std::lock_guard lock(StyleRecordMutex());
        if (WorkingStyle.key == 1) {
            SetupMajorKey();
        } else {
            SetupMinorKey();
        }
    }
    g_previousCategory = category;
    g_previousSlot = slot;
    return kStylePicked;
}

void ResetPreviousStylePick() {
    g_previousCategory = -1;
    g_previousSlot = -1;
}

void PlayComposedTune(const std::uint8_t* image, std::size_t length) {
    if (!image || length == 0 || length > static_cast<std::size_t>(kMusicDataCapacity)) return;
    auto song = std::make_unique<MidiF0Data>(image, static_cast<int>(length));
    if (song->noteMode != note_mode::kLength || !song->ConvertToNoteOnOff()) return;
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    {
        // Declared after the song, so the player goes first.
        MidiPlayer player(song.get(), MidiOutDeviceId.load());
        {
            std::lock_guard<std::mutex> lock(g_playerMutex);
            g_workerPlayer = &player;
        }
        while (PlayerPlaying.load() != 0 && !StopWanted())
            WaitForPlayEnd(clock->Now() + kPlayPollStep);
        {
            // The chain may sleep up to a long note ahead: it is cut and
            // every channel silenced now rather than at its next event.
            std::lock_guard<std::mutex> lock(g_playerMutex);
            SilenceWorkerPlayer();
            g_workerPlayer = nullptr;
        }
        for (int i = 0; i < kStopPollSteps && PlayerPlaying.load() != 0; ++i)
            WaitForPlayEnd(clock->Now() + kPollStep);
        Pause(1000);
    }
    song.reset();
}

// ---- Listen preview ----

namespace {

// Held by the UI thread's start and stop; never by the end callback, which
// runs on the play thread that a stop waits for.
std::mutex g_listenMutex;
std::unique_ptr<MidiF0Data> g_listenSong;
std::mutex g_handlerMutex;
std::function<void()> g_listenEndHandler;
// 1 while the preview's play has not ended by itself.
std::atomic<int> g_listenPlaying{0};

// Releases the held preview; under the lock. Deleting the song stops its
// play copy first (silenced) and deletes the copy only once play has ended.
void ReleaseListenSong() {
    g_listenPlaying = 0;
    g_listenSong.reset();
}

}  // namespace

void SetChannelListenEndHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    g_listenEndHandler = std::move(handler);
}

int StartChannelListen(int channel, const MidiF0Data& song) {
    std::lock_guard<std::mutex> lock(g_listenMutex);
    if (g_listenSong) {
        if (g_listenPlaying.load() != 0) ShowErrorMessage(kListenMidiDataError);
        ReleaseListenSong();
    }
    // Set after the old preview is released, whose end may clear it.
    PlayingActive = 1;
    auto copy = std::make_unique<MidiF0Data>(song);
    for (int ch = 0; ch < 16; ++ch)
        if (ch != channel) copy->DeleteChannelEvents(ch);
    copy->RemoveLeadingEmptyMeasures();
    g_listenSong = std::move(copy);
    g_listenPlaying = 1;
    const int started = g_listenSong->PlayCopy(OnChannelListenEnd);
    if (!started) {
        g_listenPlaying = 0;
        PlayingActive = 0;
    }
    return started;
}

void StopChannelListen() {
    std::lock_guard<std::mutex> lock(g_listenMutex);
    ReleaseListenSong();
    PlayingActive = 0;
}

int OnChannelListenEnd() {
    // On the play thread: nothing is released here, the owner does that.
    if (g_listenPlaying.exchange(0) == 0) return 0;
    PlayingActive = 0;
    std::function<void()> handler;
    {
        std::lock_guard<std::mutex> lock(g_handlerMutex);
        handler = g_listenEndHandler;
    }
    if (handler) handler();
    return 0;
}

const MidiF0Data* ChannelListenSong() {
    std::lock_guard<std::mutex> lock(g_listenMutex);
    return g_listenSong.get();
}
